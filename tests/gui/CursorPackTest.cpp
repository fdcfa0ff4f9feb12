#include <gtest/gtest.h>

#include "gui/CursorPack.h"

namespace {

CursorPicture Picture(uint16_t id, uint16_t w, uint16_t h, uint16_t hx, uint16_t hy) {
  CursorPicture p;
  p.id = id;
  p.width = w;
  p.height = h;
  p.hot_x = hx;
  p.hot_y = hy;
  p.rgba.resize(size_t{w} * h * 4);
  for (size_t i = 0; i < p.rgba.size(); ++i) p.rgba[i] = static_cast<uint8_t>(i * 7);
  return p;
}

TEST(CursorPack, WrittenPicturesReadBackWithTheirHotSpots) {
  const std::vector<CursorPicture> in = {Picture(3, 24, 24, 12, 12), Picture(105, 2, 3, 0, 2)};
  const std::vector<uint8_t> bytes = CursorPack::Write(in);
  ASSERT_EQ(bytes.size(), 6u + 2 * 10 + 24 * 24 * 4 + 2 * 3 * 4);
  std::vector<CursorPicture> out;
  std::string error;
  ASSERT_TRUE(CursorPack::Read(bytes, out, error)) << error;
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1].id, 105);
  EXPECT_EQ(out[1].hot_y, 2);
  EXPECT_EQ(out[1].rgba, in[1].rgba);
}

TEST(CursorPack, MalformedPacksAreRefusedWithAReason) {
  const auto refused = [](const std::vector<CursorPicture>& pictures, auto&& spoil,
                          const std::string& reason) {
    std::vector<uint8_t> bytes = CursorPack::Write(pictures);
    spoil(bytes);
    std::vector<CursorPicture> out;
    std::string error;
    EXPECT_FALSE(CursorPack::Read(bytes, out, error)) << reason;
    EXPECT_NE(error.find(reason), std::string::npos) << error;
    EXPECT_TRUE(out.empty());
  };
  const auto keep = [](std::vector<uint8_t>&) {};
  refused({Picture(3, 4, 4, 4, 0)}, keep, "hot spot");  // the hot spot lies outside
  refused({Picture(3, 4, 4, 1, 1), Picture(3, 2, 2, 0, 0)}, keep, "twice");
  refused(
      {Picture(3, 4, 4, 1, 1)}, [](auto& b) { b.pop_back(); }, "cut short");
  refused(
      {Picture(3, 4, 4, 1, 1)}, [](auto& b) { b.push_back(0); }, "left after");
  refused(
      {Picture(3, 4, 4, 1, 1)}, [](auto& b) { b[0] = 'X'; }, "not a cursor pack");
  // A width of 60000 asks for far more bytes than there are: refused before allocating.
  refused(
      {Picture(3, 4, 4, 1, 1)}, [](auto& b) { b[8] = 0xEA, b[9] = 0x60; }, "size");
}

}  // namespace
