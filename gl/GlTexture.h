#pragma once
#include <cstdint>

// The size decision of texture creation lives here without any GL, so that the rule for
// drivers that only take power-of-two sizes can be checked on machines whose driver takes any.

constexpr bool IsPowerOfTwo(uint32_t n) {
  return n != 0 && (n & (n - 1)) == 0;
}

// The smallest power of two not below `n`; 1 for 0.
constexpr uint32_t NextPowerOfTwo(uint32_t n) {
  uint32_t p = 1;
  while (p < n && p < 0x80000000u) p <<= 1;
  return p;
}

// A size the driver cannot take as it is: only a concern without non-power-of-two support.
constexpr bool IsDifficultTextureSize(uint32_t width, uint32_t height, bool non_power_of_two) {
  return !non_power_of_two && (!IsPowerOfTwo(width) || !IsPowerOfTwo(height));
}

enum class TextureUploadPath : int32_t {
  kDirect,         // level 0 at the image's own size
  kScaledMipmaps,  // the image stretched to the next powers of two, every level built by GLU
  kEnlargedEmpty,  // an empty level 0 at the next powers of two, filled later in part
};

struct TextureUploadPlan {
  TextureUploadPath path = TextureUploadPath::kDirect;
  uint32_t level0_width = 0;  // what is allocated
  uint32_t level0_height = 0;
  friend bool operator==(const TextureUploadPlan&, const TextureUploadPlan&) = default;
};

constexpr TextureUploadPlan PlanTextureUpload(uint32_t width, uint32_t height, bool has_pixels,
                                              bool non_power_of_two) {
  if (!IsDifficultTextureSize(width, height, non_power_of_two)) {
    return {TextureUploadPath::kDirect, width, height};
  }
  return {has_pixels ? TextureUploadPath::kScaledMipmaps : TextureUploadPath::kEnlargedEmpty,
          NextPowerOfTwo(width), NextPowerOfTwo(height)};
}

enum class TextureFormat : int32_t { kAlpha, kRgb, kRgba, kBgr, kBgra };

// Mirror flags of GlTexture::Draw.
constexpr int32_t kMirrorVertical = 1;
constexpr int32_t kMirrorHorizontal = 2;

// One GL texture holding one image. The GL texture may be larger than the image (enlarged to
// powers of two); drawing maps the image's own rectangle. Needs the GL context current.
class GlTexture {
 public:
  GlTexture() = default;
  ~GlTexture();
  GlTexture(const GlTexture&) = delete;
  GlTexture& operator=(const GlTexture&) = delete;
  GlTexture(GlTexture&& other) noexcept;
  GlTexture& operator=(GlTexture&& other) noexcept;

  // Creates or replaces the GL texture; `pixels` may be null for an empty texture. Rows are
  // tightly packed, top row first. Errors are not reported: the texture then draws nothing.
  void Create(const void* pixels, TextureFormat format, uint32_t width, uint32_t height,
              bool mipmaps, bool anisotropic);
  // Draws the source rectangle (0 width or height: the whole image) as one quad at (x, y)
  // in the current coordinates; 0 width or height there means the image's own size.
  void Draw(int32_t mirror, float x, float y, float width, float height, float source_x = 0,
            float source_y = 0, float source_width = 0, float source_height = 0) const;
  // Takes over an existing GL texture, deleting the previous one when it was owned.
  void Adopt(uint32_t name, uint32_t width, uint32_t height, bool owned);
  void Bind() const;
  void Delete();

  uint32_t name() const { return name_; }
  uint32_t width() const { return width_; }
  uint32_t height() const { return height_; }
  bool owned() const { return owned_ != 0; }

 private:
  uint32_t name_ = 0;
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  int32_t owned_ = 0;
  // GLU stretched the image over the whole enlarged level 0, so texture coordinates come
  // from the image size rather than from the level-0 size.
  bool scaled_ = false;
};

// Start-up: clears colour and depth to black (the caller swaps), fetches the entry points and
// tests the extensions once. Needs the GL context current.
void InitGL();
bool HasNonPowerOfTwo();
bool HasAnisotropic();
// Lets tests take the paths of drivers without non-power-of-two textures.
void SetNonPowerOfTwoOverride(bool pretend_missing);

// Entry points fetched by name; null when the driver lacks them.
using MultiTexCoord2fProc = void (*)(uint32_t target, float s, float t);
using ActiveTextureProc = void (*)(uint32_t texture);
MultiTexCoord2fProc GlMultiTexCoord2f();
ActiveTextureProc GlActiveTexture();
