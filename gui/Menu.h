#pragma once
#include <cstdint>

#include "gui/InputEvent.h"
#include "gui/MenuItem.h"
#include "gui/Signal.h"

// The root of a menu tree: a menu bar laid out left to right at the top of the screen, or a
// pop-up menu (a context menu) shown at a point. It lives in the window manager's top layer
// and runs a modal loop while the user moves through it; the item chosen is reported through
// `command` once the loop is over, so that the command may open dialogs of its own.
class Menu : public MenuItem {
 public:
  explicit Menu(bool is_bar);
  ~Menu() override;

  bool IsBar() const { return is_bar_; }
  // Whether the menu's modal loop is running.
  bool IsRunning() const { return running_; }
  // A bar's height: a line and 4 pixels for the items, and the thin frame above and below.
  int32_t BarHeight() const;

  // Opens an item's sub-menu below (bar) or beside (pop-up) it, moved or flipped to stay on
  // the screen. `opening` is emitted first, so the items may be rebuilt from it.
  void OpenSubMenu(MenuItem* item);
  // Closes an item's sub-menu and everything open below it; its highlight goes.
  void CloseSubMenu(MenuItem* item);
  void CloseAll();
  // Highlights one item of a container (null: none).
  void Highlight(MenuItem* container, MenuItem* item);
  // The innermost container whose items are shown: the deepest open sub-menu, or the root.
  MenuItem* Innermost() const;

  // Runs the modal loop (a bar's or a shown pop-up's) until an item is chosen or the menu is
  // dismissed; then emits `command` with the chosen item, if any, and returns it.
  MenuItem* RunLoop();
  // Shows a pop-up menu at a screen point (moved or flipped onto the screen), runs its loop
  // and hides it again. Returns the chosen item (also emitted through `command`) or null.
  MenuItem* PopUpAt(Point screen_point);
  // A context menu's whole life: PopUpAt, then the menu deleted once its loop has unwound.
  // Returns the chosen item's window id, or 0 when nothing was chosen.
  int32_t PopUpOnce(Point screen_point);

  // What the pointer and the keys do; public so that the items can hand their events on.
  void PointerOver(MenuItem* item);
  void PointerLeft(MenuItem* item);
  void PressItem(MenuItem* item, bool by_key);
  bool HandleKey(InputEvent& event);
  void TypeToChoose(int32_t character);

  Signal command;           // argument: the chosen MenuItem*, or 0 when dismissed by Escape
  Signal item_highlighted;  // argument: the MenuItem* highlighted by the pointer or the keys
  Signal opening;           // argument: the MenuItem* whose sub-menu (or this menu) opens

  const char* GetClassName() const override { return "MenuItem"; }
  bool HandleEvent(Window* target, int32_t type, InputEvent& event) override;
  void DrawBackground() override;

 private:
  friend class MenuItem;
  void Choose(MenuItem* item);
  void EndLoop();
  void LayOutBar();
  // Bar navigation: the next top-level item with a sub-menu after (or before) `from`.
  MenuItem* NextBarMenu(MenuItem* from, bool backwards) const;
  void MoveInPopup(MenuItem* container, bool backwards);
  void OpenAndHighlightFirst(MenuItem* item);
  bool HitsMenu(Point screen_point) const;
  static bool HitsOpenPanels(const MenuItem* container, Point screen_point);

  bool is_bar_ = false;
  bool running_ = false;
  MenuItem* chosen_ = nullptr;  // the item that ended the loop, until it is reported
  bool* alive_ = nullptr;       // cleared if the menu is destroyed inside its loop
  bool pass_on_ = false;        // a press outside ended the loop
  InputEvent press_{};
};
