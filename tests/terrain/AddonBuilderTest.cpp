#include <gtest/gtest.h>

#include <chrono>

#include "support/TagFiles.h"
#include "support/TagOpsFixture.h"
#include "tags/ArchiveWriter.h"
#include "tags/Codex.h"
#include "tags/TagFileSystem.h"
#include "tags/TagHeader.h"
#include "terrain/AddonBuilder.h"
#include "terrain/DetailMap.h"

namespace {

using namespace tagfiles;

constexpr uint32_t kSoun = tagcode::Make("soun");
constexpr uint32_t kText = tagcode::Make("text");
constexpr uint32_t kMesh = tagcode::Make("mesh");
constexpr uint32_t kDmap = tagcode::Make("dmap");
constexpr uint32_t kDtex = tagcode::Make("dtex");
constexpr uint32_t kGras = tagcode::Make("gras");
constexpr uint32_t kSand = tagcode::Make("sand");

Bytes Data(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

std::string Invalid(std::string_view name, std::string_view url, std::string_view priority) {
  AddonFields fields;
  return AddonBuilder::InvalidFields(name, url, priority, fields);
}

TEST(AddonFields, PriorityMustLieBetween2And32767) {
  EXPECT_EQ(Invalid("a", "u", "1"), " version");
  EXPECT_EQ(Invalid("a", "u", "32768"), " version");
  EXPECT_EQ(Invalid("a", "u", "12x"), " version");
  AddonFields fields;
  EXPECT_EQ(AddonBuilder::InvalidFields("a", "u", "2", fields), "");
  EXPECT_EQ(fields.priority, 2);
  EXPECT_EQ(AddonBuilder::InvalidFields("a", "u", "32767", fields), "");
  EXPECT_EQ(fields.priority, 32767);
}

TEST(AddonFields, EmptyNameAndUrlAreListedInOrderAfterTheText) {
  EXPECT_EQ(AddonBuilder::InvalidFieldsText(Invalid("", "", "100")),
            "The following fields are invalid:  name url");
  EXPECT_EQ(Invalid("", "", "0"), " name url version");
}

TEST(AddonFields, ANameMustStayAFileOfThePluginsFolder) {
  for (const char* name : {"a/b", "..", "../tags/x", ".", "a\\b", ".x.saving-",
                           "0123456789abcdef"
                           "0123456789abcdef"}) {
    EXPECT_EQ(Invalid(name, "u", "100"), " name") << name;
  }
  EXPECT_EQ(Invalid("My Add-on 2", "u", "100"), "");
}

TEST(DetailMapSlots, VerticesAndBothTrianglesMarkSlotsBelow128) {
  DetailMap map;
  map.Reset(2, 1);
  map.vertex = {3, 200};
  map.triangle = {5, 7, 127, 128};
  const auto used = map.UsedSlots();
  EXPECT_EQ(used.count(), 4u);
  EXPECT_TRUE(used[3] && used[5] && used[7] && used[127]);
  EXPECT_FALSE(used[0]);
}

// A game folder with a local folder, the builder on it, and the archive it wrote.
class AddonBuildTest : public TempFolderTest {
 protected:
  void Loose(const fs::path& root, const char* folder, const TagRecipe& tag) {
    Spit(root / "local" / folder / tag.name, LooseBytes(tag));
  }
  void Base(const fs::path& root, const std::string& file, uint16_t type,
            const std::vector<TagRecipe>& tags) {
    Spit(root / "tags" / file, ArchiveBytes(type, 1, file, tags));
  }
  // A detail map naming `gras` in slot 1 and `sand` in slot 2, using slot 1 in a vertex and
  // slot 2 only as a cell's second triangle; slot 3's texture is named but not used, slot 4
  // is used and names none, and the value 200 names no slot.
  static TagRecipe Map(const std::string& name, uint32_t id, uint32_t missing = kSand) {
    DetailMap map;
    map.Reset(2, 2);
    map.slots[1].dtex = kGras;
    map.slots[2].dtex = missing;
    map.slots[3].dtex = tagcode::Make("none");
    map.vertex = {1, 4, 200, 0};
    map.triangle = {0, 0, 0, 2, 0, 0, 0, 0};
    TagHeader header = TagHeader::Fresh();
    TagRecipe recipe{kDmap, id, name, map.Write(header)};
    recipe.version = header.version;
    return recipe;
  }
  Archive* Build(Codex& codex, AddonKind kind, const std::string& name = "Mine",
                 uint16_t priority = 100) {
    AddonFields fields{name, "http://u", priority};
    return AddonBuilder(codex, kind).Build(fields, message_);
  }
  AddonMessage message_;
};

TEST_F(AddonBuildTest, RegularPacksTheLocalTagsOfTheAllowedGroupsInactive) {
  Loose(root_, "sounds", {kSoun, tagcode::Make("boom"), "Boom", Data("BBB")});
  Loose(root_, "text", {kText, tagcode::Make("note"), "Note", Data("hello")});
  Loose(root_, "meshes", {kMesh, tagcode::Make("land"), "Land", Data("M")});
  Codex codex;
  codex.OpenGameFolder(root_);
  const Archive* a = Build(codex, AddonKind::kRegular, "Mine", 250);
  ASSERT_NE(a, nullptr) << message_.reason;
  EXPECT_EQ(message_.title, "Success");
  EXPECT_EQ(message_.text, "The addon has been written to the plugins folder as 'Mine'");
  EXPECT_EQ(a->path(), root_ / "plugins" / "Mine");
  EXPECT_EQ(a->type(), 6);
  EXPECT_EQ(a->order(), 250);
  EXPECT_FALSE(a->active());
  EXPECT_EQ(codex.ArchiveByName("Mine"), a);
  ASSERT_EQ(a->copies().size(), 2u);
  EXPECT_EQ(a->copies()[0].header.group, kSoun);
  EXPECT_EQ(a->copies()[1].header.group, kText);
}

TEST_F(AddonBuildTest, NothingToPackSaysSoForEitherKind) {
  Loose(root_, "meshes", {kMesh, tagcode::Make("land"), "Land", Data("M")});
  Codex codex;
  codex.OpenGameFolder(root_);
  EXPECT_EQ(Build(codex, AddonKind::kRegular), nullptr);
  EXPECT_EQ(message_.title, "Message");
  EXPECT_EQ(message_.text,
            "No addon-allowed files were found in the local folder - Nothing to do!");
  EXPECT_EQ(Build(codex, AddonKind::kDetailTexture), nullptr);
  EXPECT_EQ(message_.text, "No dmaps detected in the local folder - nothing to do!");
  EXPECT_FALSE(fs::exists(root_ / "plugins" / "Mine"));
}

TEST_F(AddonBuildTest, DtexPacksTheMapsAndTheWinningCopiesOfTheTexturesTheyUse) {
  Base(root_, "base.dat", 3, {{kDtex, kGras, "Grass", Data("old grass")}});
  Base(root_, "patch.dat", 2, {{kDtex, kGras, "Grass", Data("new grass")}});
  Loose(root_, "detail textures", {kDtex, kSand, "Sand", Data("sand")});
  Loose(root_, "detail maps", Map("Field", tagcode::Make("fiel")));
  Codex codex;
  codex.OpenGameFolder(root_);
  ASSERT_NE(codex.Find(kDmap, tagcode::Make("fiel")), nullptr) << "the detail map folder name";
  const Archive* a = Build(codex, AddonKind::kDetailTexture);
  ASSERT_NE(a, nullptr) << message_.reason;
  ASSERT_EQ(a->copies().size(), 3u);
  EXPECT_EQ(a->copies()[0].header.group, kDmap);
  EXPECT_EQ(a->copies()[1].header.tag_id, kGras);
  EXPECT_EQ(a->copies()[2].header.tag_id, kSand);
  const Bytes file = Slurp(a->path());
  const uint32_t at = a->copies()[1].header.data_offset;
  EXPECT_EQ(std::string(file.begin() + at, file.begin() + at + 9), "new grass");
}

TEST_F(AddonBuildTest, DtexRefusesUnreadableMapsAndMissingTextures) {
  Loose(root_, "detail maps", {kDmap, tagcode::Make("bad!"), "Broken", Data("xx"), 2});
  Codex codex;
  codex.OpenGameFolder(root_);
  EXPECT_EQ(Build(codex, AddonKind::kDetailTexture), nullptr);
  EXPECT_EQ(message_.text, "The detail map 'Broken' ('bad!') could not be read. Aborting.");
  EXPECT_EQ(message_.button, "Ok");
  EXPECT_FALSE(message_.reason.empty());

  fs::remove(root_ / "local/detail maps/Broken");
  Loose(root_, "detail maps", Map("Field", tagcode::Make("fiel")));
  Loose(root_, "detail textures", {kDtex, kGras, "Grass", Data("g")});
  codex.Poll(true);
  EXPECT_EQ(Build(codex, AddonKind::kDetailTexture), nullptr);
  EXPECT_EQ(message_.text,
            "The detail map 'Field' (fiel) referenced a detail texture ('sand') which could not "
            "be found. Aborting.");
  EXPECT_FALSE(fs::exists(root_ / "plugins" / "Mine"));
}

TEST_F(AddonBuildTest, AnAddonInUseIsNotReplacedAndTheFailureKeepsItsReason) {
  Loose(root_, "sounds", {kSoun, tagcode::Make("boom"), "Boom", Data("BBB")});
  Codex codex;
  codex.OpenGameFolder(root_);
  Archive* first = Build(codex, AddonKind::kRegular);
  ASSERT_NE(first, nullptr);
  const Bytes before = Slurp(first->path());
  int editor = 0;
  codex.Attach(codex.Find(kSoun, tagcode::Make("boom")), kAttachEditor, &editor);
  codex.SetWorkingSet({first});
  EXPECT_EQ(Build(codex, AddonKind::kRegular, "Mine", 300), nullptr);
  EXPECT_EQ(message_.title, "Error");
  EXPECT_EQ(message_.text,
            "The addon could not be created. Possible reasons include:\n"
            "\xA5Tags from the destination file are open in Zarv.\n"
            "\xA5The destination file is open in another program.\n"
            "\xA5Some tags from the local folder were corrupt or unreadable.");
  EXPECT_NE(message_.reason.find("in use"), std::string::npos) << message_.reason;
  EXPECT_EQ(Slurp(root_ / "plugins" / "Mine"), before);
  EXPECT_EQ(codex.ArchiveByName("Mine"), first);
}

TEST_F(AddonBuildTest, AFileOfTheNameThatIsNoAddonStays) {
  Loose(root_, "sounds", {kSoun, tagcode::Make("boom"), "Boom", Data("BBB")});
  Spit(root_ / "plugins" / "Mine", Data("notes, not an archive"));
  Spit(root_ / "plugins" / "Old", ArchiveBytes(1, 0, "Old", {}));
  Codex codex;
  codex.OpenGameFolder(root_);
  EXPECT_EQ(Build(codex, AddonKind::kRegular), nullptr);
  EXPECT_NE(message_.reason.find("left as it is: not an archive"), std::string::npos)
      << message_.reason;
  EXPECT_EQ(Slurp(root_ / "plugins" / "Mine"), Data("notes, not an archive"));
  EXPECT_EQ(Build(codex, AddonKind::kRegular, "Old"), nullptr);
  EXPECT_NE(message_.reason.find("type 1"), std::string::npos) << message_.reason;
}

TEST_F(AddonBuildTest, AWriteFailingAtAnyStepLeavesTheOldAddonAsItWas) {
  Loose(root_, "sounds", {kSoun, tagcode::Make("boom"), "Boom", Data("BBB")});
  Loose(root_, "sounds", {kSoun, tagcode::Make("clap"), "Clap", Data("CC")});
  Codex codex;
  codex.OpenGameFolder(root_);
  Archive* old = Build(codex, AddonKind::kRegular);
  ASSERT_NE(old, nullptr);
  codex.SetWorkingSet({old});
  const Bytes before = Slurp(old->path());
  for (int step = 1;; ++step) {
    tagops_test::FailingFileSystem failing(step);
    const Archive* built = Build(codex, AddonKind::kRegular, "Mine", 200);
    if (!failing.failed()) {
      EXPECT_NE(built, nullptr) << message_.reason;
      break;
    }
    EXPECT_EQ(built, nullptr) << step;
    EXPECT_EQ(Slurp(root_ / "plugins" / "Mine"), before) << step;
    EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "plugins"), {}), 1) << step;
    const Archive* back = codex.ArchiveByName("Mine");
    ASSERT_NE(back, nullptr) << step;
    EXPECT_TRUE(back->active()) << step;
  }
}

// The local files of one game written in another order, with other times, and a game that
// already holds an active add-on of the name with other contents: the same bytes each time.
TEST_F(AddonBuildTest, TheSameLocalFilesGiveTheSameBytesWithOrWithoutAnOldAddon) {
  const std::vector<std::pair<const char*, TagRecipe>> files = {
      {"sounds", {kSoun, tagcode::Make("boom"), "Boom", Data("BBB")}},
      {"sounds", {kSoun, tagcode::Make("clap"), "Clap", Data("CC")}},
      {"text", {kText, tagcode::Make("note"), "Note", Data("hello")}},
      {"detail maps", Map("Field", tagcode::Make("fiel"))},
      {"detail textures", {kDtex, kSand, "Sand", Data("sand")}},
  };
  const fs::path a = root_ / "a", b = root_ / "b";
  for (const auto& [folder, tag] : files) Loose(a, folder, tag);
  for (auto it = files.rbegin(); it != files.rend(); ++it) Loose(b, it->first, it->second);
  fs::last_write_time(b / "local/sounds/Boom",
                      fs::file_time_type::clock::now() - std::chrono::hours(30));
  for (const fs::path& game : {a, b}) {
    Base(game, "base.dat", 3, {{kDtex, kGras, "Grass", Data("grass")}});
  }
  for (AddonKind kind : {AddonKind::kRegular, AddonKind::kDetailTexture}) {
    fs::remove(a / "plugins" / "Mine");
    // The old add-on's copy of the texture would win over the base archive's.
    Spit(b / "plugins" / "Mine",
         ArchiveBytes(6, 100, "Mine", {{kDtex, kGras, "Grass", Data("x")}}));
    Codex first, second;
    first.OpenGameFolder(a);
    second.OpenGameFolder(b);
    second.ApplyDefaultWorkingSet();
    ASSERT_TRUE(second.ArchiveByName("Mine") && second.ArchiveByName("Mine")->active());
    ASSERT_NE(Build(first, kind), nullptr) << message_.reason;
    ASSERT_NE(Build(second, kind), nullptr) << message_.reason;
    EXPECT_EQ(Slurp(a / "plugins" / "Mine"), Slurp(b / "plugins" / "Mine"));
  }
}

// Where the file system cannot make unnamed files the archive is staged under a hidden name,
// which the scan of the plugins folder never offers and the next build clears away.
class NoUnnamedFiles : public TagFileSystem {
 public:
  NoUnnamedFiles() { Install(this); }
  ~NoUnnamedFiles() override { Install(nullptr); }
  int CreateUnnamed(const fs::path&, bool& unsupported, std::string& error) override {
    unsupported = true;
    error = "not here";
    return -1;
  }
};

TEST_F(AddonBuildTest, StagedFilesAreNeverLoadedAndTheNextBuildRemovesThem) {
  Loose(root_, "sounds", {kSoun, tagcode::Make("boom"), "Boom", Data("BBB")});
  const fs::path stale = root_ / "plugins" / ArchiveWriter::StagingName("Mine");
  Spit(stale, ArchiveBytes(6, 100, "Mine", {{kSoun, tagcode::Make("old!"), "Old", Data("O")}}));
  Codex codex;
  codex.OpenGameFolder(root_);
  EXPECT_EQ(codex.archive_count(), 0u);
  NoUnnamedFiles staged_only;
  ASSERT_NE(Build(codex, AddonKind::kRegular), nullptr) << message_.reason;
  EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "plugins"), {}), 1);
}

}  // namespace
