#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "gui/Painter.h"

// A painter that draws nothing and records every call in order, so tests can check what was
// drawn, where, in which colour and in what sequence. ReadPixels answers with a pattern that
// depends only on the screen position (see PatternPixel).
class RecordingPainter : public Painter {
 public:
  enum class Op {
    kBeginFrame,
    kSetClip,
    kFillScreenRect,
    kOutlineScreenRect,
    kEndFrame,
    kBeginWindow,
    kEndWindow,
    kSetColor,
    kFillRect,
    kDrawQuads,
    kUploadPages,
    kReadPixels,
    kUploadScratch,
    kDrawScratchQuads,
  };

  struct Call {
    Op op = Op::kBeginFrame;
    // SetClip, FillScreenRect, OutlineScreenRect, FillRect and ReadPixels: their rectangle;
    // BeginWindow: the window's area.
    Rect rect;
    Rect visible;  // BeginWindow
    bool three_d = false;
    // SetColor, FillScreenRect, OutlineScreenRect: the colour given; FillRect and DrawQuads:
    // the current colour at the time.
    Color color = 0;
    Size screen;  // BeginFrame
    PageSet set = PageSet::kSkin;
    int32_t page = 0;
    std::vector<TexturedQuad> quads;  // DrawQuads, DrawScratchQuads (UploadScratch: its region)
    std::vector<Size> page_sizes;     // UploadPages
  };

  // The colour ReadPixels reports for screen pixel (x, y), as red, green, blue.
  static void PatternPixel(int32_t x, int32_t y, uint8_t rgb[3]);

  void BeginFrame(Size screen) override;
  void SetClip(const Rect& clip) override;
  void FillScreenRect(const Rect& rect, Color color) override;
  void OutlineScreenRect(const Rect& rect, Color color) override;
  void EndFrame() override;
  bool BeginWindow(const Rect& area, const Rect& visible, bool three_d, Size logical = {}) override;
  void EndWindow() override;
  void SetBlending(bool on) override { blending = on; }
  bool blending = true;
  void SetColor(Color color) override;
  Color CurrentColor() const override { return color_; }
  void FillRect(const Rect& rect) override;
  void DrawQuads(PageSet set, int32_t page, std::span<const TexturedQuad> quads) override;
  void UploadPages(PageSet set, std::span<const PageImage> pages) override;
  bool ReadPixels(const Rect& rect, std::vector<uint8_t>& rgb) override;
  void UploadScratch(const Rect& region, std::span<const uint8_t> rgba) override;
  void DrawScratchQuads(std::span<const TexturedQuad> quads) override;
  // The scratch texture as the uploads left it, RGBA; empty before the first upload.
  std::vector<uint8_t> scratch;
  Color ScratchTexel(int32_t x, int32_t y) const;

  // Forgets the recorded calls; the current colour stays.
  void Clear() { calls.clear(); }
  std::vector<const Call*> Calls(Op op) const;
  size_t Count(Op op) const;
  // Index in `calls` of the first call of `op` at or after `from`, or calls.size().
  size_t Find(Op op, size_t from = 0) const;
  // Every quad drawn from `set`, in drawing order.
  std::vector<TexturedQuad> AllQuads(PageSet set) const;

  std::vector<Call> calls;
  // What BeginWindow answers.
  bool accept_windows = true;
  // What ReadPixels answers; false leaves the buffer alone.
  bool pixels_readable = true;

 private:
  Call& Record(Op op);

  Color color_ = kWhite;
};

// The page texel a textured quad shows at point (x, y) of its destination, on a page of
// `page` texels: the texture coordinates of the four corners interpolated there. False when
// the point lies outside the quad.
bool QuadTexel(const TexturedQuad& quad, float x, float y, Size page, Point& texel);
