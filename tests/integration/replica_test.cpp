// The album replica as the program and the engine tests see it, through the launcher.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <regex>

#include "support/replica.h"

namespace velmorin::testing {
namespace {

// The text after the first `left` up to the next `right`, "" when either is missing.
std::string between(const std::string& s, const std::string& left, const std::string& right) {
  size_t a = s.find(left);
  if (a == std::string::npos) return {};
  a += left.size();
  size_t b = s.find(right, a);
  return b == std::string::npos ? std::string() : s.substr(a, b - a);
}

size_t occurrences(const std::string& s, const std::string& what) {
  size_t n = 0;
  for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
  return n;
}

std::string replaceAll(std::string s, const std::string& from, const std::string& to) {
  for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size()))
    s.replace(p, from.size(), to);
  return s;
}

httplib::Client clientFor(const Replica& replica) {
  httplib::Client client("http://127.0.0.1:" + std::to_string(replica.port()));
  client.set_read_timeout(10, 0);
  return client;
}

std::string listingTarget(const std::string& uid, int page) {
  return "/photos/get_all?uid=" + uid + "&album_id=&count=30&page=" + std::to_string(page) +
         "&type=3&__rnd=1700000000123";
}

// Sends raw bytes and returns everything the replica answers until it closes.
std::string rawExchange(int port, const std::string& request) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string answer;
  if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0 &&
      send(s, request.data(), request.size(), 0) == static_cast<ssize_t>(request.size())) {
    char buffer[4096];
    for (ssize_t n; (n = recv(s, buffer, sizeof(buffer), 0)) > 0;) answer.append(buffer, n);
  }
  close(s);
  return answer;
}

TEST(ReplicaAlbum, ListingPagesHoldThirtyEntriesAndRewriteToPreviewAddresses) {
  Replica replica;
  auto client = clientFor(replica);
  const std::string host = "http:\\/\\/127.0.0.1:" + std::to_string(replica.port());
  const size_t expected[] = {30, 30, 5, 0};
  for (int page = 1; page <= 4; ++page) {
    SCOPED_TRACE(page);
    // The program keeps the "/" in front of "talbum" in the user id.
    auto res = client.Get(listingTarget("1234567890/", page).c_str());
    ASSERT_TRUE(res);
    ASSERT_EQ(res->status, 200);
    EXPECT_EQ(occurrences(res->body, "\"pic_host\":"), expected[page - 1]);
    EXPECT_NE(res->body.find("\"photo_list\":["), std::string::npos);
    if (page > 3) continue;
    int first = (page - 1) * 30 + 1;
    EXPECT_EQ(between(res->body, "photo_id\":\"", "\",\"pic_host\":\""),
              std::to_string(Replica::photoId(first)));
    EXPECT_NE(res->body.find("{\"photo_id\":\"" + std::to_string(Replica::photoId(first)) +
                             "\",\"pic_host\":\"" + host + "\",\"pic_name\":\"" +
                             std::to_string(first) + ".jpg\",\"pic_pid\":\""),
              std::string::npos);
    // The previews walk's match and rewrites give the photo's /mw690/ address here.
    std::regex entry(R"(pic_host":".*?","pic_pid")", std::regex::icase);
    int k = 0;
    for (std::sregex_iterator it(res->body.begin(), res->body.end(), entry), end; it != end;
         ++it) {
      ++k;
      std::string address = it->str();
      address = replaceAll(address, "pic_host\":\"", "");
      address = replaceAll(address, "\",\"pic_pid\"", "");
      address = replaceAll(address, "\",\"pic_name\":\"", "/mw690/");
      address = replaceAll(address, "\\", "");
      EXPECT_EQ(address, replica.url("mw690/" + std::to_string(first + k - 1) + ".jpg"));
    }
    EXPECT_EQ(static_cast<size_t>(k), expected[page - 1]);
  }
  auto other = client.Get(listingTarget("999", 1).c_str());
  ASSERT_TRUE(other);
  EXPECT_EQ(occurrences(other->body, "pic_host"), 0u);
}

TEST(ReplicaAlbum, DetailAndLargePagesCarryTheMarkers) {
  Replica replica(Replica::Options{.photos = 4});
  auto client = clientFor(replica);
  const std::string id1 = std::to_string(Replica::photoId(1));
  auto detail = client.Get(("/1234567890//talbum/detail/photo_id/" + id1 + "/album_id/").c_str());
  ASSERT_TRUE(detail);
  EXPECT_EQ(between(detail->body, "album_id\":\"", "\",\"uid\":"), "3550000000");
  EXPECT_EQ(between(detail->body, "album_photo_ids: [", "],\r\n        photo_info:"),
            id1 + ",4000000002,4000000003,4000000004");

  auto unknown = client.Get("/1234567890//talbum/detail/photo_id//album_id/");
  ASSERT_TRUE(unknown);
  EXPECT_EQ(between(unknown->body, "album_photo_ids: [", "],\r\n        photo_info:"), "");

  auto large = client.Get("/1234567890//wbphotos/large/photo_id/4000000003/album_id/3550000000");
  ASSERT_TRUE(large);
  EXPECT_EQ(between(large->body, "src=\"", "\" onload=\""), replica.url("large/3.jpg"));
  // An album id other than the album's finds no photo.
  auto wrongAlbum = client.Get("/1234567890//wbphotos/large/photo_id/4000000003/album_id/");
  ASSERT_TRUE(wrongAlbum);
  EXPECT_EQ(between(wrongAlbum->body, "src=\"", "\" onload=\""), "");
}

TEST(ReplicaAlbum, ImagesAreTheLauncherBytes) {
  Replica replica;
  auto client = clientFor(replica);
  for (int n : {1, 2, 65}) {
    SCOPED_TRACE(n);
    auto large = client.Get(("/large/" + std::to_string(n) + ".jpg").c_str());
    auto preview = client.Get(("/mw690/" + std::to_string(n) + ".jpg").c_str());
    ASSERT_TRUE(large && preview);
    EXPECT_EQ(large->body, replica.largeImage(n));
    EXPECT_EQ(preview->body, replica.previewImage(n));
    EXPECT_EQ(large->body.substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_NE(large->body, preview->body);
  }
  EXPECT_NE(replica.largeImage(1), replica.largeImage(2));
  auto missing = client.Get("/large/66.jpg");
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->status, 404);

  Replica sized(Replica::Options{.imageBytes = 12345});
  auto big = clientFor(sized).Get("/large/7.jpg");
  ASSERT_TRUE(big);
  EXPECT_EQ(big->body.size(), 12345u);
  EXPECT_EQ(big->body, sized.largeImage(7));
}

TEST(ReplicaAlbum, EveryAnswerSetsAFreshRotatingCookie) {
  Replica replica;
  auto client = clientFor(replica);
  auto a = client.Get("/large/1.jpg");
  auto b = client.Get(listingTarget("1234567890", 1).c_str());
  ASSERT_TRUE(a && b);
  std::string first = a->get_header_value("Set-Cookie");
  std::string second = b->get_header_value("Set-Cookie");
  EXPECT_EQ(first.rfind("rtk=", 0), 0u);
  EXPECT_EQ(second.rfind("rtk=", 0), 0u);
  EXPECT_NE(first, second);
}

TEST(ReplicaLogin, AlbumPagesNeedTheLoginCookieThatTheLoginPageSets) {
  Replica replica(Replica::Options{.requireLogin = true});
  auto client = clientFor(replica);
  const std::string login = Replica::loginCookieName() + "=" + Replica::loginCookieValue();
  auto anonymous = client.Get(listingTarget("1234567890", 1).c_str());
  auto loggedIn = client.Get(listingTarget("1234567890", 1).c_str(),
                             {{"Cookie", "a=1; " + login + "; rtk=3"}});
  ASSERT_TRUE(anonymous && loggedIn);
  EXPECT_EQ(occurrences(anonymous->body, "pic_host"), 0u);
  EXPECT_EQ(occurrences(loggedIn->body, "pic_host"), 30u);
  auto detail = client.Get("/1234567890//talbum/detail/photo_id/4000000001/album_id/");
  ASSERT_TRUE(detail);
  EXPECT_EQ(between(detail->body, "album_id\":\"", "\",\"uid\":"), "");

  auto page = client.Get("/login");
  ASSERT_TRUE(page);
  size_t cookieBytes = 0, httpOnly = 0;
  bool hasLogin = false;
  for (size_t i = 0; i < page->get_header_value_count("Set-Cookie"); ++i) {
    std::string line = page->get_header_value("Set-Cookie", i);
    std::string pair = line.substr(0, line.find(';'));
    cookieBytes += pair.size() + 2;
    httpOnly += line.find("HttpOnly") != std::string::npos;
    hasLogin |= pair == login;
  }
  std::string script = between(page->body, "document.cookie = \"", ";");
  EXPECT_TRUE(hasLogin);
  EXPECT_GE(httpOnly, 2u);
  EXPECT_FALSE(script.empty());
  EXPECT_GT(cookieBytes + script.size(), 800u);

  auto visitor = client.Get("/login?anonymous=1");
  ASSERT_TRUE(visitor);
  EXPECT_EQ(visitor->body.find("document.cookie"), std::string::npos);
  EXPECT_LT(visitor->get_header_value_count("Set-Cookie"), 3u);
}

TEST(ReplicaFaults, SwitchOnForTheExactPathAndOffAgain) {
  Replica replica;
  auto client = clientFor(replica);
  const std::string image = replica.largeImage(3);
  struct Case {
    std::string kind;
    bool answers;  // a complete HTTP answer arrives
    int status;
    std::string body;
  };
  const Case cases[] = {
      {"404", true, 404, ""},
      {"500", true, 500, ""},
      {"empty200", true, 200, ""},
      {"bigheaders", true, 200, image},
      {"stall", true, 200, image},
      {"cut", true, 200, image.substr(0, image.size() / 2)},
      {"short", false, 0, ""},
      {"reset", false, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    replica.setFault("/large/3.jpg", c.kind, 300);
    auto res = client.Get("/large/3.jpg");
    ASSERT_EQ(static_cast<bool>(res), c.answers);
    if (res) {
      EXPECT_EQ(res->status, c.status);
      if (c.status == 200) {
        EXPECT_EQ(res->body, c.body);
      } else {
        EXPECT_NE(res->body.find(c.kind), std::string::npos);
      }
    }
    if (c.kind == "bigheaders") {
      size_t headerBytes = 0;
      for (const auto& [name, value] : res->headers) headerBytes += name.size() + value.size() + 4;
      EXPECT_GT(headerBytes, 5000u);
    }
    auto neighbour = client.Get("/large/4.jpg");
    ASSERT_TRUE(neighbour);
    EXPECT_EQ(neighbour->body, replica.largeImage(4));
  }
  // A short body announces more than it sends (the fault is still "reset" here).
  replica.setFault("/large/3.jpg", "short");
  std::string raw = rawExchange(replica.port(), "GET /large/3.jpg HTTP/1.1\r\nHost: x\r\n\r\n");
  EXPECT_NE(raw.find("Content-Length: " + std::to_string(image.size())), std::string::npos);
  EXPECT_EQ(raw.size() - raw.find("\r\n\r\n") - 4, image.size() / 2);
  replica.setFault("/1234567890//talbum/detail/photo_id/4000000001/album_id/", "500");
  auto detail = client.Get("/1234567890//talbum/detail/photo_id/4000000001/album_id/");
  ASSERT_TRUE(detail);
  EXPECT_EQ(detail->status, 500);
  replica.clearFaults();
  auto healed = client.Get("/large/3.jpg");
  ASSERT_TRUE(healed);
  EXPECT_EQ(healed->body, image);
  EXPECT_THROW(replica.setFault("/large/3.jpg", "no-such-kind"), std::runtime_error);
}

TEST(ReplicaRecording, KeepsRequestsInOrderWithHeadersAsSent) {
  Replica replica;
  std::string sent =
      "POST /test/echo?x=1&y=%20 HTTP/1.1\r\nZeta: 1\r\nalpha:  two words \r\nHost: 127.0.0.1\r\n"
      "Cookie: a=1; b=2\r\nContent-Length: 5\r\nConnection: close\r\n\r\n";
  sent += std::string("ab\0cd", 5);
  std::string answer = rawExchange(replica.port(), sent);
  replica.setFault("/large/1.jpg", "404");  // control requests are not recorded
  auto client = clientFor(replica);
  ASSERT_TRUE(client.Get("/large/1.jpg"));

  auto requests = replica.requests();
  ASSERT_EQ(requests.size(), 2u);
  const auto& r = requests[0];
  EXPECT_EQ(r.method, "POST");
  EXPECT_EQ(r.target, "/test/echo?x=1&y=%20");
  using H = std::pair<std::string, std::string>;
  EXPECT_EQ(r.headers, (std::vector<H>{{"Zeta", "1"},
                                       {"alpha", "two words"},
                                       {"Host", "127.0.0.1"},
                                       {"Cookie", "a=1; b=2"},
                                       {"Content-Length", "5"},
                                       {"Connection", "close"}}));
  EXPECT_EQ(r.body, std::string("ab\0cd", 5));
  EXPECT_EQ(r.header("ALPHA"), "two words");
  EXPECT_FALSE(r.hasHeader("User-Agent"));
  EXPECT_EQ(requests[1].target, "/large/1.jpg");

  // The echo answers with the same record.
  auto echoed = parseRecordedRequests(answer.substr(answer.find("\r\n\r\n") + 4));
  ASSERT_EQ(echoed.size(), 1u);
  EXPECT_EQ(echoed[0].headers, r.headers);
  EXPECT_EQ(echoed[0].body, r.body);

  replica.clearRequests();
  EXPECT_TRUE(replica.requests().empty());
}

TEST(ReplicaHttps, ServesTheAlbumWithTheTestCertificate) {
  Replica replica(Replica::Options{.https = true});
  EXPECT_EQ(replica.baseUrl().rfind("https://127.0.0.1:", 0), 0u);
  httplib::Client client("https://127.0.0.1:" + std::to_string(replica.port()));
  client.set_ca_cert_path(Replica::testCertificatePath().c_str());
  client.enable_server_certificate_verification(true);
  auto listing = client.Get(listingTarget("1234567890", 1).c_str());
  ASSERT_TRUE(listing) << httplib::to_string(listing.error());
  EXPECT_NE(listing->body.find("\"pic_host\":\"https:\\/\\/127.0.0.1:"), std::string::npos);
  auto image = client.Get("/mw690/5.jpg");
  ASSERT_TRUE(image);
  EXPECT_EQ(image->body, replica.previewImage(5));
  ASSERT_EQ(replica.requests().size(), 2u);
}

}  // namespace
}  // namespace velmorin::testing
