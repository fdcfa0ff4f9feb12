#include "gui/MessageBoxWindow.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "gui/Draw.h"
#include "gui/TextLayout.h"
#include "gui/WindowManager.h"

namespace {
constexpr uint32_t kBoxFlags = WindowFlag::TitleBar | WindowFlag::ThickFrame |
                               WindowFlag::BackgroundA | WindowFlag::DropShadow |
                               WindowFlag::Centered | WindowFlag::FloatingLayer;
constexpr int32_t kButtonHeight = 24;
constexpr int32_t kButtonGap = 24;
constexpr int32_t kMaxMessageWidth = 512;

int32_t ButtonWidth(const char* label) {
  return std::max(96, MeasureTextWidth(DefaultFont(), label ? label : "", 0) + 32);
}
}  // namespace

MessageBoxWindow::MessageBoxWindow(const char* title, const char* message,
                                   std::initializer_list<const char*> buttons)
    : Window(kBoxFlags, nullptr), message_(message ? message : "") {
  SetTitle(title);
  int32_t index = 0;
  for (const char* label : buttons) {
    if (!label || index == kMaxButtons) break;
    Button* b = new Button(this, label, index++);
    Connect<&MessageBoxWindow::OnButton>(b->clicked_with_id, this);
    buttons_.push_back(b);
  }
  const std::vector<Window*> order(buttons_.begin(), buttons_.end());
  SetTabOrder(order);
  Layout();
  if (!buttons_.empty()) SetFocus(buttons_[0], 0);
}

void MessageBoxWindow::Layout() {
  int32_t row = 0;
  for (Button* b : buttons_) row += ButtonWidth(b->GetTitle());
  if (buttons_.size() > 1) row += kButtonGap * static_cast<int32_t>(buttons_.size() - 1);
  const int32_t message_width =
      std::min(kMaxMessageWidth, MeasureTextWidth(DefaultFont(), message_, 0));
  column_ = std::max(message_width, row);
  int32_t message_height = 0;
  if (!message_.empty()) {
    message_height = MeasureTextHeight(DefaultFont(), message_, 0, kTextWordWrap, column_) + 24;
  }
  const int32_t column = column_;
  SetClientSize({column + 64, message_height + kButtonHeight + 64});
  int32_t x = 32 + (column - row) / 2;
  const int32_t y = 32 + message_height;
  for (Button* b : buttons_) {
    const int32_t w = ButtonWidth(b->GetTitle());
    b->SetFrameRect({x, y, x + w, y + kButtonHeight});
    x += w + kButtonGap;
  }
  CenterInParent();
}

void MessageBoxWindow::Draw() {
  if (message_.empty()) return;
  SetDrawColor(kWhite);
  DrawText(GetFont(), message_, 0, kTextWordWrap, {32, 32, 32 + column_, ClientRect().Height()});
}

Button* MessageBoxWindow::GetButton(int32_t index) const {
  return index >= 0 && index < ButtonCount() ? buttons_[static_cast<size_t>(index)] : nullptr;
}

void MessageBoxWindow::OnButton(intptr_t id) {
  WM().EndModal(this, static_cast<int32_t>(id));
}

bool MessageBoxWindow::OnKey(InputEvent& event) {
  // Escape declines, as closing the box does.
  if (event.a != Key::Escape) return false;
  if (event.b == 1 && WM().IsInModalStack(this, false)) {
    WM().EndModal(this, std::max(0, ButtonCount() - 1));
  }
  return true;
}

bool MessageBoxWindow::RequestClose(bool forced) {
  // Closing the box counts as its last button, the one that declines.
  if (WM().IsInModalStack(this, false)) {
    WM().EndModal(this, std::max(0, ButtonCount() - 1));
    return false;
  }
  return Window::RequestClose(forced);
}

int32_t MessageBoxWindow::Show(const char* title, const char* message,
                               std::initializer_list<const char*> buttons) {
  WindowManager& wm = WM();
  auto* box = new MessageBoxWindow(title, message, buttons);
  box->Window::Show();
  const int32_t result = wm.RunModal(box, WindowManager::kModalKeys | WindowManager::kModalDim);
  Window::Close(box);
  return result;
}

void MessageBoxWindow::ShowError(const char* format, ...) {
  char text[1025];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  Show("Error", text, {"OK"});
}
