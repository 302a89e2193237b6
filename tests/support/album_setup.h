#pragma once
// An album on a local replica with the program's settings pointed at it, a cookie store of
// its own, and a run directory holding the three picture folders the program makes.
#include <string>

#include "support/recording_runtime.h"
#include "support/replica.h"

namespace velmorin::testing {

class AlbumSetup {
 public:
  explicit AlbumSetup(Replica::Options options);

  Replica& replica() { return replica_; }
  const std::string& runDirectory() const { return runDir_.path(); }
  std::string originalsFolder() const;  // <run directory>/新浪图片/原图
  std::string previewsFolder() const;   // <run directory>/新浪图片/预览图
  std::string original(int n) const;    // n.jpg in the originals folder
  std::string preview(int n) const;     // n.jpg in the previews folder

  // "name=value" of the replica's login cookie.
  static std::string loginPair();

 private:
  TempDir home_, runDir_;
  Replica replica_;
};

}  // namespace velmorin::testing
