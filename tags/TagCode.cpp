#include "tags/TagCode.h"

#include <cstdio>

namespace tagcode {

std::string Chars(uint32_t code) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[static_cast<size_t>(i)] = static_cast<char>(code >> (24 - 8 * i));
  return s;
}

bool IsPrintable(uint32_t code) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    const uint32_t c = (code >> shift) & 0xFF;
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

std::string Display(uint32_t code) {
  if (IsPrintable(code)) return Chars(code);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(code));
  return buffer;
}

}  // namespace tagcode
