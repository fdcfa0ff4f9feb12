#include "tools/zarv-tool/TagOpCommands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "tags/Codex.h"
#include "tags/LocalFolder.h"
#include "tags/LooseTagWriter.h"
#include "tags/TagCode.h"
#include "tags/TagOperations.h"
#include "tools/zarv-tool/ArchiveCommands.h"
#include "tools/zarv-tool/ToolText.h"

namespace {

using Json = nlohmann::json;

// Four characters, or "0x" and eight hex digits for ids that are not printable.
std::optional<uint32_t> ParseId(const std::string& text) {
  if (text.size() == 4) return tagcode::Make(text);
  if (text.size() == 10 && (text.starts_with("0x") || text.starts_with("0X")) &&
      text.find_first_not_of("0123456789abcdefABCDEF", 2) == std::string::npos) {
    return static_cast<uint32_t>(std::stoul(text.substr(2), nullptr, 16));
  }
  return std::nullopt;
}

std::string CheckId(const std::string& text) {
  return ParseId(text) ? std::string() : "an id is four characters or 0x and eight hex digits";
}

bool OpenGame(const TagOpOptions& o, Codex& codex, std::ostream& err) {
  return OpenToolGame(o.game, o.active, codex, err);
}

CodexEntry* FindTag(const Codex& codex, const TagOpOptions& o, const std::string& id,
                    std::ostream& err) {
  CodexEntry* entry = codex.Find(tagcode::Make(o.group), *ParseId(id));
  if (!entry) err << "zarv-tool: no tag " << o.group << " " << Printable(id) << " in force\n";
  return entry;
}

int Refused(std::ostream& err, const std::string& reason) {
  err << "zarv-tool: " << reason << "\n";
  return 1;
}

// The tag as it is in force now; `null` (or nothing) when no copy of it is.
void PrintTag(const Codex& codex, const TagOpOptions& o, const CodexEntry* entry,
              std::ostream& out) {
  const LocationRecord* r = entry ? codex.WinningCopy(*entry) : nullptr;
  if (!r) {
    if (o.json) PrintJson(out, nullptr);
    return;
  }
  std::string file, source;
  if (r->archive) {
    file = std::filesystem::relative(r->archive->path(), o.game).string();
    source = codex.WorkingSetName(*r->archive);
  } else {
    file = std::filesystem::relative(
               LocalFolder::GroupFolderPath(codex.local_folder(), entry->group()) /
                   entry->local_copy()->file_name,
               o.game)
               .string();
    source = "local";
  }
  const TagHeader& h = r->header;
  if (o.json) {
    PrintJson(out, Json{{"group", tagcode::Display(h.group)},
                        {"id", tagcode::Display(h.tag_id)},
                        {"name", h.Name()},
                        {"file", file},
                        {"source", source}});
  } else {
    out << tagcode::Display(h.group) << '\t' << tagcode::Display(h.tag_id) << '\t'
        << Printable(h.Name()) << '\t' << Printable(file) << '\t' << Printable(source) << '\n';
  }
}

}  // namespace

int CreateCommand::Run(std::ostream& out, std::ostream& err) const {
  // The data is checked before anything changes.
  int fd = -1;
  struct stat st {};
  if (data) {
    fd = ::open(data->c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      if (fd >= 0) ::close(fd);
      err << "zarv-tool: " << *data << ": cannot read the data\n";
      return 1;
    }
  }
  std::unique_ptr<int, void (*)(int*)> closer(&fd, [](int* f) {
    if (*f >= 0) ::close(*f);
  });
  Codex codex;
  if (!OpenGame(options, codex, err)) return 1;
  std::string reason;
  const uint32_t tag_id = id ? *ParseId(*id) : tagcode::kNone;
  if (id && tag_id == tagcode::kNone) return Refused(err, "The tag id 0xFFFFFFFF is reserved");
  const tagops::CreatedTag made =
      tagops::CreateTag(codex, tagcode::Make(options.group), tag_id, name, overwrite, &reason);
  if (!made.entry) return Refused(err, reason);
  std::string error;
  LooseTagWriter* writer = codex.BeginWrite(made.entry, made.header);
  const bool ok =
      writer && (fd < 0 || writer->AppendFrom(fd, 0, static_cast<uint64_t>(st.st_size), error));
  if (!writer || !codex.EndWrite(made.entry, made.header, ok)) {
    codex.ForgetIfUnused(made.entry);
    return Refused(err, "'" + made.header.Name() + "' could not be written" +
                            (error.empty() ? std::string() : ": " + error));
  }
  PrintTag(codex, options, made.entry, out);
  return 0;
}

int TagCommand::Run(std::ostream& out, std::ostream& err) const {
  Codex codex;
  if (!OpenGame(options, codex, err)) return 1;
  CodexEntry* entry = FindTag(codex, options, id, err);
  if (!entry) return 1;
  std::string reason;
  CodexEntry* result = nullptr;
  switch (op_) {
    case Op::kDuplicate:
      result = tagops::Duplicate(
          codex, entry, name ? std::optional<std::string_view>(*name) : std::nullopt, &reason);
      break;
    case Op::kCopyLocal:
      result = tagops::CopyToLocal(codex, entry, &reason) ? entry : nullptr;
      break;
    case Op::kDelete: {
      const uint32_t group = entry->group(), tag_id = entry->tag_id();
      if (!tagops::DeleteLocalCopy(codex, entry, &reason)) return Refused(err, reason);
      // What is in force once the local copy is gone: an archived copy, or nothing.
      PrintTag(codex, options, codex.Find(group, tag_id), out);
      return 0;
    }
  }
  if (!result) return Refused(err, reason);
  PrintTag(codex, options, result, out);
  return 0;
}

int RenameCommand::Run(std::ostream& out, std::ostream& err) const {
  Codex codex;
  if (!OpenGame(options, codex, err)) return 1;
  CodexEntry* entry = FindTag(codex, options, id, err);
  if (!entry) return 1;
  // The tag info window's checks, in its order, with its texts.
  uint32_t new_tag_id = tagcode::kNone;
  if (new_id) {
    const std::optional<uint32_t> parsed = new_id->starts_with("0x") || new_id->starts_with("0X")
                                               ? ParseId(*new_id)
                                           : new_id->size() == 4 ? ParseId(*new_id)
                                                                 : std::nullopt;
    if (!parsed) return Refused(err, "The subgroup id must be exactly 4 characters long.");
    if (*parsed == tagcode::kNone) return Refused(err, "The subgroup id 0xFFFFFFFF is reserved.");
    new_tag_id = *parsed;
  }
  if (new_name && new_name->empty()) return Refused(err, "The name field must not be empty.");
  if (new_id && new_tag_id != entry->tag_id()) {
    const CodexEntry* other = codex.FindAny(entry->group(), new_tag_id);
    if (other && other->has_local_copy()) {
      return Refused(err,
                     "A tag with the specified group and subgroup combination already exists in "
                     "the local folder.");
    }
  }
  std::string reason;
  CodexEntry* result = tagops::ChangeTagInfo(
      codex, entry, new_tag_id,
      new_name ? std::optional<std::string_view>(*new_name) : std::nullopt, &reason);
  if (!result) return Refused(err, reason);
  PrintTag(codex, options, result, out);
  return 0;
}

namespace {

void AddCommon(CLI::App* sub, TagOpOptions& o) {
  sub->add_option("--game", o.game, "Game folder (with tags/, plugins/ and local/)")->required();
  sub->add_option("--group", o.group, "The tag's group (four characters)")
      ->required()
      ->check([](const std::string& code) {
        return code.size() == 4 ? std::string() : "a group code has four characters";
      });
  sub->add_option("--active", o.active,
                  "An archive of the working set (repeatable); without it the default set");
  sub->add_flag("--json", o.json, "Print the resulting tag as a JSON object");
}

}  // namespace

void AddTagOpCommands(CLI::App& app, ToolCommands& commands) {
  auto create = std::make_shared<CreateCommand>();
  CLI::App* sub = app.add_subcommand("create", "Create a tag in the local folder and save it.");
  AddCommon(sub, create->options);
  sub->add_option("--name", create->name, "The tag's name")->required();
  sub->add_option("--id", create->id, "Tag id (derived from the name when not given)")
      ->check(CheckId);
  sub->add_option("--data", create->data, "File whose bytes become the tag's data");
  sub->add_flag("--overwrite", create->overwrite,
                "Replace a local tag holding the id or the name once the new one is saved");
  commands.push_back({sub, [create] { return create->Run(std::cout, std::cerr); }});

  struct Kind {
    const char* name;
    const char* help;
    TagCommand::Op op;
  };
  for (const Kind& kind :
       {Kind{"duplicate", "Copy a tag to a new local tag.", TagCommand::Op::kDuplicate},
        Kind{"copy-local", "Give an archived tag a local copy.", TagCommand::Op::kCopyLocal},
        Kind{"delete", "Delete a tag's local copy.", TagCommand::Op::kDelete}}) {
    auto command = std::make_shared<TagCommand>(kind.op);
    sub = app.add_subcommand(kind.name, kind.help);
    AddCommon(sub, command->options);
    sub->add_option("--id", command->id, "Tag id")->required()->check(CheckId);
    if (kind.op == TagCommand::Op::kDuplicate) {
      sub->add_option("--name", command->name, "Name of the copy");
    }
    commands.push_back({sub, [command] { return command->Run(std::cout, std::cerr); }});
  }

  auto rename = std::make_shared<RenameCommand>();
  sub = app.add_subcommand("rename", "Change a tag's name and/or id.");
  AddCommon(sub, rename->options);
  sub->add_option("--id", rename->id, "Tag id")->required()->check(CheckId);
  sub->add_option("--new-name", rename->new_name, "New name");
  sub->add_option("--new-id", rename->new_id, "New tag id (four characters, or 0x and 8 digits)");
  commands.push_back({sub, [rename] { return rename->Run(std::cout, std::cerr); }});
}
