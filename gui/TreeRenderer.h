#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gui/Geometry.h"
#include "gui/Platform.h"

class Window;

// Turns the window tree into pixels through the current painter: a full redraw when asked,
// otherwise only the dirty rectangles, skipping windows that opaque windows above them hide,
// dimming what lies below a modal window, and drawing the debug overlay and snapshots.
class TreeRenderer : public Renderer {
 public:
  struct Snapshot {
    Size size;
    std::vector<uint8_t> rgb;  // rows top to bottom, 3 bytes a pixel
  };
  using SnapshotSink = std::function<void(const Snapshot&)>;

  bool Render(WindowManager& wm) override;
  void ClearScreen(WindowManager& wm) override;

  // Control+F12 snapshots go to the platform's clipboard and then to the sink, if any; the
  // last one is kept.
  void SetSnapshotSink(SnapshotSink sink) { sink_ = std::move(sink); }
  const Snapshot& LastSnapshot() const { return snapshot_; }

  // Frames drawn with the debug overlay on: the count it shows.
  int32_t FramesRendered() const { return frames_rendered_; }
  // Every Render that drew something.
  int32_t RenderCount() const { return render_count_; }
  // Windows whose content was drawn during the last Render, and whose frames were.
  int32_t WindowsDrawn() const { return windows_drawn_; }
  int32_t FramesDrawn() const { return frames_drawn_; }

 private:
  void Mark(Window* w);
  void DrawWindow(WindowManager& wm, Window* w);
  void DrawPass(WindowManager& wm, const Rect& clip);
  void DrawOverlay(WindowManager& wm);
  void Subtract(const Rect& r);
  bool Uncovered(const Rect& r) const;
  bool UncoveredOutside(const Rect& r, const Rect& inner) const;

  std::vector<Rect> uncovered_;
  std::vector<Rect> scratch_;
  Rect clip_;
  Window* dim_target_ = nullptr;
  bool overview_ = false;
  Snapshot snapshot_;
  SnapshotSink sink_;
  std::string overlay_;
  std::vector<Window*> chain_;
  int32_t frames_rendered_ = 0;
  int32_t render_count_ = 0;
  int32_t windows_drawn_ = 0;
  int32_t frames_drawn_ = 0;
};
