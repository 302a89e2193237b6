#include "text/text_scan.h"

#include <emmintrin.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

namespace velmorin::scan {
namespace {

static_assert(std::endian::native == std::endian::little,
              "the word-at-a-time scan reads bytes in little-endian order");

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

const unsigned char* bytesOf(std::string_view s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

// Largest j in [from, to) whose byte is below 0x80, or npos. Such a byte is never a lead
// byte, so the character that holds it ends there and j + 1 starts a character whatever
// came before.
std::size_t lastSingleByte(const unsigned char* t, std::size_t from, std::size_t to) {
  std::size_t i = to;
  while (i - from >= 8) {
    std::uint64_t w;
    std::memcpy(&w, t + i - 8, 8);
    std::uint64_t low = ~w & kHighBits;
    if (low != 0) return i - 8 + static_cast<std::size_t>((63 - std::countl_zero(low)) / 8);
    i -= 8;
  }
  while (i > from) {
    --i;
    if (t[i] < 0x80) return i;
  }
  return npos;
}

bool hasLetter(std::string_view s) {
  for (unsigned char c : s)
    if (foldAscii(c) != c || (c >= 'a' && c <= 'z')) return true;
  return false;
}

bool equalFolded(const unsigned char* a, const unsigned char* folded, std::size_t m) {
  for (std::size_t i = 0; i < m; ++i)
    if (foldAscii(a[i]) != folded[i]) return false;
  return true;
}

std::string foldAll(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(foldAscii(static_cast<unsigned char>(c)));
  return out;
}

// First place i in [from, last] where the first two bytes of sub sit and the rest of sub
// follows. Sixteen places are tested at once for the two leading bytes; when too many of
// them fail on the remaining bytes, memmem takes over for the rest of the text.
std::size_t pairSearch(const unsigned char* t, std::size_t from, std::size_t n,
                       std::string_view sub) {
  std::size_t m = sub.size(), last = n - m;
  const unsigned char* s = bytesOf(sub);
  const __m128i first = _mm_set1_epi8(static_cast<char>(s[0]));
  const __m128i second = _mm_set1_epi8(static_cast<char>(s[1]));
  std::size_t misses = 0, i = from;
  for (; i + 16 <= last + 1; i += 16) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i + 1));
    unsigned mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, second))));
    while (mask != 0) {
      std::size_t c = i + static_cast<std::size_t>(std::countr_zero(mask));
      if (m == 2 || std::memcmp(t + c + 2, s + 2, m - 2) == 0) return c;
      mask &= mask - 1;
      ++misses;
    }
    if (misses > 64 && misses > (i - from) / 32) {
      i += 16;
      break;
    }
  }
  if (i > last) return npos;
  const void* hit = memmem(t + i, n - i, sub.data(), m);
  return hit ? static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - t) : npos;
}

// First byte-level occurrence at or after `from`, ignoring character boundaries.
std::size_t candidateForward(std::string_view text, std::size_t from, std::string_view sub,
                             bool ignoreCase, const std::string& folded) {
  const unsigned char* t = bytesOf(text);
  std::size_t n = text.size(), m = sub.size();
  if (from + m > n) return npos;
  if (!ignoreCase) {
    if (m >= 2) return pairSearch(t, from, n, sub);
    const void* hit = std::memchr(t + from, sub[0], n - from);
    return hit ? static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - t) : npos;
  }
  const unsigned char* f = bytesOf(folded);
  for (std::size_t i = from; i + m <= n; ++i)
    if (foldAscii(t[i]) == f[0] && equalFolded(t + i, f, m)) return i;
  return npos;
}

// Last byte-level occurrence that starts at or before `last`.
std::size_t candidateBackward(std::string_view text, std::size_t last, std::string_view sub,
                              bool ignoreCase, const std::string& folded) {
  const unsigned char* t = bytesOf(text);
  std::size_t m = sub.size();
  if (!ignoreCase) {
    std::size_t len = last + 1;
    while (len > 0) {
      const void* hit = memrchr(t, static_cast<unsigned char>(sub[0]), len);
      if (!hit) return npos;
      std::size_t i = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - t);
      if (std::memcmp(t + i, sub.data(), m) == 0) return i;
      len = i;
    }
    return npos;
  }
  const unsigned char* f = bytesOf(folded);
  for (std::size_t i = last + 1; i-- > 0;)
    if (foldAscii(t[i]) == f[0] && equalFolded(t + i, f, m)) return i;
  return npos;
}

}  // namespace

bool onGrid(std::string_view text, std::size_t origin, std::size_t at) {
  std::size_t j = lastSingleByte(bytesOf(text), origin, at);
  std::size_t base = j == npos ? origin : j + 1;
  return ((at - base) & 1) == 0;
}

std::size_t findForward(std::string_view text, std::size_t origin, std::string_view sub,
                        bool ignoreCase) {
  ignoreCase = ignoreCase && hasLetter(sub);
  std::string folded = ignoreCase ? foldAll(sub) : std::string();
  std::size_t grid = origin;  // a known character start at or before the next candidate
  std::size_t from = origin;
  for (;;) {
    std::size_t c = candidateForward(text, from, sub, ignoreCase, folded);
    if (c == npos) return npos;
    if (onGrid(text, grid, c)) return c;
    // c is the second byte of a character, so the next character starts right after it.
    grid = from = c + 1;
  }
}

std::size_t findBackward(std::string_view text, std::size_t end, std::string_view sub,
                         bool ignoreCase) {
  std::size_t m = sub.size();
  if (m > end || end > text.size()) return npos;
  ignoreCase = ignoreCase && hasLetter(sub);
  std::string folded = ignoreCase ? foldAll(sub) : std::string();
  const unsigned char* t = bytesOf(text);
  // Every byte in [runStart, runEnd) is >= 0x80 and runStart starts a character, so any
  // place inside that run is a character start exactly when its distance is even.
  std::size_t runStart = 0, runEnd = 0;
  bool haveRun = false;
  std::size_t last = end - m;
  for (;;) {
    std::size_t c = candidateBackward(text, last, sub, ignoreCase, folded);
    if (c == npos) return npos;
    if (!haveRun || c < runStart || c > runEnd) {
      std::size_t j = lastSingleByte(t, 0, c);
      runStart = j == npos ? 0 : j + 1;
      runEnd = c;
      haveRun = true;
    }
    if (((c - runStart) & 1) == 0) return c;
    if (c == 0) return npos;
    last = c - 1;
  }
}

}  // namespace velmorin::scan
