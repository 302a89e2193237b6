// urlHost, urlPort, urlPath and isFetchableAddress over arbitrary address texts.
#include <algorithm>
#include <cstring>

#include "fuzz_text.h"
#include "net/file/request_file.h"
#include "text/text_ops.h"

using namespace velmorin;
using velmorin::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const Text url = fuzz::restText(in);

  const Text host = urlHost(url);
  check(toLower(host) == host || host.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == Text::npos,
        "host in lower case", host);
  // A byte of 0x80 or above takes the next one with it, "/" included, so only an ASCII
  // address has a host free of "/" for sure.
  const bool ascii = std::all_of(url.begin(), url.end(), [](char c) { return c > 0; });
  if (ascii) check(host.find_first_of("/:") == Text::npos, "host is one name", host);
  (void)urlPort(url);
  const Text path = urlPath(url);
  check(!path.empty() && path[0] == '/', "path starts with /", path);
  check(path == "/" || (url.size() >= path.size() &&
                        url.compare(url.size() - path.size(), Text::npos, path) == 0),
        "path is the tail of the address", path);

  if (isFetchableAddress(url)) {
    for (unsigned char c : url) check(c > 0x20 && c != 0x7F, "fetchable with a control byte");
    const Text lower = toLower(url);
    const int separator = findText(lower, "://");
    if (separator != -1) {
      const Text scheme = textLeft(lower, separator - 1);
      check(scheme == "http" || scheme == "https", "fetchable with a foreign scheme", scheme);
    }
    // "name:" followed by anything but a port number names a scheme ("host:8080/" does not).
    for (const char* scheme : {"file:", "ftp:", "gopher:", "dict:", "javascript:", "data:"}) {
      const size_t n = std::strlen(scheme);
      check(lower.rfind(scheme, 0) != 0 || (lower.size() > n && lower[n] >= '0' && lower[n] <= '9'),
            "fetchable with a foreign scheme", lower);
    }
  }
  return 0;
}
