#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Rules for tag names, which double as the names of loose tag files.
namespace tagname {

// The name a header may carry to ask for the file's name instead.
inline constexpr std::string_view kPlaceholder = "oru made this";
// A header name holds at most 31 characters; the 32nd byte is always 0.
inline constexpr size_t kMaxLength = 31;

// Cuts the text at its first NUL and at 31 characters, replaces \ / | " < > * ? : and control
// characters by '_', and drops trailing dots and spaces. The result is always usable as a file
// name: never empty, never "." or "..", no separators. A name left empty becomes "_".
std::string Sanitise(std::string_view name);

// base + suffix ("Rock" + " copy 2"), shortening the base so the whole stays within 31
// characters, then sanitised. The suffix is kept whole unless it alone is too long.
std::string WithSuffix(std::string_view base, std::string_view suffix);

// The four-character tag id derived from a name's first three words (Dark Knight Blue -> DaKB),
// advanced by one while `taken` reports it in use in the group.
uint32_t DeriveTagId(std::string_view name, const std::function<bool(uint32_t)>& taken);

}  // namespace tagname
