#pragma once
#include <cstdint>
#include <string>

// What the choosers ask of a file the user picked to open: whether it can be read and, for an
// image, its format (the data file's format code). A readable file of no kind the program
// knows is accepted with type 0; the caller decides what to do with it.
class ChooserFileProbe {
 public:
  static bool Probe(const std::string& path, int32_t& file_type);
};
