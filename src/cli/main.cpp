// velmorin-cli: downloads one album from the command line through the same walks and
// photo saving as the desktop program, printing one row per photo.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <CLI/CLI.hpp>

#include "album/album_walks.h"
#include "album/save_photo.h"
#include "album/settings.h"
#include "cli/console_runtime.h"
#include "cli/cookie_file.h"
#include "cli/interrupt.h"
#include "cookies/shared_cookie_text.h"
#include "cookies/stored_cookies.h"
#include "platform/codepage.h"

#ifndef VELMORIN_VERSION
#define VELMORIN_VERSION "unknown"
#endif

namespace velmorin {
namespace {

constexpr int kUsageError = 2;
constexpr int kFailed = 1;

struct Arguments {
  std::string link;
  bool previews = false;
  std::string dest = ".";
  std::string cookieFile;
  bool skipExisting = false;
};

int fail(int code, const std::string& message) {
  std::fprintf(stderr, "velmorin-cli: %s\n", message.c_str());
  return code;
}

// The folder the picture folders go under, absolute, made when missing.
bool prepareDestination(const std::string& dest, std::string* folder, std::string* error) {
  std::error_code ec;
  std::filesystem::path path = std::filesystem::absolute(dest, ec);
  if (!ec) std::filesystem::create_directories(path, ec);
  if (ec || !std::filesystem::is_directory(path)) {
    *error = "cannot use the destination folder " + dest + (ec ? ": " + ec.message() : "");
    return false;
  }
  *folder = path.lexically_normal().string();
  while (folder->size() > 1 && folder->back() == '/') folder->pop_back();
  // Paths travel through the walks as code page 936 text.
  if (toUtf8(fromUtf8(*folder)) != *folder) {
    *error = "the destination path " + *folder + " has characters outside code page 936";
    return false;
  }
  return true;
}

int run(const Arguments& args) {
  const Text base = albumBase();
  const Text link = fromUtf8(args.link);
  const auto at = link.find(base);
  if (at == Text::npos || link.find("talbum", at + base.size()) == Text::npos)
    return fail(kUsageError, "the link must contain " + toUtf8(base) +
                                 " followed by the user id and \"talbum\", e.g. " +
                                 toUtf8(base) + "1234567890/talbum/index");

  std::string folder, error;
  if (!prepareDestination(args.dest, &folder, &error)) return fail(kFailed, error);

  if (args.cookieFile.empty()) {
    // The login made in the desktop program lives in the per-user cookie store.
    sessionCookie().replace(readStoredCookies(cookieDomain()));
  } else {
    Text pairs;
    if (!cookiesFromFile(args.cookieFile, base, &pairs, &error)) return fail(kUsageError, error);
    sessionCookie().replace(pairs);
  }

  ConsoleRuntime runtime({.link = link,
                          .originals = !args.previews,
                          .runDirectory = fromUtf8(folder),
                          .skipExisting = args.skipExisting,
                          .rows = stdout,
                          .progress = ::isatty(STDERR_FILENO) ? stderr : nullptr});
  setWindowRuntime(&runtime);

  const Text runDir = runtime.runDirectory();
  for (const char* sub : {"\\新浪图片", "\\新浪图片\\原图", "\\新浪图片\\预览图"})
    runtime.makeDirectory(runDir + fromUtf8(sub));
  const Text& photoFolder = args.previews ? previewsFolder() : originalsFolder();
  std::string photos = nativePath(runDir + photoFolder);
  photos.pop_back();  // the folder text ends in a separator
  if (!std::filesystem::is_directory(photos)) return fail(kFailed, "cannot make " + photos);

  watchForTermination({nativePath(runDir + originalsFolder()), nativePath(runDir + previewsFolder())});
  if (args.previews) {
    downloadPreviews();
  } else {
    downloadOriginals();
  }

  runtime.endProgress();
  const ConsoleRuntime::Tally tally = runtime.tally();
  std::fprintf(stderr, "%d photos: %d saved, %d kept, %d failed; files in %s\n", tally.total(),
               tally.saved, tally.kept, tally.failed, photos.c_str());
  if (tally.total() == 0) return fail(kFailed, "the album yielded no photo (is the login valid?)");
  return tally.failed == 0 ? 0 : kFailed;
}

}  // namespace
}  // namespace velmorin

int main(int argc, char** argv) {
  using namespace velmorin;
  blockTerminationSignals();

  CLI::App app{"Downloads every photo of one album of the photo service into numbered .jpg\n"
               "files and prints one row per photo: number, address and status, tab-separated.\n"
               "Exit status: 0 when every photo was saved or kept, 1 when a photo failed or the\n"
               "album yielded none, 2 for a usage error.",
               "velmorin-cli"};
  Arguments args;
  app.add_option("LINK", args.link, "the album link, e.g. " + toUtf8(albumBase()) +
                                        "1234567890/talbum/index")
      ->required();
  app.add_flag("--previews", args.previews,
               "download the previews (\"/mw690/\" renditions) instead of the originals");
  app.add_option("-d,--dest", args.dest,
                 "folder under which the picture folders are made (default: the current folder)");
  app.add_option("--cookies", args.cookieFile,
                 "take the session cookies from this Netscape cookies.txt file instead of the "
                 "login stored by the desktop program");
  app.add_flag("--skip-existing", args.skipExisting,
               "keep photos whose file already exists with a non-zero size (resume an album)");
  app.set_version_flag("--version", "velmorin-cli " VELMORIN_VERSION);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : kUsageError;
  }
  return run(args);
}
