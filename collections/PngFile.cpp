#include "collections/PngFile.h"

#include <png.h>

#include <algorithm>
#include <cstring>

// libpng reports errors by longjmp. The functions holding setjmp below keep no C++ objects of
// their own: everything with a destructor lives in the caller's state, so a jump out of libpng
// skips nothing that needs cleaning up.

namespace {

// Deflate cannot shrink data by more than about 1032:1; rows claiming more than that from a
// file of this length cannot be real.
constexpr uint64_t kMaxInflation = 1032;

struct PngState {
  std::span<const uint8_t> file;
  size_t position = 0;
  std::string message;
};

void OnError(png_structp png, png_const_charp text) {
  auto* state = static_cast<PngState*>(png_get_error_ptr(png));
  state->message = text ? text : "libpng error";
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadBytes(png_structp png, png_bytep out, size_t count) {
  auto* state = static_cast<PngState*>(png_get_io_ptr(png));
  if (count > state->file.size() - state->position) png_error(png, "the PNG file is cut short");
  std::memcpy(out, state->file.data() + state->position, count);
  state->position += count;
}

// Kept out of the functions that hold setjmp: the strings built here would live in their frame.
[[gnu::noinline]] void SayUnsupported(PngState& state, const char* before, int value,
                                      const char* after) {
  state.message = before + std::to_string(value) + after;
}

bool ReadImpl(png_structp png, png_infop info, PngState& state, Image& image, bool pixels) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, &state, ReadBytes);
  png_read_info(png, info);
  png_uint_32 width = 0, height = 0;
  int depth = 0, color_type = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &color_type, &interlace, nullptr, nullptr);
  // Whatever the paint program wrote becomes one of the four 8-bit layouts: grey with alpha
  // as RGBA, 16-bit samples rounded to 8 bits, and packed low-depth pixels one to a byte
  // (grey levels scaled to 0-255, palette indices kept as they are).
  const bool depth_ok =
      depth == 8 || depth == 16 ||
      ((color_type == PNG_COLOR_TYPE_GRAY || color_type == PNG_COLOR_TYPE_PALETTE) &&
       (depth == 1 || depth == 2 || depth == 4));
  if (!depth_ok) {
    SayUnsupported(state, "the PNG has ", depth, " bits per sample");
    return false;
  }
  ImageFormat format;
  switch (color_type) {
    case PNG_COLOR_TYPE_GRAY:
      format = ImageFormat::kGreyscale;
      if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
      break;
    case PNG_COLOR_TYPE_RGB:
      format = ImageFormat::kRgb;
      break;
    case PNG_COLOR_TYPE_PALETTE:
      format = ImageFormat::kIndexed;
      if (depth < 8) png_set_packing(png);
      break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      format = ImageFormat::kRgba;
      break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      format = ImageFormat::kRgba;
      png_set_gray_to_rgb(png);
      break;
    default:
      SayUnsupported(state, "unsupported PNG colour type ", color_type, "");
      return false;
  }
  // (v * 255 + 32895) >> 16: v * 255 / 65535 to the nearest integer.
  if (depth == 16) png_set_scale_16(png);
  const uint64_t row_bytes = uint64_t{width} * BytesPerPixel(format);
  // The stored rows, before any expansion, are what the compressed data must account for.
  const uint64_t stored_row_bytes = png_get_rowbytes(png, info);
  if ((stored_row_bytes + 1) * height > state.file.size() * kMaxInflation + 65536) {
    state.message = "the PNG's size does not fit its length";
    return false;
  }
  if (!image.setSize(width, height, format)) {
    state.message = "the PNG image is too large";
    return false;
  }
  image.setPalette(0, nullptr);
  if (format == ImageFormat::kIndexed) {
    png_colorp colors = nullptr;
    int count = 0;
    if (!png_get_PLTE(png, info, &colors, &count) || count < 1 || count > 256) {
      state.message = "the PNG's palette is missing or too large";
      return false;
    }
    uint8_t palette[768] = {};
    for (int i = 0; i < count; ++i) {
      palette[i * 3] = colors[i].red;
      palette[i * 3 + 1] = colors[i].green;
      palette[i * 3 + 2] = colors[i].blue;
    }
    image.setPalette(static_cast<uint32_t>(count), palette);
  }
  if (!pixels) return true;
  // libpng puts each pass's pixels into place in rows that keep the earlier passes, so every
  // row is handed over once per pass.
  const int passes = interlace == PNG_INTERLACE_NONE ? 1 : png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != row_bytes) {
    state.message = "unexpected PNG row size";
    return false;
  }
  uint8_t* base = image.mutablePixels().data();
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, base + y * row_bytes, nullptr);
  }
  png_read_end(png, nullptr);
  return true;
}

bool WriteImpl(png_structp png, png_infop info, std::FILE* file, const Image& image,
               const png_color* palette, int palette_count) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  int color_type = PNG_COLOR_TYPE_RGB_ALPHA;
  if (image.is(ImageFormat::kIndexed)) {
    color_type = palette_count > 0 ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_GRAY;
  } else if (image.is(ImageFormat::kGreyscale)) {
    color_type = PNG_COLOR_TYPE_GRAY;
  } else if (image.is(ImageFormat::kRgb)) {
    color_type = PNG_COLOR_TYPE_RGB;
  }
  png_set_IHDR(png, info, image.width(), image.height(), 8, color_type, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (color_type == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette, palette_count);
  png_write_info(png, info);
  const size_t row = size_t{image.width()} * image.bytesPerPixel();
  const uint8_t* base = image.pixels().data();
  for (uint32_t y = 0; y < image.height(); ++y) {
    png_write_row(png, base + y * row);
  }
  png_write_end(png, info);
  return true;
}

}  // namespace

bool PngFile::Read(std::span<const uint8_t> file, Image& image, bool pixels, std::string& error) {
  if (file.size() < 8 || png_sig_cmp(file.data(), 0, 8) != 0) {
    error = "not a PNG file";
    return false;
  }
  PngState state;
  state.file = file;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
  if (!png) {
    error = "libpng could not start";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  const bool ok = info && ReadImpl(png, info, state, image, pixels);
  png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  if (!ok) error = state.message.empty() ? "the PNG file could not be read" : state.message;
  return ok;
}

bool PngFile::Write(std::FILE* file, const Image& image, std::string& error) {
  if (!image.is(ImageFormat::kIndexed) && !image.is(ImageFormat::kGreyscale) &&
      !image.is(ImageFormat::kRgb) && !image.is(ImageFormat::kRgba)) {
    error = std::string("PNG files cannot hold ") + FormatName(image.format()) + " pixels";
    return false;
  }
  if (image.width() == 0 || image.height() == 0) {
    error = "an empty image cannot be written as PNG";
    return false;
  }
  // A palette must cover every index in use, or readers refuse the file.
  png_color palette[256] = {};
  int palette_count = 0;
  if (image.is(ImageFormat::kIndexed) && image.hasPalette()) {
    const std::span<const uint8_t> pixels = image.pixels();
    const uint8_t highest = *std::max_element(pixels.begin(), pixels.end());
    palette_count = static_cast<int>(std::max<uint32_t>(image.paletteCount(), highest + 1u));
    for (int i = 0; i < palette_count; ++i) {
      palette[i] = {image.palette()[i * 3], image.palette()[i * 3 + 1], image.palette()[i * 3 + 2]};
    }
  }
  PngState state;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
  if (!png) {
    error = "libpng could not start";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  const bool ok = info && WriteImpl(png, info, file, image, palette, palette_count);
  png_destroy_write_struct(&png, info ? &info : nullptr);
  if (!ok) error = state.message.empty() ? "the PNG file could not be written" : state.message;
  return ok;
}
