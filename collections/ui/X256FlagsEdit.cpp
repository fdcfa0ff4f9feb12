#include "collections/ui/X256FlagsEdit.h"

#include <algorithm>

#include "collections/Collection.h"
#include "collections/CollectionChange.h"
#include "collections/ui/X256EditHost.h"
#include "gui/CheckBox.h"
#include "gui/TextBox.h"

namespace {

constexpr const char* kLabels[X256FlagsEdit::kBoxCount] = {
    "Textures", "Monsters", "Projectiles", "Scenery", "Atmospheric Effects", "Interfaces"};

}  // namespace

uint32_t X256FlagsEdit::WithBit(uint32_t usage, int32_t index, bool on) {
  const uint32_t bit = 1u << index;
  return on ? usage | bit : usage & ~bit;
}

X256FlagsEdit::X256FlagsEdit(X256EditHost& host, Window* parent)
    : Window(WindowFlag::Visible, parent), host_(host) {
  SetTitle("Flags");
  auto* label = new TextBox(TextBox::kLabel, this);
  label->SetText("Can be used for:");
  label->SetFrameRect({kMargin, kMargin, kMargin + 200, kMargin + 18});
  for (int32_t i = 0; i < kBoxCount; ++i) {
    auto* box = new CheckBox(this, kLabels[i], i);
    box->SizeToFit();
    const Rect r = box->FrameRectInParent();
    const int32_t top = kMargin + (i + 1) * kRow;
    box->SetFrameRect({kMargin * 3, top, kMargin * 3 + r.Width(), top + r.Height()});
    ::Connect<&X256FlagsEdit::OnBox>(box->clicked_with_id, this);
    boxes_[static_cast<size_t>(i)] = box;
  }
  std::array<Window*, kBoxCount> order{};
  std::copy(boxes_.begin(), boxes_.end(), order.begin());
  Window::SetTabOrder(order);
  Refresh();
}

void X256FlagsEdit::Refresh() {
  const uint32_t usage = host_.EditedCollection().usage;
  for (int32_t i = 0; i < kBoxCount; ++i) {
    Box(i)->SetState((usage >> i) & 1 ? Button::kOn : Button::kUp, true);
  }
}

void X256FlagsEdit::OnBox(intptr_t id) {
  if (id < 0 || id >= kBoxCount) return;
  const int32_t index = static_cast<int32_t>(id);
  Collection& collection = host_.EditedCollection();
  const uint32_t usage = WithBit(collection.usage, index, Box(index)->GetState() == Button::kOn);
  if (usage == collection.usage) return;
  auto change = host_.BeginChange();
  collection.usage = usage;
  host_.Commit(std::move(change), X256EditHost::kFlags);
}
