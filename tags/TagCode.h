#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Group codes and tag ids are four characters packed into 32 bits, first character in the most
// significant byte, so 'mesh' is 0x6D657368.
namespace tagcode {

// A tag id meaning "none": lookups with it find nothing.
inline constexpr uint32_t kNone = 0xFFFFFFFFu;

// Packs up to four characters; missing ones are zero bytes.
constexpr uint32_t Make(std::string_view chars) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) {
    const uint8_t c = i < chars.size() ? static_cast<uint8_t>(chars[i]) : 0;
    value = (value << 8) | c;
  }
  return value;
}

// The four bytes, most significant first, whatever they are.
std::string Chars(uint32_t code);
// True when all four bytes are printable ASCII (space to tilde).
bool IsPrintable(uint32_t code);
// The four characters when printable, else "0x" and eight upper-case hex digits, so an
// arbitrary value read from a file never puts control bytes on a terminal.
std::string Display(uint32_t code);

}  // namespace tagcode
