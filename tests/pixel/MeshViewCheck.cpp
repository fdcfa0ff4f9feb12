// The mesh view drawn by the OpenGL painter and 3-D scene into a real (software) GL context,
// read back pixel by pixel: a flat mesh seen from straight above shows its colour map where
// the map puts each colour, detail textures and highlights change them, and the painter's 2-D
// drawing carries on unharmed afterwards. Runs under a virtual X server.

// Windows come from their class's own operator new (gui/Signal.h); GCC 12 pairs the inlined
// delete of a constructor's unwinding path with the wrong new.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "collections/Collection.h"
#include "gl/GlPainter.h"
#include "gl/GlScene3D.h"
#include "gl/GlTexture.h"
#include "gl/GlfwPlatform.h"
#include "gui/WindowManager.h"
#include "tags/Codex.h"
#include "tags/TagCode.h"
#include "terrain/DtexTag.h"
#include "terrain/ui/MeshView.h"

namespace {

GLFWwindow* g_window = nullptr;
Size g_screen;

struct Rgb {
  int r, g, b;
};

// The view sits away from the screen's corner, so that a wrong viewport shows.
constexpr Rect kFrame = {40, 30, 280, 210};

class MeshViewCheck : public testing::Test {
 protected:
  void SetUp() override {
    SetCurrentPainter(&painter_);
    SetCurrentScene3D(&scene3d_);
    platform_ = std::make_unique<GlfwPlatform>(g_window);
    wm_ = std::make_unique<WindowManager>(*platform_, nullptr);
    wm_->ResizeScreen(g_screen.width, g_screen.height);
    frame_ = new Window(WindowFlag::Visible, wm_->Layer0());
    frame_->SetFrameRect({kFrame.left, kFrame.top - wm_->Layer0()->ClientRect().top, kFrame.right,
                          kFrame.bottom - wm_->Layer0()->ClientRect().top});
    view_ = new MeshView(frame_);
    view_->SetFrameRect({0, 0, kFrame.Width(), kFrame.Height()});

    // One flat chunk; the colour map's one bitmap has four quadrants.
    mesh_.chunks_wide = mesh_.chunks_high = 1;
    mesh_.cells.resize(32 * 32);
    for (MeshCell& cell : mesh_.cells) cell.value0 = 512;
    const uint8_t entries[][3] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    for (size_t i = 0; i < 5; ++i) {
      for (size_t c = 0; c < 3; ++c) colors_.palette[i * 3 + c] = entries[i][c];
    }
    auto bitmap = std::make_unique<CollectionBitmap>();
    bitmap->width = bitmap->height = 2;
    bitmap->pixels = {255, 1, 255, 2, 255, 3, 255, 4};
    colors_.bitmaps.push_back(std::move(bitmap));
    scene_.Build(mesh_, &colors_);
    view_->SetScene(&scene_);
    view_->options().media_animation = false;
    MeshView::Camera camera = view_->camera();
    camera.pitch = 90;
    camera.target = {16, 16, 1};
    camera.distance = 30;
    view_->SetCamera(camera);
    map_.Reset(32, 32);
  }
  void TearDown() override {
    wm_.reset();
    platform_.reset();
    SetCurrentScene3D(nullptr);
    SetCurrentPainter(nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }

  void DrawFrame() {
    painter_.BeginFrame(g_screen);
    painter_.FillScreenRect({0, 0, g_screen.width, g_screen.height}, MakeColor(255, 0, 255));
    glClear(GL_DEPTH_BUFFER_BIT);
    const Rect area = view_->ClientRect();
    ASSERT_TRUE(painter_.BeginWindow(area, area, false));
    view_->Draw();
    painter_.EndWindow();
  }

  // Where a mesh point shows on the screen.
  Point ScreenOf(float x, float y) const {
    const Rect area = view_->ClientRect();
    Vec3 w;
    EXPECT_TRUE(camera3d::Project({x, y, scene_.SurfaceHeight(x, y)}, view_->modelview(),
                                  view_->projection(), {0, 0, area.Width(), area.Height()}, w));
    return {area.left + static_cast<int32_t>(w.x),
            area.top + area.Height() - 1 - static_cast<int32_t>(w.y)};
  }
  Rgb PixelAt(Point p) {
    std::vector<uint8_t> rgb;
    if (!painter_.ReadPixels({p.x, p.y, p.x + 1, p.y + 1}, rgb) || rgb.size() != 3)
      return {-1, -1, -1};
    return {rgb[0], rgb[1], rgb[2]};
  }
  void ExpectColour(float x, float y, Rgb want, int tolerance = 2) {
    const Point p = ScreenOf(x, y);
    const Rgb got = PixelAt(p);
    EXPECT_TRUE(std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
                std::abs(got.b - want.b) <= tolerance)
        << "mesh (" << x << ", " << y << ") at screen (" << p.x << ", " << p.y << ") is " << got.r
        << "," << got.g << "," << got.b << ", expected " << want.r << "," << want.g << ","
        << want.b;
  }

  GlPainter painter_;
  GlScene3D scene3d_;
  std::unique_ptr<GlfwPlatform> platform_;
  std::unique_ptr<WindowManager> wm_;
  Window* frame_ = nullptr;
  MeshView* view_ = nullptr;
  Mesh mesh_;
  Collection colors_;
  MeshScene scene_;
  DetailMap map_;
  std::array<uint8_t, 768> highlight_{};
  std::array<DtexTag*, DetailMap::kSlotCount> textures_{};
  std::array<bool, DetailMap::kSlotCount> highlighted_{};
};

TEST_F(MeshViewCheck, FromAboveTheColourMapShowsWhereItLies) {
  DrawFrame();
  // The bitmap's first row along low y, its first column at low x.
  ExpectColour(8, 8, {255, 0, 0});
  ExpectColour(24, 8, {0, 255, 0});
  ExpectColour(8, 24, {0, 0, 255});
  ExpectColour(24, 24, {255, 255, 0});
  // The opening yaw shows row 0 at the top and x growing to the left.
  EXPECT_LT(ScreenOf(8, 8).y, ScreenOf(8, 24).y);
  EXPECT_GT(ScreenOf(8, 8).x, ScreenOf(24, 8).x);
  // Around the mesh the view's background; outside the view what was there before.
  EXPECT_EQ(PixelAt({kFrame.left + 2, kFrame.top + 2}).b, 34);
  EXPECT_EQ(PixelAt({kFrame.left - 2, kFrame.top + 50}).g, 0);
  EXPECT_EQ(PixelAt({kFrame.left - 2, kFrame.top + 50}).r, 255);
}

TEST_F(MeshViewCheck, ADetailTextureDarkensOrLightensWhereItsSlotLies) {
  Codex codex;
  DtexTag dark(codex, codex.FindOrCreate(tagcode::Make("dtex"), tagcode::Make("dark")));
  // 64 / 255 twice over: about half as bright.
  ASSERT_TRUE(dark.SetImage(8, 8, std::vector<uint8_t>(8 * 8 * 3, 64)));
  textures_[1] = &dark;
  // Slot 1 on the vertices of the low-x half only.
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 14; ++x) map_.vertex[static_cast<size_t>(y) * 32 + x] = 1;
  }
  view_->SetDetail(&map_, &highlight_);
  view_->SetSlotTextures(&textures_, &highlighted_);
  view_->options().detail_textures = true;
  DrawFrame();
  ExpectColour(6, 8, {128, 0, 0}, 3);
  ExpectColour(6, 24, {0, 0, 128}, 3);
  ExpectColour(24, 8, {0, 255, 0});  // no slot texture there
  // Off, the colour map again.
  view_->options().detail_textures = false;
  DrawFrame();
  ExpectColour(6, 8, {255, 0, 0});
}

TEST_F(MeshViewCheck, HighlightTintsTheSlotsColour) {
  for (uint8_t& v : map_.vertex) v = 1;
  highlight_[3 + 2] = 255;  // slot 1 blue
  highlighted_[1] = true;
  view_->SetDetail(&map_, &highlight_);
  view_->SetSlotTextures(&textures_, &highlighted_);
  view_->options().highlighting = true;
  DrawFrame();
  // Red under blue at 60 %.
  ExpectColour(8, 8, {102, 0, 153}, 3);
}

TEST_F(MeshViewCheck, ThePainterCarriesOnIn2dAfterThe3dView) {
  view_->options().wireframe = true;
  DetailBrush brush;
  brush.x = 16;
  brush.y = 16;
  view_->SetBrush(brush, true);
  DrawFrame();
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
  GLint mode = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
  EXPECT_EQ(mode, GL_MODULATE);
  GLint matrix_mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &matrix_mode);
  EXPECT_EQ(matrix_mode, GL_MODELVIEW);
  // A translucent 2-D fill after it blends as the painter expects and lands where it should.
  painter_.FillScreenRect({0, 0, 10, 10}, MakeColor(0, 0, 0));
  painter_.FillScreenRect({0, 0, 10, 10}, MakeColor(255, 255, 255, 128));
  const Rgb grey = PixelAt({5, 5});
  EXPECT_NEAR(grey.r, 128, 2);
  const Rect area = view_->ClientRect();
  ASSERT_TRUE(painter_.BeginWindow(area, area, false));
  painter_.SetColor(MakeColor(0, 200, 0));
  painter_.FillRect({0, 0, 4, 4});
  painter_.EndWindow();
  const Rgb fill = PixelAt({area.left + 1, area.top + 1});
  EXPECT_EQ(fill.g, 200);
  EXPECT_EQ(fill.r, 0);
}

void PrintGlfwError(int code, const char* description) {
  std::fprintf(stderr, "GLFW error %d: %s\n", code, description);
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  glfwSetErrorCallback(PrintGlfwError);
  if (!glfwInit()) {
    std::fprintf(stderr, "FAIL: glfwInit failed (no display?)\n");
    return 1;
  }
  glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
  glfwWindowHint(GLFW_DEPTH_BITS, 24);
  glfwWindowHint(GLFW_DOUBLEBUFFER, GLFW_TRUE);
  g_window = glfwCreateWindow(320, 240, "Zarv mesh view check", nullptr, nullptr);
  if (g_window == nullptr) {
    std::fprintf(stderr, "FAIL: could not open a GL window\n");
    glfwTerminate();
    return 1;
  }
  glfwMakeContextCurrent(g_window);
  glfwSwapInterval(0);
  glfwGetFramebufferSize(g_window, &g_screen.width, &g_screen.height);
  InitGL();
  const int result = RUN_ALL_TESTS();
  glfwDestroyWindow(g_window);
  glfwTerminate();
  return result;
}
