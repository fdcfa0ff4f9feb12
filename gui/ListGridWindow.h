#pragma once
#include <cstdint>

#include "gui/Button.h"
#include "gui/Signal.h"
#include "gui/Window.h"

// A frame with two views of the same content, a list and a grid, of which one shows at a
// time below a strip that holds the button switching between them. The button's label names
// the view shown. The views are any windows: the frame only places, shows and focuses them.
class ListGridWindow : public Window {
 public:
  static constexpr int32_t kStripHeight = 32;
  static constexpr int32_t kButtonMargin = 3;  // from the top and the right of the strip
  static constexpr const char* kListLabel = "List";
  static constexpr const char* kGridLabel = "Grid";

  ListGridWindow(uint32_t window_flags, Window* parent);

  // Each view becomes a child of the frame; the view it replaces is detached and returned.
  // A view set while none is shown becomes the shown one; otherwise it waits hidden.
  Window* SetGridView(Window* grid);
  Window* SetListView(Window* list);
  // Shows the other view (when there is one), gives it the focus and emits view_changed.
  virtual void Toggle();

  Window* GridView() const { return grid_; }
  Window* ListView() const { return list_; }
  Window* ShownView() const { return shown_; }
  bool IsGridShown() const { return shown_ != nullptr && shown_ == grid_; }
  Button* ToggleButton() const { return toggle_; }
  // Where the shown view goes: the client area below the strip, in client coordinates.
  Rect ViewRect() const;

  Signal view_changed;  // argument: the view now shown (Window*)

  const char* GetClassName() const override { return "ListGridWindow"; }
  void OnResized() override;
  void DrawBackground() override;
  FocusGain OnFocusGained(Window* old_focus, int32_t reason) override;
  void OnChildRemoved(Window* child) override;

 private:
  Window* SetView(Window*& slot, Window*& other, Window* view);
  void ShowView(Window* view, bool focus);
  void LayOut();
  void UpdateTabOrder();
  void OnToggleClicked(intptr_t);

  Button* toggle_ = nullptr;
  Window* grid_ = nullptr;
  Window* list_ = nullptr;
  Window* shown_ = nullptr;
  bool placing_ = false;  // children come and go on purpose: no clean-up for them
};
