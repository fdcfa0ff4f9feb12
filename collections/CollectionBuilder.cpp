#include "collections/CollectionBuilder.h"

#include <algorithm>
#include <cstdio>

#include "base/MessageLog.h"
#include "collections/CollectionLayout.h"

namespace fs = std::filesystem;
namespace cl = collection_layout;

namespace {
// Bitmap indices are 16 bits with 0xFFFF meaning none.
constexpr size_t kMaxBitmaps = 0xFFFF;
int g_log_number = 0;
}  // namespace

CollectionBuilder::CollectionBuilder(const fs::path& root, Options options)
    : options_(std::move(options)), start_(std::chrono::steady_clock::now()) {
  char title[256];
  std::snprintf(title, sizeof title, "BuildCollection %d (%s)", ++g_log_number,
                options_.name.c_str());
  log_ = title;
  LogMessage(2, log_.c_str(),
             "****************** Begin BuildCollection log for '%s' ******************\n",
             options_.name.c_str());
  folders_ = SequenceFolder::SequenceFolders(root);
  used_.known = true;  // a new collection: no entry is used yet
}

fs::path CollectionBuilder::Upcoming() const {
  return next_ < folders_.size() ? folders_[next_] : fs::path();
}

bool CollectionBuilder::Next() {
  if (next_ >= folders_.size()) return false;
  const fs::path& path = folders_[next_++];
  LogMessage(2, log_.c_str(), "scanning sequence folder '%s'\n", path.filename().string().c_str());
  const SequenceFolder folder = SequenceFolder::Read(path);
  if (folder.Check(log_.c_str(), SequenceFolder::kMaxFrameViews - frame_views_) &&
      BuildFolder(folder)) {
    ++built_;
  } else {
    ++skipped_;
  }
  return true;
}

CollectionBitmap* CollectionBuilder::FindShared(const Image& image, uint32_t hash) const {
  const auto [first, last] = by_hash_.equal_range(hash);
  for (auto it = first; it != last; ++it) {
    const CollectionBitmap* b = it->second;
    if (b->width == image.width() && b->height == image.height() &&
        std::equal(b->pixels.begin(), b->pixels.end(), image.pixels().begin(),
                   image.pixels().end()))
      return it->second;
  }
  return nullptr;
}

bool CollectionBuilder::BuildFolder(const SequenceFolder& folder) {
  const char* log = log_.c_str();
  // Everything this folder adds goes again if any of its images fails.
  const size_t bitmaps_before = collection_.bitmaps.size();
  const std::array<uint8_t, 768> palette_before = collection_.palette;
  const ColorImport::UsedEntries used_before = used_;
  std::vector<uint32_t> hashes_added;
  const auto roll_back = [&] {
    for (uint32_t h : hashes_added) {
      const auto [first, last] = by_hash_.equal_range(h);
      for (auto it = first; it != last;) {
        it = collection_.IndexOfBitmap(it->second) >= static_cast<int>(bitmaps_before)
                 ? by_hash_.erase(it)
                 : std::next(it);
      }
    }
    collection_.bitmaps.resize(bitmaps_before);
    collection_.palette = palette_before;
    used_ = used_before;
    return false;
  };

  struct Placed {
    CollectionBitmap* bitmap = nullptr;
    int32_t x0 = 0, y0 = 0;
  };
  const int64_t needed = folder.ImageSets() * folder.views;
  std::vector<Placed> placed(static_cast<size_t>(needed));
  for (size_t i = 0; i < placed.size(); ++i) {
    SequenceFolder::Render render;
    if (!folder.LoadRender(log, i, render)) return roll_back();
    const std::string file_name = folder.bitmaps[i].filename().string();
    const uint32_t count =
        render.color.is(ImageFormat::kIndexed) ? render.color.paletteCount() : 256;
    ColorImport::Reconciled reconciled;
    if (!ColorImport::reconcile(collection_, render.palette, count, used_, reconciled)) {
      LogMessage(0, log, "ERROR: The bitmap '%s' could not be added (palette mismiatch?)\n",
                 file_name.c_str());
      return roll_back();
    }
    // Colours that land on entry 0 or 1 are the collection's transparency.
    std::array<bool, 256> clear{};
    for (int k = 0; k < 256; ++k) clear[k] = reconciled.map[k] <= 1;
    Image image;
    Image::Rect bounds;
    if (!SequenceFolder::Compose(render, options_.invert_alphas, reconciled.map, clear, true, image,
                                 bounds)) {
      LogMessage(1, log, "WARNING: the bitmap '%s' is fully transparent; its view has no bitmap.\n",
                 file_name.c_str());
      continue;
    }
    const uint32_t hash = image.computeHash();
    CollectionBitmap* bitmap = FindShared(image, hash);
    if (!bitmap) {
      if (collection_.bitmaps.size() >= kMaxBitmaps) {
        LogMessage(0, log, "ERROR: The bitmap '%s' could not be added (palette mismiatch?)\n",
                   file_name.c_str());
        return roll_back();
      }
      const std::span<const uint8_t> p = image.pixels();
      bool transparent = false;
      for (size_t k = 0; k < p.size() && !transparent; k += 2) transparent = p[k] == 0;
      bitmap = collection_.AddOrReplaceBitmap(
          ColorImport::BitmapNameFromFile(folder.bitmaps[i]), transparent ? cl::kBitmapRle : 0, p,
          static_cast<uint16_t>(image.width()), static_cast<uint16_t>(image.height()), 2, nullptr);
      if (!bitmap) {
        LogMessage(0, log, "ERROR: The bitmap '%s' was neither 8 or 16-bit\n", file_name.c_str());
        return roll_back();
      }
      bitmap->NormaliseAlpha();
      collection_.palette = reconciled.palette;
      used_.Use(bitmap->pixels);
      by_hash_.emplace(hash, bitmap);
      hashes_added.push_back(hash);
    }
    placed[i] = {bitmap, bounds.x0, bounds.y0};
  }

  Sequence* sequence = collection_.AddSequence(folder.name);
  sequence->view_count = static_cast<uint16_t>(folder.views);
  sequence->frames.assign(static_cast<size_t>(folder.frames), sequence->NewFrame());
  const BitmapOrder order = folder.Order(options_.order);
  for (int64_t f = 0; f < folder.frames; ++f) {
    for (int64_t v = 0; v < folder.views; ++v) {
      const int64_t image = folder.ImageIndex(f, v, order);
      if (image < 0) continue;  // an empty frame
      const Placed& p = placed[static_cast<size_t>(image)];
      if (!p.bitmap) continue;
      FrameView& view = sequence->frames[static_cast<size_t>(f)].views[static_cast<size_t>(v)];
      view.bitmap = p.bitmap;
      view.bitmap_index = static_cast<uint16_t>(collection_.IndexOfBitmap(p.bitmap));
      // Without alignment data the render's own offset is 0: the point is the dialog's, moved
      // with the crop.
      view.registration_x = static_cast<uint16_t>(options_.registration_x - p.x0);
      view.registration_y = static_cast<uint16_t>(options_.registration_y - p.y0);
      view.load_bitmap_index = view.bitmap_index;
      view.load_registration_x = view.registration_x;
      view.load_registration_y = view.registration_y;
    }
  }
  sequence->ComputeBounds();
  frame_views_ += folder.views * folder.frames;
  return true;
}

bool CollectionBuilder::Finish(const std::function<bool(Collection&)>& save) {
  const char* log = log_.c_str();
  LogMessage(2, log, "Writing collection data to disk...");
  const bool ok = save(collection_);
  LogMessage(ok ? 2 : 0, log, ok ? "ok.\n" : "failed!\n");
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  LogMessage(2, log, "%.2lfs elpased\n", seconds);
  return ok;
}
