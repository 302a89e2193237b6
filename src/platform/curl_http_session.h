#pragma once
// Limits of the libcurl session layer.
#include <cstddef>

namespace velmorin {

// A body larger than this ends the read with a failure.
inline constexpr std::size_t kMaxResponseBody = std::size_t{512} * 1024 * 1024;
// Redirects the layer follows within one request at most.
inline constexpr long kMaxRedirects = 10;

}  // namespace velmorin
