#pragma once
// Reading the per-user cookie store for the service's domain, as the login capture does.
#include "text/text_types.h"

namespace velmorin {

// The cookie text the store holds for "http://" + domain: the pairs of the read that
// includes HttpOnly cookies first, then the pairs only the plain read gave. A read that
// finds nothing, or more than fits in 3000 bytes, contributes nothing. With a name, only
// that cookie as name=value (see cookieValue).
Text readStoredCookies(const Text& domain, const Text& name = Text());

// The member of cookieText whose name equals name (ASCII case ignored): name=value, or
// just the value when valueOnly; empty when there is none. cookieText is trimmed in place
// and gets a trailing ";" when it has none.
Text cookieValue(Text& cookieText, const Text& name, bool valueOnly = false);

}  // namespace velmorin
