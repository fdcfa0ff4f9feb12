#include "collections/ui/X256SequenceFrameView.h"

#include <algorithm>

#include "collections/Collection.h"
#include "collections/CollectionChange.h"
#include "collections/CollectionLayout.h"
#include "collections/SequenceEdits.h"
#include "collections/ui/BackgroundPicker.h"
#include "collections/ui/BitmapDrawer.h"
#include "collections/ui/X256EditHost.h"
#include "collections/ui/X256SequenceFrameEdit.h"
#include "gui/Draw.h"
#include "gui/Painter.h"
#include "gui/WindowManager.h"

namespace cl = collection_layout;

namespace {

constexpr Color kRegColor = MakeColor(255, 64, 64);
constexpr Color kKeyColor = MakeColor(64, 255, 64);
constexpr Color kOriginColor = MakeColor(255, 255, 0);
constexpr Color kSelectionColor = MakeColor(80, 140, 255, 70);
constexpr Color kContrailColor = MakeColor(255, 160, 40, 200);
// Shadow offsets are fixed point: this many units to a display pixel of the shadow.
constexpr double kShadowUnits = 10240.0;
constexpr int32_t kShadowScale = 5;

void FrameSquare(Point at, int32_t half, Color color) {
  SetDrawColor(color);
  FillRect({at.x - half, at.y - half, at.x + half + 1, at.y - half + 1});
  FillRect({at.x - half, at.y + half, at.x + half + 1, at.y + half + 1});
  FillRect({at.x - half, at.y - half, at.x - half + 1, at.y + half + 1});
  FillRect({at.x + half, at.y - half, at.x + half + 1, at.y + half + 1});
}

uint32_t ViewMirror(uint32_t flags) {
  return ((flags & cl::kViewMirrorX) ? BitmapDrawer::kMirrorHorizontal : 0) |
         ((flags & cl::kViewMirrorY) ? BitmapDrawer::kMirrorVertical : 0);
}

// Shadows hold grey levels as their indices.
const CollectionDisplay::Palette& GreyRamp() {
  static const CollectionDisplay::Palette ramp = [] {
    CollectionDisplay::Palette p{};
    for (size_t i = 0; i < 256; ++i)
      p[i * 3] = p[i * 3 + 1] = p[i * 3 + 2] = static_cast<uint8_t>(i);
    return p;
  }();
  return ramp;
}

}  // namespace

X256SequenceFrameView::X256SequenceFrameView(X256SequenceFrameEdit& owner, Window* parent)
    : ScrollableWindow(WindowFlag::Visible, parent), owner_(owner) {
  SetTitle("Frame View");
  SetLineStep(16);
}

X256SequenceFrameView::~X256SequenceFrameView() = default;

void X256SequenceFrameView::OnResized() {
  UpdateRanges();
}

void X256SequenceFrameView::UpdateRanges() {
  const Rect& c = ClientRect();
  const bool first = HorizontalRange() == 0;
  SetRanges(ScrollableWindow::kVerticalBar | ScrollableWindow::kHorizontalBar, kExtent, kExtent,
            c.Width(), c.Height());
  if (first) Centre();
}

void X256SequenceFrameView::Centre() {
  const Rect& c = ClientRect();
  SetHorizontalPosition((kExtent - c.Width()) / 2);
  SetVerticalPosition((kExtent - c.Height()) / 2);
  InvalidateClient();
}

void X256SequenceFrameView::OnScrolled() {
  InvalidateClient();
}

Point X256SequenceFrameView::Origin() const {
  return {kExtent / 2 - HorizontalPosition(), kExtent / 2 - VerticalPosition()};
}

void X256SequenceFrameView::Draw() {
  const Rect& c = ClientRect();
  const Rect area{0, 0, c.Width(), c.Height()};
  const Point origin = Origin();
  owner_.Background()->Paint(area, origin);
  const FrameView* view = owner_.CurrentView();
  const SequenceFrame* frame = owner_.CurrentFrame();
  const Sequence* sequence = owner_.EditedSequence();
  if (!view || !frame || !sequence) return;
  const double zoom = owner_.Zoom() / 100.0;
  const auto scaled = [zoom](double v) { return static_cast<int32_t>(v * zoom); };
  const CollectionDisplay::Palette& palette = owner_.Host().DisplayPalette();

  if (owner_.Showing(X256SequenceFrameEdit::kShowShadow) && frame->record.shadow) {
    const CollectionBitmap& shadow = *frame->record.shadow;
    const int32_t w = scaled(shadow.width * kShadowScale);
    const int32_t h = scaled(shadow.height * kShadowScale);
    const int32_t cx = origin.x + scaled(frame->record.shadow_offset_x / kShadowUnits);
    const int32_t cy = origin.y + scaled(frame->record.shadow_offset_y / kShadowUnits);
    const uint32_t mirror =
        ((frame->record.flags & cl::kFrameShadowMirrorX) ? BitmapDrawer::kMirrorHorizontal : 0) |
        ((frame->record.flags & cl::kFrameShadowMirrorY) ? BitmapDrawer::kMirrorVertical : 0);
    if (w > 0 && h > 0) {
      FlushSprites();
      BitmapDrawer::Shared().Draw(shadow, GreyRamp(),
                                  {cx - w / 2, cy - h / 2, cx + w - w / 2, cy + h - h / 2}, mirror);
    }
  }
  // Registration points may lie outside their bitmaps: they are signed.
  const int32_t reg_x = static_cast<int16_t>(view->registration_x);
  const int32_t reg_y = static_cast<int16_t>(view->registration_y);
  const int32_t left = origin.x - scaled(reg_x);
  const int32_t top = origin.y - scaled(reg_y);
  const CollectionBitmap* bitmap = view->bitmap;
  const Rect box = bitmap ? Rect{left, top, left + std::max(1, scaled(bitmap->width)),
                                 top + std::max(1, scaled(bitmap->height))}
                          : Rect{left, top, left, top};
  if (owner_.Showing(X256SequenceFrameEdit::kShowBitmap) && bitmap && bitmap->width > 0 &&
      bitmap->height > 0) {
    FlushSprites();
    BitmapDrawer::Shared().Draw(*bitmap, palette, box, ViewMirror(view->flags));
  }
  if (owner_.Showing(X256SequenceFrameEdit::kShowSelectionBox) && bitmap) {
    SetDrawColor(kSelectionColor);
    FillRect(box);
  }
  if (owner_.Showing(X256SequenceFrameEdit::kShowContrail)) {
    // Where the key point lies in every frame of this view: the path the sequence traces.
    SetDrawColor(kContrailColor);
    const size_t v = static_cast<size_t>(owner_.View());
    for (const SequenceFrame& f : sequence->frames) {
      const FrameView& other = f.views[v];
      const int32_t x = origin.x + scaled(static_cast<int16_t>(other.key_x) -
                                          static_cast<int16_t>(other.registration_x));
      const int32_t y = origin.y + scaled(static_cast<int16_t>(other.key_y) -
                                          static_cast<int16_t>(other.registration_y));
      FillRect({x - 1, y - 1, x + 2, y + 2});
    }
  }
  if (owner_.Showing(X256SequenceFrameEdit::kShowRegPoint)) FrameSquare(origin, 3, kRegColor);
  if (owner_.Showing(X256SequenceFrameEdit::kShowKeyPoint)) {
    const Point key{left + scaled(static_cast<int16_t>(view->key_x)),
                    top + scaled(static_cast<int16_t>(view->key_y))};
    FrameSquare(key, 3, kKeyColor);
  }
  if (owner_.Showing(X256SequenceFrameEdit::kShowOrigin)) {
    SetDrawColor(kOriginColor);
    FillRect({origin.x - 6, origin.y, origin.x + 7, origin.y + 1});
    FillRect({origin.x, origin.y - 6, origin.x + 1, origin.y + 7});
  }
}

// ------------------------------------------------------------------------------ moving

void X256SequenceFrameView::EndRun() {
  if (!run_) return;
  std::unique_ptr<CollectionChange> change = std::move(run_);
  run_mode_ = -1;
  dragging_ = false;
  owner_.Host().Commit(std::move(change), X256EditHost::kSequences);
}

void X256SequenceFrameView::MoveBy(int32_t dx, int32_t dy, bool by_keys) {
  Sequence* sequence = owner_.EditedSequence();
  if (!sequence || (dx == 0 && dy == 0)) return;
  if (run_ && (run_mode_ != owner_.Mode() || run_by_keys_ != by_keys)) EndRun();
  if (!run_) {
    run_ = owner_.Host().BeginChange();
    run_mode_ = owner_.Mode();
    run_by_keys_ = by_keys;
  }
  SequenceEdits::Move(*sequence, owner_.Mode(), owner_.Frame(), owner_.View(), dx, dy);
  InvalidateClient();
}

bool X256SequenceFrameView::OnKey(InputEvent& event) {
  if (event.b != 1) return false;
  if ((event.flags & kModControl) == kModControl) return false;
  const int32_t step = (event.flags & kModShift) ? 10 : 1;
  switch (event.a) {
    case Key::Left:
      MoveBy(-step, 0, true);
      return true;
    case Key::Right:
      MoveBy(step, 0, true);
      return true;
    case Key::Up:
      MoveBy(0, -step, true);
      return true;
    case Key::Down:
      MoveBy(0, step, true);
      return true;
    default:
      break;
  }
  // Anything but a move ends a run of them.
  EndRun();
  switch (event.a) {
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
      owner_.SetMode(event.a - '1');
      return true;
    case Key::PageUp:
      owner_.SetFrame(owner_.Frame() - 1);
      return true;
    case Key::PageDown:
      owner_.SetFrame(owner_.Frame() + 1);
      return true;
    case Key::Home:
      owner_.SetView(owner_.View() - 1);
      return true;
    case Key::End:
      owner_.SetView(owner_.View() + 1);
      return true;
    case '=':
    case Key::KpAdd: {
      const auto* next = std::upper_bound(std::begin(X256SequenceFrameEdit::kZooms),
                                          std::end(X256SequenceFrameEdit::kZooms), owner_.Zoom());
      if (next != std::end(X256SequenceFrameEdit::kZooms)) owner_.SetZoom(*next);
      return true;
    }
    case '-':
    case Key::KpSubtract: {
      const auto* at = std::lower_bound(std::begin(X256SequenceFrameEdit::kZooms),
                                        std::end(X256SequenceFrameEdit::kZooms), owner_.Zoom());
      if (at != std::begin(X256SequenceFrameEdit::kZooms)) owner_.SetZoom(*(at - 1));
      return true;
    }
    case 'C':
      Centre();
      return true;
    case ' ':
      owner_.SetAnimating(!owner_.Animating());
      return true;
    default:
      return false;
  }
}

void X256SequenceFrameView::OnMouseButton(InputEvent& event) {
  if (event.c != 0 || event.d != 1) return;
  EndRun();
  Window::SetFocus(this, 0);
  dragging_ = true;
  dragged_ = {};
  WM().TrackMouse(this, nullptr);
}

void X256SequenceFrameView::OnTrackMouse(Point start, Point current, int32_t phase) {
  if (!dragging_) return;
  if (phase != kTrackStart) {
    // Pointer pixels become bitmap pixels at the zoom; the remainder waits for more movement.
    const int32_t zoom = owner_.Zoom();
    const Point total{(current.x - start.x) * 100 / zoom, (current.y - start.y) * 100 / zoom};
    MoveBy(total.x - dragged_.x, total.y - dragged_.y, false);
    dragged_ = total;
  }
  if (phase == kTrackEnd) {
    EndRun();
    dragging_ = false;
  }
}

void X256SequenceFrameView::OnFocusLost(Window*, int32_t) {
  EndRun();
}

FocusGain X256SequenceFrameView::OnFocusGained(Window*, int32_t) {
  return {};
}
