#pragma once
// Conversions between code page 936 (GBK) and Unicode, used at every edge where text leaves
// or enters the program (widgets, file paths, regular expressions, HTTP).
#include <optional>
#include <string>
#include <string_view>

#include "text/text_types.h"

namespace velmorin {

// UTF-8 to code page 936; a character without a code-page-936 form becomes "?".
Text fromUtf8(std::string_view utf8);
// Code page 936 to UTF-8; a byte sequence that is not valid code page 936 becomes "?".
std::string toUtf8(const Text& text);

// UTF-16 (native order code units) to and from code page 936, with the same "?" rules.
std::u16string toUtf16(const Text& text);
Text fromUtf16(std::u16string_view units);

// UTF-16 code units to and from any charset iconv knows, with the same "?" rules; empty
// when the charset is unknown.
std::u16string charsetToUtf16(std::string_view bytes, const std::string& charset);
std::string utf16ToCharset(std::u16string_view units, const std::string& charset);

// Converts bytes between any two charsets iconv knows. Unconvertible or invalid input
// becomes "?". std::nullopt when either charset name is unknown.
std::optional<std::string> convertCharset(std::string_view bytes, const std::string& from,
                                          const std::string& to);

}  // namespace velmorin
