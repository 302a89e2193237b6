#include "text/fatal_stop.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/codepage.h"

namespace velmorin {
namespace {

std::mutex presenterMutex;
std::function<void(const Text&)>& presenterSlot() {
  static std::function<void(const Text&)> presenter;
  return presenter;
}

std::atomic<bool> stopping{false};
thread_local bool stoppingHere = false;

void writeAll(int fd, const std::string& s) {
  std::size_t done = 0;
  while (done < s.size()) {
    ssize_t w = ::write(fd, s.data() + done, s.size() - done);
    if (w <= 0) return;
    done += static_cast<std::size_t>(w);
  }
}

[[noreturn]] void endProcess() { std::_Exit(-1); }

}  // namespace

Text fatalStopText(int code, const Text& message) {
  const Text crlf = "\r\n";
  Text box = fromUtf8("运行时出错!") + crlf + crlf;
  if (code != 0) box += fromUtf8("错误代码：") + std::to_string(code) + crlf + crlf;
  if (!message.empty()) box += fromUtf8("错误信息：") + message + crlf;
  return box;
}

void setFatalStopPresenter(std::function<void(const Text& boxText)> presenter) {
  std::lock_guard<std::mutex> lock(presenterMutex);
  presenterSlot() = std::move(presenter);
}

void fatalStop(int code, const Text& message) {
  // A stop raised while this thread is already stopping (say, from the presenter) ends
  // the process at once; a stop on another thread waits for the first one to finish.
  if (stoppingHere) endProcess();
  stoppingHere = true;
  if (stopping.exchange(true)) {
    for (;;) ::pause();
  }
  Text box = fatalStopText(code, message);
  writeAll(STDERR_FILENO, toUtf8(box));
  std::function<void(const Text&)> presenter;
  {
    std::lock_guard<std::mutex> lock(presenterMutex);
    presenter = presenterSlot();
  }
  if (presenter) presenter(box);
  endProcess();
}

}  // namespace velmorin
