// The browser's sandbox is turned off for the super-user only.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QCoreApplication>

#include "app/web_engine_setup.h"

namespace velmorin {
namespace {

TEST(PrepareWebEngine, SandboxGoesOffOnlyForTheSuperUser) {
  const QByteArray saved = qgetenv("QTWEBENGINE_DISABLE_SANDBOX");
  const bool wasSet = qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX");
  qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");

  turnOffSandboxForSuperUser(1000);
  EXPECT_FALSE(qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"));
  turnOffSandboxForSuperUser(0);
  EXPECT_EQ(qgetenv("QTWEBENGINE_DISABLE_SANDBOX"), "1");
  // Set before the test program's application object was made.
  EXPECT_TRUE(QCoreApplication::testAttribute(Qt::AA_ShareOpenGLContexts));

  if (wasSet) qputenv("QTWEBENGINE_DISABLE_SANDBOX", saved);
  else qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
}

}  // namespace
}  // namespace velmorin
