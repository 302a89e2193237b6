#include "net/page/page_response.h"

#include "cookies/merge_cookies.h"

#include "net/page/wide_text.h"
#include "platform/text_stream.h"
#include "platform/window_runtime.h"
#include "text/regex_matcher.h"
#include "text/text_ops.h"

namespace velmorin {
namespace {

// A body decoded from a named character set, or pageText when no stream is available.
Text decodeBody(const Bytes& body, const Text& charset) {
  TextStream stream;
  stream.setType(TextStream::Binary);
  stream.setMode(3);
  stream.open();
  stream.write(body);
  stream.setPosition(0);
  stream.setType(TextStream::Textual);
  stream.setCharset(charset);
  Text text = stream.readText();
  stream.close();
  return text;
}

}  // namespace

Text declaredCharset(const Text& pageText) {
  RegexMatcher matcher;
  if (!matcher.create("<meta.+?charset=[^\\w]?([-\\w]+)", textLeft(pageText, 1024)))
    return Text();
  return matcher.subMatchText(1, 1);
}

Text handlePageResponse(HttpSessionLayer& layer, HttpHandle request, const Bytes& body,
                        Text pageText, const PageRequest& q) {
  std::u16string raw;
  if (!layer.queryRawHeaders(request, raw)) return Text();

  Text headers = wideToText(unitsToWide(raw));
  int lineEnd = findText(headers, "\r\n", 10);
  if (q.statusText) *q.statusText = textMid(headers, 10, lineEnd - 10);
  headers = replaceText(headers, "Set-Cookie", "Set-Cookie", 1, std::nullopt, false);
  if (q.responseHeaders) *q.responseHeaders = headers;

  Text cookies = q.responseCookies ? *q.responseCookies : Text();
  bool appended = false;
  const TextArray lines = splitText(headers, "\r\n");
  for (const Text& line : lines.members()) {
    if (findText(line, "Set-Cookie") != -1) {
      Text pair = findText(line, ";") != -1
                      ? textBetween(line, "Set-Cookie:", ";")
                      : replaceText(line, "Set-Cookie:", Text(), 1, std::nullopt, false);
      pair = trimText(pair);
      if (isSendableCookiePair(pair)) {
        cookies += pair + "; ";
        appended = true;
      }
    }
    if (compareText(textLeft(line, 10), "Location: ", false) == 0 && q.location)
      *q.location = textMid(line, 11, textLength(line) - 10);
    windowRuntime().processEvents();
  }
  if (appended) cookies = textLeft(cookies, textLength(cookies) - 2);

  // One atomic read-modify-write of the caller's cookie text, after the exchange.
  if (q.cookies.supplied())
    q.cookies.update([&](Text& current) { mergeCookies(current, cookies); });
  if (q.responseCookies) *q.responseCookies = cookies;
  if (q.responseBytes) *q.responseBytes = body;

  Text charset = declaredCharset(pageText);
  if (!charset.empty() && charset != "gbk" && charset != "gb2312")
    pageText = decodeBody(body, charset);
  windowRuntime().processEvents();
  return pageText;
}

}  // namespace velmorin
