#pragma once
// Starts tools/album-replica on 127.0.0.1 (any free port) for one test and stops it again;
// reads what it received and switches its faults through its control endpoints.
#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace velmorin::testing {

struct RecordedRequest {
  std::string method;
  std::string target;  // path and query as received
  std::vector<std::pair<std::string, std::string>> headers;  // in arrival order
  std::string body;
  // The first header of that name (case-insensitive), or "" when absent.
  std::string header(const std::string& name) const;
  bool hasHeader(const std::string& name) const;
};

// Parses the replica's request-log text (GET /_control/requests, and the /test/echo body).
std::vector<RecordedRequest> parseRecordedRequests(const std::string& text);

class Replica {
 public:
  struct Options {
    int photos = 65;                 // photos in the album
    std::string uid = "1234567890";  // the album owner's user id
    std::string albumId = "3550000000";
    bool https = false;              // serve https with the test certificate
    bool requireLogin = false;       // album pages answer without photos unless logged in
    int imageBytes = 0;              // size of each image; 0 = small default
  };

  Replica();
  explicit Replica(Options options);
  ~Replica();
  Replica(const Replica&) = delete;
  Replica& operator=(const Replica&) = delete;

  int port() const;
  // "http://127.0.0.1:PORT/" (or https): the album base the program is pointed at.
  std::string baseUrl() const;
  // baseUrl() followed by `path` (a leading "/" is not doubled), e.g. url("/test/echo").
  std::string url(const std::string& path) const;
  // The album link a user would paste: baseUrl() + uid + "/talbum/index".
  std::string albumLink() const;

  // Every request received since start (or the last clearRequests), in order; the
  // replica's own control requests are not recorded.
  std::vector<RecordedRequest> requests() const;
  void clearRequests();

  // Switches a fault on for every request whose path is exactly `path` (e.g.
  // "/large/3.jpg"); kind is one of the replica's fault names (see its --help).
  void setFault(const std::string& path, const std::string& kind);
  // The same; a "stall" fault pauses stallMs (default 2000) between headers and body.
  void setFault(const std::string& path, const std::string& kind, int stallMs);
  void clearFaults();

  // The exact bytes the replica serves for photo n (1-based) under /large/ and /mw690/.
  std::string largeImage(int n) const;
  std::string previewImage(int n) const;

  // The bytes /test/bytes?n=N&seed=S serves.
  static std::string testBytes(size_t n, unsigned seed = 0);
  // The id of photo n (1-based) in listings, detail and large-image pages.
  static long long photoId(int n);
  // The self-signed certificate (for 127.0.0.1 and localhost) the https replica serves;
  // usable as the CA file of a verifying client.
  static std::string testCertificatePath();

  // Name and value of the login cookie the replica requires (when requireLogin).
  static std::string loginCookieName();
  static std::string loginCookieValue();

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace velmorin::testing
