#pragma once
// A window runtime without windows, for tests of code that only lets pending events run:
// it counts processEvents calls and answers everything else with empty values.
#include <atomic>

#include "platform/window_runtime.h"

namespace velmorin::testing {

class QuietWindowRuntime : public WindowRuntime {
 public:
  Text linkText() override { return Text(); }
  bool originalChecked() override { return false; }
  int appendRow() override { return -1; }
  void setCell(int, int, const Text&) override {}
  int rowCount() override { return 0; }
  void scrollToRow(int) override {}
  int selectedRow() override { return -1; }
  Text cellText(int, int) override { return Text(); }
  void processEvents() override { ++eventRounds; }

  std::atomic<int> eventRounds{0};
};

// Installs one process-wide QuietWindowRuntime (once) and returns it.
inline QuietWindowRuntime& installQuietWindowRuntime() {
  static QuietWindowRuntime runtime;
  setWindowRuntime(&runtime);
  return runtime;
}

}  // namespace velmorin::testing
