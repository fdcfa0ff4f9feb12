#include "tools/zarv-tool/StructCommands.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string_view>
#include <system_error>

#include "base/SafeFile.h"
#include "structs/EnumMember.h"
#include "structs/MemberValue.h"
#include "structs/StructDefinition.h"
#include "structs/StructInstance.h"
#include "structs/StructMemberType.h"
#include "structs/StructPath.h"
#include "structs/StructRegistry.h"
#include "structs/TagMember.h"
#include "structs/VornStructMember.h"
#include "tags/LooseTagFile.h"
#include "tags/TagCode.h"
#include "tools/zarv-tool/StructValueText.h"
#include "tools/zarv-tool/ToolText.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr uint64_t kMaxScriptBytes = 16u << 20;

const char* kCheckHelp = R"(
Reads DIR as the editor reads its res folder (sub-folders included, structs/ last) and prints
one line per problem: FILE:LINE: error|warning: text. Errors cost a file or a definition;
warnings name what is skipped or will not work as written. Exit status 1 when there is an
error. --json prints {"problems": [{file, line, column, level, message}], "definitions":
[{name, file, line, size, descriptor, members: [{name, type, offset, width, count, struct,
group, lower_bound, runtime_count, entries}]}]}.
)";

const char* kDumpHelp = R"(
Prints the record of a loose tag by the description named after its group. JSON: definition,
size, members in order, each with name (or null), type, offset, count; then raw (the stored
numbers per element) and value (as the editor shows them: lower bound added, scaled types
rounded, an entry's text, a tag id, or null), padding neither, colour only raw; nested records
struct, used (elements in use) and elements (each element's members, up to the capacity).
--paths prints PATH=VALUE per named element (hp, armor[2], attacks[1].delay, origin.x), the
values as shown (tags as four characters or none) or, with --raw, as stored.
)";

const char* kSetHelp = R"(
Writes OUT: TAGFILE with values stored as the editor stores what is typed or chosen: whole
numbers, decimal numbers for scaled types, an entry's text, four characters (or 0xXXXXXXXX) or
none for tags, PATH:BIT=0|1 for a bit. --raw stores numbers as they are (colours too). --from
reads PATH=VALUE lines as dump --paths prints them, before the arguments. An unknown path, an
element past a member's capacity, text that does not read or a value the member cannot hold
stops the command (exit 1) and nothing is written. OUT keeps TAGFILE's header; padding is
written as zeros.
)";

json NameOrNull(const std::string& name) {
  return name.empty() ? json(nullptr) : json(name);
}

bool LoadDefinitions(const std::string& folder, StructRegistry& registry,
                     std::vector<StructProblem>& problems, std::ostream& err) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    err << "zarv-tool: " << folder << ": not a folder of record descriptions\n";
    return false;
  }
  registry.LoadFolder(folder, &problems);
  return true;
}

json MemberDescription(const StructMember& member) {
  json m = {
      {"name", NameOrNull(member.name)},
      {"type", MemberTypeInfoOf(member.type).name},
      {"offset", member.offset},
      {"width", member.width},
      {"count", member.count},
      {"struct", member.nested ? json(member.nested->name()) : json(nullptr)},
      {"group", nullptr},
      {"lower_bound", nullptr},
      {"runtime_count", nullptr},
      {"entries", nullptr},
  };
  if (const auto* vorn = dynamic_cast<const VornStructMember*>(&member)) {
    m["lower_bound"] = NameOrNull(vorn->lower_bound);
    m["runtime_count"] = NameOrNull(vorn->runtime_count);
  }
  if (const auto* tag = dynamic_cast<const TagMember*>(&member)) {
    if (tag->group != TagMember::kNoGroup) m["group"] = tagcode::Display(tag->group);
  }
  if (const auto* enumeration = dynamic_cast<const EnumMember*>(&member)) {
    json entries = json::array();
    for (const EnumMember::Entry& entry : enumeration->entries) {
      entries.push_back({{"text", entry.text}, {"value", entry.value}});
    }
    m["entries"] = std::move(entries);
  }
  return m;
}

json DefinitionDescription(const StructDefinition& definition) {
  json members = json::array();
  for (const auto& member : definition.members()) members.push_back(MemberDescription(*member));
  json words = json::array();
  for (uint16_t word : definition.descriptor().words()) words.push_back(word);
  return {{"name", definition.name()},      {"file", definition.file()},
          {"line", definition.line()},      {"size", definition.size()},
          {"descriptor", std::move(words)}, {"members", std::move(members)}};
}

// The members of one record, as dump prints them.
json RecordMembers(StructInstance& record) {
  json members = json::array();
  for (const auto& owned : record.definition().members()) {
    const StructMember& member = *owned;
    json m = {{"name", NameOrNull(member.name)},
              {"type", MemberTypeInfoOf(member.type).name},
              {"offset", member.offset},
              {"count", member.count}};
    const MemberRef ref{&member, &record};
    if (member.type == MemberType::kSubstruct) {
      m["struct"] = member.nested ? json(member.nested->name()) : json(nullptr);
      m["used"] = membervalue::UsedCount(record, member);
      json elements = json::array();
      for (uint32_t i = 0; member.nested && i < member.count; ++i) {
        StructInstance element(record, member, i);
        elements.push_back(RecordMembers(element));
      }
      m["elements"] = std::move(elements);
    } else if (member.type != MemberType::kPadding) {
      json raw = json::array(), value = json::array();
      for (uint32_t i = 0; i < member.count; ++i) {
        raw.push_back(structtext::Raw(ref, i));
        if (member.type != MemberType::kColor) value.push_back(structtext::ShownJson(ref, i));
      }
      m["raw"] = std::move(raw);
      if (member.type != MemberType::kColor) m["value"] = std::move(value);
    }
    members.push_back(std::move(m));
  }
  return members;
}

// A loose tag whose data is one record of the description named after its group.
struct LoadedRecord {
  std::vector<uint8_t> header;  // the file's header bytes, written back as they are
  TagHeader tag;
  std::unique_ptr<StructInstance> record;
};

bool LoadRecord(const StructRegistry& registry, const std::string& defs, const std::string& path,
                LoadedRecord& out, std::string& error) {
  TagHeader header;
  if (!LooseTagFile::ReadHeader(path, std::nullopt, header, error)) return false;
  const std::string group = tagcode::Chars(header.group);
  const StructDefinition* definition = registry.Find(group);
  if (!definition) {
    error = "no record description for the group '" + tagcode::Display(header.group) + "' in " +
            defs + " (struct check lists what is wrong there)";
    return false;
  }
  if (header.data_size != definition->size()) {
    error = "its data is " + std::to_string(header.data_size) + " bytes, a " + definition->name() +
            " record " + std::to_string(definition->size());
    return false;
  }
  std::vector<uint8_t> bytes;
  LooseTag tag;
  if (!SafeFile::ReadAll(path, TagHeader::kSize + definition->size(), bytes, error) ||
      !LooseTagFile::Parse(bytes, fs::path(path).filename().string(), header.group, tag, error)) {
    return false;
  }
  if (tag.data.size() != definition->size()) {
    error = "the file changed while it was read";
    return false;
  }
  out.header.assign(bytes.begin(), bytes.begin() + TagHeader::kSize);
  out.tag = tag.header;
  out.record = std::make_unique<StructInstance>(*definition);
  if (!out.record->ReadSwapped(tag.data)) {
    error = "its data does not convert as a " + definition->name() + " record";
    return false;
  }
  return true;
}

// One PATH=TEXT to apply, and where it came from for messages.
struct Assignment {
  std::string where;
  std::string text;
};

bool ReadScript(const std::string& file, std::vector<Assignment>& out, std::string& error) {
  std::vector<uint8_t> bytes;
  if (!SafeFile::ReadAll(file, kMaxScriptBytes, bytes, error)) return false;
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  int number = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    out.push_back({file + ":" + std::to_string(number), std::string(line)});
  }
  return true;
}

}  // namespace

int StructCommand::RunCheck(std::ostream& out, std::ostream& err) const {
  StructRegistry registry;
  std::vector<StructProblem> problems;
  if (!LoadDefinitions(defs, registry, problems, err)) return 1;
  bool errors = false;
  for (const StructProblem& problem : problems) {
    errors = errors || problem.level == StructProblem::Level::kError;
  }
  if (json) {
    nlohmann::json list = nlohmann::json::array();
    for (const StructProblem& p : problems) {
      list.push_back({{"file", p.file},
                      {"line", p.line},
                      {"column", p.column},
                      {"level", p.level == StructProblem::Level::kError ? "error" : "warning"},
                      {"message", p.message}});
    }
    nlohmann::json definitions = nlohmann::json::array();
    for (const auto& definition : registry.definitions()) {
      definitions.push_back(DefinitionDescription(*definition));
    }
    PrintJson(out, {{"problems", std::move(list)}, {"definitions", std::move(definitions)}});
  } else {
    for (const StructProblem& problem : problems) out << Printable(problem.Describe()) << "\n";
  }
  return errors ? 1 : 0;
}

int StructCommand::RunDump(std::ostream& out, std::ostream& err) const {
  StructRegistry registry;
  std::vector<StructProblem> problems;
  if (!LoadDefinitions(defs, registry, problems, err)) return 1;
  LoadedRecord loaded;
  std::string error;
  if (!LoadRecord(registry, defs, tag_file, loaded, error)) {
    err << "zarv-tool: " << tag_file << ": " << error << "\n";
    return 1;
  }
  StructInstance& record = *loaded.record;
  if (paths) {
    structpath::ForEachLeaf(
        record, [&](const std::string& path, const MemberRef& ref, uint32_t index) {
          const MemberType type = ref.member->type;
          if (type == MemberType::kPadding || (type == MemberType::kColor && !raw)) return;
          const std::string value =
              raw ? std::to_string(structtext::Raw(ref, index)) : structtext::ShownText(ref, index);
          out << Printable(path) << "=" << Printable(value) << "\n";
        });
    return 0;
  }
  if (json) {
    PrintJson(out, {{"definition", record.definition().name()},
                    {"size", record.definition().size()},
                    {"group", tagcode::Display(loaded.tag.group)},
                    {"id", tagcode::Display(loaded.tag.tag_id)},
                    {"members", RecordMembers(record)}});
    return 0;
  }
  // Plain text: the shown values, one per line, as --paths gives them but aligned.
  out << tag_file << ": " << record.definition().name() << " record of "
      << record.definition().size() << " bytes\n";
  structpath::ForEachLeaf(
      record, [&](const std::string& path, const MemberRef& ref, uint32_t index) {
        const MemberType type = ref.member->type;
        if (type == MemberType::kPadding) return;
        const std::string value = type == MemberType::kColor
                                      ? std::to_string(structtext::Raw(ref, index)) + " (stored)"
                                      : structtext::ShownText(ref, index);
        std::string label = Printable(path);
        label.resize(std::max<size_t>(label.size() + 1, 28), ' ');
        out << "  " << label << Printable(value) << "\n";
      });
  return 0;
}

int StructCommand::RunSet(std::ostream& out, std::ostream& err) const {
  StructRegistry registry;
  std::vector<StructProblem> problems;
  if (!LoadDefinitions(defs, registry, problems, err)) return 1;
  LoadedRecord loaded;
  std::string error;
  if (!LoadRecord(registry, defs, tag_file, loaded, error)) {
    err << "zarv-tool: " << tag_file << ": " << error << "\n";
    return 1;
  }
  std::vector<Assignment> list;
  if (!from.empty() && !ReadScript(from, list, error)) {
    err << "zarv-tool: " << from << ": " << error << "\n";
    return 1;
  }
  for (size_t i = 0; i < assignments.size(); ++i) {
    list.push_back({"argument " + std::to_string(i + 1), assignments[i]});
  }
  for (const Assignment& assignment : list) {
    auto fail = [&](const std::string& why) {
      err << "zarv-tool: " << assignment.where << ": " << Printable(assignment.text) << ": "
          << Printable(why) << "; nothing written\n";
      return 1;
    };
    const size_t equals = assignment.text.find('=');
    if (equals == std::string::npos) return fail("not PATH=VALUE");
    const std::string_view path = std::string_view(assignment.text).substr(0, equals);
    const std::string_view text = std::string_view(assignment.text).substr(equals + 1);
    structpath::Resolved target;
    if (!structpath::Resolve(*loaded.record, path, target, error)) return fail(error);
    error.clear();
    if (!structtext::Assign(target, text, raw, error)) {
      return fail(error.empty() ? "the value cannot be stored" : error);
    }
  }
  std::vector<uint8_t> bytes = loaded.header;
  const std::vector<uint8_t> data = loaded.record->WriteSwapped();
  bytes.insert(bytes.end(), data.begin(), data.end());
  if (!SafeFile::ReplaceWithBytes(output, bytes, error)) {
    err << "zarv-tool: " << output << ": " << error << "\n";
    return 1;
  }
  out << output << ": " << list.size() << (list.size() == 1 ? " value" : " values") << " set\n";
  return 0;
}

void AddStructCommands(CLI::App& app, ToolCommands& commands) {
  auto command = std::make_shared<StructCommand>();
  CLI::App* sub = app.add_subcommand("struct", "Check record descriptions; read and set records.");
  sub->require_subcommand(1);

  CLI::App* check = sub->add_subcommand("check", "Check a folder of record descriptions.");
  check->footer(kCheckHelp);
  check->add_option("--defs", command->defs, "Folder read as the editor reads res")->required();
  check->add_flag("--json", command->json, "Print one JSON object (keys below)");
  commands.push_back({check, [command] { return command->RunCheck(std::cout, std::cerr); }});

  CLI::App* dump = sub->add_subcommand("dump", "Print the record of a loose tag.");
  dump->footer(kDumpHelp);
  dump->add_option("--defs", command->defs, "Folder of record descriptions")->required();
  dump->add_option("TAGFILE", command->tag_file, "Loose tag file")->required();
  CLI::Option* dump_json = dump->add_flag("--json", command->json, "Print one JSON object");
  CLI::Option* dump_paths =
      dump->add_flag("--paths", command->paths, "Print PATH=VALUE lines")->excludes(dump_json);
  dump->add_flag("--raw", command->raw, "With --paths: stored numbers")->needs(dump_paths);
  commands.push_back({dump, [command] { return command->RunDump(std::cout, std::cerr); }});

  CLI::App* set = sub->add_subcommand("set", "Write a copy of a loose tag with values set.");
  set->footer(kSetHelp);
  set->add_option("--defs", command->defs, "Folder of record descriptions")->required();
  set->add_option("TAGFILE", command->tag_file, "Loose tag file (only read)")->required();
  set->add_option("-o,--output", command->output, "File to write")->required();
  set->add_flag("--raw", command->raw, "Values are stored numbers");
  set->add_option("--from", command->from, "File of PATH=VALUE lines");
  set->add_option("ASSIGNMENT", command->assignments, "PATH=VALUE");
  commands.push_back({set, [command] { return command->RunSet(std::cout, std::cerr); }});
}
