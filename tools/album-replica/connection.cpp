#include "connection.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace velmorin::replica {
namespace {

thread_local Connection* currentConnection = nullptr;

constexpr int kReadTimeoutMs = 5000;
constexpr int kWriteTimeoutMs = 5000;
constexpr int kKeepAliveTimeoutMs = 5000;
constexpr int kKeepAliveMaxCount = 100;

void addressOf(int sock, bool peer, std::string& ip, int& port) {
  sockaddr_storage addr{};
  socklen_t len = sizeof(addr);
  int rc = peer ? getpeername(sock, reinterpret_cast<sockaddr*>(&addr), &len)
                : getsockname(sock, reinterpret_cast<sockaddr*>(&addr), &len);
  if (rc != 0 || addr.ss_family != AF_INET) return;
  auto* in = reinterpret_cast<sockaddr_in*>(&addr);
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &in->sin_addr, text, sizeof(text));
  ip = text;
  port = ntohs(in->sin_port);
}

class ConnectionStream : public httplib::Stream {
 public:
  explicit ConnectionStream(Connection& connection) : connection_(connection) {}
  bool is_readable() const override { return connection_.waitReadable(kReadTimeoutMs); }
  bool is_writable() const override {
    return !connection_.finished() && connection_.waitWritable(kWriteTimeoutMs);
  }
  ssize_t read(char* ptr, size_t size) override {
    if (!connection_.waitReadable(kReadTimeoutMs)) return -1;
    return connection_.readSome(ptr, size);
  }
  ssize_t write(const char* ptr, size_t size) override {
    if (connection_.finished()) return -1;  // the handler has answered by itself
    return connection_.writeSome(ptr, size);
  }
  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    addressOf(connection_.socket(), true, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    addressOf(connection_.socket(), false, ip, port);
  }
  socket_t socket() const override { return connection_.socket(); }

 private:
  Connection& connection_;
};

}  // namespace

Connection* Connection::current() { return currentConnection; }

std::string Connection::takeRawInput() {
  std::string out;
  out.swap(raw_);
  return out;
}

bool Connection::waitReadable(int timeoutMs) const {
  if (pendingAt_ < pending_.size()) return true;
  if (ssl_ && SSL_pending(ssl_) > 0) return true;
  pollfd p{sock_, POLLIN, 0};
  return poll(&p, 1, timeoutMs) > 0;
}

bool Connection::waitWritable(int timeoutMs) const {
  pollfd p{sock_, POLLOUT, 0};
  return poll(&p, 1, timeoutMs) > 0 && !(p.revents & (POLLERR | POLLHUP));
}

long Connection::readSome(char* buffer, size_t size) {
  if (pendingAt_ == pending_.size()) {
    char block[4096];
    long n = ssl_ ? SSL_read(ssl_, block, static_cast<int>(sizeof block))
                  : recv(sock_, block, sizeof block, 0);
    if (n <= 0) return n;
    pending_.assign(block, static_cast<size_t>(n));
    pendingAt_ = 0;
  }
  // Only what the parser takes counts as this request's input.
  const size_t take = std::min(size, pending_.size() - pendingAt_);
  std::memcpy(buffer, pending_.data() + pendingAt_, take);
  pendingAt_ += take;
  raw_.append(buffer, take);
  return static_cast<long>(take);
}

long Connection::writeSome(const char* data, size_t size) {
  if (ssl_) return SSL_write(ssl_, data, static_cast<int>(size));
  return send(sock_, data, size, MSG_NOSIGNAL);
}

bool Connection::sendRaw(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    if (!waitWritable(kWriteTimeoutMs)) break;
    long n = writeSome(bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  finished_ = true;
  return done == bytes.size();
}

void Connection::abort(bool reset) {
  finished_ = true;
  reset_ = reset;
}

bool ReplicaServer::process_and_close_socket(socket_t sock) {
  // Answers go out in several writes; without this, delayed ACKs add ~40 ms to each.
  int on = 1;
  setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
  SSL* ssl = nullptr;
  bool ok = true;
  if (tls_) {
    ssl = SSL_new(tls_);
    SSL_set_fd(ssl, sock);
    ok = SSL_accept(ssl) == 1;
  }
  Connection connection(sock, ssl);
  if (ok) {
    ConnectionStream stream(connection);
    currentConnection = &connection;
    for (int left = kKeepAliveMaxCount; left > 0; --left) {
      if (!connection.waitReadable(kKeepAliveTimeoutMs)) break;
      bool closed = false;
      bool handled = process_request(stream, left == 1, closed, [](httplib::Request&) {});
      if (!handled || closed || connection.finished()) break;
    }
    currentConnection = nullptr;
  }
  if (connection.resetRequested()) {
    linger hard{1, 0};  // close with RST instead of FIN
    setsockopt(sock, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
  } else {
    if (ssl && ok) SSL_shutdown(ssl);
    shutdown(sock, SHUT_RDWR);
  }
  if (ssl) SSL_free(ssl);
  close(sock);
  return true;
}

void pauseMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace velmorin::replica
