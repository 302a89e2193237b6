#pragma once
// The page request engine: one synchronous HTTP or HTTPS exchange, returning the body as
// code-page-936 text (decoded from the charset a page's meta tag declares). Failures are
// reported only through statusText ("700 ..." to "713 ...") and an empty result.
#include "cookies/shared_cookie_text.h"
#include "platform/http_session.h"
#include "text/text_types.h"

namespace velmorin {

// Everything but url may be left out. Output pointers that are null are not delivered;
// outputs are not cleared on entry, so a path that does not write one leaves it as it was.
struct PageRequest {
  Text url{};                        // full URL, scheme included (http or https)
  int method = 0;                    // 0 GET, 1 POST, 2 HEAD, 3 PUT; others GET
  Text body{};                       // sent as its bytes
  CookieRef cookies{};               // sent as the Cookie line; merged with what the answer sets
  Text* responseCookies = nullptr;   // name=value pairs set by the answer, appended
  Text headers{};                    // extra header lines joined by CR LF, no final break
  Text* responseHeaders = nullptr;   // raw header block of the answer
  bool noRedirect = false;
  Text userName{}, password{};       // Basic credentials for the server (both needed)
  Text proxy{};                      // proxy host[:port]; empty: no proxy
  Text proxyUser{}, proxyPassword{}; // Basic credentials for the proxy (both needed)
  int timeoutSeconds = 0;            // 0 or less: 30 seconds
  Text* location = nullptr;          // target of a "Location: " line
  Text* statusText = nullptr;        // "200 OK" and the like, or a numbered failure text
  Bytes* responseBytes = nullptr;    // the body exactly as received
};

Text requestPage(const PageRequest& request,
                 HttpSessionLayer& layer = realHttpSessionLayer());

// The walks' form: a GET with the default header lines and the cookie text, whose answer's
// cookies are merged back into it.
Text requestPage(const Text& url, CookieRef cookies,
                 HttpSessionLayer& layer = realHttpSessionLayer());

}  // namespace velmorin
