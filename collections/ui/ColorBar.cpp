#include "collections/ui/ColorBar.h"

#include <algorithm>
#include <cstdlib>

#include "collections/CollectionChange.h"
#include "collections/HueChange.h"
#include "collections/ui/X256EditHost.h"
#include "gui/Draw.h"
#include "gui/Painter.h"
#include "gui/WindowManager.h"

namespace {

// Fully saturated, full value colour of a hue in degrees.
Color HueColor(int32_t degrees) {
  const int32_t sector = (degrees % 360) / 60;
  const int32_t f = (degrees % 60) * 255 / 60;
  const auto up = static_cast<uint8_t>(f);
  const auto down = static_cast<uint8_t>(255 - f);
  switch (sector) {
    case 0:
      return MakeColor(255, up, 0);
    case 1:
      return MakeColor(down, 255, 0);
    case 2:
      return MakeColor(0, 255, up);
    case 3:
      return MakeColor(0, down, 255);
    case 4:
      return MakeColor(up, 0, 255);
    default:
      return MakeColor(255, 0, down);
  }
}

int32_t Degrees(uint16_t hue) {
  return static_cast<int32_t>((static_cast<uint32_t>(hue) * 360) >> 16);
}

}  // namespace

ColorBar::ColorBar(X256EditHost& host, HueChange* hue_change, Window* parent)
    : Window(WindowFlag::Visible, parent), host_(host), hue_change_(hue_change) {
  SetFrameRect({0, 0, kWidth, kHeight});
}

// A drag cut short by the window going (with its editor, or the whole program) is dropped:
// the collection it recorded may be going too.
ColorBar::~ColorBar() = default;

void ColorBar::SetHueChange(HueChange* hue_change) {
  if (!hue_change) {
    dragged_ = kNoMarker;
    change_.reset();
  }
  hue_change_ = hue_change;
  InvalidateClient();
}

uint16_t ColorBar::StoredHue(int32_t degrees) {
  const int32_t d = std::clamp(degrees, 0, 360);
  return static_cast<uint16_t>(std::min(d * 65536 / 360, 65535));
}

bool ColorBar::InRange(uint16_t start, uint16_t end, uint16_t hue) {
  if (start <= end) return hue >= start && hue <= end;
  return hue >= start || hue <= end;
}

bool ColorBar::MoveMarker(HueChange& hc, int32_t marker, int32_t degrees) {
  const uint16_t value = StoredHue(degrees);
  const HueChange before = hc;
  switch (marker) {
    case kStart:
      hc.start_hue = value;
      if (!InRange(hc.start_hue, hc.end_hue, hc.median_hue)) hc.median_hue = value;
      break;
    case kEnd:
      hc.end_hue = value;
      if (!InRange(hc.start_hue, hc.end_hue, hc.median_hue)) hc.median_hue = value;
      break;
    case kMedian:
      if (InRange(hc.start_hue, hc.end_hue, value)) hc.median_hue = value;
      break;
    default:
      return false;
  }
  return hc.start_hue != before.start_hue || hc.end_hue != before.end_hue ||
         hc.median_hue != before.median_hue;
}

int32_t ColorBar::BarWidth() const {
  return std::max(1, ClientRect().Width() - 2 * kMargin);
}

int32_t ColorBar::DegreesAt(int32_t screen_x) const {
  const int32_t offset = std::clamp(screen_x - BarLeft(), 0, BarWidth());
  return offset * 360 / BarWidth();
}

int32_t ColorBar::MarkerX(int32_t marker) const {
  uint16_t hue = 0;
  switch (marker) {
    case kStart:
      hue = hue_change_->start_hue;
      break;
    case kMedian:
      hue = hue_change_->median_hue;
      break;
    case kEnd:
      hue = hue_change_->end_hue;
      break;
    default:
      return BarLeft();
  }
  // 65535 stands for 360 degrees: the right end of the bar.
  const int32_t degrees = hue == 65535 ? 360 : Degrees(hue);
  return BarLeft() + degrees * BarWidth() / 360;
}

int32_t ColorBar::MarkerAt(int32_t screen_x) const {
  // Start and end come first: when all three meet, dragging opens the range.
  int32_t best = kNoMarker;
  int32_t best_distance = 0;
  for (int32_t marker : {kStart, kEnd, kMedian}) {
    const int32_t distance = std::abs(MarkerX(marker) - screen_x);
    if (best == kNoMarker || distance < best_distance) {
      best = marker;
      best_distance = distance;
    }
  }
  return best;
}

void ColorBar::OnMouseButton(InputEvent& event) {
  if (!IsEnabled() || !hue_change_ || event.c != 0 || event.d != 1 || dragged_ != kNoMarker) {
    return;
  }
  dragged_ = MarkerAt(event.a);
  change_ = host_.BeginChange();
  if (!WM().TrackMouse(this, nullptr)) EndDrag();
}

void ColorBar::OnTrackMouse(Point /*start*/, Point current, int32_t phase) {
  if (dragged_ == kNoMarker) return;
  if (MoveMarker(*hue_change_, dragged_, DegreesAt(current.x))) {
    InvalidateClient();
    changed.Emit(0);
  }
  if (phase == kTrackEnd) EndDrag();
}

void ColorBar::EndDrag() {
  dragged_ = kNoMarker;
  if (change_) host_.Commit(std::move(change_), X256EditHost::kHueChanges);
}

void ColorBar::Draw() {
  const int32_t width = ClientRect().Width();
  const int32_t bar_width = BarWidth();
  SetDrawColor(MakeColor(0, 0, 0));
  FillRect({0, 0, width, kHeight});
  // The spectrum in strips of 4 degrees.
  for (int32_t d = 0; d < 360; d += 4) {
    const int32_t left = kMargin + d * bar_width / 360;
    const int32_t right = kMargin + (d + 4) * bar_width / 360;
    SetDrawColor(HueColor(d + 2));
    FillRect({left, 0, right, kBarHeight});
  }
  if (!hue_change_) return;
  // The affected range as a line under the bar, in two pieces when it wraps through 0.
  const int32_t start = MarkerX(kStart) - ClientRect().left;
  const int32_t end = MarkerX(kEnd) - ClientRect().left;
  SetDrawColor(kWhite);
  if (start <= end) {
    FillRect({start, kBarHeight, end + 1, kBarHeight + 2});
  } else {
    FillRect({kMargin, kBarHeight, end + 1, kBarHeight + 2});
    FillRect({start, kBarHeight, kMargin + bar_width + 1, kBarHeight + 2});
  }
  for (int32_t marker : {kStart, kEnd, kMedian}) {
    const int32_t x = MarkerX(marker) - ClientRect().left;
    SetDrawColor(marker == kMedian ? MakeColor(255, 255, 0) : kWhite);
    FillRect({x, 0, x + 1, kBarHeight});
    // A small wedge below the bar to grab, wider at the bottom.
    for (int32_t row = 0; row < kMarkerHeight - 2; ++row) {
      const int32_t half = row / 2 + 1;
      FillRect({x - half + 1, kBarHeight + 2 + row, x + half, kBarHeight + 3 + row});
    }
  }
}
