#include "gui/TextPopup.h"

#include "gui/TextBox.h"
#include "gui/WindowManager.h"

namespace {
constexpr int32_t kAccepted = 1;
constexpr int32_t kCancelled = 2;
}  // namespace

TextPopup::TextPopup(TextBox* box)
    : Window(WindowFlag::Visible | WindowFlag::FloatingLayer | WindowFlag::NoOverview, nullptr),
      box_(box) {
  SetTitle("TextPopup");
}

void TextPopup::OnEnter(intptr_t pressed) {
  if (pressed == 1) WM().EndModal(this, kAccepted);
}

bool TextPopup::OnKey(InputEvent& event) {
  if (event.a != Key::Escape || event.b != 1) return false;
  WM().EndModal(this, kCancelled);
  return true;
}

bool TextPopup::HandleEvent(Window* target, int32_t type, InputEvent& event) {
  // Presses outside reach the pop-up itself, as the modal loop's window.
  if (type == kEventButton && event.d == 1 && event.c == 0 && !outside_press_ &&
      !FrameRect().Contains(Point{event.a, event.b})) {
    outside_press_ = true;
    press_ = event;
    WM().EndModal(this, kAccepted);
    return true;
  }
  return Window::HandleEvent(target, type, event);
}

void TextPopup::Abandon() {
  abandoned_ = true;
  WindowManager& wm = WM();
  if (wm.IsInModalStack(this, false)) wm.EndModal(this, kCancelled);
}

TextBox* TextPopup::Run(Window* owner, const Rect& rect, TextBox* box, bool* accepted) {
  if (!owner || !box) return box;
  WindowManager& wm = WM();
  Window* old_parent = box->Parent();
  const Rect old_frame = box->FrameRectInParent();
  const bool was_visible = box->IsVisible();

  auto* popup = new TextPopup(box);
  const Rect& origin = owner->ClientRect();
  const Rect& layer = popup->Parent()->ClientRect();
  popup->SetFrameRect(rect.Offset(origin.left - layer.left, origin.top - layer.top));
  box->SetParent(popup);
  box->Show();
  box->SetFrameRect({0, 0, rect.Width(), rect.Height()});
  box->SelectAll();
  Connect<&TextPopup::OnEnter>(box->enter, popup);
  // The loop focuses the pop-up, which passes the focus on to the child it remembers.
  Window::SetFocus(box, 0);

  const int32_t result = wm.RunModal(popup, WindowManager::kModalMouse);
  const bool abandoned = popup->abandoned_;
  if (accepted) *accepted = result == kAccepted && !abandoned;

  if (!abandoned) {
    box->enter.Disconnect(popup);
    if (box->IsAncestorOf(wm.Focus())) Window::SetFocus(owner, 0);
    box->SetParent(old_parent);
    box->SetFrameRect(old_frame);
    box->Show(was_visible);
  }
  const bool outside = popup->outside_press_;
  InputEvent press = popup->press_;
  popup->Hide();
  wm.DeleteLater(popup);
  if (outside) {
    // The press that ended the loop belongs to whatever lies under the pointer, and goes
    // there through the loops still running, which may refuse it.
    wm.RecomputeHover();
    wm.Dispatch(press);
  }
  return abandoned ? nullptr : box;
}
