// The replica's /test/ endpoints that the request-engine tests build on.
#include <gtest/gtest.h>
#include <httplib.h>

#include "platform/codepage.h"
#include "support/replica.h"

namespace velmorin::testing {
namespace {

class ReplicaTestEndpoints : public ::testing::Test {
 protected:
  ReplicaTestEndpoints() : client_("http://127.0.0.1:" + std::to_string(replica_.port())) {
    client_.set_read_timeout(10, 0);
  }
  Replica replica_;
  httplib::Client client_;
};

TEST_F(ReplicaTestEndpoints, StatusPagesAndBodies) {
  struct Case {
    std::string target;
    int status;
    std::string body;  // exact, or "" to check only the status
  };
  const Case cases[] = {
      {"/test/status/404", 404, ""},
      {"/test/status/503", 503, ""},
      {"/test/empty", 200, ""},
      {"/test/bytes?n=70000&seed=3", 200, Replica::testBytes(70000, 3)},
      {"/test/bytes?n=5000&chunked=1", 200, Replica::testBytes(5000)},
      {"/test/cut?bytes=1000", 200, Replica::testBytes(1000, 1).substr(0, 500)},
      {"/test/stall?ms=200&before=1", 200, "stalled answer"},
      {"/test/stall?ms=200", 200, "stalled answer"},
      {"/no/such/page", 404, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    auto res = client_.Get(c.target.c_str());
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, c.status);
    if (c.status == 200) {
      EXPECT_EQ(res->body, c.body);
    } else {
      EXPECT_NE(res->body.find(std::to_string(c.status)), std::string::npos);
    }
  }
  auto chunked = client_.Get("/test/bytes?n=10&chunked=1");
  ASSERT_TRUE(chunked);
  EXPECT_EQ(chunked->get_header_value("Transfer-Encoding"), "chunked");
  EXPECT_FALSE(client_.Get("/test/short?bytes=1000"));  // fewer bytes than announced
}

TEST_F(ReplicaTestEndpoints, Redirects) {
  // Followed by hand: every hop is an absolute address on this replica. (httplib's client
  // percent-decodes Location values, so the target here holds nothing encoded.)
  std::string target = "/test/redirect?n=3&to=/test/echo";
  int hops = 0;
  for (; hops < 5; ++hops) {
    auto res = client_.Get(target.c_str());
    ASSERT_TRUE(res);
    if (res->status == 200) break;
    EXPECT_EQ(res->status, 302);
    std::string location = res->get_header_value("Location");
    ASSERT_EQ(location.rfind(replica_.baseUrl(), 0), 0u) << location;
    target = location.substr(replica_.baseUrl().size() - 1);
  }
  EXPECT_EQ(hops, 3);
  auto requests = replica_.requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests.back().target, "/test/echo");

  auto other = client_.Get("/test/otherhost?to=/test/echo");
  ASSERT_TRUE(other);
  EXPECT_EQ(other->get_header_value("Location"),
            "http://localhost:" + std::to_string(replica_.port()) + "/test/echo");
  auto loop = client_.Get("/test/loop");
  ASSERT_TRUE(loop);
  EXPECT_EQ(loop->get_header_value("Location"), replica_.url("test/loop"));
  auto single = client_.Get("/test/redirect?n=1&code=301&to=/x");
  ASSERT_TRUE(single);
  EXPECT_EQ(single->status, 301);
  EXPECT_EQ(single->get_header_value("Location"), replica_.url("x"));
}

TEST_F(ReplicaTestEndpoints, CookiesInQueryOrderAndAfterBigHeaders) {
  auto res = client_.Get("/test/setcookie?b=2&raw=a%3D1%3B%20HttpOnly&lower=c%3D3");
  ASSERT_TRUE(res);
  ASSERT_EQ(res->get_header_value_count("Set-Cookie"), 3u);
  EXPECT_EQ(res->get_header_value("Set-Cookie", 0), "b=2; path=/");
  EXPECT_EQ(res->get_header_value("Set-Cookie", 1), "a=1; HttpOnly");
  EXPECT_EQ(res->get_header_value("Set-Cookie", 2), "c=3");

  auto big = client_.Get("/test/bigheaders");
  ASSERT_TRUE(big);
  size_t bytes = 0;
  for (const auto& [name, value] : big->headers) bytes += name.size() + value.size() + 4;
  EXPECT_GT(bytes, 5000u);
  EXPECT_EQ(big->get_header_value("Set-Cookie"), "late=1; path=/");
}

TEST_F(ReplicaTestEndpoints, BasicAuth) {
  auto without = client_.Get("/test/auth");
  ASSERT_TRUE(without);
  EXPECT_EQ(without->status, 401);
  EXPECT_EQ(without->get_header_value("WWW-Authenticate"), "Basic realm=\"replica\"");
  auto with = client_.Get("/test/auth", {{"Authorization", "Basic dTpw"}});
  ASSERT_TRUE(with);
  EXPECT_EQ(with->status, 200);
  EXPECT_EQ(with->body, "Basic dTpw");
}

TEST_F(ReplicaTestEndpoints, PagesEncodedInTheirDeclaredCharset) {
  const std::string chinese = "\xE4\xB8\x8B\xE8\xBD\xBD\xE6\x88\x90\xE5\x8A\x9F";  // 下载成功
  const std::string gbk = *convertCharset(chinese, "UTF-8", "GBK");
  ASSERT_EQ(gbk, "\xCF\xC2\xD4\xD8\xB3\xC9\xB9\xA6");
  struct Case {
    std::string name;
    std::string bytes;
  };
  for (const Case& c : {Case{"utf-8", chinese}, Case{"gbk", gbk}, Case{"GB2312", gbk},
                        Case{"x-no-such-charset", chinese}}) {
    SCOPED_TRACE(c.name);
    auto res = client_.Get(("/test/charset?name=" + c.name).c_str());
    ASSERT_TRUE(res);
    EXPECT_NE(res->body.find("<meta charset=\"" + c.name + "\">"), std::string::npos);
    EXPECT_NE(res->body.find(c.bytes), std::string::npos);
  }
  auto late = client_.Get("/test/charset?name=utf-8&pad=1500&form=http-equiv");
  ASSERT_TRUE(late);
  EXPECT_GT(late->body.find("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"),
            1500u);
  EXPECT_NE(late->body.find(chinese), std::string::npos);
}

}  // namespace
}  // namespace velmorin::testing
