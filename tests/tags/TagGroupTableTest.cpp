#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tags/LocalFolder.h"
#include "tags/TagCode.h"
#include "tags/TagGroupTable.h"
#include "tags/TagHeader.h"

namespace {

TEST(TagGroupTableRows, HoldFiftyThreeDistinctGroupsInOrder) {
  const auto rows = TagGroupTable::Rows();
  ASSERT_EQ(rows.size(), 53u);
  std::set<uint32_t> codes;
  for (const TagGroupRow& row : rows) {
    codes.insert(row.code);
    EXPECT_EQ(row.editor, nullptr);
  }
  EXPECT_EQ(codes.size(), 53u);
  EXPECT_EQ(tagcode::Chars(rows.front().code), "amso");
  EXPECT_EQ(tagcode::Chars(rows[4].code), ".256");
  EXPECT_EQ(tagcode::Chars(rows.back().code), "quik");
}

TEST(TagGroupTableRows, LookupGivesNamesOrTheCodeItself) {
  const TagGroupRow* save = TagGroupTable::Find(tagcode::Make("save"));
  ASSERT_NE(save, nullptr);
  EXPECT_STREQ(save->plural, "Saved Games");
  EXPECT_STREQ(save->singular, "Save");
  EXPECT_EQ(TagGroupTable::Find(tagcode::Make("zzzz")), nullptr);
  EXPECT_EQ(TagGroupTable::PluralName(tagcode::Make("zzzz")), "zzzz");
  EXPECT_EQ(TagGroupTable::PluralName(tagcode::Make("form")), "Formations");
}

TagEdit* FakeEditor(const TagHeader&) {
  return reinterpret_cast<TagEdit*>(0x1000);
}

TEST(TagGroupTableEditors, OnlyRowsTakeAnEditor) {
  TagGroupTable::SetEditor(tagcode::Make("mesh"), FakeEditor);
  TagGroupTable::SetEditor(tagcode::Make("zzzz"), FakeEditor);
  TagHeader h;
  h.group = tagcode::Make("mesh");
  EXPECT_EQ(TagGroupTable::MakeEditor(h), reinterpret_cast<TagEdit*>(0x1000));
  h.group = tagcode::Make("soun");
  EXPECT_EQ(TagGroupTable::MakeEditor(h), nullptr);
  h.group = tagcode::Make("zzzz");
  EXPECT_EQ(TagGroupTable::MakeEditor(h), nullptr);
  TagGroupTable::ClearEditors();
  h.group = tagcode::Make("mesh");
  EXPECT_EQ(TagGroupTable::MakeEditor(h), nullptr);
}

TEST(LocalFolderNames, GroupFoldersAreLowerCasePlurals) {
  EXPECT_EQ(LocalFolder::GroupFolderName(tagcode::Make("mesh")), "meshes");
  EXPECT_EQ(LocalFolder::GroupFolderName(tagcode::Make(".256")), "collections");
  EXPECT_EQ(LocalFolder::GroupFolderName(tagcode::Make("quik")), "quicktime/mp3");
  EXPECT_EQ(LocalFolder::GroupFolderName(tagcode::Make("ZzYy")), "zzyy");
}

TEST(LocalFolderNames, UnsafeCodesCannotLeaveTheLocalFolder) {
  EXPECT_EQ(LocalFolder::GroupFolderName(tagcode::Make("../x")), "0x2e2e2f78");
  EXPECT_EQ(LocalFolder::GroupFolderName(tagcode::Make("....")), "0x2e2e2e2e");
  EXPECT_EQ(LocalFolder::GroupFolderName(0x01020304u), "0x01020304");
}

TEST(LocalFolderNames, LooseFilePathUsesTheGivenOrTheSanitisedName) {
  TagHeader h;
  h.group = tagcode::Make("soun");
  h.SetName("a:b?c.");
  EXPECT_EQ(LocalFolder::LooseFilePath("/base", h), "/base/sounds/a_b_c");
  EXPECT_EQ(LocalFolder::LooseFilePath("/base", h, "Other"), "/base/sounds/Other");
}

}  // namespace
