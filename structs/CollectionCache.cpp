#include "structs/CollectionCache.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "collections/Collection.h"
#include "tags/Codex.h"
#include "tags/TagCode.h"
#include "tags/TagStream.h"

namespace {

constexpr uint32_t kCollectionGroup = tagcode::Make(".256");
constexpr uint32_t kCoreGroup = tagcode::Make("core");

}  // namespace

CollectionCache::CollectionCache(Codex& codex) : codex_(codex) {}

CollectionCache::~CollectionCache() = default;

CollectionCache::Acquired CollectionCache::Acquire(uint32_t tag_id) {
  for (Entry& entry : entries_) {
    if (entry.tag_id == tag_id) {
      ++entry.count;
      return {true, entry.collection.get()};
    }
  }
  CodexEntry* tag = codex_.Find(kCollectionGroup, tag_id);
  if (tag == nullptr) return {};
  TagStream* stream = codex_.OpenData(tag);
  if (stream == nullptr) return {};
  std::vector<uint8_t> data;
  const bool read = stream->ReadRest(data);
  codex_.CloseData(tag);
  if (!read) return {};
  // Sequence lists need names only: no bitmap is decoded.
  auto collection = std::make_unique<Collection>();
  std::string error;
  if (!collection->Load(data, codex_.EntryHeader(*tag), false, error)) collection.reset();
  entries_.push_back({tag_id, 1, std::move(collection)});
  return {true, entries_.back().collection.get()};
}

void CollectionCache::Release(uint32_t tag_id) {
  const auto found = std::find_if(entries_.begin(), entries_.end(),
                                  [tag_id](const Entry& entry) { return entry.tag_id == tag_id; });
  if (found == entries_.end()) return;
  if (--found->count <= 0) entries_.erase(found);
}

std::optional<uint32_t> CollectionCache::CollectionIdFor(Codex& codex, uint32_t group,
                                                         uint32_t tag_id) {
  if (tag_id == tagcode::kNone) return std::nullopt;
  if (group == kCollectionGroup) {
    if (codex.Find(group, tag_id) == nullptr) return std::nullopt;
    return tag_id;
  }
  if (group != kCoreGroup) return std::nullopt;
  CodexEntry* tag = codex.Find(group, tag_id);
  if (tag == nullptr) return std::nullopt;
  TagStream* stream = codex.OpenData(tag);
  if (stream == nullptr) return std::nullopt;
  std::array<uint8_t, 4> bytes{};
  const bool whole = stream->size() >= bytes.size() && stream->Read(bytes.data(), 4) == 4;
  codex.CloseData(tag);
  if (!whole) return std::nullopt;
  return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 |
         uint32_t{bytes[3]};
}

std::optional<std::string> CollectionCache::SequenceName(const Collection& collection,
                                                         int64_t index) {
  if (index < 0 || static_cast<uint64_t>(index) >= collection.sequences.size()) {
    return std::nullopt;
  }
  const Sequence& sequence = *collection.sequences[static_cast<size_t>(index)];
  const auto end = std::find(sequence.name.begin(), sequence.name.end(), '\0');
  return std::string(sequence.name.begin(), end);
}

CollectionCache& ProgramCollectionCache() {
  // Follows the program's index when it is released and made again (tests, reloading a game
  // folder): collections of another index would be stale.
  static std::unique_ptr<CollectionCache> cache;
  static Codex* made_for = nullptr;
  Codex& codex = ProgramCodex();
  if (!cache || made_for != &codex) {
    cache = std::make_unique<CollectionCache>(codex);
    made_for = &codex;
  }
  return *cache;
}
