#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

#include "structs/StructMemberType.h"

class StructInstance;
class StructMember;

// A member found by name along an instance chain, bound to the innermost instance whose
// definition holds it.
struct MemberRef {
  const StructMember* member = nullptr;
  StructInstance* instance = nullptr;
  explicit operator bool() const { return member != nullptr; }
};

// Reading and writing member values as the editors and the tool show and take them.
namespace membervalue {

// Looks `name` up in the chain's own definition first, then outward; first hit wins. An
// empty name finds nothing.
MemberRef Resolve(StructInstance& chain, std::string_view name);

// The stored number of element `index`, without any lower bound: sign-extended, or
// zero-extended when `is_unsigned`. 0 for an index past the count or a width other than
// 1, 2 or 4.
int64_t ReadStored(const MemberRef& ref, uint32_t index, bool is_unsigned);
// Writes the low width bytes of `stored` into element `index`; false past the count.
bool WriteStored(const MemberRef& ref, uint32_t index, int64_t stored);

// The value the user sees: the stored number read as the type reads it (signed, unsigned for
// fixed_fraction, short_fixed_fraction and tag), plus element 0 of the lower bound member when
// one resolves (that member's own bound included). A cycle of bounds is broken where it closes:
// the member that closes it counts as having no bound, and one line goes to the "Struct
// Definitions" log.
int64_t Read(const MemberRef& ref, uint32_t index);
// Stores a value the user entered as an integer. Refused (false, nothing written) outside what
// the width can hold in either spelling: -128..255, -32768..65535, or the 32-bit range. With a
// lower bound the difference is stored, clamped to the member's range like an entered number.
bool WriteInteger(const MemberRef& ref, uint32_t index, int64_t value);

// Display of scaled members: stored × factor, rounded to the type's decimals in single
// precision (0.5 away from zero at the last decimal). Includes the lower bound.
double Shown(const MemberRef& ref, uint32_t index);
// An entered number as the stored value of a scaled member, before any lower bound:
// floor(entered / factor + 0.5), clamped to 32 bits, then to the member's width and
// signedness.
int64_t StoredFromEntered(MemberType type, double entered);
// StoredFromEntered, then WriteInteger's bound handling.
bool WriteEntered(const MemberRef& ref, uint32_t index, double entered);

// Bit `bit` (modulo 32) of element 0's value.
bool ReadBit(const MemberRef& ref, uint32_t bit);
bool WriteBit(const MemberRef& ref, uint32_t bit, bool on);

// How many elements of an array are in use: the runtime count member's value clamped to
// 0..capacity, or the capacity without one.
uint32_t UsedCount(StructInstance& chain, const StructMember& array);

// A new record refers to nothing: every tag element, nested records included, becomes "no
// tag" and every sequence index -1. Zero would name a tag id that does not exist and the first
// sequence.
void ReferToNothing(StructInstance& record);

}  // namespace membervalue
