#include "collections/BitmapFileMatch.h"

#include <cstdio>
#include <unordered_map>

#include "collections/CollectionBitmap.h"
#include "collections/ColorImport.h"

bool BitmapFileMatch::Match(Mode mode, std::span<CollectionBitmap* const> bitmaps,
                            std::span<const std::filesystem::path> files, std::vector<Pair>& pairs,
                            std::string& message) {
  pairs.clear();
  message.clear();
  if (mode == kByOrder) {
    if (bitmaps.size() != files.size()) {
      char text[128];
      std::snprintf(text, sizeof text, "%d bitmaps were selected, expected at least %d",
                    static_cast<int>(bitmaps.size()), static_cast<int>(files.size()));
      message = text;
      return false;
    }
    for (size_t i = 0; i < bitmaps.size(); ++i) pairs.push_back({bitmaps[i], files[i]});
    return true;
  }
  // Names are compared exactly, as the game tells bitmaps apart by exact name; the first of
  // several files that give the same name wins.
  std::unordered_map<std::string, size_t> by_name;
  for (size_t i = 0; i < files.size(); ++i)
    by_name.emplace(ColorImport::BitmapNameFromFile(files[i]), i);
  std::vector<std::string> unmatched;
  for (CollectionBitmap* bitmap : bitmaps) {
    const auto found = by_name.find(bitmap->Name());
    if (found == by_name.end()) {
      unmatched.push_back(bitmap->Name());
    } else {
      pairs.push_back({bitmap, files[found->second]});
    }
  }
  if (!unmatched.empty()) {
    // Ten names fit a message box line by line; more would push its buttons off the screen.
    constexpr size_t kListed = 10;
    message = "The following bitmaps were not matched by name: ";
    for (size_t i = 0; i < unmatched.size() && i < kListed; ++i) {
      if (i > 0) message += ", ";
      message += unmatched[i];
    }
    if (unmatched.size() > kListed) {
      char more[32];
      std::snprintf(more, sizeof more, " (%d more)", static_cast<int>(unmatched.size() - kListed));
      message += more;
    }
  }
  return true;
}
