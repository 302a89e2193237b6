#include "app/web_engine_setup.h"

#include <unistd.h>

#include <QCoreApplication>

namespace velmorin {

void prepareWebEngine() {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  turnOffSandboxForSuperUser(::geteuid());
}

void turnOffSandboxForSuperUser(uid_t effectiveUser) {
  if (effectiveUser == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

}  // namespace velmorin
