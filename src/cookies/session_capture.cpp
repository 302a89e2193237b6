#include "cookies/session_capture.h"

#include "album/settings.h"
#include "cookies/shared_cookie_text.h"
#include "cookies/stored_cookies.h"

namespace velmorin {

bool loginCaptured(const Text& cookieText) { return cookieText.size() > kLoginCookieThreshold; }

bool captureStoredSession() {
  Text captured = readStoredCookies(cookieDomain());
  const bool done = loginCaptured(captured);
  sessionCookie().replace(std::move(captured));
  return done;
}

}  // namespace velmorin
