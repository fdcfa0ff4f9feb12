#include "tools/zarv-tool/InfoCommand.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "tags/LooseTagFile.h"
#include "tags/TagCode.h"
#include "tags/TagGroupTable.h"
#include "tools/zarv-tool/ToolText.h"

namespace {

std::string Hex(uint32_t value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%0*X", digits, static_cast<unsigned>(value));
  return buffer;
}

void PrintText(std::ostream& out, const std::string& path, const TagHeader& h) {
  const TagGroupRow* row = TagGroupTable::Find(h.group);
  out << path << "\n";
  out << "  group:            " << tagcode::Display(h.group);
  if (row) out << " (" << row->plural << ")";
  out << "\n";
  out << "  tag id:           " << tagcode::Display(h.tag_id) << "\n";
  out << "  name:             " << Printable(h.Name()) << "\n";
  out << "  identifier:       " << Hex(h.identifier, 4) << "\n";
  out << "  flags:            " << Hex(h.flags, 2) << "\n";
  out << "  type:             " << static_cast<unsigned>(h.type) << "\n";
  out << "  data offset:      " << h.data_offset << "\n";
  out << "  data size:        " << h.data_size << "\n";
  out << "  user data:        " << Hex(h.user_data, 8) << "\n";
  out << "  version:          " << h.version << "\n";
  out << "  foundation index: " << static_cast<unsigned>(h.foundation_index) << "\n";
  out << "  owner index:      " << static_cast<unsigned>(h.owner_index) << "\n";
  out << "  signature:        " << tagcode::Display(h.signature) << "\n";
  out << "  legacy:           " << (h.IsLegacy() ? "yes" : "no") << "\n";
}

nlohmann::json ToJson(const std::string& path, const TagHeader& h) {
  return {
      {"path", path},
      {"group", tagcode::Display(h.group)},
      {"id", tagcode::Display(h.tag_id)},
      // Names are 8-bit text; bytes that are not valid UTF-8 become U+FFFD rather than failing.
      {"name", h.Name()},
      {"identifier", h.identifier},
      {"flags", h.flags},
      {"type", h.type},
      {"data_offset", h.data_offset},
      {"data_size", h.data_size},
      {"user_data", h.user_data},
      {"version", h.version},
      {"foundation_index", h.foundation_index},
      {"owner_index", h.owner_index},
      {"signature", tagcode::Display(h.signature)},
      {"legacy", h.IsLegacy()},
  };
}

}  // namespace

int InfoCommand::Run(std::ostream& out, std::ostream& err) const {
  nlohmann::json array = nlohmann::json::array();
  int status = 0;
  for (const std::string& path : files) {
    LooseTag tag;
    std::string error;
    if (!LooseTagFile::Read(path, std::nullopt, tag, error)) {
      err << "zarv-tool: " << path << ": " << error << "\n";
      status = 1;
      continue;
    }
    if (json) {
      array.push_back(ToJson(path, tag.header));
    } else {
      PrintText(out, path, tag.header);
    }
  }
  if (json) {
    PrintJson(out, array);
  }
  return status;
}

void AddInfoCommand(CLI::App& app, ToolCommands& commands) {
  auto info = std::make_shared<InfoCommand>();
  CLI::App* sub = app.add_subcommand("info", "Print the header of each loose tag file.");
  sub->add_flag("--json", info->json, "Print a JSON array, one object per file");
  sub->add_option("FILE", info->files, "Loose tag files")->required();
  commands.push_back({sub, [info] { return info->Run(std::cout, std::cerr); }});
}
