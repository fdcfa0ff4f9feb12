#pragma once
#include <cstdint>
#include <span>
#include <string>

class TagEdit;
struct TagHeader;

// Makes the editor window for a tag of one group.
using TagEditorFactory = TagEdit* (*)(const TagHeader& header);

struct TagGroupRow {
  uint32_t code;
  const char* plural;
  const char* singular;
  // Empty until start-up assigns the editors; a group without one can be browsed, not opened.
  TagEditorFactory editor;
};

// The fixed table of tag groups. Its order is the iteration order used wherever every group is
// visited (registering the local folder's group folders, for instance).
class TagGroupTable {
 public:
  static constexpr size_t kRowCount = 53;

  static std::span<const TagGroupRow> Rows();
  // Linear search; a code not in the table has no row.
  static const TagGroupRow* Find(uint32_t code);
  // The plural name, or the code's four characters (hex when not printable) without a row.
  static std::string PluralName(uint32_t code);
  // Ignored for a code without a row.
  static void SetEditor(uint32_t code, TagEditorFactory factory);
  // Null when the group has no row or no editor.
  static TagEdit* MakeEditor(const TagHeader& header);
  // Forgets every editor assignment (start-up runs again, tests start clean).
  static void ClearEditors();
};
