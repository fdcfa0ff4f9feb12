#include "collections/ColorQuantiser.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <numeric>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

struct ColorCount {
  uint32_t rgb;  // red << 16 | green << 8 | blue
  uint32_t count;
};

int Red(uint32_t c) {
  return static_cast<int>(c >> 16);
}
int Green(uint32_t c) {
  return static_cast<int>((c >> 8) & 0xFF);
}
int Blue(uint32_t c) {
  return static_cast<int>(c & 0xFF);
}

// Distinct colours with their pixel counts, in increasing packed order. A photograph has
// millions of pixels and often a million distinct colours, where a hash map spends most of its
// time missing the cache. So the pixels are scattered once by their top 12 bits (red and the
// top of green), and each of those buckets, small enough to stay in the cache, is counted by
// its low 12 bits in a 4096-entry table.
std::vector<ColorCount> CountColors(std::span<const uint8_t> rgb) {
  const size_t n = rgb.size() / 3;
  std::vector<uint32_t> offsets(4097, 0);
  for (size_t i = 0; i < n; ++i) ++offsets[(size_t{rgb[i * 3]} << 4 | rgb[i * 3 + 1] >> 4) + 1];
  std::partial_sum(offsets.begin(), offsets.end(), offsets.begin());
  std::vector<uint32_t> next(offsets.begin(), offsets.end() - 1);
  std::vector<uint16_t> low(n);  // the low 12 bits, grouped by the high 12
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* p = &rgb[i * 3];
    low[next[size_t{p[0]} << 4 | p[1] >> 4]++] = static_cast<uint16_t>((p[1] & 0xF) << 8 | p[2]);
  }
  std::vector<ColorCount> colors;
  std::vector<uint32_t> counts(4096, 0);
  // Which of the 4096 counts are set, so that a bucket is walked by its distinct values in
  // increasing order without visiting the whole table.
  uint64_t seen[64] = {};
  for (uint32_t high = 0; high < 4096; ++high) {
    const uint32_t first = offsets[high], last = offsets[high + 1];
    if (first == last) continue;
    for (uint32_t k = first; k < last; ++k) {
      ++counts[low[k]];
      seen[low[k] >> 6] |= uint64_t{1} << (low[k] & 63);
    }
    for (uint32_t word = 0; word < 64; ++word) {
      for (uint64_t bits = seen[word]; bits != 0; bits &= bits - 1) {
        const uint32_t value = word << 6 | static_cast<uint32_t>(std::countr_zero(bits));
        colors.push_back({high << 12 | value, counts[value]});
        counts[value] = 0;
      }
      seen[word] = 0;
    }
  }
  return colors;
}

// Wu's quantiser (Graphics Gems II, "Efficient Statistical Computations for Optimal Color
// Quantization"): cumulative moments over a 33^3 grid (index 0 is the empty border) let the
// variance of any box be read in constant time.
class WuQuantiser {
 public:
  explicit WuQuantiser(const std::vector<ColorCount>& colors) {
    for (const ColorCount& c : colors) {
      const int r = Red(c.rgb), g = Green(c.rgb), b = Blue(c.rgb);
      const size_t i = Index((r >> 3) + 1, (g >> 3) + 1, (b >> 3) + 1);
      wt_[i] += c.count;
      mr_[i] += int64_t{r} * c.count;
      mg_[i] += int64_t{g} * c.count;
      mb_[i] += int64_t{b} * c.count;
      m2_[i] += static_cast<double>(r * r + g * g + b * b) * c.count;
    }
    Accumulate();
  }

  // Fills up to maxColors palette entries and returns how many boxes the histogram allowed.
  uint32_t Run(uint32_t maxColors, ColorQuantiser::Palette& palette) {
    std::vector<Box> boxes(maxColors);
    std::vector<double> variance(maxColors, 0.0);
    boxes[0] = {0, 32, 0, 32, 0, 32};
    uint32_t count = 1;
    uint32_t next = 0;
    while (count < maxColors) {
      if (Cut(boxes[next], boxes[count])) {
        variance[next] = Volume(boxes[next]) > 1 ? Variance(boxes[next]) : 0.0;
        variance[count] = Volume(boxes[count]) > 1 ? Variance(boxes[count]) : 0.0;
        ++count;
      } else {
        variance[next] = 0.0;
      }
      next = 0;
      double best = variance[0];
      for (uint32_t k = 1; k < count; ++k) {
        if (variance[k] > best) {
          best = variance[k];
          next = k;
        }
      }
      if (best <= 0.0) break;
    }
    uint32_t used = 0;
    for (uint32_t k = 0; k < count; ++k) {
      const int64_t weight = Vol(boxes[k], wt_);
      if (weight == 0) continue;
      palette[used * 3 + 0] = static_cast<uint8_t>(Vol(boxes[k], mr_) / weight);
      palette[used * 3 + 1] = static_cast<uint8_t>(Vol(boxes[k], mg_) / weight);
      palette[used * 3 + 2] = static_cast<uint8_t>(Vol(boxes[k], mb_) / weight);
      ++used;
    }
    return used;
  }

 private:
  static constexpr int kSide = 33;
  enum Axis { kRed, kGreen, kBlue };
  // Lower bounds exclusive, upper bounds inclusive, in grid coordinates.
  struct Box {
    int r0, r1, g0, g1, b0, b1;
  };

  static size_t Index(int r, int g, int b) { return (size_t(r) * kSide + g) * kSide + b; }
  static int Volume(const Box& c) { return (c.r1 - c.r0) * (c.g1 - c.g0) * (c.b1 - c.b0); }

  template <typename T>
  static void Cumulate(std::vector<T>& m) {
    for (int r = 1; r < kSide; ++r) {
      std::vector<T> area(kSide, T{});
      for (int g = 1; g < kSide; ++g) {
        T line{};
        for (int b = 1; b < kSide; ++b) {
          line += m[Index(r, g, b)];
          area[b] += line;
          m[Index(r, g, b)] = m[Index(r - 1, g, b)] + area[b];
        }
      }
    }
  }
  void Accumulate() {
    Cumulate(wt_);
    Cumulate(mr_);
    Cumulate(mg_);
    Cumulate(mb_);
    Cumulate(m2_);
  }

  template <typename T>
  static T Vol(const Box& c, const std::vector<T>& m) {
    return m[Index(c.r1, c.g1, c.b1)] - m[Index(c.r1, c.g1, c.b0)] - m[Index(c.r1, c.g0, c.b1)] +
           m[Index(c.r1, c.g0, c.b0)] - m[Index(c.r0, c.g1, c.b1)] + m[Index(c.r0, c.g1, c.b0)] +
           m[Index(c.r0, c.g0, c.b1)] - m[Index(c.r0, c.g0, c.b0)];
  }
  // The part of Vol that does not depend on the box's upper bound along `axis`.
  template <typename T>
  static T Bottom(const Box& c, Axis axis, const std::vector<T>& m) {
    switch (axis) {
      case kRed:
        return -m[Index(c.r0, c.g1, c.b1)] + m[Index(c.r0, c.g1, c.b0)] +
               m[Index(c.r0, c.g0, c.b1)] - m[Index(c.r0, c.g0, c.b0)];
      case kGreen:
        return -m[Index(c.r1, c.g0, c.b1)] + m[Index(c.r1, c.g0, c.b0)] +
               m[Index(c.r0, c.g0, c.b1)] - m[Index(c.r0, c.g0, c.b0)];
      case kBlue:
        return -m[Index(c.r1, c.g1, c.b0)] + m[Index(c.r1, c.g0, c.b0)] +
               m[Index(c.r0, c.g1, c.b0)] - m[Index(c.r0, c.g0, c.b0)];
    }
    return T{};
  }
  // The rest of Vol when the upper bound along `axis` is moved to `pos`.
  template <typename T>
  static T Top(const Box& c, Axis axis, int pos, const std::vector<T>& m) {
    switch (axis) {
      case kRed:
        return m[Index(pos, c.g1, c.b1)] - m[Index(pos, c.g1, c.b0)] - m[Index(pos, c.g0, c.b1)] +
               m[Index(pos, c.g0, c.b0)];
      case kGreen:
        return m[Index(c.r1, pos, c.b1)] - m[Index(c.r1, pos, c.b0)] - m[Index(c.r0, pos, c.b1)] +
               m[Index(c.r0, pos, c.b0)];
      case kBlue:
        return m[Index(c.r1, c.g1, pos)] - m[Index(c.r1, c.g0, pos)] - m[Index(c.r0, c.g1, pos)] +
               m[Index(c.r0, c.g0, pos)];
    }
    return T{};
  }

  double Variance(const Box& c) const {
    const double dr = static_cast<double>(Vol(c, mr_));
    const double dg = static_cast<double>(Vol(c, mg_));
    const double db = static_cast<double>(Vol(c, mb_));
    return Vol(c, m2_) - (dr * dr + dg * dg + db * db) / static_cast<double>(Vol(c, wt_));
  }

  double Maximize(const Box& c, Axis axis, int first, int last, int& cut, int64_t whole_r,
                  int64_t whole_g, int64_t whole_b, int64_t whole_w) const {
    const int64_t base_r = Bottom(c, axis, mr_), base_g = Bottom(c, axis, mg_);
    const int64_t base_b = Bottom(c, axis, mb_), base_w = Bottom(c, axis, wt_);
    double best = 0.0;
    cut = -1;
    for (int i = first; i < last; ++i) {
      const int64_t half_r = base_r + Top(c, axis, i, mr_);
      const int64_t half_g = base_g + Top(c, axis, i, mg_);
      const int64_t half_b = base_b + Top(c, axis, i, mb_);
      const int64_t half_w = base_w + Top(c, axis, i, wt_);
      if (half_w == 0 || half_w == whole_w) continue;
      const auto sq = [](int64_t v) { return static_cast<double>(v) * static_cast<double>(v); };
      double score = (sq(half_r) + sq(half_g) + sq(half_b)) / static_cast<double>(half_w);
      score += (sq(whole_r - half_r) + sq(whole_g - half_g) + sq(whole_b - half_b)) /
               static_cast<double>(whole_w - half_w);
      if (score > best) {
        best = score;
        cut = i;
      }
    }
    return best;
  }

  bool Cut(Box& set1, Box& set2) const {
    const int64_t whole_r = Vol(set1, mr_), whole_g = Vol(set1, mg_);
    const int64_t whole_b = Vol(set1, mb_), whole_w = Vol(set1, wt_);
    int cut_r, cut_g, cut_b;
    const double max_r =
        Maximize(set1, kRed, set1.r0 + 1, set1.r1, cut_r, whole_r, whole_g, whole_b, whole_w);
    const double max_g =
        Maximize(set1, kGreen, set1.g0 + 1, set1.g1, cut_g, whole_r, whole_g, whole_b, whole_w);
    const double max_b =
        Maximize(set1, kBlue, set1.b0 + 1, set1.b1, cut_b, whole_r, whole_g, whole_b, whole_w);
    Axis axis;
    if (max_r >= max_g && max_r >= max_b) {
      if (cut_r < 0) return false;  // no split of this box helps
      axis = kRed;
    } else if (max_g >= max_r && max_g >= max_b) {
      axis = kGreen;
    } else {
      axis = kBlue;
    }
    set2 = set1;
    switch (axis) {
      case kRed:
        set2.r0 = set1.r1 = cut_r;
        break;
      case kGreen:
        set2.g0 = set1.g1 = cut_g;
        break;
      case kBlue:
        set2.b0 = set1.b1 = cut_b;
        break;
    }
    return true;
  }

  std::vector<int64_t> wt_ = std::vector<int64_t>(kSide * kSide * kSide, 0);
  std::vector<int64_t> mr_ = wt_, mg_ = wt_, mb_ = wt_;
  std::vector<double> m2_ = std::vector<double>(kSide * kSide * kSide, 0.0);
};

// Exact nearest-colour search. Colour space is cut into cells; each cell
// lists only the palette colours that can be nearest to some point of it (those no farther
// from the cell than the smallest worst-case distance of any colour), nearest first. The
// lists are made on first use, so an image touching few cells pays for few.
class NearestColor {
 public:
  NearestColor(const ColorQuantiser::Palette& palette, uint32_t count) : count_(count) {
    for (uint32_t i = 0; i < count; ++i) {
      r_[i] = palette[i * 3];
      g_[i] = palette[i * 3 + 1];
      b_[i] = palette[i * 3 + 2];
      all_[i] = static_cast<uint8_t>(i);
    }
    cells_.assign(size_t{1} << (3 * kBits), Cell{});
    coarse_start_.assign(size_t{1} << (3 * kCoarseBits), -1);
    coarse_length_.assign(size_t{1} << (3 * kCoarseBits), 0);
  }

  uint8_t Find(int r, int g, int b) {
    const size_t cell =
        size_t(r >> kShift) << (2 * kBits) | size_t(g >> kShift) << kBits | size_t(b >> kShift);
    if (cells_[cell].length == 0) Build(cell);
    const Candidate* k = &pool_[cells_[cell].start];
    const Candidate* end = k + cells_[cell].length;
    int best = k->index;
    int best_distance = Distance(*k, r, g, b);
    for (++k; k < end; ++k) {
      // Candidates come nearest-to-the-cell first: once one cannot come closer than the best
      // so far, none after it can.
      if (int{k->bound} * 4 > best_distance) break;
      const int d = Distance(*k, r, g, b);
      if (d < best_distance || (d == best_distance && k->index < best)) {
        best_distance = d;
        best = k->index;
      }
    }
    return static_cast<uint8_t>(best);
  }

 private:
  // 32^3 cells of 8^3 values: measured fastest on noisy photographs; coarser cells make the
  // lists too long, finer ones cost more in making lists than they save in searching.
  static constexpr int kBits = 5;
  static constexpr int kShift = 8 - kBits;
  static constexpr int kSpan = (1 << kShift) - 1;
  // 8^3 coarse cells of 32^3 values, whose lists the fine cells choose from.
  static constexpr int kCoarseBits = 3;
  static constexpr int kCoarseShift = 8 - kCoarseBits;

  // A cell's palette colours are kept beside its list, so a search reads one short run of
  // memory: six bytes a candidate keep the lists of a photograph's cells in the cache.
  struct Candidate {
    // The least distance from the colour to its cell, divided by 4 and rounded down: never
    // more than the distance, so stopping at it stays exact.
    uint16_t bound;
    uint8_t r, g, b;
    uint8_t index;
  };

  static int Distance(const Candidate& c, int r, int g, int b) {
    const int dr = r - c.r, dg = g - c.g, db = b - c.b;
    return dr * dr + dg * dg + db * db;
  }

  static int Nearest1D(int v, int lo, int hi) { return v < lo ? lo - v : (v > hi ? v - hi : 0); }
  static int Farthest1D(int v, int lo, int hi) {
    return std::max(std::abs(v - lo), std::abs(v - hi));
  }

  // The colours of `from` that can be nearest to some point of the cube from (r0, g0, b0) with
  // sides `span` + 1: those no farther from it than the smallest worst-case distance of any of
  // them. Each comes with its least distance to the cube. Returns how many there are.
  size_t Select(int r0, int g0, int b0, int span, const uint8_t* from, size_t n,
                std::pair<int, uint8_t>* out) const {
    int min_distance[256];
    int limit = 1 << 30;
    for (size_t k = 0; k < n; ++k) {
      const int i = from[k];
      const int nr = Nearest1D(r_[i], r0, r0 + span), ng = Nearest1D(g_[i], g0, g0 + span);
      const int nb = Nearest1D(b_[i], b0, b0 + span);
      min_distance[k] = nr * nr + ng * ng + nb * nb;
      const int fr = Farthest1D(r_[i], r0, r0 + span), fg = Farthest1D(g_[i], g0, g0 + span);
      const int fb = Farthest1D(b_[i], b0, b0 + span);
      limit = std::min(limit, fr * fr + fg * fg + fb * fb);
    }
    size_t m = 0;
    for (size_t k = 0; k < n; ++k) {
      if (min_distance[k] <= limit) out[m++] = {min_distance[k], from[k]};
    }
    return m;
  }

  // A fine cell's list is chosen from its coarse cell's rather than from the whole palette:
  // a colour that can be nearest somewhere in the fine cell can be so in the coarse one that
  // holds it, and the worst-case bound taken over fewer colours is only looser. So most cells
  // cost a few dozen distance bounds instead of 256.
  const uint8_t* CoarseList(size_t coarse, size_t& n) {
    if (coarse_start_[coarse] < 0) {
      constexpr size_t kMask = (size_t{1} << kCoarseBits) - 1;
      const int r0 = static_cast<int>(coarse >> (2 * kCoarseBits)) << kCoarseShift;
      const int g0 = static_cast<int>((coarse >> kCoarseBits) & kMask) << kCoarseShift;
      const int b0 = static_cast<int>(coarse & kMask) << kCoarseShift;
      std::pair<int, uint8_t> candidates[256];
      const size_t m = Select(r0, g0, b0, (1 << kCoarseShift) - 1, all_, count_, candidates);
      coarse_start_[coarse] = static_cast<int32_t>(coarse_pool_.size());
      for (size_t k = 0; k < m; ++k) coarse_pool_.push_back(candidates[k].second);
      coarse_length_[coarse] = static_cast<uint16_t>(m);
    }
    n = coarse_length_[coarse];
    return &coarse_pool_[static_cast<size_t>(coarse_start_[coarse])];
  }

  void Build(size_t cell) {
    constexpr size_t kMask = (size_t{1} << kBits) - 1;
    const size_t cr = cell >> (2 * kBits), cg = (cell >> kBits) & kMask, cb = cell & kMask;
    constexpr int kDrop = kBits - kCoarseBits;
    const size_t coarse =
        (cr >> kDrop) << (2 * kCoarseBits) | (cg >> kDrop) << kCoarseBits | (cb >> kDrop);
    size_t n = 0;
    const uint8_t* from = CoarseList(coarse, n);
    std::pair<int, uint8_t> candidates[256];
    const size_t m = Select(static_cast<int>(cr) << kShift, static_cast<int>(cg) << kShift,
                            static_cast<int>(cb) << kShift, kSpan, from, n, candidates);
    std::sort(candidates, candidates + m);
    cells_[cell].start = static_cast<uint32_t>(pool_.size());
    for (size_t k = 0; k < m; ++k) {
      const uint8_t i = candidates[k].second;
      pool_.push_back({static_cast<uint16_t>(candidates[k].first / 4), static_cast<uint8_t>(r_[i]),
                       static_cast<uint8_t>(g_[i]), static_cast<uint8_t>(b_[i]), i});
    }
    cells_[cell].length = static_cast<uint16_t>(m);
  }

  uint32_t count_;
  int r_[256] = {}, g_[256] = {}, b_[256] = {};
  uint8_t all_[256] = {};
  struct Cell {
    uint32_t start = 0;
    uint16_t length = 0;  // 0 until the list is made; a made list holds at least one colour
  };
  std::vector<Cell> cells_;
  std::vector<Candidate> pool_;
  std::vector<int32_t> coarse_start_;
  std::vector<uint16_t> coarse_length_;
  std::vector<uint8_t> coarse_pool_;
};

// Fills the entries Wu's split could not use (it cannot split a box finer than one grid
// cell) with the image colours that the palette so far serves worst.
uint32_t FillSpareEntries(const std::vector<ColorCount>& colors, uint32_t used, uint32_t wanted,
                          ColorQuantiser::Palette& palette) {
  NearestColor nearest(palette, used);
  std::vector<std::pair<double, uint32_t>> errors;
  errors.reserve(colors.size());
  for (const ColorCount& c : colors) {
    const int i = nearest.Find(Red(c.rgb), Green(c.rgb), Blue(c.rgb));
    const int dr = Red(c.rgb) - palette[i * 3], dg = Green(c.rgb) - palette[i * 3 + 1];
    const int db = Blue(c.rgb) - palette[i * 3 + 2];
    const int d = dr * dr + dg * dg + db * db;
    if (d > 0) errors.push_back({static_cast<double>(d) * c.count, c.rgb});
  }
  const size_t take = std::min<size_t>(wanted - used, errors.size());
  std::partial_sort(errors.begin(), errors.begin() + static_cast<std::ptrdiff_t>(take),
                    errors.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  for (size_t k = 0; k < take; ++k, ++used) {
    palette[used * 3] = static_cast<uint8_t>(Red(errors[k].second));
    palette[used * 3 + 1] = static_cast<uint8_t>(Green(errors[k].second));
    palette[used * 3 + 2] = static_cast<uint8_t>(Blue(errors[k].second));
  }
  return used;
}

// Moves each palette colour to the count-weighted mean of the image colours nearest to it
// (k-means). Wu's boxes are cut along axes, so their means are often not where the colours
// crowd; the first pass recovers most of the difference, and each further one costs as much as
// a tenth of a large import for little visible change.
void Refine(const std::vector<ColorCount>& colors, uint32_t count,
            ColorQuantiser::Palette& palette) {
  constexpr int kPasses = 1;
  for (int pass = 0; pass < kPasses; ++pass) {
    NearestColor nearest(palette, count);
    std::vector<uint64_t> sum(count * 3, 0), weight(count, 0);
    for (const ColorCount& c : colors) {
      const int i = nearest.Find(Red(c.rgb), Green(c.rgb), Blue(c.rgb));
      sum[i * 3] += uint64_t(Red(c.rgb)) * c.count;
      sum[i * 3 + 1] += uint64_t(Green(c.rgb)) * c.count;
      sum[i * 3 + 2] += uint64_t(Blue(c.rgb)) * c.count;
      weight[i] += c.count;
    }
    bool moved = false;
    for (uint32_t i = 0; i < count; ++i) {
      if (weight[i] == 0) continue;  // an unused colour stays where it is
      for (int ch = 0; ch < 3; ++ch) {
        const auto mean = static_cast<uint8_t>((sum[i * 3 + ch] + weight[i] / 2) / weight[i]);
        if (palette[i * 3 + ch] != mean) {
          palette[i * 3 + ch] = mean;
          moved = true;
        }
      }
    }
    if (!moved) break;
  }
}

}  // namespace

uint32_t ColorQuantiser::BuildPalette(std::span<const uint8_t> rgb, uint32_t maxColors,
                                      Palette& palette) {
  palette.fill(0);
  maxColors = std::clamp<uint32_t>(maxColors, 1, 256);
  if (rgb.size() < 3) return 0;
  const std::vector<ColorCount> colors = CountColors(rgb);
  if (colors.size() <= maxColors) {
    // Few enough colours: keep them exactly rather than let the histogram's 5-bit cells blur
    // neighbouring ones together.
    for (size_t i = 0; i < colors.size(); ++i) {
      palette[i * 3] = static_cast<uint8_t>(Red(colors[i].rgb));
      palette[i * 3 + 1] = static_cast<uint8_t>(Green(colors[i].rgb));
      palette[i * 3 + 2] = static_cast<uint8_t>(Blue(colors[i].rgb));
    }
    return static_cast<uint32_t>(colors.size());
  }
  uint32_t count = WuQuantiser(colors).Run(maxColors, palette);
  if (count < maxColors) count = FillSpareEntries(colors, count, maxColors, palette);
  Refine(colors, count, palette);
  return count;
}

void ColorQuantiser::MapWithDiffusion(std::span<const uint8_t> rgb, uint32_t width, uint32_t height,
                                      const Palette& palette, uint32_t count, uint8_t* out,
                                      size_t outStride) {
  if (width == 0 || height == 0 || count == 0) return;
  NearestColor nearest(palette, count);
  const size_t w = width;
  // Two rows of working colours, four lanes a pixel (red, green, blue and an idle zero), with
  // one spare pixel at each end where shares pushed past the image's edge land and are
  // forgotten. Each share is added and clamped at once: the error pushed to a pixel is part of
  // its colour when its turn comes.
  std::vector<int16_t> current((w + 2) * 4, 0), below((w + 2) * 4, 0);
  alignas(16) int16_t colors[256 * 4] = {};
  for (uint32_t i = 0; i < count; ++i) {
    for (int ch = 0; ch < 3; ++ch) colors[i * 4 + ch] = palette[i * 3 + ch];
  }
  const auto load = [&](std::vector<int16_t>& row, uint32_t y) {
    const uint8_t* src = &rgb[size_t(y) * w * 3];
    int16_t* dest = &row[4];
    for (size_t x = 0; x < w; ++x) {
      dest[x * 4] = src[x * 3];
      dest[x * 4 + 1] = src[x * 3 + 1];
      dest[x * 4 + 2] = src[x * 3 + 2];
    }
  };
  load(current, 0);
  for (uint32_t y = 0; y < height; ++y) {
    if (y + 1 < height) load(below, y + 1);
    uint8_t* row_out = out + size_t(y) * w * outStride;
    int16_t* p = &current[4];
    int16_t* q = &below[4];
    for (size_t x = 0; x < w; ++x, p += 4, q += 4) {
      const uint8_t index = nearest.Find(p[0], p[1], p[2]);
      row_out[x * outStride] = index;
#if defined(__SSE2__)
      // The three channels at once; every step matches the scalar form below exactly.
      const __m128i error = _mm_sub_epi16(
          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&colors[size_t{index} * 4])));
      const auto share = [&](int16_t weight) {
        const __m128i t = _mm_mullo_epi16(error, _mm_set1_epi16(weight));
        // Division by 64 truncating toward zero: negative values are biased by 63 first.
        const __m128i bias = _mm_srli_epi16(_mm_srai_epi16(t, 15), 10);
        return _mm_srai_epi16(_mm_add_epi16(t, bias), 6);
      };
      const auto add = [](int16_t* at, __m128i v) {
        __m128i sum = _mm_add_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at)), v);
        sum = _mm_min_epi16(_mm_max_epi16(sum, _mm_setzero_si128()), _mm_set1_epi16(255));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(at), sum);
      };
      add(p + 4, share(21));
      add(q - 4, share(9));
      add(q, share(15));
      add(q + 4, share(3));
#else
      const auto add = [](int16_t& v, int share) {
        v = static_cast<int16_t>(std::clamp(v + share, 0, 255));
      };
      for (int ch = 0; ch < 3; ++ch) {
        const int error = p[ch] - colors[index * 4 + ch];
        if (error == 0) continue;
        add(p[4 + ch], error * 21 / 64);
        add(q[ch - 4], error * 9 / 64);
        add(q[ch], error * 15 / 64);
        add(q[ch + 4], error * 3 / 64);
      }
#endif
    }
    current.swap(below);
  }
}
