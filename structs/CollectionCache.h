#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Codex;
class Collection;

// Collections loaded without their bitmaps, shared by every editor that lists a collection's
// sequences. Entries are counted: each Acquire that reports `held` needs one Release.
class CollectionCache {
 public:
  struct Acquired {
    bool held = false;                     // an entry exists (Release it later)
    const Collection* collection = nullptr;  // null when the tag exists but does not load
  };

  explicit CollectionCache(Codex& codex);
  ~CollectionCache();

  // The `.256` tag `tag_id`: an existing entry counted up, or a new one. No tag, or data that
  // cannot be opened: nothing held.
  Acquired Acquire(uint32_t tag_id);
  // Counts down; at zero the collection is freed. Ignored for an id without an entry.
  void Release(uint32_t tag_id);
  size_t entry_count() const { return entries_.size(); }

  // The collection a tag member points at: a `.256` id is the collection itself; a `core`
  // tag holds the collection's id in the first 32-bit field of its data (under 4 bytes of
  // data: none). Other groups, no tag, or an id not in the index: none.
  static std::optional<uint32_t> CollectionIdFor(Codex& codex, uint32_t group, uint32_t tag_id);
  // Sequence `index`'s name, or none past the sequences.
  static std::optional<std::string> SequenceName(const Collection& collection, int64_t index);

 private:
  struct Entry {
    uint32_t tag_id;
    int count;
    std::unique_ptr<Collection> collection;
  };
  Codex& codex_;
  std::vector<Entry> entries_;
};

// The program's cache, over ProgramCodex().
CollectionCache& ProgramCollectionCache();
