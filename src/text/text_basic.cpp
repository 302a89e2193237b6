// Measuring, joining, comparing, cutting and building texts.
#include <algorithm>

#include "text/text_ops.h"
#include "text/text_scan.h"

namespace velmorin {

int textLength(const Text& t) { return static_cast<int>(t.size()); }

Text joinText(std::initializer_list<Text> parts) {
  std::size_t total = 0;
  for (const Text& p : parts) total += p.size();
  Text out;
  out.reserve(total);
  for (const Text& p : parts) out += p;
  return out;
}

int compareText(const Text& a, const Text& b, bool caseSensitive) {
  // Both texts share their character grid up to the first differing byte, so a byte
  // comparison orders whole characters; only the folding needs to know which bytes are
  // single-byte characters.
  std::size_t i = 0, n = std::min(a.size(), b.size());
  bool trail = false;
  for (; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (!caseSensitive && !trail && x < 0x80 && y < 0x80) {
      x = scan::foldAscii(x);
      y = scan::foldAscii(y);
    }
    if (x != y) return x < y ? -1 : 1;
    trail = !trail && scan::isLead(x);
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

Text textLeft(const Text& t, int n) {
  if (n <= 0) return Text();
  return t.substr(0, std::min(static_cast<std::size_t>(n), t.size()));
}

Text textRight(const Text& t, int n) {
  if (n <= 0) return Text();
  std::size_t k = std::min(static_cast<std::size_t>(n), t.size());
  return t.substr(t.size() - k);
}

Text textMid(const Text& t, int start, int n) {
  if (start < 1 || n <= 0 || static_cast<std::size_t>(start) > t.size()) return Text();
  return t.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n));
}

Text repeatText(int n, const Text& t) {
  if (n <= 0 || t.empty()) return Text();
  Text out;
  out.reserve(t.size() * static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) out += t;
  return out;
}

Text blankText(int n) { return n <= 0 ? Text() : Text(static_cast<std::size_t>(n), ' '); }

Text charFromCode(int code) {
  // Only the low byte counts; the zero byte would end the text, so it gives the empty one.
  char c = static_cast<char>(code & 0xFF);
  return c == 0 ? Text() : Text(1, c);
}

}  // namespace velmorin
