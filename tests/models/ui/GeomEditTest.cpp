// The geometry viewer through the window manager: opening a geometry, its statistics, the
// three transform buttons dragged with the mouse, the context menu's reset view, saving
// refused, and the draw order and colours it hands the 3-D scene.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "gui/ChooserDialog.h"
#include "gui/Menu.h"
#include "gui/MenuItem.h"
#include "gui/SkinIds.h"
#include "gui/TextBox.h"
#include "models/Geometry.h"
#include "models/ui/GeomEdit.h"
#include "models/ui/ViewTransformButton.h"
#include "support/EditorFixture.h"
#include "tags/TagCode.h"

namespace {

constexpr uint32_t kGeom = tagcode::Make("geom");
constexpr uint32_t kCube = tagcode::Make("cube");
constexpr float kPi = std::numbers::pi_v<float>;

// An axis-aligned box from `lo` to `hi` in world units: 8 vertices, 12 triangles wound so
// that (C - A) x (B - A) points out of the box. No materials: every face draws untextured.
// `transparency` goes on every triangle.
std::vector<uint8_t> BoxBytes(std::array<float, 3> lo, std::array<float, 3> hi,
                              float opacity = 1.0f) {
  Geometry g;
  std::string error;
  EXPECT_TRUE(g.SetHeader(0, 0xFFFFFFFF, lo, hi, {0, 0, 0}, error)) << error;
  g.SetMaterialCount(0);
  g.SetVertexCount(8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_TRUE(g.SetVertex(static_cast<size_t>(i), (i & 1) ? hi[0] : lo[0],
                            (i & 2) ? hi[1] : lo[1], (i & 4) ? hi[2] : lo[2], error));
  }
  // Each face as four corners counter-clockwise seen from outside; the triangles take them
  // reversed (A, C, B order of the outward normal rule).
  const int faces[6][4] = {{0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2},
                           {1, 3, 7, 5}, {0, 2, 3, 1}, {4, 5, 7, 6}};
  g.SetTriangleCount(12);
  std::vector<std::string> warnings;
  size_t t = 0;
  for (const auto& f : faces) {
    for (const auto& tri : {std::array<int, 3>{f[0], f[2], f[1]}, {f[0], f[3], f[2]}}) {
      for (int c = 0; c < 3; ++c) {
        g.SetTriangleCorner(t, c, static_cast<uint16_t>(tri[static_cast<size_t>(c)]), 0, 0,
                            warnings);
      }
      g.FinishTriangle(t, 0, 0, opacity, warnings);
      ++t;
    }
  }
  return g.Write();
}

// Keeps what it was asked to draw.
class RecordingScene : public Scene3D {
 public:
  struct Call {
    std::vector<Vertex3D> vertices;
    Texture3D texture = 0;
    Blend blend = Blend::kNone;
    bool depth_write = true;
  };
  Texture3D CreateTexture(int32_t, int32_t, int32_t, std::span<const uint8_t>, bool,
                          bool) override {
    return ++made;
  }
  void UpdateTexture(Texture3D, int32_t, int32_t, int32_t, std::span<const uint8_t>) override {}
  void DeleteTexture(Texture3D) override {}
  void Begin(const Rect&, const Matrix4&, const Matrix4&) override { ++begins; }
  void End() override { ++ends; }
  void DrawTriangles(std::span<const Vertex3D> vertices, Texture3D texture, Blend blend,
                     bool depth_write, bool) override {
    calls.push_back({{vertices.begin(), vertices.end()}, texture, blend, depth_write});
  }
  void DrawLines(std::span<const Vertex3D>, float) override {}
  void SetTextureTransform(float, float, float, float) override {}
  std::vector<Call> calls;
  Texture3D made = 0;
  int begins = 0, ends = 0;
};

class GeomEditTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    TagGroupTable::SetEditor(kGeom, &GeomEdit::Make);
  }
  GeomEdit* OpenBox(std::array<float, 3> lo, std::array<float, 3> hi, float opacity = 1.0f) {
    Loose("geometries", {kGeom, kCube, "cube", BoxBytes(lo, hi, opacity), 1});
    Codex& codex = Open();
    auto* editor = dynamic_cast<GeomEdit*>(TagEdit::OpenEditor(codex.Find(kGeom, kCube)));
    Pump(2);
    return editor;
  }
  // Presses the button's centre, moves by (dx, dy) in a few steps and releases.
  void Drag(Window* button, int dx, int dy, bool release = true) {
    const Rect& r = button->FrameRect();
    const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    Press(x, y);
    Pump(2);
    for (int s = 1; s <= 3; ++s) {
      Move(x + dx * s / 3, y + dy * s / 3);
      Pump(1);
    }
    if (release) {
      Release(x + dx, y + dy);
      Pump(2);
    }
  }
};

TEST_F(GeomEditTest, OpensAtFourHundredSquareWithStatisticsAndTheButtonsTopRight) {
  GeomEdit* editor = OpenBox({0, 0, 0}, {2, 2, 1});
  ASSERT_NE(editor, nullptr);
  EXPECT_STREQ(editor->GetClassName(), "GeomEdit");
  EXPECT_EQ(editor->ClientRect().Width(), 400);
  EXPECT_EQ(editor->ClientRect().Height(), 400);
  EXPECT_EQ(editor->StatisticsText(), "Triangles: 12\nVertices: 8\nMaterials: 0\n");
  const Rect& client = editor->ClientRect();
  const ViewTransformButton* buttons[] = {editor->PanButton(), editor->RotateButton(),
                                          editor->ZoomButton()};
  const char* labels[] = {"Pan", "Rotate", "Zoom"};
  const int offsets[] = {45, 30, 15};
  for (int i = 0; i < 3; ++i) {
    const Rect& r = buttons[i]->FrameRect();
    EXPECT_STREQ(buttons[i]->GetClassName(), "ViewTransformButton");
    EXPECT_STREQ(buttons[i]->GetTitle(), labels[i]);
    EXPECT_EQ(r.left, client.right - offsets[i]) << labels[i];
    EXPECT_EQ(r.top, client.top);
    EXPECT_EQ(r.Width(), 15);
    EXPECT_EQ(r.Height(), 15);
  }
  // Opened with the view reset on the box.
  EXPECT_FLOAT_EQ(editor->camera().current().distance, 4.5f);
  EXPECT_FLOAT_EQ(editor->camera().current().target.z, 0.5f);
}

TEST_F(GeomEditTest, DraggingTheButtonsTransformsFromTheBaseAndReleaseKeepsIt) {
  GeomEdit* editor = OpenBox({0, 0, 0}, {2, 2, 1});
  ASSERT_NE(editor, nullptr);
  GeomCamera& camera = editor->camera();

  Drag(editor->RotateButton(), 64, 0, false);
  EXPECT_TRUE(editor->RotateButton()->dragging());
  EXPECT_EQ(editor->RotateButton()->PlateImage(), kSkinViewButtonPressed);
  EXPECT_NEAR(camera.current().yaw, kPi / 2, 1e-5);
  EXPECT_EQ(camera.base().yaw, 0.0f);  // not yet released
  const Rect& r = editor->RotateButton()->FrameRect();
  Release((r.left + r.right) / 2 + 64, (r.top + r.bottom) / 2);
  Pump(2);
  EXPECT_FALSE(editor->RotateButton()->dragging());
  EXPECT_NEAR(camera.base().yaw, kPi / 2, 1e-5);
  // The next drag starts from there.
  Drag(editor->RotateButton(), 32, 0);
  EXPECT_NEAR(camera.current().yaw, 3 * kPi / 4, 1e-5);

  Drag(editor->ZoomButton(), 0, 32);
  EXPECT_FLOAT_EQ(camera.current().distance, 9.0f);
  Drag(editor->PanButton(), 0, 128);
  EXPECT_NEAR(camera.current().target.z, 1.5f, 1e-5);

  // Reset view from the context menu's command puts everything back.
  editor->RunCommand(GeomEdit::kCmdResetView);
  EXPECT_FLOAT_EQ(camera.current().distance, 4.5f);
  EXPECT_EQ(camera.current().yaw, 0.0f);
  EXPECT_FLOAT_EQ(camera.current().target.z, 0.5f);
  EXPECT_FLOAT_EQ(camera.base().distance, 4.5f);
}

TEST_F(GeomEditTest, TheContextMenuOffersResetViewAndExport) {
  GeomEdit* editor = OpenBox({0, 0, 0}, {1, 1, 1});
  ASSERT_NE(editor, nullptr);
  Menu* menu = editor->MakeContextMenu();
  std::vector<std::string> labels;
  for (const MenuItem* item : menu->Items()) {
    labels.push_back(item->GetTitle());
    EXPECT_TRUE(item->IsEnabled());
  }
  EXPECT_EQ(labels, (std::vector<std::string>{"Reset View", "Export LWO..."}));
  Window::Close(menu);
  // A right click opens it; clicking "Reset View" resets a turned view.
  Drag(editor->RotateButton(), 40, 20);
  ASSERT_NE(editor->camera().current().yaw, 0.0f);
  const Rect& client = editor->ClientRect();
  Click(client.left + 200, client.top + 200, 1);
  platform.Then([this](FakePlatform& p) {
    auto* running = dynamic_cast<Menu*>(p.wm->TopModalWindow());
    if (!running || !running->IsRunning()) return false;
    const Rect& r = running->Items()[0]->FrameRect();
    Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return true;
  });
  RunSteps();
  Pump(3);
  EXPECT_EQ(editor->camera().current().yaw, 0.0f);
  EXPECT_EQ(editor->camera().current().pitch, 0.0f);
  EXPECT_EQ(editor->camera().base().yaw, 0.0f);
}

TEST_F(GeomEditTest, ExportWritesTheObjectIntoTheChosenFolder) {
  GeomEdit* editor = OpenBox({0, 0, 0}, {1, 1, 1});
  ASSERT_NE(editor, nullptr);
  const std::filesystem::path folder = root_ / "exported";
  std::filesystem::create_directories(folder);
  platform.Then([](FakePlatform& p) {
    return dynamic_cast<ChooserDialog*>(p.wm->TopModalWindow()) != nullptr;
  });
  platform.Then([this, &folder](FakePlatform& p) {
    auto& chooser = *dynamic_cast<ChooserDialog*>(p.wm->TopModalWindow());
    EXPECT_STREQ(chooser.GetTitle(), GeomEdit::kExportTitle);
    chooser.OpenFolder(folder);
    chooser.NameField()->SetText("");
    Tap(Key::Enter);
    return true;
  });
  editor->RunCommand(GeomEdit::kCmdExportLwo);
  RunSteps();
  const auto object = tagfiles::Slurp(folder / "cube.lwo");
  ASSERT_GE(object.size(), 12u);
  EXPECT_EQ(std::string(object.begin(), object.begin() + 4), "FORM");
  EXPECT_EQ(std::string(object.begin() + 8, object.begin() + 12), "LWO2");
  EXPECT_TRUE(messages.empty());
}

TEST_F(GeomEditTest, SavingIsRefusedAndWritesNothing) {
  GeomEdit* editor = OpenBox({0, 0, 0}, {1, 1, 1});
  ASSERT_NE(editor, nullptr);
  const auto before = tagfiles::Slurp(root_ / "local" / "geometries" / "cube");
  Answer("Error", 0);
  CtrlKey('S');
  RunSteps();
  EXPECT_EQ(messages, std::vector<std::string>{"The save operation could not be completed."});
  EXPECT_EQ(tagfiles::Slurp(root_ / "local" / "geometries" / "cube"), before);
  EXPECT_FALSE(editor->dirty());
}

TEST_F(GeomEditTest, DrawsEveryTriangleFarToNearBlendedWithoutDepthWrites) {
  GeomEdit* editor = OpenBox({-1, -1, -1}, {1, 1, 1}, 0.5f);
  ASSERT_NE(editor, nullptr);
  RecordingScene scene;
  editor->DrawView(scene, {0, 0, 400, 400});
  EXPECT_EQ(scene.begins, 1);
  EXPECT_EQ(scene.ends, 1);
  // Untextured throughout: one call, all twelve triangles, alpha blended.
  ASSERT_EQ(scene.calls.size(), 1u);
  const RecordingScene::Call& call = scene.calls[0];
  EXPECT_EQ(call.vertices.size(), 36u);
  EXPECT_EQ(call.texture, 0u);
  EXPECT_EQ(call.blend, Scene3D::Blend::kAlpha);
  EXPECT_FALSE(call.depth_write);
  // Looking along +y: the far (+y) face comes first. Every other triangle reaches the near
  // side, so they tie and keep file order, starting with the -y face.
  auto mean_y = [&](size_t k) {
    return (call.vertices[k * 3].y + call.vertices[k * 3 + 1].y + call.vertices[k * 3 + 2].y) / 3;
  };
  EXPECT_FLOAT_EQ(mean_y(0), 1.0f);
  EXPECT_FLOAT_EQ(mean_y(1), 1.0f);
  EXPECT_FLOAT_EQ(mean_y(2), -1.0f);
  EXPECT_FLOAT_EQ(mean_y(3), -1.0f);
  EXPECT_EQ(editor->DrawOrder(), (std::vector<uint32_t>{2, 3, 0, 1, 4, 5, 6, 7, 8, 9, 10, 11}));
  // Half transparent: alpha 1 - 32767 / 65535 of 255.
  for (const Vertex3D& v : call.vertices) EXPECT_NEAR(ColorAlpha(v.color), 128, 1);
  // Faces differ in grey; both triangles of a face share theirs.
  std::vector<Color> face_colors;
  for (size_t t = 0; t < 12; t += 2) {
    EXPECT_EQ(editor->TriangleColor(t), editor->TriangleColor(t + 1));
    face_colors.push_back(editor->TriangleColor(t));
  }
  for (size_t a = 0; a < face_colors.size(); ++a) {
    for (size_t b = a + 1; b < face_colors.size(); ++b) {
      EXPECT_NE(face_colors[a], face_colors[b]) << a << " " << b;
    }
  }
}

TEST_F(GeomEditTest, OpaqueTrianglesWriteDepthSoTiedFacesBehindThemStayHidden) {
  GeomEdit* editor = OpenBox({-1, -1, -1}, {1, 1, 1});
  ASSERT_NE(editor, nullptr);
  RecordingScene scene;
  editor->DrawView(scene, {0, 0, 400, 400});
  ASSERT_EQ(scene.calls.size(), 1u);
  EXPECT_EQ(scene.calls[0].vertices.size(), 36u);
  EXPECT_TRUE(scene.calls[0].depth_write);
  for (const Vertex3D& v : scene.calls[0].vertices) EXPECT_EQ(ColorAlpha(v.color), 255);
}

}  // namespace
