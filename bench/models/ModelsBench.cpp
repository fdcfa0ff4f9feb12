// Reading a 100,000-triangle LightWave object from its file and converting it into the mesh the
// import and the viewer use, and importing a 65,535-triangle one (as many as a geometry holds)
// into the four tags of a fresh game folder. The objects are textured grids of quads split in
// two, with one per-polygon texture coordinate on every tenth triangle, as objects with seams
// have. They are written once into bench-data/ beside this program, where other readers can
// take them.

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/MessageLog.h"
#include "base/SafeFile.h"
#include "bench/support/BenchReport.h"
#include "collections/DataFile.h"
#include "models/Geometry.h"
#include "models/LightWaveMesh.h"
#include "models/LightWaveObject.h"
#include "models/ModelImport.h"
#include "tags/Codex.h"
#include "tags/TagStream.h"

namespace {

namespace fs = std::filesystem;

struct Grid {
  uint32_t quads_wide, quads_high;
  uint32_t triangles;  // at most 2 x quads_wide x quads_high
};
constexpr Grid kReadGrid{250, 200, 100000};
constexpr Grid kImportGrid{256, 128, 65535};

fs::path DataFolder() {
  std::error_code ec;
  const fs::path self = fs::canonical("/proc/self/exe", ec);
  return (ec ? fs::current_path() : self.parent_path()) / "bench-data";
}

LightWaveObject GridObject(const Grid& grid) {
  const uint32_t kQuadsWide = grid.quads_wide, kQuadsHigh = grid.quads_high;
  LightWaveObject o;
  o.tags = {"ground", "rock"};
  LightWaveLayer& layer = o.layers.emplace_back();
  layer.name = "Grid";
  const uint32_t wide = kQuadsWide + 1, high = kQuadsHigh + 1;
  LightWaveVertexMap uv{LightWaveId("TXUV"), 2, "uv", false, {}, {}, {}};
  LightWaveVertexMap seams{LightWaveId("TXUV"), 2, "uv", true, {}, {}, {}};
  for (uint32_t z = 0; z < high; ++z) {
    for (uint32_t x = 0; x < wide; ++x) {
      layer.points.push_back({x * 0.25f - 30, float((x * 7 + z * 3) % 11) * 0.05f, z * 0.25f - 25});
      uv.points.push_back(z * wide + x);
      uv.values.insert(uv.values.end(), {float(x) / kQuadsWide, float(z) / kQuadsHigh});
    }
  }
  LightWavePolygonTags& surfaces = layer.polygon_tags.emplace_back();
  surfaces.type = LightWaveId("SURF");
  for (uint32_t z = 0; z < kQuadsHigh; ++z) {
    for (uint32_t x = 0; x < kQuadsWide; ++x) {
      const uint32_t a = z * wide + x, b = a + 1, c = a + wide, d = c + 1;
      for (const std::array<uint32_t, 3>& t : {std::array{a, c, b}, std::array{b, c, d}}) {
        if (layer.polygons.size() == grid.triangles) break;
        const uint32_t polygon = uint32_t(layer.polygons.size());
        layer.polygons.push_back({LightWaveId("FACE"), 0, uint32_t(layer.corners.size()), 3});
        layer.corners.insert(layer.corners.end(), t.begin(), t.end());
        surfaces.polygons.push_back(polygon);
        surfaces.tags.push_back(uint16_t(x < kQuadsWide / 2 ? 0 : 1));
        if (polygon % 10 == 0) {
          seams.points.push_back(t[0]);
          seams.polygons.push_back(polygon);
          seams.values.insert(seams.values.end(), {0.5f, 0.5f});
        }
      }
    }
  }
  layer.maps = {std::move(uv), std::move(seams)};
  o.clips.push_back({1, "C:\\textures\\Ground.png"});
  for (const std::string& name : o.tags) {
    LightWaveSurface& s = o.surfaces.emplace_back();
    s.name = name;
    LightWaveBlock& block = s.blocks.emplace_back();
    block.type = LightWaveId("IMAP");
    block.ordinal = "\x80";
    block.channel = LightWaveId("COLR");
    block.projection = 5;
    block.image = 1;
    block.uv_map = "uv";
  }
  return o;
}

// The object and its texture, written when missing.
fs::path ObjectFile(const Grid& grid = kReadGrid) {
  const fs::path folder = DataFolder();
  const fs::path file = folder / ("grid-" + std::to_string(grid.triangles) + "-triangles.lwo");
  std::error_code ec;
  if (fs::exists(file, ec)) return file;
  fs::create_directories(folder, ec);
  std::string error;
  Image texture;
  std::vector<uint8_t> pixels(64 * 64);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(1 + i % 200);
  std::vector<uint8_t> palette(768);
  for (size_t i = 0; i < palette.size(); ++i) palette[i] = uint8_t(i);
  if (!texture.setSize(64, 64, ImageFormat::kIndexed, pixels.data())) return {};
  texture.setPalette(256, palette.data());
  if (!DataFile::saveImage(folder / "ground.png", texture, DataFile::kPng, error) ||
      !SafeFile::ReplaceWithBytes(file, WriteLightWaveObject(GridObject(grid)), error)) {
    return {};
  }
  return file;
}

void BM_ReadObject(benchmark::State& state) {
  const fs::path file = ObjectFile();
  for (auto _ : state) {
    LightWaveObject object;
    std::string error;
    if (!ReadLightWaveObject(file, object, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    benchmark::DoNotOptimize(object.layers.data());
  }
}

void BM_ReadAndConvert(benchmark::State& state) {
  const fs::path file = ObjectFile();
  size_t triangles = 0;
  for (auto _ : state) {
    LightWaveObject object;
    ModelMesh mesh;
    std::string error;
    if (!ReadLightWaveObject(file, object, error) ||
        !ObjectToMesh(object, file.parent_path(), mesh, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    if (!mesh.materials[0].has_texture) {
      state.SkipWithError("the texture did not load");
      return;
    }
    triangles = mesh.triangles.size();
    benchmark::DoNotOptimize(mesh.triangles.data());
  }
  state.counters["triangles"] = double(triangles);
}

// Read, convert, check the texture and write the four tags, into an empty game folder each
// time (the import refuses a name already taken).
void BM_ImportModel(benchmark::State& state) {
  const fs::path file = ObjectFile(kImportGrid);
  std::string pattern = (fs::temp_directory_path() / "zarv-modelsbench-XXXXXX").string();
  if (file.empty() || !::mkdtemp(pattern.data())) {
    state.SkipWithError("no object or no temporary folder");
    return;
  }
  const fs::path root = pattern;
  size_t triangles = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::error_code ec;
    fs::remove_all(root / "local", ec);
    fs::create_directories(root / "local", ec);
    auto codex = std::make_unique<Codex>();
    codex->OpenGameFolder(root);
    MessageCapture log;  // the import's lines, kept out of the table
    state.ResumeTiming();
    CodexEntry* geometry = ImportModel(*codex, file, "Grid");
    if (geometry == nullptr) {
      state.SkipWithError(("the import failed: " + log.text()).c_str());
      break;
    }
    state.PauseTiming();
    if (triangles == 0) {
      // What the tag holds, read back once.
      std::vector<uint8_t> data;
      TagStream* stream = codex->OpenData(geometry);
      Geometry g;
      std::string error;
      if (stream && stream->ReadRest(data) && Geometry::Read(data, g, error)) {
        triangles = g.triangles.size();
      }
      codex->CloseData(geometry);
    }
    codex.reset();
    state.ResumeTiming();
  }
  std::error_code ec;
  fs::remove_all(root, ec);
  state.counters["triangles"] = double(triangles);
}

BENCHMARK(BM_ReadObject)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndConvert)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportModel)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  BenchReport report;
  if (!report.RunAll(argc, argv)) return 1;
  Figure("lwo_read_100000_triangles", report.Ms("BM_ReadObject"), "ms", "<", 100);
  Figure("lwo_read_and_convert_100000_triangles", report.Ms("BM_ReadAndConvert"), "ms", "<", 100);
  Figure("lwo_import_into_tags_65535_triangles", report.Ms("BM_ImportModel"), "ms", "<", 150);
  return 0;
}
