#pragma once
// One step of the login capture: the session cookie text taken from the per-user cookie
// store for the service's domain.
#include <cstddef>

#include "text/text_types.h"

namespace velmorin {

// A captured text longer than this means the user has logged in; exactly this is not enough.
inline constexpr std::size_t kLoginCookieThreshold = 800;

// True when a captured cookie text is long enough to end the capture.
bool loginCaptured(const Text& cookieText);

// Replaces sessionCookie() wholesale with readStoredCookies(cookieDomain()), whatever it
// held before; returns loginCaptured() of the new text.
bool captureStoredSession();

}  // namespace velmorin
