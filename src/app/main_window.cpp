#include "app/main_window.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMouseEvent>
#include <QToolTip>

#include "platform/codepage.h"
#include "platform/gui/qt_window_runtime.h"
#include "platform/window_runtime.h"

namespace velmorin {
namespace {

QString ui(const char* utf8) { return QString::fromUtf8(utf8); }

const char* const kOriginalTip = "原图文件较大，下载时间较长";

}  // namespace

MainWindow::MainWindow(MainWindowRoutines routines) : routines_(std::move(routines)) {
  setObjectName(QStringLiteral("MainWindow"));
  setWindowTitle(QStringLiteral("Velmorin"));
  // A normal caption bar with minimise and close; the controls sit at fixed places, so the
  // window neither maximises nor resizes.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setAttribute(Qt::WA_AlwaysShowToolTips);
  // The fixed layout was drawn for 12-pixel glyphs.
  QFont small = font();
  small.setPixelSize(12);
  setFont(small);
  setFixedSize(488, 471);
  move(50, 50);
  buildControls();
  created();
}

void MainWindow::buildControls() {
  photoList_ = new QTableWidget(0, 3, this);
  photoList_->setObjectName(QStringLiteral("photoList"));
  photoList_->setGeometry(0, 0, 480, 336);
  photoList_->setHorizontalHeaderLabels({ui("序"), ui("url"), ui("状态")});
  const int widths[] = {50, 300, 100};
  for (int column = 0; column < 3; ++column) {
    photoList_->horizontalHeaderItem(column)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    photoList_->setColumnWidth(column, widths[column]);
  }
  QHeaderView* header = photoList_->horizontalHeader();
  header->setSectionsMovable(false);
  header->setSectionsClickable(false);
  header->setHighlightSections(false);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  photoList_->verticalHeader()->hide();
  photoList_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  photoList_->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 6);
  photoList_->setShowGrid(true);
  photoList_->setSelectionBehavior(QAbstractItemView::SelectRows);
  photoList_->setSelectionMode(QAbstractItemView::SingleSelection);
  photoList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  photoList_->setWordWrap(false);
  photoList_->viewport()->installEventFilter(this);

  linkLabel_ = new QLabel(ui("相册链接"), this);
  linkLabel_->setObjectName(QStringLiteral("linkLabel"));
  linkLabel_->setGeometry(8, 336, 56, 16);

  linkEdit_ = new QLineEdit(this);
  linkEdit_->setObjectName(QStringLiteral("linkEdit"));
  linkEdit_->setGeometry(8, 352, 464, 40);

  noteLabel_ = new QLabel(ui("注：更换链接时请修改文件夹名称\n    \n    开始没反应时请重启软件"), this);
  noteLabel_->setObjectName(QStringLiteral("noteLabel"));
  noteLabel_->setGeometry(16, 400, 200, 40);
  noteLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  noteLabel_->setTextFormat(Qt::PlainText);

  originalCheck_ = new QCheckBox(ui("原图"), this);
  originalCheck_->setObjectName(QStringLiteral("originalCheck"));
  originalCheck_->setGeometry(232, 408, 56, 32);
  originalCheck_->setChecked(false);
  originalCheck_->installEventFilter(this);

  startButton_ = new QPushButton(ui("开始"), this);
  startButton_->setObjectName(QStringLiteral("startButton"));
  startButton_->setGeometry(304, 400, 80, 40);
  connect(startButton_, &QPushButton::clicked, this, &MainWindow::start);

  endButton_ = new QPushButton(ui("结束"), this);
  endButton_->setObjectName(QStringLiteral("endButton"));
  endButton_->setGeometry(392, 400, 80, 40);
  connect(endButton_, &QPushButton::clicked, this, [this] {
    if (routines_.end) routines_.end();
  });
}

void MainWindow::created() {
  WindowRuntime& runtime = windowRuntime();
  const Text base = runtime.runDirectory();
  // Parent first: each call makes one level. A folder that exists already is fine.
  for (const char* folder : {"\\新浪图片", "\\新浪图片\\原图", "\\新浪图片\\预览图"})
    runtime.makeDirectory(base + fromUtf8(folder));
  if (routines_.openLoginWindow) routines_.openLoginWindow(*this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == originalCheck_) {
    if (event->type() == QEvent::FocusIn) originalFocused();
    if (event->type() == QEvent::ToolTip && !originalCheck_->toolTip().isEmpty()) {
      showOriginalTip();
      return true;
    }
  } else if (watched == photoList_->viewport() && event->type() == QEvent::MouseButtonRelease) {
    // The release comes after the press has moved the selection, so the clicked row is
    // the selected one.
    if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) listClicked();
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::originalFocused() { originalCheck_->setToolTip(ui(kOriginalTip)); }

void MainWindow::showOriginalTip() {
  // Centred below the check box rather than at the mouse pointer. Qt moves a tip down and
  // right from the point it is given, as if the pointer were there; take that back.
  const QString tip = originalCheck_->toolTip();
  const int tipWidth = QFontMetrics(QToolTip::font()).horizontalAdvance(tip) + 8;
  const QPoint below(originalCheck_->width() / 2 - tipWidth / 2 - 2, originalCheck_->height() - 16);
  QToolTip::showText(originalCheck_->mapToGlobal(below), tip, originalCheck_);
}

void MainWindow::start() {
  const bool originals = originalCheck_->isChecked();
  // Every click starts one more walk; nothing checks whether another one is running.
  windowRuntime().startThread(originals ? routines_.originals : routines_.previews);
}

void MainWindow::listClicked() {
  WindowRuntime& runtime = windowRuntime();
  const int row = runtime.selectedRow();
  const Text address = row < 0 ? Text() : runtime.cellText(row, 1);
  runtime.openUrl(address);
}

}  // namespace velmorin
