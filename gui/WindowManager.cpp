#include "gui/WindowManager.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>

#include "gui/InputTranslator.h"

namespace {
WindowManager* g_wm = nullptr;

std::map<uint32_t, WindowManager::DragImagePainter>& DragImagePainters() {
  static std::map<uint32_t, WindowManager::DragImagePainter> painters;
  return painters;
}

// The three fixed windows never move and are never auto-parented.
class LayerWindow : public Window {
 public:
  LayerWindow(uint32_t flags, Window* parent, const char* title)
      : Window(flags | WindowFlag::TopLevelContainer, nullptr) {
    if (parent) {
      // Containers skip auto-parenting in the base constructor; attach by hand, at the back
      // so that the first layer created ends up below the later ones.
      SetParent(parent);
    }
    SetTitle(title);
  }
  const char* GetClassName() const override { return "Window"; }
};

constexpr uint32_t kLayerFlags = WindowFlag::Visible | WindowFlag::TopLevelContainer;
}  // namespace

WindowManager& WM() {
  return *g_wm;
}
WindowManager* WMOrNull() {
  return g_wm;
}

WindowManager::WindowManager(Platform& platform, Renderer* renderer)
    : platform_(platform), renderer_(renderer) {
  g_wm = this;
  root_ = new LayerWindow(kLayerFlags, nullptr, "root");
  layer0_ = new LayerWindow(kLayerFlags | WindowFlag::BackgroundA, root_, "layer0");
  layer1_ = new LayerWindow(kLayerFlags, root_, "layer1");  // attached last, so topmost
  modal_.push_back({});
  dirty_.reserve(kMaxDirtyRects);
  handlers_.reserve(8);
  if (renderer_) renderer_->ClearScreen(*this);
  RequestFullRedraw();
}

WindowManager::~WindowManager() {
  // Tear the tree down while WM() still answers, so destructors can unhook themselves.
  deletes_.clear();
  EndTracking(false);
  Window* root = root_;
  root_ = layer0_ = layer1_ = nullptr;
  focus_ = hover_ = nullptr;
  delete root;
  modal_.clear();
  g_wm = nullptr;
}

void WindowManager::SetMenuBar(Window* bar, int32_t height) {
  menu_bar_ = bar;
  menu_bar_height_ = height;
  if (screen_.width > 0 && layer0_)
    layer0_->SetFrameRect({0, menu_bar_height_, screen_.width, screen_.height});
}

// ---------------------------------------------------------------------------------------
// Queueing

bool WindowManager::MakeRoomFor(const InputEvent& event) {
  auto at = [this](int32_t i) -> InputEvent& { return queue_[(queue_read_ + i) % kQueueSize]; };
  auto remove = [&](int32_t i) {
    for (int32_t j = i; j + 1 < queue_count_; ++j) at(j) = at(j + 1);
    --queue_count_;
    queue_write_ = (queue_write_ + kQueueSize - 1) % kQueueSize;
  };
  // Consecutive moves carry nothing but their last position.
  for (int32_t i = queue_count_ - 1; i > 0; --i) {
    if (at(i).type == kEventMove && at(i - 1).type == kEventMove) {
      remove(i - 1);
      return true;
    }
  }
  if (event.type == kEventMove && at(queue_count_ - 1).type == kEventMove) {
    at(queue_count_ - 1) = event;
    return false;  // absorbed
  }
  // A lost release leaves a key or button stuck down; give up something less important.
  const bool is_release =
      (event.type == kEventKey && event.b == 0) || (event.type == kEventButton && event.d == 0);
  if (!is_release) return false;
  for (int32_t kind : {kEventMove, kEventWheel, kEventChar}) {
    for (int32_t i = queue_count_ - 1; i >= 0; --i) {
      if (at(i).type == kind) {
        remove(i);
        return true;
      }
    }
  }
  for (int32_t i = queue_count_ - 1; i >= 0; --i) {
    const InputEvent& e = at(i);
    const bool release = (e.type == kEventKey && e.b == 0) || (e.type == kEventButton && e.d == 0);
    if (!release) {
      remove(i);
      return true;
    }
  }
  return false;
}

void WindowManager::QueueEvent(const InputEvent& event) {
  if (input_disabled_) return;
  if (queue_count_ == kQueueSize && !MakeRoomFor(event)) return;
  queue_[queue_write_] = event;
  queue_write_ = (queue_write_ + 1) % kQueueSize;
  ++queue_count_;
}

void WindowManager::PostCloseRequest() {
  if (input_disabled_) return;
  QueueEvent(InputEvent{0, 0, 0, 0, 0, 0, kEventClose});
  if (TopModalFlags() & kModalCancelOnClose) {
    cancel_count_ = INT32_MAX;
    skip_events_ = true;
  }
}

void WindowManager::OnRefresh() {
  RequestFullRedraw();
  if (input_disabled_ && renderer_ && running_) {
    renderer_->Render(*this);
    platform_.Present();
  }
}

// ---------------------------------------------------------------------------------------
// Loops

void WindowManager::RunMainLoop() {
  PumpOnce();
  RequestFullRedraw();
  input_disabled_ = false;
  first_frame_ = true;
  if (renderer_) renderer_->Render(*this);
  PumpOnce();
  while (running_) PumpOnce();
}

bool WindowManager::PumpOnce() {
  platform_.PollEvents();
  platform_.PollTagIndex();
  if (idle_hook_) idle_hook_();
  if (Update())
    platform_.Present();
  else
    platform_.Sleep();
  return true;
}

bool WindowManager::Update() {
  if (first_frame_) {
    first_frame_ = false;
    return true;
  }
  if (input_disabled_) return false;
  DrainDeletes();
  if (skip_events_) {
    if (modal_.size() > 1 && (modal_.back().flags & kModalCancelOnClose) && cancel_count_ > 0) {
      --cancel_count_;
      PopModalEntry(modal_.size() - 1, 0, true);
    } else {
      skip_events_ = false;
      cancel_count_ = 0;
    }
    return false;
  }
  while (queue_count_ > 0 && !skip_events_) {
    InputEvent event = queue_[queue_read_];
    queue_read_ = (queue_read_ + 1) % kQueueSize;
    --queue_count_;
    ProcessEvent(event);
    DrainDeletes();
  }
  if (!running_ || skip_events_) return false;
  CallIdle(root_);
  AdvanceOverview();
  return renderer_ ? renderer_->Render(*this) : false;
}

void WindowManager::CallIdle(Window* w) {
  for (Window* c = w->FirstChild(); c;) {
    Window* next = c->NextSibling();
    CallIdle(c);
    c = next;
  }
  w->OnIdle();
}

void WindowManager::RecomputeModifiers() {
  modifiers_ = 0;
  if (IsKeyDown(Key::Shift)) modifiers_ |= kModShift;
  if (IsKeyDown(Key::Alt)) modifiers_ |= kModAlt;
  if (IsKeyDown(Key::Control)) modifiers_ |= kModControl;
}

bool WindowManager::IsKeyDown(int key) const {
  return key >= 0 && key < kKeyCount && (keys_[key / 32] >> (key % 32)) & 1u;
}

bool WindowManager::WasKeyDown(int key) const {
  return key >= 0 && key < kKeyCount && (prev_keys_[key / 32] >> (key % 32)) & 1u;
}

void WindowManager::ProcessEvent(InputEvent& event) {
  switch (event.type) {
    case kEventKey: {
      const int key = event.a;
      if (key < 0 || key >= kKeyCount) return;
      const bool down = event.b != 0;
      if (IsKeyDown(key) == down) {
        event.flags |= kKeyRepeatFlag;
      } else {
        const uint32_t bit = 1u << (key % 32);
        prev_keys_[key / 32] = keys_[key / 32];
        keys_[key / 32] = down ? (keys_[key / 32] | bit) : (keys_[key / 32] & ~bit);
        RecomputeModifiers();
      }
      event.flags |= modifiers_;
      break;
    }
    case kEventChar:
      event.flags |= modifiers_;
      event.a = TranslateChar(event.a, (modifiers_ & kModAlt) != 0);
      // Something the 8-bit encoding cannot hold is not typed as some other character.
      if (event.a == 0) return;
      break;
    case kEventButton:
    case kEventDoubleClick:
      if (event.c >= 0 && event.c < 3) {
        prev_buttons_[event.c] = buttons_[event.c];
        buttons_[event.c] = event.d != 0;
      }
      break;
    case kEventMove:
      prev_mouse_ = mouse_;
      mouse_ = {event.a, event.b};
      RecomputeHover();
      break;
    case kEventWheel: {
      const int wheel = (event.mods & kWheelHorizontal) ? 1 : 0;
      prev_wheel_[wheel] = wheel_[wheel];
      wheel_[wheel] = event.d;
      break;
    }
    default:
      break;
  }
  if (event.type >= kEventButton && event.type <= kEventWheel) {
    event.flags = static_cast<int32_t>(hover_part_);
    event.mods = modifiers_ | (event.type == kEventWheel ? (event.mods & kWheelHorizontal) : 0);
    event.a = mouse_.x;
    event.b = mouse_.y;
  }
  if (event.type == kEventClose && HandleClose()) return;
  if (handlers_.empty())
    DefaultDispatch(*this, event.type, event);
  else
    handlers_.back()(*this, event.type, event);
}

bool WindowManager::HandleClose() {
  if (OverviewShown()) {
    // Let the overview finish opening, then close it and wait for it to go.
    while (OverviewShown() && !(redraw_flags_ & kOverviewSettled)) PumpOnce();
    if (OverviewShown()) ToggleOverview();
    while (OverviewShown()) PumpOnce();
  }
  if (IsModalHandlerOnTop() || IsTracking()) {
    platform_.Beep();
    return true;
  }
  const bool quit = quit_check_ ? quit_check_() : true;
  DrainDeletes();
  if (quit) running_ = false;
  return true;
}

bool WindowManager::IsModalHandlerOnTop() const {
  return !handlers_.empty() && handlers_.back() == &ModalDispatch;
}

void WindowManager::PopHandler() {
  if (!handlers_.empty()) handlers_.pop_back();
}

int32_t WindowManager::RunModal(Window* window, uint32_t flags, bool* cancelled) {
  int32_t result = 0;
  bool was_cancelled = false;
  bool done = false;
  if (flags & kModalDim) RequestFullRedraw();
  PushHandler(&ModalDispatch);
  // The entry goes on first so the hover is judged against the new loop's window.
  modal_.push_back({window, flags, &result, &was_cancelled, &done});
  RecomputeHover();
  if (window && window->IsVisible()) {
    BringToFront(window);
    Window::SetFocus(window, 0);
  }
  while (!done) PumpOnce();
  if (flags & kModalDim) RequestFullRedraw();
  if (cancelled) *cancelled = was_cancelled;
  return result;
}

void WindowManager::PopModalEntry(size_t index, int32_t result, bool cancelled) {
  if (index == 0 || index >= modal_.size()) return;
  ModalEntry entry = modal_[index];
  modal_.erase(modal_.begin() + static_cast<std::ptrdiff_t>(index));
  // Each loop pushed one modal handler; they are interchangeable, so drop the topmost.
  for (auto it = handlers_.rbegin(); it != handlers_.rend(); ++it) {
    if (*it == &ModalDispatch) {
      handlers_.erase(std::next(it).base());
      break;
    }
  }
  modal_result_ = result;
  modal_cancelled_ = cancelled;
  if (entry.result) *entry.result = result;
  if (entry.cancelled) *entry.cancelled = cancelled;
  if (entry.done) *entry.done = true;
  RecomputeHover();
}

void WindowManager::EndModal(Window* window, int32_t result) {
  if (modal_.size() < 2) return;
  size_t index = modal_.size() - 1;
  if (window) {
    while (index > 0 && modal_[index].window != window) --index;
    if (index == 0) return;
  }
  skip_events_ = true;
  PopModalEntry(index, result, false);
}

bool WindowManager::IsInModalStack(const Window* window, bool top_only) const {
  if (modal_.size() < 2 || !window) return false;
  if (top_only) return modal_.back().window == window;
  for (size_t i = 1; i < modal_.size(); ++i) {
    if (modal_[i].window == window) return true;
  }
  return false;
}

Window* WindowManager::TopModalWindow() const {
  return modal_.empty() ? nullptr : modal_.back().window;
}
uint32_t WindowManager::TopModalFlags() const {
  return modal_.empty() ? 0 : modal_.back().flags;
}

std::vector<Window*> WindowManager::ModalWindows() const {
  std::vector<Window*> out;
  for (size_t i = 1; i < modal_.size(); ++i) out.push_back(modal_[i].window);
  return out;
}

// ---------------------------------------------------------------------------------------
// Dispatch

void WindowManager::RouteEvent(Window* target, int32_t type, InputEvent& event) {
  if (!target) return;
  Window* chain[64];
  int32_t n = 0;
  for (Window* a = target->Parent(); a && n < 64; a = a->Parent()) chain[n++] = a;
  for (int32_t i = n - 1; i >= 0; --i) {
    if (chain[i]->HandleEvent(target, type, event)) return;
  }
  target->HandleEvent(target, type, event);
}

Window* WindowManager::FocusedTopLevel() const {
  return focus_ ? focus_->TopLevelAncestor() : nullptr;
}

bool WindowManager::HandleGlobalKey(InputEvent& event) {
  if (event.type != kEventKey || event.b != 1 || (event.flags & kKeyRepeatFlag)) return false;
  const int32_t mods = event.flags & 0xF;
  const bool ctrl = (mods & kModControl) != 0;
  const bool alt = (mods & kModAlt) != 0;
  switch (event.a) {
    case Key::F4:
      if (alt && !ctrl) {
        PostCloseRequest();
        return true;
      }
      return false;
    case Key::F1:
      if (!ctrl) return false;
      debug_overlay_ = !debug_overlay_;
      RequestFullRedraw();
      return true;
    case Key::F2:
      if (!ctrl) return false;
      dirty_outlines_ = !dirty_outlines_;
      RequestFullRedraw();
      return true;
    case Key::F10:
      if (modal_.size() < 2) ToggleOverview();
      return true;
    case Key::F11: {
      Window* top = FocusedTopLevel();
      if (!top) return false;
      for (Window* s = top->NextSibling(); s; s = s->NextSibling()) {
        if (s->IsVisible()) {
          SendToBack(top);
          BringToFront(s);
          Window::SetFocus(s, 0);
          break;
        }
      }
      return true;
    }
    case Key::F12: {
      if (!ctrl) return false;
      Window* top = FocusedTopLevel();
      if (!top) return false;
      top->SetSnapshotMark(alt ? 2 : 1);
      top->Invalidate();
      return true;
    }
    default:
      return false;
  }
}

void WindowManager::Dispatch(InputEvent& event) {
  if (event.type >= kEventButton && event.type <= kEventWheel) {
    event.flags = static_cast<int32_t>(hover_part_);
  }
  if (handlers_.empty())
    DefaultDispatch(*this, event.type, event);
  else
    handlers_.back()(*this, event.type, event);
}

bool WindowManager::DefaultDispatch(WindowManager& wm, int32_t type, InputEvent& event) {
  if (type == kEventKey && wm.HandleGlobalKey(event)) return true;
  if (type == kEventKey || type == kEventChar) {
    wm.RouteEvent(wm.focus_, type, event);
  } else if (type >= kEventButton && type <= kEventWheel) {
    wm.RouteEvent(wm.hover_, type, event);
  }
  return true;
}

bool WindowManager::ModalDispatch(WindowManager& wm, int32_t type, InputEvent& event) {
  Window* modal = wm.TopModalWindow();
  const uint32_t flags = wm.TopModalFlags();
  if (type == kEventKey && wm.HandleGlobalKey(event)) return true;
  if (type == kEventKey || type == kEventChar) {
    if (wm.focus_ && modal && modal->OwnsOrIsAncestorOf(wm.focus_)) {
      wm.RouteEvent(wm.focus_, type, event);
    } else if (modal && (flags & kModalKeys)) {
      wm.RouteEvent(modal, type, event);
    }
    return true;
  }
  if (type >= kEventButton && type <= kEventWheel) {
    if (wm.hover_ && modal && modal->OwnsOrIsAncestorOf(wm.hover_)) {
      wm.RouteEvent(wm.hover_, type, event);
    } else if (modal && (flags & kModalMouse)) {
      event.flags = 1;
      wm.RouteEvent(modal, type, event);
    } else if (type == kEventButton && event.d == 1) {
      wm.platform_.Beep();
    }
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Windows

void WindowManager::DeleteLater(Window* window) {
  if (!window || window->IsBeingDestroyed()) return;
  if (std::find(deletes_.begin(), deletes_.end(), window) != deletes_.end()) return;
  deletes_.push_back(window);
}

void WindowManager::DrainDeletes() {
  if (deletes_.empty() || (redraw_flags_ & kDrainingDeletes)) return;
  redraw_flags_ |= kDrainingDeletes;
  while (!deletes_.empty()) {
    Window* w = deletes_.back();
    deletes_.pop_back();
    delete w;  // its destructor removes any of its descendants still queued
  }
  redraw_flags_ &= ~kDrainingDeletes;
  RecomputeHover();
}

void WindowManager::ForgetWindow(Window* window) {
  // Descendants queued for deletion go with their ancestor.
  std::erase_if(deletes_, [window](Window* w) { return w == window; });
  if (focus_ == window) focus_ = nullptr;
  if (hover_ == window) {
    hover_ = nullptr;
    hover_part_ = 0;
  }
  if (tracking_.window == window) EndTracking(false);
  if (menu_bar_ == window) menu_bar_ = nullptr;
  for (size_t i = modal_.size(); i-- > 1;) {
    if (modal_[i].window == window) {
      if (i == modal_.size() - 1) skip_events_ = true;
      PopModalEntry(i, 0, false);
    }
  }
}

void WindowManager::BringToFront(Window* window) {
  if (!window || !window->Parent() || (window->Flags() & WindowFlag::TopLevelContainer)) return;
  Window* parent = window->Parent();
  if (parent->FirstChild() == window) return;
  Window::ActiveLookWatch watch(parent);
  window->Unlink();
  window->LinkFirst(parent);
  window->Invalidate();
  RecomputeHover();
}

void WindowManager::SendToBack(Window* window) {
  if (!window || !window->Parent() || (window->Flags() & WindowFlag::TopLevelContainer)) return;
  Window* parent = window->Parent();
  if (parent->LastChild() == window) return;
  Window::ActiveLookWatch watch(parent);
  window->Unlink();
  // Re-link as the last child.
  window->parent_ = parent;
  window->prev_sibling_ = parent->last_child_;
  window->next_sibling_ = nullptr;
  if (parent->last_child_) parent->last_child_->next_sibling_ = window;
  parent->last_child_ = window;
  if (!parent->first_child_) parent->first_child_ = window;
  ++parent->child_count_;
  RequestFullRedraw();
  RecomputeHover();
}

Point WindowManager::NextCascadePosition() {
  const Point p{cascade_.x + 64, cascade_.y + 64};
  cascade_.x += 48;
  cascade_.y += 48;
  if (cascade_.x + 560 > screen_.width || cascade_.y + 560 > screen_.height) cascade_ = {};
  return p;
}

Window* WindowManager::HitWindow(Window* w, Point p, uint32_t& part) {
  if (!w->IsVisible() || w->IsBeingDestroyed()) return nullptr;
  if (w->GetShowState() != kShowCollapsed) {
    for (Window* c = w->FirstChild(); c; c = c->NextSibling()) {
      if (Window* hit = HitWindow(c, p, part)) return hit;
    }
  }
  if (w == layer1_) return nullptr;
  part = w->HitTest(p);
  return part ? w : nullptr;
}

void WindowManager::RecomputeHover() {
  if (!root_ || (redraw_flags_ & kOverviewShown)) return;
  Window* hit = nullptr;
  uint32_t part = 0;
  for (Window* c = root_->FirstChild(); c && !hit; c = c->NextSibling()) {
    hit = HitWindow(c, mouse_, part);
  }
  Window* modal = TopModalWindow();
  if (hit && modal && !modal->OwnsOrIsAncestorOf(hit)) {
    hit = nullptr;
    part = 0;
  }
  if (!hit) part = 0;
  if (hit != hover_ || part != hover_part_) {
    Window* old = hover_;
    const uint32_t old_part = hover_part_;
    hover_ = hit;
    hover_part_ = part;
    if (old) {
      if (old_part == Part::Client)
        old->OnMouseLeave(part, old_part);
      else
        old->OnFrameMouseLeave(part, old_part);
    }
  }
  ChooseCursor();
}

void WindowManager::ChooseCursor() {
  if (IsDragging()) return;  // the drag shows whether a drop is possible
  int32_t cursor = Cursor::Arrow;
  Window* modal = TopModalWindow();
  const bool outside_modal = modal && (!hover_ || !modal->OwnsOrIsAncestorOf(hover_));
  if (hover_ && !outside_modal && !(redraw_flags_ & kOverviewShown)) {
    if (hover_part_ == Part::Client) {
      cursor = hover_->ClientCursor();
    } else if (hover_->IsResizable() && hover_->GetShowState() == kShowNormal) {
      switch (hover_part_) {
        case Part::LeftEdge:
        case Part::RightEdge:
          cursor = Cursor::SizeHorizontal;
          break;
        case Part::TopEdge:
        case Part::BottomEdge:
          cursor = Cursor::SizeVertical;
          break;
        case Part::LeftEdge | Part::TopEdge:
        case Part::RightEdge | Part::BottomEdge:
          cursor = Cursor::SizeDiagonalDown;
          break;
        case Part::RightEdge | Part::TopEdge:
        case Part::LeftEdge | Part::BottomEdge:
          cursor = Cursor::SizeDiagonalUp;
          break;
        default:
          break;
      }
    }
  }
  SetCursor(cursor);
}

void WindowManager::SetCursor(int32_t cursor) {
  if (cursor == cursor_) return;
  cursor_ = cursor;
  platform_.SetCursorShape(cursor);
}

// ---------------------------------------------------------------------------------------
// Pointer capture and drag and drop

bool WindowManager::TrackMouse(Window* window, TrackCallback callback) {
  if (!window || tracking_.window) return false;
  tracking_ = {window, callback, nullptr, mouse_, false, false, nullptr, {}};
  PushHandler(&TrackHandler);
  if (callback)
    callback(window, mouse_, mouse_, kTrackStart);
  else
    window->OnTrackMouse(mouse_, mouse_, kTrackStart);
  return true;
}

bool WindowManager::BeginDrag(Window* source, Window::DragDropData* data, TrackCallback callback) {
  if (!source || tracking_.window) {
    delete data;
    return false;
  }
  tracking_ = {source, callback, data, mouse_, true, false, nullptr, {}};
  if (data) {
    auto& painters = DragImagePainters();
    if (auto it = painters.find(data->type_id); it != painters.end() && it->second.measure) {
      tracking_.image = &it->second;
      tracking_.image_size = it->second.measure(*data);
    }
  }
  PushHandler(&TrackHandler);
  if (callback) callback(source, mouse_, mouse_, kTrackStart);
  return true;
}

bool WindowManager::CancelDrag() {
  if (!IsDragging()) return false;
  EndTracking(true);
  return true;
}

void WindowManager::RegisterDragImagePainter(uint32_t type_id, DragImagePainter painter) {
  DragImagePainters()[type_id] = painter;
}

const WindowManager::DragImagePainter* WindowManager::DragImage(Rect* rect) const {
  if (!tracking_.is_drag || !tracking_.data || !tracking_.image || !tracking_.image->draw) {
    return nullptr;
  }
  if (rect) {
    *rect = {mouse_.x, mouse_.y, mouse_.x + tracking_.image_size.width,
             mouse_.y + tracking_.image_size.height};
  }
  return tracking_.image;
}

void WindowManager::EndTracking(bool notify) {
  if (!tracking_.window) return;
  Tracking t = tracking_;
  tracking_ = {};
  for (auto it = handlers_.rbegin(); it != handlers_.rend(); ++it) {
    if (*it == &TrackHandler) {
      handlers_.erase(std::next(it).base());
      break;
    }
  }
  if (notify) {
    if (t.callback)
      t.callback(t.window, t.start, mouse_, kTrackEnd);
    else if (!t.is_drag)
      t.window->OnTrackMouse(t.start, mouse_, kTrackEnd);
  }
  if (t.image) RequestFullRedraw();  // the image leaves wherever it was last drawn
  delete t.data;
  cursor_ = -1;
  if (root_) ChooseCursor();
}

bool WindowManager::TrackHandler(WindowManager& wm, int32_t type, InputEvent& event) {
  Tracking& t = wm.tracking_;
  if (!t.window) return true;
  if (type == kEventMove) {
    if (t.image) wm.RequestFullRedraw();  // the drag image follows the pointer
    if (t.callback)
      t.callback(t.window, t.start, wm.mouse_, kTrackMove);
    else if (!t.is_drag)
      t.window->OnTrackMouse(t.start, wm.mouse_, kTrackMove);
    if (t.window && t.is_drag && t.data) {
      const bool accepted = wm.hover_ && wm.hover_->AcceptDrop(wm.mouse_, true, t.data) > 0;
      if (!t.window) return true;  // the drag was cancelled while it was asked
      t.last_accepted = accepted;
      wm.SetCursor(accepted ? Cursor::DropAllowed : Cursor::DropRefused);
    }
  } else if (type == kEventButton && event.d == 0) {
    if (t.is_drag && t.data && t.last_accepted && wm.hover_) {
      wm.hover_->AcceptDrop(wm.mouse_, false, t.data);
    }
    wm.EndTracking(true);
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Screen

void WindowManager::ResizeScreen(int32_t width, int32_t height) {
  DrainDeletes();
  if (width < 1 || height < 1) return;
  screen_ = {width, height};
  root_->SetFrameRect({0, 0, width, height});
  layer1_->SetFrameRect({0, 0, width, height});
  layer0_->SetFrameRect({0, menu_bar_height_, width, height});
  redraw_flags_ |= kRedrawRelayout;
  if (renderer_) renderer_->ClearScreen(*this);
  RequestFullRedraw();
  FitTopLevels(layer0_);
  FitTopLevels(layer1_);
  InputEvent notice{width, height, 0, 0, 0, 0, kEventResize};
  if (!root_->HandleEvent(root_, kEventResize, notice)) {
    for (Window* c = root_->FirstChild(); c; c = c->NextSibling()) {
      if (Broadcast(c, notice)) break;
    }
  }
  RecomputeHover();
  if (redraw_flags_ & kPumpAfterResize) PumpOnce();
}

void WindowManager::FitTopLevels(Window* layer) {
  // Centring brings a window to the front and so reorders the list being walked: work on a
  // snapshot, bottom-most first, so that centred windows keep their stacking order.
  std::vector<Window*> windows;
  for (Window* w = layer->FirstChild(); w; w = w->NextSibling()) windows.push_back(w);
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    Window* w = *it;
    if (w->GetShowState() == kShowMaximized && w->IsResizable()) w->FitToParent();
    if (w->HasFlags(WindowFlag::Centered)) w->CenterInParent();
  }
}

bool WindowManager::Broadcast(Window* w, InputEvent& event) {
  if (w->HandleEvent(w, kEventResize, event)) return true;
  for (Window* c = w->FirstChild(); c; c = c->NextSibling()) {
    if (Broadcast(c, event)) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------------------
// Redraw state

void WindowManager::InvalidateRect(Window* window, const Rect& rect, bool ignore_visibility) {
  if (redraw_flags_ & kRedrawFull) return;
  if (!ignore_visibility && window) {
    for (Window* w = window; w; w = w->Parent()) {
      if (!w->IsVisible()) return;
      if (w != window && w->GetShowState() == kShowCollapsed) return;
      if (w->Parent() && (w->Parent()->Flags() & WindowFlag::TopLevelContainer)) break;
    }
  }
  const Rect clipped = rect.Intersection({0, 0, screen_.width, screen_.height});
  if (clipped.IsEmpty()) return;
  if (!partial_redraw_ || dirty_.size() >= kMaxDirtyRects) {
    RequestFullRedraw();
    return;
  }
  for (const Rect& r : dirty_) {
    if (r.Contains(clipped)) return;
  }
  std::erase_if(dirty_, [&](const Rect& r) { return clipped.Contains(r); });
  dirty_.push_back(clipped);
}

void WindowManager::ClearRedraw() {
  redraw_flags_ &= ~(kRedrawFull | kRedrawRelayout);
  dirty_.clear();
}

void WindowManager::SetInputDisabled(bool disabled) {
  PumpOnce();
  input_disabled_ = disabled;
  RequestFullRedraw();
  if (renderer_ && renderer_->Render(*this)) platform_.Present();
  PumpOnce();
}

void WindowManager::ToggleOverview() {
  if (!OverviewShown()) {
    if (IsTracking()) return;
    redraw_flags_ |= kOverviewShown | kRedrawRelayout;
    redraw_flags_ &= ~(kOverviewClosing | kOverviewSettled);
    overview_start_ = platform_.Now();
    overview_progress_ = 0;
    PushHandler(&OverviewHandler);
    SetCursor(Cursor::Arrow);
  } else if ((redraw_flags_ & kOverviewSettled) && !(redraw_flags_ & kOverviewClosing)) {
    redraw_flags_ |= kOverviewClosing;
    overview_start_ = platform_.Now();
  }
  RequestFullRedraw();
}

void WindowManager::LayOutOverview() {
  std::vector<Window*> windows;
  for (Window* w = layer0_->FirstChild(); w; w = w->NextSibling()) {
    if (w->IsVisible() && !(w->Flags() & WindowFlag::NoOverview)) windows.push_back(w);
  }
  if (windows.empty()) return;
  // A grid as square as the count allows, each window scaled into its cell keeping its shape.
  const Rect area = layer0_->ClientRect();
  int32_t cols = 1;
  while (cols * cols < static_cast<int32_t>(windows.size())) ++cols;
  const int32_t rows = (static_cast<int32_t>(windows.size()) + cols - 1) / cols;
  const int32_t cell_w = area.Width() / cols;
  const int32_t cell_h = area.Height() / rows;
  constexpr int32_t kMargin = 16;
  for (size_t i = 0; i < windows.size(); ++i) {
    Window* w = windows[i];
    const int32_t col = static_cast<int32_t>(i) % cols;
    const int32_t row = static_cast<int32_t>(i) / cols;
    const Rect cell = {area.left + col * cell_w + kMargin, area.top + row * cell_h + kMargin,
                       area.left + (col + 1) * cell_w - kMargin,
                       area.top + (row + 1) * cell_h - kMargin};
    const Rect f = w->FrameRect();
    if (cell.IsEmpty() || f.IsEmpty()) {
      w->OverviewRect() = f;
      continue;
    }
    const double scale = std::min({1.0, static_cast<double>(cell.Width()) / f.Width(),
                                   static_cast<double>(cell.Height()) / f.Height()});
    const int32_t ow = static_cast<int32_t>(f.Width() * scale);
    const int32_t oh = static_cast<int32_t>(f.Height() * scale);
    const int32_t ox = cell.left + (cell.Width() - ow) / 2;
    const int32_t oy = cell.top + (cell.Height() - oh) / 2;
    w->OverviewRect() = {ox, oy, ox + ow, oy + oh};
  }
}

void WindowManager::AdvanceOverview() {
  if (!OverviewShown()) return;
  if (redraw_flags_ & kRedrawRelayout) LayOutOverview();
  const bool closing = (redraw_flags_ & kOverviewClosing) != 0;
  const bool settled = (redraw_flags_ & kOverviewSettled) != 0;
  if (settled && !closing) return;
  const double t = std::min(1.0, (platform_.Now() - overview_start_) / kOverviewDuration);
  const double eased = (1.0 - std::cos(t * 3.14159265358979323846)) * 0.5 * t;
  overview_progress_ = static_cast<float>(closing ? 1.0 - eased : eased);
  RequestFullRedraw();
  if (t < 1.0) return;
  if (closing) {
    redraw_flags_ &= ~(kOverviewShown | kOverviewClosing | kOverviewSettled);
    overview_progress_ = 0;
    for (auto it = handlers_.rbegin(); it != handlers_.rend(); ++it) {
      if (*it == &OverviewHandler) {
        handlers_.erase(std::next(it).base());
        break;
      }
    }
    cursor_ = -1;
    RecomputeHover();
  } else {
    redraw_flags_ |= kOverviewSettled;
  }
}

bool WindowManager::OverviewHandler(WindowManager& wm, int32_t type, InputEvent& event) {
  if (type == kEventKey && event.a == Key::F10) {
    wm.ToggleOverview();
  } else if (type == kEventButton && event.d == 1 && (wm.redraw_flags_ & kOverviewSettled)) {
    for (Window* w = wm.layer0_->FirstChild(); w; w = w->NextSibling()) {
      if (w->IsVisible() && !(w->Flags() & WindowFlag::NoOverview) &&
          w->OverviewRect().Contains(wm.mouse_)) {
        wm.BringToFront(w);
        Window::SetFocus(w, 0);
        wm.ToggleOverview();
        break;
      }
    }
  }
  return true;  // everything else is swallowed while the overview shows
}
