// The HTTP session layer over libcurl. Session and connection handles only remember what
// they were opened with; a request handle collects its settings and runs the whole exchange
// (redirects included) when it is sent, buffering the final response for the reads.
//
// Speed: each thread keeps two easy handles that it reuses (curl_easy_reset keeps live
// connections and TLS sessions), and all handles share DNS and TLS-session caches, so
// repeated requests to one server neither reconnect nor reload the CA store.
// Safety: only http and https, also on redirects; at most kMaxRedirects redirects; the
// caller's Cookie line travels in the header list, which libcurl drops on a redirect to
// another host; bodies over kMaxResponseBody fail; peers are always verified.
#include "platform/curl_http_session.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/codepage.h"
#include "platform/proxy_list.h"
#include "platform/http_session.h"

namespace velmorin {
namespace {

std::string unitsToUtf8(std::u16string_view units) { return utf16ToCharset(units, "UTF-8"); }

std::u16string utf8ToUnits(std::string_view utf8) { return charsetToUtf16(utf8, "UTF-8"); }

std::string lowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Bytes a request line cannot carry as they are (blanks, controls, non-ASCII) as %XX.
std::string escapeObjectName(const std::string& utf8) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : utf8) {
    if (c <= 0x20 || c >= 0x7F) {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 0xF];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// ---- the shared DNS and TLS-session caches --------------------------------------------

struct Share {
  CURLSH* handle = nullptr;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;

  Share() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    handle = curl_share_init();
    curl_share_setopt(handle, CURLSHOPT_LOCKFUNC, &Share::lock);
    curl_share_setopt(handle, CURLSHOPT_UNLOCKFUNC, &Share::unlock);
    curl_share_setopt(handle, CURLSHOPT_USERDATA, this);
    curl_share_setopt(handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_share_setopt(handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
  }
  static void lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<Share*>(self)->locks[data].lock();
  }
  static void unlock(CURL*, curl_lock_data data, void* self) {
    static_cast<Share*>(self)->locks[data].unlock();
  }
};

// Never destroyed: easy handles of detached threads may still point at it at exit.
Share& share() {
  static Share* instance = new Share();
  return *instance;
}

// Per thread: one handle whose cookie engine is on (cleared before every request) and one
// that never had a cookie engine, so a request without cookie handling cannot pick any up.
struct ThreadHandles {
  CURL* withCookies = nullptr;
  CURL* withoutCookies = nullptr;
  ~ThreadHandles() {
    if (withCookies) curl_easy_cleanup(withCookies);
    if (withoutCookies) curl_easy_cleanup(withoutCookies);
  }
  CURL* get(bool cookies) {
    CURL*& slot = cookies ? withCookies : withoutCookies;
    if (slot == nullptr) {
      slot = curl_easy_init();
      if (slot) curl_easy_setopt(slot, CURLOPT_SHARE, share().handle);
    } else {
      curl_easy_reset(slot);  // keeps connections, TLS sessions and the share
    }
    return slot;
  }
};

CURL* threadHandle(bool cookies) {
  thread_local ThreadHandles handles;
  return handles.get(cookies);
}

// ---- handle objects -------------------------------------------------------------------

struct Object {
  enum class Kind { Session, Connection, Request } kind;
  explicit Object(Kind k) : kind(k) {}
  virtual ~Object() = default;
};

struct SessionObject : Object {
  SessionObject() : Object(Kind::Session) {}
  std::string proxyList;  // UTF-8; empty: no proxy
};

struct ConnectionObject : Object {
  ConnectionObject() : Object(Kind::Connection) {}
  std::string proxyList;
  std::string host;
  int port = 0;
};

enum class Stage { Open, SendFailed, ReceiveFailed, Received };

struct RequestObject : Object {
  RequestObject() : Object(Kind::Request) {}
  // settings
  std::string proxyList, host, verb, object;
  int port = 0;
  bool secure = false;
  int timeouts[4] = {0, 0, 0, 0};  // ms: resolve, connect, send, receive (0: library default)
  std::string user, password, proxyUser, proxyPassword;
  bool hasServerCredentials = false, hasProxyCredentials = false;
  bool cookies = true, redirects = true;
  std::vector<std::pair<std::string, std::string>> headers;  // lower-case name, full line
  Bytes body;
  // response
  Stage stage = Stage::Open;
  std::string headerBlock;  // of the last response seen
  bool headerBlockComplete = false;
  bool anyHeader = false;
  long lastStatus = 0;
  bool lastHasLocation = false;
  std::deque<std::string> chunks;
  size_t chunkOffset = 0;
  size_t bodyBytes = 0;
  bool tooLarge = false;
  bool bodyFailed = false;
};

std::mutex tableMutex;
std::unordered_map<HttpHandle, std::unique_ptr<Object>> table;
std::atomic<HttpHandle> nextHandle{1};

HttpHandle store(std::unique_ptr<Object> object) {
  HttpHandle h = nextHandle++;
  std::lock_guard lock(tableMutex);
  table.emplace(h, std::move(object));
  return h;
}

template <class T>
T* find(HttpHandle h, Object::Kind kind) {
  std::lock_guard lock(tableMutex);
  auto it = table.find(h);
  if (it == table.end() || it->second->kind != kind) return nullptr;
  return static_cast<T*>(it->second.get());
}

RequestObject* findRequest(HttpHandle h) {
  return find<RequestObject>(h, Object::Kind::Request);
}

size_t onHeader(char* data, size_t size, size_t count, void* self) {
  auto* r = static_cast<RequestObject*>(self);
  std::string line(data, size * count);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  r->anyHeader = true;
  if (line.compare(0, 5, "HTTP/") == 0) {  // a new response (redirect or interim) begins
    r->headerBlock.clear();
    r->headerBlockComplete = false;
    r->lastHasLocation = false;
    size_t blank = line.find(' ');
    r->lastStatus = blank == std::string::npos ? 0 : std::atol(line.c_str() + blank + 1);
  } else if (line.empty()) {
    r->headerBlockComplete = true;
  } else if (lowerAscii(line.substr(0, 9)) == "location:") {
    r->lastHasLocation = true;
  }
  r->headerBlock += line;
  r->headerBlock += "\r\n";
  return size * count;
}

size_t onBody(char* data, size_t size, size_t count, void* self) {
  auto* r = static_cast<RequestObject*>(self);
  size_t n = size * count;
  if (r->bodyBytes + n > kMaxResponseBody) {
    r->tooLarge = true;
    return 0;  // ends the transfer with a write error
  }
  r->bodyBytes += n;
  r->chunks.emplace_back(data, n);
  return n;
}

bool failedBeforeSending(CURLcode rc) {
  switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SEND_ERROR:
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return true;
    default:
      return false;
  }
}

bool isFollowedStatus(long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

void perform(RequestObject& r) {
  CURL* curl = threadHandle(r.cookies);
  if (curl == nullptr) {
    r.stage = Stage::SendFailed;
    return;
  }
  std::string url = (r.secure ? "https://" : "http://") + r.host + ":" +
                    std::to_string(r.port) + r.object;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, r.redirects ? 1L : 0L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
  if (const char* ca = std::getenv("VELMORIN_CA_FILE"); ca != nullptr && *ca != '\0')
    curl_easy_setopt(curl, CURLOPT_CAINFO, ca);

  std::string proxy = proxyForScheme(r.proxyList, r.secure ? "https" : "http");
  std::string proxyUrl = proxy.empty() ? std::string() : "http://" + proxy;
  curl_easy_setopt(curl, CURLOPT_PROXY, proxyUrl.c_str());  // "" also ignores *_proxy
  curl_easy_setopt(curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  if (r.hasProxyCredentials) {
    curl_easy_setopt(curl, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, r.proxyUser.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, r.proxyPassword.c_str());
  }
  if (r.hasServerCredentials) {
    curl_easy_setopt(curl, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(curl, CURLOPT_USERNAME, r.user.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, r.password.c_str());
  }
  if (r.cookies) {
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");      // cookie engine on, in memory
    curl_easy_setopt(curl, CURLOPT_COOKIELIST, "ALL");   // nothing from an earlier request
  }

  // Time-outs: resolving and connecting share one budget; sending and receiving fail when
  // no byte moves for the longer of the two.
  long connectMs = static_cast<long>(r.timeouts[0]) + r.timeouts[1];
  if (connectMs > 0) curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connectMs);
  int stallMs = std::max(r.timeouts[2], r.timeouts[3]);
  if (stallMs > 0) {
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>((stallMs + 999) / 1000));
  }

  const std::string& verb = r.verb;
  if (verb == "HEAD") {
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  } else if (verb == "GET" && r.body.empty()) {
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  } else {
    if (verb == "POST") curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, reinterpret_cast<const char*>(r.body.data()));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(r.body.size()));
    if (verb != "POST") curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, verb.c_str());
  }

  curl_slist* list = nullptr;
  for (const auto& [name, line] : r.headers) list = curl_slist_append(list, line.c_str());
  list = curl_slist_append(list, "Expect:");  // no 100-continue round trip
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);

  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &onHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &r);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &onBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &r);

  CURLcode rc = curl_easy_perform(curl);
  curl_slist_free_all(list);

  if (rc == CURLE_OK) {
    r.stage = Stage::Received;
    return;
  }
  bool finalResponse = r.headerBlockComplete &&
                       !(r.redirects && isFollowedStatus(r.lastStatus) && r.lastHasLocation);
  if (finalResponse) {
    r.stage = Stage::Received;
    r.bodyFailed = true;  // cut short, stalled or too large
  } else if (!r.anyHeader && failedBeforeSending(rc)) {
    r.stage = Stage::SendFailed;
  } else if (!r.anyHeader && rc == CURLE_OPERATION_TIMEDOUT) {
    curl_off_t connected = 0;
    curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connected);
    r.stage = connected == 0 ? Stage::SendFailed : Stage::ReceiveFailed;
  } else {
    r.stage = Stage::ReceiveFailed;
  }
}

class CurlHttpSessionLayer final : public HttpSessionLayer {
 public:
  bool checkPlatform() override {
    share();
    curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    return info != nullptr && (info->features & CURL_VERSION_SSL) != 0;
  }

  bool crackUrl(std::u16string_view url, CrackedUrl& parts) override {
    std::string text = unitsToUtf8(url);
    if (text.empty()) return false;
    CURLU* u = curl_url();
    bool ok = curl_url_set(u, CURLUPART_URL, text.c_str(),
                           CURLU_PATH_AS_IS | CURLU_ALLOW_SPACE | CURLU_NON_SUPPORT_SCHEME) ==
              CURLUE_OK;
    char* scheme = nullptr;
    char* host = nullptr;
    char* port = nullptr;
    char* path = nullptr;
    char* query = nullptr;
    char* fragment = nullptr;
    if (ok) {
      ok = curl_url_get(u, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
           curl_url_get(u, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
           curl_url_get(u, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK &&
           curl_url_get(u, CURLUPART_PATH, &path, 0) == CURLUE_OK;
    }
    std::string lowerScheme = ok ? lowerAscii(scheme) : std::string();
    ok = ok && (lowerScheme == "http" || lowerScheme == "https") && host[0] != '\0';
    if (ok) {
      curl_url_get(u, CURLUPART_QUERY, &query, 0);
      curl_url_get(u, CURLUPART_FRAGMENT, &fragment, 0);
      parts.secure = lowerScheme == "https";
      parts.host = utf8ToUnits(host);
      parts.port = std::atoi(port);
      // The library reports "/" for a URL without path; the path is empty when the
      // authority is followed directly by "?", "#" or the end.
      size_t authority = text.find("://") + 3;
      size_t next = text.find_first_of("/?#", authority);
      bool emptyPath = next == std::string::npos || text[next] != '/';
      parts.path = emptyPath ? std::u16string() : utf8ToUnits(path);
      std::string extra;
      if (query != nullptr) extra += "?" + std::string(query);
      if (fragment != nullptr) extra += "#" + std::string(fragment);
      parts.extra = utf8ToUnits(extra);
    }
    for (char* p : {scheme, host, port, path, query, fragment}) curl_free(p);
    curl_url_cleanup(u);
    return ok;
  }

  HttpHandle openSession(HttpAccess access, std::u16string_view proxyList) override {
    auto s = std::make_unique<SessionObject>();
    if (access == HttpAccess::NamedProxy) s->proxyList = unitsToUtf8(proxyList);
    return store(std::move(s));
  }

  HttpHandle connect(HttpHandle session, std::u16string_view host, int port) override {
    auto* s = find<SessionObject>(session, Object::Kind::Session);
    if (s == nullptr || host.empty() || port <= 0 || port > 65535) return 0;
    auto c = std::make_unique<ConnectionObject>();
    c->proxyList = s->proxyList;
    c->host = unitsToUtf8(host);
    c->port = port;
    return store(std::move(c));
  }

  HttpHandle openRequest(HttpHandle connection, std::u16string_view verb,
                         std::u16string_view objectName, bool secure) override {
    auto* c = find<ConnectionObject>(connection, Object::Kind::Connection);
    if (c == nullptr || verb.empty()) return 0;
    auto r = std::make_unique<RequestObject>();
    r->proxyList = c->proxyList;
    r->host = c->host;
    r->port = c->port;
    r->verb = unitsToUtf8(verb);
    std::string object = escapeObjectName(unitsToUtf8(objectName));
    r->object = object.empty() || object[0] != '/' ? "/" + object : object;
    r->secure = secure;
    return store(std::move(r));
  }

  bool setTimeouts(HttpHandle request, int resolveMs, int connectMs, int sendMs,
                   int receiveMs) override {
    auto* r = findRequest(request);
    if (r == nullptr || resolveMs < -1 || connectMs < -1 || sendMs < -1 || receiveMs < -1)
      return false;
    int values[4] = {resolveMs, connectMs, sendMs, receiveMs};
    for (int i = 0; i < 4; ++i) r->timeouts[i] = values[i] < 0 ? 0 : values[i];
    return true;
  }

  bool setCredentials(HttpHandle request, CredentialTarget target, std::u16string_view user,
                      std::u16string_view password) override {
    auto* r = findRequest(request);
    if (r == nullptr) return false;
    if (target == CredentialTarget::Server) {
      r->user = unitsToUtf8(user);
      r->password = unitsToUtf8(password);
      r->hasServerCredentials = true;
    } else {
      r->proxyUser = unitsToUtf8(user);
      r->proxyPassword = unitsToUtf8(password);
      r->hasProxyCredentials = true;
    }
    return true;
  }

  bool setOption(HttpHandle request, int option, std::uint32_t value) override {
    auto* r = findRequest(request);
    if (r == nullptr) return false;
    if (option == kOptionDisableFeature) {
      if (value & ~(kDisableCookies | kDisableRedirects)) return false;
      if (value & kDisableCookies) r->cookies = false;
      if (value & kDisableRedirects) r->redirects = false;
      return true;
    }
    // The OpenSSL backend fetches no revocation lists; the peer is verified against the CA
    // store either way, so the feature is accepted without further effect.
    if (option == kOptionEnableFeature) return value == kEnableRevocationCheck;
    return false;
  }

  bool addRequestHeaders(HttpHandle request, std::u16string_view block,
                         std::uint32_t modifiers) override {
    auto* r = findRequest(request);
    if (r == nullptr) return false;
    // Header bytes travel as code page 936, the form the program's texts have.
    Text text = fromUtf16(block);
    size_t i = 0;
    while (i < text.size()) {
      size_t end = text.find("\r\n", i);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(i, end - i);
      i = end + 2;
      if (line.empty()) continue;
      size_t colon = line.find(':');
      if (colon == std::string::npos || colon == 0) return false;
      std::string name = lowerAscii(line.substr(0, colon));
      while (!name.empty() && name.back() == ' ') name.pop_back();
      bool replaced = false;
      if (modifiers & kReplaceHeader) {
        for (auto& h : r->headers)
          if (h.first == name) {
            h.second = line;
            replaced = true;
            break;
          }
      }
      if (!replaced) {
        if (!(modifiers & kAddHeader) && (modifiers & kReplaceHeader)) continue;
        r->headers.emplace_back(name, line);
      }
    }
    return true;
  }

  bool sendRequest(HttpHandle request, const Bytes& body) override {
    auto* r = findRequest(request);
    if (r == nullptr || r->stage != Stage::Open) return false;
    r->body = body;
    perform(*r);
    r->body.clear();
    return r->stage != Stage::SendFailed;
  }

  bool receiveResponse(HttpHandle request) override {
    auto* r = findRequest(request);
    return r != nullptr && r->stage == Stage::Received;
  }

  bool queryDataAvailable(HttpHandle request, std::uint32_t& available) override {
    auto* r = findRequest(request);
    if (r == nullptr || r->stage != Stage::Received) return false;
    while (!r->chunks.empty() && r->chunkOffset >= r->chunks.front().size()) {
      r->chunks.pop_front();
      r->chunkOffset = 0;
    }
    if (!r->chunks.empty())
      available = static_cast<std::uint32_t>(r->chunks.front().size() - r->chunkOffset);
    else
      available = r->bodyFailed ? 1 : 0;  // the next read reports the broken body
    return true;
  }

  bool readData(HttpHandle request, std::uint8_t* buffer, std::uint32_t size,
                std::uint32_t& read) override {
    auto* r = findRequest(request);
    read = 0;
    if (r == nullptr || r->stage != Stage::Received) return false;
    while (read < size && !r->chunks.empty()) {
      const std::string& chunk = r->chunks.front();
      size_t n = std::min<size_t>(size - read, chunk.size() - r->chunkOffset);
      std::memcpy(buffer + read, chunk.data() + r->chunkOffset, n);
      read += static_cast<std::uint32_t>(n);
      r->chunkOffset += n;
      if (r->chunkOffset >= chunk.size()) {
        r->chunks.pop_front();
        r->chunkOffset = 0;
      }
    }
    return read > 0 || !r->bodyFailed;
  }

  bool queryRawHeaders(HttpHandle request, std::u16string& block) override {
    auto* r = findRequest(request);
    if (r == nullptr || r->stage != Stage::Received || r->headerBlock.empty()) return false;
    std::string raw = r->headerBlock;
    if (!r->headerBlockComplete) raw += "\r\n";
    block = toUtf16(raw);
    return true;
  }

  void closeHandle(HttpHandle handle) override {
    std::unique_ptr<Object> doomed;
    std::lock_guard lock(tableMutex);
    auto it = table.find(handle);
    if (it == table.end()) return;
    doomed = std::move(it->second);
    table.erase(it);
  }
};

}  // namespace

HttpSessionLayer& realHttpSessionLayer() {
  static CurlHttpSessionLayer layer;
  return layer;
}

}  // namespace velmorin
