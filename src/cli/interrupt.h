#pragma once
// Ending on Ctrl-C (and SIGTERM, SIGHUP) without leaving temporary photo files behind.
#include <string>
#include <vector>

namespace velmorin {

// Blocks the termination signals in the calling thread; call it first in main, before any
// thread exists, so that every later thread inherits the mask.
void blockTerminationSignals();

// Starts a thread that waits for a termination signal, then waits for a photo write in
// flight to finish (and keeps further writes from starting), removes the temporary ".part"
// files of folders (native paths) and ends the process with 128 + the signal's number.
void watchForTermination(std::vector<std::string> folders);

}  // namespace velmorin
