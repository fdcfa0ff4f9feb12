#include "structs/MemberValue.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <set>
#include <vector>

#include "base/MessageLog.h"
#include "structs/StructDefinition.h"
#include "structs/StructInstance.h"
#include "structs/TagMember.h"
#include "structs/VornStructMember.h"

namespace membervalue {

namespace {

constexpr const char* kLog = "Struct Definitions";

struct Range {
  int64_t low;
  int64_t high;
};

// What a member's elements hold when read its own way.
Range StoredRange(uint32_t width, bool is_unsigned) {
  switch (width) {
    case 1:
      return is_unsigned ? Range{0, 255} : Range{-128, 127};
    case 2:
      return is_unsigned ? Range{0, 65535} : Range{-32768, 32767};
    default:
      return is_unsigned
                 ? Range{0, std::numeric_limits<uint32_t>::max()}
                 : Range{std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
  }
}

// What an entered integer may be: either reading of the width's bytes.
Range EnteredRange(uint32_t width) {
  switch (width) {
    case 1:
      return {-128, 255};
    case 2:
      return {-32768, 65535};
    default:
      return {std::numeric_limits<int32_t>::min(), std::numeric_limits<uint32_t>::max()};
  }
}

bool ReadsUnsigned(const StructMember& member) {
  return MemberTypeInfoOf(member.type).is_unsigned;
}

const std::string* LowerBoundName(const StructMember& member) {
  const auto* vorn = dynamic_cast<const VornStructMember*>(&member);
  if (vorn == nullptr || vorn->lower_bound.empty()) return nullptr;
  return &vorn->lower_bound;
}

// Each member closing a cycle is reported once: the editors read values on every redraw.
void ReportCycle(const StructMember& closer, const StructMember& bound) {
  static std::set<const StructMember*> reported;
  if (!reported.insert(&closer).second) return;
  LogMessage(1, kLog,
             "lower bounds form a cycle: '%s' (line %d) names '%s' (line %d), which leads back "
             "to it; '%s' is read without its bound\n",
             closer.name.c_str(), closer.line, bound.name.c_str(), bound.line, closer.name.c_str());
}

// The value of element 0 of every bound above `ref`, summed along the chain of bounds. A bound
// already on the chain closes a cycle: the member naming it counts as having none. None when
// `ref` itself has no bound that counts.
std::optional<int64_t> BoundValue(const MemberRef& ref) {
  std::vector<const StructMember*> chain{ref.member};
  MemberRef current = ref;
  std::optional<int64_t> total;
  for (;;) {
    const std::string* name = LowerBoundName(*current.member);
    if (name == nullptr) break;
    const MemberRef bound = Resolve(*current.instance, *name);
    if (!bound) break;
    if (std::find(chain.begin(), chain.end(), bound.member) != chain.end()) {
      ReportCycle(*current.member, *bound.member);
      break;
    }
    chain.push_back(bound.member);
    total = total.value_or(0) + ReadStored(bound, 0, ReadsUnsigned(*bound.member));
    current = bound;
  }
  return total;
}

// Stores `value` less the bound, clamped to what the member holds.
bool StoreWithBound(const MemberRef& ref, uint32_t index, int64_t value) {
  if (!ref || index >= ref.member->count) return false;
  const std::optional<int64_t> bound = BoundValue(ref);
  if (!bound) return WriteStored(ref, index, value);
  const Range range = StoredRange(ref.member->width, ReadsUnsigned(*ref.member));
  return WriteStored(ref, index, std::clamp(value - *bound, range.low, range.high));
}

uint8_t* ElementBytes(const MemberRef& ref, uint32_t index) {
  if (!ref || ref.instance == nullptr || index >= ref.member->count) return nullptr;
  const uint32_t width = ref.member->width;
  if (width != 1 && width != 2 && width != 4) return nullptr;
  const std::span<uint8_t> bytes = ref.instance->bytes();
  const uint64_t at = uint64_t{ref.member->offset} + uint64_t{index} * width;
  if (at + width > bytes.size()) return nullptr;
  return bytes.data() + at;
}

}  // namespace

MemberRef Resolve(StructInstance& chain, std::string_view name) {
  if (name.empty()) return {};
  for (StructInstance* instance = &chain; instance != nullptr; instance = instance->enclosing()) {
    if (const StructMember* member = instance->definition().FindMember(name)) {
      return {member, instance};
    }
  }
  return {};
}

int64_t ReadStored(const MemberRef& ref, uint32_t index, bool is_unsigned) {
  const uint8_t* at = ElementBytes(ref, index);
  if (at == nullptr) return 0;
  switch (ref.member->width) {
    case 1: {
      uint8_t v;
      std::memcpy(&v, at, 1);
      return is_unsigned ? int64_t{v} : int64_t{static_cast<int8_t>(v)};
    }
    case 2: {
      uint16_t v;
      std::memcpy(&v, at, 2);
      return is_unsigned ? int64_t{v} : int64_t{static_cast<int16_t>(v)};
    }
    default: {
      uint32_t v;
      std::memcpy(&v, at, 4);
      return is_unsigned ? int64_t{v} : int64_t{static_cast<int32_t>(v)};
    }
  }
}

bool WriteStored(const MemberRef& ref, uint32_t index, int64_t stored) {
  uint8_t* at = ElementBytes(ref, index);
  if (at == nullptr) return false;
  switch (ref.member->width) {
    case 1: {
      const auto v = static_cast<uint8_t>(stored);
      std::memcpy(at, &v, 1);
      break;
    }
    case 2: {
      const auto v = static_cast<uint16_t>(stored);
      std::memcpy(at, &v, 2);
      break;
    }
    default: {
      const auto v = static_cast<uint32_t>(stored);
      std::memcpy(at, &v, 4);
      break;
    }
  }
  return true;
}

int64_t Read(const MemberRef& ref, uint32_t index) {
  if (!ref) return 0;
  return ReadStored(ref, index, ReadsUnsigned(*ref.member)) + BoundValue(ref).value_or(0);
}

bool WriteInteger(const MemberRef& ref, uint32_t index, int64_t value) {
  if (!ref) return false;
  const Range range = EnteredRange(ref.member->width);
  if (value < range.low || value > range.high) return false;
  return StoreWithBound(ref, index, value);
}

double Shown(const MemberRef& ref, uint32_t index) {
  if (!ref) return 0.0;
  const MemberTypeInfo& info = MemberTypeInfoOf(ref.member->type);
  const int64_t value = Read(ref, index);
  if (info.decimals < 0)
    return static_cast<double>(value) * (info.factor != 0.0 ? info.factor : 1.0);
  // The display rounds in single precision: scaled by ten more than the decimals, half a unit
  // of the last decimal added away from zero, then cut.
  const double shown = static_cast<double>(value) * info.factor;
  float scale = 1.0f;
  for (int i = 0; i < info.decimals; ++i) scale *= 10.0f;
  float x = static_cast<float>(shown) * (scale * 10.0f);
  x = x < 0.0f ? x - 5.0f : x + 5.0f;
  x = std::trunc(x / 10.0f);
  // The last division in double keeps 0.033 from printing as 0.032999999.
  return static_cast<double>(x) / static_cast<double>(scale);
}

int64_t StoredFromEntered(MemberType type, double entered) {
  const MemberTypeInfo& info = MemberTypeInfoOf(type);
  const double factor = info.factor != 0.0 ? info.factor : 1.0;
  double stored = std::floor(entered / factor + 0.5);
  if (std::isnan(stored)) stored = 0.0;
  stored = std::clamp(stored, static_cast<double>(std::numeric_limits<int32_t>::min()),
                      static_cast<double>(std::numeric_limits<int32_t>::max()));
  const auto value = static_cast<int64_t>(stored);
  if (info.width == 1 || info.width == 2) {
    const Range range = StoredRange(info.width, info.is_unsigned);
    return std::clamp(value, range.low, range.high);
  }
  return value;
}

bool WriteEntered(const MemberRef& ref, uint32_t index, double entered) {
  if (!ref) return false;
  return StoreWithBound(ref, index, StoredFromEntered(ref.member->type, entered));
}

bool ReadBit(const MemberRef& ref, uint32_t bit) {
  if (!ref) return false;
  const auto value = static_cast<uint64_t>(Read(ref, 0));
  return ((value >> (bit % 32)) & 1u) != 0;
}

bool WriteBit(const MemberRef& ref, uint32_t bit, bool on) {
  if (!ref || ref.member->count == 0) return false;
  auto value = static_cast<uint32_t>(Read(ref, 0));
  const uint32_t mask = uint32_t{1} << (bit % 32);
  value = on ? (value | mask) : (value & ~mask);
  // Back to a number of the member's own reading, so the bound's difference comes out right.
  const uint32_t width = ref.member->width;
  int64_t number = value;
  if (width == 1) {
    number = ReadsUnsigned(*ref.member) ? int64_t{static_cast<uint8_t>(value)}
                                        : int64_t{static_cast<int8_t>(value)};
  } else if (width == 2) {
    number = ReadsUnsigned(*ref.member) ? int64_t{static_cast<uint16_t>(value)}
                                        : int64_t{static_cast<int16_t>(value)};
  } else if (!ReadsUnsigned(*ref.member)) {
    number = static_cast<int32_t>(value);
  }
  return StoreWithBound(ref, 0, number);
}

uint32_t UsedCount(StructInstance& chain, const StructMember& array) {
  const auto* vorn = dynamic_cast<const VornStructMember*>(&array);
  if (vorn == nullptr || vorn->runtime_count.empty()) return array.count;
  const MemberRef counter = Resolve(chain, vorn->runtime_count);
  if (!counter) return array.count;
  const int64_t used = Read(counter, 0);
  return static_cast<uint32_t>(std::clamp<int64_t>(used, 0, array.count));
}

void ReferToNothing(StructInstance& record) {
  for (const auto& member : record.definition().members()) {
    const MemberRef ref{member.get(), &record};
    for (uint32_t i = 0; i < member->count; ++i) {
      if (member->type == MemberType::kTag) {
        WriteStored(ref, i, TagMember::kNoTag);
      } else if (member->type == MemberType::kSequenceIndex) {
        WriteStored(ref, i, -1);
      } else if (member->type == MemberType::kSubstruct && member->nested) {
        StructInstance element(record, *member, i);
        ReferToNothing(element);
      }
    }
  }
}

}  // namespace membervalue
