#include "platform/cookie_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>

namespace velmorin {
namespace {

// libcurl serialises its cookie jar through these when several handles share it.
std::array<std::mutex, CURL_LOCK_DATA_LAST + 1>& shareMutexes() {
  static std::array<std::mutex, CURL_LOCK_DATA_LAST + 1> mutexes;
  return mutexes;
}
void lockShare(CURL*, curl_lock_data data, curl_lock_access, void*) {
  shareMutexes()[data].lock();
}
void unlockShare(CURL*, curl_lock_data data, void*) { shareMutexes()[data].unlock(); }

const std::string kHttpOnlyPrefix = "#HttpOnly_";

bool equalsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// One Netscape cookie line: domain, subdomains, path, secure, expiry, name, value.
bool parseLine(std::string line, StoredCookie* out, bool* subdomains) {
  StoredCookie c;
  if (line.rfind(kHttpOnlyPrefix, 0) == 0) {
    c.httpOnly = true;
    line.erase(0, kHttpOnlyPrefix.size());
  } else if (line.empty() || line[0] == '#') {
    return false;
  }
  std::vector<std::string> f;
  size_t start = 0;
  for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
    f.push_back(line.substr(start, tab - start));
  f.push_back(line.substr(start));
  if (f.size() != 7) return false;
  *subdomains = f[1] == "TRUE";
  c.domain = f[0];
  if (*subdomains && (c.domain.empty() || c.domain[0] != '.')) c.domain.insert(0, ".");
  c.path = f[2];
  c.secure = f[3] == "TRUE";
  c.expires = std::strtoll(f[4].c_str(), nullptr, 10);
  c.name = f[5];
  c.value = f[6];
  *out = std::move(c);
  return true;
}

std::string makeLine(const StoredCookie& c) {
  const bool subdomains = !c.domain.empty() && c.domain[0] == '.';
  return (c.httpOnly ? kHttpOnlyPrefix : "") + c.domain + '\t' + (subdomains ? "TRUE" : "FALSE") +
         '\t' + (c.path.empty() ? "/" : c.path) + '\t' + (c.secure ? "TRUE" : "FALSE") + '\t' +
         std::to_string(c.expires) + '\t' + c.name + '\t' + c.value;
}

bool live(const StoredCookie& c, std::int64_t now) { return c.expires == 0 || c.expires > now; }

bool domainMatches(const std::string& host, const StoredCookie& c, bool subdomains) {
  std::string_view domain = c.domain;
  if (!subdomains) return equalsNoCase(host, domain);
  domain.remove_prefix(1);  // the leading "."
  if (equalsNoCase(host, domain)) return true;
  return host.size() > domain.size() + 1 &&
         host[host.size() - domain.size() - 1] == '.' &&
         equalsNoCase(std::string_view(host).substr(host.size() - domain.size()), domain);
}

bool pathMatches(const std::string& requestPath, const std::string& cookiePath) {
  if (requestPath.compare(0, cookiePath.size(), cookiePath) != 0) return false;
  return requestPath.size() == cookiePath.size() || cookiePath.back() == '/' ||
         requestPath[cookiePath.size()] == '/';
}

struct Address {
  std::string scheme, host, path;
};

bool parseAddress(const Text& address, Address* out) {
  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> url(curl_url(), curl_url_cleanup);
  if (!url || curl_url_set(url.get(), CURLUPART_URL, address.c_str(), 0) != CURLUE_OK)
    return false;
  auto part = [&](CURLUPart which, std::string* to) {
    char* value = nullptr;
    if (curl_url_get(url.get(), which, &value, 0) != CURLUE_OK) return false;
    *to = value;
    curl_free(value);
    return true;
  };
  if (!part(CURLUPART_SCHEME, &out->scheme) || !part(CURLUPART_HOST, &out->host)) return false;
  if (!part(CURLUPART_PATH, &out->path) || out->path.empty()) out->path = "/";
  return true;
}

}  // namespace

CookieStore& CookieStore::instance() {
  static CookieStore store;
  return store;
}

CookieStore::CookieStore() {
  curl_global_init(CURL_GLOBAL_DEFAULT);
  share_ = curl_share_init();
  curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, lockShare);
  curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, unlockShare);
  curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
  control_ = curl_easy_init();
  curl_easy_setopt(control_, CURLOPT_SHARE, share_);
  std::lock_guard lock(mutex_);
  load();
}

CookieStore::~CookieStore() {
  curl_easy_cleanup(control_);
  curl_share_cleanup(share_);
}

std::string CookieStore::filePath() {
  const char* data = std::getenv("XDG_DATA_HOME");
  std::string base;
  if (data != nullptr && data[0] == '/') {
    base = data;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr ? home : "") + "/.local/share";
  }
  return base + "/velmorin/cookies.txt";
}

std::vector<std::string> CookieStore::netscapeLines() const {
  std::vector<std::string> lines;
  curl_slist* list = nullptr;
  if (curl_easy_getinfo(control_, CURLINFO_COOKIELIST, &list) != CURLE_OK) return lines;
  for (curl_slist* item = list; item != nullptr; item = item->next) lines.emplace_back(item->data);
  curl_slist_free_all(list);
  return lines;
}

void CookieStore::apply(const std::string& line) {
  curl_easy_setopt(control_, CURLOPT_COOKIELIST, line.c_str());
}

void CookieStore::load() {
  apply("ALL");
  std::ifstream in(filePath());
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    StoredCookie c;
    bool subdomains = false;
    if (parseLine(line, &c, &subdomains)) apply(line);
  }
  savedText_ = persistentText();
}

std::string CookieStore::persistentText() const {
  std::string text = "# Netscape HTTP Cookie File\n";
  const std::int64_t now = std::time(nullptr);
  for (const std::string& line : netscapeLines()) {
    StoredCookie c;
    bool subdomains = false;
    if (parseLine(line, &c, &subdomains) && c.expires != 0 && live(c, now)) text += line + '\n';
  }
  return text;
}

void CookieStore::save() {
  // Most answers change session cookies only: the file is rewritten when its text changes.
  std::string text = persistentText();
  if (text == savedText_) return;
  const std::string path = filePath();
  const std::string dir = path.substr(0, path.rfind('/'));
  for (size_t slash = 1; slash != std::string::npos; slash = dir.find('/', slash + 1))
    mkdir(dir.substr(0, slash).c_str(), 0700);
  mkdir(dir.c_str(), 0700);
  std::string temp = path + ".XXXXXX";
  const int fd = mkstemp(temp.data());  // created with mode 0600
  if (fd < 0) return;
  bool ok = true;
  for (size_t done = 0; ok && done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = ::fsync(fd) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return;
  }
  savedText_ = std::move(text);
}

void CookieStore::add(const StoredCookie& cookie) {
  std::lock_guard lock(mutex_);
  apply(makeLine(cookie));
  save();
}

void CookieStore::remove(const Text& name, const Text& domain, const Text& path) {
  std::lock_guard lock(mutex_);
  for (const std::string& line : netscapeLines()) {
    StoredCookie c;
    bool subdomains = false;
    if (!parseLine(line, &c, &subdomains) || c.name != name || !equalsNoCase(c.domain, domain) ||
        c.path != (path.empty() ? "/" : path))
      continue;
    c.expires = 1;  // libcurl drops a cookie replaced by an expired one
    apply(makeLine(c));
    save();
  }
}

std::vector<StoredCookie> CookieStore::cookies() const {
  std::lock_guard lock(mutex_);
  std::vector<StoredCookie> result;
  const std::int64_t now = std::time(nullptr);
  for (const std::string& line : netscapeLines()) {
    StoredCookie c;
    bool subdomains = false;
    if (parseLine(line, &c, &subdomains) && live(c, now)) result.push_back(std::move(c));
  }
  return result;
}

bool CookieStore::read(const Text& address, const Text& name, bool includeHttpOnly,
                       char* buffer, std::uint32_t* size) const {
  Address where;
  if (!parseAddress(address, &where)) return false;
  const bool https = equalsNoCase(where.scheme, "https");
  const std::int64_t now = std::time(nullptr);

  std::vector<StoredCookie> found;
  for (const std::string& line : [&] {
         std::lock_guard lock(mutex_);
         return netscapeLines();
       }()) {
    StoredCookie c;
    bool subdomains = false;
    if (!parseLine(line, &c, &subdomains) || !live(c, now)) continue;
    if ((c.secure && !https) || (c.httpOnly && !includeHttpOnly)) continue;
    if (!name.empty() && c.name != name) continue;
    if (domainMatches(where.host, c, subdomains) && pathMatches(where.path, c.path))
      found.push_back(std::move(c));
  }
  if (found.empty()) return false;
  std::stable_sort(found.begin(), found.end(), [](const StoredCookie& a, const StoredCookie& b) {
    return a.path.size() > b.path.size();
  });
  std::string text;
  for (const StoredCookie& c : found) {
    if (!text.empty()) text += "; ";
    text += c.name + '=' + c.value;
  }
  if (text.size() + 1 > *size) {
    *size = static_cast<std::uint32_t>(text.size() + 1);
    return false;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  *size = static_cast<std::uint32_t>(text.size());
  return true;
}

void CookieStore::reload() {
  std::lock_guard lock(mutex_);
  load();
}

void CookieStore::cookiesChangedByTransfer() {
  std::lock_guard lock(mutex_);
  save();
}

}  // namespace velmorin
