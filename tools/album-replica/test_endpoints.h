#pragma once
// Endpoints under /test/ for exercising the request engines: echo, status pages, broken
// bodies, stalls, redirects, large headers, declared charsets, cookies, Basic auth, bytes.
#include <httplib.h>

#include <string>

#include "recording.h"

namespace velmorin::replica {

struct TestContext {
  std::string scheme;  // "http" or "https"
  int port = 0;
};

// Answers a /test/ request; false when the path is not one of them. `self` is the request
// as recorded (for the echo).
bool serveTestEndpoint(const httplib::Request& req, httplib::Response& res,
                       const Recorded& self, const TestContext& context);

// One line per endpoint, for --help.
const char* testEndpointsHelp();

}  // namespace velmorin::replica
