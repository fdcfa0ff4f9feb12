#include <gtest/gtest.h>

#include "base/ByteWriter.h"
#include "support/TagOpsFixture.h"
#include "tags/TagResourceManager.h"

namespace {

using namespace tagops_test;

constexpr uint32_t kRock = tagcode::Make("Rock");

// Counts how many live; its load fails when the data says "bad", its filling when told to.
class NoteTag : public TagResource {
 public:
  NoteTag(Codex& codex, CodexEntry* entry) : TagResource(codex, entry) { ++live; }
  ~NoteTag() override { --live; }
  const char* GetClassName() const override { return "NoteTag"; }
  bool InitNew() override {
    text = "fresh";
    return !fail_init;
  }
  bool ReadData(TagStream& stream, const TagHeader&) override {
    std::vector<uint8_t> bytes;
    if (!stream.ReadRest(bytes)) return false;
    text.assign(bytes.begin(), bytes.end());
    return text != "bad";
  }
  bool WriteData(ByteWriter& out, TagHeader&) override {
    out.WriteBytes(Bytes(text.begin(), text.end()));
    return true;
  }
  std::string text;
  static inline int live = 0;
  static inline bool fail_init = false;
};

class TagResourceManagerTest : public TagOpsTest {
 protected:
  void TearDown() override {
    NoteTag::fail_init = false;
    TagOpsTest::TearDown();
  }
  TagResourceManager<NoteTag> manager_{codex_};
};

TEST_F(TagResourceManagerTest, AcquiringTwiceSharesOneObjectUntilTheLastRelease) {
  Loose("Rock", {kSoun, kRock, "Rock", Data("pebbles")});
  Open();
  CodexEntry* entry = codex_.Find(kSoun, kRock);
  NoteTag* first = manager_.Acquire(entry);
  NoteTag* second = manager_.Acquire(kSoun, kRock);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first->reference_count(), 2u);
  EXPECT_EQ(first->text, "pebbles");
  EXPECT_EQ(first->header().Name(), "Rock");
  EXPECT_EQ(codex_.FindAttachment(*entry, kAttachResource), first);

  manager_.Release(first);
  EXPECT_EQ(NoteTag::live, 1);
  EXPECT_EQ(first->reference_count(), 1u);
  manager_.Release(second);
  EXPECT_EQ(NoteTag::live, 0);
  EXPECT_EQ(manager_.size(), 0u);
  EXPECT_EQ(entry->attachment_count(), 0u) << "the entry stays for its file, unattached";

  EXPECT_EQ(manager_.Acquire(kSoun, tagcode::kNone), nullptr);
  EXPECT_EQ(manager_.Acquire(kSoun, tagcode::Make("None")), nullptr);
  EXPECT_EQ(manager_.Acquire(nullptr), nullptr);
}

TEST_F(TagResourceManagerTest, AFailedLoadIsNeverSeenAndLeavesTheEntryUnattached) {
  Loose("Rock", {kSoun, kRock, "Rock", Data("bad")});
  Open();
  CodexEntry* entry = codex_.Find(kSoun, kRock);
  EXPECT_EQ(manager_.Acquire(entry), nullptr);
  EXPECT_EQ(NoteTag::live, 0);
  EXPECT_EQ(manager_.size(), 0u);
  EXPECT_EQ(entry->attachment_count(), 0u);
}

TEST_F(TagResourceManagerTest, CreatedTagsSaveAndNothingIsLeftWhenCreatingFails) {
  Open();
  const size_t entries = codex_.entry_count();
  NoteTag* made = manager_.Create(kSoun, "Rock", tagcode::kNone);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->text, "fresh");
  EXPECT_EQ(made->reference_count(), 1u);
  EXPECT_FALSE(fs::exists(SoundFile("Rock"))) << "nothing is written before the first save";
  ASSERT_TRUE(made->Save());
  EXPECT_EQ(ReadData(made->entry()), "fresh");
  manager_.Release(made);

  // A second "Rock" would need the file name the first one took.
  EXPECT_EQ(manager_.Create(kSoun, "Rock", tagcode::kNone), nullptr);
  NoteTag::fail_init = true;
  EXPECT_EQ(manager_.Create(kSoun, "Pebble", tagcode::kNone), nullptr);
  EXPECT_EQ(NoteTag::live, 0);
  EXPECT_EQ(codex_.entry_count(), entries + 1) << "only the saved tag's entry remains";
}

}  // namespace
