#pragma once
// The page engine's conversions between code-page-936 texts and the UTF-16LE strings the
// HTTP session layer takes.
#include <string>

#include "text/text_types.h"

namespace velmorin {

// UTF-16LE units of text followed by a two-byte terminator (dropped on request); the empty
// text gives empty Bytes.
Bytes textToWide(const Text& text, bool dropTerminator = false);
// UTF-16LE Bytes (an odd last byte is ignored) as code page 936, up to the first zero unit;
// characters without a code-page-936 form become "?".
Text wideToText(const Bytes& wide);

// The code units of UTF-16LE Bytes without a final terminator unit.
std::u16string wideUnits(const Bytes& wide);
// Code units as UTF-16LE Bytes (no terminator added).
Bytes unitsToWide(std::u16string_view units);

}  // namespace velmorin
