// Fuzz target for the collection reader. The input is collection tag data. Besides not
// crashing: a collection that loads must save, unless it needs more 16-bit indices than exist,
// and what it saves must load again and save to the very same bytes, so nothing the reader
// accepts is changed by a second load and save.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "base/MessageLog.h"
#include "collections/Collection.h"
#include "collections/CollectionBitmap.h"
#include "collections/CollectionReader.h"
#include "collections/Sequence.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/LargeBlockCache.h"
#include "tags/TagHeader.h"

namespace {

std::vector<uint8_t> SaveOrEmpty(Collection& collection, TagHeader& header) {
  ByteWriter out;
  std::string error;
  if (!collection.Save(out, header, error)) {
    Check(!error.empty() && out.size() == 0, "save failed without a reason or wrote bytes");
    return {};
  }
  return out.Take();
}

// A few bitmaps and sequences (two placeholders): the round trip of anything larger reaches no
// code a smaller one does not and costs several times as much.
constexpr size_t kRoundTripBytes = size_t{256} << 10;
// A few bytes can stand for a million frame views or megabytes of pixels (directory entries may
// share blocks). Past these caps the reader refuses the data by the same checks as at its own
// caps, so nothing is lost to coverage but the time a thousand times larger input would cost.
constexpr CollectionLimits kLimits{.decoded_bytes = size_t{1} << 20, .sequence_views = 4096};

size_t DecodedBytes(const Collection& collection) {
  size_t bytes = 0;
  for (const auto& bitmap : collection.bitmaps) bytes += bitmap->pixels.size();
  for (const auto& sequence : collection.sequences) {
    bytes += sequence->frames.size() * sequence->view_count * sizeof(FrameView);
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    SetMessageSink([](int, std::string_view, std::string_view) {});
    return true;
  }();
  (void)quiet;
  large_block_cache::NextInput();

  const std::span<const uint8_t> input(data, size);
  TagHeader header = TagHeader::Fresh();
  // The usage word doubles as the tag header's user data, which decides the colour-map rule.
  if (size >= 8)
    header.user_data = uint32_t{data[4]} << 24 | data[5] << 16 | data[6] << 8 | data[7];

  std::vector<uint8_t> first;
  {
    Collection collection;
    std::string error;
    // The quick load (no bitmaps) checks little the full one does not, so it runs for one input
    // in four, picked by length so that an input always takes the same path.
    for (bool full : {false, true}) {
      if (!full && size % 4 != 0) continue;
      if (!CollectionReader::Read(input, header, full, collection, error, kLimits)) {
        Check(!error.empty(), "load failed without a reason");
        Check(collection.bitmaps.empty() && collection.sequences.empty(),
              "failed load left items behind");
        return 0;
      }
    }
    // Saving and reloading what is near the caps costs many times a small input and reaches no
    // code a small one does not, so only what is cheap to save makes the round trip.
    if (DecodedBytes(collection) > kRoundTripBytes) return 0;
    first = SaveOrEmpty(collection, header);
  }
  if (first.empty()) return 0;

  Collection again;
  std::string error;
  Check(CollectionReader::Read(first, header, true, again, error, kLimits),
        "saved collection does not load");
  const std::vector<uint8_t> second = SaveOrEmpty(again, header);
  Check(second == first, "second save differs from the first");
  return 0;
}
