// The page engine's request side over the fake session layer: numbered failures and the
// handles they close, and everything the engine hands to the layer.
#include <gtest/gtest.h>

#include "fake_http_session.h"
#include "net/page/request_page.h"
#include "platform/codepage.h"
#include "support/quiet_window_runtime.h"
#include "text/text_ops.h"

namespace velmorin {
namespace {

using testing::FakeHttpSession;
constexpr HttpHandle S = FakeHttpSession::kSession, C = FakeHttpSession::kConnection,
                     R = FakeHttpSession::kRequest;

class RequestPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime = &testing::installQuietWindowRuntime();
    runtime->eventRounds = 0;
  }
  testing::QuietWindowRuntime* runtime = nullptr;
  FakeHttpSession fake;
};

struct FailureCase {
  const char* failing;
  const char* url;
  const char* expected;  // UTF-8
  std::vector<HttpHandle> closed;
  bool eventsProcessed;
};

TEST_F(RequestPageTest, EachFailureStoresItsTextClosesWhatWasOpenAndWritesNothingElse) {
  const FailureCase cases[] = {
      {"checkPlatform", "http://h/", "700 当前系统不支持WinHttp服务!", {}, true},
      {"crackUrl", "http://h/", "701 解析URL地址失败!", {}, true},
      {"", "", "701 解析URL地址失败!", {}, true},
      {"", "www.example.com/a", "701 解析URL地址失败!", {}, true},
      {"", "ftp://h/a", "701 解析URL地址失败!", {}, true},
      {"openSession", "http://h/", "702 创建WinHttp会话失败!", {}, true},
      {"connect", "http://h/", "703 创建WinHttp连接失败!", {S}, true},
      {"openRequest", "http://h/", "704 创建WinHttp请求失败!", {C, S}, true},
      {"setTimeouts", "http://h/", "705 设置超时时间失败!", {R, C, S}, true},
      {"setCredentials:server", "http://h/", "707 设置代理凭证失败!", {R, C, S}, false},
      {"setCredentials:proxy", "http://h/", "707 设置代理凭证失败!", {R, C, S}, false},
      {"setOption:79:1", "http://h/", "708 禁止自动设置Cookies失败!", {R, C, S}, false},
      {"setOption:63:2", "http://h/", "709 重定向设置失败!", {R, C, S}, false},
      {"addRequestHeaders", "http://h/", "710 设置协议头失败!", {R, C, S}, true},
      {"sendRequest", "https://h/", "711 发送请求失败!", {R, C, S}, true},
      {"receiveResponse", "http://h/", "712 服务器未响应!", {R, C, S}, true},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(std::string(c.failing) + " " + c.url);
    FakeHttpSession f;
    f.failing = {c.failing};
    runtime->eventRounds = 0;
    Text cookies = "a=1";
    Text status = "old", headers = "old", got = "old", location = "old";
    Bytes bytes = {1};
    PageRequest q{.url = c.url, .cookies = cookies, .responseCookies = &got,
                  .responseHeaders = &headers, .noRedirect = true, .userName = "u",
                  .password = "p", .proxy = "px:1", .proxyUser = "pu", .proxyPassword = "pp",
                  .location = &location, .statusText = &status, .responseBytes = &bytes};
    EXPECT_EQ(requestPage(q, f), "");
    EXPECT_EQ(status, fromUtf8(c.expected));
    EXPECT_EQ(f.closed, c.closed);
    EXPECT_EQ(runtime->eventRounds, c.eventsProcessed ? 1 : 0);
    EXPECT_EQ(headers, "old");
    EXPECT_EQ(got, "old");
    EXPECT_EQ(location, "old");
    EXPECT_EQ(bytes, Bytes{1});
    EXPECT_EQ(cookies, "a=1");
  }
}

TEST_F(RequestPageTest, CookieOptionFailsWith708AlsoWhenCookiesAreNotSupplied) {
  fake.failing = {"setOption:63:1"};
  Text status;
  EXPECT_EQ(requestPage({.url = "http://h/", .statusText = &status}, fake), "");
  EXPECT_EQ(status, fromUtf8("708 禁止自动设置Cookies失败!"));
  EXPECT_EQ(fake.closed, (std::vector<HttpHandle>{R, C, S}));
}

TEST_F(RequestPageTest, ReadFailureKeepsTheBytesReadAndTheStatusLineReplacesIt) {
  fake.responseBody = textToBytes("0123456789abcdef");
  fake.chunkSize = 4;
  fake.failing = {"readData"};
  fake.readsBeforeFailure = 2;
  Text status;
  Bytes bytes;
  EXPECT_EQ(requestPage({.url = "http://h/", .statusText = &status, .responseBytes = &bytes},
                        fake),
            "01234567");
  EXPECT_EQ(status, "200 OK");
  EXPECT_EQ(bytes, textToBytes("01234567"));
  EXPECT_EQ(fake.closed, (std::vector<HttpHandle>{R, C, S}));
}

TEST_F(RequestPageTest, ReadFailureWithUnreadableHeadersReturnsNothingButThe713Text) {
  fake.responseBody = textToBytes("0123456789");
  fake.failing = {"readData", "queryRawHeaders"};
  fake.readsBeforeFailure = 1;
  Text status, headers = "old";
  Bytes bytes = {9};
  Text cookies = "k=x y";
  EXPECT_EQ(requestPage({.url = "http://h/", .cookies = cookies, .responseHeaders = &headers,
                         .statusText = &status, .responseBytes = &bytes},
                        fake),
            "");
  EXPECT_EQ(status, fromUtf8("713 读取数据失败!"));
  EXPECT_EQ(headers, "old");
  EXPECT_EQ(bytes, Bytes{9});
  EXPECT_EQ(cookies, "k=x y");  // no merge
  EXPECT_EQ(fake.closed, (std::vector<HttpHandle>{R, C, S}));
}

TEST_F(RequestPageTest, FailingAvailabilityQueryEndsTheBodySilently) {
  fake.responseBody = textToBytes("body");
  fake.failing = {"queryDataAvailable"};
  Text status;
  EXPECT_EQ(requestPage({.url = "http://h/", .statusText = &status}, fake), "");
  EXPECT_EQ(status, "200 OK");
}

struct HeaderCase {
  const char* name;
  Text headers;
  bool supplyCookies;
  Text cookies;
  Text expected;
};

TEST_F(RequestPageTest, HeaderBlockAddsEachMissingDefaultLineInOrder) {
  const Text ua =
      "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n";
  const Text accept = "Accept: text/html, application/xhtml+xml, */*\r\n";
  const Text enc = "Accept-Encoding: gbk, GB2312\r\n";
  const Text lang = "Accept-Language: zh-cn\r\n";
  const Text type = "Content-Type: application/x-www-form-urlencoded\r\n";
  const Text cache = "Cache-Control: no-cache\r\n";
  const Text all = ua + accept + enc + lang + type + cache;
  const HeaderCase cases[] = {
      {"defaults", "", false, "", all},
      {"cookie line last", "", true, "a=1; b=2", all + "Cookie: a=1; b=2\r\n"},
      {"supplied but empty", "", true, "", all},
      {"caller lines first", "X-One: 1\r\nX-Two: 2", false, "", "X-One: 1\r\nX-Two: 2\r\n" + all},
      {"user agent in any case", "user-AGENT: me", false, "",
       "user-AGENT: me\r\n" + accept + enc + lang + type + cache},
      {"content type is exact", "content-type: text/plain", false, "",
       "content-type: text/plain\r\n" + all},
      {"content type without blank", "Content-Type:text/plain", false, "",
       "Content-Type:text/plain\r\n" + ua + accept + enc + lang + cache},
      {"accept-encoding also hides nothing else", "accept-encoding: x", false, "",
       "accept-encoding: x\r\n" + ua + accept + lang + type + cache},
      {"caller cookie wins", "Cookie: z=9", true, "a=1", "Cookie: z=9\r\n" + all},
      {"lower-case caller cookie wins", "cookie: z=9", true, "a=1", "cookie: z=9\r\n" + all},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeHttpSession f;
    Text cookies = c.cookies;
    PageRequest q{.url = "http://h/", .headers = c.headers};
    if (c.supplyCookies) q.cookies = cookies;
    requestPage(q, f);
    EXPECT_EQ(f.headerBlock, c.expected);
    EXPECT_EQ(f.headerModifiers, 0xA0000000u);
  }
}

TEST_F(RequestPageTest, SharedCookieTextIsSentAsTheCookieLine) {
  SharedCookieText shared;
  shared.replace("SUB=abc; SUBP=def");
  requestPage(Text("http://h/"), shared, fake);
  EXPECT_NE(fake.headerBlock.find("\r\nCookie: SUB=abc; SUBP=def\r\n"), Text::npos);
}

TEST_F(RequestPageTest, MethodNumbersMapToVerbs) {
  const std::pair<int, const char*> cases[] = {{-1, "GET"}, {0, "GET"}, {1, "POST"}, {2, "HEAD"},
                                               {3, "PUT"},  {4, "GET"}, {100, "GET"}};
  for (auto [method, verb] : cases) {
    FakeHttpSession f;
    requestPage({.url = "http://h/", .method = method}, f);
    EXPECT_EQ(f.verb, verb) << method;
  }
}

TEST_F(RequestPageTest, TimeoutSecondsSetAllFourTimeouts) {
  const std::pair<int, int> cases[] = {{0, 30000}, {-5, 30000}, {7, 7000}, {1, 1000}};
  for (auto [seconds, ms] : cases) {
    FakeHttpSession f;
    requestPage({.url = "http://h/", .timeoutSeconds = seconds}, f);
    EXPECT_EQ(f.timeouts, (std::vector<int>{ms, ms, ms, ms})) << seconds;
  }
}

TEST_F(RequestPageTest, UrlPartsBecomeHostPortObjectNameAndSecureFlag) {
  struct Case {
    const char* url;
    const char* host;
    int port;
    const char* object;
    bool secure;
  };
  const Case cases[] = {
      {"http://example.com", "example.com", 80, "/", false},
      {"http://example.com?q=1", "example.com", 80, "/", false},
      {"http://example.com/a/b?x=1&y=2", "example.com", 80, "/a/b?x=1&y=2", false},
      {"https://example.com/p", "example.com", 443, "/p", true},
      {"HTTPS://Example.com:8443/p", "Example.com", 8443, "/p", true},
      {"http://127.0.0.1:8080/photos/get_all?uid=1", "127.0.0.1", 8080,
       "/photos/get_all?uid=1", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    FakeHttpSession f;
    requestPage({.url = c.url}, f);
    EXPECT_EQ(f.host, c.host);
    EXPECT_EQ(f.port, c.port);
    EXPECT_EQ(f.objectName, c.object);
    EXPECT_EQ(f.secure, c.secure);
  }
}

TEST_F(RequestPageTest, ProxyListDependsOnTheScheme) {
  const struct {
    const char* url;
    const char* proxy;
    HttpAccess access;
    const char* list;
  } cases[] = {
      {"http://h/", "", HttpAccess::NoProxy, ""},
      {"http://h/", "px:3128", HttpAccess::NamedProxy, "http=px:3128"},
      {"https://h/", "px:3128", HttpAccess::NamedProxy, "px:3128"},
  };
  for (const auto& c : cases) {
    FakeHttpSession f;
    requestPage({.url = c.url, .proxy = c.proxy}, f);
    EXPECT_EQ(f.access, c.access) << c.url << c.proxy;
    EXPECT_EQ(f.proxyList, c.list) << c.url << c.proxy;
  }
}

TEST_F(RequestPageTest, CredentialsNeedBothPartsAndGoServerFirst) {
  requestPage({.url = "http://h/", .userName = "u", .password = "p", .proxyUser = "pu",
               .proxyPassword = "pp"},
              fake);
  ASSERT_EQ(fake.credentials.size(), 2u);
  EXPECT_EQ(fake.credentials[0].target, CredentialTarget::Server);
  EXPECT_EQ(fake.credentials[0].user, "u");
  EXPECT_EQ(fake.credentials[0].password, "p");
  EXPECT_EQ(fake.credentials[1].target, CredentialTarget::Proxy);
  EXPECT_EQ(fake.credentials[1].user, "pu");
  EXPECT_EQ(fake.credentials[1].password, "pp");

  FakeHttpSession half;
  Text status;
  requestPage({.url = "http://h/", .userName = "u", .proxyPassword = "pp", .statusText = &status},
              half);
  EXPECT_TRUE(half.credentials.empty());
  EXPECT_EQ(status, "200 OK");
}

TEST_F(RequestPageTest, OptionsFollowCookieSupplyAndRedirectPolicy) {
  using Options = std::vector<std::pair<int, std::uint32_t>>;
  Text empty;
  FakeHttpSession supplied, notSupplied, noRedirect;
  requestPage({.url = "http://h/", .cookies = empty}, supplied);
  requestPage({.url = "http://h/"}, notSupplied);
  requestPage({.url = "http://h/", .noRedirect = true}, noRedirect);
  EXPECT_EQ(supplied.options, (Options{{79, 1}}));
  EXPECT_EQ(notSupplied.options, (Options{{63, 1}}));
  EXPECT_EQ(noRedirect.options, (Options{{63, 1}, {63, 2}}));
}

TEST_F(RequestPageTest, StepsRunInOrderAndBodyIsSentAsItsBytes) {
  fake.responseBody = textToBytes("hello");
  Text body = fromUtf8("a=中文&b=1");
  EXPECT_EQ(requestPage({.url = "http://h/x", .method = 1, .body = body}, fake), "hello");
  EXPECT_EQ(fake.sentBody, textToBytes(body));
  const std::vector<std::string> expected = {
      "checkPlatform", "crackUrl", "openSession", "connect", "openRequest", "setTimeouts",
      "setOption:63:1", "addRequestHeaders", "sendRequest", "receiveResponse",
      "queryDataAvailable", "readData", "queryDataAvailable", "queryRawHeaders",
      "closeHandle", "closeHandle", "closeHandle"};
  EXPECT_EQ(fake.calls, expected);
  EXPECT_EQ(fake.closed, (std::vector<HttpHandle>{R, C, S}));
}

}  // namespace
}  // namespace velmorin
