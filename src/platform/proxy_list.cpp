#include "platform/proxy_list.h"

#include <strings.h>

namespace velmorin {

std::string proxyForScheme(std::string_view list, std::string_view scheme) {
  std::string_view anyScheme;
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find_first_of("; \t", start);
    if (end == std::string_view::npos) end = list.size();
    const std::string_view entry = list.substr(start, end - start);
    start = end + 1;
    if (entry.empty()) continue;
    const size_t eq = entry.find('=');
    if (eq == std::string_view::npos) {
      if (anyScheme.empty()) anyScheme = entry;
    } else if (eq == scheme.size() &&
               strncasecmp(entry.data(), scheme.data(), scheme.size()) == 0) {
      return std::string(entry.substr(eq + 1));
    }
  }
  return std::string(anyScheme);
}

}  // namespace velmorin
