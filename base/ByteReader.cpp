#include "base/ByteReader.h"

#include <algorithm>

bool ByteReader::Take(size_t count, const uint8_t*& p) {
  // Compared against what is left rather than position_ + count, which could wrap.
  if (count > remaining()) {
    failed_ = true;
    p = nullptr;
    return false;
  }
  // An empty buffer may have a null data pointer; a zero-length read from it still succeeds.
  p = data_.data() + position_;
  position_ += count;
  return true;
}

bool ByteReader::ReadU8(uint8_t& out) {
  const uint8_t* p = nullptr;
  const bool ok = Take(1, p);
  out = ok ? p[0] : 0;
  return ok;
}

bool ByteReader::ReadI8(int8_t& out) {
  uint8_t u = 0;
  const bool ok = ReadU8(u);
  out = static_cast<int8_t>(u);
  return ok;
}

bool ByteReader::ReadU16Le(uint16_t& out) {
  const uint8_t* p = nullptr;
  const bool ok = Take(2, p);
  out = ok ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : 0;
  return ok;
}

bool ByteReader::ReadI16Le(int16_t& out) {
  uint16_t u = 0;
  const bool ok = ReadU16Le(u);
  out = static_cast<int16_t>(u);
  return ok;
}

bool ByteReader::ReadU32Le(uint32_t& out) {
  const uint8_t* p = nullptr;
  const bool ok = Take(4, p);
  out = ok ? static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                 static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24
           : 0;
  return ok;
}

bool ByteReader::ReadI32Le(int32_t& out) {
  uint32_t u = 0;
  const bool ok = ReadU32Le(u);
  out = static_cast<int32_t>(u);
  return ok;
}

bool ByteReader::ReadU16Be(uint16_t& out) {
  const uint8_t* p = nullptr;
  const bool ok = Take(2, p);
  out = ok ? static_cast<uint16_t>((p[0] << 8) | p[1]) : 0;
  return ok;
}

bool ByteReader::ReadI16Be(int16_t& out) {
  uint16_t u = 0;
  const bool ok = ReadU16Be(u);
  out = static_cast<int16_t>(u);
  return ok;
}

bool ByteReader::ReadU32Be(uint32_t& out) {
  const uint8_t* p = nullptr;
  const bool ok = Take(4, p);
  out = ok ? static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
                 static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3])
           : 0;
  return ok;
}

bool ByteReader::ReadI32Be(int32_t& out) {
  uint32_t u = 0;
  const bool ok = ReadU32Be(u);
  out = static_cast<int32_t>(u);
  return ok;
}

bool ByteReader::ReadBytes(std::span<uint8_t> out) {
  const uint8_t* p = nullptr;
  if (!Take(out.size(), p)) {
    std::fill(out.begin(), out.end(), uint8_t{0});
    return false;
  }
  std::copy_n(p, out.size(), out.begin());
  return true;
}

bool ByteReader::ReadFixedChars(std::span<char> out) {
  const uint8_t* p = nullptr;
  if (!Take(out.size(), p)) {
    std::fill(out.begin(), out.end(), '\0');
    return false;
  }
  std::transform(p, p + out.size(), out.begin(), [](uint8_t b) { return static_cast<char>(b); });
  if (!out.empty()) out.back() = '\0';
  return true;
}

bool ByteReader::ReadView(size_t count, std::span<const uint8_t>& out) {
  const uint8_t* p = nullptr;
  const bool ok = Take(count, p);
  out = ok ? std::span<const uint8_t>(p, count) : std::span<const uint8_t>();
  return ok;
}

bool ByteReader::Skip(size_t count) {
  const uint8_t* p = nullptr;
  return Take(count, p);
}

bool ByteReader::Seek(size_t offset) {
  if (offset > data_.size()) {
    failed_ = true;
    return false;
  }
  position_ = offset;
  return true;
}
