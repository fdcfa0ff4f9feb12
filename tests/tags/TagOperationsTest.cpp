#include <gtest/gtest.h>

#include "base/MessageLog.h"
#include "support/TagOpsFixture.h"
#include "tags/LooseTagWriter.h"
#include "tags/TagOperations.h"

namespace {

using namespace tagops_test;

constexpr uint32_t kSoul = tagcode::Make("Soul");
constexpr uint32_t kRock = tagcode::Make("Rock");
constexpr uint32_t kOldy = tagcode::Make("Oldy");

// Saves a created tag as an editor's first save would.
bool Save(Codex& codex, const tagops::CreatedTag& made, const std::string& data) {
  LooseTagWriter* w = codex.BeginWrite(made.entry, made.header);
  if (!w) return false;
  w->data().WriteBytes(Bytes(data.begin(), data.end()));
  return codex.EndWrite(made.entry, made.header, true);
}

// ------------------------------------------------------------------------------ create tag

TEST_F(TagOpsTest, CreateDerivesAFreeIdAndWritesNothingUntilTheFirstSave) {
  Archive({{kSoun, kSoul, "Soul", Data("archived")}});
  Open();
  const Snapshot before = Take();

  const tagops::CreatedTag soum = tagops::CreateTag(codex_, kSoun, tagcode::kNone, "Soul", false);
  ASSERT_NE(soum.entry, nullptr);
  EXPECT_EQ(soum.entry->tag_id(), tagcode::Make("Soum"));
  EXPECT_EQ(soum.header.tag_id, tagcode::Make("Soum"));
  EXPECT_EQ(soum.header.version, 1);
  EXPECT_EQ(soum.header.owner_index, 0xFF);
  EXPECT_EQ(soum.header.signature, TagHeader::kCurrentSignature);
  EXPECT_EQ(Take().files, before.files);
  // An unsaved new tag still holds its id: the next one derives past it.
  const tagops::CreatedTag soun = tagops::CreateTag(codex_, kSoun, tagcode::kNone, "Soul", false);
  ASSERT_NE(soun.entry, nullptr);
  EXPECT_EQ(soun.entry->tag_id(), tagcode::Make("Soun"));
  codex_.ForgetIfUnused(soun.entry);
  EXPECT_EQ(codex_.FindAny(kSoun, tagcode::Make("Soun")), nullptr);

  ASSERT_TRUE(Save(codex_, soum, "new"));
  EXPECT_EQ(FileHeader(SoundFile("Soul")).tag_id, tagcode::Make("Soum"));
  EXPECT_EQ(ReadData(codex_.Find(kSoun, tagcode::Make("Soum"))), "new");
  EXPECT_EQ(events_, (std::vector<Event>{{kCodexTagAppeared, tagcode::Make("Soum")}}));

  // Names are file names in the group folder and never more.
  const tagops::CreatedTag odd = tagops::CreateTag(codex_, kSoun, kRock, "../a/b:c. ", false);
  ASSERT_NE(odd.entry, nullptr);
  EXPECT_EQ(odd.header.Name(), ".._a_b_c");
  ASSERT_TRUE(Save(codex_, odd, "x"));
  EXPECT_TRUE(fs::is_regular_file(SoundFile(".._a_b_c")));
}

TEST_F(TagOpsTest, CreateRefusalsChangeNothingAndAreLogged) {
  Archive({{kSoun, kSoul, "Archived", Data("a")}});
  Loose("Rock", {kSoun, kRock, "Rock", Data("rock")});
  Spit(SoundFile("notes"), Data("not a tag"));
  Open();
  int editor = 0;
  const Snapshot before = Take();
  struct Case {
    uint32_t id;
    std::string name;
    bool overwrite;
    int refusal;
  };
  const std::vector<Case> cases = {
      {kRock, "Other", false, tagops::kTagIdTaken},
      {tagcode::kNone, "ROCK", false, tagops::kNameTaken},       // names differing in case clash
      {tagcode::kNone, "Notes", false, tagops::kNameTaken},      // any file holds a name
      {tagcode::kNone, "notes", true, tagops::kNotOverwritten},  // not a tag: never replaced
      {kSoul, "Fresh", true, tagops::kNotOverwritten},  // only an archive holds it: no file
      {kRock, "Rock", true, tagops::kNotOverwritten},   // in use (attached below)
      {tagcode::kNone, "\xff\xff\xff\xff", false, tagops::kReservedTagId},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CodexEntry* rock = codex_.Find(kSoun, kRock);
    if (c.overwrite && c.id == kRock) codex_.Attach(rock, kAttachEditor, &editor);
    MessageCapture log;
    std::string reason;
    const tagops::CreatedTag made =
        tagops::CreateTag(codex_, kSoun, c.id, c.name, c.overwrite, &reason);
    EXPECT_EQ(made.entry, nullptr);
    EXPECT_EQ(made.refusal, c.refusal);
    EXPECT_EQ(reason, tagops::CreateRefusalText(c.refusal));
    EXPECT_NE(log.text().find("CreateTag(name='" + c.name + "', tagid='"), std::string::npos);
    EXPECT_NE(
        log.text().find(std::string("type='Sounds', allow_overwrite='") +
                        (c.overwrite ? "True" : "False") + "') failed because '" + reason + "'."),
        std::string::npos)
        << log.text();
    codex_.Detach(rock, kAttachEditor, &editor);
    EXPECT_EQ(Take(), before);
  }
  EXPECT_TRUE(events_.empty());
}

TEST_F(TagOpsTest, OverwriteKeepsTheOldFilesUntilTheNewTagsFirstSaveCommits) {
  Loose("Old name", {kSoun, kOldy, "Old name", Data("old")});
  Loose("Rock", {kSoun, kRock, "Rock", Data("rock")});
  Open();
  const Snapshot before = Take();

  // Same id as "Old name", and the name of the file "Rock" holds.
  tagops::CreatedTag made = tagops::CreateTag(codex_, kSoun, kOldy, "Rock", true);
  ASSERT_NE(made.entry, nullptr);
  EXPECT_EQ(Take(), before);
  // A save that fails, and a tag nobody keeps, leave both tags as they were.
  ASSERT_NE(codex_.BeginWrite(made.entry, made.header), nullptr);
  EXPECT_FALSE(codex_.EndWrite(made.entry, made.header, false));
  EXPECT_EQ(Take(), before);
  codex_.ForgetIfUnused(made.entry);
  EXPECT_EQ(made.entry->pending_save(), nullptr);
  EXPECT_EQ(Take(), before);
  EXPECT_TRUE(events_.empty());

  made = tagops::CreateTag(codex_, kSoun, kOldy, "Rock", true);
  ASSERT_NE(made.entry, nullptr);
  ASSERT_TRUE(Save(codex_, made, "new"));
  EXPECT_FALSE(fs::exists(SoundFile("Old name")));
  EXPECT_EQ(FileHeader(SoundFile("Rock")).tag_id, kOldy);
  EXPECT_EQ(codex_.Find(kSoun, kRock), nullptr);
  EXPECT_EQ(made.entry->local_copy()->file_name, "Rock");
  EXPECT_EQ(ReadData(made.entry), "new");
  EXPECT_EQ(events_, (std::vector<Event>{{kCodexTagVanished, kRock}, {kCodexTagChanged, kOldy}}));
  // The rescan that follows agrees with the index.
  const Snapshot after = Take();
  codex_.Poll(true);
  EXPECT_EQ(Take(), after);
}

TEST_F(TagOpsTest, FirstSaveNeverReplacesAnotherFile) {
  Loose("rock", {kSoun, kRock, "rock", Data("rock")});
  Spit(SoundFile("Stone"), Data("someone's notes"));
  Open();
  const Snapshot before = Take();
  for (const char* name : {"ROCK", "Stone"}) {
    SCOPED_TRACE(name);
    // An entry of another id whose header name is taken by a file: no create tag to refuse it.
    CodexEntry* entry = codex_.FindOrCreate(kSoun, tagcode::Make("Diff"));
    TagHeader h = TagHeader::Fresh();
    h.SetName(name);
    MessageCapture log;
    EXPECT_EQ(codex_.BeginWrite(entry, h), nullptr);
    EXPECT_NE(log.text().find("couldn't open tag file '" + std::string(name) + "' for writing"),
              std::string::npos);
    codex_.ForgetIfUnused(entry);
    EXPECT_EQ(Take(), before);
  }
}

}  // namespace
