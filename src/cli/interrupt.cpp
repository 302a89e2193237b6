#include "cli/interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "platform/window_runtime.h"

namespace velmorin {
namespace {

sigset_t terminationSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

// The temporary names writeFile uses: "." + file name + "." + digits + ".part".
bool isTemporaryPhoto(const std::string& name) {
  const std::string suffix = ".part";
  return name.size() > 1 + suffix.size() && name[0] == '.' &&
         name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

void blockTerminationSignals() {
  const sigset_t set = terminationSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void watchForTermination(std::vector<std::string> folders) {
  std::thread([folders = std::move(folders)] {
    const sigset_t set = terminationSignals();
    int signal = 0;
    while (sigwait(&set, &signal) != 0) {
    }
    fileWriteLock().lock();  // never released: the process ends below
    for (const std::string& folder : folders) {
      std::error_code ec;
      for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (isTemporaryPhoto(entry.path().filename().string())) {
          std::error_code ignored;
          std::filesystem::remove(entry.path(), ignored);
        }
      }
    }
    static const char message[] = "\nvelmorin-cli: interrupted\n";
    [[maybe_unused]] auto written = ::write(STDERR_FILENO, message, sizeof message - 1);
    _exit(128 + signal);
  }).detach();
}

}  // namespace velmorin
