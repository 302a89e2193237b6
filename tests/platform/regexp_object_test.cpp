#include "platform/regexp_object.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/automation.h"
#include "platform/codepage.h"

namespace velmorin {
namespace {

// Holds an automation initialisation on the test's thread for the object's lifetime.
class RegExpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    automationInitialize();
    re = createObject("VBScript.RegExp");
    ASSERT_NE(re, nullptr);
  }
  void TearDown() override { automationUninitialize(); }

  void configure(const Text& pattern, bool ignoreCase, bool multiline, bool global) {
    ASSERT_TRUE(putProperty(re, "Pattern", pattern));
    ASSERT_TRUE(putProperty(re, "IgnoreCase", ignoreCase));
    ASSERT_TRUE(putProperty(re, "Multiline", multiline));
    ASSERT_TRUE(putProperty(re, "Global", global));
  }

  ObjectRef execute(const Text& subject) {
    const Variant args[] = {subject};
    return variantToObject(callMethod(re, "Execute", args));
  }

  // The Value of every match, in order.
  std::vector<Text> values(const Text& subject) {
    std::vector<Text> out;
    ObjectRef m = execute(subject);
    EXPECT_NE(m, nullptr);
    int count = static_cast<int>(variantToNumber(getProperty(m, "Count")).value_or(-1));
    for (int i = 0; i < count; ++i) {
      const Variant idx[] = {static_cast<double>(i)};
      out.push_back(*variantToText(getProperty(variantToObject(getProperty(m, "Item", idx)),
                                               "Value")));
    }
    return out;
  }

  Text replace(const Text& subject, const Text& replacement) {
    const Variant args[] = {subject, replacement};
    Variant r = callMethod(re, "Replace", args);
    EXPECT_FALSE(r.empty()) << "Replace failed for " << replacement;
    return variantToText(r).value_or("<failed>");
  }

  ObjectRef re;
};

TEST_F(RegExpTest, PropertiesStartEmptyReadBackAndUnknownMembersFail) {
  EXPECT_EQ(variantToText(getProperty(re, "Pattern")), Text());
  for (const char* flag : {"IgnoreCase", "Global", "Multiline"})
    EXPECT_EQ(variantToText(getProperty(re, flag)), Text("0")) << flag;

  EXPECT_TRUE(putProperty(re, "ignorecase", true));  // names bind without letter case
  EXPECT_EQ(variantToText(getProperty(re, "IgnoreCase")), Text("-1"));
  EXPECT_TRUE(putProperty(re, "Pattern", fromUtf8("中+")));
  EXPECT_EQ(variantToText(getProperty(re, "Pattern")), fromUtf8("中+"));

  EXPECT_FALSE(putProperty(re, "Singleline", true));
  Variant untouched = Text("kept");
  EXPECT_FALSE(re->getProperty("Singleline", {}, untouched));
  EXPECT_EQ(variantToText(untouched), Text("kept"));
  const Variant subject[] = {Text("x")};
  EXPECT_TRUE(callMethod(re, "Execute", {}).empty());        // missing argument
  EXPECT_TRUE(callMethod(re, "Matches", subject).empty());   // no such method
  EXPECT_TRUE(getProperty(re, "Execute").empty());           // a method is no property
}

TEST_F(RegExpTest, ObjectsNeedTheThreadInitialisationAndAKnownClass) {
  EXPECT_EQ(createObject("No.SuchClass"), nullptr);
  EXPECT_NE(createObject("vbscript.regexp"), nullptr);
  const int held = automationInitCount();
  automationUninitialize();
  EXPECT_EQ(automationInitCount(), held - 1);
  EXPECT_EQ(createObject("VBScript.RegExp"), nullptr);
  automationInitialize();
  EXPECT_NE(createObject("VBScript.RegExp"), nullptr);
}

TEST_F(RegExpTest, MatchesReportValueFirstIndexLengthAndGroups) {
  // 中 and 文 are one UTF-16 unit each, two bytes each in the code page.
  configure("(\\d+)(x)?", false, false, true);
  ObjectRef m = execute(fromUtf8("中文12ab345x"));
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(variantToNumber(getProperty(m, "Count")), 2.0);

  const Variant second[] = {1.0};
  ObjectRef item = variantToObject(getProperty(m, "Item", second));
  EXPECT_EQ(variantToText(getProperty(item, "Value")), Text("345x"));
  EXPECT_EQ(variantToNumber(getProperty(item, "FirstIndex")), 6.0);
  EXPECT_EQ(variantToNumber(getProperty(item, "Length")), 4.0);
  ObjectRef groups = variantToObject(getProperty(item, "SubMatches"));
  EXPECT_EQ(variantToNumber(getProperty(groups, "Count")), 2.0);
  const Variant g0[] = {0}, g1[] = {1}, g2[] = {2};
  EXPECT_EQ(variantToText(getProperty(groups, "Item", g0)), Text("345"));
  EXPECT_EQ(variantToText(getProperty(groups, "Item", g1)), Text("x"));
  EXPECT_TRUE(getProperty(groups, "Item", g2).empty());

  const Variant first[] = {0};
  ObjectRef one = variantToObject(getProperty(m, "Item", first));
  EXPECT_EQ(variantToNumber(getProperty(one, "FirstIndex")), 2.0);
  // A group that took no part reads as the empty value, not as a failure.
  Variant unset = Text("sentinel");
  ASSERT_TRUE(variantToObject(getProperty(one, "SubMatches"))->getProperty("Item", g1, unset));
  EXPECT_TRUE(unset.empty());

  for (double bad : {-1.0, 2.0, 100.0}) {
    const Variant idx[] = {bad};
    EXPECT_TRUE(getProperty(m, "Item", idx).empty()) << bad;
  }
}

struct OptionCase {
  const char* name;
  const char* pattern;
  const char* subject;
  bool ignoreCase, multiline, global;
  std::vector<std::string> expected;  // UTF-8, converted before comparing
};

TEST_F(RegExpTest, OptionsAndDialect) {
  const OptionCase cases[] = {
      {"dot stops at LF", "a.*", "ab\ncd", false, false, true, {"ab"}},
      {"dot stops at CR", "a.*", "ab\rcd a", false, false, true, {"ab", "a"}},
      {"dot takes other characters", "a.b", "a\tb a中b", false, false, true, {"a\tb", "a中b"}},
      {"lazy stays on its line", "x.*?y", "x1\ny x2y", false, false, true, {"x2y"}},
      {"\\w is ASCII only", "\\w+", "ab中文cd_9", false, false, true, {"ab", "cd_9"}},
      {"[^\\w] takes Chinese", "[^\\w]", "a中", false, false, true, {"中"}},
      {"case sensitive", "abc", "ABC abc", false, false, true, {"abc"}},
      {"case ignored", "abc", "ABC abc", true, false, true, {"ABC", "abc"}},
      {"not global: first only", "\\d", "1 2 3", false, false, false, {"1"}},
      {"multiline ^ at LF and CR", "^\\w", "ab\ncd\ref", false, true, true, {"a", "c", "e"}},
      {"single-line ^ at start only", "^\\w", "ab\ncd", false, false, true, {"a"}},
      {"single-line $ at the very end", "\\w$", "ab\ncd\n", false, false, true, {}},
      {"multiline $ before CR LF", "\\w$", "ab\r\ncd", false, true, true, {"b", "d"}},
      {"empty matches advance", "x*", "axx", false, false, true, {"", "xx", ""}},
      {"empty matches step over Chinese", "", "中a", false, false, true, {"", "", ""}},
      {"hyphen in a class", "[-\\w]+", "utf-8\"", false, false, true, {"utf-8"}},
  };
  for (const auto& c : cases) {
    configure(fromUtf8(c.pattern), c.ignoreCase, c.multiline, c.global);
    std::vector<Text> expected;
    for (const auto& e : c.expected) expected.push_back(fromUtf8(e));
    EXPECT_EQ(values(fromUtf8(c.subject)), expected) << c.name;
  }
}

TEST_F(RegExpTest, ReplacementSyntax) {
  struct Case {
    const char* replacement;
    const char* expected;
  };
  // Pattern with two groups over "<ab12>": the match is "b1", $1 = "b", $2 = "1".
  configure("(b)(\\d)", false, false, false);
  const Case cases[] = {
      {"[$1|$2]", "<a[b|1]2>"},
      {"[$&]", "<a[b1]2>"},
      {"[$`]", "<a[<a]2>"},
      {"[$']", "<a[2>]2>"},
      {"[$$1]", "<a[$1]2>"},
      {"[$3]", "<a[$3]2>"},      // no such group: literal
      {"[$0]", "<a[$0]2>"},
      {"[$12]", "<a[b2]2>"},     // group 12 missing: group 1, then "2"
      {"[$02]", "<a[1]2>"},      // two digits naming group 2
      {"[$x$]", "<a[$x$]2>"},
      {"", "<a2>"},
  };
  for (const auto& c : cases) EXPECT_EQ(replace("<ab12>", c.replacement), Text(c.expected)) << c.replacement;

  configure("(a)|(b)", false, false, true);
  EXPECT_EQ(replace("ab", "[$1$2]"), Text("[a][b]"));  // an unmatched group gives nothing
  configure("o", true, false, true);
  EXPECT_EQ(replace(fromUtf8("Oo中o"), fromUtf8("文")), fromUtf8("文文中文"));
  configure("", false, false, true);
  EXPECT_EQ(replace("ab", "-"), Text("-a-b-"));
}

TEST_F(RegExpTest, InvalidPatternMakesEveryRunFail) {
  configure("(unclosed", false, false, true);
  const Variant one[] = {Text("unclosed")};
  const Variant two[] = {Text("unclosed"), Text("x")};
  EXPECT_TRUE(callMethod(re, "Execute", one).empty());
  EXPECT_TRUE(callMethod(re, "Replace", two).empty());
  EXPECT_TRUE(callMethod(re, "Test", one).empty());
  // A good pattern afterwards works again.
  ASSERT_TRUE(putProperty(re, "Pattern", Text("un")));
  EXPECT_EQ(variantToText(callMethod(re, "Test", one)), Text("-1"));
  const Variant none[] = {Text("xyz")};
  EXPECT_EQ(variantToText(callMethod(re, "Test", none)), Text("0"));
}

TEST(VariantConversion, StandardConversions) {
  EXPECT_EQ(variantToText(Variant()), Text());
  EXPECT_EQ(variantToText(Variant(true)), Text("-1"));
  EXPECT_EQ(variantToText(Variant(12)), Text("12"));
  EXPECT_EQ(variantToText(Variant(2.0)), Text("2"));
  EXPECT_EQ(variantToText(Variant(2.5)), Text("2.5"));
  EXPECT_FALSE(variantToText(Variant(makeRegExpObject())));
  EXPECT_EQ(variantToNumber(Variant(Text(" 7 "))), 7.0);
  EXPECT_FALSE(variantToNumber(Variant(Text("7a"))));
  EXPECT_EQ(variantToBool(Variant(Text("true"))), true);
  EXPECT_EQ(variantToBool(Variant(0)), false);
  EXPECT_FALSE(variantToBool(Variant(Text("maybe"))));
  EXPECT_EQ(variantToIndex(Variant(2.5)), 2);  // half to even
  EXPECT_EQ(variantToIndex(Variant(3.5)), 4);
}

}  // namespace
}  // namespace velmorin
