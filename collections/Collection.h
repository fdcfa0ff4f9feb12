#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "collections/CollectionBitmap.h"
#include "collections/HueChange.h"
#include "collections/Sequence.h"

struct TagHeader;
class ByteWriter;

// A sprite collection in memory: one palette, bitmaps, hue changes and sequences. Frame views
// and frames point at bitmaps of `bitmaps`; the list operations below keep those pointers valid.
class Collection {
 public:
  // Takes what the collection removes, instead of it being freed, while a change is recorded
  // for undo (CollectionChange), and hears of bitmaps about to change their pixels in place.
  class Keeper {
   public:
    virtual ~Keeper() = default;
    virtual void Keep(std::unique_ptr<CollectionBitmap> bitmap) = 0;
    virtual void Keep(std::unique_ptr<HueChange> hue_change) = 0;
    virtual void Keep(std::unique_ptr<Sequence> sequence) = 0;
    virtual void PixelsChanging(const CollectionBitmap* bitmap) = 0;
  };

  uint32_t header_word = 0;  // carried along, meaning unknown
  uint32_t usage = collection_layout::kUsageNew;
  std::array<uint8_t, 768> palette{};  // red, green, blue per entry
  std::vector<std::unique_ptr<CollectionBitmap>> bitmaps;
  std::vector<std::unique_ptr<HueChange>> hue_changes;
  std::vector<std::unique_ptr<Sequence>> sequences;
  // Set by a load without bitmaps; such a collection is for looking at and refuses to save, as
  // saving it would drop every bitmap.
  bool without_bitmaps = false;
  // How many colour tables the loaded data held; only the first is used, and saving writes one.
  uint32_t color_tables_read = 0;

  // Reads the tag data that follows `header`. With `full` false only the palette, hue changes
  // and sequences are read and no bitmap is made. On failure the collection is left empty and
  // `error` says why in one line; undecodable bitmaps are not failures (see CollectionReader).
  [[nodiscard]] bool Load(std::span<const uint8_t> data, const TagHeader& header, bool full,
                          std::string& error);
  // Appends the tag data to `out` and sets the header's group, version and user data. Fails
  // (appending nothing) when the collection cannot be expressed in the format.
  [[nodiscard]] bool Save(ByteWriter& out, TagHeader& header, std::string& error);

  CollectionBitmap* BitmapAt(int index) const;
  HueChange* HueChangeAt(int index) const;
  Sequence* SequenceAt(int index) const;
  int IndexOfBitmap(const CollectionBitmap* bitmap) const;
  int IndexOfHueChange(const HueChange* hue_change) const;
  int IndexOfSequence(const Sequence* sequence) const;

  Sequence* AddSequence(std::string_view name);
  HueChange* AddHueChange(std::string_view name);

  // Each removes the item and inserts it again at `new_index` (one less when it lay before it);
  // returns the final index, or −1 when nothing moved or the item is not in the list.
  int MoveSequence(const Sequence* sequence, int new_index);
  int MoveHueChange(const HueChange* hue_change, int new_index);
  int MoveBitmap(const CollectionBitmap* bitmap, int new_index);

  // Every frame view and frame that showed the bitmap is left without one; a view whose
  // alternate it was loses its alternate (flag and fields).
  void RemoveBitmap(const CollectionBitmap* bitmap);
  void RemoveSequence(const Sequence* sequence);
  void RemoveHueChange(const HueChange* hue_change);

  // Makes a bitmap from a copy of `pixels` (width × height × bytes_per_pixel bytes). Without
  // `old` it is appended; otherwise it takes the old bitmap's place and every reference to it,
  // and the old one is freed. Returns null when `old` is not in the list or the pixel count is
  // wrong.
  CollectionBitmap* AddOrReplaceBitmap(std::string_view name, uint16_t flags,
                                       std::span<const uint8_t> pixels, uint16_t width,
                                       uint16_t height, uint16_t bytes_per_pixel,
                                       const CollectionBitmap* old);

  // Points every frame view (bitmap and alternate) and frame that shows `from` at `to`, which
  // must be in the list.
  void RedirectBitmapReferences(const CollectionBitmap* from, CollectionBitmap* to);

  // Marks the bitmaps shown by a view, as its alternate or as a frame's shadow.
  void MarkUsedBitmaps();

  // Index in first..last of the palette entry nearest to the colour (squared RGB distance); the
  // first of equal ones wins.
  int NearestColor(int first, int last, uint8_t red, uint8_t green, uint8_t blue) const;

  // Sets every frame view's and frame's bitmap index from its bitmap pointer, after a change to
  // the bitmap list; references without a bitmap keep their index.
  void RenumberBitmapReferences();

  // Whoever edits a bitmap's pixels in place says so first, so that a recorded change can keep
  // the old ones.
  void PixelsChanging(const CollectionBitmap* bitmap) {
    if (keeper_) keeper_->PixelsChanging(bitmap);
  }
  // At most one keeper at a time; returns the one it replaces.
  Keeper* SetKeeper(Keeper* keeper) {
    Keeper* previous = keeper_;
    keeper_ = keeper;
    return previous;
  }
  Keeper* CurrentKeeper() const { return keeper_; }

 private:
  template <typename Visit>
  void ForEachReference(Visit visit);
  template <typename T>
  void Discard(std::unique_ptr<T> item) {
    if (keeper_) keeper_->Keep(std::move(item));
  }

  Keeper* keeper_ = nullptr;
};
