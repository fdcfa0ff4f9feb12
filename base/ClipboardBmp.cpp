#include "base/ClipboardBmp.h"

#include "base/ByteReader.h"
#include "base/ByteWriter.h"

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;

uint64_t PaddedRowBytes(uint64_t width) {
  return (width * 3 + 3) & ~uint64_t{3};
}

}  // namespace

std::vector<uint8_t> ClipboardBmp::Encode(const uint8_t* rgb, int32_t width, int32_t height) {
  const uint64_t row_bytes = PaddedRowBytes(static_cast<uint64_t>(width));
  const uint64_t image_bytes = row_bytes * static_cast<uint64_t>(height);
  ByteWriter out;
  out.WriteU8('B');
  out.WriteU8('M');
  out.WriteU32Le(static_cast<uint32_t>(kFileHeaderSize + kInfoHeaderSize + image_bytes));
  out.WriteU32Le(0);
  out.WriteU32Le(kFileHeaderSize + kInfoHeaderSize);
  out.WriteU32Le(kInfoHeaderSize);
  out.WriteI32Le(width);
  out.WriteI32Le(height);  // positive: bottom-up
  out.WriteU16Le(1);
  out.WriteU16Le(24);
  out.WriteU32Le(0);  // uncompressed
  out.WriteU32Le(static_cast<uint32_t>(image_bytes));
  out.WriteU32Le(2835);  // 72 dots an inch
  out.WriteU32Le(2835);
  out.WriteU32Le(0);
  out.WriteU32Le(0);
  std::vector<uint8_t> row(row_bytes, 0);
  for (int32_t y = height - 1; y >= 0; --y) {
    const uint8_t* src = rgb + static_cast<size_t>(y) * width * 3;
    for (int32_t x = 0; x < width; ++x) {
      row[x * 3] = src[x * 3 + 2];
      row[x * 3 + 1] = src[x * 3 + 1];
      row[x * 3 + 2] = src[x * 3];
    }
    out.WriteBytes(row);
  }
  return out.Take();
}

bool ClipboardBmp::Decode(std::span<const uint8_t> data, std::vector<uint8_t>& rgb, int32_t& width,
                          int32_t& height, std::string& error) {
  ByteReader in(data);
  const bool has_file_header = data.size() >= 2 && data[0] == 'B' && data[1] == 'M';
  uint32_t pixel_offset = 0;
  if (has_file_header && (!in.Skip(10) || !in.ReadU32Le(pixel_offset))) {
    error = "the bitmap's file header is cut short";
    return false;
  }
  const uint64_t info_start = in.position();
  uint32_t header_size = 0, compression = 0, colors_used = 0;
  int32_t w = 0, h = 0;
  uint16_t planes = 0, bits = 0;
  if (!in.ReadU32Le(header_size) || !in.ReadI32Le(w) || !in.ReadI32Le(h) || !in.ReadU16Le(planes) ||
      !in.ReadU16Le(bits) || !in.ReadU32Le(compression) || !in.Skip(12) ||
      !in.ReadU32Le(colors_used)) {
    error = "the bitmap's information header is cut short";
    return false;
  }
  if (header_size < kInfoHeaderSize || info_start + header_size > data.size()) {
    error = "the bitmap's header size " + std::to_string(header_size) + " is not usable";
    return false;
  }
  if (bits != 24 || planes != 1) {
    error = "the bitmap has " + std::to_string(bits) + " bits a pixel; only 24 are taken";
    return false;
  }
  if (compression != 0) {
    error = "the bitmap is compressed";
    return false;
  }
  // INT32_MIN has no positive counterpart in 32 bits, hence the 64-bit magnitude.
  const int64_t rows = h < 0 ? -int64_t{h} : int64_t{h};
  if (w <= 0 || rows == 0 || rows > INT32_MAX) {
    error = "the bitmap's size " + std::to_string(w) + " x " + std::to_string(h) + " is not usable";
    return false;
  }
  // A bare bitmap has its pixels right after the header and the optional colour table.
  const uint64_t start = has_file_header ? uint64_t{pixel_offset}
                                         : info_start + header_size + uint64_t{colors_used} * 4;
  const uint64_t row_bytes = PaddedRowBytes(static_cast<uint64_t>(w));
  if (start < info_start + header_size || start > data.size() ||
      row_bytes * static_cast<uint64_t>(rows) > data.size() - start) {
    error = "the bitmap's rows do not fit in its " + std::to_string(data.size()) + " bytes";
    return false;
  }
  const bool bottom_up = h > 0;
  rgb.resize(static_cast<size_t>(w) * 3 * static_cast<size_t>(rows));
  for (int64_t y = 0; y < rows; ++y) {
    const uint8_t* src = data.data() + start + (bottom_up ? rows - 1 - y : y) * row_bytes;
    uint8_t* dst = rgb.data() + static_cast<size_t>(y) * w * 3;
    for (int32_t x = 0; x < w; ++x) {
      dst[x * 3] = src[x * 3 + 2];
      dst[x * 3 + 1] = src[x * 3 + 1];
      dst[x * 3 + 2] = src[x * 3];
    }
  }
  width = w;
  height = static_cast<int32_t>(rows);
  return true;
}
