#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// An open read of one tag's data: a window of `size` bytes at `offset` in a loose file or an
// archive. Reads never go past the window, whatever the caller asks for.
class TagStream {
 public:
  ~TagStream();
  TagStream(const TagStream&) = delete;
  TagStream& operator=(const TagStream&) = delete;

  // Fails when the file cannot be opened or is shorter than offset + size.
  static std::unique_ptr<TagStream> Open(const std::filesystem::path& path, uint64_t offset,
                                         uint64_t size, bool loose, std::string& error);

  // Reads up to `count` bytes and returns how many were read (0 at the end of the window or on
  // an error).
  size_t Read(void* out, size_t count);
  // The rest of the window; false on a short read.
  bool ReadRest(std::vector<uint8_t>& out);

  uint64_t size() const { return size_; }
  uint64_t remaining() const { return size_ - done_; }
  bool is_loose() const { return loose_; }
  // The open file and the place in it of the next byte: for copying the rest of the window
  // without reading it into memory.
  int fd() const { return fd_; }
  uint64_t position() const { return offset_ + done_; }

 private:
  TagStream() = default;

  int fd_ = -1;
  uint64_t offset_ = 0;
  uint64_t size_ = 0;
  uint64_t done_ = 0;
  bool loose_ = false;
};
