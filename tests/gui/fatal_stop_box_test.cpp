#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <optional>
#include <thread>

#include "gui_fixture.h"
#include "platform/codepage.h"
#include "platform/gui/fatal_stop_box.h"

namespace velmorin {
namespace {

TEST(FatalStopBox, WorkerWaitsWhileTheWindowThreadShowsTheErrorBox) {
  testing::GuiRecordingRuntime runtime;
  auto present = fatalStopBox(runtime);

  std::atomic<bool> returned{false};
  std::thread worker([&] {
    present(fromUtf8("错误代码 1\r\n下标越界"));
    returned = true;
  });

  // The box runs its own loop inside the queued call, so it is inspected and closed from a
  // timer that fires within that loop.
  struct Seen {
    bool onWindowThread = false;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QAbstractButton*> buttons;
    QMessageBox::StandardButton first = QMessageBox::NoButton;
    bool workerStillWaiting = false;
  };
  std::optional<Seen> seen;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || seen) return;
    seen = Seen{box->thread() == QThread::currentThread(), box->windowTitle(), box->text(),
                box->icon(), box->buttons(), QMessageBox::NoButton, !returned.load()};
    if (!box->buttons().isEmpty()) seen->first = box->standardButton(box->buttons()[0]);
    box->buttons().value(0, nullptr) ? box->buttons()[0]->click() : box->reject();
  });
  poll.start(5);

  if (!testing::waitUntil([&] { return returned.load(); })) {
    worker.detach();
    FAIL() << "the stopping thread was not released";
  }
  ASSERT_TRUE(seen.has_value());
  EXPECT_TRUE(seen->onWindowThread);
  EXPECT_EQ(seen->title, QString::fromUtf8("错误"));
  EXPECT_EQ(seen->icon, QMessageBox::Critical);
  EXPECT_EQ(seen->text, QString::fromUtf8("错误代码 1\n下标越界"));
  EXPECT_EQ(seen->buttons.size(), 1);
  EXPECT_EQ(seen->first, QMessageBox::Ok);
  EXPECT_TRUE(seen->workerStillWaiting);
  worker.join();
}

}  // namespace
}  // namespace velmorin
