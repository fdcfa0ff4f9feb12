#include "tools/makeskin/SkinPainter.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gui/SkinIds.h"
#include "tools/makeskin/Canvas.h"

namespace {

using Region = Canvas::Region;

// The theme. Greys lean very slightly blue so that the accent sits naturally among them.
const Colour kInk = Colour::Hex(0x17181b);         // outlines of raised things and frames
const Colour kSeam = Colour::Hex(0x1e1f22);        // dark separating lines
const Colour kBackground = Colour::Hex(0x2f3136);  // window client areas
const Colour kPanel = Colour::Hex(0x2b2d31);       // menus
const Colour kTrack = Colour::Hex(0x27292d);       // scroll bar tracks, inactive tabs
const Colour kFrame = Colour::Hex(0x3a3d43);       // window frames
const Colour kFrameLight = Colour::Hex(0x474a51);  // the light rim of a frame
const Colour kFrameDark = Colour::Hex(0x26282c);   // the dark rim of a frame, next to content
const Colour kOutline = Colour::Hex(0x4d5057);     // thin borders
const Colour kFaceTop = Colour::Hex(0x4b4f57);     // raised faces: buttons
const Colour kFaceBottom = Colour::Hex(0x40434a);
const Colour kSunkenTop = Colour::Hex(0x2b2d32);  // pressed faces
const Colour kSunkenBottom = Colour::Hex(0x323439);
const Colour kField = Colour::Hex(0x393c42);  // text fields, a little lighter
const Colour kFieldBorder = Colour::Hex(0x53565e);
const Colour kWell = Colour::Hex(0x26282c);  // inside an unchecked box
const Colour kWellBorder = Colour::Hex(0x5d616a);
const Colour kThumb = Colour::Hex(0x5b5f67);
const Colour kGlyph = Colour::Hex(0xa7abb3);  // arrows and marks at rest
const Colour kText = Colour::Hex(0xe8eaed);   // glyphs in their active state
const Colour kDisabled = Colour::Hex(0x6b6f77);
const Colour kAccent = Colour::Hex(0x3d7bd9);
const Colour kAccentLight = Colour::Hex(0x5a92e6);
const Colour kAccentDark = Colour::Hex(0x2c62b8);
const Colour kDanger = Colour::Hex(0xc4504d);  // the pressed close button
const Colour kClear = {0, 0, 0, 0};
const Colour kWhite = Colour::Hex(0xffffff);
const Colour kBlack = Colour::Hex(0x000000);

Canvas Flat(int width, int height, Colour colour) {
  Canvas canvas(width, height);
  canvas.Fill(Canvas::Box(0, 0, width, height), colour);
  return canvas;
}

// Rows of solid colours, top to bottom, `width` wide; a clear colour leaves its row empty.
Canvas Rows(int width, std::initializer_list<Colour> rows) {
  Canvas canvas(width, static_cast<int>(rows.size()));
  int y = 0;
  for (const Colour& colour : rows) {
    canvas.Fill(Canvas::Box(0, y, width, y + 1), colour);
    ++y;
  }
  return canvas;
}

// The 1-pixel-wide band inside a shape's outline: the shape less the same shape moved down,
// which lights or darkens the top edge following its curve.
Region TopRim(double left, double top, double right, double bottom, double radius) {
  return Canvas::Minus(Canvas::RoundBox(left, top, right, bottom, radius),
                       Canvas::RoundBox(left, top + 1, right, bottom + 1, radius));
}

// A filled triangle pointing `direction` (0 up, 1 right, 2 down, 3 left), centred on
// (cx, cy), `base` wide and `depth` long.
Region Arrowhead(double cx, double cy, double base, double depth, int direction) {
  const double h = base / 2;
  const double d = depth / 2;
  std::vector<std::pair<double, double>> points;
  switch (direction) {
    case 0:
      points = {{cx - h, cy + d}, {cx + h, cy + d}, {cx, cy - d}};
      break;
    case 1:
      points = {{cx - d, cy - h}, {cx - d, cy + h}, {cx + d, cy}};
      break;
    case 2:
      points = {{cx - h, cy - d}, {cx + h, cy - d}, {cx, cy + d}};
      break;
    default:
      points = {{cx + d, cy - h}, {cx + d, cy + h}, {cx - d, cy}};
      break;
  }
  return Canvas::Polygon(std::move(points));
}

// Frames of concentric rounded rings, outermost first, each one pixel wide. Returns a canvas
// large enough to cut a corner and an edge of `rings.size()` pixels from; the inside is clear.
//
// Each pixel is split between the rings by how much of it lies between their boundaries, so
// neighbouring rings meet without a seam and a clear ring really is clear.
Canvas RingedFrame(std::initializer_list<Colour> rings, double outer_radius) {
  constexpr int kSize = 32;
  std::vector<Region> bounds;
  for (size_t inset = 0; inset <= rings.size(); ++inset) {
    const double d = static_cast<double>(inset);
    bounds.push_back(Canvas::RoundBox(d, d, kSize - d, kSize - d, std::max(outer_radius - d, 0.0)));
  }
  Canvas canvas(kSize, kSize);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      double r = 0, g = 0, b = 0, a = 0;
      double outside = Canvas::Coverage(bounds[0], x, y);
      size_t k = 0;
      for (const Colour& colour : rings) {
        const double inside = Canvas::Coverage(bounds[k + 1], x, y);
        const double share = (outside - inside) * colour.a;
        r += colour.r * share;
        g += colour.g * share;
        b += colour.b * share;
        a += share;
        outside = inside;
        ++k;
      }
      if (a > 0) canvas.Set(x, y, {r / a, g / a, b / a, a});
    }
  }
  return canvas;
}

// The top-left corner and a 16-pixel piece of the top edge of a ringed frame.
std::pair<Canvas, Canvas> CornerAndEdge(const Canvas& frame, int thickness) {
  return {frame.Crop(0, 0, thickness, thickness), frame.Crop(8, 0, 16, thickness)};
}

// --- Window frames -------------------------------------------------------------------------

void PaintFrames(std::map<int32_t, Canvas>& out) {
  out.emplace(kSkinBackground, Flat(32, 32, kBackground));

  // Outline, light rim, frame body, dark rim: a raised frame that reads on any background.
  const Canvas thick = RingedFrame({kInk, kFrameLight, kFrame, kFrameDark}, 4);
  auto [thick_corner, thick_edge] = CornerAndEdge(thick, 4);
  out.emplace(kSkinThickBorderEdge, std::move(thick_edge));
  out.emplace(kSkinThickBorderCorner, std::move(thick_corner));

  out.emplace(kSkinThinBorderEdge, Rows(16, {kOutline}));
  // Half strength rounds the corner of a one-pixel frame off.
  out.emplace(kSkinThinBorderCorner, Rows(1, {kOutline.WithAlpha(0.45)}));

  // Title bars: a gentle shade with a light top line and a dark line below.
  auto title_bar = [](Colour top, Colour bottom, Colour highlight, Colour seam) {
    Canvas canvas(16, 22);
    canvas.Fill(Canvas::Box(0, 0, 16, 22), Canvas::VerticalGradient(1, 21, top, bottom));
    canvas.Fill(Canvas::Box(0, 0, 16, 1), highlight);
    canvas.Fill(Canvas::Box(0, 21, 16, 22), seam);
    return canvas;
  };
  out.emplace(kSkinTitleBarActive, title_bar(Colour::Hex(0x4584dd), Colour::Hex(0x3871c6),
                                             Colour::Hex(0x6197e4), Colour::Hex(0x2a5aa3)));
  out.emplace(kSkinTitleBarInactive, title_bar(Colour::Hex(0x43464c), Colour::Hex(0x3a3d43),
                                               Colour::Hex(0x4e5158), Colour::Hex(0x2a2c30)));

  // Drop shadow: alpha falls off with the square of the distance from the frame.
  constexpr double kShadowDepth = 8;
  auto shadow_alpha = [](double distance) {
    const double t = std::clamp(1 - distance / kShadowDepth, 0.0, 1.0);
    return 0.34 * t * t;
  };
  Canvas shadow_edge(16, 8);
  shadow_edge.Shade([&](double, double y) { return kBlack.WithAlpha(shadow_alpha(8 - y)); });
  out.emplace(kSkinShadowEdge, std::move(shadow_edge));
  Canvas shadow_corner(8, 8);
  shadow_corner.Shade(
      [&](double x, double y) { return kBlack.WithAlpha(shadow_alpha(std::hypot(8 - x, 8 - y))); });
  out.emplace(kSkinShadowCorner, std::move(shadow_corner));

  // Focus ring: the accent line and a faint glow inside it.
  const Canvas ring = RingedFrame({kAccentLight, kAccent.WithAlpha(0.32), kClear}, 3);
  auto [ring_corner, ring_edge] = CornerAndEdge(ring, 3);
  out.emplace(kSkinFocusRingEdge, std::move(ring_edge));
  out.emplace(kSkinFocusRingCorner, std::move(ring_corner));

  out.emplace(kSkinSplitterBar,
              Rows(16, {kSeam, Colour::Hex(0x42454c), Colour::Hex(0x383b41), kSeam}));
}

// --- Buttons and check boxes ----------------------------------------------------------------

constexpr int kButtonHeight = 24;
constexpr int kButtonFace = 18;  // the rest of the height is for the shadow
constexpr int kButtonCap = 6;

Canvas ButtonFace(bool pressed) {
  constexpr int kWidth = 40;
  Canvas canvas(kWidth, kButtonHeight);
  // A soft shadow under the face, smaller when the button is pushed in.
  const double lift = pressed ? 0.5 : 1.5;
  canvas.Fill(Canvas::RoundBox(0.5, lift, kWidth - 0.5, kButtonFace + lift, 4),
              kBlack.WithAlpha(pressed ? 0.18 : 0.30));
  canvas.Fill(Canvas::RoundBox(1, lift + 1.5, kWidth - 1, kButtonFace + lift + 1.5, 4),
              kBlack.WithAlpha(pressed ? 0.06 : 0.12));
  canvas.Fill(Canvas::RoundBox(0, 0, kWidth, kButtonFace, 4), kInk);
  const Region inside = Canvas::RoundBox(1, 1, kWidth - 1, kButtonFace - 1, 3);
  if (pressed) {
    canvas.Fill(inside, Canvas::VerticalGradient(1, kButtonFace - 1, kSunkenTop, kSunkenBottom));
    canvas.Fill(TopRim(1, 1, kWidth - 1, kButtonFace - 1, 3), kBlack.WithAlpha(0.22));
  } else {
    canvas.Fill(inside, Canvas::VerticalGradient(1, kButtonFace - 1, kFaceTop, kFaceBottom));
    canvas.Fill(TopRim(1, 1, kWidth - 1, kButtonFace - 1, 3), kWhite.WithAlpha(0.10));
  }
  return canvas;
}

Canvas CheckBox(bool checked, bool pressed) {
  Canvas canvas(13, 13);
  const Region outer = Canvas::RoundBox(0, 0, 13, 13, 3);
  const Region inner = Canvas::RoundBox(1, 1, 12, 12, 2);
  if (checked) {
    canvas.Fill(outer, kAccentDark);
    canvas.Fill(inner, pressed ? Canvas::VerticalGradient(1, 12, Colour::Hex(0x3569bb),
                                                          Colour::Hex(0x2e5ea9))
                               : Canvas::VerticalGradient(1, 12, kAccentLight, kAccent));
    const Region mark = Canvas::Union(Canvas::Stroke(3.3, 6.6, 5.5, 8.8, 1.7),
                                      Canvas::Stroke(5.5, 8.8, 9.7, 3.9, 1.7));
    canvas.Fill(mark, kWhite.WithAlpha(pressed ? 0.85 : 1.0));
  } else {
    canvas.Fill(outer, pressed ? kAccentLight : kWellBorder);
    canvas.Fill(inner, pressed ? Colour::Hex(0x33363b) : kWell);
  }
  return canvas;
}

// Cuts a horizontally stretchable piece into its left cap, a 4-pixel middle slice and its
// right cap, so the program can draw it at any width.
void SliceCapsAndMiddle(std::map<int32_t, Canvas>& out, const Canvas& whole, int cap,
                        int32_t left_id, int32_t middle_id, int32_t right_id) {
  const int height = whole.height();
  out.emplace(left_id, whole.Crop(0, 0, cap, height));
  out.emplace(middle_id, whole.Crop(whole.width() / 2 - 2, 0, 4, height));
  out.emplace(right_id, whole.Crop(whole.width() - cap, 0, cap, height));
}

void PaintControls(std::map<int32_t, Canvas>& out) {
  SliceCapsAndMiddle(out, ButtonFace(false), kButtonCap, kSkinButtonLeft, kSkinButtonMiddle,
                     kSkinButtonRight);
  SliceCapsAndMiddle(out, ButtonFace(true), kButtonCap, kSkinButtonLeftPressed,
                     kSkinButtonMiddlePressed, kSkinButtonRightPressed);

  out.emplace(kSkinCheckBoxOff, CheckBox(false, false));
  out.emplace(kSkinCheckBoxOn, CheckBox(true, false));
  out.emplace(kSkinCheckBoxPressedOn, CheckBox(true, true));
  out.emplace(kSkinCheckBoxPressedOff, CheckBox(false, true));

  // Drop-down arrows: a small raised plate like a button's, with a triangle.
  auto drop_down = [](Colour top, Colour bottom, Colour outline, Colour glyph, bool sunken) {
    Canvas canvas(14, 14);
    canvas.Fill(Canvas::RoundBox(0, 0, 14, 14, 3), outline);
    canvas.Fill(Canvas::RoundBox(1, 1, 13, 13, 2), Canvas::VerticalGradient(1, 13, top, bottom));
    canvas.Fill(TopRim(1, 1, 13, 13, 2), sunken ? kBlack.WithAlpha(0.22) : kWhite.WithAlpha(0.08));
    canvas.Fill(Arrowhead(7, 7.5, 7, 4, 2), glyph);
    return canvas;
  };
  out.emplace(kSkinDropDownArrow, drop_down(kFaceTop, kFaceBottom, kInk, kText, false));
  out.emplace(kSkinDropDownArrowDisabled, drop_down(Colour::Hex(0x36383d), Colour::Hex(0x323439),
                                                    Colour::Hex(0x232428), kDisabled, false));
  out.emplace(kSkinDropDownArrowPressed, drop_down(kSunkenTop, kSunkenBottom, kInk, kText, true));

  out.emplace(kSkinSwatchChecker, [] {
    Canvas canvas = Flat(8, 8, Colour::Hex(0xa0a0a0));
    canvas.Fill(Canvas::Union(Canvas::Box(0, 0, 4, 4), Canvas::Box(4, 4, 8, 8)),
                Colour::Hex(0x6e6e6e));
    return canvas;
  }());

  // Text fields: a border line with the field colour inside, lightly rounded.
  const Canvas field = RingedFrame({kFieldBorder, kField, kField}, 3);
  auto [field_corner, field_edge] = CornerAndEdge(field, 3);
  out.emplace(kSkinTextBoxEdge, std::move(field_edge));
  out.emplace(kSkinTextBoxCorner, std::move(field_corner));
  out.emplace(kSkinTextBoxFill, Flat(16, 16, kField));
  out.emplace(kSkinTextCaret, Flat(1, 16, kText));
  out.emplace(kSkinSelection, Flat(16, 16, kAccent));
  out.emplace(kSkinSelectionInactive, Flat(16, 16, Colour::Hex(0x4a4d54)));
}

// --- Title-bar buttons ----------------------------------------------------------------------

Canvas TitleButton(const Region& glyph, bool pressed, bool danger) {
  Canvas canvas(16, 14);
  const Region plate = Canvas::RoundBox(0, 0, 16, 14, 3);
  if (!pressed) {
    canvas.Fill(plate, kWhite.WithAlpha(0.10));
  } else if (danger) {
    canvas.Fill(plate, kDanger);
  } else {
    canvas.Fill(plate, kBlack.WithAlpha(0.30));
  }
  canvas.Fill(glyph, kWhite.WithAlpha(pressed ? 1.0 : 0.92));
  return canvas;
}

void PaintTitleButtons(std::map<int32_t, Canvas>& out) {
  const Region close =
      Canvas::Union(Canvas::Stroke(5, 4, 11, 10, 1.5), Canvas::Stroke(11, 4, 5, 10, 1.5));
  // A window outline with the heavier top edge of a title bar.
  const Region maximise =
      Canvas::Minus(Canvas::Box(4.5, 3.5, 11.5, 10.5), Canvas::Box(5.75, 5.25, 10.25, 9.25));
  const Region collapse = Canvas::Box(4.5, 6.25, 11.5, 7.75);
  const Region front = Canvas::Box(4, 5.5, 9.5, 11);
  const Region back = Canvas::Minus(
      Canvas::Minus(Canvas::Box(6.5, 3, 12, 8.5), Canvas::Box(7.6, 4.6, 10.9, 7.4)), front);
  const Region restore = Canvas::Union(back, Canvas::Minus(front, Canvas::Box(5.1, 7.1, 8.4, 9.9)));

  out.emplace(kSkinTitleButtonClose, TitleButton(close, false, true));
  out.emplace(kSkinTitleButtonClosePressed, TitleButton(close, true, true));
  out.emplace(kSkinTitleButtonMaximise, TitleButton(maximise, false, false));
  out.emplace(kSkinTitleButtonMaximisePressed, TitleButton(maximise, true, false));
  out.emplace(kSkinTitleButtonCollapse, TitleButton(collapse, false, false));
  out.emplace(kSkinTitleButtonCollapsePressed, TitleButton(collapse, true, false));
  out.emplace(kSkinTitleButtonRestore, TitleButton(restore, false, false));
  out.emplace(kSkinTitleButtonRestorePressed, TitleButton(restore, true, false));
}

// --- Menus and lists ------------------------------------------------------------------------

void PaintMenusAndLists(std::map<int32_t, Canvas>& out) {
  out.emplace(kSkinMenuBackground, Flat(16, 16, kPanel));
  out.emplace(kSkinMenuHighlight, Flat(16, 16, kAccent));
  out.emplace(kSkinMenuSeparator, Rows(16, {kClear, kSeam, Colour::Hex(0x3f4248), kClear}));

  Canvas submenu(5, 9);
  submenu.Fill(Canvas::Polygon({{0.5, 0.5}, {0.5, 8.5}, {4.6, 4.5}}), kGlyph);
  out.emplace(kSkinMenuSubmenuArrow, std::move(submenu));

  Canvas check(9, 9);
  check.Fill(Canvas::Union(Canvas::Stroke(1.4, 4.9, 3.6, 7.1, 1.6),
                           Canvas::Stroke(3.6, 7.1, 7.8, 1.9, 1.6)),
             kText);
  out.emplace(kSkinMenuCheckMark, std::move(check));

  Canvas bar(16, 20);
  bar.Fill(Canvas::Box(0, 0, 16, 20),
           Canvas::VerticalGradient(0, 19, Colour::Hex(0x383b41), Colour::Hex(0x313338)));
  bar.Fill(Canvas::Box(0, 19, 16, 20), kSeam);
  out.emplace(kSkinMenuBarBackground, std::move(bar));

  // Tree marks: the open one is the closed one turned a quarter clockwise about the centre.
  Canvas closed(9, 9);
  closed.Fill(Canvas::Polygon({{2.5, 1.5}, {2.5, 7.5}, {6.5, 4.5}}), kGlyph);
  Canvas open(9, 9);
  open.Fill(Canvas::Polygon({{7.5, 2.5}, {1.5, 2.5}, {4.5, 6.5}}), kGlyph);
  out.emplace(kSkinTreeMark, std::move(closed));
  out.emplace(kSkinTreeMarkOpen, std::move(open));

  out.emplace(kSkinGridCellSelection, Flat(16, 16, kAccent.WithAlpha(0.35)));

  auto header = [](Colour top, Colour bottom, Colour highlight) {
    Canvas canvas(16, 18);
    canvas.Fill(Canvas::Box(0, 0, 16, 18), Canvas::VerticalGradient(0, 17, top, bottom));
    canvas.Fill(Canvas::Box(0, 0, 16, 1), highlight);
    canvas.Fill(Canvas::Box(0, 17, 16, 18), kSeam);
    return canvas;
  };
  out.emplace(kSkinListHeader,
              header(Colour::Hex(0x3d4046), Colour::Hex(0x36393e), Colour::Hex(0x474a51)));
  out.emplace(kSkinListHeaderPressed,
              header(Colour::Hex(0x2c2e33), Colour::Hex(0x313338), Colour::Hex(0x2a2c30)));
  Canvas divider(2, 18);
  divider.Fill(Canvas::Box(0, 3, 1, 15), kSeam);
  divider.Fill(Canvas::Box(1, 3, 2, 15), Colour::Hex(0x4a4d54));
  out.emplace(kSkinListHeaderDivider, std::move(divider));
}

// --- Scroll bars ----------------------------------------------------------------------------

constexpr int kBar = 14;
constexpr int kThumbCap = 6;

// Vertical pieces are drawn; the horizontal ones are the same pixels turned about the
// diagonal, so both bars look alike.
Canvas VerticalTrack(int length) {
  Canvas canvas = Flat(kBar, length, kTrack);
  canvas.Fill(Canvas::Box(0, 0, 1, length), kSeam);
  return canvas;
}

Canvas ScrollArrow(int direction, bool pressed) {
  // Drawn for a vertical bar, whose seam is on the left; left and right arrows are the up and
  // down ones turned about the diagonal.
  Canvas canvas = VerticalTrack(kBar);
  if (pressed) canvas.Fill(Canvas::RoundBox(2, 1, 13, 13, 3), Colour::Hex(0x3d4046));
  canvas.Fill(Arrowhead(7.5, 7, 7, 4, direction), pressed ? kText : kGlyph);
  return canvas;
}

void PaintScrollBars(std::map<int32_t, Canvas>& out) {
  const Canvas track = VerticalTrack(16);
  out.emplace(kSkinScrollTrackVertical, track);
  out.emplace(kSkinScrollTrackHorizontal, track.Transposed());

  // A pill narrower than the track, clear around it so that the track shows.
  constexpr int kLength = 40;
  Canvas thumb(kBar, kLength);
  const Region pill = Canvas::RoundBox(3.5, 1, 11.5, kLength - 1, 4);
  thumb.Fill(pill, kThumb);
  thumb.Fill(TopRim(3.5, 1, 11.5, kLength - 1, 4), kWhite.WithAlpha(0.08));
  const Canvas top = thumb.Crop(0, 0, kBar, kThumbCap);
  const Canvas middle = thumb.Crop(0, kLength / 2 - 2, kBar, 4);
  const Canvas bottom = thumb.Crop(0, kLength - kThumbCap, kBar, kThumbCap);
  out.emplace(kSkinScrollThumbTop, top);
  out.emplace(kSkinScrollThumbVerticalMiddle, middle);
  out.emplace(kSkinScrollThumbBottom, bottom);
  out.emplace(kSkinScrollThumbLeft, top.Transposed());
  out.emplace(kSkinScrollThumbHorizontalMiddle, middle.Transposed());
  out.emplace(kSkinScrollThumbRight, bottom.Transposed());

  out.emplace(kSkinScrollArrowUp, ScrollArrow(0, false));
  out.emplace(kSkinScrollArrowUpPressed, ScrollArrow(0, true));
  out.emplace(kSkinScrollArrowDown, ScrollArrow(2, false));
  out.emplace(kSkinScrollArrowDownPressed, ScrollArrow(2, true));
  out.emplace(kSkinScrollArrowLeft, ScrollArrow(0, false).Transposed());
  out.emplace(kSkinScrollArrowLeftPressed, ScrollArrow(0, true).Transposed());
  out.emplace(kSkinScrollArrowRight, ScrollArrow(2, false).Transposed());
  out.emplace(kSkinScrollArrowRightPressed, ScrollArrow(2, true).Transposed());

  Canvas size_box = Flat(kBar, kBar, kTrack);
  for (double offset : {4.0, 8.0, 12.0}) {
    size_box.Fill(Canvas::Stroke(12 - offset + 1.5, 12.5, 12.5, 12 - offset + 1.5, 1.1), kThumb);
  }
  out.emplace(kSkinScrollSizeBox, std::move(size_box));
}

// --- Tabs -----------------------------------------------------------------------------------

constexpr int kTabHeight = 20;
constexpr int kTabCap = 10;
constexpr double kTabSlant = 7;  // how far a side leans over the tab's height

// Replaces every corner of a polygon by a curve that starts and ends `radius` away from it
// along its two sides (less on short sides).
std::vector<std::pair<double, double>> RoundCorners(
    const std::vector<std::pair<double, double>>& points, double radius) {
  constexpr int kSteps = 8;
  std::vector<std::pair<double, double>> out;
  const size_t n = points.size();
  for (size_t i = 0; i < n; ++i) {
    const auto [px, py] = points[i];
    const auto [ax, ay] = points[(i + n - 1) % n];
    const auto [bx, by] = points[(i + 1) % n];
    const double to_a = std::hypot(ax - px, ay - py);
    const double to_b = std::hypot(bx - px, by - py);
    const double r = std::min({radius, to_a / 2, to_b / 2});
    const double sx = px + (ax - px) * r / to_a;
    const double sy = py + (ay - py) * r / to_a;
    const double ex = px + (bx - px) * r / to_b;
    const double ey = py + (by - py) * r / to_b;
    for (int k = 0; k <= kSteps; ++k) {
      const double t = static_cast<double>(k) / kSteps;
      const double u = 1 - t;
      out.emplace_back(u * u * sx + 2 * u * t * px + t * t * ex,
                       u * u * sy + 2 * u * t * py + t * t * ey);
    }
  }
  return out;
}

Canvas Tab(bool selected) {
  constexpr int kWidth = 2 * kTabCap + 8;
  // A side leans in from x = 1 at the bottom to 1 + kTabSlant at the top. Moving it inwards by
  // a pixel across its length moves it sideways by a little more than a pixel.
  const double lean = std::hypot(kTabSlant, kTabHeight) / kTabHeight;
  auto side_x = [&](double y, double inset) {
    return 1 + kTabSlant * (kTabHeight - y) / kTabHeight + inset * lean;
  };
  // The shape runs on below the image, so its outline has no bottom edge and the tab opens
  // into the page under it.
  auto shape = [&](double inset) {
    const double bottom = kTabHeight + 3;
    const double top = inset;
    return Canvas::Polygon(RoundCorners({{side_x(bottom, inset), bottom},
                                         {side_x(top, inset), top},
                                         {kWidth - side_x(top, inset), top},
                                         {kWidth - side_x(bottom, inset), bottom}},
                                        3.5 - inset * 0.5));
  };
  Canvas canvas(kWidth, kTabHeight);
  canvas.Fill(shape(0), kInk);
  if (selected) {
    canvas.Fill(shape(1), kBackground);
    canvas.Fill(Canvas::Intersect(shape(1), Canvas::Box(0, 0, kWidth, 3)), kAccent);
  } else {
    canvas.Fill(shape(1), Canvas::VerticalGradient(1, kTabHeight, Colour::Hex(0x303237), kTrack));
    canvas.Fill(Canvas::Minus(shape(1), shape(2)), kWhite.WithAlpha(0.05));
  }
  return canvas;
}

void PaintTabs(std::map<int32_t, Canvas>& out) {
  SliceCapsAndMiddle(out, Tab(true), kTabCap, kSkinTabLeft, kSkinTabMiddle, kSkinTabRight);
  SliceCapsAndMiddle(out, Tab(false), kTabCap, kSkinTabInactiveLeft, kSkinTabInactiveMiddle,
                     kSkinTabInactiveRight);
}

// --- Model viewer buttons -------------------------------------------------------------------

void PaintViewButtons(std::map<int32_t, Canvas>& out) {
  auto plate = [](Colour fill, Colour outline) {
    Canvas canvas(15, 15);
    canvas.Fill(Canvas::RoundBox(0, 0, 15, 15, 3), outline);
    canvas.Fill(Canvas::RoundBox(1, 1, 14, 14, 2), fill);
    return canvas;
  };
  out.emplace(kSkinViewButton, plate(kFrame.WithAlpha(0.9), kInk));
  out.emplace(kSkinViewButtonHover, plate(Colour::Hex(0x4a4d55), kAccentLight));
  out.emplace(kSkinViewButtonPressed, plate(kAccent, kAccentDark));

  Canvas pan(15, 15);
  pan.Fill(
      Canvas::Union(Canvas::Stroke(7.5, 4, 7.5, 11, 1.2), Canvas::Stroke(4, 7.5, 11, 7.5, 1.2)),
      kText);
  for (int direction = 0; direction < 4; ++direction) {
    const double dx[] = {0, 1, 0, -1};
    const double dy[] = {-1, 0, 1, 0};
    pan.Fill(Arrowhead(7.5 + dx[direction] * 4.5, 7.5 + dy[direction] * 4.5, 5, 3, direction),
             kText);
  }
  out.emplace(kSkinViewIconPan, std::move(pan));

  // Three quarters of a circle with an arrowhead where it ends.
  Canvas rotate(15, 15);
  const Region arc = [](double x, double y) {
    const double dx = x - 7.5;
    const double dy = y - 7.5;
    const double r = std::hypot(dx, dy);
    if (r < 3.4 || r > 4.8) return false;
    // Leave out the upper right quarter.
    return !(dx > 0 && dy < 0);
  };
  rotate.Fill(arc, kText);
  rotate.Fill(Canvas::Polygon({{7.2, 0.8}, {7.2, 6.2}, {10.6, 3.5}}), kText);
  out.emplace(kSkinViewIconRotate, std::move(rotate));

  Canvas zoom(15, 15);
  zoom.Fill(Canvas::Minus(Canvas::Disc(6.3, 6.3, 4.3), Canvas::Disc(6.3, 6.3, 2.9)), kText);
  zoom.Fill(Canvas::Stroke(9.4, 9.4, 12.6, 12.6, 2.2), kText);
  out.emplace(kSkinViewIconZoom, std::move(zoom));
}

}  // namespace

std::vector<TexturePackImage> SkinPainter::PaintAll() {
  std::map<int32_t, Canvas> canvases;
  PaintFrames(canvases);
  PaintControls(canvases);
  PaintTitleButtons(canvases);
  PaintMenusAndLists(canvases);
  PaintScrollBars(canvases);
  PaintTabs(canvases);
  PaintViewButtons(canvases);

  std::vector<TexturePackImage> images;
  for (const auto& [id, canvas] : canvases) {
    TexturePackImage image;
    image.id = static_cast<uint32_t>(id);
    image.width = static_cast<uint16_t>(canvas.width());
    image.height = static_cast<uint16_t>(canvas.height());
    image.rgba = canvas.ToRgba();
    images.push_back(std::move(image));
  }
  return images;
}

std::string SkinPainter::Check(std::span<const TexturePackImage> images) {
  std::map<uint32_t, const TexturePackImage*> by_id;
  for (const TexturePackImage& image : images) {
    if (!by_id.emplace(image.id, &image).second) {
      return "skin image " + std::to_string(image.id) + " is painted twice";
    }
  }
  for (int32_t id = 0; id < kSkinImageCount; ++id) {
    if (!by_id.count(static_cast<uint32_t>(id))) {
      return "skin image " + std::to_string(id) + " is missing";
    }
  }
  auto size_of = [&](int32_t id) {
    const TexturePackImage* image = by_id.at(static_cast<uint32_t>(id));
    return std::pair<int, int>(image->width, image->height);
  };
  auto expect = [&](int32_t id, int width, int height) -> std::optional<std::string> {
    const auto [w, h] = size_of(id);
    if ((width >= 0 && w != width) || (height >= 0 && h != height)) {
      return "skin image " + std::to_string(id) + " is " + std::to_string(w) + " x " +
             std::to_string(h) + ", expected " + std::to_string(width) + " x " +
             std::to_string(height) + " (-1: any)";
    }
    return std::nullopt;
  };
  const std::pair<int32_t, std::pair<int, int>> sizes[] = {
      {kSkinThickBorderEdge, {-1, 4}},
      {kSkinThickBorderCorner, {4, 4}},
      {kSkinThinBorderEdge, {-1, 1}},
      {kSkinThinBorderCorner, {1, 1}},
      {kSkinButtonLeft, {kButtonCap, kButtonHeight}},
      {kSkinButtonLeftPressed, {kButtonCap, kButtonHeight}},
      {kSkinButtonRight, {kButtonCap, kButtonHeight}},
      {kSkinButtonRightPressed, {kButtonCap, kButtonHeight}},
      {kSkinButtonMiddle, {-1, kButtonHeight}},
      {kSkinButtonMiddlePressed, {-1, kButtonHeight}},
      {kSkinTitleBarActive, {-1, 22}},
      {kSkinTitleBarInactive, {-1, 22}},
      {kSkinShadowCorner, {8, 8}},
      {kSkinShadowEdge, {-1, 8}},
      {kSkinFocusRingCorner, {3, 3}},
      {kSkinFocusRingEdge, {-1, 3}},
      {kSkinTextBoxCorner, {3, 3}},
      {kSkinTextBoxEdge, {-1, 3}},
      {kSkinSplitterBar, {-1, 4}},
      {kSkinMenuSeparator, {-1, 4}},
      {kSkinScrollTrackVertical, {kBar, -1}},
      {kSkinScrollTrackHorizontal, {-1, kBar}},
      {kSkinScrollSizeBox, {kBar, kBar}},
      {kSkinTreeMark, {9, 9}},
      {kSkinTreeMarkOpen, {9, 9}},
  };
  for (const auto& [id, size] : sizes) {
    if (auto error = expect(id, size.first, size.second)) return *error;
  }
  for (int32_t id = kSkinCheckBoxOff; id <= kSkinCheckBoxPressedOff; ++id) {
    if (auto error = expect(id, 13, 13)) return *error;
  }
  for (int32_t id : {kSkinDropDownArrow, kSkinDropDownArrowDisabled, kSkinDropDownArrowPressed,
                     kSkinScrollArrowUp, kSkinScrollArrowUpPressed, kSkinScrollArrowDown,
                     kSkinScrollArrowDownPressed, kSkinScrollArrowLeft, kSkinScrollArrowLeftPressed,
                     kSkinScrollArrowRight, kSkinScrollArrowRightPressed}) {
    if (auto error = expect(id, 14, 14)) return *error;
  }
  for (int32_t id = kSkinTitleButtonClose; id <= kSkinTitleButtonRestorePressed; ++id) {
    if (auto error = expect(id, 16, 14)) return *error;
  }
  for (int32_t id = kSkinTabLeft; id <= kSkinTabInactiveRight; ++id) {
    if (auto error = expect(id, -1, kTabHeight)) return *error;
  }
  for (int32_t id = kSkinViewButton; id <= kSkinViewIconZoom; ++id) {
    if (auto error = expect(id, 15, 15)) return *error;
  }
  for (int32_t id : {kSkinScrollThumbTop, kSkinScrollThumbVerticalMiddle, kSkinScrollThumbBottom}) {
    if (auto error = expect(id, kBar, -1)) return *error;
  }
  for (int32_t id :
       {kSkinScrollThumbLeft, kSkinScrollThumbHorizontalMiddle, kSkinScrollThumbRight}) {
    if (auto error = expect(id, -1, kBar)) return *error;
  }
  return {};
}
