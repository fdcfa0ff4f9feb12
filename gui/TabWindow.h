#pragma once
#include <cstdint>
#include <vector>

#include "gui/Window.h"

// Shows one of its child windows (pages) below a row of tabs titled with the pages' titles.
// Every child added becomes a page; the first one added is selected.
class TabWindow : public Window {
 public:
  struct Tab {
    Rect rect;  // client coordinates
    Window* page = nullptr;
  };

  TabWindow(uint32_t flags, Window* parent);

  // Shows page `index` (nothing for an index out of range) and gives it the focus.
  void Select(int32_t index);
  int32_t CurrentTab() const { return current_; }
  int32_t TabCount() const { return static_cast<int32_t>(tabs_.size()); }
  Window* Page(int32_t index) const;
  Window* CurrentPage() const { return Page(current_); }
  // Tab rectangles in client coordinates, laid out for the pages' current titles.
  Rect TabRect(int32_t index);
  // Where the current page goes, in client coordinates.
  Rect PageRect() const;

  const char* GetClassName() const override { return "TabWindow"; }
  bool HandleEvent(Window* target, int32_t type, InputEvent& event) override;
  void OnIdle() override;
  void OnResized() override;
  void Draw() override;
  void OnMouseButton(InputEvent& event) override;
  void OnChildAdded(Window* child) override;
  void OnChildRemoved(Window* child) override;

 private:
  void LayOutTabs();
  void Show(int32_t index, bool focus);
  void PlaceCurrent();

  std::vector<Tab> tabs_;
  int32_t current_ = -1;
  // A page is announced from inside its own construction, before it has its title, flags
  // and size: the pages are put in order again at the next frame.
  bool settle_ = false;
};
