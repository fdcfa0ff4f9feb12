#include "gui/DialogWindow.h"

#include <algorithm>
#include <vector>

#include "gui/Button.h"
#include "gui/FocusKeeper.h"
#include "gui/TextBox.h"
#include "gui/WindowManager.h"

DialogWindow::DialogWindow(const char* title, uint32_t flags, Window* parent)
    : Window(flags, parent) {
  SetTitle(title);
  ok_ = new Button(this, "OK", kOkId);
  cancel_ = new Button(this, "Cancel", kCancelId);
  Connect<&DialogWindow::OnButton>(ok_->clicked_with_id, this);
  Connect<&DialogWindow::OnButton>(cancel_->clicked_with_id, this);
  Window::SetTabOrder({ok_, cancel_});
  SetClientSize({kMinClientWidth, Button::Height() + 2 * kMargin});
}

void DialogWindow::FrameSizeForClient(Size& frame_size, Size client_size) const {
  // However small the content, the buttons fit.
  client_size.width = std::max(client_size.width, kMinClientWidth);
  client_size.height = std::max(client_size.height, Button::Height() + 2 * kMargin);
  Window::FrameSizeForClient(frame_size, client_size);
}

void DialogWindow::OnResized() {
  const int32_t w = ClientRect().Width();
  const int32_t h = ClientRect().Height();
  const int32_t bottom = h - kButtonGap;
  const int32_t top = bottom - Button::Height();
  const int32_t cancel_right = w - kMargin;
  const int32_t ok_right = cancel_right - kButtonWidth - kButtonGap;
  cancel_->SetFrameRect({cancel_right - kButtonWidth, top, cancel_right, bottom});
  ok_->SetFrameRect({ok_right - kButtonWidth, top, ok_right, bottom});
}

Rect DialogWindow::ContentRect() const {
  const int32_t w = ClientRect().Width();
  const int32_t h = ClientRect().Height();
  return {kMargin, kMargin, w - kMargin, h - kMargin - Button::Height()};
}

void DialogWindow::FitToContent(int32_t width, int32_t height) {
  SetClientSize({width + 2 * kMargin, height + Button::Height() + 2 * kMargin});
}

void DialogWindow::SetTabOrder(Window* first_control) {
  if (!first_control || first_control == ok_ || first_control == cancel_) return;
  ok_->LeaveTabOrder();
  cancel_->LeaveTabOrder();
  std::vector<Window*> order{first_control, ok_, cancel_};
  // The rest of the control's ring, in its order; a ring never holds a window twice, so the
  // walk ends where it started.
  for (Window* w = first_control->NextInTabOrder(); w && w != first_control;
       w = w->NextInTabOrder()) {
    order.push_back(w);
  }
  Window::SetTabOrder(order);
}

bool DialogWindow::LeavesEnterTo(Window* target) const {
  if (!target || target == this) return false;
  if (const auto* box = dynamic_cast<const TextBox*>(target)) {
    return box->IsMultiLine() && box->IsEditable();
  }
  if (const auto* button = dynamic_cast<const Button*>(target)) {
    return !button->Toggles() && button->IsEnabled();
  }
  return false;
}

bool DialogWindow::HandleKey(Window* target, InputEvent& event) {
  const bool down = event.b == 1;
  // The marked button hears Enter whichever key marked it: that is the key it clicks on.
  InputEvent as_enter = event;
  as_enter.a = Key::Enter;
  if (pressed_) {
    if (event.a == pressed_key_) {
      Button* button = pressed_;
      if (!down) pressed_ = nullptr;
      button->OnKey(as_enter);  // a release clicks, which may run accept or cancel
      return true;
    }
    if (down) {
      // Another key abandons the press; it then goes where it would have gone.
      pressed_->OnKey(event);
      pressed_->SetState(Button::kUp, true);
      pressed_ = nullptr;
    }
    return false;
  }
  if (!down || (event.flags & kKeyRepeatFlag)) return false;
  if (event.a == Key::Escape) {
    pressed_ = cancel_;
  } else if (event.a == Key::Enter && !LeavesEnterTo(target)) {
    pressed_ = ok_;
  } else {
    return false;
  }
  pressed_key_ = event.a;
  pressed_->OnKey(as_enter);
  return true;
}

bool DialogWindow::HandleEvent(Window* target, int32_t type, InputEvent& event) {
  // Keys are offered to us before the focused control. Only while we are the top modal window
  // are they ours: above us an open combo list or a message box has the keyboard.
  if (type == kEventKey && WM().IsInModalStack(this, true) && HandleKey(target, event)) {
    return true;
  }
  return Window::HandleEvent(target, type, event);
}

void DialogWindow::OnButton(intptr_t id) {
  const bool ok = id == kOkId;
  if (!(ok ? Accept() : Cancel())) {
    WM().Beep();
    return;
  }
  Finish(ok ? 1 : 0);
}

void DialogWindow::Finish(int32_t result) {
  pressed_ = nullptr;
  Hide();
  WindowManager& wm = WM();
  if (wm.IsInModalStack(this, false)) wm.EndModal(this, result);
}

bool DialogWindow::RequestClose(bool /*forced*/) {
  if (!Cancel()) {
    WM().Beep();
    return false;
  }
  const bool modal = WM().IsInModalStack(this, false);
  Finish(0);
  return !modal;
}

int32_t DialogWindow::RunModal() {
  WindowManager& wm = WM();
  const FocusKeeper focus;
  pressed_ = nullptr;
  if (HasFlags(WindowFlag::Centered)) CenterInParent();
  Show();
  const int32_t result = wm.RunModal(this, WindowManager::kModalKeys | WindowManager::kModalDim);
  // A loop ended from outside leaves the dialog up.
  pressed_ = nullptr;
  Hide();
  focus.Restore();
  return result;
}
