#pragma once
// The file engine: one HTTP(S) exchange per call through the internet session layer,
// returning the response body as bytes.
#include "cookies/shared_cookie_text.h"
#include "platform/internet_session.h"
#include "text/text_types.h"

namespace velmorin {

// How the exchange ended. A download is complete when the status is 2xx, the body is not
// empty and transferOk is true; the engine itself never looks at this.
struct FileTransfer {
  bool reached = false;     // the request was sent (no early failure exit)
  int status = 0;           // HTTP status of the final response, 0 when none arrived
  bool transferOk = false;  // no transport error (connection, body cut short, too large)
};

// The parameters of requestFile, in their order; pointers are the caller's variables
// (null = not wanted). Only `url` is required.
struct FileRequest {
  Text url{};                        // a missing scheme means http://
  int method = 0;                    // 0 GET, 1 POST, 2 HEAD; anything else is GET
  Text body{};                       // sent for POST and HEAD when bodyBytes is empty
  CookieRef cookies{};               // absent: the per-user cookie store is used instead
  Text* responseCookies = nullptr;   // out: the cookies the answer set (merged if present)
  Text* headers = nullptr;           // in/out: extra lines; afterwards the text sent
  Text* responseHeaders = nullptr;   // out: the raw response header block
  bool noRedirect = false;
  Bytes* bodyBytes = nullptr;        // in/out: body bytes for POST and HEAD
  Text proxy{};                      // empty = direct
  FileTransfer* transfer = nullptr;  // out: how the exchange ended (not part of the request)
};

// Fetches one resource and returns its body; empty on failure. Any HTTP status counts as
// an answer: an error page comes back as a body.
Bytes requestFile(const FileRequest& request);
// The same over a given session layer.
Bytes requestFile(const FileRequest& request, InternetSession& layer);

// Whether the engine fetches url at all: it holds no control byte or space (nothing a page
// supplies can add a header line) and names no scheme but http or https.
bool isFetchableAddress(const Text& url);

// The host (lower case), port and path a URL is fetched from.
Text urlHost(const Text& url);
int urlPort(const Text& url);
Text urlPath(const Text& url);

// The text after the first ":" of a header text, trimmed: the user agent of a header text
// that holds just its User-Agent line.
Text userAgentFromHeaders(const Text& headers);

// The building blocks of a request, exposed for tests.
Text fileUserAgent(const Text& headers);
Text composeFileHeaders(const Text& headers, const Text& url, const Text& cookieText);
Text responseCookiesFromHeaders(const Text& responseHeaders);

}  // namespace velmorin
