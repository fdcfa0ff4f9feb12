#include "collections/ui/BackgroundPicker.h"

#include "gui/Draw.h"
#include "gui/Painter.h"

namespace {
constexpr int32_t kSquare = 32;
constexpr const char* kLabels[BackgroundPicker::kChoiceCount] = {"Checkerboard", "Black", "Grey",
                                                                 "White", "Green"};
}  // namespace

BackgroundPicker::BackgroundPicker(Window* parent) : ComboBox(parent, 0) {
  for (int32_t i = 0; i < kChoiceCount; ++i) AddItem(static_cast<uint64_t>(i), kLabels[i]);
  Fit(kChoiceCount, false);
  SelectById(kCheckerboard);
}

BackgroundPicker::Choice BackgroundPicker::Selected() const {
  const uint64_t id = SelectedId();
  return id < kChoiceCount ? static_cast<Choice>(id) : kCheckerboard;
}

void BackgroundPicker::Paint(const Rect& rect, Point origin) const {
  switch (Selected()) {
    case kBlack:
      SetDrawColor(kBlack);
      break;
    case kGrey:
      SetDrawColor(MakeColor(128, 128, 128));
      break;
    case kWhite:
      SetDrawColor(kWhite);
      break;
    case kGreen:
      SetDrawColor(MakeColor(40, 110, 40));
      break;
    case kCheckerboard:
    default: {
      SetDrawColor(MakeColor(150, 150, 150));
      FillRect(rect);
      SetDrawColor(MakeColor(105, 105, 105));
      // Squares aligned on the origin, so the ground moves with the sprite under scrolling.
      const auto floor_div = [](int32_t a, int32_t b) {
        return a >= 0 ? a / b : -((-a + b - 1) / b);
      };
      const int32_t first_x = origin.x + floor_div(rect.left - origin.x, kSquare) * kSquare;
      const int32_t first_y = origin.y + floor_div(rect.top - origin.y, kSquare) * kSquare;
      for (int32_t y = first_y; y < rect.bottom; y += kSquare) {
        for (int32_t x = first_x; x < rect.right; x += kSquare) {
          if ((((x - origin.x) / kSquare + (y - origin.y) / kSquare) & 1) == 0) continue;
          const Rect square{std::max(x, rect.left), std::max(y, rect.top),
                            std::min(x + kSquare, rect.right), std::min(y + kSquare, rect.bottom)};
          FillRect(square);
        }
      }
      return;
    }
  }
  FillRect(rect);
}
