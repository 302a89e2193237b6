#include "support/replica.h"

#include <httplib.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <stdexcept>

#include "album-replica/image_bytes.h"
#include "support/test_paths.h"

namespace velmorin::testing {
namespace {

bool sameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

// Reads the line "listening on PORT" from the replica's stdout; 0 when it does not come.
int readPort(int fd) {
  std::string line;
  while (line.find('\n') == std::string::npos) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 10000) <= 0) return 0;
    char buffer[128];
    ssize_t n = read(fd, buffer, sizeof(buffer));
    if (n <= 0) return 0;
    line.append(buffer, static_cast<size_t>(n));
  }
  const std::string prefix = "listening on ";
  if (line.rfind(prefix, 0) != 0) return 0;
  return std::atoi(line.c_str() + prefix.size());
}

std::vector<RecordedRequest> parseRequests(const std::string& text) {
  std::vector<RecordedRequest> out;
  size_t pos = 0;
  auto line = [&]() {
    size_t eol = text.find('\n', pos);
    if (eol == std::string::npos) throw std::runtime_error("replica: truncated request log");
    std::string l = text.substr(pos, eol - pos);
    pos = eol + 1;
    return l;
  };
  while (pos < text.size()) {
    if (line() != "request") throw std::runtime_error("replica: bad request log");
    RecordedRequest r;
    for (;;) {
      std::string l = line();
      if (l.rfind("method ", 0) == 0) {
        r.method = l.substr(7);
      } else if (l.rfind("target ", 0) == 0) {
        r.target = l.substr(7);
      } else if (l.rfind("header ", 0) == 0) {
        size_t colon = l.find(": ", 7);
        if (colon == std::string::npos) r.headers.emplace_back(l.substr(7), "");
        else r.headers.emplace_back(l.substr(7, colon - 7), l.substr(colon + 2));
      } else if (l.rfind("body ", 0) == 0) {
        size_t n = std::stoul(l.substr(5));
        r.body = text.substr(pos, n);
        pos += n + 1;  // the body and its "\n"
        if (line() != "end") throw std::runtime_error("replica: bad request log");
        break;
      } else {
        throw std::runtime_error("replica: bad request log line " + l);
      }
    }
    out.push_back(std::move(r));
  }
  return out;
}

}  // namespace

std::string RecordedRequest::header(const std::string& name) const {
  for (const auto& [n, v] : headers)
    if (sameName(n, name)) return v;
  return {};
}

bool RecordedRequest::hasHeader(const std::string& name) const {
  return std::any_of(headers.begin(), headers.end(),
                     [&](const auto& h) { return sameName(h.first, name); });
}

std::vector<RecordedRequest> parseRecordedRequests(const std::string& text) {
  return parseRequests(text);
}

struct Replica::Impl {
  Options options;
  pid_t pid = -1;
  int port = 0;
  std::unique_ptr<httplib::Client> control;

  std::string post(const std::string& target) {
    auto res = control->Post(target.c_str(), "", "text/plain");
    if (!res || res->status != 200)
      throw std::runtime_error("replica: control request failed: " + target);
    return res->body;
  }
};

Replica::Replica() : Replica(Options()) {}

Replica::Replica(Options options) : impl_(new Impl) {
  impl_->options = options;
  std::vector<std::string> args = {replicaPath(),
                                   "--port", "0",
                                   "--photos", std::to_string(options.photos),
                                   "--uid", options.uid,
                                   "--album-id", options.albumId,
                                   "--image-bytes", std::to_string(options.imageBytes)};
  if (options.https) {
    args.insert(args.end(), {"--https", "--cert", testCertificatePath(), "--key",
                             sourceDir() + "/tests/data/replica-key.pem"});
  }
  if (options.requireLogin) args.push_back("--require-login");

  // Built before fork: the child of a threaded process may only make async-signal-safe
  // calls until it execs.
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t parent = getpid();
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("replica: pipe failed");
  pid_t pid = fork();
  if (pid == 0) {
    // A test that crashes must not leave its replica behind holding ctest's output pipe.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(fds[1]);
  impl_->pid = pid;
  impl_->port = pid > 0 ? readPort(fds[0]) : 0;
  close(fds[0]);
  if (impl_->port == 0) {
    delete impl_;  // the destructor does not run for a throwing constructor
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    throw std::runtime_error("replica: could not start " + replicaPath());
  }
  std::string origin = (options.https ? "https://127.0.0.1:" : "http://127.0.0.1:") +
                       std::to_string(impl_->port);
  impl_->control = std::make_unique<httplib::Client>(origin);
  impl_->control->enable_server_certificate_verification(false);
}

Replica::~Replica() {
  kill(impl_->pid, SIGTERM);
  waitpid(impl_->pid, nullptr, 0);
  delete impl_;
}

int Replica::port() const { return impl_->port; }

std::string Replica::baseUrl() const {
  return (impl_->options.https ? "https://127.0.0.1:" : "http://127.0.0.1:") +
         std::to_string(impl_->port) + "/";
}

std::string Replica::albumLink() const { return baseUrl() + impl_->options.uid + "/talbum/index"; }

std::string Replica::url(const std::string& path) const {
  return baseUrl() + (path.empty() || path[0] != '/' ? path : path.substr(1));
}

std::vector<RecordedRequest> Replica::requests() const {
  auto res = impl_->control->Get("/_control/requests");
  if (!res || res->status != 200) throw std::runtime_error("replica: cannot read requests");
  return parseRequests(res->body);
}

void Replica::clearRequests() { impl_->post("/_control/clear"); }

void Replica::setFault(const std::string& path, const std::string& kind) {
  setFault(path, kind, 2000);
}

void Replica::setFault(const std::string& path, const std::string& kind, int stallMs) {
  impl_->post("/_control/fault?path=" + httplib::detail::encode_query_param(path) +
              "&kind=" + httplib::detail::encode_query_param(kind) +
              "&ms=" + std::to_string(stallMs));
}

void Replica::clearFaults() { impl_->post("/_control/clearfaults"); }

std::string Replica::largeImage(int n) const {
  return replica::imageBytes(n, replica::ImageKind::Large,
                             static_cast<size_t>(std::max(0, impl_->options.imageBytes)));
}

std::string Replica::previewImage(int n) const {
  return replica::imageBytes(n, replica::ImageKind::Preview,
                             static_cast<size_t>(std::max(0, impl_->options.imageBytes)));
}

std::string Replica::testBytes(size_t n, unsigned seed) { return replica::patternBytes(n, seed); }

long long Replica::photoId(int n) { return 4000000000LL + n; }

std::string Replica::loginCookieName() { return replica::kLoginCookieName; }
std::string Replica::loginCookieValue() { return replica::kLoginCookieValue; }

std::string Replica::testCertificatePath() { return sourceDir() + "/tests/data/replica-cert.pem"; }

}  // namespace velmorin::testing
