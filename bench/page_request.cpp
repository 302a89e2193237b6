// 1000 sequential page requests to a local replica over http and https, against one reused
// libcurl handle doing the same requests in the same run.
//   build/release/bench/bench_page_request
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdlib>
#include <string>

#include "net/page/request_page.h"
#include "support/quiet_window_runtime.h"
#include "support/replica.h"

namespace {

using namespace velmorin;

// One replica per scheme, started once for the whole run.
testing::Replica& replica(bool https) {
  static testing::Replica plain(testing::Replica::Options{});
  static testing::Replica secure(testing::Replica::Options{.https = true});
  return https ? secure : plain;
}

const char* kPath = "/test/empty";

void BM_RequestPage(benchmark::State& state) {
  testing::installQuietWindowRuntime();
  setenv("VELMORIN_CA_FILE", testing::Replica::testCertificatePath().c_str(), 1);
  bool https = state.range(0) != 0;
  Text url = replica(https).url(kPath);
  Text cookies = "SUB=abcdef; SUBP=0033";
  for (auto _ : state) {
    Bytes bytes;
    Text status;
    benchmark::DoNotOptimize(
        requestPage({.url = url, .cookies = cookies, .statusText = &status, .responseBytes = &bytes}));
    if (status != "200 OK") state.SkipWithError("bad answer");
  }
}

size_t collect(char* data, size_t size, size_t n, void* out) {
  static_cast<std::string*>(out)->append(data, size * n);
  return size * n;
}

// The baseline: one easy handle, reused, sending the same header lines.
void BM_ReusedCurlHandle(benchmark::State& state) {
  bool https = state.range(0) != 0;
  std::string url = replica(https).url(kPath);
  std::string ca = testing::Replica::testCertificatePath();
  CURL* curl = curl_easy_init();
  curl_slist* headers = nullptr;
  for (const char* h :
       {"User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
        "Accept: text/html, application/xhtml+xml, */*", "Accept-Encoding: gbk, GB2312",
        "Accept-Language: zh-cn", "Content-Type: application/x-www-form-urlencoded",
        "Cache-Control: no-cache", "Cookie: SUB=abcdef; SUBP=0033"})
    headers = curl_slist_append(headers, h);
  std::string body;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_CAINFO, ca.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  for (auto _ : state) {
    body.clear();
    if (curl_easy_perform(curl) != CURLE_OK)
      state.SkipWithError("bad answer");
  }
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
}

BENCHMARK(BM_ReusedCurlHandle)->Arg(0)->Arg(1)->ArgName("https")->Iterations(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RequestPage)->Arg(0)->Arg(1)->ArgName("https")->Iterations(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
