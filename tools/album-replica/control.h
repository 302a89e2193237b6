#pragma once
// The /_control/ endpoints through which tests switch faults and read the request log.
#include <httplib.h>

#include "faults.h"
#include "recording.h"

namespace velmorin::replica {

// Answers a /_control/ request; false when the path is not one of them.
bool serveControl(const httplib::Request& req, httplib::Response& res, RequestLog& log,
                  FaultTable& faults);

}  // namespace velmorin::replica
