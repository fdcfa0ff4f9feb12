#pragma once
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "collections/Collection.h"
#include "tags/LooseTagFile.h"

// A collection tag as the tool's commands read and write it: loaded from one loose tag file,
// changed in memory, and written as a whole to the output file, which takes the new bytes
// only once they are complete (so the output may be the input, and a failed command leaves
// it as it was).
class CollectionFile {
 public:
  LooseTag tag;
  Collection collection;

  // Messages go to `err` as "zarv-tool: PATH: reason".
  bool Load(const std::string& path, std::ostream& err);
  bool Save(const std::string& path, std::ostream& err);

  // A new, empty collection named `name` (at most 31 bytes) with tag id `id`.
  void MakeNew(std::string_view name, uint32_t id);

  // The bitmaps a LIST names: indices and ranges separated by commas ("0,3-5"), each index
  // below `count`, in the order given, duplicates dropped. False with `error` set otherwise.
  static bool ParseList(std::string_view list, size_t count, std::vector<int>& out,
                        std::string& error);
  // The bitmaps at `indices`, in that order.
  std::vector<CollectionBitmap*> Bitmaps(const std::vector<int>& indices) const;
};
