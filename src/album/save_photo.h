#pragma once
// The per-photo step of both walks: a row in the report list, the image download, the
// numbered file, the outcome in the row, the scroll to the last row and the pause.
#include "text/text_types.h"

namespace velmorin {

// The folders under the run directory that the walks save into ("\" separators).
const Text& originalsFolder();  // \新浪图片\原图\ .
const Text& previewsFolder();   // \新浪图片\预览图\ .

// The status column's text for each outcome of a photo.
enum class PhotoStatus { saved, failed, kept };
const Text& photoStatusText(PhotoStatus status);  // "下载成功", "下载失败", "已存在"

// Writes the photo only when its download is complete (status 2xx, a non-empty body, no
// transfer error); otherwise the row says "下载失败" and an existing file is left as it was.
void savePhoto(int number, const Text& imageAddress, const Text& photoFolder, bool withCookie,
               int pauseMs);

}  // namespace velmorin
