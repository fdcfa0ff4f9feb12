#pragma once
#include <cstdint>
#include <string_view>

// The member types a record description may use, by their element names in the XML.
enum class MemberType : uint8_t {
  kPadding,
  kSubstruct,
  kTag,
  kLong,
  kLongTime,
  kLongWorld,
  kFixed,
  kShort,
  kShortTime,
  kShortWorld,
  kShortEnum,
  kSequenceIndex,
  kFixedFraction,
  kShortFixed,
  kAngularVelocity,
  kAngle,
  kByte,
  kByteEnum,
  kShortFixedFraction,
  kColor,
};

// What every member of one type shares. `width` is bytes per element (0 for substruct: the
// nested definition's size); `is_unsigned` decides how the stored bytes read as a number;
// `factor` turns a stored number into the shown value (0 when the type shows no number);
// `decimals` is the display rounding of scaled types (-1 when the type is not scaled).
struct MemberTypeInfo {
  MemberType type;
  const char* name;
  uint32_t width;
  bool is_unsigned;
  double factor;
  int decimals;
};

// Matched exactly and case-sensitively; null for a name that is not a member type.
const MemberTypeInfo* FindMemberType(std::string_view name);
const MemberTypeInfo& MemberTypeInfoOf(MemberType type);
// The types shown as a number with decimals (long_time ... short_fixed_fraction).
bool IsScaledType(MemberType type);
// long, short, byte: shown as plain integers, and the only types that may carry a bit.
bool IsIntegerType(MemberType type);
