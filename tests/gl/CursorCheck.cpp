// Checks that the cursor a window shows is the program's picture from res/cursors, as the X
// server reports it (XFixes), for every shape GLFW has no standard cursor for; and that the
// window icon is the pack's icon. Runs under a virtual X server.
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "gl/GlfwPlatform.h"
#include "gui/CursorPack.h"
#include "tests/gl/X11Probe.h"

namespace {

GLFWwindow* g_window = nullptr;
std::string g_res;

class CursorCheck : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(CursorPack::Load(g_res + "/cursors", pictures_, error)) << error;
    platform_ = std::make_unique<GlfwPlatform>(g_window);
    platform_->UsePictures(pictures_);
    // The server reports the cursor under the pointer: put the pointer inside the window.
    WarpPointerInto(g_window, 50, 50);
  }
  void TearDown() override { platform_.reset(); }

  const CursorPicture* Picture(uint16_t id) const {
    for (const CursorPicture& p : pictures_) {
      if (p.id == id) return &p;
    }
    return nullptr;
  }

  // The shown cursor against the picture: size, hot spot, and every pixel (the server holds
  // them premultiplied by alpha).
  testing::AssertionResult Shows(int32_t cursor, uint16_t picture_id) {
    const CursorPicture* want = Picture(picture_id);
    if (!want) return testing::AssertionFailure() << "no picture " << picture_id;
    platform_->SetCursorShape(cursor);
    glfwPollEvents();
    ShownCursor got;
    if (!ReadShownCursor(got)) return testing::AssertionFailure() << "no cursor image";
    testing::AssertionResult result = testing::AssertionSuccess();
    if (got.width != want->width || got.height != want->height || got.hot_x != want->hot_x ||
        got.hot_y != want->hot_y) {
      result = testing::AssertionFailure()
               << "cursor " << cursor << " is " << got.width << "x" << got.height << " hot "
               << got.hot_x << "," << got.hot_y << "; the picture is " << want->width << "x"
               << want->height << " hot " << want->hot_x << "," << want->hot_y;
    } else {
      for (size_t i = 0; i < size_t{want->width} * want->height; ++i) {
        const uint32_t argb = got.argb[i];
        const uint8_t* rgba = &want->rgba[i * 4];
        const int a = rgba[3];
        const int expected[4] = {a, rgba[0] * a / 255, rgba[1] * a / 255, rgba[2] * a / 255};
        const int actual[4] = {static_cast<int>(argb >> 24), static_cast<int>((argb >> 16) & 255),
                               static_cast<int>((argb >> 8) & 255), static_cast<int>(argb & 255)};
        for (int c = 0; c < 4; ++c) {
          if (std::abs(expected[c] - actual[c]) > 1) {
            result = testing::AssertionFailure()
                     << "cursor " << cursor << ": pixel " << i << " channel " << c << " is "
                     << actual[c] << ", the picture has " << expected[c];
            c = 4;
            i = size_t{want->width} * want->height;
          }
        }
      }
    }
    return result;
  }

  std::vector<CursorPicture> pictures_;
  std::unique_ptr<GlfwPlatform> platform_;
};

TEST_F(CursorCheck, ShapesWithoutAStandardCursorShowTheirPictures) {
  EXPECT_TRUE(Shows(Cursor::SizeDiagonalDown, Cursor::SizeDiagonalDown));
  EXPECT_TRUE(Shows(Cursor::SizeDiagonalUp, Cursor::SizeDiagonalUp));
  EXPECT_TRUE(Shows(Cursor::DropAllowed, Cursor::DropAllowed));
  EXPECT_TRUE(Shows(Cursor::DropCopy, Cursor::DropAllowed));
  EXPECT_TRUE(Shows(Cursor::DropRefused, Cursor::DropRefused));
  EXPECT_TRUE(Shows(Cursor::NotAllowed, Cursor::DropRefused));
  EXPECT_TRUE(Shows(Cursor::Move, Cursor::Move));
  EXPECT_TRUE(Shows(Cursor::Brush, Cursor::Brush));
  EXPECT_TRUE(Shows(Cursor::Pick, Cursor::Pick));
}

TEST_F(CursorCheck, StandardShapesAndUnknownIdsAreNotThePictures) {
  // The arrow after a picture, and an id out of range, both give the standard arrow: not a
  // picture of the pack.
  for (int32_t cursor : {Cursor::Arrow, int32_t{99}, int32_t{-1}}) {
    platform_->SetCursorShape(Cursor::Move);
    platform_->SetCursorShape(cursor);
    glfwPollEvents();
    ShownCursor got;
    ASSERT_TRUE(ReadShownCursor(got));
    const CursorPicture* move = Picture(Cursor::Move);
    EXPECT_FALSE(got.width == move->width && got.height == move->height &&
                 got.hot_x == move->hot_x && got.hot_y == move->hot_y)
        << "cursor " << cursor << " still shows the move picture";
  }
}

TEST_F(CursorCheck, TheWindowIconIsThePacksIcon) {
  const std::vector<uint32_t> words = ReadWindowIcon(g_window);
  const CursorPicture* icon = Picture(CursorPack::kIconId);
  ASSERT_NE(icon, nullptr);
  ASSERT_EQ(words.size(), 2u + size_t{icon->width} * icon->height);
  EXPECT_EQ(words[0], icon->width);
  EXPECT_EQ(words[1], icon->height);
  // The centre of the "Z" is opaque white, the rounded corner transparent.
  const size_t centre = size_t{icon->height} / 2 * icon->width + icon->width / 2;
  EXPECT_EQ(words[2 + centre], 0xFFFFFFFFu);
  EXPECT_EQ(words[2] >> 24, 0u);
}

void PrintGlfwError(int code, const char* text) {
  std::fprintf(stderr, "GLFW error %d: %s\n", code, text ? text : "");
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]).rfind("--res=", 0) == 0) g_res = argv[i] + 6;
  }
  if (g_res.empty()) {
    std::fprintf(stderr, "usage: zarv_cursorcheck --res=FOLDER\n");
    return 2;
  }
  glfwSetErrorCallback(PrintGlfwError);
  if (!glfwInit()) {
    std::fprintf(stderr, "FAIL: glfwInit failed (no display?)\n");
    return 1;
  }
  g_window = glfwCreateWindow(200, 150, "Zarv cursor check", nullptr, nullptr);
  if (!g_window) {
    std::fprintf(stderr, "FAIL: could not open a window\n");
    glfwTerminate();
    return 1;
  }
  glfwPollEvents();
  const int result = RUN_ALL_TESTS();
  glfwDestroyWindow(g_window);
  glfwTerminate();
  return result;
}
