#pragma once
// The photo service's album endpoints: the JSON listing, the photo detail page, the
// large-image page, the images themselves and a login page that sets the session cookies.
#include <httplib.h>

#include <atomic>
#include <cstddef>
#include <string>

namespace velmorin::replica {

struct AlbumConfig {
  int photos = 65;
  std::string uid = "1234567890";
  std::string albumId = "3550000000";
  bool requireLogin = false;
  std::size_t imageBytes = 0;  // 0 = the default sizes of image_bytes.h
  std::string origin;          // "http://127.0.0.1:PORT", the host the pages point at
};

class AlbumPages {
 public:
  explicit AlbumPages(AlbumConfig config) : config_(std::move(config)) {}
  // Answers the request when its path is one of the album's endpoints; false otherwise.
  bool serve(const httplib::Request& req, httplib::Response& res);

  static long long photoId(int n) { return 4000000000LL + n; }

 private:
  void listing(const httplib::Request& req, httplib::Response& res, bool loggedIn);
  void detail(const std::string& uid, const std::string& photo, httplib::Response& res,
              bool loggedIn);
  void large(const std::string& uid, const std::string& photo, const std::string& album,
             httplib::Response& res, bool loggedIn);
  void login(const httplib::Request& req, httplib::Response& res);
  // The photo number of a photo id of this album, or 0.
  int photoNumber(const std::string& id) const;
  void setRotatingCookie(httplib::Response& res);

  AlbumConfig config_;
  std::atomic<long> answers_{0};
};

}  // namespace velmorin::replica
