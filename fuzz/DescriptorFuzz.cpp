// Fuzz target for the record descriptor walker. The input holds the descriptor and the data:
//
//   byte 0        number of descriptor words W
//   byte 1        number of records N (taken modulo 16)
//   2W bytes      the descriptor words, big-endian
//   the rest      file bytes
//
// Besides not crashing, a descriptor that parses must convert consistently: reading the file
// bytes, writing them back and reading again gives the same memory records, writing those again
// gives the same file bytes, converting in place agrees with reading, and buffers one byte too
// short on either side are refused.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "tags/RecordDescriptor.h"

namespace {

void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t word_count = std::min<size_t>(data[0], (size - 2) / 2);
  const uint32_t count = data[1] % 16;
  std::vector<uint16_t> words(word_count);
  for (size_t i = 0; i < word_count; ++i) {
    words[i] = static_cast<uint16_t>(data[2 + 2 * i] << 8 | data[3 + 2 * i]);
  }
  const std::span<const uint8_t> file(data + 2 + 2 * word_count, size - 2 - 2 * word_count);

  if (!words.empty()) {
    // The element calls with the last word as the type, on whatever data there is.
    std::vector<uint8_t> elements(file.size());
    const size_t read = RecordDescriptor::ReadElements(file, elements, count, words.back());
    if (read > file.size()) Fail("element read claims more bytes than it was given");
    RecordDescriptor::ConvertElementsInPlace(elements, count, words.back());
  }

  std::string error;
  const std::optional<RecordDescriptor> descriptor = RecordDescriptor::Parse(words, &error);
  if (!descriptor) {
    if (error.empty()) Fail("descriptor refused without a message");
    return 0;
  }
  if (descriptor->file_size() == 0 || descriptor->memory_size() < descriptor->file_size()) {
    Fail("implausible record sizes");
  }
  const uint64_t file_size = descriptor->FileSize(count);
  const uint64_t memory_size = descriptor->MemorySize(count);
  if (memory_size > (1u << 20)) return 0;

  std::vector<uint8_t> memory(memory_size);
  const size_t read = descriptor->Read(file, memory, count);
  if (file.size() < file_size) {
    if (read != 0) Fail("read succeeded on short file data");
    return 0;
  }
  if (read != file_size) Fail("read did not consume the records' file size");
  if (count == 0) return 0;

  std::vector<uint8_t> written(file_size);
  if (descriptor->Write(memory, written, count) != file_size) Fail("write failed");
  std::vector<uint8_t> reread(memory_size);
  if (descriptor->Read(written, reread, count) != file_size) Fail("reading back failed");
  if (reread != memory) Fail("memory records changed after a write and a read");
  std::vector<uint8_t> rewritten(file_size);
  if (descriptor->Write(reread, rewritten, count) != file_size) Fail("second write failed");
  if (rewritten != written) Fail("file bytes changed after a read and a write");

  std::vector<uint8_t> appended;
  if (!descriptor->AppendTo(appended, memory, count) || appended != written) {
    Fail("appending differs from writing");
  }

  if (!descriptor->has_pointer_slots()) {
    std::vector<uint8_t> in_place(file.begin(), file.begin() + file_size);
    if (!descriptor->ConvertInPlace(in_place, count)) Fail("in-place conversion refused");
    if (in_place != memory) Fail("in-place conversion differs from reading");
  }

  // One byte short on either side, each on an exact-size heap copy.
  std::vector<uint8_t> short_memory(memory_size - 1);
  if (descriptor->Read(file, short_memory, count) != 0) Fail("read into short memory");
  std::vector<uint8_t> short_file(file.begin(), file.begin() + (file_size - 1));
  if (descriptor->Read(short_file, memory, count) != 0) Fail("read from short file data");
  if (descriptor->Write(memory, short_file, count) != 0) Fail("write into short file buffer");
  if (descriptor->Write(short_memory, written, count) != 0) Fail("write from short memory");
  return 0;
}
