#include "collections/CollectionChange.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_set>
#include <utility>

#include "collections/Collection.h"

namespace {

// What a bitmap says about itself besides its pixels.
struct BitmapMeta {
  std::array<char, 64> name{};
  uint16_t width = 0;
  uint16_t height = 0;
  uint16_t flags = 0;
  uint16_t bytes_per_pixel = 0;

  static BitmapMeta Of(const CollectionBitmap& b) {
    return {b.name, b.width, b.height, b.flags, b.bytes_per_pixel};
  }
  bool operator==(const BitmapMeta&) const = default;
  void SwapWith(CollectionBitmap& b) {
    std::swap(name, b.name);
    std::swap(width, b.width);
    std::swap(height, b.height);
    std::swap(flags, b.flags);
    std::swap(bytes_per_pixel, b.bytes_per_pixel);
  }
};

static_assert(sizeof(HueChange) == HueChange::kRecordSize, "hue changes compare as bytes");

bool SameRecord(const HueChange& a, const HueChange& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// How one list's order differs between the two states: the common head and tail are left out
// and only the middles are kept, so moving one item near its old place costs little.
template <typename T>
struct OrderDiff {
  size_t prefix = 0;
  std::vector<T*> before;
  std::vector<T*> after;
  bool changed = false;

  void Compute(const std::vector<T*>& old_order, const std::vector<std::unique_ptr<T>>& list) {
    const size_t old_size = old_order.size();
    const size_t new_size = list.size();
    size_t head = 0;
    while (head < old_size && head < new_size && old_order[head] == list[head].get()) ++head;
    if (head == old_size && head == new_size) return;
    size_t tail = 0;
    while (tail < old_size - head && tail < new_size - head &&
           old_order[old_size - 1 - tail] == list[new_size - 1 - tail].get()) {
      ++tail;
    }
    changed = true;
    prefix = head;
    before.assign(old_order.begin() + static_cast<ptrdiff_t>(head),
                  old_order.end() - static_cast<ptrdiff_t>(tail));
    after.reserve(new_size - head - tail);
    for (size_t i = head; i < new_size - tail; ++i) after.push_back(list[i].get());
    before.shrink_to_fit();
  }

  // Replaces the middle of `list` (now `current`) by `wanted`, taking the items from the pool
  // and leaving the ones taken out in it.
  static void Rearrange(std::vector<std::unique_ptr<T>>& list,
                        std::vector<std::unique_ptr<T>>& pool, size_t prefix, size_t current,
                        const std::vector<T*>& wanted) {
    const auto first = list.begin() + static_cast<ptrdiff_t>(prefix);
    const auto last = first + static_cast<ptrdiff_t>(current);
    pool.insert(pool.end(), std::make_move_iterator(first), std::make_move_iterator(last));
    list.erase(first, last);
    std::vector<std::unique_ptr<T>> middle;
    middle.reserve(wanted.size());
    for (T* item : wanted) {
      const auto found =
          std::find_if(pool.begin(), pool.end(),
                       [item](const std::unique_ptr<T>& p) { return p.get() == item; });
      middle.push_back(std::move(*found));
      pool.erase(found);
    }
    list.insert(list.begin() + static_cast<ptrdiff_t>(prefix),
                std::make_move_iterator(middle.begin()), std::make_move_iterator(middle.end()));
  }

  void Swap(std::vector<std::unique_ptr<T>>& list, std::vector<std::unique_ptr<T>>& pool,
            bool to_before) const {
    if (!changed) return;
    const std::vector<T*>& current = to_before ? after : before;
    Rearrange(list, pool, prefix, current.size(), to_before ? before : after);
  }

  size_t Bytes() const { return (before.capacity() + after.capacity()) * sizeof(T*); }
};

// Frees the items of the pool that the state before does not hold: made and removed within
// the change, they belong to neither state.
template <typename T>
void Prune(std::vector<std::unique_ptr<T>>& pool, const std::unordered_set<const T*>& before) {
  std::erase_if(pool,
                [&before](const std::unique_ptr<T>& item) { return !before.contains(item.get()); });
  pool.shrink_to_fit();
}

size_t SequenceBytes(const Sequence& s) {
  size_t bytes = sizeof(Sequence) + s.frames.capacity() * sizeof(SequenceFrame);
  for (const SequenceFrame& frame : s.frames) bytes += frame.views.capacity() * sizeof(FrameView);
  return bytes;
}

size_t BitmapBytes(const CollectionBitmap& b) {
  return sizeof(CollectionBitmap) + b.pixels.capacity() + b.kept_block.capacity();
}

}  // namespace

// The state taken when the change began; dropped once Finish has compared it.
struct CollectionSnapshot {
  std::array<uint8_t, 768> palette;
  uint32_t usage;
  uint32_t header_word;
  std::vector<CollectionBitmap*> bitmaps;
  std::vector<BitmapMeta> metas;
  std::unordered_set<const CollectionBitmap*> bitmap_set;
  std::vector<HueChange*> hue_changes;
  std::vector<HueChange> hue_records;
  std::vector<Sequence*> sequences;
  std::vector<Sequence> sequence_copies;
  // Pixels as they were, of the bitmaps touched before their pixels changed.
  std::vector<std::pair<CollectionBitmap*, std::vector<uint8_t>>> touched;
};

// After Finish every record holds the side that is not in the collection: the state before
// while the change is applied, the state after once reverted. Revert and Apply swap them.
struct CollectionChange::State : Collection::Keeper {
  Collection* collection = nullptr;
  Collection::Keeper* previous_keeper = nullptr;
  std::unique_ptr<CollectionSnapshot> snapshot;
  bool finished = false;
  bool applied = true;
  bool changed = false;

  std::vector<std::unique_ptr<CollectionBitmap>> bitmap_pool;
  std::vector<std::unique_ptr<HueChange>> hue_pool;
  std::vector<std::unique_ptr<Sequence>> sequence_pool;

  std::unique_ptr<std::array<uint8_t, 768>> palette;
  bool words_changed = false;
  uint32_t usage = 0;
  uint32_t header_word = 0;
  OrderDiff<CollectionBitmap> bitmap_order;
  OrderDiff<HueChange> hue_order;
  OrderDiff<Sequence> sequence_order;
  std::vector<std::pair<CollectionBitmap*, BitmapMeta>> metas;
  std::vector<std::pair<CollectionBitmap*, std::vector<uint8_t>>> pixels;
  std::vector<std::pair<HueChange*, HueChange>> hue_records;
  std::vector<std::pair<Sequence*, Sequence>> sequences;

  void Keep(std::unique_ptr<CollectionBitmap> bitmap) override {
    bitmap_pool.push_back(std::move(bitmap));
  }
  void Keep(std::unique_ptr<HueChange> hue_change) override {
    hue_pool.push_back(std::move(hue_change));
  }
  void Keep(std::unique_ptr<Sequence> sequence) override {
    sequence_pool.push_back(std::move(sequence));
  }
  void PixelsChanging(const CollectionBitmap* bitmap) override {
    if (!snapshot || !snapshot->bitmap_set.contains(bitmap)) return;
    for (const auto& [touched, old] : snapshot->touched) {
      if (touched == bitmap) return;
    }
    CollectionBitmap* b = const_cast<CollectionBitmap*>(bitmap);
    snapshot->touched.emplace_back(b, b->pixels);
  }

  void Begin(Collection& c) {
    collection = &c;
    snapshot = std::make_unique<CollectionSnapshot>();
    CollectionSnapshot& s = *snapshot;
    s.palette = c.palette;
    s.usage = c.usage;
    s.header_word = c.header_word;
    s.bitmaps.reserve(c.bitmaps.size());
    s.metas.reserve(c.bitmaps.size());
    for (const auto& b : c.bitmaps) {
      s.bitmaps.push_back(b.get());
      s.metas.push_back(BitmapMeta::Of(*b));
      s.bitmap_set.insert(b.get());
    }
    for (const auto& h : c.hue_changes) {
      s.hue_changes.push_back(h.get());
      s.hue_records.push_back(*h);
    }
    for (const auto& q : c.sequences) {
      s.sequences.push_back(q.get());
      s.sequence_copies.push_back(*q);
    }
    previous_keeper = c.SetKeeper(this);
  }

  bool Finish() {
    if (finished) return changed;
    finished = true;
    Collection& c = *collection;
    // Another keeper may have been set since; only ours is taken back.
    if (c.CurrentKeeper() == this) c.SetKeeper(previous_keeper);
    CollectionSnapshot& s = *snapshot;

    if (c.palette != s.palette) palette = std::make_unique<std::array<uint8_t, 768>>(s.palette);
    words_changed = c.usage != s.usage || c.header_word != s.header_word;
    usage = s.usage;
    header_word = s.header_word;

    bitmap_order.Compute(s.bitmaps, c.bitmaps);
    hue_order.Compute(s.hue_changes, c.hue_changes);
    sequence_order.Compute(s.sequences, c.sequences);

    // Every bitmap of the state before is alive, in the list or in the pool.
    for (size_t i = 0; i < s.bitmaps.size(); ++i) {
      if (!(BitmapMeta::Of(*s.bitmaps[i]) == s.metas[i]))
        metas.emplace_back(s.bitmaps[i], s.metas[i]);
    }
    for (auto& [bitmap, old] : s.touched) {
      if (bitmap->pixels != old) pixels.emplace_back(bitmap, std::move(old));
    }
    for (size_t i = 0; i < s.hue_changes.size(); ++i) {
      if (!SameRecord(*s.hue_changes[i], s.hue_records[i])) {
        hue_records.emplace_back(s.hue_changes[i], s.hue_records[i]);
      }
    }
    for (size_t i = 0; i < s.sequences.size(); ++i) {
      if (!(*s.sequences[i] == s.sequence_copies[i])) {
        sequences.emplace_back(s.sequences[i], std::move(s.sequence_copies[i]));
      }
    }

    Prune(bitmap_pool, s.bitmap_set);
    Prune(hue_pool,
          std::unordered_set<const HueChange*>(s.hue_changes.begin(), s.hue_changes.end()));
    Prune(sequence_pool,
          std::unordered_set<const Sequence*>(s.sequences.begin(), s.sequences.end()));
    metas.shrink_to_fit();
    pixels.shrink_to_fit();
    hue_records.shrink_to_fit();
    sequences.shrink_to_fit();
    snapshot.reset();

    changed = palette || words_changed || bitmap_order.changed || hue_order.changed ||
              sequence_order.changed || !metas.empty() || !pixels.empty() || !hue_records.empty() ||
              !sequences.empty();
    return changed;
  }

  void Swap(bool to_before) {
    Collection& c = *collection;
    bitmap_order.Swap(c.bitmaps, bitmap_pool, to_before);
    hue_order.Swap(c.hue_changes, hue_pool, to_before);
    sequence_order.Swap(c.sequences, sequence_pool, to_before);
    for (auto& [bitmap, meta] : metas) meta.SwapWith(*bitmap);
    for (auto& [bitmap, old] : pixels) std::swap(bitmap->pixels, old);
    for (auto& [hue_change, record] : hue_records) std::swap(*hue_change, record);
    for (auto& [sequence, copy] : sequences) std::swap(*sequence, copy);
    if (palette) std::swap(c.palette, *palette);
    if (words_changed) {
      std::swap(c.usage, usage);
      std::swap(c.header_word, header_word);
    }
    applied = !to_before;
  }

  size_t Bytes() const {
    size_t bytes = sizeof(CollectionChange) + sizeof(State);
    for (const auto& b : bitmap_pool) bytes += sizeof(b) + BitmapBytes(*b);
    bytes += hue_pool.capacity() * sizeof(void*) + hue_pool.size() * sizeof(HueChange);
    for (const auto& q : sequence_pool) bytes += sizeof(q) + SequenceBytes(*q);
    if (palette) bytes += sizeof(*palette);
    bytes += bitmap_order.Bytes() + hue_order.Bytes() + sequence_order.Bytes();
    bytes += metas.capacity() * sizeof(metas[0]);
    for (const auto& [bitmap, old] : pixels) bytes += sizeof(bitmap) + sizeof(old) + old.capacity();
    bytes += hue_records.capacity() * sizeof(hue_records[0]);
    for (const auto& [sequence, copy] : sequences) bytes += sizeof(sequence) + SequenceBytes(copy);
    return bytes;
  }
};

CollectionChange::CollectionChange(Collection& collection)
    : collection_(collection), state_(std::make_unique<State>()) {
  state_->Begin(collection_);
}

CollectionChange::~CollectionChange() {
  if (!state_->finished && collection_.CurrentKeeper() == state_.get()) {
    collection_.SetKeeper(state_->previous_keeper);
  }
}

void CollectionChange::Touch(const CollectionBitmap* bitmap) {
  state_->PixelsChanging(bitmap);
}

bool CollectionChange::Finish() {
  return state_->Finish();
}

void CollectionChange::Revert() {
  state_->Finish();
  if (state_->changed && state_->applied) state_->Swap(true);
}

void CollectionChange::Apply() {
  state_->Finish();
  if (state_->changed && !state_->applied) state_->Swap(false);
}

size_t CollectionChange::MemoryBytes() const {
  return state_->Bytes();
}
