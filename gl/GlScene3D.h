#pragma once
#include <cstdint>
#include <span>

#include "gui/Scene3D.h"

// 3-D drawing with fixed-function OpenGL inside the window the GL painter is drawing. Begin
// takes the painter's window viewport and scissor as it finds them and End puts back every
// piece of state it changed (attributes, both matrices, the texture matrix), so the painter
// carries on with its 2-D drawing as if nothing happened. Needs the GL context current.
class GlScene3D : public Scene3D {
 public:
  GlScene3D() = default;
  ~GlScene3D() override = default;
  GlScene3D(const GlScene3D&) = delete;
  GlScene3D& operator=(const GlScene3D&) = delete;

  Texture3D CreateTexture(int32_t width, int32_t height, int32_t channels,
                          std::span<const uint8_t> pixels, bool repeat, bool smooth) override;
  void UpdateTexture(Texture3D texture, int32_t width, int32_t height, int32_t channels,
                     std::span<const uint8_t> pixels) override;
  void DeleteTexture(Texture3D texture) override;

  void Begin(const Rect& area, const Matrix4& projection, const Matrix4& modelview) override;
  void End() override;

  void DrawTriangles(std::span<const Vertex3D> vertices, Texture3D texture, Blend blend,
                     bool depth_write, bool depth_equal) override;
  void DrawLines(std::span<const Vertex3D> vertices, float width) override;
  void SetTextureTransform(float scale_u, float scale_v, float offset_u, float offset_v) override;

  bool active() const { return active_; }

 private:
  static bool PixelsFit(int32_t width, int32_t height, int32_t channels, size_t size);
  void PointArrays(std::span<const Vertex3D> vertices) const;

  bool active_ = false;
  bool texture_transformed_ = false;
};
