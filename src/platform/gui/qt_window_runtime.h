#pragma once
// The window runtime over the main window's controls. Worker threads never touch a widget:
// every control operation is carried to the window thread and the worker waits for it.
#include <QCheckBox>
#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QTableWidget>
#include <QUrl>
#include <functional>
#include <memory>

#include "platform/window_runtime.h"

namespace velmorin {

class QtWindowRuntime : public WindowRuntime {
 public:
  // Hands a web address to whatever opens it; tests replace the desktop's handler.
  using Opener = std::function<void(const QUrl&)>;
  static Opener desktopOpener();

  // Construct on the window thread (the thread that runs the Qt event loop).
  explicit QtWindowRuntime(Opener opener = desktopOpener());
  ~QtWindowRuntime() override;

  // The controls the walks read and fill. Until attached (or once destroyed) reads give
  // empty values and writes do nothing. Call on the window thread.
  void attach(QLineEdit* linkEdit, QCheckBox* originalCheck, QTableWidget* photoList);

  bool onWindowThread() const;
  // Runs work on the window thread: directly there, otherwise queued while the caller waits.
  void runOnWindowThread(const std::function<void()>& work);

  Text linkText() override;
  bool originalChecked() override;
  int appendRow() override;
  void setCell(int row, int column, const Text& text) override;
  int rowCount() override;
  void scrollToRow(int row) override;
  int selectedRow() override;
  Text cellText(int row, int column) override;

  void pauseWithEvents(int ms) override;
  void processEvents() override;
  void openUrl(const Text& address) override;

 private:
  template <typename Result, typename Work>
  Result onWindow(Work work);

  std::unique_ptr<QObject> context_;
  Opener opener_;
  QPointer<QLineEdit> linkEdit_;
  QPointer<QCheckBox> originalCheck_;
  QPointer<QTableWidget> photoList_;
};

// Code-page-936 text to a Qt string and back.
QString toQString(const Text& text);
Text fromQString(const QString& text);

}  // namespace velmorin
