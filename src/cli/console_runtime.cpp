#include "cli/console_runtime.h"

#include <sys/stat.h>

#include "album/save_photo.h"
#include "platform/codepage.h"

namespace velmorin {
namespace {

constexpr int kColumns = 3;
constexpr int kStatusColumn = 2;
constexpr int kListingPages = 1000;

}  // namespace

ConsoleRuntime::ConsoleRuntime(Settings settings) : settings_(std::move(settings)) {}

Text ConsoleRuntime::linkText() {
  std::lock_guard lock(mutex_);
  if (!settings_.originals) {
    ++listingPage_;
    showProgress();
  }
  return settings_.link;
}

int ConsoleRuntime::appendRow() {
  std::lock_guard lock(mutex_);
  rows_.emplace_back(kColumns);
  return static_cast<int>(rows_.size()) - 1;
}

void ConsoleRuntime::setCell(int row, int column, const Text& text) {
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column >= kColumns)
    return;
  std::vector<Text>& cells = rows_[row];
  cells[column] = text;
  if (column != kStatusColumn) return;

  if (text == photoStatusText(PhotoStatus::saved)) {
    ++tally_.saved;
  } else if (text == photoStatusText(PhotoStatus::kept)) {
    ++tally_.kept;
  } else {
    ++tally_.failed;
  }
  if (settings_.progress != nullptr) std::fputs("\r\033[K", settings_.progress);
  const std::string line =
      toUtf8(cells[0]) + '\t' + toUtf8(cells[1]) + '\t' + toUtf8(cells[2]) + '\n';
  std::fwrite(line.data(), 1, line.size(), settings_.rows);
  std::fflush(settings_.rows);
  showProgress();
}

int ConsoleRuntime::rowCount() {
  std::lock_guard lock(mutex_);
  return static_cast<int>(rows_.size());
}

Text ConsoleRuntime::cellText(int row, int column) {
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column >= kColumns)
    return Text();
  return rows_[row][column];
}

bool ConsoleRuntime::keepExisting(const Text& path) {
  if (!settings_.skipExisting) return false;
  struct stat info {};
  return ::stat(nativePath(path).c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         info.st_size > 0;
}

ConsoleRuntime::Tally ConsoleRuntime::tally() const {
  std::lock_guard lock(mutex_);
  return tally_;
}

void ConsoleRuntime::endProgress() {
  std::lock_guard lock(mutex_);
  if (settings_.progress == nullptr) return;
  std::fputs("\r\033[K", settings_.progress);
  std::fflush(settings_.progress);
}

void ConsoleRuntime::showProgress() {
  if (settings_.progress == nullptr) return;
  std::string line = "\r\033[K" + std::to_string(tally_.total()) + " photos done, " +
                     std::to_string(tally_.failed) + " failed";
  if (!settings_.originals)
    line += ", listing page " + std::to_string(listingPage_) + "/" + std::to_string(kListingPages);
  std::fputs(line.c_str(), settings_.progress);
  std::fflush(settings_.progress);
}

}  // namespace velmorin
