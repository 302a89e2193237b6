// velmorin-cli as a user runs it: a child process against the replica, with its own data
// folder (no login stored unless the test puts one there) and destination folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/recording_runtime.h"
#include "support/replica.h"
#include "support/test_paths.h"

extern char** environ;

namespace velmorin {
namespace {

namespace fs = std::filesystem;
using testing::Replica;
using testing::TempDir;
using testing::readFileOr;

const std::string kOk = "下载成功";
const std::string kFailed = "下载失败";
const std::string kKept = "已存在";

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

struct Outcome {
  int exitCode = -1;  // -1 when the child did not exit normally
  std::string out, err;
};

class Cli : public ::testing::Test {
 protected:
  void start(Replica::Options options) {
    replica_ = std::make_unique<Replica>(options);
    ::setenv("VELMORIN_ALBUM_BASE", replica_->baseUrl().c_str(), 1);
  }
  void SetUp() override {
    ::setenv("XDG_DATA_HOME", (home_.path() + "/data").c_str(), 1);
    ::unsetenv("VELMORIN_COOKIE_DOMAIN");
  }

  // Starts velmorin-cli with args, stdout and stderr going to files of the test.
  pid_t spawn(const std::vector<std::string>& args) {
    std::vector<std::string> all{testing::cliPath()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, outFile().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, errFile().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&files);
    return pid;
  }
  Outcome wait(pid_t pid) {
    int status = 0;
    Outcome o;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) o.exitCode = WEXITSTATUS(status);
    o.out = readFileOr(outFile(), "");
    o.err = readFileOr(errFile(), "");
    return o;
  }
  Outcome run(const std::vector<std::string>& args) { return wait(spawn(args)); }
  Outcome download(std::vector<std::string> extra = {}) {
    extra.insert(extra.end(), {"--dest", dest(), replica_->albumLink()});
    return run(extra);
  }

  std::string dest() const { return runDir_.path() + "/album"; }
  std::string originals(int n) const { return dest() + "/新浪图片/原图/" + std::to_string(n) + ".jpg"; }
  std::string previews(int n) const { return dest() + "/新浪图片/预览图/" + std::to_string(n) + ".jpg"; }
  std::string row(int n, const std::string& folder, const std::string& status) const {
    return std::to_string(n) + "\t" + replica_->baseUrl() + folder + std::to_string(n) + ".jpg\t" + status;
  }
  std::vector<std::string> imageRequests() const {
    std::vector<std::string> out;
    for (auto& r : replica_->requests())
      if (r.target.rfind("/large/", 0) == 0) out.push_back(r.target);
    return out;
  }
  std::string outFile() const { return home_.path() + "/stdout"; }
  std::string errFile() const { return home_.path() + "/stderr"; }

  TempDir home_, runDir_;
  std::unique_ptr<Replica> replica_;
};

TEST_F(Cli, OriginalsPrintsOneRowPerPhotoAndSavesEveryFile) {
  start({.photos = 12, .requireLogin = true});
  // A login stored by the desktop program is used when no cookie file is given.
  fs::create_directories(home_.path() + "/data/velmorin");
  std::ofstream(home_.path() + "/data/velmorin/cookies.txt")
      << "127.0.0.1\tFALSE\t/\tFALSE\t4102444800\t" << Replica::loginCookieName() << "\t"
      << Replica::loginCookieValue() << "\n";
  ::setenv("VELMORIN_COOKIE_DOMAIN", "127.0.0.1/", 1);

  const Outcome o = download();
  EXPECT_EQ(o.exitCode, 0) << o.err;
  std::vector<std::string> expected;
  for (int n = 1; n <= 12; ++n) {
    expected.push_back(row(n, "large/", kOk));
    EXPECT_EQ(readFileOr(originals(n)), replica_->largeImage(n)) << n;
  }
  EXPECT_EQ(lines(o.out), expected);
  EXPECT_NE(o.err.find("12 photos: 12 saved, 0 kept, 0 failed"), std::string::npos) << o.err;
  // The three folders are made as the desktop program makes them.
  EXPECT_TRUE(fs::is_directory(dest() + "/新浪图片/预览图"));
  EXPECT_FALSE(fs::exists(originals(13)));
}

TEST_F(Cli, PreviewsWalksEveryListingPageAndSavesThePreviews) {
  start({.photos = 35});
  const Outcome o = download({"--previews"});
  EXPECT_EQ(o.exitCode, 0) << o.err;
  const auto rows = lines(o.out);
  ASSERT_EQ(rows.size(), 35u);
  for (int n = 1; n <= 35; ++n) {
    EXPECT_EQ(rows[n - 1], row(n, "mw690/", kOk));
    EXPECT_EQ(readFileOr(previews(n)), replica_->previewImage(n)) << n;
  }
  int listings = 0;
  for (auto& r : replica_->requests()) listings += r.target.rfind("/photos/get_all?", 0) == 0;
  EXPECT_EQ(listings, 1000);
  EXPECT_FALSE(fs::exists(originals(1)));
}

TEST_F(Cli, AFailedPhotoIsReportedInItsRowAndTheExitStatus) {
  start({.photos = 5});
  replica_->setFault("/large/3.jpg", "404");
  const Outcome o = download();
  EXPECT_EQ(o.exitCode, 1) << o.err;
  const auto rows = lines(o.out);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[2], row(3, "large/", kFailed));
  EXPECT_EQ(rows[3], row(4, "large/", kOk));  // the walk goes on after a failure
  EXPECT_FALSE(fs::exists(originals(3)));
  EXPECT_NE(o.err.find("5 photos: 4 saved, 0 kept, 1 failed"), std::string::npos) << o.err;
}

TEST_F(Cli, WithoutALoginTheAlbumYieldsNoPhotoAndExitsWithOne) {
  start({.photos = 5, .requireLogin = true});
  const Outcome o = download();
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.out, "");
  EXPECT_NE(o.err.find("no photo"), std::string::npos) << o.err;
}

TEST_F(Cli, SkipExistingDownloadsOnlyWhatAnEarlierRunMissed) {
  start({.photos = 6});
  replica_->setFault("/large/4.jpg", "404");
  replica_->setFault("/large/5.jpg", "404");
  EXPECT_EQ(download().exitCode, 1);
  // An empty file is not a photo: it is fetched again.
  std::ofstream(originals(2), std::ios::trunc).close();
  replica_->clearFaults();
  replica_->clearRequests();

  const Outcome o = download({"--skip-existing"});
  EXPECT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(lines(o.out), (std::vector<std::string>{
                              row(1, "large/", kKept), row(2, "large/", kOk), row(3, "large/", kKept),
                              row(4, "large/", kOk), row(5, "large/", kOk), row(6, "large/", kKept)}));
  EXPECT_EQ(imageRequests(), (std::vector<std::string>{"/large/2.jpg", "/large/4.jpg", "/large/5.jpg"}));
  for (int n = 1; n <= 6; ++n) EXPECT_EQ(readFileOr(originals(n)), replica_->largeImage(n)) << n;

  // Without the option every photo is fetched again.
  replica_->clearRequests();
  EXPECT_EQ(download().exitCode, 0);
  EXPECT_EQ(imageRequests().size(), 6u);
}

TEST_F(Cli, CookieFileSuppliesTheSessionForTheAlbumHost) {
  start({.photos = 4, .requireLogin = true});
  const std::string file = home_.path() + "/cookies.txt";
  std::ofstream(file) << "# Netscape HTTP Cookie File\n"
                      << "# a comment line\n\n"
                      << "#HttpOnly_127.0.0.1\tFALSE\t/\tFALSE\t0\t" << Replica::loginCookieName()
                      << "\t" << Replica::loginCookieValue() << "\n"
                      << "127.0.0.1\tFALSE\t/\tFALSE\t4102444800\tkeep\tyes\n"
                      << "127.0.0.1\tFALSE\t/\tFALSE\t1000\texpired\tgone\n"
                      << ".elsewhere.example\tTRUE\t/\tFALSE\t0\tforeign\tno\n"
                      << "127.0.0.1\tFALSE\t/other/\tFALSE\t0\tnarrow\tno\n";

  const Outcome o = download({"--cookies", file});
  EXPECT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(lines(o.out).size(), 4u);
  const auto requests = replica_->requests();
  ASSERT_FALSE(requests.empty());
  for (auto& r : requests) {
    if (r.target.rfind("/large/", 0) == 0) continue;
    SCOPED_TRACE(r.target);
    const std::string cookie = r.header("Cookie");
    EXPECT_NE(cookie.find(Replica::loginCookieName() + "=" + Replica::loginCookieValue()),
              std::string::npos) << cookie;
    EXPECT_NE(cookie.find("keep=yes"), std::string::npos) << cookie;
    for (const char* absent : {"expired=", "foreign=", "narrow="})
      EXPECT_EQ(cookie.find(absent), std::string::npos) << cookie;
  }
}

TEST_F(Cli, UsageErrorsExitWithTwoAndSayWhy) {
  start({.photos = 1});
  const std::string link = replica_->albumLink();
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--bogus", link}, "--bogus"},
      {{}, "LINK"},
      {{"http://elsewhere.example/1/talbum/index"}, "the link must contain"},
      {{"--cookies", home_.path() + "/missing.txt", link}, "cannot read the cookie file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "(no arguments)" : c.args[0]);
    const Outcome o = run(c.args);
    EXPECT_EQ(o.exitCode, 2);
    EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
    EXPECT_EQ(o.out, "");
  }
  EXPECT_TRUE(replica_->requests().empty());

  const Outcome version = run({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out.rfind("velmorin-cli ", 0), 0u) << version.out;
}

TEST_F(Cli, InterruptEndsTheRunAndLeavesNoTemporaryFile) {
  start({.photos = 200, .imageBytes = 4 << 20});
  const std::string folder = dest() + "/新浪图片/原图";
  fs::create_directories(folder);
  // A temporary file of an earlier, killed run is cleaned up too; other files are not touched.
  std::ofstream(folder + "/.9.jpg.123456.part") << "half";
  std::ofstream(folder + "/notes.txt") << "mine";

  const pid_t pid = spawn({"--dest", dest(), replica_->albumLink()});
  for (int i = 0; i < 400 && lines(readFileOr(outFile(), "")).size() < 3; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  ASSERT_GE(lines(readFileOr(outFile(), "")).size(), 3u) << readFileOr(errFile(), "");
  ::kill(pid, SIGINT);
  const Outcome o = wait(pid);

  EXPECT_EQ(o.exitCode, 130) << o.err;
  EXPECT_NE(o.err.find("interrupted"), std::string::npos) << o.err;
  EXPECT_EQ(o.err.find("photos:"), std::string::npos) << "ran to its end: " << o.err;
  int photos = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(name.find(".part"), std::string::npos) << name;
    if (name.ends_with(".jpg")) {
      ++photos;
      EXPECT_EQ(readFileOr(entry.path().string()), replica_->largeImage(std::stoi(name))) << name;
    }
  }
  EXPECT_GE(photos, 3);
  EXPECT_LT(photos, 200);
  EXPECT_EQ(readFileOr(folder + "/notes.txt"), "mine");
}

}  // namespace
}  // namespace velmorin
