#include "collections/ui/X256BitmapBrowser.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <utility>

#include "collections/BitmapEdits.h"
#include "collections/BitmapExport.h"
#include "collections/BitmapFileMatch.h"
#include "collections/Collection.h"
#include "collections/CollectionBitmap.h"
#include "collections/CollectionChange.h"
#include "collections/ColorImport.h"
#include "collections/DataFile.h"
#include "collections/ExportNames.h"
#include "collections/ImageImport.h"
#include "collections/Plate.h"
#include "collections/ui/BitmapDDData.h"
#include "collections/ui/BitmapDrawer.h"
#include "collections/ui/BitmapGrid.h"
#include "collections/ui/BitmapGridDDData.h"
#include "collections/ui/BitmapWindow.h"
#include "collections/ui/X256EditHost.h"
#include "gui/Choosers.h"
#include "gui/Draw.h"
#include "gui/Menu.h"
#include "gui/MessageBoxWindow.h"
#include "gui/TextBox.h"
#include "gui/TextLayout.h"
#include "gui/TextPopup.h"
#include "gui/WindowManager.h"
#include "tags/ui/ArchiveBrowserList.h"

namespace {
constexpr const char* kMappingModeKey = "BitmapImportMappingMode";
constexpr size_t kMaxName = 63;
constexpr int32_t kHeaderLeft = 8;

uintptr_t DataOf(const CollectionBitmap* bitmap) {
  return reinterpret_cast<uintptr_t>(bitmap);
}

std::string FileName(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

int32_t RememberedMode() {
  int32_t mode = 0;
  if (ChooserMemory* memory = ChooserServicesMemory()) memory->GetNumber(kMappingModeKey, mode);
  return mode == 1 ? 1 : 0;
}

void RememberMode(int32_t mode) {
  if (ChooserMemory* memory = ChooserServicesMemory()) memory->SetNumber(kMappingModeKey, mode);
}

void Report(const std::string& text) {
  if (!text.empty()) MessageBoxWindow::Show("", text.c_str(), {"OK"});
}
}  // namespace

// The table's record of one bitmap: the first column's bytes, then the other three columns.
struct X256BitmapBrowser::Row {
  char name[64] = {};
  std::string bits;
  std::string format;
  std::string dimensions;
  CollectionBitmap* bitmap = nullptr;
};

X256BitmapBrowser::X256BitmapBrowser(X256EditHost& host, Mode mode, Window* parent)
    : ListGridWindow(WindowFlag::Visible, parent), host_(host), mode_(mode) {
  SetTitle(mode == kShadows ? "Shadows" : "Bitmaps");

  grid_ = new BitmapGrid(WindowFlag::Visible, this);
  grid_->SetTitle("Bitmaps Grid");
  grid_->SetCellSize(kThumbnailSize, kThumbnailSize);
  grid_->SetDrawCallback(
      [this](int32_t, uint64_t data, const Rect& rect, bool) { DrawCell(data, rect); });
  grid_->SetOpenCallback(
      [this](int32_t, uint64_t data) { OpenBitmaps({reinterpret_cast<CollectionBitmap*>(data)}); });
  grid_->SetDeleteCallback([this] { RunCommand(kDelete); });
  grid_->SetDragCallback([this](int32_t, uint64_t data) {
    if (DragDropData* payload = MakeDragData(reinterpret_cast<CollectionBitmap*>(data)))
      WM().BeginDrag(grid_, payload, nullptr);
  });
  grid_->SetDropCallback(
      [this](int32_t before, DragDropData* data, bool query) { return Drop(before, data, query); });
  grid_->SetContextCallback([this](Point p) { ShowContextMenu(p); });

  table_ = new ArchiveBrowserList(ListStyle::MultiSelect | ListStyle::Header | ListStyle::Draggable,
                                  0, this);
  table_->SetTitle("Bitmaps Table");
  table_->AddColumn("Name", "%s", ColumnType::CharArray, 64, 220, 0);
  table_->AddColumn("Bits", "%s", ColumnType::String, sizeof(std::string), 64, 0);
  table_->AddColumn("Format", "%s", ColumnType::String, sizeof(std::string), 64, 0);
  table_->AddColumn("Dimensions", "%s", ColumnType::String, sizeof(std::string), 100, 0);
  static_assert(offsetof(Row, bits) == 64 && offsetof(Row, format) == 64 + sizeof(std::string) &&
                offsetof(Row, dimensions) == 64 + 2 * sizeof(std::string));
  // Sorting the table would make it disagree with the collection's order, which is the one
  // the game uses.
  table_->SetCompareCallback([](uint64_t a, uint64_t b, int32_t) {
    return a < b ? -1 : a > b ? 1 : 0;
  });
  table_->SetContextHandler([this](Point p) { ShowContextMenu(p); });
  table_->SetEnterHandler([this] {
    OpenBitmaps(SelectedBitmaps());
    return true;
  });
  // The table's drags carry the same bitmaps as the grid's, so that a sequence cell takes
  // them from either view and a drop within the page reorders the same way.
  table_->SetDragDataCallback([this](ListItem& item) -> DragDropData* {
    return MakeDragData(reinterpret_cast<Row*>(item.id)->bitmap);
  });
  table_->SetForeignDropCallback(
      [this](int32_t row, DragDropData* data, bool query) { return Drop(row, data, query); });
  Connect<&X256BitmapBrowser::OnTableActivated>(table_->activated, this);
  Connect<&X256BitmapBrowser::OnTableDelete>(table_->delete_requested, this);

  SetGridView(grid_);
  SetListView(table_);
  Refresh();
}

X256BitmapBrowser::~X256BitmapBrowser() {
  CloseWindows();
}

void X256BitmapBrowser::CloseWindows() {
  const std::vector<BitmapWindow*> windows = std::move(windows_);
  windows_.clear();
  for (BitmapWindow* window : windows) {
    window->Orphan();
    Window::Close(window);
  }
}

// ------------------------------------------------------------------------------ contents

std::vector<CollectionBitmap*> X256BitmapBrowser::PageBitmaps() const {
  std::vector<CollectionBitmap*> out;
  for (const auto& bitmap : host_.EditedCollection().bitmaps) {
    const bool shadow = (bitmap->flags & kShadowFlag) != 0;
    if (shadow == (mode_ == kShadows)) out.push_back(bitmap.get());
  }
  return out;
}

std::vector<CollectionBitmap*> X256BitmapBrowser::SelectedBitmaps() const {
  std::vector<CollectionBitmap*> out;
  if (IsGridShown() || !table_) {
    for (int32_t i : grid_->SelectedCells())
      out.push_back(reinterpret_cast<CollectionBitmap*>(grid_->CellData(i)));
  } else {
    for (const ListItem* item : table_->SelectedItems())
      out.push_back(reinterpret_cast<Row*>(item->id)->bitmap);
  }
  // Always in collection order, whatever order the user picked them in.
  const Collection& collection = host_.EditedCollection();
  std::sort(out.begin(), out.end(), [&](const CollectionBitmap* a, const CollectionBitmap* b) {
    return collection.IndexOfBitmap(a) < collection.IndexOfBitmap(b);
  });
  return out;
}

void X256BitmapBrowser::SelectBitmaps(const std::vector<CollectionBitmap*>& bitmaps) {
  const std::set<const CollectionBitmap*> wanted(bitmaps.begin(), bitmaps.end());
  grid_->ClearSelection();
  for (int32_t i = 0; i < grid_->CellCount(); ++i) {
    if (wanted.count(reinterpret_cast<const CollectionBitmap*>(grid_->CellData(i))))
      grid_->Select(i, true);
  }
  table_->Select(nullptr, false);
  for (ListItem* item = table_->FirstItem(); item; item = item->next) {
    if (wanted.count(reinterpret_cast<Row*>(item->id)->bitmap)) table_->Select(item, true);
  }
}

std::string X256BitmapBrowser::HeaderText() const {
  const size_t count = PageBitmaps().size();
  char text[64];
  std::snprintf(text, sizeof text, "%3d %s%s:", static_cast<int>(count),
                mode_ == kShadows ? "Shadow" : "Bitmap", count == 1 ? "" : "s");
  return text;
}

void X256BitmapBrowser::Refresh() {
  const std::vector<CollectionBitmap*> selected = SelectedBitmaps();
  const std::vector<CollectionBitmap*> bitmaps = PageBitmaps();
  const std::set<const CollectionBitmap*> present(bitmaps.begin(), bitmaps.end());

  grid_->SetCellCount(0);
  for (CollectionBitmap* bitmap : bitmaps) {
    grid_->SetCellLabel(grid_->AddCell(DataOf(bitmap)), bitmap->Name());
  }

  table_->Clear();
  rows_.clear();
  for (CollectionBitmap* bitmap : bitmaps) {
    auto row = std::make_unique<Row>();
    row->bitmap = bitmap;
    const std::string name = bitmap->Name();
    std::snprintf(row->name, sizeof row->name, "%s", name.c_str());
    const bool partial = (bitmap->flags & kPartialAlphaFlag) != 0;
    row->bits = bitmap->bytes_per_pixel >= 4 ? "32 bit" : partial ? "16 bit" : "8 bit";
    row->format = bitmap->IsRle() ? "RLE" : "RAW";
    char dims[32];
    std::snprintf(dims, sizeof dims, "%4d x %d", bitmap->width, bitmap->height);
    row->dimensions = dims;
    table_->AddItem(nullptr, 0, 0, reinterpret_cast<uintptr_t>(row.get()), name);
    rows_.push_back(std::move(row));
  }
  table_->Refresh();

  std::vector<CollectionBitmap*> kept;
  for (CollectionBitmap* b : selected)
    if (present.count(b)) kept.push_back(b);
  SelectBitmaps(kept);

  // A bitmap that left the page (undone import, deleted elsewhere) takes its window along.
  for (BitmapWindow* window : std::vector<BitmapWindow*>(windows_)) {
    if (present.count(window->bitmap())) {
      window->Refresh();
    } else {
      Window::Close(window);
    }
  }
  header_ = HeaderText();
  InvalidateClient();
}

void X256BitmapBrowser::Draw() {
  ListGridWindow::Draw();
  SetDrawColor(kWhite);
  DrawText(GetFont(), header_, 0, kTextLiteral | kTextVCentre,
           {kHeaderLeft, 0, ClientRect().Width() / 2, kStripHeight});
}

void X256BitmapBrowser::DrawCell(uint64_t data, const Rect& rect) {
  const auto* bitmap = reinterpret_cast<const CollectionBitmap*>(data);
  if (!bitmap || bitmap->width == 0 || bitmap->height == 0) return;
  // What is queued lies below the thumbnail.
  FlushSprites();
  // Fit inside the cell, never enlarged, centred.
  const double scale = std::min({1.0, static_cast<double>(rect.Width()) / bitmap->width,
                                 static_cast<double>(rect.Height()) / bitmap->height});
  const int32_t w = std::max(1, static_cast<int32_t>(bitmap->width * scale));
  const int32_t h = std::max(1, static_cast<int32_t>(bitmap->height * scale));
  const int32_t x = rect.left + (rect.Width() - w) / 2;
  const int32_t y = rect.top + (rect.Height() - h) / 2;
  BitmapDrawer::Shared().Draw(*bitmap, host_.DisplayPalette(), {x, y, x + w, y + h});
}

// ------------------------------------------------------------------------------ windows

BitmapWindow* X256BitmapBrowser::WindowOf(const CollectionBitmap* bitmap) const {
  for (BitmapWindow* window : windows_)
    if (window->bitmap() == bitmap) return window;
  return nullptr;
}

void X256BitmapBrowser::OpenBitmaps(const std::vector<CollectionBitmap*>& bitmaps) {
  bool opened = false;
  for (CollectionBitmap* bitmap : bitmaps) {
    if (!bitmap) continue;
    if (BitmapWindow* open = WindowOf(bitmap)) {
      WM().BringToFront(open);
      continue;
    }
    auto* window = new BitmapWindow(host_, *this, bitmap);
    const Rect frame = window->FrameRectInParent();
    const Point at = WM().NextCascadePosition();
    window->SetFrameRect({at.x, at.y, at.x + frame.Width(), at.y + frame.Height()});
    window->Show();
    WM().BringToFront(window);
    windows_.push_back(window);
    opened = true;
  }
  if (opened) host_.EditorWindowsChanged();
}

void X256BitmapBrowser::WindowClosed(BitmapWindow* window) {
  windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
}

bool X256BitmapBrowser::NoneOpen(const std::vector<CollectionBitmap*>& bitmaps,
                                 const char* doing) const {
  for (const CollectionBitmap* bitmap : bitmaps) {
    if (WindowOf(bitmap)) {
      const std::string message = "The bitmap \"" + bitmap->Name() +
                                  "\" is currently open. Please close it before " + doing + ".";
      MessageBoxWindow::Show("Error", message.c_str(), {"OK"});
      return false;
    }
  }
  return true;
}

// ------------------------------------------------------------------------------ dragging

Window::DragDropData* X256BitmapBrowser::MakeDragData(CollectionBitmap* pressed) {
  if (!pressed) return nullptr;
  std::vector<CollectionBitmap*> bitmaps = SelectedBitmaps();
  if (std::find(bitmaps.begin(), bitmaps.end(), pressed) == bitmaps.end()) bitmaps = {pressed};
  if (bitmaps.size() == 1) {
    auto* one = new BitmapDDData;
    one->bitmap = bitmaps.front();
    one->source = this;
    one->label = bitmaps.front()->Name();
    return one;
  }
  auto* several = new BitmapGridDDData;
  several->bitmaps = bitmaps;
  several->source = this;
  char label[32];
  std::snprintf(label, sizeof label, "<%d Bitmaps>", static_cast<int>(bitmaps.size()));
  several->label = label;
  return several;
}

bool X256BitmapBrowser::Drop(int32_t before, DragDropData* data, bool query) {
  std::vector<CollectionBitmap*> moved;
  if (data->type_id == BitmapDDData::kTypeId) {
    auto* one = static_cast<BitmapDDData*>(data);
    if (one->source != this) return false;
    moved = {one->bitmap};
  } else if (data->type_id == BitmapGridDDData::kTypeId) {
    auto* several = static_cast<BitmapGridDDData*>(data);
    if (several->source != this) return false;
    moved = several->bitmaps;
  } else {
    return false;
  }
  if (!query) MoveBitmaps(moved, before);
  return true;
}

void X256BitmapBrowser::OnTableActivated(intptr_t item) {
  if (!item) return;
  OpenBitmaps({reinterpret_cast<Row*>(reinterpret_cast<ListItem*>(item)->id)->bitmap});
}

void X256BitmapBrowser::OnTableDelete(intptr_t) {
  RunCommand(kDelete);
}

void X256BitmapBrowser::MoveBitmaps(const std::vector<CollectionBitmap*>& moved, int32_t before) {
  const std::vector<CollectionBitmap*> page = PageBitmaps();
  if (moved.empty()) return;
  Collection& collection = host_.EditedCollection();
  // The collection index the bitmaps go in front of, skipping the moved ones themselves.
  const CollectionBitmap* anchor = nullptr;
  for (int32_t i = std::max(0, before); i < static_cast<int32_t>(page.size()); ++i) {
    if (std::find(moved.begin(), moved.end(), page[static_cast<size_t>(i)]) == moved.end()) {
      anchor = page[static_cast<size_t>(i)];
      break;
    }
  }
  // Past the page's end: after its last bitmap that stays, so that the other page's bitmaps
  // keep their places in the collection.
  const CollectionBitmap* after = nullptr;
  if (!anchor) {
    for (const CollectionBitmap* bitmap : page) {
      if (std::find(moved.begin(), moved.end(), bitmap) == moved.end()) after = bitmap;
    }
    if (!after) return;
  }
  std::unique_ptr<CollectionChange> change = host_.BeginChange();
  for (const CollectionBitmap* bitmap : moved) {
    if (anchor) {
      collection.MoveBitmap(bitmap, collection.IndexOfBitmap(anchor));
    } else {
      collection.MoveBitmap(bitmap, collection.IndexOfBitmap(after) + 1);
      after = bitmap;
    }
  }
  Commit(std::move(change));
  SelectBitmaps(moved);
}

// ------------------------------------------------------------------------------ menu

std::vector<CollectionBitmap*> X256BitmapBrowser::Targets(bool all) const {
  return all ? PageBitmaps() : SelectedBitmaps();
}

Menu* X256BitmapBrowser::MakeContextMenu() {
  auto* menu = new Menu(false);
  if (GetFont()) menu->SetFont(GetFont());
  const bool bitmaps_page = mode_ == kBitmaps;
  const size_t selected = SelectedBitmaps().size();
  const bool any = !PageBitmaps().empty();
  menu->AddItem("Rename", kRename, selected == 1);

  auto fill = [&](MenuItem* sub, int32_t offset, bool enabled) {
    sub->AddItem("Export", kExport + offset, enabled);
    if (bitmaps_page) {
      sub->AddItem("Export Alpha", kExportAlpha + offset, enabled);
      sub->AddItem("Export Plate", kExportPlate + offset, enabled);
      sub->AddItem("Export Alpha Plate", kExportAlphaPlate + offset, enabled);
    }
    sub->AddItem("Replace", kReplace + offset, enabled);
    if (bitmaps_page) {
      sub->AddItem("Replace Alpha", kReplaceAlpha + offset, enabled);
      sub->AddItem("Replace from Plate", kReplaceFromPlate + offset, enabled);
      sub->AddItem("Replace Alpha from Plate", kReplaceAlphaFromPlate + offset, enabled);
      sub->AddItem("Remove Alpha", kRemoveAlpha + offset, enabled);
      MenuItem* format = sub->AddItem("Format", kFormatMenu + offset, enabled);
      format->AddItem("Convert to RLE", kConvertToRle + offset, enabled);
      format->AddItem("Convert to RAW", kConvertToRaw + offset, enabled);
      sub->AddItem("Crop Transparency", kCrop + offset, enabled);
      sub->AddItem("Uncrop Transparency", kUncrop + offset, enabled);
    }
    sub->AddItem("Delete", kDelete + offset, enabled);
  };
  const char* selection_title = selected == 1
                                    ? (bitmaps_page ? "Selected Bitmap" : "Selected Shadow")
                                    : (bitmaps_page ? "Selected Bitmaps" : "Selected Shadows");
  fill(menu->AddItem(selection_title, kSelectionMenu, selected > 0), 0, selected > 0);
  fill(menu->AddItem(bitmaps_page ? "All Bitmaps" : "All Shadows", kAllMenu, any), kAllOffset, any);
  menu->AddSeparator();
  menu->AddItem(bitmaps_page ? "Add Bitmap(s) from File(s)" : "Add Shadow(s) from File(s)",
                kAddFromFiles, true);
  if (bitmaps_page) menu->AddItem("Add Bitmap(s) from Plate", kAddFromPlate, true);
  return menu;
}

void X256BitmapBrowser::ShowContextMenu(Point screen_point) {
  const int32_t id = MakeContextMenu()->PopUpOnce(screen_point);
  if (id) RunCommand(id);
}

void X256BitmapBrowser::RunCommand(int32_t id) {
  const bool all = id > kAllOffset;
  switch (all ? id - kAllOffset : id) {
    case kRename:
      Rename();
      break;
    case kExport:
      Export(all, false);
      break;
    case kExportAlpha:
      Export(all, true);
      break;
    case kExportPlate:
      ExportPlate(all, false);
      break;
    case kExportAlphaPlate:
      ExportPlate(all, true);
      break;
    case kReplace:
      Replace(all);
      break;
    case kReplaceAlpha:
      ReplaceAlpha(all);
      break;
    case kReplaceFromPlate:
      ReplaceFromPlate(all, false);
      break;
    case kReplaceAlphaFromPlate:
      ReplaceFromPlate(all, true);
      break;
    case kRemoveAlpha:
      RemoveAlpha(all);
      break;
    case kConvertToRle:
      SetFormat(all, true);
      break;
    case kConvertToRaw:
      SetFormat(all, false);
      break;
    case kCrop:
      Crop(all);
      break;
    case kUncrop:
      Uncrop(all);
      break;
    case kDelete:
      Delete(all);
      break;
    case kAddFromFiles:
      AddFromFiles();
      break;
    case kAddFromPlate:
      AddFromPlate();
      break;
    default:
      break;
  }
}

void X256BitmapBrowser::Commit(std::unique_ptr<CollectionChange> change) {
  host_.Commit(std::move(change), X256EditHost::kBitmapList);
}

// ------------------------------------------------------------------------------ commands

void X256BitmapBrowser::Rename() {
  const std::vector<CollectionBitmap*> selected = SelectedBitmaps();
  if (selected.size() != 1) return;
  CollectionBitmap* bitmap = selected.front();
  std::string name = bitmap->Name();
  if (IsGridShown()) {
    int32_t cell = -1;
    for (int32_t i = 0; i < grid_->CellCount(); ++i)
      if (grid_->CellData(i) == DataOf(bitmap)) cell = i;
    if (cell < 0) return;
    const Rect r = grid_->CellRect(cell);
    const Rect& client = grid_->ClientRect();
    const int32_t label_top = r.top + grid_->ZoomedCellSize().height - client.top;
    const Rect label{r.left - client.left, label_top, r.right - client.left,
                     label_top + grid_->LabelHeight()};
    auto* box = new TextBox(TextBox::kLineField, grid_);
    box->SetMaxLength(static_cast<int32_t>(kMaxName));
    box->SetText(name);
    bool accepted = false;
    TextBox* back = TextPopup::Run(grid_, label, box, &accepted);
    if (!back) return;
    name = back->GetText();
    Window::Close(back);
    if (!accepted) return;
  } else if (MessageBoxWindow::Prompt("Enter Bitmap Name", name, {"OK", "Cancel"}) != 0) {
    return;
  }
  std::unique_ptr<CollectionChange> change = host_.BeginChange();
  bitmap->SetName(name, kMaxName);
  Commit(std::move(change));
}

void X256BitmapBrowser::Delete(bool all) {
  const std::vector<CollectionBitmap*> targets = Targets(all);
  if (targets.empty()) return;
  const bool several = targets.size() > 1;
  const char* which = !all ? "the selected" : several ? "all" : "the only";
  const std::string question = std::string("Are you sure you want to remove ") + which + " " +
                               Noun() + (several ? "s" : "") + "?";
  if (MessageBoxWindow::Show("Confirm Delete", question.c_str(), {"Delete", "Cancel"}) != 0) return;
  if (!NoneOpen(targets, "deleting")) return;
  Collection& collection = host_.EditedCollection();
  std::unique_ptr<CollectionChange> change = host_.BeginChange();
  for (const CollectionBitmap* bitmap : targets) collection.RemoveBitmap(bitmap);
  Commit(std::move(change));
}

void X256BitmapBrowser::SetFormat(bool all, bool rle) {
  std::unique_ptr<CollectionChange> change = host_.BeginChange();
  int skipped = 0;
  for (CollectionBitmap* bitmap : Targets(all)) {
    if (!BitmapEdits::Editable(*bitmap)) {
      ++skipped;
      continue;
    }
    BitmapEdits::SetRle(*bitmap, rle);
  }
  // A change that changed nothing leaves no step and no mark.
  Commit(std::move(change));
  Report(BitmapEdits::Skipped(skipped));
}

void X256BitmapBrowser::RemoveAlpha(bool all) {
  std::unique_ptr<CollectionChange> change = host_.BeginChange();
  int skipped = 0;
  for (CollectionBitmap* bitmap : Targets(all)) {
    if (!BitmapEdits::Editable(*bitmap)) {
      ++skipped;
      continue;
    }
    if (!(bitmap->flags & kPartialAlphaFlag)) continue;
    change->Touch(bitmap);
    BitmapEdits::RemoveAlpha(host_.EditedCollection(), *bitmap);
  }
  Commit(std::move(change));
  Report(BitmapEdits::Skipped(skipped));
}

void X256BitmapBrowser::Crop(bool all) {
  const std::vector<CollectionBitmap*> targets = Targets(all);
  if (targets.empty()) return;
  const bool several = targets.size() > 1;
  const std::string question = std::string("Are you sure you want to crop ") +
                               (all ? "all" : "the selected") + " bitmap" + (several ? "s" : "") +
                               "?";
  if (MessageBoxWindow::Show("Crop", question.c_str(), {"Crop", "Cancel"}) != 0) return;
  if (!NoneOpen(targets, "cropping")) return;
  Collection& collection = host_.EditedCollection();
  std::unique_ptr<CollectionChange> change = host_.BeginChange();
  int cropped = 0;
  int skipped = 0;
  int64_t pixels = 0;
  for (CollectionBitmap* bitmap : targets) {
    if (!BitmapEdits::Editable(*bitmap)) {
      ++skipped;
      continue;
    }
    change->Touch(bitmap);
    const int64_t removed = BitmapEdits::CropTransparency(collection, *bitmap);
    if (removed > 0) {
      ++cropped;
      pixels += removed;
    }
  }
  Commit(std::move(change));
  Report(BitmapEdits::CropReport(cropped, pixels) + BitmapEdits::Skipped(skipped));
}

void X256BitmapBrowser::Uncrop(bool all) {
  const std::vector<CollectionBitmap*> targets = Targets(all);
  if (targets.empty()) return;
  std::string text = "128";
  if (MessageBoxWindow::Prompt("Enter Uncropped Size (pixels)", text, {"OK", "Cancel"}) != 0)
    return;
  char* end = nullptr;
  const long size = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || size < 1 || size > BitmapEdits::kMaxUncropSize) {
    MessageBoxWindow::Show("Error", "Invalid size for uncropping.", {"OK"});
    return;
  }
  if (!NoneOpen(targets, "cropping")) return;
  Collection& collection = host_.EditedCollection();
  std::unique_ptr<CollectionChange> change = host_.BeginChange();
  int skipped = 0;
  for (CollectionBitmap* bitmap : targets) {
    if (!BitmapEdits::Editable(*bitmap)) {
      ++skipped;
      continue;
    }
    if (bitmap->width > size || bitmap->height > size) continue;
    change->Touch(bitmap);
    BitmapEdits::UncropTransparency(collection, *bitmap, static_cast<int>(size));
  }
  Commit(std::move(change));
  Report(BitmapEdits::Skipped(skipped));
}

void X256BitmapBrowser::AddFromFiles() {
  const bool shadows = mode_ == kShadows;
  std::vector<ChosenFile> files;
  if (!ChooseOpenFiles(shadows ? "Import Shadows" : "Import Bitmaps", files, FileKindId::kImage,
                       nullptr) ||
      files.empty()) {
    return;
  }
  std::vector<std::filesystem::path> paths;
  for (const ChosenFile& f : files) paths.emplace_back(f.path);
  std::vector<CollectionBitmap*> added;
  if (ImportFiles(paths, {}, added)) SelectBitmaps(added);
}

bool X256BitmapBrowser::ImportFiles(std::span<const std::filesystem::path> paths,
                                    std::span<CollectionBitmap* const> targets,
                                    std::vector<CollectionBitmap*>& made) {
  // The several-file import checks every file before the collection changes and puts it back
  // when one fails or the user cancels; the change around it makes all of them one undo step.
  Collection& collection = host_.EditedCollection();
  const ColorImport::AskReplace ask = [](const std::string& question) {
    return MessageBoxWindow::Show("Import", question.c_str(), {"Replace", "Cancel"}) == 0;
  };
  std::unique_ptr<CollectionChange> change = host_.BeginChange();
  std::string message;
  const bool imported =
      mode_ == kShadows
          ? ColorImport::importShadowImages(collection, paths, targets, made, message)
          : ColorImport::importColorImages(collection, paths, targets, ask, made, message);
  if (!imported) {
    host_.Abandon(std::move(change));
    if (!message.empty()) MessageBoxWindow::ShowError("%s", message.c_str());
    return false;
  }
  host_.Commit(std::move(change), X256EditHost::kBitmapList | X256EditHost::kPalette);
  return true;
}

void X256BitmapBrowser::AddFromPlate() {
  ChosenFile file;
  if (!ChooseOpenFile("Import Plate", file, FileKindId::kImage, nullptr)) return;
  Image plate;
  std::string message;
  if (!DataFile::loadImage(file.path, plate, message)) {
    MessageBoxWindow::ShowError("%s", message.c_str());
    return;
  }
  Collection& collection = host_.EditedCollection();
  std::unique_ptr<CollectionChange> change = host_.BeginChange();
  const std::string plate_name = ColorImport::BitmapNameFromFile(file.path);
  if (!Plate::importColorPlate(collection, plate, plate_name, FileName(file.path), message)) {
    host_.Abandon(std::move(change));
    MessageBoxWindow::ShowError("%s", message.c_str());
    return;
  }
  host_.Commit(std::move(change), X256EditHost::kBitmapList | X256EditHost::kPalette);
}

bool X256BitmapBrowser::ChooseReplacements(const std::vector<CollectionBitmap*>& targets,
                                           const char* one_title, const char* many_title,
                                           std::vector<std::filesystem::path>& paths,
                                           std::vector<CollectionBitmap*>& replaced) {
  std::vector<BitmapFileMatch::Pair> pairs;
  if (targets.size() == 1) {
    ChosenFile file;
    if (!ChooseOpenFile(one_title, file, FileKindId::kImage, nullptr)) return false;
    pairs.push_back({targets.front(), file.path});
  } else {
    std::vector<ChooserOption> options(1);
    options[0].label = "Replace:";
    options[0].options = {{"By Order", 0}, {"By Name", 1}};
    options[0].selected = static_cast<size_t>(RememberedMode());
    std::vector<ChosenFile> files;
    if (!ChooseOpenFiles(many_title, files, FileKindId::kImage, &options)) return false;
    RememberMode(options[0].Value());
    std::vector<std::filesystem::path> chosen;
    for (const ChosenFile& f : files) chosen.emplace_back(f.path);
    std::string message;
    if (!BitmapFileMatch::Match(static_cast<BitmapFileMatch::Mode>(options[0].Value()), targets,
                                chosen, pairs, message)) {
      MessageBoxWindow::Show("Error", message.c_str(), {"OK"});
      return false;
    }
    if (!message.empty()) MessageBoxWindow::Show("", message.c_str(), {"OK"});
  }
  if (!NoneOpen(targets, "replacing")) return false;
  for (const BitmapFileMatch::Pair& pair : pairs) {
    paths.push_back(pair.file);
    replaced.push_back(pair.bitmap);
  }
  return true;
}

void X256BitmapBrowser::Replace(bool all) {
  const std::vector<CollectionBitmap*> targets = Targets(all);
  if (targets.empty()) return;
  const bool shadows = mode_ == kShadows;
  std::vector<std::filesystem::path> paths;
  std::vector<CollectionBitmap*> replaced;
  if (!ChooseReplacements(
          targets, shadows ? "Import replacement shadow" : "Import replacement bitmap",
          shadows ? "Import replacement shadows" : "Import replacement bitmaps", paths, replaced)) {
    return;
  }
  std::vector<CollectionBitmap*> made;
  ImportFiles(paths, replaced, made);
}

void X256BitmapBrowser::ReplaceAlpha(bool all) {
  const std::vector<CollectionBitmap*> targets = Targets(all);
  if (targets.empty()) return;
  std::vector<std::filesystem::path> paths;
  std::vector<CollectionBitmap*> replaced;
  if (!ChooseReplacements(targets, "Import replacement alpha", "Import replacement alphas", paths,
                          replaced)) {
    return;
  }
  // Every mask is checked against its bitmap before any alpha changes.
  std::unique_ptr<CollectionChange> change = host_.BeginChange();
  std::string message;
  if (!ColorImport::replaceAlphaImages(host_.EditedCollection(), paths, replaced, message)) {
    host_.Abandon(std::move(change));
    MessageBoxWindow::ShowError("%s", message.c_str());
    return;
  }
  Commit(std::move(change));
}

void X256BitmapBrowser::ReplaceFromPlate(bool all, bool alpha) {
  const std::vector<CollectionBitmap*> targets = Targets(all);
  if (targets.empty()) return;
  ChosenFile file;
  if (!ChooseOpenFile(alpha ? "Import Alpha Plate" : "Import Plate", file, FileKindId::kImage,
                      nullptr)) {
    return;
  }
  if (!NoneOpen(targets, "replacing")) return;
  Image plate;
  std::string message;
  if (!DataFile::loadImage(file.path, plate, message)) {
    MessageBoxWindow::ShowError("%s", message.c_str());
    return;
  }
  Collection& collection = host_.EditedCollection();
  std::unique_ptr<CollectionChange> change = host_.BeginChange();
  for (CollectionBitmap* bitmap : targets) change->Touch(bitmap);
  const std::string file_name = FileName(file.path);
  const bool ok = alpha
                      ? Plate::replaceAlphaFromPlate(collection, plate, targets, file_name, message)
                      : Plate::replaceFromPlate(collection, plate, targets, file_name, message);
  if (!ok) {
    host_.Abandon(std::move(change));
    MessageBoxWindow::ShowError("%s", message.c_str());
    return;
  }
  host_.Commit(std::move(change), X256EditHost::kBitmapList | X256EditHost::kPalette);
}

void X256BitmapBrowser::Export(bool all, bool alpha) {
  const std::vector<CollectionBitmap*> targets = Targets(all);
  if (targets.empty()) return;
  const Collection& collection = host_.EditedCollection();
  std::string error;
  if (targets.size() == 1) {
    ChosenFile file;
    file.path = targets.front()->Name() + (alpha ? " alpha" : "");
    Image image;
    if (!BitmapExport::MakeImage(collection, *targets.front(), alpha, image, error)) {
      MessageBoxWindow::ShowError("%s", error.c_str());
      return;
    }
    if (!ChooseSaveFile(alpha ? "Export Alpha" : "Export Bitmap", file, FileKindId::kImage,
                        nullptr)) {
      return;
    }
    if (!DataFile::saveImage(file.path, image, error))
      MessageBoxWindow::ShowError("%s", error.c_str());
    return;
  }
  std::vector<ChooserOption> options(1);
  options[0].label = "Mode:";
  options[0].options = {{"By Numbering", 0}, {"By Bitmap Name", 1}};
  options[0].selected = static_cast<size_t>(RememberedMode());
  std::string folder;
  int32_t format_index = 0;
  if (!ChooseFolder("Choose a destination folder", folder, format_index, FileKindId::kImage,
                    &options)) {
    return;
  }
  RememberMode(options[0].Value());
  // The order of the image kind's file types in "Target Format:".
  static constexpr DataFile::FileFormat kFormats[] = {DataFile::kBmp, DataFile::kPng,
                                                      DataFile::kTiff};
  const DataFile::FileFormat format = kFormats[std::clamp<int32_t>(format_index, 0, 2)];
  const std::vector<const CollectionBitmap*> selection(targets.begin(), targets.end());
  BitmapExport::FolderResult result;
  if (!BitmapExport::ExportToFolder(collection, selection,
                                    static_cast<ExportNames::Mode>(options[0].Value()), alpha,
                                    format, folder, result, error)) {
    MessageBoxWindow::Show("Error", error.c_str(), {"OK"});
    return;
  }
  std::string problems;
  for (const std::string& line : result.problems) problems += line + "\n";
  Report(problems);
}

void X256BitmapBrowser::ExportPlate(bool all, bool alpha) {
  const std::vector<CollectionBitmap*> targets = Targets(all);
  if (targets.empty()) return;
  ChosenFile file;
  file.path = alpha ? "alpha plate" : "plate";
  if (!ChooseSaveFile("Export Plate", file, FileKindId::kImage, nullptr)) return;
  const std::vector<const CollectionBitmap*> bitmaps(targets.begin(), targets.end());
  Image plate;
  std::string message;
  if (!Plate::buildPlate(host_.EditedCollection(), bitmaps, alpha, 0, plate, message)) {
    MessageBoxWindow::ShowError("%s", message.c_str());
    return;
  }
  std::string error;
  if (!DataFile::saveImage(file.path, plate, error)) {
    MessageBoxWindow::ShowError("%s", error.c_str());
    return;
  }
  // Bitmaps that could not be drawn into the plate are named.
  Report(message);
}
