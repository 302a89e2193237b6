// RegexMatcher with the two patterns the program uses, over arbitrary subjects: every match
// and group is a real piece of the subject, found where the matcher says it is.
#include "fuzz_text.h"
#include "net/page/page_response.h"
#include "platform/codepage.h"
#include "text/regex_matcher.h"
#include "text/text_ops.h"

using namespace velmorin;
using velmorin::fuzz::check;

namespace {

const char* const kPhotoEntry = "pic_host\":\".*?\",\"pic_pid\"";
const char* const kMetaCharset = "<meta.+?charset=[^\\w]?([-\\w]+)";

bool foldedEqual(const Text& a, const Text& b) {
  return a.size() == b.size() && toLower(a) == toLower(b);
}

void checkMatches(const char* pattern, const Text& subject) {
  RegexMatcher matcher;
  if (!matcher.create(pattern, subject)) return;
  // Positions are only meaningful for a subject that survives the trip through UTF-8.
  const bool exact = fromUtf8(toUtf8(subject)) == subject;
  const int count = matcher.matchCount();
  check(count >= 0, "negative match count");
  for (int n = 1; n <= count && n <= 64; ++n) {
    int position = -7;
    const Text match = matcher.matchText(n, &position);
    check(position != -7, "position not written");
    if (exact) {
      check(!match.empty() && position >= 0 &&
                foldedEqual(subject.substr(static_cast<size_t>(position), match.size()), match),
            "match not at its position", match);
    }
    const int groups = matcher.subMatchCount();
    for (int m = 1; m <= groups; ++m) {
      const Text group = matcher.subMatchText(n, m);
      check(match.find(group) != Text::npos || !exact, "group outside its match", group);
    }
  }
  check(matcher.matchText(0).empty() && matcher.matchText(count + 1).empty(),
        "a match outside 1..count");
  (void)matcher.replaceMatches("$1");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const Text subject = fuzz::restText(in);
  checkMatches(kPhotoEntry, subject);
  checkMatches(kMetaCharset, subject);

  const Text charset = declaredCharset(subject);
  for (unsigned char c : charset)
    check(c == '-' || c == '_' || std::isalnum(c), "charset name outside [-\\w]", charset);
  return 0;
}
