#include "gl/GlScene3D.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

constexpr GLbitfield kSavedAttributes = GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT |
                                        GL_VIEWPORT_BIT | GL_SCISSOR_BIT | GL_CURRENT_BIT |
                                        GL_LINE_BIT | GL_POLYGON_BIT | GL_TEXTURE_BIT;

GLenum FormatOf(int32_t channels) {
  return channels == 4 ? GL_RGBA : GL_RGB;
}

}  // namespace

bool GlScene3D::PixelsFit(int32_t width, int32_t height, int32_t channels, size_t size) {
  if (width <= 0 || height <= 0 || (channels != 3 && channels != 4)) return false;
  return size >=
         static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(channels);
}

Texture3D GlScene3D::CreateTexture(int32_t width, int32_t height, int32_t channels,
                                   std::span<const uint8_t> pixels, bool repeat, bool smooth) {
  if (!PixelsFit(width, height, channels, pixels.size())) return 0;
  GLuint name = 0;
  glGenTextures(1, &name);
  if (name == 0) return 0;
  glPushAttrib(GL_TEXTURE_BIT);
  glBindTexture(GL_TEXTURE_2D, name);
  const GLint wrap = repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
  // Tiled detail textures are seen from afar, many repeats to a pixel: without mipmaps they
  // shimmer as the camera moves.
  const bool mipmapped = smooth && repeat;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                  mipmapped ? GL_LINEAR_MIPMAP_LINEAR
                  : smooth  ? GL_LINEAR
                            : GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, smooth ? GL_LINEAR : GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, mipmapped ? GL_TRUE : GL_FALSE);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  const GLenum format = FormatOf(channels);
  glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), width, height, 0, format,
               GL_UNSIGNED_BYTE, pixels.data());
  glPopClientAttrib();
  glPopAttrib();
  return name;
}

void GlScene3D::UpdateTexture(Texture3D texture, int32_t width, int32_t height, int32_t channels,
                              std::span<const uint8_t> pixels) {
  if (texture == 0 || !PixelsFit(width, height, channels, pixels.size())) return;
  glPushAttrib(GL_TEXTURE_BIT);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  // Same size: replace the pixels; another size needs a new level 0 (mipmaps follow it).
  GLint old_width = 0, old_height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &old_width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &old_height);
  const GLenum format = FormatOf(channels);
  if (old_width == width && old_height == height) {
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, GL_UNSIGNED_BYTE, pixels.data());
  } else {
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), width, height, 0, format,
                 GL_UNSIGNED_BYTE, pixels.data());
  }
  glPopClientAttrib();
  glPopAttrib();
}

void GlScene3D::DeleteTexture(Texture3D texture) {
  if (texture == 0) return;
  const GLuint name = texture;
  glDeleteTextures(1, &name);
}

void GlScene3D::Begin(const Rect& area, const Matrix4& projection, const Matrix4& modelview) {
  if (active_) End();
  // The painter's window: its viewport in pixels and its 2-D projection, glOrtho(0, w, h, 0),
  // whose scale gives the width and height the window coordinates span (they differ from the
  // pixels while the window overview shows windows shrunk).
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLfloat ortho[16] = {};
  glGetFloatv(GL_PROJECTION_MATRIX, ortho);
  const double logical_width = ortho[0] != 0 ? 2.0 / ortho[0] : viewport[2];
  const double logical_height = ortho[5] != 0 ? -2.0 / ortho[5] : viewport[3];
  if (logical_width <= 0 || logical_height <= 0 || viewport[2] <= 0 || viewport[3] <= 0) return;
  const double sx = viewport[2] / logical_width;
  const double sy = viewport[3] / logical_height;
  const GLint left = viewport[0] + static_cast<GLint>(std::lround(area.left * sx));
  const GLint right = viewport[0] + static_cast<GLint>(std::lround(area.right * sx));
  const GLint bottom =
      viewport[1] + static_cast<GLint>(std::lround((logical_height - area.bottom) * sy));
  const GLint top = viewport[1] + static_cast<GLint>(std::lround((logical_height - area.top) * sy));
  if (right <= left || top <= bottom) return;

  GLint scissor[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_SCISSOR_BOX, scissor);
  const GLint clip_left = std::max(left, scissor[0]);
  const GLint clip_bottom = std::max(bottom, scissor[1]);
  const GLint clip_right = std::min(right, scissor[0] + scissor[2]);
  const GLint clip_top = std::min(top, scissor[1] + scissor[3]);

  glPushAttrib(kSavedAttributes);
  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  active_ = true;
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadMatrixf(projection.data());
  glMatrixMode(GL_TEXTURE);
  glPushMatrix();
  glLoadIdentity();
  texture_transformed_ = false;
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadMatrixf(modelview.data());

  glViewport(left, bottom, right - left, top - bottom);
  glEnable(GL_SCISSOR_TEST);
  glScissor(clip_left, clip_bottom, std::max(0, clip_right - clip_left),
            std::max(0, clip_top - clip_bottom));
  glDepthMask(GL_TRUE);
  glClearDepth(1.0);
  glClear(GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glDisable(GL_CULL_FACE);
  glDisable(GL_LIGHTING);
  glDisable(GL_ALPHA_TEST);
  glShadeModel(GL_SMOOTH);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
}

void GlScene3D::End() {
  if (!active_) return;
  active_ = false;
  glMatrixMode(GL_TEXTURE);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopClientAttrib();
  glPopAttrib();
}

void GlScene3D::PointArrays(std::span<const Vertex3D> vertices) const {
  constexpr GLsizei kStride = sizeof(Vertex3D);
  const auto* base = reinterpret_cast<const uint8_t*>(vertices.data());
  glVertexPointer(3, GL_FLOAT, kStride, base + offsetof(Vertex3D, x));
  glTexCoordPointer(2, GL_FLOAT, kStride, base + offsetof(Vertex3D, u));
  glColorPointer(4, GL_UNSIGNED_BYTE, kStride, base + offsetof(Vertex3D, color));
}

void GlScene3D::DrawTriangles(std::span<const Vertex3D> vertices, Texture3D texture, Blend blend,
                              bool depth_write, bool depth_equal) {
  if (!active_ || vertices.size() < 3) return;
  PointArrays(vertices);
  if (texture != 0) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  } else {
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  }
  switch (blend) {
    case Blend::kNone:
      glDisable(GL_BLEND);
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
      break;
    case Blend::kAlpha:
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
      break;
    case Blend::kMultiply2x: {
      glEnable(GL_BLEND);
      glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR);
      // colour = texture x alpha + mid grey x (1 - alpha): the vertex alpha fades the detail.
      static constexpr GLfloat kGrey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
      glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, kGrey);
      glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_INTERPOLATE);
      glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_TEXTURE);
      glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
      glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GL_CONSTANT);
      glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_COLOR);
      glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB, GL_PRIMARY_COLOR);
      glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB, GL_SRC_ALPHA);
      glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_REPLACE);
      glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_CONSTANT);
      glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
      break;
    }
  }
  glDepthMask(depth_write ? GL_TRUE : GL_FALSE);
  glDepthFunc(depth_equal ? GL_EQUAL : GL_LEQUAL);
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices.size() / 3 * 3));
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void GlScene3D::DrawLines(std::span<const Vertex3D> vertices, float width) {
  if (!active_ || vertices.size() < 2) return;
  PointArrays(vertices);
  glDisable(GL_TEXTURE_2D);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDepthMask(GL_FALSE);
  glDepthFunc(GL_LEQUAL);
  glLineWidth(std::max(1.0f, width));
  glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(vertices.size() / 2 * 2));
}

void GlScene3D::SetTextureTransform(float scale_u, float scale_v, float offset_u, float offset_v) {
  if (!active_) return;
  const bool identity = scale_u == 1 && scale_v == 1 && offset_u == 0 && offset_v == 0;
  if (identity && !texture_transformed_) return;
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  if (!identity) {
    glTranslatef(offset_u, offset_v, 0);
    glScalef(scale_u, scale_v, 1);
  }
  glMatrixMode(GL_MODELVIEW);
  texture_transformed_ = !identity;
}
