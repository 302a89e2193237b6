#include "test_endpoints.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "connection.h"
#include "faults.h"
#include "image_bytes.h"

namespace velmorin::replica {
namespace {

long numberParam(const httplib::Request& req, const char* name, long fallback) {
  if (!req.has_param(name)) return fallback;
  try {
    return std::stol(req.get_param_value(name));
  } catch (const std::exception&) {
    return fallback;
  }
}

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

// UTF-8 text in the named charset; the UTF-8 bytes unchanged when iconv does not know it.
std::string encodedAs(const std::string& utf8, const std::string& charset) {
  iconv_t cd = iconv_open(charset.c_str(), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return utf8;
  std::string out(utf8.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) return utf8;
  out.resize(out.size() - outLeft);
  return out;
}

void charsetPage(const httplib::Request& req, httplib::Response& res) {
  std::string name = req.has_param("name") ? req.get_param_value("name") : "utf-8";
  long pad = std::clamp(numberParam(req, "pad", 0), 0L, 1L << 20);
  std::string meta = req.get_param_value("form") == "http-equiv"
                         ? "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" +
                               name + "\">"
                         : "<meta charset=\"" + name + "\">";
  std::string page = "<html><head>" + (pad > 0 ? "<!--" + std::string(pad, '-') + "-->" : "") +
                     meta + "<title>charset</title></head><body><p>" +
                     "\xE4\xB8\xAD\xE6\x96\x87\xE9\xA1\xB5\xE9\x9D\xA2\xEF\xBC\x9A"  // 中文页面：
                     "\xE4\xB8\x8B\xE8\xBD\xBD\xE6\x88\x90\xE5\x8A\x9F"              // 下载成功
                     "</p></body></html>";
  std::string charset = lower(name) == "gb2312" ? "GBK" : name;
  res.set_content(encodedAs(page, charset), "text/html");
}

std::string absolute(const TestContext& context, const std::string& host, const std::string& to) {
  if (to.rfind("http://", 0) == 0 || to.rfind("https://", 0) == 0) return to;
  return context.scheme + "://" + host + ":" + std::to_string(context.port) +
         (to.empty() || to[0] != '/' ? "/" : "") + to;
}

std::vector<std::pair<std::string, std::string>> queryInOrder(const std::string& target) {
  std::vector<std::pair<std::string, std::string>> out;
  size_t q = target.find('?');
  if (q == std::string::npos) return out;
  httplib::detail::split(target.data() + q + 1, target.data() + target.size(), '&',
                         [&out](const char* b, const char* e) {
                           std::string item(b, e);
                           size_t eq = item.find('=');
                           std::string key = item.substr(0, eq);
                           std::string value = eq == std::string::npos ? "" : item.substr(eq + 1);
                           out.emplace_back(httplib::detail::decode_url(key, true),
                                            httplib::detail::decode_url(value, true));
                         });
  return out;
}

void redirect(httplib::Response& res, int code, const std::string& location) {
  res.status = code;
  res.set_header("Location", location);
  res.set_content("<html><body>moved</body></html>", "text/html");
}

}  // namespace

const char* testEndpointsHelp() {
  return "  /test/echo                 any method: the request as recorded (see /_control/requests)\n"
         "  /test/status/N             status N with a small HTML page\n"
         "  /test/empty                status 200, empty body\n"
         "  /test/short?bytes=N        Content-Length N, only N/2 bytes sent, then close\n"
         "  /test/cut?bytes=N          close-delimited body, N/2 of N bytes, then close\n"
         "  /test/stall?ms=M[&before=1] headers (or nothing with before=1), pause M ms, body\n"
         "  /test/redirect?n=N&to=T[&code=C]  N redirects, the last to T (default /test/echo)\n"
         "  /test/loop                 redirects to itself\n"
         "  /test/otherhost?to=T       redirects to T on localhost instead of 127.0.0.1\n"
         "  /test/bigheaders           more than 6000 bytes of header lines, then a cookie\n"
         "  /test/charset?name=C[&pad=N][&form=http-equiv]  Chinese page declared and encoded in C\n"
         "  /test/setcookie?k=v&...[&raw=LINE][&lower=LINE]  one Set-Cookie per pair / raw line\n"
         "  /test/auth                 401 without Authorization, its value as the body with\n"
         "  /test/bytes?n=N[&seed=S][&chunked=1]  N deterministic bytes\n";
}

bool serveTestEndpoint(const httplib::Request& req, httplib::Response& res,
                       const Recorded& self, const TestContext& context) {
  const std::string& path = req.path;
  if (path.rfind("/test/", 0) != 0) return false;
  const std::string name = path.substr(6);
  if (name == "echo") {
    res.set_content(serialise(self), "text/plain");
  } else if (name.rfind("status/", 0) == 0) {
    int status = 0;
    try {
      status = std::stoi(name.substr(7));
    } catch (const std::exception&) {
    }
    if (status < 100 || status > 599) return false;
    applyFault(Fault{std::to_string(status)}, res);
  } else if (name == "empty") {
    res.set_content("", "text/html");
  } else if (name == "short" || name == "cut") {
    res.set_content(patternBytes(std::clamp(numberParam(req, "bytes", 1000), 2L, 1L << 24), 1),
                    "application/octet-stream");
    applyFault(Fault{name}, res);
  } else if (name == "stall") {
    int ms = static_cast<int>(std::clamp(numberParam(req, "ms", 2000), 0L, 600000L));
    res.set_content("stalled answer", "text/plain");
    if (req.get_param_value("before") == "1") pauseMs(ms);
    else applyFault(Fault{"stall", ms}, res);
  } else if (name == "redirect") {
    long n = numberParam(req, "n", 1);
    std::string to = req.has_param("to") ? req.get_param_value("to") : "/test/echo";
    int code = static_cast<int>(numberParam(req, "code", 302));
    std::string next = n <= 1 ? absolute(context, "127.0.0.1", to)
                              : absolute(context, "127.0.0.1",
                                         "/test/redirect?n=" + std::to_string(n - 1) +
                                             "&code=" + std::to_string(code) + "&to=" +
                                             httplib::detail::encode_query_param(to));
    redirect(res, code, next);
  } else if (name == "loop") {
    redirect(res, 302, absolute(context, "127.0.0.1", "/test/loop"));
  } else if (name == "otherhost") {
    redirect(res, 302, absolute(context, "localhost",
                                req.has_param("to") ? req.get_param_value("to") : "/test/echo"));
  } else if (name == "bigheaders") {
    res.set_content("big headers", "text/plain");
    applyFault(Fault{"bigheaders"}, res);
    res.headers.emplace("Set-Cookie", "late=1; path=/");
  } else if (name == "charset") {
    charsetPage(req, res);
  } else if (name == "setcookie") {
    // In query order (req.params is sorted by name).
    for (const auto& [key, value] : queryInOrder(req.target)) {
      if (key == "raw") res.headers.emplace("Set-Cookie", value);
      else if (key == "lower") res.headers.emplace("set-cookie", value);
      else res.headers.emplace("Set-Cookie", key + "=" + value + "; path=/");
    }
    res.set_content("cookies set", "text/plain");
  } else if (name == "auth") {
    if (!req.has_header("Authorization")) {
      res.status = 401;
      res.set_header("WWW-Authenticate", "Basic realm=\"replica\"");
      res.set_content("<html><body>401 Unauthorized</body></html>", "text/html");
    } else {
      res.set_content(req.get_header_value("Authorization"), "text/plain");
    }
  } else if (name == "bytes") {
    auto n = static_cast<size_t>(std::max(0L, numberParam(req, "n", 1000)));
    auto seed = static_cast<std::uint64_t>(numberParam(req, "seed", 0));
    if (req.get_param_value("chunked") == "1") {
      auto sent = std::make_shared<size_t>(0);
      std::string data = patternBytes(n, seed);
      res.set_chunked_content_provider("application/octet-stream",
                                       [data, sent](size_t, httplib::DataSink& sink) {
                                         if (*sent >= data.size()) {
                                           sink.done();
                                           return true;
                                         }
                                         size_t take = std::min<size_t>(65536, data.size() - *sent);
                                         bool ok = sink.write(data.data() + *sent, take);
                                         *sent += take;
                                         return ok;
                                       });
    } else {
      res.set_content(patternBytes(n, seed), "application/octet-stream");
    }
  } else {
    return false;
  }
  return true;
}

}  // namespace velmorin::replica
