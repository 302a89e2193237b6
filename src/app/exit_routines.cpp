#include "app/exit_routines.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "cookies/shared_cookie_text.h"

namespace velmorin {
namespace {

std::mutex& routinesMutex() {
  static std::mutex m;
  return m;
}

std::vector<void (*)()>& pending() {
  static std::vector<void (*)()> routines;
  return routines;
}

}  // namespace

void registerExitRoutine(void (*routine)()) {
  std::lock_guard lock(routinesMutex());
  pending().push_back(routine);
}

void runExitRoutines() {
  std::vector<void (*)()> due;
  {
    std::lock_guard lock(routinesMutex());
    due.swap(pending());
  }
  for (auto* routine : due) routine();
}

void endProgram(int code) {
  runExitRoutines();
  std::fflush(nullptr);
  // Walks may still be running and waiting on the window; no destructor must run under
  // them, so the process ends here without unwinding anything.
  std::_Exit(code);
}

void exitHook() { sessionCookie().replace(Text()); }

}  // namespace velmorin
