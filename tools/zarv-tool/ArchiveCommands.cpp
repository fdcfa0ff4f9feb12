#include "tools/zarv-tool/ArchiveCommands.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <unordered_set>

#include "tags/ArchiveFile.h"
#include "tags/ArchiveWriter.h"
#include "tags/Codex.h"
#include "tags/LooseTagFile.h"
#include "tags/TagCode.h"
#include "tools/zarv-tool/ToolText.h"

namespace {

using Json = nlohmann::json;

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Qualified by its folder where two archives share the file name, as --active takes it.
std::string SourceName(const Codex& codex, const LocationRecord& r) {
  return r.archive ? codex.WorkingSetName(*r.archive) : "local";
}

// An archive named on the command line: a file name, or folder/file name where the "tags" and
// "plugins" folders both hold that file name. None, with a message, when no archive has the
// name or a plain name fits more than one (the message names the forms that fit one).
Archive* NamedArchive(const Codex& codex, const std::string& option, const std::string& name,
                      const char* not_found, std::ostream& err) {
  if (name.find('/') == std::string::npos && codex.CountArchivesNamed(name) > 1) {
    err << "zarv-tool: " << option << " " << name
        << ": more than one archive has that file name; name one as";
    for (size_t i = 0; i < codex.archive_count(); ++i) {
      const Archive* a = codex.ArchiveAt(i);
      if (a->file_name() == name) err << " " << a->qualified_name();
    }
    err << "\n";
    return nullptr;
  }
  Archive* archive = codex.FindArchive(name);
  if (!archive) {
    const std::string game = codex.game_folder().string();
    err << "zarv-tool: " << option << " " << name << ": " << not_found << " in " << game
        << "/tags or " << game << "/plugins\n";
  }
  return archive;
}

}  // namespace

bool OpenToolGame(const std::string& game, const std::vector<std::string>& active, Codex& codex,
                  std::ostream& err) {
  if (!IsFolder(game)) {
    err << "zarv-tool: " << game << ": not a folder\n";
    return false;
  }
  codex.OpenGameFolder(game);
  if (active.empty()) return true;
  std::vector<Archive*> set;
  for (const std::string& name : active) {
    Archive* archive = NamedArchive(codex, "--active", name, "no archive of that name", err);
    if (!archive) return false;
    set.push_back(archive);
  }
  codex.SetWorkingSet(set);
  return true;
}

// ------------------------------------------------------------------------------------ list

int ListCommand::Run(std::ostream& out, std::ostream& err) const {
  Codex codex;
  if (!OpenToolGame(game, active, codex, err)) return 1;

  // Each set lists the copy in force. An inactive archive's tags have none unless another copy
  // wins; those are shown as the archive holds them, which is what asking for it means.
  std::vector<const LocationRecord*> rows;
  if (set == "combined" || set == "local" || set == "foundation") {
    const std::vector<CodexEntry*> entries = set == "combined" ? codex.Combined()
                                             : set == "local"  ? codex.Local()
                                                               : codex.Foundation();
    for (const CodexEntry* entry : entries) rows.push_back(codex.WinningCopy(*entry));
  } else {
    const Archive* archive =
        NamedArchive(codex, "--set", set,
                     "neither a set (combined, local, foundation) nor an archive's name", err);
    if (!archive) return 1;
    std::unordered_set<const CodexEntry*> seen;
    for (const LocationRecord& r : archive->copies()) {
      if (!r.owner || !seen.insert(r.owner).second) continue;
      const LocationRecord* winner = codex.WinningCopy(*r.owner);
      rows.push_back(winner ? winner : &r);
    }
  }

  const std::optional<uint32_t> only =
      group ? std::optional<uint32_t>(tagcode::Make(*group)) : std::nullopt;
  Json array = Json::array();
  for (const LocationRecord* r : rows) {
    const TagHeader& h = r->header;
    if (only && h.group != *only) continue;
    if (json) {
      array.push_back({
          {"group", tagcode::Display(h.group)},
          {"id", tagcode::Display(h.tag_id)},
          {"name", h.Name()},
          {"size", h.data_size},
          {"version", h.version},
          {"user_data", h.user_data},
          {"source", SourceName(codex, *r)},
          {"kind", r->kind},
      });
    } else {
      char user[16];
      std::snprintf(user, sizeof user, "0x%08X", static_cast<unsigned>(h.user_data));
      out << tagcode::Display(h.group) << '\t' << tagcode::Display(h.tag_id) << '\t' << h.data_size
          << '\t' << h.version << '\t' << user << '\t' << r->kind << '\t'
          << Printable(SourceName(codex, *r)) << '\t' << Printable(h.Name()) << '\n';
    }
  }
  if (json) PrintJson(out, array);
  return 0;
}

// -------------------------------------------------------------------------------- archives

int ArchivesCommand::Run(std::ostream& out, std::ostream& err) const {
  if (!IsFolder(game)) {
    err << "zarv-tool: " << game << ": not a folder\n";
    return 1;
  }
  // Loaded one by one rather than by folder, to hear why a file is no archive.
  Codex codex;
  for (const char* sub : {"tags", "plugins"}) {
    const std::filesystem::path folder = std::filesystem::path(game) / sub;
    for (const std::string& name : Codex::ArchiveCandidates(folder)) {
      std::string error;
      if (!codex.LoadArchive(folder / name, &error)) {
        err << "zarv-tool: " << sub << "/" << Printable(name) << ": " << error << "\n";
      }
    }
  }
  codex.ApplyDefaultWorkingSet();

  Json array = Json::array();
  for (size_t i = 0; i < codex.archive_count(); ++i) {
    const Archive& a = *codex.ArchiveAt(i);
    const std::string folder = a.path().parent_path().filename().string();
    if (json) {
      array.push_back({
          {"file", a.file_name()},
          {"folder", folder},
          {"name", a.header().Name()},
          {"type", a.type()},
          {"order", a.order()},
          {"active", a.active()},
          {"tags", a.copies().size()},
          {"legacy", a.legacy()},
      });
    } else {
      out << Printable(folder + "/" + a.file_name()) << "\ttype " << a.type() << "\torder "
          << a.order() << '\t' << (a.active() ? "active" : "inactive") << '\t' << a.copies().size()
          << " tags\t" << (a.legacy() ? "legacy" : "current") << '\t'
          << Printable(a.header().Name()) << '\n';
    }
  }
  if (json) PrintJson(out, array);
  return 0;
}

// ------------------------------------------------------------------------------------ pack

int PackCommand::Run(std::ostream& out, std::ostream& err) const {
  if (type < 0 || type > 0xFFFF || ArchiveFile::KindOfType(static_cast<uint16_t>(type)) < 0) {
    err << "zarv-tool: --type " << type << ": not an archive type (1, 2, 3, 5 or 6)\n";
    return 1;
  }
  if (order < 0 || order > 0xFFFF) {
    err << "zarv-tool: --order " << order << ": must lie between 0 and 65535\n";
    return 1;
  }
  // Refused before reading thousands of headers for nothing.
  if (files.size() > ArchiveWriter::kMaxTags) {
    err << "zarv-tool: an archive holds at most 65535 tags; " << files.size() << " were given\n";
    return 1;
  }
  std::vector<ArchiveSource> sources;
  sources.reserve(files.size());
  for (const std::string& file : files) {
    ArchiveSource source;
    std::string error;
    if (!LooseTagFile::ReadHeader(file, std::nullopt, source.header, error)) {
      err << "zarv-tool: " << file << ": " << error << "\n";
      return 1;
    }
    source.file = file;
    source.offset = TagHeader::kSize;
    sources.push_back(std::move(source));
  }
  // The writer works in a temporary file and renames it over the output only in Commit, so a
  // failure anywhere leaves no partial archive (and any earlier one as it was).
  ArchiveWriter writer;
  std::string error;
  if (!writer.Write(output, std::move(sources), static_cast<uint16_t>(type), name, url,
                    static_cast<uint16_t>(order), error) ||
      !writer.Commit(error)) {
    err << "zarv-tool: " << output << ": " << error << "\n";
    return 1;
  }
  out << output << ": " << writer.directory().size() << " tags\n";
  return 0;
}

// ---------------------------------------------------------------------------------- unpack

int UnpackCommand::Run(std::ostream& out, std::ostream& err) const {
  Codex codex;
  std::string error;
  const Archive* loaded = codex.LoadArchive(archive, &error);
  if (!loaded) {
    err << "zarv-tool: " << archive << ": " << error << "\n";
    return 1;
  }
  const size_t total = loaded->copies().size();
  const Codex::Unpacked result = codex.DisassembleArchive(*loaded, destination);
  out << result.written << " tag files written to " << destination << "\n";
  if (result.skipped) {
    out << result.skipped << " tags skipped: their files already exist and were left as they are\n";
  }
  if (result.failed) {
    err << "zarv-tool: " << result.failed << " of " << total << " tags could not be written\n";
    return 1;
  }
  return 0;
}

// ---------------------------------------------------------------------------- registration

void AddArchiveCommands(CLI::App& app, ToolCommands& commands) {
  auto list = std::make_shared<ListCommand>();
  CLI::App* sub = app.add_subcommand("list", "List the tags of a game folder.");
  sub->add_option("--game", list->game, "Game folder (with tags/, plugins/ and local/)")
      ->required();
  sub->add_option("--set", list->set,
                  "combined (default: the copy in force of every tag), local, foundation, or "
                  "an archive's file name (folder/file name, as plugins/x.dat, where tags/ and "
                  "plugins/ hold archives of one file name)");
  sub->add_option("--group", list->group, "Only tags of this group (four characters)")
      ->check([](const std::string& code) {
        return code.size() == 4 ? std::string() : "a group code has four characters";
      });
  sub->add_option("--active", list->active,
                  "An archive of the working set (file name, or folder/file name as for "
                  "--set; repeatable). Without it the default working set applies");
  sub->add_flag("--json", list->json, "Print a JSON array, one object per tag");
  commands.push_back({sub, [list] { return list->Run(std::cout, std::cerr); }});

  auto archives = std::make_shared<ArchivesCommand>();
  sub = app.add_subcommand("archives", "List the archives of a game folder.");
  sub->add_option("--game", archives->game, "Game folder")->required();
  sub->add_flag("--json", archives->json, "Print a JSON array, one object per archive");
  commands.push_back({sub, [archives] { return archives->Run(std::cout, std::cerr); }});

  auto pack = std::make_shared<PackCommand>();
  sub = app.add_subcommand("pack", "Write loose tag files into an archive.");
  sub->add_option("-o,--output", pack->output, "Archive to write")->required();
  sub->add_option("--type", pack->type, "Archive type: 1, 2, 3, 5 or 6")->required();
  sub->add_option("--order", pack->order, "Order value (ignored for type 1); default 0");
  sub->add_option("--name", pack->name, "Archive name (at most 31 characters kept)")->required();
  sub->add_option("--url", pack->url, "Archive url (at most 63 characters kept)");
  sub->add_option("TAGFILE", pack->files, "Loose tag files")->required();
  commands.push_back({sub, [pack] { return pack->Run(std::cout, std::cerr); }});

  auto unpack = std::make_shared<UnpackCommand>();
  sub = app.add_subcommand(
      "unpack", "Write every tag of an archive as a loose tag file; files already there are kept.");
  sub->add_option("ARCHIVE", unpack->archive, "Archive file")->required();
  sub->add_option("DEST", unpack->destination, "Folder to unpack into (group folders go here)")
      ->required();
  commands.push_back({sub, [unpack] { return unpack->Run(std::cout, std::cerr); }});
}
