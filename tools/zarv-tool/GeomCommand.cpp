#include "tools/zarv-tool/GeomCommand.h"

#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "models/Geometry.h"
#include "models/Model.h"
#include "tags/LooseTagFile.h"
#include "tags/TagCode.h"
#include "tools/zarv-tool/ToolText.h"

namespace {

constexpr const char* kGeomHelp =
    "Print what a geometry tag holds. Positions are in world units (stored value / 512).\n\n"
    "With --json one object is printed with the keys:\n"
    "  path, version, flags, collection_reference (the `core` tag's id, four characters),\n"
    "  materials, vertices, triangles (the counts), pivot: [x, y, z],\n"
    "  box: {min: [x, y, z], max: [x, y, z]}.\n"
    "--all adds the lists, with the values as stored:\n"
    "  material_list: [{name, sequence}], vertex_list: [[x, y, z]],\n"
    "  triangle_list: [{flags, material, transparency, normal: [x, y, z], plane,\n"
    "                   corners: [{vertex, u, v}] x 3}].";

constexpr const char* kModelHelp =
    "Print what a model tag holds.\n\n"
    "With --json one object is printed with the keys:\n"
    "  path, version, flags, geometry (the `geom` tag's id, four characters),\n"
    "  vertex_values, records, cells (the counts of the three arrays),\n"
    "  cell_list: [[x, y, value]] with x and y signed.";

double World(int16_t stored) {
  return stored / static_cast<double>(Geometry::kUnit);
}

nlohmann::json Point(int16_t x, int16_t y, int16_t z) {
  return nlohmann::json::array({World(x), World(y), World(z)});
}

template <typename Group>
bool LoadTag(const std::string& path, const char* group, LooseTag& tag, Group& out,
             std::ostream& err) {
  std::string error;
  if (!LooseTagFile::Read(path, tagcode::Make(group), tag, error) ||
      !Group::Read(tag.data, out, error)) {
    err << "zarv-tool: " << path << ": " << error << "\n";
    return false;
  }
  return true;
}

std::string Triple(const nlohmann::json& p) {
  return p[0].dump() + ", " + p[1].dump() + ", " + p[2].dump();
}

}  // namespace

int GeomCommand::RunGeomInfo(std::ostream& out, std::ostream& err) const {
  LooseTag tag;
  Geometry g;
  if (!LoadTag(tag_file, "geom", tag, g, err)) return 1;
  const nlohmann::json pivot = Point(g.pivot[0], g.pivot[1], g.pivot[2]);
  const nlohmann::json low = Point(g.box[0], g.box[1], g.box[2]);
  const nlohmann::json high = Point(g.box[3], g.box[4], g.box[5]);
  if (json) {
    nlohmann::json doc = {
        {"path", tag_file},
        {"version", tag.header.version},
        {"flags", g.flags},
        {"collection_reference", tagcode::Display(g.collection_reference)},
        {"materials", g.materials.size()},
        {"vertices", g.vertices.size()},
        {"triangles", g.triangles.size()},
        {"pivot", pivot},
        {"box", {{"min", low}, {"max", high}}},
    };
    if (all) {
      nlohmann::json materials = nlohmann::json::array();
      for (const GeometryMaterial& m : g.materials)
        materials.push_back({{"name", m.Name()}, {"sequence", m.sequence}});
      nlohmann::json vertices = nlohmann::json::array();
      for (const GeometryVertex& v : g.vertices) vertices.push_back({v.x, v.y, v.z});
      nlohmann::json triangles = nlohmann::json::array();
      for (const GeometryTriangle& t : g.triangles) {
        nlohmann::json corners = nlohmann::json::array();
        for (const GeometryCorner& c : t.corners)
          corners.push_back({{"vertex", c.vertex}, {"u", c.u}, {"v", c.v}});
        triangles.push_back({{"flags", t.flags},
                             {"material", t.material},
                             {"transparency", t.transparency},
                             {"normal", t.normal},
                             {"plane", t.plane},
                             {"corners", corners}});
      }
      doc["material_list"] = materials;
      doc["vertex_list"] = vertices;
      doc["triangle_list"] = triangles;
    }
    PrintJson(out, doc);
    return 0;
  }
  out << tag_file << "\n";
  out << "  version:    " << tag.header.version << "\n";
  out << "  flags:      " << g.flags << "\n";
  out << "  collection reference: " << Printable(tagcode::Display(g.collection_reference)) << "\n";
  out << "  materials:  " << g.materials.size() << "\n";
  out << "  vertices:   " << g.vertices.size() << "\n";
  out << "  triangles:  " << g.triangles.size() << "\n";
  out << "  pivot:      " << Triple(pivot) << "\n";
  out << "  box:        " << Triple(low) << " to " << Triple(high) << "\n";
  if (!all) return 0;
  for (size_t i = 0; i < g.materials.size(); ++i) {
    out << "  material " << i << ": '" << Printable(g.materials[i].Name()) << "' sequence "
        << g.materials[i].sequence << "\n";
  }
  for (size_t i = 0; i < g.vertices.size(); ++i) {
    const GeometryVertex& v = g.vertices[i];
    out << "  vertex " << i << ": " << v.x << ", " << v.y << ", " << v.z << "\n";
  }
  for (size_t i = 0; i < g.triangles.size(); ++i) {
    const GeometryTriangle& t = g.triangles[i];
    out << "  triangle " << i << ": material " << t.material << " transparency " << t.transparency
        << " normal " << t.normal[0] << ", " << t.normal[1] << ", " << t.normal[2] << " plane "
        << t.plane << " corners";
    for (const GeometryCorner& c : t.corners)
      out << " " << c.vertex << " (" << c.u << ", " << c.v << ")";
    out << "\n";
  }
  return 0;
}

int GeomCommand::RunModelInfo(std::ostream& out, std::ostream& err) const {
  LooseTag tag;
  Model m;
  if (!LoadTag(tag_file, "mode", tag, m, err)) return 1;
  if (json) {
    nlohmann::json cells = nlohmann::json::array();
    for (const ModelCell& c : m.cells)
      cells.push_back({static_cast<int16_t>(c.x), static_cast<int16_t>(c.y), c.value});
    PrintJson(out, {
                       {"path", tag_file},
                       {"version", tag.header.version},
                       {"flags", m.flags},
                       {"geometry", tagcode::Display(m.geometry)},
                       {"vertex_values", m.vertex_values.size()},
                       {"records", m.records.size()},
                       {"cells", m.cells.size()},
                       {"cell_list", cells},
                   });
    return 0;
  }
  out << tag_file << "\n";
  out << "  version:       " << tag.header.version << "\n";
  out << "  flags:         " << m.flags << "\n";
  out << "  geometry:      " << Printable(tagcode::Display(m.geometry)) << "\n";
  out << "  vertex values: " << m.vertex_values.size() << "\n";
  out << "  records:       " << m.records.size() << "\n";
  out << "  cells:         " << m.cells.size() << "\n";
  return 0;
}

void AddGeomCommand(CLI::App& app, ToolCommands& commands) {
  auto command = std::make_shared<GeomCommand>();
  CLI::App* geom = app.add_subcommand("geom", "Inspect geometry tags.");
  geom->require_subcommand(1);
  CLI::App* info = geom->add_subcommand("info", "Print what a geometry tag holds.");
  info->footer(kGeomHelp);
  info->add_flag("--json", command->json, "Print one JSON object (keys below)");
  info->add_flag("--all", command->all, "Also list every material, vertex and triangle");
  info->add_option("TAGFILE", command->tag_file, "Loose geometry tag file")->required();
  commands.push_back({info, [command] { return command->RunGeomInfo(std::cout, std::cerr); }});

  CLI::App* model = app.add_subcommand("model", "Inspect model tags.");
  model->require_subcommand(1);
  CLI::App* minfo = model->add_subcommand("info", "Print what a model tag holds.");
  minfo->footer(kModelHelp);
  minfo->add_flag("--json", command->json, "Print one JSON object (keys below)");
  minfo->add_option("TAGFILE", command->tag_file, "Loose model tag file")->required();
  commands.push_back({minfo, [command] { return command->RunModelInfo(std::cout, std::cerr); }});
}
