#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// Growable byte buffer for the file writers, the counterpart of ByteReader.
//
// Appends never fail. Patch* calls overwrite bytes already written (a header field whose value
// is only known once the data after it has been written); a patch that would reach past the end
// of the buffer changes nothing and returns false.
class ByteWriter {
 public:
  void WriteU8(uint8_t value);
  void WriteI8(int8_t value) { WriteU8(static_cast<uint8_t>(value)); }

  void WriteU16Le(uint16_t value);
  void WriteU32Le(uint32_t value);
  void WriteI32Le(int32_t value) { WriteU32Le(static_cast<uint32_t>(value)); }

  void WriteU16Be(uint16_t value);
  void WriteU32Be(uint32_t value);
  void WriteI32Be(int32_t value) { WriteU32Be(static_cast<uint32_t>(value)); }

  void WriteBytes(std::span<const uint8_t> bytes);
  void WriteZeros(size_t count);
  // Writes exactly `width` bytes: the text, cut short if need be, padded with zeros. The last
  // byte is always 0, so a reader sees a terminated string even if the text filled the field.
  void WriteFixedChars(std::string_view text, size_t width);

  [[nodiscard]] bool PatchU8(size_t offset, uint8_t value);
  [[nodiscard]] bool PatchU16Be(size_t offset, uint16_t value);
  [[nodiscard]] bool PatchU32Be(size_t offset, uint32_t value);
  [[nodiscard]] bool PatchU16Le(size_t offset, uint16_t value);
  [[nodiscard]] bool PatchU32Le(size_t offset, uint32_t value);
  [[nodiscard]] bool PatchBytes(size_t offset, std::span<const uint8_t> bytes);

  size_t size() const { return bytes_.size(); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
};
