#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "text/text_ops.h"

namespace velmorin {
namespace {

TEST(Cutting, CountsPlainBytes) {
  EXPECT_EQ(textMid("abcdef", 5, 10), "ef");
  EXPECT_EQ(textMid("abc", 0, 2), "");
  EXPECT_EQ(textMid("abc", 4, 1), "");
  EXPECT_EQ(textMid("abc", 2, 0), "");
  EXPECT_EQ(textMid("abc", 3, 1), "c");
  EXPECT_EQ(textLeft("abc", 5), "abc");
  EXPECT_EQ(textLeft("abc", 0), "");
  EXPECT_EQ(textRight("abc", -1), "");
  EXPECT_EQ(textRight("abc", 2), "bc");
  EXPECT_EQ(textLeft("\xD6\xD0", 1), "\xD6");  // may cut a character in two
}

TEST(Building, JoinRepeatBlankChar) {
  EXPECT_EQ(joinText({"a", "", "bc"}), "abc");
  EXPECT_EQ(textLength("\xD6\xD0" "a"), 3);
  EXPECT_EQ(charFromCode(0), "");
  EXPECT_EQ(charFromCode(65), "A");
  EXPECT_EQ(charFromCode(0xB0), "\xB0");
  EXPECT_EQ(charFromCode(0x141), "A");
  EXPECT_EQ(charFromCode(256), "");
  EXPECT_EQ(blankText(0), "");
  EXPECT_EQ(blankText(3), "   ");
  EXPECT_EQ(repeatText(0, "0"), "");
  EXPECT_EQ(repeatText(2, "0"), "00");
  EXPECT_EQ(repeatText(3, ""), "");
}

TEST(CompareText, OrderAndFolding) {
  EXPECT_EQ(compareText("abc", "abc", true), 0);
  EXPECT_LT(compareText("ab", "abc", true), 0);
  EXPECT_GT(compareText("\xB0", "a", true), 0);  // bytes are unsigned
  EXPECT_NE(compareText("ABC", "abc", true), 0);
  EXPECT_EQ(compareText("ABC", "abc", false), 0);
  // The second byte of a double-byte character is not a letter.
  EXPECT_NE(compareText("\x81" "A", "\x81" "a", false), 0);
}

struct ReplaceCase {
  Text t, find, replacement;
  int start;
  std::optional<int> count;
  bool caseSensitive;
  Text expected;
};

TEST(ReplaceText, Cases) {
  const ReplaceCase cases[] = {
      {"aXbxc", "x", "-", 1, std::nullopt, false, "a-b-c"},
      {"aXbxc", "x", "-", 1, std::nullopt, true, "aXb-c"},
      {"axbxc", "x", "", 1, std::nullopt, true, "abc"},
      {"abc", "", "z", 1, std::nullopt, true, "abc"},
      {"", "a", "z", 1, std::nullopt, true, ""},
      {"x,x,x", "x", "y", 2, std::nullopt, true, "x,y,y"},
      {"x,x,x", "x", "y", 1, 2, true, "y,y,x"},
      {"x,x,x", "x", "y", 1, 0, true, "x,x,x"},
      {"x,x,x", "x", "y", 1, -1, true, "x,x,x"},
      {"x,x,x", "x", "y", 6, std::nullopt, true, "x,x,x"},
      {"aaaa", "aa", "b", 1, std::nullopt, true, "bb"},
      {"aaa", "aa", "b", 1, std::nullopt, true, "ba"},
      {"abc", "c", "cc", 1, std::nullopt, true, "abcc"},
      // never a match on a second byte; double-byte characters copied whole
      {"\xD6\xD0\xCE\xC4", "\xD0\xCE", "!", 1, std::nullopt, true, "\xD6\xD0\xCE\xC4"},
      {"\xD6\xD0\xCE\xC4", "\xCE\xC4", "!", 1, std::nullopt, true, "\xD6\xD0!"},
      {"\x81" "Ab", "A", "!", 1, std::nullopt, true, "\x81" "Ab"},
      // the bytes before start are copied even when start cuts a character
      {"\xD6\xD0\xCE\xC4", "\xD0\xCE", "!", 2, std::nullopt, true, "\xD6!\xC4"},
      // a final lead byte reached by the scan is dropped; with a longer pattern it stays
      {"ab\x81", "x", "y", 1, std::nullopt, true, "ab"},
      {"ab\x81", "b", "y", 1, std::nullopt, true, "ay"},
      {"ab\x81", "xy", "z", 1, std::nullopt, true, "ab\x81"},
      {"ab\x81", "\x81", "!", 1, std::nullopt, true, "ab!"},
      {"\xD6\x81", "x", "y", 1, std::nullopt, true, "\xD6\x81"},
      // after the count is reached the rest is copied as it is
      {"ab\x81", "a", "y", 1, 1, true, "yb\x81"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(replaceText(c.t, c.find, c.replacement, c.start, c.count, c.caseSensitive),
              c.expected)
        << '"' << c.t << "\" find \"" << c.find << '"';
}

TEST(SplitText, Pieces) {
  struct Case {
    Text t, sep;
    std::optional<int> maxCount;
    std::vector<Text> expected;
  };
  const Case cases[] = {
      {"a,,b", ",", std::nullopt, {"a", "", "b"}},
      {",a", ",", std::nullopt, {"", "a"}},
      {"a,", ",", std::nullopt, {"a"}},
      {"a", ",", std::nullopt, {"a"}},
      {"", ",", std::nullopt, {}},
      {"a;b", ";", std::nullopt, {"a", "b"}},
      {"a,b,c", ",", 2, {"a", "b"}},
      {"a,b,c", ",", 0, {}},
      {"a,b,c", ",", -1, {}},
      {"a,b", "", std::nullopt, {"a,b"}},
      {"a; b; c", "; ", std::nullopt, {"a", "b", "c"}},
      {"aXbxc", "x", std::nullopt, {"aXb", "c"}},
      {"\xD6\xD0\xCE\xC4", "\xD0\xCE", std::nullopt, {"\xD6\xD0\xCE\xC4"}},
      {"\xD6\xD0,\xCE\xC4", ",", std::nullopt, {"\xD6\xD0", "\xCE\xC4"}},
      // the rest after the last separator is kept whole, a final lead byte included
      {"a,b\x81", ",", std::nullopt, {"a", "b\x81"}},
      {"a\x81", "\x81", std::nullopt, {"a"}},
  };
  for (const auto& c : cases) {
    TextArray a = splitText(c.t, c.sep, c.maxCount);
    EXPECT_EQ(a.members(), c.expected) << '"' << c.t << "\" by \"" << c.sep << '"';
  }
  EXPECT_EQ(splitText("a,b").members(), (std::vector<Text>{"a", "b"}));
}

TEST(Trimming, SpacesAndFullWidthSpaces) {
  const Text fw = "\xA1\xA1";
  EXPECT_EQ(trimText(fw + " ab " + fw), "ab");
  EXPECT_EQ(trimText("\tab\r\n"), "\tab\r\n");
  EXPECT_EQ(trimText("a b"), "a b");
  EXPECT_EQ(trimText("   "), "");
  EXPECT_EQ(trimText(""), "");
  // "\xB0\xA1" is a character whose second byte is A1; the A1 A1 after it is a space.
  EXPECT_EQ(trimText("\xB0\xA1\xA1\xA1"), "\xB0\xA1");
  EXPECT_EQ(trimText("\xB0\xA1\xA1"), "\xB0\xA1");  // final lone lead byte cut off
  // a final lead byte without its second byte is cut off, the spaces before it stay
  EXPECT_EQ(trimText(" ab \x81"), "ab ");
  EXPECT_EQ(trimText(" \x81"), "");

  EXPECT_EQ(removeSpaces(" a " + fw + "b\tc "), "ab\tc");
  EXPECT_EQ(removeSpaces("\xB0\xA1\xA1\xA1" "a"), "\xB0\xA1" "a");
  EXPECT_EQ(removeSpaces("a b\x81"), "ab");
}

TEST(ToLower, SingleByteLettersOnly) {
  EXPECT_EQ(toLower("ABC\xD6\xD0"), "abc\xD6\xD0");
  EXPECT_EQ(toLower("\x81" "A" "Z[@"), "\x81" "Az[@");
  EXPECT_EQ(toLower(fromUtf8("ＡＢ")), fromUtf8("ＡＢ"));
}

}  // namespace
}  // namespace velmorin
