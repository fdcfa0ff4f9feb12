#include "collections/RleCodec.h"

#include <algorithm>
#include <cstring>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

uint16_t Be16(const uint8_t* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

// Memory form as a 16-bit value whose bytes in memory are (alpha, index) on either byte order.
uint16_t Pair(uint8_t alpha, uint8_t index) {
  const uint8_t bytes[2] = {alpha, index};
  uint16_t value;
  std::memcpy(&value, bytes, 2);
  return value;
}

// Decoding is most of the time spent opening a collection, so the two common forms are
// expanded sixteen or eight pixels at a time where the processor allows it.
size_t ExpandIndicesFast(const uint8_t* stored, size_t count, uint8_t* out) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i ones = _mm_set1_epi8(static_cast<char>(0xFF));
  for (; i + 16 <= count; i += 16) {
    const __m128i index = _mm_loadu_si128(reinterpret_cast<const __m128i*>(stored + i));
    const __m128i alpha = _mm_andnot_si128(_mm_cmpeq_epi8(index, zero), ones);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * 2), _mm_unpacklo_epi8(alpha, index));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * 2 + 16), _mm_unpackhi_epi8(alpha, index));
  }
  // Sprite rows are often short runs, so half a vector is worth taking too.
  if (i + 8 <= count) {
    const __m128i index = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(stored + i));
    const __m128i alpha = _mm_andnot_si128(_mm_cmpeq_epi8(index, zero), ones);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * 2), _mm_unpacklo_epi8(alpha, index));
    i += 8;
  }
#endif
  (void)stored;
  (void)out;
  return i;
}

size_t ExpandNibblesFast(const uint8_t* stored, size_t count, uint8_t* out, bool& partial) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i low = _mm_set1_epi16(15);
  const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF00));
  const __m128i zero = _mm_setzero_si128();
  __m128i soft = zero;
  for (; i + 8 <= count; i += 8) {
    // Each 16-bit lane holds one stored pixel: transparency nibble in the low byte, index in
    // the high one, exactly where the memory form wants alpha and index.
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(stored + i * 2));
    const __m128i level = _mm_sub_epi16(low, _mm_and_si128(v, low));
    const __m128i alpha = _mm_or_si128(_mm_slli_epi16(level, 4), level);
    const __m128i clear = _mm_cmpeq_epi16(level, zero);
    const __m128i index = _mm_andnot_si128(clear, _mm_and_si128(v, high));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * 2), _mm_or_si128(alpha, index));
    const __m128i solid = _mm_or_si128(clear, _mm_cmpeq_epi16(level, low));
    soft = _mm_or_si128(soft, _mm_andnot_si128(solid, _mm_set1_epi16(1)));
  }
  if (_mm_movemask_epi8(_mm_cmpeq_epi8(soft, zero)) != 0xFFFF) partial = true;
#endif
  (void)stored;
  (void)out;
  (void)partial;
  return i;
}

}  // namespace

RleCodec::PixelForm::PixelForm(int stored_bytes) : stored_bytes_(stored_bytes) {
  // Made once: a form is set up for every bitmap decoded, and small sprites decode in about
  // the time building the table would take.
  static const std::array<uint16_t, 256> kOpaqueUnlessZero = [] {
    std::array<uint16_t, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = i ? Pair(255, static_cast<uint8_t>(i)) : Pair(0, 0);
    return table;
  }();
  pixel_of_index_ = kOpaqueUnlessZero;
}

void RleCodec::PixelForm::SetAlphaFromColors(std::span<const uint8_t, 768> palette) {
  index_rule_ = false;
  any_partial_ = false;
  for (int i = 0; i < 256; ++i) {
    const uint8_t bright = std::max({palette[i * 3], palette[i * 3 + 1], palette[i * 3 + 2]});
    const uint8_t alpha = static_cast<uint8_t>((bright >> 4) * 17);
    pixel_of_index_[i] = alpha ? Pair(alpha, static_cast<uint8_t>(i)) : Pair(0, 0);
    partial_of_index_[i] = alpha != 0 && alpha != 255;
  }
}

bool RleCodec::PixelForm::Expand(const uint8_t* stored, size_t count, uint8_t* out) const {
  bool partial = false;
  size_t i = 0;
  if (stored_bytes_ == 1) {
    if (index_rule_) i = ExpandIndicesFast(stored, count, out);
    for (; i < count; ++i) {
      const uint8_t index = stored[i];
      std::memcpy(out + i * 2, &pixel_of_index_[index], 2);
      partial |= partial_of_index_[index];
    }
    return partial;
  }
  i = ExpandNibblesFast(stored, count, out, partial);
  for (; i < count; ++i) {
    const uint8_t level = static_cast<uint8_t>(15 - (stored[i * 2] & 15));
    out[i * 2] = static_cast<uint8_t>(level * 17);
    out[i * 2 + 1] = level ? stored[i * 2 + 1] : 0;
    partial |= level != 0 && level != 15;
  }
  return partial;
}

bool RleCodec::DecodeRow(ByteReader& in, const PixelForm& form, bool padded, std::span<uint8_t> row,
                         bool& partial) {
  const size_t width = row.size() / 2;
  std::span<const uint8_t> counts;
  if (!in.ReadView(4, counts)) return false;
  const uint16_t run_count = Be16(&counts[0]);
  const uint16_t pixel_count = Be16(&counts[2]);
  std::span<const uint8_t> runs;
  if (!in.ReadView(size_t{run_count} * 4, runs)) return false;

  // Validate every run before touching the row, so a bad row never writes past the width.
  size_t covered = 0;
  size_t previous_end = 0;
  for (size_t r = 0; r < run_count; ++r) {
    const size_t start = Be16(&runs[r * 4]);
    const size_t end = Be16(&runs[r * 4 + 2]);
    if (start < previous_end || end <= start || end > width) return false;
    covered += end - start;
    previous_end = end;
  }
  if (covered != pixel_count) return false;

  const size_t stored_bytes = static_cast<size_t>(form.stored_bytes());
  const size_t pixel_bytes = size_t{pixel_count} * stored_bytes;
  std::span<const uint8_t> pixels;
  if (!in.ReadView(pixel_bytes, pixels)) return false;
  if (padded && (pixel_bytes & 1) && !in.Skip(1)) return false;

  const uint8_t* source = pixels.data();
  size_t x = 0;
  for (size_t r = 0; r < run_count; ++r) {
    const size_t start = Be16(&runs[r * 4]);
    const size_t end = Be16(&runs[r * 4 + 2]);
    std::memset(row.data() + x * 2, 0, (start - x) * 2);
    if (form.Expand(source, end - start, row.data() + start * 2)) partial = true;
    source += (end - start) * stored_bytes;
    x = end;
  }
  std::memset(row.data() + x * 2, 0, (width - x) * 2);
  return true;
}

void RleCodec::EncodeRow(std::span<const uint8_t> row, int stored_bytes, ByteWriter& out,
                         std::vector<uint8_t>& scratch) {
  const size_t width = row.size() / 2;
  // Runs first, into the front of the scratch buffer; the counts go in once they are known.
  scratch.resize(4 + width * 2 + 2 + width * static_cast<size_t>(stored_bytes));
  uint8_t* runs = scratch.data() + 4;
  size_t run_count = 0;
  size_t pixel_count = 0;
  for (size_t x = 0; x < width;) {
    if (row[x * 2] == 0) {
      ++x;
      continue;
    }
    const size_t start = x;
    while (x < width && row[x * 2] != 0) ++x;
    runs[run_count * 4] = static_cast<uint8_t>(start >> 8);
    runs[run_count * 4 + 1] = static_cast<uint8_t>(start);
    runs[run_count * 4 + 2] = static_cast<uint8_t>(x >> 8);
    runs[run_count * 4 + 3] = static_cast<uint8_t>(x);
    ++run_count;
    pixel_count += x - start;
  }
  scratch[0] = static_cast<uint8_t>(run_count >> 8);
  scratch[1] = static_cast<uint8_t>(run_count);
  scratch[2] = static_cast<uint8_t>(pixel_count >> 8);
  scratch[3] = static_cast<uint8_t>(pixel_count);
  uint8_t* target = runs + run_count * 4;
  for (size_t r = 0; r < run_count; ++r) {
    const size_t start = Be16(&runs[r * 4]);
    const size_t end = Be16(&runs[r * 4 + 2]);
    if (stored_bytes == 1) {
      for (size_t x = start; x < end; ++x) *target++ = row[x * 2 + 1];
    } else {
      for (size_t x = start; x < end; ++x) {
        *target++ = NibbleOfAlpha(row[x * 2]);
        *target++ = row[x * 2 + 1];
      }
    }
  }
  if (stored_bytes == 1 && (pixel_count & 1)) *target++ = 0;
  out.WriteBytes(std::span<const uint8_t>(scratch.data(), target));
}
