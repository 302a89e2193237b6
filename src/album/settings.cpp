#include "album/settings.h"

#include <cstdlib>

#include "platform/codepage.h"

namespace velmorin {
namespace {

Text setting(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  return fromUtf8(value != nullptr && *value != '\0' ? value : fallback);
}

}  // namespace

Text albumBase() { return setting("VELMORIN_ALBUM_BASE", "http://photo.weibo.com/"); }
Text loginHome() { return setting("VELMORIN_LOGIN_HOME", "https://weibo.com/"); }
Text cookieDomain() { return setting("VELMORIN_COOKIE_DOMAIN", "weibo.com/"); }

}  // namespace velmorin
