#include "cookies/merge_cookies.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"

namespace velmorin {
namespace {

const Text kFullWidthSpace = "\xA1\xA1";

struct MergeCase {
  const char* what;
  Text current;
  Text incoming;
  Text result;
};

TEST(MergeCookies, CasesTable) {
  const MergeCase cases[] = {
      {"nothing in, nothing out", "", "", ""},
      {"incoming first and winning", "a=1; b=2", "b=3", "b=3; a=1"},
      {"a deletion marker removes the cookie", "a=1; b=2", "a=deleted", "b=2"},
      {"deletion markers on the current side are dropped", "x=deleted; y=1", "", "y=1"},
      {"only the first old member of a name survives", "a=1; a=2", "", "a=1"},
      {"incoming members never dropped for sharing a name", "", "a=1; a=2", "a=1; a=2"},
      {"exact repeats appear once", "", "a=1; a=1", "a=1"},
      {"names compared with their letter case", "A=1", "a=2", "a=2; A=1"},
      {"spaces inside values are removed", "k=x y", "", "k=xy"},
      {"a text of spaces is empty", Text(3000, ' '), "s=1", "s=1"},
      {"an empty member survives once", "a=1;;b=2", "", "a=1; ; b=2"},
      {"a member without = is named by its whole text", "flag", "flag=1", "flag=1"},
      {"the name ends at the first =", "", "t=abc==", "t=abc=="},
      // beyond the table
      {"full-width spaces are removed too", "a=1" + kFullWidthSpace + "; b" + kFullWidthSpace + "=2",
       "c =3", "c=3; a=1; b=2"},
      {"repeats across both sides appear once", "a=1; b=2", "b=2; b=2", "b=2; a=1"},
      {"a deleted incoming cookie also hides its old value", "s=old; t=1", "s=deleted; u=2",
       "u=2; t=1"},
      {"a value merely containing deleted stays", "", "k=undeleted_x", "k=undeleted_x"},
      {"Chinese values pass through", "", fromUtf8("名=值"), fromUtf8("名=值")},
  };
  for (const auto& c : cases) {
    Text current = c.current;
    Text incoming = c.incoming;
    Text expectedIncoming = c.incoming;
    std::erase(expectedIncoming, ' ');
    for (size_t p; (p = expectedIncoming.find(kFullWidthSpace)) != Text::npos;)
      expectedIncoming.erase(p, 2);

    EXPECT_EQ(mergeCookies(current, incoming), c.result) << c.what;
    EXPECT_EQ(current, c.result) << c.what;
    EXPECT_EQ(incoming, expectedIncoming) << c.what;
  }
}

TEST(MergeCookies, MergingTwiceChangesNothing) {
  Text current = "a=1; b=2; c=3";
  Text incoming = "b=9; d=4";
  Text once = mergeCookies(current, incoming);
  Text again = incoming;
  EXPECT_EQ(mergeCookies(current, again), once);
}

TEST(CookieName, NameIsTextBeforeFirstEqualsTrimmed) {
  const std::pair<Text, Text> cases[] = {
      {"a=1", "a"}, {" a =1", "a"}, {"flag", "flag"}, {" flag ", "flag"},
      {"t=abc==", "t"}, {"=v", ""}, {"", ""}, {kFullWidthSpace + "n=1", "n"},
  };
  for (const auto& [member, name] : cases) EXPECT_EQ(cookieName(member), name) << member;
}

TEST(UniqueParts, DropsExactRepeatsKeepingFirstOccurrences) {
  struct Case {
    Text text, separator, result;
  };
  const Case cases[] = {
      {"a; b; a; c; b", "; ", "a; b; c"},
      {"a=1; A=1; a=1", "; ", "a=1; A=1"},
      {"", "; ", ""},
      {"x,,y,,", ",", "x,,y"},
      {"a=1; a=2", "; ", "a=1; a=2"},
  };
  for (const auto& c : cases) EXPECT_EQ(uniqueParts(c.text, c.separator), c.result) << c.text;
}

}  // namespace
}  // namespace velmorin
