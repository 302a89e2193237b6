#pragma once
// Choosing a proxy from a proxy list as the request layers are given it: entries separated
// by spaces, tabs or ";", each "host:port" (any scheme) or "scheme=host:port".
#include <string>
#include <string_view>

namespace velmorin {

// The entry for scheme ("http" or "https", any case), else the first entry without a
// scheme, else "" (no proxy).
std::string proxyForScheme(std::string_view list, std::string_view scheme);

}  // namespace velmorin
