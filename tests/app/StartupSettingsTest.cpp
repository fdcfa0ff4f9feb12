#include <gtest/gtest.h>

#include "app/Preferences.h"
#include "app/StartupSettings.h"

namespace {

class StartupSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearPrefs();
    SetPrefDefaults();
  }
  void TearDown() override { ClearPrefs(); }
};

TEST_F(StartupSettingsTest, DefaultsTo1024By768) {
  EXPECT_EQ(ReadStartupSettings().window_size, (Size{1024, 768}));
}

TEST_F(StartupSettingsTest, StoredSizeIsUsedOnlyWhenBothKeysExist) {
  SetPrefInt("OsWindowSizeX", 900);
  EXPECT_EQ(ReadStartupSettings().window_size, (Size{1024, 768}));
  SetPrefInt("OsWindowSizeY", 700);
  EXPECT_EQ(ReadStartupSettings().window_size, (Size{900, 700}));
}

TEST_F(StartupSettingsTest, SizeIsClampedToTheSupportedRange) {
  SetPrefInt("OsWindowSizeX", 300);
  SetPrefInt("OsWindowSizeY", 200);
  EXPECT_EQ(ReadStartupSettings().window_size, (Size{640, 480}));
  SetPrefInt("OsWindowSizeX", 20000);
  SetPrefInt("OsWindowSizeY", -5);
  EXPECT_EQ(ReadStartupSettings().window_size, (Size{16384, 480}));
}

TEST_F(StartupSettingsTest, VsyncFallsBackToOnWithoutTheKey) {
  EXPECT_FALSE(ReadStartupSettings().vsync) << "the default stores 0";
  ClearPrefs();
  EXPECT_TRUE(ReadStartupSettings().vsync);
  SetPrefInt("UseFullscreen", 1);
  EXPECT_TRUE(ReadStartupSettings().fullscreen);
}

TEST_F(StartupSettingsTest, MaximisesWhenAsLargeAsTheWorkArea) {
  EXPECT_FALSE(ShouldMaximize({1024, 768}, {1920, 1050}));
  EXPECT_TRUE(ShouldMaximize({1920, 768}, {1920, 1050}));
  EXPECT_TRUE(ShouldMaximize({1024, 1050}, {1920, 1050}));
  EXPECT_FALSE(ShouldMaximize({1024, 768}, {0, 0})) << "no work area known";
}

}  // namespace
