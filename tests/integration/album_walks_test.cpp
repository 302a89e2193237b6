// The two album walks end to end: the real engines against the replica, the report list
// recorded in memory.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>

#include "album/album_walks.h"
#include "cookies/shared_cookie_text.h"
#include "platform/codepage.h"
#include "support/album_setup.h"
#include "support/replica.h"

namespace velmorin {
namespace {

using testing::AlbumSetup;
using testing::RecordedRequest;
using testing::RecordingRuntime;
using testing::Replica;
using testing::readFileOr;

const std::string kOk = "下载成功";
const std::string kFailed = "下载失败";

std::string loginPair() { return AlbumSetup::loginPair(); }

class AlbumWalk : public ::testing::Test {
 protected:
  void start(Replica::Options options) {
    album_ = std::make_unique<AlbumSetup>(options);
    replica_ = &album_->replica();
    runtime_ = std::make_unique<RecordingRuntime>(album_->runDirectory());
    runtime_->setLink(fromUtf8(replica_->albumLink()));
    setWindowRuntime(runtime_.get());
    sessionCookie().replace(fromUtf8(loginPair()));
  }
  void TearDown() override { setWindowRuntime(nullptr); }

  std::string originals(int n) const { return album_->original(n); }
  std::string previews(int n) const { return album_->preview(n); }
  std::string image(int n) const { return replica_->baseUrl() + "large/" + std::to_string(n) + ".jpg"; }

  std::vector<RecordedRequest> requestsStartingWith(const std::string& prefix) const {
    std::vector<RecordedRequest> out;
    for (auto& r : replica_->requests())
      if (r.target.rfind(prefix, 0) == 0) out.push_back(r);
    return out;
  }

  std::unique_ptr<AlbumSetup> album_;
  Replica* replica_ = nullptr;
  std::unique_ptr<RecordingRuntime> runtime_;
};

// The order every request goes out in, with the cookies the service handed out just before.
TEST_F(AlbumWalk, OriginalsDownloadsEveryPhotoInOrderSendingTheLatestCookies) {
  start({.photos = 65, .requireLogin = true});
  downloadOriginals();

  const auto rows = runtime_->rows();
  ASSERT_EQ(rows.size(), 65u);
  for (int n = 1; n <= 65; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(rows[n - 1], (std::vector<std::string>{std::to_string(n), image(n), kOk}));
    EXPECT_EQ(readFileOr(originals(n)), replica_->largeImage(n));
  }
  EXPECT_EQ(runtime_->pauses(), std::vector<int>(65, 100));
  EXPECT_EQ(runtime_->linkReads(), 1);

  const auto requests = replica_->requests();
  ASSERT_EQ(requests.size(), 2u + 2 * 65);
  // The link's "/" in front of "talbum" travels with the user id into every address.
  const std::string uid = "1234567890/";
  EXPECT_TRUE(std::regex_match(
      requests[0].target,
      std::regex("/photos/get_all\\?uid=" + uid + "&album_id=&count=30&page=1&type=3&__rnd=\\d{13}")))
      << requests[0].target;
  EXPECT_EQ(requests[1].target, "/" + uid + "/talbum/detail/photo_id/" +
                                    std::to_string(Replica::photoId(1)) + "/album_id/");
  for (int n = 1; n <= 65; ++n) {
    EXPECT_EQ(requests[2 * n].target, "/" + uid + "/wbphotos/large/photo_id/" +
                                          std::to_string(Replica::photoId(n)) +
                                          "/album_id/3550000000");
    EXPECT_EQ(requests[2 * n + 1].target, "/large/" + std::to_string(n) + ".jpg");
  }
  // Each answer sets rtk=<its ordinal>; the request after it must carry that value.
  for (size_t i = 0; i < requests.size(); ++i) {
    SCOPED_TRACE(requests[i].target);
    const std::string cookie = requests[i].header("Cookie");
    EXPECT_NE(cookie.find(loginPair()), std::string::npos) << cookie;
    if (i > 0) {
      EXPECT_NE(cookie.find("rtk=" + std::to_string(i)), std::string::npos) << cookie;
    }
  }
}

TEST_F(AlbumWalk, PreviewsAsksAllThousandListingPagesAndNumbersByPage) {
  start({.photos = 65});
  downloadPreviews();

  const auto listings = requestsStartingWith("/photos/get_all?");
  ASSERT_EQ(listings.size(), 1000u);
  for (int page = 1; page <= 1000; page += 333)
    EXPECT_NE(listings[page - 1].target.find("&count=30&page=" + std::to_string(page) + "&type=3&__rnd="),
              std::string::npos);
  EXPECT_EQ(runtime_->linkReads(), 1000);

  const auto rows = runtime_->rows();
  ASSERT_EQ(rows.size(), 65u);
  for (int n = 1; n <= 65; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(rows[n - 1][0], std::to_string(n));
    EXPECT_EQ(rows[n - 1][1], replica_->baseUrl() + "mw690/" + std::to_string(n) + ".jpg");
    EXPECT_EQ(rows[n - 1][2], kOk);
    EXPECT_EQ(readFileOr(previews(n)), replica_->previewImage(n));
  }
  EXPECT_EQ(runtime_->pauses(), std::vector<int>(65, 50));
  // Previews are fetched without the session's cookie text.
  for (auto& r : requestsStartingWith("/mw690/"))
    EXPECT_EQ(r.header("Cookie").find(loginPair()), std::string::npos);
}

TEST_F(AlbumWalk, EmptyLinkOrMissingMarkersEndQuietlyWithoutRows) {
  start({.photos = 3});
  runtime_->setLink("");
  downloadOriginals();
  EXPECT_TRUE(runtime_->rows().empty());

  runtime_->setLink(fromUtf8(replica_->albumLink()));
  const std::string detail = "/1234567890//talbum/detail/photo_id/" +
                             std::to_string(Replica::photoId(1)) + "/album_id/";
  replica_->setFault(detail, "404");
  downloadOriginals();
  EXPECT_TRUE(runtime_->rows().empty());
}

TEST_F(AlbumWalk, AnEarlierSrcOnTheLargePageFailsOnlyThatPhoto) {
  start({.photos = 3});
  replica_->setFault("/1234567890//wbphotos/large/photo_id/" + std::to_string(Replica::photoId(2)) +
                         "/album_id/3550000000",
                     "earlysrc");
  downloadOriginals();
  const auto rows = runtime_->rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][2], kOk);
  EXPECT_EQ(rows[1][1].rfind("/js/early.js", 0), 0u) << rows[1][1];
  EXPECT_EQ(rows[1][2], kFailed);
  EXPECT_EQ(readFileOr(originals(2)), "<missing>");
  EXPECT_EQ(rows[2][2], kOk);
}

// A broken download never becomes a .jpg, and never replaces a good one from an earlier run.
TEST_F(AlbumWalk, BrokenImageDownloadsFailAndKeepEarlierFiles) {
  start({.photos = 6});
  const char* kinds[] = {"404", "empty200", "short", "reset", "500"};
  for (int n = 1; n <= 5; ++n) {
    replica_->setFault("/large/" + std::to_string(n) + ".jpg", kinds[n - 1]);
    std::ofstream(originals(n), std::ios::binary) << "good file " << n;
  }
  downloadOriginals();
  const auto rows = runtime_->rows();
  ASSERT_EQ(rows.size(), 6u);
  for (int n = 1; n <= 5; ++n) {
    SCOPED_TRACE(kinds[n - 1]);
    EXPECT_EQ(rows[n - 1][2], kFailed);
    EXPECT_EQ(readFileOr(originals(n)), "good file " + std::to_string(n));
  }
  EXPECT_EQ(rows[5][2], kOk);
  EXPECT_EQ(readFileOr(originals(6)), replica_->largeImage(6));
  for (auto& entry : std::filesystem::directory_iterator(album_->originalsFolder()))
    EXPECT_EQ(entry.path().extension(), ".jpg") << "left behind: " << entry.path();
}

TEST_F(AlbumWalk, MissingOrUnwritableFolderFailsEveryPhoto) {
  start({.photos = 2});
  const std::string folder = album_->originalsFolder();
  std::filesystem::remove_all(folder);
  downloadOriginals();
  // A plain file where the folder should be cannot be written into, not even by root.
  std::ofstream(folder) << "not a folder";
  downloadOriginals();
  const auto rows = runtime_->rows();
  ASSERT_EQ(rows.size(), 4u);
  for (auto& row : rows) EXPECT_EQ(row[2], kFailed) << row[1];
  EXPECT_EQ(readFileOr(folder), "not a folder");
}

// Both kinds of walk at once share the session cookie; no request may see a torn text.
TEST_F(AlbumWalk, TwoWalksAtOnceKeepTheSessionCookieWhole) {
  start({.photos = 35, .requireLogin = true});
  std::thread originalsWalk(downloadOriginals);
  std::thread previewsWalk(downloadPreviews);
  originalsWalk.join();
  previewsWalk.join();

  EXPECT_EQ(runtime_->rows().size(), 70u);
  const std::regex wellFormed("([^=; ]+=[^;]*)(; [^=; ]+=[^;]*)*");
  for (auto& r : replica_->requests()) {
    if (r.target.rfind("/mw690/", 0) == 0) continue;
    const std::string cookie = r.header("Cookie");
    EXPECT_TRUE(std::regex_match(cookie, wellFormed)) << cookie;
    EXPECT_NE(cookie.find(loginPair()), std::string::npos) << r.target;
  }
  for (int n = 1; n <= 35; ++n) {
    EXPECT_EQ(readFileOr(originals(n)), replica_->largeImage(n));
    EXPECT_EQ(readFileOr(previews(n)), replica_->previewImage(n));
  }
}

}  // namespace
}  // namespace velmorin
