#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <map>
#include <utility>

namespace velmorin {
namespace {

// iconv descriptors are not thread-safe and costly to open: one cache per thread.
class IconvCache {
 public:
  ~IconvCache() {
    for (auto& [key, cd] : open_) iconv_close(cd);
  }
  iconv_t get(const std::string& from, const std::string& to) {
    auto key = std::make_pair(from, to);
    auto it = open_.find(key);
    if (it != open_.end()) return it->second;
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return cd;
    open_.emplace(std::move(key), cd);
    return cd;
  }

 private:
  std::map<std::pair<std::string, std::string>, iconv_t> open_;
};

thread_local IconvCache cache;

// Charsets in which the bytes 0x00-0x7F are ASCII. Text that is all ASCII (URLs, header
// lines, most of a JSON listing) passes between them and UTF-16 without iconv, which
// costs tens of microseconds a call even for short strings.
bool asciiCompatible(const std::string& charset) {
  std::string upper = charset;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper == "CP936" || upper == "GBK" || upper == "GB2312" || upper == "UTF-8" ||
         upper == "UTF8" || upper == "ASCII" || upper == "US-ASCII";
}

bool allAscii(std::string_view bytes) {
  for (char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

bool allAscii(std::u16string_view units) {
  for (char16_t u : units)
    if (u >= 0x80) return false;
  return true;
}


std::optional<std::string> runIconv(iconv_t cd, iconv_t qmark, std::string_view input) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string replacement = "?";
  if (qmark != reinterpret_cast<iconv_t>(-1)) {
    char q[] = "?";
    char buf[8];
    char* ip = q;
    char* op = buf;
    size_t il = 1, ol = sizeof buf;
    iconv(qmark, nullptr, nullptr, nullptr, nullptr);
    if (iconv(qmark, &ip, &il, &op, &ol) != static_cast<size_t>(-1))
      replacement.assign(buf, static_cast<size_t>(op - buf));
  }
  std::string out;
  out.reserve(input.size() * 2 + 8);
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* op = buffer;
    size_t outLeft = sizeof buffer;
    size_t r = iconv(cd, &in, &inLeft, &op, &outLeft);
    out.append(buffer, static_cast<size_t>(op - buffer));
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ: invalid or unconvertible; EINVAL: incomplete sequence at the end.
    out += replacement;
    if (errno == EINVAL) break;
    ++in;
    --inLeft;
  }
  char* op = buffer;
  size_t outLeft = sizeof buffer;
  iconv(cd, nullptr, nullptr, &op, &outLeft);
  out.append(buffer, static_cast<size_t>(op - buffer));
  return out;
}

}  // namespace

std::optional<std::string> convertCharset(std::string_view bytes, const std::string& from,
                                          const std::string& to) {
  if (asciiCompatible(from) && asciiCompatible(to) && allAscii(bytes))
    return std::string(bytes);
  // //TRANSLIT writes "?" for a character the target cannot hold; invalid input is
  // replaced byte by byte below.
  iconv_t cd = cache.get(from, to + "//TRANSLIT");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  return runIconv(cd, cache.get("ASCII", to), bytes);
}

Text fromUtf8(std::string_view utf8) {
  auto r = convertCharset(utf8, "UTF-8", "CP936");
  Text t = r ? std::move(*r) : Text();
  // A Text ends at its first zero byte.
  if (auto z = t.find('\0'); z != Text::npos) t.resize(z);
  return t;
}

std::string toUtf8(const Text& text) {
  auto r = convertCharset(text, "CP936", "UTF-8");
  return r ? std::move(*r) : std::string();
}

std::u16string charsetToUtf16(std::string_view bytes, const std::string& charset) {
  if (asciiCompatible(charset) && allAscii(bytes)) return std::u16string(bytes.begin(), bytes.end());
  auto r = convertCharset(bytes, charset, "UTF-16LE");
  if (!r) return {};
  std::u16string units(r->size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(static_cast<unsigned char>((*r)[2 * i]) |
                                     (static_cast<unsigned char>((*r)[2 * i + 1]) << 8));
  return units;
}

std::string utf16ToCharset(std::u16string_view units, const std::string& charset) {
  if (asciiCompatible(charset) && allAscii(units)) return std::string(units.begin(), units.end());
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (char16_t u : units) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
  }
  auto r = convertCharset(bytes, "UTF-16LE", charset);
  return r ? std::move(*r) : std::string();
}

std::u16string toUtf16(const Text& text) { return charsetToUtf16(text, "CP936"); }

Text fromUtf16(std::u16string_view units) {
  Text t = utf16ToCharset(units, "CP936");
  if (auto z = t.find('\0'); z != Text::npos) t.resize(z);
  return t;
}

}  // namespace velmorin
