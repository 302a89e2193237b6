#pragma once
// Text, byte, number and time operations. All are pure; out-of-range arguments give the
// empty text or -1 instead of failing. Lengths and positions are in bytes, from 1.
// Scanning operations step over a double-byte character (lead byte >= 0x80) as one unit.
#include <initializer_list>
#include <limits>
#include <optional>

#include "text/text_types.h"

namespace velmorin {

// "Argument left out" for the start positions whose default is length + 1.
inline constexpr int kFromEnd = std::numeric_limits<int>::max();

// Measuring, joining, comparing
int textLength(const Text& t);
Text joinText(std::initializer_list<Text> parts);
// Negative, 0 or positive; caseSensitive false folds single-byte letters.
int compareText(const Text& a, const Text& b, bool caseSensitive);

// Searching: 1-based position or -1.
int findText(const Text& t, const Text& sub, int start = 1, bool ignoreCase = false);
int findTextReverse(const Text& t, const Text& sub, int start = kFromEnd, bool ignoreCase = false);

// Cutting (plain bytes; may split a double-byte character)
Text textLeft(const Text& t, int n);
Text textRight(const Text& t, int n);
Text textMid(const Text& t, int start, int n);

// Changing and building. std::nullopt for count/maxCount means "no limit"; a count or
// maxCount of 0 or less changes nothing / gives no members.
Text replaceText(const Text& t, const Text& find, const Text& replacement = Text(), int start = 1,
                 std::optional<int> count = std::nullopt, bool caseSensitive = true);
Text trimText(const Text& t);
Text removeSpaces(const Text& t);
Text toLower(const Text& t);
TextArray splitText(const Text& t, const Text& separator = ",",
                    std::optional<int> maxCount = std::nullopt);
Text repeatText(int n, const Text& t);
Text blankText(int n);
Text charFromCode(int code);  // the low byte of code; 0 gives the empty text

// Numbers
Text numberToText(int x);
Text numberToText(double x);  // "%.13g", exponent with sign and three digits
int textToInt(const Text& t);  // full-width forms folded first; wraps beyond 32 bits

// Bytes
int bytesLength(const Bytes& b);
Bytes bytesLeft(const Bytes& b, int n);
Bytes joinBytes(std::initializer_list<Bytes> parts);
Bytes blankBytes(int n);
Bytes textToBytes(const Text& t);
Text bytesToText(const Bytes& b);  // up to the first zero byte

// Time (local)
DateTime currentDateTime();
// Accepts "Y-M-D" or "Y/M/D" (year 100..9999), optionally followed by "h:m" or "h:m:s";
// unparsable or no real date and time: 100-01-01 00:00:00.
DateTime textToDateTime(const Text& t);
// a - b in unit 1..8 (years, quarters, months, weeks, days, hours, minutes, seconds).
// Whole counts beyond the 32-bit range saturate at its ends.
double dateTimeDifference(DateTime a, DateTime b, int unit);

// Extraction between markers. In textBetween, "#引号" in a marker stands for a double quote.
Text textBetween(const Text& t, const Text& left, const Text& right, int start = 1,
                 bool ignoreCase = false);
Text textBefore(const Text& t, const Text& marker, int start = 1, bool ignoreCase = false);
Text textAfter(const Text& t, const Text& marker, int start = kFromEnd, bool ignoreCase = false);

}  // namespace velmorin
