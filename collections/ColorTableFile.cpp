#include "collections/ColorTableFile.h"

#include <algorithm>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "base/SafeFile.h"

bool ColorTableFile::Parse(std::span<const uint8_t> file, Palette& palette, uint32_t& count,
                           std::string& error) {
  ByteReader reader(file);
  Palette read{};
  if (!reader.ReadBytes(read)) {
    error = "a colour table file holds at least 768 bytes";
    return false;
  }
  uint16_t stored = 256;
  if (!reader.ReadU16Be(stored)) stored = 256;
  count = std::min<uint32_t>(stored, 256);
  std::fill(read.begin() + count * 3, read.end(), 0);
  palette = read;
  return true;
}

std::vector<uint8_t> ColorTableFile::Encode(const Palette& palette, uint32_t count) {
  count = std::min<uint32_t>(count, 256);
  ByteWriter w;
  w.WriteBytes(std::span<const uint8_t>(palette.data(), count * 3));
  if (count != 256) {
    w.WriteZeros(768 - count * 3);
    w.WriteU16Be(static_cast<uint16_t>(count));
    w.WriteU16Be(0xFFFF);
  }
  return w.Take();
}

bool ColorTableFile::readColorTable(const std::filesystem::path& path, Palette& palette,
                                    uint32_t& count, std::string& error) {
  std::vector<uint8_t> bytes;
  uint64_t size = 0;
  // Only the table and the count after it are looked at, however long the file is.
  if (!SafeFile::ReadStart(path, 770, bytes, size, error)) return false;
  if (!Parse(bytes, palette, count, error)) {
    error = path.string() + ": " + error;
    return false;
  }
  return true;
}

bool ColorTableFile::writeColorTable(const std::filesystem::path& path, const Palette& palette,
                                     uint32_t count, std::string& error) {
  return SafeFile::ReplaceWithBytes(path, Encode(palette, count), error);
}
