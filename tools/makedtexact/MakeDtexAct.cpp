// zarv_makedtexact writes res/dtex.act, the highlight colour table detail maps fall back on
// for slots past their own: an Adobe colour table of all 256 entries.
//
// Usage: zarv_makedtexact OUTPUT
#include <cstdio>
#include <string>

#include "collections/ColorTableFile.h"
#include "terrain/HighlightTable.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zarv_makedtexact OUTPUT\n");
    return 2;
  }
  std::string error;
  if (!ColorTableFile::writeColorTable(argv[1], terrain::DefaultHighlightTable(), 256, error)) {
    std::fprintf(stderr, "zarv_makedtexact: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  return 0;
}
