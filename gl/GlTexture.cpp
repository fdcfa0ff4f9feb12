#include "gl/GlTexture.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <GLFW/glfw3.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

struct Capabilities {
  bool tested = false;
  bool non_power_of_two = false;
  bool anisotropic = false;
  float max_anisotropy = 1.0f;
  bool pretend_no_non_power_of_two = false;
  MultiTexCoord2fProc multi_tex_coord_2f = nullptr;
  ActiveTextureProc active_texture = nullptr;
};

Capabilities& Caps() {
  static Capabilities caps;
  return caps;
}

// Extension strings and entry points do not change while the context lives, and looking
// them up walks long strings: once is enough.
const Capabilities& TestedCaps() {
  Capabilities& caps = Caps();
  if (caps.tested) return caps;
  caps.tested = true;
  caps.multi_tex_coord_2f =
      reinterpret_cast<MultiTexCoord2fProc>(glfwGetProcAddress("glMultiTexCoord2f"));
  caps.active_texture = reinterpret_cast<ActiveTextureProc>(glfwGetProcAddress("glActiveTexture"));
  caps.non_power_of_two = glfwExtensionSupported("GL_ARB_texture_non_power_of_two") == GLFW_TRUE;
  caps.anisotropic = glfwExtensionSupported("GL_EXT_texture_filter_anisotropic") == GLFW_TRUE;
  if (caps.anisotropic) {
    GLfloat max = 1.0f;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &max);
    caps.max_anisotropy = max;
  }
  return caps;
}

struct FormatInfo {
  GLint internal_format;
  GLenum format;
};

FormatInfo Describe(TextureFormat format) {
  switch (format) {
    // A bare component count of 1 would make a luminance texture; alpha textures are what
    // lets the current colour tint glyph pages.
    case TextureFormat::kAlpha:
      return {GL_ALPHA8, GL_ALPHA};
    case TextureFormat::kRgb:
      return {GL_RGB8, GL_RGB};
    case TextureFormat::kBgr:
      return {GL_RGB8, GL_BGR};
    case TextureFormat::kBgra:
      return {GL_RGBA8, GL_BGRA};
    case TextureFormat::kRgba:
      break;
  }
  return {GL_RGBA8, GL_RGBA};
}

int32_t Channels(TextureFormat format) {
  switch (format) {
    case TextureFormat::kAlpha:
      return 1;
    case TextureFormat::kRgb:
    case TextureFormat::kBgr:
      return 3;
    case TextureFormat::kRgba:
    case TextureFormat::kBgra:
      break;
  }
  return 4;
}

// Area-weighted resampling: every target texel averages the part of the image it covers,
// so edge texels keep the image's edge colours whether the image grows or shrinks.
void StretchImage(const uint8_t* source, uint32_t source_width, uint32_t source_height,
                  int32_t channels, uint8_t* target, uint32_t target_width,
                  uint32_t target_height) {
  const double step_x = static_cast<double>(source_width) / target_width;
  const double step_y = static_cast<double>(source_height) / target_height;
  const double area = step_x * step_y;
  for (uint32_t ty = 0; ty < target_height; ++ty) {
    const double y0 = ty * step_y;
    const double y1 = y0 + step_y;
    for (uint32_t tx = 0; tx < target_width; ++tx) {
      const double x0 = tx * step_x;
      const double x1 = x0 + step_x;
      double sum[4] = {0, 0, 0, 0};
      for (auto sy = static_cast<uint32_t>(y0); sy < source_height && sy < y1; ++sy) {
        const double weight_y = std::min(y1, sy + 1.0) - std::max(y0, static_cast<double>(sy));
        if (weight_y <= 0) continue;
        for (auto sx = static_cast<uint32_t>(x0); sx < source_width && sx < x1; ++sx) {
          const double weight = weight_y * (std::min(x1, sx + 1.0) - std::max(x0, 1.0 * sx));
          if (weight <= 0) continue;
          const uint8_t* texel = source + (static_cast<size_t>(sy) * source_width + sx) * channels;
          for (int32_t c = 0; c < channels; ++c) sum[c] += weight * texel[c];
        }
      }
      uint8_t* out = target + (static_cast<size_t>(ty) * target_width + tx) * channels;
      for (int32_t c = 0; c < channels; ++c) {
        out[c] = static_cast<uint8_t>(std::clamp(std::lround(sum[c] / area), 0L, 255L));
      }
    }
  }
}

}  // namespace

void InitGL() {
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  TestedCaps();
}

bool HasNonPowerOfTwo() {
  const Capabilities& caps = TestedCaps();
  return caps.non_power_of_two && !caps.pretend_no_non_power_of_two;
}

bool HasAnisotropic() {
  return TestedCaps().anisotropic;
}

void SetNonPowerOfTwoOverride(bool pretend_missing) {
  Caps().pretend_no_non_power_of_two = pretend_missing;
}

MultiTexCoord2fProc GlMultiTexCoord2f() {
  return TestedCaps().multi_tex_coord_2f;
}
ActiveTextureProc GlActiveTexture() {
  return TestedCaps().active_texture;
}

GlTexture::~GlTexture() {
  Delete();
}

GlTexture::GlTexture(GlTexture&& other) noexcept
    : name_(std::exchange(other.name_, 0)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      owned_(std::exchange(other.owned_, 0)),
      scaled_(std::exchange(other.scaled_, false)) {}

GlTexture& GlTexture::operator=(GlTexture&& other) noexcept {
  if (this != &other) {
    Delete();
    name_ = std::exchange(other.name_, 0);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    owned_ = std::exchange(other.owned_, 0);
    scaled_ = std::exchange(other.scaled_, false);
  }
  return *this;
}

void GlTexture::Create(const void* pixels, TextureFormat format, uint32_t width, uint32_t height,
                       bool mipmaps, bool anisotropic) {
  Delete();
  width_ = width;
  height_ = height;
  owned_ = 1;
  GLuint name = 0;
  glGenTextures(1, &name);
  name_ = name;
  glBindTexture(GL_TEXTURE_2D, name);

  // Callers hand over tightly packed rows; whatever the rest of the program set for
  // unpacking comes back afterwards.
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(width));
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);

  const TextureUploadPlan plan =
      PlanTextureUpload(width, height, pixels != nullptr, HasNonPowerOfTwo());
  const bool difficult = plan.path != TextureUploadPath::kDirect;
  const bool trilinear = mipmaps || difficult;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                  trilinear ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  // Drawing never maps more than the image, and repeating would let filtering blend the
  // opposite edge into the border pixels.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  // GLU builds every level itself. An enlarged empty texture has a trilinear filter but no
  // levels below 0, so without generation it would be incomplete and draw nothing once filled.
  if (trilinear && plan.path != TextureUploadPath::kScaledMipmaps) {
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
  }
  if (anisotropic && HasAnisotropic()) {
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, TestedCaps().max_anisotropy);
  }

  const FormatInfo info = Describe(format);
  switch (plan.path) {
    case TextureUploadPath::kScaledMipmaps: {
      scaled_ = true;
      if (width == 0 || height == 0) break;
      // Mesa's GLU mipmap builder scales such images wrongly (rows left empty or shifted);
      // stretched here to the powers of two first, GLU only has to halve them.
      const int32_t channels = Channels(format);
      std::vector<uint8_t> stretched(static_cast<size_t>(plan.level0_width) * plan.level0_height *
                                     channels);
      StretchImage(static_cast<const uint8_t*>(pixels), width, height, channels, stretched.data(),
                   plan.level0_width, plan.level0_height);
      glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
      gluBuild2DMipmaps(GL_TEXTURE_2D, info.internal_format, static_cast<GLint>(plan.level0_width),
                        static_cast<GLint>(plan.level0_height), info.format, GL_UNSIGNED_BYTE,
                        stretched.data());
      break;
    }
    case TextureUploadPath::kEnlargedEmpty:
      scaled_ = false;
      glTexImage2D(GL_TEXTURE_2D, 0, info.internal_format, static_cast<GLsizei>(plan.level0_width),
                   static_cast<GLsizei>(plan.level0_height), 0, info.format, GL_UNSIGNED_BYTE,
                   nullptr);
      break;
    case TextureUploadPath::kDirect:
      scaled_ = false;
      glTexImage2D(GL_TEXTURE_2D, 0, info.internal_format, static_cast<GLsizei>(width),
                   static_cast<GLsizei>(height), 0, info.format, GL_UNSIGNED_BYTE, pixels);
      break;
  }
  glPopClientAttrib();
}

void GlTexture::Draw(int32_t mirror, float x, float y, float width, float height, float source_x,
                     float source_y, float source_width, float source_height) const {
  if (name_ == 0 || width_ == 0 || height_ == 0) return;
  glBindTexture(GL_TEXTURE_2D, name_);
  GLint level0_width = 0;
  GLint level0_height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &level0_width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &level0_height);
  if (level0_width <= 0 || level0_height <= 0) return;

  if (source_width == 0 || source_height == 0) {
    source_x = 0;
    source_y = 0;
    source_width = static_cast<float>(width_);
    source_height = static_cast<float>(height_);
  }
  const float basis_width = scaled_ ? static_cast<float>(width_) : static_cast<float>(level0_width);
  const float basis_height =
      scaled_ ? static_cast<float>(height_) : static_cast<float>(level0_height);
  float u0 = source_x / basis_width;
  float u1 = (source_x + source_width) / basis_width;
  float v0 = source_y / basis_height;
  float v1 = (source_y + source_height) / basis_height;
  if (mirror & kMirrorHorizontal) std::swap(u0, u1);
  if (mirror & kMirrorVertical) std::swap(v0, v1);
  if (width == 0) width = static_cast<float>(width_);
  if (height == 0) height = static_cast<float>(height_);

  const bool was_enabled = glIsEnabled(GL_TEXTURE_2D) == GL_TRUE;
  if (!was_enabled) glEnable(GL_TEXTURE_2D);
  glBegin(GL_QUADS);
  glTexCoord2f(u0, v0);
  glVertex2f(x, y);
  glTexCoord2f(u1, v0);
  glVertex2f(x + width, y);
  glTexCoord2f(u1, v1);
  glVertex2f(x + width, y + height);
  glTexCoord2f(u0, v1);
  glVertex2f(x, y + height);
  glEnd();
  if (!was_enabled) glDisable(GL_TEXTURE_2D);
}

void GlTexture::Adopt(uint32_t name, uint32_t width, uint32_t height, bool owned) {
  Delete();
  name_ = name;
  width_ = width;
  height_ = height;
  owned_ = owned ? 1 : 0;
  scaled_ = false;
}

void GlTexture::Bind() const {
  glBindTexture(GL_TEXTURE_2D, name_);
}

void GlTexture::Delete() {
  if (owned_ != 0 && name_ != 0) {
    const GLuint name = name_;
    glDeleteTextures(1, &name);
  }
  name_ = 0;
  width_ = 0;
  height_ = 0;
  owned_ = 0;
  scaled_ = false;
}
