#pragma once
// Faults switched on per exact path through the control endpoint; each turns the answer the
// replica would give into a broken one.
#include <httplib.h>

#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace velmorin::replica {

struct Fault {
  std::string kind;
  int ms = 2000;  // how long "stall" waits
};

// One line per kind, for --help.
const char* faultKindsHelp();
bool isFaultKind(const std::string& kind);

class FaultTable {
 public:
  bool set(const std::string& path, Fault fault);  // false for an unknown kind
  void clear();
  std::optional<Fault> find(const std::string& path) const;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, Fault> faults_;
};

// "HTTP/1.1 <status> <reason>\r\n", the response's headers and the blank line.
std::string rawHead(const httplib::Response& res);

// Turns `res`, the normal answer, into the faulty one. Faults that break the exchange itself
// (short, cut, stall, reset) answer on the current connection directly.
void applyFault(const Fault& fault, httplib::Response& res);

}  // namespace velmorin::replica
