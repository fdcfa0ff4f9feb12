// The real geometry viewer in a real (software) GL window: zarv_geomscene opens cubes written
// here as the four tags an import makes, drags its transform buttons through the window
// manager, and its screenshot is read back pixel by pixel. A cube with one colour per face
// shows its -y face, another face after a quarter turn, shrinks when zoomed out; a
// half-transparent cube around an opaque one blends in depth order. Runs under a virtual X
// server; the first argument is the zarv_geomscene program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "collections/Image.h"
#include "collections/PngFile.h"
#include "models/Geometry.h"
#include "models/ModelMesh.h"
#include "models/ModelTags.h"
#include "tags/Codex.h"

namespace {

namespace fs = std::filesystem;

std::string g_scene;

struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

// Palette index = colour; index 0 stays unused (it is the transparent one in bitmaps).
enum Colour : uint8_t { kRed = 1, kGreen, kBlue, kYellow, kMagenta, kCyan, kGrey, kColours };
constexpr std::array<Rgb, kColours> kPalette = {{{0, 0, 0},
                                                 {220, 30, 30},
                                                 {30, 200, 30},
                                                 {30, 40, 230},
                                                 {230, 210, 20},
                                                 {210, 30, 210},
                                                 {20, 210, 220},
                                                 {128, 128, 128}}};
constexpr Rgb kBackground = {40, 44, 52};  // the viewer's own
constexpr int kSize = 400;
constexpr int kCentre = kSize / 2;

// The faces in the order of their materials: -y, +y, -x, +x, -z, +z; corners counter-clockwise
// seen from outside (bit 0 of a corner: +x, bit 1: +y, bit 2: +z).
constexpr int kFaces[6][4] = {{0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2},
                              {1, 3, 7, 5}, {0, 2, 3, 1}, {4, 5, 7, 6}};

class CubeScene : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zarv-geomscene.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    game_ = pattern;
    for (const char* sub : {"tags", "plugins", "local"}) fs::create_directories(game_ / sub);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(game_, ignored);
  }

  // A box from -half to +half on every axis, each face with its own material of one colour.
  void AddBox(float half, const std::array<Colour, 6>& colours) {
    const auto first = static_cast<uint32_t>(mesh_.vertices.size());
    for (int i = 0; i < 8; ++i) {
      mesh_.vertices.push_back(
          {(i & 1) ? half : -half, (i & 2) ? half : -half, (i & 4) ? half : -half});
    }
    for (size_t f = 0; f < 6; ++f) {
      const auto material = static_cast<int32_t>(mesh_.materials.size());
      ModelMesh::Material m;
      m.texture_name = "face " + std::to_string(material);
      m.has_texture = true;
      const std::vector<uint8_t> pixels(16, colours[f]);
      m.texture.setSize(4, 4, ImageFormat::kIndexed, pixels.data());
      std::array<uint8_t, kColours * 3> palette{};
      for (size_t c = 0; c < kColours; ++c) {
        palette[c * 3] = static_cast<uint8_t>(kPalette[c].r);
        palette[c * 3 + 1] = static_cast<uint8_t>(kPalette[c].g);
        palette[c * 3 + 2] = static_cast<uint8_t>(kPalette[c].b);
      }
      m.texture.setPalette(kColours, palette.data());
      mesh_.materials.push_back(std::move(m));
      const int* q = kFaces[f];
      for (const std::array<int, 3>& tri :
           {std::array<int, 3>{q[0], q[2], q[1]}, std::array<int, 3>{q[0], q[3], q[2]}}) {
        ModelMesh::Triangle t;
        t.material = material;
        for (size_t c = 0; c < 3; ++c) {
          t.corners[c].vertex = first + static_cast<uint32_t>(tri[c]);
          t.corners[c].u = t.corners[c].v = 0.5f;
        }
        mesh_.triangles.push_back(t);
      }
    }
    for (size_t a = 0; a < 3; ++a) {
      mesh_.box_min[a] = std::min(mesh_.box_min[a], -half);
      mesh_.box_max[a] = std::max(mesh_.box_max[a], half);
    }
  }

  // The four tags of `name` in the game's local folder; the first `transparent` triangles get
  // that transparency (the import always writes opaque ones).
  void WriteTags(const std::string& name, size_t transparent = 0, uint16_t transparency = 0) {
    Codex codex;
    codex.SetLocalFolder((game_ / "local").string());
    std::string error;
    ASSERT_NE(MeshToTags(codex, mesh_, name, error), nullptr) << error;
    if (transparent == 0) return;
    const fs::path file = game_ / "local" / "geometries" / name;
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GT(bytes.size(), 64u);
    Geometry geometry;
    ASSERT_TRUE(Geometry::Read(std::span(bytes).subspan(64), geometry, error)) << error;
    ASSERT_LE(transparent, geometry.triangles.size());
    for (size_t t = 0; t < transparent; ++t) geometry.triangles[t].transparency = transparency;
    const std::vector<uint8_t> data = geometry.Write();
    ASSERT_EQ(data.size(), bytes.size() - 64);
    std::copy(data.begin(), data.end(), bytes.begin() + 64);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good());
  }

  // Runs the viewer with these drags and reads its client area back.
  void Shoot(const std::string& name, const std::vector<std::string>& drags = {}) {
    const fs::path png = game_ / "shot.png";
    std::string command = "'" + g_scene + "' --game '" + game_.string() + "' --geom '" + name + "'";
    for (const std::string& drag : drags) command += " --drag " + drag;
    command += " --screenshot '" + png.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(png, std::ios::binary);
    const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    std::string error;
    ASSERT_TRUE(PngFile::Read(file, shot_, true, error)) << error;
    ASSERT_TRUE(shot_.is(ImageFormat::kRgb));
    ASSERT_EQ(shot_.width(), static_cast<uint32_t>(kSize));
    ASSERT_EQ(shot_.height(), static_cast<uint32_t>(kSize));
  }

  Rgb At(int x, int y) const {
    const auto p = shot_.pixels().subspan((size_t(y) * shot_.width() + size_t(x)) * 3, 3);
    return {p[0], p[1], p[2]};
  }
  // How many pixels of the shot are within a few steps of `colour`.
  int Count(const Rgb& colour) const {
    int n = 0;
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) n += Near(At(x, y), colour) ? 1 : 0;
    }
    return n;
  }
  static bool Near(const Rgb& a, const Rgb& b, int tolerance = 4) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
  }
  // `front` with alpha `alpha` / 255 over `back`, as blending with source alpha does.
  static Rgb Over(const Rgb& front, int alpha, const Rgb& back) {
    auto mix = [&](int f, int b) { return (f * alpha + b * (255 - alpha) + 127) / 255; };
    return {mix(front.r, back.r), mix(front.g, back.g), mix(front.b, back.b)};
  }

  fs::path game_;
  ModelMesh mesh_;
  Image shot_;
};

constexpr std::array<Colour, 6> kColourful = {kRed, kGreen, kBlue, kYellow, kMagenta, kCyan};

TEST_F(CubeScene, StartsFacingTheMinusYFaceAndTurnsToOthers) {
  AddBox(1.0f, kColourful);
  WriteTags("Cube");

  Shoot("Cube");
  EXPECT_PRED3(Near, At(kCentre, kCentre), kPalette[kRed], 4) << At(kCentre, kCentre);
  // The face is centred: a little off the centre either way still shows it, the corners of
  // the view show the background, and no other face is in sight.
  for (const auto& [x, y] : {std::pair{kCentre - 80, kCentre},
                             {kCentre + 80, kCentre},
                             {kCentre, kCentre - 80},
                             {kCentre, kCentre + 80}}) {
    EXPECT_PRED3(Near, At(x, y), kPalette[kRed], 4) << x << ", " << y << ": " << At(x, y);
  }
  EXPECT_EQ(At(kSize - 4, kSize - 4), kBackground);
  EXPECT_EQ(At(4, kSize - 4), kBackground);
  for (Colour other : {kGreen, kBlue, kYellow, kMagenta, kCyan}) {
    EXPECT_EQ(Count(kPalette[other]), 0) << int(other);
  }

  // A quarter turn of yaw looks along +x: the -x face.
  Shoot("Cube", {"rotate:64,0"});
  EXPECT_PRED3(Near, At(kCentre, kCentre), kPalette[kBlue], 4) << At(kCentre, kCentre);
  EXPECT_EQ(Count(kPalette[kRed]), 0);
  // A half turn in three drags, each starting where the last left off: the +y face.
  Shoot("Cube", {"rotate:32,0", "rotate:32,0", "rotate:64,0"});
  EXPECT_PRED3(Near, At(kCentre, kCentre), kPalette[kGreen], 4) << At(kCentre, kCentre);
  // Pitched down a quarter turn: looking down on the top.
  Shoot("Cube", {"rotate:0,64"});
  EXPECT_PRED3(Near, At(kCentre, kCentre), kPalette[kCyan], 4) << At(kCentre, kCentre);
}

TEST_F(CubeScene, ZoomingOutShrinksTheCubeAndPanMovesIt) {
  AddBox(1.0f, kColourful);
  WriteTags("Cube");
  Shoot("Cube");
  const int reset = Count(kPalette[kRed]);
  EXPECT_GT(reset, 200 * 200);

  // Twice the distance: the face about a quarter of the area (its distance grows by a little
  // more than two, as the face is nearer than the centre), still centred.
  Shoot("Cube", {"zoom:0,32"});
  const int zoomed = Count(kPalette[kRed]);
  EXPECT_GT(zoomed, reset / 8);
  EXPECT_LT(zoomed, reset / 3);
  EXPECT_PRED3(Near, At(kCentre, kCentre), kPalette[kRed], 4);
  EXPECT_EQ(At(kCentre - 90, kCentre), kBackground);
  EXPECT_EQ(At(kCentre + 90, kCentre), kBackground);

  // Zooming in again restores it exactly.
  Shoot("Cube", {"zoom:0,32", "zoom:0,-32"});
  EXPECT_EQ(Count(kPalette[kRed]), reset);

  // Panning right by two units moves the target right: the cube moves left in the view.
  Shoot("Cube", {"zoom:0,32", "pan:256,0"});
  EXPECT_EQ(At(kCentre, kCentre), kBackground);
  EXPECT_PRED3(Near, At(kCentre - 90, kCentre), kPalette[kRed], 4) << At(kCentre - 90, kCentre);
}

TEST_F(CubeScene, AHalfTransparentCubeBlendsOverTheOpaqueOneInsideIt) {
  // The outer cube's twelve triangles first: blue in front (-y), green behind, grey sides.
  AddBox(1.0f, {kBlue, kGreen, kGrey, kGrey, kGrey, kGrey});
  AddBox(0.4f, {kRed, kRed, kRed, kRed, kRed, kRed});
  WriteTags("Nested", 12, 32767);
  const int alpha = 128;  // 255 x (1 - 32767 / 65535), rounded

  Shoot("Nested");
  // The centre: the opaque red cube seen through the blue front face. Drawn in the wrong order
  // it would be pure red (front first) or the green back face would show.
  const Rgb centre = Over(kPalette[kBlue], alpha, kPalette[kRed]);
  EXPECT_PRED3(Near, At(kCentre, kCentre), centre, 4) << At(kCentre, kCentre) << " " << centre;
  // Beside the inner cube, within the back face's outline: front over back over the
  // background, three layers in depth order.
  const Rgb beside = Over(kPalette[kBlue], alpha, Over(kPalette[kGreen], alpha, kBackground));
  for (const int x : {kCentre - 60, kCentre + 60}) {
    EXPECT_PRED3(Near, At(x, kCentre), beside, 4) << At(x, kCentre) << " " << beside;
  }
  // Turned half round, the green face is in front and the blue one behind.
  Shoot("Nested", {"rotate:128,0"});
  EXPECT_PRED3(Near, At(kCentre, kCentre), Over(kPalette[kGreen], alpha, kPalette[kRed]), 4)
      << At(kCentre, kCentre);
  EXPECT_PRED3(Near, At(kCentre + 60, kCentre),
               Over(kPalette[kGreen], alpha, Over(kPalette[kBlue], alpha, kBackground)), 4)
      << At(kCentre + 60, kCentre);
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: zarv_geomscenecheck ZARV_GEOMSCENE [gtest options]\n");
    return 2;
  }
  g_scene = fs::absolute(argv[1]).string();
  return RUN_ALL_TESTS();
}
