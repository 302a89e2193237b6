#pragma once
// The error box shown before the program stops on an internal error.
#include <functional>

#include "platform/gui/qt_window_runtime.h"

namespace velmorin {

// A presenter for setFatalStopPresenter: shows boxText in a modal error box ("错误", one OK
// button) on the window thread and returns once it is closed; a worker waits meanwhile.
std::function<void(const Text& boxText)> fatalStopBox(QtWindowRuntime& runtime);

}  // namespace velmorin
