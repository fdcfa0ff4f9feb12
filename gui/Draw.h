#pragma once
#include <cstdint>
#include <span>
#include <string_view>

#include "gui/Geometry.h"
#include "gui/Painter.h"
#include "gui/SpriteQueue.h"

class Font;
class Window;

// The toolkit's drawing calls. Windows draw in their own coordinates (origin at the top left
// of the area being drawn) between BeginWindowDrawing and EndWindowDrawing; the renderer
// brackets Draw, DrawBackground and DrawFrame that way. Everything goes to the current
// painter, so without one (in tests) nothing is drawn.

// Sets up drawing for the window's client area (or its frame, shadow included) inside the
// current clip. False when nothing of it can be drawn; EndWindowDrawing must follow a true.
bool BeginWindowDrawing(Window* window, bool client_area, bool three_d = false);
void EndWindowDrawing();
// The clip the current frame draws inside (screen coordinates).
void SetFrameClip(const Rect& clip);
const Rect& FrameClip();

void SetDrawColor(Color color);
// Turns blending off for what follows (until turned on again): for fully opaque pieces.
void SetOpaqueDrawing(bool opaque);
Color DrawColor();
void FillRect(const Rect& rect);

// Skin sprites: queued, drawn at the next flush (and before any other drawing).
void QueueSprite(int32_t id, const Rect& dest, uint32_t flags = 0, const Rect& source = {});
void FlushSprites(bool sort = true);
// Draws a skin image at its own size (or stretched over `dest` with SpriteFlag::Stretch).
void DrawSkinImage(int32_t id, int32_t x, int32_t y, uint32_t flags = 0);
// A frame of edge pieces along the given sides (FrameSide bits) of `rect`, turned so one edge
// image serves all four sides, with corner pieces where two framed sides meet.
void DrawSkinBorder(const Rect& rect, int32_t edge_id, int32_t corner_id, uint32_t sides);

// Text in the current colour; returns the widest line's width. Null font: the default font.
int32_t DrawText(const Font* font, std::string_view text, int style, uint32_t flags,
                 const Rect& rect);
// Many texts in the current colour drawn together, one draw a font page however many there
// are: for views that label hundreds of shapes at once.
struct TextRun {
  std::string_view text;
  Rect rect;
};
void DrawTextRuns(const Font* font, std::span<const TextRun> runs, int style, uint32_t flags);
void SetDefaultFont(const Font* font);
const Font* DefaultFont();

// Counters for the debug overlay and the benchmarks.
struct DrawStats {
  int32_t windows_drawn = 0;
  int32_t frames_drawn = 0;
  int32_t sprites = 0;
  int32_t glyphs = 0;
};
DrawStats& CurrentDrawStats();
