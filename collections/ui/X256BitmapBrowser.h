#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "gui/ListGridWindow.h"

class ArchiveBrowserList;
class BitmapGrid;
class BitmapWindow;
class CollectionChange;
class Menu;
class X256EditHost;
struct CollectionBitmap;

// The "Bitmaps" page (bitmaps without the shadow flag) and the "Shadows" page (those with
// it): thumbnails or a table of the page's bitmaps, the bitmap windows opened from them, and
// every command of the page's context menu. Commands act on the selection or, from the "All"
// submenu, on every bitmap of the page.
class X256BitmapBrowser : public ListGridWindow {
 public:
  enum Mode : int32_t { kBitmaps = 0, kShadows = 1 };
  static constexpr uint16_t kShadowFlag = 0x0080;
  static constexpr uint16_t kPartialAlphaFlag = 0x0010;
  static constexpr int32_t kThumbnailSize = 128;

  // The commands; the "All" submenu's items are kAllOffset higher.
  enum Command : int32_t {
    kRename = 1,
    kExport,
    kExportAlpha,
    kExportPlate,
    kExportAlphaPlate,
    kReplace,
    kReplaceAlpha,
    kReplaceFromPlate,
    kReplaceAlphaFromPlate,
    kRemoveAlpha,
    kConvertToRle,
    kConvertToRaw,
    kCrop,
    kUncrop,
    kDelete,
    kAddFromFiles = 50,
    kAddFromPlate,
    kSelectionMenu = 60,
    kAllMenu,
    kFormatMenu,
    kAllOffset = 100,
  };

  X256BitmapBrowser(X256EditHost& host, Mode mode, Window* parent);
  ~X256BitmapBrowser() override;

  // Rebuilds both views from the collection, keeping the selection of bitmaps still there,
  // and closes the bitmap windows of bitmaps that left the page.
  void Refresh();

  Mode mode() const { return mode_; }
  // The page's bitmaps in collection order; the selected ones among them.
  std::vector<CollectionBitmap*> PageBitmaps() const;
  std::vector<CollectionBitmap*> SelectedBitmaps() const;
  void SelectBitmaps(const std::vector<CollectionBitmap*>& bitmaps);
  // "%3d Bitmaps:" above the views.
  std::string HeaderText() const;

  // The context menu as it would open now (the caller deletes it), and its commands.
  Menu* MakeContextMenu();
  void RunCommand(int32_t id);

  // Bitmap windows: opened at 100 % on each bitmap (an open one is raised instead).
  void OpenBitmaps(const std::vector<CollectionBitmap*>& bitmaps);
  int32_t OpenWindowCount() const { return static_cast<int32_t>(windows_.size()); }
  BitmapWindow* WindowOf(const CollectionBitmap* bitmap) const;
  void WindowClosed(BitmapWindow* window);
  // The editor closes: its bitmap windows go with it.
  void CloseWindows();

  // Moves the bitmaps in front of the page's bitmap `before` (past the end: to the end).
  void MoveBitmaps(const std::vector<CollectionBitmap*>& moved, int32_t before);

  BitmapGrid* Grid() const { return grid_; }
  ArchiveBrowserList* Table() const { return table_; }

  const char* GetClassName() const override { return "X256BitmapBrowser"; }
  void Draw() override;

 private:
  struct Row;

  const char* Noun() const { return mode_ == kShadows ? "shadow" : "bitmap"; }
  std::vector<CollectionBitmap*> Targets(bool all) const;
  void ShowContextMenu(Point screen_point);
  void DrawCell(uint64_t data, const Rect& rect);
  // What dragging from either view carries: the selection when the pressed bitmap is in it,
  // else the pressed bitmap alone. Null for none.
  DragDropData* MakeDragData(CollectionBitmap* pressed);
  bool Drop(int32_t before, DragDropData* data, bool query);
  void OnTableActivated(intptr_t item);
  void OnTableDelete(intptr_t);
  // True when none of the bitmaps is open; otherwise tells which one is and why it must close.
  bool NoneOpen(const std::vector<CollectionBitmap*>& bitmaps, const char* doing) const;
  void Commit(std::unique_ptr<CollectionChange> change);

  void Rename();
  void Delete(bool all);
  void SetFormat(bool all, bool rle);
  void RemoveAlpha(bool all);
  void Crop(bool all);
  void Uncrop(bool all);
  void AddFromFiles();
  // Files as new bitmaps (no targets) or over the targets, one for each, as one change; false
  // (the user told why) leaves the collection as it was.
  bool ImportFiles(std::span<const std::filesystem::path> paths,
                   std::span<CollectionBitmap* const> targets,
                   std::vector<CollectionBitmap*>& made);
  void AddFromPlate();
  void Replace(bool all);
  void ReplaceAlpha(bool all);
  // The files for the targets: one, or several paired "By Order" or "By Name" (the mode
  // remembered); false when the user cancels, the pairing fails or a target's window is open.
  bool ChooseReplacements(const std::vector<CollectionBitmap*>& targets, const char* one_title,
                          const char* many_title, std::vector<std::filesystem::path>& paths,
                          std::vector<CollectionBitmap*>& replaced);
  void ReplaceFromPlate(bool all, bool alpha);
  void Export(bool all, bool alpha);
  void ExportPlate(bool all, bool alpha);

  X256EditHost& host_;
  Mode mode_;
  BitmapGrid* grid_ = nullptr;
  ArchiveBrowserList* table_ = nullptr;
  std::vector<std::unique_ptr<Row>> rows_;
  std::vector<BitmapWindow*> windows_;
  std::string header_;
};
