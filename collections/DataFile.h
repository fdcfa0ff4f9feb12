#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "collections/Image.h"

// A file on disk recognised by its content rather than its name: a tag file, an archive, a
// sound, a LightWave object or an image. Images are read into and written from `image`.
// The file is opened and closed within each operation.
class DataFile {
 public:
  enum Kind : uint32_t {
    kUnknown = 0,
    kTagFile = 1,
    kArchive = 2,
    kSound = 3,
    kObject = 4,
    kImage = 5
  };
  enum FileFormat : uint32_t {
    kUnknownFormat = 0,
    kTagFileFormat = 1,
    kArchiveFormat = 2,
    kWav = 3,
    kLwo = 4,
    kBmp = 5,
    kPng = 6,
    kTiff = 7,
  };

  // Image files larger than this are refused unread.
  static constexpr uint64_t kMaxImageFileSize = uint64_t{1} << 31;

  DataFile() = default;
  // A non-zero kind or format makes probing fail for a file of another kind or format.
  explicit DataFile(std::filesystem::path path, Kind expected_kind = kUnknown,
                    FileFormat expected_format = kUnknownFormat);

  const std::filesystem::path& path() const { return path_; }
  Kind kind() const { return kind_; }
  FileFormat fileFormat() const { return fileFormat_; }
  uint64_t fileSize() const { return fileSize_; }
  Image& image() { return image_; }
  const Image& image() const { return image_; }
  uint64_t pixelOffset() const { return pixelOffset_; }
  bool bottomUp() const { return bottomUp_; }
  // Why the last probe, load or save failed.
  const std::string& error() const { return error_; }
  // True when the last probe accepted an image's headers but the file ends before its pixels:
  // a damaged file of the right format rather than a file of the wrong one.
  bool pixelsCutShort() const { return pixelsCutShort_; }

  // Recognises the file; for an image also reads size, layout and palette, but no pixels.
  bool probe();
  // Probes when needed, then reads an image's pixels. An indexed image whose palette is empty
  // or the grey ramp becomes greyscale. Once it has succeeded it succeeds again at once.
  bool loadPixels();
  // Writes `image` in the format `fileFormat` (BMP, PNG or TIFF) to the path, replacing the
  // file only once the new one is complete.
  bool save();
  void setFileFormat(FileFormat format) { fileFormat_ = format; }

  // The format of the extension (after the last '.', or the whole name without one), matched
  // without regard to case against ".unknown", ".lwo", ".wav", ".bmp", ".png", ".tiff".
  static FileFormat formatFromExtension(std::string_view path);
  static Kind kindOfFormat(FileFormat format);
  // ".bmp", ".png", ".tiff", ...; "" for a format without an extension.
  static const char* extensionOf(FileFormat format);

  // Writes an image as BMP, PNG or TIFF; the second form takes the format from the extension.
  static bool saveImage(const std::filesystem::path& path, const Image& image, FileFormat format,
                        std::string& error);
  static bool saveImage(const std::filesystem::path& path, const Image& image, std::string& error);
  // Probes and loads an image file in one go.
  static bool loadImage(const std::filesystem::path& path, Image& image, std::string& error);

 private:
  bool Recognise(std::span<const uint8_t> start);
  bool Fail(std::string text);

  std::filesystem::path path_;
  Kind expectedKind_ = kUnknown;
  FileFormat expectedFormat_ = kUnknownFormat;
  Kind kind_ = kUnknown;
  FileFormat fileFormat_ = kUnknownFormat;
  uint64_t fileSize_ = 0;
  Image image_;
  uint64_t pixelOffset_ = 0;
  bool bottomUp_ = false;
  bool probed_ = false;
  bool loaded_ = false;
  bool pixelsCutShort_ = false;
  std::vector<uint8_t> bytes_;  // an image file's content between probing and loading
  std::string error_;
};
