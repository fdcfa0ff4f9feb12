#include "tools/zarv-tool/MeshCommand.h"

#include <array>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "collections/DataFile.h"
#include "collections/Image.h"
#include "tags/LooseTagFile.h"
#include "tags/TagCode.h"
#include "terrain/Mesh.h"
#include "terrain/TerrainTypes.h"
#include "tools/zarv-tool/ToolText.h"

namespace {

constexpr const char* kInfoHelp =
    "Print what a terrain mesh holds.\n\n"
    "With --json one object is printed with the keys:\n"
    "  path, version, color_map (the colour map collection's tag id, four characters),\n"
    "  chunks: [wide, high], cells: [wide, high] (32 x 32 cells a chunk),\n"
    "  terrain: the number of cells of each terrain type 0 to 15,\n"
    "  media_cells: the cells that are animated media surfaces.";

constexpr const char* kExportHelp =
    "Write the terrain types of a mesh as an 8-bit indexed image, a pixel per cell, each row "
    "mirrored left to right as detail map exports are; palette entries 0 to 15 are the colours "
    "of the terrain types. The format follows the extension (.png, .bmp, .tiff).";

bool LoadMesh(const std::string& path, LooseTag& tag, Mesh& mesh, std::ostream& err) {
  std::string error;
  if (!LooseTagFile::Read(path, tagcode::Make("mesh"), tag, error) ||
      !Mesh::Read(tag.data, tag.header, mesh, error)) {
    err << "zarv-tool: " << path << ": " << error << "\n";
    return false;
  }
  return true;
}

}  // namespace

int MeshCommand::RunInfo(std::ostream& out, std::ostream& err) const {
  LooseTag tag;
  Mesh mesh;
  if (!LoadMesh(tag_file, tag, mesh, err)) return 1;
  const std::vector<uint32_t> counts = mesh.TerrainCounts();
  if (json) {
    PrintJson(out, {
                       {"path", tag_file},
                       {"version", tag.header.version},
                       {"color_map", tagcode::Display(mesh.color_map)},
                       {"chunks", {mesh.chunks_wide, mesh.chunks_high}},
                       {"cells", {mesh.cellsWide(), mesh.cellsHigh()}},
                       {"terrain", counts},
                       {"media_cells", mesh.MediaCells()},
                   });
    return 0;
  }
  out << tag_file << "\n";
  out << "  version:     " << tag.header.version << "\n";
  out << "  colour map:  " << tagcode::Display(mesh.color_map) << "\n";
  out << "  chunks:      " << mesh.chunks_wide << " x " << mesh.chunks_high << "\n";
  out << "  cells:       " << mesh.cellsWide() << " x " << mesh.cellsHigh() << "\n";
  out << "  media cells: " << mesh.MediaCells() << "\n";
  for (size_t t = 0; t < counts.size(); ++t) {
    if (counts[t] == 0) continue;
    out << "  terrain " << t << " (" << terrain::kTerrainTypes[t].name << "): " << counts[t]
        << "\n";
  }
  return 0;
}

int MeshCommand::RunExport(std::ostream& out, std::ostream& err) const {
  LooseTag tag;
  Mesh mesh;
  if (!LoadMesh(tag_file, tag, mesh, err)) return 1;
  const uint32_t wide = static_cast<uint32_t>(mesh.cellsWide());
  const uint32_t high = static_cast<uint32_t>(mesh.cellsHigh());
  Image picture;
  if (!picture.setSize(wide, high, ImageFormat::kIndexed)) {
    err << "zarv-tool: " << tag_file << ": a mesh of " << wide << " x " << high
        << " cells is too large for an image\n";
    return 1;
  }
  std::array<uint8_t, terrain::kTerrainTypeCount * 3> palette{};
  for (size_t t = 0; t < terrain::kTerrainTypes.size(); ++t) {
    palette[t * 3] = terrain::kTerrainTypes[t].red;
    palette[t * 3 + 1] = terrain::kTerrainTypes[t].green;
    palette[t * 3 + 2] = terrain::kTerrainTypes[t].blue;
  }
  picture.setPalette(terrain::kTerrainTypeCount, palette.data());
  std::span<uint8_t> pixels = picture.mutablePixels();
  for (uint32_t y = 0; y < high; ++y) {
    for (uint32_t x = 0; x < wide; ++x) {
      pixels[size_t(y) * wide + (wide - 1 - x)] =
          static_cast<uint8_t>(mesh.cell(static_cast<int>(x), static_cast<int>(y)).TerrainType());
    }
  }
  std::string error;
  if (!DataFile::saveImage(image, picture, error)) {
    err << "zarv-tool: " << image << ": " << error << "\n";
    return 1;
  }
  out << image << "\n";
  return 0;
}

void AddMeshCommand(CLI::App& app, ToolCommands& commands) {
  auto command = std::make_shared<MeshCommand>();
  CLI::App* sub = app.add_subcommand("mesh", "Inspect terrain meshes.");
  sub->require_subcommand(1);

  CLI::App* info = sub->add_subcommand("info", "Print what a terrain mesh holds.");
  info->footer(kInfoHelp);
  info->add_flag("--json", command->json, "Print one JSON object (keys below)");
  info->add_option("MESH", command->tag_file, "Loose mesh tag file")->required();
  commands.push_back({info, [command] { return command->RunInfo(std::cout, std::cerr); }});

  CLI::App* exp = sub->add_subcommand("export", "Write a mesh's terrain types as an image.");
  exp->footer(kExportHelp);
  exp->add_option("MESH", command->tag_file, "Loose mesh tag file")->required();
  exp->add_option("IMAGE", command->image, "Image file to write")->required();
  commands.push_back({exp, [command] { return command->RunExport(std::cout, std::cerr); }});
}
