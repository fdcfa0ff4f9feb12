// Geometry viewer benchmark, drawn: one frame of the real viewer (GeomEdit) showing 65,535
// triangles, the most a geometry holds, through the OpenGL painter and 3-D scene: projection,
// far-to-near sort, vertex set-up and the GL drawing, finished (glFinish) so that the software
// rasteriser's work is counted. The mesh is a closed sphere of small triangles, as a model is,
// seen from a turned camera. Needs an X display; bench/run-geomview.sh runs it under xvfb-run.
//
// Prints Google Benchmark's table on the error stream, then the figure with its target on the
// standard output.
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "bench/support/BenchReport.h"
#include "gl/GlPainter.h"
#include "gl/GlScene3D.h"
#include "gl/GlTexture.h"
#include "gl/GlfwPlatform.h"
#include "gui/WindowManager.h"
#include "models/Geometry.h"
#include "models/ui/GeomEdit.h"
#include "tags/TagCode.h"

namespace {

constexpr size_t kTriangles = 65535;
constexpr size_t kAround = 256;  // vertices around each ring
constexpr size_t kRings = 130;   // 256 x 129 x 2 quads' triangles, cut at 65,535
constexpr float kRadius = 20.0f;

GLFWwindow* g_window = nullptr;
const Color kUncovered = MakeColor(255, 0, 255);

Geometry MakeSphere() {
  Geometry g;
  std::string error;
  if (!g.SetHeader(0, 0xFFFFFFFF, {-kRadius, -kRadius, -kRadius}, {kRadius, kRadius, kRadius},
                   {0, 0, 0}, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
  }
  g.SetMaterialCount(0);
  g.SetVertexCount(kAround * kRings);
  for (size_t r = 0; r < kRings; ++r) {
    const float polar = std::numbers::pi_v<float> * float(r) / float(kRings - 1);
    for (size_t a = 0; a < kAround; ++a) {
      const float around = 2 * std::numbers::pi_v<float> * float(a) / float(kAround);
      (void)g.SetVertex(r * kAround + a, kRadius * std::sin(polar) * std::cos(around),
                        kRadius * std::sin(polar) * std::sin(around), kRadius * std::cos(polar),
                        error);
    }
  }
  g.SetTriangleCount(kTriangles);
  std::vector<std::string> warnings;
  size_t t = 0;
  for (size_t r = 0; r + 1 < kRings && t < kTriangles; ++r) {
    for (size_t a = 0; a < kAround && t < kTriangles; ++a) {
      const auto v = [&](size_t ring, size_t k) {
        return static_cast<uint16_t>(ring * kAround + k % kAround);
      };
      const uint16_t quad[4] = {v(r, a), v(r, a + 1), v(r + 1, a + 1), v(r + 1, a)};
      for (const auto& tri : {std::array<int, 3>{0, 2, 1}, std::array<int, 3>{0, 3, 2}}) {
        if (t == kTriangles) break;
        for (int c = 0; c < 3; ++c) {
          g.SetTriangleCorner(t, c, quad[tri[static_cast<size_t>(c)]], 0, 0, warnings);
        }
        g.FinishTriangle(t, 0, 0, 1.0f, warnings);
        ++t;
      }
    }
  }
  return g;
}

void BM_DrawFrame(benchmark::State& state) {
  GlPainter painter;
  GlScene3D scene;
  SetCurrentPainter(&painter);
  SetCurrentScene3D(&scene);
  Size screen;
  glfwGetFramebufferSize(g_window, &screen.width, &screen.height);
  GlfwPlatform platform(g_window);
  {
    WindowManager wm(platform, nullptr);
    wm.ResizeScreen(screen.width, screen.height);
    TagHeader header;
    header.group = tagcode::Make("geom");
    header.tag_id = tagcode::Make("sphe");
    auto* editor = new GeomEdit(header);
    editor->ShowGeometry(MakeSphere(), nullptr);
    editor->camera().Rotate(37, 21);
    editor->camera().Commit();
    editor->SetFrameRect({0, 0, GeomEdit::kClientSize.width, GeomEdit::kClientSize.height});
    const Rect area = {0, 0, GeomEdit::kClientSize.width, GeomEdit::kClientSize.height};
    for (auto _ : state) {
      painter.BeginFrame(screen);
      painter.FillScreenRect(area, kUncovered);
      glClear(GL_DEPTH_BUFFER_BIT);
      if (!painter.BeginWindow(area, area, false)) {
        state.SkipWithError("the painter refused the window");
        break;
      }
      editor->DrawView(scene, area);
      painter.EndWindow();
      painter.EndFrame();
      glFinish();
    }
    if (editor->DrawOrder().size() != kTriangles) state.SkipWithError("triangles went missing");
    // The sphere fills the middle of the view: a frame that drew nothing is no figure.
    std::vector<uint8_t> rgb;
    const int32_t x = area.Width() / 2, y = area.Height() / 2;
    if (!painter.ReadPixels({x, y, x + 1, y + 1}, rgb) || rgb.size() != 3 ||
        (rgb[0] == ColorRed(kUncovered) && rgb[1] == ColorGreen(kUncovered) &&
         rgb[2] == ColorBlue(kUncovered))) {
      state.SkipWithError("the frame drew nothing at the view's centre");
    }
    Window::Close(editor);
  }
  SetCurrentScene3D(nullptr);
  SetCurrentPainter(nullptr);
}
BENCHMARK(BM_DrawFrame)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!glfwInit()) {
    std::fprintf(stderr, "zarv_geomdrawbench: no display (run it through bench/run-geomview.sh)\n");
    return 1;
  }
  glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
  glfwWindowHint(GLFW_DEPTH_BITS, 24);
  glfwWindowHint(GLFW_DOUBLEBUFFER, GLFW_TRUE);
  g_window = glfwCreateWindow(GeomEdit::kClientSize.width + 40, GeomEdit::kClientSize.height + 40,
                              "Zarv geometry draw bench", nullptr, nullptr);
  if (!g_window) {
    std::fprintf(stderr, "zarv_geomdrawbench: could not open a GL window\n");
    glfwTerminate();
    return 1;
  }
  glfwMakeContextCurrent(g_window);
  glfwSwapInterval(0);
  InitGL();
  BenchReport report;
  const bool ran = report.RunAll(argc, argv);
  glfwDestroyWindow(g_window);
  glfwTerminate();
  if (!ran) return 1;
  Figure("geomview_draw_65535", report.Ms("BM_DrawFrame"), "ms", "<", 30);
  return 0;
}
