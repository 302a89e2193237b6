// album-replica: a local stand-in of the photo service for the tests and the demo.
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>

#include "album_pages.h"
#include "connection.h"
#include "control.h"
#include "options.h"
#include "test_endpoints.h"

using namespace velmorin::replica;

namespace {

void onTerminate(int) { _exit(0); }

SSL_CTX* makeTlsContext(const Options& options) {
  SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
  if (!ctx || SSL_CTX_use_certificate_chain_file(ctx, options.cert.c_str()) != 1 ||
      SSL_CTX_use_PrivateKey_file(ctx, options.key.c_str(), SSL_FILETYPE_PEM) != 1 ||
      SSL_CTX_check_private_key(ctx) != 1) {
    ERR_print_errors_fp(stderr);
    return nullptr;
  }
  return ctx;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string error;
  if (!parseOptions(argc, argv, options, error)) {
    std::cerr << "album-replica: " << error << "\n" << usage();
    return 2;
  }
  if (options.help) {
    std::cout << usage();
    return 0;
  }
  std::signal(SIGTERM, onTerminate);
  std::signal(SIGPIPE, SIG_IGN);

  SSL_CTX* tls = nullptr;
  if (options.https && !(tls = makeTlsContext(options))) {
    std::cerr << "album-replica: cannot load " << options.cert << " / " << options.key << "\n";
    return 1;
  }
  ReplicaServer server(tls);
  // A client keeps its connection for a whole walk, as it would with the real service.
  server.set_keep_alive_max_count(100000);
  // Stalled answers and kept-alive connections each hold a thread.
  server.new_task_queue = [] { return new httplib::ThreadPool(64); };
  int port = options.port == 0 ? server.bind_to_any_port("127.0.0.1")
                               : (server.bind_to_port("127.0.0.1", options.port) ? options.port : -1);
  if (port <= 0) {
    std::cerr << "album-replica: cannot listen on 127.0.0.1:" << options.port << "\n";
    return 1;
  }
  const std::string scheme = options.https ? "https" : "http";
  AlbumPages album(AlbumConfig{options.photos, options.uid, options.albumId,
                               options.requireLogin, options.imageBytes,
                               scheme + "://127.0.0.1:" + std::to_string(port)});
  TestContext context{scheme, port};
  RequestLog log;
  FaultTable faults;

  auto handle = [&](const httplib::Request& req, httplib::Response& res) {
    Connection* connection = Connection::current();
    std::string raw = connection ? connection->takeRawInput() : std::string();
    if (req.path.rfind("/_control/", 0) == 0) {
      if (!serveControl(req, res, log, faults)) res.status = 404;
      return;
    }
    Recorded self = recordOf(req, raw);
    log.add(self);
    if (!album.serve(req, res) && !serveTestEndpoint(req, res, self, context)) {
      res.status = 404;
      res.set_content("<html><body><h1>404 Not Found</h1></body></html>\r\n", "text/html");
    }
    if (auto fault = faults.find(req.path)) applyFault(*fault, res);
  };
  const std::string any = ".*";
  server.Get(any, handle).Post(any, handle).Put(any, handle).Delete(any, handle);
  server.Options(any, handle).Patch(any, handle);

  std::printf("listening on %d\n", port);
  std::fflush(stdout);
  server.listen_after_bind();
  return 0;
}
