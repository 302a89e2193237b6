#pragma once
// Shared pieces of the GUI suites: a runtime that records what the window asks of it, a
// temporary run directory, and waiting while the event loop runs.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gui/qt_window_runtime.h"

namespace velmorin::testing {

// Runs the event loop until done() holds or a generous deadline passes (then false).
inline bool waitUntil(const std::function<bool()>& done, int deadlineMs = 10000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > deadlineMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return true;
}

// The Qt runtime with its opener and two operations observed.
class GuiRecordingRuntime : public QtWindowRuntime {
 public:
  GuiRecordingRuntime()
      : QtWindowRuntime([this](const QUrl& url) {
          std::lock_guard lock(mutex);
          opened.push_back(url.toString().toStdString());
        }) {}

  bool makeDirectory(const Text& path) override {
    {
      std::lock_guard lock(mutex);
      madeDirectories.push_back(path);
    }
    return QtWindowRuntime::makeDirectory(path);
  }

  void openUrl(const Text& address) override {
    {
      std::lock_guard lock(mutex);
      askedToOpen.push_back(address);
    }
    QtWindowRuntime::openUrl(address);
  }

  std::mutex mutex;
  std::vector<Text> madeDirectories;
  std::vector<Text> askedToOpen;  // what handlers passed to openUrl
  std::vector<std::string> opened;  // what reached the desktop opener (UTF-8)
};

// A fresh empty folder used as the executable's directory for one test.
class TempRunDirectory {
 public:
  TempRunDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velmorin-gui-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
    ::setenv("VELMORIN_RUN_DIRECTORY", path_.c_str(), 1);
  }
  ~TempRunDirectory() {
    ::unsetenv("VELMORIN_RUN_DIRECTORY");
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace velmorin::testing
