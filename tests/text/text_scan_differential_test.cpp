// Compares the searching, replacing and splitting operations with a plain byte-by-byte
// walk over many random texts rich in double-byte characters.
#include <gtest/gtest.h>

#include <random>

#include "text/text_ops.h"

namespace velmorin {
namespace {

unsigned char fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

bool equalAt(const Text& t, std::size_t p, const Text& sub, bool ignoreCase) {
  for (std::size_t i = 0; i < sub.size(); ++i) {
    unsigned char a = static_cast<unsigned char>(t[p + i]);
    unsigned char b = static_cast<unsigned char>(sub[i]);
    if (ignoreCase ? fold(a) != fold(b) : a != b) return false;
  }
  return true;
}

// One step of the character walk; false when a final lead byte ends the walk.
bool step(const Text& t, std::size_t& p) {
  if (static_cast<unsigned char>(t[p]) >= 0x80) {
    if (p + 1 == t.size()) return false;
    p += 2;
  } else {
    p += 1;
  }
  return true;
}

int refFind(const Text& t, const Text& sub, int start, bool ignoreCase) {
  std::size_t n = t.size(), s = start > 1 ? start - 1 : 0;
  if (s >= n) return -1;
  if (sub.empty()) return 1;
  for (std::size_t p = s; p + sub.size() <= n;) {
    if (equalAt(t, p, sub, ignoreCase)) return static_cast<int>(p + 1);
    if (!step(t, p)) break;
  }
  return -1;
}

int refFindReverse(const Text& t, const Text& sub, int start, bool ignoreCase) {
  long long n = static_cast<long long>(t.size());
  long long e = start == kFromEnd ? n : static_cast<long long>(start) - 1;
  if (e <= 0 || n == 0) return -1;
  std::size_t end = static_cast<std::size_t>(std::min(e, n));
  if (sub.empty()) return 1;
  int found = -1;
  for (std::size_t p = 0; p + sub.size() <= end;) {
    if (equalAt(t, p, sub, ignoreCase)) found = static_cast<int>(p + 1);
    if (!step(t, p)) break;
  }
  return found;
}

Text refReplace(const Text& t, const Text& find, const Text& repl, int start,
                std::optional<int> count, bool caseSensitive) {
  std::size_t n = t.size(), m = find.size(), s = start > 1 ? start - 1 : 0;
  if (n == 0 || m == 0 || s >= n || (count && *count <= 0)) return t;
  Text out = t.substr(0, s);
  std::size_t p = s;
  int made = 0;
  while (p + m <= n && !(count && made == *count)) {
    if (equalAt(t, p, find, !caseSensitive)) {
      out += repl;
      p += m;
      ++made;
    } else if (static_cast<unsigned char>(t[p]) >= 0x80) {
      if (p + 1 == n) return out;  // final lead byte dropped
      out.append(t, p, 2);
      p += 2;
    } else {
      out += t[p++];
    }
  }
  return out + t.substr(std::min(p, n));
}

std::vector<Text> refSplit(const Text& t, const Text& sep, std::optional<int> maxCount) {
  std::vector<Text> out;
  if (t.empty() || (maxCount && *maxCount <= 0)) return out;
  if (sep.empty()) return {t};
  std::size_t n = t.size(), m = sep.size(), piece = 0, p = 0;
  while (p + m <= n) {
    if (equalAt(t, p, sep, false)) {
      out.push_back(t.substr(piece, p - piece));
      p = piece = p + m;
      if (maxCount && static_cast<int>(out.size()) == *maxCount) return out;
    } else if (!step(t, p)) {
      break;
    }
  }
  if (piece < n) out.push_back(t.substr(piece));
  return out;
}

class RandomTexts {
 public:
  explicit RandomTexts(unsigned seed) : rng_(seed) {}
  // Bytes drawn from a small alphabet so that matches, misaligned matches and long runs
  // of double-byte characters are all common.
  Text text(std::size_t maxLen, bool highHeavy) {
    static const char kLow[] = {'a', 'b', 'A', 'B', ',', 'x'};
    static const char kHigh[] = {'\x81', '\xB0', '\xA1'};
    std::size_t len = std::uniform_int_distribution<std::size_t>(0, maxLen)(rng_);
    Text t;
    for (std::size_t i = 0; i < len; ++i) {
      bool high = std::uniform_int_distribution<int>(0, 9)(rng_) < (highHeavy ? 8 : 3);
      t += high ? kHigh[pick(3)] : kLow[pick(6)];
    }
    return t;
  }
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

 private:
  std::mt19937 rng_;
};

TEST(ScanDifferential, FindBothWays) {
  RandomTexts r(20240501);
  for (int i = 0; i < 60000; ++i) {
    // Every hundredth text is long enough for the block search to give up on a pattern
    // whose first two bytes are everywhere.
    Text t = r.text(i % 100 == 0 ? 3000 : i % 10 == 0 ? 200 : 24, r.pick(2) == 0);
    Text sub = r.text(i % 100 == 0 ? 6 : 3, r.pick(2) == 0);
    int n = static_cast<int>(t.size());
    int start = r.pick(4) == 0 ? kFromEnd : r.between(-1, n + 2);
    bool ic = r.pick(2) == 0;
    int fwdStart = start == kFromEnd ? 1 : start;
    ASSERT_EQ(findText(t, sub, fwdStart, ic), refFind(t, sub, fwdStart, ic))
        << testing::PrintToString(t) << " " << testing::PrintToString(sub) << " " << fwdStart;
    ASSERT_EQ(findTextReverse(t, sub, start, ic), refFindReverse(t, sub, start, ic))
        << testing::PrintToString(t) << " " << testing::PrintToString(sub) << " " << start;
  }
}

TEST(ScanDifferential, ReplaceAndSplit) {
  RandomTexts r(7);
  for (int i = 0; i < 60000; ++i) {
    Text t = r.text(i % 10 == 0 ? 200 : 24, r.pick(2) == 0);
    Text find = r.text(3, r.pick(2) == 0);
    Text repl = r.text(2, false);
    int start = r.between(-1, static_cast<int>(t.size()) + 1);
    std::optional<int> count;
    if (r.pick(2) == 0) count = r.between(-1, 3);
    bool cs = r.pick(2) == 0;
    ASSERT_EQ(replaceText(t, find, repl, start, count, cs),
              refReplace(t, find, repl, start, count, cs))
        << testing::PrintToString(t) << " " << testing::PrintToString(find) << " " << start;
    ASSERT_EQ(splitText(t, find, count).members(), refSplit(t, find, count))
        << testing::PrintToString(t) << " " << testing::PrintToString(find);
  }
}

}  // namespace
}  // namespace velmorin
