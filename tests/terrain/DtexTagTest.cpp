#include <gtest/gtest.h>

#include "support/TagOpsFixture.h"
#include "tags/TagResourceManager.h"
#include "terrain/DtexCodec.h"
#include "terrain/DtexImage.h"
#include "terrain/DtexTag.h"

namespace {

using namespace tagops_test;

constexpr uint32_t kDtex = tagcode::Make("dtex");
constexpr uint32_t kSand = tagcode::Make("sand");

Bytes Pixels(uint32_t width, uint32_t height, uint8_t seed) {
  Bytes rgb(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 7 + seed);
  return rgb;
}

class DtexTagTest : public TagOpsTest {
 protected:
  fs::path TextureFile(const std::string& name) const {
    return root_ / "local" / "detail textures" / name;
  }
  void WriteTexture(const std::string& name, const Bytes& data) {
    Spit(TextureFile(name), LooseBytes({kDtex, kSand, name, data}));
  }
  TagResourceManager<DtexTag> manager_{codex_};
};

TEST_F(DtexTagTest, LoadsTheTexturesPixels) {
  const Bytes rgb = Pixels(8, 4, 1);
  WriteTexture("Sand", DtexData::Write(8, 4, rgb));
  Open();
  DtexTag* tag = manager_.Acquire(kDtex, kSand);
  ASSERT_NE(tag, nullptr) << DtexTag::LastReadError();
  EXPECT_EQ(tag->width(), 8u);
  EXPECT_EQ(tag->height(), 4u);
  EXPECT_EQ(tag->pixels(), rgb);
  EXPECT_STREQ(tag->GetClassName(), "DtexTag");
  manager_.Release(tag);
}

TEST_F(DtexTagTest, AFailedReloadKeepsThePixelsUsersDrawWith) {
  const Bytes rgb = Pixels(4, 4, 2);
  WriteTexture("Sand", DtexData::Write(4, 4, rgb));
  Open();
  DtexTag* tag = manager_.Acquire(kDtex, kSand);
  ASSERT_NE(tag, nullptr);
  const uint64_t revision = tag->revision();
  // The same length, but the payload's sides no longer agree with the header's.
  Bytes bad = DtexData::Write(4, 4, rgb);
  bad[3] = 8;
  WriteTexture("Sand", bad);
  EXPECT_FALSE(tag->Load());
  EXPECT_EQ(tag->width(), 4u);
  EXPECT_EQ(tag->height(), 4u);
  EXPECT_EQ(tag->pixels(), rgb);
  EXPECT_EQ(tag->revision(), revision);
  EXPECT_NE(tag->read_error().find("8 x 4"), std::string::npos) << tag->read_error();
  manager_.Release(tag);
}

TEST_F(DtexTagTest, AnUnreadableTextureIsNeverAcquiredAndSaysWhy) {
  WriteTexture("Sand", Bytes{0, 0, 0, 1});
  Open();
  EXPECT_EQ(manager_.Acquire(kDtex, kSand), nullptr);
  EXPECT_NE(DtexTag::LastReadError().find("shorter than its 16-byte header"), std::string::npos)
      << DtexTag::LastReadError();
  EXPECT_EQ(manager_.size(), 0u);
}

TEST_F(DtexTagTest, ANewTextureIsTheCheckerboardAndTellsItsEntry) {
  Open();
  DtexTag* tag = manager_.Create(kDtex, "Fresh", tagcode::kNone);
  ASSERT_NE(tag, nullptr);
  uint32_t w = 0, h = 0;
  EXPECT_EQ(tag->pixels(), dteximage::Checkerboard(w, h));
  EXPECT_EQ(tag->width(), 256u);
  EXPECT_EQ(events_, (std::vector<Event>{{kCodexResourceChanged, tag->entry()->tag_id()}}));
  manager_.Release(tag);
}

TEST_F(DtexTagTest, SetImageCopiesCountsARevisionAndTells) {
  Open();
  DtexTag* tag = manager_.Create(kDtex, "Fresh", tagcode::kNone);
  ASSERT_NE(tag, nullptr);
  events_.clear();
  const uint64_t revision = tag->revision();
  const Bytes rgb = Pixels(2, 8, 3);
  ASSERT_TRUE(tag->SetImage(2, 8, rgb));
  EXPECT_EQ(tag->pixels(), rgb);
  EXPECT_EQ(tag->revision(), revision + 1);
  EXPECT_EQ(events_.size(), 1u);
  EXPECT_FALSE(tag->SetImage(2, 9, rgb)) << "too few bytes for 2 x 9";
  EXPECT_FALSE(tag->SetImage(0, 8, Bytes{}));
  EXPECT_EQ(tag->height(), 8u);
  manager_.Release(tag);
}

TEST_F(DtexTagTest, SavedTexturesReadBackAndTheHeaderTakesTheCommittedSize) {
  Open();
  DtexTag* tag = manager_.Create(kDtex, "Fresh", tagcode::kNone);
  ASSERT_NE(tag, nullptr);
  const Bytes rgb = Pixels(16, 8, 4);
  ASSERT_TRUE(tag->SetImage(16, 8, rgb));
  ASSERT_TRUE(tag->Save());
  const Bytes saved = Slurp(TextureFile("Fresh"));
  ASSERT_GE(saved.size(), 64u);
  EXPECT_EQ(Bytes(saved.begin() + 64, saved.end()), DtexData::Write(16, 8, rgb));
  EXPECT_EQ(tag->header().data_size, saved.size() - 64);
  // A second user sees the same object; a reload gives the saved pixels back.
  DtexTag* again = manager_.Acquire(tag->entry());
  EXPECT_EQ(again, tag);
  tag->mutable_pixels()[0] ^= 0xFF;
  ASSERT_TRUE(tag->Load());
  EXPECT_EQ(tag->pixels(), rgb);
  manager_.Release(again);
  manager_.Release(tag);
}

}  // namespace
