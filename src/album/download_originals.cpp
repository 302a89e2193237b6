#include "album/album_walks.h"
#include "album/request_stamp.h"
#include "album/save_photo.h"
#include "album/settings.h"
#include "cookies/shared_cookie_text.h"
#include "net/page/request_page.h"
#include "platform/window_runtime.h"
#include "text/text_ops.h"

namespace velmorin {

void downloadOriginals() {
  const Text link = windowRuntime().linkText();
  const Text base = albumBase();
  // Whatever stands between the base and "talbum" (a trailing "/" included) is the user id.
  const Text userId = textBetween(link, base, "talbum");
  Text albumId;

  const Text listingUrl =
      joinText({base, "photos/get_all?uid=", userId, "&album_id=", albumId,
                "&count=30&page=1&type=3&__rnd=", requestStamp()});
  const Text listing = requestPage(listingUrl, sessionCookie());
  const Text firstPhotoId = textBetween(listing, "photo_id\":\"", "\",\"pic_host\":\"");

  const Text detailUrl = joinText(
      {base, userId, "/talbum/detail/photo_id/", firstPhotoId, "/album_id/", albumId});
  const Text detail = requestPage(detailUrl, sessionCookie());
  albumId = textBetween(detail, "album_id\":\"", "\",\"uid\":");
  const Text photoIdList = textBetween(detail, "album_photo_ids: [", "],\r\n        photo_info:");

  const TextArray photoIds = splitText(photoIdList, ",");
  const int count = photoIds.count();
  for (int n = 1; n <= count; ++n) {
    const Text largeUrl = joinText({base, userId, "/wbphotos/large/photo_id/", photoIds.member(n),
                                    "/album_id/", albumId});
    const Text page = requestPage(largeUrl, sessionCookie());
    const Text imageAddress = textBetween(page, "src=\"", "\" onload=\"");
    savePhoto(n, imageAddress, originalsFolder(), true, 100);
  }
}

}  // namespace velmorin
