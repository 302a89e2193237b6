#include "text/regex_matcher.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/automation.h"
#include "platform/codepage.h"

namespace velmorin {
namespace {

const Text kListingPattern = "pic_host\":\".*?\",\"pic_pid\"";
const Text kCharsetPattern = "<meta.+?charset=[^\\w]?([-\\w]+)";

Text u(const std::string& utf8) { return fromUtf8(utf8); }

std::vector<Text> allMatches(const RegexMatcher& m) {
  std::vector<Text> out;
  for (int k = 1; k <= m.matchCount(); ++k) out.push_back(m.matchText(k));
  return out;
}

TEST(RegexMatcher, ConstructionAndDestroyBracketTheThreadInitialisation) {
  const int before = automationInitCount();
  {
    RegexMatcher m;
    EXPECT_EQ(automationInitCount(), before + 1);
    ASSERT_TRUE(m.create("b+", "abbc"));
    {
      RegexMatcher c = m.copy();
      EXPECT_EQ(automationInitCount(), before + 2);
      m.destroy();
      EXPECT_EQ(automationInitCount(), before + 1);
      EXPECT_EQ(m.matchCount(), 0);  // released
      // The copy holds its own references to the same objects.
      EXPECT_EQ(c.matchText(1), "bb");
      EXPECT_EQ(c.patternText(), "b+");
      EXPECT_EQ(c.replaceMatches("-"), "a-c");
    }
    EXPECT_EQ(automationInitCount(), before);
  }  // destroy() already ran: the destructor gives nothing back twice
  EXPECT_EQ(automationInitCount(), before);
  {
    RegexMatcher m;  // never destroyed explicitly
  }
  EXPECT_EQ(automationInitCount(), before);
}

TEST(RegexMatcher, BelongsToTheThreadThatMadeIt) {
  RegexMatcher m;
  bool created = true;
  int count = -1;
  std::thread other([&] {
    // This thread holds no initialisation, so the object cannot be made here.
    created = m.create("a", "aaa");
    count = m.matchCount();
  });
  other.join();
  EXPECT_FALSE(created);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(m.patternText(), "");
  EXPECT_TRUE(m.create("a", "aaa"));
  EXPECT_EQ(m.matchCount(), 3);
}

TEST(RegexMatcher, FindsThePhotoEntriesOfAListingPage) {
  // A listing answer as the service sends it: one line of JSON with escaped slashes, plus a
  // second line holding an entry whose pic_pid key sits on the next line.
  const Text page = u(
      "{\"code\":0,\"data\":{\"total\":3,\"photo_list\":["
      "{\"photo_id\":\"4001\",\"pic_host\":\"http:\\/\\/ww1.sinaimg.cn\",\"pic_name\":"
      "\"a1b2c3.jpg\",\"pic_pid\":\"a1b2c3\",\"caption_render\":\"春天的花\"},"
      "{\"photo_id\":\"4002\",\"pic_host\":\"http:\\/\\/ww2.sinaimg.cn\",\"pic_name\":"
      "\"d4e5f6.jpg\",\"pic_pid\":\"d4e5f6\",\"caption_render\":\"\"},"
      "{\"photo_id\":\"4003\",\"PIC_HOST\":\"http:\\/\\/ww3.sinaimg.cn\",\"pic_name\":"
      "\"g7.jpg\",\"Pic_Pid\":\"g7\"}]}\r\n"
      "{\"pic_host\":\"http:\\/\\/ww4.sinaimg.cn\",\"pic_name\":\"split.jpg\r\n\",\"pic_pid\":\"x\"}");
  RegexMatcher m;
  m.create(kListingPattern, page);
  const std::vector<Text> expected = {
      "pic_host\":\"http:\\/\\/ww1.sinaimg.cn\",\"pic_name\":\"a1b2c3.jpg\",\"pic_pid\"",
      "pic_host\":\"http:\\/\\/ww2.sinaimg.cn\",\"pic_name\":\"d4e5f6.jpg\",\"pic_pid\"",
      // letter case is ignored with the options left out
      "PIC_HOST\":\"http:\\/\\/ww3.sinaimg.cn\",\"pic_name\":\"g7.jpg\",\"Pic_Pid\"",
  };
  EXPECT_EQ(allMatches(m), expected);
  EXPECT_EQ(m.matchText(0), "");
  EXPECT_EQ(m.matchText(4), "");

  m.create(kListingPattern, "{\"code\":0,\"data\":{\"photo_list\":[]}}");
  EXPECT_EQ(m.matchCount(), 0);
  EXPECT_EQ(m.matchText(1), "");
  EXPECT_EQ(m.subMatchCount(), 0);
}

TEST(RegexMatcher, ReadsTheDeclaredCharacterSet) {
  struct Case {
    const char* name;
    std::string head;  // UTF-8
    const char* charset;
  };
  const Case cases[] = {
      {"http-equiv", "<html><head><title>相册</title>\r\n<meta http-equiv=\"Content-Type\" "
                     "content=\"text/html; charset=utf-8\" />", "utf-8"},
      {"quoted short form", "<meta charset=\"GBK\">", "GBK"},
      {"capitals, no quote", "<META CHARSET=gb2312>", "gb2312"},
      {"single quote", "<meta charset='big5'>", "big5"},
      {"first of two", "<meta charset=\"euc-jp\"><meta charset=\"utf-8\">", "euc-jp"},
      {"no meta tag", "{\"code\":0,\"charset=utf-8\":1}", ""},
      {"tag and charset on different lines", "<meta\ncontent=\"text/html; charset=utf-8\">", ""},
  };
  for (const auto& c : cases) {
    RegexMatcher m;
    const bool ok = m.create(kCharsetPattern, u(c.head));
    EXPECT_TRUE(ok) << c.name;
    EXPECT_EQ(m.subMatchText(1, 1), c.charset) << c.name;
    EXPECT_EQ(m.subMatchCount(), *c.charset ? 1 : 0) << c.name;
  }
}

TEST(RegexMatcher, CreateOptions) {
  struct Case {
    const char* name;
    Text pattern;
    Text subject;
    bool caseSensitive, multiline, global, quoteMarker;
    std::vector<Text> expected;
  };
  const Case cases[] = {
      {"defaults ignore case", "abc", "ABC abc", false, true, true, false, {"ABC", "abc"}},
      {"case sensitive", "abc", "ABC abc", true, true, true, false, {"abc"}},
      {"multiline anchors", "^\\w", "ab\ncd", false, true, true, false, {"a", "c"}},
      {"single-line anchors", "^\\w", "ab\ncd", false, false, true, false, {"a"}},
      {"not global", "\\d", "1 2", false, true, false, false, {"1"}},
      {"quote marker", u("a#引号b"), "a\"b a#b", false, true, true, true, {"a\"b"}},
      {"quote marker off", u("a#引号b"), u("a\"b a#引号b"), false, true, true, false,
       {u("a#引号b")}},
      // "Singleline" is not a member of the object: "." keeps stopping at line breaks.
      {"no single-line mode", "a.b", "a\nb a\rb a b", false, true, true, false, {"a b"}},
  };
  for (const auto& c : cases) {
    RegexMatcher m;
    EXPECT_TRUE(m.create(c.pattern, c.subject, c.caseSensitive, c.multiline, c.global,
                         c.quoteMarker)) << c.name;
    EXPECT_EQ(allMatches(m), c.expected) << c.name;
  }
  RegexMatcher m;
  m.create(u("a#引号b"), "", false, true, true, true);
  EXPECT_EQ(m.patternText(), "a\"b");
}

TEST(RegexMatcher, PositionsAreByteOffsetsInTheSubject) {
  RegexMatcher m;
  // 中 takes two bytes in the subject but one UTF-16 unit in the object's FirstIndex.
  ASSERT_TRUE(m.create("a(\\d)", u("中中中a1a1")));
  int pos = 99;
  EXPECT_EQ(m.matchText(1, &pos), "a1");
  EXPECT_EQ(pos, 6);
  EXPECT_EQ(m.matchText(2, &pos), "a1");
  EXPECT_EQ(pos, 8);  // FirstIndex 5 units; the second "a1", not the first
  EXPECT_EQ(m.subMatchText(2, 1, &pos), "1");
  EXPECT_EQ(pos, 9);

  // Overlapping texts: the search starts at the match itself, not one byte before it.
  ASSERT_TRUE(m.create("a", "aa"));
  EXPECT_EQ(m.matchText(2, &pos), "a");
  EXPECT_EQ(pos, 1);

  ASSERT_TRUE(m.create("b", "aB"));
  // Outside the matches: the empty text is searched from the subject's start.
  EXPECT_EQ(m.matchText(5, &pos), "");
  EXPECT_EQ(pos, 0);
  EXPECT_EQ(m.subMatchText(1, 3, &pos), "");
  EXPECT_EQ(pos, 0);
  ASSERT_TRUE(m.create("b", ""));
  EXPECT_EQ(m.matchText(1, &pos), "");
  EXPECT_EQ(pos, -2);
}

TEST(RegexMatcher, GroupsOfMatches) {
  RegexMatcher m;
  ASSERT_TRUE(m.create("(\\w+)=(\\w*)(;)?", "a=1; b=; c=3;"));
  EXPECT_EQ(m.matchCount(), 3);
  EXPECT_EQ(m.subMatchCount(), 3);
  EXPECT_EQ(m.subMatchText(1, 1), "a");
  EXPECT_EQ(m.subMatchText(1, 3), ";");
  EXPECT_EQ(m.subMatchText(2, 2), "");
  EXPECT_EQ(m.subMatchText(3, 3), ";");
  EXPECT_EQ(m.subMatchText(3, 4), "");
  EXPECT_EQ(m.subMatchText(3, 0), "");
  EXPECT_EQ(m.subMatchText(4, 1), "");
  EXPECT_EQ(m.subMatchText(0, 1), "");
}

TEST(RegexMatcher, ReplacesMatches) {
  RegexMatcher m;
  ASSERT_TRUE(m.create(u("(图)(\\d+)"), u("图1和图22")));
  EXPECT_EQ(m.replaceMatches(u("[$2$1]")), u("[1图]和[22图]"));
  EXPECT_EQ(m.replaceMatches("$&$$"), u("图1$和图22$"));
  ASSERT_TRUE(m.create("x", "xax", false, true, false));
  EXPECT_EQ(m.replaceMatches("<$'>"), "<ax>ax");  // not global: first match only
}

TEST(RegexMatcher, FailedCallsGiveEmptyResults) {
  RegexMatcher m;
  EXPECT_EQ(m.patternText(), "");  // before any create
  EXPECT_EQ(m.matchCount(), 0);
  EXPECT_EQ(m.replaceMatches("x"), "");

  EXPECT_FALSE(m.create("(a|", "aaa"));  // does not compile
  EXPECT_EQ(m.patternText(), "(a|");     // the object took the pattern all the same
  EXPECT_EQ(m.matchCount(), 0);
  EXPECT_EQ(m.matchText(1), "");
  EXPECT_EQ(m.subMatchText(1, 1), "");
  EXPECT_EQ(m.subMatchCount(), 0);
  EXPECT_EQ(m.replaceMatches("x"), "");

  // A later create replaces the failed state.
  EXPECT_TRUE(m.create("a", "aaa"));
  EXPECT_EQ(m.matchCount(), 3);
}

}  // namespace
}  // namespace velmorin
