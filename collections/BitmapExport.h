#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "collections/DataFile.h"
#include "collections/ExportNames.h"
#include "collections/Image.h"

class Collection;
struct CollectionBitmap;

// The images written for collection bitmaps: one bitmap's from its plain data, and a selection
// written into a folder, the one path every export of several bitmaps takes.
class BitmapExport {
 public:
  static constexpr uint16_t kRleFlag = 0x0004;
  static constexpr uint16_t kShadowFlag = 0x0080;

  struct Bitmap {
    uint32_t width = 0;
    uint32_t height = 0;
    // width x height pixels of `bytesPerPixel` bytes: 2 is (alpha, colour index), 1 is a bare
    // index with index 0 transparent.
    std::span<const uint8_t> pixels;
    uint32_t bytesPerPixel = 2;
    uint16_t flags = 0;
  };

  // Colour export: an indexed image with the colour table (the grey ramp for a shadow).
  // Transparent pixels become index 0 in an RLE bitmap and index 1 in a RAW one, so importing
  // the file again gives back the same encoding; a shadow's stay 0, its grey level for "none".
  // Alpha export: a greyscale image of the alpha values.
  static bool MakeImage(const Bitmap& bitmap, const std::array<uint8_t, 768>& colorTable,
                        bool alpha, Image& out, std::string& error);
  // The same for a bitmap of the collection. Placeholders (kept as read, their pixels only a
  // checkerboard) and bitmaps of eight-byte pixels have no image form and are refused.
  static bool MakeImage(const Collection& collection, const CollectionBitmap& bitmap, bool alpha,
                        Image& out, std::string& error);

  struct FolderResult {
    std::vector<std::filesystem::path> written;
    // One line per bitmap skipped or not written, naming it and saying why.
    std::vector<std::string> problems;
  };
  // Every export of several bitmaps: each selected bitmap into `folder` in `format`, named by
  // `mode` (ExportNames::ForSelection). False, writing nothing, when the names cannot be made
  // (`message` says why) or the folder cannot be made; otherwise true, with the bitmaps that
  // were skipped or failed in `result.problems`.
  static bool ExportToFolder(const Collection& collection,
                             std::span<const CollectionBitmap* const> selection,
                             ExportNames::Mode mode, bool alpha, DataFile::FileFormat format,
                             const std::filesystem::path& folder, FolderResult& result,
                             std::string& message);
  // The same with the file names given, one per selected bitmap (null entries are skipped):
  // names made by ExportNames.
  static bool ExportNamed(const Collection& collection,
                          std::span<const CollectionBitmap* const> selection,
                          const std::vector<std::string>& files, bool alpha,
                          DataFile::FileFormat format, const std::filesystem::path& folder,
                          FolderResult& result, std::string& message);
};
