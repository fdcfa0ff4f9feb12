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

  // Whether the list holds what this side expects and the pool what the other side needs;
  // a change undone out of order must not tear the lists apart.
  bool CanSwap(const std::vector<std::unique_ptr<T>>& list,
               const std::vector<std::unique_ptr<T>>& pool, bool to_before) const {
    if (!changed) return true;
    const std::vector<T*>& current = to_before ? after : before;
    const std::vector<T*>& wanted = to_before ? before : after;
    if (list.size() < prefix + current.size()) return false;
    std::unordered_set<const T*> available(current.begin(), current.end());
    for (size_t i = 0; i < current.size(); ++i) {
      if (list[prefix + i].get() != current[i]) return false;
    }
    for (const auto& item : pool) available.insert(item.get());
    return std::all_of(wanted.begin(), wanted.end(),
                       [&available](const T* item) { return available.contains(item); });
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

// What a change removed, and what it holds beyond names and flags. Most changes are renames or
// flag edits, so these live apart and exist only when needed.
struct CollectionRemoved {
  std::vector<std::unique_ptr<CollectionBitmap>> bitmaps;
  std::vector<std::unique_ptr<HueChange>> hue_changes;
  std::vector<std::unique_ptr<Sequence>> sequences;

  bool Empty() const { return bitmaps.empty() && hue_changes.empty() && sequences.empty(); }
};

struct CollectionRecords {
  std::unique_ptr<std::array<uint8_t, 768>> palette;
  OrderDiff<CollectionBitmap> bitmap_order;
  OrderDiff<HueChange> hue_order;
  OrderDiff<Sequence> sequence_order;
  std::vector<std::pair<CollectionBitmap*, std::vector<uint8_t>>> pixels;
  std::vector<std::pair<HueChange*, HueChange>> hue_records;
  std::vector<std::pair<Sequence*, Sequence>> sequences;

  bool Empty() const {
    return !palette && !bitmap_order.changed && !hue_order.changed && !sequence_order.changed &&
           pixels.empty() && hue_records.empty() && sequences.empty();
  }
};

}  // namespace

// After Finish every record holds the side that is not in the collection: the state before
// while the change is applied, the state after once reverted. Revert and Apply swap them.
struct CollectionChange::State : Collection::Keeper {
  Collection* collection = nullptr;
  Collection::Keeper* previous_keeper = nullptr;
  std::unique_ptr<CollectionSnapshot> snapshot;
  bool finished = false;
  bool applied = true;
  bool changed = false;
  bool words_changed = false;
  uint32_t usage = 0;
  uint32_t header_word = 0;
  std::vector<std::pair<CollectionBitmap*, BitmapMeta>> metas;
  std::unique_ptr<CollectionRemoved> removed;
  std::unique_ptr<CollectionRecords> records;

  CollectionRemoved& Removed() {
    if (!removed) removed = std::make_unique<CollectionRemoved>();
    return *removed;
  }
  void Keep(std::unique_ptr<CollectionBitmap> bitmap) override {
    Removed().bitmaps.push_back(std::move(bitmap));
  }
  void Keep(std::unique_ptr<HueChange> hue_change) override {
    Removed().hue_changes.push_back(std::move(hue_change));
  }
  void Keep(std::unique_ptr<Sequence> sequence) override {
    Removed().sequences.push_back(std::move(sequence));
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
    auto r = std::make_unique<CollectionRecords>();

    if (c.palette != s.palette) r->palette = std::make_unique<std::array<uint8_t, 768>>(s.palette);
    words_changed = c.usage != s.usage || c.header_word != s.header_word;
    usage = s.usage;
    header_word = s.header_word;

    r->bitmap_order.Compute(s.bitmaps, c.bitmaps);
    r->hue_order.Compute(s.hue_changes, c.hue_changes);
    r->sequence_order.Compute(s.sequences, c.sequences);

    // Every bitmap of the state before is alive, in the list or among the removed.
    for (size_t i = 0; i < s.bitmaps.size(); ++i) {
      if (!(BitmapMeta::Of(*s.bitmaps[i]) == s.metas[i])) {
        metas.emplace_back(s.bitmaps[i], s.metas[i]);
      }
    }
    for (auto& [bitmap, old] : s.touched) {
      if (bitmap->pixels != old) r->pixels.emplace_back(bitmap, std::move(old));
    }
    for (size_t i = 0; i < s.hue_changes.size(); ++i) {
      if (!SameRecord(*s.hue_changes[i], s.hue_records[i])) {
        r->hue_records.emplace_back(s.hue_changes[i], s.hue_records[i]);
      }
    }
    for (size_t i = 0; i < s.sequences.size(); ++i) {
      if (!(*s.sequences[i] == s.sequence_copies[i])) {
        r->sequences.emplace_back(s.sequences[i], std::move(s.sequence_copies[i]));
      }
    }

    if (removed) {
      Prune(removed->bitmaps, s.bitmap_set);
      Prune(removed->hue_changes,
            std::unordered_set<const HueChange*>(s.hue_changes.begin(), s.hue_changes.end()));
      Prune(removed->sequences,
            std::unordered_set<const Sequence*>(s.sequences.begin(), s.sequences.end()));
      if (removed->Empty()) removed.reset();
    }
    metas.shrink_to_fit();
    r->pixels.shrink_to_fit();
    r->hue_records.shrink_to_fit();
    r->sequences.shrink_to_fit();
    if (!r->Empty()) records = std::move(r);
    snapshot.reset();

    changed = words_changed || !metas.empty() || records;
    return changed;
  }

  // False, changing nothing, when the collection is not in the state this change left it in.
  bool Swap(bool to_before) {
    Collection& c = *collection;
    if (records) {
      CollectionRemoved& pool = Removed();
      CollectionRecords& r = *records;
      if (!r.bitmap_order.CanSwap(c.bitmaps, pool.bitmaps, to_before) ||
          !r.hue_order.CanSwap(c.hue_changes, pool.hue_changes, to_before) ||
          !r.sequence_order.CanSwap(c.sequences, pool.sequences, to_before)) {
        return false;
      }
      r.bitmap_order.Swap(c.bitmaps, pool.bitmaps, to_before);
      r.hue_order.Swap(c.hue_changes, pool.hue_changes, to_before);
      r.sequence_order.Swap(c.sequences, pool.sequences, to_before);
      for (auto& [bitmap, old] : r.pixels) std::swap(bitmap->pixels, old);
      for (auto& [hue_change, record] : r.hue_records) std::swap(*hue_change, record);
      for (auto& [sequence, copy] : r.sequences) std::swap(*sequence, copy);
      if (r.palette) std::swap(c.palette, *r.palette);
      if (pool.Empty()) removed.reset();
    }
    for (auto& [bitmap, meta] : metas) meta.SwapWith(*bitmap);
    if (words_changed) {
      std::swap(c.usage, usage);
      std::swap(c.header_word, header_word);
    }
    applied = !to_before;
    return true;
  }

  size_t Bytes() const {
    size_t bytes = sizeof(CollectionChange) + sizeof(State) + metas.capacity() * sizeof(metas[0]);
    if (removed) {
      bytes += sizeof(CollectionRemoved);
      for (const auto& b : removed->bitmaps) bytes += sizeof(b) + BitmapBytes(*b);
      bytes += removed->hue_changes.size() * (sizeof(void*) + sizeof(HueChange));
      for (const auto& q : removed->sequences) bytes += sizeof(q) + SequenceBytes(*q);
    }
    if (records) {
      const CollectionRecords& r = *records;
      bytes += sizeof(CollectionRecords);
      if (r.palette) bytes += sizeof(*r.palette);
      bytes += r.bitmap_order.Bytes() + r.hue_order.Bytes() + r.sequence_order.Bytes();
      for (const auto& [bitmap, old] : r.pixels) {
        bytes += sizeof(bitmap) + sizeof(old) + old.capacity();
      }
      bytes += r.hue_records.capacity() * sizeof(r.hue_records[0]);
      for (const auto& [sequence, copy] : r.sequences) {
        bytes += sizeof(sequence) + SequenceBytes(copy);
      }
    }
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

bool CollectionChange::Revert() {
  state_->Finish();
  return !state_->changed || !state_->applied || state_->Swap(true);
}

bool CollectionChange::Apply() {
  state_->Finish();
  return !state_->changed || state_->applied || state_->Swap(false);
}

size_t CollectionChange::MemoryBytes() const {
  return state_->Bytes();
}
