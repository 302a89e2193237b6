#pragma once
// A session layer for unit tests: answers with a configured header block and body, fails
// whichever call a test names, and records what the engine handed to each call.
#include <set>
#include <string>
#include <vector>

#include "net/page/wide_text.h"
#include "platform/http_session.h"

namespace velmorin::testing {

class FakeHttpSession : public HttpSessionLayer {
 public:
  static constexpr HttpHandle kSession = 11, kConnection = 22, kRequest = 33;

  // Calls that fail: "checkPlatform", "crackUrl", "openSession", "connect", "openRequest",
  // "setTimeouts", "setCredentials:server", "setCredentials:proxy", "setOption:63:1",
  // "setOption:63:2", "setOption:79:1", "addRequestHeaders", "sendRequest",
  // "receiveResponse", "queryDataAvailable", "queryRawHeaders", and "readData" (which
  // fails once readsBeforeFailure chunks have been delivered).
  std::set<std::string> failing;
  int readsBeforeFailure = 0;

  // The answer: a code-page-936 header block and a body handed out in chunks.
  Text responseHeaderBlock = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";
  Bytes responseBody;
  std::size_t chunkSize = 7;

  // What the engine passed.
  std::vector<std::string> calls;
  CrackedUrl cracked;
  HttpAccess access = HttpAccess::NoProxy;
  Text proxyList, host, verb, objectName, headerBlock;
  int port = 0;
  bool secure = false;
  std::vector<int> timeouts;
  struct Credential {
    CredentialTarget target;
    Text user, password;
  };
  std::vector<Credential> credentials;
  std::vector<std::pair<int, std::uint32_t>> options;
  std::uint32_t headerModifiers = 0;
  Bytes sentBody;
  std::vector<HttpHandle> closed;

  bool checkPlatform() override { return step("checkPlatform"); }
  bool crackUrl(std::u16string_view url, CrackedUrl& parts) override {
    if (!step("crackUrl")) return false;
    // Cracking is pure; the real layer does it without touching the network.
    if (!realHttpSessionLayer().crackUrl(url, parts)) return false;
    cracked = parts;
    return true;
  }
  HttpHandle openSession(HttpAccess a, std::u16string_view list) override {
    access = a;
    proxyList = text(list);
    return step("openSession") ? kSession : 0;
  }
  HttpHandle connect(HttpHandle session, std::u16string_view h, int p) override {
    host = text(h);
    port = p;
    return step("connect") && session == kSession ? kConnection : 0;
  }
  HttpHandle openRequest(HttpHandle connection, std::u16string_view v,
                         std::u16string_view object, bool s) override {
    verb = text(v);
    objectName = text(object);
    secure = s;
    return step("openRequest") && connection == kConnection ? kRequest : 0;
  }
  bool setTimeouts(HttpHandle r, int a, int b, int c, int d) override {
    timeouts = {a, b, c, d};
    return step("setTimeouts") && r == kRequest;
  }
  bool setCredentials(HttpHandle r, CredentialTarget t, std::u16string_view user,
                      std::u16string_view password) override {
    credentials.push_back({t, text(user), text(password)});
    return step(t == CredentialTarget::Server ? "setCredentials:server"
                                              : "setCredentials:proxy") &&
           r == kRequest;
  }
  bool setOption(HttpHandle r, int option, std::uint32_t value) override {
    options.emplace_back(option, value);
    return step("setOption:" + std::to_string(option) + ":" + std::to_string(value)) &&
           r == kRequest;
  }
  bool addRequestHeaders(HttpHandle r, std::u16string_view block,
                         std::uint32_t modifiers) override {
    headerBlock = text(block);
    headerModifiers = modifiers;
    return step("addRequestHeaders") && r == kRequest;
  }
  bool sendRequest(HttpHandle r, const Bytes& body) override {
    sentBody = body;
    return step("sendRequest") && r == kRequest;
  }
  bool receiveResponse(HttpHandle r) override { return step("receiveResponse") && r == kRequest; }
  bool queryDataAvailable(HttpHandle, std::uint32_t& available) override {
    if (!step("queryDataAvailable")) return false;
    bool readFails = failing.count("readData") && reads_ >= readsBeforeFailure;
    available = static_cast<std::uint32_t>(
        readFails ? 1 : std::min(chunkSize, responseBody.size() - offset_));
    return true;
  }
  bool readData(HttpHandle, std::uint8_t* buffer, std::uint32_t size,
                std::uint32_t& read) override {
    calls.push_back("readData");
    read = 0;
    if (failing.count("readData") && reads_ >= readsBeforeFailure) return false;
    read = static_cast<std::uint32_t>(std::min<std::size_t>(size, responseBody.size() - offset_));
    std::copy_n(responseBody.begin() + static_cast<long>(offset_), read, buffer);
    offset_ += read;
    ++reads_;
    return true;
  }
  bool queryRawHeaders(HttpHandle r, std::u16string& block) override {
    if (!step("queryRawHeaders") || r != kRequest) return false;
    block = wideUnits(textToWide(responseHeaderBlock));
    return true;
  }
  void closeHandle(HttpHandle h) override {
    calls.push_back("closeHandle");
    closed.push_back(h);
  }

 private:
  bool step(const std::string& name) {
    calls.push_back(name);
    return failing.count(name) == 0;
  }
  static Text text(std::u16string_view units) { return wideToText(unitsToWide(units)); }
  std::size_t offset_ = 0;
  int reads_ = 0;
};

}  // namespace velmorin::testing
