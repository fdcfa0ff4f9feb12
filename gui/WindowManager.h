#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "gui/Geometry.h"
#include "gui/InputEvent.h"
#include "gui/Platform.h"
#include "gui/Window.h"

// Owns the window tree that fills the OS window, queues input, routes events (focus, hover,
// modal loops), runs modal loops and the quit flow, and has the tree redrawn. One per
// process; reach it through WM().
class WindowManager {
 public:
  using EventHandler = bool (*)(WindowManager& wm, int32_t type, InputEvent& event);
  using TrackCallback = void (*)(Window* window, Point start, Point current, int32_t phase);
  using QuitCheck = bool (*)();
  using IdleHook = void (*)();

  static constexpr int32_t kQueueSize = 32;
  static constexpr int32_t kMaxDirtyRects = 32;
  static constexpr double kOverviewDuration = 0.25;

  // Redraw flag bits.
  static constexpr uint32_t kRedrawFull = 1u << 0;
  static constexpr uint32_t kRedrawRelayout = 1u << 1;
  static constexpr uint32_t kOverviewShown = 1u << 2;
  static constexpr uint32_t kOverviewClosing = 1u << 3;
  static constexpr uint32_t kOverviewSettled = 1u << 4;
  static constexpr uint32_t kPumpAfterResize = 1u << 5;
  static constexpr uint32_t kDrainingDeletes = 1u << 7;

  // Modal flags.
  static constexpr uint32_t kModalKeys = 1;
  static constexpr uint32_t kModalMouse = 2;
  static constexpr uint32_t kModalDim = 4;
  static constexpr uint32_t kModalCancelOnClose = 8;

  WindowManager(Platform& platform, Renderer* renderer);
  ~WindowManager();
  WindowManager(const WindowManager&) = delete;
  WindowManager& operator=(const WindowManager&) = delete;

  // The three fixed windows.
  Window* Root() const { return root_; }
  Window* Layer0() const { return layer0_; }
  Window* Layer1() const { return layer1_; }
  void SetMenuBar(Window* bar, int32_t height);
  Window* MenuBar() const { return menu_bar_; }

  Platform& GetPlatform() { return platform_; }
  void SetRenderer(Renderer* renderer) { renderer_ = renderer; }
  void SetQuitCheck(QuitCheck check) { quit_check_ = check; }
  void SetIdleHook(IdleHook hook) { idle_hook_ = hook; }

  // Input from the OS (nothing happens while input is disabled).
  void QueueEvent(const InputEvent& event);
  void PostCloseRequest();
  void ResizeScreen(int32_t width, int32_t height);
  void OnRefresh();
  int32_t QueuedEventCount() const { return queue_count_; }

  // Loops.
  void RunMainLoop();
  bool PumpOnce();
  bool IsRunning() const { return running_; }
  void Quit() { running_ = false; }
  // Undoes Quit, so a box shown after the main loop ended (one that says what shutting down
  // could not do) is drawn and answered; Quit again afterwards.
  void Resume() { running_ = true; }
  int32_t RunModal(Window* window, uint32_t flags, bool* cancelled = nullptr);
  void EndModal(Window* window, int32_t result);
  bool IsInModalStack(const Window* window, bool top_only) const;
  Window* TopModalWindow() const;
  uint32_t TopModalFlags() const;
  int32_t ModalDepth() const { return static_cast<int32_t>(modal_.size()) - 1; }
  std::vector<Window*> ModalWindows() const;
  // Modal entries above the base one, 0 the oldest; no copies, for the drawing path.
  Window* ModalWindowAt(int32_t i) const { return modal_[static_cast<size_t>(i) + 1].window; }
  uint32_t ModalFlagsAt(int32_t i) const { return modal_[static_cast<size_t>(i) + 1].flags; }
  bool IsModalHandlerOnTop() const;

  // Windows.
  void DeleteLater(Window* window);
  void DrainDeletes();
  void BringToFront(Window* window);
  void SendToBack(Window* window);
  Window* Focus() const { return focus_; }
  Window* Hover() const { return hover_; }
  uint32_t HoverPart() const { return hover_part_; }
  void RecomputeHover();
  Window* FocusedTopLevel() const;
  Point NextCascadePosition();

  // Pointer capture and drag and drop.
  bool TrackMouse(Window* window, TrackCallback callback);
  bool BeginDrag(Window* source, Window::DragDropData* data, TrackCallback callback);
  // Ends a running drag early, for a source whose payload stopped making sense (its item
  // went away, say): nothing is dropped, the source's callback sees the end phase as on a
  // release, the payload is destroyed and the cursor chosen afresh. False when no drag runs;
  // a plain mouse tracking is left alone.
  bool CancelDrag();
  bool IsTracking() const { return tracking_.window != nullptr; }
  bool IsDragging() const { return tracking_.window != nullptr && tracking_.is_drag; }
  Window::DragDropData* DragData() const { return tracking_.data; }

  // Drag images: a painter per payload type measures the image when a drag starts and draws
  // it at the pointer (in the coordinates of an area of the measured size) every frame.
  struct DragImagePainter {
    Size (*measure)(const Window::DragDropData& data) = nullptr;
    void (*draw)(const Window::DragDropData& data) = nullptr;
  };
  static void RegisterDragImagePainter(uint32_t type_id, DragImagePainter painter);
  // The running drag's painter and image rectangle (screen), or null.
  const DragImagePainter* DragImage(Rect* rect) const;

  // Redraw state.
  void InvalidateRect(Window* window, const Rect& rect, bool ignore_visibility);
  void RequestFullRedraw() { redraw_flags_ |= kRedrawFull; }
  uint32_t RedrawFlags() const { return redraw_flags_; }
  void ClearRedraw();
  const std::vector<Rect>& DirtyRects() const { return dirty_; }
  void SetPartialRedraw(bool on) { partial_redraw_ = on; }
  bool InputDisabled() const { return input_disabled_; }
  void SetInputDisabled(bool disabled);

  // Input state.
  Size ScreenSize() const { return screen_; }
  Point MousePosition() const { return mouse_; }
  Point PreviousMousePosition() const { return prev_mouse_; }
  bool IsKeyDown(int key) const;
  bool WasKeyDown(int key) const;
  int32_t Modifiers() const { return modifiers_; }
  bool IsButtonDown(int button) const { return button >= 0 && button < 3 && buttons_[button]; }
  int32_t WheelPosition(bool horizontal) const { return wheel_[horizontal ? 1 : 0]; }

  // Debug switches.
  bool DebugOverlay() const { return debug_overlay_; }
  bool DirtyOutlines() const { return dirty_outlines_; }
  void ToggleOverview();
  bool OverviewShown() const { return (redraw_flags_ & kOverviewShown) != 0; }
  float OverviewProgress() const { return overview_progress_; }
  // Advances the overview animation; called once per frame before rendering.
  void AdvanceOverview();
  void SetDebugOverlay(bool on) { debug_overlay_ = on; }

  // Event plumbing, public for handlers and tests.
  void PushHandler(EventHandler handler) { handlers_.push_back(handler); }
  void PopHandler();
  void RouteEvent(Window* target, int32_t type, InputEvent& event);
  // Hands an event that was already processed once (a press that ended a pop-up's loop, say)
  // to the current handler again, as a new event: the loops still running filter it as they
  // would any other. Mouse events take the hover part of the pointer's window as it is now.
  void Dispatch(InputEvent& event);
  bool HandleGlobalKey(InputEvent& event);
  static bool DefaultDispatch(WindowManager& wm, int32_t type, InputEvent& event);
  static bool ModalDispatch(WindowManager& wm, int32_t type, InputEvent& event);
  void Beep() { platform_.Beep(); }

  // Called by Window while it is destroyed: drop every reference to it.
  void ForgetWindow(Window* window);
  void SetFocusWindow(Window* window) { focus_ = window; }

 private:
  struct ModalEntry {
    Window* window = nullptr;
    uint32_t flags = 0;
    int32_t* result = nullptr;
    bool* cancelled = nullptr;
    bool* done = nullptr;
  };
  struct Tracking {
    Window* window = nullptr;
    TrackCallback callback = nullptr;
    Window::DragDropData* data = nullptr;
    Point start;
    bool is_drag = false;
    bool last_accepted = false;
    const DragImagePainter* image = nullptr;
    Size image_size;
  };

  bool Update();
  void ProcessEvent(InputEvent& event);
  bool HandleClose();
  void PopModalEntry(size_t index, int32_t result, bool cancelled);
  void EndTracking(bool notify);
  static bool TrackHandler(WindowManager& wm, int32_t type, InputEvent& event);
  Window* HitWindow(Window* w, Point p, uint32_t& part);
  void ChooseCursor();
  void SetCursor(int32_t cursor);
  void RecomputeModifiers();
  void CallIdle(Window* w);
  void FitTopLevels(Window* layer);
  bool Broadcast(Window* w, InputEvent& event);
  bool MakeRoomFor(const InputEvent& event);
  void LayOutOverview();
  static bool OverviewHandler(WindowManager& wm, int32_t type, InputEvent& event);

  Platform& platform_;
  Renderer* renderer_ = nullptr;
  Window* root_ = nullptr;
  Window* layer1_ = nullptr;
  Window* layer0_ = nullptr;
  Window* menu_bar_ = nullptr;
  int32_t menu_bar_height_ = 0;
  Size screen_;
  Window* focus_ = nullptr;
  Window* hover_ = nullptr;
  uint32_t hover_part_ = 0;
  int32_t cursor_ = -1;

  std::array<uint32_t, kKeyCount / 32> keys_{};
  std::array<uint32_t, kKeyCount / 32> prev_keys_{};
  int32_t modifiers_ = 0;
  Point mouse_;
  Point prev_mouse_;
  std::array<bool, 3> buttons_{};
  std::array<bool, 3> prev_buttons_{};
  std::array<int32_t, 2> wheel_{};
  std::array<int32_t, 2> prev_wheel_{};

  std::array<InputEvent, kQueueSize> queue_{};
  int32_t queue_count_ = 0;
  int32_t queue_read_ = 0;
  int32_t queue_write_ = 0;

  std::vector<EventHandler> handlers_;
  std::vector<ModalEntry> modal_;
  int32_t modal_result_ = 0;
  bool modal_cancelled_ = false;
  bool skip_events_ = false;
  int32_t cancel_count_ = 0;

  std::vector<Window*> deletes_;
  uint32_t redraw_flags_ = 0;
  std::vector<Rect> dirty_;
  bool partial_redraw_ = true;
  bool first_frame_ = false;
  bool running_ = true;  // cleared once to end the main loop
  bool input_disabled_ = true;
  bool debug_overlay_ = false;
  bool dirty_outlines_ = false;
  Point cascade_;
  double overview_start_ = 0;
  float overview_progress_ = 0;
  Tracking tracking_;
  QuitCheck quit_check_ = nullptr;
  IdleHook idle_hook_ = nullptr;
};

// The process-wide window manager (null before it is created and after it is destroyed).
WindowManager& WM();
WindowManager* WMOrNull();
