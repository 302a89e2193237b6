#pragma once
// The HTTP session layer the page engine talks to: one call per step of a synchronous
// request on session, connection and request handles. Strings handed in and out are
// UTF-16 code units. The real layer is libcurl (realHttpSessionLayer); unit tests use a
// fake that records the calls and can fail any of them.
#include <cstdint>
#include <string>
#include <string_view>

#include "text/text_types.h"

namespace velmorin {

// 0 is "no handle".
using HttpHandle = std::uint64_t;

// What crackUrl takes out of an absolute http or https URL.
struct CrackedUrl {
  bool secure = false;   // scheme https
  std::u16string host;
  int port = 0;          // explicit port or the scheme's default (80, 443)
  std::u16string path;   // from the first "/" after the authority; may be empty
  std::u16string extra;  // from "?" on (query and fragment); may be empty
};

enum class HttpAccess { NoProxy = 1, NamedProxy = 3 };
enum class CredentialTarget { Server = 0, Proxy = 1 };

// Option numbers and values of setOption.
inline constexpr int kOptionDisableFeature = 63;  // value 1: no cookie handling, 2: no redirects
inline constexpr int kOptionEnableFeature = 79;   // value 1: certificate revocation check
inline constexpr std::uint32_t kDisableCookies = 1;
inline constexpr std::uint32_t kDisableRedirects = 2;
inline constexpr std::uint32_t kEnableRevocationCheck = 1;

// Modifiers of addRequestHeaders.
inline constexpr std::uint32_t kAddHeader = 0x20000000;      // add the line
inline constexpr std::uint32_t kReplaceHeader = 0x80000000;  // replace a line of that name

class HttpSessionLayer {
 public:
  virtual ~HttpSessionLayer() = default;

  virtual bool checkPlatform() = 0;
  // False for anything but an absolute http or https URL with a host.
  virtual bool crackUrl(std::u16string_view url, CrackedUrl& parts) = 0;
  // proxyList: entries "[http=|https=]host[:port]" separated by ";" or blanks; an entry
  // with a scheme prefix applies to URLs of that scheme only.
  virtual HttpHandle openSession(HttpAccess access, std::u16string_view proxyList) = 0;
  virtual HttpHandle connect(HttpHandle session, std::u16string_view host, int port) = 0;
  virtual HttpHandle openRequest(HttpHandle connection, std::u16string_view verb,
                                 std::u16string_view objectName, bool secure) = 0;
  virtual bool setTimeouts(HttpHandle request, int resolveMs, int connectMs, int sendMs,
                           int receiveMs) = 0;
  // Basic credentials for the server or the proxy.
  virtual bool setCredentials(HttpHandle request, CredentialTarget target,
                              std::u16string_view user, std::u16string_view password) = 0;
  virtual bool setOption(HttpHandle request, int option, std::uint32_t value) = 0;
  // block: header lines each ended by CR LF. With kReplaceHeader a line replaces an
  // earlier one of the same name (letter case ignored).
  virtual bool addRequestHeaders(HttpHandle request, std::u16string_view block,
                                 std::uint32_t modifiers) = 0;
  virtual bool sendRequest(HttpHandle request, const Bytes& body) = 0;
  virtual bool receiveResponse(HttpHandle request) = 0;
  // available 0 with true: the body has ended.
  virtual bool queryDataAvailable(HttpHandle request, std::uint32_t& available) = 0;
  virtual bool readData(HttpHandle request, std::uint8_t* buffer, std::uint32_t size,
                        std::uint32_t& read) = 0;
  // Status line, header lines, each ended by CR LF, and a final empty line, of the last
  // response (after redirects the stack followed).
  virtual bool queryRawHeaders(HttpHandle request, std::u16string& block) = 0;
  virtual void closeHandle(HttpHandle handle) = 0;
};

// The libcurl layer. TLS peers are verified against the system's CA store, or against the
// PEM file named by the environment variable VELMORIN_CA_FILE when it is set.
HttpSessionLayer& realHttpSessionLayer();

}  // namespace velmorin
