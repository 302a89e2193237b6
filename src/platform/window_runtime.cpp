#include "platform/window_runtime.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

#include "platform/codepage.h"

extern char** environ;

namespace velmorin {
namespace {

std::atomic<WindowRuntime*> installed{nullptr};

bool startsWithNoCase(const Text& t, const char* prefix) {
  for (size_t i = 0; prefix[i] != '\0'; ++i) {
    if (i >= t.size()) return false;
    char c = t[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

bool writeAll(int fd, const Bytes& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

WindowRuntime& windowRuntime() {
  WindowRuntime* r = installed.load();
  if (r == nullptr) std::abort();  // a front end installs its runtime before any walk
  return *r;
}

void setWindowRuntime(WindowRuntime* runtime) { installed.store(runtime); }

bool isWebAddress(const Text& address) {
  return startsWithNoCase(address, "http://") || startsWithNoCase(address, "https://");
}

std::string nativePath(const Text& path) {
  std::string native = toUtf8(path);
  for (char& c : native)
    if (c == '\\') c = '/';
  return native;
}

void WindowRuntime::pauseWithEvents(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void WindowRuntime::openUrl(const Text& address) {
  if (!isWebAddress(address)) return;
  std::string url = toUtf8(address);
  char program[] = "xdg-open";
  char* argv[] = {program, url.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) == 0) {
    // Reap it on the side so no zombie is left behind.
    std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  }
}

Text WindowRuntime::runDirectory() {
  if (const char* dir = std::getenv("VELMORIN_RUN_DIRECTORY"); dir != nullptr && *dir != '\0') {
    std::string d = dir;
    while (d.size() > 1 && d.back() == '/') d.pop_back();
    return fromUtf8(d);
  }
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return fromUtf8(std::filesystem::current_path(ec).string());
  return fromUtf8(usableRunDirectory(exe.parent_path().string()));
}

std::string usableRunDirectory(const std::string& programFolder) {
  if (::access(programFolder.c_str(), W_OK | X_OK) == 0) return programFolder;
  std::string pictures;
  if (const char* xdg = std::getenv("XDG_PICTURES_DIR"); xdg != nullptr && xdg[0] == '/') {
    pictures = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    pictures = std::string(home) + "/Pictures";
  } else {
    return programFolder;  // nowhere better to go; the photo rows will say what failed
  }
  while (pictures.size() > 1 && pictures.back() == '/') pictures.pop_back();
  const std::string folder = pictures + "/velmorin";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return folder;
}

bool WindowRuntime::makeDirectory(const Text& path) {
  return ::mkdir(nativePath(path).c_str(), 0777) == 0;
}

std::mutex& fileWriteLock() {
  static std::mutex lock;
  return lock;
}

bool WindowRuntime::writeFile(const Text& path, const Bytes& data) {
  const std::string target = nativePath(path);
  const auto slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);

  static thread_local std::mt19937_64 rng{std::random_device{}()};
  std::lock_guard writing(fileWriteLock());
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
    temp = folder + "/." + name + "." + std::to_string(rng() % 1000000000ULL) + ".part";
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  bool ok = writeAll(fd, data);
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

bool WindowRuntime::keepExisting(const Text&) { return false; }

void WindowRuntime::startThread(std::function<void()> routine) {
  try {
    std::thread(std::move(routine)).detach();
  } catch (...) {
    // A thread that cannot be started leaves no trace.
  }
}

}  // namespace velmorin
