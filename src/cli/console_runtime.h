#pragma once
// The window runtime of the command line: the link comes from the command line, the report
// list becomes printed rows (number, address, status separated by tabs, UTF-8) and, on a
// terminal, a one-line progress display.
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "platform/window_runtime.h"

namespace velmorin {

class ConsoleRuntime : public WindowRuntime {
 public:
  struct Settings {
    Text link;
    bool originals = true;
    Text runDirectory;          // code page 936, no trailing separator
    bool skipExisting = false;  // keep photo files that exist with a non-zero size
    std::FILE* rows = stdout;
    std::FILE* progress = nullptr;  // where the progress line goes; nullptr for none
  };
  struct Tally {
    int saved = 0;
    int kept = 0;
    int failed = 0;
    int total() const { return saved + kept + failed; }
  };

  explicit ConsoleRuntime(Settings settings);

  Text linkText() override;
  bool originalChecked() override { return settings_.originals; }
  int appendRow() override;
  // Setting the status column completes a row: it is printed then.
  void setCell(int row, int column, const Text& text) override;
  int rowCount() override;
  void scrollToRow(int) override {}
  int selectedRow() override { return -1; }
  Text cellText(int row, int column) override;
  Text runDirectory() override { return settings_.runDirectory; }
  bool keepExisting(const Text& path) override;

  Tally tally() const;
  // Clears the progress line so that a summary can take its place.
  void endProgress();

 private:
  void showProgress();  // caller holds mutex_

  Settings settings_;
  mutable std::mutex mutex_;
  std::vector<std::vector<Text>> rows_;
  Tally tally_;
  int listingPage_ = 0;  // the previews walk reads the link once per listing page
};

}  // namespace velmorin
