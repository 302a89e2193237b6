// TextArray member access and splitting a text into a TextArray.
#include "platform/codepage.h"
#include "text/fatal_stop.h"
#include "text/text_ops.h"
#include "text/text_scan.h"

namespace velmorin {

const Text& TextArray::member(int i) const {
  if (i < 1) {
    static const Text message = fromUtf8("数组成员引用下标必须大于等于1");
    fatalStop(4, message);
  }
  if (i > count()) {
    static const Text message = fromUtf8("数组成员引用下标超出定义范围");
    fatalStop(1, message);
  }
  return members_[static_cast<std::size_t>(i) - 1];
}

TextArray splitText(const Text& t, const Text& separator, std::optional<int> maxCount) {
  if (t.empty() || (maxCount && *maxCount <= 0)) return TextArray();
  if (separator.empty()) return TextArray({t});
  std::vector<Text> members;
  std::size_t n = t.size(), m = separator.size(), p = 0;
  while (p + m <= n) {
    std::size_t q = scan::findForward(t, p, separator, false);
    if (q == scan::npos) break;
    members.emplace_back(t, p, q - p);
    p = q + m;
    // At the limit the rest is dropped, not joined to the last member.
    if (maxCount && members.size() == static_cast<std::size_t>(*maxCount))
      return TextArray(std::move(members));
  }
  if (p < n) members.emplace_back(t, p, n - p);
  return TextArray(std::move(members));
}

}  // namespace velmorin
