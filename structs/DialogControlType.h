#pragma once
#include <cstdint>
#include <span>
#include <string>

// The control types an interface dialog knows, with the names the editor shows for them.
namespace dialogtype {

struct Entry {
  uint32_t code;
  const char* name;
};

// The 36 known types, in the order the type menu lists them.
std::span<const Entry> All();
// The shown name; a code not in the table is "Unknown(xxxx)" with its four characters.
std::string Name(uint32_t code);
// Whether the code is one of the table's.
bool IsKnown(uint32_t code);

}  // namespace dialogtype
