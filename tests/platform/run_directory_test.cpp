// Where the picture folders go when the program's own folder cannot take them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/window_runtime.h"
#include "support/recording_runtime.h"

namespace velmorin {
namespace {

namespace fs = std::filesystem;

class SavedEnvironment {
 public:
  explicit SavedEnvironment(const char* name) : name_(name) {
    if (const char* v = std::getenv(name)) value_ = v, had_ = true;
  }
  ~SavedEnvironment() {
    if (had_) ::setenv(name_, value_.c_str(), 1); else ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::string value_;
  bool had_ = false;
};

TEST(RunDirectory, FallsBackToThePicturesFolderWhenTheProgramFolderIsUnusable) {
  SavedEnvironment home("HOME"), pictures("XDG_PICTURES_DIR");
  testing::TempDir temp;
  const std::string unusable = temp.path() + "/no/such/folder";

  // A writable program folder is used as it is.
  EXPECT_EQ(usableRunDirectory(temp.path()), temp.path());

  ::unsetenv("XDG_PICTURES_DIR");
  ::setenv("HOME", (temp.path() + "/home").c_str(), 1);
  EXPECT_EQ(usableRunDirectory(unusable), temp.path() + "/home/Pictures/velmorin");
  EXPECT_TRUE(fs::is_directory(temp.path() + "/home/Pictures/velmorin"));

  ::setenv("XDG_PICTURES_DIR", (temp.path() + "/Bilder/").c_str(), 1);
  EXPECT_EQ(usableRunDirectory(unusable), temp.path() + "/Bilder/velmorin");
  EXPECT_TRUE(fs::is_directory(temp.path() + "/Bilder/velmorin"));

  // Without any home there is nowhere better: the program folder stays.
  ::unsetenv("XDG_PICTURES_DIR");
  ::unsetenv("HOME");
  EXPECT_EQ(usableRunDirectory(unusable), unusable);
}

}  // namespace
}  // namespace velmorin
