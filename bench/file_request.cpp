// 1000 sequential 100 KB image downloads from the local album replica: the file engine
// against one reused libcurl handle, in the same run. Peak memory is reported as the
// counter maxrss_MB (the whole process, replica excluded).
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <sys/resource.h>

#include <string>

#include "net/file/request_file.h"
#include "support/recording_runtime.h"
#include "support/replica.h"

namespace {

constexpr int kDownloads = 1000;
constexpr int kPhotos = 65;
constexpr int kImageBytes = 100 * 1024;

// The replica, started once for the whole run, with the engine's cookie store in a
// temporary folder.
velmorin::testing::Replica& replica() {
  static velmorin::testing::TempDir home;
  static const bool homeSet = setenv("XDG_DATA_HOME", home.path().c_str(), 1) == 0;
  static velmorin::testing::Replica instance({.photos = kPhotos, .imageBytes = kImageBytes});
  (void)homeSet;
  return instance;
}

std::string image(int n) { return replica().url("/large/" + std::to_string(n) + ".jpg"); }

double maxRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

// range(0) = 0: no cookie text (the per-user store takes part, as for previews);
// 1: a caller's cookie text (as for originals).
void BM_RequestFile(benchmark::State& state) {
  size_t bytes = 0;
  velmorin::Text cookies = "SUB=bench";
  for (auto _ : state) {
    for (int i = 0; i < kDownloads; ++i) {
      velmorin::FileRequest request{.url = image(i % kPhotos + 1)};
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
    const std::string referer = "Referer: " + image(1);
    list = curl_slist_append(list, referer.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, list);
  }
  size_t bytes = 0;
  for (auto _ : state) {
    for (int i = 0; i < kDownloads; ++i) {
      body.clear();
      const std::string url = image(i % kPhotos + 1);
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
