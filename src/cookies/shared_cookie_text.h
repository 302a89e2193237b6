#pragma once
// A cookie text that several threads read and replace: the walks' request engines, the
// login capture on the window thread, and the exit routine.
#include <functional>
#include <mutex>

#include "text/text_types.h"

namespace velmorin {

class SharedCookieText {
 public:
  // A complete copy of the current text.
  Text read() const;
  // Replaces the whole text.
  void replace(Text text);
  // One atomic read-modify-write (for the engines' merges). Never call it around network
  // I/O: the lock is held while change runs.
  void update(const std::function<void(Text&)>& change);

 private:
  mutable std::mutex mutex_;
  Text text_;
};

// The process-wide session cookie text: empty at start, filled by the login capture, sent
// and merged by the album requests, released by the exit routine.
SharedCookieText& sessionCookie();

// Where a request engine takes its caller's cookie text from and merges the answer's
// cookies into: not supplied, a local Text, or a shared text such as sessionCookie().
class CookieRef {
 public:
  CookieRef() = default;  // not supplied
  CookieRef(Text& local) : local_(&local) {}  // NOLINT: implicit on purpose
  CookieRef(SharedCookieText& shared) : shared_(&shared) {}  // NOLINT

  bool supplied() const { return local_ != nullptr || shared_ != nullptr; }
  // The current text (empty when not supplied).
  Text read() const;
  // Applies change atomically to the caller's text; nothing when not supplied.
  void update(const std::function<void(Text&)>& change) const;

 private:
  Text* local_ = nullptr;
  SharedCookieText* shared_ = nullptr;
};

}  // namespace velmorin
