#include "collections/BitmapExport.h"

#include <cctype>
#include <set>

#include "base/CharMap.h"
#include "collections/Collection.h"
#include "collections/CollectionBitmap.h"

bool BitmapExport::MakeImage(const Bitmap& bitmap, const std::array<uint8_t, 768>& colorTable,
                             bool alpha, Image& out, std::string& error) {
  const uint64_t count = uint64_t{bitmap.width} * bitmap.height;
  if ((bitmap.bytesPerPixel != 1 && bitmap.bytesPerPixel != 2) ||
      bitmap.pixels.size() != count * bitmap.bytesPerPixel) {
    error = "the bitmap's pixels do not match its size";
    return false;
  }
  if (!out.setSize(bitmap.width, bitmap.height,
                   alpha ? ImageFormat::kGreyscale : ImageFormat::kIndexed)) {
    error = "the bitmap is too large";
    return false;
  }
  const bool shadow = (bitmap.flags & kShadowFlag) != 0;
  const uint8_t transparent_index = shadow ? 0 : (bitmap.flags & kRleFlag) ? 0 : 1;
  std::span<uint8_t> dest = out.mutablePixels();
  for (size_t i = 0; i < count; ++i) {
    const uint8_t index = bitmap.pixels[i * bitmap.bytesPerPixel + bitmap.bytesPerPixel - 1];
    const uint8_t a = bitmap.bytesPerPixel == 2 ? bitmap.pixels[i * 2] : (index != 0 ? 255 : 0);
    dest[i] = alpha ? a : (a == 0 ? transparent_index : index);
  }
  if (alpha) {
    out.setPalette(0, nullptr);
  } else if (shadow) {
    uint8_t grey[768];
    for (int i = 0; i < 256; ++i)
      grey[i * 3] = grey[i * 3 + 1] = grey[i * 3 + 2] = static_cast<uint8_t>(i);
    out.setPalette(256, grey);
  } else {
    out.setPalette(256, colorTable.data());
  }
  return true;
}

bool BitmapExport::MakeImage(const Collection& collection, const CollectionBitmap& bitmap,
                             bool alpha, Image& out, std::string& error) {
  if (bitmap.placeholder) {
    error = "it could not be decoded";
    return false;
  }
  if (!bitmap.IsIndexed()) {
    error = "eight-byte pixels have no image form";
    return false;
  }
  return MakeImage(
      {bitmap.width, bitmap.height, bitmap.pixels, bitmap.bytes_per_pixel, bitmap.flags},
      collection.palette, alpha, out, error);
}

bool BitmapExport::ExportToFolder(const Collection& collection,
                                  std::span<const CollectionBitmap* const> selection,
                                  ExportNames::Mode mode, bool alpha, DataFile::FileFormat format,
                                  const std::filesystem::path& folder, FolderResult& result,
                                  std::string& message) {
  result = {};
  std::vector<std::string> names;
  std::vector<bool> shadows;
  for (const CollectionBitmap* bitmap : selection) {
    // File names are UTF-8; bitmap names are the program's 8-bit text.
    names.push_back(bitmap ? ProgramCharMap().NarrowToUtf8(bitmap->Name()) : std::string());
    shadows.push_back(bitmap && (bitmap->flags & kShadowFlag) != 0);
  }
  std::vector<std::string> files;
  if (!ExportNames::ForSelection(mode, names, shadows, alpha, DataFile::extensionOf(format), files,
                                 message))
    return false;
  return ExportNamed(collection, selection, files, alpha, format, folder, result, message);
}

bool BitmapExport::ExportNamed(const Collection& collection,
                               std::span<const CollectionBitmap* const> selection,
                               const std::vector<std::string>& files, bool alpha,
                               DataFile::FileFormat format, const std::filesystem::path& folder,
                               FolderResult& result, std::string& message) {
  result = {};
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!std::filesystem::is_directory(folder)) {
    message = "The folder '" + folder.string() + "' could not be made.";
    return false;
  }
  // The names are distinct already; this guards the promise that no export overwrites a file
  // of the same run, on file systems that ignore case too.
  std::set<std::string> taken;
  for (size_t i = 0; i < selection.size(); ++i) {
    if (!selection[i]) continue;
    const CollectionBitmap& bitmap = *selection[i];
    auto problem = [&](const std::string& why) {
      result.problems.push_back("'" + bitmap.Name() + "' was not exported: " + why + ".");
    };
    std::string folded = files[i];
    for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!taken.insert(folded).second) {
      problem("its file name is taken");
      continue;
    }
    Image image;
    std::string error;
    const std::filesystem::path path = ExportNames::InFolder(folder, files[i]);
    if (!MakeImage(collection, bitmap, alpha, image, error) ||
        !DataFile::saveImage(path, image, format, error)) {
      problem(error);
      continue;
    }
    result.written.push_back(path);
  }
  message.clear();
  return true;
}
