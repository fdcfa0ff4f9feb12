#include "collections/SequenceTransfer.h"

#include <cstdio>

#include "collections/Collection.h"
#include "collections/ExportNames.h"
#include "collections/Plate.h"
#include "collections/SequenceEdits.h"

size_t SequenceTransfer::CellCount(const Sequence& sequence) {
  return sequence.frames.size() * static_cast<size_t>(SequenceEdits::RealViews(sequence));
}

void SequenceTransfer::CellOf(const Sequence& sequence, Order order, size_t index, int& frame,
                              int& view) {
  const size_t views = static_cast<size_t>(SequenceEdits::RealViews(sequence));
  const size_t frames = sequence.frames.size();
  if (order == kFramesThenViews) {
    frame = static_cast<int>(index / views);
    view = static_cast<int>(index % views);
  } else {
    frame = static_cast<int>(index % frames);
    view = static_cast<int>(index / frames);
  }
}

std::vector<CollectionBitmap*> SequenceTransfer::CellBitmaps(const Sequence& sequence,
                                                             Order order) {
  std::vector<CollectionBitmap*> out;
  for (size_t i = 0; i < CellCount(sequence); ++i) {
    int frame = 0, view = 0;
    CellOf(sequence, order, i, frame, view);
    out.push_back(
        sequence.frames[static_cast<size_t>(frame)].views[static_cast<size_t>(view)].bitmap);
  }
  return out;
}

// The wording, misspelling included, is the message users of the game's tools know.
bool SequenceTransfer::CountMatches(const Sequence& sequence, size_t count, std::string& message) {
  if (count == CellCount(sequence)) return true;
  char text[128];
  std::snprintf(text, sizeof text, "%zu bitmaps were seleced, expected %zu", count,
                CellCount(sequence));
  message = text;
  return false;
}

bool SequenceTransfer::ImportFiles(Collection& collection, Sequence& sequence,
                                   std::span<const std::filesystem::path> files, Order order,
                                   const ColorImport::AskReplace& ask, std::string& message) {
  if (!CountMatches(sequence, files.size(), message)) return false;
  std::vector<CollectionBitmap*> made;
  if (!ColorImport::importColorImages(collection, files, {}, ask, made, message)) return false;
  for (size_t i = 0; i < made.size(); ++i) {
    int frame = 0, view = 0;
    CellOf(sequence, order, i, frame, view);
    SequenceEdits::ShowBitmap(
        collection, sequence.frames[static_cast<size_t>(frame)].views[static_cast<size_t>(view)],
        made[i]);
  }
  // New bitmaps went to the end of the list; every other reference keeps its index.
  SequenceEdits::DeriveMirroredViews(sequence);
  return true;
}

bool SequenceTransfer::ImportPlate(Collection& collection, Sequence& sequence, const Image& plate,
                                   std::string_view plate_name, const std::string& file_name,
                                   std::string& message) {
  std::vector<Plate::Cell> cells;
  if (Plate::parsePlate(plate, cells) && cells.size() != CellCount(sequence)) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "Invalid number of images in plate. It must contain exactly %zu images.",
                  CellCount(sequence));
    message = text;
    return false;
  }
  const size_t before = collection.bitmaps.size();
  // Refuses what is not a plate, with its own message.
  if (!Plate::importColorPlate(collection, plate, plate_name, file_name, message)) return false;
  size_t next = before;
  for (size_t i = 0; i < cells.size(); ++i) {
    int frame = 0, view = 0;
    CellOf(sequence, kFramesThenViews, i, frame, view);
    const bool empty = cells[i].empty();
    CollectionBitmap* bitmap =
        !empty && next < collection.bitmaps.size() ? collection.bitmaps[next++].get() : nullptr;
    SequenceEdits::ShowBitmap(
        collection, sequence.frames[static_cast<size_t>(frame)].views[static_cast<size_t>(view)],
        bitmap);
  }
  SequenceEdits::DeriveMirroredViews(sequence);
  return true;
}

bool SequenceTransfer::ImportAlphaFiles(Collection& collection, Sequence& sequence,
                                        std::span<const std::filesystem::path> files, Order order,
                                        std::string& message) {
  const std::vector<CollectionBitmap*> targets = CellBitmaps(sequence, order);
  for (const CollectionBitmap* b : targets) {
    if (!b) {
      message = kAllAssigned;
      return false;
    }
  }
  if (!CountMatches(sequence, files.size(), message)) return false;
  return ColorImport::replaceAlphaImages(collection, files, targets, message);
}

bool SequenceTransfer::ImportAlphaPlate(Collection& collection, Sequence& sequence,
                                        const Image& plate, const std::string& file_name,
                                        std::string& message) {
  const std::vector<CollectionBitmap*> targets = CellBitmaps(sequence, kFramesThenViews);
  for (const CollectionBitmap* b : targets) {
    if (!b) {
      message = kAllAssigned;
      return false;
    }
  }
  return Plate::replaceAlphaFromPlate(collection, plate, targets, file_name, message);
}

bool SequenceTransfer::ExportFiles(const Collection& collection, const Sequence& sequence,
                                   bool alpha, DataFile::FileFormat format,
                                   const std::filesystem::path& folder,
                                   BitmapExport::FolderResult& result, std::string& message) {
  std::vector<const CollectionBitmap*> selection;
  std::vector<std::string> files;
  const int views = SequenceEdits::RealViews(sequence);
  for (size_t f = 0; f < sequence.frames.size(); ++f) {
    for (int v = 0; v < views; ++v) {
      const CollectionBitmap* bitmap = sequence.frames[f].views[static_cast<size_t>(v)].bitmap;
      if (!bitmap) continue;
      selection.push_back(bitmap);
      files.push_back(ExportNames::SequenceCell(static_cast<uint32_t>(f), static_cast<uint32_t>(v),
                                                alpha, DataFile::extensionOf(format)));
    }
  }
  return BitmapExport::ExportNamed(collection, selection, files, alpha, format, folder, result,
                                   message);
}

bool SequenceTransfer::BuildPlate(const Collection& collection, const Sequence& sequence,
                                  bool alpha, Image& plate, std::string& message) {
  const std::vector<CollectionBitmap*> cells = CellBitmaps(sequence, kFramesThenViews);
  const std::vector<const CollectionBitmap*> bitmaps(cells.begin(), cells.end());
  return Plate::buildPlate(collection, bitmaps, alpha,
                           static_cast<uint32_t>(SequenceEdits::RealViews(sequence)), plate,
                           message);
}

std::string SequenceTransfer::PlateName(const Sequence& sequence, bool alpha) {
  return sequence.Name() + (alpha ? " alpha plate" : " plate");
}
