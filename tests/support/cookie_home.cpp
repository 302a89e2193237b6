#include "support/cookie_home.h"

#include <cstdlib>

#include "platform/cookie_store.h"

namespace velmorin::testing {

CookieHome::CookieHome() {
  if (const char* old = std::getenv("XDG_DATA_HOME")) {
    saved_ = old;
    hadSaved_ = true;
  }
  setenv("XDG_DATA_HOME", dir_.path().c_str(), 1);
  CookieStore::instance().reload();
}

CookieHome::~CookieHome() {
  if (hadSaved_) setenv("XDG_DATA_HOME", saved_.c_str(), 1);
  else unsetenv("XDG_DATA_HOME");
  CookieStore::instance().reload();
}

}  // namespace velmorin::testing
