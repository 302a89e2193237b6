#pragma once
// The replica's own connection handling under cpp-httplib: it keeps the raw bytes of each
// request (so headers can be recorded in arrival order) and lets a handler answer with raw
// bytes, pause, or drop the connection, which the faults and test endpoints need.
#include <httplib.h>
#include <openssl/ssl.h>

#include <string>

namespace velmorin::replica {

// The connection whose request the calling handler thread is serving.
class Connection {
 public:
  // nullptr outside a request handler.
  static Connection* current();

  // Everything read from the client since the previous call (request line, headers, body).
  std::string takeRawInput();
  // Sends bytes as they are; afterwards the connection answers nothing more and is closed
  // once the handler returns.
  bool sendRaw(const std::string& bytes);
  // Closes without a further answer; with reset, the peer sees a connection reset.
  void abort(bool reset);

  bool finished() const { return finished_; }
  bool resetRequested() const { return reset_; }

  Connection(int sock, SSL* ssl) : sock_(sock), ssl_(ssl) {}
  bool waitReadable(int timeoutMs) const;
  bool waitWritable(int timeoutMs) const;
  long readSome(char* buffer, size_t size);
  long writeSome(const char* data, size_t size);
  int socket() const { return sock_; }

 private:
  int sock_;
  SSL* ssl_;
  std::string raw_;
  // Bytes received but not yet handed to the parser, which asks for one byte at a time
  // while it reads header lines: one receive call per byte would cost ~1.5 µs a byte.
  std::string pending_;
  size_t pendingAt_ = 0;
  bool finished_ = false;
  bool reset_ = false;
};

// httplib's server with the connection loop above; TLS when given a context.
class ReplicaServer : public httplib::Server {
 public:
  explicit ReplicaServer(SSL_CTX* tls) : tls_(tls) {}

 private:
  bool process_and_close_socket(socket_t sock) override;
  SSL_CTX* tls_;
};

// Sleeps in small steps (the process ends on SIGTERM at any time anyway).
void pauseMs(int ms);

}  // namespace velmorin::replica
