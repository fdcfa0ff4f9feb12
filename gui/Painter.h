#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "gui/Geometry.h"

// Colours are four bytes in memory, red, green, blue, alpha: the order OpenGL takes them in.
using Color = uint32_t;
constexpr Color MakeColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  return static_cast<Color>(r) | static_cast<Color>(g) << 8 | static_cast<Color>(b) << 16 |
         static_cast<Color>(a) << 24;
}
constexpr uint8_t ColorRed(Color c) {
  return static_cast<uint8_t>(c);
}
constexpr uint8_t ColorGreen(Color c) {
  return static_cast<uint8_t>(c >> 8);
}
constexpr uint8_t ColorBlue(Color c) {
  return static_cast<uint8_t>(c >> 16);
}
constexpr uint8_t ColorAlpha(Color c) {
  return static_cast<uint8_t>(c >> 24);
}
constexpr Color kWhite = MakeColor(255, 255, 255);
constexpr Color kBlack = MakeColor(0, 0, 0);

// One textured rectangle: destination corners in the current drawing coordinates and the
// texture coordinates (0..1 of the page) of its four corners, clockwise from the top left, so
// that turned and mirrored pieces need no special drawing.
struct TexturedQuad {
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  float u[4] = {0, 0, 0, 0};
  float v[4] = {0, 0, 0, 0};
};

// Which texture set a page index refers to.
// kPicture holds whole pictures shown as they are (the splash), one a page.
enum class PageSet : int32_t { kSkin = 0, kFont = 1, kPicture = 2 };

// Pixels of one texture page, handed to the painter once to upload.
struct PageImage {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bytes_per_pixel = 4;  // 4: RGBA, 1: alpha
  std::vector<uint8_t> pixels;
};

// Everything the toolkit draws goes through the current painter: OpenGL in the editor, a
// recorder or nothing at all in tests. Frame-level calls use screen coordinates; between
// BeginWindow and EndWindow coordinates are relative to the window's area, origin top left.
class Painter {
 public:
  virtual ~Painter() = default;

  // Frame level.
  virtual void BeginFrame(Size screen) = 0;
  virtual void SetClip(const Rect& clip) = 0;  // restricts every later drawing (scissor)
  virtual void FillScreenRect(const Rect& rect, Color color) = 0;
  virtual void OutlineScreenRect(const Rect& rect, Color color) = 0;  // ignores the clip
  virtual void EndFrame() = 0;

  // Window level: `area` is the window's frame or client rectangle, `visible` the part that
  // may be touched (both in screen coordinates). `logical` is the size drawing coordinates
  // span over the area (empty: the area's own size); the overview uses it to draw windows
  // shrunk. False when nothing can be drawn.
  virtual bool BeginWindow(const Rect& area, const Rect& visible, bool three_d,
                           Size logical = {}) = 0;
  virtual void EndWindow() = 0;

  virtual void SetColor(Color color) = 0;
  // Opaque drawing skips blending, which costs much on software renderers; the background
  // tiles use it. On by default at every BeginFrame.
  virtual void SetBlending(bool on) = 0;
  virtual Color CurrentColor() const = 0;
  virtual void FillRect(const Rect& rect) = 0;
  // Textured quads from one page, tinted with the current colour.
  virtual void DrawQuads(PageSet set, int32_t page, std::span<const TexturedQuad> quads) = 0;

  // Texture pages; a set is replaced whole.
  virtual void UploadPages(PageSet set, std::span<const PageImage> pages) = 0;

  // The scratch texture: one kScratchSize-square RGBA texture, made at the first upload and
  // filtered nearest, through which pictures that are not part of any page set (the bitmaps
  // of a collection) reach the screen piece by piece. UploadScratch replaces `region` of it
  // (inside 0..kScratchSize) with tightly packed RGBA rows, top row first; DrawScratchQuads
  // draws from it like DrawQuads, tinted with the current colour.
  static constexpr int32_t kScratchSize = 512;
  virtual void UploadScratch(const Rect& region, std::span<const uint8_t> rgba) = 0;
  virtual void DrawScratchQuads(std::span<const TexturedQuad> quads) = 0;

  // Reads a screen rectangle of the frame just drawn as RGB rows, top row first.
  virtual bool ReadPixels(const Rect& rect, std::vector<uint8_t>& rgb) = 0;
};

// The painter drawing goes to; null draws nothing.
Painter* CurrentPainter();
void SetCurrentPainter(Painter* painter);
