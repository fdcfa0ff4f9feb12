#pragma once
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

#include "gui/Geometry.h"
#include "gui/InputEvent.h"
#include "gui/Signal.h"

class Font;
class Window;

// Style flags.
namespace WindowFlag {
constexpr uint32_t Visible = 0x1;
constexpr uint32_t Always = 0x2;
constexpr uint32_t TitleBar = 0x4;
constexpr uint32_t DropShadow = 0x8;
constexpr uint32_t ThinFrame = 0x10;
constexpr uint32_t ThickFrame = 0x20;
constexpr uint32_t Resizable = 0x60;  // includes ThickFrame
constexpr uint32_t BackgroundA = 0x80;
constexpr uint32_t BackgroundB = 0x100;
constexpr uint32_t WideAllowance = 0x200;
constexpr uint32_t CloseButton = 0x400;
constexpr uint32_t SecondButton = 0x800;
constexpr uint32_t ThirdButton = 0x1000;
constexpr uint32_t NoOverview = 0x2000;
constexpr uint32_t TopLevelContainer = 0x4000;
constexpr uint32_t TakesFocusItself = 0x8000;
constexpr uint32_t Centered = 0x10000;
constexpr uint32_t FloatingLayer = 0x40000;
// Not a style bit: OnFlagsChanged receives it when SetEnabled changes the enabled state, so
// that windows made of several controls can pass the state on to their parts.
constexpr uint32_t EnabledState = 0x80000000u;
}  // namespace WindowFlag

// Frame sides carrying a border.
namespace FrameSide {
constexpr uint32_t Left = 1;
constexpr uint32_t Top = 2;
constexpr uint32_t Right = 4;
constexpr uint32_t Bottom = 8;
constexpr uint32_t All = 15;
}  // namespace FrameSide

enum ShowState : int32_t {
  kShowNormal = 0,
  kShowCollapsed = 1,
  kShowMaximized = 2,
  kShowClosing = 3,
};

// Hit-test part codes.
namespace Part {
constexpr uint32_t None = 0;
constexpr uint32_t Client = 1;
constexpr uint32_t Caption = 2;
constexpr uint32_t LeftEdge = 4;
constexpr uint32_t TopEdge = 8;
constexpr uint32_t RightEdge = 16;
constexpr uint32_t BottomEdge = 32;
constexpr uint32_t Button1 = 1024;
constexpr uint32_t Button2 = 2048;
constexpr uint32_t Button3 = 4096;
constexpr uint32_t OtherFrame = 0x80000000u;
inline bool IsEdge(uint32_t part) {
  return part >= LeftEdge && part <= (BottomEdge | RightEdge);
}
}  // namespace Part

constexpr int32_t kCollapsedHeight = 30;

// Phases of a captured-mouse tracking or a drag.
enum TrackPhase : int32_t { kTrackStart = 0, kTrackMove = 1, kTrackEnd = 2 };

// What a window wants done when it gains the focus.
struct FocusGain {
  bool swallow_press = false;  // the mouse press that gave the focus goes no further
  Window* redirect = nullptr;  // this window takes the focus instead
};

// Base of every element on screen: top-level frames, dialogs, menus and controls. Windows
// live on the heap and belong to their parent, which destroys them; they are destroyed only
// through Close/DeleteLater between events (or with the whole tree at exit).
class Window : public CleanHeapObject<has_slots<void>> {
 public:
  // Base of drag payloads; owned by the window manager while the drag runs.
  struct DragDropData {
    virtual ~DragDropData() = default;
    uint32_t type_id = 0;
  };

  Window(uint32_t flags, Window* parent);
  ~Window() override;

  virtual const char* GetClassName() const { return "Window"; }
  virtual bool HandleEvent(Window* target, int32_t type, InputEvent& event);
  virtual void ConstrainFrame(const Rect& old_frame, const Rect& proposed, Rect& out) const;
  virtual void FrameToClient(const Rect& frame, Rect& client) const;
  virtual void FrameSizeForClient(Size& frame_size, Size client_size) const;
  virtual bool RequestClose(bool forced);
  virtual void OnClose() {}
  virtual void OnIdle() {}
  virtual void OnMoved(Point /*previous*/, Point /*now*/) {}
  virtual void OnResized() {}
  virtual void Draw() {}
  virtual void DrawFrame();
  virtual void DrawBackground();
  virtual bool OnKey(InputEvent& /*event*/) { return false; }
  virtual void OnChar(InputEvent& /*event*/) {}
  virtual void OnMouseButton(InputEvent& /*event*/) {}
  virtual void OnFrameMouseButton(InputEvent& event);
  virtual void OnDoubleClick(InputEvent& /*event*/) {}
  virtual void OnFrameDoubleClick(InputEvent& event);
  virtual void OnMouseMove(InputEvent& /*event*/) {}
  virtual void OnFrameMouseMove(InputEvent& /*event*/) {}
  virtual void OnWheel(InputEvent& /*event*/) {}
  virtual void OnFrameWheel(InputEvent& /*event*/) {}
  virtual void OnMouseLeave(uint32_t /*new_part*/, uint32_t /*old_part*/) {}
  virtual void OnFrameMouseLeave(uint32_t /*new_part*/, uint32_t /*old_part*/) {}
  virtual void OnChildAdded(Window* /*child*/) {}
  virtual void OnChildRemoved(Window* /*child*/) {}
  virtual void OnFocusLost(Window* /*new_focus*/, int32_t /*reason*/) {}
  virtual FocusGain OnFocusGained(Window* /*old_focus*/, int32_t /*reason*/) { return {}; }
  virtual void OnParentChanging(Window* /*old_parent*/, Window* /*new_parent*/) {}
  virtual void OnFlagsChanged(uint32_t changed);
  virtual void OnTrackMouse(Point /*start*/, Point /*current*/, int32_t /*phase*/) {}
  virtual int32_t AcceptDrop(Point /*point*/, bool /*query_only*/, DragDropData* /*data*/) {
    return 0;
  }
  virtual uint32_t HitTest(Point screen_point) const;
  virtual void SetTitle(const char* title);
  virtual const char* GetTitle() const { return has_title_ ? title_.c_str() : nullptr; }

  // Tree.
  Window* Parent() const { return parent_; }
  Window* FirstChild() const { return first_child_; }
  Window* LastChild() const { return last_child_; }
  Window* NextSibling() const { return next_sibling_; }
  Window* PrevSibling() const { return prev_sibling_; }
  int32_t ChildCount() const { return child_count_; }
  bool IsAncestorOf(const Window* w) const;  // true for w == this as well
  // A window lifted out of another's tree (into a layer, say, so that nothing covers it) can
  // still belong to it: its owner's modal loop counts it as inside. Null for most windows.
  Window* Owner() const { return owner_; }
  void SetOwner(Window* owner) { owner_ = owner; }
  // Whether `w` is this window or one of its descendants, following owners as well as parents.
  bool OwnsOrIsAncestorOf(const Window* w) const;
  void SetParent(Window* new_parent);
  // The ancestor just below the nearest top-level container (may be this window).
  Window* TopLevelAncestor();
  // The child of a top-level container that shows the active title bar: its topmost visible
  // child (a hidden window in front of it is no window the user sees on top).
  static Window* ActiveChild(const Window* container);

  // Flags and state.
  uint32_t Flags() const { return flags_; }
  bool HasFlags(uint32_t f) const { return (flags_ & f) == f; }
  void SetFlags(uint32_t flags);
  void ModifyFlags(uint32_t set, uint32_t clear) { SetFlags((flags_ | set) & ~clear); }
  void Show(bool visible = true) {
    ModifyFlags(visible ? WindowFlag::Visible : 0, visible ? 0 : WindowFlag::Visible);
  }
  void Hide() { Show(false); }
  bool IsVisible() const { return (flags_ & WindowFlag::Visible) != 0; }
  bool IsResizable() const { return HasFlags(WindowFlag::Resizable); }
  uint32_t FrameSides() const { return frame_sides_; }
  void SetFrameSides(uint32_t sides) { frame_sides_ = sides; }
  int32_t GetShowState() const { return show_state_; }
  void SetShowState(int32_t state);
  bool IsBeingDestroyed() const { return (marks_ & kMarkDestroying) != 0; }
  // Controls and menu items both carry an id (what their signals report) and an enabled
  // state; a disabled one ignores presses and keys. Changing it redraws the window.
  int32_t WindowId() const { return window_id_; }
  void SetWindowId(int32_t id) { window_id_ = id; }
  bool IsEnabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // Geometry. Frame and client rectangles are screen coordinates; SetFrameRect and the
  // restore rectangle are relative to the parent's client area.
  const Rect& FrameRect() const { return frame_; }
  const Rect& ClientRect() const { return client_; }
  const Rect& RestoreRect() const { return restore_; }
  Rect FrameRectInParent() const;
  void SetFrameRect(const Rect& rect_in_parent);
  void SetClientSize(Size client_size);
  Size MinimumFrameSize() const;
  void CenterInParent();
  void FitToParent();
  void ToggleMaximize();
  void ToggleCollapse();
  Rect TitleBarRect() const;  // screen coordinates; empty without a title bar
  Rect TitleButtonRect(uint32_t part) const;
  int32_t BorderWidth() const;

  // Focus.
  Window* FocusChild() const { return focus_child_; }
  Window* FocusProxy() const { return focus_proxy_; }
  void SetFocusProxy(Window* proxy) { focus_proxy_ = proxy; }
  bool HasFocus() const;  // this window or its focus proxy holds the focus
  static int32_t SetFocus(Window* window, int32_t reason);
  // Links the windows into a circular tab order.
  static void SetTabOrder(std::span<Window* const> windows);
  static void SetTabOrder(std::initializer_list<Window*> windows) {
    SetTabOrder(std::span<Window* const>(windows.begin(), windows.size()));
  }
  // Takes the window out of its tab order; the others stay linked around the gap.
  void LeaveTabOrder();
  Window* NextInTabOrder() const { return tab_next_; }
  Window* PrevInTabOrder() const { return tab_prev_; }
  bool InTabOrder() const { return tab_next_ || tab_prev_; }

  // Closing.
  static void Close(Window* window);
  static bool TryClose(Window* window, bool forced);

  // Drawing state.
  void Invalidate();  // frame and shadow
  void InvalidateClient();
  Rect FrameRectWithShadow() const;
  uint32_t DrawMarks() const { return marks_ & (kMarkContent | kMarkFrame); }
  void SetDrawMarks(uint32_t marks) { marks_ = (marks_ & ~(kMarkContent | kMarkFrame)) | marks; }
  Font* GetFont() const { return font_; }
  void SetFont(Font* font) { font_ = font; }
  int32_t ClientCursor() const { return client_cursor_; }
  void SetClientCursor(int32_t cursor) { client_cursor_ = cursor; }
  uint32_t PressedTitleButton() const { return pressed_button_; }
  int32_t SnapshotMark() const { return snapshot_mark_; }
  void SetSnapshotMark(int32_t mark) { snapshot_mark_ = mark; }
  Rect& OverviewRect() { return overview_rect_; }
  Rect& VisibleRect() { return visible_rect_; }

  Signal closed;      // argument: the window
  Signal focus_lost;  // argument: the reason

  static constexpr uint32_t kMarkContent = 1;
  static constexpr uint32_t kMarkFrame = 2;
  static constexpr uint32_t kMarkDestroying = 8;

 private:
  friend class WindowManager;
  // Watches a top-level container while its children are reordered, linked, unlinked, shown
  // or hidden, and redraws the title bars of the windows that gained or lost the active look.
  class ActiveLookWatch {
   public:
    explicit ActiveLookWatch(Window* container);
    ~ActiveLookWatch();
    ActiveLookWatch(const ActiveLookWatch&) = delete;
    ActiveLookWatch& operator=(const ActiveLookWatch&) = delete;

   private:
    Window* container_ = nullptr;
    Window* before_ = nullptr;
  };
  void InvalidateTitleBars();  // this window's and those of its descendants
  void LinkFirst(Window* parent);
  void Unlink();
  void MoveTree(int32_t dx, int32_t dy);
  void ApplyFrame(const Rect& frame_in_screen);
  void BeginFrameDrag(uint32_t part);
  static void TrackFrameDrag(Window* w, Point start, Point current, int32_t phase);
  static void TrackTitleButton(Window* w, Point start, Point current, int32_t phase);
  void PerformTitleButton(uint32_t part);

  Window* prev_sibling_ = nullptr;
  Window* next_sibling_ = nullptr;
  Window* parent_ = nullptr;
  Window* owner_ = nullptr;
  Window* focus_child_ = nullptr;
  Window* focus_proxy_ = nullptr;
  Window* tab_next_ = nullptr;
  Window* tab_prev_ = nullptr;
  Window* first_child_ = nullptr;
  Window* last_child_ = nullptr;
  int32_t child_count_ = 0;
  uint32_t flags_ = 0;
  uint32_t frame_sides_ = FrameSide::All;
  uint32_t marks_ = 0;
  std::string title_;
  bool has_title_ = false;
  int32_t show_state_ = kShowNormal;
  int32_t window_id_ = 0;
  bool enabled_ = true;
  uint32_t pressed_button_ = 0;
  Font* font_ = nullptr;
  int32_t client_cursor_ = 0;
  int32_t snapshot_mark_ = 0;
  Rect overview_rect_;
  Rect frame_;
  Rect client_;
  Rect restore_;
  Rect visible_rect_;
  Rect drag_start_frame_;  // frame (in parent) when a frame drag began
  uint32_t drag_part_ = 0;
};
