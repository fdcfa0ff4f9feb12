// The editor's platform on a real X server: PollEvents serves the clipboard, and texts cross
// the character map in both directions.

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "gl/GlfwPlatform.h"
#include "tests/gl/ClipboardPeer.h"

namespace {

class GlfwPlatformClipboard : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(glfwInit());
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    window_ = glfwCreateWindow(64, 64, "clipboard", nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    platform_ = std::make_unique<GlfwPlatform>(window_);
  }
  void TearDown() override {
    platform_.reset();
    if (window_) glfwDestroyWindow(window_);
    glfwTerminate();
  }
  GLFWwindow* window_ = nullptr;
  std::unique_ptr<GlfwPlatform> platform_;
};

TEST_F(GlfwPlatformClipboard, PollEventsServesTheProgramsTextAsUtf8) {
  ASSERT_TRUE(platform_->PutClipboardText("Caf\x8E \xDB"));
  EXPECT_EQ(ClipboardPeer::Request("UTF8_STRING", [&] { platform_->PollEvents(); }),
            "Caf\u00E9 \u00A4");
  EXPECT_EQ(ClipboardPeer::Request("STRING", [&] { platform_->PollEvents(); }), "Caf\xE9 \xA4");
}

TEST_F(GlfwPlatformClipboard, PollEventsServesSnapshotsAsBitmaps) {
  const uint8_t rgb[9] = {10, 20, 30, 40, 50, 60, 70, 80, 90};
  ASSERT_TRUE(platform_->PutClipboardImage(rgb, 3, 1));
  const std::string bmp = ClipboardPeer::Request("image/bmp", [&] { platform_->PollEvents(); });
  ASSERT_EQ(bmp.size(), 66u);
  EXPECT_EQ(bmp.substr(54), std::string("\x1E\x14\x0A\x3C\x32\x28\x5A\x50\x46\0\0\0", 12));
}

TEST_F(GlfwPlatformClipboard, TextFromAnotherProgramComesIntoTheEightBitSet) {
  ClipboardPeer owner("UTF8_STRING", "Gr\u00FC\u00DFe \u00A4");
  ASSERT_TRUE(owner.ok());
  std::string text;
  ASSERT_TRUE(platform_->GetClipboardText(text));
  EXPECT_EQ(text,
            "Gr\x9F\xA7"
            "e \xDB");
}

}  // namespace
