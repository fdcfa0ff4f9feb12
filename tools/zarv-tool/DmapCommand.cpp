#include "tools/zarv-tool/DmapCommand.h"

#include <array>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "tags/LooseTagFile.h"
#include "tags/TagCode.h"
#include "terrain/DetailMap.h"
#include "tools/zarv-tool/ToolText.h"

namespace {

constexpr const char* kInfoHelp =
    "Print what a detail map holds: its size, the slots with a texture or a name, and the "
    "values that occur among the vertices and triangles.\n\n"
    "With --json one object is printed with the keys:\n"
    "  path, version (1 or 2), width, height (in vertices),\n"
    "  slots: all 128 as [{id, scale, color: [red, green, blue], name}], id the detail\n"
    "    texture's tag id (four characters) or null for none, scale 1 to 256,\n"
    "  vertex_values, triangle_values: how many vertices (triangles) hold each value 0 to 255;\n"
    "    values from 128 on name no slot.\n"
    "Names are converted from the 8-bit encoding of tags to UTF-8.";

std::array<uint64_t, 256> Histogram(const std::vector<uint8_t>& values) {
  std::array<uint64_t, 256> counts{};
  for (uint8_t v : values) ++counts[v];
  return counts;
}

void PrintValues(std::ostream& out, const char* what, const std::array<uint64_t, 256>& counts) {
  out << "  " << what << ":";
  bool any = false;
  for (size_t v = 0; v < counts.size(); ++v) {
    if (counts[v] == 0) continue;
    out << (any ? ", " : " ") << v << " x " << counts[v];
    any = true;
  }
  out << (any ? "\n" : " none\n");
}

}  // namespace

int DmapCommand::RunInfo(std::ostream& out, std::ostream& err) const {
  LooseTag tag;
  DetailMap map;
  std::string error;
  if (!LooseTagFile::Read(tag_file, tagcode::Make("dmap"), tag, error) ||
      !DetailMap::Read(tag.data, tag.header, map, error)) {
    err << "zarv-tool: " << tag_file << ": " << error << "\n";
    return 1;
  }
  const std::array<uint64_t, 256> vertex = Histogram(map.vertex);
  const std::array<uint64_t, 256> triangle = Histogram(map.triangle);
  if (json) {
    nlohmann::json slots = nlohmann::json::array();
    for (const DetailSlot& slot : map.slots) {
      slots.push_back({
          {"id", slot.HasTexture() ? nlohmann::json(tagcode::Display(slot.dtex)) : nullptr},
          {"scale", slot.Scale()},
          {"color", {slot.red, slot.green, slot.blue}},
          {"name", Utf8FromEightBit(slot.Name())},
      });
    }
    PrintJson(out, {
                       {"path", tag_file},
                       {"version", tag.header.version},
                       {"width", map.width},
                       {"height", map.height},
                       {"slots", slots},
                       {"vertex_values", vertex},
                       {"triangle_values", triangle},
                   });
    return 0;
  }
  out << tag_file << "\n";
  out << "  version: " << tag.header.version << "\n";
  out << "  size:    " << map.width << " x " << map.height << " vertices\n";
  for (size_t i = 0; i < map.slots.size(); ++i) {
    const DetailSlot& slot = map.slots[i];
    if (!slot.HasTexture() && slot.Name().empty()) continue;
    out << "  slot " << i << ": "
        << (slot.HasTexture() ? tagcode::Display(slot.dtex) : std::string("none")) << " '"
        << Printable(Utf8FromEightBit(slot.Name())) << "' scale " << slot.Scale() << " colour "
        << int{slot.red} << "," << int{slot.green} << "," << int{slot.blue} << "\n";
  }
  PrintValues(out, "vertex values", vertex);
  PrintValues(out, "triangle values", triangle);
  return 0;
}

void AddDmapCommand(CLI::App& app, ToolCommands& commands) {
  auto command = std::make_shared<DmapCommand>();
  CLI::App* sub = app.add_subcommand("dmap", "Inspect and edit detail maps.");
  sub->require_subcommand(1);

  CLI::App* info = sub->add_subcommand("info", "Print what a detail map holds.");
  info->footer(kInfoHelp);
  info->add_flag("--json", command->json, "Print one JSON object (keys below)");
  info->add_option("DMAP", command->tag_file, "Loose detail map tag file")->required();
  commands.push_back({info, [command] { return command->RunInfo(std::cout, std::cerr); }});
}
