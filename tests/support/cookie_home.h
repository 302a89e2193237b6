#pragma once
// Points XDG_DATA_HOME at a fresh temporary folder and empties the per-user cookie store
// for one test; restores both afterwards.
#include <string>

#include "support/recording_runtime.h"

namespace velmorin::testing {

class CookieHome {
 public:
  CookieHome();
  ~CookieHome();
  CookieHome(const CookieHome&) = delete;
  CookieHome& operator=(const CookieHome&) = delete;

  const std::string& dataHome() const { return dir_.path(); }
  std::string cookieFile() const { return dir_.path() + "/velmorin/cookies.txt"; }

 private:
  TempDir dir_;
  std::string saved_;
  bool hadSaved_ = false;
};

}  // namespace velmorin::testing
