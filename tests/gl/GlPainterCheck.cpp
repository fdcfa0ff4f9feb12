// Checks the OpenGL painter, textures and frame presentation against pixels read back from
// a real (software) GL context. Runs under a virtual X server; needs no window manager.
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <ostream>
#include <string_view>
#include <utility>
#include <vector>

#include "gl/GlPainter.h"
#include "gl/GlPresenter.h"
#include "gl/GlTexture.h"
#include "tests/support/Rgb.h"

namespace {

GLFWwindow* g_window = nullptr;
GlPainter* g_painter = nullptr;
Size g_screen;

constexpr Color kBackground = MakeColor(40, 40, 40);
constexpr Color kRed = MakeColor(255, 0, 0);
constexpr Color kGreen = MakeColor(0, 255, 0);
constexpr Color kBlue = MakeColor(0, 0, 255);
constexpr Color kYellow = MakeColor(255, 255, 0);
constexpr Color kCyan = MakeColor(0, 255, 255);
constexpr Color kMagenta = MakeColor(255, 0, 255);

Rgb PixelAt(int32_t x, int32_t y) {
  std::vector<uint8_t> rgb;
  if (!g_painter->ReadPixels({x, y, x + 1, y + 1}, rgb) || rgb.size() != 3) return {-1, -1, -1};
  return {rgb[0], rgb[1], rgb[2]};
}

// Pixel checks report where and what, so a failure reads as a picture of the fault.
testing::AssertionResult PixelIs(const char* /*x_expr*/, const char* /*y_expr*/,
                                 const char* /*color_expr*/, int32_t x, int32_t y, Color color) {
  const Rgb got = PixelAt(x, y);
  if (got == ToRgb(color)) return testing::AssertionSuccess();
  return testing::AssertionFailure()
         << "pixel (" << x << ", " << y << ") is " << got << ", expected " << ToRgb(color);
}

testing::AssertionResult PixelNear(const char*, const char*, const char*, const char*, int32_t x,
                                   int32_t y, Color color, int tolerance) {
  const Rgb got = PixelAt(x, y);
  const Rgb want = ToRgb(color);
  if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
      std::abs(got.b - want.b) <= tolerance) {
    return testing::AssertionSuccess();
  }
  return testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << got
                                     << ", expected " << want << " within " << tolerance;
}

#define EXPECT_PIXEL(x, y, color) EXPECT_PRED_FORMAT3(PixelIs, x, y, color)
#define EXPECT_PIXEL_NEAR(x, y, color, tolerance) \
  EXPECT_PRED_FORMAT4(PixelNear, x, y, color, tolerance)

// A filled screen rectangle: its corner pixels have the colour, the pixels just left of and
// above its top left corner and just right of and below its bottom right corner do not.
#define EXPECT_FILLED_EXACTLY(rect, color, outside)   \
  do {                                                \
    const Rect r_ = (rect);                           \
    EXPECT_PIXEL(r_.left, r_.top, color);             \
    EXPECT_PIXEL(r_.right - 1, r_.bottom - 1, color); \
    EXPECT_PIXEL(r_.left - 1, r_.top, outside);       \
    EXPECT_PIXEL(r_.left, r_.top - 1, outside);       \
    EXPECT_PIXEL(r_.right, r_.bottom - 1, outside);   \
    EXPECT_PIXEL(r_.right - 1, r_.bottom, outside);   \
  } while (false)

PageImage RgbaPage(int32_t width, int32_t height, std::initializer_list<Color> texels) {
  PageImage page{width, height, 4, {}};
  for (Color c : texels) {
    page.pixels.insert(page.pixels.end(),
                       {ColorRed(c), ColorGreen(c), ColorBlue(c), ColorAlpha(c)});
  }
  return page;
}

TexturedQuad WholePage(float x0, float y0, float x1, float y1) {
  return {x0, y0, x1, y1, {0, 1, 1, 0}, {0, 0, 1, 1}};
}

// Every check starts from a fresh frame on a known background.
class GlCheck : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(g_painter, nullptr);
    SetNonPowerOfTwoOverride(false);
    painter().BeginFrame(g_screen);
    painter().FillScreenRect({0, 0, g_screen.width, g_screen.height}, kBackground);
    glClear(GL_DEPTH_BUFFER_BIT);
  }
  void TearDown() override {
    painter().EndFrame();
    SetNonPowerOfTwoOverride(false);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
  static GlPainter& painter() { return *g_painter; }
};

// --- Filling, window origin and clipping ---

using WindowArea = GlCheck;

TEST_F(WindowArea, FillUsesWindowCoordinatesFromItsTopLeft) {
  const Rect area = {50, 40, 150, 120};
  ASSERT_TRUE(painter().BeginWindow(area, area, false));
  painter().SetColor(kRed);
  painter().FillRect({0, 0, 10, 10});
  painter().SetColor(kGreen);
  painter().FillRect({area.Width() - 5, area.Height() - 5, area.Width(), area.Height()});
  painter().EndWindow();
  EXPECT_FILLED_EXACTLY((Rect{50, 40, 60, 50}), kRed, kBackground);
  // The far corner lands at the area's far corner: y is measured downwards.
  EXPECT_PIXEL(149, 119, kGreen);
  EXPECT_PIXEL(145, 115, kGreen);
  EXPECT_PIXEL(144, 114, kBackground);
}

TEST_F(WindowArea, BeginWindowStartsWithWhite) {
  painter().SetColor(kRed);
  const Rect area = {10, 10, 30, 30};
  ASSERT_TRUE(painter().BeginWindow(area, area, false));
  EXPECT_EQ(painter().CurrentColor(), kWhite);
  painter().FillRect({0, 0, 5, 5});
  painter().EndWindow();
  EXPECT_PIXEL(12, 12, kWhite);
}

TEST_F(WindowArea, DrawingStaysInsideTheVisiblePart) {
  const Rect area = {50, 40, 150, 120};
  const Rect visible = {50, 40, 100, 80};
  ASSERT_TRUE(painter().BeginWindow(area, visible, false));
  painter().SetColor(kBlue);
  painter().FillRect({-20, -20, 200, 200});
  painter().EndWindow();
  EXPECT_FILLED_EXACTLY((Rect{50, 40, 100, 80}), kBlue, kBackground);
  EXPECT_PIXEL(140, 110, kBackground);
}

TEST_F(WindowArea, NothingToDrawWhenEmptyOrOutsideTheClip) {
  EXPECT_FALSE(painter().BeginWindow({50, 40, 50, 120}, {50, 40, 50, 120}, false));
  painter().SetClip({0, 0, 20, 20});
  EXPECT_FALSE(painter().BeginWindow({50, 40, 150, 120}, {50, 40, 150, 120}, false));
  // A refused window leaves nothing to end: the frame still draws in screen coordinates.
  painter().SetClip({0, 0, g_screen.width, g_screen.height});
  painter().FillScreenRect({5, 5, 6, 6}, kRed);
  EXPECT_PIXEL(5, 5, kRed);
}

TEST_F(WindowArea, EndWindowRestoresScreenCoordinatesAndTheFrameClip) {
  painter().SetClip({60, 50, 70, 60});
  const Rect area = {50, 40, 150, 120};
  ASSERT_TRUE(painter().BeginWindow(area, area, false));
  painter().SetColor(kRed);
  painter().FillRect({0, 0, area.Width(), area.Height()});
  painter().EndWindow();
  EXPECT_PIXEL(60, 50, kRed);
  EXPECT_PIXEL(69, 59, kRed);
  EXPECT_PIXEL(70, 59, kBackground);
  EXPECT_PIXEL(59, 50, kBackground);
  EXPECT_PIXEL(55, 45, kBackground);

  painter().FillScreenRect({0, 0, g_screen.width, g_screen.height}, kGreen);
  EXPECT_PIXEL(60, 50, kGreen);
  EXPECT_PIXEL(70, 60, kBackground);
  EXPECT_PIXEL(0, 0, kBackground);
}

TEST_F(WindowArea, ThreeDimensionalWindowsSeeFortyFiveDegreesWithDepth) {
  const Rect area = {40, 20, 200, 140};  // 160 by 120
  ASSERT_TRUE(painter().BeginWindow(area, area, true));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  GLboolean depth_writes = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depth_writes);
  EXPECT_TRUE(depth_writes);
  // At distance 1 the view spans tan(22.5 degrees) up and that times the aspect ratio across;
  // half of that each way covers a quarter of the window's width and height from the middle.
  const float top = std::tan(22.5f * 3.14159265f / 180.0f);
  const float right = top * 160.0f / 120.0f;
  painter().SetColor(kYellow);
  glBegin(GL_QUADS);
  glVertex3f(0, 0, -1);
  glVertex3f(right / 2, 0, -1);
  glVertex3f(right / 2, top / 2, -1);
  glVertex3f(0, top / 2, -1);
  glEnd();
  // Behind the first quad, filling the whole view at its distance: the depth test keeps the
  // first one in front.
  painter().SetColor(kCyan);
  glBegin(GL_QUADS);
  glVertex3f(-2 * right, -2 * top, -2);
  glVertex3f(2 * right, -2 * top, -2);
  glVertex3f(2 * right, 2 * top, -2);
  glVertex3f(-2 * right, 2 * top, -2);
  glEnd();
  painter().EndWindow();
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  // The window's middle is (120, 80); the quad reaches 40 pixels right and 30 up.
  EXPECT_PIXEL(122, 78, kYellow);
  EXPECT_PIXEL(157, 52, kYellow);
  EXPECT_PIXEL(163, 78, kCyan);
  EXPECT_PIXEL(122, 47, kCyan);
  EXPECT_PIXEL(117, 78, kCyan);
  EXPECT_PIXEL(122, 83, kCyan);
  EXPECT_PIXEL(41, 21, kCyan);
  EXPECT_PIXEL(198, 138, kCyan);
  EXPECT_PIXEL(39, 80, kBackground);
  EXPECT_PIXEL(200, 80, kBackground);
}

using FrameClip = GlCheck;

TEST_F(FrameClip, SetClipLimitsLaterDrawing) {
  painter().SetClip({10, 10, 30, 20});
  painter().FillScreenRect({0, 0, g_screen.width, g_screen.height}, kGreen);
  EXPECT_PIXEL(10, 10, kGreen);
  EXPECT_PIXEL(29, 19, kGreen);
  EXPECT_PIXEL(9, 10, kBackground);
  EXPECT_PIXEL(30, 19, kBackground);
  EXPECT_PIXEL(10, 9, kBackground);
  EXPECT_PIXEL(10, 20, kBackground);
  // Still in force for the next call.
  painter().SetColor(kRed);
  painter().FillRect({0, 0, g_screen.width, g_screen.height});
  EXPECT_PIXEL(15, 15, kRed);
  EXPECT_PIXEL(35, 15, kBackground);
}

TEST_F(FrameClip, OutlineIgnoresTheClipAndDrawsOnePixelEdges) {
  painter().SetClip({0, 0, 1, 1});
  painter().OutlineScreenRect({100, 100, 110, 108}, kMagenta);
  for (const auto& [x, y] : std::array<std::array<int32_t, 2>, 8>{{{100, 100},
                                                                   {109, 100},
                                                                   {100, 107},
                                                                   {109, 107},
                                                                   {105, 100},
                                                                   {105, 107},
                                                                   {100, 104},
                                                                   {109, 104}}}) {
    EXPECT_PIXEL(x, y, kMagenta);
  }
  EXPECT_PIXEL(101, 101, kBackground);
  EXPECT_PIXEL(105, 104, kBackground);
  EXPECT_PIXEL(110, 100, kBackground);
  EXPECT_PIXEL(100, 108, kBackground);
  EXPECT_PIXEL(99, 100, kBackground);
  // The clip is back afterwards.
  painter().FillScreenRect({0, 0, g_screen.width, g_screen.height}, kRed);
  EXPECT_PIXEL(0, 0, kRed);
  EXPECT_PIXEL(105, 104, kBackground);
}

// --- Texture pages ---

using PageDrawing = GlCheck;

// Top row red, green; bottom row blue, white.
const PageImage& FourTexelPage() {
  static const PageImage page = RgbaPage(2, 2, {kRed, kGreen, kBlue, kWhite});
  return page;
}

TEST_F(PageDrawing, RgbaPageShowsItsTexelsInPlace) {
  painter().UploadPages(PageSet::kSkin, {&FourTexelPage(), 1});
  const TexturedQuad quad = WholePage(100, 100, 140, 140);
  painter().DrawQuads(PageSet::kSkin, 0, {&quad, 1});
  EXPECT_PIXEL(100, 100, kRed);
  EXPECT_PIXEL(119, 119, kRed);
  EXPECT_PIXEL(120, 100, kGreen);
  EXPECT_PIXEL(139, 119, kGreen);
  EXPECT_PIXEL(100, 120, kBlue);
  EXPECT_PIXEL(139, 139, kWhite);
  EXPECT_PIXEL(140, 139, kBackground);
  EXPECT_PIXEL(139, 140, kBackground);
  // Untextured drawing afterwards is not affected by the page.
  painter().SetColor(kYellow);
  painter().FillRect({0, 0, 4, 4});
  EXPECT_PIXEL(1, 1, kYellow);
}

// The scratch texture: a region replaced in place, drawn through its texture coordinates.
TEST_F(PageDrawing, ScratchRegionsShowWhatWasUploadedThere) {
  constexpr float kSide = Painter::kScratchSize;
  // Two 2 x 2 pictures side by side in the texture, at (10, 20) and (12, 20).
  const std::vector<Color> first = {kRed, kGreen, kBlue, kWhite};
  const std::vector<Color> second = {kYellow, kCyan, kMagenta, kBlack};
  std::vector<uint8_t> bytes;
  for (Color c : first)
    bytes.insert(bytes.end(), {ColorRed(c), ColorGreen(c), ColorBlue(c), ColorAlpha(c)});
  painter().UploadScratch({10, 20, 12, 22}, bytes);
  bytes.clear();
  for (Color c : second)
    bytes.insert(bytes.end(), {ColorRed(c), ColorGreen(c), ColorBlue(c), ColorAlpha(c)});
  painter().UploadScratch({12, 20, 14, 22}, bytes);
  auto quad_of = [&](float left, float u0) {
    return TexturedQuad{left,
                        100,
                        left + 40,
                        140,
                        {u0 / kSide, (u0 + 2) / kSide, (u0 + 2) / kSide, u0 / kSide},
                        {20 / kSide, 20 / kSide, 22 / kSide, 22 / kSide}};
  };
  const TexturedQuad quads[] = {quad_of(100, 10), quad_of(200, 12)};
  painter().DrawScratchQuads(quads);
  // Nearest filtering: each texel fills a sharp quarter.
  EXPECT_PIXEL(100, 100, kRed);
  EXPECT_PIXEL(139, 100, kGreen);
  EXPECT_PIXEL(100, 139, kBlue);
  EXPECT_PIXEL(139, 139, kWhite);
  EXPECT_PIXEL(200, 100, kYellow);
  EXPECT_PIXEL(239, 139, kBlack);
  // A region off the texture changes nothing.
  painter().UploadScratch({511, 0, 513, 2}, bytes);
  painter().DrawScratchQuads({&quads[0], 1});
  EXPECT_PIXEL(100, 100, kRed);
}

TEST_F(PageDrawing, TurnedCornerCoordinatesTurnTheImage) {
  painter().UploadPages(PageSet::kSkin, {&FourTexelPage(), 1});
  // A quarter turn clockwise: the top left corner shows what was at the bottom left.
  const TexturedQuad quad = {100, 100, 140, 140, {0, 0, 1, 1}, {1, 0, 0, 1}};
  painter().DrawQuads(PageSet::kSkin, 0, {&quad, 1});
  EXPECT_PIXEL(105, 105, kBlue);
  EXPECT_PIXEL(135, 105, kRed);
  EXPECT_PIXEL(135, 135, kGreen);
  EXPECT_PIXEL(105, 135, kWhite);
}

TEST_F(PageDrawing, QuadsInAWindowAreRelativeToIt) {
  painter().UploadPages(PageSet::kSkin, {&FourTexelPage(), 1});
  const Rect area = {60, 30, 160, 130};
  ASSERT_TRUE(painter().BeginWindow(area, area, false));
  const std::array<TexturedQuad, 2> quads = {WholePage(0, 0, 20, 20), WholePage(50, 50, 52, 52)};
  painter().DrawQuads(PageSet::kSkin, 0, quads);
  painter().EndWindow();
  EXPECT_PIXEL(60, 30, kRed);
  EXPECT_PIXEL(79, 49, kWhite);
  EXPECT_PIXEL(110, 80, kRed);
  EXPECT_PIXEL(111, 80, kGreen);
  EXPECT_PIXEL(111, 81, kWhite);
}

TEST_F(PageDrawing, ColourTintsRgbaPages) {
  painter().UploadPages(PageSet::kSkin, {&FourTexelPage(), 1});
  painter().SetColor(MakeColor(255, 0, 255));
  const TexturedQuad quad = WholePage(100, 100, 140, 140);
  painter().DrawQuads(PageSet::kSkin, 0, {&quad, 1});
  EXPECT_PIXEL(130, 130, kMagenta);
  EXPECT_PIXEL(110, 110, kRed);
  EXPECT_PIXEL(130, 110, kBlack);
}

TEST_F(PageDrawing, AlphaPageIsTintedByTheCurrentColour) {
  // Left column opaque, right column clear; linear filtering blends only in the middle.
  const PageImage page = {2, 2, 1, {255, 0, 255, 0}};
  const PageImage half = {2, 2, 1, {128, 128, 128, 128}};
  const std::array<PageImage, 2> pages = {page, half};
  painter().UploadPages(PageSet::kFont, pages);
  painter().SetColor(kYellow);
  const TexturedQuad quad = WholePage(100, 100, 140, 120);
  painter().DrawQuads(PageSet::kFont, 0, {&quad, 1});
  EXPECT_PIXEL(100, 100, kYellow);
  EXPECT_PIXEL(108, 119, kYellow);
  EXPECT_PIXEL(139, 110, kBackground);
  EXPECT_PIXEL(131, 100, kBackground);

  painter().SetColor(kWhite);
  const TexturedQuad second = WholePage(10, 10, 20, 20);
  painter().DrawQuads(PageSet::kFont, 1, {&second, 1});
  // Half of white over the background of 40.
  EXPECT_PIXEL_NEAR(15, 15, MakeColor(148, 148, 148), 2);
}

TEST_F(PageDrawing, SkinPagesAreSharpFontPagesSmoothBothClamped) {
  painter().UploadPages(PageSet::kSkin, {&FourTexelPage(), 1});
  painter().UploadPages(PageSet::kFont, {&FourTexelPage(), 1});
  const auto parameter = [](uint32_t texture, GLenum name) {
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
  };
  const uint32_t skin = painter().PageTexture(PageSet::kSkin, 0);
  const uint32_t font = painter().PageTexture(PageSet::kFont, 0);
  ASSERT_NE(skin, 0u);
  ASSERT_NE(font, 0u);
  EXPECT_EQ(parameter(skin, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  EXPECT_EQ(parameter(skin, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
  EXPECT_EQ(parameter(font, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
  EXPECT_EQ(parameter(font, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  for (uint32_t texture : {skin, font}) {
    EXPECT_EQ(parameter(texture, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(parameter(texture, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
  }
}

TEST_F(PageDrawing, UploadReplacesTheWholeSet) {
  const std::array<PageImage, 2> two = {FourTexelPage(), FourTexelPage()};
  painter().UploadPages(PageSet::kSkin, two);
  const uint32_t first = painter().PageTexture(PageSet::kSkin, 0);
  const uint32_t second = painter().PageTexture(PageSet::kSkin, 1);
  ASSERT_TRUE(glIsTexture(first));
  ASSERT_TRUE(glIsTexture(second));
  const PageImage green = RgbaPage(1, 1, {kGreen});
  painter().UploadPages(PageSet::kSkin, {&green, 1});
  EXPECT_EQ(painter().PageTexture(PageSet::kSkin, 1), 0u);
  const uint32_t now = painter().PageTexture(PageSet::kSkin, 0);
  // GL may hand a freed name out again; any name not in use now must be gone.
  EXPECT_TRUE(now == first || !glIsTexture(first));
  EXPECT_TRUE(now == second || !glIsTexture(second));
  const TexturedQuad quad = WholePage(0, 0, 8, 8);
  painter().DrawQuads(PageSet::kSkin, 0, {&quad, 1});
  EXPECT_PIXEL(4, 4, kGreen);
  // Pages that no longer exist draw nothing.
  const TexturedQuad elsewhere = WholePage(20, 0, 28, 8);
  painter().DrawQuads(PageSet::kSkin, 1, {&elsewhere, 1});
  painter().DrawQuads(PageSet::kSkin, -1, {&elsewhere, 1});
  EXPECT_PIXEL(24, 4, kBackground);
}

// --- Single textures ---

using TextureObject = GlCheck;

// Top row red, green, blue; bottom row yellow, cyan, magenta.
const std::vector<uint8_t>& SixTexels() {
  static const std::vector<uint8_t> pixels = {255, 0,   0, 255, 0, 255, 0,   255, 0,   0, 255, 255,
                                              255, 255, 0, 255, 0, 255, 255, 255, 255, 0, 255, 255};
  return pixels;
}

TEST_F(TextureObject, WholeImageAtItsOwnSize) {
  GlTexture texture;
  texture.Create(SixTexels().data(), TextureFormat::kRgba, 3, 2, false, false);
  ASSERT_NE(texture.name(), 0u);
  EXPECT_TRUE(texture.owned());
  texture.Draw(0, 10, 10, 0, 0);
  EXPECT_PIXEL(10, 10, kRed);
  EXPECT_PIXEL(11, 10, kGreen);
  EXPECT_PIXEL(12, 10, kBlue);
  EXPECT_PIXEL(10, 11, kYellow);
  EXPECT_PIXEL(11, 11, kCyan);
  EXPECT_PIXEL(12, 11, kMagenta);
  EXPECT_PIXEL(13, 10, kBackground);
  EXPECT_PIXEL(10, 12, kBackground);
}

TEST_F(TextureObject, MirrorFlagsTwoAcrossOneUpsideDown) {
  GlTexture texture;
  texture.Create(SixTexels().data(), TextureFormat::kRgba, 3, 2, false, false);
  texture.Draw(kMirrorHorizontal, 10, 10, 0, 0);
  texture.Draw(kMirrorVertical, 20, 10, 0, 0);
  texture.Draw(kMirrorHorizontal | kMirrorVertical, 30, 10, 0, 0);
  EXPECT_PIXEL(10, 10, kBlue);
  EXPECT_PIXEL(12, 11, kYellow);
  EXPECT_PIXEL(20, 10, kYellow);
  EXPECT_PIXEL(22, 11, kBlue);
  EXPECT_PIXEL(30, 10, kMagenta);
  EXPECT_PIXEL(32, 11, kRed);
}

TEST_F(TextureObject, SourceRectanglePicksPartOfTheImage) {
  GlTexture texture;
  texture.Create(SixTexels().data(), TextureFormat::kRgba, 3, 2, false, false);
  texture.Draw(0, 10, 10, 2, 1, 1, 1, 2, 1);
  EXPECT_PIXEL(10, 10, kCyan);
  EXPECT_PIXEL(11, 10, kMagenta);
  EXPECT_PIXEL(12, 10, kBackground);
  // A source of no width means the whole image, whatever its origin.
  texture.Draw(0, 20, 10, 0, 0, 2, 1, 0, 5);
  EXPECT_PIXEL(20, 10, kRed);
  EXPECT_PIXEL(22, 11, kMagenta);
}

TEST_F(TextureObject, BgraAndAlphaFormats) {
  const uint8_t bgra[] = {255, 0, 0, 255, 0, 0, 255, 255};  // blue, red
  GlTexture colour;
  colour.Create(bgra, TextureFormat::kBgra, 2, 1, false, false);
  colour.Draw(0, 10, 10, 0, 0);
  EXPECT_PIXEL(10, 10, kBlue);
  EXPECT_PIXEL(11, 10, kRed);

  const uint8_t alpha[] = {255, 0};
  GlTexture mask;
  mask.Create(alpha, TextureFormat::kAlpha, 2, 1, false, false);
  GLint internal_format = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal_format);
  EXPECT_EQ(internal_format, GL_ALPHA8);
  painter().SetColor(kGreen);
  mask.Draw(0, 20, 10, 0, 0);
  EXPECT_PIXEL(20, 10, kGreen);
  EXPECT_PIXEL(21, 10, kBackground);
}

TEST_F(TextureObject, UnpackSettingsAreRestored) {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  GlTexture texture;
  // Three RGB texels a row: 9 bytes, which only a packing of 1 reads correctly.
  const uint8_t rgb[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 255, 0, 255, 0, 255, 0, 0};
  texture.Create(rgb, TextureFormat::kRgb, 3, 2, false, false);
  GLint alignment = 0;
  GLint row_length = -1;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  glGetIntegerv(GL_UNPACK_ROW_LENGTH, &row_length);
  EXPECT_EQ(alignment, 8);
  EXPECT_EQ(row_length, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  texture.Draw(0, 10, 10, 0, 0);
  EXPECT_PIXEL(10, 11, kBlue);
  EXPECT_PIXEL(12, 11, kRed);
}

TEST_F(TextureObject, FilteringMipmapsAndAnisotropy) {
  GlTexture texture;
  texture.Create(SixTexels().data(), TextureFormat::kRgba, 4, 1, true, true);
  GLint min_filter = 0;
  GLint generate = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min_filter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, &generate);
  EXPECT_EQ(min_filter, GL_LINEAR_MIPMAP_LINEAR);
  EXPECT_EQ(generate, GL_TRUE);
  GLint wrap_s = 0;
  GLint wrap_t = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap_s);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap_t);
  EXPECT_EQ(wrap_s, GL_CLAMP_TO_EDGE);
  EXPECT_EQ(wrap_t, GL_CLAMP_TO_EDGE);
  if (HasAnisotropic()) {
    GLfloat max = 0;
    GLfloat set = 0;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &max);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &set);
    EXPECT_EQ(set, max);
  }
  GlTexture plain;
  plain.Create(SixTexels().data(), TextureFormat::kRgba, 4, 1, false, false);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min_filter);
  EXPECT_EQ(min_filter, GL_LINEAR);
  GLfloat anisotropy = 0;
  if (HasAnisotropic()) {
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
    EXPECT_EQ(anisotropy, 1.0f);
  }
}

TEST_F(TextureObject, WithoutNonPowerOfTwoAnEmptyTextureIsEnlarged) {
  ASSERT_TRUE(HasNonPowerOfTwo()) << "the check expects a driver with the extension";
  SetNonPowerOfTwoOverride(true);
  ASSERT_FALSE(HasNonPowerOfTwo());
  GlTexture texture;
  texture.Create(nullptr, TextureFormat::kRgba, 3, 2, false, false);
  GLint width = 0;
  GLint height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  EXPECT_EQ(width, 4);
  EXPECT_EQ(height, 2);
  EXPECT_EQ(texture.width(), 3u);
  EXPECT_EQ(texture.height(), 2u);
  // Filled afterwards in part; drawing maps only the image's own texels.
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 3, 2, GL_RGBA, GL_UNSIGNED_BYTE, SixTexels().data());
  texture.Draw(0, 10, 10, 0, 0);
  EXPECT_PIXEL(10, 10, kRed);
  EXPECT_PIXEL(12, 10, kBlue);
  EXPECT_PIXEL(12, 11, kMagenta);
  EXPECT_PIXEL(13, 10, kBackground);
}

TEST_F(TextureObject, WithoutNonPowerOfTwoPixelsAreScaledIntoMipmaps) {
  SetNonPowerOfTwoOverride(true);
  GlTexture texture;
  texture.Create(SixTexels().data(), TextureFormat::kRgba, 3, 2, false, false);
  GLint width = 0;
  GLint height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  EXPECT_EQ(width, 4);
  EXPECT_EQ(height, 2);
  GLint level1 = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &level1);
  EXPECT_EQ(level1, 2);
  // Stretched from three texels to four a row, the outer ones keep the image's edge colours
  // and both rows keep theirs (the GLU scaler of Mesa leaves the last row empty here).
  std::vector<uint8_t> level0(4 * 2 * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, level0.data());
  EXPECT_EQ(std::vector<uint8_t>(level0.begin(), level0.begin() + 4),
            (std::vector<uint8_t>{255, 0, 0, 255}));
  EXPECT_EQ(std::vector<uint8_t>(level0.begin() + 12, level0.begin() + 16),
            (std::vector<uint8_t>{0, 0, 255, 255}));
  EXPECT_EQ(std::vector<uint8_t>(level0.begin() + 16, level0.begin() + 20),
            (std::vector<uint8_t>{255, 255, 0, 255}));
  EXPECT_EQ(std::vector<uint8_t>(level0.begin() + 28, level0.begin() + 32),
            (std::vector<uint8_t>{255, 0, 255, 255}));
  // The scaled image fills level 0, so the whole of it shows: the outer texels are pure.
  // Twenty pixels a texel; near the outer texels' centres filtering mixes in little.
  texture.Draw(0, 100, 100, 80, 40);
  EXPECT_PIXEL_NEAR(110, 110, kRed, 12);
  EXPECT_PIXEL_NEAR(170, 110, kBlue, 12);
  EXPECT_PIXEL_NEAR(110, 130, kYellow, 12);
  EXPECT_PIXEL_NEAR(170, 130, kMagenta, 12);
}

TEST_F(TextureObject, AdoptedTexturesAreDeletedOnlyWhenOwned) {
  GLuint names[2] = {0, 0};
  glGenTextures(2, names);
  for (GLuint name : names) {
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  }
  {
    GlTexture borrowed;
    borrowed.Adopt(names[0], 1, 1, false);
    EXPECT_EQ(borrowed.name(), names[0]);
    EXPECT_FALSE(borrowed.owned());
  }
  EXPECT_TRUE(glIsTexture(names[0]));
  {
    GlTexture owner;
    owner.Adopt(names[1], 1, 1, true);
    GlTexture moved = std::move(owner);
    EXPECT_EQ(owner.name(), 0u);
    EXPECT_EQ(moved.name(), names[1]);
    EXPECT_TRUE(glIsTexture(names[1]));
    // Adopting again gives up (and deletes) the owned one.
    moved.Adopt(names[0], 1, 1, false);
    EXPECT_FALSE(glIsTexture(names[1]));
  }
  EXPECT_TRUE(glIsTexture(names[0]));
  glDeleteTextures(1, &names[0]);
}

TEST_F(TextureObject, CreateReplacesAnOwnedTexture) {
  GlTexture texture;
  texture.Create(SixTexels().data(), TextureFormat::kRgba, 3, 2, false, false);
  const uint32_t old = texture.name();
  texture.Create(SixTexels().data(), TextureFormat::kRgba, 2, 1, false, false);
  EXPECT_TRUE(texture.name() == old || !glIsTexture(old));
  EXPECT_EQ(texture.width(), 2u);
  texture.Delete();
  EXPECT_EQ(texture.name(), 0u);
}

// --- Reading pixels ---

using ReadBack = GlCheck;

TEST_F(ReadBack, RowsComeTopFirst) {
  painter().FillScreenRect({0, 0, 3, 1}, kRed);
  painter().FillScreenRect({0, 1, 3, 2}, kGreen);
  painter().FillScreenRect({2, 0, 3, 2}, kBlue);
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(painter().ReadPixels({0, 0, 3, 2}, rgb));
  const std::vector<uint8_t> expected = {255, 0,   0, 255, 0,   0, 0, 0, 255,
                                         0,   255, 0, 0,   255, 0, 0, 0, 255};
  EXPECT_EQ(rgb, expected);
}

TEST_F(ReadBack, RectanglesOutsideTheScreenAreRefused) {
  std::vector<uint8_t> rgb;
  EXPECT_FALSE(painter().ReadPixels({-1, 0, 2, 2}, rgb));
  EXPECT_FALSE(painter().ReadPixels({0, 0, g_screen.width + 1, 2}, rgb));
  EXPECT_FALSE(painter().ReadPixels({5, 5, 5, 9}, rgb));
  EXPECT_TRUE(painter().ReadPixels(
      {g_screen.width - 1, g_screen.height - 1, g_screen.width, g_screen.height}, rgb));
}

// --- Start-up and presenting ---

using Presenting = GlCheck;

TEST_F(Presenting, InitGlClearsToBlackAndFindsTheEntryPoints) {
  InitGL();
  EXPECT_PIXEL(0, 0, kBlack);
  EXPECT_PIXEL(g_screen.width - 1, g_screen.height - 1, kBlack);
  GLfloat clear[4] = {1, 1, 1, 0};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(clear[0], 0.0f);
  EXPECT_EQ(clear[1], 0.0f);
  EXPECT_EQ(clear[2], 0.0f);
  EXPECT_EQ(clear[3], 1.0f);
  EXPECT_NE(GlMultiTexCoord2f(), nullptr);
  EXPECT_NE(GlActiveTexture(), nullptr);
  std::printf("non-power-of-two textures: %s, anisotropic filtering: %s\n",
              HasNonPowerOfTwo() ? "yes" : "no", HasAnisotropic() ? "yes" : "no");
}

TEST_F(Presenting, SwapCountIsOneToThree) {
  const int32_t count = GlPresenter::CountSwapBuffers(g_window);
  std::printf("swap-buffer count: %d\n", count);
  EXPECT_GE(count, 1);
  EXPECT_LE(count, 3);
}

// Partial redraws draw over the last frame: after presenting, the back buffer must still
// hold it, whichever way this driver gets there.
TEST_F(Presenting, BackBufferHoldsTheLastFrameAfterPresenting) {
  const int32_t count = GlPresenter::CountSwapBuffers(g_window);
  painter().BeginFrame(g_screen);
  painter().FillScreenRect({0, 0, g_screen.width, g_screen.height}, kBlue);
  painter().FillScreenRect({20, 30, 60, 50}, kYellow);
  // A clip and blending left on by the frame must not spoil the copy.
  painter().SetClip({0, 0, 1, 1});
  GlPresenter::Present(g_window, count);
  EXPECT_PIXEL(g_screen.width / 2, g_screen.height / 2, kBlue);
  EXPECT_PIXEL(20, 30, kYellow);
  EXPECT_PIXEL(59, 49, kYellow);
  EXPECT_PIXEL(60, 49, kBlue);
  EXPECT_PIXEL(g_screen.width - 1, g_screen.height - 1, kBlue);
}

// Exercises the copy whatever the driver's count, where the front buffer can be read.
TEST_F(Presenting, CopyPathRestoresTheFrameJustShown) {
  const char* front_readable = std::getenv("ZARV_GLCHECK_FRONT_READABLE");
  if (front_readable == nullptr || std::string_view(front_readable) != "1") {
    GTEST_SKIP() << "this driver's front buffer cannot be read (set "
                    "ZARV_GLCHECK_FRONT_READABLE where it can)";
  }
  painter().FillScreenRect({0, 0, g_screen.width, g_screen.height}, kMagenta);
  painter().FillScreenRect({0, 0, 10, 10}, kGreen);
  GlPresenter::Present(g_window, 2);
  EXPECT_PIXEL(g_screen.width / 2, g_screen.height / 2, kMagenta);
  EXPECT_PIXEL(0, 0, kGreen);
  EXPECT_PIXEL(9, 9, kGreen);
  EXPECT_PIXEL(10, 10, kMagenta);
  GLint draw_buffer = 0;
  GLint read_buffer = 0;
  glGetIntegerv(GL_DRAW_BUFFER, &draw_buffer);
  glGetIntegerv(GL_READ_BUFFER, &read_buffer);
  EXPECT_EQ(draw_buffer, GL_BACK);
  EXPECT_EQ(read_buffer, GL_BACK);
  EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
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
  GLFWwindow* window = glfwCreateWindow(320, 240, "Zarv GL check", nullptr, nullptr);
  if (window == nullptr) {
    std::fprintf(stderr, "FAIL: could not open a GL window\n");
    glfwTerminate();
    return 1;
  }
  glfwMakeContextCurrent(window);
  glfwSwapInterval(0);
  glfwGetFramebufferSize(window, &g_screen.width, &g_screen.height);
  std::printf("renderer: %s, version: %s, framebuffer %dx%d\n",
              reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
              reinterpret_cast<const char*>(glGetString(GL_VERSION)), g_screen.width,
              g_screen.height);
  InitGL();
  int result = 0;
  {
    GlPainter painter;
    g_window = window;
    g_painter = &painter;
    result = RUN_ALL_TESTS();
    g_painter = nullptr;
  }
  glfwDestroyWindow(window);
  glfwTerminate();
  return result;
}
