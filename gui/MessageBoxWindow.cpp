#include "gui/MessageBoxWindow.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "gui/Draw.h"
#include "gui/FocusKeeper.h"
#include "gui/TextBox.h"
#include "gui/TextLayout.h"
#include "gui/WindowManager.h"

namespace {
constexpr uint32_t kBoxFlags = WindowFlag::TitleBar | WindowFlag::ThickFrame |
                               WindowFlag::BackgroundA | WindowFlag::DropShadow |
                               WindowFlag::Centered | WindowFlag::FloatingLayer;
// Messages quote file names and other data: "|b" in them is two characters.
constexpr uint32_t kMessageFlags = kTextWordWrap | kTextLiteral;
constexpr int32_t kFieldMaxLength = 4096;

int32_t FieldHeight(const Font* font) {
  return std::max(22, FontLineHeight(font) + 8);
}
}  // namespace

int32_t MessageBoxWindow::ButtonWidth(const Font* font, const char* label) {
  return std::max(kMinButtonWidth, MeasureTextWidth(font, label ? label : "", 0) + 32);
}

MessageBoxWindow::MessageBoxWindow(const char* title, const char* message,
                                   std::initializer_list<const char*> buttons,
                                   std::string* field_text)
    : Window(kBoxFlags, nullptr), field_text_(field_text), message_(message ? message : "") {
  SetTitle(title);
  for (const char* label : buttons) {
    if (!label || ButtonCount() == kMaxButtons) break;
    buttons_.push_back(new Button(this, label, ButtonCount()));
  }
  // A box without buttons could never end its loop.
  if (buttons_.empty()) buttons_.push_back(new Button(this, "OK", 0));
  for (Button* b : buttons_) Connect<&MessageBoxWindow::OnButton>(b->clicked_with_id, this);
  std::vector<Window*> order;
  if (field_text_) {
    field_ = new TextBox(TextBox::kLineField, this);
    field_->SetMaxLength(kFieldMaxLength);
    field_->SetText(*field_text_);
    field_->SelectAll();
    Connect<&MessageBoxWindow::OnFieldEnter>(field_->enter, this);
    order.push_back(field_);
  }
  order.insert(order.end(), buttons_.begin(), buttons_.end());
  SetTabOrder(order);
  Layout();
}

const Font* MessageBoxWindow::TextFont() const {
  return GetFont() ? GetFont() : DefaultFont();
}

void MessageBoxWindow::Layout() {
  const Font* font = TextFont();
  int32_t row = kButtonGap * (ButtonCount() - 1);
  for (Button* b : buttons_) row += ButtonWidth(font, b->GetTitle());
  column_ =
      std::max(row, std::min(kMaxMessageWidth, MeasureTextWidth(font, message_, 0, kTextLiteral)));
  if (field_) column_ = std::max(column_, kMinFieldWidth);
  int32_t y = kMargin;
  if (!message_.empty()) y += MeasureTextHeight(font, message_, 0, kMessageFlags, column_) + 24;
  if (field_) {
    const int32_t h = FieldHeight(font);
    field_->SetFrameRect({kMargin, y, kMargin + column_, y + h});
    y += h + 24;
  }
  const int32_t button_height = Button::Height();
  int32_t x = kMargin + (column_ - row) / 2;
  for (Button* b : buttons_) {
    const int32_t w = ButtonWidth(font, b->GetTitle());
    b->SetFrameRect({x, y, x + w, y + button_height});
    x += w + kButtonGap;
  }
  SetClientSize({column_ + 2 * kMargin, y + button_height + kMargin});
  CenterInParent();
}

void MessageBoxWindow::Draw() {
  if (message_.empty()) return;
  SetDrawColor(kWhite);
  DrawText(TextFont(), message_, 0, kMessageFlags,
           {kMargin, kMargin, kMargin + column_, ClientRect().Height()});
}

Button* MessageBoxWindow::GetButton(int32_t index) const {
  return index >= 0 && index < ButtonCount() ? buttons_[static_cast<size_t>(index)] : nullptr;
}

void MessageBoxWindow::OnButton(intptr_t id) {
  if (!WM().IsInModalStack(this, false)) return;
  if (field_ && field_text_) *field_text_ = field_->GetText();
  WM().EndModal(this, static_cast<int32_t>(id));
}

void MessageBoxWindow::OnFieldEnter(intptr_t down) {
  Button* first = buttons_[0];
  if (down) {
    enter_pressed_ = true;
    first->SetState(Button::kPressedOff, true);
  } else if (enter_pressed_) {
    // The release clicks, as it would on the button itself.
    enter_pressed_ = false;
    first->SetState(Button::kOn, false);
  }
}

void MessageBoxWindow::Dismiss() {
  if (!WM().IsInModalStack(this, false)) return;
  WM().EndModal(this, ButtonCount() - 1);
}

bool MessageBoxWindow::HandleEvent(Window* target, int32_t type, InputEvent& event) {
  if (type == kEventKey && event.b == 1 && WM().IsInModalStack(this, true)) {
    const bool ctrl = (event.flags & kModControl) != 0;
    if (event.a == Key::Escape || (ctrl && (event.a == 'W' || event.a == Key::F4))) {
      Dismiss();
      return true;
    }
    if (enter_pressed_ && event.a != Key::Enter) {
      // Another key abandons the press Enter showed on the first button.
      enter_pressed_ = false;
      buttons_[0]->SetState(Button::kUp, true);
    }
  }
  return Window::HandleEvent(target, type, event);
}

bool MessageBoxWindow::RequestClose(bool forced) {
  if (WM().IsInModalStack(this, false)) {
    Dismiss();
    return false;
  }
  return Window::RequestClose(forced);
}

int32_t MessageBoxWindow::Run() {
  WindowManager& wm = WM();
  const FocusKeeper focus;
  if (field_)
    SetFocus(field_, 0);
  else
    SetFocus(buttons_[0], 0);
  Window::Show();
  const int32_t result = wm.RunModal(this, WindowManager::kModalKeys | WindowManager::kModalDim);
  Window::Close(this);
  focus.Restore();
  return result;
}

int32_t MessageBoxWindow::Show(const char* title, const char* message,
                               std::initializer_list<const char*> buttons) {
  return (new MessageBoxWindow(title, message, buttons))->Run();
}

int32_t MessageBoxWindow::Prompt(const char* title, std::string& text,
                                 std::initializer_list<const char*> buttons) {
  return (new MessageBoxWindow(title, nullptr, buttons, &text))->Run();
}

void MessageBoxWindow::ShowError(const char* format, ...) {
  // vsnprintf writes at most the buffer's size, the terminating NUL included, however long
  // the arguments make the text.
  char text[kErrorLimit + 1];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (n < 0) text[0] = '\0';
  Show("Error", text, {"OK"});
}
