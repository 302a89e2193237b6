// The bridge between the browser's cookie store and the per-user store, against a real
// browser profile.
#include <gtest/gtest.h>

#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <algorithm>
#include <map>
#include <tuple>

#include "cookies/gui/browser_cookie_bridge.h"
#include "gui_fixture.h"
#include "support/cookie_home.h"

namespace velmorin {
namespace {

using testing::CookieHome;
using testing::waitUntil;

auto fields(const StoredCookie& c) {
  return std::tie(c.name, c.value, c.domain, c.path, c.expires, c.secure, c.httpOnly);
}

std::map<Text, StoredCookie> byName(const std::vector<StoredCookie>& cookies) {
  std::map<Text, StoredCookie> result;
  for (const StoredCookie& c : cookies) result[c.name] = c;
  return result;
}

const std::vector<StoredCookie> kSample = {
    {.name = "host", .value = "1", .domain = "login.example"},
    {.name = "wide", .value = "2", .domain = ".login.example"},
    {.name = "deep", .value = "3", .domain = "login.example", .path = "/album"},
    {.name = "kept", .value = "4", .domain = "login.example", .expires = 2145916800},
    {.name = "hidden", .value = "5", .domain = "login.example", .httpOnly = true},
    {.name = "safe", .value = "6", .domain = ".login.example", .secure = true},
};

TEST(BrowserCookieBridge, StoredCookiesReachTheBrowserAndComeBackUnchanged) {
  CookieHome home;
  for (const StoredCookie& c : kSample) CookieStore::instance().add(c);
  QWebEngineProfile profile;
  QWebEnginePage page(&profile);  // the profile's cookie store starts with its first load
  page.load(QUrl("about:blank"));
  ASSERT_TRUE(profile.isOffTheRecord());
  BrowserCookieBridge bridge(profile.cookieStore(), CookieStore::instance());
  std::map<QByteArray, QNetworkCookie> inBrowser;
  QObject::connect(profile.cookieStore(), &QWebEngineCookieStore::cookieAdded,
                   [&](const QNetworkCookie& c) { inBrowser[c.name()] = c; });
  bridge.feedBrowser();
  ASSERT_TRUE(waitUntil([&] { return inBrowser.size() == kSample.size(); }));

  // The browser keeps a host-only cookie host-only and a domain cookie for the domain.
  EXPECT_EQ(inBrowser["host"].domain().toStdString(), "login.example");
  EXPECT_EQ(inBrowser["wide"].domain().toStdString(), ".login.example");
  EXPECT_TRUE(inBrowser["safe"].isSecure());
  EXPECT_TRUE(inBrowser["hidden"].isHttpOnly());

  // What the browser reports, read back the way the bridge stores it, is what was fed.
  for (const StoredCookie& c : kSample) {
    SCOPED_TRACE(c.name);
    const auto reported = inBrowser.find(QByteArray::fromStdString(c.name));
    ASSERT_NE(reported, inBrowser.end());
    EXPECT_EQ(fields(storedCookieFrom(reported->second)), fields(c));
  }
  // The echoes left the per-user store as it was.
  const auto stored = byName(CookieStore::instance().cookies());
  ASSERT_EQ(stored.size(), kSample.size());
  for (const StoredCookie& c : kSample) EXPECT_EQ(fields(stored.at(c.name)), fields(c));
}

TEST(BrowserCookieBridge, CookiesTheBrowserDropsLeaveTheStore) {
  CookieHome home;
  for (const StoredCookie& c : kSample) CookieStore::instance().add(c);
  QWebEngineProfile profile;
  QWebEnginePage page(&profile);
  page.load(QUrl("about:blank"));
  BrowserCookieBridge bridge(profile.cookieStore(), CookieStore::instance());
  int added = 0;
  QObject::connect(profile.cookieStore(), &QWebEngineCookieStore::cookieAdded,
                   [&] { ++added; });
  bridge.feedBrowser();
  ASSERT_TRUE(waitUntil([&] { return added == static_cast<int>(kSample.size()); }));

  for (const char* name : {"wide", "kept"}) {
    const auto stored = byName(CookieStore::instance().cookies()).at(name);
    const BrowserCookie cookie = browserCookieFrom(stored);
    profile.cookieStore()->deleteCookie(cookie.cookie, cookie.origin);
  }
  ASSERT_TRUE(waitUntil([] { return CookieStore::instance().cookies().size() == 4; }));
  const auto left = byName(CookieStore::instance().cookies());
  EXPECT_EQ(left.count("wide"), 0u);
  EXPECT_EQ(left.count("kept"), 0u);
  EXPECT_EQ(left.count("host"), 1u);

  // Deleting everything in the browser empties the store as well.
  profile.cookieStore()->deleteAllCookies();
  ASSERT_TRUE(waitUntil([] { return CookieStore::instance().cookies().empty(); }));
}

}  // namespace
}  // namespace velmorin
