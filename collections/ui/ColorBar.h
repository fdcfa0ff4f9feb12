#pragma once
#include <cstdint>
#include <memory>

#include "gui/Window.h"

class CollectionChange;
class X256EditHost;
struct HueChange;

// The hue spectrum from 0 to 360 degrees with the start, median and end markers of one hue
// change. Dragging a marker moves it; the whole drag is one change of the collection, begun on
// the press and committed on the release.
class ColorBar : public Window {
 public:
  enum Marker : int32_t { kNoMarker = -1, kStart = 0, kMedian = 1, kEnd = 2 };
  static constexpr int32_t kMargin = 6;  // room for a marker at either end
  static constexpr int32_t kBarHeight = 16;
  static constexpr int32_t kMarkerHeight = 8;
  static constexpr int32_t kWidth = 360 + 2 * kMargin;
  static constexpr int32_t kHeight = kBarHeight + kMarkerHeight;

  ColorBar(X256EditHost& host, HueChange* hue_change, Window* parent);
  ~ColorBar() override;

  const char* GetClassName() const override { return "ColorBar"; }
  void Draw() override;
  void OnMouseButton(InputEvent& event) override;
  void OnTrackMouse(Point start, Point current, int32_t phase) override;

  // Degrees 0-360 under a screen x, clamped to the bar.
  int32_t DegreesAt(int32_t screen_x) const;
  // The screen x of a marker.
  int32_t MarkerX(int32_t marker) const;
  // The marker nearest to a screen x.
  int32_t MarkerAt(int32_t screen_x) const;
  int32_t DraggedMarker() const { return dragged_; }
  // Null while the window waits to close after its hue change went.
  void SetHueChange(HueChange* hue_change);

  // The stored value of a position in degrees: 360 is the last value, not a wrap to 0.
  static uint16_t StoredHue(int32_t degrees);
  // Moves one marker of `hue_change` to `degrees` (0-360). Start and end pull the median back
  // into start..end (through 0 when start > end); the median moves only within that range.
  // False when nothing changed.
  static bool MoveMarker(HueChange& hue_change, int32_t marker, int32_t degrees);
  // Whether `hue` lies in start..end, through 0 when start > end.
  static bool InRange(uint16_t start, uint16_t end, uint16_t hue);

  Signal changed;  // argument unused; while dragging, at every move

 private:
  int32_t BarLeft() const { return ClientRect().left + kMargin; }
  int32_t BarWidth() const;
  void EndDrag();

  X256EditHost& host_;
  HueChange* hue_change_ = nullptr;
  int32_t dragged_ = kNoMarker;
  std::unique_ptr<CollectionChange> change_;
};
