#include "album/album_walks.h"
#include "album/request_stamp.h"
#include "album/save_photo.h"
#include "album/settings.h"
#include "cookies/shared_cookie_text.h"
#include "net/page/request_page.h"
#include "platform/window_runtime.h"
#include "text/regex_matcher.h"
#include "text/text_ops.h"

namespace velmorin {
namespace {

constexpr int kLastListingPage = 1000;
constexpr int kPhotosPerPage = 30;

// A listing entry "pic_host":"http:\/\/host","pic_name":"a.jpg","pic_pid" becomes the
// address of its 690-pixel rendition, http://host/mw690/a.jpg.
Text previewAddress(const Text& match) {
  Text address = replaceText(match, "pic_host\":\"", "", 1, std::nullopt, true);
  address = replaceText(address, "\",\"pic_pid\"", "", 1, std::nullopt, true);
  address = replaceText(address, "\",\"pic_name\":\"", "/mw690/", 1, std::nullopt, true);
  return replaceText(address, "\\", "", 1, std::nullopt, true);
}

}  // namespace

void downloadPreviews() {
  RegexMatcher matcher;
  const Text base = albumBase();
  const Text albumId;
  // Every page is asked, also past the album's end: the listing says nothing about its size.
  for (int pageNumber = 1; pageNumber <= kLastListingPage; ++pageNumber) {
    const Text userId = textBetween(windowRuntime().linkText(), base, "talbum");
    const Text url = joinText({base, "photos/get_all?uid=", userId, "&album_id=", albumId,
                               "&count=30&page=", numberToText(pageNumber),
                               "&type=3&__rnd=", requestStamp()});
    const Text answer = requestPage(url, sessionCookie());
    matcher.create("pic_host\":\".*?\",\"pic_pid\"", answer);
    const int count = matcher.matchCount();
    for (int k = 1; k <= count; ++k) {
      const Text match = matcher.matchText(k);
      if (match.empty()) break;
      // The number is computed in floating point, as the listing's page arithmetic is.
      const double number = (pageNumber - 1) * static_cast<double>(kPhotosPerPage) + k;
      savePhoto(static_cast<int>(number), previewAddress(match), previewsFolder(), false, 50);
    }
  }
  matcher.destroy();
}

}  // namespace velmorin
