// Reading the store for the service's domain, and picking one cookie out of a text.
#include <gtest/gtest.h>

#include "cookies/stored_cookies.h"
#include "platform/cookie_store.h"
#include "support/cookie_home.h"

namespace velmorin {
namespace {

using testing::CookieHome;

TEST(ReadStoredCookies, HttpOnlyReadFirstThenPairsOnlyThePlainReadHas) {
  CookieHome home;
  CookieStore& store = CookieStore::instance();
  EXPECT_EQ(readStoredCookies("a.example/"), "");
  store.add({.name = "plain", .value = "1", .domain = ".a.example"});
  store.add({.name = "hidden", .value = "2", .domain = "a.example", .httpOnly = true});
  store.add({.name = "secure", .value = "3", .domain = "a.example", .secure = true});
  store.add({.name = "other", .value = "4", .domain = "b.example"});
  EXPECT_EQ(readStoredCookies("a.example/"), "plain=1; hidden=2");
  EXPECT_EQ(readStoredCookies("a.example/", "HIDDEN"), "HIDDEN=2");
  store.remove("plain", ".a.example", "/");
  EXPECT_EQ(readStoredCookies("a.example/"), "hidden=2");
}

TEST(ReadStoredCookies, AReadThatDoesNotFitIn3000BytesContributesNothing) {
  CookieHome home;
  CookieStore& store = CookieStore::instance();
  store.add({.name = "small", .value = "1", .domain = "a.example"});
  // "small=1; big=" and 2994 bytes and the zero byte: 3008 bytes, too many for the
  // inclusive read; the plain read still finds "small=1".
  store.add({.name = "big", .value = std::string(2994, 'v'), .domain = "a.example", .httpOnly = true});
  EXPECT_EQ(readStoredCookies("a.example/"), "small=1");
  // With 2986 bytes the inclusive read needs exactly 3000.
  store.add({.name = "big", .value = std::string(2986, 'v'), .domain = "a.example", .httpOnly = true});
  const Text both = readStoredCookies("a.example/");
  EXPECT_EQ(both.size(), std::string("small=1; big=").size() + 2986);
}

TEST(CookieValue, FindsTheNamedMember) {
  struct Case {
    Text text, name;
    bool valueOnly;
    Text result, textAfter;
  } cases[] = {
      {"a=1; b=2", "B", false, "B=2", "a=1; b=2;"},
      {"a=1; b=2", "b", true, "2", "a=1; b=2;"},
      {"a=1; b=2", "x", false, "", "a=1; b=2;"},
      {"  a=1;  ", "a", false, "a=1", "a=1;"},
      {"t=x=y", "t", true, "y", "t=x=y;"},           // after the last "="
      {"u=v:w=z", "u", true, "v", "u=v:w=z;"},       // with ":" between "=" and ":"
      {"", "a", false, "", ";"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.name);
    Text text = c.text;
    EXPECT_EQ(cookieValue(text, c.name, c.valueOnly), c.result);
    EXPECT_EQ(text, c.textAfter);
  }
}

}  // namespace
}  // namespace velmorin
