#include <gtest/gtest.h>

#include "platform/proxy_list.h"

namespace velmorin {
namespace {

TEST(ProxyList, PicksTheSchemesEntryElseTheFirstBareOne) {
  struct Case {
    const char* list;
    const char* scheme;
    const char* proxy;
  } cases[] = {
      {"", "http", ""},
      {"p:1", "https", "p:1"},
      {"http=h:1 https=s:2", "https", "s:2"},
      {"HTTP=h:1;bare:3", "http", "h:1"},
      {"https=s:2;bare:3", "http", "bare:3"},
      {"httpx=x:9\tbare:3  other:4", "http", "bare:3"},
      {"https=s:2", "http", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(proxyForScheme(c.list, c.scheme), c.proxy) << c.list;
}

}  // namespace
}  // namespace velmorin
