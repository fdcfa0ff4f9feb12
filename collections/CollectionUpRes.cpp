#include "collections/CollectionUpRes.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unordered_map>

#include "base/MessageLog.h"
#include "collections/CollectionLayout.h"
#include "collections/ColorImport.h"

namespace fs = std::filesystem;
namespace cl = collection_layout;

namespace {

int g_log_number = 0;
constexpr size_t kMaxBitmaps = 0xFFFF;

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// For each output position of an axis, the source positions it covers and their shares: the
// area average, as the renders only ever shrink.
struct Tap {
  uint32_t source;
  float weight;
};
std::vector<std::vector<Tap>> AxisTaps(uint32_t source, uint32_t target) {
  std::vector<std::vector<Tap>> taps(target);
  const double scale = static_cast<double>(source) / target;
  for (uint32_t i = 0; i < target; ++i) {
    const double a = i * scale, b = (i + 1) * scale;
    for (auto j = static_cast<uint32_t>(a); j < source && j < b; ++j) {
      const double overlap = std::min<double>(b, j + 1) - std::max<double>(a, j);
      if (overlap > 0) taps[i].push_back({j, static_cast<float>(overlap / scale)});
    }
  }
  return taps;
}

}  // namespace

uint32_t CollectionUpRes::SizeFactor(double target_scale) {
  if (!(target_scale > 0) || !std::isfinite(target_scale)) return 0;
  const double factor = std::round(655360.0 / target_scale);
  if (!(factor >= 1) || factor > 4294967295.0) return 0;
  return static_cast<uint32_t>(factor);
}

CollectionUpRes::CollectionUpRes(Collection& collection, const fs::path& folder, Options options)
    : collection_(collection),
      options_(std::move(options)),
      start_(std::chrono::steady_clock::now()) {
  char title[256];
  std::snprintf(title, sizeof title, "UpRes %d (%s)", ++g_log_number, options_.name.c_str());
  log_ = title;
  LogMessage(2, log_.c_str(), "****************** Begin UpRes log for '%s' ******************\n",
             options_.name.c_str());
  folders_ = SequenceFolder::SequenceFolders(folder);
}

std::string CollectionUpRes::Upcoming() const {
  return next_ < collection_.sequences.size() ? collection_.sequences[next_]->Name()
                                              : std::string();
}

bool CollectionUpRes::Next() {
  if (next_ >= collection_.sequences.size()) return false;
  ReadSequence(*collection_.sequences[next_++]);
  return true;
}

void CollectionUpRes::ReadSequence(Sequence& sequence) {
  const char* log = log_.c_str();
  const std::string name = sequence.Name();
  LogMessage(2, log, "scanning sequence '%s'\n", name.c_str());
  const fs::path* found = nullptr;
  for (const fs::path& p : folders_) {
    std::string folder_name;
    bool has = false;
    int64_t v = 0, f = 0;
    SequenceFolder::ParseName(p.filename().string(), folder_name, has, v, f);
    if (folder_name == name && !found) found = &p;
  }
  for (const fs::path& p : folders_) {
    std::string folder_name;
    bool has = false;
    int64_t v = 0, f = 0;
    SequenceFolder::ParseName(p.filename().string(), folder_name, has, v, f);
    if (EqualNoCase(folder_name, name) && !found) found = &p;
  }
  if (!found) {
    LogMessage(1, log, "WARNING: no high-res sequence folder for sequence '%s'\n", name.c_str());
    return;
  }
  LogMessage(2, log, "scanning sequence folder '%s'\n", found->filename().string().c_str());
  const SequenceFolder folder = SequenceFolder::Read(*found);
  if (!folder.Check(log, SequenceFolder::kMaxFrameViews)) {
    ++skipped_;
    return;
  }
  if (folder.views != sequence.view_count ||
      folder.frames != static_cast<int64_t>(sequence.frames.size())) {
    LogMessage(0, log,
               "ERROR: sequence '%s' has %d views and %d frames, but its folder '%s' has %d and "
               "%d\n",
               name.c_str(), static_cast<int>(sequence.view_count),
               static_cast<int>(sequence.frames.size()), folder.folder_name.c_str(),
               static_cast<int>(folder.views), static_cast<int>(folder.frames));
    ++skipped_;
    return;
  }
  // The mirrored half of a mirrored sequence follows the views it mirrors.
  const bool mirrored = (sequence.flags & cl::kSequenceMirroring) && sequence.view_count >= 3;
  const size_t real = mirrored ? sequence.view_count / 2 + 1 : sequence.view_count;
  const BitmapOrder order = folder.Order(options_.order);
  bool individually = folder.script.align_individually.value_or(options_.align_individually);

  std::vector<Pair> pairs;
  uint32_t width = 0, height = 0;
  bool same_size = true;
  for (size_t f = 0; f < sequence.frames.size(); ++f) {
    for (size_t v = 0; v < real; ++v) {
      const FrameView& view = sequence.frames[f].views[v];
      const int64_t index =
          folder.ImageIndex(static_cast<int64_t>(f), static_cast<int64_t>(v), order);
      if (!view.bitmap || index < 0) continue;
      Pair pair;
      SequenceFolder::Render render;
      if (!folder.LoadRender(log, static_cast<size_t>(index), render)) {
        LogMessage(0, log, "ERROR: could not create UpRes bitmap instance for '%s' (bad format?)\n",
                   folder.bitmaps[static_cast<size_t>(index)].filename().string().c_str());
        ++skipped_;
        return;
      }
      ++instances_;
      if (width == 0) {
        width = render.color.width();
        height = render.color.height();
      }
      same_size = same_size && render.color.width() == width && render.color.height() == height;
      pair.file_name = folder.bitmaps[static_cast<size_t>(index)].filename().string();
      // Colours the collection keeps at entry 0 or 1 are its transparency, as in the build.
      // Renders of one scene share their palette, so the answer is kept for the next one.
      if (!clear_known_ || render.palette != clear_palette_) {
        clear_palette_ = render.palette;
        clear_known_ = true;
        for (int k = 0; k < 256; ++k) {
          clear_[k] = false;
          for (int j = 0; j < 256; ++j) {
            if (std::equal(&clear_palette_[k * 3], &clear_palette_[k * 3 + 3],
                           &collection_.palette[j * 3])) {
              clear_[k] = j <= 1;
              break;
            }
          }
        }
      }
      std::array<uint8_t, 256> same{};
      for (int k = 0; k < 256; ++k) same[k] = static_cast<uint8_t>(k);
      Image::Rect bounds;
      if (!SequenceFolder::Compose(render, options_.invert_alphas, same, clear_, false, pair.image,
                                   bounds)) {
        LogMessage(1, log,
                   "WARNING: the high-res bitmap '%s' is fully transparent; it is not used.\n",
                   pair.file_name.c_str());
        continue;
      }
      pair.sequence = &sequence;
      pair.frame = f;
      pair.view = v;
      pair.x0 = bounds.x0;
      pair.y0 = bounds.y0;
      // Where the standard bitmap's registration point falls in the render, by its place
      // within the opaque bounds.
      pair.reg_x = bounds.x0 + static_cast<double>(view.registration_x) * pair.image.width() /
                                   view.bitmap->width;
      pair.reg_y = bounds.y0 + static_cast<double>(view.registration_y) * pair.image.height() /
                                   view.bitmap->height;
      pairs.push_back(std::move(pair));
    }
  }
  if (!same_size && !individually) {
    LogMessage(
        0, log,
        "ERROR: sequence '%s': not all bitmaps are the same size; Alignment not preserved!\n",
        name.c_str());
    individually = true;
  }
  if (!individually && !pairs.empty()) {
    // Renders of one camera share one registration point: the mean of what each one says.
    double x = 0, y = 0;
    for (const Pair& p : pairs) {
      x += p.reg_x;
      y += p.reg_y;
    }
    for (Pair& p : pairs) {
      p.reg_x = x / static_cast<double>(pairs.size());
      p.reg_y = y / static_cast<double>(pairs.size());
    }
  }
  for (Pair& p : pairs) pairs_.push_back(std::move(p));
}

bool CollectionUpRes::EstimateScale() {
  const char* log = log_.c_str();
  if (pairs_.empty()) {
    LogMessage(0, log,
               "FATAL: no high-res bitmap could be paired with a bitmap of the collection.\n");
    return false;
  }
  double t = options_.tolerance;
  int raises = 0;
  double s = 0;
  for (int pass = 0; pass < 5; ++pass) {
    double sum = 0;
    int accepted = 0;
    for (const Pair& p : pairs_) {
      const FrameView& view = p.sequence->frames[p.frame].views[p.view];
      const double w = view.bitmap->width, h = view.bitmap->height;
      const double W = p.image.width(), H = p.image.height();
      bool ok = false;
      double dx = 0, dy = 0;
      if (pass == 0) {
        ok = std::fabs((w / h) / (W / H) - 1) < t;
      } else {
        dx = std::fabs(W / w / s - 1);
        dy = std::fabs(H / h / s - 1);
        ok = std::max(dx, dy) < t;
      }
      if (ok) {
        sum += (W / w + H / h) / 2;
        ++accepted;
      } else if (pass == 4) {
        LogMessage(
            1, log,
            "SCALE WARNING: %s(%dx%d) vs %s(%dx%d) - dimensions differ by (%.1lf%%, %.1lf%%)\n",
            view.bitmap->Name().c_str(), static_cast<int>(w), static_cast<int>(h),
            p.file_name.c_str(), static_cast<int>(W), static_cast<int>(H), dx * 100, dy * 100);
      }
    }
    if (accepted == 0) {
      if (raises == kMaxToleranceRaises) {
        LogMessage(0, log,
                   "FATAL: no bitmaps passed with warn_fraction %.2lf after %d raises; nothing was "
                   "written.\n",
                   t, raises);
        return false;
      }
      ++raises;
      t += 0.1;
      LogMessage(
          1, log,
          "WARNING: no bitmaps passed; warn_fraction too low. raising warn_fraction to %.2lf\n", t);
      pass = -1;
      continue;
    }
    s = sum / accepted;
    LogMessage(2, log, "computed global scale: %.2lf\n", s);
  }
  scale_ = s;
  // A render exactly at the target size must not fail on the last bit of a mean.
  if (s < options_.target_scale * (1 - 1e-9)) {
    LogMessage(0, log,
               "FATAL: computed scale (%.2lf) must not be less than the target scale (%.2lf).\n", s,
               options_.target_scale);
    return false;
  }
  return true;
}

void CollectionUpRes::Resample(const Pair& pair, uint32_t width, uint32_t height, uint16_t* nearest,
                               Image& out) const {
  const Image& in = pair.image;
  const std::span<const uint8_t> palette = in.palette();
  const std::span<const uint8_t> src = in.pixels();
  out.setSize(width, height, ImageFormat::kIndexedAlpha);
  const std::span<uint8_t> dst = out.mutablePixels();
  const auto lookup = [&](int r, int g, int b) {
    uint16_t& slot = nearest[static_cast<size_t>(r) << 16 | static_cast<size_t>(g) << 8 |
                             static_cast<size_t>(b)];
    if (slot == 0) {
      slot = static_cast<uint16_t>(collection_.NearestColor(2, 255, static_cast<uint8_t>(r),
                                                            static_cast<uint8_t>(g),
                                                            static_cast<uint8_t>(b)) +
                                   1);
    }
    return static_cast<uint8_t>(slot - 1);
  };
  if (width == in.width() && height == in.height()) {
    // Nothing to resample: every pixel stays, in the nearest of the collection's colours.
    std::array<uint8_t, 256> map{};
    for (int k = 0; k < 256; ++k)
      map[k] = lookup(palette[k * 3], palette[k * 3 + 1], palette[k * 3 + 2]);
    for (size_t i = 0; i + 1 < src.size(); i += 2) {
      dst[i] = src[i];
      dst[i + 1] = src[i] ? map[src[i + 1]] : 0;
    }
    return;
  }
  // Premultiplied, so that the transparent surroundings lend an edge no colour.
  const uint32_t W = in.width(), H = in.height();
  const auto xs = AxisTaps(W, width), ys = AxisTaps(H, height);
  std::vector<float> rows(static_cast<size_t>(H) * width * 4, 0.0f);
  for (uint32_t y = 0; y < H; ++y) {
    const uint8_t* line = &src[static_cast<size_t>(y) * W * 2];
    float* o = &rows[static_cast<size_t>(y) * width * 4];
    for (uint32_t x = 0; x < width; ++x, o += 4) {
      for (const Tap& t : xs[x]) {
        const uint8_t a = line[t.source * 2];
        if (a == 0) continue;
        const uint8_t* c = &palette[line[t.source * 2 + 1] * 3];
        const float wa = t.weight * a;
        o[0] += wa * c[0];
        o[1] += wa * c[1];
        o[2] += wa * c[2];
        o[3] += wa;
      }
    }
  }
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      float acc[4] = {0, 0, 0, 0};
      for (const Tap& t : ys[y]) {
        const float* r = &rows[(static_cast<size_t>(t.source) * width + x) * 4];
        for (int k = 0; k < 4; ++k) acc[k] += t.weight * r[k];
      }
      uint8_t* d = &dst[(static_cast<size_t>(y) * width + x) * 2];
      const int alpha = std::min(255, static_cast<int>(acc[3] + 0.5f));
      if (alpha <= 0) {
        d[0] = d[1] = 0;
        continue;
      }
      const auto channel = [&](float v) {
        return std::clamp(static_cast<int>(v / acc[3] + 0.5f), 0, 255);
      };
      d[0] = static_cast<uint8_t>(alpha);
      d[1] = lookup(channel(acc[0]), channel(acc[1]), channel(acc[2]));
    }
  }
}

bool CollectionUpRes::Finish(const std::function<bool(Collection&)>& save) {
  const char* log = log_.c_str();
  const auto elapsed = [&] {
    LogMessage(2, log, "%d instances, %d unique\n", instances_, unique_);
    LogMessage(2, log, "%.2lfs elpased\n",
               std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count());
  };
  const uint32_t size_factor = SizeFactor(options_.target_scale);
  if (size_factor == 0) {
    LogMessage(0, log, "FATAL: the target scale (%.2lf) gives no alternate size factor.\n",
               options_.target_scale);
    elapsed();
    return false;
  }
  if (!EstimateScale()) {
    elapsed();
    return false;
  }
  const double f = options_.target_scale / scale_;
  // Every size is checked before anything is made: a refusal changes nothing.
  std::vector<std::pair<uint32_t, uint32_t>> sizes;
  for (const Pair& p : pairs_) {
    const double w = std::round(p.image.width() * f), h = std::round(p.image.height() * f);
    if (!(w >= 1 && h >= 1 && w <= 0xFFFF && h <= 0xFFFF)) {
      LogMessage(0, log,
                 "FATAL: the high-res bitmap '%s' would be %.0lfx%.0lf at the target scale.\n",
                 p.file_name.c_str(), w, h);
      elapsed();
      return false;
    }
    sizes.emplace_back(static_cast<uint32_t>(w), static_cast<uint32_t>(h));
  }
  std::vector<Image> images(pairs_.size());
  // The nearest entry of every colour met, 0 while not looked up; calloc leaves the pages that
  // no colour touches unmade.
  const std::unique_ptr<uint16_t, decltype(&std::free)> nearest(
      static_cast<uint16_t*>(std::calloc(size_t{1} << 24, sizeof(uint16_t))), &std::free);
  if (!nearest) {
    LogMessage(0, log, "FATAL: out of memory.\n");
    elapsed();
    return false;
  }
  for (size_t i = 0; i < pairs_.size(); ++i)
    Resample(pairs_[i], sizes[i].first, sizes[i].second, nearest.get(), images[i]);

  // Identical renders share one bitmap.
  const size_t before = collection_.bitmaps.size();
  std::vector<int> bitmap_of(pairs_.size(), -1);
  std::unordered_multimap<uint32_t, size_t> by_hash;
  std::vector<size_t> unique;
  for (size_t i = 0; i < images.size(); ++i) {
    const uint32_t hash = images[i].computeHash();
    const auto [first, last] = by_hash.equal_range(hash);
    for (auto it = first; it != last && bitmap_of[i] < 0; ++it) {
      if (images[it->second].equals(images[i])) bitmap_of[i] = bitmap_of[it->second];
    }
    if (bitmap_of[i] >= 0) continue;
    bitmap_of[i] = static_cast<int>(unique.size());
    unique.push_back(i);
    by_hash.emplace(hash, i);
  }
  unique_ = static_cast<int>(unique.size());
  if (before + unique.size() > kMaxBitmaps) {
    LogMessage(0, log, "FATAL: the collection cannot hold %d more bitmaps.\n", unique_);
    elapsed();
    return false;
  }
  std::vector<CollectionBitmap*> made;
  for (size_t i : unique) {
    const Image& image = images[i];
    const std::span<const uint8_t> p = image.pixels();
    bool transparent = false;
    for (size_t k = 0; k < p.size() && !transparent; k += 2) transparent = p[k] == 0;
    CollectionBitmap* b = collection_.AddOrReplaceBitmap(
        ColorImport::BitmapNameFromFile(pairs_[i].file_name), transparent ? cl::kBitmapRle : 0, p,
        static_cast<uint16_t>(image.width()), static_cast<uint16_t>(image.height()), 2, nullptr);
    b->NormaliseAlpha();
    made.push_back(b);
  }
  for (size_t i = 0; i < pairs_.size(); ++i) {
    const Pair& p = pairs_[i];
    FrameView& view = p.sequence->frames[p.frame].views[p.view];
    const auto b = static_cast<size_t>(bitmap_of[i]);
    view.flags |= cl::kViewHasAlternate;
    view.alternate = made[b];
    view.alternate_index = static_cast<uint16_t>(before + b);
    view.alternate_size_factor = size_factor;
    view.alternate_registration_x = static_cast<uint16_t>(std::lround((p.reg_x - p.x0) * f));
    view.alternate_registration_y = static_cast<uint16_t>(std::lround((p.reg_y - p.y0) * f));
  }
  // Every direction switches together: a mirrored view shows its counterpart's alternate,
  // mirrored as its standard bitmap is.
  for (const auto& sequence : collection_.sequences) {
    if (!(sequence->flags & cl::kSequenceMirroring) || sequence->view_count < 3) continue;
    const size_t views = sequence->view_count, real = views / 2 + 1;
    for (SequenceFrame& frame : sequence->frames) {
      if (frame.views.size() != views) continue;
      for (size_t k = real; k < views; ++k) {
        const FrameView& from = frame.views[views - k];
        FrameView& to = frame.views[k];
        if (!(from.flags & cl::kViewHasAlternate) || !from.alternate) continue;
        to.flags |= cl::kViewHasAlternate;
        to.alternate = from.alternate;
        to.alternate_index = from.alternate_index;
        to.alternate_size_factor = from.alternate_size_factor;
        to.alternate_registration_x =
            static_cast<uint16_t>(from.alternate->width - from.alternate_registration_x);
        to.alternate_registration_y = from.alternate_registration_y;
      }
    }
  }
  elapsed();
  return save(collection_);
}
