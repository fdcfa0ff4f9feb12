#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

struct CollectionBitmap;

// Pairs several chosen files with several selected bitmaps, "By Order" or "By Name" (the
// BitmapImportMappingMode preference: 0 or 1).
class BitmapFileMatch {
 public:
  enum Mode : int { kByOrder = 0, kByName = 1 };
  struct Pair {
    CollectionBitmap* bitmap = nullptr;
    std::filesystem::path file;
  };
  // "By Order": the i-th file with the i-th bitmap, counts equal. "By Name": each bitmap with
  // the file whose name without extension, converted as bitmap names are, equals the bitmap's
  // name (compared exactly; the first of such files wins). Bitmaps that found no file are
  // named in `message` (and left out; up to ten names, then "(N more)") while the result is
  // still true; a count mismatch "By Order" fails with the message.
  static bool Match(Mode mode, std::span<CollectionBitmap* const> bitmaps,
                    std::span<const std::filesystem::path> files, std::vector<Pair>& pairs,
                    std::string& message);
};
