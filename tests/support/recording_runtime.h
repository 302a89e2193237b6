#pragma once
// A window runtime for tests: a link text, a report list kept in memory, pauses recorded
// instead of waited, and a run directory of the test's choosing. Thread-safe.
#include <mutex>
#include <string>
#include <vector>

#include "platform/window_runtime.h"

namespace velmorin::testing {

class RecordingRuntime : public WindowRuntime {
 public:
  explicit RecordingRuntime(std::string runDirectoryUtf8);

  void setLink(const Text& link);
  void setOriginalChecked(bool checked);

  Text linkText() override;
  bool originalChecked() override;
  int appendRow() override;
  void setCell(int row, int column, const Text& text) override;
  int rowCount() override;
  void scrollToRow(int row) override;
  int selectedRow() override { return -1; }
  Text cellText(int row, int column) override;
  void pauseWithEvents(int ms) override;
  Text runDirectory() override;

  // Rows as UTF-8 cells, and what was asked of the runtime.
  std::vector<std::vector<std::string>> rows() const;
  std::vector<int> pauses() const;
  std::vector<int> scrolls() const;
  int linkReads() const;

 private:
  mutable std::mutex mutex_;
  Text link_;
  bool originalChecked_ = false;
  std::string runDirectory_;
  std::vector<std::vector<Text>> rows_;
  std::vector<int> pauses_;
  std::vector<int> scrolls_;
  int linkReads_ = 0;
};

// A fresh folder under the system's temporary folder, removed with its contents at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The whole content of a file, or std::nullopt-like empty marker "<missing>" when absent.
std::string readFileOr(const std::string& path, const std::string& missing = "<missing>");

}  // namespace velmorin::testing
