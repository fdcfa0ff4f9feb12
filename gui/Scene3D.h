#pragma once
#include <cstdint>
#include <span>

#include "gui/Camera3D.h"
#include "gui/Geometry.h"
#include "gui/Painter.h"

// One vertex of 3-D drawing: position, texture coordinates and an RGBA colour (Painter byte
// order) that tints the texture or, untextured, is the colour.
struct Vertex3D {
  float x = 0, y = 0, z = 0;
  float u = 0, v = 0;
  Color color = kWhite;
};

// Textures of the 3-D views, made from RGB or RGBA pixels. 0 is "no texture".
using Texture3D = uint32_t;

// 3-D drawing inside a window, for the mesh and geometry views: OpenGL in the editor, a
// recorder or nothing in tests. Only valid between the painter's BeginWindow and EndWindow;
// Begin sets the viewport to `area` (window coordinates), clears the depth buffer, loads both
// matrices and turns depth testing on; End restores the 2-D state.
class Scene3D {
 public:
  virtual ~Scene3D() = default;

  // Textures: `channels` 3 (RGB) or 4 (RGBA), rows top first. Repeating textures wrap (detail
  // textures); others clamp. Linear filtering when `smooth`.
  virtual Texture3D CreateTexture(int32_t width, int32_t height, int32_t channels,
                                  std::span<const uint8_t> pixels, bool repeat, bool smooth) = 0;
  virtual void UpdateTexture(Texture3D texture, int32_t width, int32_t height, int32_t channels,
                             std::span<const uint8_t> pixels) = 0;
  virtual void DeleteTexture(Texture3D texture) = 0;

  virtual void Begin(const Rect& area, const Matrix4& projection, const Matrix4& modelview) = 0;
  virtual void End() = 0;

  // kAlpha blends by the vertex alpha. kMultiply2x multiplies what is there by twice the
  // incoming colour (GL_DST_COLOR, GL_SRC_COLOR), so mid grey leaves it as it was: detail
  // textures over a colour map. Textured, the vertex alpha fades the texture towards that mid
  // grey (0: no change, 255: the full texture), so one pass blends a texture in per vertex.
  enum class Blend { kNone, kAlpha, kMultiply2x };
  // Triangles (three vertices each) with a texture (0: untextured), a blending, and whether
  // they write depth. `depth_equal` draws only where the depth equals what is there (passes
  // over the same geometry).
  virtual void DrawTriangles(std::span<const Vertex3D> vertices, Texture3D texture, Blend blend,
                             bool depth_write, bool depth_equal) = 0;
  // Line segments (two vertices each), untextured, blended by their alpha, depth tested
  // without writing depth.
  virtual void DrawLines(std::span<const Vertex3D> vertices, float width) = 0;
  // Texture coordinates of later DrawTriangles become (u x scale_u + offset_u, v x scale_v +
  // offset_v), so that geometry kept in its own units can be tiled and scrolled. Begin resets
  // it to the identity.
  virtual void SetTextureTransform(float scale_u, float scale_v, float offset_u,
                                   float offset_v) = 0;
};

// The 3-D drawing of the current painter; null draws nothing (tests).
Scene3D* CurrentScene3D();
void SetCurrentScene3D(Scene3D* scene);
