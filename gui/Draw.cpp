#include "gui/Draw.h"

#include <algorithm>
#include <vector>

#include "gui/Font.h"
#include "gui/FontPages.h"
#include "gui/Skin.h"
#include "gui/TextLayout.h"
#include "gui/Window.h"
#include "gui/WindowManager.h"

namespace {
Painter* g_painter = nullptr;
const Font* g_default_font = nullptr;
Rect g_frame_clip;
SpriteQueue g_sprites;
DrawStats g_stats;
std::vector<PlacedGlyph> g_glyphs;  // reused by every DrawText
std::vector<TexturedQuad> g_quads;

int32_t Lerp(int32_t from, int32_t to, float t) {
  // 16.16 fixed point keeps the overview animation free of float rounding jitter.
  const int64_t k = static_cast<int64_t>(t * 65536.0f);
  return static_cast<int32_t>(from + ((static_cast<int64_t>(to - from) * k) >> 16));
}
}  // namespace

Painter* CurrentPainter() {
  return g_painter;
}
void SetCurrentPainter(Painter* painter) {
  g_painter = painter;
}
DrawStats& CurrentDrawStats() {
  return g_stats;
}

void SetFrameClip(const Rect& clip) {
  g_frame_clip = clip;
  if (g_painter) g_painter->SetClip(clip);
}
const Rect& FrameClip() {
  return g_frame_clip;
}

namespace {
// While the overview shows, each top-level window of layer0 (and everything in it) is drawn
// scaled from its frame towards its overview slot. Returns false for windows drawn as usual.
bool OverviewTransform(WindowManager& wm, Window* window, Rect& frame, Rect& shown) {
  Window* top = window->TopLevelAncestor();
  if (!top || top->Parent() != wm.Layer0() || (top->Flags() & WindowFlag::NoOverview)) {
    return false;
  }
  const Rect& o = top->OverviewRect();
  frame = top->FrameRect();
  if (o.IsEmpty() || frame.IsEmpty()) return false;
  const float t = wm.OverviewProgress();
  shown = {Lerp(frame.left, o.left, t), Lerp(frame.top, o.top, t), Lerp(frame.right, o.right, t),
           Lerp(frame.bottom, o.bottom, t)};
  return !shown.IsEmpty();
}

Rect MapRect(const Rect& r, const Rect& from, const Rect& to) {
  auto map_x = [&](int32_t x) {
    return to.left +
           static_cast<int32_t>(static_cast<int64_t>(x - from.left) * to.Width() / from.Width());
  };
  auto map_y = [&](int32_t y) {
    return to.top +
           static_cast<int32_t>(static_cast<int64_t>(y - from.top) * to.Height() / from.Height());
  };
  return {map_x(r.left), map_y(r.top), map_x(r.right), map_y(r.bottom)};
}
}  // namespace

bool BeginWindowDrawing(Window* window, bool client_area, bool three_d) {
  if (!window) return false;
  const Rect area = client_area ? window->ClientRect() : window->FrameRect();
  const Rect reach = client_area ? area : window->FrameRectWithShadow();
  if (area.IsEmpty()) return false;
  // The area reaches the shadow too, so frame drawing may paint right of and below the frame.
  Rect viewport = {area.left, area.top, std::max(area.right, reach.right),
                   std::max(area.bottom, reach.bottom)};
  Rect visible_reach = reach;
  Size logical;
  Rect frame;
  Rect shown;
  if (WindowManager* wm = WMOrNull();
      wm && wm->OverviewShown() && OverviewTransform(*wm, window, frame, shown)) {
    logical = {viewport.Width(), viewport.Height()};
    viewport = MapRect(viewport, frame, shown);
    visible_reach = MapRect(reach, frame, shown);
    if (viewport.IsEmpty()) return false;
  }
  const Rect visible = visible_reach.Intersection(g_frame_clip);
  window->VisibleRect() = visible;
  if (visible.IsEmpty() || !g_painter) return false;
  if (!g_painter->BeginWindow(viewport, visible, three_d, logical)) return false;
  g_painter->SetColor(kWhite);
  return true;
}

void EndWindowDrawing() {
  FlushSprites();
  if (g_painter) g_painter->EndWindow();
}

void SetDrawColor(Color color) {
  FlushSprites();
  if (g_painter) g_painter->SetColor(color);
}

void SetOpaqueDrawing(bool opaque) {
  FlushSprites();
  if (g_painter) g_painter->SetBlending(!opaque);
}

Color DrawColor() {
  return g_painter ? g_painter->CurrentColor() : kWhite;
}

void FillRect(const Rect& rect) {
  FlushSprites();
  if (g_painter && !rect.IsEmpty()) g_painter->FillRect(rect);
}

void QueueSprite(int32_t id, const Rect& dest, uint32_t flags, const Rect& source) {
  ++g_stats.sprites;
  g_sprites.Queue(CurrentSkin(), id, dest, flags, source);
}

void FlushSprites(bool sort) {
  g_sprites.Flush(CurrentSkin(), g_painter, sort);
}

void DrawSkinImage(int32_t id, int32_t x, int32_t y, uint32_t flags) {
  Size s = CurrentSkin().ImageSize(id);
  if (flags & SpriteFlag::Rotate) std::swap(s.width, s.height);
  QueueSprite(id, {x, y, x + s.width, y + s.height}, flags | SpriteFlag::Stretch);
}

void DrawSkinBorder(const Rect& r, int32_t edge_id, int32_t corner_id, uint32_t sides) {
  const Skin& skin = CurrentSkin();
  const int32_t t = skin.ImageSize(edge_id).height;  // the edge image is the top edge
  if (t <= 0 || r.IsEmpty()) return;
  const bool left = sides & 1, top = sides & 2, right = sides & 4, bottom = sides & 8;
  const int32_t x0 = r.left + (left ? t : 0);
  const int32_t x1 = r.right - (right ? t : 0);
  const int32_t y0 = r.top + (top ? t : 0);
  const int32_t y1 = r.bottom - (bottom ? t : 0);
  // One top-edge image serves every side: turned for the sides, mirrored for the bottom.
  if (top) QueueSprite(edge_id, {x0, r.top, x1, r.top + t}, 0);
  if (bottom) QueueSprite(edge_id, {x0, r.bottom - t, x1, r.bottom}, SpriteFlag::MirrorY);
  if (right) QueueSprite(edge_id, {r.right - t, y0, r.right, y1}, SpriteFlag::Rotate);
  if (left) {
    QueueSprite(edge_id, {r.left, y0, r.left + t, y1}, SpriteFlag::Rotate | SpriteFlag::MirrorX);
  }
  const uint32_t stretch = SpriteFlag::Stretch;
  if (left && top) QueueSprite(corner_id, {r.left, r.top, r.left + t, r.top + t}, stretch);
  if (right && top) {
    QueueSprite(corner_id, {r.right - t, r.top, r.right, r.top + t}, stretch | SpriteFlag::MirrorX);
  }
  if (left && bottom) {
    QueueSprite(corner_id, {r.left, r.bottom - t, r.left + t, r.bottom},
                stretch | SpriteFlag::MirrorY);
  }
  if (right && bottom) {
    QueueSprite(corner_id, {r.right - t, r.bottom - t, r.right, r.bottom},
                stretch | SpriteFlag::MirrorX | SpriteFlag::MirrorY);
  }
}

void SetDefaultFont(const Font* font) {
  g_default_font = font;
}
const Font* DefaultFont() {
  return g_default_font;
}

namespace {
// Draws what g_glyphs holds in the current colour (shadows first), page by page.
void DrawPlacedGlyphs(const Font* font, uint32_t flags) {
  FlushSprites();
  g_stats.glyphs += static_cast<int32_t>(g_glyphs.size());
  const Color color = g_painter->CurrentColor();
  // Shadows first, in black with the text's alpha, then the text over them; each pass is
  // drawn page by page.
  for (int pass = 0; pass < 2; ++pass) {
    const bool shadows = pass == 0;
    if (shadows && !(flags & kTextShadow)) continue;
    g_painter->SetColor(shadows ? MakeColor(0, 0, 0, ColorAlpha(color)) : color);
    for (size_t page = 0; page < font->pages().size(); ++page) {
      g_quads.clear();
      for (const PlacedGlyph& g : g_glyphs) {
        if (g.shadow != shadows || g.glyph->page != static_cast<int32_t>(page)) continue;
        g_quads.push_back(MakeGlyphQuad(*font, *g.glyph, g.x, g.y));
      }
      if (!g_quads.empty()) {
        g_painter->DrawQuads(PageSet::kFont, static_cast<int32_t>(page), g_quads);
      }
    }
  }
  g_painter->SetColor(color);
}
}  // namespace

int32_t DrawText(const Font* font, std::string_view text, int style, uint32_t flags,
                 const Rect& rect) {
  if (!font) font = g_default_font;
  if (!font) return 0;
  g_glyphs.clear();
  const int32_t width = LayoutText(font, text, style, flags, rect, g_glyphs);
  if (!g_painter || (flags & kTextMeasureOnly) || g_glyphs.empty()) return width;
  DrawPlacedGlyphs(font, flags);
  return width;
}

void DrawTextRuns(const Font* font, std::span<const TextRun> runs, int style, uint32_t flags) {
  if (!font) font = g_default_font;
  if (!font || !g_painter || (flags & kTextMeasureOnly)) return;
  g_glyphs.clear();
  for (const TextRun& run : runs) LayoutText(font, run.text, style, flags, run.rect, g_glyphs);
  if (!g_glyphs.empty()) DrawPlacedGlyphs(font, flags);
}
