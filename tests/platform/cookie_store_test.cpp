// The per-user cookie store: which cookies an address gets, the file it keeps, and use
// from two threads at once.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/cookie_store.h"
#include "support/cookie_home.h"

namespace velmorin {
namespace {

using testing::CookieHome;

// The store's read for an address, "" when it fails.
std::string readFor(const Text& address, bool httpOnly = true, const Text& name = Text()) {
  char buffer[3000];
  std::uint32_t size = sizeof buffer;
  return CookieStore::instance().read(address, name, httpOnly, buffer, &size) ? buffer : "";
}

std::int64_t inOneDay() { return std::time(nullptr) + 86400; }

TEST(CookieStore, MatchesDomainPathSecureExpiryAndHttpOnly) {
  CookieHome home;
  CookieStore& store = CookieStore::instance();
  store.add({.name = "host", .value = "1", .domain = "a.example"});
  store.add({.name = "dom", .value = "2", .domain = ".b.example", .expires = inOneDay()});
  store.add({.name = "deep", .value = "3", .domain = "a.example", .path = "/photos"});
  store.add({.name = "sec", .value = "4", .domain = "a.example", .secure = true});
  store.add({.name = "ho", .value = "5", .domain = "a.example", .httpOnly = true});
  store.add({.name = "old", .value = "6", .domain = "a.example", .expires = std::time(nullptr) - 60});

  struct Case {
    Text address;
    bool httpOnly;
    std::string expected;
  } cases[] = {
      {"http://a.example/", true, "host=1; ho=5"},
      {"http://a.example/", false, "host=1"},
      {"https://a.example/", true, "host=1; sec=4; ho=5"},
      {"http://A.EXAMPLE:8080/photos/1.jpg", true, "deep=3; host=1; ho=5"},
      {"http://a.example/photos", false, "deep=3; host=1"},
      {"http://a.example/photosX", false, "host=1"},  // "/photos" is not a prefix path of it
      {"http://x.a.example/", true, ""},               // host-only cookies stay on their host
      {"http://b.example/", true, "dom=2"},
      {"http://img.b.example/p", true, "dom=2"},
      {"http://notb.example/", true, ""},
      {"http://example/", true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    EXPECT_EQ(readFor(c.address, c.httpOnly), c.expected);
  }
  EXPECT_EQ(readFor("http://a.example/", true, "ho"), "ho=5");
}

TEST(CookieStore, ReadFailsWhenTextAndZeroByteDoNotFit) {
  CookieHome home;
  CookieStore::instance().add({.name = "n", .value = std::string(2997, 'v'), .domain = "a.example"});
  char buffer[3000];
  std::uint32_t size = 3000;  // "n=" + 2997 bytes + zero byte = 3000: fits
  EXPECT_TRUE(CookieStore::instance().read("http://a.example/", "", true, buffer, &size));
  EXPECT_EQ(size, 2999u);
  CookieStore::instance().add({.name = "n", .value = std::string(2998, 'v'), .domain = "a.example"});
  size = 3000;
  std::memset(buffer, ' ', sizeof buffer);
  EXPECT_FALSE(CookieStore::instance().read("http://a.example/", "", true, buffer, &size));
  EXPECT_EQ(size, 3001u);
  EXPECT_EQ(buffer[0], ' ');
}

TEST(CookieStore, ReplacesAndRemovesByNameDomainAndPath) {
  CookieHome home;
  CookieStore& store = CookieStore::instance();
  store.add({.name = "k", .value = "1", .domain = "a.example"});
  store.add({.name = "k", .value = "2", .domain = "a.example"});
  store.add({.name = "k", .value = "3", .domain = "a.example", .path = "/p"});
  EXPECT_EQ(readFor("http://a.example/p"), "k=3; k=2");
  store.remove("k", "a.example", "/");
  EXPECT_EQ(readFor("http://a.example/p"), "k=3");
  EXPECT_EQ(store.cookies().size(), 1u);
}

TEST(CookieStore, KeepsPersistentCookiesInAPrivateFileAndSessionCookiesInMemory) {
  CookieHome home;
  CookieStore& store = CookieStore::instance();
  store.add({.name = "p", .value = "1", .domain = ".a.example", .path = "/x", .expires = inOneDay(),
             .secure = true, .httpOnly = true});
  store.add({.name = "q", .value = "2", .domain = "a.example", .expires = inOneDay()});
  store.add({.name = "s", .value = "3", .domain = "a.example"});  // session

  struct stat info {};
  ASSERT_EQ(stat(home.cookieFile().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  std::stringstream text;
  text << std::ifstream(home.cookieFile()).rdbuf();
  EXPECT_NE(text.str().find("#HttpOnly_.a.example\tTRUE\t/x\tTRUE\t"), std::string::npos);
  EXPECT_NE(text.str().find("a.example\tFALSE\t/\tFALSE\t"), std::string::npos);
  EXPECT_EQ(text.str().find("\ts\t3"), std::string::npos);

  store.reload();
  const std::vector<StoredCookie> kept = store.cookies();
  ASSERT_EQ(kept.size(), 2u);
  for (const StoredCookie& c : kept) {
    if (c.name == "p") {
      EXPECT_EQ(c.value, "1");
      EXPECT_EQ(c.domain, ".a.example");
      EXPECT_EQ(c.path, "/x");
      EXPECT_TRUE(c.secure);
      EXPECT_TRUE(c.httpOnly);
    } else {
      EXPECT_EQ(c.name, "q");
      EXPECT_FALSE(c.httpOnly);
    }
  }
  // A removal reaches the file too.
  store.remove("q", "a.example", "/");
  store.reload();
  EXPECT_EQ(store.cookies().size(), 1u);
}

TEST(CookieStore, TwoThreadsAddAndReadAtOnce) {
  CookieHome home;
  CookieStore& store = CookieStore::instance();
  constexpr int kCount = 300;
  std::thread writer([&] {
    for (int i = 0; i < kCount; ++i)
      store.add({.name = "c" + std::to_string(i), .value = "v", .domain = "a.example",
                 .expires = i % 10 == 0 ? inOneDay() : 0});
  });
  int wellFormed = 0, reads = 0;
  std::thread reader([&] {
    for (int i = 0; i < kCount; ++i) {
      const std::string text = readFor("http://a.example/");
      ++reads;
      // Every read is a complete list of pairs: it begins with a pair and ends with "=v".
      if (text.empty() || (text.rfind("c", 0) == 0 && text.size() >= 4 &&
                           text.compare(text.size() - 2, 2, "=v") == 0))
        ++wellFormed;
    }
  });
  writer.join();
  reader.join();
  EXPECT_EQ(wellFormed, reads);
  EXPECT_EQ(store.cookies().size(), static_cast<size_t>(kCount));
  store.reload();
  EXPECT_EQ(store.cookies().size(), static_cast<size_t>(kCount / 10));
}

}  // namespace
}  // namespace velmorin
