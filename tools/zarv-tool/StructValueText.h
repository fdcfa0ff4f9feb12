#pragma once
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "structs/MemberValue.h"
#include "structs/StructPath.h"

// How `zarv-tool struct` shows member elements and takes typed values, following the editor:
// a value is shown as its control shows it and set as it would be typed or chosen there.
namespace structtext {

// tag, color, fixed_fraction and short_fixed_fraction store unsigned numbers.
bool StoresUnsigned(MemberType type);
// The stored number of one element, without any lower bound.
int64_t Raw(const MemberRef& ref, uint32_t index);
// The element as shown: a number (lower bound added; scaled types rounded to their decimals),
// an enumeration entry's text, a tag id's four characters, or null (no tag, no entry).
nlohmann::json ShownJson(const MemberRef& ref, uint32_t index);
// The same as one line's value: "none" for no tag, the number for a value no entry has, and a
// tag id that reads "none" in hexadecimal so it cannot be taken for no tag.
std::string ShownText(const MemberRef& ref, uint32_t index);
// A scaled value as the number field shows it: `decimals` places, trailing zeros dropped but
// one kept after the point.
std::string FormatScaled(double value, int decimals);

// Stores `text` into the element (or bit) `target` names. Shown values: an integer, a decimal
// number for scaled types, an entry's text (or a number the member holds) for enumerations, four
// characters, 0x and eight hex digits or "none" for tags, a number or "none" for sequence
// indexes, 0 or 1 for a bit. With `raw` every type takes its stored number (colour included).
// False with a reason, writing nothing, for text that does not read, a number the member
// cannot hold, padding, or a colour without `raw`.
bool Assign(const structpath::Resolved& target, std::string_view text, bool raw,
            std::string& error);

}  // namespace structtext
