#include <gtest/gtest.h>

#include "app/CodexWorkingSetPref.h"
#include "app/Preferences.h"
#include "base/MessageLog.h"
#include "support/TagFiles.h"
#include "tags/Codex.h"

namespace {

using namespace tagfiles;

class CodexWorkingSetPrefTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ClearPrefs();
    for (auto [file, type] :
         {std::pair{"base.dat", 3}, {"plugin.dat", 1}, {"addon.dat", 6}, {"odd;name.dat", 5}}) {
      Spit(root_ / "tags" / file, ArchiveBytes(static_cast<uint16_t>(type), 0, file, {}));
    }
  }
  void TearDown() override {
    ClearPrefs();
    TempFolderTest::TearDown();
  }
};

TEST_F(CodexWorkingSetPrefTest, RoundTripsThroughThePreferencesFile) {
  Codex codex;
  codex.OpenGameFolder(root_);
  LoadCodexWorkingSet(codex);  // absent: the default set
  EXPECT_EQ(codex.WorkingSetNames(), (std::vector<std::string>{"base.dat", "addon.dat"}));

  codex.SetWorkingSet({codex.ArchiveByName("plugin.dat"), codex.ArchiveByName("base.dat")});
  SaveCodexWorkingSet(codex);
  const std::string saved = SerializePrefs();
  ClearPrefs();
  ASSERT_TRUE(ParsePrefs(saved + "Other 1\n"));

  Codex again;
  again.OpenGameFolder(root_);
  LoadCodexWorkingSet(again);
  EXPECT_EQ(again.WorkingSetNames(), (std::vector<std::string>{"base.dat", "plugin.dat"}));
}

TEST_F(CodexWorkingSetPrefTest, ArchivesSharingAFileNameAreStoredByFolder) {
  Spit(root_ / "plugins" / "base.dat", ArchiveBytes(6, 0, "base", {}));
  Codex codex;
  codex.OpenGameFolder(root_);
  LoadCodexWorkingSet(codex);
  EXPECT_EQ(codex.WorkingSetNames(),
            (std::vector<std::string>{"tags/base.dat", "addon.dat", "plugins/base.dat"}));

  codex.SetWorkingSet({codex.FindArchive("plugins/base.dat")});
  SaveCodexWorkingSet(codex);
  std::vector<std::string> stored;
  ASSERT_TRUE(GetPrefList("CodexWorkingSet", &stored));
  EXPECT_EQ(stored, std::vector<std::string>{"plugins/base.dat"});

  Codex again;
  again.OpenGameFolder(root_);
  LoadCodexWorkingSet(again);
  EXPECT_TRUE(again.FindArchive("plugins/base.dat")->active());
  EXPECT_FALSE(again.FindArchive("tags/base.dat")->active());
}

TEST_F(CodexWorkingSetPrefTest, UnknownNamesAreSkippedAndUnstorableNamesLeftOut) {
  Codex codex;
  codex.OpenGameFolder(root_);
  ASSERT_TRUE(SetPrefList("CodexWorkingSet", {"gone.dat", "addon.dat"}));
  LoadCodexWorkingSet(codex);
  EXPECT_EQ(codex.WorkingSetNames(), std::vector<std::string>{"addon.dat"});

  MessageCapture log;
  codex.SetWorkingSet({codex.ArchiveByName("odd;name.dat"), codex.ArchiveByName("addon.dat")});
  SaveCodexWorkingSet(codex);
  std::vector<std::string> stored;
  ASSERT_TRUE(GetPrefList("CodexWorkingSet", &stored));
  EXPECT_EQ(stored, std::vector<std::string>{"addon.dat"});
  EXPECT_NE(log.text().find("odd;name.dat"), std::string::npos);

  // An empty set is remembered as empty, not replaced by the default.
  codex.SetWorkingSet({});
  SaveCodexWorkingSet(codex);
  LoadCodexWorkingSet(codex);
  EXPECT_TRUE(codex.WorkingSetNames().empty());
}

}  // namespace
