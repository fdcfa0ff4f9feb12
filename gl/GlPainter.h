#pragma once
#include <array>
#include <vector>

#include "gl/GlTexture.h"
#include "gui/Painter.h"

// The painter of the editor: fixed-function OpenGL into the current context. Screen
// coordinates have their origin at the top left; GL's bottom-left scissor and viewport are
// converted here and nowhere else. Needs the GL context current for every call.
class GlPainter : public Painter {
 public:
  GlPainter() = default;
  ~GlPainter() override = default;
  GlPainter(const GlPainter&) = delete;
  GlPainter& operator=(const GlPainter&) = delete;

  void BeginFrame(Size screen) override;
  void SetClip(const Rect& clip) override;
  void FillScreenRect(const Rect& rect, Color color) override;
  void OutlineScreenRect(const Rect& rect, Color color) override;
  void EndFrame() override;

  bool BeginWindow(const Rect& area, const Rect& visible, bool three_d, Size logical = {}) override;
  void EndWindow() override;

  void SetColor(Color color) override;
  void SetBlending(bool on) override;
  Color CurrentColor() const override { return color_; }
  void FillRect(const Rect& rect) override;
  void DrawQuads(PageSet set, int32_t page, std::span<const TexturedQuad> quads) override;

  void UploadPages(PageSet set, std::span<const PageImage> pages) override;

  bool ReadPixels(const Rect& rect, std::vector<uint8_t>& rgb) override;
  void UploadScratch(const Rect& region, std::span<const uint8_t> rgba) override;
  void DrawScratchQuads(std::span<const TexturedQuad> quads) override;

  // The GL texture of a page, 0 when there is none (for tests and diagnostics).
  uint32_t PageTexture(PageSet set, int32_t page) const;

  static constexpr double kFieldOfView = 45.0;
  static constexpr double kNear = 0.1;
  static constexpr double kFar = 10000.0;

 private:
  void ApplyScissor(const Rect& rect);
  void FillQuad(const Rect& rect);
  static void DrawBoundQuads(std::span<const TexturedQuad> quads);

  Size screen_;
  Rect frame_clip_;
  Rect window_visible_;  // of the window being drawn, while in_window_
  Color color_ = kWhite;
  bool in_window_ = false;
  std::array<std::vector<GlTexture>, 3> pages_;
  GlTexture scratch_;
};
