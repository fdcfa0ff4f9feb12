// The mesh view without GL: its camera and picking against the mesh, and what it asks a
// recording 3-D scene to draw. Input goes through the window manager.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "support/WmHarness.h"
#include "tags/Codex.h"
#include "tags/TagCode.h"
#include "terrain/DtexTag.h"
#include "terrain/ui/MeshChunkGeometry.h"
#include "terrain/ui/MeshView.h"

namespace {

// Keeps what it was asked to draw.
class RecordingScene : public Scene3D {
 public:
  struct Call {
    size_t vertices = 0;
    Texture3D texture = 0;
    Blend blend = Blend::kNone;
    bool depth_write = false;
    bool depth_equal = false;
    Color first_color = 0;
    std::array<float, 4> texture_transform{};
    std::vector<float> z;  // lines only
  };
  Texture3D CreateTexture(int32_t width, int32_t height, int32_t channels,
                          std::span<const uint8_t> pixels, bool repeat, bool) override {
    EXPECT_GE(pixels.size(), size_t(width) * height * channels);
    created.push_back({width, height, repeat});
    return next_texture++;
  }
  void UpdateTexture(Texture3D texture, int32_t, int32_t, int32_t,
                     std::span<const uint8_t>) override {
    updated.push_back(texture);
  }
  void DeleteTexture(Texture3D texture) override {
    if (texture) deleted.push_back(texture);
  }
  void Begin(const Rect&, const Matrix4&, const Matrix4&) override {
    ++begins;
    transform = {1, 1, 0, 0};
  }
  void End() override { ++ends; }
  void DrawTriangles(std::span<const Vertex3D> vertices, Texture3D texture, Blend blend,
                     bool depth_write, bool depth_equal) override {
    triangles.push_back({vertices.size(),
                         texture,
                         blend,
                         depth_write,
                         depth_equal,
                         vertices.empty() ? 0 : vertices[0].color,
                         transform,
                         {}});
  }
  void DrawLines(std::span<const Vertex3D> vertices, float) override {
    Call call;
    call.vertices = vertices.size();
    for (const Vertex3D& v : vertices) call.z.push_back(v.z);
    lines.push_back(call);
  }
  void SetTextureTransform(float su, float sv, float ou, float ov) override {
    transform = {su, sv, ou, ov};
  }
  void Clear() {
    triangles.clear();
    lines.clear();
    created.clear();
    updated.clear();
  }

  struct Made {
    int32_t width, height;
    bool repeat;
  };
  std::vector<Made> created;
  std::vector<Texture3D> updated, deleted;
  std::vector<Call> triangles, lines;
  std::array<float, 4> transform{1, 1, 0, 0};
  int begins = 0, ends = 0;
  Texture3D next_texture = 1;
};

Mesh SlopedMesh(int chunks_wide, int chunks_high) {
  Mesh mesh;
  mesh.chunks_wide = static_cast<uint16_t>(chunks_wide);
  mesh.chunks_high = static_cast<uint16_t>(chunks_high);
  mesh.cells.resize(static_cast<size_t>(mesh.cellsWide()) * mesh.cellsHigh());
  for (int y = 0; y < mesh.cellsHigh(); ++y) {
    for (int x = 0; x < mesh.cellsWide(); ++x) {
      mesh.cells[static_cast<size_t>(y) * mesh.cellsWide() + x].value0 =
          static_cast<uint16_t>(512 * 2 + x * 64);  // 2 cells up, rising 1/8 a cell
    }
  }
  return mesh;
}

class MeshViewTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    SetCurrentScene3D(&recorder_);
    mesh_ = SlopedMesh(2, 1);
    mesh_.cells[5 * 64 + 40].flags = MeshCell::kMedia;
    scene_.Build(mesh_, nullptr);
    frame_ = Frame({0, 0, 640, 480}, 0);
    view_ = new MeshView(frame_);
    view_->SetFrameRect({0, 0, 640, 480});
    view_->SetScene(&scene_);
    map_.Reset(64, 32);
  }
  void TearDown() override {
    WmTest::TearDown();
    SetCurrentScene3D(nullptr);
  }

  bool ToWindow(Vec3 p, Point& out) const {
    const Rect area = view_->ClientRect();
    Vec3 w;
    if (!camera3d::Project(p, view_->modelview(), view_->projection(),
                           {0, 0, area.Width(), area.Height()}, w)) {
      return false;
    }
    out = {static_cast<int32_t>(std::floor(w.x)),
           static_cast<int32_t>(std::floor(area.Height() - w.y))};
    return true;
  }
  void ShowDetail() {
    view_->SetDetail(&map_, &highlight_);
    view_->SetSlotTextures(&textures_, &highlighted_);
  }
  size_t CountTriangles(Scene3D::Blend blend) const {
    size_t n = 0;
    for (const auto& c : recorder_.triangles) n += c.blend == blend ? 1 : 0;
    return n;
  }

  RecordingScene recorder_;
  Mesh mesh_;
  MeshScene scene_;
  DetailMap map_;
  std::array<uint8_t, 768> highlight_{};
  std::array<DtexTag*, DetailMap::kSlotCount> textures_{};
  std::array<bool, DetailMap::kSlotCount> highlighted_{};
  ProbeWindow* frame_ = nullptr;
  MeshView* view_ = nullptr;
};

TEST_F(MeshViewTest, OpensWithTheWholeMeshInViewAndCentred) {
  const Rect area = view_->ClientRect();
  for (float x : {0.0f, 64.0f}) {
    for (float y : {0.0f, 32.0f}) {
      for (float z : {scene_.min_z(), scene_.max_z()}) {
        Point p;
        ASSERT_TRUE(ToWindow({x, y, z}, p));
        EXPECT_TRUE(p.x >= 0 && p.x < area.Width() && p.y >= 0 && p.y < area.Height())
            << x << "," << y << "," << z << " at " << p.x << "," << p.y;
      }
    }
  }
  Point centre;
  ASSERT_TRUE(ToWindow({32, 16, (scene_.min_z() + scene_.max_z()) / 2}, centre));
  EXPECT_NEAR(centre.x, area.Width() / 2, 1);
  EXPECT_NEAR(centre.y, area.Height() / 2, 1);
  EXPECT_EQ(view_->stats().full, 2);
  EXPECT_EQ(view_->stats().invisible, 0);
  EXPECT_EQ(view_->stats().cells_rendered, 2 * 32 * 32);
}

TEST_F(MeshViewTest, CellAtFindsTheMeshPointUnderThePointer) {
  for (const auto& [x, y] : {std::pair{20.5f, 10.25f}, {50.0f, 3.0f}, {5.0f, 30.0f}}) {
    Point p;
    ASSERT_TRUE(ToWindow({x, y, scene_.SurfaceHeight(x, y)}, p));
    float cx = 0, cy = 0;
    ASSERT_TRUE(view_->CellAt(p, cx, cy));
    // A pixel is a fraction of a cell at this distance.
    EXPECT_NEAR(cx, x, 0.3f);
    EXPECT_NEAR(cy, y, 0.3f);
  }
  // Looking straight down from far away, the view's corner sees past the mesh.
  MeshView::Camera camera = view_->camera();
  camera.pitch = 90;
  camera.distance = 200;
  view_->SetCamera(camera);
  float cx = 0, cy = 0;
  EXPECT_FALSE(view_->CellAt({2, 2}, cx, cy));
  EXPECT_TRUE(view_->CellAt({320, 240}, cx, cy));
  EXPECT_NEAR(cx, 32, 0.5f);
  EXPECT_NEAR(cy, 16, 0.5f);
}

TEST_F(MeshViewTest, StatsCountChunksAgainstTheView) {
  MeshView::Camera camera = view_->camera();
  camera.pitch = 90;
  camera.distance = 8;
  camera.target = {16, 16, 2};  // close over the middle of chunk 0
  view_->SetCamera(camera);
  EXPECT_EQ(view_->stats().partial, 1);
  EXPECT_EQ(view_->stats().invisible, 1);
  EXPECT_EQ(view_->stats().full, 0);
  EXPECT_EQ(view_->stats().cells_rendered, 32 * 32);
  camera.target = {32, 16, 2};  // over the seam: both cut by the view
  view_->SetCamera(camera);
  EXPECT_EQ(view_->stats().partial, 2);
  camera.target = {500, 500, 2};
  view_->SetCamera(camera);
  EXPECT_EQ(view_->stats().invisible, 2);
  EXPECT_EQ(view_->stats().cells_rendered, 0);
  // Invisible chunks are not drawn.
  view_->Draw();
  EXPECT_TRUE(recorder_.triangles.empty());
}

TEST_F(MeshViewTest, MiddleDragTurnsAndWithShiftPans) {
  const MeshView::Camera start = view_->camera();
  Press(300, 200, 2);
  Move(340, 230);
  Release(340, 230, 2);
  Pump(3);
  EXPECT_NE(view_->camera().yaw, start.yaw);
  EXPECT_GT(view_->camera().pitch, start.pitch);  // dragged down: looks more from above
  EXPECT_FLOAT_EQ(view_->camera().target.x, start.target.x);
  EXPECT_FLOAT_EQ(view_->camera().distance, start.distance);

  const MeshView::Camera turned = view_->camera();
  Key(Key::Shift, true);
  Press(300, 200, 2);
  Move(360, 200);
  Release(360, 200, 2);
  Key(Key::Shift, false);
  Pump(6);
  EXPECT_FLOAT_EQ(view_->camera().yaw, turned.yaw);
  EXPECT_FLOAT_EQ(view_->camera().pitch, turned.pitch);
  const float moved = std::hypot(view_->camera().target.x - turned.target.x,
                                 view_->camera().target.y - turned.target.y);
  EXPECT_GT(moved, 1.0f);
  // Other buttons leave the camera alone (they are the editor's).
  const MeshView::Camera panned = view_->camera();
  Press(300, 200, 0);
  Move(380, 260);
  Release(380, 260, 0);
  Pump(3);
  EXPECT_FLOAT_EQ(view_->camera().yaw, panned.yaw);
  EXPECT_FLOAT_EQ(view_->camera().target.x, panned.target.x);
}

TEST_F(MeshViewTest, WheelZoomsAndArrowKeysPan) {
  const float distance = view_->camera().distance;
  Move(320, 240);
  Wheel(0, 2);
  Pump(2);
  EXPECT_LT(view_->camera().distance, distance);
  Wheel(2, -40);  // far out: held within reach of the mesh
  Pump();
  EXPECT_LE(view_->camera().distance, 4.0f * 64 + 100);

  Click(320, 240);  // focus
  Pump(2);
  const Vec3 before = view_->camera().target;
  Tap(Key::Left);
  Pump(2);
  const Vec3 after = view_->camera().target;
  // At the opening yaw x grows to the left of the view, so panning left moves towards +x.
  EXPECT_GT(after.x, before.x);
  EXPECT_FLOAT_EQ(after.y, before.y);
  Tap(Key::Up);
  Pump(2);
  EXPECT_LT(view_->camera().target.y, after.y);  // row 0 is at the top
  // Keys the view does not use reach its parent.
  frame_->keys.clear();
  Tap('Q');
  Pump(2);
  EXPECT_FALSE(frame_->keys.empty());
}

TEST_F(MeshViewTest, DrawsColourMapThenDetailTexturesAtTheirSlotScale) {
  Codex codex;
  DtexTag sand(codex, codex.FindOrCreate(tagcode::Make("dtex"), tagcode::Make("sand")));
  ASSERT_TRUE(sand.SetImage(16, 8, std::vector<uint8_t>(16 * 8 * 3, 128)));
  textures_[3] = &sand;
  map_.slots[3].scale_minus_one = 3;  // 4 pixels a cell
  for (int y = 0; y < 32; ++y) {
    for (int x = 40; x < 64; ++x) map_.vertex[static_cast<size_t>(y) * 64 + x] = 3;
  }
  ShowDetail();
  view_->options().detail_textures = true;
  view_->options().media_animation = false;  // no water texture
  view_->Draw();
  EXPECT_EQ(recorder_.begins, 1);
  EXPECT_EQ(recorder_.ends, 1);
  // Two colour textures and the slot's.
  ASSERT_EQ(recorder_.created.size(), 3u);
  EXPECT_FALSE(recorder_.created[0].repeat);
  EXPECT_TRUE(recorder_.created[2].repeat);
  EXPECT_EQ(recorder_.created[2].width, 16);
  // The base pass of both chunks writes depth; slot 3 lies in chunk 1 only, and slot 0 (the
  // rest) has no texture, so one detail pass.
  size_t base = 0, detail = 0;
  for (const RecordingScene::Call& c : recorder_.triangles) {
    if (c.blend == Scene3D::Blend::kNone) {
      ++base;
      EXPECT_TRUE(c.depth_write);
      EXPECT_EQ(c.vertices, 32u * 32 * 6);
    } else if (c.blend == Scene3D::Blend::kMultiply2x) {
      ++detail;
      EXPECT_EQ(c.texture, 3u);
      EXPECT_TRUE(c.depth_equal);
      EXPECT_FALSE(c.depth_write);
      // Cell positions times the scale over the texture's size.
      EXPECT_FLOAT_EQ(c.texture_transform[0], 4.0f / 16);
      EXPECT_FLOAT_EQ(c.texture_transform[1], 4.0f / 8);
    }
  }
  EXPECT_EQ(base, 2u);
  EXPECT_EQ(detail, 1u);

  // Without the option no detail pass; with it and no texture for the slot, none either.
  recorder_.Clear();
  view_->options().detail_textures = false;
  view_->Draw();
  EXPECT_EQ(CountTriangles(Scene3D::Blend::kMultiply2x), 0u);
  view_->options().detail_textures = true;
  textures_[3] = nullptr;
  view_->Draw();
  EXPECT_EQ(CountTriangles(Scene3D::Blend::kMultiply2x), 0u);
}

TEST_F(MeshViewTest, SlotTexturesUploadAgainOnlyWhenTheirPixelsChange) {
  Codex codex;
  DtexTag stone(codex, codex.FindOrCreate(tagcode::Make("dtex"), tagcode::Make("ston")));
  ASSERT_TRUE(stone.SetImage(4, 4, std::vector<uint8_t>(48, 90)));
  textures_[1] = &stone;
  map_.vertex.assign(map_.vertex.size(), 1);
  ShowDetail();
  view_->options().detail_textures = true;
  view_->options().media_animation = false;
  view_->Draw();
  view_->Draw();
  ASSERT_EQ(recorder_.created.size(), 3u);  // two chunks' colours, one slot
  EXPECT_TRUE(recorder_.updated.empty());
  stone.mutable_pixels()[0] = 7;
  stone.PixelsChanged();
  view_->Draw();
  EXPECT_EQ(recorder_.created.size(), 3u);
  ASSERT_EQ(recorder_.updated.size(), 1u);
  EXPECT_EQ(recorder_.updated[0], 3u);
}

TEST_F(MeshViewTest, OnlyChunksWhoseDetailChangedAreRebuilt) {
  ShowDetail();
  view_->Draw();
  const int after_setup = view_->DetailRebuilds();
  EXPECT_EQ(after_setup, 2 + 2);  // once for the scene without a map, once with it
  view_->Draw();
  EXPECT_EQ(view_->DetailRebuilds(), after_setup);
  map_.vertex[static_cast<size_t>(10) * 64 + 50] = 5;
  scene_.DetailChanged({50, 10, 50, 10});
  view_->Draw();
  EXPECT_EQ(view_->DetailRebuilds(), after_setup + 1);
}

TEST_F(MeshViewTest, HighlightModesTintVerticesTrianglesOrBoth) {
  map_.vertex.assign(map_.vertex.size(), 2);
  map_.triangle.assign(map_.triangle.size(), 9);
  highlight_[2 * 3] = 250;      // slot 2 red
  highlight_[9 * 3 + 2] = 240;  // slot 9 blue
  highlighted_[2] = highlighted_[9] = true;
  ShowDetail();
  view_->options().highlighting = true;
  auto tints = [&] {
    std::vector<Color> colors;
    for (const auto& c : recorder_.triangles) {
      if (c.blend == Scene3D::Blend::kAlpha && c.texture == 0) colors.push_back(c.first_color);
    }
    recorder_.Clear();
    return colors;
  };
  view_->options().highlight_mode = 0;
  view_->Draw();
  std::vector<Color> colors = tints();
  ASSERT_EQ(colors.size(), 2u);  // one pass a chunk
  EXPECT_EQ(ColorRed(colors[0]), 250);
  EXPECT_GT(ColorAlpha(colors[0]), 0);
  view_->options().highlight_mode = 1;
  view_->Draw();
  colors = tints();
  ASSERT_EQ(colors.size(), 2u);
  EXPECT_EQ(ColorBlue(colors[0]), 240);
  view_->options().highlight_mode = 2;
  view_->Draw();
  EXPECT_EQ(tints().size(), 4u);
  // A slot without its highlight flag is not tinted.
  highlighted_[9] = false;
  view_->Draw();
  EXPECT_EQ(tints().size(), 2u);
  view_->options().highlighting = false;
  view_->Draw();
  EXPECT_TRUE(tints().empty());
}

TEST_F(MeshViewTest, MediaAnimationStepsInSixtiethsAndDropsLongStalls) {
  view_->Animate(0.01);
  EXPECT_DOUBLE_EQ(view_->MediaTime(), 0.0);
  view_->Animate(0.01);  // 0.02 pending: one step
  EXPECT_NEAR(view_->MediaTime(), 1.0 / 60, 1e-9);
  view_->Animate(2.0);  // a stall: nothing to catch up
  EXPECT_NEAR(view_->MediaTime(), 1.0 / 60, 1e-9);
  view_->Animate(0.5);
  EXPECT_NEAR(view_->MediaTime(), 31.0 / 60, 1e-9);
  view_->options().media_animation = false;
  view_->Animate(0.5);
  EXPECT_NEAR(view_->MediaTime(), 31.0 / 60, 1e-9);

  // The one media cell is drawn as water, moving with the clock.
  view_->options().media_animation = true;
  view_->Draw();
  size_t water = 0;
  for (const auto& c : recorder_.triangles) {
    if (c.blend == Scene3D::Blend::kAlpha && c.texture != 0) {
      ++water;
      EXPECT_EQ(c.vertices, 6u);
      EXPECT_NE(c.texture_transform[2], 0.0f);
    }
  }
  EXPECT_EQ(water, 1u);
}

TEST_F(MeshViewTest, WireframeAndTheBrushOutlineFollowTheSurface) {
  view_->options().wireframe = true;
  view_->Draw();
  ASSERT_EQ(recorder_.lines.size(), 2u);  // a chunk each
  recorder_.Clear();
  view_->options().wireframe = false;
  DetailBrush brush;
  brush.x = 20;
  brush.y = 10;
  brush.radius = 3;
  view_->SetBrush(brush, true);
  view_->Draw();
  ASSERT_EQ(recorder_.lines.size(), 1u);
  const RecordingScene::Call& outline = recorder_.lines[0];
  ASSERT_GT(outline.vertices, 8u);
  // On a slope rising along x the outline's heights differ from side to side, and each lies
  // just above the ground under it.
  float low = 1e9f, high = -1e9f;
  for (float z : outline.z) {
    low = std::min(low, z);
    high = std::max(high, z);
  }
  EXPECT_NEAR(low, scene_.SurfaceHeight(17, 10), 0.1f);
  EXPECT_NEAR(high, scene_.SurfaceHeight(23, 10), 0.1f);
  recorder_.Clear();
  view_->SetBrush(brush, false);
  view_->Draw();
  EXPECT_TRUE(recorder_.lines.empty());
}

TEST_F(MeshViewTest, WithoutASceneNothingIsDrawn) {
  SetCurrentScene3D(nullptr);
  view_->Draw();
  SetCurrentScene3D(&recorder_);
  EXPECT_EQ(recorder_.begins, 0);
  EXPECT_TRUE(recorder_.created.empty());
}

// --- The chunk arrays

class MeshChunkGeometryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mesh_ = SlopedMesh(2, 1);
    scene_.Build(mesh_, nullptr);
    map_.Reset(64, 32);
  }
  Mesh mesh_;
  MeshScene scene_;
  DetailMap map_;
};

TEST_F(MeshChunkGeometryTest, DetailPassesRepeatTheBaseTrianglesExactly) {
  map_.vertex[static_cast<size_t>(4) * 64 + 4] = 7;
  map_.vertex[static_cast<size_t>(10) * 64 + 5] = 6;
  map_.triangle[(static_cast<size_t>(9) * 64 + 3) * 2 + 1] = 8;
  MeshChunkGeometry g;
  g.BuildSurface(scene_, scene_.chunks()[0]);
  g.BuildDetail(scene_, scene_.chunks()[0], &map_);
  auto same_position = [&](const Vertex3D& v) {
    for (const Vertex3D& b : g.base) {
      if (b.x == v.x && b.y == v.y && b.z == v.z) return true;
    }
    return false;
  };
  ASSERT_FALSE(g.ranges.empty());
  for (const MeshChunkGeometry::Range& r : g.ranges) {
    ASSERT_LE(r.first + r.count, g.detail.size());
    for (uint32_t i = r.first; i < r.first + r.count; ++i) {
      ASSERT_TRUE(same_position(g.detail[i])) << "slot " << int(r.slot);
    }
  }
  // Vertex (4, 4) (x + y even) lies on the diagonals of its four cells, a corner of all eight
  // triangles; vertex (5, 10) (odd) on none, a corner of one triangle in each cell. Slot 7's
  // pass holds the eight, with full strength at that corner only.
  const MeshChunkGeometry::Range* six = nullptr;
  const MeshChunkGeometry::Range* seven = nullptr;
  const MeshChunkGeometry::Range* eight = nullptr;
  for (const auto& r : g.ranges) {
    if (r.layer == DetailLayer::kVertex && r.slot == 6) six = &r;
    if (r.layer == DetailLayer::kVertex && r.slot == 7) seven = &r;
    if (r.layer == DetailLayer::kTriangle && r.slot == 8) eight = &r;
  }
  ASSERT_NE(six, nullptr);
  EXPECT_EQ(six->count, 4u * 3);
  ASSERT_NE(seven, nullptr);
  EXPECT_EQ(seven->count, 8u * 3);
  for (uint32_t i = seven->first; i < seven->first + seven->count; ++i) {
    const Vertex3D& v = g.detail[i];
    EXPECT_EQ(ColorAlpha(v.color), v.x == 4 && v.y == 4 ? 255 : 0);
    EXPECT_EQ(v.u, v.x);  // texture coordinates in cells
  }
  ASSERT_NE(eight, nullptr);
  EXPECT_EQ(eight->count, 3u);
  // Triangle 1 of cell (3, 9), x + y even: the half towards (4, 9).
  float cx = 0, cy = 0;
  for (uint32_t i = eight->first; i < eight->first + 3; ++i) {
    cx += g.detail[i].x / 3;
    cy += g.detail[i].y / 3;
  }
  EXPECT_NEAR(cx, 3 + 2.0f / 3, 1e-5f);
  EXPECT_NEAR(cy, 9 + 1.0f / 3, 1e-5f);
}

TEST_F(MeshChunkGeometryTest, ValuesPast127NameNoSlotAndMakeNoPass) {
  map_.vertex.assign(map_.vertex.size(), 200);
  map_.triangle.assign(map_.triangle.size(), 128);
  MeshChunkGeometry g;
  g.BuildDetail(scene_, scene_.chunks()[1], &map_);
  EXPECT_TRUE(g.ranges.empty());
  EXPECT_TRUE(g.detail.empty());
  // A map of another size is not drawn at all.
  DetailMap other;
  other.Reset(32, 32);
  other.vertex.assign(other.vertex.size(), 1);
  g.BuildDetail(scene_, scene_.chunks()[0], &other);
  EXPECT_TRUE(g.ranges.empty());
}

TEST_F(MeshChunkGeometryTest, AChunkTakesTheVertexValuesOnePastItsEdge) {
  // Column 32 belongs to chunk 1 but is the right corner of chunk 0's last cells.
  for (int y = 0; y < 32; ++y) map_.vertex[static_cast<size_t>(y) * 64 + 32] = 4;
  MeshChunkGeometry g;
  g.BuildDetail(scene_, scene_.chunks()[0], &map_);
  const MeshChunkGeometry::Range* four = nullptr;
  for (const auto& r : g.ranges) {
    if (r.slot == 4) four = &r;
  }
  ASSERT_NE(four, nullptr);
  // Every cell of the last column has a corner there: both of its triangles touch it, or one
  // does, as the diagonal falls; at least one triangle a cell.
  EXPECT_GE(four->count, 32u * 3);
}

}  // namespace
