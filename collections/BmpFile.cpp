#include "collections/BmpFile.h"

#include <algorithm>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
// The larger information headers (what most paint programs and ImageMagick write) begin like
// the 40-byte one and add colour masks, colour space and, for V5, a profile.
constexpr uint32_t kV4HeaderSize = 108;
constexpr uint32_t kV5HeaderSize = 124;
constexpr uint32_t kBitFields = 3;

// Which byte of a stored pixel a channel mask selects: 0-3, or -1 when the mask is 0. -2 for
// a mask that is not one whole byte (no eight-bit layout of ours can hold it).
int MaskByte(uint32_t mask) {
  if (mask == 0) return -1;
  for (int k = 0; k < 4; ++k) {
    if (mask == uint32_t{0xFF} << (8 * k)) return k;
  }
  return -2;
}
constexpr int32_t kMaxSide = 32767;

}  // namespace

bool BmpFile::ReadHeader(std::span<const uint8_t> file, Layout& layout, std::string& error) {
  ByteReader reader(file);
  uint8_t b = 0, m = 0;
  uint32_t file_size = 0, offset = 0;
  uint16_t reserved = 0;
  if (!reader.ReadU8(b) || !reader.ReadU8(m) || b != 'B' || m != 'M') {
    error = "not a BMP file";
    return false;
  }
  uint32_t header_size = 0, compression = 0, image_size = 0, colors_used = 0, important = 0;
  int32_t width = 0, height = 0, x_res = 0, y_res = 0;
  uint16_t planes = 0, bit_count = 0;
  (void)reader.ReadU32Le(file_size);
  (void)reader.ReadU16Le(reserved);
  (void)reader.ReadU16Le(reserved);
  (void)reader.ReadU32Le(offset);
  (void)reader.ReadU32Le(header_size);
  if (reader.failed()) {
    error = "the BMP header is cut short";
    return false;
  }
  if (header_size != kInfoHeaderSize && header_size != kV4HeaderSize &&
      header_size != kV5HeaderSize) {
    error = "unsupported BMP header of " + std::to_string(header_size) + " bytes";
    return false;
  }
  (void)reader.ReadI32Le(width);
  (void)reader.ReadI32Le(height);
  (void)reader.ReadU16Le(planes);
  (void)reader.ReadU16Le(bit_count);
  (void)reader.ReadU32Le(compression);
  (void)reader.ReadU32Le(image_size);
  (void)reader.ReadI32Le(x_res);
  (void)reader.ReadI32Le(y_res);
  (void)reader.ReadU32Le(colors_used);
  (void)reader.ReadU32Le(important);
  if (reader.failed()) {
    error = "the BMP header is cut short";
    return false;
  }
  if (width < 1 || width > kMaxSide || height == 0 || height < -kMaxSide || height > kMaxSide) {
    error = "BMP size out of range";
    return false;
  }
  if (planes != 1) {
    error = "BMP plane count is not 1";
    return false;
  }
  // Bit fields on 32-bit pixels only rearrange bytes; any other compression is refused.
  if (compression != 0 && !(compression == kBitFields && bit_count == 32)) {
    error = "compressed BMP files are not supported";
    return false;
  }
  // Stored byte of red, green, blue and alpha: the usual BGRA unless masks say otherwise.
  int channel[4] = {2, 1, 0, bit_count == 32 ? 3 : -1};
  if (compression == kBitFields) {
    // The masks follow a 40-byte header and are part of the larger ones.
    uint32_t masks[4] = {0, 0, 0, 0};
    const int mask_count = header_size == kInfoHeaderSize ? 3 : 4;
    for (int k = 0; k < mask_count; ++k) (void)reader.ReadU32Le(masks[k]);
    if (reader.failed()) {
      error = "the BMP header is cut short";
      return false;
    }
    bool usable = true;
    for (int k = 0; k < 4; ++k) {
      channel[k] = MaskByte(masks[k]);
      if (channel[k] == -2 || (k < 3 && channel[k] < 0)) usable = false;
    }
    for (int a = 0; a < 4 && usable; ++a) {
      for (int b = a + 1; b < 4; ++b)
        usable = usable && (channel[a] < 0 || channel[a] != channel[b]);
    }
    if (!usable) {
      error = "unsupported BMP colour masks";
      return false;
    }
  }
  if (header_size > kInfoHeaderSize) {
    const size_t header_end = kFileHeaderSize + header_size;
    if (reader.position() > header_end || !reader.Skip(header_end - reader.position())) {
      error = "the BMP header is cut short";
      return false;
    }
  }
  std::copy_n(channel, 4, layout.channel);
  // 1- and 4-bit files are paletted too (ImageMagick writes two-colour pictures as 1-bit).
  const bool paletted = bit_count == 1 || bit_count == 4 || bit_count == 8;
  if (!paletted && bit_count != 24 && bit_count != 32) {
    error = "unsupported BMP depth of " + std::to_string(bit_count) + " bits";
    return false;
  }
  const uint32_t full_table = 1u << (paletted ? bit_count : 0);
  if (paletted) {
    // 0 colours used means a full table, and then any number of them may be important.
    const uint32_t table = colors_used == 0 ? full_table : colors_used;
    if (colors_used > full_table || important > table) {
      error = "BMP colour counts out of range";
      return false;
    }
  } else if (colors_used != 0 || important != 0) {
    error = "a true-colour BMP must not have a colour table";
    return false;
  }

  layout.width = static_cast<uint32_t>(width);
  layout.height = static_cast<uint32_t>(height < 0 ? -height : height);
  layout.bottomUp = height > 0;
  layout.palette.fill(0);
  layout.paletteCount = 0;
  layout.bits = bit_count;
  if (paletted) {
    layout.format = ImageFormat::kIndexed;
    layout.paletteCount = colors_used == 0 ? full_table : colors_used;
    for (uint32_t i = 0; i < layout.paletteCount; ++i) {
      uint8_t bgrx[4];
      if (!reader.ReadBytes(bgrx)) {
        error = "the BMP colour table is cut short";
        return false;
      }
      layout.palette[i * 3] = bgrx[2];
      layout.palette[i * 3 + 1] = bgrx[1];
      layout.palette[i * 3 + 2] = bgrx[0];
    }
  } else {
    layout.format = bit_count == 24 ? ImageFormat::kRgb : ImageFormat::kRgba;
  }

  const uint64_t pixel_bytes = (uint64_t{layout.width} * bit_count + 7) / 8;
  layout.rowBytes = (pixel_bytes + 3) & ~uint64_t{3};
  // Some writers leave the padding off the last row; nothing in it is needed.
  const uint64_t needed = layout.rowBytes * (layout.height - 1) + pixel_bytes;
  const uint64_t table_end = reader.position();
  // A writer may leave a gap (or more header) before the rows: the offset says where they are.
  // An offset that points back into the headers is a writer's mistake, and the rows then
  // follow the colour table.
  layout.pixelOffset = offset >= table_end ? offset : table_end;
  if (layout.pixelOffset > file.size() || file.size() - layout.pixelOffset < needed) {
    error = "the BMP pixel data is cut short";
    layout.pixelsCutShort = true;
    return false;
  }
  return true;
}

bool BmpFile::ReadPixels(std::span<const uint8_t> file, const Layout& layout, Image& image,
                         std::string& error) {
  if (!image.setSize(layout.width, layout.height, layout.format)) {
    error = "the BMP image is too large";
    return false;
  }
  image.setPalette(layout.format == ImageFormat::kIndexed ? layout.paletteCount : 0,
                   layout.palette.data());
  const uint32_t bpp = BytesPerPixel(layout.format);
  const size_t row = size_t{layout.width} * bpp;
  std::span<uint8_t> pixels = image.mutablePixels();
  // Stored as B, G, R(, A): copied and swapped; other masks are gathered byte by byte.
  const bool standard = bpp < 3 || (layout.channel[0] == 2 && layout.channel[1] == 1 &&
                                    layout.channel[2] == 0 && (bpp == 3 || layout.channel[3] == 3));
  ByteReader reader(file);
  if (!reader.Seek(static_cast<size_t>(layout.pixelOffset))) {
    error = "the BMP pixel data is cut short";
    return false;
  }
  for (uint32_t stored = 0; stored < layout.height; ++stored) {
    const uint32_t y = layout.bottomUp ? layout.height - 1 - stored : stored;
    std::span<const uint8_t> source;
    const size_t take = std::min<uint64_t>(layout.rowBytes, reader.remaining());
    const size_t stored_row = (size_t{layout.width} * layout.bits + 7) / 8;
    if (take < stored_row || !reader.ReadView(take, source)) {
      error = "the BMP pixel data is cut short";
      return false;
    }
    uint8_t* dest = &pixels[size_t{y} * row];
    if (layout.bits < 8) {
      // Packed indices, the leftmost pixel in the high bits.
      const uint32_t per_byte = 8 / layout.bits;
      const uint32_t mask = (1u << layout.bits) - 1;
      for (size_t x = 0; x < row; ++x) {
        const uint32_t shift = 8 - layout.bits * (1 + uint32_t(x % per_byte));
        dest[x] = static_cast<uint8_t>((source[x / per_byte] >> shift) & mask);
      }
    } else if (standard) {
      std::copy_n(source.data(), row, dest);
      if (bpp >= 3) {
        for (size_t x = 0; x < row; x += bpp) std::swap(dest[x], dest[x + 2]);
      }
    } else {
      for (size_t x = 0; x < row; x += bpp) {
        for (uint32_t c = 0; c < bpp; ++c) {
          dest[x + c] = layout.channel[c] < 0 ? 255 : source[x + size_t(layout.channel[c])];
        }
      }
    }
  }
  return true;
}

bool BmpFile::Read(std::span<const uint8_t> file, Image& image, std::string& error) {
  Layout layout;
  return ReadHeader(file, layout, error) && ReadPixels(file, layout, image, error);
}

bool BmpFile::Encode(const Image& image, std::vector<uint8_t>& out, std::string& error) {
  uint16_t bit_count = 0;
  if (image.is(ImageFormat::kIndexed) || image.is(ImageFormat::kGreyscale)) {
    bit_count = 8;
  } else if (image.is(ImageFormat::kRgb)) {
    bit_count = 24;
  } else if (image.is(ImageFormat::kRgba)) {
    bit_count = 32;
  } else {
    error = std::string("BMP files cannot hold ") + FormatName(image.format()) + " pixels";
    return false;
  }
  if (image.width() == 0 || image.height() == 0 || image.width() > uint32_t{kMaxSide} ||
      image.height() > uint32_t{kMaxSide}) {
    error = "a BMP file holds 1 to 32767 pixels each way";
    return false;
  }
  // Greyscale (or an indexed image that lost its palette) gets the grey ramp.
  const bool grey_ramp =
      bit_count == 8 && (image.is(ImageFormat::kGreyscale) || !image.hasPalette());
  const uint32_t entries = bit_count != 8 ? 0 : grey_ramp ? 256 : image.paletteCount();

  ByteWriter w;
  w.WriteU8('B');
  w.WriteU8('M');
  w.WriteU32Le(0);
  w.WriteU16Le(0);
  w.WriteU16Le(0);
  w.WriteU32Le(kFileHeaderSize + kInfoHeaderSize + 4 * entries);
  w.WriteU32Le(kInfoHeaderSize);
  w.WriteI32Le(static_cast<int32_t>(image.width()));
  w.WriteI32Le(static_cast<int32_t>(image.height()));
  w.WriteU16Le(1);
  w.WriteU16Le(bit_count);
  w.WriteU32Le(0);
  w.WriteU32Le(0);
  w.WriteU32Le(0);
  w.WriteU32Le(0);
  w.WriteU32Le(bit_count == 8 ? (entries == 0 ? 256 : entries) : 0);
  w.WriteU32Le(0);
  const std::span<const uint8_t> palette = image.palette();
  for (uint32_t i = 0; i < entries; ++i) {
    if (grey_ramp) {
      const auto v = static_cast<uint8_t>(i);
      const uint8_t entry[4] = {v, v, v, 0};
      w.WriteBytes(entry);
    } else {
      const uint8_t entry[4] = {palette[i * 3 + 2], palette[i * 3 + 1], palette[i * 3], 0};
      w.WriteBytes(entry);
    }
  }
  const uint32_t bpp = bit_count / 8;
  const size_t row = size_t{image.width()} * bpp;
  const size_t padding = (4 - row % 4) % 4;
  std::vector<uint8_t> scratch(row);
  const std::span<const uint8_t> pixels = image.pixels();
  for (uint32_t y = image.height(); y-- > 0;) {
    std::copy_n(&pixels[size_t{y} * row], row, scratch.data());
    if (bpp >= 3) {
      for (size_t x = 0; x < row; x += bpp) std::swap(scratch[x], scratch[x + 2]);
    }
    w.WriteBytes(scratch);
    w.WriteZeros(padding);
  }
  out = w.Take();
  return true;
}
