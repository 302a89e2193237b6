#include "faults.h"

#include "connection.h"

#include <regex>

namespace velmorin::replica {
namespace {

const char* reasonOf(int status) {
  switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 307: return "Temporary Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

bool isStatusKind(const std::string& kind) {
  return kind.size() == 3 && kind.find_first_not_of("0123456789") == std::string::npos &&
         kind[0] >= '1' && kind[0] <= '5';
}

httplib::Response statusPage(int status) {
  httplib::Response res;
  res.status = status;
  std::string code = std::to_string(status);
  res.set_content("<html><head><title>" + code + " " + reasonOf(status) +
                      "</title></head><body><h1>" + code + " " + reasonOf(status) +
                      "</h1></body></html>\r\n",
                  "text/html");
  return res;
}

void sendHead(httplib::Response& res, const std::string& lengthLine) {
  res.headers.erase("Content-Length");
  res.headers.emplace("Connection", "close");
  std::string head = rawHead(res);
  if (!lengthLine.empty()) head.insert(head.size() - 2, lengthLine);
  Connection::current()->sendRaw(head);
}

}  // namespace

const char* faultKindsHelp() {
  return "  404, 500, any status 100-599  that status with a small HTML page\n"
         "  empty200    status 200 with an empty body\n"
         "  short       Content-Length of the whole body, only its first half sent, then close\n"
         "  cut         no Content-Length (close-delimited), first half of the body, then close\n"
         "  stall       headers, then a pause (ms, default 2000), then the body\n"
         "  reset       the connection is reset without an answer\n"
         "  bigheaders  the normal answer with more than 6000 bytes of extra header lines\n"
         "  earlysrc    the normal page with a script element (and its src=\") in front\n"
         "  crlfsrc     the image address of the page followed by CR LF and a header line\n"
         "  gophersrc   the image address of the page as a gopher:// address that would send\n"
         "              the same GET to this replica\n";
}

bool isFaultKind(const std::string& kind) {
  return isStatusKind(kind) || kind == "empty200" || kind == "short" || kind == "cut" ||
         kind == "stall" || kind == "reset" || kind == "bigheaders" || kind == "earlysrc" ||
         kind == "crlfsrc" || kind == "gophersrc";
}

bool FaultTable::set(const std::string& path, Fault fault) {
  if (!isFaultKind(fault.kind)) return false;
  std::lock_guard lock(mutex_);
  faults_[path] = std::move(fault);
  return true;
}

void FaultTable::clear() {
  std::lock_guard lock(mutex_);
  faults_.clear();
}

std::optional<Fault> FaultTable::find(const std::string& path) const {
  std::lock_guard lock(mutex_);
  auto it = faults_.find(path);
  if (it == faults_.end()) return std::nullopt;
  return it->second;
}

std::string rawHead(const httplib::Response& res) {
  std::string head = "HTTP/1.1 " + std::to_string(res.status) + " " + reasonOf(res.status) + "\r\n";
  for (const auto& [name, value] : res.headers) head += name + ": " + value + "\r\n";
  return head + "\r\n";
}

void applyFault(const Fault& fault, httplib::Response& res) {
  const std::string& kind = fault.kind;
  std::string body = res.body;
  if (res.status == -1) res.status = 200;  // httplib fills in 200 only after the handler
  if (isStatusKind(kind)) {
    res = statusPage(std::stoi(kind));
  } else if (kind == "empty200") {
    res = httplib::Response();
    res.status = 200;
    res.set_content("", "text/html");
  } else if (kind == "bigheaders") {
    // Named so that they sort before Set-Cookie: cookies then come after the filler.
    for (int i = 1; i <= 6; ++i)
      res.headers.emplace("Filler-" + std::to_string(i), std::string(1000, 'a' + i));
  } else if (kind == "earlysrc") {
    // A script element before the page's own image: its src=" comes first.
    res.set_content("<script src=\"/js/early.js\"></script>\n" + body, "text/html");
  } else if (kind == "crlfsrc" || kind == "gophersrc") {
    // Addresses a hostile page could hand out: one that would add a header line to the
    // image request, one in a scheme that speaks raw bytes to any port.
    static const std::regex src(R"re(src="http://([^/"]+)(/large/[0-9]+\.jpg)")re");
    const std::string replacement =
        kind == "crlfsrc" ? "src=\"http://$1$2\r\nX-Injected: yes\""
                          : "src=\"gopher://$1/_GET%20$2%20HTTP/1.0%0D%0A%0D%0A\"";
    res.set_content(std::regex_replace(body, src, replacement), "text/html");
  } else if (kind == "reset") {
    Connection::current()->abort(true);
  } else if (kind == "short") {
    size_t announced = body.size() < 2 ? 1000 : body.size();
    sendHead(res, "Content-Length: " + std::to_string(announced) + "\r\n");
    Connection::current()->sendRaw(body.substr(0, body.size() / 2));
  } else if (kind == "cut") {
    sendHead(res, "");
    Connection::current()->sendRaw(body.substr(0, body.size() / 2));
  } else if (kind == "stall") {
    sendHead(res, "Content-Length: " + std::to_string(body.size()) + "\r\n");
    pauseMs(fault.ms);
    Connection::current()->sendRaw(body);
  }
}

}  // namespace velmorin::replica
