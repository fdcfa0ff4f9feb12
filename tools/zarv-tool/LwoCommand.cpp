#include "tools/zarv-tool/LwoCommand.h"

#include <algorithm>
#include <iostream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "models/LightWaveMesh.h"
#include "models/LightWaveObject.h"
#include "tools/zarv-tool/ToolText.h"

namespace {

constexpr const char* kInfoHelp =
    "Print what a LightWave object (LWO2) holds.\n\n"
    "With --json one object is printed with the keys:\n"
    "  path, tags (the TAGS strings),\n"
    "  layers: per layer number, name, points, polygons ({type: {corner count: polygons}}),\n"
    "    pivot [x, y, z], box {min, max} (the BBOX chunk, else the points' extent; null\n"
    "    without points), box_from (\"BBOX\" or \"points\"),\n"
    "  surfaces: per SURF chunk name, texture (the file name the import loads) and uv_map,\n"
    "    both null when the import takes the surface as untextured,\n"
    "  clips: per CLIP index and still (the image path).";

using Vec3 = std::array<float, 3>;

struct Box {
  bool present = false;
  const char* from = "";
  Vec3 min{}, max{};
};

Box LayerBox(const LightWaveLayer& layer) {
  Box box;
  if (layer.has_box) {
    box = {true, "BBOX", layer.box_min, layer.box_max};
  } else if (!layer.points.empty()) {
    box = {true, "points", layer.points.front(), layer.points.front()};
    for (const Vec3& p : layer.points) {
      for (size_t k = 0; k < 3; ++k) {
        box.min[k] = std::min(box.min[k], p[k]);
        box.max[k] = std::max(box.max[k], p[k]);
      }
    }
  }
  return box;
}

// Polygons by type and corner count, in the order of the type codes.
std::map<std::string, std::map<int, size_t>> PolygonCounts(const LightWaveLayer& layer) {
  std::map<std::string, std::map<int, size_t>> counts;
  for (const LightWavePolygon& p : layer.polygons) ++counts[LightWaveIdText(p.type)][p.count];
  return counts;
}

std::string VecText(const Vec3& v) {
  std::ostringstream s;
  s << v[0] << ", " << v[1] << ", " << v[2];
  return s.str();
}

}  // namespace

int LwoCommand::RunInfo(std::ostream& out, std::ostream& err) const {
  LightWaveObject object;
  std::string error;
  if (!ReadLightWaveObject(std::filesystem::path(object_file), object, error)) {
    err << "zarv-tool: " << object_file << ": " << error << "\n";
    return 1;
  }
  if (json) {
    nlohmann::json layers = nlohmann::json::array();
    for (const LightWaveLayer& layer : object.layers) {
      nlohmann::json polygons = nlohmann::json::object();
      for (const auto& [type, by_count] : PolygonCounts(layer)) {
        for (const auto& [count, n] : by_count) polygons[type][std::to_string(count)] = n;
      }
      const Box box = LayerBox(layer);
      layers.push_back({
          {"number", layer.number},
          {"name", layer.name},
          {"points", layer.points.size()},
          {"polygons", polygons},
          {"pivot", layer.pivot},
          {"box", box.present ? nlohmann::json{{"min", box.min}, {"max", box.max}}
                              : nlohmann::json(nullptr)},
          {"box_from", box.present ? nlohmann::json(box.from) : nlohmann::json(nullptr)},
      });
    }
    nlohmann::json surfaces = nlohmann::json::array();
    for (const LightWaveSurface& surface : object.surfaces) {
      const LightWaveSurfaceTexture t = SurfaceTexture(object, surface);
      surfaces.push_back({
          {"name", surface.name},
          {"texture", t.textured && !t.file_name.empty() ? nlohmann::json(t.file_name)
                                                         : nlohmann::json(nullptr)},
          {"uv_map", t.textured ? nlohmann::json(t.uv_map) : nlohmann::json(nullptr)},
      });
    }
    nlohmann::json clips = nlohmann::json::array();
    for (const LightWaveClip& clip : object.clips) {
      clips.push_back({{"index", clip.index}, {"still", clip.still}});
    }
    PrintJson(out, {{"path", object_file},
                    {"tags", object.tags},
                    {"layers", layers},
                    {"surfaces", surfaces},
                    {"clips", clips}});
    return 0;
  }
  out << object_file << "\n";
  for (const LightWaveLayer& layer : object.layers) {
    out << "  layer " << layer.number << " '" << Printable(layer.name) << "'\n";
    out << "    points:   " << layer.points.size() << "\n";
    for (const auto& [type, by_count] : PolygonCounts(layer)) {
      for (const auto& [count, n] : by_count) {
        out << "    polygons: " << n << " " << Printable(type) << " of " << count << " corners\n";
      }
    }
    out << "    pivot:    " << VecText(layer.pivot) << "\n";
    const Box box = LayerBox(layer);
    if (box.present) {
      out << "    box:      " << VecText(box.min) << " to " << VecText(box.max) << " (from "
          << box.from << ")\n";
    }
  }
  for (const LightWaveSurface& surface : object.surfaces) {
    const LightWaveSurfaceTexture t = SurfaceTexture(object, surface);
    out << "  surface '" << Printable(surface.name) << "': ";
    if (t.textured) {
      out << "texture '" << Printable(t.file_name) << "' through UV map '" << Printable(t.uv_map)
          << "'\n";
    } else {
      out << "untextured\n";
    }
  }
  return 0;
}

void AddLwoCommand(CLI::App& app, ToolCommands& commands) {
  auto command = std::make_shared<LwoCommand>();
  CLI::App* sub = app.add_subcommand("lwo", "Inspect and import LightWave objects.");
  sub->require_subcommand(1);
  CLI::App* info = sub->add_subcommand("info", "Print what a LightWave object holds.");
  info->footer(kInfoHelp);
  info->add_flag("--json", command->json, "Print one JSON object (keys below)");
  info->add_option("FILE", command->object_file, "LightWave object (.lwo)")->required();
  commands.push_back({info, [command] { return command->RunInfo(std::cout, std::cerr); }});
}
