#pragma once
// What the embedded browser needs before the application object exists.
#include <sys/types.h>

namespace velmorin {

// Shares OpenGL contexts between windows (the browser's views need it) and turns the
// sandbox off when running as root. Call before the QApplication is made.
void prepareWebEngine();

// The browser refuses to start as root with its sandbox on: turns it off for effective
// user 0 only, and changes nothing for anybody else.
void turnOffSandboxForSuperUser(uid_t effectiveUser);

}  // namespace velmorin
