// The originals walk under faults of the process around it: killed at random moments in the
// middle of image downloads, a file-size limit, its folder made unwritable while it runs,
// and pages that hand out hostile image addresses. Each walk that may be killed runs in a
// forked child against the replica.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "album/album_walks.h"
#include "cookies/shared_cookie_text.h"
#include "platform/codepage.h"
#include "support/album_setup.h"
#include "support/replica.h"

namespace velmorin {
namespace {

namespace fs = std::filesystem;
using testing::AlbumSetup;
using testing::RecordingRuntime;
using testing::Replica;
using testing::readFileOr;

const std::string kOk = "下载成功";
const std::string kFailed = "下载失败";

class ProcessFaults : public ::testing::Test {
 protected:
  void start(Replica::Options options) {
    album_ = std::make_unique<AlbumSetup>(options);
    replica_ = &album_->replica();
  }
  // Runs the originals walk with the recording runtime `runtime` on this thread.
  void walk(RecordingRuntime& runtime) {
    runtime.setLink(fromUtf8(replica_->albumLink()));
    setWindowRuntime(&runtime);
    sessionCookie().replace(fromUtf8(AlbumSetup::loginPair()));
    downloadOriginals();
    setWindowRuntime(nullptr);
  }
  // Forks a child that runs `body` and ends with its result; returns the child's id.
  template <class Body>
  pid_t fork(Body body) {
    const pid_t child = ::fork();
    if (child == 0) _exit(body());
    return child;
  }
  static int waitFor(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
  }

  std::string folder() const { return album_->originalsFolder(); }
  const std::string& runDirectory() const { return album_->runDirectory(); }
  std::string original(int n) const { return folder() + "/" + std::to_string(n) + ".jpg"; }

  std::unique_ptr<AlbumSetup> album_;
  Replica* replica_ = nullptr;
};

std::string seedOf(int n) { return "good file from an earlier run " + std::to_string(n); }

TEST_F(ProcessFaults, KilledMidDownloadLeavesOnlyWholeFiles) {
  const int photos = 4;
  start({.photos = photos, .imageBytes = 2000000});
  for (int n = 1; n <= photos; ++n) std::ofstream(original(n), std::ios::binary) << seedOf(n);
  std::vector<std::string> images;
  for (int n = 1; n <= photos; ++n) images.push_back(replica_->largeImage(n));

  auto walkInChild = [&] {
    RecordingRuntime runtime(runDirectory());
    walk(runtime);
    return 0;
  };
  // How long a whole walk takes here, so that the kills land inside it.
  const auto begin = std::chrono::steady_clock::now();
  ASSERT_EQ(waitFor(fork(walkInChild)), 0);
  const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - begin);
  for (int n = 1; n <= photos; ++n) {
    ASSERT_TRUE(readFileOr(original(n)) == images[n - 1]) << "the walk itself works";
    std::ofstream(original(n), std::ios::binary | std::ios::trunc) << seedOf(n);
  }

  std::mt19937 random(20240611);
  std::uniform_int_distribution<long> moment(0, whole.count());
  int replaced = 0;
  for (int round = 0; round < 20; ++round) {
    const pid_t child = fork(walkInChild);
    std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
    ::kill(child, SIGKILL);
    waitFor(child);
    for (const auto& entry : fs::directory_iterator(folder())) {
      const std::string name = entry.path().filename().string();
      if (entry.path().extension() != ".jpg") {
        EXPECT_EQ(name[0], '.') << "a visible leftover: " << name;
        continue;
      }
      const int n = std::atoi(name.c_str());
      ASSERT_TRUE(n >= 1 && n <= photos) << name;
      const std::string content = readFileOr(entry.path().string());
      EXPECT_TRUE(content == seedOf(n) || content == images[n - 1])
          << "round " << round << ": " << name << " holds " << content.size() << " bytes";
      replaced += content == images[n - 1];
    }
    for (int n = 1; n <= photos; ++n) EXPECT_TRUE(fs::exists(original(n))) << n;
  }
  RecordProperty("whole_walk_us", static_cast<int>(whole.count()));
  RecordProperty("files_replaced_by_killed_walks", replaced);
}

TEST_F(ProcessFaults, FileSizeLimitFailsThePhotosAndLeavesNoPartialFile) {
  start({.photos = 3, .imageBytes = 2000000});
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  const pid_t child = fork([&] {
    ::close(pipeEnds[0]);
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{500000, 500000};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
    RecordingRuntime runtime(runDirectory());
    walk(runtime);
    std::string statuses;
    for (const auto& row : runtime.rows()) statuses += row[2] + "\n";
    return ::write(pipeEnds[1], statuses.data(), statuses.size()) ==
                   static_cast<ssize_t>(statuses.size())
               ? 0
               : 3;
  });
  ::close(pipeEnds[1]);
  std::string statuses;
  char buffer[256];
  for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) statuses.append(buffer, got);
  ::close(pipeEnds[0]);
  const int status = waitFor(child);
  ASSERT_TRUE(WIFEXITED(status)) << "the walk died of signal " << WTERMSIG(status);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(statuses, kFailed + "\n" + kFailed + "\n" + kFailed + "\n");
  EXPECT_TRUE(fs::is_empty(folder())) << "a partial or temporary file was left";
}

// Pauses are where the walk stands between two photos: after the second one the folder
// is replaced by a plain file, which nobody can write into, root included.
class FolderTakenAway : public RecordingRuntime {
 public:
  FolderTakenAway(const std::string& runDir, std::string folder)
      : RecordingRuntime(runDir), folder_(std::move(folder)) {}
  void pauseWithEvents(int ms) override {
    RecordingRuntime::pauseWithEvents(ms);
    if (++pauses_ == 2) {
      fs::rename(folder_, folder_ + ".moved");
      std::ofstream(folder_) << "not a folder";
    }
  }

 private:
  std::string folder_;
  int pauses_ = 0;
};

TEST_F(ProcessFaults, FolderUnwritableDuringTheWalkFailsTheRest) {
  start({.photos = 4});
  FolderTakenAway runtime(runDirectory(), folder());
  walk(runtime);
  const auto rows = runtime.rows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0][2], kOk);
  EXPECT_EQ(rows[1][2], kOk);
  EXPECT_EQ(rows[2][2], kFailed);
  EXPECT_EQ(rows[3][2], kFailed);
  EXPECT_EQ(readFileOr(folder()), "not a folder");
  std::vector<std::string> saved;
  for (const auto& entry : fs::directory_iterator(folder() + ".moved"))
    saved.push_back(entry.path().filename().string());
  std::sort(saved.begin(), saved.end());
  EXPECT_EQ(saved, (std::vector<std::string>{"1.jpg", "2.jpg"}));
  EXPECT_TRUE(readFileOr(folder() + ".moved/2.jpg") == replica_->largeImage(2));
}

// A large-image page that hands out an address with CR LF, or in a scheme other than http
// and https, fails that photo without any request for it reaching the replica.
TEST_F(ProcessFaults, HostileImageAddressesAreNeverFetched) {
  for (const char* kind : {"crlfsrc", "gophersrc"}) {
    SCOPED_TRACE(kind);
    start({.photos = 3});
    // The user id cut from the link keeps its "/", so the walk asks for "//wbphotos".
    const std::string page = "/" + Replica::Options().uid + "//wbphotos/large/photo_id/" +
                             std::to_string(Replica::photoId(2)) + "/album_id/" +
                             Replica::Options().albumId;
    replica_->setFault(page, kind);
    std::ofstream(original(2), std::ios::binary) << seedOf(2);
    RecordingRuntime runtime(runDirectory());
    walk(runtime);

    const auto rows = runtime.rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][2], kOk);
    EXPECT_EQ(rows[1][2], kFailed);
    EXPECT_NE(rows[1][1].find(kind == std::string("crlfsrc") ? "\r\n" : "gopher://"), std::string::npos)
        << "the fault reached the page: " << rows[1][1];
    EXPECT_EQ(rows[2][2], kOk);
    EXPECT_TRUE(readFileOr(original(2)) == seedOf(2)) << "photo 2 was replaced";
    bool sawPage = false;
    for (const auto& r : replica_->requests()) {
      EXPECT_NE(r.target, "/large/2.jpg");
      EXPECT_FALSE(r.hasHeader("X-Injected")) << r.target;
      sawPage = sawPage || r.target == page;
    }
    EXPECT_TRUE(sawPage) << "the faulty page was asked for";
  }
}

}  // namespace
}  // namespace velmorin
