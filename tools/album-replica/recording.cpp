#include "recording.h"

namespace velmorin::replica {
namespace {

std::string trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

// Splits the head of a raw request into its lines; false when no complete head is there.
bool headLines(const std::string& raw, std::vector<std::string>& lines) {
  size_t pos = 0;
  while (pos < raw.size()) {
    size_t eol = raw.find('\n', pos);
    if (eol == std::string::npos) return false;
    std::string line = raw.substr(pos, eol - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pos = eol + 1;
    if (line.empty()) return !lines.empty();
    lines.push_back(line);
  }
  return false;
}

}  // namespace

Recorded recordOf(const httplib::Request& req, const std::string& raw) {
  Recorded r;
  r.method = req.method;
  r.target = req.target;
  r.body = req.body;
  std::vector<std::string> lines;
  if (headLines(raw, lines)) {
    const std::string& first = lines.front();
    size_t a = first.find(' ');
    size_t b = first.rfind(' ');
    if (a != std::string::npos && b > a) r.target = first.substr(a + 1, b - a - 1);
    for (size_t i = 1; i < lines.size(); ++i) {
      size_t colon = lines[i].find(':');
      if (colon == std::string::npos) continue;
      r.headers.emplace_back(lines[i].substr(0, colon), trimmed(lines[i].substr(colon + 1)));
    }
  } else {
    for (const auto& [name, value] : req.headers) {
      // httplib adds these itself; they were not sent.
      if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
          name == "LOCAL_PORT")
        continue;
      r.headers.emplace_back(name, value);
    }
  }
  return r;
}

std::string serialise(const Recorded& r) {
  std::string out = "request\nmethod " + r.method + "\ntarget " + r.target + "\n";
  for (const auto& [name, value] : r.headers) out += "header " + name + ": " + value + "\n";
  out += "body " + std::to_string(r.body.size()) + "\n" + r.body + "\nend\n";
  return out;
}

void RequestLog::add(Recorded r) {
  std::lock_guard lock(mutex_);
  items_.push_back(std::move(r));
}

std::string RequestLog::serialised() const {
  std::lock_guard lock(mutex_);
  std::string out;
  for (const auto& r : items_) out += serialise(r);
  return out;
}

void RequestLog::clear() {
  std::lock_guard lock(mutex_);
  items_.clear();
}

}  // namespace velmorin::replica
