#pragma once
#include <cstdint>
#include <vector>

#include "gui/Window.h"

class Menu;

// One entry of a menu: its label is the window title, its command is the window id, and a
// disabled one cannot be chosen. An item holding items is a sub-menu; its items live in a
// pop-up panel of their own in the top layer, shown only while the sub-menu is open. A
// separator is an item with the text kSeparatorText and the id kSeparatorId, drawn as a line.
//
// Menus hand their state around through these items: each container (a menu or a sub-menu)
// remembers which of its items is highlighted and which one has its sub-menu open. The root
// `Menu` runs everything else: the pointer, the keys, the modal loop and the signals.
class MenuItem : public Window {
 public:
  // A pop-up panel showing the items of a sub-menu. It belongs to the item (its owner), so
  // that the menu's modal loop counts it as inside.
  class Panel : public Window {
   public:
    explicit Panel(MenuItem* item);
    ~Panel() override;
    const char* GetClassName() const override { return "MenuPanel"; }
    bool HandleEvent(Window* target, int32_t type, InputEvent& event) override;
    void DrawBackground() override;

   private:
    friend class MenuItem;
    MenuItem* item_ = nullptr;
  };

  static constexpr int32_t kSeparatorId = -1;
  static constexpr const char* kSeparatorText = "<---separator--->";
  // Layout of pop-up items: the label starts past the check mark's column and ends before
  // the sub-menu arrow's; together they make the 36 pixels an item adds to its label.
  static constexpr int32_t kPopupTextLeft = 16;
  static constexpr int32_t kPopupTextRight = 20;
  static constexpr int32_t kPopupMinWidth = 64;
  static constexpr int32_t kSeparatorHeight = 4;  // when the skin has no separator line
  // Bar items: 2 pixels either side of the label and 8 between neighbours.
  static constexpr int32_t kBarPad = 2;
  static constexpr int32_t kBarGap = 8;

  ~MenuItem() override;

  // Appends an item (this item becomes a sub-menu). Texts are shown as they stand: a label
  // holding "|b" shows those two characters.
  MenuItem* AddItem(const char* label, int32_t id, bool enabled = true);
  MenuItem* AddSeparator();
  // Removes and destroys one of this container's items (with its own items), or all of
  // them. Whatever still pointed at a removed item (the open sub-menu, the highlight, a
  // choice not yet reported) forgets it. Never remove the item whose event is being handled.
  void RemoveItem(MenuItem* item);
  void ClearItems();

  const std::vector<MenuItem*>& Items() const { return items_; }
  int32_t ItemCount() const { return static_cast<int32_t>(items_.size()); }
  bool HasItems() const { return !items_.empty(); }
  // The first item with that id in this container or below it, depth first.
  MenuItem* FindItem(int32_t id) const;

  Menu* Root() const { return root_; }
  MenuItem* ParentItem() const { return parent_item_; }
  MenuItem* OpenChild() const { return open_child_; }
  MenuItem* HighlightedChild() const { return highlighted_child_; }
  bool IsSeparator() const { return separator_; }
  // Whether the item can be highlighted and chosen: enabled and not a separator.
  bool IsSelectable() const { return IsEnabled() && !separator_; }
  // Whether this item's sub-menu is shown.
  bool IsOpen() const;
  // Whether the item sits in a menu bar (laid out left to right).
  bool IsInBar() const;
  // The window that shows this container's items: the menu itself for a root, the panel for
  // a sub-menu (null until the first item is added).
  Window* ItemsWindow() const;

  // A check mark before the label, for items that switch something on and off.
  void SetChecked(bool checked);
  bool IsChecked() const { return checked_; }

  const char* GetClassName() const override { return "MenuItem"; }
  bool HandleEvent(Window* target, int32_t type, InputEvent& event) override;
  void Draw() override;
  bool OnKey(InputEvent& event) override;
  void OnChar(InputEvent& event) override;
  void OnMouseButton(InputEvent& event) override;
  void OnMouseMove(InputEvent& event) override;
  void OnMouseLeave(uint32_t new_part, uint32_t old_part) override;
  void OnFlagsChanged(uint32_t changed) override;
  void SetTitle(const char* title) override;

 protected:
  friend class Menu;
  // A root menu: no parent item, shown in the top layer.
  explicit MenuItem(uint32_t flags);
  // An item inside `container`.
  MenuItem(MenuItem* container, const char* label, int32_t id, bool enabled, bool separator);

  // Lays out the items of this container (a pop-up panel's or a bar's) and sizes its window.
  void LayOutItems();
  // Re-lays the container now when it is on screen, else when it is next opened.
  void ItemsChanged();
  // Drops every reference to `item`, which is leaving this container.
  void ForgetItem(MenuItem* item);

 private:
  void DestroyItems();

  Menu* root_ = nullptr;
  MenuItem* parent_item_ = nullptr;
  MenuItem* open_child_ = nullptr;
  MenuItem* highlighted_child_ = nullptr;
  std::vector<MenuItem*> items_;
  Panel* panel_ = nullptr;
  bool separator_ = false;
  bool checked_ = false;
  bool dying_ = false;
};
