#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace velmorin {
namespace {

TEST(CodePage, RoundTripsChineseThroughUtf8AndUtf16) {
  const Text zhongwen = "\xD6\xD0\xCE\xC4";  // 中文 in code page 936
  EXPECT_EQ(toUtf8(zhongwen), "中文");
  EXPECT_EQ(fromUtf8("中文"), zhongwen);
  EXPECT_EQ(toUtf16(zhongwen), u"中文");
  EXPECT_EQ(fromUtf16(u"中文"), zhongwen);
}

TEST(CodePage, UnmappableAndInvalidInputBecomeQuestionMarks) {
  EXPECT_EQ(fromUtf8("a\xF0\x9F\x98\x80z"), "a?z");  // an emoji has no GBK form
  EXPECT_EQ(toUtf8("a\xFF"), "a?");                   // a lone lead byte at the end
  EXPECT_EQ(fromUtf8("\xE2\x82\xAC"), "\x80");        // the euro sign is 0x80 in CP936
}

TEST(CodePage, UnknownCharsetIsReported) {
  EXPECT_FALSE(convertCharset("abc", "no-such-charset", "UTF-8").has_value());
  EXPECT_EQ(convertCharset("\xE4\xB8\xAD", "utf-8", "GBK"), std::string("\xD6\xD0"));
}

}  // namespace
}  // namespace velmorin
