// Fuzz target for the .zarvfont reader. Besides not crashing, a file that reads must write
// back to exactly the bytes it was read from (less any bytes after the last style, which the
// reader ignores), so that reader and writer cannot drift apart.
//
// A complete font is at least 207,952 bytes (896 empty glyph records, header and trailers), far
// above libFuzzer's default input size. The checked-in seeds therefore cover the header and the
// first glyphs; to explore whole files, add a real font such as the built
// res/brimwell.zarvfont to a scratch corpus and run with -max_len=300000.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "gui/FontFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> input(data, size);
  const FontReadResult read = ReadFontFile(input);
  if (!read) {
    if (read.error.empty()) {
      std::fprintf(stderr, "rejected without a message\n");
      std::abort();
    }
    return 0;
  }
  const FontWriteResult written = WriteFontFile(*read.font);
  if (!written.ok()) {
    std::fprintf(stderr, "read data does not write back: %s\n", written.error.c_str());
    std::abort();
  }
  if (written.bytes.size() > size ||
      !std::equal(written.bytes.begin(), written.bytes.end(), input.begin())) {
    std::fprintf(stderr, "writing back changed the file\n");
    std::abort();
  }
  return 0;
}
