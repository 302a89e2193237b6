#pragma once
// What the walks, savePhoto and the main window need from the window runtime. The Qt front
// end carries every control operation to the window thread and waits for it; the CLI prints
// rows; tests record the calls. Rows and columns count from 0.
#include <functional>
#include <mutex>
#include <string>

#include "text/text_types.h"

namespace velmorin {

class WindowRuntime {
 public:
  virtual ~WindowRuntime() = default;

  // Controls read by the walks.
  virtual Text linkText() = 0;
  virtual bool originalChecked() = 0;

  // The report list. setCell on a row that does not exist changes nothing.
  virtual int appendRow() = 0;  // index of the new, empty last row
  virtual void setCell(int row, int column, const Text& text) = 0;
  virtual int rowCount() = 0;
  virtual void scrollToRow(int row) = 0;
  virtual int selectedRow() = 0;  // first selected row, or -1
  virtual Text cellText(int row, int column) = 0;

  // Waits ms milliseconds; on the window thread it keeps dispatching window events.
  virtual void pauseWithEvents(int ms);
  // Dispatches pending window events of the calling thread (nothing without windows).
  virtual void processEvents() {}
  // Opens an http/https address with the desktop's default handler; other texts are ignored.
  virtual void openUrl(const Text& address);

  // The executable's folder, without a trailing separator, in code page 936; the
  // environment variable VELMORIN_RUN_DIRECTORY overrides it. An installed program's folder
  // is usually not writable: then the user's pictures folder is used (see
  // usableRunDirectory).
  virtual Text runDirectory();
  // One directory level; path uses "\" separators (code page 936). Result ignored by callers.
  virtual bool makeDirectory(const Text& path);
  // Replaces the file with data; false when it cannot be written. The data goes to a
  // temporary file in the same folder first and is renamed into place.
  virtual bool writeFile(const Text& path, const Bytes& data);
  // Whether the photo file at path is to be kept instead of downloaded again (a front end
  // that resumes an interrupted album says yes for a non-empty file). Default: never.
  virtual bool keepExisting(const Text& path);
  // Runs routine on a new detached thread.
  virtual void startThread(std::function<void()> routine);
};

// The runtime the walks talk to; installed once by the front end (GUI, CLI or a test).
WindowRuntime& windowRuntime();
void setWindowRuntime(WindowRuntime* runtime);

// Whether openUrl would hand this address to the desktop (http:// or https://, any case).
bool isWebAddress(const Text& address);

// programFolder when it is writable; otherwise "velmorin" in the user's pictures folder
// ($XDG_PICTURES_DIR, else $HOME/Pictures), made when missing. Native UTF-8 paths.
std::string usableRunDirectory(const std::string& programFolder);

// A code-page-936 path with "\" separators as a native UTF-8 path with "/".
std::string nativePath(const Text& path);

// Held by WindowRuntime::writeFile from the creation of its temporary file to the rename.
// A front end that ends the process on a signal takes it first (and keeps it), so that no
// write is cut in half and no new temporary file appears while it cleans up.
std::mutex& fileWriteLock();

}  // namespace velmorin
