#include <gtest/gtest.h>

#include <climits>

#include "platform/codepage.h"
#include "text/text_ops.h"

namespace velmorin {
namespace {

TEST(NumberToText, Integers) {
  EXPECT_EQ(numberToText(-5), "-5");
  EXPECT_EQ(numberToText(0), "0");
  EXPECT_EQ(numberToText(INT_MIN), "-2147483648");
  EXPECT_EQ(numberToText(INT_MAX), "2147483647");
}

TEST(NumberToText, Doubles) {
  const std::pair<double, Text> cases[] = {
      {31.0, "31"},
      {0.5, "0.5"},
      {0.0, "0"},
      {-2.5, "-2.5"},
      {1.0 / 3, "0.3333333333333"},
      {1234567890123.0, "1234567890123"},
      {-1234567890123.0, "-1234567890123"},
      {1e13, "1e+013"},
      {12345678901234.0, "1.234567890123e+013"},
      {-1e13, "-1e+013"},
      {1e100, "1e+100"},
      {1e-300, "1e-300"},
      {0.0001, "0.0001"},
      {0.00001, "1e-005"},
      {-1.5e-7, "-1.5e-007"},
      {1677000000123.0, "1677000000123"},
  };
  for (const auto& [x, expected] : cases) EXPECT_EQ(numberToText(x), expected) << x;
}

TEST(TextToInt, DigitsSignsAndWrap) {
  const std::pair<Text, int> cases[] = {
      {"12abc", 12},
      {"abc", 0},
      {"", 0},
      {"  -42", -42},
      {"+7", 7},
      {"\t\r\n 9", 9},
      {"- 5", 0},
      {"1 2", 1},
      {"2147483647", INT_MAX},
      {"2147483648", INT_MIN},
      {"-2147483648", INT_MIN},
      {"4294967297", 1},
      {"99999999999", static_cast<int>(99999999999LL & 0xFFFFFFFF)},
  };
  for (const auto& [t, expected] : cases) EXPECT_EQ(textToInt(t), expected) << t;
}

TEST(TextToInt, FullWidthFormsFolded) {
  EXPECT_EQ(textToInt(fromUtf8("８０")), 80);
  EXPECT_EQ(textToInt(fromUtf8("－１２")), -12);
  EXPECT_EQ(textToInt(fromUtf8("＋３")), 3);
  EXPECT_EQ(textToInt(fromUtf8("　７")), 7);   // full-width space is white space
  EXPECT_EQ(textToInt(fromUtf8("１２中")), 12);
  EXPECT_EQ(textToInt(fromUtf8("中１２")), 0);
  // Only whole characters fold: the bytes A3 B1 behind a lead byte are not a digit.
  EXPECT_EQ(textToInt("\x81\xA3\xB1"), 0);
}

TEST(Bytes, Operations) {
  const Bytes zeroInside = {'a', 0, 'b'};
  EXPECT_EQ(bytesLength(zeroInside), 3);
  EXPECT_EQ(bytesLength(Bytes()), 0);
  EXPECT_EQ(bytesLeft(zeroInside, 2), (Bytes{'a', 0}));
  EXPECT_EQ(bytesLeft(zeroInside, 9), zeroInside);
  EXPECT_TRUE(bytesLeft(zeroInside, 0).empty());
  EXPECT_EQ(joinBytes({zeroInside, Bytes(), Bytes{'c'}}), (Bytes{'a', 0, 'b', 'c'}));
  EXPECT_TRUE(joinBytes({Bytes(), Bytes()}).empty());
  EXPECT_EQ(blankBytes(3), (Bytes{0, 0, 0}));
  EXPECT_TRUE(blankBytes(-1).empty());
  EXPECT_EQ(textToBytes("\xD6\xD0" "a"), (Bytes{0xD6, 0xD0, 'a'}));
  EXPECT_TRUE(textToBytes("").empty());
  EXPECT_EQ(bytesToText(zeroInside), "a");
  EXPECT_EQ(bytesToText(Bytes{'x', 'y'}), "xy");
  EXPECT_EQ(bytesToText(Bytes{0, 'x'}), "");
}

}  // namespace
}  // namespace velmorin
