#include "collections/Collection.h"

#include <algorithm>

#include "collections/CollectionReader.h"
#include "collections/CollectionWriter.h"

namespace {

template <typename T>
T* At(const std::vector<std::unique_ptr<T>>& list, int index) {
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return nullptr;
  return list[static_cast<size_t>(index)].get();
}

template <typename T>
int IndexOf(const std::vector<std::unique_ptr<T>>& list, const T* item) {
  if (!item) return -1;
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i].get() == item) return static_cast<int>(i);
  }
  return -1;
}

template <typename T>
int Move(std::vector<std::unique_ptr<T>>& list, const T* item, int new_index) {
  const int old_index = IndexOf(list, item);
  if (old_index < 0 || new_index == old_index) return -1;
  new_index = std::clamp(new_index, 0, static_cast<int>(list.size()));
  std::unique_ptr<T> owned = std::move(list[static_cast<size_t>(old_index)]);
  list.erase(list.begin() + old_index);
  if (old_index < new_index) --new_index;
  list.insert(list.begin() + new_index, std::move(owned));
  return new_index;
}

template <typename T>
std::unique_ptr<T> Remove(std::vector<std::unique_ptr<T>>& list, const T* item) {
  const int index = IndexOf(list, item);
  if (index < 0) return nullptr;
  std::unique_ptr<T> owned = std::move(list[static_cast<size_t>(index)]);
  list.erase(list.begin() + index);
  return owned;
}

}  // namespace

bool Collection::Load(std::span<const uint8_t> data, const TagHeader& header, bool full,
                      std::string& error) {
  return CollectionReader::Read(data, header, full, *this, error);
}

bool Collection::Save(ByteWriter& out, TagHeader& header, std::string& error) {
  return CollectionWriter::Write(*this, out, header, error);
}

CollectionBitmap* Collection::BitmapAt(int index) const {
  return At(bitmaps, index);
}
HueChange* Collection::HueChangeAt(int index) const {
  return At(hue_changes, index);
}
Sequence* Collection::SequenceAt(int index) const {
  return At(sequences, index);
}

int Collection::IndexOfBitmap(const CollectionBitmap* bitmap) const {
  return IndexOf(bitmaps, bitmap);
}
int Collection::IndexOfHueChange(const HueChange* hue_change) const {
  return IndexOf(hue_changes, hue_change);
}
int Collection::IndexOfSequence(const Sequence* sequence) const {
  return IndexOf(sequences, sequence);
}

Sequence* Collection::AddSequence(std::string_view name) {
  auto sequence = std::make_unique<Sequence>();
  sequence->SetName(name);
  sequence->frames.push_back(sequence->NewFrame());
  sequences.push_back(std::move(sequence));
  return sequences.back().get();
}

HueChange* Collection::AddHueChange(std::string_view name) {
  auto hue_change = std::make_unique<HueChange>();
  hue_change->SetName(name);
  hue_changes.push_back(std::move(hue_change));
  return hue_changes.back().get();
}

int Collection::MoveSequence(const Sequence* sequence, int new_index) {
  return Move(sequences, sequence, new_index);
}

int Collection::MoveHueChange(const HueChange* hue_change, int new_index) {
  return Move(hue_changes, hue_change, new_index);
}

int Collection::MoveBitmap(const CollectionBitmap* bitmap, int new_index) {
  const int result = Move(bitmaps, bitmap, new_index);
  // Every bitmap between the old and the new place shifts too, not just the moved one.
  if (result >= 0) RenumberBitmapReferences();
  return result;
}

template <typename Visit>
void Collection::ForEachReference(Visit visit) {
  for (const auto& sequence : sequences) {
    for (SequenceFrame& frame : sequence->frames) {
      visit(frame.record.shadow, frame.record.shadow_index);
      for (FrameView& view : frame.views) {
        visit(view.bitmap, view.bitmap_index);
        // Without the flag the alternate fields mean nothing.
        if (view.flags & collection_layout::kViewHasAlternate) {
          visit(view.alternate, view.alternate_index);
        }
      }
    }
  }
}

void Collection::RenumberBitmapReferences() {
  ForEachReference([this](CollectionBitmap*& bitmap, uint16_t& index) {
    if (bitmap) index = static_cast<uint16_t>(IndexOfBitmap(bitmap));
  });
}

void Collection::RemoveBitmap(const CollectionBitmap* bitmap) {
  const int index = IndexOfBitmap(bitmap);
  if (index < 0) return;
  // A view left with the alternate flag but no alternate would be saved with a stale index.
  for (const auto& sequence : sequences) {
    for (SequenceFrame& frame : sequence->frames) {
      for (FrameView& view : frame.views) {
        if (!(view.flags & collection_layout::kViewHasAlternate) || view.alternate != bitmap) {
          continue;
        }
        view.flags &= ~collection_layout::kViewHasAlternate;
        view.alternate = nullptr;
        view.alternate_index = 0;
        view.alternate_size_factor = 0;
        view.alternate_registration_x = 0;
        view.alternate_registration_y = 0;
      }
    }
  }
  ForEachReference([bitmap](CollectionBitmap*& pointer, uint16_t& reference) {
    if (pointer == bitmap) {
      pointer = nullptr;
      reference = collection_layout::kNoIndex;
    }
  });
  Discard(Remove(bitmaps, bitmap));
  RenumberBitmapReferences();
}

void Collection::RemoveSequence(const Sequence* sequence) {
  Discard(Remove(sequences, sequence));
}

void Collection::RemoveHueChange(const HueChange* hue_change) {
  Discard(Remove(hue_changes, hue_change));
}

void Collection::RedirectBitmapReferences(const CollectionBitmap* from, CollectionBitmap* to) {
  const int index = IndexOfBitmap(to);
  if (index < 0 || from == to) return;
  ForEachReference([from, to, index](CollectionBitmap*& pointer, uint16_t& reference) {
    if (pointer != from) return;
    pointer = to;
    reference = static_cast<uint16_t>(index);
  });
}

CollectionBitmap* Collection::AddOrReplaceBitmap(std::string_view name, uint16_t flags,
                                                 std::span<const uint8_t> pixels, uint16_t width,
                                                 uint16_t height, uint16_t bytes_per_pixel,
                                                 const CollectionBitmap* old) {
  const int old_index = old ? IndexOfBitmap(old) : -1;
  if (old && old_index < 0) return nullptr;
  if (pixels.size() != size_t{width} * height * bytes_per_pixel) return nullptr;
  auto bitmap = std::make_unique<CollectionBitmap>();
  bitmap->SetName(name);
  bitmap->width = width;
  bitmap->height = height;
  bitmap->flags = flags;
  bitmap->bytes_per_pixel = bytes_per_pixel;
  bitmap->pixels.assign(pixels.begin(), pixels.end());
  CollectionBitmap* made = bitmap.get();
  if (old_index < 0) {
    bitmaps.push_back(std::move(bitmap));
    return made;
  }
  ForEachReference([old, made](CollectionBitmap*& pointer, uint16_t&) {
    if (pointer == old) pointer = made;
  });
  std::swap(bitmaps[static_cast<size_t>(old_index)], bitmap);
  Discard(std::move(bitmap));
  return made;
}

void Collection::MarkUsedBitmaps() {
  for (const auto& bitmap : bitmaps) bitmap->in_use = 0;
  ForEachReference([](CollectionBitmap*& bitmap, uint16_t&) {
    if (bitmap) bitmap->in_use = 1;
  });
}

int Collection::NearestColor(int first, int last, uint8_t red, uint8_t green, uint8_t blue) const {
  first = std::clamp(first, 0, 255);
  last = std::clamp(last, 0, 255);
  int best = first;
  long best_distance = -1;
  for (int i = first; i <= last; ++i) {
    const long dr = palette[i * 3] - red;
    const long dg = palette[i * 3 + 1] - green;
    const long db = palette[i * 3 + 2] - blue;
    const long distance = dr * dr + dg * dg + db * db;
    if (best_distance < 0 || distance < best_distance) {
      best = i;
      best_distance = distance;
      if (distance == 0) break;
    }
  }
  return best;
}
