#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "gui/Window.h"

class Button;
class Font;

// The window that long work runs under. The work comes in steps, each a bounded piece (one
// archive, one image file), run from the idle pump a slice at a time so that frames keep
// being drawn; meanwhile every key and click goes to this window alone, so nothing else can
// be started or edited while the work changes the state under it.
class ProgressWindow : public Window {
 public:
  // Does one piece of the work; false once nothing is left.
  using Step = std::function<bool(ProgressWindow& progress)>;

  // Steps are run until this much time has gone in one pump, then a frame is drawn.
  static constexpr double kSliceSeconds = 0.03;
  static constexpr int32_t kWidth = 480;

  // Shows the window titled `title`, draws a frame with it, then runs `step` until it is
  // done. With `cancellable` a "Cancel" button (and Escape) stops the work after the step
  // under way. True when the work ran to its end.
  static bool Run(const char* title, const Step& step, bool cancellable);

  // What is being done, and the counts so far.
  void SetStatus(std::string text);
  void SetDetail(std::string text);
  // 0..1 of the work done, drawn as a bar; negative hides the bar.
  void SetFraction(double fraction);
  const std::string& Status() const { return status_; }
  const std::string& Detail() const { return detail_; }
  bool CancelRequested() const { return cancel_requested_; }
  Button* CancelButton() const { return cancel_; }

  const char* GetClassName() const override { return "ProgressWindow"; }
  bool HandleEvent(Window* target, int32_t type, InputEvent& event) override;
  bool RequestClose(bool forced) override;
  void OnIdle() override;
  void Draw() override;

 private:
  ProgressWindow(const char* title, const Step& step, bool cancellable);
  void OnCancel(intptr_t id);
  void Finish(bool completed);
  const Font* TextFont() const;

  const Step& step_;
  Button* cancel_ = nullptr;
  std::string status_;
  std::string detail_;
  // The texts as drawn, cut to the window's width when they change rather than every frame.
  std::string status_shown_;
  std::string detail_shown_;
  double fraction_ = -1;
  bool cancel_requested_ = false;
  bool first_frame_drawn_ = false;
  bool finished_ = false;
};
