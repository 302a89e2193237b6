#include "cookies/merge_cookies.h"

#include <string_view>
#include <unordered_set>
#include <vector>

#include "text/text_ops.h"

namespace velmorin {
namespace {

bool isDeleted(const Text& member) { return textRight(member, 8) == "=deleted"; }

// Appends each member followed by separator, then cuts the last separator off again.
Text joinMembers(const std::vector<const Text*>& members, const Text& separator) {
  Text out;
  for (const Text* m : members) {
    out += *m;
    out += separator;
  }
  return textLeft(out, textLength(out) - textLength(separator));
}

}  // namespace

Text cookieName(const Text& member) {
  const int eq = findText(member, "=");
  return trimText(eq > 0 ? textLeft(member, eq - 1) : member);
}

Text uniqueParts(const Text& text, const Text& separator) {
  const TextArray parts = splitText(text, separator);
  std::unordered_set<std::string_view> seen;
  std::vector<const Text*> taken;
  for (const Text& part : parts.members())
    if (seen.insert(part).second) taken.push_back(&part);
  return joinMembers(taken, separator);
}

bool isSendableCookiePair(const Text& pair) {
  for (unsigned char c : pair)
    if (c < 0x20 || c == 0x7F) return false;
  return true;
}

Text mergeCookies(Text& current, Text& incoming) {
  current = removeSpaces(current);
  incoming = removeSpaces(incoming);
  const TextArray oldMembers = splitText(current, ";");
  const TextArray newMembers = splitText(incoming, ";");

  std::vector<const Text*> working;
  std::unordered_set<Text> names;
  for (const Text& m : newMembers.members()) {
    working.push_back(&m);
    names.insert(cookieName(m));
  }
  for (const Text& m : oldMembers.members())
    if (names.insert(cookieName(m)).second) working.push_back(&m);

  std::vector<const Text*> kept;
  for (const Text* m : working)
    if (!isDeleted(*m)) kept.push_back(m);

  current = uniqueParts(joinMembers(kept, "; "), "; ");
  return current;
}

}  // namespace velmorin
