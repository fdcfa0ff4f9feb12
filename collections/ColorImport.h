#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "collections/Image.h"

class Collection;
struct CollectionBitmap;

// Colour images into a collection: the colour-table reconciliation every colour import runs,
// and the imports of colour images and greyscale shadows built on it.
//
// Transparency convention: a pixel that maps to colour index 0 or 1 becomes transparent
// (alpha 0, index 0), every other one opaque; the bitmap is RLE exactly when some pixel mapped
// to 0. Shadows keep the grey level as the index, alpha 255 where it is non-zero, flag 0x0080.
class ColorImport {
 public:
  // The palette the collection gets and, for each of the image's 256 palette entries, the
  // collection index its pixels take.
  struct Reconciled {
    std::array<uint8_t, 768> palette{};
    std::array<uint8_t, 256> map{};
  };
  // Asked when the image's colours do not fit the collection's table; true means "Replace"
  // (import again adopting the file's table). The GUI shows a message box; the tool answers
  // from a flag.
  using AskReplace = std::function<bool(const std::string& question)>;

  // Steps 1-4 of the reconciliation. `palette` is the image's (768 bytes, `count` entries
  // used). A slot of the collection's table is free for a new colour only at index 2 or above
  // when its colour also occurs at a lower index and no opaque pixel of a non-shadow bitmap
  // uses it (`replaced`, the bitmap about to be replaced, aside). An image colour k maps to
  // index k when the target holds that colour there, else to the first index holding it.
  // False when the colours do not fit (nothing changed).
  static bool reconcile(const Collection& collection, std::span<const uint8_t> palette,
                        uint32_t count, bool adopt_file_colors, const CollectionBitmap* replaced,
                        Reconciled& out);
  // The same with several bitmaps about to be replaced (a plate replacing a selection).
  static bool reconcile(const Collection& collection, std::span<const uint8_t> palette,
                        uint32_t count, bool adopt_file_colors,
                        std::span<const CollectionBitmap* const> replaced, Reconciled& out);

  // The entries opaque pixels use, found once for a run of many imports into one collection
  // and grown with each bitmap the run adds (Use): finding them means reading every pixel of
  // the collection.
  struct UsedEntries {
    bool known = false;
    std::array<bool, 256> used{};
    // Marks the indices of the opaque pixels of (alpha, index) pixels.
    void Use(std::span<const uint8_t> pixels) {
      for (size_t i = 0; i + 1 < pixels.size(); i += 2) used[pixels[i + 1]] |= pixels[i] != 0;
    }
  };
  // reconcile without a bitmap to replace, for a run that keeps `cache` up to date.
  static bool reconcile(const Collection& collection, std::span<const uint8_t> palette,
                        uint32_t count, UsedEntries& cache, Reconciled& out);

  // The palette an image brings: its own for an indexed image, the grey ramp (256 entries)
  // for a greyscale one, whose levels are indices into it.
  static void ImagePalette(const Image& image, std::array<uint8_t, 768>& palette, uint32_t& count);

  // Steps 4-5 for an indexed image (a greyscale image's levels are taken as indices): the
  // bitmap's (alpha, index) pixels and its flags (0x0004 or 0).
  static void remapPixels(const Image& image, const std::array<uint8_t, 256>& map,
                          std::vector<uint8_t>& pixels, uint16_t& flags);

  // An image already through ImageImport::loadColorImage (indexed, or greyscale taken as
  // indices): reconciles (asking `ask` when the colours do not fit), stores the palette and
  // adds the bitmap or replaces `replace`. `file_name` names the file in messages. Null with
  // `message` set on failure or refusal (an empty message when the user cancelled; without an
  // `ask` the question is not put and the message says the colours do not fit); the
  // collection is then unchanged.
  static CollectionBitmap* importColor(Collection& collection, const Image& image,
                                       std::string_view bitmap_name,
                                       const CollectionBitmap* replace, const AskReplace& ask,
                                       const std::string& file_name, std::string& message);
  // An image already through ImageImport::loadGreyscaleImage, as a shadow. Messages name
  // `file_name`, or the bitmap name when it is empty.
  static CollectionBitmap* importShadow(Collection& collection, const Image& image,
                                        std::string_view bitmap_name,
                                        const CollectionBitmap* replace, std::string& message,
                                        const std::string& file_name = {});

  // Loading (ImageImport::loadColorImage, loadGreyscaleImage) and importing in one step.
  static CollectionBitmap* importColorImage(Collection& collection,
                                            const std::filesystem::path& file,
                                            const CollectionBitmap* replace, const AskReplace& ask,
                                            std::string& message);
  static CollectionBitmap* importShadowImage(Collection& collection,
                                             const std::filesystem::path& file,
                                             const CollectionBitmap* replace, std::string& message);

  // The commands that take several files ("Add Bitmap(s) from File(s)", "Replace" with
  // several): every file is loaded and checked before any is imported, then each is imported
  // in order, as a new bitmap or, when `targets` is not empty (one per file), replacing
  // targets[i]. A failure or a cancelled question on any file leaves the collection as it was
  // (`message` as for importColor). `made` gets the new bitmaps in file order.
  static bool importColorImages(Collection& collection,
                                std::span<const std::filesystem::path> files,
                                std::span<CollectionBitmap* const> targets, const AskReplace& ask,
                                std::vector<CollectionBitmap*>& made, std::string& message);
  static bool importShadowImages(Collection& collection,
                                 std::span<const std::filesystem::path> files,
                                 std::span<CollectionBitmap* const> targets,
                                 std::vector<CollectionBitmap*>& made, std::string& message);

  // "Replace Alpha" with one file per target: every mask is loaded and checked against its
  // bitmap before any alpha changes, so a bad later file changes nothing.
  static bool replaceAlphaImages(Collection& collection,
                                 std::span<const std::filesystem::path> files,
                                 std::span<CollectionBitmap* const> targets, std::string& message);

  // The bitmap name for a file: its name without the extension, UTF-8 converted to the
  // program's 8-bit encoding (characters it lacks become '_'), at most 63 bytes.
  static std::string BitmapNameFromFile(const std::filesystem::path& file);

 private:
  static bool Reconcile(const Collection& collection, std::span<const uint8_t> palette,
                        uint32_t count, bool adopt_file_colors,
                        std::span<const CollectionBitmap* const> replaced, UsedEntries* cache,
                        Reconciled& out);
  // importColor with the bitmaps whose colours need not be kept named apart from the one
  // replaced.
  static CollectionBitmap* ImportColor(Collection& collection, const Image& image,
                                       std::string_view bitmap_name,
                                       const CollectionBitmap* replace,
                                       std::span<const CollectionBitmap* const> aside,
                                       UsedEntries* cache, const AskReplace& ask,
                                       const std::string& file_name, std::string& message);
  static bool ImportAll(Collection& collection, std::span<const std::filesystem::path> files,
                        std::span<CollectionBitmap* const> targets, bool shadow,
                        const AskReplace& ask, std::vector<CollectionBitmap*>& made,
                        std::string& message);
};
