#include "support/album_setup.h"

#include <cstdlib>
#include <filesystem>

namespace velmorin::testing {

AlbumSetup::AlbumSetup(Replica::Options options) : replica_(options) {
  ::setenv("VELMORIN_ALBUM_BASE", replica_.baseUrl().c_str(), 1);
  ::setenv("XDG_DATA_HOME", (home_.path() + "/data").c_str(), 1);
  std::filesystem::create_directory(runDir_.path() + "/新浪图片");
  std::filesystem::create_directory(originalsFolder());
  std::filesystem::create_directory(previewsFolder());
}

std::string AlbumSetup::originalsFolder() const { return runDir_.path() + "/新浪图片/原图"; }
std::string AlbumSetup::previewsFolder() const { return runDir_.path() + "/新浪图片/预览图"; }
std::string AlbumSetup::original(int n) const {
  return originalsFolder() + "/" + std::to_string(n) + ".jpg";
}
std::string AlbumSetup::preview(int n) const {
  return previewsFolder() + "/" + std::to_string(n) + ".jpg";
}

std::string AlbumSetup::loginPair() {
  return Replica::loginCookieName() + "=" + Replica::loginCookieValue();
}

}  // namespace velmorin::testing
