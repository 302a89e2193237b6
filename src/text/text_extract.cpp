// Cutting text out between, before and after markers.
#include "platform/codepage.h"
#include "text/text_ops.h"

namespace velmorin {
namespace {

// Markers written in program texts cannot hold a double quote easily; this word stands
// for one.
Text unquoteMarker(const Text& marker) {
  static const Text quoteWord = fromUtf8("#引号");
  return replaceText(marker, quoteWord, "\"", 1, std::nullopt, true);
}

}  // namespace

Text textBetween(const Text& t, const Text& left, const Text& right, int start,
                 bool ignoreCase) {
  Text l = unquoteMarker(left);
  Text r = unquoteMarker(right);
  int p = findText(t, l, start, ignoreCase);
  if (p != -1) p += textLength(l);
  int q = findText(t, r, p, ignoreCase);
  if (p == -1 || q == -1) return Text();
  return textMid(t, p, q - p);
}

Text textBefore(const Text& t, const Text& marker, int start, bool ignoreCase) {
  if (start < 1) start = 1;
  int k = findText(t, marker, start, ignoreCase);
  if (k == -1) return Text();
  return textLeft(t, k - 1);
}

Text textAfter(const Text& t, const Text& marker, int start, bool ignoreCase) {
  int n = textLength(t);
  int k = findTextReverse(t, marker, start == kFromEnd ? n + 1 : start, ignoreCase);
  if (k == -1) return Text();
  return textRight(t, n - textLength(marker) - k + 1);
}

}  // namespace velmorin
