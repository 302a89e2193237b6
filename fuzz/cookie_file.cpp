// The cookie store's reader of its Netscape cookie file: arbitrary file contents are loaded
// through the store's own reload, then listed and read back for addresses they name.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "fuzz_text.h"
#include "platform/cookie_store.h"

using namespace velmorin;
using velmorin::fuzz::check;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static std::string home = "/tmp/velmorin-fuzz-cookies-XXXXXX";
  if (mkdtemp(home.data()) == nullptr) return 0;
  setenv("XDG_DATA_HOME", home.c_str(), 1);
  mkdir((home + "/velmorin").c_str(), 0700);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  {
    std::ofstream out(CookieStore::filePath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  CookieStore& store = CookieStore::instance();
  store.reload();

  for (const StoredCookie& c : store.cookies()) {
    for (const Text* field : {&c.name, &c.value, &c.domain, &c.path})
      check(field->find_first_of("\t\n") == Text::npos, "a field spans a separator", *field);
    Text host = c.domain;
    if (!host.empty() && host[0] == '.') host.erase(0, 1);
    const Text address = (c.secure ? "https://" : "http://") + host + (c.path.empty() ? "/" : c.path);
    char small[8];
    std::uint32_t size = sizeof small;
    if (store.read(address, Text(), true, small, &size)) {
      check(std::strlen(small) == size, "reported length differs from the text");
    } else if (size > sizeof small) {
      std::vector<char> buffer(size);
      std::uint32_t fits = size;
      check(store.read(address, Text(), true, buffer.data(), &fits), "the size asked for does not fit");
      check(std::strlen(buffer.data()) == fits, "reported length differs from the text");
    }
  }
  return 0;
}
