#pragma once
// The "__rnd" value of the album listing: whole seconds since 1970-01-01 08:00:00 local time
// followed by the clock's milliseconds in three digits (13 digits while the seconds have 10).
#include "text/text_types.h"

namespace velmorin {

Text requestStamp(bool secondsOnly = false);

}  // namespace velmorin
