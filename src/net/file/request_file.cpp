#include "net/file/request_file.h"

#include "cookies/merge_cookies.h"
#include "text/text_ops.h"

namespace velmorin {
namespace {

constexpr std::uint32_t kReadChunk = 1024;
constexpr std::uint32_t kRawHeaderBuffer = 5000;

}  // namespace

Bytes requestFile(const FileRequest& request) { return requestFile(request, internetSession()); }

Bytes requestFile(const FileRequest& request, InternetSession& layer) {
  const Text& url = request.url;
  if (!isFetchableAddress(url)) return Bytes();
  const int method = request.method < 0 || request.method > 2 ? 0 : request.method;
  static const Text verbs[] = {"GET", "POST", "HEAD"};
  const bool secure = toLower(textLeft(url, 8)) == "https://";
  const Text headersIn = request.headers != nullptr ? *request.headers : Text();
  const Text agent = fileUserAgent(headersIn);

  InternetHandle session = request.proxy.empty()
      ? layer.open(agent, InternetAccess::direct, Text())
      : layer.open(agent, InternetAccess::proxy, secure ? request.proxy : "http=" + request.proxy);
  if (session == nullptr) {
    layer.close(session);
    return Bytes();
  }
  InternetHandle connection = layer.connect(session, urlHost(url), urlPort(url));
  if (connection == nullptr) {
    layer.close(connection);
    layer.close(session);
    return Bytes();
  }
  std::uint32_t flags = kInternetFlagReload | kInternetFlagNeedFile;
  if (request.cookies.supplied()) flags |= kInternetFlagNoCookies;
  if (request.noRedirect) flags |= kInternetFlagNoAutoRedirect;
  flags |= secure ? kInternetFlagSecure : kInternetFlagIgnoreRedirectToHttps;
  InternetHandle handle = layer.openRequest(connection, verbs[method], urlPath(url), "HTTP/1.1", flags);
  if (handle == nullptr) {
    layer.close(handle);
    layer.close(connection);
    layer.close(session);
    return Bytes();
  }

  // The caller's cookie text is copied here and merged at the end; no lock is held while
  // the exchange runs.
  const Text headerText = composeFileHeaders(headersIn, url, request.cookies.read());
  if (request.headers != nullptr) *request.headers = headerText;

  if (method == 0) {
    layer.send(handle, headerText, Bytes());
  } else {
    Bytes localBody;
    Bytes& body = request.bodyBytes != nullptr ? *request.bodyBytes : localBody;
    if (body.empty()) body = textToBytes(request.body);
    layer.send(handle, headerText, body);
  }

  Bytes result;
  result.reserve(64 * 1024);  // an image answer is rarely smaller; saves the early regrowths
  std::uint8_t chunk[kReadChunk] = {};
  for (;;) {
    std::uint32_t got = 0;
    layer.read(handle, chunk, kReadChunk, &got);
    if (got == 0) break;
    result.insert(result.end(), chunk, chunk + got);
  }

  Text rawHeaders(kRawHeaderBuffer, ' ');
  std::uint32_t size = kRawHeaderBuffer;
  if (layer.queryRawHeaders(handle, rawHeaders.data(), &size)) rawHeaders.resize(size);
  rawHeaders = replaceText(rawHeaders, "Set-Cookie", "Set-Cookie", 1, std::nullopt, false);
  if (request.responseHeaders != nullptr) *request.responseHeaders = rawHeaders;
  if (request.transfer != nullptr) {
    const TransferOutcome outcome = layer.outcome(handle);
    *request.transfer = FileTransfer{true, outcome.status, outcome.transferOk};
  }

  layer.close(handle);
  layer.close(connection);
  layer.close(session);

  Text responseCookies = responseCookiesFromHeaders(rawHeaders);
  if (request.cookies.supplied()) {
    request.cookies.update([&](Text& current) { responseCookies = mergeCookies(current, responseCookies); });
  }
  if (request.responseCookies != nullptr) *request.responseCookies = responseCookies;
  return result;
}

}  // namespace velmorin
