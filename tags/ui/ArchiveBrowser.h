#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "gui/Window.h"
#include "tags/TagHeader.h"

class Archive;
class ArchiveBrowserList;
class Codex;
class CodexEntry;
class Menu;
class SplitterWindow;
struct ListItem;
struct LocationRecord;

// The main window onto the tags: the active and inactive archives, which also set the working
// set, and a tree of the tags of whatever archives or tag sets are selected, grouped by tag
// group, from which editors open and the tag operations run. There is one; it follows the
// program's index (ProgramCodex()) through its listener.
class ArchiveBrowser : public Window {
 public:
  static constexpr uint32_t kFlags = WindowFlag::TitleBar | WindowFlag::DropShadow |
                                     WindowFlag::Resizable | WindowFlag::BackgroundB |
                                     WindowFlag::CloseButton | WindowFlag::SecondButton |
                                     WindowFlag::ThirdButton;
  static constexpr int32_t kArchivePaneWidth = 196;
  // The tag sets the active list offers after the archives.
  static constexpr int64_t kLocalSet = -2;
  static constexpr int64_t kCombinedSet = -3;
  static constexpr int64_t kFoundationSet = -4;
  // Commands on more tags than this ask first.
  static constexpr size_t kAskAbove = 50;
  // How often the local folder's change notifications are read while idle.
  static constexpr double kPollInterval = 0.25;
  // .256 usage words read from tag data, remembered per copy.
  static constexpr size_t kUsageCacheLimit = 4096;

  // Row colours: orange for a tag with a local copy, white otherwise; halved when the tag
  // cannot be opened (and for the node of a group without an editor).
  static constexpr uint32_t kLocalColor = 0xFF0090FFu;  // red 255, green 144, blue 0
  static constexpr uint32_t kPlainColor = 0xFFFFFFFFu;
  static uint32_t Halved(uint32_t color);

  // Opens the browser (polling the local folder first, applying the saved working set and
  // placement) or brings the open one to the front; the tag tree takes the focus.
  static ArchiveBrowser* OpenOrRaise();
  static ArchiveBrowser* Instance();
  // Before archives are unloaded.
  static void CloseIfOpen();

  ArchiveBrowser();
  ~ArchiveBrowser() override;

  // --- Commands on the tag tree's selection.
  void OpenSelection();
  void InfoSelection();
  void CopySelectionToLocal();
  void DuplicateSelection();
  void DeleteSelection();
  void ToggleHiddenGroups();
  bool ShowsHiddenGroups() const { return show_hidden_; }

  // --- Commands on an archive list's selection.
  void ApplyDefaultWorkingSet();
  // Moves the selected archives of the inactive list (activate) or of the active list.
  void MoveSelection(bool activate);
  void DisassembleSelection(ArchiveBrowserList* list);
  // Unpacks into `folder` and tells the user how many tags were written and skipped.
  void DisassembleInto(const Archive& archive, const std::string& folder);

  // The context menus as they would open now (the caller owns and deletes them).
  Menu* MakeTagMenu();
  Menu* MakeArchiveMenu(ArchiveBrowserList* list);

  void RebuildArchiveLists();
  void RebuildTagTree();

  ArchiveBrowserList* TagTree() const { return tree_; }
  ArchiveBrowserList* ActiveList() const { return active_; }
  ArchiveBrowserList* InactiveList() const { return inactive_; }
  SplitterWindow* MainSplitter() const { return splitter_; }
  SplitterWindow* ArchiveSplitter() const { return archive_splitter_; }
  // Archives selected in a list, without the fixed tag-set items.
  std::vector<Archive*> SelectedArchives(const ArchiveBrowserList* list) const;
  // The row of a tag, or null.
  ListItem* RowItem(uint32_t group, uint32_t tag_id) const;
  ListItem* NodeItem(uint32_t group) const;
  bool CannotOpen(uint32_t group, uint32_t tag_id) const;

  const char* GetClassName() const override { return "ArchiveBrowser"; }
  bool RequestClose(bool forced) override;
  void OnClose() override;
  void OnIdle() override;
  void OnResized() override;
  bool OnKey(InputEvent& event) override;
  FocusGain OnFocusGained(Window* old_focus, int32_t reason) override;

 private:
  struct GroupNode;
  // What the tree's columns show, field by field in their order: the header, then the
  // location name. An item's id points here.
  struct RowRecord {
    uint16_t identifier;
    uint8_t flags;
    uint8_t type;
    char name[TagHeader::kNameSize];
    uint32_t group;
    uint32_t tag_id;
    uint32_t data_offset;
    uint32_t data_size;
    uint32_t user_data;
    uint16_t version;
    uint8_t foundation_index;
    uint8_t owner_index;
    uint32_t signature;
    char location[64];
  };
  struct TagRow {
    RowRecord record{};  // first: the item's id is its address
    CodexEntry* entry = nullptr;
    ListItem* item = nullptr;
    uint64_t mark = 0;  // the last rebuild that found its tag in the collection
    bool cannot_open = false;
  };
  struct GroupNode {
    ListItem* item = nullptr;
    std::map<uint32_t, TagRow> rows;  // a node's address is kept: items point at it
  };
  struct CachedUsage {
    TagHeader header;  // the copy's header when it was read: a changed copy is read again
    uint32_t user_data = 0;
  };
  using TagKey = std::pair<uint32_t, uint32_t>;  // group, tag id

  static void Listener(void* context, Archive* archive, CodexEntry* entry, int event);
  void OnCodexEvent(Archive* archive, CodexEntry* entry, int event);
  void OnActiveSelection(intptr_t);
  void OnTreeActivated(intptr_t item);
  void OnTreeDelete(intptr_t);

  bool GroupShown(uint32_t group) const;
  TagRow* FindRow(uint32_t group, uint32_t tag_id) const;
  // `bulk` leaves the node's label and the scroll range to the caller.
  TagRow* AddOrRefreshRow(CodexEntry* entry, bool bulk = false);
  // True when anything the row shows or sorts by changed.
  bool RefreshRow(TagRow& row);
  void RemoveRow(uint32_t group, uint32_t tag_id);
  void UpdateNodeLabel(GroupNode& node, uint32_t group);
  void DecideCannotOpen(TagRow& row);
  uint32_t UsageOf(CodexEntry* entry, const LocationRecord& copy);
  // The selected tag rows as keys, taken before a command changes anything.
  std::vector<TagKey> SelectedTags() const;
  bool ConfirmMany(size_t count, const char* format, const char* title, const char* button);
  void SetWorkingSetFromActiveList();
  void DropArchiveItem(const Archive* archive);
  void FillArchiveList(ArchiveBrowserList* list, bool active,
                       const std::vector<uint64_t>& selected);
  void ShowTagMenu(Point screen_point);
  void ShowArchiveMenu(ArchiveBrowserList* list, Point screen_point);
  void RunTagCommand(int32_t id);
  void LayOut();
  bool TreeHasFocus() const;

  Codex& codex_;
  SplitterWindow* splitter_ = nullptr;
  SplitterWindow* archive_splitter_ = nullptr;
  ArchiveBrowserList* active_ = nullptr;
  ArchiveBrowserList* inactive_ = nullptr;
  ArchiveBrowserList* tree_ = nullptr;
  std::map<uint32_t, GroupNode> groups_;
  std::unordered_map<const LocationRecord*, CachedUsage> usage_cache_;
  std::vector<const Archive*> unloading_;  // told of, not yet gone from the index
  bool show_hidden_ = false;
  bool closed_ = false;
  bool changing_ = false;  // the browser itself is changing the working set or its lists
  bool lists_stale_ = false;
  bool tree_stale_ = false;
  bool sort_pending_ = false;
  double last_poll_ = 0;
  uint64_t rebuild_mark_ = 0;
};
