#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>
#include <atomic>
#include <map>
#include <set>
#include <thread>

#include "gui_fixture.h"
#include "platform/codepage.h"

namespace velmorin {
namespace {

using testing::GuiRecordingRuntime;
using testing::waitUntil;

class QtWindowRuntimeTest : public ::testing::Test {
 protected:
  QtWindowRuntimeTest() : list(0, 3) { runtime.attach(&edit, &check, &list); }

  // Runs body on a worker while this (the window) thread keeps its event loop going.
  void onWorker(const std::function<void()>& body) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
      body();
      done = true;
    });
    const bool finished = waitUntil([&] { return done.load(); });
    if (!finished) {
      worker.detach();  // it is stuck waiting for the window thread
      FAIL() << "worker did not finish";
    }
    worker.join();
  }

  GuiRecordingRuntime runtime;
  QLineEdit edit;
  QCheckBox check;
  QTableWidget list;
};

TEST_F(QtWindowRuntimeTest, TextCrossesBetweenCodePage936AndTheWidgets) {
  edit.setText(QString::fromUtf8("相册 http://a/"));
  EXPECT_EQ(runtime.linkText(), fromUtf8("相册 http://a/"));

  const int row = runtime.appendRow();
  runtime.setCell(row, 2, fromUtf8("下载成功"));
  ASSERT_NE(list.item(row, 2), nullptr);
  EXPECT_EQ(list.item(row, 2)->text(), QString::fromUtf8("下载成功"));
  EXPECT_EQ(runtime.cellText(row, 2), fromUtf8("下载成功"));

  check.setChecked(true);
  EXPECT_TRUE(runtime.originalChecked());
}

TEST_F(QtWindowRuntimeTest, ListOperationsOutsideTheRowsChangeNothing) {
  EXPECT_EQ(runtime.appendRow(), 0);
  EXPECT_EQ(runtime.appendRow(), 1);
  runtime.setCell(1, 0, "2");
  runtime.setCell(1, 0, "3");  // overwrites the same cell
  runtime.setCell(2, 0, "x");  // no such row
  runtime.setCell(-1, 0, "x");
  runtime.setCell(0, 3, "x");  // no such column
  runtime.scrollToRow(7);
  EXPECT_EQ(runtime.rowCount(), 2);
  EXPECT_EQ(runtime.cellText(1, 0), "3");
  EXPECT_EQ(runtime.cellText(0, 0), "");  // a row's cells start empty
  EXPECT_EQ(runtime.cellText(5, 1), "");
  EXPECT_EQ(runtime.selectedRow(), -1);
  list.selectRow(1);
  EXPECT_EQ(runtime.selectedRow(), 1);
}

TEST_F(QtWindowRuntimeTest, DetachedOrDestroyedControlsGiveEmptyValues) {
  GuiRecordingRuntime bare;
  EXPECT_EQ(bare.linkText(), "");
  EXPECT_FALSE(bare.originalChecked());
  EXPECT_EQ(bare.appendRow(), -1);
  EXPECT_EQ(bare.rowCount(), 0);

  auto* gone = new QTableWidget(0, 3);
  bare.attach(nullptr, nullptr, gone);
  EXPECT_EQ(bare.appendRow(), 0);
  delete gone;
  EXPECT_EQ(bare.rowCount(), 0);
  bare.setCell(0, 0, "x");
}

TEST_F(QtWindowRuntimeTest, WorkerCallsRunOnTheWindowThreadInTheWorkersOrder) {
  std::set<QThread*> touchingThreads;
  QObject::connect(list.model(), &QAbstractItemModel::rowsInserted, &list,
                   [&] { touchingThreads.insert(QThread::currentThread()); },
                   Qt::DirectConnection);
  QObject::connect(list.model(), &QAbstractItemModel::dataChanged, &list,
                   [&] { touchingThreads.insert(QThread::currentThread()); },
                   Qt::DirectConnection);
  edit.setText(QStringLiteral("http://album/"));

  Text linkSeen;
  std::vector<Text> readBack;
  onWorker([&] {
    linkSeen = runtime.linkText();
    for (int i = 0; i < 20; ++i) {
      const int row = runtime.appendRow();
      runtime.setCell(row, 0, std::to_string(i));
      runtime.setCell(row, 1, std::to_string(i * 10));
      runtime.setCell(row, 1, "u" + std::to_string(i));  // the later write wins
      runtime.scrollToRow(runtime.rowCount() - 1);
      readBack.push_back(runtime.cellText(row, 1));
    }
  });

  EXPECT_EQ(linkSeen, "http://album/");
  EXPECT_EQ(touchingThreads, std::set<QThread*>{QThread::currentThread()});
  ASSERT_EQ(list.rowCount(), 20);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(list.item(i, 0)->text().toStdString(), std::to_string(i));
    EXPECT_EQ(readBack[i], "u" + std::to_string(i));
  }
}

TEST_F(QtWindowRuntimeTest, TwoWorkersAndTheWindowThreadFillTheListTogether) {
  constexpr int kRowsEach = 150;
  std::atomic<int> finished{0};
  auto fill = [&](const std::string& tag) {
    for (int i = 0; i < kRowsEach; ++i) {
      const int row = runtime.appendRow();
      runtime.setCell(row, 0, tag);
      runtime.setCell(row, 1, std::to_string(i));
    }
    ++finished;
  };
  std::thread a(fill, "a");
  std::thread b(fill, "b");
  // The window thread uses the runtime directly meanwhile; it must neither block itself
  // nor starve the workers.
  bool ok = waitUntil([&] {
    if (runtime.rowCount() < 3 * kRowsEach) {
      const int row = runtime.appendRow();
      runtime.setCell(row, 0, "w");
    }
    return finished.load() == 2;
  });
  if (!ok) {
    a.detach();
    b.detach();
    FAIL() << "workers did not finish";
  }
  a.join();
  b.join();

  std::map<std::string, int> nextOf{{"a", 0}, {"b", 0}};
  for (int row = 0; row < list.rowCount(); ++row) {
    const std::string tag = runtime.cellText(row, 0);
    if (tag == "w") continue;
    ASSERT_TRUE(tag == "a" || tag == "b") << "row " << row << " holds '" << tag << "'";
    EXPECT_EQ(runtime.cellText(row, 1), std::to_string(nextOf[tag]++)) << "row " << row;
  }
  EXPECT_EQ(nextOf["a"], kRowsEach);
  EXPECT_EQ(nextOf["b"], kRowsEach);
}

TEST_F(QtWindowRuntimeTest, PauseOnTheWindowThreadKeepsServingEvents) {
  bool timerFired = false;
  QTimer::singleShot(0, [&] { timerFired = true; });
  runtime.pauseWithEvents(20);
  EXPECT_TRUE(timerFired);

  // A worker blocked on a list call gets its answer while the window thread pauses.
  std::atomic<int> row{-2};
  std::thread worker([&] { row = runtime.appendRow(); });
  for (int i = 0; i < 500 && row.load() == -2; ++i) runtime.pauseWithEvents(10);
  EXPECT_EQ(row.load(), 0);
  if (row.load() == -2) {
    worker.detach();
    return;
  }
  worker.join();
}

TEST_F(QtWindowRuntimeTest, OnlyWebAddressesReachTheOpener) {
  struct Case {
    const char* address;
    bool opened;
  };
  const Case cases[] = {
      {"http://wx1.sinaimg.cn/large/abc.jpg", true},
      {"HTTPS://Host/Path?q=1", true},
      {"Http://host/", true},
      {"", false},
      {"file:///etc/passwd", false},
      {"javascript:alert(1)", false},
      {"ftp://host/a.jpg", false},
      {"weibo://open", false},
      {" http://leading.space/", false},
      {"httpx://host/", false},
  };
  for (const Case& c : cases) {
    runtime.opened.clear();
    runtime.openUrl(c.address);
    if (c.opened) {
      ASSERT_EQ(runtime.opened.size(), 1u) << c.address;
      EXPECT_EQ(QUrl(QString::fromStdString(runtime.opened[0])),
                QUrl(QString::fromUtf8(c.address)))
          << c.address;
    } else {
      EXPECT_TRUE(runtime.opened.empty()) << c.address;
    }
  }
}

TEST_F(QtWindowRuntimeTest, OpenFromAWorkerRunsTheOpenerOnTheWindowThread) {
  QThread* openerThread = nullptr;
  QtWindowRuntime opening([&](const QUrl&) { openerThread = QThread::currentThread(); });
  onWorker([&] { opening.openUrl("http://a/b.jpg"); });
  EXPECT_EQ(openerThread, QThread::currentThread());
}

}  // namespace
}  // namespace velmorin
