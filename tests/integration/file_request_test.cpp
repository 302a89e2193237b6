// The file engine over libcurl against the album replica: what goes out on the wire, what
// comes back, and how the per-user cookie store takes part.
#include <gtest/gtest.h>

#include "cookies/stored_cookies.h"
#include "net/file/request_file.h"
#include "platform/cookie_store.h"
#include "support/cookie_home.h"
#include "support/replica.h"

namespace velmorin {
namespace {

using testing::CookieHome;
using testing::RecordedRequest;
using testing::Replica;

const Text kAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

std::string text(const Bytes& b) { return std::string(b.begin(), b.end()); }

class FileRequestOverReplica : public ::testing::Test {
 protected:
  CookieHome home;  // before the replica: every test starts with an empty store
  Replica replica;

  Text url(const std::string& path) const { return replica.baseUrl() + path.substr(1); }
  Text hostPort() const { return "127.0.0.1:" + std::to_string(replica.port()); }
  RecordedRequest only() const {
    const auto all = replica.requests();
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? RecordedRequest() : all.back();
  }
};

TEST_F(FileRequestOverReplica, TheSystemsOwnCallsSendExactlyTheDefaultHeaderText) {
  const Text image = url("/large/1.jpg");
  const Text defaults = "Accept: */*\r\nReferer: " + image +
                        "\r\nAccept-Language: zh-cn\r\n"
                        "Content-Type: application/x-www-form-urlencoded";
  for (const Text& cookie : {Text(), Text("SUB=abc; SUBP=x=y")}) {
    SCOPED_TRACE(cookie);
    replica.clearRequests();
    SharedCookieText shared;
    shared.replace(cookie);
    Text headers;
    FileTransfer transfer;
    FileRequest request{.url = image, .headers = &headers, .transfer = &transfer};
    if (!cookie.empty()) request.cookies = shared;
    const Bytes body = requestFile(request);

    EXPECT_EQ(text(body), replica.largeImage(1));
    EXPECT_EQ(headers, cookie.empty() ? defaults : defaults + "\r\nCookie: " + cookie);
    EXPECT_TRUE(transfer.reached && transfer.transferOk);
    EXPECT_EQ(transfer.status, 200);
    const RecordedRequest got = only();
    EXPECT_EQ(got.method, "GET");
    EXPECT_EQ(got.target, "/large/1.jpg");
    EXPECT_EQ(got.header("Accept"), "*/*");
    EXPECT_EQ(got.header("Referer"), image);
    EXPECT_EQ(got.header("Accept-Language"), "zh-cn");
    EXPECT_EQ(got.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(got.header("User-Agent"), kAgent);
    EXPECT_EQ(got.header("Cookie"), cookie);
    EXPECT_EQ(got.hasHeader("Cookie"), !cookie.empty());
  }
}

TEST_F(FileRequestOverReplica, UserAgentLineIsSentAsWrittenAndNamesTheAgent) {
  for (const Text& line : {Text("User-Agent: Tool/1.0"), Text("user-agent: low/2")}) {
    SCOPED_TRACE(line);
    replica.clearRequests();
    Text headers = line;
    requestFile({.url = url("/test/echo"), .headers = &headers});
    const RecordedRequest got = only();
    EXPECT_EQ(got.header("User-Agent"), line.substr(line.find(':') + 2));
    int agents = 0;
    for (const auto& [name, value] : got.headers) agents += strcasecmp(name.c_str(), "user-agent") == 0;
    EXPECT_EQ(agents, 1);
  }
}

TEST_F(FileRequestOverReplica, AddressesWithoutSchemeInCapitalsAndWithBarePort) {
  struct Case {
    Text url;
    std::string target;
  } cases[] = {
      {hostPort() + "/test/echo?q=1", "/test/echo?q=1"},
      {"HTTP://127.0.0.1:" + std::to_string(replica.port()) + "/Test/Echo", "/Test/Echo"},
      {"http://127.0.0.1:" + std::to_string(replica.port()), "/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    replica.clearRequests();
    FileTransfer transfer;
    requestFile({.url = c.url, .transfer = &transfer});
    EXPECT_EQ(only().target, c.target);
    EXPECT_TRUE(transfer.transferOk);
  }
  // "https://" in capitals makes the request secure: a TLS hello to a plain server fails.
  replica.clearRequests();
  FileTransfer transfer;
  const Bytes body = requestFile(
      {.url = "HTTPS://127.0.0.1:" + std::to_string(replica.port()) + "/test/echo",
       .transfer = &transfer});
  EXPECT_TRUE(body.empty());
  EXPECT_TRUE(transfer.reached);
  EXPECT_FALSE(transfer.transferOk);
  EXPECT_TRUE(replica.requests().empty());
}

TEST_F(FileRequestOverReplica, PostAndHeadCarryTheBody) {
  Bytes bodyBytes;
  const Bytes answer = requestFile(
      {.url = url("/test/echo"), .method = 1, .body = "a=1&b=2", .bodyBytes = &bodyBytes});
  RecordedRequest got = only();
  EXPECT_EQ(got.method, "POST");
  EXPECT_EQ(got.body, "a=1&b=2");
  EXPECT_EQ(got.header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(text(bodyBytes), "a=1&b=2");
  EXPECT_NE(text(answer).find("method POST"), std::string::npos);

  for (const Text& body : {Text(), Text("h=1")}) {
    SCOPED_TRACE(body);
    replica.clearRequests();
    FileTransfer transfer;
    const Bytes head = requestFile(
        {.url = url("/large/2.jpg"), .method = 2, .body = body, .transfer = &transfer});
    got = only();
    EXPECT_EQ(got.method, "HEAD");
    // The replica does not read a HEAD body; its length shows it was sent.
    EXPECT_EQ(got.header("Content-Length"), body.empty() ? "" : "3");
    EXPECT_EQ(text(head), "");
    EXPECT_TRUE(head.empty());
    EXPECT_EQ(transfer.status, 200);
    EXPECT_TRUE(transfer.transferOk);
  }
}

TEST_F(FileRequestOverReplica, CookiesAbsentUseTheStoreAcrossCalls) {
  Text responseCookies;
  requestFile({.url = url("/test/setcookie?k=v&s=2"), .responseCookies = &responseCookies});
  EXPECT_EQ(responseCookies, "k=v; s=2");
  EXPECT_EQ(readStoredCookies(hostPort() + "/"), "k=v; s=2");

  replica.clearRequests();
  Text headers;
  requestFile({.url = url("/test/echo"), .headers = &headers});
  // libcurl orders the store's cookies newest first
  EXPECT_EQ(only().header("Cookie"), "s=2; k=v");
  EXPECT_EQ(headers.find("Cookie"), std::string::npos);  // the store's line is not ours
}

TEST_F(FileRequestOverReplica, APresentButEmptyCookieTextLeavesTheStoreOut) {
  CookieStore::instance().add({.name = "stored", .value = "1", .domain = "127.0.0.1"});
  Text cookies, responseCookies;
  requestFile({.url = url("/test/setcookie?n=1&lower=m%3D2%3B%20path%3D%2F"),
               .cookies = cookies,
               .responseCookies = &responseCookies});
  EXPECT_FALSE(only().hasHeader("Cookie"));
  EXPECT_EQ(cookies, "n=1; m=2");
  EXPECT_EQ(responseCookies, "n=1; m=2");
  EXPECT_EQ(readStoredCookies(hostPort() + "/"), "stored=1");

  replica.clearRequests();
  requestFile({.url = url("/test/echo"), .cookies = cookies});
  EXPECT_EQ(only().header("Cookie"), "n=1; m=2");
}

TEST_F(FileRequestOverReplica, HeadersBeyond5000BytesGiveSpacesAndNoCookies) {
  Text cookies = "a=1", responseCookies = "old", responseHeaders;
  const Bytes body = requestFile({.url = url("/test/bigheaders"),
                                  .cookies = cookies,
                                  .responseCookies = &responseCookies,
                                  .responseHeaders = &responseHeaders});
  EXPECT_EQ(text(body), "big headers");
  EXPECT_EQ(responseHeaders, std::string(5000, ' '));
  EXPECT_EQ(responseCookies, "a=1");
  EXPECT_EQ(cookies, "a=1");

  requestFile({.url = url("/test/setcookie?x=1"), .responseHeaders = &responseHeaders});
  EXPECT_EQ(responseHeaders.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  EXPECT_NE(responseHeaders.find("\r\nSet-Cookie: x=1; path=/\r\n"), std::string::npos);
  EXPECT_EQ(responseHeaders.substr(responseHeaders.size() - 4), "\r\n\r\n");
}

TEST_F(FileRequestOverReplica, ErrorPagesAreBodiesAndCutBodiesAreReported) {
  FileTransfer transfer;
  Bytes body = requestFile({.url = url("/test/status/404"), .transfer = &transfer});
  EXPECT_NE(text(body).find("404"), std::string::npos);
  EXPECT_EQ(transfer.status, 404);
  EXPECT_TRUE(transfer.transferOk);

  body = requestFile({.url = url("/test/short?bytes=2000"), .transfer = &transfer});
  EXPECT_EQ(body.size(), 1000u);
  EXPECT_EQ(transfer.status, 200);
  EXPECT_FALSE(transfer.transferOk);
}

TEST_F(FileRequestOverReplica, RedirectsAreBoundedAndKeepTheCookieLineOnItsHost) {
  FileTransfer transfer;
  Bytes body = requestFile({.url = url("/test/redirect?n=10"), .transfer = &transfer});
  EXPECT_NE(text(body).find("target /test/echo"), std::string::npos);
  EXPECT_TRUE(transfer.transferOk);

  body = requestFile({.url = url("/test/loop"), .transfer = &transfer});
  EXPECT_FALSE(transfer.transferOk);

  replica.clearRequests();
  body = requestFile({.url = url("/test/redirect?n=1"), .noRedirect = true, .transfer = &transfer});
  EXPECT_EQ(transfer.status, 302);
  EXPECT_EQ(replica.requests().size(), 1u);

  replica.clearRequests();
  Text cookies = "secret=1";
  requestFile({.url = url("/test/otherhost"), .cookies = cookies});
  const auto got = replica.requests();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].header("Cookie"), "secret=1");
  EXPECT_EQ(got[1].header("Host").rfind("localhost", 0), 0u);
  EXPECT_FALSE(got[1].hasHeader("Cookie"));
}

}  // namespace
}  // namespace velmorin
