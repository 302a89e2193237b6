#include "support/recording_runtime.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/codepage.h"

namespace velmorin::testing {

RecordingRuntime::RecordingRuntime(std::string runDirectoryUtf8)
    : runDirectory_(std::move(runDirectoryUtf8)) {}

void RecordingRuntime::setLink(const Text& link) {
  std::lock_guard lock(mutex_);
  link_ = link;
}

void RecordingRuntime::setOriginalChecked(bool checked) {
  std::lock_guard lock(mutex_);
  originalChecked_ = checked;
}

Text RecordingRuntime::linkText() {
  std::lock_guard lock(mutex_);
  ++linkReads_;
  return link_;
}

bool RecordingRuntime::originalChecked() {
  std::lock_guard lock(mutex_);
  return originalChecked_;
}

int RecordingRuntime::appendRow() {
  std::lock_guard lock(mutex_);
  rows_.emplace_back(3);
  return static_cast<int>(rows_.size()) - 1;
}

void RecordingRuntime::setCell(int row, int column, const Text& text) {
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column >= 3) return;
  rows_[row][column] = text;
}

int RecordingRuntime::rowCount() {
  std::lock_guard lock(mutex_);
  return static_cast<int>(rows_.size());
}

void RecordingRuntime::scrollToRow(int row) {
  std::lock_guard lock(mutex_);
  scrolls_.push_back(row);
}

Text RecordingRuntime::cellText(int row, int column) {
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column >= 3) return {};
  return rows_[row][column];
}

void RecordingRuntime::pauseWithEvents(int ms) {
  std::lock_guard lock(mutex_);
  pauses_.push_back(ms);
}

Text RecordingRuntime::runDirectory() { return fromUtf8(runDirectory_); }

std::vector<std::vector<std::string>> RecordingRuntime::rows() const {
  std::lock_guard lock(mutex_);
  std::vector<std::vector<std::string>> out;
  for (const auto& row : rows_) {
    std::vector<std::string> cells;
    for (const auto& cell : row) cells.push_back(toUtf8(cell));
    out.push_back(std::move(cells));
  }
  return out;
}

std::vector<int> RecordingRuntime::pauses() const {
  std::lock_guard lock(mutex_);
  return pauses_;
}

std::vector<int> RecordingRuntime::scrolls() const {
  std::lock_guard lock(mutex_);
  return scrolls_;
}

int RecordingRuntime::linkReads() const {
  std::lock_guard lock(mutex_);
  return linkReads_;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "velmorin-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Read-only folders made by a test would stop the removal.
  for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ec))
    if (entry.is_directory(ec))
      std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string readFileOr(const std::string& path, const std::string& missing) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return missing;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace velmorin::testing
