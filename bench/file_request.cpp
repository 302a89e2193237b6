// 1000 sequential 100 KB image downloads from the local album replica: the file engine
// against one reused libcurl handle, in the same run. Peak memory is reported as the
// counter maxrss_MB (the whole process, replica excluded).
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "net/file/request_file.h"

extern char** environ;

namespace {

constexpr int kDownloads = 1000;
constexpr int kPhotos = 65;
constexpr int kImageBytes = 100 * 1024;

// The replica, started once for the whole run.
class Replica {
 public:
  Replica() {
    // The engine's cookie store for this run lives in a temporary folder.
    char home[] = "/tmp/velmorin-bench-XXXXXX";
    if (mkdtemp(home) != nullptr) setenv("XDG_DATA_HOME", home, 1);
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string path = VELMORIN_BINARY_DIR "/tools/album-replica/album-replica";
    const std::string bytes = std::to_string(kImageBytes);
    const std::string photos = std::to_string(kPhotos);
    char* argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>("--image-bytes"),
                    const_cast<char*>(bytes.c_str()), const_cast<char*>("--photos"),
                    const_cast<char*>(photos.c_str()), nullptr};
    if (posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv, environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    FILE* lines = fdopen(out[0], "r");
    char line[256];
    while (pid_ > 0 && lines != nullptr && fgets(line, sizeof line, lines) != nullptr) {
      if (std::sscanf(line, "listening on %d", &port_) == 1) break;
    }
    out_ = lines;
  }
  ~Replica() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ != nullptr) fclose(out_);
  }
  std::string image(int n) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/large/" + std::to_string(n) + ".jpg";
  }
  bool ready() const { return port_ > 0; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  FILE* out_ = nullptr;
};

Replica& replica() {
  static Replica instance;
  return instance;
}

double maxRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

// range(0) = 0: no cookie text (the per-user store takes part, as for previews);
// 1: a caller's cookie text (as for originals).
void BM_RequestFile(benchmark::State& state) {
  if (!replica().ready()) return state.SkipWithError("replica did not start");
  size_t bytes = 0;
  velmorin::Text cookies = "SUB=bench";
  for (auto _ : state) {
    for (int i = 0; i < kDownloads; ++i) {
      velmorin::FileRequest request{.url = replica().image(i % kPhotos + 1)};
      if (state.range(0) == 1) request.cookies = cookies;
      const velmorin::Bytes body = velmorin::requestFile(request);
      bytes += body.size();
      benchmark::DoNotOptimize(body.data());
    }
  }
  if (bytes != static_cast<size_t>(state.iterations()) * kDownloads * kImageBytes)
    state.SkipWithError("short download");
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.counters["maxrss_MB"] = maxRssMb();
}

size_t collect(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

// range(0) = 1: the same header lines the engine sends (the replica parses more per
// request); 0: libcurl's own minimal request.
void BM_ReusedCurlHandle(benchmark::State& state) {
  if (!replica().ready()) return state.SkipWithError("replica did not start");
  CURL* easy = curl_easy_init();
  std::string body;
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
  curl_slist* list = nullptr;
  if (state.range(0) == 1) {
    for (const char* line : {"Accept: */*", "Accept-Language: zh-cn",
                             "Content-Type: application/x-www-form-urlencoded",
                             "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"})
      list = curl_slist_append(list, line);
    const std::string referer = "Referer: " + replica().image(1);
    list = curl_slist_append(list, referer.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, list);
  }
  size_t bytes = 0;
  for (auto _ : state) {
    for (int i = 0; i < kDownloads; ++i) {
      body.clear();
      const std::string url = replica().image(i % kPhotos + 1);
      curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
      curl_easy_perform(easy);
      bytes += body.size();
    }
  }
  curl_easy_cleanup(easy);
  curl_slist_free_all(list);
  if (bytes != static_cast<size_t>(state.iterations()) * kDownloads * kImageBytes)
    state.SkipWithError("short download");
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.counters["maxrss_MB"] = maxRssMb();
}

BENCHMARK(BM_ReusedCurlHandle)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RequestFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
