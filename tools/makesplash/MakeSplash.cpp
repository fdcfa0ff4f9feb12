// Draws the splash and About picture supplied with the program, res/zarv.bmp: the program's
// name in large letters over a calm gradient in the skin's colours, as an uncompressed 24-bit
// bottom-up BMP.
//
//   zarv_makesplash [--fonts DIR] OUTPUT
//
// The lettering comes from DejaVu Sans Bold (and DejaVu Sans for the line under it) in DIR,
// /usr/share/fonts/truetype/dejavu by default.

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tools/makeskin/Canvas.h"

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 300;

const Colour kTopLeft = Colour::Hex(0x30333a);
const Colour kBottomRight = Colour::Hex(0x1b1c1f);
const Colour kAccent = Colour::Hex(0x3d7bd9);
const Colour kAccentLight = Colour::Hex(0x5a92e6);
const Colour kTitle = Colour::Hex(0xf0f2f5);
const Colour kSubtitle = Colour::Hex(0xa7abb3);
const Colour kEdge = Colour::Hex(0x45484f);

struct LibraryDeleter {
  void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceDeleter {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryPtr = std::unique_ptr<FT_LibraryRec_, LibraryDeleter>;
using FacePtr = std::unique_ptr<FT_FaceRec_, FaceDeleter>;

// A line of text as coverage, with the pen's start on the baseline at (origin_x, origin_y).
struct TextMask {
  int width = 0;
  int height = 0;
  int origin_x = 0;
  int origin_y = 0;
  std::vector<double> coverage;

  double At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    return coverage[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  }
};

// Renders `text` at `pixel_size`, with `margin` clear pixels around the ink for a blur to
// spread into. Large lettering is rendered unhinted: at this size hinting only distorts.
bool RenderText(FT_Face face, int pixel_size, const std::string& text, int margin, TextMask& mask,
                std::string& error) {
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixel_size)) != 0) {
    error = "cannot set the size " + std::to_string(pixel_size);
    return false;
  }
  struct Placed {
    int x = 0;
    int y = 0;  // top of the bitmap, relative to the baseline
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
  };
  std::vector<Placed> glyphs;
  FT_Pos pen = 0;  // 26.6
  FT_UInt previous = 0;
  for (unsigned char c : text) {
    const FT_UInt index = FT_Get_Char_Index(face, c);
    if (previous != 0 && index != 0 && FT_HAS_KERNING(face)) {
      FT_Vector kerning;
      if (FT_Get_Kerning(face, previous, index, FT_KERNING_UNFITTED, &kerning) == 0) {
        pen += kerning.x;
      }
    }
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_NO_HINTING) != 0) {
      error = std::string("cannot render '") + static_cast<char>(c) + "'";
      return false;
    }
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) {
      error = "glyph bitmaps are not 8-bit grey";
      return false;
    }
    Placed placed;
    placed.x = static_cast<int>(std::lround(pen / 64.0)) + slot->bitmap_left;
    placed.y = -slot->bitmap_top;
    placed.width = static_cast<int>(bitmap.width);
    placed.height = static_cast<int>(bitmap.rows);
    for (int row = 0; row < placed.height; ++row) {
      const unsigned char* line = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
      placed.pixels.insert(placed.pixels.end(), line, line + placed.width);
    }
    glyphs.push_back(std::move(placed));
    pen += slot->advance.x;
    previous = index;
  }
  int left = 0, top = 0, right = 0, bottom = 0;
  bool any = false;
  for (const Placed& glyph : glyphs) {
    if (glyph.width == 0 || glyph.height == 0) continue;
    left = any ? std::min(left, glyph.x) : glyph.x;
    top = any ? std::min(top, glyph.y) : glyph.y;
    right = any ? std::max(right, glyph.x + glyph.width) : glyph.x + glyph.width;
    bottom = any ? std::max(bottom, glyph.y + glyph.height) : glyph.y + glyph.height;
    any = true;
  }
  if (!any) {
    error = "the text has no ink";
    return false;
  }
  mask.width = right - left + 2 * margin;
  mask.height = bottom - top + 2 * margin;
  mask.origin_x = margin - left;
  mask.origin_y = margin - top;
  mask.coverage.assign(static_cast<size_t>(mask.width) * static_cast<size_t>(mask.height), 0.0);
  for (const Placed& glyph : glyphs) {
    for (int row = 0; row < glyph.height; ++row) {
      for (int column = 0; column < glyph.width; ++column) {
        const int x = mask.origin_x + glyph.x + column;
        const int y = mask.origin_y + glyph.y + row;
        double& cell = mask.coverage[static_cast<size_t>(y) * mask.width + x];
        cell =
            std::max(cell, glyph.pixels[static_cast<size_t>(row) * glyph.width + column] / 255.0);
      }
    }
  }
  return true;
}

// A box blur run three times, which is close enough to a Gaussian for a soft shadow.
TextMask Blurred(const TextMask& mask, int radius) {
  TextMask out = mask;
  std::vector<double> line;
  for (int pass = 0; pass < 3; ++pass) {
    for (int horizontal = 0; horizontal < 2; ++horizontal) {
      const int length = horizontal ? out.width : out.height;
      const int lines = horizontal ? out.height : out.width;
      line.resize(static_cast<size_t>(length));
      for (int l = 0; l < lines; ++l) {
        for (int i = 0; i < length; ++i) line[i] = horizontal ? out.At(i, l) : out.At(l, i);
        for (int i = 0; i < length; ++i) {
          double sum = 0;
          for (int k = -radius; k <= radius; ++k) {
            const int j = i + k;
            if (j >= 0 && j < length) sum += line[j];
          }
          const double value = sum / (2 * radius + 1);
          const size_t index = horizontal ? static_cast<size_t>(l) * out.width + i
                                          : static_cast<size_t>(i) * out.width + l;
          out.coverage[index] = value;
        }
      }
    }
  }
  return out;
}

// Lays `mask` onto the canvas with its pen origin at (x, y).
void Stamp(Canvas& canvas, const TextMask& mask, int x, int y, const Canvas::Paint& paint) {
  for (int row = 0; row < mask.height; ++row) {
    for (int column = 0; column < mask.width; ++column) {
      const int cx = x - mask.origin_x + column;
      const int cy = y - mask.origin_y + row;
      if (cx < 0 || cy < 0 || cx >= canvas.width() || cy >= canvas.height()) continue;
      canvas.Blend(cx, cy, paint(cx + 0.5, cy + 0.5), mask.At(column, row));
    }
  }
}

void PaintBackground(Canvas& canvas) {
  // A diagonal fall from the frame grey to near black...
  canvas.Shade([](double x, double y) {
    const double t = std::clamp((x / kWidth) * 0.45 + (y / kHeight) * 0.55, 0.0, 1.0);
    return Colour::Mix(kTopLeft, kBottomRight, t * t * (3 - 2 * t));
  });
  // ...lit by a wide, faint glow of the accent behind the name...
  canvas.Shade([](double x, double y) {
    const double d = std::hypot((x - 250) / 1.25, y - 120) / 260.0;
    const double t = std::clamp(1 - d, 0.0, 1.0);
    return kAccent.WithAlpha(0.32 * t * t);
  });
  // ...and a few slow arcs, as of an orbit, that the eye barely notices.
  for (int i = 0; i < 4; ++i) {
    const double radius = 300 + i * 34;
    const double alpha = 0.12 - i * 0.02;
    canvas.Fill(
        Canvas::Minus(Canvas::Disc(520, 360, radius + 0.6), Canvas::Disc(520, 360, radius - 0.6)),
        kAccentLight.WithAlpha(alpha));
  }
}

bool Draw(const std::filesystem::path& fonts, Canvas& canvas, std::string& error) {
  FT_Library raw_library = nullptr;
  if (FT_Init_FreeType(&raw_library) != 0) {
    error = "cannot start FreeType";
    return false;
  }
  const LibraryPtr library(raw_library);
  auto open = [&](const char* name, FacePtr& face) {
    const std::string path = (fonts / name).string();
    FT_Face raw = nullptr;
    if (FT_New_Face(library.get(), path.c_str(), 0, &raw) != 0) {
      error = "cannot open " + path + " (Debian package fonts-dejavu-core)";
      return false;
    }
    face.reset(raw);
    return true;
  };
  FacePtr bold, regular;
  if (!open("DejaVuSans-Bold.ttf", bold) || !open("DejaVuSans.ttf", regular)) return false;

  PaintBackground(canvas);

  constexpr int kShadowBlur = 5;
  TextMask title, subtitle;
  if (!RenderText(bold.get(), 116, "Zarv", 3 * kShadowBlur, title, error)) return false;
  if (!RenderText(regular.get(), 15, "Tag editor for Vorn", 0, subtitle, error)) return false;

  // The name sits a little above the middle, the accent rule and the line under it below.
  const int ink_width = title.width - 2 * 3 * kShadowBlur;
  const int title_x = (kWidth - ink_width) / 2 + (title.origin_x - 3 * kShadowBlur);
  constexpr int kBaseline = 168;
  Stamp(canvas, Blurred(title, kShadowBlur), title_x, kBaseline + 5, [](double, double) {
    return Colour{0, 0, 0, 0.55};
  });
  Stamp(canvas, title, title_x, kBaseline,
        Canvas::VerticalGradient(kBaseline - 90, kBaseline, kTitle, Colour::Hex(0xd5dae2)));

  constexpr double kRuleWidth = 56;
  constexpr double kRuleTop = kBaseline + 26;
  canvas.Fill(Canvas::RoundBox((kWidth - kRuleWidth) / 2, kRuleTop, (kWidth + kRuleWidth) / 2,
                               kRuleTop + 4, 2),
              kAccent);
  const int subtitle_x = (kWidth - subtitle.width) / 2 + subtitle.origin_x;
  Stamp(canvas, subtitle, subtitle_x, static_cast<int>(kRuleTop) + 34,
        [](double, double) { return kSubtitle; });

  // A one-pixel edge keeps the picture apart from whatever lies behind the splash window.
  canvas.Fill(
      Canvas::Minus(Canvas::Box(0, 0, kWidth, kHeight), Canvas::Box(1, 1, kWidth - 1, kHeight - 1)),
      kEdge);
  return true;
}

void PutU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// Uncompressed 24-bit BMP with a 40-byte information header, rows bottom-up, each padded to a
// multiple of four bytes; `rgb` holds the rows top to bottom.
std::vector<uint8_t> EncodeBmp(int width, int height, const std::vector<uint8_t>& rgb) {
  const size_t row_bytes = static_cast<size_t>(width) * 3;
  const size_t stride = (row_bytes + 3) & ~size_t{3};
  const size_t pixel_bytes = stride * static_cast<size_t>(height);
  std::vector<uint8_t> out;
  out.reserve(54 + pixel_bytes);
  out.push_back('B');
  out.push_back('M');
  PutU32(out, static_cast<uint32_t>(54 + pixel_bytes));
  PutU16(out, 0);
  PutU16(out, 0);
  PutU32(out, 54);
  PutU32(out, 40);
  PutU32(out, static_cast<uint32_t>(width));
  PutU32(out, static_cast<uint32_t>(height));  // positive: bottom-up
  PutU16(out, 1);                              // planes
  PutU16(out, 24);                             // bits per pixel
  PutU32(out, 0);                              // no compression
  PutU32(out, static_cast<uint32_t>(pixel_bytes));
  PutU32(out, 2835);  // 72 dots per inch
  PutU32(out, 2835);
  PutU32(out, 0);  // colours used
  PutU32(out, 0);  // colours important
  for (int y = height - 1; y >= 0; --y) {
    const uint8_t* row = rgb.data() + static_cast<size_t>(y) * row_bytes;
    for (int x = 0; x < width; ++x) {
      out.push_back(row[x * 3 + 2]);
      out.push_back(row[x * 3 + 1]);
      out.push_back(row[x * 3]);
    }
    out.insert(out.end(), stride - row_bytes, 0);
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path fonts = "/usr/share/fonts/truetype/dejavu";
  std::filesystem::path output;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--fonts" && i + 1 < argc) {
      fonts = argv[++i];
    } else if (output.empty() && !argument.starts_with("--")) {
      output = argument;
    } else {
      output.clear();
      break;
    }
  }
  if (output.empty()) {
    std::fprintf(stderr, "usage: %s [--fonts DIR] OUTPUT\n",
                 argc > 0 ? argv[0] : "zarv_makesplash");
    return 2;
  }

  Canvas canvas(kWidth, kHeight);
  std::string error;
  if (!Draw(fonts, canvas, error)) {
    std::fprintf(stderr, "zarv_makesplash: %s\n", error.c_str());
    return 1;
  }
  const std::vector<uint8_t> bytes =
      EncodeBmp(kWidth, kHeight, canvas.ToRgbOver(Colour::Hex(0x000000)));
  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "zarv_makesplash: cannot write %s\n", output.string().c_str());
    return 1;
  }
  return 0;
}
