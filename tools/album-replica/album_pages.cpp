#include "album_pages.h"

#include <regex>

#include "image_bytes.h"

namespace velmorin::replica {
namespace {

// Slashes escaped as the service's JSON writes them.
std::string jsonEscaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '/') out += '\\';
    out += c;
  }
  return out;
}

bool hasLoginCookie(const httplib::Request& req) {
  const std::string wanted = std::string(kLoginCookieName) + "=" + kLoginCookieValue;
  for (size_t i = 0; i < req.get_header_value_count("Cookie"); ++i) {
    std::string line = req.get_header_value("Cookie", i);
    size_t pos = 0;
    while (pos <= line.size()) {
      size_t end = line.find(';', pos);
      if (end == std::string::npos) end = line.size();
      std::string pair = line.substr(pos, end - pos);
      pair.erase(0, pair.find_first_not_of(' '));
      pair.erase(pair.find_last_not_of(' ') + 1);
      if (pair == wanted) return true;
      pos = end + 1;
    }
  }
  return false;
}

std::string uidOf(std::string uid) {
  // The program keeps the "/" that stands in front of "talbum" in the album link.
  if (!uid.empty() && uid.back() == '/') uid.pop_back();
  return uid;
}

// Fixed-length filler for cookie values, so the login cookies reach a known size.
std::string filler(const std::string& seed, size_t length) {
  static const char alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string out;
  unsigned x = 7;
  for (char c : seed) x = x * 31 + static_cast<unsigned char>(c);
  while (out.size() < length) {
    x = x * 1103515245u + 12345u;
    out += alphabet[(x >> 16) % 62];
  }
  return out;
}

const char* kNotFoundPage =
    "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\"><title>photo</title></head>"
    "<body><p class=\"error\">photo not found</p></body></html>\r\n";
const char* kLoginNeededPage =
    "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\"><title>login</title></head>"
    "<body><p class=\"error\">please log in</p><a href=\"/login\">log in</a></body></html>\r\n";

}  // namespace

bool AlbumPages::serve(const httplib::Request& req, httplib::Response& res) {
  static const std::regex detailPath(R"(/([^/]*)/+talbum/detail/photo_id/([^/]*)/album_id/(.*))");
  static const std::regex largePath(R"(/([^/]*)/+wbphotos/large/photo_id/([^/]*)/album_id/(.*))");
  static const std::regex imagePath(R"(/(large|mw690)/([0-9]+)\.jpg)");
  bool loggedIn = !config_.requireLogin || hasLoginCookie(req);
  std::smatch m;
  if (req.path == "/photos/get_all") {
    listing(req, res, loggedIn);
  } else if (std::regex_match(req.path, m, detailPath)) {
    detail(m[1], m[2], res, loggedIn);
  } else if (std::regex_match(req.path, m, largePath)) {
    large(m[1], m[2], m[3], res, loggedIn);
  } else if (std::regex_match(req.path, m, imagePath)) {
    int n = std::stoi(m[2].str().substr(0, 9));
    if (n < 1 || n > config_.photos) {
      res.status = 404;
      res.set_content(kNotFoundPage, "text/html; charset=utf-8");
      return true;
    }
    auto kind = m[1] == "large" ? ImageKind::Large : ImageKind::Preview;
    res.set_content(imageBytes(n, kind, config_.imageBytes), "image/jpeg");
  } else if (req.path == "/login" || req.path == "/") {
    login(req, res);
  } else {
    return false;
  }
  setRotatingCookie(res);
  return true;
}

void AlbumPages::setRotatingCookie(httplib::Response& res) {
  res.headers.emplace("Set-Cookie", "rtk=" + std::to_string(++answers_) + "; path=/");
}

int AlbumPages::photoNumber(const std::string& id) const {
  if (id.empty() || id.size() > 12 || id.find_first_not_of("0123456789") != std::string::npos)
    return 0;
  long long n = std::stoll(id) - photoId(0);
  return n >= 1 && n <= config_.photos ? static_cast<int>(n) : 0;
}

void AlbumPages::listing(const httplib::Request& req, httplib::Response& res, bool loggedIn) {
  int page = 1, count = 30;
  try {
    if (req.has_param("page")) page = std::stoi(req.get_param_value("page"));
    if (req.has_param("count")) count = std::stoi(req.get_param_value("count"));
  } catch (const std::exception&) {
    page = 0;
  }
  if (count < 1 || count > 100) count = 30;
  if (!loggedIn) {
    res.set_content("{\"result\":false,\"code\":\"100001\",\"msg\":\"login required\",\"data\":[]}",
                    "application/json; charset=utf-8");
    return;
  }
  bool ours = uidOf(req.get_param_value("uid")) == config_.uid;
  std::string host = jsonEscaped(config_.origin);
  std::string list;
  for (int k = 1; ours && page >= 1 && k <= count; ++k) {
    long long n = static_cast<long long>(page - 1) * count + k;
    if (n > config_.photos) break;
    if (!list.empty()) list += ",";
    list += "{\"photo_id\":\"" + std::to_string(photoId(static_cast<int>(n))) +
            "\",\"pic_host\":\"" + host + "\",\"pic_name\":\"" + std::to_string(n) +
            ".jpg\",\"pic_pid\":\"" + filler("pid" + std::to_string(n), 22) +
            "\",\"caption\":\"photo " + std::to_string(n) + "\",\"type\":3}";
  }
  res.set_content("{\"result\":true,\"data\":{\"total\":" +
                      std::to_string(ours ? config_.photos : 0) + ",\"photo_list\":[" + list +
                      "]},\"code\":0}",
                  "application/json; charset=utf-8");
}

void AlbumPages::detail(const std::string& uid, const std::string& photo,
                        httplib::Response& res, bool loggedIn) {
  if (!loggedIn) return res.set_content(kLoginNeededPage, "text/html; charset=utf-8");
  if (uidOf(uid) != config_.uid || photoNumber(photo) == 0)
    return res.set_content(kNotFoundPage, "text/html; charset=utf-8");
  std::string ids;
  for (int n = 1; n <= config_.photos; ++n) {
    if (n > 1) ids += ",";
    ids += std::to_string(photoId(n));
  }
  std::string page =
      "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
      "<title>album</title>\r\n<script type=\"text/javascript\">\r\n"
      "var $CONFIG = {\"album_id\":\"" + config_.albumId + "\",\"uid\":\"" + config_.uid +
      "\",\"photo_id\":\"" + photo + "\"};\r\n"
      "var photoDetail = {\r\n"
      "        album_photo_ids: [" + ids + "],\r\n"
      "        photo_info: {\"photo_id\":\"" + photo + "\",\"pic_name\":\"" +
      std::to_string(photoNumber(photo)) + ".jpg\"}\r\n};\r\n</script>\r\n</head>\r\n"
      "<body><div id=\"photo\"></div></body>\r\n</html>\r\n";
  res.set_content(page, "text/html; charset=utf-8");
}

void AlbumPages::large(const std::string& uid, const std::string& photo,
                       const std::string& album, httplib::Response& res, bool loggedIn) {
  if (!loggedIn) return res.set_content(kLoginNeededPage, "text/html; charset=utf-8");
  int n = photoNumber(photo);
  if (uidOf(uid) != config_.uid || album != config_.albumId || n == 0)
    return res.set_content(kNotFoundPage, "text/html; charset=utf-8");
  std::string page =
      "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
      "<title>large</title>\r\n</head>\r\n<body>\r\n<div class=\"photo\">"
      "<img id=\"pic\" src=\"" + config_.origin + "/large/" + std::to_string(n) +
      ".jpg\" onload=\"window.fitPhoto && fitPhoto(this)\" alt=\"\"></div>\r\n"
      "</body>\r\n</html>\r\n";
  res.set_content(page, "text/html; charset=utf-8");
}

void AlbumPages::login(const httplib::Request& req, httplib::Response& res) {
  auto set = [&res](const std::string& line) { res.headers.emplace("Set-Cookie", line); };
  set("SINAGLOBAL=" + filler("global", 30) + "; path=/; expires=Fri, 01-Jan-2038 00:00:00 GMT");
  std::string script;
  if (req.get_param_value("anonymous") != "1") {
    // A logged-in session: together with the script's cookie well over 800 bytes.
    set(std::string(kLoginCookieName) + "=" + kLoginCookieValue + "; path=/; HttpOnly");
    set("SUBP=" + filler("subp", 120) + "; path=/; expires=Fri, 01-Jan-2038 00:00:00 GMT");
    set("SCF=" + filler("scf", 200) + "; path=/; HttpOnly");
    set("ALF=2145916800; path=/");
    set("SSOLoginState=1700000000; path=/");
    set("WBPSESS=" + filler("wbpsess", 250) + "; path=/; HttpOnly");
    set("XSRF-TOKEN=" + filler("xsrf", 24) + "; path=/");
    script = "document.cookie = \"wb_view_log=" + filler("viewlog", 90) + "; path=/\";";
  }
  res.set_content(
      "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
      "<title>log in</title>\r\n<script type=\"text/javascript\">" + script +
          "</script>\r\n</head>\r\n<body>\r\n<p id=\"state\">" +
          (script.empty() ? "visitor" : "logged in") + "</p>\r\n</body>\r\n</html>\r\n",
      "text/html; charset=utf-8");
}

}  // namespace velmorin::replica
