#include "control.h"

namespace velmorin::replica {

bool serveControl(const httplib::Request& req, httplib::Response& res, RequestLog& log,
                  FaultTable& faults) {
  const std::string& path = req.path;
  if (path == "/_control/requests") {
    res.set_content(log.serialised(), "application/octet-stream");
  } else if (path == "/_control/clear") {
    log.clear();
    res.set_content("ok\n", "text/plain");
  } else if (path == "/_control/clearfaults") {
    faults.clear();
    res.set_content("ok\n", "text/plain");
  } else if (path == "/_control/fault") {
    Fault fault{req.get_param_value("kind")};
    if (req.has_param("ms")) {
      try {
        fault.ms = std::stoi(req.get_param_value("ms"));
      } catch (const std::exception&) {
        fault.kind.clear();
      }
    }
    if (!req.has_param("path") || !faults.set(req.get_param_value("path"), fault)) {
      res.status = 400;
      res.set_content("bad fault: needs path and a known kind\n", "text/plain");
    } else {
      res.set_content("ok\n", "text/plain");
    }
  } else {
    return false;
  }
  return true;
}

}  // namespace velmorin::replica
