#include "album/request_stamp.h"

#include <chrono>

#include "text/text_ops.h"

namespace velmorin {
namespace {

int clockMilliseconds() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count() % 1000);
}

}  // namespace

Text requestStamp(bool secondsOnly) {
  // Two separate clock reads, milliseconds first: the service only needs a changing value.
  const Text milliseconds = numberToText(clockMilliseconds());
  const Text millisecondsText = joinText({repeatText(3 - textLength(milliseconds), "0"), milliseconds});
  const double seconds =
      dateTimeDifference(currentDateTime(), textToDateTime("1970-01-01 08:00:00"), 8);
  const Text full = joinText({numberToText(seconds), millisecondsText});
  return secondsOnly ? textLeft(full, 10) : full;
}

}  // namespace velmorin
