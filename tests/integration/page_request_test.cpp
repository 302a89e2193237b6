// requestPage against the album replica over http and https: what the replica received and
// what the engine made of its answers.
#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdlib>
#include <thread>

#include "net/page/request_page.h"
#include "platform/codepage.h"
#include "support/quiet_window_runtime.h"
#include "support/replica.h"
#include "text/text_ops.h"

namespace velmorin {
namespace {

using testing::Replica;

std::vector<std::string> headerValues(const testing::RecordedRequest& r, const std::string& name) {
  std::vector<std::string> values;
  for (const auto& [n, v] : r.headers)
    if (toLower(n) == toLower(name)) values.push_back(v);
  return values;
}

class PageRequestTest : public ::testing::TestWithParam<bool> {
 protected:
  static void SetUpTestSuite() {
    testing::installQuietWindowRuntime();
    setenv("VELMORIN_CA_FILE", Replica::testCertificatePath().c_str(), 1);
  }
  Replica replica{Replica::Options{.https = GetParam()}};
  Text url(const std::string& path) { return replica.url(path); }
};

TEST_P(PageRequestTest, DefaultHeaderLinesAndCookieLineArriveAsComposed) {
  Text cookies = "SUB=abc; SUBP=0033";
  Text status;
  Text page = requestPage({.url = url("/test/echo?x=1"), .cookies = cookies, .statusText = &status});
  EXPECT_EQ(status, "200 OK");
  auto got = replica.requests();
  ASSERT_EQ(got.size(), 1u);
  const auto& r = got[0];
  EXPECT_EQ(r.method, "GET");
  EXPECT_EQ(r.target, "/test/echo?x=1");
  EXPECT_EQ(r.header("User-Agent"),
            "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)");
  EXPECT_EQ(r.header("Accept"), "text/html, application/xhtml+xml, */*");
  EXPECT_EQ(r.header("Accept-Encoding"), "gbk, GB2312");
  EXPECT_EQ(r.header("Accept-Language"), "zh-cn");
  EXPECT_EQ(r.header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(r.header("Cache-Control"), "no-cache");
  EXPECT_EQ(headerValues(r, "Cookie"), std::vector<std::string>{"SUB=abc; SUBP=0033"});
  EXPECT_FALSE(r.hasHeader("Expect"));
  EXPECT_NE(page.find("target /test/echo?x=1"), Text::npos);  // the echo body
}

TEST_P(PageRequestTest, PostBodyAndReplacedHeaderLines) {
  Text body = fromUtf8("a=1&name=中文");
  requestPage({.url = url("/test/echo"), .method = 1, .body = body,
               .headers = "content-type: text/plain\r\nX-Extra: 1"});
  auto got = replica.requests();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].method, "POST");
  EXPECT_EQ(got[0].body, body);
  // The default line, added after the caller's, replaces it: one line of that name.
  EXPECT_EQ(headerValues(got[0], "Content-Type"),
            std::vector<std::string>{"application/x-www-form-urlencoded"});
  EXPECT_EQ(got[0].header("X-Extra"), "1");
  EXPECT_FALSE(got[0].hasHeader("Cookie"));

  replica.clearRequests();
  requestPage({.url = url("/test/echo"), .method = 3});
  ASSERT_EQ(replica.requests().size(), 1u);
  EXPECT_EQ(replica.requests()[0].method, "PUT");
}

TEST_P(PageRequestTest, RedirectsAreFollowedWithTheCookieLineOnTheSameHost) {
  Text cookies = "a=1", status, location = "old", headers;
  Text page = requestPage({.url = url("/test/redirect?n=3"), .cookies = cookies,
                           .responseHeaders = &headers, .location = &location,
                           .statusText = &status});
  EXPECT_EQ(status, "200 OK");
  EXPECT_EQ(location, "old");  // the block is the final answer's
  EXPECT_EQ(headers.find("Location"), Text::npos);
  auto got = replica.requests();
  ASSERT_EQ(got.size(), 4u);
  for (const auto& r : got) EXPECT_EQ(headerValues(r, "Cookie"), std::vector<std::string>{"a=1"});
  EXPECT_EQ(got.back().target, "/test/echo");
}

TEST_P(PageRequestTest, NoRedirectDeliversTheLocation) {
  Text status, location;
  requestPage({.url = url("/test/redirect?n=1"), .noRedirect = true, .location = &location,
               .statusText = &status});
  EXPECT_EQ(status, "302 Found");
  EXPECT_EQ(location, url("/test/echo"));
  EXPECT_EQ(replica.requests().size(), 1u);
}

TEST_P(PageRequestTest, CookieLineIsNotSentToAnotherHost) {
  Text cookies = "secret=1", status;
  requestPage({.url = url("/test/otherhost"), .cookies = cookies, .statusText = &status});
  EXPECT_EQ(status, "200 OK");
  auto got = replica.requests();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].header("Cookie"), "secret=1");
  EXPECT_EQ(got[1].header("Host").rfind("localhost", 0), 0u);
  EXPECT_FALSE(got[1].hasHeader("Cookie"));
}

TEST_P(PageRequestTest, EndlessRedirectsStopAfterTenFollowed) {
  Text status;
  EXPECT_EQ(requestPage({.url = url("/test/loop"), .statusText = &status}), "");
  EXPECT_EQ(status, fromUtf8("712 服务器未响应!"));
  EXPECT_EQ(replica.requests().size(), 11u);
}

TEST_P(PageRequestTest, StatusTextOfAMissingPage) {
  Text status;
  Text page = requestPage({.url = url("/test/status/404"), .statusText = &status});
  EXPECT_EQ(status, "404 Not Found");
  EXPECT_NE(page.find("<h1>404 Not Found</h1>"), Text::npos);
}

TEST_P(PageRequestTest, CookiesSetByTheAnswerAreCollectedAndMergedIntoTheSessionText) {
  SharedCookieText shared;
  shared.replace("a=0; keep=1");
  Text got, headers;
  requestPage({.url = url("/test/setcookie?a=5&b=6&lower=c%3D7"), .cookies = shared,
               .responseCookies = &got, .responseHeaders = &headers});
  EXPECT_EQ(got, "a=5;b=6;c=7");
  EXPECT_EQ(shared.read(), "a=5; b=6; c=7; keep=1");
  EXPECT_EQ(headers.find("set-cookie"), Text::npos);

  // The walks' form of the call.
  sessionCookie().replace("z=1");
  requestPage(url("/test/setcookie?y=2"), sessionCookie());
  EXPECT_EQ(sessionCookie().read(), "y=2; z=1");
  EXPECT_EQ(replica.requests().back().header("Cookie"), "z=1");
  sessionCookie().replace("");
}

TEST_P(PageRequestTest, DeclaredCharsetsComeBackInCodePage936) {
  const Text chinese = fromUtf8("中文页面：下载成功");
  Bytes bytes;
  Text page = requestPage({.url = url("/test/charset?name=utf-8"), .responseBytes = &bytes});
  EXPECT_NE(page.find(chinese), Text::npos);
  EXPECT_EQ(bytesToText(bytes).find(chinese), Text::npos);  // the bytes stay UTF-8
  EXPECT_NE(bytesToText(bytes).find(toUtf8(chinese)), Text::npos);

  for (const char* name : {"gbk", "gb2312"}) {
    Bytes raw;
    Text gbk = requestPage({.url = url(std::string("/test/charset?name=") + name),
                            .responseBytes = &raw});
    EXPECT_EQ(gbk, bytesToText(raw)) << name;
    EXPECT_NE(gbk.find(chinese), Text::npos) << name;
  }

  Text late = requestPage({.url = url("/test/charset?name=utf-8&pad=1500")});
  EXPECT_EQ(late.find(chinese), Text::npos);
  EXPECT_NE(late.find(toUtf8(chinese)), Text::npos);
}

TEST_P(PageRequestTest, BigHeaderBlockIsReadWhole) {
  Text got, headers, status;
  Text page = requestPage({.url = url("/test/bigheaders"), .responseCookies = &got,
                           .responseHeaders = &headers, .statusText = &status});
  EXPECT_EQ(page, "big headers");
  EXPECT_EQ(status, "200 OK");
  EXPECT_GT(headers.size(), 6000u);
  EXPECT_EQ(got, "late=1");
}

TEST_P(PageRequestTest, StallsEndWithinTheTimeout) {
  Text status;
  EXPECT_EQ(requestPage({.url = url("/test/stall?ms=4000&before=1"), .timeoutSeconds = 1,
                         .statusText = &status}),
            "");
  EXPECT_EQ(status, fromUtf8("712 服务器未响应!"));

  // Headers, then silence: the read fails, and the status line replaces the 713 text.
  Text status2;
  Bytes bytes = {1};
  EXPECT_EQ(requestPage({.url = url("/test/stall?ms=4000"), .timeoutSeconds = 1,
                         .statusText = &status2, .responseBytes = &bytes}),
            "");
  EXPECT_EQ(status2, "200 OK");
  EXPECT_TRUE(bytes.empty());
}

TEST_P(PageRequestTest, ABodyCutShortKeepsWhatArrived) {
  Bytes bytes;
  Text status;
  requestPage({.url = url("/test/short?bytes=1000"), .statusText = &status, .responseBytes = &bytes});
  EXPECT_EQ(status, "200 OK");
  EXPECT_EQ(bytes.size(), 500u);
}

TEST_P(PageRequestTest, BasicCredentialsAsReceived) {
  Text status;
  Text page = requestPage({.url = url("/test/auth"), .userName = "user", .password = "pa:ss",
                           .statusText = &status});
  EXPECT_EQ(status, "200 OK");
  EXPECT_EQ(page, "Basic dXNlcjpwYTpzcw==");

  Text denied;
  requestPage({.url = url("/test/auth"), .userName = "user", .statusText = &denied});
  EXPECT_EQ(denied, "401 Unauthorized");
}

TEST_P(PageRequestTest, LargeChunkedBodyArrivesWhole) {
  Bytes bytes;
  requestPage({.url = url("/test/bytes?n=3000000&seed=7&chunked=1"), .responseBytes = &bytes});
  std::string served = Replica::testBytes(3000000, 7);
  Bytes expected(served.begin(), served.end());
  ASSERT_EQ(bytes.size(), expected.size());
  EXPECT_TRUE(bytes == expected);
}

INSTANTIATE_TEST_SUITE_P(Schemes, PageRequestTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "https" : "http"; });

// A cookie that a redirecting answer sets travels to the next hop of the same call only.
TEST(PageRequestCookieCarryTest, CookieSetOnARedirectReachesTheNextHopButNotTheNextCall) {
  testing::installQuietWindowRuntime();
  httplib::Server server;
  std::vector<std::string> cookieLines;
  std::mutex mutex;
  server.Get("/a", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Set-Cookie", "hop=1; path=/");
    res.set_redirect("/b");
  });
  server.Get("/b", [&](const httplib::Request& req, httplib::Response& res) {
    std::lock_guard lock(mutex);
    auto range = req.headers.equal_range("Cookie");
    std::string all;
    for (auto it = range.first; it != range.second; ++it) all += "[" + it->second + "]";
    cookieLines.push_back(all);
    res.set_content("b", "text/plain");
  });
  server.set_keep_alive_max_count(1);  // stop() need not wait for idle connections
  int port = server.bind_to_any_port("127.0.0.1");
  std::thread thread([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const Text base = "http://127.0.0.1:" + std::to_string(port);

  Text cookies = "mine=1";
  EXPECT_EQ(requestPage({.url = base + "/a", .cookies = cookies}), "b");
  EXPECT_EQ(requestPage({.url = base + "/b", .cookies = cookies}), "b");
  requestPage({.url = base + "/a"});  // cookie handling off: nothing carried
  server.stop();
  thread.join();
  ASSERT_EQ(cookieLines.size(), 3u);
  // The caller's line and the stack's own cookie, each on its own line.
  EXPECT_TRUE(cookieLines[0] == "[mine=1][hop=1]" || cookieLines[0] == "[hop=1][mine=1]")
      << cookieLines[0];
  EXPECT_EQ(cookieLines[1], "[mine=1]");
  EXPECT_EQ(cookieLines[2], "");
  EXPECT_EQ(cookies, "mine=1");  // the final answer set nothing
}

}  // namespace
}  // namespace velmorin
