#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

// Bounds-checked cursor over a byte buffer for the file readers.
//
// Every read either succeeds completely or consumes nothing: a read that would run past the end
// leaves the position where it was, stores zero in its output and marks the reader as failed.
// The failure is sticky, so a parser may read a group of fixed-size fields and check failed()
// once afterwards; sizes and counts taken from the data must still be checked (against
// remaining(), for instance) before they are used to allocate or index anything.
//
// The reader does not own the buffer; it must outlive the reader.
class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> data) : data_(data) {}

  [[nodiscard]] bool ReadU8(uint8_t& out);
  [[nodiscard]] bool ReadI8(int8_t& out);

  [[nodiscard]] bool ReadU16Le(uint16_t& out);
  [[nodiscard]] bool ReadI16Le(int16_t& out);
  [[nodiscard]] bool ReadU32Le(uint32_t& out);
  [[nodiscard]] bool ReadI32Le(int32_t& out);

  [[nodiscard]] bool ReadU16Be(uint16_t& out);
  [[nodiscard]] bool ReadI16Be(int16_t& out);
  [[nodiscard]] bool ReadU32Be(uint32_t& out);
  [[nodiscard]] bool ReadI32Be(int32_t& out);

  // Copies out.size() bytes.
  [[nodiscard]] bool ReadBytes(std::span<uint8_t> out);
  // Reads a fixed-size character field of out.size() bytes. The last byte is always stored as 0,
  // so the result is a NUL-terminated string even when the file filled the whole field.
  [[nodiscard]] bool ReadFixedChars(std::span<char> out);
  // Hands back a view of the next `count` bytes of the underlying buffer without copying.
  [[nodiscard]] bool ReadView(size_t count, std::span<const uint8_t>& out);
  [[nodiscard]] bool Skip(size_t count);
  // Moves to an absolute offset; the end of the buffer is a valid position.
  [[nodiscard]] bool Seek(size_t offset);

  size_t position() const { return position_; }
  size_t size() const { return data_.size(); }
  size_t remaining() const { return data_.size() - position_; }
  bool AtEnd() const { return position_ == data_.size(); }
  // True once any read, skip or seek has fallen short.
  bool failed() const { return failed_; }

 private:
  // Points p at the next `count` bytes and advances past them; when fewer remain, sets the
  // failed state and leaves the position alone, so callers never see a partial field.
  bool Take(size_t count, const uint8_t*& p);

  std::span<const uint8_t> data_;
  size_t position_ = 0;
  bool failed_ = false;
};
