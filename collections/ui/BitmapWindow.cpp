#include "collections/ui/BitmapWindow.h"

#include <algorithm>
#include <string>

#include "collections/CollectionBitmap.h"
#include "collections/ui/BitmapDrawer.h"
#include "collections/ui/X256BitmapBrowser.h"
#include "collections/ui/X256EditHost.h"
#include "gui/Draw.h"

BitmapWindow::BitmapWindow(X256EditHost& host, X256BitmapBrowser& browser, CollectionBitmap* bitmap)
    : Window(kFlags, nullptr), host_(host), browser_(&browser), bitmap_(bitmap) {
  Refresh();
}

BitmapWindow::~BitmapWindow() {
  // Torn down with the whole tree at exit, without a close.
  if (browser_) browser_->WindowClosed(this);
}

void BitmapWindow::Refresh() {
  SetTitle(bitmap_->Name().c_str());
  if (bitmap_->width != fitted_width_ || bitmap_->height != fitted_height_) {
    fitted_width_ = bitmap_->width;
    fitted_height_ = bitmap_->height;
    SetClientSize({std::max<int32_t>(kMinimumSide, fitted_width_),
                   std::max<int32_t>(kMinimumSide, fitted_height_)});
  }
  InvalidateClient();
}

void BitmapWindow::Draw() {
  if (orphaned_) return;
  FlushSprites();
  const Rect dest{0, 0, bitmap_->width, bitmap_->height};
  BitmapDrawer::Shared().Draw(*bitmap_, host_.DisplayPalette(), dest);
}

void BitmapWindow::OnClose() {
  X256BitmapBrowser* browser = browser_;
  browser_ = nullptr;
  if (browser) browser->WindowClosed(this);
  if (!orphaned_) host_.EditorWindowsChanged();
}

bool BitmapWindow::OnKey(InputEvent& event) {
  if (!orphaned_ && (event.flags & kModControl) == kModControl) {
    if (auto* editor = dynamic_cast<Window*>(&host_)) return editor->OnKey(event);
  }
  return Window::OnKey(event);
}
