#pragma once
#include <cstdint>
#include <memory>

#include "gui/ScrollableWindow.h"

class CollectionChange;
class X256SequenceFrameEdit;

// The frame editor's picture: the frame's view drawn with its registration point on the origin
// (the window's centre plus the scroll offset) over the chosen background, with the marks the
// check boxes ask for, all scaled by the zoom. Mouse drags and arrow keys move what the mode
// says; a drag, or a run of arrow presses in one mode, is one change of the collection.
class X256SequenceFrameView : public ScrollableWindow {
 public:
  // The scrollable area around the origin, in screen pixels at any zoom.
  static constexpr int32_t kExtent = 4096;

  X256SequenceFrameView(X256SequenceFrameEdit& owner, Window* parent);
  ~X256SequenceFrameView() override;

  // Where the origin lies on screen now.
  Point Origin() const;
  // Ends a run of moves: the change they made goes into the history.
  void EndRun();
  bool InRun() const { return run_ != nullptr; }
  // Moves (dx, dy) screen pixels at 100 % in the current mode, inside a run that a move in
  // another mode, or anything else than a move, ends.
  void MoveBy(int32_t dx, int32_t dy, bool by_keys);
  // Scrolls so that the origin is centred again.
  void Centre();

  const char* GetClassName() const override { return "X256SequenceFrameView"; }
  void Draw() override;
  bool OnKey(InputEvent& event) override;
  void OnMouseButton(InputEvent& event) override;
  void OnTrackMouse(Point start, Point current, int32_t phase) override;
  void OnResized() override;
  void OnFocusLost(Window* new_focus, int32_t reason) override;
  FocusGain OnFocusGained(Window* old_focus, int32_t reason) override;

 protected:
  void OnScrolled() override;

 private:
  void UpdateRanges();

  X256SequenceFrameEdit& owner_;
  std::unique_ptr<CollectionChange> run_;
  int32_t run_mode_ = -1;
  bool run_by_keys_ = false;
  // A drag's movement applied so far, in bitmap pixels.
  Point dragged_{};
  bool dragging_ = false;
};
