// The pieces of a file request: where it goes, which agent it names, the header text it
// sends and the cookies its answer sets.
#include "net/file/request_file.h"

#include "cookies/merge_cookies.h"
#include "text/text_ops.h"

namespace velmorin {
namespace {

const Text kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// The URL in lower case with its scheme, ending in "/", and the scheme marker in it.
Text authorityOf(const Text& url) {
  Text t = toLower(url);
  if (textRight(t, 1) != "/") t += "/";
  Text marker = "https://";
  if (textLeft(t, 8) != marker) {
    marker = "http://";
    if (findText(t, marker) == -1) t = marker + t;
  }
  return textBetween(t, marker, "/");
}

}  // namespace

bool isFetchableAddress(const Text& url) {
  for (unsigned char c : url)
    if (c <= 0x20 || c == 0x7F) return false;
  const Text lower = toLower(url);
  const int separator = findText(lower, "://");
  if (separator != -1) {
    const Text scheme = textLeft(lower, separator - 1);
    return scheme == "http" || scheme == "https";
  }
  // "javascript:...", "file:..." and the like; "host:port/..." is still an address.
  size_t i = 0;
  while (i < lower.size() && ((lower[i] >= 'a' && lower[i] <= 'z') ||
                              (i > 0 && ((lower[i] >= '0' && lower[i] <= '9') ||
                                         lower[i] == '+' || lower[i] == '-' || lower[i] == '.'))))
    ++i;
  const bool namesScheme = i > 0 && i < lower.size() && lower[i] == ':' &&
                           !(i + 1 < lower.size() && lower[i + 1] >= '0' && lower[i + 1] <= '9');
  return !namesScheme;
}

Text urlHost(const Text& url) {
  const Text authority = authorityOf(url);
  const int colon = findText(authority, ":");
  return colon == -1 ? authority : textLeft(authority, colon - 1);
}

int urlPort(const Text& url) {
  const Text authority = authorityOf(url);
  const int colon = findTextReverse(authority, ":");
  if (colon != -1) return textToInt(textMid(authority, colon + 1, textLength(authority)));
  return textLeft(toLower(url), 5) == "https" ? 443 : 80;
}

Text urlPath(const Text& url) {
  // The host is looked for behind the scheme, so that a host such as "h" or "tp" is not
  // found inside "http://" itself.
  const Text lower = toLower(url);
  const int from = textLeft(lower, 8) == "https://" ? 9 : textLeft(lower, 7) == "http://" ? 8 : 1;
  int at = findText(url, urlHost(url), from, true);
  if (at == -1) at = 1;
  const int slash = findText(url, "/", at);
  return slash == -1 ? Text("/") : textMid(url, slash, textLength(url));
}

Text userAgentFromHeaders(const Text& headers) {
  const int colon = findText(headers, ":");
  if (colon == -1) return Text();
  return trimText(textMid(headers, colon + 1, textLength(headers)));
}

Text fileUserAgent(const Text& headers) {
  if (findText(headers, "User-Agent:", 1, true) == -1) return kDefaultAgent;
  const Text agent = trimText(textBetween(headers + "\r\n", "User-Agent:", "\r\n"));
  return agent.empty() ? userAgentFromHeaders(headers) : agent;
}

Text composeFileHeaders(const Text& headers, const Text& url, const Text& cookieText) {
  Text h = headers;
  if (h.empty()) {
    h = "Accept: */*";
  } else if (findText(h, "Accept:") == -1) {
    h += "\r\nAccept: */*";
  }
  if (findText(h, "Referer:") == -1) h += "\r\nReferer: " + url;
  if (findText(h, "Accept-Language:") == -1) h += "\r\nAccept-Language: zh-cn";
  if (findText(h, "Content-Type:") == -1) h += "\r\nContent-Type: application/x-www-form-urlencoded";
  if (!cookieText.empty()) {
    h += findText(cookieText, "Cookie:") != -1 ? "\r\n" + cookieText : "\r\nCookie: " + cookieText;
  }
  return h;
}

Text responseCookiesFromHeaders(const Text& responseHeaders) {
  Text cookies;
  const TextArray lines = splitText(responseHeaders, "\r\n");
  for (const Text& line : lines.members()) {
    if (findText(line, "Set-Cookie") == -1) continue;
    const Text piece = findText(line, ";") != -1
                           ? textBetween(line, "Set-Cookie:", ";")
                           : replaceText(line, "Set-Cookie:", "", 1, std::nullopt, false);
    const Text pair = trimText(piece);
    if (isSendableCookiePair(pair)) cookies += pair + "; ";
  }
  return textLeft(cookies, textLength(cookies) - 2);
}

}  // namespace velmorin
