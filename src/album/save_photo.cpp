#include "album/save_photo.h"

#include "cookies/shared_cookie_text.h"
#include "net/file/request_file.h"
#include "platform/codepage.h"
#include "platform/window_runtime.h"
#include "text/text_ops.h"

namespace velmorin {
namespace {

enum Column { kNumberColumn = 0, kAddressColumn = 1, kStatusColumn = 2 };

bool complete(const FileTransfer& transfer, const Bytes& data) {
  return transfer.reached && transfer.transferOk && transfer.status >= 200 &&
         transfer.status <= 299 && !data.empty();
}

}  // namespace

const Text& photoStatusText(PhotoStatus status) {
  static const Text texts[] = {fromUtf8("下载成功"), fromUtf8("下载失败"), fromUtf8("已存在")};
  return texts[static_cast<int>(status)];
}

const Text& originalsFolder() {
  static const Text folder = fromUtf8("\\新浪图片\\原图\\");
  return folder;
}

const Text& previewsFolder() {
  static const Text folder = fromUtf8("\\新浪图片\\预览图\\");
  return folder;
}

void savePhoto(int number, const Text& imageAddress, const Text& photoFolder, bool withCookie,
               int pauseMs) {
  WindowRuntime& runtime = windowRuntime();
  // The photo's cells go into the row appended for it, so a later walk in the same process
  // shows its own rows instead of overwriting an earlier walk's.
  const int row = runtime.appendRow();
  const Text numberText = numberToText(number);
  runtime.setCell(row, kNumberColumn, numberText);
  runtime.setCell(row, kAddressColumn, imageAddress);
  const Text path = joinText({runtime.runDirectory(), photoFolder, numberText, ".jpg"});
  if (runtime.keepExisting(path)) {
    runtime.setCell(row, kStatusColumn, photoStatusText(PhotoStatus::kept));
    runtime.scrollToRow(runtime.rowCount() - 1);
    return;
  }

  FileTransfer transfer;
  FileRequest request{.url = imageAddress, .transfer = &transfer};
  if (withCookie) request.cookies = sessionCookie();
  const Bytes data = requestFile(request);

  // An error page, an empty answer or a cut-short body is not the photo: report the
  // failure and leave whatever file is already there untouched.
  const bool ok = complete(transfer, data) && runtime.writeFile(path, data);
  runtime.setCell(row, kStatusColumn,
                  photoStatusText(ok ? PhotoStatus::saved : PhotoStatus::failed));
  runtime.scrollToRow(runtime.rowCount() - 1);
  runtime.pauseWithEvents(pauseMs);
}

}  // namespace velmorin
