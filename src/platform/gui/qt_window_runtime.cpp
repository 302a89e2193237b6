#include "platform/gui/qt_window_runtime.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "platform/codepage.h"

namespace velmorin {

QString toQString(const Text& text) { return QString::fromStdString(toUtf8(text)); }

Text fromQString(const QString& text) { return fromUtf8(text.toStdString()); }

QtWindowRuntime::Opener QtWindowRuntime::desktopOpener() {
  return [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

QtWindowRuntime::QtWindowRuntime(Opener opener)
    : context_(std::make_unique<QObject>()), opener_(std::move(opener)) {}

QtWindowRuntime::~QtWindowRuntime() = default;

void QtWindowRuntime::attach(QLineEdit* linkEdit, QCheckBox* originalCheck,
                             QTableWidget* photoList) {
  linkEdit_ = linkEdit;
  originalCheck_ = originalCheck;
  photoList_ = photoList;
}

bool QtWindowRuntime::onWindowThread() const {
  return QThread::currentThread() == context_->thread();
}

void QtWindowRuntime::runOnWindowThread(const std::function<void()>& work) {
  if (onWindowThread()) {
    work();
    return;
  }
  // The window thread runs the work while this thread waits, so the widgets are only ever
  // touched from their own thread and the caller sees the operations in its own order.
  QMetaObject::invokeMethod(context_.get(), [&work] { work(); }, Qt::BlockingQueuedConnection);
}

template <typename Result, typename Work>
Result QtWindowRuntime::onWindow(Work work) {
  Result result{};
  runOnWindowThread([&] { result = work(); });
  return result;
}

Text QtWindowRuntime::linkText() {
  return onWindow<Text>([this] { return linkEdit_ ? fromQString(linkEdit_->text()) : Text(); });
}

bool QtWindowRuntime::originalChecked() {
  return onWindow<bool>([this] { return originalCheck_ && originalCheck_->isChecked(); });
}

int QtWindowRuntime::appendRow() {
  return onWindow<int>([this] {
    if (!photoList_) return -1;
    const int row = photoList_->rowCount();
    photoList_->insertRow(row);
    return row;
  });
}

void QtWindowRuntime::setCell(int row, int column, const Text& text) {
  runOnWindowThread([&] {
    if (!photoList_ || row < 0 || row >= photoList_->rowCount() || column < 0 ||
        column >= photoList_->columnCount())
      return;
    if (QTableWidgetItem* item = photoList_->item(row, column)) {
      item->setText(toQString(text));
    } else {
      auto* fresh = new QTableWidgetItem(toQString(text));
      fresh->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
      photoList_->setItem(row, column, fresh);
    }
  });
}

int QtWindowRuntime::rowCount() {
  return onWindow<int>([this] { return photoList_ ? photoList_->rowCount() : 0; });
}

void QtWindowRuntime::scrollToRow(int row) {
  runOnWindowThread([&] {
    if (!photoList_ || row < 0 || row >= photoList_->rowCount()) return;
    photoList_->scrollTo(photoList_->model()->index(row, 0), QAbstractItemView::EnsureVisible);
  });
}

int QtWindowRuntime::selectedRow() {
  return onWindow<int>([this] {
    if (!photoList_ || !photoList_->selectionModel()) return -1;
    int first = -1;
    for (const QModelIndex& index : photoList_->selectionModel()->selectedIndexes())
      if (first < 0 || index.row() < first) first = index.row();
    return first;
  });
}

Text QtWindowRuntime::cellText(int row, int column) {
  return onWindow<Text>([&] {
    if (!photoList_) return Text();
    const QTableWidgetItem* item = photoList_->item(row, column);
    return item ? fromQString(item->text()) : Text();
  });
}

void QtWindowRuntime::pauseWithEvents(int ms) {
  if (!onWindowThread()) {
    WindowRuntime::pauseWithEvents(ms);
    return;
  }
  if (ms <= 0) {
    QCoreApplication::processEvents();
    return;
  }
  // A local loop keeps the window responsive and serves the workers' queued calls.
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

void QtWindowRuntime::processEvents() {
  if (onWindowThread()) QCoreApplication::processEvents();
}

void QtWindowRuntime::openUrl(const Text& address) {
  // Only web addresses leave the program: a list cell could hold a file: or script address.
  if (!isWebAddress(address) || !opener_) return;
  const QUrl url(toQString(address), QUrl::TolerantMode);
  runOnWindowThread([&] { opener_(url); });
}

}  // namespace velmorin
