#pragma once
// Deployment settings: the service's addresses, overridable from the environment so that
// tests and the demo can point the program at a local replica.
#include "text/text_types.h"

namespace velmorin {

Text albumBase();     // VELMORIN_ALBUM_BASE, default "http://photo.weibo.com/"
Text loginHome();     // VELMORIN_LOGIN_HOME, default "https://weibo.com/"
Text cookieDomain();  // VELMORIN_COOKIE_DOMAIN, default "weibo.com/"

}  // namespace velmorin
