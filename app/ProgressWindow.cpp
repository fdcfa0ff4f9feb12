#include "app/ProgressWindow.h"

#include <algorithm>

#include "gui/Button.h"
#include "gui/Draw.h"
#include "gui/FocusKeeper.h"
#include "gui/TextLayout.h"
#include "gui/WindowManager.h"

namespace {
constexpr uint32_t kFlags = WindowFlag::TitleBar | WindowFlag::ThickFrame |
                            WindowFlag::BackgroundA | WindowFlag::DropShadow |
                            WindowFlag::Centered | WindowFlag::FloatingLayer;
constexpr int32_t kMargin = 24;
constexpr int32_t kBarHeight = 10;

// A path too long for the window keeps its end, where the file's own name is.
std::string FitFromLeft(const Font* font, const std::string& text, int32_t width) {
  if (MeasureTextWidth(font, text, 0, kTextLiteral) <= width) return text;
  for (size_t cut = 1; cut < text.size(); ++cut) {
    std::string shown = "..." + text.substr(cut);
    if (MeasureTextWidth(font, shown, 0, kTextLiteral) <= width) return shown;
  }
  return "...";
}
}  // namespace

ProgressWindow::ProgressWindow(const char* title, const Step& step, bool cancellable)
    : Window(kFlags, nullptr), step_(step) {
  SetTitle(title);
  const int32_t line = FontLineHeight(TextFont());
  int32_t height = kMargin + 2 * (line + 6) + kBarHeight + kMargin;
  if (cancellable) {
    cancel_ = new Button(this, "Cancel", 0);
    const int32_t w = 96;
    cancel_->SetFrameRect({(kWidth - w) / 2, height, (kWidth + w) / 2, height + Button::Height()});
    Connect<&ProgressWindow::OnCancel>(cancel_->clicked_with_id, this);
    height += Button::Height() + kMargin;
  }
  SetClientSize({kWidth, height});
  CenterInParent();
}

bool ProgressWindow::Run(const char* title, const Step& step, bool cancellable) {
  WindowManager& wm = WM();
  auto* window = new ProgressWindow(title, step, cancellable);
  const FocusKeeper focus;
  SetFocus(window->cancel_ ? static_cast<Window*>(window->cancel_) : window, 0);
  window->Show();
  // Keys and clicks anywhere reach this window only; a click outside is no reason to beep.
  const int32_t result = wm.RunModal(
      window, WindowManager::kModalKeys | WindowManager::kModalMouse | WindowManager::kModalDim);
  Window::Close(window);
  focus.Restore();
  return result == 1;
}

const Font* ProgressWindow::TextFont() const {
  return GetFont() ? GetFont() : DefaultFont();
}

void ProgressWindow::SetStatus(std::string text) {
  if (text == status_) return;
  status_ = std::move(text);
  status_shown_ = FitFromLeft(TextFont(), status_, kWidth - 2 * kMargin);
  InvalidateClient();
}

void ProgressWindow::SetDetail(std::string text) {
  if (text == detail_) return;
  detail_ = std::move(text);
  detail_shown_ = FitFromLeft(TextFont(), detail_, kWidth - 2 * kMargin);
  InvalidateClient();
}

void ProgressWindow::SetFraction(double fraction) {
  fraction = fraction < 0 ? -1 : std::min(fraction, 1.0);
  if (fraction == fraction_) return;
  fraction_ = fraction;
  InvalidateClient();
}

void ProgressWindow::OnCancel(intptr_t) {
  cancel_requested_ = true;
  SetStatus("Cancelling...");
}

void ProgressWindow::Finish(bool completed) {
  if (finished_) return;
  finished_ = true;
  WM().EndModal(this, completed ? 1 : 0);
}

bool ProgressWindow::HandleEvent(Window* target, int32_t type, InputEvent& event) {
  if (type == kEventKey && event.b == 1 && event.a == Key::Escape && cancel_) {
    OnCancel(0);
    return true;
  }
  return Window::HandleEvent(target, type, event);
}

bool ProgressWindow::RequestClose(bool forced) {
  // The work decides when it ends; only Cancel cuts it short.
  if (WM().IsInModalStack(this, false)) return false;
  return Window::RequestClose(forced);
}

void ProgressWindow::OnIdle() {
  WindowManager& wm = WM();
  if (finished_ || !wm.IsInModalStack(this, true)) return;
  // The window itself is drawn once before any work is done, so the user sees at once what
  // is going on.
  if (!first_frame_drawn_) {
    first_frame_drawn_ = true;
    return;
  }
  Platform& platform = wm.GetPlatform();
  const double deadline = platform.Now() + kSliceSeconds;
  do {
    if (cancel_requested_) {
      Finish(false);
      return;
    }
    if (!step_(*this)) {
      Finish(true);
      return;
    }
  } while (platform.Now() < deadline);
}

void ProgressWindow::Draw() {
  const Font* font = TextFont();
  const int32_t line = FontLineHeight(font);
  const int32_t width = kWidth - 2 * kMargin;
  SetDrawColor(kWhite);
  int32_t y = kMargin;
  DrawText(font, status_shown_, 0, kTextLiteral, {kMargin, y, kMargin + width, y + line});
  y += line + 6;
  DrawText(font, detail_shown_, 0, kTextLiteral, {kMargin, y, kMargin + width, y + line});
  y += line + 6;
  if (fraction_ >= 0) {
    SetDrawColor(MakeColor(40, 40, 40));
    FillRect({kMargin, y, kMargin + width, y + kBarHeight});
    SetDrawColor(MakeColor(90, 160, 230));
    FillRect({kMargin, y, kMargin + static_cast<int32_t>(width * fraction_), y + kBarHeight});
  }
}
