#include "structs/StructPath.h"

#include "structs/StructDefinition.h"
#include "structs/StructInstance.h"
#include "structs/StructMember.h"

namespace structpath {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Decimal digits at `pos` into `value`; false when there are none or they exceed 32 bits.
bool ReadNumber(std::string_view text, size_t& pos, uint32_t& value) {
  const size_t start = pos;
  uint64_t number = 0;
  while (pos < text.size() && IsDigit(text[pos])) {
    number = number * 10 + static_cast<uint64_t>(text[pos] - '0');
    if (number > UINT32_MAX) return false;
    ++pos;
  }
  value = static_cast<uint32_t>(number);
  return pos > start;
}

std::string Quoted(std::string_view text) {
  return "'" + std::string(text) + "'";
}

// The path of element `index` of `member` below `prefix`.
std::string ElementPath(const std::string& prefix, const StructMember& member, uint32_t index) {
  std::string path = prefix.empty() ? member.name : prefix + "." + member.name;
  if (member.count != 1) path += "[" + std::to_string(index) + "]";
  return path;
}

void VisitRecord(StructInstance& record, const std::string& prefix, const LeafVisitor& visit) {
  const StructDefinition& definition = record.definition();
  for (const auto& owned : definition.members()) {
    const StructMember& member = *owned;
    if (member.name.empty() || definition.FindMember(member.name) != &member) continue;
    for (uint32_t i = 0; i < member.count; ++i) {
      if (member.type == MemberType::kSubstruct) {
        if (!member.nested) break;
        StructInstance element(record, member, i);
        VisitRecord(element, ElementPath(prefix, member, i), visit);
      } else {
        visit(ElementPath(prefix, member, i), MemberRef{&member, &record}, i);
      }
    }
  }
}

}  // namespace

std::optional<Parsed> Parse(std::string_view text, std::string& error) {
  Parsed parsed;
  size_t pos = 0;
  for (;;) {
    Segment segment;
    const size_t start = pos;
    while (pos < text.size() && text[pos] != '[' && text[pos] != '.' && text[pos] != ':' &&
           text[pos] != ']') {
      ++pos;
    }
    segment.name = std::string(text.substr(start, pos - start));
    if (segment.name.empty()) {
      error = "path " + Quoted(text) + ": a member name is missing at character " +
              std::to_string(start + 1);
      return std::nullopt;
    }
    if (pos < text.size() && text[pos] == '[') {
      ++pos;
      uint32_t index = 0;
      if (!ReadNumber(text, pos, index) || pos >= text.size() || text[pos] != ']') {
        error = "path " + Quoted(text) + ": an index is a decimal number in brackets";
        return std::nullopt;
      }
      ++pos;
      segment.index = index;
    }
    parsed.segments.push_back(std::move(segment));
    if (pos == text.size()) return parsed;
    if (text[pos] == '.') {
      ++pos;
      continue;
    }
    if (text[pos] == ':') {
      ++pos;
      uint32_t bit = 0;
      if (!ReadNumber(text, pos, bit) || pos != text.size()) {
        error = "path " + Quoted(text) + ": a bit is a decimal number ending the path";
        return std::nullopt;
      }
      parsed.bit = bit;
      return parsed;
    }
    error = "path " + Quoted(text) + ": unexpected " + Quoted(text.substr(pos, 1)) +
            " at character " + std::to_string(pos + 1);
    return std::nullopt;
  }
}

bool Resolve(StructInstance& top, std::string_view path, Resolved& out, std::string& error) {
  const std::optional<Parsed> parsed = Parse(path, error);
  if (!parsed) return false;
  out = Resolved{};
  StructInstance* record = &top;
  for (size_t s = 0; s < parsed->segments.size(); ++s) {
    const Segment& segment = parsed->segments[s];
    const StructMember* member = record->definition().FindMember(segment.name);
    if (!member) {
      error = "path " + Quoted(path) + ": " + record->definition().name() + " has no member " +
              Quoted(segment.name);
      return false;
    }
    const uint32_t index = segment.index.value_or(0);
    if (index >= member->count) {
      error = "path " + Quoted(path) + ": element " + std::to_string(index) +
              " is past the capacity " + std::to_string(member->count) + " of " +
              Quoted(member->name);
      return false;
    }
    const bool last = s + 1 == parsed->segments.size();
    const bool is_record = member->type == MemberType::kSubstruct;
    if (last && is_record) {
      error = "path " + Quoted(path) + ": " + Quoted(member->name) +
              " is a record; name one of its members";
      return false;
    }
    if (!last && !is_record) {
      error = "path " + Quoted(path) + ": " + Quoted(member->name) + " is not a record";
      return false;
    }
    if (!last) {
      if (!member->nested) {
        error = "path " + Quoted(path) + ": " + Quoted(member->name) + " has no definition";
        return false;
      }
      out.nested.push_back(std::make_unique<StructInstance>(*record, *member, index));
      record = out.nested.back().get();
      continue;
    }
    if (parsed->bit) {
      if (!IsIntegerType(member->type)) {
        error = "path " + Quoted(path) + ": " + Quoted(member->name) +
                " holds no bits (only long, short and byte do)";
        return false;
      }
      if (index != 0) {
        error = "path " + Quoted(path) + ": bits are those of element 0";
        return false;
      }
      if (*parsed->bit >= member->width * 8) {
        error = "path " + Quoted(path) + ": bit " + std::to_string(*parsed->bit) + " is past the " +
                std::to_string(member->width * 8) + " bits of " + Quoted(member->name);
        return false;
      }
    }
    out.ref = MemberRef{member, record};
    out.index = index;
    out.bit = parsed->bit;
  }
  return true;
}

void ForEachLeaf(StructInstance& top, const LeafVisitor& visit) {
  VisitRecord(top, "", visit);
}

}  // namespace structpath
