#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// File names for exporting several bitmaps into one folder.
class ExportNames {
 public:
  // A bitmap name made safe as a single file name in the folder: separators, control bytes and
  // the characters Windows refuses become '_', a leading '.' too (no "..", no hidden files),
  // and an empty name becomes "_". At most 200 bytes.
  static std::string Sanitise(std::string_view name);

  // "By Numbering": "bitmap #0000.png" from ("bitmap", 0, ".png"); the kind is "bitmap",
  // "shadow" or "alpha".
  static std::string ByNumbering(std::string_view kind, uint32_t number,
                                 std::string_view extension);

  // "By Bitmap Name": each sanitised name (plus " alpha" for an alpha export) and the
  // extension. Fails with the message to show when two names would give the same file, compared
  // without regard to case so that no file system could merge them either.
  static bool ByBitmapName(const std::vector<std::string>& names, bool alpha,
                           std::string_view extension, std::vector<std::string>& out,
                           std::string& message);

  // The BitmapImportMappingMode choices of an export of several bitmaps.
  enum Mode : int { kByNumbering = 0, kByBitmapName = 1 };
  // The file name of each selected bitmap in selection order: "By Numbering" counts from 0
  // with "alpha" for an alpha export, else "shadow" or "bitmap" as `shadows` says; "By Bitmap
  // Name" as ByBitmapName, failing with its message.
  static bool ForSelection(Mode mode, const std::vector<std::string>& names,
                           const std::vector<bool>& shadows, bool alpha, std::string_view extension,
                           std::vector<std::string>& out, std::string& message);

  // A sequence cell's file: "Frame #00, view #01" (counted from 0), " alpha" added for an alpha
  // export, then the extension.
  static std::string SequenceCell(uint32_t frame, uint32_t view, bool alpha,
                                  std::string_view extension);

  // The path of `file_name` in `folder`; `file_name` must be a result of the functions above.
  static std::filesystem::path InFolder(const std::filesystem::path& folder,
                                        const std::string& file_name);
};
