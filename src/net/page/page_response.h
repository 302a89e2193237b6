#pragma once
// The page engine's handling of a received answer, on the still open request handle.
#include "net/page/request_page.h"

namespace velmorin {

// Writes the header, status, cookie, location and byte outputs of q, merges the answer's
// cookies into q.cookies when supplied, and returns the page text: pageText as given or
// decoded from the charset the page declares. Returns the empty text and writes nothing
// when the header block cannot be read.
Text handlePageResponse(HttpSessionLayer& layer, HttpHandle request, const Bytes& body,
                        Text pageText, const PageRequest& q);

// The charset name the first 1024 bytes of a page declare in a meta tag, or "".
Text declaredCharset(const Text& pageText);

}  // namespace velmorin
