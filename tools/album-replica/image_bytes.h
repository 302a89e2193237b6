#pragma once
// Deterministic content the replica serves, shared with the test launcher so that tests can
// compare downloaded files byte for byte. Header-only on purpose.
#include <cstddef>
#include <cstdint>
#include <string>

namespace velmorin::replica {

enum class ImageKind { Large, Preview };

// Small sizes that differ from photo to photo: 2-10 KiB for large images, 1-4 KiB previews.
inline std::size_t defaultImageSize(int n, ImageKind kind) {
  auto k = static_cast<std::size_t>(n < 0 ? -n : n);
  return kind == ImageKind::Large ? 2048 + (k * 397) % 8192 : 1024 + (k * 211) % 3072;
}

// `size` bytes from a generator seeded by `seed` (zero bytes included).
inline std::string patternBytes(std::size_t size, std::uint64_t seed) {
  std::string out(size, '\0');
  std::uint64_t x = seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull;
  for (std::size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    out[i] = static_cast<char>(x >> 56);
  }
  return out;
}

// The image of photo n: a JPEG start marker (FF D8 FF E0), distinct bytes, an end marker
// (FF D9) when there is room. `size` 0 means the default size.
inline std::string imageBytes(int n, ImageKind kind, std::size_t size = 0) {
  if (size == 0) size = defaultImageSize(n, kind);
  std::uint64_t seed = static_cast<std::uint64_t>(n) * 2 + (kind == ImageKind::Large ? 1 : 0);
  std::string out = patternBytes(size, seed);
  static const char start[] = {'\xFF', '\xD8', '\xFF', '\xE0'};
  for (std::size_t i = 0; i < 4 && i < size; ++i) out[i] = start[i];
  if (size >= 6) {
    out[size - 2] = '\xFF';
    out[size - 1] = '\xD9';
  }
  return out;
}

// The login cookie the album pages require with --require-login.
inline constexpr const char* kLoginCookieName = "SUB";
inline constexpr const char* kLoginCookieValue = "_2A25ReplicaLoginToken7f3c9a1e";

}  // namespace velmorin::replica
