#include "collections/DataFile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "base/ByteReader.h"
#include "base/SafeFile.h"
#include "collections/BmpFile.h"
#include "collections/PngFile.h"
#include "collections/TiffFile.h"
#include "tags/TagHeader.h"

namespace {

struct ExtensionRow {
  const char* extension;
  DataFile::FileFormat format;
  DataFile::Kind kind;
};

constexpr ExtensionRow kExtensions[] = {
    {".unknown", DataFile::kUnknownFormat, DataFile::kUnknown},
    {".lwo", DataFile::kLwo, DataFile::kObject},
    {".wav", DataFile::kWav, DataFile::kSound},
    {".bmp", DataFile::kBmp, DataFile::kImage},
    {".png", DataFile::kPng, DataFile::kImage},
    {".tiff", DataFile::kTiff, DataFile::kImage},
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool StartsWith(std::span<const uint8_t> bytes, size_t at, const char* text) {
  const size_t n = std::strlen(text);
  return bytes.size() >= at + n && std::memcmp(bytes.data() + at, text, n) == 0;
}

bool IsTagFile(std::span<const uint8_t> start) {
  ByteReader reader(start);
  TagHeader header;
  std::string ignored;
  return TagHeader::Read(reader, header, ignored);
}

bool IsArchive(std::span<const uint8_t> start, uint64_t file_size) {
  ByteReader reader(start);
  uint16_t type = 0, order = 0;
  if (!reader.ReadU16Be(type) || !reader.ReadU16Be(order)) return false;
  if (StartsWith(start, 124, "dng2")) {
    return type == 1 || type == 2 || type == 3 || type == 5 || type == 6;
  }
  // The legacy layout has no signature; its directory must run exactly to the end of the file.
  uint32_t directory = 0;
  uint16_t count = 0;
  if (type != 1 || order != 1 || !reader.Seek(40) || !reader.ReadU32Be(directory) ||
      !reader.ReadU16Be(count)) {
    return false;
  }
  return directory >= 48 && directory <= file_size &&
         file_size - directory == uint64_t{count} * TagHeader::kSize;
}

}  // namespace

DataFile::DataFile(std::filesystem::path path, Kind expected_kind, FileFormat expected_format)
    : path_(std::move(path)), expectedKind_(expected_kind), expectedFormat_(expected_format) {}

bool DataFile::Fail(std::string text) {
  error_ = std::move(text);
  bytes_.clear();
  bytes_.shrink_to_fit();
  return false;
}

bool DataFile::Recognise(std::span<const uint8_t> start) {
  kind_ = kUnknown;
  fileFormat_ = kUnknownFormat;
  if (StartsWith(start, 0, "MM") || StartsWith(start, 0, "II")) {
    fileFormat_ = kTiff;
  } else if (StartsWith(start, 0, "\x89PNG")) {
    fileFormat_ = kPng;
  } else if (StartsWith(start, 0, "BM")) {
    fileFormat_ = kBmp;
  } else if (StartsWith(start, 8, "LWO2")) {
    fileFormat_ = kLwo;
  } else if (StartsWith(start, 8, "WAVE")) {
    fileFormat_ = kWav;
  } else if (IsTagFile(start)) {
    fileFormat_ = kTagFileFormat;
  } else if (IsArchive(start, fileSize_)) {
    fileFormat_ = kArchiveFormat;
  } else {
    return false;
  }
  kind_ = kindOfFormat(fileFormat_);
  return true;
}

bool DataFile::probe() {
  if (probed_) return true;
  loaded_ = false;
  pixelsCutShort_ = false;
  std::vector<uint8_t> start;
  std::string error;
  if (!SafeFile::ReadStart(path_, 128, start, fileSize_, error)) {
    error_ = error;
    return false;
  }
  if (start.empty()) return Fail("the file is empty");
  if (!Recognise(start)) return Fail("the file's kind is not recognised");
  if ((expectedKind_ != kUnknown && expectedKind_ != kind_) ||
      (expectedFormat_ != kUnknownFormat && expectedFormat_ != fileFormat_)) {
    return Fail("the file is not of the expected kind");
  }
  if (kind_ != kImage) {
    probed_ = true;
    return true;
  }
  if (fileSize_ > kMaxImageFileSize) return Fail("the image file is too large");
  if (!SafeFile::ReadAll(path_, kMaxImageFileSize, bytes_, error)) {
    error_ = error;
    return false;
  }
  bool ok = false;
  switch (fileFormat_) {
    case kBmp: {
      BmpFile::Layout layout;
      ok = BmpFile::ReadHeader(bytes_, layout, error);
      pixelsCutShort_ = layout.pixelsCutShort;
      if (ok) {
        pixelOffset_ = layout.pixelOffset;
        bottomUp_ = layout.bottomUp;
        // Size and palette now; the pixels (left zero) follow in loadPixels.
        ok = image_.setSize(layout.width, layout.height, layout.format);
        if (!ok) error = "the BMP image is too large";
        image_.setPalette(layout.format == ImageFormat::kIndexed ? layout.paletteCount : 0,
                          layout.palette.data());
      }
      break;
    }
    case kPng:
      ok = PngFile::Read(bytes_, image_, false, error);
      break;
    case kTiff:
      ok = TiffFile::Read(bytes_, image_, false, error);
      break;
    default:
      break;
  }
  if (!ok) return Fail(error);
  probed_ = true;
  return true;
}

bool DataFile::loadPixels() {
  if (loaded_) return true;
  if (!probe()) return false;
  if (kind_ != kImage) return Fail("the file is not an image");
  if (bytes_.empty()) {
    // A second load after the cached bytes went: read the file again.
    std::string error;
    if (!SafeFile::ReadAll(path_, kMaxImageFileSize, bytes_, error)) {
      error_ = error;
      return false;
    }
  }
  std::string error;
  bool ok = false;
  switch (fileFormat_) {
    case kBmp: {
      BmpFile::Layout layout;
      ok = BmpFile::ReadHeader(bytes_, layout, error) &&
           BmpFile::ReadPixels(bytes_, layout, image_, error);
      break;
    }
    case kPng:
      ok = PngFile::Read(bytes_, image_, true, error);
      break;
    case kTiff:
      ok = TiffFile::Read(bytes_, image_, true, error);
      break;
    default:
      break;
  }
  bytes_.clear();
  bytes_.shrink_to_fit();
  if (!ok) return Fail(error);
  if (image_.is(ImageFormat::kIndexed)) {
    bool grey = true;
    const std::span<const uint8_t> pal = image_.palette();
    for (uint32_t i = 0; i < image_.paletteCount() && grey; ++i) {
      grey = pal[i * 3] == i && pal[i * 3 + 1] == i && pal[i * 3 + 2] == i;
    }
    if (grey) {
      image_.setSize(image_.width(), image_.height(), ImageFormat::kGreyscale,
                     image_.pixels().data());
      image_.setPalette(0, nullptr);
    }
  }
  loaded_ = true;
  return true;
}

bool DataFile::save() {
  std::string error;
  if (!saveImage(path_, image_, fileFormat_, error)) {
    error_ = error;
    return false;
  }
  return true;
}

DataFile::FileFormat DataFile::formatFromExtension(std::string_view path) {
  const size_t dot = path.rfind('.');
  const std::string_view extension = dot == std::string_view::npos ? path : path.substr(dot + 1);
  for (const ExtensionRow& row : kExtensions) {
    const std::string_view with_dot = row.extension;
    if (EqualsIgnoringCase(extension, with_dot) ||
        EqualsIgnoringCase(extension, with_dot.substr(1))) {
      return row.format;
    }
  }
  return kUnknownFormat;
}

DataFile::Kind DataFile::kindOfFormat(FileFormat format) {
  switch (format) {
    case kTagFileFormat:
      return kTagFile;
    case kArchiveFormat:
      return kArchive;
    case kWav:
      return kSound;
    case kLwo:
      return kObject;
    case kBmp:
    case kPng:
    case kTiff:
      return kImage;
    default:
      return kUnknown;
  }
}

const char* DataFile::extensionOf(FileFormat format) {
  for (const ExtensionRow& row : kExtensions) {
    if (row.format == format && format != kUnknownFormat) return row.extension;
  }
  return "";
}

bool DataFile::saveImage(const std::filesystem::path& path, const Image& image, FileFormat format,
                         std::string& error) {
  switch (format) {
    case kBmp: {
      std::vector<uint8_t> bytes;
      return BmpFile::Encode(image, bytes, error) && SafeFile::ReplaceWithBytes(path, bytes, error);
    }
    case kPng:
      return SafeFile::Replace(
          path,
          [&](const std::string& temp, std::string& err) {
            std::FILE* f = std::fopen(temp.c_str(), "wb");
            if (!f) {
              err = temp + ": could not be opened for writing";
              return false;
            }
            const bool written = PngFile::Write(f, image, err);
            const bool closed = std::fclose(f) == 0;
            if (written && !closed) err = path.string() + ": the file could not be written";
            return written && closed;
          },
          error);
    case kTiff:
      return SafeFile::Replace(
          path,
          [&](const std::string& temp, std::string& err) {
            return TiffFile::Write(temp, image, err);
          },
          error);
    default:
      error = path.filename().string() + ": images are written as .bmp, .png or .tiff";
      return false;
  }
}

bool DataFile::saveImage(const std::filesystem::path& path, const Image& image,
                         std::string& error) {
  return saveImage(path, image, formatFromExtension(path.filename().string()), error);
}

bool DataFile::loadImage(const std::filesystem::path& path, Image& image, std::string& error) {
  DataFile file(path, kImage);
  if (!file.loadPixels()) {
    error = file.error();
    return false;
  }
  image = std::move(file.image());
  return true;
}
