// The internet session layer over libcurl. The exchange runs inside send(); the body is
// kept in blocks that read() hands out and frees, so a response is in memory once.
// Easy handles are pooled: each keeps its live connections and TLS sessions, so
// consecutive requests to one server reuse them.
#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/cookie_store.h"
#include "platform/proxy_list.h"
#include "platform/internet_session.h"

namespace velmorin {
namespace {

constexpr size_t kBlock = 64 * 1024;
constexpr size_t kIdleHandles = 8;

struct Session : InternetObject {
  Text agent;
  InternetAccess access = InternetAccess::direct;
  Text proxy;
};

struct Connection : InternetObject {
  Session session;  // a copy, so closing the session first cannot leave it dangling
  Text host;
  int port = 0;
};

struct Request : InternetObject {
  CURL* easy = nullptr;
  Connection connection;
  Text verb, path, version;
  std::uint32_t flags = 0;

  std::string headers;  // the latest response's header block
  bool sawSetCookie = false;
  std::deque<std::vector<std::uint8_t>> blocks;
  size_t frontOffset = 0;
  std::uint64_t received = 0;
  bool tooLarge = false;
  bool headWithBody = false, headDone = false, follows = false;
  bool performed = false;
  CURLcode result = CURLE_OK;
  long status = 0;
  ~Request() override;
};

class HandlePool {
 public:
  CURL* take() {
    {
      std::lock_guard lock(mutex_);
      if (!idle_.empty()) {
        CURL* easy = idle_.back();
        idle_.pop_back();
        return easy;
      }
    }
    return curl_easy_init();
  }
  void give(CURL* easy) {
    curl_easy_setopt(easy, CURLOPT_SHARE, nullptr);
    curl_easy_reset(easy);  // keeps the connections and the TLS session cache
    {
      std::lock_guard lock(mutex_);
      if (idle_.size() < kIdleHandles) {
        idle_.push_back(easy);
        return;
      }
    }
    curl_easy_cleanup(easy);
  }

 private:
  std::mutex mutex_;
  std::vector<CURL*> idle_;
};

// Body blocks handed back by read(), kept per thread for the next body.
std::vector<std::vector<std::uint8_t>>& spareBlocks() {
  thread_local std::vector<std::vector<std::uint8_t>> spare;
  return spare;
}

std::vector<std::uint8_t> newBlock() {
  auto& spare = spareBlocks();
  if (spare.empty()) {
    std::vector<std::uint8_t> block;
    block.reserve(kBlock);
    return block;
  }
  std::vector<std::uint8_t> block = std::move(spare.back());
  spare.pop_back();
  return block;
}

void recycle(std::vector<std::uint8_t>&& block) {
  auto& spare = spareBlocks();
  if (spare.size() < 4) {
    block.clear();
    spare.push_back(std::move(block));
  }
}

HandlePool& pool() {
  static HandlePool instance;
  return instance;
}

Request::~Request() {
  if (easy != nullptr) pool().give(easy);
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
  auto* r = static_cast<Request*>(user);
  const size_t n = size * count;
  r->received += n;
  if (r->received > kInternetMaxBody) {
    r->tooLarge = true;
    r->blocks.clear();
    return 0;  // aborts the transfer
  }
  for (size_t done = 0; done < n;) {
    if (r->blocks.empty() || r->blocks.back().size() == kBlock) r->blocks.push_back(newBlock());
    auto& block = r->blocks.back();
    const size_t take = std::min(n - done, kBlock - block.size());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data) + done;
    block.insert(block.end(), bytes, bytes + take);
    done += take;
  }
  return n;
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
  auto* r = static_cast<Request*>(user);
  const size_t n = size * count;
  std::string_view line(data, n);
  if (line.rfind("HTTP/", 0) == 0) r->headers.clear();  // a new response (after a redirect)
  r->headers.append(line);
  if (line.size() > 11 && strncasecmp(data, "set-cookie:", 11) == 0) r->sawSetCookie = true;
  if (r->headWithBody && line == "\r\n") {
    // libcurl would wait for the body a HEAD answer announces but never sends: stop at the
    // end of the final header block instead.
    const long status = std::strtol(r->headers.c_str() + r->headers.find(' ') + 1, nullptr, 10);
    const bool followed = status >= 300 && status < 400 && r->follows;
    if (status >= 200 && !followed) {
      r->headDone = true;
      return 0;
    }
  }
  return n;
}

class CurlInternetSession final : public InternetSession {
 public:
  CurlInternetSession() { curl_global_init(CURL_GLOBAL_DEFAULT); }

  InternetHandle open(const Text& agent, InternetAccess access, const Text& proxy) override {
    auto* s = new Session;
    s->agent = agent;
    s->access = access;
    s->proxy = proxy;
    return s;
  }

  InternetHandle connect(InternetHandle session, const Text& host, int port) override {
    auto* s = dynamic_cast<Session*>(session);
    if (s == nullptr || host.empty() || port <= 0 || port > 65535) return nullptr;
    auto* c = new Connection;
    c->session = *s;
    c->host = host;
    c->port = port;
    return c;
  }

  InternetHandle openRequest(InternetHandle connection, const Text& verb, const Text& path,
                             const Text& version, std::uint32_t flags) override {
    auto* c = dynamic_cast<Connection*>(connection);
    if (c == nullptr || verb.empty()) return nullptr;
    CURL* easy = pool().take();
    if (easy == nullptr) return nullptr;
    auto* r = new Request;
    r->easy = easy;
    r->connection = *c;
    r->verb = verb;
    r->path = path.empty() ? "/" : path;
    r->version = version;
    r->flags = flags;
    return r;
  }

  bool send(InternetHandle request, const Text& headers, const Bytes& body) override {
    auto* r = dynamic_cast<Request*>(request);
    if (r == nullptr || r->performed) return false;
    r->performed = true;
    CURL* e = r->easy;
    const bool secure = (r->flags & kInternetFlagSecure) != 0;
    const std::string scheme = secure ? "https" : "http";
    const std::string url = scheme + "://" + r->connection.host + ":" +
                            std::to_string(r->connection.port) +
                            (r->path[0] == '/' ? "" : "/") + r->path;
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_USERAGENT, r->connection.session.agent.c_str());
    const std::string proxy = r->connection.session.access == InternetAccess::proxy
                                  ? proxyForScheme(r->connection.session.proxy, scheme)
                                  : std::string();
    curl_easy_setopt(e, CURLOPT_PROXY, proxy.c_str());  // "" also ignores *_proxy variables
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION,
                     r->version == "HTTP/1.0" ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, 60L);

    // Redirects: at most 10, http/https only; an https request never drops to http, and an
    // http request goes over to https only when the caller allows it.
    r->follows = (r->flags & kInternetFlagNoAutoRedirect) == 0;
    if (r->follows) {
      curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
      curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
      const char* allowed = secure ? "https"
                            : (r->flags & kInternetFlagIgnoreRedirectToHttps) ? "http,https"
                                                                                : "http";
      curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, allowed);
    }

    // The store's jar when cookies are wanted; otherwise no jar at all. A Cookie line in
    // the header list is never sent to another host on a redirect.
    if ((r->flags & kInternetFlagNoCookies) == 0) {
      curl_easy_setopt(e, CURLOPT_SHARE, CookieStore::instance().share());
      curl_easy_setopt(e, CURLOPT_COOKIEFILE, "");
    } else {
      curl_easy_setopt(e, CURLOPT_SHARE, nullptr);
    }

    curl_slist* list = nullptr;
    for (size_t start = 0; start < headers.size();) {
      size_t end = headers.find("\r\n", start);
      if (end == std::string::npos) end = headers.size();
      if (end > start) list = curl_slist_append(list, headers.substr(start, end - start).c_str());
      start = end + 2;
    }
    list = curl_slist_append(list, "Expect:");
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, list);

    if (r->verb == "GET") {
      curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    } else if (r->verb == "HEAD" && body.empty()) {
      curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    } else {
      // The body goes out whatever the verb; a HEAD answer is read without a body.
      r->headWithBody = r->verb == "HEAD";
      curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
      curl_easy_setopt(e, CURLOPT_POSTFIELDS, body.empty() ? "" : reinterpret_cast<const char*>(body.data()));
      if (r->verb != "POST") curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, r->verb.c_str());
    }

    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, r);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, r);

    r->result = curl_easy_perform(e);
    if (r->headDone && r->result == CURLE_WRITE_ERROR) r->result = CURLE_OK;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &r->status);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(list);
    if (r->sawSetCookie && (r->flags & kInternetFlagNoCookies) == 0)
      CookieStore::instance().cookiesChangedByTransfer();
    return r->result == CURLE_OK;
  }

  bool read(InternetHandle request, std::uint8_t* buffer, std::uint32_t size,
            std::uint32_t* bytesRead) override {
    *bytesRead = 0;
    auto* r = dynamic_cast<Request*>(request);
    if (r == nullptr || !r->performed || r->tooLarge) return false;
    while (*bytesRead < size && !r->blocks.empty()) {
      auto& front = r->blocks.front();
      const size_t take = std::min<size_t>(size - *bytesRead, front.size() - r->frontOffset);
      std::memcpy(buffer + *bytesRead, front.data() + r->frontOffset, take);
      *bytesRead += static_cast<std::uint32_t>(take);
      r->frontOffset += take;
      if (r->frontOffset == front.size()) {
        recycle(std::move(front));
        r->blocks.pop_front();
        r->frontOffset = 0;
      }
    }
    return true;
  }

  bool queryRawHeaders(InternetHandle request, char* buffer, std::uint32_t* size) override {
    auto* r = dynamic_cast<Request*>(request);
    if (r == nullptr || r->headers.empty()) return false;
    const size_t needed = r->headers.size() + 1;
    if (needed > *size) {
      *size = static_cast<std::uint32_t>(needed);
      return false;
    }
    std::memcpy(buffer, r->headers.c_str(), needed);
    *size = static_cast<std::uint32_t>(r->headers.size());
    return true;
  }

  TransferOutcome outcome(InternetHandle request) override {
    auto* r = dynamic_cast<Request*>(request);
    if (r == nullptr) return {};
    return {static_cast<int>(r->status), r->performed && r->result == CURLE_OK && !r->tooLarge};
  }

  bool close(InternetHandle handle) override {
    if (handle == nullptr) return false;
    delete handle;
    return true;
  }
};

}  // namespace

InternetSession& internetSession() {
  static CurlInternetSession layer;
  return layer;
}

}  // namespace velmorin
