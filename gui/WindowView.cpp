#include "gui/WindowView.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "gui/ListWindow.h"
#include "gui/Painter.h"
#include "gui/PlacementHooks.h"
#include "gui/WindowManager.h"

namespace {
constexpr int kRefreshKey = Key::F1 + 4;  // F5
// Top-level containers (root and the layers) stand out from the windows they hold.
constexpr uint32_t kContainerColor = MakeColor(0xff, 0xd0, 0x60);
// The three columns share the default width, the address getting room for all its digits.
constexpr int32_t kTextWidth = 208;
constexpr int32_t kClassWidth = 160;
constexpr int32_t kAddressWidth = 144;
static_assert(kTextWidth + kClassWidth + kAddressWidth == WindowView::kDefaultClientSize.width);
}  // namespace

WindowView::WindowView(Window* parent) : Window(kFlags, parent) {
  SetTitle(kTitle);
  list_ = new ListWindow(ListStyle::Header, WindowFlag::Visible, this);
  list_->AddColumn("Text", "%s", 0, 0, kTextWidth, 0);
  list_->AddColumn("Class", "%s", ColumnType::String, sizeof(std::string), kClassWidth, 0);
  list_->AddColumn("Address", "%s", ColumnType::String, sizeof(std::string), kAddressWidth, 0);
  if (!LoadPlacement(this, kPlacementKey, true)) {
    const Point at = WM().NextCascadePosition();
    SetFrameRect({at.x, at.y, at.x + 1, at.y + 1});
    SetClientSize(kDefaultClientSize);
  }
  OnResized();
  Fill();
}

std::string WindowView::FormatAddress(uintptr_t address) {
  char text[2 + 2 * sizeof(uintptr_t) + 1];
  std::snprintf(text, sizeof text, "0x%0*" PRIxPTR, static_cast<int>(2 * sizeof(uintptr_t)),
                address);
  return text;
}

void WindowView::Fill() {
  list_->Clear();
  rows_.clear();
  AddWindow(WM().Root(), nullptr);
  list_->Refresh();
}

void WindowView::AddWindow(Window* window, ListItem* parent_item) {
  Row& row = rows_.emplace_back();
  row.cells[0] = window->GetClassName();
  row.window = reinterpret_cast<uintptr_t>(window);
  row.cells[1] = FormatAddress(row.window);
  const bool container = (window->Flags() & WindowFlag::TopLevelContainer) != 0;
  const char* title = window->GetTitle();
  // Containers start open, so that the windows on screen show at once.
  ListItem* item =
      list_->AddItem(parent_item, 0, container ? ListItemFlag::Expanded : 0,
                     reinterpret_cast<uint64_t>(row.cells.data()), title ? title : "(unnamed)");
  if (!item) return;
  if (container) item->text_color = kContainerColor;
  for (Window* child = window->FirstChild(); child; child = child->NextSibling()) {
    AddWindow(child, item);
  }
}

bool WindowView::OnKey(InputEvent& event) {
  if (event.a != kRefreshKey) return Window::OnKey(event);
  if (event.b == 1) Fill();
  return true;
}

bool WindowView::RequestClose(bool forced) {
  if (!Window::RequestClose(forced)) return false;
  SavePlacement(this, kPlacementKey);
  return true;
}

void WindowView::OnResized() {
  const Rect& c = ClientRect();
  if (list_) list_->SetFrameRect({0, 0, c.Width(), c.Height()});
}

WindowView* OpenWindowSpy() {
  WindowManager& wm = WM();
  for (Window* w = wm.Layer0()->FirstChild(); w; w = w->NextSibling()) {
    if (w->IsBeingDestroyed() || w->GetShowState() == kShowClosing) continue;
    const char* title = w->GetTitle();
    if (std::strcmp(w->GetClassName(), "WindowView") == 0 && title &&
        std::strcmp(title, WindowView::kTitle) == 0) {
      auto* spy = static_cast<WindowView*>(w);
      spy->Show();
      wm.BringToFront(spy);
      Window::SetFocus(spy->List(), 0);
      return spy;
    }
  }
  auto* spy = new WindowView(wm.Layer0());
  wm.BringToFront(spy);
  // The user asked for it: the keyboard goes there (F5, Ctrl+W).
  Window::SetFocus(spy->List(), 0);
  return spy;
}
