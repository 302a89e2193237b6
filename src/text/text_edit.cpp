// Replacing, trimming and case folding, each stepping over double-byte characters.
#include "text/text_ops.h"
#include "text/text_scan.h"

namespace velmorin {
namespace {

// Length of the space character at i (0x20 or the full-width A1 A1), or 0.
std::size_t spaceAt(const Text& t, std::size_t i) {
  if (t[i] == ' ') return 1;
  if (static_cast<unsigned char>(t[i]) == 0xA1 && i + 1 < t.size() &&
      static_cast<unsigned char>(t[i + 1]) == 0xA1)
    return 2;
  return 0;
}

}  // namespace

Text replaceText(const Text& t, const Text& find, const Text& replacement, int start,
                 std::optional<int> count, bool caseSensitive) {
  std::size_t n = t.size(), m = find.size();
  std::size_t s = start > 1 ? static_cast<std::size_t>(start) - 1 : 0;
  // A negative count makes no replacement, like a count of 0.
  if (n == 0 || m == 0 || s >= n || (count && *count <= 0)) return t;
  Text out;
  out.reserve(n);
  out.append(t, 0, s);
  std::size_t p = s;
  int made = 0;
  while (p + m <= n) {
    std::size_t q = scan::findForward(t, p, find, !caseSensitive);
    if (q == scan::npos) break;
    out.append(t, p, q - p);
    out += replacement;
    p = q + m;
    if (count && ++made == *count) {
      out.append(t, p, n - p);
      return out;
    }
  }
  // The scan walked on to the end. A one-byte pattern lets it reach the last byte; a lead
  // byte there has no second byte and is dropped.
  if (m == 1 && p < n && scan::isLead(static_cast<unsigned char>(t[n - 1])) &&
      scan::onGrid(t, p, n - 1))
    out.append(t, p, n - 1 - p);
  else
    out.append(t, p, n - p);
  return out;
}

Text trimText(const Text& t) {
  std::size_t n = t.size(), i = 0;
  while (i < n) {
    std::size_t k = spaceAt(t, i);
    if (k == 0) break;
    i += k;
  }
  std::size_t begin = i, end = n;
  std::size_t runStart = scan::npos;
  while (i < n) {
    std::size_t k = spaceAt(t, i);
    if (k != 0) {
      if (runStart == scan::npos) runStart = i;
      i += k;
      continue;
    }
    runStart = scan::npos;
    if (scan::isLead(static_cast<unsigned char>(t[i]))) {
      if (i + 1 == n) {
        end = i;  // a lead byte without its second byte is cut off, spaces before it stay
        break;
      }
      i += 2;
    } else {
      i += 1;
    }
  }
  if (runStart != scan::npos) end = runStart;
  return t.substr(begin, end - begin);
}

Text removeSpaces(const Text& t) {
  Text out;
  out.reserve(t.size());
  std::size_t n = t.size(), i = 0;
  while (i < n) {
    std::size_t k = spaceAt(t, i);
    if (k != 0) {
      i += k;
    } else if (scan::isLead(static_cast<unsigned char>(t[i]))) {
      if (i + 1 == n) break;  // a lead byte without its second byte is dropped
      out.append(t, i, 2);
      i += 2;
    } else {
      out += t[i++];
    }
  }
  return out;
}

Text toLower(const Text& t) {
  Text out(t);
  std::size_t n = out.size(), i = 0;
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (scan::isLead(c)) {
      i += 2;  // both bytes of a double-byte character stay; a final lead byte stays too
    } else {
      out[i] = static_cast<char>(scan::foldAscii(c));
      i += 1;
    }
  }
  return out;
}

}  // namespace velmorin
