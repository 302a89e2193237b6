#include "net/page/request_page.h"

#include "net/page/page_response.h"
#include "net/page/wide_text.h"
#include "platform/codepage.h"
#include "platform/window_runtime.h"
#include "text/text_ops.h"

namespace velmorin {
namespace {

enum Failure { F700, F701, F702, F703, F704, F705, F707, F708, F709, F710, F711, F712, F713 };

const Text& failureText(Failure f) {
  static const Text texts[] = {
      fromUtf8("700 当前系统不支持WinHttp服务!"), fromUtf8("701 解析URL地址失败!"),
      fromUtf8("702 创建WinHttp会话失败!"),       fromUtf8("703 创建WinHttp连接失败!"),
      fromUtf8("704 创建WinHttp请求失败!"),       fromUtf8("705 设置超时时间失败!"),
      fromUtf8("707 设置代理凭证失败!"),          fromUtf8("708 禁止自动设置Cookies失败!"),
      fromUtf8("709 重定向设置失败!"),            fromUtf8("710 设置协议头失败!"),
      fromUtf8("711 发送请求失败!"),              fromUtf8("712 服务器未响应!"),
      fromUtf8("713 读取数据失败!")};
  return texts[f];
}

const char* const kVerbs[] = {"GET", "POST", "HEAD", "PUT"};

struct DefaultLine {
  const char* search;
  bool ignoreCase;
  const char* line;
};

// Appended, in this order, when the block built so far lacks the search text.
const DefaultLine kDefaultLines[] = {
    {"User-Agent: ", true,
     "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"},
    {"Accept: ", true, "Accept: text/html, application/xhtml+xml, */*\r\n"},
    {"Accept-Encoding: ", true, "Accept-Encoding: gbk, GB2312\r\n"},
    {"Accept-Language: ", true, "Accept-Language: zh-cn\r\n"},
    {"Content-Type:", false, "Content-Type: application/x-www-form-urlencoded\r\n"},
    {"Cache-Control: ", true, "Cache-Control: no-cache\r\n"},
};

std::u16string wide(const Text& text) { return wideUnits(textToWide(text)); }

// The handles of one call; closes what was opened, request first.
struct Handles {
  HttpSessionLayer& layer;
  HttpHandle session = 0, connection = 0, request = 0;
  ~Handles() {
    if (request) layer.closeHandle(request);
    if (connection) layer.closeHandle(connection);
    if (session) layer.closeHandle(session);
  }
};

void processEvents() { windowRuntime().processEvents(); }

Text composeRequestHeaders(const Text& headers, const Text& cookies) {
  Text block = headers.empty() ? Text() : headers + "\r\n";
  for (const DefaultLine& d : kDefaultLines)
    if (findText(block, d.search, 1, d.ignoreCase) == -1) block += d.line;
  if (findText(block, "Cookie: ", 1, true) == -1 && !cookies.empty())
    block += "Cookie: " + cookies + "\r\n";
  return block;
}

}  // namespace

Text requestPage(const PageRequest& q, HttpSessionLayer& layer) {
  auto fail = [&](Failure f, bool events = true) {
    if (q.statusText) *q.statusText = failureText(f);
    if (events) processEvents();
    return Text();
  };

  if (!layer.checkPlatform()) return fail(F700);

  CrackedUrl parts;
  std::u16string url = wide(q.url);
  if (!layer.crackUrl(url, parts)) return fail(F701);
  Text host = wideToText(unitsToWide(parts.host));
  std::u16string objectName = parts.path.empty() ? std::u16string(u"/") : parts.path + parts.extra;

  HttpAccess access = q.proxy.empty() ? HttpAccess::NoProxy : HttpAccess::NamedProxy;
  Text proxyList = q.proxy.empty() ? Text() : parts.secure ? q.proxy : "http=" + q.proxy;

  Handles h{layer};
  h.session = layer.openSession(access, wide(proxyList));
  if (!h.session) return fail(F702);
  h.connection = layer.connect(h.session, wide(host), parts.port);
  if (!h.connection) return fail(F703);
  int m = q.method >= 0 && q.method <= 3 ? q.method : 0;
  h.request = layer.openRequest(h.connection, wide(kVerbs[m]), objectName, parts.secure);
  if (!h.request) return fail(F704);

  int t = q.timeoutSeconds > 0 ? q.timeoutSeconds * 1000 : 30000;
  if (!layer.setTimeouts(h.request, t, t, t, t)) return fail(F705);

  if (!q.userName.empty() && !q.password.empty() &&
      !layer.setCredentials(h.request, CredentialTarget::Server, wide(q.userName),
                            wide(q.password)))
    return fail(F707, false);
  if (!q.proxyUser.empty() && !q.proxyPassword.empty() &&
      !layer.setCredentials(h.request, CredentialTarget::Proxy, wide(q.proxyUser),
                            wide(q.proxyPassword)))
    return fail(F707, false);

  bool cookiesSupplied = q.cookies.supplied();
  bool optionSet = cookiesSupplied
                       ? layer.setOption(h.request, kOptionEnableFeature, kEnableRevocationCheck)
                       : layer.setOption(h.request, kOptionDisableFeature, kDisableCookies);
  if (!optionSet) return fail(F708, false);
  if (q.noRedirect && !layer.setOption(h.request, kOptionDisableFeature, kDisableRedirects))
    return fail(F709, false);

  // Read once; no lock is held while the exchange runs.
  Text block = composeRequestHeaders(q.headers, q.cookies.read());
  if (!layer.addRequestHeaders(h.request, wide(block), kAddHeader | kReplaceHeader))
    return fail(F710);

  if (!layer.sendRequest(h.request, textToBytes(q.body))) return fail(F711);
  if (!layer.receiveResponse(h.request)) return fail(F712);

  Bytes body;
  for (;;) {
    std::uint32_t available = 0;
    if (!layer.queryDataAvailable(h.request, available) || available < 1) break;
    Bytes buffer(available, 0);
    std::uint32_t read = 0;
    if (!layer.readData(h.request, buffer.data(), available, read)) {
      if (q.statusText) *q.statusText = failureText(F713);
      break;
    }
    if (read == 0) break;  // end of the body: never spin on an empty read
    body.insert(body.end(), buffer.begin(), buffer.begin() + std::min(read, available));
  }

  Text page = handlePageResponse(layer, h.request, body, bytesToText(body), q);
  processEvents();
  return page;
}

Text requestPage(const Text& url, CookieRef cookies, HttpSessionLayer& layer) {
  PageRequest q;
  q.url = url;
  q.cookies = cookies;
  return requestPage(q, layer);
}

}  // namespace velmorin
