#pragma once
// The main window: the album link, the originals/previews choice, Start and End, and the
// report list in which the walks show one row per photo.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QWidget>
#include <functional>

#include "album/album_walks.h"
#include "app/exit_routines.h"

namespace velmorin {

// What the window's handlers start; tests put counting stand-ins in their place.
struct MainWindowRoutines {
  std::function<void()> originals = downloadOriginals;  // thread entry when "原图" is checked
  std::function<void()> previews = downloadPreviews;    // thread entry otherwise
  std::function<void()> end = [] { endProgram(0); };
  // Opens the login window modally over the new main window and returns once it is gone.
  // Empty until the login window exists: then nothing opens.
  std::function<void(QWidget& mainWindow)> openLoginWindow;
};

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  // Builds the controls, then runs the creation step (picture folders, login window).
  // Uses windowRuntime() for folders, threads and opening addresses.
  explicit MainWindow(MainWindowRoutines routines = {});

  QTableWidget* photoList() const { return photoList_; }
  QLabel* linkLabel() const { return linkLabel_; }
  QLineEdit* linkEdit() const { return linkEdit_; }
  QLabel* noteLabel() const { return noteLabel_; }
  QCheckBox* originalCheck() const { return originalCheck_; }
  QPushButton* startButton() const { return startButton_; }
  QPushButton* endButton() const { return endButton_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void created();
  void originalFocused();
  void showOriginalTip();
  void start();
  void listClicked();

  MainWindowRoutines routines_;
  QTableWidget* photoList_ = nullptr;
  QLabel* linkLabel_ = nullptr;
  QLineEdit* linkEdit_ = nullptr;
  QLabel* noteLabel_ = nullptr;
  QCheckBox* originalCheck_ = nullptr;
  QPushButton* startButton_ = nullptr;
  QPushButton* endButton_ = nullptr;
};

}  // namespace velmorin
