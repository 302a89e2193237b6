#include "text/text_ops.h"
#include "text/text_scan.h"

namespace velmorin {

int findText(const Text& t, const Text& sub, int start, bool ignoreCase) {
  std::size_t n = t.size();
  std::size_t s = start > 1 ? static_cast<std::size_t>(start) - 1 : 0;
  if (s >= n) return -1;
  if (sub.empty()) return 1;
  std::size_t q = scan::findForward(t, s, sub, ignoreCase);
  return q == scan::npos ? -1 : static_cast<int>(q + 1);
}

int findTextReverse(const Text& t, const Text& sub, int start, bool ignoreCase) {
  long long n = static_cast<long long>(t.size());
  long long e = start == kFromEnd ? n : static_cast<long long>(start) - 1;
  if (e <= 0 || n == 0) return -1;
  std::size_t end = static_cast<std::size_t>(e < n ? e : n);
  if (sub.empty()) return 1;
  std::size_t q = scan::findBackward(t, end, sub, ignoreCase);
  return q == scan::npos ? -1 : static_cast<int>(q + 1);
}

}  // namespace velmorin
