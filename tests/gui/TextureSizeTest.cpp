#include <gtest/gtest.h>

#include "gl/GlTexture.h"

namespace {

TEST(TextureSize, PowerOfTwoSidesAreNeverDifficult) {
  EXPECT_FALSE(IsDifficultTextureSize(1, 1, false));
  EXPECT_FALSE(IsDifficultTextureSize(128, 64, false));
  EXPECT_FALSE(IsDifficultTextureSize(1024, 2, false));
  EXPECT_FALSE(IsDifficultTextureSize(0x80000000u, 1, false));
}

TEST(TextureSize, AnySideThatIsNotAPowerOfTwoIsDifficultWithoutSupport) {
  EXPECT_TRUE(IsDifficultTextureSize(100, 64, false));
  EXPECT_TRUE(IsDifficultTextureSize(64, 60, false));
  EXPECT_TRUE(IsDifficultTextureSize(3, 3, false));
  EXPECT_TRUE(IsDifficultTextureSize(129, 128, false));
}

// Zero passes the usual n & (n - 1) test; it must still count as not a power of two.
TEST(TextureSize, ZeroSidesAreDifficultWithoutSupport) {
  EXPECT_FALSE(IsPowerOfTwo(0));
  EXPECT_TRUE(IsDifficultTextureSize(0, 64, false));
  EXPECT_TRUE(IsDifficultTextureSize(64, 0, false));
  EXPECT_TRUE(IsDifficultTextureSize(0, 0, false));
}

TEST(TextureSize, NothingIsDifficultWithSupport) {
  EXPECT_FALSE(IsDifficultTextureSize(100, 60, true));
  EXPECT_FALSE(IsDifficultTextureSize(0, 0, true));
  EXPECT_FALSE(IsDifficultTextureSize(3, 1000, true));
}

TEST(TextureSize, NextPowerOfTwoRoundsUpAndKeepsPowers) {
  EXPECT_EQ(NextPowerOfTwo(0), 1u);
  EXPECT_EQ(NextPowerOfTwo(1), 1u);
  EXPECT_EQ(NextPowerOfTwo(2), 2u);
  EXPECT_EQ(NextPowerOfTwo(3), 4u);
  EXPECT_EQ(NextPowerOfTwo(60), 64u);
  EXPECT_EQ(NextPowerOfTwo(64), 64u);
  EXPECT_EQ(NextPowerOfTwo(65), 128u);
  EXPECT_EQ(NextPowerOfTwo(100), 128u);
  EXPECT_EQ(NextPowerOfTwo(0x80000000u), 0x80000000u);
}

TEST(TextureUploadPlan, DifficultSizeWithPixelsGoesThroughTheScalingMipmapBuilder) {
  EXPECT_EQ(PlanTextureUpload(100, 60, true, false),
            (TextureUploadPlan{TextureUploadPath::kScaledMipmaps, 128, 64}));
}

TEST(TextureUploadPlan, DifficultSizeWithoutPixelsAllocatesTheNextPowersOfTwo) {
  EXPECT_EQ(PlanTextureUpload(100, 60, false, false),
            (TextureUploadPlan{TextureUploadPath::kEnlargedEmpty, 128, 64}));
  // Only the side that needs it grows.
  EXPECT_EQ(PlanTextureUpload(64, 33, false, false),
            (TextureUploadPlan{TextureUploadPath::kEnlargedEmpty, 64, 64}));
}

TEST(TextureUploadPlan, WithSupportEverySizeIsUploadedAsItIs) {
  EXPECT_EQ(PlanTextureUpload(100, 60, true, true),
            (TextureUploadPlan{TextureUploadPath::kDirect, 100, 60}));
  EXPECT_EQ(PlanTextureUpload(100, 60, false, true),
            (TextureUploadPlan{TextureUploadPath::kDirect, 100, 60}));
}

TEST(TextureUploadPlan, PowerOfTwoSizesAreUploadedAsTheyAreWithoutSupport) {
  EXPECT_EQ(PlanTextureUpload(256, 16, true, false),
            (TextureUploadPlan{TextureUploadPath::kDirect, 256, 16}));
  EXPECT_EQ(PlanTextureUpload(256, 16, false, false),
            (TextureUploadPlan{TextureUploadPath::kDirect, 256, 16}));
}

// The plan is a compile-time decision too: a table of sizes can be checked without running.
static_assert(PlanTextureUpload(100, 60, false, false).level0_width == 128);
static_assert(PlanTextureUpload(100, 60, false, false).level0_height == 64);

}  // namespace
