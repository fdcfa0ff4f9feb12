#include <gtest/gtest.h>

#include "collections/Collection.h"
#include "support/TagFiles.h"
#include "tags/Codex.h"
#include "tags/LooseTagWriter.h"
#include "tags/TagStream.h"

namespace {

using namespace tagfiles;

using CollectionIndexSave = TempFolderTest;

// A collection writes its usage into the caller's header while it writes its data; a save
// through the index must keep it, or the collection reloads with usage 0.
TEST_F(CollectionIndexSave, KeepsTheVersionAndUsageTheWriterSets) {
  Codex codex;
  codex.SetLocalFolder((root_ / "local").string());
  const uint32_t group = tagcode::Make(".256");
  CodexEntry* entry = codex.FindOrCreate(group, tagcode::Make("warr"));
  Collection saved;
  saved.usage = 0x0021;
  saved.AddSequence("idle");

  TagHeader header = TagHeader::Fresh();
  header.SetName("Warrior");
  LooseTagWriter* writer = codex.BeginWrite(entry, header);
  ASSERT_NE(writer, nullptr);
  std::string error;
  const bool written = saved.Save(writer->data(), header, error);
  ASSERT_TRUE(written) << error;
  ASSERT_TRUE(codex.EndWrite(entry, header, written));

  const TagHeader& indexed = entry->local_copy()->header;
  EXPECT_EQ(indexed.version, 4);
  EXPECT_EQ(indexed.user_data, 0x0021u);
  TagStream* stream = codex.OpenData(entry);
  ASSERT_NE(stream, nullptr);
  std::vector<uint8_t> data;
  ASSERT_TRUE(stream->ReadRest(data));
  codex.CloseData(entry);
  Collection loaded;
  ASSERT_TRUE(loaded.Load(data, indexed, true, error)) << error;
  EXPECT_EQ(loaded.usage, 0x0021u);
}

}  // namespace
