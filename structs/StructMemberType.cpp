#include "structs/StructMemberType.h"

#include <array>

namespace {

constexpr double kTicks = 1.0 / 30.0;
constexpr double kWorld = 1.0 / 512.0;
constexpr double kFixed = 1.0 / 65536.0;
constexpr double kShortFixed = 1.0 / 256.0;
// 1/65536 of a turn per tick, shown as degrees per second; 1/65536 of a turn as degrees.
constexpr double kAngularVelocity = 360.0 * 30.0 / 65536.0;
constexpr double kAngle = 360.0 / 65536.0;

// In enum order, so a type indexes its own row.
constexpr std::array<MemberTypeInfo, 20> kTypes{{
    {MemberType::kPadding, "padding", 1, false, 0.0, -1},
    {MemberType::kSubstruct, "substruct", 0, false, 0.0, -1},
    {MemberType::kTag, "tag", 4, true, 0.0, -1},
    {MemberType::kLong, "long", 4, false, 1.0, -1},
    {MemberType::kLongTime, "long_time", 4, false, kTicks, 3},
    {MemberType::kLongWorld, "long_world", 4, false, kWorld, 3},
    {MemberType::kFixed, "fixed", 4, false, kFixed, 3},
    {MemberType::kShort, "short", 2, false, 1.0, -1},
    {MemberType::kShortTime, "short_time", 2, false, kTicks, 3},
    {MemberType::kShortWorld, "short_world", 2, false, kWorld, 3},
    {MemberType::kShortEnum, "short_enum", 2, false, 0.0, -1},
    {MemberType::kSequenceIndex, "sequence_index", 2, false, 0.0, -1},
    {MemberType::kFixedFraction, "fixed_fraction", 2, true, kFixed, 3},
    {MemberType::kShortFixed, "short_fixed", 2, false, kShortFixed, 3},
    {MemberType::kAngularVelocity, "angular_velocity", 2, false, kAngularVelocity, 0},
    {MemberType::kAngle, "angle", 2, false, kAngle, 0},
    {MemberType::kByte, "byte", 1, false, 1.0, -1},
    {MemberType::kByteEnum, "byte_enum", 1, false, 0.0, -1},
    {MemberType::kShortFixedFraction, "short_fixed_fraction", 1, true, kShortFixed, 3},
    // Colours are four 16-bit channels; they are only ever copied, so they read unsigned.
    {MemberType::kColor, "color", 2, true, 0.0, -1},
}};

constexpr bool TableInOrder() {
  for (size_t i = 0; i < kTypes.size(); ++i) {
    if (static_cast<size_t>(kTypes[i].type) != i) return false;
  }
  return true;
}
static_assert(TableInOrder(), "member type rows must follow the enum");

}  // namespace

const MemberTypeInfo* FindMemberType(std::string_view name) {
  for (const MemberTypeInfo& info : kTypes) {
    if (name == info.name) return &info;
  }
  return nullptr;
}

const MemberTypeInfo& MemberTypeInfoOf(MemberType type) {
  const size_t index = static_cast<size_t>(type);
  return index < kTypes.size() ? kTypes[index] : kTypes[0];
}

bool IsScaledType(MemberType type) {
  return MemberTypeInfoOf(type).decimals >= 0;
}

bool IsIntegerType(MemberType type) {
  return type == MemberType::kLong || type == MemberType::kShort || type == MemberType::kByte;
}
