#pragma once
// A scripted internet session layer: records every call and answers from its script.
#include <string>
#include <vector>

#include "platform/internet_session.h"

namespace velmorin::testing {

class FakeInternetSession : public InternetSession {
 public:
  // Script
  bool failOpen = false, failConnect = false, failOpenRequest = false;
  std::string body;                 // served by read()
  std::string rawHeaders = "HTTP/1.1 200 OK\r\n\r\n";  // served by queryRawHeaders()
  TransferOutcome result{200, true};

  // Record
  struct Call {
    std::string agent, proxy, host, verb, path, version, headers;
    InternetAccess access = InternetAccess::direct;
    int port = 0;
    std::uint32_t flags = 0;
    Bytes sent;
    bool sendCalled = false;
  } call;
  std::vector<std::string> closed;  // "session", "connection", "request" or "null"
  std::vector<std::uint32_t> readSizes;

  InternetHandle open(const Text& agent, InternetAccess access, const Text& proxy) override {
    call.agent = agent;
    call.access = access;
    call.proxy = proxy;
    return failOpen ? nullptr : &session_;
  }
  InternetHandle connect(InternetHandle session, const Text& host, int port) override {
    if (session != &session_) return nullptr;
    call.host = host;
    call.port = port;
    return failConnect ? nullptr : &connection_;
  }
  InternetHandle openRequest(InternetHandle connection, const Text& verb, const Text& path,
                             const Text& version, std::uint32_t flags) override {
    if (connection != &connection_) return nullptr;
    call.verb = verb;
    call.path = path;
    call.version = version;
    call.flags = flags;
    return failOpenRequest ? nullptr : &request_;
  }
  bool send(InternetHandle request, const Text& headers, const Bytes& sent) override {
    call.sendCalled = request == &request_;
    call.headers = headers;
    call.sent = sent;
    return true;
  }
  bool read(InternetHandle request, std::uint8_t* buffer, std::uint32_t size,
            std::uint32_t* bytesRead) override {
    readSizes.push_back(size);
    *bytesRead = 0;
    if (request != &request_) return false;
    // Hands out at most 700 bytes per call, as a network read may.
    const size_t n = std::min<size_t>({size, 700, body.size() - offset_});
    std::copy(body.begin() + offset_, body.begin() + offset_ + n, buffer);
    offset_ += n;
    *bytesRead = static_cast<std::uint32_t>(n);
    return true;
  }
  bool queryRawHeaders(InternetHandle request, char* buffer, std::uint32_t* size) override {
    if (request != &request_ || rawHeaders.size() + 1 > *size) return false;
    std::copy(rawHeaders.c_str(), rawHeaders.c_str() + rawHeaders.size() + 1, buffer);
    *size = static_cast<std::uint32_t>(rawHeaders.size());
    return true;
  }
  TransferOutcome outcome(InternetHandle) override { return result; }
  bool close(InternetHandle handle) override {
    closed.push_back(handle == &session_      ? "session"
                     : handle == &connection_ ? "connection"
                     : handle == &request_    ? "request"
                                              : "null");
    return handle != nullptr;
  }

 private:
  InternetObject session_, connection_, request_;
  size_t offset_ = 0;
};

}  // namespace velmorin::testing
