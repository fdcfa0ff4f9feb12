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

TEST_F(TagOpsTest, CreateSeesFilesAnotherProgramJustMade) {
  Open();
  Loose("Fresh", {kSoun, kRock, "Fresh", Data("theirs")});  // after the index was built
  std::string reason;
  EXPECT_EQ(tagops::CreateTag(codex_, kSoun, kRock, "Mine", false, &reason).entry, nullptr);
  EXPECT_EQ(reason, tagops::CreateRefusalText(tagops::kTagIdTaken));
  EXPECT_EQ(codex_.LocationName(*codex_.Find(kSoun, kRock)), "local folder");
}

TEST_F(TagOpsTest, SavesAreAllOrNothingWhicheverStepFails) {
  Loose("Rock", {kSoun, kRock, "Rock", Data("old")});
  Open();
  CodexEntry* rock = codex_.Find(kSoun, kRock);
  int editor = 0;
  codex_.Attach(rock, kAttachEditor, &editor);
  const TagHeader h = codex_.EntryHeader(*rock);
  EXPECT_EQ(FailEachStep([&] {
              LooseTagWriter* w = codex_.BeginWrite(rock, h);
              if (w) w->data().WriteBytes(Data("new"));
              return w && codex_.EndWrite(rock, h, true);
            }),
            4);
  EXPECT_EQ(ReadData(rock), "new");
  // A new tag's first save; the tag is handed back when it fails.
  EXPECT_EQ(FailEachStep([&] {
              const tagops::CreatedTag made =
                  tagops::CreateTag(codex_, kSoun, tagcode::kNone, "Pebble", false);
              const bool saved = made.entry && Save(codex_, made, "p");
              if (made.entry && !saved) codex_.ForgetIfUnused(made.entry);
              return saved;
            }),
            4);
  EXPECT_EQ(Take().index, FreshIndex());
  codex_.Detach(rock, kAttachEditor, &editor);
}

// ------------------------------------------------------------------------ change tag info

constexpr uint32_t kStne = tagcode::Make("Stne");

// A legacy-layout loose file: name, group, id, version word, ..., "vorn".
Bytes LegacyLoose(const std::string& name, uint32_t tag_id, const std::string& data) {
  ByteWriter w;
  w.WriteFixedChars(name, 32);
  w.WriteU32Be(kSoun);
  w.WriteU32Be(tag_id);
  w.WriteU32Be(7);
  w.WriteU32Be(0);
  w.WriteU32Be(64);
  w.WriteU32Be(static_cast<uint32_t>(data.size()));
  w.WriteU32Be(0);
  w.WriteU32Be(0x766F726E);
  w.WriteBytes(Bytes(data.begin(), data.end()));
  return w.Take();
}

TEST_F(TagOpsTest, ChangeInfoOfALocalTagRewritesItsFileWhole) {
  Spit(SoundFile("Rock"), LegacyLoose("Rock", kRock, "rock data"));
  Open();
  CodexEntry* rock = codex_.Find(kSoun, kRock);
  int window = 0;
  codex_.Attach(rock, kAttachInfo, &window);  // the info window itself does not block

  // Only the id: the same file name, the header in the current layout.
  CodexEntry* stne = tagops::ChangeTagInfo(codex_, rock, kStne, std::nullopt);
  ASSERT_NE(stne, nullptr);
  EXPECT_EQ(stne->tag_id(), kStne);
  EXPECT_EQ(stne->local_copy()->file_name, "Rock");
  TagHeader h = FileHeader(SoundFile("Rock"));
  EXPECT_EQ(h.tag_id, kStne);
  EXPECT_EQ(h.signature, TagHeader::kCurrentSignature);
  EXPECT_EQ(h.version, 7);
  EXPECT_EQ(h.data_offset, 64u);
  EXPECT_EQ(ReadData(stne), "rock data");
  EXPECT_EQ(codex_.Find(kSoun, kRock), nullptr);
  EXPECT_EQ(events_, (std::vector<Event>{{kCodexTagVanished, kRock}, {kCodexTagAppeared, kStne}}));
  codex_.Detach(rock, kAttachInfo, &window);

  // Only the name, differing in case alone: the tag's own file does not block it.
  CodexEntry* renamed = tagops::ChangeTagInfo(codex_, stne, tagcode::kNone, "ROCK?");
  ASSERT_EQ(renamed, stne);
  EXPECT_EQ(renamed->local_copy()->file_name, "ROCK_");
  EXPECT_EQ(FileHeader(SoundFile("ROCK_")).Name(), "ROCK_");
  EXPECT_FALSE(fs::exists(SoundFile("Rock")));
  EXPECT_EQ(Take().index, FreshIndex());
}

TEST_F(TagOpsTest, ChangeInfoOfAnArchivedTagWritesOneLocalCopyUnderItsFinalNameAndId) {
  TagRecipe rock{kSoun, kRock, "Rock", Data("archived"), 9};
  Archive({rock});
  Open();
  CodexEntry* archived = codex_.Find(kSoun, kRock);

  CodexEntry* copy = tagops::ChangeTagInfo(codex_, archived, kStne, std::nullopt);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->tag_id(), kStne);
  EXPECT_EQ(copy->local_copy()->file_name, "Rock copy");
  EXPECT_EQ(FileHeader(SoundFile("Rock copy")).version, 9);
  EXPECT_EQ(ReadData(copy), "archived");
  EXPECT_EQ(codex_.LocationName(*archived), "base.dat");

  // A new name alone: the id the copy would have derived from "Rock copy".
  CodexEntry* pebble = tagops::ChangeTagInfo(codex_, archived, tagcode::kNone, "Pebble");
  ASSERT_NE(pebble, nullptr);
  EXPECT_EQ(pebble->tag_id(), tagcode::Make("Roco"));
  EXPECT_EQ(pebble->local_copy()->file_name, "Pebble");

  // As the info window asks it: the id unchanged, the window attached. The tag in force takes
  // the new name through a local copy of its own.
  int window = 0;
  codex_.Attach(archived, kAttachInfo, &window);
  EXPECT_EQ(tagops::ChangeTagInfo(codex_, archived, kRock, "Boulder"), archived);
  EXPECT_EQ(codex_.EntryHeader(*archived).Name(), "Boulder");
  EXPECT_EQ(archived->pending_save(), nullptr);
  EXPECT_EQ(Take().files.size(), 3u);
  EXPECT_EQ(Take().index, FreshIndex());
  codex_.Detach(archived, kAttachInfo, &window);
}

TEST_F(TagOpsTest, ChangeInfoRefusalsChangeNothing) {
  Loose("Rock", {kSoun, kRock, "Rock", Data("rock")});
  Loose("stone", {kSoun, kStne, "stone", Data("stone")});
  Open();
  CodexEntry* rock = codex_.Find(kSoun, kRock);
  const Snapshot before = Take();
  int editor = 0;
  std::string reason;
  for (uint32_t code : {kAttachEditor, kAttachResource}) {
    codex_.Attach(rock, code, &editor);
    EXPECT_EQ(tagops::ChangeTagInfo(codex_, rock, tagcode::Make("Free"), std::nullopt, &reason),
              nullptr);
    EXPECT_EQ(reason,
              "Tag information for 'Rock' could not be updated because the tag is still in use.");
    codex_.Detach(rock, code, &editor);
  }
  EXPECT_EQ(tagops::ChangeTagInfo(codex_, rock, kStne, std::nullopt, &reason), nullptr);
  EXPECT_EQ(reason,
            "A tag with the specified group and subgroup combination already exists in the local "
            "folder.");
  EXPECT_EQ(tagops::ChangeTagInfo(codex_, rock, tagcode::kNone, "STONE", &reason), nullptr);
  EXPECT_EQ(reason, "A file with the same name already exists");
  EXPECT_EQ(tagops::ChangeTagInfo(codex_, rock, tagcode::kNone, "", &reason), nullptr);
  EXPECT_EQ(reason, "The name field must not be empty.");
  EXPECT_EQ(Take(), before);
  EXPECT_TRUE(events_.empty());
}

TEST_F(TagOpsTest, ChangeInfoIsAllOrNothingWhicheverStepFails) {
  Loose("Rock", {kSoun, kRock, "Rock", Data("rock")});
  Archive({{kSoun, kSoul, "Soul", Data("soul")}});
  Open();
  MessageCapture log;
  // A new name and id: the new file, then the old one goes.
  EXPECT_EQ(FailEachStep([&] {
              return tagops::ChangeTagInfo(codex_, codex_.Find(kSoun, kRock), kStne, "Stone") !=
                     nullptr;
            }),
            6);
  EXPECT_NE(log.text().find("ChangeTagInfo: rename('"), std::string::npos);
  EXPECT_EQ(FileHeader(SoundFile("Stone")).tag_id, kStne);
  EXPECT_FALSE(fs::exists(SoundFile("Rock")));
  // The id alone: the new file over the old.
  EXPECT_EQ(FailEachStep([&] {
              return tagops::ChangeTagInfo(codex_, codex_.Find(kSoun, kStne), kRock,
                                           std::nullopt) != nullptr;
            }),
            5);
  EXPECT_NE(log.text().find("ChangeTagInfo: header update failed on '"), std::string::npos);
  // A tag only an archive holds: no copy is left behind by a failure.
  EXPECT_GT(FailEachStep([&] {
              return tagops::ChangeTagInfo(codex_, codex_.Find(kSoun, kSoul), kStne, "Spirit") !=
                     nullptr;
            }),
            3);
  EXPECT_EQ(Take().index, FreshIndex());
}

// ---------------------------------------------------------------------------- duplicate

TEST_F(TagOpsTest, DuplicateTakesTheNextFreeCopyNameAndKeepsTheSourcesWords) {
  ByteWriter w;  // a source with user data, version and both index bytes set
  TagRecipe recipe{kSoun, kRock, "Rock", Data("rock"), 4};
  Bytes bytes = LooseBytes(recipe);
  bytes[52] = 0xAB;  // user data's low... the whole word below
  bytes[55] = 0xCD;
  bytes[58] = 3;
  bytes[59] = 5;
  Spit(SoundFile("Rock"), bytes);
  Spit(SoundFile("rock COPY"), Data("not even a tag"));
  Open();
  CodexEntry* rock = codex_.Find(kSoun, kRock);

  CodexEntry* copy = tagops::Duplicate(codex_, rock, std::nullopt);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->local_copy()->file_name, "Rock copy 1");
  EXPECT_EQ(copy->tag_id(), tagcode::Make("Roc1"));
  const TagHeader h = FileHeader(SoundFile("Rock copy 1"));
  EXPECT_EQ(h.user_data, 0xAB0000CDu);
  EXPECT_EQ(h.version, 4);
  EXPECT_EQ(h.foundation_index, 3);
  EXPECT_EQ(h.owner_index, 5);
  EXPECT_EQ(ReadData(copy), "rock");
  EXPECT_EQ(events_.back(), (Event{kCodexTagAppeared, tagcode::Make("Roc1")}));

  // A 31-character name keeps its suffix whole; a given name is used as it stands.
  const std::string longest(31, 'L');
  Loose(longest, {kSoun, tagcode::Make("Long"), longest, Data("l")});
  codex_.Poll(true);
  CodexEntry* long_copy =
      tagops::Duplicate(codex_, codex_.Find(kSoun, tagcode::Make("Long")), std::nullopt);
  ASSERT_NE(long_copy, nullptr);
  EXPECT_EQ(long_copy->local_copy()->file_name, std::string(26, 'L') + " copy");
  CodexEntry* named = tagops::Duplicate(codex_, rock, "a/b");
  ASSERT_NE(named, nullptr);
  EXPECT_EQ(named->local_copy()->file_name, "a_b");
  EXPECT_EQ(Take().index, FreshIndex());
}

TEST_F(TagOpsTest, DuplicateAndCopyToLocalLeaveNothingWhicheverStepFails) {
  Archive({{kSoun, kSoul, "Soul", Data("soul")}});
  Loose("Rock", {kSoun, kRock, "Rock", Data("rock")});
  Open();
  const size_t entries = codex_.entry_count();
  EXPECT_EQ(FailEachStep([&] {
              return tagops::Duplicate(codex_, codex_.Find(kSoun, kRock), std::nullopt) != nullptr;
            }),
            6);
  EXPECT_EQ(codex_.entry_count(), entries + 1);
  EXPECT_EQ(FailEachStep([&] { return tagops::CopyToLocal(codex_, codex_.Find(kSoun, kSoul)); }),
            6);
  EXPECT_EQ(codex_.LocationName(*codex_.Find(kSoun, kSoul)), "local folder");
  EXPECT_EQ(ReadData(codex_.Find(kSoun, kSoul)), "soul");
  EXPECT_EQ(Take().index, FreshIndex());
}

// ------------------------------------------------------------------------- copy to local

TEST_F(TagOpsTest, CopyToLocalRefusesATagWithALocalCopyAndANameInTheWay) {
  Archive({{kSoun, kSoul, "Soul", Data("soul")}, {kSoun, kRock, "Rock", Data("a")}});
  Loose("Rock", {kSoun, kRock, "Rock", Data("local")});
  Spit(SoundFile("SOUL"), Data("notes"));
  Open();
  const Snapshot before = Take();
  std::string reason;
  EXPECT_FALSE(tagops::CopyToLocal(codex_, codex_.Find(kSoun, kRock), &reason));
  EXPECT_EQ(reason, "'Rock' already has a local copy.");
  EXPECT_FALSE(tagops::CopyToLocal(codex_, codex_.Find(kSoun, kSoul), &reason));
  EXPECT_EQ(reason, "A file with the same name already exists");
  EXPECT_EQ(Take(), before);
  EXPECT_TRUE(events_.empty());
}

// ----------------------------------------------------------------------- delete local copy

TEST_F(TagOpsTest, DeletingALocalOverrideBringsTheArchivedCopyBack) {
  Archive({{kSoun, kRock, "Rock", Data("archived")}});
  Loose("Rock", {kSoun, kRock, "Rock", Data("local")});
  Loose("Soul", {kSoun, kSoul, "Soul", Data("soul")});
  Open();
  CodexEntry* rock = codex_.Find(kSoun, kRock);
  int window = 0;
  std::string reason;
  codex_.Attach(rock, kAttachInfo, &window);
  const Snapshot before = Take();
  EXPECT_FALSE(tagops::DeleteLocalCopy(codex_, rock, &reason));
  EXPECT_EQ(reason, "'Rock' is still being used by Zarv.");
  codex_.Detach(rock, kAttachInfo, &window);
  EXPECT_EQ(FailEachStep([&] { return tagops::DeleteLocalCopy(codex_, rock); }), 1);
  EXPECT_EQ(events_, (std::vector<Event>{{kCodexTagChanged, kRock}}));
  EXPECT_EQ(ReadData(rock), "archived");
  EXPECT_FALSE(tagops::DeleteLocalCopy(codex_, rock, &reason));
  EXPECT_EQ(reason, "The tag has no local copy.");

  // The remembered file now holds another tag, unseen by the index: it stays.
  CodexEntry* soul = codex_.Find(kSoun, kSoul);
  const auto mtime = fs::last_write_time(SoundFile("Soul"));
  {
    std::fstream f(SoundFile("Soul"), std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(40);
    f.write("Sout", 4);
  }
  fs::last_write_time(SoundFile("Soul"), mtime);
  EXPECT_FALSE(tagops::DeleteLocalCopy(codex_, soul, &reason));
  EXPECT_EQ(reason, "'Soul' no longer holds the tag 'Soul'.");
  EXPECT_TRUE(fs::exists(SoundFile("Soul")));
}

}  // namespace
