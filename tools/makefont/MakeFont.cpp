// Renders the UI font supplied with the program, res/brimwell.zarvfont, from the DejaVu Sans
// family: plain, bold, oblique and bold oblique, as 8-bit coverage at a small UI size.
//
//   zarv_makefont [--fonts DIR] [--size PIXELS] OUTPUT
//
// The output depends only on the TrueType files and the FreeType version, so rebuilding the
// font on another machine of the same kind gives the same bytes.

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/MacRoman.h"
#include "gui/FontFile.h"

namespace {

// A 12-pixel em: dense enough for the editor's packed panels and lists, yet large enough that
// DejaVu's hinted shapes stay clear. It gives an ascent of 12, a descent of 3 and a line height
// of 15 pixels; capitals stand 9 pixels tall and the x-height is 7.
constexpr int kDefaultPixelSize = 12;
// Tab stops are this many spaces apart (a space is 4 pixels at the default size, so 32).
constexpr int kTabSize = 8;
// Slant for an italic made from an upright face when no oblique file is installed; DejaVu's
// own obliques lean by about the same amount.
constexpr double kSyntheticSlant = 0.2;

struct StyleSource {
  const char* file;
  // Where the oblique file is missing, the upright face it is made from.
  const char* upright_fallback;
};

// In the order of the style blocks: plain, bold, italic, and the fourth style, which texts
// select with "|o". The format leaves that last face to the font; Bold Oblique is used here
// because it is the one member of the family the other three do not cover, and it lets "|o"
// mark text that needs more emphasis than bold or italic alone.
constexpr StyleSource kStyleSources[kFontStyleCount] = {
    {"DejaVuSans.ttf", nullptr},
    {"DejaVuSans-Bold.ttf", nullptr},
    {"DejaVuSans-Oblique.ttf", "DejaVuSans.ttf"},
    {"DejaVuSans-BoldOblique.ttf", "DejaVuSans-Bold.ttf"},
};

struct LibraryDeleter {
  void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceDeleter {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryPtr = std::unique_ptr<FT_LibraryRec_, LibraryDeleter>;
using FacePtr = std::unique_ptr<FT_FaceRec_, FaceDeleter>;

// Light hinting snaps only vertical metrics, which keeps baselines and x-heights crisp at
// UI sizes without distorting the letter shapes; its lsb/rsb deltas let the pair table undo
// most of the spacing error that rounding the advances brings.
constexpr FT_Int32 kLoadFlags = FT_LOAD_TARGET_LIGHT;

// 26.6 fixed point to whole pixels, rounding halves away from zero so that kerning to the left
// and to the right is treated alike.
int RoundPixels(FT_Pos value) {
  return value >= 0 ? static_cast<int>((value + 32) / 64) : -static_cast<int>((-value + 32) / 64);
}

int CeilPixels(FT_Pos value) {
  return static_cast<int>(std::ceil(value / 64.0));
}

int8_t ClampToInt8(int value) {
  return static_cast<int8_t>(std::clamp(value, -128, 127));
}

struct GlyphMetrics {
  FT_UInt index = 0;
  FT_Pos advance = 0;    // 26.6, already hinted
  FT_Pos lsb_delta = 0;  // hinting's shift of the left and right side bearings
  FT_Pos rsb_delta = 0;
};

class StyleRenderer {
 public:
  StyleRenderer(FT_Face face, bool synthetic_slant) : face_(face), slant_(synthetic_slant) {}

  // Fills `style` with the 224 glyphs; false (after printing why) when FreeType fails.
  bool Render(FontStyle& style, int style_index) {
    std::vector<GlyphMetrics> metrics(kFontGlyphCount);
    for (int i = 0; i < kFontGlyphCount; ++i) {
      if (!RenderGlyph(i, style.glyphs[i], metrics[i], style_index)) return false;
    }
    for (int i = 0; i < kFontGlyphCount; ++i) {
      for (int j = 0; j < kFontGlyphCount; ++j) {
        style.glyphs[i].advances[j] = ClampToInt8(PairAdvance(metrics[i], metrics[j]));
      }
    }
    style.set_present(true);
    return true;
  }

  int max_top() const { return max_top_; }
  int max_bottom() const { return max_bottom_; }

 private:
  void ApplySlant() {
    FT_Matrix shear;
    shear.xx = 0x10000;
    shear.xy = static_cast<FT_Fixed>(kSyntheticSlant * 0x10000);
    shear.yx = 0;
    shear.yy = 0x10000;
    FT_Set_Transform(face_, &shear, nullptr);
  }

  bool RenderGlyph(int index, FontGlyph& glyph, GlyphMetrics& metrics, int style_index) {
    const int code = kFontFirstChar + index;
    const char32_t code_point = kMacRomanToUnicode[index];
    if (code == 127) {
      // DEL has no picture; an empty zero-width glyph keeps a stray one from showing.
      metrics = {};
      return true;
    }
    metrics.index = FT_Get_Char_Index(face_, code_point);
    // No free font has the Apple logo at 0xF0 (a private-use code point); the missing-glyph
    // box stands in for it quietly. Any other gap means the wrong font files.
    if (metrics.index == 0 && code_point != 0xF8FF) {
      std::fprintf(stderr, "makefont: style %d has no glyph for U+%04X (code %d); using .notdef\n",
                   style_index, static_cast<unsigned>(code_point), code);
    }
    if (slant_) ApplySlant();
    if (FT_Error error = FT_Load_Glyph(face_, metrics.index, kLoadFlags)) {
      std::fprintf(stderr, "makefont: cannot load U+%04X (FreeType error %d)\n",
                   static_cast<unsigned>(code_point), error);
      return false;
    }
    FT_GlyphSlot slot = face_->glyph;
    if (FT_Error error = FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL)) {
      std::fprintf(stderr, "makefont: cannot render U+%04X (FreeType error %d)\n",
                   static_cast<unsigned>(code_point), error);
      return false;
    }
    metrics.advance = slot->advance.x;
    metrics.lsb_delta = slot->lsb_delta;
    metrics.rsb_delta = slot->rsb_delta;

    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.width * bitmap.rows != 0) {
      std::fprintf(stderr, "makefont: U+%04X did not render as 8-bit coverage\n",
                   static_cast<unsigned>(code_point));
      return false;
    }
    constexpr auto kMaxSide = std::numeric_limits<uint16_t>::max();
    constexpr int kMinOffset = std::numeric_limits<int16_t>::min();
    constexpr int kMaxOffset = std::numeric_limits<int16_t>::max();
    if (bitmap.width > kMaxSide || bitmap.rows > kMaxSide || slot->bitmap_left < kMinOffset ||
        slot->bitmap_left > kMaxOffset || -slot->bitmap_top < kMinOffset ||
        -slot->bitmap_top > kMaxOffset) {
      std::fprintf(stderr, "makefont: U+%04X is too large for the font format\n",
                   static_cast<unsigned>(code_point));
      return false;
    }
    glyph.width = static_cast<uint16_t>(bitmap.width);
    glyph.height = static_cast<uint16_t>(bitmap.rows);
    glyph.x_offset = static_cast<int16_t>(slot->bitmap_left);
    glyph.y_offset = static_cast<int16_t>(-slot->bitmap_top);
    glyph.coverage.resize(size_t{glyph.width} * glyph.height);
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      // A negative pitch means FreeType stored the rows bottom-up.
      const unsigned char* src =
          bitmap.pitch >= 0
              ? bitmap.buffer + row * static_cast<size_t>(bitmap.pitch)
              : bitmap.buffer + (bitmap.rows - 1 - row) * static_cast<size_t>(-bitmap.pitch);
      std::copy_n(src, bitmap.width, glyph.coverage.begin() + row * size_t{glyph.width});
    }
    if (glyph.width != 0 && glyph.height != 0) {
      max_top_ = std::max(max_top_, slot->bitmap_top);
      max_bottom_ = std::max(max_bottom_, static_cast<int>(bitmap.rows) - slot->bitmap_top);
    }
    return true;
  }

  int PairAdvance(const GlyphMetrics& left, const GlyphMetrics& right) const {
    FT_Pos advance = left.advance;
    if (left.index != 0 && right.index != 0) {
      FT_Vector kerning{};
      if (FT_Get_Kerning(face_, left.index, right.index, FT_KERNING_UNFITTED, &kerning) == 0) {
        advance += kerning.x;
      }
    }
    // FreeType's recipe for light hinting: when hinting moved the facing sides of the pair
    // apart or together by more than half a pixel, give that pixel back.
    const FT_Pos delta = left.rsb_delta - right.lsb_delta;
    if (delta > 32) {
      advance -= 64;
    } else if (delta < -31) {
      advance += 64;
    }
    return RoundPixels(advance);
  }

  FT_Face face_;
  bool slant_;
  int max_top_ = 0;
  int max_bottom_ = 0;
};

void PrintUsage() {
  std::fprintf(stderr, "usage: zarv_makefont [--fonts DIR] [--size PIXELS] OUTPUT\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path font_dir = "/usr/share/fonts/truetype/dejavu";
  int pixel_size = kDefaultPixelSize;
  std::optional<std::filesystem::path> output;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--fonts" && i + 1 < argc) {
      font_dir = argv[++i];
    } else if (arg == "--size" && i + 1 < argc) {
      char* end = nullptr;
      const long size = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || size < 6 || size > 72) {
        std::fprintf(stderr, "makefont: the size must be 6 to 72 pixels\n");
        return 2;
      }
      pixel_size = static_cast<int>(size);
    } else if (!arg.empty() && arg[0] != '-' && !output) {
      output = arg;
    } else {
      PrintUsage();
      return 2;
    }
  }
  if (!output) {
    PrintUsage();
    return 2;
  }

  FT_Library raw_library = nullptr;
  if (FT_Init_FreeType(&raw_library) != 0) {
    std::fprintf(stderr, "makefont: cannot initialise FreeType\n");
    return 1;
  }
  LibraryPtr library(raw_library);

  FontData font;
  int ascent = 0;
  int descent = 0;
  int max_top = 0;
  int max_bottom = 0;
  for (int s = 0; s < kFontStyleCount; ++s) {
    const StyleSource& source = kStyleSources[s];
    std::filesystem::path path = font_dir / source.file;
    bool synthetic_slant = false;
    if (!std::filesystem::exists(path) && source.upright_fallback) {
      std::fprintf(stderr, "makefont: %s not found; slanting %s instead\n", path.c_str(),
                   source.upright_fallback);
      path = font_dir / source.upright_fallback;
      synthetic_slant = true;
    }
    FT_Face raw_face = nullptr;
    if (FT_New_Face(library.get(), path.c_str(), 0, &raw_face) != 0) {
      std::fprintf(stderr, "makefont: cannot open %s (is fonts-dejavu-core installed?)\n",
                   path.c_str());
      return 1;
    }
    FacePtr face(raw_face);
    if (FT_Set_Pixel_Sizes(face.get(), 0, static_cast<FT_UInt>(pixel_size)) != 0) {
      std::fprintf(stderr, "makefont: %s cannot be scaled to %d pixels\n", path.c_str(),
                   pixel_size);
      return 1;
    }
    if (s == kFontPlain) {
      // The line box comes from the plain face's design metrics, not from its tallest glyph,
      // so that accented capitals may reach into the line above as they do in print.
      ascent = CeilPixels(face->size->metrics.ascender);
      descent = CeilPixels(-face->size->metrics.descender);
    }
    StyleRenderer renderer(face.get(), synthetic_slant);
    if (!renderer.Render(font.styles[s], s)) return 1;
    max_top = std::max(max_top, renderer.max_top());
    max_bottom = std::max(max_bottom, renderer.max_bottom());
  }
  font.ascent = ascent;
  font.descent = descent;
  font.line_height = ascent + descent;
  font.tab_size = kTabSize;

  if (std::string error = SaveFontFile(font, *output); !error.empty()) {
    std::fprintf(stderr, "makefont: %s\n", error.c_str());
    return 1;
  }
  // Read the file back through the program's own reader, so a writer fault fails the build
  // rather than the editor's start-up.
  FontReadResult check = LoadFontFile(*output);
  if (!check) {
    std::fprintf(stderr, "makefont: the written font does not read back: %s\n",
                 check.error.c_str());
    std::filesystem::remove(*output);
    return 1;
  }
  std::printf(
      "makefont: %s at %d px: ascent %d, descent %d, line height %d, space advance %d; glyphs "
      "reach %d above and %d below the baseline\n",
      output->c_str(), pixel_size, font.ascent, font.descent, font.line_height,
      check.font->styles[kFontPlain].glyphs[0].advances[0], max_top, max_bottom);
  return 0;
}
