#pragma once
#include <cstdint>
#include <string>

// Flags of a list item.
namespace ListItemFlag {
constexpr uint32_t Selected = 1u << 0;
constexpr uint32_t Expanded = 1u << 1;
constexpr uint32_t TextOrdered = 1u << 3;  // sorts by the natural order of its text
constexpr uint32_t Group = 1u << 4;        // activating it opens or closes it
constexpr uint32_t Disabled = 1u << 6;     // cannot be selected; drawn grey
constexpr uint32_t NeedsSort = 1u << 30;   // its children are sorted when it next opens
constexpr uint32_t Pinned = 1u << 31;      // inserted before its siblings, not after them
}  // namespace ListItemFlag

// One row of a list window and, through its children, a subtree of rows. Items belong to
// their list; the client holds pointers only while the item is in the list. Top-level items
// hang under a hidden root item.
struct ListItem {
  ListItem* prev = nullptr;
  ListItem* next = nullptr;
  ListItem* parent = nullptr;
  ListItem* first_child = nullptr;
  ListItem* last_child = nullptr;
  uint32_t child_count = 0;
  uint32_t open_descendants = 0;  // rows its expanded subtree adds
  uint32_t flags = 0;
  uint32_t depth = 0;  // 0 for top-level items
  uint32_t text_color = 0xFFFFFFFFu;
  uint32_t icon = 0;  // 0 for none
  uint64_t id = 0;    // the client's: an id, or a pointer to its record
  std::string text;   // the first column

  bool IsSelected() const { return (flags & ListItemFlag::Selected) != 0; }
  bool IsExpanded() const { return (flags & ListItemFlag::Expanded) != 0; }
  bool IsDisabled() const { return (flags & ListItemFlag::Disabled) != 0; }
  bool IsTextOrdered() const { return (flags & ListItemFlag::TextOrdered) != 0; }
  bool IsGroup() const { return (flags & ListItemFlag::Group) != 0; }
  bool HasChildren() const { return first_child != nullptr; }
};
