#include "tags/ui/ArchiveBrowser.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unordered_map>

#include "gui/Choosers.h"
#include "gui/FileKind.h"
#include "gui/Menu.h"
#include "gui/MessageBoxWindow.h"
#include "gui/SplitterWindow.h"
#include "gui/WindowManager.h"
#include "tags/Codex.h"
#include "tags/TagCode.h"
#include "tags/TagGroupTable.h"
#include "tags/TagOperations.h"
#include "tags/TagStream.h"
#include "tags/ui/ArchiveBrowserList.h"
#include "tags/ui/ArchiveBrowserPlacement.h"
#include "tags/ui/TagEdit.h"
#include "tags/ui/TagInfoWindow.h"
#include "tags/ui/WorkingSetHooks.h"

namespace {

ArchiveBrowser* g_instance = nullptr;

constexpr uint32_t kMesh = tagcode::Make("mesh");
constexpr uint32_t kCollection = tagcode::Make(".256");
constexpr uint32_t kDmap = tagcode::Make("dmap");
constexpr uint32_t kCannotOpenUsage = 0x100;
constexpr uint32_t kBigCollection = 0x120000;
constexpr int32_t kMinPane = 48;

// Context menu command ids.
enum : int32_t {
  kOpen = 1,
  kGetInfo,
  kCopyToLocal,
  kDuplicate,
  kDelete,
  kToggleHidden,
  kDefaultSet,
  kMoveSelection,
  kDisassemble,
};

uint64_t SetId(int64_t set) {
  return static_cast<uint64_t>(set);
}

bool IsFixedItem(uint64_t id) {
  const auto v = static_cast<int64_t>(id);
  return v == ArchiveBrowser::kLocalSet || v == ArchiveBrowser::kCombinedSet ||
         v == ArchiveBrowser::kFoundationSet;
}

double Now() {
  WindowManager* wm = WMOrNull();
  return wm ? wm->GetPlatform().Now() : 0.0;
}

bool HasEditor(uint32_t group) {
  const TagGroupRow* row = TagGroupTable::Find(group);
  return row && row->editor;
}

}  // namespace

uint32_t ArchiveBrowser::Halved(uint32_t color) {
  // Red, green and blue each halved; alpha kept.
  return (color & 0xFF000000u) | ((color >> 1) & 0x007F7F7Fu);
}

// ----------------------------------------------------------------------------- lifecycle

ArchiveBrowser* ArchiveBrowser::Instance() {
  return g_instance;
}

ArchiveBrowser* ArchiveBrowser::OpenOrRaise() {
  ArchiveBrowser* browser = g_instance;
  if (!browser) {
    // What other programs did to the local folder since the last look counts.
    ProgramCodex().Poll(true);
    browser = new ArchiveBrowser();
  }
  WM().BringToFront(browser);
  Window::SetFocus(browser->tree_, 0);
  return browser;
}

void ArchiveBrowser::CloseIfOpen() {
  if (ArchiveBrowser* browser = g_instance) {
    SaveArchiveBrowserPlacement(browser);
    Window::Close(browser);
  }
}

ArchiveBrowser::ArchiveBrowser() : Window(kFlags, nullptr), codex_(ProgramCodex()) {
  g_instance = this;
  SetTitle("Archive Browser");
  splitter_ = new SplitterWindow(WindowFlag::Visible, this);
  archive_splitter_ = new SplitterWindow(WindowFlag::Visible, splitter_);
  archive_splitter_->SetOrientation(SplitterWindow::kStacked);
  active_ = new ArchiveBrowserList(ListStyle::MultiSelect, WindowFlag::Visible, archive_splitter_);
  active_->SetTitle("Active Archives List");
  inactive_ =
      new ArchiveBrowserList(ListStyle::MultiSelect, WindowFlag::Visible, archive_splitter_);
  inactive_->SetTitle("Inactive Archives List");
  tree_ = new ArchiveBrowserList(ListStyle::MultiSelect | ListStyle::Header, WindowFlag::Visible,
                                 splitter_);
  tree_->SetTitle("Tag Tree");
  archive_splitter_->SetPane(0, active_, kMinPane / 2);
  archive_splitter_->SetPane(1, inactive_, kMinPane / 2);
  splitter_->SetPane(0, archive_splitter_, kMinPane);
  splitter_->SetPane(1, tree_, kMinPane);

  struct ColumnLayout {
    const char* title;
    const char* format;
    int32_t type;
    int32_t size;
    int32_t width;
    bool hidden;
  };
  static constexpr ColumnLayout kColumns[] = {
      {"Identifier", "%d", ColumnType::Unsigned, 2, 96, true},
      {"Flags", "%d", ColumnType::Unsigned, 1, 96, true},
      {"Type", "%d", ColumnType::Unsigned, 1, 96, true},
      {"Name", "%s", ColumnType::CharArray, 32, 256, false},
      {"Group", "%s", ColumnType::FourCC, 4, 64, true},
      {"Tag", "%s", ColumnType::FourCC, 4, 64, false},
      {"Offset", "%d", ColumnType::Unsigned, 4, 96, true},
      {"Size", "%d", ColumnType::Unsigned, 4, 96, false},
      {"User", "0x%x", ColumnType::Unsigned, 4, 64, false},
      {"Vers.", "%d", ColumnType::Unsigned, 2, 48, false},
      {"Foundation Index", "%d", ColumnType::Unsigned, 1, 96, true},
      {"Owner Index", "%d", ColumnType::Unsigned, 1, 96, true},
      {"Game", "%s", ColumnType::FourCC, 4, 64, false},
      {"Location", "%s", ColumnType::CharArray, 64, 256, false},
  };
  for (const ColumnLayout& c : kColumns) {
    tree_->AddColumn(c.title, c.format, c.type, c.size, c.width, c.hidden ? ColumnFlag::Hidden : 0);
  }
  static_assert(offsetof(RowRecord, name) == 4 && offsetof(RowRecord, group) == 36 &&
                offsetof(RowRecord, version) == 56 && offsetof(RowRecord, signature) == 60 &&
                offsetof(RowRecord, location) == 64 && sizeof(RowRecord) == 128);

  active_->SetContextHandler([this](Point p) { ShowArchiveMenu(active_, p); });
  inactive_->SetContextHandler([this](Point p) { ShowArchiveMenu(inactive_, p); });
  tree_->SetContextHandler([this](Point p) { ShowTagMenu(p); });
  tree_->SetEnterHandler([this] {
    if (SelectedTags().empty()) return false;  // a group node opens or closes as usual
    OpenSelection();
    return true;
  });
  Connect<&ArchiveBrowser::OnActiveSelection>(active_->selection_changed, this);
  Connect<&ArchiveBrowser::OnTreeActivated>(tree_->activated, this);
  Connect<&ArchiveBrowser::OnTreeDelete>(tree_->delete_requested, this);

  RestoreArchiveBrowserPlacement(this);
  LayOut();
  splitter_->SetDividerPosition(kArchivePaneWidth);
  changing_ = true;
  LoadWorkingSet(codex_);
  changing_ = false;
  RebuildArchiveLists();
  RebuildTagTree();
  codex_.AddListener(&ArchiveBrowser::Listener, this);
  Window::Show();
  if (ListItem* first = tree_->ItemAtRow(0)) tree_->Select(first, false);
  last_poll_ = Now();
}

ArchiveBrowser::~ArchiveBrowser() {
  codex_.RemoveListener(&ArchiveBrowser::Listener, this);
  if (g_instance == this) g_instance = nullptr;
}

void ArchiveBrowser::OnClose() {
  // Deaf and idle from here on: the archives its lists point at may go before the window does.
  closed_ = true;
  codex_.RemoveListener(&ArchiveBrowser::Listener, this);
  if (g_instance == this) g_instance = nullptr;
}

bool ArchiveBrowser::RequestClose(bool forced) {
  if (!Window::RequestClose(forced)) return false;
  SaveArchiveBrowserPlacement(this);
  return true;
}

void ArchiveBrowser::OnResized() {
  LayOut();
}

void ArchiveBrowser::LayOut() {
  if (!splitter_) return;
  const Rect& c = ClientRect();
  splitter_->SetFrameRect({0, 0, c.Width(), c.Height()});
}

FocusGain ArchiveBrowser::OnFocusGained(Window*, int32_t) {
  FocusGain gain;
  gain.redirect = tree_;
  return gain;
}

bool ArchiveBrowser::TreeHasFocus() const {
  const Window* focus = WM().Focus();
  return focus && tree_->IsAncestorOf(focus);
}

void ArchiveBrowser::OnIdle() {
  if (closed_) return;
  if (lists_stale_) RebuildArchiveLists();
  if (tree_stale_) RebuildTagTree();
  if (sort_pending_) {
    sort_pending_ = false;
    tree_->Sort();
  }
  // Files other programs add to or take from the local folder: the watch re-lists only the
  // folders it was told changed, so this costs one read of the notifications when nothing did.
  // Not while a dialog runs: a command may be waiting on it.
  const double now = Now();
  if (now - last_poll_ >= kPollInterval && !WM().TopModalWindow()) {
    last_poll_ = now;
    codex_.Poll(true);
  }
}

// ----------------------------------------------------------------------------- listener

void ArchiveBrowser::Listener(void* context, Archive* archive, CodexEntry* entry, int event) {
  static_cast<ArchiveBrowser*>(context)->OnCodexEvent(archive, entry, event);
}

void ArchiveBrowser::OnCodexEvent(Archive* archive, CodexEntry* entry, int event) {
  switch (event) {
    case kCodexTagAppeared:
    case kCodexTagChanged:
      if (!entry) return;
      if (codex_.WinningCopy(*entry) && GroupShown(entry->group())) {
        AddOrRefreshRow(entry);
      } else {
        RemoveRow(entry->group(), entry->tag_id());
      }
      return;
    case kCodexTagVanished:
      if (entry) RemoveRow(entry->group(), entry->tag_id());
      return;
    case kCodexWorkingSetChanged:
      if (!changing_) lists_stale_ = tree_stale_ = true;
      return;
    case kCodexArchiveLoaded:
      unloading_.clear();  // whatever was told of has gone by now
      if (!changing_) RebuildArchiveLists();
      return;
    case kCodexArchiveUnloading:
      // The archive is freed once its copies are gone: nothing may keep pointing at it.
      if (archive) {
        unloading_.push_back(archive);
        DropArchiveItem(archive);
      }
      lists_stale_ = tree_stale_ = true;
      return;
    default:
      return;
  }
}

void ArchiveBrowser::DropArchiveItem(const Archive* archive) {
  const uint64_t id = reinterpret_cast<uintptr_t>(archive);
  const bool was_changing = changing_;
  changing_ = true;
  for (ArchiveBrowserList* list : {active_, inactive_}) {
    while (ListItem* item = list->FindItemById(id)) list->RemoveItem(item);
  }
  changing_ = was_changing;
}

// ----------------------------------------------------------------------------- archive lists

void ArchiveBrowser::FillArchiveList(ArchiveBrowserList* list, bool active,
                                     const std::vector<uint64_t>& selected) {
  list->Clear();
  for (size_t i = 0; i < codex_.archive_count(); ++i) {
    Archive* a = codex_.ArchiveAt(i);
    if (a->active() != active ||
        std::find(unloading_.begin(), unloading_.end(), a) != unloading_.end()) {
      continue;
    }
    list->AddItem(nullptr, 0, 0, reinterpret_cast<uintptr_t>(a), a->file_name());
  }
  if (active) {
    list->AddItem(nullptr, 0, 0, SetId(kLocalSet), "local");
    list->AddItem(nullptr, 0, 0, SetId(kFoundationSet), "foundation");
    list->AddItem(nullptr, 0, 0, SetId(kCombinedSet), "combined");
  }
  for (uint64_t id : selected) {
    if (ListItem* item = list->FindItemById(id)) list->Select(item, true);
  }
  if (active && list->SelectedItems().empty()) {
    list->Select(list->FindItemById(SetId(kCombinedSet)), false);
  }
  list->Refresh();
}

void ArchiveBrowser::RebuildArchiveLists() {
  lists_stale_ = false;
  std::vector<uint64_t> selected = active_->SelectedIds();
  const std::vector<uint64_t> inactive_selected = inactive_->SelectedIds();
  selected.insert(selected.end(), inactive_selected.begin(), inactive_selected.end());
  const bool was_changing = changing_;
  changing_ = true;
  FillArchiveList(active_, true, selected);
  FillArchiveList(inactive_, false, selected);
  changing_ = was_changing;
  archive_splitter_->SetDividerPosition(active_->RowHeight() * active_->ItemCount());
}

std::vector<Archive*> ArchiveBrowser::SelectedArchives(const ArchiveBrowserList* list) const {
  std::vector<Archive*> archives;
  for (const ListItem* item : list->SelectedItems()) {
    if (!IsFixedItem(item->id)) archives.push_back(reinterpret_cast<Archive*>(item->id));
  }
  return archives;
}

void ArchiveBrowser::OnActiveSelection(intptr_t) {
  if (changing_ || closed_) return;
  RebuildTagTree();
}

void ArchiveBrowser::SetWorkingSetFromActiveList() {
  std::vector<Archive*> set;
  for (ListItem* item = active_->FirstItem(); item; item = item->next) {
    if (!IsFixedItem(item->id)) set.push_back(reinterpret_cast<Archive*>(item->id));
  }
  changing_ = true;
  codex_.SetWorkingSet(set);
  changing_ = false;
  SaveWorkingSet(codex_);
}

void ArchiveBrowser::ApplyDefaultWorkingSet() {
  changing_ = true;
  codex_.ApplyDefaultWorkingSet();
  changing_ = false;
  RebuildArchiveLists();
  RebuildTagTree();
  SaveWorkingSet(codex_);
}

void ArchiveBrowser::MoveSelection(bool activate) {
  ArchiveBrowserList* from = activate ? inactive_ : active_;
  ArchiveBrowserList* to = activate ? active_ : inactive_;
  const std::vector<Archive*> moving = SelectedArchives(from);
  if (moving.empty()) return;
  changing_ = true;
  for (Archive* a : moving) {
    if (ListItem* item = from->FindItemById(reinterpret_cast<uintptr_t>(a))) from->RemoveItem(item);
    // Before the fixed items, which always end the active list.
    ListItem* item = to->AddItem(nullptr, 0, 0, reinterpret_cast<uintptr_t>(a), a->file_name());
    if (activate) to->MoveItem(item, nullptr, to->FindItemById(SetId(kLocalSet)));
    to->Select(item, true);
  }
  if (active_->SelectedItems().empty()) {
    active_->Select(active_->FindItemById(SetId(kCombinedSet)), false);
  }
  changing_ = false;
  SetWorkingSetFromActiveList();
  RebuildArchiveLists();
  RebuildTagTree();
}

void ArchiveBrowser::DisassembleSelection(ArchiveBrowserList* list) {
  const std::vector<Archive*> archives = SelectedArchives(list);
  if (archives.size() != 1) return;
  const Archive* archive = archives.front();
  std::string folder;
  int32_t format = 0;
  if (!ChooseFolder("Choose Destination Folder", folder, format, FileKindId::kArchive, nullptr)) {
    return;
  }
  // The chooser ran a dialog: the archive may have been unloaded meanwhile.
  for (size_t i = 0; i < codex_.archive_count(); ++i) {
    if (codex_.ArchiveAt(i) == archive) {
      DisassembleInto(*archive, folder);
      return;
    }
  }
}

void ArchiveBrowser::DisassembleInto(const Archive& archive, const std::string& folder) {
  const Codex::Unpacked result = codex_.DisassembleArchive(archive, folder);
  char message[256];
  std::snprintf(message, sizeof message,
                "%zu tags written, %zu skipped because their files already exist, %zu failed.",
                result.written, result.skipped, result.failed);
  MessageBoxWindow::Show("Disassemble Archive", message, {"OK"});
}

// ----------------------------------------------------------------------------- tag tree

bool ArchiveBrowser::GroupShown(uint32_t group) const {
  return show_hidden_ || group == kDmap || HasEditor(group);
}

ArchiveBrowser::TagRow* ArchiveBrowser::FindRow(uint32_t group, uint32_t tag_id) const {
  const auto node = groups_.find(group);
  if (node == groups_.end()) return nullptr;
  const auto row = node->second.rows.find(tag_id);
  return row == node->second.rows.end() ? nullptr : const_cast<TagRow*>(&row->second);
}

ListItem* ArchiveBrowser::RowItem(uint32_t group, uint32_t tag_id) const {
  const TagRow* row = FindRow(group, tag_id);
  return row ? row->item : nullptr;
}

ListItem* ArchiveBrowser::NodeItem(uint32_t group) const {
  const auto node = groups_.find(group);
  return node == groups_.end() ? nullptr : node->second.item;
}

bool ArchiveBrowser::CannotOpen(uint32_t group, uint32_t tag_id) const {
  const TagRow* row = FindRow(group, tag_id);
  return row && row->cannot_open;
}

void ArchiveBrowser::UpdateNodeLabel(GroupNode& node, uint32_t group) {
  char label[96];
  std::snprintf(label, sizeof label, "%s (%zu)", TagGroupTable::PluralName(group).c_str(),
                node.rows.size());
  tree_->SetItemText(node.item, label);
  node.item->text_color = HasEditor(group) ? kPlainColor : Halved(kPlainColor);
}

uint32_t ArchiveBrowser::UsageOf(CodexEntry* entry, const LocationRecord& copy) {
  const auto cached = usage_cache_.find(&copy);
  if (cached != usage_cache_.end() && cached->second.header == copy.header) {
    return cached->second.user_data;
  }
  // The collection's usage word, when its header does not carry one: read once per copy.
  uint32_t usage = 0;
  if (TagStream* stream = codex_.OpenData(entry)) {
    uint8_t bytes[8];
    if (stream->Read(bytes, sizeof bytes) == sizeof bytes) {
      usage =
          uint32_t{bytes[4]} << 24 | uint32_t{bytes[5]} << 16 | uint32_t{bytes[6]} << 8 | bytes[7];
    }
    codex_.CloseData(entry);
  }
  if (usage_cache_.size() >= kUsageCacheLimit) usage_cache_.clear();
  usage_cache_[&copy] = {copy.header, usage};
  return usage;
}

void ArchiveBrowser::DecideCannotOpen(TagRow& row) {
  const uint32_t group = row.record.group;
  if (group == kMesh) {
    row.cannot_open = row.record.version < 11;
  } else if (group == kCollection) {
    if (row.record.user_data == 0 && row.record.data_size >= kBigCollection) {
      if (const LocationRecord* copy = codex_.WinningCopy(*row.entry)) {
        row.record.user_data = UsageOf(row.entry, *copy);
      }
    }
    row.cannot_open = (row.record.user_data & kCannotOpenUsage) != 0;
  } else {
    row.cannot_open = !HasEditor(group);
  }
}

bool ArchiveBrowser::RefreshRow(TagRow& row) {
  const TagHeader h = codex_.EntryHeader(*row.entry);
  const RowRecord before = row.record;
  RowRecord& r = row.record;
  r.identifier = h.identifier;
  r.flags = h.flags;
  r.type = h.type;
  std::memcpy(r.name, h.name.data(), sizeof r.name);
  r.name[sizeof r.name - 1] = '\0';
  r.group = h.group;
  r.tag_id = h.tag_id;
  r.data_offset = h.data_offset;
  r.data_size = h.data_size;
  r.user_data = h.user_data;
  r.version = h.version;
  r.foundation_index = h.foundation_index;
  r.owner_index = h.owner_index;
  r.signature = h.signature;
  const std::string location = codex_.LocationName(*row.entry);
  std::memset(r.location, 0, sizeof r.location);
  std::memcpy(r.location, location.data(), std::min(location.size(), sizeof r.location - 1));
  DecideCannotOpen(row);
  const uint32_t color = row.entry->has_local_copy() ? kLocalColor : kPlainColor;
  row.item->text_color = row.cannot_open ? Halved(color) : color;
  const std::string name = h.Name();
  const bool text_changed = row.item->text != name;
  if (text_changed) tree_->SetItemText(row.item, name);
  // Whatever a column may sort by changed: the order may have to change with it.
  return text_changed || std::memcmp(&before, &r, sizeof r) != 0;
}

ArchiveBrowser::TagRow* ArchiveBrowser::AddOrRefreshRow(CodexEntry* entry, bool bulk) {
  const uint32_t group = entry->group();
  auto [node_it, new_node] = groups_.try_emplace(group);
  GroupNode& node = node_it->second;
  if (new_node) {
    node.item = tree_->AddItem(
        nullptr, 0, ListItemFlag::Expanded | ListItemFlag::Group | ListItemFlag::TextOrdered, 0,
        "");
  }
  auto [row_it, new_row] = node.rows.try_emplace(entry->tag_id());
  TagRow& row = row_it->second;
  row.entry = entry;
  if (new_row) {
    row.item = tree_->AddItem(node.item, 0, 0, reinterpret_cast<uintptr_t>(&row.record), "");
    sort_pending_ = true;
  }
  RefreshRow(row);
  // A rebuild labels the nodes and sets the scroll range once, after all its rows.
  if (bulk) return &row;
  if (new_row) {
    UpdateNodeLabel(node, group);
    tree_->Refresh();
  }
  tree_->InvalidateClient();
  return &row;
}

void ArchiveBrowser::RemoveRow(uint32_t group, uint32_t tag_id) {
  const auto node_it = groups_.find(group);
  if (node_it == groups_.end()) return;
  GroupNode& node = node_it->second;
  const auto row_it = node.rows.find(tag_id);
  if (row_it == node.rows.end()) return;
  ListItem* item = row_it->second.item;
  node.rows.erase(row_it);
  if (node.rows.empty()) {
    ListItem* node_item = node.item;
    groups_.erase(node_it);
    tree_->RemoveItem(node_item);
  } else {
    tree_->RemoveItem(item);
    UpdateNodeLabel(node, group);
  }
}

void ArchiveBrowser::RebuildTagTree() {
  tree_stale_ = false;
  // Rows are matched by (group, tag id), not by entry pointer, which may be stale: every row
  // the collection still has is marked with this pass's number, and unmarked rows go.
  const uint64_t mark = ++rebuild_mark_;
  std::vector<CodexEntry*> collected;
  const auto add = [&](const std::vector<CodexEntry*>& entries) {
    collected.insert(collected.end(), entries.begin(), entries.end());
  };
  for (const ListItem* item : active_->SelectedItems()) {
    switch (static_cast<int64_t>(item->id)) {
      case kLocalSet:
        add(codex_.Local());
        break;
      case kFoundationSet:
        add(codex_.Foundation());
        break;
      case kCombinedSet:
        add(codex_.Combined());
        break;
      default:
        add(codex_.OfArchive(*reinterpret_cast<const Archive*>(item->id)));
        break;
    }
  }
  bool reorder = sort_pending_;
  // Entries come group by group: the group's answers are kept while it lasts.
  uint32_t last_group = 0;
  bool last_shown = false, have_last = false;
  for (CodexEntry* entry : collected) {
    const uint32_t group = entry->group();
    if (!have_last || group != last_group) {
      last_group = group;
      last_shown = GroupShown(group);
      have_last = true;
    }
    if (!last_shown) continue;
    TagRow* row = FindRow(group, entry->tag_id());
    if (row && row->mark == mark) continue;  // in two of the selected sets
    if (row) {
      row->entry = entry;
      reorder |= RefreshRow(*row);
    } else {
      row = AddOrRefreshRow(entry, true);
      reorder = true;
    }
    row->mark = mark;
  }
  // Rows whose tag left the collection (or whose group is hidden now) go; a group that loses
  // every row goes with its node in one removal.
  for (auto node_it = groups_.begin(); node_it != groups_.end();) {
    GroupNode& node = node_it->second;
    bool all_gone = true;
    for (const auto& [tag_id, row] : node.rows) {
      if (row.mark == mark) {
        all_gone = false;
        break;
      }
    }
    if (all_gone) {
      ListItem* node_item = node.item;
      node_it = groups_.erase(node_it);
      tree_->RemoveItem(node_item);
      continue;
    }
    for (auto row_it = node.rows.begin(); row_it != node.rows.end();) {
      if (row_it->second.mark == mark) {
        ++row_it;
        continue;
      }
      ListItem* item = row_it->second.item;
      row_it = node.rows.erase(row_it);
      tree_->RemoveItem(item);
    }
    ++node_it;
  }
  for (auto& [group, node] : groups_) UpdateNodeLabel(node, group);
  // Taking rows away keeps the others in order; new or changed rows need the sort.
  if (reorder) tree_->Sort();
  sort_pending_ = false;
  tree_->Refresh();
  if (!tree_->SelectedItems().empty()) tree_->ScrollIntoView(tree_->SelectedItems().front());
  tree_->InvalidateClient();
}

void ArchiveBrowser::ToggleHiddenGroups() {
  show_hidden_ = !show_hidden_;
  RebuildTagTree();
}

// ----------------------------------------------------------------------------- commands

std::vector<ArchiveBrowser::TagKey> ArchiveBrowser::SelectedTags() const {
  std::vector<TagKey> keys;
  for (const ListItem* item : tree_->SelectedItems()) {
    if (item->id == 0) continue;  // a group node
    const auto* record = reinterpret_cast<const RowRecord*>(item->id);
    keys.emplace_back(record->group, record->tag_id);
  }
  return keys;
}

bool ArchiveBrowser::ConfirmMany(size_t count, const char* format, const char* title,
                                 const char* button) {
  if (count <= kAskAbove) return true;
  char message[128];
  std::snprintf(message, sizeof message, format, static_cast<int>(count));
  return MessageBoxWindow::Show(title, message, {button, "Cancel"}) == 0;
}

void ArchiveBrowser::OpenSelection() {
  // Keys first: opening shows windows and may run dialogs, and listener events meanwhile
  // add and remove rows.
  std::vector<TagKey> keys;
  for (const TagKey& key : SelectedTags()) {
    if (!CannotOpen(key.first, key.second)) keys.push_back(key);
  }
  if (keys.empty() || !ConfirmMany(keys.size(), "Open %d tags?", "Open Tags", "Open")) return;
  for (const auto& [group, tag_id] : keys) {
    if (CannotOpen(group, tag_id)) continue;
    if (CodexEntry* entry = codex_.Find(group, tag_id)) TagEdit::OpenEditor(entry);
  }
}

void ArchiveBrowser::OnTreeActivated(intptr_t item_arg) {
  const auto* item = reinterpret_cast<const ListItem*>(item_arg);
  if (!item || item->id == 0) return;
  const auto* record = reinterpret_cast<const RowRecord*>(item->id);
  const uint32_t group = record->group, tag_id = record->tag_id;
  if (CannotOpen(group, tag_id)) return;
  if (CodexEntry* entry = codex_.Find(group, tag_id)) TagEdit::OpenEditor(entry);
}

void ArchiveBrowser::InfoSelection() {
  for (const auto& [group, tag_id] : SelectedTags()) {
    CodexEntry* entry = codex_.Find(group, tag_id);
    if (!entry) continue;
    const bool was_open = codex_.FindAttachment(*entry, kAttachInfo) != nullptr;
    TagInfoWindow::OpenTagInfo(entry);
    if (was_open) return;
  }
}

void ArchiveBrowser::CopySelectionToLocal() {
  const std::vector<TagKey> keys = SelectedTags();
  if (keys.empty() ||
      !ConfirmMany(keys.size(), "Copy %d tags to the local folder?", "Copy To Local", "Copy")) {
    return;
  }
  for (const auto& [group, tag_id] : keys) {
    if (CodexEntry* entry = codex_.Find(group, tag_id)) tagops::CopyToLocal(codex_, entry);
  }
}

void ArchiveBrowser::DuplicateSelection() {
  const std::vector<TagKey> keys = SelectedTags();
  if (keys.empty()) return;
  std::string name;
  if (keys.size() == 1) {
    CodexEntry* entry = codex_.Find(keys[0].first, keys[0].second);
    if (!entry) return;
    name = codex_.EntryHeader(*entry).Name() + " copy";
    if (MessageBoxWindow::Prompt("Enter Name for Duplicate Tag", name, {"OK", "Cancel"}) != 0) {
      return;
    }
  } else if (!ConfirmMany(keys.size(), "Duplicate %d tags?", "Duplicate Tags", "Duplicate")) {
    return;
  }
  for (const auto& [group, tag_id] : keys) {
    CodexEntry* entry = codex_.Find(group, tag_id);
    if (!entry) continue;
    if (keys.size() == 1) {
      tagops::Duplicate(codex_, entry, std::string_view(name));
    } else {
      tagops::Duplicate(codex_, entry, std::nullopt);
    }
  }
}

void ArchiveBrowser::DeleteSelection() {
  std::vector<TagKey> keys;
  for (const TagKey& key : SelectedTags()) {
    const CodexEntry* entry = codex_.Find(key.first, key.second);
    if (entry && entry->has_local_copy()) keys.push_back(key);
  }
  if (keys.empty()) return;
  char question[128];
  if (keys.size() == 1) {
    const CodexEntry* entry = codex_.Find(keys[0].first, keys[0].second);
    std::snprintf(question, sizeof question, "Are you sure you want to delete '%s'?",
                  codex_.EntryHeader(*entry).Name().c_str());
  } else {
    std::snprintf(question, sizeof question, "Are you sure you want to delete %d tags?",
                  static_cast<int>(keys.size()));
  }
  if (MessageBoxWindow::Show("Confirm Deletion", question, {"Delete", "Don't Delete"}) != 0) {
    return;
  }
  for (const auto& [group, tag_id] : keys) {
    CodexEntry* entry = codex_.Find(group, tag_id);
    if (!entry || !entry->has_local_copy()) continue;
    const std::string name = codex_.EntryHeader(*entry).Name();
    char text[128];
    if (entry->attachment_count() > 0) {
      std::snprintf(text, sizeof text, "'%s' is still being used by Zarv.", name.c_str());
      MessageBoxWindow::Show("Can't delete tag.", text, {"OK"});
      continue;
    }
    if (!tagops::DeleteLocalCopy(codex_, entry)) {
      std::snprintf(text, sizeof text,
                    "Couldn't delete '%s'. It might be locked, or in use by another program.",
                    name.c_str());
      MessageBoxWindow::Show("Error", text, {"OK"});
    }
  }
}

void ArchiveBrowser::OnTreeDelete(intptr_t) {
  DeleteSelection();
}

bool ArchiveBrowser::OnKey(InputEvent& event) {
  if (event.b != 1 || !(event.flags & kModControl) || !TreeHasFocus()) {
    return Window::OnKey(event);
  }
  switch (event.a) {
    case 'O':
      OpenSelection();
      return true;
    case 'I':
      InfoSelection();
      return true;
    case 'K':
      CopySelectionToLocal();
      return true;
    case 'D':
      DuplicateSelection();
      return true;
    case 'T':
      ToggleHiddenGroups();
      return true;
    default:
      return Window::OnKey(event);
  }
}

// ----------------------------------------------------------------------------- menus

Menu* ArchiveBrowser::MakeTagMenu() {
  auto* menu = new Menu(false);
  if (GetFont()) menu->SetFont(GetFont());
  const bool rows = !SelectedTags().empty();
  menu->AddItem("Open (enter)", kOpen, rows);
  menu->AddItem("Get Info (cmd-I)", kGetInfo, rows);
  menu->AddItem("Copy To Local (cmd-K)", kCopyToLocal, rows);
  menu->AddItem("Duplicate (cmd-D)", kDuplicate, rows);
  menu->AddItem("Delete (del)", kDelete, rows);
  menu->AddSeparator();
  menu->AddItem("Toggle Hidden Groups (cmd-T)", kToggleHidden, true);
  return menu;
}

Menu* ArchiveBrowser::MakeArchiveMenu(ArchiveBrowserList* list) {
  auto* menu = new Menu(false);
  if (GetFont()) menu->SetFont(GetFont());
  const size_t selected = SelectedArchives(list).size();
  menu->AddItem("Default Working Set", kDefaultSet, true);
  menu->AddItem(list == active_ ? "Deactivate Selection" : "Activate Selection", kMoveSelection,
                selected > 0);
  menu->AddItem("Disassemble Archive", kDisassemble, selected == 1);
  return menu;
}

void ArchiveBrowser::RunTagCommand(int32_t id) {
  switch (id) {
    case kOpen:
      OpenSelection();
      break;
    case kGetInfo:
      InfoSelection();
      break;
    case kCopyToLocal:
      CopySelectionToLocal();
      break;
    case kDuplicate:
      DuplicateSelection();
      break;
    case kDelete:
      DeleteSelection();
      break;
    case kToggleHidden:
      ToggleHiddenGroups();
      break;
    default:
      break;
  }
}

void ArchiveBrowser::ShowTagMenu(Point screen_point) {
  const int32_t id = MakeTagMenu()->PopUpOnce(screen_point);
  RunTagCommand(id);
}

void ArchiveBrowser::ShowArchiveMenu(ArchiveBrowserList* list, Point screen_point) {
  const int32_t id = MakeArchiveMenu(list)->PopUpOnce(screen_point);
  switch (id) {
    case kDefaultSet:
      ApplyDefaultWorkingSet();
      break;
    case kMoveSelection:
      MoveSelection(list == inactive_);
      break;
    case kDisassemble:
      DisassembleSelection(list);
      break;
    default:
      break;
  }
}
