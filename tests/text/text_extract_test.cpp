#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "text/text_ops.h"

namespace velmorin {
namespace {

TEST(TextBetween, Markers) {
  const Text q = fromUtf8("#引号");
  EXPECT_EQ(textBetween("a\"b\"c", q, q), "b");
  EXPECT_EQ(textBetween("k=v;", "k=", ";"), "v");
  EXPECT_EQ(textBetween("k=v", "k=", ";"), "");
  EXPECT_EQ(textBetween("k=;", "k=", ";"), "");
  EXPECT_EQ(textBetween("abc", "", "c"), "ab");     // empty left: from the beginning
  EXPECT_EQ(textBetween("abc", "", "c", 3), "ab");
  EXPECT_EQ(textBetween("abc", "a", ""), "");       // empty right
  EXPECT_EQ(textBetween("abc", "c", "c"), "");      // left marker ends the text
  EXPECT_EQ(textBetween("x1y x2y", "x", "y", 2), "2");
  EXPECT_EQ(textBetween("X1Y", "x", "y", 1, true), "1");
  EXPECT_EQ(textBetween("X1Y", "x", "y"), "");
  EXPECT_EQ(textBetween("{\"pid\":\"42\"}", "\"pid\":" + q, q), "42");
  // The right marker is searched on the character grid that begins after the left one.
  EXPECT_EQ(textBetween("<\xD6\xD0\xCE\xC4>", "<", "\xD0\xCE"), "");
  // The text itself keeps its quote word.
  EXPECT_EQ(textBetween("[" + q + "]", "[", "]"), q);
}

TEST(TextBeforeAfter, Markers) {
  EXPECT_EQ(textBefore("a=b=c", "="), "a");
  EXPECT_EQ(textBefore("a=b=c", "=", 3), "a=b");
  EXPECT_EQ(textBefore("a=b=c", "=", 0), "a");
  EXPECT_EQ(textBefore("a=b=c", ";"), "");
  EXPECT_EQ(textBefore("a=b=c", ""), "");
  EXPECT_EQ(textAfter("a=b=c", "="), "c");
  EXPECT_EQ(textAfter("a=b=c", "=", 4), "b=c");
  EXPECT_EQ(textAfter("abc", "c"), "");
  EXPECT_EQ(textAfter("abc", ""), "abc");
  EXPECT_EQ(textAfter("abc", ";"), "");
  EXPECT_EQ(textAfter("A=B", "a=", kFromEnd, true), "B");
  // Only textBetween reads the quote word.
  const Text q = fromUtf8("#引号");
  EXPECT_EQ(textBefore("a\"b", q), "");
  EXPECT_EQ(textAfter("a\"b", q), "");
}

}  // namespace
}  // namespace velmorin
