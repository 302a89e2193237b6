#pragma once
// Cookies from a Netscape cookie file (the cookies.txt that browser export add-ons and
// other downloaders write), as a cookie text for one address.
#include <string>

#include "text/text_types.h"

namespace velmorin {

// The pairs name=value of the file's live cookies that libcurl would send to address
// (an http or https URL), joined by "; ". Comment lines are skipped, "#HttpOnly_" lines
// are cookies, expired cookies are dropped. False with a reason when the file cannot be read
// or the address is not usable.
bool cookiesFromFile(const std::string& file, const Text& address, Text* pairs,
                     std::string* error);

}  // namespace velmorin
