// Numbers written as text and read from text.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "text/text_ops.h"

namespace velmorin {

Text numberToText(int x) { return std::to_string(x); }

Text numberToText(double x) {
  char buf[64];
  int len = std::snprintf(buf, sizeof buf, "%.13g", x);
  Text s(buf, static_cast<std::size_t>(len));
  // The C library writes at least two exponent digits; the form used here has three.
  std::size_t e = s.find('e');
  if (e == Text::npos || e + 2 > s.size()) return s;
  Text digits = s.substr(e + 2);
  while (digits.size() < 3) digits.insert(digits.begin(), '0');
  return s.substr(0, e + 2) + digits;
}

namespace {

// Full-width forms of ASCII characters in code page 936, folded before reading a number.
Text foldFullWidth(const Text& t) {
  Text out;
  out.reserve(t.size());
  std::size_t n = t.size(), i = 0;
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(t[i]);
    if (c < 0x80 || i + 1 == n) {
      out += t[i++];
      continue;
    }
    unsigned char d = static_cast<unsigned char>(t[i + 1]);
    if (c == 0xA1 && d == 0xA1)
      out += ' ';
    else if (c == 0xA1 && d == 0xAB)
      out += '~';
    else if (c == 0xA1 && (d == 0xEE || d == 0xEF))
      out += '*';
    else if (c == 0xA3 && d >= 0xA1 && d <= 0xFE)
      out += static_cast<char>(d - 0x80);
    else
      out.append(t, i, 2);
    i += 2;
  }
  return out;
}

bool isWhite(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

int textToInt(const Text& t) {
  Text s = foldFullWidth(t);
  std::size_t i = 0, n = s.size();
  while (i < n && isWhite(s[i])) ++i;
  bool negative = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  std::uint32_t value = 0;  // unsigned, so that overflow wraps instead of being undefined
  for (; i < n && s[i] >= '0' && s[i] <= '9'; ++i)
    value = value * 10u + static_cast<std::uint32_t>(s[i] - '0');
  if (negative) value = 0u - value;
  return static_cast<int>(value);
}

}  // namespace velmorin
