// The file engine over a scripted session layer: what it hands to each call, how it reads
// the answer, and every early exit.
#include <gtest/gtest.h>

#include "net/fake_internet_session.h"
#include "net/file/request_file.h"

namespace velmorin {
namespace {

using testing::FakeInternetSession;

constexpr std::uint32_t kAlways = kInternetFlagReload | kInternetFlagNeedFile;

TEST(RequestFileFailure, EachEarlyExitClosesWhatWasOpenedAndTouchesNoOutput) {
  struct Case {
    const char* name;
    bool open, connect, request;
    std::vector<std::string> closed;
  } cases[] = {
      {"session", true, false, false, {"null"}},
      {"connection", false, true, false, {"null", "session"}},
      {"request", false, false, true, {"null", "connection", "session"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeInternetSession layer;
    layer.failOpen = c.open;
    layer.failConnect = c.connect;
    layer.failOpenRequest = c.request;
    layer.body = "never read";
    Text cookies = "a=1", responseCookies = "rc", headers = "X-Old: 1", responseHeaders = "rh";
    Bytes bodyBytes;
    FileTransfer transfer;
    const Bytes result = requestFile({.url = "http://h/x",
                                      .method = 1,
                                      .body = "b",
                                      .cookies = cookies,
                                      .responseCookies = &responseCookies,
                                      .headers = &headers,
                                      .responseHeaders = &responseHeaders,
                                      .bodyBytes = &bodyBytes,
                                      .transfer = &transfer},
                                     layer);
    EXPECT_TRUE(result.empty());
    EXPECT_EQ(layer.closed, c.closed);
    EXPECT_FALSE(layer.call.sendCalled);
    EXPECT_EQ(cookies, "a=1");
    EXPECT_EQ(responseCookies, "rc");
    EXPECT_EQ(headers, "X-Old: 1");
    EXPECT_EQ(responseHeaders, "rh");
    EXPECT_TRUE(bodyBytes.empty());
    EXPECT_FALSE(transfer.reached);
  }
}

// Addresses cut out of pages must not open anything: a CR LF would add header lines, and
// other schemes are not ours to fetch.
TEST(RequestFileFailure, UnfetchableAddressesNeverReachTheLayer) {
  const Text refused[] = {"http://h/a.jpg\r\nX-Injected: 1", "http://h/a b.jpg", "http://h/\ta",
                          "javascript:alert(1)", "file:///etc/passwd", "ftp://h/a.jpg",
                          "data:image/jpeg;base64,AA", "/js/early.js\"></script>\n<img src=\"http://h/a.jpg"};
  for (const Text& url : refused) {
    SCOPED_TRACE(url);
    EXPECT_FALSE(isFetchableAddress(url));
    FakeInternetSession layer;
    FileTransfer transfer;
    EXPECT_TRUE(requestFile({.url = url, .transfer = &transfer}, layer).empty());
    EXPECT_TRUE(layer.closed.empty());
    EXPECT_FALSE(transfer.reached);
  }
  for (const Text& url : {Text("http://h/a.jpg"), Text("HTTPS://H/a.jpg"), Text("h/a.jpg"),
                          Text("localhost:8080/a.jpg"), Text("127.0.0.1:80/a?b=c&d=%20")})
    EXPECT_TRUE(isFetchableAddress(url)) << url;
}

TEST(RequestFileCalls, HandsEachCallItsPartsOfTheAddressAndTheFlags) {
  struct Case {
    Text url;
    int method;
    bool cookies, noRedirect;
    Text proxy;
    // expected
    const char* verb;
    const char* host;
    int port;
    const char* path;
    std::uint32_t flags;
    InternetAccess access;
    const char* proxyText;
  } cases[] = {
      {"http://img.example/a/b.jpg?x=1#f", 0, false, false, "", "GET", "img.example", 80,
       "/a/b.jpg?x=1#f", kAlways | kInternetFlagIgnoreRedirectToHttps, InternetAccess::direct, ""},
      {"img.example/Pic.JPG", 7, false, false, "", "GET", "img.example", 80, "/Pic.JPG",
       kAlways | kInternetFlagIgnoreRedirectToHttps, InternetAccess::direct, ""},
      {"HTTPS://IMG.Example/Dir/Pic.JPG", -1, true, false, "", "GET", "img.example", 443,
       "/Dir/Pic.JPG", kAlways | kInternetFlagNoCookies | kInternetFlagSecure,
       InternetAccess::direct, ""},
      {"http://img.example:8080", 1, false, true, "", "POST", "img.example", 8080, "/",
       kAlways | kInternetFlagNoAutoRedirect | kInternetFlagIgnoreRedirectToHttps,
       InternetAccess::direct, ""},
      // "https" without "://" picks port 443 but not the secure flag.
      {"httpsimg.example/p", 2, false, false, "", "HEAD", "httpsimg.example", 443, "/p",
       kAlways | kInternetFlagIgnoreRedirectToHttps, InternetAccess::direct, ""},
      {"http://h/p", 0, false, false, "proxy:3128", "GET", "h", 80, "/p",
       kAlways | kInternetFlagIgnoreRedirectToHttps, InternetAccess::proxy, "http=proxy:3128"},
      {"https://h:444/p", 0, false, false, "proxy:3128", "GET", "h", 444, "/p",
       kAlways | kInternetFlagSecure, InternetAccess::proxy, "proxy:3128"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    FakeInternetSession layer;
    Text cookieText;
    FileRequest request{.url = c.url, .method = c.method, .noRedirect = c.noRedirect,
                        .proxy = c.proxy};
    if (c.cookies) request.cookies = cookieText;
    requestFile(request, layer);
    EXPECT_EQ(layer.call.verb, c.verb);
    EXPECT_EQ(layer.call.host, c.host);
    EXPECT_EQ(layer.call.port, c.port);
    EXPECT_EQ(layer.call.path, c.path);
    EXPECT_EQ(layer.call.version, "HTTP/1.1");
    EXPECT_EQ(layer.call.flags, c.flags);
    EXPECT_EQ(layer.call.access, c.access);
    EXPECT_EQ(layer.call.proxy, c.proxyText);
    EXPECT_EQ(layer.call.agent, "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
    EXPECT_EQ(layer.closed, (std::vector<std::string>{"request", "connection", "session"}));
  }
}

TEST(RequestFileBody, ReadsTheWholeBodyIn1024ByteCallsAndReportsTheOutcome) {
  FakeInternetSession layer;
  for (int i = 0; i < 2500; ++i) layer.body.push_back(static_cast<char>(i % 251));
  layer.body[10] = '\0';
  layer.result = {206, false};
  FileTransfer transfer;
  const Bytes result = requestFile({.url = "http://h/big", .transfer = &transfer}, layer);
  EXPECT_EQ(std::string(result.begin(), result.end()), layer.body);
  EXPECT_GE(layer.readSizes.size(), 5u);  // 700-byte reads, then the empty one
  for (std::uint32_t size : layer.readSizes) EXPECT_EQ(size, 1024u);
  EXPECT_TRUE(transfer.reached);
  EXPECT_EQ(transfer.status, 206);
  EXPECT_FALSE(transfer.transferOk);
}

TEST(RequestFileBody, SendsBodyBytesForPostAndHeadOnly) {
  struct Case {
    int method;
    Text body;
    Bytes bodyBytes;
    Bytes sent;
    Bytes after;
  } cases[] = {
      {1, "x=1&y=2", {}, {'x', '=', '1', '&', 'y', '=', '2'}, {'x', '=', '1', '&', 'y', '=', '2'}},
      {2, "x=1", {}, {'x', '=', '1'}, {'x', '=', '1'}},
      {1, "ignored", {0, 1, 2}, {0, 1, 2}, {0, 1, 2}},
      {0, "not sent", {9}, {}, {9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.method);
    FakeInternetSession layer;
    Bytes bodyBytes = c.bodyBytes;
    requestFile({.url = "http://h/", .method = c.method, .body = c.body, .bodyBytes = &bodyBytes},
                layer);
    EXPECT_EQ(layer.call.sent, c.sent);
    EXPECT_EQ(bodyBytes, c.after);
  }
}

TEST(RequestFileHeaders, NormalisesSetCookieAndCollectsTheFirstPairOfEachLine) {
  FakeInternetSession layer;
  layer.rawHeaders =
      "HTTP/1.1 200 OK\r\nset-cookie: a=1; Path=/\r\nSET-COOKIE:b=2\r\n"
      "X-Set-Cookie-Note: q\r\nContent-Length: 0\r\n\r\n";
  Text responseCookies, responseHeaders;
  requestFile({.url = "http://h/", .responseCookies = &responseCookies,
               .responseHeaders = &responseHeaders},
              layer);
  EXPECT_EQ(responseHeaders,
            "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/\r\nSet-Cookie:b=2\r\n"
            "X-Set-Cookie-Note: q\r\nContent-Length: 0\r\n\r\n");
  // The note line holds "Set-Cookie" and no ";": the whole line becomes a piece.
  EXPECT_EQ(responseCookies, "a=1; b=2; X-Set-Cookie-Note: q");
}

TEST(RequestFileHeaders, AFailedHeaderQueryLeavesSpacesAndNoCookies) {
  FakeInternetSession layer;
  layer.rawHeaders = "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nX: " + std::string(4959, 'v') +
                     "\r\n\r\n";  // 5000 bytes with its zero byte: one too many
  ASSERT_EQ(layer.rawHeaders.size() + 1, 5001u);
  Text cookies = "b=2;  c=3", responseCookies = "old", responseHeaders;
  requestFile({.url = "http://h/", .cookies = cookies, .responseCookies = &responseCookies,
               .responseHeaders = &responseHeaders},
              layer);
  EXPECT_EQ(responseHeaders, std::string(5000, ' '));
  EXPECT_EQ(responseCookies, "b=2; c=3");
  EXPECT_EQ(cookies, "b=2; c=3");  // passed through the merge, which only normalises it

  layer.rawHeaders.erase(0, 1);  // now it fits exactly
  FakeInternetSession fits;
  fits.rawHeaders = layer.rawHeaders;
  requestFile({.url = "http://h/", .responseCookies = &responseCookies,
               .responseHeaders = &responseHeaders},
              fits);
  EXPECT_EQ(responseHeaders, fits.rawHeaders);
  EXPECT_EQ(responseCookies, "a=1");
}

TEST(RequestFileCookies, MergesTheAnswersCookiesIntoALocalOrSharedText) {
  const std::string answer = "HTTP/1.1 200 OK\r\nSet-Cookie: b=9; path=/\r\n"
                             "Set-Cookie: a=deleted; path=/\r\n\r\n";
  {
    FakeInternetSession layer;
    layer.rawHeaders = answer;
    Text cookies = "a=1; b=2; c=3", responseCookies;
    requestFile({.url = "http://h/", .cookies = cookies, .responseCookies = &responseCookies},
                layer);
    EXPECT_EQ(layer.call.headers.substr(layer.call.headers.rfind("\r\n")),
              "\r\nCookie: a=1; b=2; c=3");
    EXPECT_EQ(cookies, "b=9; c=3");
    EXPECT_EQ(responseCookies, "b=9; c=3");
  }
  {
    FakeInternetSession layer;
    layer.rawHeaders = answer;
    SharedCookieText shared;
    shared.replace("c=3");
    requestFile({.url = "http://h/", .cookies = shared}, layer);
    EXPECT_EQ(shared.read(), "b=9; c=3");
    EXPECT_NE(layer.call.flags & kInternetFlagNoCookies, 0u);
  }
}

TEST(FileRequestParts, HeaderComposition) {
  const Text url = "http://h/p.jpg";
  const Text defaults = "Accept: */*\r\nReferer: http://h/p.jpg\r\nAccept-Language: zh-cn\r\n"
                        "Content-Type: application/x-www-form-urlencoded";
  struct Case {
    Text headers, cookies, expected;
  } cases[] = {
      {"", "", defaults},
      {"", "s=1; t=2", defaults + "\r\nCookie: s=1; t=2"},
      {"", "Cookie: s=1", defaults + "\r\nCookie: s=1"},
      {"X-A: 1", "", "X-A: 1\r\n" + defaults},
      {"Accept: image/*\r\nReferer: r\r\nAccept-Language: en\r\nContent-Type: t", "",
       "Accept: image/*\r\nReferer: r\r\nAccept-Language: en\r\nContent-Type: t"},
      // searches are exact: a lower-case line does not count
      {"accept: x", "", "accept: x\r\n" + defaults},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.headers + " | " + c.cookies);
    EXPECT_EQ(composeFileHeaders(c.headers, url, c.cookies), c.expected);
  }
}

TEST(FileRequestParts, UserAgentRule) {
  const Text standard = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
  struct Case {
    Text headers, agent;
  } cases[] = {
      {"", standard},
      {"Accept: */*", standard},
      {"Accept: */*\r\nUser-Agent:  Tool/1 \r\nX: y", "Tool/1"},
      {"user-agent: Low/2", "Low/2"},
      {"USER-AGENT:Up/3", "Up/3"},
      // a differently cased line after another one: the fallback takes everything after
      // the first ":" of the whole text
      {"Accept: a\r\nuser-agent: Low/2", "a\r\nuser-agent: Low/2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.headers);
    EXPECT_EQ(fileUserAgent(c.headers), c.agent);
  }
  EXPECT_EQ(userAgentFromHeaders("no colon"), "");
}

TEST(FileRequestParts, ResponseCookieExtraction) {
  struct Case {
    Text headers, cookies;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\n\r\n", ""},
      {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=x=y\r\n\r\n", "a=1; b=x=y"},
      {"HTTP/1.1 200 OK\r\nSet-Cookie a=1; path=/\r\n\r\n", ""},  // an empty piece, then cut
      {"HTTP/1.1 200 OK\r\nSet-Cookie a=1; path=/\r\nSet-Cookie: c=3\r\n\r\n", "; c=3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.headers);
    EXPECT_EQ(responseCookiesFromHeaders(c.headers), c.cookies);
  }
}

TEST(FileRequestParts, UrlParts) {
  struct Case {
    Text url, host;
    int port;
    Text path;
  } cases[] = {
      {"http://a.example/x/Y.jpg", "a.example", 80, "/x/Y.jpg"},
      {"a.example/x", "a.example", 80, "/x"},
      {"a.example", "a.example", 80, "/"},
      {"HTTPS://A.Example/Q", "a.example", 443, "/Q"},
      {"https://a.example:8443", "a.example", 8443, "/"},
      {"http://a.example:x9/", "a.example", 0, "/"},
      {"httpsa.example/", "httpsa.example", 443, "/"},
      {"http://t/P", "t", 80, "/P"},  // a host that also occurs inside the scheme
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(urlHost(c.url), c.host);
    EXPECT_EQ(urlPort(c.url), c.port);
    EXPECT_EQ(urlPath(c.url), c.path);
  }
}

}  // namespace
}  // namespace velmorin
