#include "gui/ChooserPicker.h"

#include "gui/Draw.h"
#include "gui/Painter.h"
#include "gui/TextLayout.h"

namespace {
constexpr Color kArrows = MakeColor(200, 200, 200);
const std::string kNoChoice;
}  // namespace

ChooserPicker::ChooserPicker(Window* parent)
    : Window(WindowFlag::Visible | WindowFlag::ThinFrame | WindowFlag::BackgroundB, parent) {}

void ChooserPicker::SetChoices(std::vector<std::string> choices, size_t index) {
  choices_ = std::move(choices);
  index_ = index < choices_.size() ? index : 0;
  InvalidateClient();
}

void ChooserPicker::SetIndex(size_t index) {
  if (index >= choices_.size()) index = 0;
  if (index == index_) return;
  index_ = index;
  InvalidateClient();
  changed.Emit(static_cast<intptr_t>(index_));
}

const std::string& ChooserPicker::Text() const {
  return index_ < choices_.size() ? choices_[index_] : kNoChoice;
}

void ChooserPicker::Step(int32_t by) {
  const auto n = static_cast<int32_t>(choices_.size());
  if (n < 2) return;
  SetIndex(static_cast<size_t>((static_cast<int32_t>(index_) + by + n) % n));
}

bool ChooserPicker::OnKey(InputEvent& event) {
  if (event.a != Key::Left && event.a != Key::Right && event.a != Key::Up && event.a != Key::Down) {
    return false;
  }
  if (event.b == 1) Step(event.a == Key::Right || event.a == Key::Down ? 1 : -1);
  return true;
}

void ChooserPicker::OnMouseButton(InputEvent& event) {
  if (event.d != 1) return;
  if (event.c == 0) Step(1);
  if (event.c == 1) Step(-1);
}

void ChooserPicker::Draw() {
  const Rect& c = ClientRect();
  const Rect area{0, 0, c.Width(), c.Height()};
  SetDrawColor(kWhite);
  DrawText(GetFont(), Text(), 0, kTextVCentre, {4, 0, area.right - 20, area.bottom});
  SetDrawColor(kArrows);
  DrawText(GetFont(), "<>", 0, kTextVCentre | kTextRight, {0, 0, area.right - 4, area.bottom});
}
