// The capture step of the login window, without a browser: the store is fed directly.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "cookies/session_capture.h"
#include "cookies/shared_cookie_text.h"
#include "platform/cookie_store.h"
#include "support/cookie_home.h"

namespace velmorin {
namespace {

using testing::CookieHome;

class SessionCaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("VELMORIN_COOKIE_DOMAIN", "login.example/", 1);
    sessionCookie().replace("before=1");
  }
  void TearDown() override {
    ::unsetenv("VELMORIN_COOKIE_DOMAIN");
    sessionCookie().replace(Text());
  }
  CookieHome home;
  CookieStore& store = CookieStore::instance();
};

TEST_F(SessionCaptureTest, EndsOnlyAboveEightHundredBytes) {
  struct Case {
    size_t valueBytes;  // "k=" + value is the whole captured text
    bool ends;
  } cases[] = {{0, false}, {797, false}, {798, false}, {799, true}, {2000, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.valueBytes);
    store.add({.name = "k", .value = std::string(c.valueBytes, 'v'), .domain = "login.example"});
    EXPECT_EQ(captureStoredSession(), c.ends);
    EXPECT_EQ(sessionCookie().read(), "k=" + std::string(c.valueBytes, 'v'));
    EXPECT_EQ(loginCaptured(sessionCookie().read()), c.ends);
  }
}

TEST_F(SessionCaptureTest, EveryStepReplacesTheWholeText) {
  store.add({.name = "a", .value = "1", .domain = ".login.example"});
  store.add({.name = "h", .value = "2", .domain = "login.example", .httpOnly = true});
  store.add({.name = "elsewhere", .value = "3", .domain = "other.example"});
  EXPECT_FALSE(captureStoredSession());
  EXPECT_EQ(sessionCookie().read(), "a=1; h=2");  // "before=1" is gone, not merged

  store.remove("a", ".login.example", "/");
  captureStoredSession();
  EXPECT_EQ(sessionCookie().read(), "h=2");

  // Nothing left in the store: the text becomes empty, the earlier capture is not kept.
  store.remove("h", "login.example", "/");
  EXPECT_FALSE(captureStoredSession());
  EXPECT_EQ(sessionCookie().read(), "");
}

}  // namespace
}  // namespace velmorin
