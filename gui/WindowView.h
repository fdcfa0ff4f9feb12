#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <string>

#include "gui/Window.h"

class ListWindow;
struct ListItem;

// The window spy: the live window tree as an expandable list of each window's title, class
// and address, for debugging the toolkit. Every row keeps copies of what it shows; a listed
// window is never looked at again after the list was filled, so a window destroyed since
// leaves nothing dangling here. F5 fills the list anew.
class WindowView : public Window {
 public:
  // Visible, title bar, drop shadow, resizable, background B, the three title-bar buttons.
  static constexpr uint32_t kFlags = 7535;
  static constexpr const char* kTitle = "Window Spy";
  static constexpr const char* kPlacementKey = "WindowSpyPlacement";
  static constexpr Size kDefaultClientSize{512, 700};

  // What a row shows besides its title (the item's text), in the order of the list's columns,
  // and the address of the window it was made from, as a number.
  struct Row {
    std::array<std::string, 2> cells;  // class name, address
    uintptr_t window = 0;
  };

  explicit WindowView(Window* parent = nullptr);

  // Clears the rows and lists the tree from `root` down, each window's children below it in
  // sibling order (topmost first).
  void Fill();
  ListWindow* List() const { return list_; }
  const std::deque<Row>& Rows() const { return rows_; }
  // "0x" and every hex digit of the address.
  static std::string FormatAddress(uintptr_t address);

  const char* GetClassName() const override { return "WindowView"; }
  bool OnKey(InputEvent& event) override;
  bool RequestClose(bool forced) override;
  void OnResized() override;

 private:
  void AddWindow(Window* window, ListItem* parent_item);

  ListWindow* list_ = nullptr;
  std::deque<Row> rows_;  // a deque: items point at their rows while more are added
};

// Brings the window spy to the front, creating it when there is none.
WindowView* OpenWindowSpy();
