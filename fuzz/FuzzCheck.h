#pragma once
#include <cstdio>
#include <cstdlib>

// A property the fuzz targets hold their readers to beyond not crashing; a broken one aborts,
// which libFuzzer reports as a crash with the input that caused it.
inline void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
  }
}
