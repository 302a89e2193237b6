#pragma once
// The log of requests the replica received, and its text form.
//
// Text form of one request (all lines end in "\n"):
//   request
//   method GET
//   target /path?query          (exactly as in the request line)
//   header Name: value          (one per header, in arrival order, value trimmed)
//   body N                      (N = byte count of the body)
//   <N body bytes>
//   end
// A list is the concatenation of such blocks, oldest first.
#include <httplib.h>

#include <string>
#include <utility>
#include <vector>

namespace velmorin::replica {

struct Recorded {
  std::string method;
  std::string target;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
};

// Builds the record from the raw bytes of the request (for header order), falling back on
// what httplib parsed when the raw text is not usable.
Recorded recordOf(const httplib::Request& req, const std::string& raw);
std::string serialise(const Recorded& r);

class RequestLog {
 public:
  void add(Recorded r);
  std::string serialised() const;
  void clear();

 private:
  mutable std::mutex mutex_;
  std::vector<Recorded> items_;
};

}  // namespace velmorin::replica
