#pragma once
#include <cstdint>

#include "gui/Window.h"

class MeshEdit;

// The mesh editor's palette of the 128 detail slots: a swatch per slot in its highlight
// colour, the brush material framed, protected slots marked. A left click chooses a slot,
// a right click protects it or lifts its protection, Shift + left click turns its
// highlighting on or off.
class SlotPalette : public Window {
 public:
  static constexpr int32_t kColumns = 16;
  static constexpr int32_t kRows = 8;
  static constexpr int32_t kSwatch = 14;
  static constexpr int32_t kPitch = 18;
  static constexpr int32_t kMargin = 6;
  static constexpr Size kSize{kColumns * kPitch + 2 * kMargin - (kPitch - kSwatch),
                              kRows* kPitch + 2 * kMargin - (kPitch - kSwatch)};

  SlotPalette(MeshEdit& editor, Window* parent);
  const char* GetClassName() const override { return "SlotPalette"; }
  void Draw() override;
  void OnMouseButton(InputEvent& event) override;

  // The slot whose swatch holds the screen point, or -1.
  int32_t SlotAt(Point screen_point) const;
  // The swatch of a slot, in screen coordinates.
  Rect SwatchRect(int32_t slot) const;

 private:
  MeshEdit& editor_;
};
