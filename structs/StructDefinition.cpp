#include "structs/StructDefinition.h"

#include <tinyxml.h>

#include <algorithm>
#include <utility>

#include "structs/EnumMember.h"
#include "structs/StructRegistry.h"
#include "structs/TagMember.h"
#include "structs/VornStructMember.h"

namespace {

// Nested descriptors are copied into every record that uses them, so a chain of small records
// each used several times could multiply the word list; nothing real comes near this.
constexpr size_t kMaxDescriptorWords = size_t{1} << 20;

// `count` as the descriptions write it: the leading decimal digits (after blanks), 0 without
// any. Saturates far above any size a record can have, so the sums below cannot overflow.
uint64_t LeadingCount(const char* text) {
  constexpr uint64_t kCap = uint64_t{1} << 40;
  while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n') ++text;
  if (*text == '+') ++text;
  uint64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = std::min(kCap, value * 10 + static_cast<uint64_t>(*text - '0'));
  }
  return value;
}

std::unique_ptr<StructMember> MakeMember(MemberType type) {
  switch (type) {
    case MemberType::kTag:
      return std::make_unique<TagMember>();
    case MemberType::kShortEnum:
    case MemberType::kByteEnum:
      return std::make_unique<EnumMember>();
    default:
      return std::make_unique<VornStructMember>();
  }
}

uint16_t SwapCodeFor(MemberType type, uint32_t width) {
  uint16_t code = width == 4 ? 2 : width == 2 ? 1 : 0;
  if (type == MemberType::kPadding) code |= RecordDescriptor::kZeroFlag;
  return code;
}

std::string MemberLabel(const StructMember& member, const char* type_name) {
  std::string label = member.name.empty() ? std::string("an unnamed ") + type_name
                                          : std::string(type_name) + " '" + member.name + "'";
  return label + " (line " + std::to_string(member.line) + ")";
}

}  // namespace

std::unique_ptr<StructDefinition> StructDefinition::Read(const TiXmlElement& element,
                                                         const StructRegistry& registry,
                                                         const std::string& file,
                                                         std::vector<StructProblem>* problems) {
  const int line = element.Row();
  auto report = [&](StructProblem problem) {
    if (problems != nullptr) problems->push_back(std::move(problem));
  };
  const char* name = element.Attribute("name");
  if (name == nullptr) {
    report(StructProblem::Warning(file, line, "a struct without a name is ignored"));
    return nullptr;
  }
  std::unique_ptr<StructDefinition> definition(new StructDefinition);
  definition->name_ = name;
  definition->file_ = file;
  definition->line_ = line;
  const std::string refused = "struct '" + definition->name_ + "' refused: ";
  auto refuse = [&](const std::string& why) {
    report(StructProblem::Error(file, line, refused + why));
    return nullptr;
  };

  const MemberReadContext context{&file, problems};
  std::vector<uint16_t> words{0};
  uint64_t offset = 0;
  int nesting = 0;
  for (const TiXmlElement* child = element.FirstChildElement(); child != nullptr;
       child = child->NextSiblingElement()) {
    const MemberTypeInfo* info = FindMemberType(child->ValueStr());
    if (info == nullptr) {
      report(StructProblem::Warning(
          file, child->Row(),
          "unknown member type '" + child->ValueStr() + "' skipped; it takes no bytes"));
      continue;
    }
    uint64_t count = 1;
    if (const char* text = child->Attribute("count")) count = LeadingCount(text);
    if (info->type == MemberType::kColor) count = 4;

    std::unique_ptr<StructMember> member = MakeMember(info->type);
    member->type = info->type;
    member->line = child->Row();
    member->ReadAttributes(*child, context);
    uint32_t width = info->width;
    if (info->type == MemberType::kSubstruct) {
      const char* nested_name = child->Attribute("struct");
      const StructDefinition* nested =
          nested_name != nullptr ? registry.Find(nested_name) : nullptr;
      if (nested == nullptr) {
        return refuse(MemberLabel(*member, "substruct") +
                      (nested_name == nullptr ? std::string(" names no struct")
                                              : " names '" + std::string(nested_name) +
                                                    "', which is not defined before it"));
      }
      if (nested->nesting_ + 1 > RecordDescriptor::kMaxDepth) {
        return refuse("its records would nest more than " +
                      std::to_string(RecordDescriptor::kMaxDepth) + " levels deep (" +
                      MemberLabel(*member, "substruct") + ")");
      }
      nesting = std::max(nesting, nested->nesting_ + 1);
      member->nested = nested;
      width = nested->size_;
    } else {
      member->swap_code = SwapCodeFor(info->type, width);
    }
    const uint64_t bytes = uint64_t{width} * count;
    if (offset + bytes > kMaxSize) {
      return refuse("it would be more than " + std::to_string(kMaxSize) + " bytes long (" +
                    MemberLabel(*member, info->name) + " ends at byte " +
                    std::to_string(offset + bytes) + ")");
    }
    member->offset = static_cast<uint32_t>(offset);
    member->width = width;
    member->count = static_cast<uint32_t>(count);
    // A member without elements takes no bytes and needs no words: a run of 0 would be
    // meaningless to the converter.
    if (count != 0) {
      words.push_back(static_cast<uint16_t>(count));
      if (member->nested != nullptr) {
        const std::span<const uint16_t> nested_words = member->nested->descriptor().words();
        if (words.size() + 1 + nested_words.size() > kMaxDescriptorWords) {
          return refuse("its descriptor would be more than " + std::to_string(kMaxDescriptorWords) +
                        " words long");
        }
        words.push_back(RecordDescriptor::kNestedRecord);
        words.insert(words.end(), nested_words.begin(), nested_words.end());
      } else {
        words.push_back(member->swap_code);
      }
    }
    offset += bytes;
    definition->members_.push_back(std::move(member));
  }
  if (offset == 0) return refuse("it holds no bytes");
  words[0] = static_cast<uint16_t>(offset);
  std::string error;
  std::optional<RecordDescriptor> descriptor = RecordDescriptor::Parse(words, &error);
  if (!descriptor) return refuse("its record descriptor does not check: " + error);
  definition->size_ = static_cast<uint32_t>(offset);
  definition->nesting_ = nesting;
  definition->descriptor_ = std::move(descriptor);
  return definition;
}

const StructMember* StructDefinition::FindMember(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (const std::unique_ptr<StructMember>& member : members_) {
    if (member->name == name) return member.get();
  }
  return nullptr;
}

bool StructDefinition::Contains(const StructMember* member) const {
  return std::any_of(
      members_.begin(), members_.end(),
      [member](const std::unique_ptr<StructMember>& own) { return own.get() == member; });
}

bool StructDefinition::ReadSwapped(std::span<const uint8_t> file, std::span<uint8_t> memory) const {
  if (file.size() != size_ || memory.size() != size_) return false;
  return descriptor_->Read(file, memory, 1) == size_;
}

bool StructDefinition::WriteSwapped(std::span<const uint8_t> memory,
                                    std::span<uint8_t> file) const {
  if (file.size() != size_ || memory.size() != size_) return false;
  return descriptor_->Write(memory, file, 1) == size_;
}
