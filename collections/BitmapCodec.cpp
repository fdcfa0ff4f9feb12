#include "collections/BitmapCodec.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "collections/CollectionBitmap.h"
#include "collections/CollectionLayout.h"
#include "collections/CollectionRecords.h"
#include "collections/RleCodec.h"

namespace cl = collection_layout;
namespace rec = collection_records;

namespace {

constexpr size_t kType1Bytes = 8;
constexpr size_t kControl = 3;  // the control byte's place in an eight-byte pixel

bool Fail(std::string& error, const std::string& reason) {
  error = reason;
  return false;
}

// Colour bytes of an eight-byte pixel, in stream order: b2, b1, b0, and when b2 has bit 0
// set, b6, b5, b4, b7.
bool ReadColour(ByteReader& in, uint8_t* pixel) {
  if (!in.ReadU8(pixel[2]) || !in.ReadU8(pixel[1]) || !in.ReadU8(pixel[0])) return false;
  if (pixel[2] & 1) {
    return in.ReadU8(pixel[6]) && in.ReadU8(pixel[5]) && in.ReadU8(pixel[4]) && in.ReadU8(pixel[7]);
  }
  return true;
}

void WriteColour(const uint8_t* pixel, ByteWriter& out) {
  out.WriteU8(pixel[2]);
  out.WriteU8(pixel[1]);
  out.WriteU8(pixel[0]);
  if (pixel[2] & 1) {
    out.WriteU8(pixel[6]);
    out.WriteU8(pixel[5]);
    out.WriteU8(pixel[4]);
    out.WriteU8(pixel[7]);
  }
}

bool ColourIsZero(const uint8_t* pixel) {
  for (size_t i = 0; i < kType1Bytes; ++i) {
    if (i != kControl && pixel[i] != 0) return false;
  }
  return true;
}

bool CarriesColour(uint8_t control) {
  return (control & 31) != 0;
}
bool StartsRun(uint8_t control) {
  return (control & 31) == 0 || (control & 31) == 31;
}

// The stream alternates between runs (a count, then that many pixels sharing the last control
// byte) and literals (each pixel with its own control byte). A literal whose control byte is 0
// or 31 in its low bits switches back to a run that repeats it.
bool DecodeType1(ByteReader& in, CollectionBitmap& out) {
  const size_t total = size_t{out.width} * out.height;
  uint8_t* pixels = out.pixels.data();
  size_t done = 0;
  uint8_t control = 0;
  bool run = true;
  while (done < total) {
    if (run) {
      uint8_t count = 0;
      if (!in.ReadU8(count) || count > total - done) return false;
      for (uint8_t i = 0; i < count; ++i, ++done) {
        uint8_t* pixel = pixels + done * kType1Bytes;
        pixel[kControl] = control;
        if ((control & 31) == 31 && !ReadColour(in, pixel)) return false;
      }
      run = false;
    } else {
      if (!in.ReadU8(control)) return false;
      uint8_t* pixel = pixels + done * kType1Bytes;
      pixel[kControl] = control;
      if (CarriesColour(control) && !ReadColour(in, pixel)) return false;
      ++done;
      run = StartsRun(control);
    }
  }
  return true;
}

// How many pixels from `from` on can follow a run of `control`: same control byte, and no
// colour when the run carries none.
size_t RunLength(const uint8_t* pixels, size_t from, size_t total, uint8_t control) {
  size_t count = 0;
  while (from + count < total && count < 255) {
    const uint8_t* pixel = pixels + (from + count) * kType1Bytes;
    if (pixel[kControl] != control) break;
    if (!CarriesColour(control) && !ColourIsZero(pixel)) break;
    ++count;
  }
  return count;
}

void WriteRun(const uint8_t* pixels, size_t& at, size_t total, uint8_t control, ByteWriter& out) {
  const size_t count = RunLength(pixels, at, total, control);
  out.WriteU8(static_cast<uint8_t>(count));
  if ((control & 31) == 31) {
    for (size_t i = 0; i < count; ++i) WriteColour(pixels + (at + i) * kType1Bytes, out);
  }
  at += count;
}

void EncodeType1(const CollectionBitmap& bitmap, ByteWriter& out) {
  const size_t total = size_t{bitmap.width} * bitmap.height;
  const uint8_t* pixels = bitmap.pixels.data();
  size_t at = 0;
  WriteRun(pixels, at, total, 0, out);
  while (at < total) {
    const uint8_t* pixel = pixels + at * kType1Bytes;
    const uint8_t control = pixel[kControl];
    out.WriteU8(control);
    if (CarriesColour(control)) WriteColour(pixel, out);
    ++at;
    if (StartsRun(control)) WriteRun(pixels, at, total, control, out);
  }
  out.WriteU8(0);
}

}  // namespace

bool BitmapCodec::Decode(std::span<const uint8_t> block, std::span<const uint8_t, 768> palette,
                         CollectionBitmap& out, std::string& error) {
  if (block.size() < cl::kBitmapHeaderSize) {
    return Fail(error, "block of " + std::to_string(block.size()) +
                           " bytes is shorter than a bitmap header");
  }
  rec::BitmapHeader h{};
  (void)rec::ReadRecords<rec::BitmapHeader>(block, std::span(&h, 1));
  ByteReader in(block);
  (void)in.Seek(cl::kBitmapHeaderSize);
  if (h.width == 0 || h.height == 0) {
    return Fail(error, "size " + std::to_string(h.width) + " x " + std::to_string(h.height));
  }
  if (h.log2_bytes >= 3) return Fail(error, "bytes per pixel out of range");
  h.flags &= cl::kBitmapReadMask;
  if (!(h.flags & cl::kBitmapPixelTypeValid)) h.pixel_type = 0;
  // Eight-byte pixels come from their stream whatever the bits field says; only indexed pixels
  // are laid out by it.
  if (h.pixel_type == 0) {
    if (h.bits != 8 * h.log2_bytes + 8) return Fail(error, "bits per pixel disagree with size");
    if (h.log2_bytes > 1) return Fail(error, "32-bit indexed pixels are not supported");
  } else if (h.pixel_type != 1) {
    return Fail(error, "unknown pixel type " + std::to_string(h.pixel_type));
  }
  const uint64_t pixel_count = uint64_t{h.width} * h.height;
  if (pixel_count > kMaxPixels) return Fail(error, "too many pixels");

  if (!(h.flags & cl::kBitmapNoRowSlots)) {
    if (!in.Skip((size_t{h.height} - 1) * 4)) return Fail(error, "row slots cut short");
  }
  h.flags &= static_cast<uint16_t>(~cl::kBitmapNoRowSlots);

  out.width = h.width;
  out.height = h.height;
  out.read_bits = h.bits;
  out.placeholder = false;
  out.kept_block.clear();
  const size_t stored_bytes = size_t{1} << h.log2_bytes;
  bool partial = false;

  if (h.pixel_type == 1) {
    out.bytes_per_pixel = static_cast<uint16_t>(kType1Bytes);
    // A run's count byte stands for at most 255 pixels, so a stream that could not cover the
    // stated size is refused before a buffer of that size is made.
    if (pixel_count > uint64_t{in.remaining()} * 255) {
      return Fail(error, "pixel stream overruns the block");
    }
    out.pixels.assign(pixel_count * kType1Bytes, 0);
    if (!DecodeType1(in, out)) return Fail(error, "pixel stream overruns the block");
  } else {
    out.bytes_per_pixel = 2;
    RleCodec::PixelForm form(static_cast<int>(stored_bytes));
    if ((h.flags & cl::kBitmapAlphaFromColor) && stored_bytes == 1) {
      form.SetAlphaFromColors(palette);
    }
    // Every pixel below is written, so the buffer needs no clearing first. The expansion
    // gives alphas in multiples of 17 and index 0 under alpha 0, so the pixels come out
    // normalised and only the partial-alpha flag is left to set.
    if (h.flags & cl::kBitmapRle) {
      // Every row takes at least its two counts, so a short block is refused before allocating.
      if (in.remaining() < size_t{h.height} * 4) return Fail(error, "RLE rows cut short");
      // The buffer grows with the rows that decode: four bytes can stand for a whole row, so
      // a malformed block would otherwise make a buffer of its full stated size first.
      out.pixels.clear();
      const bool padded = (h.flags & cl::kBitmapRowsPadded) != 0;
      const size_t row_bytes = size_t{h.width} * 2;
      for (size_t y = 0; y < h.height; ++y) {
        out.pixels.resize((y + 1) * row_bytes);
        std::span<uint8_t> row(out.pixels.data() + y * row_bytes, row_bytes);
        if (!RleCodec::DecodeRow(in, form, padded, row, partial)) {
          return Fail(error, "RLE row " + std::to_string(y) + " is malformed");
        }
      }
    } else {
      std::span<const uint8_t> raw;
      if (!in.ReadView(pixel_count * stored_bytes, raw)) return Fail(error, "RAW pixels cut short");
      out.pixels.resize(pixel_count * 2);
      partial = form.Expand(raw.data(), pixel_count, out.pixels.data());
    }
  }
  out.flags = h.flags & static_cast<uint16_t>(~cl::kBitmapAlphaFromColor);
  if (out.IsIndexed()) {
    out.flags = partial ? (out.flags | cl::kBitmapPartialAlpha)
                        : (out.flags & static_cast<uint16_t>(~cl::kBitmapPartialAlpha));
  } else {
    // Type-1 blocks are always written raw and without the partial-alpha layout bit; dropping
    // those bits here keeps what the frame views derive from them the same after a save.
    out.flags &=
        static_cast<uint16_t>(~(cl::kBitmapPartialAlpha | cl::kBitmapRle | cl::kBitmapRowsPadded));
  }
  return true;
}

void BitmapCodec::Encode(const CollectionBitmap& bitmap, ByteWriter& out) {
  if (bitmap.placeholder) {
    out.WriteBytes(bitmap.kept_block);
    return;
  }
  rec::BitmapHeader h{};
  h.width = bitmap.width;
  h.height = bitmap.height;
  if (!bitmap.IsIndexed()) {
    h.flags = static_cast<uint16_t>(cl::kBitmapPixelTypeValid | cl::kBitmapNoRowSlots |
                                    (bitmap.flags & 0x8000));
    h.bits = 64;
    h.log2_bytes = 0;
    h.bytes_per_row = static_cast<uint16_t>(kType1Bytes * bitmap.width);
    h.pixel_type = 1;
    rec::AppendRecord(h, out);
    EncodeType1(bitmap, out);
    return;
  }
  const bool rle = bitmap.IsRle();
  // One-byte pixels read index 0 as transparent, so a visible pixel of colour 0 needs the
  // two-byte form as much as partial alpha does; otherwise it would vanish on the next load.
  bool visible_zero = false;
  for (size_t i = 0; i + 1 < bitmap.pixels.size() && !visible_zero; i += 2) {
    visible_zero = bitmap.pixels[i] != 0 && bitmap.pixels[i + 1] == 0;
  }
  const bool sixteen = (bitmap.flags & cl::kBitmapPartialAlpha) != 0 || visible_zero;
  // The stored flags keep their meaning bits; the layout bits are set from how the block is
  // written, including "partial alpha", which tells the game the pixels are 16-bit.
  h.flags = bitmap.flags & cl::kBitmapWriteMask;
  if (rle) h.flags |= cl::kBitmapRle | cl::kBitmapRowsPadded;
  if (sixteen) h.flags |= cl::kBitmapPartialAlpha;
  h.bits = sixteen ? 16 : 8;
  h.log2_bytes = sixteen ? 1 : 0;
  h.bytes_per_row = static_cast<uint16_t>((sixteen ? 2 : 1) * bitmap.width);
  rec::AppendRecord(h, out);
  if (bitmap.height > 0) out.WriteZeros((size_t{bitmap.height} - 1) * 4);

  const size_t row_bytes = size_t{bitmap.width} * 2;
  if (rle) {
    std::vector<uint8_t> scratch;
    for (size_t y = 0; y < bitmap.height; ++y) {
      RleCodec::EncodeRow(std::span(bitmap.pixels.data() + y * row_bytes, row_bytes),
                          sixteen ? 2 : 1, out, scratch);
    }
    return;
  }
  const size_t count = size_t{bitmap.width} * bitmap.height;
  std::vector<uint8_t> raw(count * (sixteen ? 2 : 1));
  uint8_t* target = raw.data();
  for (size_t i = 0; i < count; ++i) {
    const uint8_t alpha = bitmap.pixels[i * 2];
    const uint8_t index = bitmap.pixels[i * 2 + 1];
    if (sixteen) {
      *target++ = RleCodec::NibbleOfAlpha(alpha);
      *target++ = index;
    } else {
      *target++ = alpha != 0 ? index : 0;
    }
  }
  out.WriteBytes(raw);
}

void BitmapCodec::MakePlaceholder(uint8_t light_index, uint8_t dark_index, CollectionBitmap& out) {
  constexpr int kSide = 256;
  out.width = kSide;
  out.height = kSide;
  out.bytes_per_pixel = 2;
  constexpr size_t kRow = size_t{kSide} * 2;
  out.pixels.resize(kRow * kSide);
  // A load may stand a placeholder in for hundreds of bitmaps, so the checks are drawn as two
  // rows (the bands starting light and dark) and copied, rather than pixel by pixel.
  uint8_t* pixels = out.pixels.data();
  for (int band = 0; band < 2; ++band) {
    uint8_t* row = pixels + size_t{16} * band * kRow;
    for (int x = 0; x < kSide; ++x) {
      row[x * 2] = 255;
      row[x * 2 + 1] = ((x ^ (band * 16)) & 16) ? dark_index : light_index;
    }
  }
  for (int y = 0; y < kSide; ++y) {
    if (y == 0 || y == 16) continue;
    std::memcpy(pixels + size_t{static_cast<unsigned>(y)} * kRow,
                pixels + ((y & 16) ? 16 : 0) * kRow, kRow);
  }
}
