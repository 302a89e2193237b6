#include "support/cookie_home.h"

#include <cstdlib>
#include <filesystem>

#include "platform/cookie_store.h"

namespace velmorin::testing {

CookieHome::CookieHome() {
  std::string pattern = (std::filesystem::temp_directory_path() / "velmorin-cookies-XXXXXX").string();
  dir_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
  if (const char* old = std::getenv("XDG_DATA_HOME")) {
    saved_ = old;
    hadSaved_ = true;
  }
  setenv("XDG_DATA_HOME", dir_.c_str(), 1);
  CookieStore::instance().reload();
}

CookieHome::~CookieHome() {
  if (hadSaved_) setenv("XDG_DATA_HOME", saved_.c_str(), 1);
  else unsetenv("XDG_DATA_HOME");
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
  CookieStore::instance().reload();
}

}  // namespace velmorin::testing
