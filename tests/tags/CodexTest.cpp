#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "base/ByteReader.h"
#include "base/MessageLog.h"
#include "support/TagFiles.h"
#include "tags/Codex.h"
#include "tags/LooseTagWriter.h"
#include "tags/TagStream.h"

namespace {

using namespace tagfiles;

constexpr uint32_t kSoun = tagcode::Make("soun");
constexpr uint32_t kMesh = tagcode::Make("mesh");
constexpr uint32_t kText = tagcode::Make("text");
constexpr uint32_t kRock = tagcode::Make("rock");
constexpr uint32_t kCopy = tagcode::Make("copy");

struct Event {
  int code;
  Archive* archive;
  uint32_t tag_id;
  bool operator==(const Event&) const = default;
};

class CodexTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    codex_.AddListener(&Record, this);
  }

  static void Record(void* self, Archive* archive, CodexEntry* entry, int code) {
    static_cast<CodexTest*>(self)->events_.push_back({code, archive, entry ? entry->tag_id() : 0});
  }

  Archive* Load(const std::string& file, uint16_t type, uint16_t order,
                const std::vector<TagRecipe>& tags) {
    const fs::path path = root_ / "tags" / file;
    Spit(path, ArchiveBytes(type, order, file, tags));
    return codex_.LoadArchive(path);
  }

  std::string Winner(uint32_t group, uint32_t tag_id) {
    CodexEntry* e = codex_.Find(group, tag_id);
    return e ? codex_.LocationName(*e) : "none";
  }

  std::string ReadAll(CodexEntry* entry) {
    TagStream* s = codex_.OpenData(entry);
    if (!s) return "<none>";
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(s->ReadRest(bytes));
    codex_.CloseData(entry);
    return std::string(bytes.begin(), bytes.end());
  }

  static Bytes Data(const std::string& text) { return Bytes(text.begin(), text.end()); }

  Codex codex_;
  std::vector<Event> events_;
};

TEST_F(CodexTest, CopyInForceFollowsKindThenOrderThenFileName) {
  const TagRecipe rock{kSoun, kRock, "rock", Data("x")};
  Archive* found = Load("found.dat", 3, 900, {rock});  // kind 0, highest order
  Archive* patch = Load("patch.dat", 2, 1, {rock});    // kind 1
  Archive* addon_b = Load("b.dat", 6, 100, {rock});    // kind 2
  Archive* addon_a = Load("a.dat", 6, 200, {rock});    // kind 2, higher order
  Archive* addon_c = Load("c.dat", 6, 200, {rock});    // same order, greater name
  ASSERT_TRUE(found && patch && addon_a && addon_b && addon_c);

  codex_.SetWorkingSet({found, patch});
  EXPECT_EQ(Winner(kSoun, kRock), "patch.dat");
  codex_.SetWorkingSet({found, patch, addon_b});
  EXPECT_EQ(Winner(kSoun, kRock), "b.dat");
  codex_.SetWorkingSet({addon_a, addon_b});
  EXPECT_EQ(Winner(kSoun, kRock), "a.dat");
  codex_.SetWorkingSet({addon_a, addon_b, addon_c});
  EXPECT_EQ(Winner(kSoun, kRock), "c.dat");

  Spit(root_ / "local/sounds/rock", LooseBytes({kSoun, kRock, "rock", Data("local!")}));
  codex_.SetLocalFolder((root_ / "local").string());
  EXPECT_EQ(Winner(kSoun, kRock), "local folder");
  EXPECT_EQ(ReadAll(codex_.Find(kSoun, kRock)), "local!");
}

TEST_F(CodexTest, DeactivatingHidesATagAndReactivatingBringsItBackWithoutReloading) {
  Archive* a = Load("a.dat", 3, 0, {{kSoun, kRock, "rock", Data("abc")}});
  ASSERT_NE(a, nullptr);
  EXPECT_FALSE(a->active());  // freshly loaded archives wait for a working set
  EXPECT_EQ(codex_.Find(kSoun, kRock), nullptr);
  codex_.SetWorkingSet({a});
  CodexEntry* entry = codex_.Find(kSoun, kRock);
  ASSERT_NE(entry, nullptr);
  codex_.SetWorkingSet({});
  EXPECT_EQ(codex_.Find(kSoun, kRock), nullptr);
  EXPECT_TRUE(codex_.Combined().empty());
  codex_.SetWorkingSet({a});
  EXPECT_EQ(codex_.Find(kSoun, kRock), entry);
  EXPECT_EQ(ReadAll(entry), "abc");
  EXPECT_EQ(codex_.LoadArchive(a->path()), a);  // same path: the loaded archive
  EXPECT_EQ(events_.back().code, kCodexWorkingSetChanged);
}

TEST_F(CodexTest, PluginsAreNumberedByTheirPlaceInTheWorkingSet) {
  const TagRecipe rock{kSoun, kRock, "rock", Data("x")};
  Archive* addon = Load("addon.dat", 6, 100, {rock});
  std::vector<Archive*> plugins;
  for (int i = 0; i <= 150; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "plugin%03d.dat", i);
    plugins.push_back(
        Load(name, 1, 0xFFFF, i == 3 || i == 150 ? std::vector{rock} : std::vector<TagRecipe>{}));
  }
  codex_.SetWorkingSet({addon, plugins[0], plugins[1], plugins[2], plugins[3]});
  EXPECT_EQ(plugins[3]->order(), 3);
  EXPECT_EQ(Winner(kSoun, kRock), "addon.dat");
  std::vector<Archive*> all = plugins;
  all.push_back(addon);
  codex_.SetWorkingSet(all);
  EXPECT_EQ(plugins[150]->order(), 150);
  EXPECT_EQ(Winner(kSoun, kRock), "plugin150.dat");
  // Archive list: type 6 among the inactive at -1, plugins after by order value.
  EXPECT_EQ(codex_.ArchiveAt(0), addon);
  EXPECT_EQ(codex_.ArchiveAt(1), plugins[0]);
}

TEST_F(CodexTest, ArchiveListSortsFoundationThenPatchesThenAddOnsByName) {
  Archive* addon = Load("z-addon.dat", 6, 1, {});
  Archive* patch = Load("patch.dat", 2, 0, {});
  Archive* base = Load("base.dat", 3, 0, {});
  Archive* plugin = Load("plugin.dat", 1, 0, {});
  Archive* mod = Load("mod.dat", 5, 0, {});
  codex_.ApplyDefaultWorkingSet();
  EXPECT_TRUE(addon->active() && patch->active() && base->active());
  EXPECT_FALSE(plugin->active() || mod->active());
  const std::vector<Archive*> expected{base, patch, mod, plugin, addon};
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(codex_.ArchiveAt(i), expected[i]) << i;
  EXPECT_EQ(codex_.WorkingSetNames(),
            (std::vector<std::string>{"base.dat", "patch.dat", "z-addon.dat"}));
  EXPECT_EQ(codex_.ApplyWorkingSetNames({"mod.dat", "gone.dat"}),
            std::vector<std::string>{"gone.dat"});
  EXPECT_TRUE(mod->active());
  EXPECT_FALSE(base->active());
}

TEST_F(CodexTest, LegacyArchivesAreConvertedAndReadable) {
  const fs::path path = root_ / "tags/old.dat";
  Spit(path, LegacyArchiveBytes("Old Stuff", {{kSoun, kRock, "rock", Data("legacy data"), 7},
                                              {kText, tagcode::Make("hint"), "hint", Data("hi")}}));
  Archive* a = codex_.LoadArchive(path);
  ASSERT_NE(a, nullptr);
  EXPECT_TRUE(a->legacy());
  EXPECT_EQ(a->type(), 1);
  EXPECT_EQ(a->header().Name(), "Old Stuff");
  EXPECT_EQ(a->copies().size(), 2u);
  EXPECT_EQ(a->kind(), 2u);
  codex_.SetWorkingSet({a});
  CodexEntry* rock = codex_.Find(kSoun, kRock);
  ASSERT_NE(rock, nullptr);
  EXPECT_EQ(codex_.EntryHeader(*rock).version, 7);
  EXPECT_TRUE(codex_.EntryHeader(*rock).IsLegacy());
  EXPECT_EQ(ReadAll(rock), "legacy data");
}

TEST_F(CodexTest, MalformedArchivesAreSkippedAndBadEntriesRefused) {
  MessageCapture log;
  Bytes good = ArchiveBytes(2, 0, "x", {{kSoun, kRock, "rock", Data("abcd")}});
  Bytes off_by_one = good;
  off_by_one.push_back(0);
  Spit(root_ / "tags/long.dat", off_by_one);
  EXPECT_EQ(codex_.LoadArchive(root_ / "tags/long.dat"), nullptr);
  Bytes type4 = good;
  type4[1] = 4;
  Spit(root_ / "tags/type4.dat", type4);
  std::string error;
  EXPECT_EQ(codex_.LoadArchive(root_ / "tags/type4.dat", &error), nullptr);
  EXPECT_NE(error.find("type 4"), std::string::npos);
  // A directory entry whose data would run past the end: the rest of the archive still loads.
  Bytes bad = ArchiveBytes(
      2, 0, "x",
      {{kSoun, kRock, "rock", Data("abcd")}, {kSoun, tagcode::Make("boom"), "boom", Data("ef")}});
  bad[128 + 64 + 48 + 3] = 0xF0;  // the second entry's data size
  Spit(root_ / "tags/bad.dat", bad);
  Archive* a = codex_.LoadArchive(root_ / "tags/bad.dat");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->copies().size(), 1u);
  EXPECT_NE(log.text().find("bad.dat"), std::string::npos);
  EXPECT_EQ(codex_.archive_count(), 1u);
}

TEST_F(CodexTest, ChangesByAnotherProgramBecomeEvents) {
  Archive* a = Load("a.dat", 3, 0, {{kSoun, kRock, "rock", Data("archived")}});
  codex_.SetWorkingSet({a});
  codex_.SetLocalFolder((root_ / "local").string());
  fs::create_directories(root_ / "local/sounds");
  fs::create_directories(root_ / "local/text");
  codex_.Poll(true);
  events_.clear();
  const uint32_t kHint = tagcode::Make("hint");

  // Created: a new tag appears (1); a loose copy of an archived tag changes the winner (2).
  Spit(root_ / "local/text/hint", LooseBytes({kText, kHint, "hint", Data("v1")}));
  Spit(root_ / "local/sounds/rock", LooseBytes({kSoun, kRock, "rock", Data("mine")}));
  const uint64_t before = codex_.watch().listings();
  codex_.Poll(true);
  EXPECT_EQ(codex_.watch().listings() - before, 2u);  // only the two folders that changed
  // Folders are rescanned in group-table order: sounds before text.
  EXPECT_EQ(events_, (std::vector<Event>{{2, nullptr, kRock}, {1, nullptr, kHint}}));
  EXPECT_EQ(ReadAll(codex_.Find(kSoun, kRock)), "mine");

  // Modified: the header is read again.
  events_.clear();
  Spit(root_ / "local/text/hint", LooseBytes({kText, kHint, "hint", Data("longer v2"), 9}));
  codex_.Poll(true);
  EXPECT_EQ(events_, (std::vector<Event>{{2, nullptr, kHint}}));
  EXPECT_EQ(codex_.EntryHeader(*codex_.Find(kText, kHint)).version, 9);

  // Renamed: one removal and one addition.
  events_.clear();
  fs::rename(root_ / "local/text/hint", root_ / "local/text/tip");
  codex_.Poll(true);
  EXPECT_EQ(events_, (std::vector<Event>{{4, nullptr, kHint}, {1, nullptr, kHint}}));
  EXPECT_EQ(codex_.Find(kText, kHint)->local_copy()->file_name, "tip");

  // Deleted: the archived copy wins again (2); the loose-only tag is gone (4).
  events_.clear();
  fs::remove(root_ / "local/sounds/rock");
  fs::remove(root_ / "local/text/tip");
  codex_.Poll(true);
  EXPECT_EQ(events_, (std::vector<Event>{{2, nullptr, kRock}, {4, nullptr, kHint}}));
  EXPECT_EQ(ReadAll(codex_.Find(kSoun, kRock)), "archived");
  EXPECT_EQ(codex_.FindAny(kText, kHint), nullptr);

  // Nothing changed: a forced poll lists nothing and says nothing.
  events_.clear();
  const uint64_t quiet = codex_.watch().listings();
  codex_.Poll(true);
  EXPECT_EQ(codex_.watch().listings(), quiet);
  EXPECT_TRUE(events_.empty());
}

TEST_F(CodexTest, LocalFolderIndexingLogsStrayAndDuplicateFiles) {
  MessageCapture log;
  Spit(root_ / "local/sounds/rock", LooseBytes({kSoun, kRock, "rock", Data("1")}));
  Spit(root_ / "local/sounds/rock again", LooseBytes({kSoun, kRock, "rock", Data("2")}));
  Spit(root_ / "local/sounds/a text", LooseBytes({kText, kRock, "a text", Data("3")}));
  Spit(root_ / "local/sounds/junk", Data("not a tag"));
  // A header copied out of an archive keeps the archive's data offset: the file still loads.
  Spit(root_ / "local/sounds/copied", LooseBytes({kSoun, kCopy, "copied", Data("4")}, 90000));
  codex_.SetLocalFolder((root_ / "local").string());
  EXPECT_EQ(codex_.local_folder(), (root_ / "local").string() + "/");
  EXPECT_EQ(codex_.Local().size(), 2u);
  EXPECT_EQ(codex_.Find(kSoun, kRock)->local_copy()->file_name, "rock");
  EXPECT_EQ(ReadAll(codex_.Find(kSoun, kCopy)), "4");
  EXPECT_NE(log.text().find("'junk' in the 'Sounds' folder is not a tag file"), std::string::npos)
      << log.text();
  EXPECT_NE(log.text().find("duplicate tagids detected: in the 'Sounds' folder, 'rock again' and "
                            "'rock' have the same tagids."),
            std::string::npos);
  EXPECT_NE(log.text().find("'a text', a 'Text' file, was found in the 'Sounds' folder."),
            std::string::npos);
  EXPECT_EQ(codex_.Find(kText, kRock), nullptr);
}

TEST_F(CodexTest, ArchivesOfOneFileNameInTagsAndPluginsAreBothActivatable) {
  const fs::path foundation = root_ / "tags" / "same.dat";
  const fs::path addon = root_ / "plugins" / "same.dat";
  Spit(foundation, ArchiveBytes(3, 0, "Base", {{kSoun, kRock, "base rock", Data("base")}}));
  Spit(addon, ArchiveBytes(6, 7, "Addon", {{kSoun, kRock, "addon rock", Data("addon")}}));
  Archive* base = codex_.LoadArchive(foundation);
  Archive* plugin = codex_.LoadArchive(addon);
  ASSERT_TRUE(base && plugin);
  codex_.ApplyDefaultWorkingSet();
  EXPECT_TRUE(base->active() && plugin->active());
  EXPECT_EQ(Winner(kSoun, kRock), "same.dat");
  EXPECT_EQ(codex_.WinningCopy(*codex_.Find(kSoun, kRock))->archive, plugin);

  // The preference names them by folder; the names bring back the same set.
  const std::vector<std::string> names = codex_.WorkingSetNames();
  EXPECT_EQ(names, (std::vector<std::string>{"tags/same.dat", "plugins/same.dat"}));
  codex_.SetWorkingSet({});
  EXPECT_TRUE(codex_.ApplyWorkingSetNames({"plugins/same.dat"}).empty());
  EXPECT_TRUE(plugin->active());
  EXPECT_FALSE(base->active());
  EXPECT_EQ(codex_.FindArchive("tags/same.dat"), base);
  EXPECT_EQ(codex_.FindArchive("other/same.dat"), nullptr);
}

TEST_F(CodexTest, SavesGoThroughTheIndex) {
  codex_.SetLocalFolder((root_ / "local").string());
  CodexEntry* entry = codex_.FindOrCreate(kSoun, kRock);
  int editor = 0;
  codex_.Attach(entry, kAttachEditor, &editor);
  TagHeader h = TagHeader::Fresh();
  h.SetName("rock");
  h.version = 3;
  LooseTagWriter* w = codex_.BeginWrite(entry, h);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(codex_.BeginWrite(entry, h), nullptr);  // one save at a time
  w->data().WriteBytes(Data("saved"));
  ASSERT_TRUE(codex_.EndWrite(entry, h, true));
  EXPECT_EQ(events_, (std::vector<Event>{{1, nullptr, kRock}}));
  EXPECT_EQ(ReadAll(entry), "saved");
  EXPECT_EQ(codex_.OpenTagCount(), 1u);

  // An abandoned save leaves the saved file and the index alone.
  ASSERT_NE(codex_.BeginWrite(entry, h), nullptr);
  EXPECT_FALSE(codex_.EndWrite(entry, h, false));
  EXPECT_EQ(ReadAll(entry), "saved");
  EXPECT_EQ(Slurp(root_ / "local/sounds/rock").size(), 64u + 5u);

  // In use: the local copies cannot be dropped.
  EXPECT_FALSE(codex_.DropAllLocalCopies());
  EXPECT_EQ(codex_.Detach(entry, kAttachEditor, &editor), 0u);
  EXPECT_TRUE(codex_.DropAllLocalCopies());
  EXPECT_EQ(codex_.FindAny(kSoun, kRock), nullptr);
}

TEST_F(CodexTest, UnloadingIsRefusedWhileATagIsInUseAndOtherwiseTellsListeners) {
  Archive* a = Load("a.dat", 3, 0, {{kSoun, kRock, "rock", Data("x")}});
  Archive* b =
      Load("b.dat", 2, 0, {{kSoun, kRock, "rock", Data("y")}, {kText, kRock, "rock", Data("z")}});
  codex_.SetWorkingSet({a, b});
  CodexEntry* rock = codex_.Find(kSoun, kRock);
  int editor = 0;
  codex_.Attach(rock, kAttachEditor, &editor);
  events_.clear();
  EXPECT_FALSE(codex_.UnloadArchive(b));
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(codex_.archive_count(), 2u);
  codex_.Detach(rock, kAttachEditor, &editor);
  EXPECT_TRUE(codex_.UnloadArchive(b));
  EXPECT_EQ(events_, (std::vector<Event>{{7, b, 0}, {2, nullptr, kRock}, {4, nullptr, kRock}}));
  EXPECT_EQ(Winner(kSoun, kRock), "a.dat");
  EXPECT_EQ(codex_.FindAny(kText, kRock), nullptr);
}

class ArchiveWriteTest : public CodexTest {
 protected:
  void SetUp() override {
    CodexTest::SetUp();
    Spit(root_ / "local/meshes/Zeta",
         LooseBytes({kMesh, tagcode::Make("zeta"), "Zeta", Data("ZZ")}));
    Spit(root_ / "local/meshes/Alpha",
         LooseBytes({kMesh, tagcode::Make("alph"), "Alpha", Data("A")}));
    Spit(root_ / "local/sounds/Boom",
         LooseBytes({kSoun, tagcode::Make("boom"), "Boom", Data("BBB")}));
    codex_.OpenGameFolder(root_);
  }
};

TEST_F(ArchiveWriteTest, WritesHeaderMeshRecordsSortedDirectoryAndContiguousData) {
  std::string error;
  Archive* a =
      codex_.WriteArchive(codex_.Local(), 6, "addon.dat", "My Add-on", "http://x", 250, error);
  ASSERT_NE(a, nullptr) << error;
  EXPECT_FALSE(a->active());
  const Bytes bytes = Slurp(root_ / "plugins/addon.dat");
  ByteReader r(bytes);
  uint16_t type, order, meshes, tags;
  uint32_t size, dir_end, sig;
  ASSERT_TRUE(r.ReadU16Be(type) && r.ReadU16Be(order));
  ASSERT_TRUE(r.Seek(100) && r.ReadU16Be(meshes) && r.ReadU16Be(tags));
  ASSERT_TRUE(r.Seek(112) && r.ReadU32Be(size) && r.Skip(4) && r.ReadU32Be(dir_end) &&
              r.ReadU32Be(sig));
  EXPECT_EQ(type, 6);
  EXPECT_EQ(order, 250);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[4])), "My Add-on");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[36])), "http://x");
  EXPECT_EQ(meshes, 2);
  EXPECT_EQ(tags, 3);
  EXPECT_EQ(size, bytes.size());
  EXPECT_EQ(sig, 0x646E6732u);
  const uint32_t dir = 128 + 2 * 112;
  EXPECT_EQ(dir_end, dir + 3 * 64);
  // Mesh records in directory order: Alpha before Zeta.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[128 + 16])), "Alpha");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[128 + 48])), "Alpha");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[240 + 16])), "Zeta");
  // Directory sorted by group ('mesh' < 'soun') then name; data back to back after it.
  const char* names[] = {"Alpha", "Zeta", "Boom"};
  const char* data[] = {"A", "ZZ", "BBB"};
  uint32_t expected_offset = dir_end;
  for (int i = 0; i < 3; ++i) {
    const size_t at = dir + 64 * i;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[at + 4])), names[i]);
    ByteReader h(bytes);
    uint32_t offset, length;
    ASSERT_TRUE(h.Seek(at + 44) && h.ReadU32Be(offset) && h.ReadU32Be(length));
    EXPECT_EQ(offset, expected_offset);
    EXPECT_EQ(std::string(bytes.begin() + offset, bytes.begin() + offset + length), data[i]);
    expected_offset += length;
  }
  EXPECT_EQ(expected_offset, bytes.size());
}

TEST_F(ArchiveWriteTest, ThreeSoundsStartTheirDataAt320) {
  Spit(root_ / "local/sounds/Clap", LooseBytes({kSoun, tagcode::Make("clap"), "Clap", Data("C")}));
  Spit(root_ / "local/sounds/Drum", LooseBytes({kSoun, tagcode::Make("drum"), "Drum", Data("D")}));
  codex_.Poll(true);
  std::vector<CodexEntry*> sounds;
  for (CodexEntry* e : codex_.Local()) {
    if (e->group() == kSoun) sounds.push_back(e);
  }
  std::string error;
  Archive* a = codex_.WriteArchive(sounds, 1, "sounds.dat", "S", "", 5, error);
  ASSERT_NE(a, nullptr) << error;
  EXPECT_EQ(a->header().mesh_count, 0);
  EXPECT_EQ(a->directory_offset(), 128u);
  EXPECT_EQ(a->order(), 0xFFFF);  // type 1 until a working set numbers it
  EXPECT_EQ(a->copies()[0].header.data_offset, 320u);
}

TEST_F(ArchiveWriteTest, AFailedWriteLeavesTheOldArchiveInPlace) {
  std::string error;
  Archive* first = codex_.WriteArchive(codex_.Local(), 6, "addon.dat", "v1", "", 1, error);
  ASSERT_NE(first, nullptr) << error;
  codex_.SetWorkingSet({first});
  const Bytes before = Slurp(root_ / "plugins/addon.dat");
  // A source that vanished after indexing fails the build before anything is replaced.
  fs::remove(root_ / "local/sounds/Boom");
  events_.clear();
  EXPECT_EQ(codex_.WriteArchive(codex_.Local(), 6, "addon.dat", "v2", "", 1, error), nullptr);
  EXPECT_NE(error.find("Boom"), std::string::npos);
  EXPECT_EQ(Slurp(root_ / "plugins/addon.dat"), before);
  EXPECT_EQ(codex_.ArchiveByName("addon.dat"), first);
  EXPECT_TRUE(first->active());
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "plugins"), {}), 1);
  // Names that would leave the plugins folder are refused.
  EXPECT_EQ(codex_.WriteArchive(codex_.Local(), 6, "../escape.dat", "x", "", 1, error), nullptr);
  EXPECT_FALSE(fs::exists(root_ / "escape.dat"));
}

TEST_F(ArchiveWriteTest, RewritingAnArchiveReplacesItsCopiesButNeverReadsFromIt) {
  std::string error;
  Archive* first = codex_.WriteArchive(codex_.Local(), 6, "addon.dat", "v1", "", 1, error);
  ASSERT_NE(first, nullptr);
  codex_.SetWorkingSet({first});
  std::vector<CodexEntry*> one{codex_.Find(kSoun, tagcode::Make("boom"))};
  ASSERT_TRUE(codex_.DropAllLocalCopies());
  // Its own copy is the only one left: the archive about to be replaced is no source.
  EXPECT_EQ(codex_.WriteArchive(one, 6, "addon.dat", "v2", "", 1, error), nullptr);
  EXPECT_NE(error.find("outside 'addon.dat'"), std::string::npos) << error;
  EXPECT_EQ(codex_.ArchiveByName("addon.dat"), first);

  codex_.SetLocalFolder(codex_.local_folder());
  one = {codex_.Find(kSoun, tagcode::Make("boom"))};
  ASSERT_EQ(Winner(kSoun, tagcode::Make("boom")), "local folder");
  events_.clear();
  Archive* second = codex_.WriteArchive(one, 6, "addon.dat", "v2", "", 1, error);
  ASSERT_NE(second, nullptr) << error;
  EXPECT_EQ(codex_.archive_count(), 1u);
  EXPECT_EQ(second->copies().size(), 1u);
  ASSERT_GE(events_.size(), 2u);
  EXPECT_EQ(events_.front().code, kCodexArchiveUnloading);
}

TEST_F(ArchiveWriteTest, DisassemblyWritesLooseFilesThatStayInsideTheDestination) {
  const fs::path path = root_ / "tags/odd.dat";
  Spit(path, ArchiveBytes(3, 0, "odd",
                          {{kSoun, tagcode::Make("aaaa"), "../../evil", Data("1")},
                           {kSoun, tagcode::Make("bbbb"), "twin", Data("22")},
                           {kSoun, tagcode::Make("cccc"), "twin", Data("333")}}));
  Archive* a = codex_.LoadArchive(path);
  ASSERT_NE(a, nullptr);
  const fs::path out = root_ / "out";
  EXPECT_EQ(codex_.DisassembleArchive(*a, out).written, 3u);
  std::set<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root_ / "out")) {
    if (e.is_regular_file()) files.insert(fs::relative(e.path(), out).string());
  }
  EXPECT_EQ(files, (std::set<std::string>{"sounds/.._.._evil", "sounds/twin", "sounds/twin 2"}));
  const Bytes twin2 = Slurp(out / "sounds/twin 2");
  ASSERT_EQ(twin2.size(), 64u + 3u);
  EXPECT_EQ(twin2[58], 0xFF);
  EXPECT_EQ(twin2[59], 0xFF);
  EXPECT_EQ(std::string(twin2.begin() + 64, twin2.end()), "333");
  EXPECT_FALSE(fs::exists(root_ / "evil"));

  // Unpacking again replaces nothing, even a file the user changed meanwhile.
  Spit(out / "sounds/twin", Data("mine"));
  const Codex::Unpacked again = codex_.DisassembleArchive(*a, out);
  EXPECT_EQ(again.written, 0u);
  EXPECT_EQ(again.skipped, 3u);
  EXPECT_EQ(again.failed, 0u);
  EXPECT_EQ(Slurp(out / "sounds/twin"), Data("mine"));
  EXPECT_EQ(Slurp(out / "sounds/twin 2"), twin2);
}

TEST_F(CodexTest, ReleasingTheProgramIndexLetsGoOfArchivesAndTheLocalFolder) {
  Spit(root_ / "tags" / "base.dat",
       ArchiveBytes(3, 0, "Base", {{kSoun, kRock, "rock", Data("x")}}));
  Spit(root_ / "local/text/hint", LooseBytes({kText, kCopy, "hint", Data("v1")}));
  ProgramCodex().OpenGameFolder(root_);
  ASSERT_EQ(ProgramCodex().archive_count(), 1u);
  ASSERT_EQ(ProgramCodex().Local().size(), 1u);
  ReleaseProgramCodex();
  // Released in its step of shut-down, not at static destruction: what comes after sees a new,
  // empty index.
  EXPECT_EQ(ProgramCodex().archive_count(), 0u);
  EXPECT_TRUE(ProgramCodex().Local().empty());
  EXPECT_TRUE(ProgramCodex().local_folder().empty());
  ReleaseProgramCodex();
}

}  // namespace
