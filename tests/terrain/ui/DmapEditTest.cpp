#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "gui/TextBox.h"
#include "support/EditorFixture.h"
#include "tags/TagCode.h"
#include "terrain/DtexCodec.h"
#include "terrain/ui/DmapEdit.h"

namespace {

constexpr uint32_t kDmap = tagcode::Make("dmap");
constexpr uint32_t kDtex = tagcode::Make("dtex");

class DmapEditTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    TagGroupTable::SetEditor(kDmap, &DmapEdit::Make);
  }
  // A version-1 map of 2 x 2 whose slots 1 and 3 name the textures `gras` and `rock`.
  void WriteMap() {
    ByteWriter w;
    w.WriteU32Be(2);
    w.WriteU32Be(2);
    w.WriteZeros(8);
    for (int i = 0; i < 128; ++i) {
      w.WriteU32Be(i == 1 ? tagcode::Make("gras") : i == 3 ? tagcode::Make("rock") : 0xFFFFFFFFu);
    }
    w.WriteZeros(128 + 8);
    w.WriteBytes(std::vector<uint8_t>{0, 1, 3, 1});
    Loose("detail maps", {kDmap, tagcode::Make("hill"), "hill", w.Take(), 1});
    std::vector<uint8_t> rgb(2 * 2 * 3, 40);
    Loose("detail textures",
          {kDtex, tagcode::Make("gras"), "green grass", DtexData::Write(2, 2, rgb), 1});
  }
};

TEST_F(DmapEditTest, ListsEachTexturedSlotWithTheTexturesNameOrNotFound) {
  WriteMap();
  Codex& codex = Open();
  auto* editor =
      static_cast<DmapEdit*>(TagEdit::OpenEditor(codex.Find(kDmap, tagcode::Make("hill"))));
  ASSERT_NE(editor, nullptr);
  Pump(2);
  EXPECT_EQ(editor->ClientRect().Width(), 500);
  EXPECT_EQ(editor->ClientRect().Height(), 500);
  EXPECT_EQ(editor->Text()->GetMode(), TextBox::kReadOnly);
  EXPECT_EQ(editor->Text()->GetText(), "gras - green grass\nrock - <not found>\n");
}

TEST_F(DmapEditTest, SavingWritesNothingAndSucceeds) {
  WriteMap();
  const tagfiles::Bytes before = tagfiles::Slurp(root_ / "local" / "detail maps" / "hill");
  Codex& codex = Open();
  auto* editor = TagEdit::OpenEditor(codex.Find(kDmap, tagcode::Make("hill")));
  ASSERT_NE(editor, nullptr);
  editor->MarkDirty(true);
  EXPECT_TRUE(editor->SaveAndReport());
  EXPECT_FALSE(editor->dirty());
  EXPECT_EQ(tagfiles::Slurp(root_ / "local" / "detail maps" / "hill"), before);
}

TEST_F(DmapEditTest, AnUnreadableMapDoesNotOpen) {
  Loose("detail maps", {kDmap, tagcode::Make("bad "), "bad", {0, 0, 0, 9}, 2});
  Answer("Error", 0);
  Codex& codex = Open();
  EXPECT_EQ(TagEdit::OpenEditor(codex.Find(kDmap, tagcode::Make("bad "))), nullptr);
  RunSteps();
  ASSERT_EQ(messages.size(), 1u);
}

}  // namespace
