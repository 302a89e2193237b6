// The whole road from the window: a link typed into the edit box, Start clicked, and the
// real walk filling the list and the folder while the window keeps running.
#include <gtest/gtest.h>

#include <QTest>
#include <atomic>
#include <cstdlib>
#include <filesystem>

#include "app/main_window.h"
#include "cookies/shared_cookie_text.h"
#include "gui_fixture.h"
#include "support/recording_runtime.h"
#include "support/replica.h"

namespace velmorin {
namespace {

using testing::GuiRecordingRuntime;
using testing::Replica;
using testing::TempDir;
using testing::TempRunDirectory;
using testing::readFileOr;
using testing::waitUntil;

std::string cell(QTableWidget* list, int row, int column) {
  const QTableWidgetItem* item = list->item(row, column);
  return item != nullptr ? item->text().toStdString() : std::string();
}

TEST(StartWalk, TypedLinkAndStartFillTheListAndTheFolder) {
  TempDir home;
  ::setenv("XDG_DATA_HOME", home.path().c_str(), 1);
  Replica replica({.photos = 4});
  ::setenv("VELMORIN_ALBUM_BASE", replica.baseUrl().c_str(), 1);
  sessionCookie().replace("");
  TempRunDirectory runDirectory;
  GuiRecordingRuntime runtime;
  setWindowRuntime(&runtime);

  // The real walk; the test waits for its thread to finish, since the walk still pauses
  // after it has written the last row.
  std::atomic<bool> walkDone{false};
  MainWindowRoutines routines;
  routines.originals = [&walkDone] {
    downloadOriginals();
    walkDone = true;
  };
  routines.openLoginWindow = {};
  MainWindow window(routines);
  runtime.attach(window.linkEdit(), window.originalCheck(), window.photoList());
  window.show();

  QTest::keyClicks(window.linkEdit(), QString::fromStdString(replica.albumLink()));
  window.originalCheck()->setChecked(true);
  QTest::mouseClick(window.startButton(), Qt::LeftButton);

  QTableWidget* list = window.photoList();
  const bool finished = waitUntil(
      [&] { return walkDone.load(); }, 30000);
  ASSERT_TRUE(finished) << "rows: " << list->rowCount();
  for (int n = 1; n <= 4; ++n) {
    EXPECT_EQ(cell(list, n - 1, 0), std::to_string(n));
    EXPECT_EQ(cell(list, n - 1, 1), replica.url("/large/" + std::to_string(n) + ".jpg"));
    EXPECT_EQ(readFileOr(runDirectory.path() + "/新浪图片/原图/" + std::to_string(n) + ".jpg"),
              replica.largeImage(n));
  }
  setWindowRuntime(nullptr);
}

}  // namespace
}  // namespace velmorin
