// The page engine's handling of an answer: an arbitrary header block (as UTF-16 units) and
// an arbitrary body, with a supplied cookie text. Status, cookies and Location never carry a
// line break out of their line, and the merge keeps its promises.
#include <algorithm>

#include "cookies/merge_cookies.h"
#include "fuzz_text.h"
#include "net/page/page_response.h"
#include "platform/window_runtime.h"
#include "text/text_ops.h"

using namespace velmorin;
using velmorin::fuzz::check;

namespace {

// Only the raw header query answers; the response steps call nothing else.
class HeaderLayer : public HttpSessionLayer {
 public:
  explicit HeaderLayer(std::u16string block) : block_(std::move(block)) {}
  bool checkPlatform() override { return true; }
  bool crackUrl(std::u16string_view, CrackedUrl&) override { return false; }
  HttpHandle openSession(HttpAccess, std::u16string_view) override { return 0; }
  HttpHandle connect(HttpHandle, std::u16string_view, int) override { return 0; }
  HttpHandle openRequest(HttpHandle, std::u16string_view, std::u16string_view, bool) override {
    return 0;
  }
  bool setTimeouts(HttpHandle, int, int, int, int) override { return false; }
  bool setCredentials(HttpHandle, CredentialTarget, std::u16string_view,
                      std::u16string_view) override {
    return false;
  }
  bool setOption(HttpHandle, int, std::uint32_t) override { return false; }
  bool addRequestHeaders(HttpHandle, std::u16string_view, std::uint32_t) override { return false; }
  bool sendRequest(HttpHandle, const Bytes&) override { return false; }
  bool receiveResponse(HttpHandle) override { return false; }
  bool queryDataAvailable(HttpHandle, std::uint32_t&) override { return false; }
  bool readData(HttpHandle, std::uint8_t*, std::uint32_t, std::uint32_t&) override { return false; }
  bool queryRawHeaders(HttpHandle, std::u16string& block) override {
    block = block_;
    return true;
  }
  void closeHandle(HttpHandle) override {}

 private:
  std::u16string block_;
};

// The response steps let window events run between header lines; there are no windows.
class NoWindows : public WindowRuntime {
 public:
  Text linkText() override { return Text(); }
  bool originalChecked() override { return false; }
  int appendRow() override { return 0; }
  void setCell(int, int, const Text&) override {}
  int rowCount() override { return 0; }
  void scrollToRow(int) override {}
  int selectedRow() override { return -1; }
  Text cellText(int, int) override { return Text(); }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static NoWindows runtime;
  setWindowRuntime(&runtime);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const bool wideUnits = in.ConsumeBool();
  const std::string head = in.ConsumeRandomLengthString(2048);
  std::u16string block;
  if (wideUnits) {
    for (size_t i = 0; i + 1 < head.size(); i += 2)
      block += static_cast<char16_t>(static_cast<unsigned char>(head[i]) |
                                     static_cast<unsigned char>(head[i + 1]) << 8);
  } else {
    for (unsigned char c : head) block += static_cast<char16_t>(c);
  }
  Text cookies = fuzz::takeText(in, 128);  // what the program holds has no line break
  std::erase_if(cookies, [](char c) { return c == '\r' || c == '\n'; });
  const std::string rest = in.ConsumeRemainingBytesAsString();
  const Bytes body(rest.begin(), rest.end());

  HeaderLayer layer(block);
  Text responseCookies, responseHeaders, location, statusText;
  Bytes responseBytes;
  PageRequest q;
  q.cookies = cookies;
  q.responseCookies = &responseCookies;
  q.responseHeaders = &responseHeaders;
  q.location = &location;
  q.statusText = &statusText;
  q.responseBytes = &responseBytes;
  const Text page = handlePageResponse(layer, 1, body, bytesToText(body), q);

  check(page.find('\0') == Text::npos, "page text with a zero byte");
  // The character walk takes any byte of 0x80 or above (the euro sign 0x80, or the trail
  // byte that position 10 may land on) for a lead byte that swallows a following CR: only
  // an ASCII header block has exact lines.
  if (std::all_of(responseHeaders.begin(), responseHeaders.end(), [](char c) { return c > 0; })) {
    check(statusText.find("\r\n") == Text::npos, "status text runs past its line", statusText);
    check(location.find("\r\n") == Text::npos, "location runs past its line", location);
  }
  check(responseCookies.find_first_of("\r\n") == Text::npos, "a cookie with a line break");
  check(cookies.find_first_of("\r\n") == Text::npos, "a merged cookie with a line break");
  check(responseBytes == body, "body bytes changed");
  check(findText(responseHeaders, "set-cookie", 1, true) == -1 ||
            responseHeaders.find("Set-Cookie") != Text::npos,
        "cookie header name not normalised");
  const TextArray kept = splitText(cookies, "; ");
  for (const Text& m : kept.members())
    check(m.size() < 8 || m.compare(m.size() - 8, 8, "=deleted") != 0, "deleted cookie kept", m);
  return 0;
}
