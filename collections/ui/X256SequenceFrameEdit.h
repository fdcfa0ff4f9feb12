#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "gui/Window.h"

class BackgroundPicker;
class Button;
class CheckBox;
class ComboBox;
class TextBox;
class X256EditHost;
class X256SequenceEdit;
class X256SequenceFrameView;
struct FrameView;
struct Sequence;
struct SequenceFrame;

// The frame editor of one view cell of a sequence: registration and key points placed by mouse
// or arrow keys over a chosen background, and an animated preview. It belongs to its sequence
// editor and closes with it.
class X256SequenceFrameEdit : public Window {
 public:
  static constexpr uint32_t kFlags = WindowFlag::TitleBar | WindowFlag::DropShadow |
                                     WindowFlag::Resizable | WindowFlag::BackgroundB |
                                     WindowFlag::CloseButton;
  static constexpr Size kInitialSize{640, 520};
  // Ticks of the game's clock a second, for the preview.
  static constexpr double kTicksPerSecond = 30.0;
  static constexpr int32_t kZooms[] = {25, 50, 100, 200, 400, 800};

  enum ShowWhat : int32_t {
    kShowRegPoint = 0,
    kShowKeyPoint,
    kShowSelectionBox,
    kShowOrigin,
    kShowBitmap,
    kShowShadow,
    kShowContrail,
    kShowCount,
  };

  X256SequenceFrameEdit(X256EditHost& host, X256SequenceEdit& owner, int32_t frame, int32_t view);
  ~X256SequenceFrameEdit() override;

  const char* GetClassName() const override { return "X256SequenceFrameEdit"; }
  void OnResized() override;
  void OnIdle() override;
  void OnClose() override;
  // Ctrl+Z, Ctrl+Y and Ctrl+S act on the collection editor; a run of moves ends first.
  bool OnKey(InputEvent& event) override;

  X256EditHost& Host() const { return host_; }
  // Null once the sequence editor has let go.
  Sequence* EditedSequence() const;
  int32_t Frame() const { return frame_; }
  int32_t View() const { return view_; }
  // The cell shown; null when it no longer exists.
  FrameView* CurrentView() const;
  SequenceFrame* CurrentFrame() const;
  void SetFrame(int32_t frame);
  void SetView(int32_t view);

  int32_t Mode() const { return mode_; }
  void SetMode(int32_t mode);
  int32_t Zoom() const { return zoom_; }  // percent
  void SetZoom(int32_t percent);
  bool Showing(ShowWhat what) const;
  void SetShowing(ShowWhat what, bool on);
  BackgroundPicker* Background() const { return background_; }

  // The preview: Animate steps through the frames at ticks per frame, going on from the loop
  // frame after the last; Stop ends it on the frame it shows.
  bool Animating() const { return animating_; }
  void SetAnimating(bool on);
  // Advances the preview by one tick (OnIdle does when a tick's time has passed).
  void Tick();
  uint32_t TickCount() const { return tick_; }

  void Refresh();
  void FocusView();
  // The sequence editor closes: the window forgets it and only waits to close.
  void Detach();

  X256SequenceFrameView* ViewWindow() const { return view_window_; }
  ComboBox* ModeBox() const { return mode_box_; }
  TextBox* PositionLabel() const { return frame_label_; }
  TextBox* ViewLabel() const { return view_label_; }
  Button* AnimateButton() const { return animate_; }
  CheckBox* ShowBox(ShowWhat what) const { return shows_[static_cast<size_t>(what)]; }
  ComboBox* ZoomBox() const { return zoom_box_; }
  std::string TitleText() const;

 private:
  void OnShowBox(intptr_t id);
  void OnZoom(intptr_t selection);
  void OnModeBox(intptr_t selection);
  void OnBackground(intptr_t selection);
  void OnAnimate(intptr_t);
  void ShowPosition();

  X256EditHost& host_;
  X256SequenceEdit* owner_;
  int32_t frame_ = 0;
  int32_t view_ = 0;
  int32_t mode_ = 4;
  int32_t zoom_ = 100;
  bool animating_ = false;
  uint32_t tick_ = 0;
  uint32_t ticks_in_frame_ = 0;
  double last_tick_time_ = 0;
  std::array<CheckBox*, kShowCount> shows_{};
  BackgroundPicker* background_ = nullptr;
  ComboBox* zoom_box_ = nullptr;
  ComboBox* mode_box_ = nullptr;
  Button* animate_ = nullptr;
  TextBox* frame_label_ = nullptr;
  TextBox* view_label_ = nullptr;
  X256SequenceFrameView* view_window_ = nullptr;
  int32_t header_height_ = 0;
};
