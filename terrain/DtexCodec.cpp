#include "terrain/DtexCodec.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace {

constexpr int kBlock = 8;
constexpr int kHeaderBits = 26;
constexpr int kBitsPerBlock = 9;  // three 3-bit Rice parameters
constexpr int kZeroK = 7;         // every value of the block's channel is 0: no bits at all
constexpr int kMaxK = 6;

// Residual channel c of a mode is this RGB channel: (X, Y, Z) with X the base channel.
constexpr int kChannels[3][3] = {{0, 2, 1}, {1, 0, 2}, {2, 1, 0}};

// The signed value a residual byte stands for.
inline int Unzig(uint32_t v) {
  return (v & 1) ? -static_cast<int>((v + 1) >> 1) : static_cast<int>(v >> 1);
}
// The residual byte of a difference taken modulo 256.
inline uint8_t Zig(int difference) {
  const int d = static_cast<int8_t>(static_cast<uint8_t>(difference & 255));
  return static_cast<uint8_t>(d >= 0 ? 2 * d : -2 * d - 1);
}

// The predictor of pixels with three neighbours; `c` decides between pulling towards the
// larger or the smaller of `a` and `b`, or following the gradient.
inline int Predict(int a, int b, int c) {
  const int lo = std::min(a, b);
  const int hi = std::max(a, b);
  if (c <= lo) return (7 * hi + lo) >> 3;
  if (c >= hi) return (7 * lo + hi) >> 3;
  return a + b - c;
}

// MSB-first bits into 32-bit words stored little-endian.
class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
  // `count` is at most 32; `value` holds nothing above it.
  void Put(uint32_t value, int count) {
    acc_ = (acc_ << count) | value;
    bits_ += count;
    if (bits_ >= 32) {
      bits_ -= 32;
      Word(static_cast<uint32_t>(acc_ >> bits_));
      acc_ &= (uint64_t{1} << bits_) - 1;
    }
  }
  void Ones(uint32_t count) {
    while (count >= 32) {
      Put(0xFFFFFFFFu, 32);
      count -= 32;
    }
    if (count) Put((uint32_t{1} << count) - 1, static_cast<int>(count));
  }
  void Rice(uint32_t value, int k) {
    if (k == kZeroK) return;
    const uint32_t q = value >> k;
    if (q) Ones(q);
    // The ending zero and the k low bits together.
    Put(value & ((uint32_t{1} << k) - 1), k + 1);
  }
  void Finish() {
    if (bits_) Word(static_cast<uint32_t>(acc_ << (32 - bits_)));
    acc_ = 0;
    bits_ = 0;
  }

 private:
  void Word(uint32_t w) {
    out_.push_back(static_cast<uint8_t>(w));
    out_.push_back(static_cast<uint8_t>(w >> 8));
    out_.push_back(static_cast<uint8_t>(w >> 16));
    out_.push_back(static_cast<uint8_t>(w >> 24));
  }
  std::vector<uint8_t>& out_;
  uint64_t acc_ = 0;
  int bits_ = 0;
};

// Reads the words of a payload and never past it: a read that needs more bits than are left
// fails.
class BitReader {
 public:
  explicit BitReader(std::span<const uint8_t> payload) : data_(payload.data()) {
    words_left_ = payload.size() / 4;
    Refill();
  }
  uint64_t BitsLeft() const { return static_cast<uint64_t>(bits_) + uint64_t{32} * words_left_; }

  // At most 32 bits.
  bool Get(int count, uint32_t& value) {
    if (count == 0) {
      value = 0;
      return true;
    }
    if (bits_ < count) {
      Refill();
      if (bits_ < count) return false;
    }
    value = static_cast<uint32_t>(buf_ >> (64 - count));
    Consume(count);
    return true;
  }

  // A Rice-coded byte value: q ones, a zero, k bits. A run that already stands for more than
  // 255 is refused as soon as it gets there.
  bool Rice(int k, uint32_t& value) {
    if (k == kZeroK) {
      value = 0;
      return true;
    }
    if (bits_ <= 32) Refill();
    // The usual case: the whole code lies in the buffer.
    const int ones = std::countl_one(buf_);
    if (ones + 1 + k <= bits_ && ones <= (255 >> k)) {
      const uint32_t r = k ? static_cast<uint32_t>((buf_ << (ones + 1)) >> (64 - k)) : 0;
      value = (static_cast<uint32_t>(ones) << k) | r;
      Consume(ones + 1 + k);
      return true;
    }
    return SlowRice(k, value);
  }

 private:
  bool SlowRice(int k, uint32_t& value) {
    const uint32_t limit = 255u >> k;  // the largest q a byte value allows
    uint32_t q = 0;
    while (true) {
      if (bits_ <= 32) Refill();
      if (bits_ == 0) return false;
      // Bits below the valid ones are kept 0, so the count stops at them.
      const int ones = std::countl_one(buf_);
      if (ones < bits_) {
        q += static_cast<uint32_t>(ones);
        if (q > limit) return false;
        Consume(ones + 1);
        break;
      }
      q += static_cast<uint32_t>(bits_);
      if (q > limit) return false;
      Consume(bits_);
    }
    uint32_t r = 0;
    if (!Get(k, r)) return false;
    value = (q << k) | r;
    return value <= 255;
  }

  void Refill() {
    while (bits_ <= 32 && words_left_ > 0) {
      const uint32_t w = static_cast<uint32_t>(data_[0]) | static_cast<uint32_t>(data_[1]) << 8 |
                         static_cast<uint32_t>(data_[2]) << 16 |
                         static_cast<uint32_t>(data_[3]) << 24;
      data_ += 4;
      --words_left_;
      buf_ |= static_cast<uint64_t>(w) << (32 - bits_);
      bits_ += 32;
    }
  }
  void Consume(int count) {
    buf_ = count >= 64 ? 0 : buf_ << count;
    bits_ -= count;
  }

  const uint8_t* data_;
  size_t words_left_ = 0;
  uint64_t buf_ = 0;
  int bits_ = 0;
};

// A pixel with one neighbour `n`, in channels (X, Y, Z).
template <int X, int Y, int Z>
inline void EdgePixel(uint8_t* px, const uint8_t* n, uint32_t e0, uint32_t e1, uint32_t e2) {
  const int nx = n[X];
  const int vx = (nx - Unzig(e0)) & 255;
  px[X] = static_cast<uint8_t>(vx);
  px[Y] = static_cast<uint8_t>((Unzig(e1) - (nx - n[Y]) + vx) & 255);
  px[Z] = static_cast<uint8_t>((Unzig(e2) - (nx - n[Z]) + vx) & 255);
}

// A pixel with the neighbours above, to the left and above-left.
template <int X, int Y, int Z>
inline void InnerPixel(uint8_t* px, size_t stride, uint32_t e0, uint32_t e1, uint32_t e2) {
  const uint8_t* a = px - stride;
  const uint8_t* l = px - 3;
  const uint8_t* c = a - 3;
  const int ax = a[X], lx = l[X], cx = c[X];
  const int vx = (Predict(ax, lx, cx) - Unzig(e0)) & 255;
  const int py = Predict(ax - a[Y], lx - l[Y], cx - c[Y]);
  const int pz = Predict(ax - a[Z], lx - l[Z], cx - c[Z]);
  px[X] = static_cast<uint8_t>(vx);
  px[Y] = static_cast<uint8_t>((Unzig(e1) - py + vx) & 255);
  px[Z] = static_cast<uint8_t>((Unzig(e2) - pz + vx) & 255);
}

// Every pixel of a mode with base channel X; false at the first code that does not read, with
// its pixel in (bad_x, bad_y).
template <int X, int Y, int Z>
bool DecodePixels(BitReader& bits, const uint8_t* ks, uint32_t width, uint32_t height, uint8_t* rgb,
                  uint32_t& bad_x, uint32_t& bad_y) {
  const size_t stride = static_cast<size_t>(width) * 3;
  const uint32_t bw = (width + kBlock - 1) / kBlock;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* block_row = ks + static_cast<size_t>(y / kBlock) * bw * 3;
    uint8_t* px = rgb + y * stride;
    for (uint32_t x = 0; x < width; ++x, px += 3) {
      const uint8_t* k = block_row + static_cast<size_t>(x / kBlock) * 3;
      uint32_t e0, e1, e2;
      if (!bits.Rice(k[0], e0) || !bits.Rice(k[1], e1) || !bits.Rice(k[2], e2)) {
        bad_x = x;
        bad_y = y;
        return false;
      }
      if (x > 0 && y > 0) {
        InnerPixel<X, Y, Z>(px, stride, e0, e1, e2);
      } else if (y > 0) {
        EdgePixel<X, Y, Z>(px, px - stride, e0, e1, e2);
      } else if (x > 0) {
        // The first row always takes the first mode's channels.
        EdgePixel<0, 2, 1>(px, px - 3, e0, e1, e2);
      } else {
        px[0] = static_cast<uint8_t>(e0);
        px[1] = static_cast<uint8_t>(e1);
        px[2] = static_cast<uint8_t>(e2);
      }
    }
  }
  return true;
}

struct Residuals {
  std::vector<uint8_t> values;  // per pixel three residual bytes
  std::vector<uint8_t> ks;      // per block three Rice parameters
  uint64_t bits = 0;            // the whole stream
};

// The residual bytes of every pixel in `mode`, row by row.
void ComputeResiduals(uint32_t width, uint32_t height, const uint8_t* rgb, int mode,
                      std::vector<uint8_t>& out) {
  out.resize(static_cast<size_t>(width) * height * 3);
  const size_t stride = static_cast<size_t>(width) * 3;
  const int* first = kChannels[0];
  const int* ch = kChannels[mode];
  uint8_t* o = out.data();
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = rgb + y * stride;
    for (uint32_t x = 0; x < width; ++x, o += 3) {
      const uint8_t* px = row + static_cast<size_t>(x) * 3;
      if (x == 0 && y == 0) {
        o[0] = px[0];
        o[1] = px[1];
        o[2] = px[2];
        continue;
      }
      int p, py, pz;
      const int* c = ch;
      if (y == 0 || x == 0) {
        // One neighbour: the left one along the first row (always in the first mode's
        // channels), the one above down the first column.
        c = y == 0 ? first : ch;
        const uint8_t* n = y == 0 ? px - 3 : px - stride;
        p = n[c[0]];
        py = n[c[0]] - n[c[1]];
        pz = n[c[0]] - n[c[2]];
      } else {
        const uint8_t* a = px - stride;
        const uint8_t* l = px - 3;
        const uint8_t* cc = a - 3;
        const int ax = a[c[0]], lx = l[c[0]], cx = cc[c[0]];
        p = Predict(ax, lx, cx);
        py = Predict(ax - a[c[1]], lx - l[c[1]], cx - cc[c[1]]);
        pz = Predict(ax - a[c[2]], lx - l[c[2]], cx - cc[c[2]]);
      }
      const int vx = px[c[0]];
      o[0] = Zig(p - vx);
      o[1] = Zig(px[c[1]] + py - vx);
      o[2] = Zig(px[c[2]] + pz - vx);
    }
  }
}

// Each block's cheapest k per channel, and what the whole stream then costs.
void ChooseParameters(uint32_t width, uint32_t height, Residuals& r) {
  const uint32_t bw = (width + kBlock - 1) / kBlock;
  const uint32_t bh = (height + kBlock - 1) / kBlock;
  r.ks.assign(static_cast<size_t>(bw) * bh * 3, 0);
  uint64_t bits = kHeaderBits + uint64_t{kBitsPerBlock} * bw * bh;
  for (uint32_t by = 0; by < bh; ++by) {
    const uint32_t y0 = by * kBlock, y1 = std::min(height, y0 + kBlock);
    for (uint32_t bx = 0; bx < bw; ++bx) {
      const uint32_t x0 = bx * kBlock, x1 = std::min(width, x0 + kBlock);
      // sums[c][k] = sum of (v >> k); any[c] = some value is not 0.
      uint32_t sums[3][kMaxK + 1] = {};
      uint32_t any[3] = {};
      for (uint32_t y = y0; y < y1; ++y) {
        const uint8_t* v = r.values.data() + (static_cast<size_t>(y) * width + x0) * 3;
        for (uint32_t x = x0; x < x1; ++x, v += 3) {
          for (int c = 0; c < 3; ++c) {
            const uint32_t value = v[c];
            any[c] |= value;
            for (int k = 0; k <= kMaxK; ++k) sums[c][k] += value >> k;
          }
        }
      }
      const uint32_t n = (x1 - x0) * (y1 - y0);
      uint8_t* ks = r.ks.data() + (static_cast<size_t>(by) * bw + bx) * 3;
      for (int c = 0; c < 3; ++c) {
        if (!any[c]) {
          ks[c] = kZeroK;
          continue;
        }
        uint64_t best = std::numeric_limits<uint64_t>::max();
        int best_k = 0;
        for (int k = 0; k <= kMaxK; ++k) {
          const uint64_t cost = uint64_t{sums[c][k]} + uint64_t{n} * (1 + k);
          if (cost < best) {  // the smaller k stays on a tie
            best = cost;
            best_k = k;
          }
        }
        ks[c] = static_cast<uint8_t>(best_k);
        bits += best;
      }
    }
  }
  r.bits = bits;
}

std::vector<uint8_t> Write(uint32_t width, uint32_t height, int mode, const Residuals& r) {
  std::vector<uint8_t> out;
  out.reserve(static_cast<size_t>((r.bits + 31) / 32 * 4));
  BitWriter bits(out);
  bits.Put(width, 12);
  bits.Put(height, 12);
  bits.Put(static_cast<uint32_t>(mode), 2);
  for (size_t i = 0; i < r.ks.size(); ++i) bits.Put(r.ks[i], 3);
  const uint32_t bw = (width + kBlock - 1) / kBlock;
  const uint8_t* v = r.values.data();
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* block_row = r.ks.data() + static_cast<size_t>(y / kBlock) * bw * 3;
    for (uint32_t x = 0; x < width; ++x, v += 3) {
      const uint8_t* ks = block_row + static_cast<size_t>(x / kBlock) * 3;
      bits.Rice(v[0], ks[0]);
      bits.Rice(v[1], ks[1]);
      bits.Rice(v[2], ks[2]);
    }
  }
  bits.Finish();
  return out;
}

bool SizeOk(uint32_t width, uint32_t height, std::span<const uint8_t> rgb) {
  return width >= 1 && height >= 1 && width <= DtexCodec::kMaxSide &&
         height <= DtexCodec::kMaxSide && rgb.size() == static_cast<size_t>(width) * height * 3;
}

uint32_t ReadBe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}
uint32_t ReadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

bool DtexCodec::Decode(std::span<const uint8_t> payload, Decoded& out, std::string& error) {
  if (payload.size() % 4 != 0) {
    error = "the image data is not a whole number of 32-bit words (" +
            std::to_string(payload.size()) + " bytes)";
    return false;
  }
  BitReader bits(payload);
  uint32_t width = 0, height = 0, mode = 0;
  if (!bits.Get(12, width) || !bits.Get(12, height) || !bits.Get(2, mode)) {
    error = "the image data ends inside its header";
    return false;
  }
  if (width == 0 || height == 0) {
    error = "the image is " + std::to_string(width) + " x " + std::to_string(height) +
            " pixels; both sides must be at least 1";
    return false;
  }
  if (mode > 2) {
    error = "the image names prediction mode 3, which does not exist";
    return false;
  }
  const uint32_t bw = (width + kBlock - 1) / kBlock;
  const uint32_t bh = (height + kBlock - 1) / kBlock;
  const uint64_t blocks = uint64_t{bw} * bh;
  // Checked before anything is allocated: the block parameters alone must fit in the data.
  if (bits.BitsLeft() < blocks * kBitsPerBlock) {
    error = "the image data ends inside its block parameters";
    return false;
  }
  std::vector<uint8_t> ks(static_cast<size_t>(blocks) * 3);
  for (uint8_t& k : ks) {
    uint32_t value = 0;
    if (!bits.Get(3, value)) {
      error = "the image data ends inside its block parameters";
      return false;
    }
    k = static_cast<uint8_t>(value);
  }

  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  uint32_t bad_x = 0, bad_y = 0;
  bool decoded = false;
  switch (mode) {
    case 0:
      decoded = DecodePixels<0, 2, 1>(bits, ks.data(), width, height, rgb.data(), bad_x, bad_y);
      break;
    case 1:
      decoded = DecodePixels<1, 0, 2>(bits, ks.data(), width, height, rgb.data(), bad_x, bad_y);
      break;
    default:
      decoded = DecodePixels<2, 1, 0>(bits, ks.data(), width, height, rgb.data(), bad_x, bad_y);
      break;
  }
  if (!decoded) {
    error = "the image data is cut short or holds a run longer than a byte value at pixel (" +
            std::to_string(bad_x) + ", " + std::to_string(bad_y) + ")";
    return false;
  }
  out.width = width;
  out.height = height;
  out.mode = static_cast<int>(mode);
  out.rgb = std::move(rgb);
  return true;
}

std::vector<uint8_t> DtexCodec::EncodeMode(uint32_t width, uint32_t height,
                                           std::span<const uint8_t> rgb, int mode) {
  if (!SizeOk(width, height, rgb) || mode < 0 || mode > 2) return {};
  Residuals r;
  ComputeResiduals(width, height, rgb.data(), mode, r.values);
  ChooseParameters(width, height, r);
  return Write(width, height, mode, r);
}

std::vector<uint8_t> DtexCodec::EncodeWith(uint32_t width, uint32_t height,
                                           std::span<const uint8_t> rgb, int mode,
                                           std::span<const uint8_t> ks) {
  if (!SizeOk(width, height, rgb) || mode < 0 || mode > 2) return {};
  if (ks.size() != BlockCount(width, height) * 3) return {};
  Residuals r;
  ComputeResiduals(width, height, rgb.data(), mode, r.values);
  r.ks.assign(ks.begin(), ks.end());
  const uint32_t bw = (width + kBlock - 1) / kBlock;
  uint64_t bits = kHeaderBits + uint64_t{kBitsPerBlock} * r.ks.size() / 3;
  const uint8_t* v = r.values.data();
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x, v += 3) {
      const uint8_t* k = r.ks.data() + (static_cast<size_t>(y / kBlock) * bw + x / kBlock) * 3;
      for (int c = 0; c < 3; ++c) {
        if (k[c] > kZeroK || (k[c] == kZeroK && v[c] != 0)) return {};
        if (k[c] != kZeroK) bits += (v[c] >> k[c]) + 1u + k[c];
      }
    }
  }
  r.bits = bits;
  return Write(width, height, mode, r);
}

std::vector<uint8_t> DtexCodec::Encode(uint32_t width, uint32_t height,
                                       std::span<const uint8_t> rgb, int* mode_used) {
  if (!SizeOk(width, height, rgb)) return {};
  Residuals best;
  int best_mode = 0;
  uint64_t best_words = std::numeric_limits<uint64_t>::max();
  Residuals trial;
  for (int mode = 0; mode < 3; ++mode) {
    ComputeResiduals(width, height, rgb.data(), mode, trial.values);
    ChooseParameters(width, height, trial);
    const uint64_t words = (trial.bits + 31) / 32;
    if (words < best_words) {  // the lower mode stays on a tie
      best_words = words;
      best_mode = mode;
      std::swap(best, trial);
    }
  }
  if (mode_used) *mode_used = best_mode;
  return Write(width, height, best_mode, best);
}

bool DtexData::Read(std::span<const uint8_t> data, DtexCodec::Decoded& out, std::string& error) {
  if (data.size() < kHeaderSize) {
    error = "the texture data is " + std::to_string(data.size()) + " bytes, shorter than its " +
            std::to_string(kHeaderSize) + "-byte header";
    return false;
  }
  const uint32_t width = ReadBe32(data.data());
  const uint32_t height = ReadBe32(data.data() + 4);
  // The payload length is little-endian whatever machine reads it.
  const uint32_t length = ReadLe32(data.data() + 12);
  const size_t available = data.size() - kHeaderSize;
  if (length > available) {
    error = "the image data claims " + std::to_string(length) + " bytes but only " +
            std::to_string(available) + " follow the header";
    return false;
  }
  DtexCodec::Decoded decoded;
  if (!DtexCodec::Decode(data.subspan(kHeaderSize, length), decoded, error)) return false;
  if (decoded.width != width || decoded.height != height) {
    error = "the header says " + std::to_string(width) + " x " + std::to_string(height) +
            " pixels but the image data holds " + std::to_string(decoded.width) + " x " +
            std::to_string(decoded.height);
    return false;
  }
  out = std::move(decoded);
  return true;
}

std::vector<uint8_t> DtexData::Write(uint32_t width, uint32_t height,
                                     std::span<const uint8_t> rgb) {
  std::vector<uint8_t> payload = DtexCodec::Encode(width, height, rgb);
  if (payload.empty()) return {};
  std::vector<uint8_t> out;
  out.reserve(kHeaderSize + payload.size());
  const auto be = [&out](uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
  };
  be(width);
  be(height);
  be(0);  // a pointer slot of the game's; always 0 on disk
  const auto length = static_cast<uint32_t>(payload.size());
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(length >> shift));
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}
