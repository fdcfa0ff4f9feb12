#pragma once
#include <cstdint>
#include <string_view>

#include "gui/Button.h"
#include "gui/Signal.h"
#include "gui/Window.h"

class ListWindow;
struct ListItem;
class TextBox;

// A text field, a small drop-down button and a pop-up list of items. While the list is open
// a modal loop runs; the list is lifted into the window manager's top layer for that time,
// so that it shows and takes clicks whole wherever it reaches, over the combo box's dialog
// and past its edges.
class ComboBox : public Window {
 public:
  // The 14 x 14 arrow button at the right end of the text field.
  class DropdownButton : public Button {
   public:
    explicit DropdownButton(ComboBox* parent);
    void FrameSizeForClient(Size& frame_size, Size client_size) const override;
    void Draw() override;
    // The combo box takes the focus in its place.
    FocusGain OnFocusGained(Window* old_focus, int32_t reason) override;
  };

  // Argument of selection_changed.
  struct Selection {
    ListItem* item = nullptr;
    uint64_t id = 0;
  };

  static constexpr uint32_t kEditable = 1;  // flags bit 0: the text field can be typed in
  static constexpr int32_t kInitialWidth = 178;
  static constexpr int32_t kMinimumRowHeight = 16;
  static constexpr int32_t kDefaultRows = 8;
  // What SelectedId answers when nothing is selected: the program's "none" value.
  static constexpr uint64_t kNoId = ~uint64_t{0};

  ComboBox(Window* parent, uint32_t flags);
  ~ComboBox() override;

  // Appends an item (a pinned one goes before the others); its text sorts in natural order.
  ListItem* AddItem(uint64_t id, std::string_view text, bool pinned = false);
  void SortItems();
  // Removes every item and empties the text field, without emitting.
  void Clear();
  // Selects the first item with that id (a 32-bit -1 and 0xFFFFFFFF are the same id), scrolls
  // it into view and shows its text, without emitting. An id that no item has leaves nothing
  // selected and the text field as it was; returns whether an item was found.
  bool SelectById(uint64_t id);
  ListItem* SelectedItem() const;
  uint64_t SelectedId() const;  // kNoId when nothing is selected
  // The list shows min(rows, items + 1) rows (rows 0 counts as 1); with fit_width the combo
  // box becomes as wide as the widest item text plus 18.
  void Fit(int32_t rows, bool fit_width);
  // Fit's rows, with the widest item text measured by the caller (lists that many combo boxes
  // share measure it once).
  void FitToWidest(int32_t rows, int32_t widest_text);
  // The font the list draws its items in.
  const Font* ListFont() const;
  void SetWidth(int32_t width);

  // Opens the list and runs its modal loop until it closes.
  void Open();
  // Closes the list and ends the loop; nothing when it is closed.
  void CloseList();
  bool IsOpen() const { return open_; }
  bool IsListAbove() const { return open_ && above_; }

  uint32_t ComboFlags() const { return flags_; }
  bool IsEditable() const { return (flags_ & kEditable) != 0; }
  // While set, selection changes of the list do not emit.
  void SetSuppress(bool suppress) { suppress_ = suppress; }
  bool Suppressed() const { return suppress_; }
  TextBox* TextField() const { return text_; }
  DropdownButton* ArrowButton() const { return button_; }
  ListWindow* List() const { return list_; }
  // The closed height: the larger of the line height and 16.
  int32_t RowHeight() const;
  int32_t ListHeight() const { return list_height_; }
  int32_t ItemCount() const;

  Signal selection_changed;  // argument: a const Selection*

  const char* GetClassName() const override { return "ComboBox"; }
  bool HandleEvent(Window* target, int32_t type, InputEvent& event) override;
  void OnResized() override;
  void Draw() override;
  void OnMouseButton(InputEvent& event) override;
  void OnFocusLost(Window* new_focus, int32_t reason) override;
  FocusGain OnFocusGained(Window* old_focus, int32_t reason) override;
  void OnFlagsChanged(uint32_t changed) override;

 private:
  bool HandleKey(InputEvent& event);
  void MoveFocusOn(bool backwards);
  void LayOut();
  int32_t ButtonWidth() const;
  int32_t ListRowHeight() const;
  Window* FocusHolder() const;
  void SelectQuietly(ListItem* item);
  void ShowText(const ListItem* item);
  void OnArrowClicked(intptr_t);
  void OnListSelectionChanged(intptr_t);
  void OnListActivated(intptr_t);
  void OnFieldFocusLost(intptr_t reason);

  uint32_t flags_ = 0;
  bool suppress_ = false;
  bool needs_refresh_ = false;
  bool open_ = false;
  bool above_ = false;
  Rect closed_position_;
  TextBox* text_ = nullptr;
  DropdownButton* button_ = nullptr;
  ListWindow* list_ = nullptr;
  int32_t list_height_ = 0;
  const ListItem* last_selected_ = nullptr;  // the selection last reported, or set quietly
  bool* alive_ = nullptr;                    // cleared if the box is destroyed inside its loop
  bool pass_on_ = false;                     // a press outside ended the loop
  InputEvent press_{};
};
