#include <gtest/gtest.h>

#include "net/page/wide_text.h"
#include "platform/codepage.h"

namespace velmorin {
namespace {

TEST(WideTextTest, TextToWideGivesLittleEndianUnitsAndTerminator) {
  EXPECT_EQ(textToWide(""), Bytes());
  EXPECT_EQ(textToWide("Ab"), (Bytes{'A', 0, 'b', 0, 0, 0}));
  EXPECT_EQ(textToWide("Ab", true), (Bytes{'A', 0, 'b', 0}));
  EXPECT_EQ(textToWide(fromUtf8("中")), (Bytes{0x2D, 0x4E, 0, 0}));
}

TEST(WideTextTest, WideToTextStopsAtAZeroUnitAndRoundTrips) {
  EXPECT_EQ(wideToText(Bytes{'A', 0, 0, 0, 'b', 0}), "A");
  EXPECT_EQ(wideToText(Bytes{'A', 0, 'b'}), "A");  // odd byte ignored
  EXPECT_EQ(wideToText(Bytes{0xAC, 0x20}), fromUtf8("€"));
  EXPECT_EQ(wideToText(Bytes{0x3D, 0xD8, 0x00, 0xDE}), "?");  // no code-page-936 form
  const Text mixed = fromUtf8("下载 photo 成功");
  EXPECT_EQ(wideToText(textToWide(mixed)), mixed);
}

}  // namespace
}  // namespace velmorin
