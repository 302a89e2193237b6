#include "text/regex_matcher.h"

#include <cmath>
#include <utility>

#include "platform/codepage.h"
#include "text/text_ops.h"

namespace velmorin {
namespace {

Text asText(const Variant& v) { return variantToText(v).value_or(Text()); }

int asInt(const Variant& v) {
  double d = variantToNumber(v).value_or(0.0);
  if (!(std::fabs(d) < 2147483648.0)) return 0;
  return static_cast<int>(d);  // truncates
}

// Bytes taken by the first `units` UTF-16 units of a code-page-936 text. Every character of
// the code page is one unit: a lead byte 0x81..0xFE with the byte after it, or one byte.
int bytesForUnits(const Text& t, int units) {
  size_t i = 0;
  for (int u = 0; u < units && i < t.size(); ++u) {
    auto c = static_cast<unsigned char>(t[i]);
    i += (c >= 0x81 && c <= 0xFE && i + 1 < t.size()) ? 2 : 1;
  }
  return static_cast<int>(i);
}

const Text& quoteMarker() {
  static const Text marker = fromUtf8("#引号");
  return marker;
}

}  // namespace

RegexMatcher::RegexMatcher() {
  automationInitialize();
  initialised_ = true;
}

RegexMatcher::~RegexMatcher() { destroy(); }

RegexMatcher::RegexMatcher(RegexMatcher&& other) noexcept
    : regex_(std::move(other.regex_)),
      matches_(std::move(other.matches_)),
      subject_(std::move(other.subject_)),
      initialised_(std::exchange(other.initialised_, false)) {
  other.regex_.reset();
  other.matches_.reset();
  other.subject_ = Variant();
}

void RegexMatcher::destroy() {
  regex_.reset();
  matches_.reset();
  subject_ = Variant();
  if (initialised_) {
    automationUninitialize();
    initialised_ = false;
  }
}

RegexMatcher RegexMatcher::copy() const {
  RegexMatcher c;
  c.regex_ = regex_;
  c.matches_ = matches_;
  c.subject_ = subject_;
  return c;
}

bool RegexMatcher::create(const Text& pattern, const Text& subject, bool caseSensitive,
                          bool multiline, bool global, bool quoteMarkerOn) {
  regex_.reset();
  matches_.reset();
  regex_ = createObject("VBScript.RegExp");
  // Failed writes are ignored: the object has no "Singleline", and an empty object takes none.
  putProperty(regex_, "IgnoreCase", !caseSensitive);
  putProperty(regex_, "Multiline", multiline);
  putProperty(regex_, "Singleline", true);
  putProperty(regex_, "Global", global);
  Text p = quoteMarkerOn ? replaceText(pattern, quoteMarker(), "\"") : pattern;
  putProperty(regex_, "Pattern", p);
  subject_ = Variant(subject);
  const Variant args[] = {subject_};
  matches_ = variantToObject(callMethod(regex_, "Execute", args));
  return matches_ != nullptr;
}

void RegexMatcher::placeholder() {}

Text RegexMatcher::patternText() const {
  if (!regex_) return Text();
  return asText(getProperty(regex_, "Pattern"));
}

Text RegexMatcher::replaceMatches(const Text& replacement) const {
  const Variant args[] = {subject_, Variant(replacement)};
  return asText(callMethod(regex_, "Replace", args));
}

int RegexMatcher::matchCount() const {
  if (!matches_) return 0;
  return asInt(getProperty(matches_, "Count"));
}

int RegexMatcher::positionOf(const Text& found, const ObjectRef& match) const {
  const Text subject = asText(subject_);
  const int first = asInt(getProperty(match, "FirstIndex"));
  const bool ignoreCase = asText(getProperty(regex_, "IgnoreCase")) != "0";
  // FirstIndex counts UTF-16 units; the search runs over bytes, from the match's own start.
  const int start = bytesForUnits(subject, first) + 1;
  return findText(subject, found, start, ignoreCase) - 1;
}

Text RegexMatcher::matchText(int n, int* position) const {
  const Variant index[] = {static_cast<double>(n) - 1};
  ObjectRef item = variantToObject(getProperty(matches_, "Item", index));
  Text result = asText(getProperty(item, "Value"));
  if (position) *position = positionOf(result, item);
  return result;
}

Text RegexMatcher::subMatchText(int n, int m, int* position) const {
  const Variant matchIndex[] = {static_cast<double>(n) - 1};
  ObjectRef item = variantToObject(getProperty(matches_, "Item", matchIndex));
  ObjectRef groups = variantToObject(getProperty(item, "SubMatches"));
  const Variant groupIndex[] = {static_cast<double>(m) - 1};
  Text result = asText(getProperty(groups, "Item", groupIndex));
  if (position) *position = positionOf(result, item);
  return result;
}

int RegexMatcher::subMatchCount() const {
  const Variant first[] = {0};
  ObjectRef item = variantToObject(getProperty(matches_, "Item", first));
  return asInt(getProperty(variantToObject(getProperty(item, "SubMatches")), "Count"));
}

}  // namespace velmorin
