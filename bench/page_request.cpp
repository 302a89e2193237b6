// 1000 sequential page requests to a local replica over http and https, against one reused
// libcurl handle doing the same requests in the same run.
//   build/release/bench/bench_page_request
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "net/page/request_page.h"
#include "platform/window_runtime.h"

namespace {

using namespace velmorin;

const std::string kSourceDir = [] {
  std::string f = __FILE__;
  return f.substr(0, f.rfind("/bench/"));
}();

struct NoWindows : WindowRuntime {
  Text linkText() override { return {}; }
  bool originalChecked() override { return false; }
  int appendRow() override { return -1; }
  void setCell(int, int, const Text&) override {}
  int rowCount() override { return 0; }
  void scrollToRow(int) override {}
  int selectedRow() override { return -1; }
  Text cellText(int, int) override { return {}; }
};

// The replica as a child process, on a free port.
class ReplicaProcess {
 public:
  explicit ReplicaProcess(bool https) {
    std::string cmd = std::string(VELMORIN_BINARY_DIR) + "/tools/album-replica/album-replica --port 0";
    if (https)
      cmd += " --https --cert " + kSourceDir + "/tests/data/replica-cert.pem --key " + kSourceDir +
             "/tests/data/replica-key.pem";
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      close(out[0]);
      execl("/bin/sh", "sh", "-c", ("exec " + cmd).c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    FILE* f = fdopen(out[0], "r");
    char line[256] = {0};
    if (!fgets(line, sizeof line, f) || sscanf(line, "listening on %d", &port_) != 1)
      throw std::runtime_error("replica did not start");
    fclose(f);
    base_ = std::string(https ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
  }
  ~ReplicaProcess() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  const std::string& base() const { return base_; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  std::string base_;
};

ReplicaProcess& replica(bool https) {
  static ReplicaProcess plain(false), secure(true);
  return https ? secure : plain;
}

const char* kPath = "/test/empty";

void BM_RequestPage(benchmark::State& state) {
  static NoWindows windows;
  setWindowRuntime(&windows);
  setenv("VELMORIN_CA_FILE", (kSourceDir + "/tests/data/replica-cert.pem").c_str(), 1);
  bool https = state.range(0) != 0;
  Text url = replica(https).base() + kPath;
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
  std::string url = replica(https).base() + kPath;
  std::string ca = kSourceDir + "/tests/data/replica-cert.pem";
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
