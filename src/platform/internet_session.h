#pragma once
// The internet session layer the file engine talks to: a session, a connection and a
// request handle per exchange, a send, chunked reads of the body and a raw-header query.
// The real layer runs over libcurl; tests substitute a fake to reach every failure exit.
#include <cstdint>

#include "text/text_types.h"

namespace velmorin {

// Request flags (bit values as the file engine composes them).
enum InternetRequestFlag : std::uint32_t {
  kInternetFlagReload = 0x80000000u,
  kInternetFlagNeedFile = 0x00000010u,
  kInternetFlagNoCookies = 0x00080000u,       // leave the per-user cookie store out
  kInternetFlagNoAutoRedirect = 0x00200000u,  // answer redirects as they are
  kInternetFlagSecure = 0x00800000u,          // https
  kInternetFlagIgnoreRedirectToHttps = 0x00004000u,  // an http request may be redirected to https
};

enum class InternetAccess { direct, proxy };

// Base of every handle the layer gives out; a null handle is a failed open.
class InternetObject {
 public:
  virtual ~InternetObject() = default;
};
using InternetHandle = InternetObject*;

// How an exchange ended, for callers that must tell a complete download from a cut one.
struct TransferOutcome {
  int status = 0;           // HTTP status of the last response; 0 when none arrived
  bool transferOk = false;  // no transport error: connection, truncated body, size limit
};

class InternetSession {
 public:
  virtual ~InternetSession() = default;

  // proxy: empty for direct access; otherwise "host:port" for every scheme, or entries of
  // the form "scheme=host:port" (e.g. "http=proxy:8080") that apply to that scheme only.
  virtual InternetHandle open(const Text& agent, InternetAccess access, const Text& proxy) = 0;
  virtual InternetHandle connect(InternetHandle session, const Text& host, int port) = 0;
  virtual InternetHandle openRequest(InternetHandle connection, const Text& verb,
                                     const Text& path, const Text& version,
                                     std::uint32_t flags) = 0;
  // headers: lines joined by "\r\n"; body is sent as it is (may be empty).
  virtual bool send(InternetHandle request, const Text& headers, const Bytes& body) = 0;
  // Copies up to size body bytes; *bytesRead is 0 at the end and after a failure.
  virtual bool read(InternetHandle request, std::uint8_t* buffer, std::uint32_t size,
                    std::uint32_t* bytesRead) = 0;
  // The last response's status line and header lines, each ending in "\r\n", then "\r\n",
  // then a zero byte. Fails (buffer untouched, *size = bytes needed) when that does not
  // fit in *size bytes; on success *size is the length without the zero byte.
  virtual bool queryRawHeaders(InternetHandle request, char* buffer, std::uint32_t* size) = 0;
  virtual TransferOutcome outcome(InternetHandle request) = 0;
  // Releases any handle; false for a null handle.
  virtual bool close(InternetHandle handle) = 0;
};

// The process-wide libcurl layer. Connections and TLS sessions are kept between requests.
InternetSession& internetSession();

// Largest body the layer accepts; a longer body fails the read.
inline constexpr std::uint64_t kInternetMaxBody = 512ull * 1024 * 1024;

}  // namespace velmorin
