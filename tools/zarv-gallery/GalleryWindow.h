#pragma once
#include <map>
#include <string>
#include <vector>

#include "gui/Window.h"

class Button;
class CheckBox;
class ColorButton;
class SplitterWindow;
class TabWindow;
class TextBox;
class GalleryView;
class ComboBox;
class GridWindow;
class ListWindow;

// The gallery's one framed window: the seven kinds of text box, the chooser, clipboard, dialog
// and prompt buttons, a push button, a check box and a colour swatch, and a splitter holding the
// picture view and the tabs. It reports what the user does as JSON lines (see GalleryMain.cpp).
class GalleryWindow : public Window {
 public:
  GalleryWindow();
  const char* GetClassName() const override { return "GalleryWindow"; }
  void OnResized() override;

  // Every named control with its frame in OS-window pixels.
  std::map<std::string, Rect> ControlRects() const;
  int32_t ListRowHeight() const;
  // Reports what changed since the last call that no signal tells of: the modal window on
  // top, the view's scroll positions, the divider, the current tab.
  void ReportChanges();

 private:
  struct NamedBox {
    const char* name;
    TextBox* box;
    std::string last;  // the text last reported
  };
  void OnText(intptr_t index);
  void OnEnter(intptr_t packed);
  void OnButton(intptr_t id);
  void OnPushOrCheck(intptr_t id);
  void OnSwatch(intptr_t color);
  void OnListSelection(intptr_t);
  void OnListDropped(intptr_t drop);
  void OnListActivated(intptr_t item);
  void FillList();
  void OnGridSelection(intptr_t);
  void OnCombo(intptr_t selection);
  void RunDialog();
  void OnNotes(intptr_t);

  std::vector<NamedBox> boxes_;
  std::vector<std::pair<const char*, Button*>> buttons_;
  Button* push_ = nullptr;
  CheckBox* check_ = nullptr;
  ColorButton* swatch_ = nullptr;
  SplitterWindow* splitter_ = nullptr;
  GalleryView* view_ = nullptr;
  TabWindow* tabs_ = nullptr;
  ListWindow* list_ = nullptr;
  GridWindow* grid_ = nullptr;
  ComboBox* combo_ = nullptr;
  TextBox* notes_ = nullptr;     // the open dialog's notes
  std::vector<uint32_t> sizes_;  // the records the list's "Size" column shows

  const Window* last_modal_ = nullptr;
  int32_t last_h_ = -1, last_v_ = -1, last_divider_ = -1, last_tab_ = -2;
};
