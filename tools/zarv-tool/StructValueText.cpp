#include "tools/zarv-tool/StructValueText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "structs/EnumMember.h"
#include "structs/StructMember.h"
#include "structs/StructMemberType.h"
#include "structs/TagMember.h"
#include "tags/TagCode.h"

namespace structtext {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// A whole decimal integer, optionally negative, of at most 18 digits (enough for every width,
// and no overflow to think about).
bool ParseInteger(std::string_view text, int64_t& value) {
  size_t pos = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++pos;
  if (pos == text.size() || text.size() - pos > 18) return false;
  int64_t number = 0;
  for (; pos < text.size(); ++pos) {
    if (!IsDigit(text[pos])) return false;
    number = number * 10 + (text[pos] - '0');
  }
  value = negative ? -number : number;
  return true;
}

// What a number field accepts: digits, a leading minus and one decimal point, at least one
// digit.
bool ParseDecimal(std::string_view text, double& value) {
  bool point = false, digit = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else if (!(c == '-' && i == 0)) {
      return false;
    }
  }
  if (!digit) return false;
  const std::string copy(text);
  value = std::strtod(copy.c_str(), nullptr);
  return std::isfinite(value);
}

bool ParseTagId(std::string_view text, uint32_t& id) {
  if (text == "none") {
    id = TagMember::kNoTag;
    return true;
  }
  if (text.size() == 4) {
    id = tagcode::Make(text);
    return true;
  }
  if (text.size() == 10 && text.substr(0, 2) == "0x") {
    uint32_t value = 0;
    for (char c : text.substr(2)) {
      int nibble;
      if (IsDigit(c)) {
        nibble = c - '0';
      } else if (c >= 'a' && c <= 'f') {
        nibble = c - 'a' + 10;
      } else if (c >= 'A' && c <= 'F') {
        nibble = c - 'A' + 10;
      } else {
        return false;
      }
      value = (value << 4) | static_cast<uint32_t>(nibble);
    }
    id = value;
    return true;
  }
  return false;
}

// Every number an element of `width` bytes holds in either spelling.
void WidthRange(uint32_t width, int64_t& low, int64_t& high) {
  const int bits = static_cast<int>(width) * 8;
  low = -(int64_t{1} << (bits - 1));
  high = (int64_t{1} << bits) - 1;
}

// The stored numbers a scaled member takes: its signedness at its width.
void ScaledRange(const StructMember& member, int64_t& low, int64_t& high) {
  const int bits = static_cast<int>(member.width) * 8;
  if (StoresUnsigned(member.type) && bits < 32) {
    low = 0;
    high = (int64_t{1} << bits) - 1;
  } else {
    low = -(int64_t{1} << (bits - 1));
    high = (int64_t{1} << (bits - 1)) - 1;
  }
}

std::string RangeText(int64_t low, int64_t high) {
  return std::to_string(low) + " to " + std::to_string(high);
}

std::string TypeName(const StructMember& member) {
  return MemberTypeInfoOf(member.type).name;
}

bool AssignBit(const structpath::Resolved& target, std::string_view text, bool raw,
               std::string& error) {
  if (text != "0" && text != "1") {
    error = "a bit is 0 or 1";
    return false;
  }
  const bool on = text == "1";
  if (!raw) return membervalue::WriteBit(target.ref, *target.bit, on);
  const uint64_t mask = uint64_t{1} << *target.bit;
  uint64_t stored = static_cast<uint64_t>(membervalue::ReadStored(target.ref, 0, true));
  stored = on ? (stored | mask) : (stored & ~mask);
  return membervalue::WriteStored(target.ref, 0, static_cast<int64_t>(stored));
}

bool AssignInteger(const MemberRef& ref, uint32_t index, std::string_view text, bool raw,
                   std::string& error) {
  int64_t value = 0;
  if (!ParseInteger(text, value)) {
    error = "'" + std::string(text) + "' is not a whole number";
    return false;
  }
  int64_t low, high;
  WidthRange(ref.member->width, low, high);
  if (value < low || value > high) {
    error = std::to_string(value) + " is out of range for " + TypeName(*ref.member) + " (" +
            RangeText(low, high) + ")";
    return false;
  }
  const bool written = raw ? membervalue::WriteStored(ref, index, value)
                           : membervalue::WriteInteger(ref, index, value);
  if (!written) error = std::to_string(value) + " cannot be stored in " + ref.member->name;
  return written;
}

bool AssignScaled(const MemberRef& ref, uint32_t index, std::string_view text, std::string& error) {
  double entered = 0;
  if (!ParseDecimal(text, entered)) {
    error = "'" + std::string(text) + "' is not a decimal number";
    return false;
  }
  const double factor = MemberTypeInfoOf(ref.member->type).factor;
  const double stored = std::floor(entered / factor + 0.5);
  int64_t low, high;
  ScaledRange(*ref.member, low, high);
  if (!(stored >= static_cast<double>(low) && stored <= static_cast<double>(high))) {
    error = std::string(text) + " is out of range for " + TypeName(*ref.member) + " (" +
            FormatScaled(static_cast<double>(low) * factor,
                         MemberTypeInfoOf(ref.member->type).decimals) +
            " to " +
            FormatScaled(static_cast<double>(high) * factor,
                         MemberTypeInfoOf(ref.member->type).decimals) +
            ")";
    return false;
  }
  return membervalue::WriteEntered(ref, index, entered);
}

bool AssignEnum(const MemberRef& ref, uint32_t index, std::string_view text, std::string& error) {
  const auto& member = static_cast<const EnumMember&>(*ref.member);
  for (const EnumMember::Entry& entry : member.entries) {
    if (entry.text == text) return membervalue::WriteInteger(ref, index, entry.value);
  }
  int64_t value = 0;
  if (!ParseInteger(text, value)) {
    std::string names;
    for (const EnumMember::Entry& entry : member.entries) {
      names += (names.empty() ? "'" : ", '") + entry.text + "'";
    }
    error = "'" + std::string(text) + "' is no entry of " + member.name +
            (names.empty() ? " (it has none)" : " (" + names + ")");
    return false;
  }
  return AssignInteger(ref, index, text, false, error);
}

}  // namespace

bool StoresUnsigned(MemberType type) {
  return type == MemberType::kTag || type == MemberType::kColor ||
         type == MemberType::kFixedFraction || type == MemberType::kShortFixedFraction;
}

int64_t Raw(const MemberRef& ref, uint32_t index) {
  return membervalue::ReadStored(ref, index, StoresUnsigned(ref.member->type));
}

std::string FormatScaled(double value, int decimals) {
  if (value == 0) value = 0;  // no "-0.0"
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals < 0 ? 0 : decimals, value);
  std::string text = buffer;
  if (text.find('.') == std::string::npos) return text + ".0";
  while (text.back() == '0' && text[text.size() - 2] != '.') text.pop_back();
  return text;
}

nlohmann::json ShownJson(const MemberRef& ref, uint32_t index) {
  const MemberType type = ref.member->type;
  if (type == MemberType::kTag) {
    const auto id = static_cast<uint32_t>(Raw(ref, index));
    if (id == TagMember::kNoTag) return nullptr;
    return tagcode::Display(id);
  }
  if (type == MemberType::kShortEnum || type == MemberType::kByteEnum) {
    const auto& member = static_cast<const EnumMember&>(*ref.member);
    const int entry = member.CurrentEntry(membervalue::Read(ref, index));
    if (entry < 0) return nullptr;
    return member.entries[static_cast<size_t>(entry)].text;
  }
  if (IsScaledType(type)) {
    const std::string text =
        FormatScaled(membervalue::Shown(ref, index), MemberTypeInfoOf(type).decimals);
    return std::strtod(text.c_str(), nullptr);
  }
  return membervalue::Read(ref, index);
}

std::string ShownText(const MemberRef& ref, uint32_t index) {
  const MemberType type = ref.member->type;
  if (type == MemberType::kTag) {
    const auto id = static_cast<uint32_t>(Raw(ref, index));
    if (id == TagMember::kNoTag) return "none";
    const std::string shown = tagcode::Display(id);
    if (shown != "none") return shown;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(id));
    return buffer;
  }
  if (type == MemberType::kShortEnum || type == MemberType::kByteEnum) {
    const nlohmann::json shown = ShownJson(ref, index);
    if (shown.is_string()) return shown.get<std::string>();
    return std::to_string(membervalue::Read(ref, index));
  }
  if (IsScaledType(type)) {
    return FormatScaled(membervalue::Shown(ref, index), MemberTypeInfoOf(type).decimals);
  }
  return std::to_string(membervalue::Read(ref, index));
}

bool Assign(const structpath::Resolved& target, std::string_view text, bool raw,
            std::string& error) {
  const StructMember& member = *target.ref.member;
  if (target.bit) return AssignBit(target, text, raw, error);
  if (member.type == MemberType::kPadding) {
    error = member.name + " is padding, which is always zero";
    return false;
  }
  if (raw) return AssignInteger(target.ref, target.index, text, true, error);
  switch (member.type) {
    case MemberType::kColor:
      error = member.name + " is a colour, which is set with --raw";
      return false;
    case MemberType::kTag: {
      uint32_t id = 0;
      if (!ParseTagId(text, id)) {
        error = "'" + std::string(text) +
                "' is no tag id (four characters, 0x and eight hex digits, or none)";
        return false;
      }
      return membervalue::WriteStored(target.ref, target.index, id);
    }
    case MemberType::kShortEnum:
    case MemberType::kByteEnum:
      return AssignEnum(target.ref, target.index, text, error);
    case MemberType::kSequenceIndex:
      if (text == "none") return membervalue::WriteInteger(target.ref, target.index, -1);
      return AssignInteger(target.ref, target.index, text, false, error);
    default:
      if (IsScaledType(member.type)) return AssignScaled(target.ref, target.index, text, error);
      return AssignInteger(target.ref, target.index, text, false, error);
  }
}

}  // namespace structtext
