#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <atomic>
#include <filesystem>
#include <memory>
#include <set>
#include <thread>

#include "app/main_window.h"
#include "gui_fixture.h"
#include "platform/codepage.h"

namespace velmorin {
namespace {

using testing::GuiRecordingRuntime;
using testing::TempRunDirectory;
using testing::waitUntil;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { setWindowRuntime(&runtime); }
  void TearDown() override {
    window.reset();
    setWindowRuntime(nullptr);
  }

  MainWindow& open() { return open(counting()); }
  MainWindow& open(MainWindowRoutines routines) {
    window = std::make_unique<MainWindow>(std::move(routines));
    runtime.attach(window->linkEdit(), window->originalCheck(), window->photoList());
    window->show();
    return *window;
  }

  MainWindowRoutines counting() {
    MainWindowRoutines r;
    r.originals = [this] { record(originalsThreads); };
    r.previews = [this] { record(previewsThreads); };
    r.end = [this] { ++endCalls; };
    return r;
  }

  void record(std::vector<std::thread::id>& threads) {
    std::lock_guard lock(runtime.mutex);
    threads.push_back(std::this_thread::get_id());
  }
  size_t started(const std::vector<std::thread::id>& threads) {
    std::lock_guard lock(runtime.mutex);
    return threads.size();
  }

  // A mouse click (press and release) in the list's viewport.
  void clickList(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    QWidget* viewport = window->photoList()->viewport();
    const QPointF global = viewport->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, button, button, {});
    QApplication::sendEvent(viewport, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, button, {}, {});
    QApplication::sendEvent(viewport, &release);
  }
  QPoint rowCentre(int row) {
    return window->photoList()->visualRect(window->photoList()->model()->index(row, 1)).center();
  }
  void addRows(std::initializer_list<const char*> urls) {
    for (const char* url : urls) {
      const int row = runtime.appendRow();
      runtime.setCell(row, 0, std::to_string(row + 1));
      runtime.setCell(row, 1, url);
    }
  }

  TempRunDirectory runDirectory;
  GuiRecordingRuntime runtime;
  std::unique_ptr<MainWindow> window;
  std::vector<std::thread::id> originalsThreads, previewsThreads;
  int endCalls = 0;
};

TEST_F(MainWindowTest, ControlsSitWhereTheLayoutPutsThemWithTheirTexts) {
  MainWindow& w = open();
  EXPECT_EQ(w.windowTitle(), "Velmorin");
  EXPECT_EQ(w.pos(), QPoint(50, 50));
  EXPECT_EQ(w.size(), QSize(488, 471));
  EXPECT_EQ(w.minimumSize(), w.maximumSize());
  EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(w.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);

  struct Control {
    const char* name;
    QRect geometry;
    const char* text;  // UTF-8; nullptr for the list
  };
  const Control controls[] = {
      {"photoList", {0, 0, 480, 336}, nullptr},
      {"linkLabel", {8, 336, 56, 16}, "相册链接"},
      {"linkEdit", {8, 352, 464, 40}, ""},
      {"noteLabel", {16, 400, 200, 40}, "注：更换链接时请修改文件夹名称\n    \n    开始没反应时请重启软件"},
      {"originalCheck", {232, 408, 56, 32}, "原图"},
      {"startButton", {304, 400, 80, 40}, "开始"},
      {"endButton", {392, 400, 80, 40}, "结束"},
  };
  for (const Control& c : controls) {
    auto* widget = w.findChild<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_NE(widget, nullptr) << c.name;
    EXPECT_EQ(widget->parentWidget(), &w) << c.name;
    EXPECT_EQ(widget->geometry(), c.geometry) << c.name;
    QString text;
    if (auto* label = qobject_cast<QLabel*>(widget)) text = label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) text = edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) text = button->text();
    if (c.text) {
      EXPECT_EQ(text, QString::fromUtf8(c.text)) << c.name;
    }
  }
  EXPECT_FALSE(w.originalCheck()->isChecked());

  QTableWidget* list = w.photoList();
  struct Column {
    const char* title;
    int width;
  };
  const Column columns[] = {{"序", 50}, {"url", 300}, {"状态", 100}};
  ASSERT_EQ(list->columnCount(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(list->horizontalHeaderItem(i)->text(), QString::fromUtf8(columns[i].title));
    EXPECT_EQ(list->columnWidth(i), columns[i].width);
    EXPECT_TRUE(list->horizontalHeaderItem(i)->textAlignment() & Qt::AlignLeft);
  }
  EXPECT_EQ(list->rowCount(), 0);
  EXPECT_TRUE(list->showGrid());
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_FALSE(list->horizontalHeader()->sectionsMovable());
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(MainWindowTest, CreationMakesThePictureFoldersParentFirstThenOpensTheLogin) {
  namespace fs = std::filesystem;
  bool foldersBeforeLogin = false;
  QWidget* loginOwner = nullptr;
  MainWindowRoutines routines = counting();
  routines.openLoginWindow = [&](QWidget& owner) {
    loginOwner = &owner;
    foldersBeforeLogin = fs::is_directory(fs::path(runDirectory.path()) / "新浪图片" / "预览图");
  };
  MainWindow& w = open(routines);

  const Text base = fromUtf8(runDirectory.path());
  const std::vector<Text> expected = {base + fromUtf8("\\新浪图片"),
                                      base + fromUtf8("\\新浪图片\\原图"),
                                      base + fromUtf8("\\新浪图片\\预览图")};
  EXPECT_EQ(runtime.madeDirectories, expected);
  for (const char* sub : {"新浪图片", "新浪图片/原图", "新浪图片/预览图"})
    EXPECT_TRUE(fs::is_directory(fs::path(runDirectory.path()) / sub)) << sub;
  EXPECT_TRUE(foldersBeforeLogin);
  EXPECT_EQ(loginOwner, &w);

  // A second start in the same place finds the folders and goes on.
  runtime.madeDirectories.clear();
  MainWindow again(counting());
  EXPECT_EQ(runtime.madeDirectories, expected);
}

TEST_F(MainWindowTest, EachStartClickStartsOneMoreWalkOfTheCheckedKind) {
  // Each preview walk stays until the other one has started too, so both run at once and
  // their thread ids cannot be one id reused after the first thread ended.
  MainWindowRoutines routines = counting();
  routines.previews = [this] {
    record(previewsThreads);
    QElapsedTimer clock;
    clock.start();
    while (started(previewsThreads) < 2 && clock.elapsed() < 10000) QThread::msleep(1);
  };
  MainWindow& w = open(routines);
  w.startButton()->click();
  w.startButton()->click();
  ASSERT_TRUE(waitUntil([&] { return started(previewsThreads) == 2; }));
  EXPECT_EQ(started(originalsThreads), 0u);
  {
    std::lock_guard lock(runtime.mutex);
    EXPECT_NE(previewsThreads[0], previewsThreads[1]);
    for (auto id : previewsThreads) EXPECT_NE(id, std::this_thread::get_id());
  }

  w.originalCheck()->setChecked(true);
  w.startButton()->click();
  ASSERT_TRUE(waitUntil([&] { return started(originalsThreads) == 1; }));
  EXPECT_EQ(started(previewsThreads), 2u);
}

TEST_F(MainWindowTest, EndRunsTheEndRoutine) {
  MainWindow& w = open();
  w.endButton()->click();
  EXPECT_EQ(endCalls, 1);
}

TEST_F(MainWindowTest, LeftClickOpensTheSelectedRowsAddress) {
  open();
  addRows({"http://wx1.example/large/1.jpg", "https://wx2.example/large/2.jpg"});
  QApplication::processEvents();

  clickList(rowCentre(1));
  ASSERT_EQ(runtime.selectedRow(), 1);
  ASSERT_EQ(runtime.askedToOpen, std::vector<Text>{"https://wx2.example/large/2.jpg"});
  EXPECT_EQ(runtime.opened, std::vector<std::string>{"https://wx2.example/large/2.jpg"});

  // A right click or a key press opens nothing.
  clickList(rowCentre(0), Qt::RightButton);
  QKeyEvent key(QEvent::KeyPress, Qt::Key_Down, {});
  QApplication::sendEvent(window->photoList(), &key);
  EXPECT_EQ(runtime.askedToOpen.size(), 1u);
}

TEST_F(MainWindowTest, LeftClickWithoutASelectedRowHandsOverTheEmptyText) {
  open();
  clickList(QPoint(100, 100));  // an empty list
  EXPECT_EQ(runtime.askedToOpen, std::vector<Text>{""});
  EXPECT_TRUE(runtime.opened.empty());
}

TEST_F(MainWindowTest, LeftClickOnARowWithoutAWebAddressOpensNothing) {
  open();
  addRows({"file:///etc/passwd", "javascript:alert(1)", ""});
  QApplication::processEvents();
  for (int row = 0; row < 3; ++row) clickList(rowCentre(row));
  EXPECT_EQ(runtime.askedToOpen, (std::vector<Text>{"file:///etc/passwd", "javascript:alert(1)", ""}));
  EXPECT_TRUE(runtime.opened.empty());
}

TEST_F(MainWindowTest, ToolTipComesWithTheCheckBoxFocus) {
  MainWindow& w = open();
  w.activateWindow();
  ASSERT_TRUE(waitUntil([&] { return w.isActiveWindow(); }));
  const QString tip = QString::fromUtf8("原图文件较大，下载时间较长");
  QCheckBox* check = w.originalCheck();

  auto hover = [&] {
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), check->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(check, &help);
  };
  hover();
  EXPECT_TRUE(check->toolTip().isEmpty());
  EXPECT_FALSE(QToolTip::isVisible());

  check->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(waitUntil([&] { return check->hasFocus(); }));
  EXPECT_EQ(check->toolTip(), tip);
  hover();
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text(), tip);
  QToolTip::hideText();

  // Attached again at the next gain of focus.
  check->setToolTip(QString());
  w.startButton()->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(waitUntil([&] { return w.startButton()->hasFocus(); }));
  EXPECT_TRUE(check->toolTip().isEmpty());
  check->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(waitUntil([&] { return check->hasFocus(); }));
  EXPECT_EQ(check->toolTip(), tip);
}

}  // namespace
}  // namespace velmorin
