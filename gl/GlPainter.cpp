#include "gl/GlPainter.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

void SetGlColor(Color color) {
  glColor4ub(ColorRed(color), ColorGreen(color), ColorBlue(color), ColorAlpha(color));
}

size_t SetIndex(PageSet set) {
  return set == PageSet::kFont ? 1 : set == PageSet::kPicture ? 2 : 0;
}

}  // namespace

void GlPainter::BeginFrame(Size screen) {
  screen_ = screen;
  frame_clip_ = {0, 0, screen.width, screen.height};
  window_visible_ = frame_clip_;
  in_window_ = false;

  glViewport(0, 0, screen.width, screen.height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, screen.width, screen.height, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glDisable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  // Shadows, dimming and glyph edges all rely on blending with what is already drawn.
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_SCISSOR_TEST);
  ApplyScissor(frame_clip_);
  SetColor(kWhite);
}

void GlPainter::SetClip(const Rect& clip) {
  frame_clip_ = clip;
  ApplyScissor(in_window_ ? clip.Intersection(window_visible_) : clip);
}

void GlPainter::FillScreenRect(const Rect& rect, Color color) {
  SetGlColor(color);
  FillQuad(rect);
  SetGlColor(color_);
}

void GlPainter::OutlineScreenRect(const Rect& rect, Color color) {
  if (rect.IsEmpty()) return;
  // Four one-pixel bars rather than a line loop: line rasterisation may leave out the
  // last pixel of each side, bars cover exactly the edge pixels.
  glDisable(GL_SCISSOR_TEST);
  SetGlColor(color);
  FillQuad({rect.left, rect.top, rect.right, rect.top + 1});
  if (rect.Height() > 1) FillQuad({rect.left, rect.bottom - 1, rect.right, rect.bottom});
  if (rect.Height() > 2) {
    FillQuad({rect.left, rect.top + 1, rect.left + 1, rect.bottom - 1});
    if (rect.Width() > 1) FillQuad({rect.right - 1, rect.top + 1, rect.right, rect.bottom - 1});
  }
  SetGlColor(color_);
  glEnable(GL_SCISSOR_TEST);
}

void GlPainter::EndFrame() {
  if (in_window_) EndWindow();
}

bool GlPainter::BeginWindow(const Rect& area, const Rect& visible, bool three_d, Size logical) {
  if (in_window_ || area.IsEmpty()) return false;
  const Rect scissor = visible.Intersection(frame_clip_);
  if (scissor.IsEmpty()) return false;
  in_window_ = true;
  window_visible_ = visible;

  SetColor(kWhite);
  const bool scaled = logical.width > 0 && logical.height > 0;
  const int32_t width = scaled ? logical.width : area.Width();
  const int32_t height = scaled ? logical.height : area.Height();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  if (three_d) {
    const double top = std::tan(kFieldOfView / 360.0 * std::numbers::pi) * kNear;
    const double right = top * width / height;
    glFrustum(-right, right, -top, top, kNear, kFar);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
  } else {
    glOrtho(0, width, height, 0, -1, 1);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
  }
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();

  ApplyScissor(scissor);
  glViewport(area.left, screen_.height - area.bottom, area.Width(), area.Height());
  return true;
}

void GlPainter::EndWindow() {
  if (!in_window_) return;
  in_window_ = false;
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glViewport(0, 0, screen_.width, screen_.height);
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  ApplyScissor(frame_clip_);
}

void GlPainter::SetColor(Color color) {
  color_ = color;
  SetGlColor(color);
}

void GlPainter::SetBlending(bool on) {
  if (on)
    glEnable(GL_BLEND);
  else
    glDisable(GL_BLEND);
}

void GlPainter::FillRect(const Rect& rect) {
  FillQuad(rect);
}

void GlPainter::DrawQuads(PageSet set, int32_t page, std::span<const TexturedQuad> quads) {
  const std::vector<GlTexture>& textures = pages_[SetIndex(set)];
  if (quads.empty() || page < 0 || static_cast<size_t>(page) >= textures.size()) return;
  const GlTexture& texture = textures[static_cast<size_t>(page)];
  if (texture.name() == 0) return;
  glEnable(GL_TEXTURE_2D);
  texture.Bind();
  DrawBoundQuads(quads);
  glDisable(GL_TEXTURE_2D);
}

void GlPainter::DrawBoundQuads(std::span<const TexturedQuad> quads) {
  glBegin(GL_QUADS);
  for (const TexturedQuad& q : quads) {
    glTexCoord2f(q.u[0], q.v[0]);
    glVertex2f(q.x0, q.y0);
    glTexCoord2f(q.u[1], q.v[1]);
    glVertex2f(q.x1, q.y0);
    glTexCoord2f(q.u[2], q.v[2]);
    glVertex2f(q.x1, q.y1);
    glTexCoord2f(q.u[3], q.v[3]);
    glVertex2f(q.x0, q.y1);
  }
  glEnd();
}

void GlPainter::UploadScratch(const Rect& region, std::span<const uint8_t> rgba) {
  const Rect whole{0, 0, kScratchSize, kScratchSize};
  if (region.IsEmpty() || region.Intersection(whole) != region) return;
  if (rgba.size() < static_cast<size_t>(region.Width()) * static_cast<size_t>(region.Height()) * 4)
    return;
  if (scratch_.name() == 0) {
    scratch_.Create(nullptr, TextureFormat::kRgba, kScratchSize, kScratchSize, false, false);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  }
  scratch_.Bind();
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glTexSubImage2D(GL_TEXTURE_2D, 0, region.left, region.top, region.Width(), region.Height(),
                  GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  glPopClientAttrib();
}

void GlPainter::DrawScratchQuads(std::span<const TexturedQuad> quads) {
  if (quads.empty() || scratch_.name() == 0) return;
  glEnable(GL_TEXTURE_2D);
  scratch_.Bind();
  DrawBoundQuads(quads);
  glDisable(GL_TEXTURE_2D);
}

void GlPainter::UploadPages(PageSet set, std::span<const PageImage> pages) {
  std::vector<GlTexture>& textures = pages_[SetIndex(set)];
  textures.clear();
  textures.resize(pages.size());
  // Skin pieces and pictures are drawn at their own size and must not bleed into their
  // neighbours; glyphs are smoother filtered.
  const GLint filter = set == PageSet::kFont ? GL_LINEAR : GL_NEAREST;
  for (size_t i = 0; i < pages.size(); ++i) {
    const PageImage& image = pages[i];
    if (image.width <= 0 || image.height <= 0) continue;
    const TextureFormat format = image.bytes_per_pixel == 1   ? TextureFormat::kAlpha
                                 : image.bytes_per_pixel == 3 ? TextureFormat::kRgb
                                                              : TextureFormat::kRgba;
    const size_t needed = static_cast<size_t>(image.width) * static_cast<size_t>(image.height) *
                          static_cast<size_t>(std::clamp(image.bytes_per_pixel, 1, 4));
    const void* pixels = image.pixels.size() >= needed ? image.pixels.data() : nullptr;
    GlTexture& texture = textures[i];
    texture.Create(pixels, format, static_cast<uint32_t>(image.width),
                   static_cast<uint32_t>(image.height), false, false);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  }
}

uint32_t GlPainter::PageTexture(PageSet set, int32_t page) const {
  const std::vector<GlTexture>& textures = pages_[SetIndex(set)];
  if (page < 0 || static_cast<size_t>(page) >= textures.size()) return 0;
  return textures[static_cast<size_t>(page)].name();
}

bool GlPainter::ReadPixels(const Rect& rect, std::vector<uint8_t>& rgb) {
  if (rect.IsEmpty() || !Rect{0, 0, screen_.width, screen_.height}.Contains(rect)) return false;
  const size_t row = static_cast<size_t>(rect.Width()) * 3;
  const size_t rows = static_cast<size_t>(rect.Height());
  rgb.resize(row * rows);

  GLint read_buffer = GL_BACK;
  glGetIntegerv(GL_READ_BUFFER, &read_buffer);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glPixelStorei(GL_PACK_SKIP_ROWS, 0);
  glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
  // The back buffer holds the frame just drawn (and the last one after a swap); some
  // drivers return black for the front buffer.
  glReadBuffer(GL_BACK);
  glReadPixels(rect.left, screen_.height - rect.bottom, rect.Width(), rect.Height(), GL_RGB,
               GL_UNSIGNED_BYTE, rgb.data());
  glPopClientAttrib();
  glReadBuffer(static_cast<GLenum>(read_buffer));

  // GL hands the bottom row first.
  for (size_t top = 0, bottom = rows - 1; top < bottom; ++top, --bottom) {
    std::swap_ranges(rgb.begin() + static_cast<ptrdiff_t>(top * row),
                     rgb.begin() + static_cast<ptrdiff_t>((top + 1) * row),
                     rgb.begin() + static_cast<ptrdiff_t>(bottom * row));
  }
  return true;
}

void GlPainter::ApplyScissor(const Rect& rect) {
  glScissor(rect.left, screen_.height - rect.bottom, std::max(0, rect.Width()),
            std::max(0, rect.Height()));
}

void GlPainter::FillQuad(const Rect& rect) {
  if (rect.IsEmpty()) return;
  glRecti(rect.left, rect.top, rect.right, rect.bottom);
}
