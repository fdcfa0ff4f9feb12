#include "collections/ui/X256SequenceFrameEdit.h"

#include <algorithm>
#include <cstdio>

#include "collections/Collection.h"
#include "collections/CollectionLayout.h"
#include "collections/SequenceEdits.h"
#include "collections/ui/BackgroundPicker.h"
#include "collections/ui/X256EditHost.h"
#include "collections/ui/X256SequenceEdit.h"
#include "collections/ui/X256SequenceFrameView.h"
#include "gui/Button.h"
#include "gui/CheckBox.h"
#include "gui/ComboBox.h"
#include "gui/Draw.h"
#include "gui/TextBox.h"
#include "gui/TextLayout.h"
#include "gui/WindowManager.h"

namespace {

constexpr int32_t kMargin = 8;
constexpr int32_t kRow = 24;
constexpr int32_t kLine = 18;
constexpr int32_t kGap = 12;
constexpr const char* kShowLabels[X256SequenceFrameEdit::kShowCount] = {
    "Show Reg Point", "Show Key Point", "Show Selection Box", "Show Origin",
    "Show Bitmap",    "Show Shadow",    "Show Contrail"};
// Shown at first: the points, the origin, the bitmap and its shadow.
constexpr bool kShownAtFirst[X256SequenceFrameEdit::kShowCount] = {true, true, false, true,
                                                                   true, true, false};

double Now() {
  WindowManager* wm = WMOrNull();
  return wm ? wm->GetPlatform().Now() : 0.0;
}

TextBox* Label(Window* parent, const char* text, int32_t& x, int32_t y) {
  auto* label = new TextBox(TextBox::kLabel, parent);
  label->SetText(text);
  const int32_t width = MeasureTextWidth(DefaultFont(), text, 0, kTextLiteral) + 6;
  label->SetFrameRect({x, y, x + width, y + kLine});
  x += width;
  return label;
}

}  // namespace

X256SequenceFrameEdit::X256SequenceFrameEdit(X256EditHost& host, X256SequenceEdit& owner,
                                             int32_t frame, int32_t view)
    : Window(kFlags, nullptr), host_(host), owner_(&owner), frame_(frame), view_(view) {
  int32_t x = kMargin;
  int32_t y = kMargin;
  for (int32_t i = 0; i < kShowCount; ++i) {
    if (i == kShowBitmap) {
      x = kMargin;
      y += kRow;
    }
    auto* box = new CheckBox(this, kShowLabels[i], i);
    box->SizeToFit();
    const Rect r = box->FrameRectInParent();
    box->SetFrameRect({x, y, x + r.Width(), y + r.Height()});
    box->SetState(kShownAtFirst[i] ? Button::kOn : Button::kUp, true);
    x += r.Width() + kGap;
    ::Connect<&X256SequenceFrameEdit::OnShowBox>(box->clicked_with_id, this);
    shows_[static_cast<size_t>(i)] = box;
  }
  x = kMargin;
  y += kRow;
  Label(this, "Background:", x, y);
  background_ = new BackgroundPicker(this);
  background_->SetFrameRect({x, y, x + 120, y + background_->RowHeight()});
  x += 120 + kGap;
  ::Connect<&X256SequenceFrameEdit::OnBackground>(background_->selection_changed, this);
  Label(this, "Zoom:", x, y);
  zoom_box_ = new ComboBox(this, 0);
  for (int32_t zoom : kZooms) {
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", zoom);
    zoom_box_->AddItem(static_cast<uint64_t>(zoom), text);
  }
  zoom_box_->Fit(static_cast<int32_t>(std::size(kZooms)), false);
  zoom_box_->SetFrameRect({x, y, x + 70, y + zoom_box_->RowHeight()});
  x += 70 + kGap;
  ::Connect<&X256SequenceFrameEdit::OnZoom>(zoom_box_->selection_changed, this);
  mode_box_ = new ComboBox(this, 0);
  for (int32_t m = 0; m < SequenceEdits::kMoveModeCount; ++m) {
    mode_box_->AddItem(static_cast<uint64_t>(m),
                       std::string("Mouse / Arrow Keys: ") + SequenceEdits::MoveModeName(m));
  }
  mode_box_->Fit(SequenceEdits::kMoveModeCount, false);
  mode_box_->SetFrameRect({x, y, x + 250, y + mode_box_->RowHeight()});
  ::Connect<&X256SequenceFrameEdit::OnModeBox>(mode_box_->selection_changed, this);
  x = kMargin;
  y += kRow;
  animate_ = new Button(this, "Animate", 100);
  animate_->SetFrameRect({x, y, x + 70, y + 20});
  x += 70 + kGap;
  ::Connect<&X256SequenceFrameEdit::OnAnimate>(animate_->clicked, this);
  frame_label_ = new TextBox(TextBox::kLabel, this);
  frame_label_->SetFrameRect({x, y, x + 100, y + kLine});
  x += 100 + kGap;
  view_label_ = new TextBox(TextBox::kLabel, this);
  view_label_->SetFrameRect({x, y, x + 60, y + kLine});
  header_height_ = y + kRow + 4;

  view_window_ = new X256SequenceFrameView(*this, this);
  SetClientSize(kInitialSize);
  OnResized();
  SetZoom(100);
  SetMode(SequenceEdits::kMoveBitmap);
  Refresh();
}

X256SequenceFrameEdit::~X256SequenceFrameEdit() {
  if (owner_) owner_->FrameEditorGone(this);
}

void X256SequenceFrameEdit::OnResized() {
  if (!view_window_) return;
  const Rect& client = ClientRect();
  view_window_->SetFrameRect({0, header_height_, client.Width(), client.Height()});
}

Sequence* X256SequenceFrameEdit::EditedSequence() const {
  return owner_ ? owner_->EditedSequence() : nullptr;
}

SequenceFrame* X256SequenceFrameEdit::CurrentFrame() const {
  Sequence* s = EditedSequence();
  if (!s || frame_ < 0 || static_cast<size_t>(frame_) >= s->frames.size()) return nullptr;
  return &s->frames[static_cast<size_t>(frame_)];
}

FrameView* X256SequenceFrameEdit::CurrentView() const {
  SequenceFrame* frame = CurrentFrame();
  if (!frame || view_ < 0 || static_cast<size_t>(view_) >= frame->views.size()) return nullptr;
  return &frame->views[static_cast<size_t>(view_)];
}

void X256SequenceFrameEdit::SetFrame(int32_t frame) {
  const Sequence* s = EditedSequence();
  if (!s || s->frames.empty()) return;
  view_window_->EndRun();
  frame_ = std::clamp<int32_t>(frame, 0, static_cast<int32_t>(s->frames.size()) - 1);
  Refresh();
}

void X256SequenceFrameEdit::SetView(int32_t view) {
  const Sequence* s = EditedSequence();
  if (!s) return;
  view_window_->EndRun();
  view_ = std::clamp<int32_t>(view, 0, SequenceEdits::RealViews(*s) - 1);
  Refresh();
}

void X256SequenceFrameEdit::SetMode(int32_t mode) {
  if (mode < 0 || mode >= SequenceEdits::kMoveModeCount) return;
  view_window_->EndRun();
  mode_ = mode;
  mode_box_->SelectById(static_cast<uint64_t>(mode));
}

void X256SequenceFrameEdit::SetZoom(int32_t percent) {
  zoom_ = std::clamp(percent, kZooms[0], kZooms[std::size(kZooms) - 1]);
  zoom_box_->SelectById(static_cast<uint64_t>(zoom_));
  view_window_->InvalidateClient();
}

bool X256SequenceFrameEdit::Showing(ShowWhat what) const {
  return shows_[static_cast<size_t>(what)]->GetState() == Button::kOn;
}

void X256SequenceFrameEdit::SetShowing(ShowWhat what, bool on) {
  shows_[static_cast<size_t>(what)]->SetState(on ? Button::kOn : Button::kUp, true);
  view_window_->InvalidateClient();
}

std::string X256SequenceFrameEdit::TitleText() const {
  const Sequence* s = EditedSequence();
  char text[128];
  std::snprintf(text, sizeof text, "%s: Frame %d, Tick %u", s ? s->Name().c_str() : "", frame_,
                tick_);
  return text;
}

void X256SequenceFrameEdit::ShowPosition() {
  SetTitle(TitleText().c_str());
  char text[32];
  std::snprintf(text, sizeof text, "Frame %u", static_cast<unsigned>(frame_));
  frame_label_->SetText(text);
  // The view's number, marked when it is drawn mirrored.
  const FrameView* v = CurrentView();
  const bool mirrored = v && (v->flags & collection_layout::kViewMirrorX);
  std::snprintf(text, sizeof text, "%u%c", static_cast<unsigned>(view_), mirrored ? 'm' : ' ');
  view_label_->SetText(text);
}

void X256SequenceFrameEdit::Refresh() {
  const Sequence* s = EditedSequence();
  if (s) {
    frame_ = std::clamp<int32_t>(frame_, 0,
                                 std::max<int32_t>(0, static_cast<int32_t>(s->frames.size()) - 1));
    view_ = std::clamp<int32_t>(view_, 0, std::max(0, SequenceEdits::RealViews(*s) - 1));
  }
  ShowPosition();
  view_window_->InvalidateClient();
}

void X256SequenceFrameEdit::FocusView() {
  Window::SetFocus(view_window_, 0);
}

void X256SequenceFrameEdit::Detach() {
  if (view_window_) view_window_->EndRun();
  owner_ = nullptr;
  animating_ = false;
}

void X256SequenceFrameEdit::OnClose() {
  view_window_->EndRun();
  animating_ = false;
  X256SequenceEdit* owner = owner_;
  owner_ = nullptr;
  if (owner) owner->FrameEditorGone(this);
}

bool X256SequenceFrameEdit::OnKey(InputEvent& event) {
  if ((event.flags & kModControl) == kModControl) {
    view_window_->EndRun();
    if (owner_) {
      if (auto* editor = dynamic_cast<Window*>(&host_)) return editor->OnKey(event);
    }
  }
  return Window::OnKey(event);
}

void X256SequenceFrameEdit::OnShowBox(intptr_t) {
  view_window_->InvalidateClient();
}

void X256SequenceFrameEdit::OnBackground(intptr_t) {
  view_window_->InvalidateClient();
}

void X256SequenceFrameEdit::OnZoom(intptr_t selection) {
  const auto* s = reinterpret_cast<const ComboBox::Selection*>(selection);
  if (s && s->item) SetZoom(static_cast<int32_t>(s->id));
  FocusView();
}

void X256SequenceFrameEdit::OnModeBox(intptr_t selection) {
  const auto* s = reinterpret_cast<const ComboBox::Selection*>(selection);
  if (s && s->item) SetMode(static_cast<int32_t>(s->id));
  FocusView();
}

void X256SequenceFrameEdit::OnAnimate(intptr_t) {
  SetAnimating(!animating_);
  FocusView();
}

void X256SequenceFrameEdit::SetAnimating(bool on) {
  if (on == animating_ || !EditedSequence()) return;
  view_window_->EndRun();
  animating_ = on;
  animate_->SetTitle(on ? "Stop" : "Animate");
  animate_->Invalidate();
  ticks_in_frame_ = 0;
  last_tick_time_ = Now();
}

void X256SequenceFrameEdit::Tick() {
  const Sequence* s = EditedSequence();
  if (!s || s->frames.empty()) return;
  ++tick_;
  const uint32_t per_frame = std::max<uint32_t>(1, s->ticks_per_frame);
  if (++ticks_in_frame_ >= per_frame) {
    ticks_in_frame_ = 0;
    int32_t next = frame_ + 1;
    // After the last frame the preview goes on from the loop frame.
    if (next >= static_cast<int32_t>(s->frames.size())) {
      next = std::min<int32_t>(s->loop_frame, static_cast<int32_t>(s->frames.size()) - 1);
    }
    if (next != frame_) {
      frame_ = next;
      view_window_->InvalidateClient();
    }
  }
  ShowPosition();
}

void X256SequenceFrameEdit::OnIdle() {
  if (!animating_) return;
  const double now = Now();
  const double step = 1.0 / kTicksPerSecond;
  // A late idle catches up a few ticks, never a backlog.
  int32_t ticks = 0;
  while (now - last_tick_time_ >= step && ticks < 4) {
    last_tick_time_ += step;
    Tick();
    ++ticks;
  }
  if (now - last_tick_time_ >= step) last_tick_time_ = now;
}
