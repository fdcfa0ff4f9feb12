#include "gl/ClipboardPng.h"

#include <png.h>

#include <cstring>

// libpng reports errors by longjmp. The functions holding setjmp keep no C++ objects of their
// own: whatever has a destructor lives in the caller's state, so a jump skips no clean-up.

namespace {

// Deflate shrinks data by about 1032:1 at most; rows claiming more than that from data of this
// length cannot be real.
constexpr uint64_t kMaxInflation = 1032;
// 192 MiB of RGB is far beyond any screen a snapshot comes from.
constexpr uint64_t kMaxPixels = uint64_t{1} << 26;

struct PngState {
  std::span<const uint8_t> in;
  size_t position = 0;
  std::vector<uint8_t>* out = nullptr;
  std::vector<uint8_t> rgba;
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
  if (count > state->in.size() - state->position) png_error(png, "the PNG data is cut short");
  std::memcpy(out, state->in.data() + state->position, count);
  state->position += count;
}

void WriteBytes(png_structp png, png_bytep data, size_t count) {
  auto* state = static_cast<PngState*>(png_get_io_ptr(png));
  state->out->insert(state->out->end(), data, data + count);
}

void Flush(png_structp) {}

// Kept out of DecodeImpl: the strings built here would live in the frame that holds setjmp.
[[gnu::noinline]] void SayTooLarge(PngState& state, png_uint_32 width, png_uint_32 height) {
  state.message = "the PNG's size " + std::to_string(width) + " x " + std::to_string(height) +
                  " does not fit its " + std::to_string(state.in.size()) + " bytes";
}

bool DecodeImpl(png_structp png, png_infop info, PngState& state, png_uint_32& width,
                png_uint_32& height) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, &state, ReadBytes);
  png_read_info(png, info);
  width = png_get_image_width(png, info);
  height = png_get_image_height(png, info);
  const uint64_t stored_row = png_get_rowbytes(png, info);
  if (uint64_t{width} * height > kMaxPixels ||
      (stored_row + 1) * height > state.in.size() * kMaxInflation + 65536) {
    SayTooLarge(state, width, height);
    return false;
  }
  // Everything becomes 8-bit RGBA, so one check finds a translucent pixel whatever the source.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const size_t row = size_t{width} * 4;
  if (png_get_rowbytes(png, info) != row) {
    state.message = "unexpected PNG row size";
    return false;
  }
  state.rgba.resize(row * height);
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, &state.rgba[y * row], nullptr);
  }
  png_read_end(png, nullptr);
  return true;
}

bool EncodeImpl(png_structp png, png_infop info, PngState& state, const uint8_t* rgb, int32_t width,
                int32_t height) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, &state, WriteBytes, Flush);
  // Transfers stay on this machine: speed matters more than size.
  png_set_compression_level(png, 1);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int32_t y = 0; y < height; ++y) {
    png_write_row(png, rgb + static_cast<size_t>(y) * width * 3);
  }
  png_write_end(png, info);
  return true;
}

}  // namespace

bool ClipboardPng::Encode(const uint8_t* rgb, int32_t width, int32_t height,
                          std::vector<uint8_t>& png_bytes) {
  png_bytes.clear();
  PngState state;
  state.out = &png_bytes;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  const bool ok = info && EncodeImpl(png, info, state, rgb, width, height);
  png_destroy_write_struct(&png, info ? &info : nullptr);
  return ok;
}

bool ClipboardPng::Decode(std::span<const uint8_t> data, std::vector<uint8_t>& rgb, int32_t& width,
                          int32_t& height, std::string& error) {
  if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0) {
    error = "not PNG data";
    return false;
  }
  PngState state;
  state.in = data;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
  if (!png) {
    error = "libpng could not start";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  png_uint_32 w = 0, h = 0;
  const bool ok = info && DecodeImpl(png, info, state, w, h);
  png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  if (!ok) {
    error = state.message.empty() ? "the PNG data could not be read" : state.message;
    return false;
  }
  const size_t pixels = size_t{w} * h;
  for (size_t i = 0; i < pixels; ++i) {
    if (state.rgba[i * 4 + 3] != 255) {
      error = "the image has transparent pixels; only opaque images are taken";
      return false;
    }
  }
  rgb.resize(pixels * 3);
  for (size_t i = 0; i < pixels; ++i) std::memcpy(&rgb[i * 3], &state.rgba[i * 4], 3);
  width = static_cast<int32_t>(w);
  height = static_cast<int32_t>(h);
  return true;
}
