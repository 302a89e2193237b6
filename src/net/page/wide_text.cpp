#include "net/page/wide_text.h"

#include "platform/codepage.h"

namespace velmorin {

Bytes unitsToWide(std::u16string_view units) {
  Bytes wide;
  wide.reserve(units.size() * 2);
  for (char16_t u : units) {
    wide.push_back(static_cast<std::uint8_t>(u & 0xFF));
    wide.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  return wide;
}

std::u16string wideUnits(const Bytes& wide) {
  std::u16string units(wide.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(wide[2 * i] | (wide[2 * i + 1] << 8));
  if (!units.empty() && units.back() == u'\0') units.pop_back();
  return units;
}

Bytes textToWide(const Text& text, bool dropTerminator) {
  if (text.empty()) return Bytes();
  Bytes wide = unitsToWide(toUtf16(text));
  if (!dropTerminator) wide.insert(wide.end(), {0, 0});
  return wide;
}

Text wideToText(const Bytes& wide) {
  std::u16string units(wide.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(wide[2 * i] | (wide[2 * i + 1] << 8));
  return fromUtf16(units);  // ends at the first zero
}

}  // namespace velmorin
