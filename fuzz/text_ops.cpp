// The text operations against plain reference versions of their stated algorithms, over
// arbitrary code-page-936 bytes and the whole range of start positions and counts.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include "fuzz_text.h"
#include "text/text_ops.h"

using namespace velmorin;
using velmorin::fuzz::byteAt;
using velmorin::fuzz::check;

namespace {

using Pos = std::int64_t;

bool isLead(unsigned char c) { return c >= 0x80; }
char fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameAt(const Text& t, Pos p, const Text& sub, bool ignoreCase) {
  for (size_t k = 0; k < sub.size(); ++k) {
    const char a = t[p + k], b = sub[k];
    if (ignoreCase ? fold(a) != fold(b) : a != b) return false;
  }
  return true;
}

// The character walk: the next place after p, or n when a lead byte ends the text.
Pos step(const Text& t, Pos p) {
  const Pos n = static_cast<Pos>(t.size());
  if (isLead(byteAt(t, p))) return p + 1 == n ? n : p + 2;
  return p + 1;
}

int refFind(const Text& t, const Text& sub, int start, bool ignoreCase) {
  const Pos n = static_cast<Pos>(t.size()), m = static_cast<Pos>(sub.size());
  const Pos s = std::max<Pos>(Pos{start} - 1, 0);
  if (s >= n) return -1;
  if (m == 0) return 1;
  for (Pos p = s; p + m <= n; p = step(t, p))
    if (sameAt(t, p, sub, ignoreCase)) return static_cast<int>(p + 1);
  return -1;
}

int refFindReverse(const Text& t, const Text& sub, int start, bool ignoreCase) {
  const Pos n = static_cast<Pos>(t.size()), m = static_cast<Pos>(sub.size());
  const Pos e = Pos{start} - 1;
  const Pos limit = std::min(e, n);
  if (limit <= 0) return -1;
  if (m == 0) return 1;
  int last = -1;
  for (Pos p = 0; p + m <= limit; p = step(t, p))
    if (sameAt(t, p, sub, ignoreCase)) last = static_cast<int>(p + 1);
  return last;
}

Text refReplace(const Text& t, const Text& find, const Text& replacement, int start,
                std::optional<int> count, bool caseSensitive) {
  const Pos n = static_cast<Pos>(t.size()), m = static_cast<Pos>(find.size());
  const Pos s = std::max<Pos>(Pos{start} - 1, 0);
  if (t.empty() || find.empty() || s >= n || (count && *count <= 0)) return t;
  Text out = t.substr(0, s);
  Pos p = s;
  int made = 0;
  while (p + m <= n) {
    if (sameAt(t, p, find, !caseSensitive)) {
      out += replacement;
      p += m;
      if (count && ++made == *count) break;
    } else if (isLead(byteAt(t, p)) && p + 1 == n) {
      p = n;  // a lone lead byte at the end is dropped
    } else {
      const Pos next = step(t, p);
      out.append(t, p, next - p);
      p = next;
    }
  }
  return out + t.substr(p);
}

bool isSpaceAt(const Text& t, Pos p, Pos* width) {
  const Pos n = static_cast<Pos>(t.size());
  if (t[p] == ' ') return *width = 1, true;
  if (byteAt(t, p) == 0xA1 && p + 1 < n && byteAt(t, p + 1) == 0xA1) return *width = 2, true;
  return false;
}

Text refTrim(const Text& t) {
  const Pos n = static_cast<Pos>(t.size());
  Pos i = 0, w = 0;
  while (i < n && isSpaceAt(t, i, &w)) i += w;
  Pos runStart = -1;
  for (Pos j = i; j < n;) {
    if (isSpaceAt(t, j, &w)) {
      if (runStart < 0) runStart = j;
      j += w;
    } else if (isLead(byteAt(t, j)) && j + 1 == n) {
      return t.substr(i, j - i);  // the lone lead byte goes, spaces before it stay
    } else {
      runStart = -1;
      j = step(t, j);
    }
  }
  return t.substr(i, (runStart < 0 ? n : runStart) - i);
}

Text refRemoveSpaces(const Text& t) {
  const Pos n = static_cast<Pos>(t.size());
  Text out;
  for (Pos j = 0, w = 0; j < n;) {
    if (isSpaceAt(t, j, &w)) {
      j += w;
    } else if (isLead(byteAt(t, j)) && j + 1 == n) {
      break;
    } else {
      const Pos next = step(t, j);
      out.append(t, j, next - j);
      j = next;
    }
  }
  return out;
}

int refTextToInt(const Text& t) {
  Text folded;
  for (size_t i = 0; i < t.size();) {
    const unsigned char a = byteAt(t, i);
    if (a >= 0x80 && i + 1 < t.size()) {
      const unsigned char b = byteAt(t, i + 1);
      if (a == 0xA1 && b == 0xA1) folded += ' ';
      else if (a == 0xA1 && b == 0xAB) folded += '~';
      else if (a == 0xA1 && (b == 0xEE || b == 0xEF)) folded += '*';
      else if (a == 0xA3 && b >= 0xA1 && b <= 0xFE) folded += static_cast<char>(b - 0x80);
      else folded.append(t, i, 2);
      i += 2;
    } else {
      folded += static_cast<char>(a);
      ++i;
    }
  }
  size_t i = 0;
  while (i < folded.size() && (folded[i] == ' ' || (folded[i] >= '\t' && folded[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) negative = folded[i++] == '-';
  std::uint32_t v = 0;
  for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i)
    v = v * 10u + static_cast<std::uint32_t>(folded[i] - '0');
  if (negative) v = 0u - v;
  return static_cast<int>(v);
}

Text refNumber(double x) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.13g", x);
  Text s = buffer;
  const size_t e = s.find('e');
  if (e != Text::npos) {
    Text digits = s.substr(e + 2);
    while (digits.size() < 3) digits.insert(0, "0");
    s = s.substr(0, e + 2) + digits;
  }
  return s;
}

bool asciiOnly(const Text& t) {
  return std::none_of(t.begin(), t.end(), [](char c) { return isLead(static_cast<unsigned char>(c)); });
}

std::string show(const Text& t) {
  std::string out;
  for (unsigned char c : t) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", c);
    out += hex;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const int start = in.ConsumeIntegral<int>();
  const int count = in.ConsumeIntegral<int>();
  const bool ignoreCase = in.ConsumeBool();
  const bool limited = in.ConsumeBool();
  const double number = in.ConsumeFloatingPoint<double>();
  const int whole = in.ConsumeIntegral<int>();
  const Text sub = fuzz::takeText(in, 8);
  const Text replacement = fuzz::takeText(in, 8);
  const Text left = fuzz::takeText(in, 6);
  const Text t = fuzz::restText(in);
  const std::optional<int> limit = limited ? std::optional<int>(count) : std::nullopt;

  check(findText(t, sub, start, ignoreCase) == refFind(t, sub, start, ignoreCase), "findText",
        show(t) + " / " + show(sub) + " from " + std::to_string(start));
  check(findText(t, sub) == refFind(t, sub, 1, false), "findText default");
  check(findTextReverse(t, sub, start, ignoreCase) == refFindReverse(t, sub, start, ignoreCase),
        "findTextReverse", show(t) + " / " + show(sub) + " from " + std::to_string(start));
  check(findTextReverse(t, sub) == refFindReverse(t, sub, kFromEnd, false),
        "findTextReverse default");
  check(replaceText(t, sub, replacement, start, limit, !ignoreCase) ==
            refReplace(t, sub, replacement, start, limit, !ignoreCase),
        "replaceText", show(t) + " / " + show(sub));
  check(trimText(t) == refTrim(t), "trimText", show(t));
  check(removeSpaces(t) == refRemoveSpaces(t), "removeSpaces", show(t));
  check(textToInt(t) == refTextToInt(t), "textToInt", show(t));
  check(numberToText(whole) == std::to_string(whole), "numberToText(int)");
  const Text written = numberToText(number);
  if (std::isfinite(number)) check(written == refNumber(number), "numberToText", written);

  // Split pieces put back together give the text (a separator at the very end yields no
  // member); a limit caps the member count.
  const TextArray pieces = splitText(t, sub, limit);
  if (!limit) {
    Text joined;
    for (int i = 1; i <= pieces.count(); ++i) joined += (i > 1 ? sub : Text()) + pieces.member(i);
    check(joined == t || (!sub.empty() && joined + sub == t), "splitText", show(t) + " / " + show(sub));
  } else {
    check(pieces.count() <= std::max(count, 0), "splitText limit");
  }

  // Extraction follows from findText and textMid.
  const int p = findText(t, left, start, ignoreCase);
  if (left.find('#') == Text::npos && sub.find('#') == Text::npos) {
    Text expected;
    if (p != -1) {
      const int from = p + textLength(left);
      const int q = findText(t, sub, from, ignoreCase);
      if (q != -1) expected = textMid(t, from, q - from);
    }
    check(textBetween(t, left, sub, start, ignoreCase) == expected, "textBetween", show(t));
  }
  const int k = findText(t, left, std::max(start, 1), ignoreCase);
  check(textBefore(t, left, start, ignoreCase) == (k == -1 ? Text() : t.substr(0, k - 1)),
        "textBefore", show(t));
  const Text after = textAfter(t, left, start, ignoreCase);
  check(t.size() >= after.size() && t.compare(t.size() - after.size(), Text::npos, after) == 0,
        "textAfter is a tail");

  check(textMid(t, start, count).size() <= t.size(), "textMid");
  check(textLeft(t, count) == t.substr(0, static_cast<size_t>(std::clamp<Pos>(count, 0, t.size()))),
        "textLeft");
  check((compareText(t, sub, true) == 0) == (t == sub), "compareText exact");
  if (asciiOnly(t) && asciiOnly(sub)) {
    Text a = t, b = sub;
    std::transform(a.begin(), a.end(), a.begin(), fold);
    std::transform(b.begin(), b.end(), b.begin(), fold);
    check((compareText(t, sub, false) == 0) == (a == b), "compareText folded");
    check(toLower(t) == a, "toLower");
  }
  const int ab = compareText(t, sub, ignoreCase), ba = compareText(sub, t, ignoreCase);
  check((ab < 0) == (ba > 0) && (ab == 0) == (ba == 0), "compareText order");
  return 0;
}
