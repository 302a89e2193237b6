#include "cookies/stored_cookies.h"

#include "cookies/merge_cookies.h"
#include "platform/cookie_store.h"
#include "text/text_ops.h"

namespace velmorin {
namespace {

constexpr std::uint32_t kCaptureBuffer = 3000;

// One read of the store into a buffer of spaces; a failed read leaves the spaces.
Text readInto(const Text& address, bool includeHttpOnly) {
  Text buffer(kCaptureBuffer, ' ');
  std::uint32_t size = kCaptureBuffer;
  if (CookieStore::instance().read(address, Text(), includeHttpOnly, buffer.data(), &size))
    buffer.resize(size);
  return buffer;
}

}  // namespace

Text readStoredCookies(const Text& domain, const Text& name) {
  const Text address = "http://" + domain;
  Text first = readInto(address, false);
  Text second = readInto(address, true);
  mergeCookies(first, second);
  if (!name.empty()) first = cookieValue(first, name, false);
  return first;
}

Text cookieValue(Text& cookieText, const Text& name, bool valueOnly) {
  cookieText = trimText(cookieText);
  if (textRight(cookieText, 1) != ";") cookieText += ";";
  Text value;
  const TextArray members = splitText(cookieText, ";");
  for (const Text& member : members.members()) {
    const Text trimmed = trimText(member);
    if (toLower(textBefore(trimmed, "=")) != toLower(name)) continue;
    value = findText(trimmed, ":") != -1 ? textBetween(trimmed, "=", ":") : textAfter(trimmed, "=");
    break;
  }
  if (valueOnly || value.empty()) return value;
  return name + "=" + value;
}

}  // namespace velmorin
