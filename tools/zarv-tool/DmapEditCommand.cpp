#include "tools/zarv-tool/DmapEditCommand.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iostream>
#include <memory>

#include "collections/ColorTableFile.h"
#include "tags/Codex.h"
#include "tags/CodexEntry.h"
#include "tags/LooseTagFile.h"
#include "tags/TagCode.h"
#include "terrain/DetailBrush.h"
#include "terrain/DetailFill.h"
#include "terrain/DetailImages.h"
#include "terrain/DetailMap.h"
#include "terrain/FromTerrain.h"
#include "terrain/HighlightTable.h"
#include "terrain/Mesh.h"
#include "tools/zarv-tool/ArchiveCommands.h"
#include "tools/zarv-tool/ToolText.h"

namespace {

// Where the editor keeps the highlight colours of the slots a map does not colour itself. The
// tool reads it as the editor does, from the working folder, and never writes it.
constexpr const char* kHighlightPath = "res/dtex.act";

struct DmapFile {
  LooseTag tag;
  DetailMap map;
};

bool LoadDmap(const std::string& path, DmapFile& file, std::ostream& err) {
  std::string error;
  if (!LooseTagFile::Read(path, tagcode::Make("dmap"), file.tag, error) ||
      !DetailMap::Read(file.tag.data, file.tag.header, file.map, error)) {
    err << "zarv-tool: " << path << ": " << error << "\n";
    return false;
  }
  return true;
}

// The header (its version set to 2) followed by the version-2 data, replacing `path` whole.
bool SaveDmap(const std::string& path, TagHeader header, const DetailMap& map, std::ostream& err) {
  const std::vector<uint8_t> body = map.Write(header);
  std::string error;
  if (!LooseTagFile::Write(path, header, body, error)) {
    err << "zarv-tool: " << path << ": " << error << "\n";
    return false;
  }
  return true;
}

// The highlight table: res/dtex.act when it can be read, else the colours it is made with.
terrain::HighlightTable HighlightTable(std::ostream& err) {
  terrain::HighlightTable table = terrain::DefaultHighlightTable();
  std::error_code ec;
  if (!std::filesystem::exists(kHighlightPath, ec)) return table;
  ColorTableFile::Palette palette{};
  uint32_t count = 0;
  std::string error;
  if (!ColorTableFile::readColorTable(kHighlightPath, palette, count, error)) {
    err << "zarv-tool: warning: " << kHighlightPath << ": " << error
        << "; the built-in highlight colours are used\n";
    return table;
  }
  std::copy(palette.begin(), palette.end(), table.begin());
  return table;
}

// The palette the editor exports with: each slot's colour, then the table for 128 and on.
detailimages::Palette ExportPalette(const DetailMap& map, std::ostream& err) {
  detailimages::Palette palette = HighlightTable(err);
  for (size_t i = 0; i < map.slots.size(); ++i) {
    palette[i * 3] = map.slots[i].red;
    palette[i * 3 + 1] = map.slots[i].green;
    palette[i * 3 + 2] = map.slots[i].blue;
  }
  return palette;
}

SlotProtection Protection(const std::vector<int>& slots) {
  SlotProtection protection{};
  for (int s : slots) protection[size_t(s)] = true;
  return protection;
}

DetailLayer LayerOf(const DmapEditCommand& c) {
  return c.triangle ? DetailLayer::kTriangle : DetailLayer::kVertex;
}

const char* Values(DetailLayer layer) {
  return layer == DetailLayer::kVertex ? "vertices" : "triangles";
}

// "X,Y" in cell units.
bool ParsePoint(const std::string& text, float& x, float& y) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos) return false;
  const auto number = [](std::string_view part, float& value) {
    const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
    return ec == std::errc() && end == part.data() + part.size() && !part.empty() &&
           std::isfinite(value);
  };
  return number(std::string_view(text).substr(0, comma), x) &&
         number(std::string_view(text).substr(comma + 1), y);
}

size_t Differences(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  size_t n = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
  return n;
}

}  // namespace

int DmapEditCommand::RunExport(std::ostream& out, std::ostream& err) const {
  DmapFile file;
  if (!LoadDmap(tag_file, file, err)) return 1;
  const DetailLayer layer = LayerOf(*this);
  std::string error;
  if (!detailimages::ExportFile(image, file.map, layer, ExportPalette(file.map, err), error)) {
    err << "zarv-tool: " << image << ": " << error << "\n";
    return 1;
  }
  out << image << ": " << file.map.width * detailimages::kBlock << " x "
      << file.map.height * detailimages::kBlock << ", " << Values(layer) << "\n";
  return 0;
}

int DmapEditCommand::RunImport(std::ostream& out, std::ostream& err) const {
  DmapFile file;
  if (!LoadDmap(tag_file, file, err)) return 1;
  const DetailLayer layer = LayerOf(*this);
  const std::vector<uint8_t> before = file.map.Layer(layer);
  const detailimages::ImportResult result =
      detailimages::ImportFile(image, file.map, layer, Protection(protect), override);
  if (!result.ok) {
    err << "zarv-tool: " << image << ": " << result.error << "\n";
    return 1;
  }
  // The image's palette becomes the highlight colours, and so the slots' colours.
  for (size_t i = 0; i < file.map.slots.size(); ++i) {
    file.map.slots[i].red = result.palette[i * 3];
    file.map.slots[i].green = result.palette[i * 3 + 1];
    file.map.slots[i].blue = result.palette[i * 3 + 2];
  }
  if (!SaveDmap(output, file.tag.header, file.map, err)) return 1;
  if (result.partial) {
    err << "zarv-tool: warning: " << detailimages::kPartialTitle << ": "
        << detailimages::kPartialText << "\n";
  }
  out << output << ": " << Differences(before, file.map.Layer(layer)) << " " << Values(layer)
      << " changed\n";
  return 0;
}

int DmapEditCommand::RunFromTerrain(std::ostream& out, std::ostream& err) const {
  LooseTag tag;
  Mesh mesh;
  std::string error;
  if (!LooseTagFile::Read(tag_file, tagcode::Make("mesh"), tag, error) ||
      !Mesh::Read(tag.data, tag.header, mesh, error)) {
    err << "zarv-tool: " << tag_file << ": " << error << "\n";
    return 1;
  }
  Codex codex;
  const bool have_game = !game.empty();
  if (have_game && !OpenToolGame(game, {}, codex, err)) return 1;
  const auto find = [&](uint32_t group, uint32_t id, std::string& name) {
    const CodexEntry* entry = have_game ? codex.Find(group, id) : nullptr;
    if (!entry) return false;
    name = codex.EntryHeader(*entry).Name();
    return true;
  };
  const auto rows = fromterrain::DefaultRows(
      [&](uint32_t id, std::string& name) { return find(tagcode::Make("dtex"), id, name); });

  DetailMap map;
  map.Reset(uint32_t(mesh.cellsWide()), uint32_t(mesh.cellsHigh()));
  // A new map starts from the highlight table; slots 1 to 16 then take the rows' colours.
  const terrain::HighlightTable table = HighlightTable(err);
  for (size_t i = 0; i < map.slots.size(); ++i) {
    map.slots[i].red = table[i * 3];
    map.slots[i].green = table[i * 3 + 1];
    map.slots[i].blue = table[i * 3 + 2];
  }
  if (!fromterrain::Apply(mesh, rows, map, SlotProtection{}, false)) {
    err << "zarv-tool: " << tag_file << ": the mesh's cells do not fill its grid\n";
    return 1;
  }
  // The detail map belongs to the mesh through the colour map's tag id, and takes its name.
  std::string name;
  if (!find(tagcode::Make(".256"), mesh.color_map, name)) name = tag.header.Name();
  TagHeader header = TagHeader::Fresh();
  header.group = tagcode::Make("dmap");
  header.tag_id = mesh.color_map;
  header.SetName(name);
  if (!SaveDmap(output, header, map, err)) return 1;
  int textured = 0;
  for (const TerrainRow& row : rows) textured += row.dtex != DetailSlot::kNoTexture;
  out << output << ": " << map.width << " x " << map.height << " vertices, " << textured
      << " of 16 terrain types with a detail texture\n";
  return 0;
}

int DmapEditCommand::RunPaint(std::ostream& out, std::ostream& err) const {
  DetailBrush brush;
  if (!ParsePoint(at, brush.x, brush.y)) {
    err << "zarv-tool: --at: expected X,Y in cells, like 12.5,3\n";
    return 2;
  }
  DmapFile file;
  if (!LoadDmap(tag_file, file, err)) return 1;
  brush.radius = static_cast<float>(radius);
  brush.square = square;
  brush.layer = LayerOf(*this);
  brush.material = static_cast<uint8_t>(slot);
  const std::vector<uint8_t> before = file.map.Layer(brush.layer);
  const CellRect rect = brush.Apply(file.map, Protection(protect), override);
  if (!SaveDmap(output, file.tag.header, file.map, err)) return 1;
  out << output << ": " << Differences(before, file.map.Layer(brush.layer)) << " "
      << Values(brush.layer) << " painted";
  if (!rect.empty()) {
    out << " in cells " << rect.x0 << "," << rect.y0 << " to " << rect.x1 << "," << rect.y1;
  }
  out << "\n";
  return 0;
}

int DmapEditCommand::RunFill(std::ostream& out, std::ostream& err) const {
  float x = 0, y = 0;
  if (!ParsePoint(at, x, y)) {
    err << "zarv-tool: --at: expected X,Y in cells, like 12.5,3\n";
    return 2;
  }
  DmapFile file;
  if (!LoadDmap(tag_file, file, err)) return 1;
  const DetailLayer layer = LayerOf(*this);
  DetailFill fill;
  fill.Run(file.map, layer, x, y, static_cast<uint8_t>(slot));
  if (!SaveDmap(output, file.tag.header, file.map, err)) return 1;
  size_t filled = 0;
  for (const DetailFill::Span& span : fill.spans) filled += span.length;
  out << output << ": " << filled << " " << Values(layer) << " filled in " << fill.spans.size()
      << " spans\n";
  return 0;
}

void AddDmapEditCommands(CLI::App& dmap, ToolCommands& commands) {
  auto command = std::make_shared<DmapEditCommand>();
  const auto layer_flags = [command](CLI::App* sub) {
    CLI::Option* v = sub->add_flag("--vertex", command->vertex, "The vertex detail");
    CLI::Option* t = sub->add_flag("--triangle", command->triangle, "The triangle detail");
    v->excludes(t);
    sub->callback([command] {
      if (!command->vertex && !command->triangle) {
        throw CLI::ValidationError("--vertex or --triangle is needed");
      }
    });
  };
  const auto protection = [command](CLI::App* sub) {
    sub->add_option("--protect", command->protect, "A slot (0-127) not to paint over; repeatable")
        ->check(CLI::Range(0, 127))
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->expected(1)
        ->allow_extra_args(false);
    sub->add_flag("--override", command->override, "Paint over protected slots too");
  };

  CLI::App* export_ = dmap.add_subcommand(
      "export", "Write the vertex or triangle detail as an 8-bit image (BMP, PNG or TIFF).");
  export_->footer(
      "Each vertex or cell takes an 8 x 8 block, a cell's block split along its diagonal, and "
      "every row is mirrored left to right. The palette holds the slots' colours, then " +
      std::string(kHighlightPath) + " (when present) for 128 to 255.");
  export_->add_option("DMAP", command->tag_file, "Loose detail map tag file")->required();
  export_->add_option("IMAGE", command->image, "Image to write")->required();
  layer_flags(export_);
  commands.push_back({export_, [command] { return command->RunExport(std::cout, std::cerr); }});

  CLI::App* import = dmap.add_subcommand(
      "import", "Read the vertex or triangle detail from an 8-bit paletted or grey image.");
  import->footer(
      "Each vertex or triangle takes the most frequent value of its block (the smaller on a tie), "
      "at most 127; a block that is not uniform makes a warning. The image's palette becomes "
      "the slots' colours.");
  import->add_option("DMAP", command->tag_file, "Loose detail map tag file")->required();
  import->add_option("IMAGE", command->image, "Image to read")->required();
  import->add_option("-o", command->output, "Tag file to write (may be DMAP)")->required();
  layer_flags(import);
  protection(import);
  commands.push_back({import, [command] { return command->RunImport(std::cout, std::cerr); }});

  CLI::App* from = dmap.add_subcommand(
      "from-terrain", "Make a detail map for a mesh from its cells' terrain types.");
  from->footer(
      "Slots 1 to 16 take the terrain types' default detail textures (found in the game folder "
      "given, otherwise none) and colours; every vertex takes its cell's type + 1. The tag id is "
      "the mesh's colour map's, the name the colour map's (or the mesh's).");
  from->add_option("MESH", command->tag_file, "Loose mesh tag file")->required();
  from->add_option("-o", command->output, "Tag file to write")->required();
  from->add_option("--game", command->game, "Game folder to find the detail textures in");
  commands.push_back({from, [command] { return command->RunFromTerrain(std::cout, std::cerr); }});

  const auto brush_options = [command](CLI::App* sub) {
    sub->add_option("DMAP", command->tag_file, "Loose detail map tag file")->required();
    sub->add_option("-o", command->output, "Tag file to write (may be DMAP)")->required();
    sub->add_option("--at", command->at, "Position X,Y in cells")->required();
    sub->add_option("--slot", command->slot, "Slot to paint with, 0-127")
        ->required()
        ->check(CLI::Range(0, 127));
    sub->add_flag("--triangle", command->triangle, "Paint the triangles, not the vertices");
  };
  CLI::App* paint = dmap.add_subcommand("paint", "Apply the detail brush once.");
  brush_options(paint);
  paint->add_option("--radius", command->radius, "Brush radius in cells, 0.2-10")
      ->required()
      ->check(CLI::Range(0.2, 10.0));
  paint->add_flag("--square", command->square, "A square brush rather than a round one");
  protection(paint);
  commands.push_back({paint, [command] { return command->RunPaint(std::cout, std::cerr); }});

  CLI::App* fill = dmap.add_subcommand(
      "fill", "Flood-fill the region of equal value at a vertex or triangle with a slot.");
  brush_options(fill);
  commands.push_back({fill, [command] { return command->RunFill(std::cout, std::cerr); }});
}
