#pragma once
// Cookie texts: members name=value joined by "; ", no separator at the end. Readers ignore
// every half-width and full-width space; a member ending in "=deleted" is a deleted cookie.
#include "text/text_types.h"

namespace velmorin {

// Merges incoming into current and returns the result, which also replaces current.
// incoming is replaced by itself without spaces. Incoming members come first, in their
// order; then each old member whose name is not yet in the list (first occurrence only);
// "=deleted" members are dropped from both sides; exact repeats appear once.
Text mergeCookies(Text& current, Text& incoming);

// The member's name: the text before its first "=" (the whole member without one), trimmed.
Text cookieName(const Text& member);

// The members of text (split at separator) without exact repeats, first occurrences first,
// joined again with separator.
Text uniqueParts(const Text& text, const Text& separator);

// Whether a pair taken from a Set-Cookie line may join a cookie text: it holds no control
// byte (a CR or LF in it would end the Cookie line it is later sent in).
bool isSendableCookiePair(const Text& pair);

}  // namespace velmorin
