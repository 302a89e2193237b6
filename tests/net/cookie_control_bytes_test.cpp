// A Set-Cookie line whose pair holds a CR, LF or other control byte adds nothing to the
// cookie text: that text is later sent as a Cookie line, where a line break would start a
// header of the server's choosing.
#include <gtest/gtest.h>

#include "fake_http_session.h"
#include "net/file/request_file.h"
#include "net/page/request_page.h"
#include "support/quiet_window_runtime.h"

namespace velmorin {
namespace {

const Text kBlocks[] = {
    "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\rX-Injected: 1\r\nSet-Cookie: b=2\r\n\r\n",
    "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\nX-Injected: 1; path=/\r\nSet-Cookie: b=2\r\n\r\n",
    "HTTP/1.1 200 OK\r\n\rSet-Cookie:\n\r\nSet-Cookie: b=2; path=/\r\n\r\n",
    "HTTP/1.1 200 OK\r\nSet-Cookie: a=\x01\x7f; path=/\r\nSet-Cookie: b=2\r\n\r\n",
};

TEST(CookieControlBytes, PageEngineKeepsThemOutOfTheCookieText) {
  testing::installQuietWindowRuntime();
  for (const Text& block : kBlocks) {
    SCOPED_TRACE(block);
    testing::FakeHttpSession fake;
    fake.responseHeaderBlock = block;
    Text cookies = "s=1", got;
    requestPage({.url = "http://h/", .cookies = cookies, .responseCookies = &got}, fake);
    EXPECT_EQ(got, "b=2");
    EXPECT_EQ(cookies, "b=2; s=1");
  }
}

TEST(CookieControlBytes, FileEngineKeepsThemOutOfTheCookieText) {
  for (const Text& block : kBlocks) {
    SCOPED_TRACE(block);
    EXPECT_EQ(responseCookiesFromHeaders(block), "b=2");
  }
}

}  // namespace
}  // namespace velmorin
