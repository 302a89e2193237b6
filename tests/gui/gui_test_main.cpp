// The GUI suites need one QApplication for the whole run, made before any test.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/web_engine_setup.h"

int main(int argc, char** argv) {
  // Test discovery runs the binary without the suite's environment.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  velmorin::prepareWebEngine();
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
