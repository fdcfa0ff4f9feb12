#pragma once
#include <cstdint>

#include "gui/Window.h"

class X256BitmapBrowser;
class X256EditHost;
struct CollectionBitmap;

// One bitmap at 100 %, titled with its name, opened from a bitmap page that keeps track of it.
class BitmapWindow : public Window {
 public:
  static constexpr uint32_t kFlags = WindowFlag::TitleBar | WindowFlag::DropShadow |
                                     WindowFlag::Resizable | WindowFlag::BackgroundB |
                                     WindowFlag::CloseButton;
  static constexpr int32_t kMinimumSide = 64;

  BitmapWindow(X256EditHost& host, X256BitmapBrowser& browser, CollectionBitmap* bitmap);
  ~BitmapWindow() override;

  CollectionBitmap* bitmap() const { return bitmap_; }
  // The page is going away with its editor: the window closes without telling either, and
  // draws nothing while it waits to be deleted.
  void Orphan() {
    browser_ = nullptr;
    orphaned_ = true;
  }
  // The title follows the bitmap's name; the window its size.
  void Refresh();

  const char* GetClassName() const override { return "BitmapWindow"; }
  void Draw() override;
  void OnClose() override;
  // The editor's keys (undo, redo, save, Ctrl+T) work here as well.
  bool OnKey(InputEvent& event) override;

 private:
  X256EditHost& host_;
  X256BitmapBrowser* browser_;
  CollectionBitmap* bitmap_;
  bool orphaned_ = false;
  // The bitmap size the window was last fitted to: a crop, uncrop or undo that changes it
  // fits the window again, while other refreshes keep a size the user chose.
  int32_t fitted_width_ = -1;
  int32_t fitted_height_ = -1;
};
