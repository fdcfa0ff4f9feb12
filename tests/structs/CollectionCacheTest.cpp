#include <gtest/gtest.h>

#include "base/ByteWriter.h"
#include "collections/Collection.h"
#include "structs/CollectionCache.h"
#include "support/TagFiles.h"
#include "tags/Codex.h"
#include "tags/LooseTagWriter.h"

namespace {

const uint32_t kCollections = tagcode::Make(".256");
const uint32_t kCores = tagcode::Make("core");

class CollectionCacheTest : public tagfiles::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    codex_.SetLocalFolder((root_ / "local").string());
  }

  // Saves through the index, as the editors do.
  template <typename Fill>
  void SaveTag(uint32_t group, const char* id, Fill fill) {
    CodexEntry* entry = codex_.FindOrCreate(group, tagcode::Make(id));
    TagHeader header = TagHeader::Fresh();
    header.SetName(id);
    LooseTagWriter* writer = codex_.BeginWrite(entry, header);
    ASSERT_NE(writer, nullptr);
    const bool ok = fill(writer->data(), header);
    ASSERT_TRUE(codex_.EndWrite(entry, header, ok) && ok);
  }
  void SaveCollection(const char* id, std::vector<std::string> sequences) {
    SaveTag(kCollections, id, [&](ByteWriter& out, TagHeader& header) {
      Collection collection;
      for (const std::string& name : sequences) collection.AddSequence(name);
      std::string error;
      return collection.Save(out, header, error);
    });
  }
  void SaveRaw(uint32_t group, const char* id, std::vector<uint8_t> data) {
    SaveTag(group, id, [&](ByteWriter& out, TagHeader&) {
      out.WriteBytes(data);
      return true;
    });
  }

  Codex codex_;
};

TEST_F(CollectionCacheTest, ATagMemberLeadsToItsCollection) {
  SaveCollection("warr", {"idle"});
  SaveRaw(kCores, "core", {'w', 'a', 'r', 'r', 0, 1});
  SaveRaw(kCores, "shrt", {'w', 'a', 'r'});
  const uint32_t warr = tagcode::Make("warr");
  EXPECT_EQ(CollectionCache::CollectionIdFor(codex_, kCollections, warr), warr);
  EXPECT_EQ(CollectionCache::CollectionIdFor(codex_, kCores, tagcode::Make("core")), warr);
  EXPECT_EQ(CollectionCache::CollectionIdFor(codex_, kCores, tagcode::Make("shrt")), std::nullopt);
  EXPECT_EQ(CollectionCache::CollectionIdFor(codex_, kCollections, tagcode::Make("none")),
            std::nullopt);
  EXPECT_EQ(CollectionCache::CollectionIdFor(codex_, tagcode::Make("unit"), warr), std::nullopt);
}

TEST_F(CollectionCacheTest, EntriesAreCountedAndNamesEndWithTheSequences) {
  SaveCollection("warr", {"idle", "walk"});
  SaveRaw(kCollections, "junk", {1, 2, 3});
  CollectionCache cache(codex_);
  const auto first = cache.Acquire(tagcode::Make("warr"));
  ASSERT_TRUE(first.held);
  ASSERT_NE(first.collection, nullptr);
  EXPECT_TRUE(first.collection->without_bitmaps);
  EXPECT_EQ(cache.Acquire(tagcode::Make("warr")).collection, first.collection);
  EXPECT_EQ(cache.entry_count(), 1u);
  EXPECT_EQ(CollectionCache::SequenceName(*first.collection, 1), "walk");
  EXPECT_EQ(CollectionCache::SequenceName(*first.collection, 2), std::nullopt);
  EXPECT_EQ(CollectionCache::SequenceName(*first.collection, -1), std::nullopt);

  cache.Release(tagcode::Make("warr"));
  EXPECT_EQ(cache.entry_count(), 1u);
  cache.Release(tagcode::Make("warr"));
  EXPECT_EQ(cache.entry_count(), 0u);

  EXPECT_FALSE(cache.Acquire(tagcode::Make("gone")).held);
  const auto junk = cache.Acquire(tagcode::Make("junk"));
  EXPECT_TRUE(junk.held);
  EXPECT_EQ(junk.collection, nullptr);
  EXPECT_EQ(cache.entry_count(), 1u);
}

}  // namespace
