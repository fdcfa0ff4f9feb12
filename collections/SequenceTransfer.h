#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "collections/BitmapExport.h"
#include "collections/ColorImport.h"
#include "collections/DataFile.h"
#include "collections/Image.h"

class Collection;
struct Sequence;

// A sequence's bitmaps in and out as files and plates: one file, or one plate cell, per view
// cell (frames × real views; the derived views of a mirrored sequence follow their real ones).
// Imports are all or nothing: a count that does not match, a bad file or a refused colour table
// leaves the collection as it was.
class SequenceTransfer {
 public:
  enum Order : int {
    // All views of frame 0, then of frame 1 …: file i goes to (i / views, i % views).
    kFramesThenViews = 0,
    // All frames of view 0, then of view 1 …: file i goes to (i % frames, i / frames).
    kViewsThenFrames = 1,
  };

  // How many files or plate cells an import takes.
  static size_t CellCount(const Sequence& sequence);
  // The (frame, view) of file `index` in `order`.
  static void CellOf(const Sequence& sequence, Order order, size_t index, int& frame, int& view);

  // "Bitmap Import": each file a new bitmap (ColorImport's checks and colour reconciliation),
  // assigned in `order`.
  static bool ImportFiles(Collection& collection, Sequence& sequence,
                          std::span<const std::filesystem::path> files, Order order,
                          const ColorImport::AskReplace& ask, std::string& message);
  // "From Plate": each cell a new bitmap, frame by frame, view by view; an empty cell leaves
  // its view without a bitmap.
  static bool ImportPlate(Collection& collection, Sequence& sequence, const Image& plate,
                          std::string_view plate_name, const std::string& file_name,
                          std::string& message);
  // "Alpha Import": every view cell must show a bitmap; each greyscale file (or alpha plate
  // cell) gives the alpha values of its cell's bitmap.
  static bool ImportAlphaFiles(Collection& collection, Sequence& sequence,
                               std::span<const std::filesystem::path> files, Order order,
                               std::string& message);
  static bool ImportAlphaPlate(Collection& collection, Sequence& sequence, const Image& plate,
                               const std::string& file_name, std::string& message);

  // "Export" → "Bitmaps" / "Alphas": every view cell with a bitmap as "Frame #%02d, view
  // #%02d" (" alpha" added) in `folder`.
  static bool ExportFiles(const Collection& collection, const Sequence& sequence, bool alpha,
                          DataFile::FileFormat format, const std::filesystem::path& folder,
                          BitmapExport::FolderResult& result, std::string& message);
  // "Bitmap Plate" / "Alpha Plate": one band per frame, the real views as its columns.
  static bool BuildPlate(const Collection& collection, const Sequence& sequence, bool alpha,
                         Image& plate, std::string& message);
  // The default file name of a plate written or read: "<sequence> plate" or "<sequence> alpha
  // plate".
  static std::string PlateName(const Sequence& sequence, bool alpha);

  // The precondition of the alpha imports.
  static constexpr const char* kAllAssigned =
      "In order to replace alphas, every bitmap must be assigned.";

 private:
  // The bitmaps of the view cells in `order`, null for empty cells.
  static std::vector<CollectionBitmap*> CellBitmaps(const Sequence& sequence, Order order);
  static bool CountMatches(const Sequence& sequence, size_t count, std::string& message);
};
