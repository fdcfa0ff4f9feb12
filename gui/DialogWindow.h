#pragma once
#include <cstdint>

#include "gui/Window.h"

class Button;

// The base of the program's modal dialogs: the "OK" and "Cancel" buttons in the bottom right
// corner, their keys and the accept/cancel protocol. A dialog is created by its owner, run
// with RunModal, hidden when accepted or cancelled, and destroyed by its owner.
//
// While the dialog is the top modal window, Escape presses "Cancel" and Enter presses "OK":
// the key's press shows the button pressed and its release clicks it. Enter is left to
// whatever uses it itself: a focused editable multi-line text box (a new line), a focused push
// button (its own click) and an open combo list (which runs a loop of its own above us).
class DialogWindow : public Window {
 public:
  static constexpr int32_t kOkId = 0;
  static constexpr int32_t kCancelId = 1;
  static constexpr int32_t kButtonWidth = 64;
  static constexpr int32_t kMargin = 16;
  static constexpr int32_t kButtonGap = 8;
  static constexpr int32_t kMinClientWidth = 168;  // both buttons and their margins
  static constexpr uint32_t kDefaultFlags = WindowFlag::TitleBar | WindowFlag::ThickFrame |
                                            WindowFlag::BackgroundA | WindowFlag::DropShadow |
                                            WindowFlag::CloseButton | WindowFlag::Centered |
                                            WindowFlag::FloatingLayer;

  explicit DialogWindow(const char* title, uint32_t flags = kDefaultFlags,
                        Window* parent = nullptr);

  const char* GetClassName() const override { return "DialogWindow"; }
  bool HandleEvent(Window* target, int32_t type, InputEvent& event) override;
  void FrameSizeForClient(Size& frame_size, Size client_size) const override;
  // Behaves like "Cancel". A refused cancel beeps and answers false. An agreed one hides the
  // dialog; a modal dialog then ends its loop and still answers false, as its owner destroys
  // it, while a modeless one answers true and is closed.
  bool RequestClose(bool forced) override;
  // Places the two buttons; a dialog that lays out its own controls calls it too.
  void OnResized() override;
  // Called for "OK" and for "Cancel": whether the dialog may close. Both agree here.
  virtual bool Accept() { return true; }
  virtual bool Cancel() { return true; }

  using Window::SetTabOrder;
  // The tab order runs from `first_control` to "OK", "Cancel" and then to what followed
  // `first_control` in its own order.
  void SetTabOrder(Window* first_control);
  // Where the controls go, in client coordinates: 16 in from the edges, above the buttons.
  Rect ContentRect() const;
  // Makes the content rectangle `width` by `height`.
  void FitToContent(int32_t width, int32_t height);
  // Shows the dialog (centred, with the Centered flag), runs its loop and hides it; 1 for "OK", 0
  // for "Cancel" (or a dismissal). The focus goes back to where it was.
  int32_t RunModal();

  Button* OkButton() const { return ok_; }
  Button* CancelButton() const { return cancel_; }
  // The button Enter or Escape is holding down, or null.
  Button* KeyboardButton() const { return pressed_; }

 private:
  bool HandleKey(Window* target, InputEvent& event);
  bool LeavesEnterTo(Window* target) const;
  void OnButton(intptr_t id);
  void Finish(int32_t result);

  Button* ok_ = nullptr;
  Button* cancel_ = nullptr;
  Button* pressed_ = nullptr;
  int32_t pressed_key_ = 0;  // the key that pressed it
};
