// mergeCookies over arbitrary cookie texts: what it promises about both variables and the
// members of the result.
#include <algorithm>
#include <set>

#include "cookies/merge_cookies.h"
#include "fuzz_text.h"
#include "text/text_ops.h"

using namespace velmorin;
using velmorin::fuzz::check;

namespace {

std::vector<Text> members(const Text& t, const Text& separator) {
  const TextArray parts = splitText(t, separator);
  return parts.members();
}

bool deleted(const Text& member) {
  return member.size() >= 8 && member.compare(member.size() - 8, 8, "=deleted") == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  Text current = fuzz::takeText(in, 512);
  Text incoming = fuzz::restText(in);
  const Text oldPlain = removeSpaces(current), newPlain = removeSpaces(incoming);

  const Text result = mergeCookies(current, incoming);
  check(current == result, "current holds the result");
  check(incoming == newPlain, "incoming loses its spaces");

  const std::vector<Text> merged = members(result, "; ");
  std::set<Text> seen;
  for (const Text& m : merged) {
    check(seen.insert(m).second, "an exact repeat survived", m);
    check(!deleted(m), "a deleted member survived", m);
    check(removeSpaces(m) == m, "a space survived", m);
  }
  const std::vector<Text> added = members(newPlain, ";"), held = members(oldPlain, ";");
  for (const Text& m : merged)
    check(std::find(added.begin(), added.end(), m) != added.end() ||
              std::find(held.begin(), held.end(), m) != held.end(),
          "a member came from nowhere", m);
  for (const Text& m : added)
    check(m.empty() || deleted(m) || seen.count(m) == 1, "an incoming member was lost", m);
  // An old member survives when the incoming text does not name it and it is the first of
  // its name on the old side.
  std::set<Text> named;
  for (const Text& m : added) named.insert(cookieName(m));
  for (const Text& m : held) {
    if (named.insert(cookieName(m)).second && !m.empty() && !deleted(m))
      check(seen.count(m) == 1, "an old member was lost", m);
  }
  return 0;
}
