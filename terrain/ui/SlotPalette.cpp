#include "terrain/ui/SlotPalette.h"

#include "gui/Draw.h"
#include "gui/Painter.h"
#include "terrain/ui/MeshEdit.h"

SlotPalette::SlotPalette(MeshEdit& editor, Window* parent)
    : Window(WindowFlag::Visible | WindowFlag::ThinFrame | WindowFlag::BackgroundA, parent),
      editor_(editor) {
  SetTitle("Slot Palette");
}

Rect SlotPalette::SwatchRect(int32_t slot) const {
  const Rect& client = ClientRect();
  const int32_t x = client.left + kMargin + (slot % kColumns) * kPitch;
  const int32_t y = client.top + kMargin + (slot / kColumns) * kPitch;
  return {x, y, x + kSwatch, y + kSwatch};
}

int32_t SlotPalette::SlotAt(Point p) const {
  for (int32_t slot = 0; slot < kColumns * kRows; ++slot) {
    if (SwatchRect(slot).Contains(p)) return slot;
  }
  return -1;
}

void SlotPalette::Draw() {
  const Rect& client = ClientRect();
  const auto& table = editor_.highlight_table();
  const auto& protection = editor_.protection();
  const auto& highlights = editor_.slot_highlights();
  const int32_t material = editor_.brush().material;
  for (int32_t slot = 0; slot < kColumns * kRows; ++slot) {
    Rect r = SwatchRect(slot);
    r = {r.left - client.left, r.top - client.top, r.right - client.left, r.bottom - client.top};
    if (slot == material) {
      SetDrawColor(MakeColor(255, 255, 255));
      FillRect({r.left - 2, r.top - 2, r.right + 2, r.bottom + 2});
    }
    const size_t e = static_cast<size_t>(slot) * 3;
    SetDrawColor(MakeColor(table[e], table[e + 1], table[e + 2]));
    FillRect(r);
    if (protection[static_cast<size_t>(slot)]) {
      // A dark corner marks a protected slot.
      SetDrawColor(MakeColor(0, 0, 0));
      FillRect({r.left, r.top, r.left + kSwatch / 2, r.top + kSwatch / 2});
    }
    if (!highlights[static_cast<size_t>(slot)]) {
      SetDrawColor(MakeColor(0, 0, 0, 140));
      FillRect({r.left, r.bottom - 3, r.right, r.bottom});
    }
  }
}

void SlotPalette::OnMouseButton(InputEvent& event) {
  if (event.d != 1) return;
  const int32_t slot = SlotAt({event.a, event.b});
  if (slot < 0) return;
  if (event.c == 1) {
    editor_.ToggleProtected(slot);
  } else if (event.c == 0) {
    if (event.mods & kModShift)
      editor_.ToggleSlotHighlight(slot);
    else
      editor_.ChoosePaletteEntry(slot);
  }
}
