#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "app/ProgramFolders.h"

namespace fs = std::filesystem;

namespace {

class ProgramFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "zarv_folders_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    fs::create_directories(root_ / "bin");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(root_ / "bin" / "res", fs::perms::owner_all, ignored);
    fs::remove_all(root_, ignored);
  }
  fs::path root_;
};

TEST_F(ProgramFoldersTest, BuildFolderKeepsEverythingInResBesideTheExecutable) {
  fs::create_directory(root_ / "bin" / "res");
  const ProgramFolders f = DecideProgramFolders(root_ / "bin", "/x/config", "/x/data", "/home/u");
  EXPECT_FALSE(f.installed);
  EXPECT_EQ(f.resources, root_ / "bin" / "res");
  EXPECT_EQ(f.config, root_ / "bin" / "res");
}

TEST_F(ProgramFoldersTest, InstallReadsShareAndWritesTheXdgFolders) {
  const ProgramFolders f = DecideProgramFolders(root_ / "bin", "/x/config", "/x/data", "/home/u");
  EXPECT_TRUE(f.installed);
  EXPECT_EQ(f.resources, root_ / "share" / "zarv");
  EXPECT_EQ(f.config, fs::path("/x/config/zarv"));
  EXPECT_EQ(f.data, fs::path("/x/data/zarv"));
}

TEST_F(ProgramFoldersTest, UnsetOrRelativeXdgValuesFallBackToHome) {
  const ProgramFolders unset = DecideProgramFolders(root_ / "bin", nullptr, "", "/home/u");
  EXPECT_EQ(unset.config, fs::path("/home/u/.config/zarv"));
  EXPECT_EQ(unset.data, fs::path("/home/u/.local/share/zarv"));
  const ProgramFolders relative =
      DecideProgramFolders(root_ / "bin", "rel/config", "rel/data", "/home/u");
  EXPECT_EQ(relative.config, fs::path("/home/u/.config/zarv"));
}

// A read-only res/ beside the program (an install that happens to have one) is no place for
// preferences; root may write anywhere, so the check means something only for other users.
TEST_F(ProgramFoldersTest, ReadOnlyResBesideTheExecutableCountsAsAnInstall) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write into a read-only folder";
  fs::create_directory(root_ / "bin" / "res");
  fs::permissions(root_ / "bin" / "res", fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_TRUE(DecideProgramFolders(root_ / "bin", nullptr, nullptr, "/home/u").installed);
}

}  // namespace
