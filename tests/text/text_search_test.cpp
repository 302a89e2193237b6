#include <gtest/gtest.h>

#include "text/text_ops.h"

namespace velmorin {
namespace {

struct FindCase {
  Text t, sub;
  int start;
  bool ignoreCase;
  int expected;
};

TEST(FindText, PositionsAndEdges) {
  const FindCase cases[] = {
      {"abc", "c", 4, false, -1},   {"abc", "", 2, false, 1},    {"", "", 1, false, -1},
      {"abc", "bc", 0, false, 2},   {"abc", "bc", -5, false, 2}, {"abc", "", 3, false, 1},
      {"abc", "", 4, false, -1},    {"abcabc", "bc", 3, false, 5}, {"abc", "abcd", 1, false, -1},
      {"ABC", "b", 1, true, 2},     {"ABC", "b", 1, false, -1},  {"abc", "B", 1, true, 2},
      // folding covers A to Z only
      {"[", "{", 1, true, -1},      {"@", "`", 1, true, -1},
      {"xyz", "z", 3, false, 3},    {"aaa", "aa", 2, false, 2},
  };
  for (const auto& c : cases)
    EXPECT_EQ(findText(c.t, c.sub, c.start, c.ignoreCase), c.expected)
        << '"' << c.t << "\" \"" << c.sub << "\" start " << c.start;
}

TEST(FindText, NeverMatchesOnASecondByte) {
  const Text zhongwen = "\xD6\xD0\xCE\xC4";  // two characters
  EXPECT_EQ(findText(zhongwen, "\xD0\xCE"), -1);
  EXPECT_EQ(findText(zhongwen, "\xCE\xC4"), 3);
  // A trail byte below 0x80 is still a trail byte.
  EXPECT_EQ(findText("\x81" "Ab", "A"), -1);
  EXPECT_EQ(findText("\x81" "AbA", "A"), 4);
  EXPECT_EQ(findText("\x81" "Ab", "a", 1, true), -1);
  // The walk starts at start even when that is a second byte.
  EXPECT_EQ(findText(zhongwen, "\xD0\xCE", 2), 2);
  // Long runs of double-byte characters before a candidate, both parities.
  Text run(64, '\xB0');
  EXPECT_EQ(findText(run + "\xB0x", "\xB0x"), 65);
  EXPECT_EQ(findText(run + "x\xB0x", "\xB0x"), 66);
  EXPECT_EQ(findText(run.substr(1) + "\xB0x", "\xB0x"), -1);
}

TEST(FindText, LeadByteBeforeTheEnd) {
  // The final lead byte is still compared before the walk stops.
  EXPECT_EQ(findText("ab\x81", "\x81"), 3);
  EXPECT_EQ(findText("\xD6\xD0\x81", "\x81"), 3);
  EXPECT_EQ(findText("\xD6\x81", "\x81"), -1);
  EXPECT_EQ(findTextReverse("ab\x81", "\x81"), 3);
  EXPECT_EQ(findTextReverse("\xD6\x81", "\x81"), -1);
}

TEST(FindTextReverse, PositionsAndEdges) {
  const FindCase cases[] = {
      {"a.b.c", ".", kFromEnd, false, 4}, {"a.b.c", ".", 4, false, 2},
      {"a.b.c", ".", 1, false, -1},       {"a.b.c", ".", 0, false, -1},
      {"a.b.c", ".", 99, false, 4},       {"a.b.c", ".", 5, false, 4},
      {"abab", "ab", 4, false, 1},        {"abab", "ab", 5, false, 3},
      {"aaa", "aa", kFromEnd, false, 2},  {"ABAB", "ab", kFromEnd, true, 3},
      {"abc", "", kFromEnd, false, 1},    {"", "", kFromEnd, false, -1},
      {"abc", "", 1, false, -1},          {"abc", "abcd", kFromEnd, false, -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(findTextReverse(c.t, c.sub, c.start, c.ignoreCase), c.expected)
        << '"' << c.t << "\" \"" << c.sub << "\" start " << c.start;
}

TEST(FindTextReverse, NeverMatchesOnASecondByte) {
  const Text t = "\xD6\xD0\xCE\xC4\xD0\xCE";  // 中文 then a lone pair
  EXPECT_EQ(findTextReverse(t, "\xD0\xCE"), 5);
  EXPECT_EQ(findTextReverse(t, "\xD0\xCE", 6), -1);
  EXPECT_EQ(findTextReverse("\x81" "A\x81" "A", "A"), -1);
  EXPECT_EQ(findTextReverse("A\x81" "A", "A"), 1);
}

}  // namespace
}  // namespace velmorin
