#include "options.h"

#include "faults.h"
#include "test_endpoints.h"

namespace velmorin::replica {
namespace {

bool toNumber(const std::string& text, long min, long max, long& out) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
      text.size() > 12)
    return false;
  out = std::stol(text);
  return out >= min && out <= max;
}

}  // namespace

bool parseOptions(int argc, char** argv, Options& options, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) {
        error = arg + " needs a value";
        return false;
      }
      out = argv[++i];
      return true;
    };
    auto number = [&](long min, long max, long& out) {
      std::string text;
      if (!value(text)) return false;
      if (!toNumber(text, min, max, out)) {
        error = arg + ": not a number in " + std::to_string(min) + ".." + std::to_string(max);
        return false;
      }
      return true;
    };
    long n = 0;
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--https") {
      options.https = true;
    } else if (arg == "--require-login") {
      options.requireLogin = true;
    } else if (arg == "--port") {
      if (!number(0, 65535, n)) return false;
      options.port = static_cast<int>(n);
    } else if (arg == "--photos") {
      if (!number(0, 100000, n)) return false;
      options.photos = static_cast<int>(n);
    } else if (arg == "--image-bytes") {
      if (!number(0, 1L << 30, n)) return false;
      options.imageBytes = static_cast<std::size_t>(n);
    } else if (arg == "--uid") {
      if (!value(options.uid)) return false;
    } else if (arg == "--album-id") {
      if (!value(options.albumId)) return false;
    } else if (arg == "--cert") {
      if (!value(options.cert)) return false;
    } else if (arg == "--key") {
      if (!value(options.key)) return false;
    } else {
      error = "unknown option " + arg;
      return false;
    }
  }
  if (options.https && (options.cert.empty() || options.key.empty())) {
    error = "--https needs --cert and --key";
    return false;
  }
  return true;
}

std::string usage() {
  return std::string(
             "usage: album-replica [options]\n"
             "A local stand-in of the photo service on 127.0.0.1. Prints \"listening on PORT\"\n"
             "once ready; ends on SIGTERM.\n\n"
             "  --port N          port to listen on (0 = any free port, the default)\n"
             "  --photos N        photos in the album (default 65)\n"
             "  --uid ID          the album owner's user id (default 1234567890)\n"
             "  --album-id ID     the album id (default 3550000000)\n"
             "  --https           serve https with --cert FILE and --key FILE (PEM)\n"
             "  --require-login   album pages show no photos without the login cookie\n"
             "  --image-bytes N   size of every image (default: 1-10 KiB, varying by photo)\n\n"
             "Album endpoints:\n"
             "  /photos/get_all?uid=UID&page=P&count=30   listing (JSON)\n"
             "  /UID/talbum/detail/photo_id/ID/album_id/  photo detail page\n"
             "  /UID/wbphotos/large/photo_id/ID/album_id/ALBUM  large-image page\n"
             "  /large/N.jpg, /mw690/N.jpg                 images of photo N\n"
             "  /login (also /), /login?anonymous=1        pages that set session cookies\n\n"
             "Test endpoints:\n") +
         testEndpointsHelp() +
         "\nControl (not recorded, never faulted):\n"
         "  POST /_control/fault?path=P&kind=K[&ms=M]  switch a fault on for exact path P\n"
         "  POST /_control/clearfaults                 switch all faults off\n"
         "  GET  /_control/requests                    requests received so far\n"
         "  POST /_control/clear                       forget the received requests\n\n"
         "Fault kinds:\n" +
         faultKindsHelp();
}

}  // namespace velmorin::replica
