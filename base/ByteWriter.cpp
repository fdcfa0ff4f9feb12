#include "base/ByteWriter.h"

#include <algorithm>
#include <array>

namespace {

std::array<uint8_t, 2> U16Be(uint16_t v) {
  return {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}
std::array<uint8_t, 2> U16Le(uint16_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
}
std::array<uint8_t, 4> U32Be(uint32_t v) {
  return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}
std::array<uint8_t, 4> U32Le(uint32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}

}  // namespace

void ByteWriter::WriteU8(uint8_t value) {
  bytes_.push_back(value);
}
void ByteWriter::WriteU16Le(uint16_t value) {
  WriteBytes(U16Le(value));
}
void ByteWriter::WriteU32Le(uint32_t value) {
  WriteBytes(U32Le(value));
}
void ByteWriter::WriteU16Be(uint16_t value) {
  WriteBytes(U16Be(value));
}
void ByteWriter::WriteU32Be(uint32_t value) {
  WriteBytes(U32Be(value));
}

void ByteWriter::WriteBytes(std::span<const uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

void ByteWriter::WriteZeros(size_t count) {
  bytes_.resize(bytes_.size() + count, 0);
}

void ByteWriter::WriteFixedChars(std::string_view text, size_t width) {
  if (width == 0) return;
  const size_t start = bytes_.size();
  WriteZeros(width);
  const size_t n = std::min(text.size(), width - 1);
  std::transform(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n),
                 bytes_.begin() + static_cast<std::ptrdiff_t>(start),
                 [](char c) { return static_cast<uint8_t>(c); });
}

bool ByteWriter::PatchBytes(size_t offset, std::span<const uint8_t> bytes) {
  // Compared against what is left rather than offset + size, which could wrap.
  if (offset > bytes_.size() || bytes.size() > bytes_.size() - offset) return false;
  std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
  return true;
}

bool ByteWriter::PatchU8(size_t offset, uint8_t value) {
  const std::array<uint8_t, 1> b{value};
  return PatchBytes(offset, b);
}
bool ByteWriter::PatchU16Be(size_t offset, uint16_t value) {
  return PatchBytes(offset, U16Be(value));
}
bool ByteWriter::PatchU32Be(size_t offset, uint32_t value) {
  return PatchBytes(offset, U32Be(value));
}
bool ByteWriter::PatchU16Le(size_t offset, uint16_t value) {
  return PatchBytes(offset, U16Le(value));
}
bool ByteWriter::PatchU32Le(size_t offset, uint32_t value) {
  return PatchBytes(offset, U32Le(value));
}
