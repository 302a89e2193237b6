#pragma once
// The one way the program ends itself on an internal error.
#include <functional>

#include "text/text_types.h"

namespace velmorin {

// Writes the error text to stderr, shows it in an error box when a front end installed a
// presenter, then ends the process with exit code -1 (reported as 255). Any thread.
[[noreturn]] void fatalStop(int code, const Text& message);

// The box text for a code and message (CR LF line breaks, code-page 936).
Text fatalStopText(int code, const Text& message);

// A front end with windows installs a presenter that shows the box and returns when it is
// closed. Called on the thread that stopped.
void setFatalStopPresenter(std::function<void(const Text& boxText)> presenter);

}  // namespace velmorin
