// What the page engine makes of an answer: status text, header block, cookies, location,
// bytes and the page text decoded from a declared charset.
#include <gtest/gtest.h>

#include "fake_http_session.h"
#include "net/page/request_page.h"
#include "platform/codepage.h"
#include "support/quiet_window_runtime.h"
#include "text/text_ops.h"

namespace velmorin {
namespace {

using testing::FakeHttpSession;

class PageResponseTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::installQuietWindowRuntime(); }
  FakeHttpSession fake;
};

TEST_F(PageResponseTest, StatusTextIsCodeAndPhraseOfTheStatusLine) {
  const std::pair<Text, Text> cases[] = {
      {"HTTP/1.1 404 Not Found\r\nServer: x\r\n\r\n", "404 Not Found"},
      {"HTTP/1.1 200 OK\r\n\r\n", "200 OK"},
      {"HTTP/1.1 200 OK", ""},  // no line break at or after byte 10
  };
  for (const auto& [block, status] : cases) {
    FakeHttpSession f;
    f.responseHeaderBlock = block;
    Text got = "old", headers;
    requestPage({.url = "http://h/", .responseHeaders = &headers, .statusText = &got}, f);
    EXPECT_EQ(got, status) << block;
    EXPECT_EQ(headers, block);
  }
}

TEST_F(PageResponseTest, SetCookieLinesGivePairsInOrderAndTheNameIsNormalised) {
  fake.responseHeaderBlock =
      "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/; HttpOnly\r\nX: y\r\n"
      "set-cookie: b=2\r\nSET-COOKIE:  c=3 ; Domain=h\r\n\r\n";
  Text got, headers;
  requestPage({.url = "http://h/", .responseCookies = &got, .responseHeaders = &headers}, fake);
  EXPECT_EQ(got, "a=1; b=2; c=3");
  EXPECT_EQ(headers,
            "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/; HttpOnly\r\nX: y\r\n"
            "Set-Cookie: b=2\r\nSet-Cookie:  c=3 ; Domain=h\r\n\r\n");
}

TEST_F(PageResponseTest, PairsAreAppendedToWhatTheOutputHeld) {
  fake.responseHeaderBlock = "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\n\r\n";
  Text got = "x=0";
  requestPage({.url = "http://h/", .responseCookies = &got}, fake);
  EXPECT_EQ(got, "x=0a=1");

  FakeHttpSession none;
  Text untouched = "x=0";
  requestPage({.url = "http://h/", .responseCookies = &untouched}, none);
  EXPECT_EQ(untouched, "x=0");
}

TEST_F(PageResponseTest, SuppliedCookiesAreMergedAndResponseCookiesLoseTheirSpaces) {
  fake.responseHeaderBlock =
      "HTTP/1.1 200 OK\r\nSet-Cookie: a=2; path=/\r\nSet-Cookie: gone=deleted\r\n\r\n";
  Text cookies = "a=1; gone=5; c=3", got;
  requestPage({.url = "http://h/", .cookies = cookies, .responseCookies = &got}, fake);
  EXPECT_EQ(cookies, "a=2; c=3");
  EXPECT_EQ(got, "a=2;gone=deleted");
}

TEST_F(PageResponseTest, MergeRunsWithoutSetCookieLinesAndIntoTheSharedText) {
  SharedCookieText shared;
  shared.replace("k=x y; k=2");
  requestPage(Text("http://h/"), shared, fake);
  EXPECT_EQ(shared.read(), "k=xy");
}

TEST_F(PageResponseTest, LocationNeedsTheNameColonAndBlankInAnyCase) {
  const std::pair<Text, Text> cases[] = {
      {"HTTP/1.1 302 Found\r\nLocation: http://h/next?a=1\r\n\r\n", "http://h/next?a=1"},
      {"HTTP/1.1 302 Found\r\nLOCATION: /up\r\n\r\n", "/up"},
      {"HTTP/1.1 302 Found\r\nLocation: /1\r\nlocation: /2\r\n\r\n", "/2"},
      {"HTTP/1.1 302 Found\r\nLocation:/tight\r\n\r\n", "old"},
      {"HTTP/1.1 200 OK\r\n\r\n", "old"},
  };
  for (const auto& [block, expected] : cases) {
    FakeHttpSession f;
    f.responseHeaderBlock = block;
    Text location = "old";
    requestPage({.url = "http://h/", .location = &location}, f);
    EXPECT_EQ(location, expected) << block;
  }
}

TEST_F(PageResponseTest, PageTextEndsAtTheFirstZeroWhileBytesKeepEverything) {
  fake.responseBody = {'{', '"', 'a', '"', ':', '1', '}', 0, 'x'};
  fake.responseHeaderBlock = "HTTP/1.1 200 OK\r\n\r\n";
  Bytes bytes;
  EXPECT_EQ(requestPage({.url = "http://h/", .responseBytes = &bytes}, fake), "{\"a\":1}");
  EXPECT_EQ(bytes, fake.responseBody);
}

TEST_F(PageResponseTest, EmptyBodyStillWritesTheHeaderOutputs) {
  fake.responseHeaderBlock = "HTTP/1.1 204 No Content\r\nSet-Cookie: s=1\r\n\r\n";
  Text status, got;
  EXPECT_EQ(requestPage({.url = "http://h/", .responseCookies = &got, .statusText = &status},
                        fake),
            "");
  EXPECT_EQ(status, "204 No Content");
  EXPECT_EQ(got, "s=1");
  EXPECT_EQ(fake.calls[fake.calls.size() - 5], "queryDataAvailable");  // the only one
}

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST_F(PageResponseTest, DeclaredCharsetDecidesHowTheBodyIsDecoded) {
  const std::string utf8Chinese = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文 in UTF-8
  const Text gbkChinese = fromUtf8("中文");
  const Text gbkOnly = fromUtf8("镕");  // in GBK, not in GB2312
  const std::string padding(1500, ' ');
  struct Case {
    const char* name;
    std::string body;
    Text expected;
  } cases[] = {
      {"utf-8 declared", "<html><meta charset=\"utf-8\">" + utf8Chinese,
       "<html><meta charset=\"utf-8\">" + gbkChinese},
      {"content attribute",
       "<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">" + utf8Chinese,
       "<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">" + gbkChinese},
      {"declared too late", padding + "<meta charset=\"utf-8\">" + utf8Chinese,
       padding + "<meta charset=\"utf-8\">" + utf8Chinese},
      {"gbk untouched", "<meta charset=gbk>" + gbkOnly + "\x80", "<meta charset=gbk>" + gbkOnly + "\x80"},
      {"gb2312 untouched", "<meta charset=gb2312>" + gbkOnly, "<meta charset=gb2312>" + gbkOnly},
      {"GB2312 goes through the stream", "<meta charset=GB2312>" + gbkOnly,
       "<meta charset=GB2312>?"},
      {"unknown charset gives nothing", "<meta charset=x-no-such-set>abc", ""},
      {"no declaration", "{\"json\":true}", "{\"json\":true}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeHttpSession f;
    f.responseBody = bytesOf(c.body);
    Bytes bytes;
    EXPECT_EQ(requestPage({.url = "http://h/", .responseBytes = &bytes}, f), c.expected);
    EXPECT_EQ(bytes, f.responseBody);
  }
}

}  // namespace
}  // namespace velmorin
