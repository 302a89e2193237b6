#include <unistd.h>

#include <QApplication>

#include "app/exit_routines.h"
#include "app/main_window.h"
#include "app/web_engine_setup.h"
#include "cookies/gui/login_window.h"
#include "platform/gui/fatal_stop_box.h"
#include "platform/gui/qt_window_runtime.h"
#include "text/fatal_stop.h"

int main(int argc, char** argv) {
  using namespace velmorin;

  prepareWebEngine();
  QApplication app(argc, argv);
  QtWindowRuntime runtime;
  setWindowRuntime(&runtime);
  setFatalStopPresenter(fatalStopBox(runtime));
  // Relative paths resolve beside the executable.
  if (::chdir(nativePath(runtime.runDirectory()).c_str()) != 0) {
    // Stay where we are; the picture folders are addressed by full path anyway.
  }

  registerExitRoutine(exitHook);

  MainWindowRoutines routines;
  routines.openLoginWindow = openLoginWindow;
  MainWindow window(std::move(routines));  // returns once the login window is gone
  runtime.attach(window.linkEdit(), window.originalCheck(), window.photoList());
  window.show();

  app.exec();  // until End or until the last window has closed
  // Walks may still be running; end them with the process instead of unwinding under them.
  endProgram(0);
}
