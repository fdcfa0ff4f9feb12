#include "structs/ui/DialogView.h"

#include <algorithm>
#include <string>

#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/Platform.h"
#include "gui/SkinIds.h"
#include "gui/TextLayout.h"
#include "gui/WindowManager.h"
#include "structs/ui/DialogEdit.h"

namespace {

constexpr int32_t kReadoutGap = 4;
constexpr int32_t kReadoutPad = 4;

void Outline(const Rect& r, Color color) {
  SetDrawColor(color);
  FillRect({r.left, r.top, r.right, r.top + 1});
  FillRect({r.left, r.bottom - 1, r.right, r.bottom});
  FillRect({r.left, r.top + 1, r.left + 1, r.bottom - 1});
  FillRect({r.right - 1, r.top + 1, r.right, r.bottom - 1});
}

const Font* ViewFont(const Window* w) {
  return w->GetFont() ? w->GetFont() : DefaultFont();
}

std::string ReadoutText(const DialogControl& c, int32_t mode) {
  if (mode == DialogEdit::kShowSize) {
    return "W: " + std::to_string(c.rect.Width()) + "\nH: " + std::to_string(c.rect.Height());
  }
  return "X: " + std::to_string(c.rect.left) + "\nY: " + std::to_string(c.rect.top);
}

}  // namespace

DialogView::DialogView(DialogEdit* editor, Window* parent)
    : ScrollableWindow(WindowFlag::Visible | WindowFlag::ThinFrame, parent), editor_(editor) {
  SetLineStep(16);
}

Point DialogView::ToDialog(Point screen) const {
  const Rect& client = ClientRect();
  return {screen.x - client.left - kMargin + HorizontalPosition(),
          screen.y - client.top - kMargin + VerticalPosition()};
}

Point DialogView::ToScreen(Point dialog) const {
  const Rect& client = ClientRect();
  return {dialog.x + client.left + kMargin - HorizontalPosition(),
          dialog.y + client.top + kMargin - VerticalPosition()};
}

int32_t DialogView::CursorFor(Dialog::Zone zone) {
  switch (zone) {
    case Dialog::Zone::kMove:
      return Cursor::Move;
    case Dialog::Zone::kLeft:
    case Dialog::Zone::kRight:
      return Cursor::SizeHorizontal;
    case Dialog::Zone::kTop:
    case Dialog::Zone::kBottom:
      return Cursor::SizeVertical;
    case Dialog::Zone::kTopLeft:
    case Dialog::Zone::kBottomRight:
      return Cursor::SizeDiagonalDown;
    case Dialog::Zone::kBottomLeft:
    case Dialog::Zone::kTopRight:
      return Cursor::SizeDiagonalUp;
    case Dialog::Zone::kNone:
      break;
  }
  return Cursor::Arrow;
}

Rect DialogView::ReadoutRect() const {
  const int32_t index = editor_->selected();
  if (index < 0) return {};
  const DialogControl& c = editor_->dialog().controls[static_cast<size_t>(index)];
  const Font* font = ViewFont(this);
  const std::string text = ReadoutText(c, editor_->view_mode());
  const int32_t width = MeasureTextWidth(font, text, 0, kTextLiteral | kTextMultiLine);
  const int32_t height = 2 * (font ? font->line_height() : 16);
  const Point at = ToScreen({c.rect.right + kReadoutGap, c.rect.top});
  return {at.x, at.y, at.x + width + 2 * kReadoutPad, at.y + height + 2 * kReadoutPad};
}

void DialogView::Draw() {
  const Dialog& dialog = editor_->dialog();
  const Rect& client = ClientRect();
  const Rect visible{0, 0, client.Width(), client.Height()};
  const int32_t ox = kMargin - HorizontalPosition();
  const int32_t oy = kMargin - VerticalPosition();
  const Rect panel{ox, oy, ox + std::max(0, dialog.rect.Width()),
                   oy + std::max(0, dialog.rect.Height())};
  if (!panel.IsEmpty()) {
    SetDrawColor(kPanel);
    FillRect(panel);
    SetDrawColor(kWhite);
    DrawSkinBorder(panel, kSkinThinBorderEdge, kSkinThinBorderCorner, FrameSide::All);
    FlushSprites();
  }
  const Font* font = ViewFont(this);
  const int32_t selected = editor_->selected();
  auto place = [&](const DialogControl& c) {
    return Rect{ox + c.rect.left, oy + c.rect.top, ox + c.rect.right, oy + c.rect.bottom};
  };
  // The labels go out together after the outlines: a dialog of hundreds of controls would
  // otherwise cost a draw call for each.
  labels_.clear();
  runs_.clear();
  for (size_t i = 0; i < dialog.controls.size(); ++i) {
    if (static_cast<int32_t>(i) == selected) continue;
    const DialogControl& c = dialog.controls[i];
    const Rect r = place(c);
    if (r.IsEmpty() || !r.Intersects(visible)) continue;
    Outline(r, kOutline);
    labels_.push_back(std::to_string(c.id) + " " + c.text);
    runs_.push_back({{}, {r.left + 3, r.top + 2, r.right - 2, r.bottom - 2}});
  }
  for (size_t i = 0; i < runs_.size(); ++i) runs_[i].text = labels_[i];
  SetDrawColor(kOutline);
  DrawTextRuns(font, runs_, 0, kTextLiteral);
  if (selected < 0) return;
  const DialogControl& c = dialog.controls[static_cast<size_t>(selected)];
  const Rect r = place(c);
  if (!r.IsEmpty()) {
    Outline(r, kSelected);
    DrawText(font, std::to_string(c.id) + " " + c.text, 0, kTextLiteral,
             {r.left + 3, r.top + 2, r.right - 2, r.bottom - 2});
  }
  const Rect box = ReadoutRect().Offset(-client.left, -client.top);
  SetDrawColor(kReadoutBack);
  FillRect(box);
  Outline(box, kReadoutBorder);
  SetDrawColor(kWhite);
  DrawText(font, ReadoutText(c, editor_->view_mode()), 0, kTextLiteral | kTextMultiLine,
           {box.left + kReadoutPad, box.top + kReadoutPad, box.right, box.bottom});
}

bool DialogView::OnKey(InputEvent& event) {
  return editor_->CanvasKey(event);
}

void DialogView::OnMouseButton(InputEvent& event) {
  if (event.c != 0 || event.d != 1) return;
  const Point p = ToDialog({event.a, event.b});
  const int32_t index = editor_->dialog().ControlAt(p.x, p.y);
  if (index < 0) return;
  editor_->Select(index);
  const bool ctrl = (event.mods & kModControl) != 0;
  const bool shift = (event.mods & kModShift) != 0;
  if (!ctrl && !shift) return;
  const Dialog::Zone zone =
      Dialog::ZoneAt(editor_->dialog().controls[static_cast<size_t>(index)].rect, p.x, p.y, ctrl);
  if (zone == Dialog::Zone::kNone) return;
  editor_->BeginDrag(zone);
  WM().TrackMouse(this, nullptr);
}

void DialogView::OnDoubleClick(InputEvent& event) {
  if (event.c != 0) return;
  const Point p = ToDialog({event.a, event.b});
  const int32_t index = editor_->dialog().ControlAt(p.x, p.y);
  if (index < 0) return;
  editor_->Select(index);
  editor_->EditControl(index);
}

void DialogView::OnMouseMove(InputEvent& event) {
  ShowZoneCursor({event.a, event.b}, event.mods);
}

void DialogView::ShowZoneCursor(Point screen, int32_t mods) {
  const Point p = ToDialog(screen);
  const bool ctrl = (mods & kModControl) != 0;
  const bool shift = (mods & kModShift) != 0;
  Dialog::Zone zone = Dialog::Zone::kNone;
  if ((ctrl || shift) && ClientRect().Contains(screen)) {
    const int32_t index = editor_->dialog().ControlAt(p.x, p.y);
    if (index >= 0) {
      zone = Dialog::ZoneAt(editor_->dialog().controls[static_cast<size_t>(index)].rect, p.x, p.y,
                            ctrl);
    }
  }
  const int32_t cursor = CursorFor(zone);
  if (cursor != ClientCursor()) {
    SetClientCursor(cursor);
    WM().RecomputeHover();
  }
}

void DialogView::OnTrackMouse(Point start, Point current, int32_t phase) {
  editor_->OnTrackMouse(ToDialog(start), ToDialog(current), phase);
}
