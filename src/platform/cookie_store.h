#pragma once
// The per-user cookie store shared by the file engine, the login browser and the login
// capture. Persistent cookies live in $XDG_DATA_HOME/velmorin/cookies.txt (default
// ~/.local/share/velmorin/), Netscape format with "#HttpOnly_", mode 0600, rewritten
// atomically; session cookies live in memory until the process ends. Thread-safe.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include <curl/curl.h>

#include "text/text_types.h"

namespace velmorin {

struct StoredCookie {
  Text name{};
  Text value{};
  Text domain{};         // "host" = that host only; ".example.com" = it and its subdomains
  Text path = "/";
  std::int64_t expires = 0;  // seconds since 1970 UTC; 0 = session cookie
  bool secure = false;
  bool httpOnly = false;
};

class CookieStore {
 public:
  // The process-wide store, loaded from the cookie file on first use.
  static CookieStore& instance();

  // Adds or replaces the cookie of that name, domain and path; an expiry in the past
  // removes it. Persistent changes reach the file before the call returns.
  void add(const StoredCookie& cookie);
  void remove(const Text& name, const Text& domain, const Text& path);
  // Every live cookie.
  std::vector<StoredCookie> cookies() const;

  // The cookies that apply to address (scheme, host and path; the port is ignored), as
  // pairs name=value joined by "; ", longest path first; only the cookie `name` when it
  // is not empty; HttpOnly cookies only when includeHttpOnly; secure ones only for https.
  // Writes the text and a zero byte into buffer. Fails when no cookie applies or when
  // text and zero byte do not fit in *size bytes (then *size = bytes needed).
  bool read(const Text& address, const Text& name, bool includeHttpOnly, char* buffer,
            std::uint32_t* size) const;

  // Forgets every cookie (session ones too) and loads the file again from the current
  // environment: for tests and for a new user profile.
  void reload();
  // Where the persistent cookies are kept, from the current environment.
  static std::string filePath();

  // For the transfer layer: the libcurl share whose cookie jar this store is, and the
  // note that a response set cookies through it (so the file is brought up to date).
  CURLSH* share() const { return share_; }
  void cookiesChangedByTransfer();

  CookieStore(const CookieStore&) = delete;
  CookieStore& operator=(const CookieStore&) = delete;

 private:
  CookieStore();
  ~CookieStore();
  std::vector<std::string> netscapeLines() const;  // caller holds mutex_
  void apply(const std::string& line);             // caller holds mutex_
  std::string persistentText() const;              // caller holds mutex_
  void save();                                     // caller holds mutex_
  void load();                                     // caller holds mutex_

  CURLSH* share_ = nullptr;
  void* control_ = nullptr;  // an easy handle attached to share_, for list operations
  std::string savedText_;  // what the file holds as far as this process knows
  mutable std::mutex mutex_;
};

}  // namespace velmorin
