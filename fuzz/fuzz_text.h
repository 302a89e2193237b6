#pragma once
// Helpers shared by the fuzz targets: texts without zero bytes (a Text never holds one) and
// the reference walk over code-page-936 characters.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "text/text_types.h"

namespace velmorin::fuzz {

inline Text takeText(FuzzedDataProvider& in, size_t maxLength = 256) {
  Text t = in.ConsumeRandomLengthString(maxLength);
  std::erase(t, '\0');
  return t;
}

inline Text restText(FuzzedDataProvider& in) {
  Text t = in.ConsumeRemainingBytesAsString();
  std::erase(t, '\0');
  return t;
}

// Stops the run with a message libFuzzer keeps next to the crashing input.
[[noreturn]] inline void fail(const char* what, const std::string& detail = {}) {
  std::fprintf(stderr, "invariant broken: %s %s\n", what, detail.c_str());
  std::abort();
}

inline void check(bool ok, const char* what, const std::string& detail = {}) {
  if (!ok) fail(what, detail);
}

inline unsigned char byteAt(const Text& t, size_t i) { return static_cast<unsigned char>(t[i]); }

}  // namespace velmorin::fuzz
