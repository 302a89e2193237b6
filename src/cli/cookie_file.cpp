#include "cli/cookie_file.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <thread>

#include <curl/curl.h>

namespace velmorin {
namespace {

// libcurl has no call that answers "which cookies go to this URL" other than sending a
// request. So the request is sent to a one-shot listener on loopback that reads the request
// head and hangs up; the Cookie header libcurl composed is taken from what arrived.
class ProbeListener {
 public:
  ProbeListener() {
    socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (socket_ < 0 || ::bind(socket_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(socket_, 1) != 0 ||
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      return;
    port_ = ntohs(address.sin_port);
    reader_ = std::thread([this] { readOneRequest(); });
  }
  ~ProbeListener() {
    if (reader_.joinable()) reader_.join();
    if (socket_ >= 0) ::close(socket_);
  }
  int port() const { return port_; }
  // What the one connection sent up to the end of its header block; waits for the reader.
  std::string request() {
    if (reader_.joinable()) reader_.join();
    return received_;
  }

 private:
  void readOneRequest() {
    pollfd wait{.fd = socket_, .events = POLLIN, .revents = 0};
    if (::poll(&wait, 1, kWaitMs) <= 0) return;
    const int peer = ::accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC);
    if (peer < 0) return;
    char buffer[4096];
    pollfd data{.fd = peer, .events = POLLIN, .revents = 0};
    while (received_.find("\r\n\r\n") == std::string::npos && ::poll(&data, 1, kWaitMs) > 0) {
      const ssize_t n = ::recv(peer, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      received_.append(buffer, static_cast<size_t>(n));
    }
    ::close(peer);  // no answer: libcurl ends with "empty reply"
  }

  static constexpr int kWaitMs = 5000;
  int socket_ = -1;
  int port_ = 0;
  std::thread reader_;
  std::string received_;
};

std::string part(CURLU* url, CURLUPart which, unsigned flags = 0) {
  char* value = nullptr;
  if (curl_url_get(url, which, &value, flags) != CURLUE_OK) return std::string();
  std::string text = value;
  curl_free(value);
  return text;
}

std::string cookieHeader(const std::string& headers) {
  const std::string name = "\r\nCookie: ";
  const auto start = headers.find(name);
  if (start == std::string::npos) return std::string();
  const auto from = start + name.size();
  return headers.substr(from, headers.find("\r\n", from) - from);
}

}  // namespace

bool cookiesFromFile(const std::string& file, const Text& address, Text* pairs,
                     std::string* error) {
  if (!std::ifstream(file).good()) {
    *error = "cannot read the cookie file " + file + ": " + std::strerror(errno);
    return false;
  }

  // The probe speaks plain http (a TLS handshake would hide the request); host, port and
  // path decide the match. Secure-only cookies therefore count only for loopback hosts.
  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> url(curl_url(), curl_url_cleanup);
  if (!url || curl_url_set(url.get(), CURLUPART_URL, address.c_str(), 0) != CURLUE_OK) {
    *error = "not an address: " + address;
    return false;
  }
  const std::string port = part(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
  curl_url_set(url.get(), CURLUPART_SCHEME, "http", 0);
  curl_url_set(url.get(), CURLUPART_PORT, port.c_str(), 0);
  const std::string probeUrl = part(url.get(), CURLUPART_URL);

  ProbeListener listener;
  if (listener.port() == 0) {
    *error = std::string("cannot listen on loopback: ") + std::strerror(errno);
    return false;
  }
  CURL* curl = curl_easy_init();
  curl_slist* connectTo =
      curl_slist_append(nullptr, ("::127.0.0.1:" + std::to_string(listener.port())).c_str());
  curl_easy_setopt(curl, CURLOPT_URL, probeUrl.c_str());
  curl_easy_setopt(curl, CURLOPT_COOKIEFILE, file.c_str());
  curl_easy_setopt(curl, CURLOPT_CONNECT_TO, connectTo);
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 10000L);
  curl_easy_perform(curl);  // ends with "empty reply": only the request matters
  curl_easy_cleanup(curl);
  curl_slist_free_all(connectTo);

  const std::string request = listener.request();
  if (request.empty()) {
    *error = "could not match the cookie file against " + address;
    return false;
  }
  *pairs = cookieHeader(request);
  return true;
}

}  // namespace velmorin
