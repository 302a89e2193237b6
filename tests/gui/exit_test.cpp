#include <gtest/gtest.h>

#include <cstdio>

#include "app/exit_routines.h"
#include "app/main_window.h"
#include "cookies/shared_cookie_text.h"
#include "gui_fixture.h"

namespace velmorin {
namespace {

// Prints what the session cookie holds when the program ends, after exitHook has run.
void reportSessionCookie() {
  std::fprintf(stderr, "cookie at exit=[%s]\n", sessionCookie().read().c_str());
}

class ExitTest : public ::testing::Test {
 protected:
  // Each death test runs in a fresh copy of this program, so the Qt state is its own.
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(ExitTest, EndProgramRunsTheExitRoutinesAndExitsWithZero) {
  EXPECT_EXIT(
      {
        sessionCookie().replace("SUB=abc; SUBP=def");
        registerExitRoutine(exitHook);
        registerExitRoutine(reportSessionCookie);
        endProgram(0);
      },
      ::testing::ExitedWithCode(0), "cookie at exit=\\[\\]");
}

TEST_F(ExitTest, EndButtonEndsTheProgramWhileAWalkIsStillRunning) {
  EXPECT_EXIT(
      {
        testing::TempRunDirectory runDirectory;
        testing::GuiRecordingRuntime runtime;
        setWindowRuntime(&runtime);
        sessionCookie().replace("SUB=abc");
        registerExitRoutine(exitHook);
        registerExitRoutine(reportSessionCookie);
        std::atomic<bool> walking{false};
        MainWindowRoutines routines;  // the real End
        routines.previews = [&] {
          walking = true;
          for (;;) runtime.appendRow();  // a walk that never ends by itself
        };
        MainWindow window(routines);
        runtime.attach(window.linkEdit(), window.originalCheck(), window.photoList());
        window.show();
        window.startButton()->click();
        testing::waitUntil([&] { return walking.load() && runtime.rowCount() > 10; });
        window.endButton()->click();
        std::fprintf(stderr, "End returned\n");
      },
      ::testing::ExitedWithCode(0), "cookie at exit=\\[\\]");
}

}  // namespace
}  // namespace velmorin
