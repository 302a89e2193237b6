// Byte buffers and their conversion to and from texts.
#include <algorithm>
#include <cstring>

#include "text/text_ops.h"

namespace velmorin {

int bytesLength(const Bytes& b) { return static_cast<int>(b.size()); }

Bytes bytesLeft(const Bytes& b, int n) {
  if (n <= 0) return Bytes();
  return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(
                                          std::min(static_cast<std::size_t>(n), b.size())));
}

Bytes joinBytes(std::initializer_list<Bytes> parts) {
  std::size_t total = 0;
  for (const Bytes& p : parts) total += p.size();
  Bytes out;
  out.reserve(total);
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes blankBytes(int n) { return n <= 0 ? Bytes() : Bytes(static_cast<std::size_t>(n), 0); }

Bytes textToBytes(const Text& t) { return Bytes(t.begin(), t.end()); }

Text bytesToText(const Bytes& b) {
  if (b.empty()) return Text();
  const void* zero = std::memchr(b.data(), 0, b.size());
  std::size_t len = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) -
                                                    b.data())
                         : b.size();
  return Text(reinterpret_cast<const char*>(b.data()), len);
}

}  // namespace velmorin
