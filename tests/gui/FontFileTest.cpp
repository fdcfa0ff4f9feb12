#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gui/FontFile.h"

namespace {

// A font whose every field differs from its neighbours, so that a swapped, shifted or dropped
// field shows up in a comparison. Most glyphs are empty to keep the file small; a few have
// bitmaps of assorted shapes, including one row and one column.
FontData MakeSampleFont() {
  FontData font;
  font.ascent = 11;
  font.descent = -3;  // any value must survive, including a negative one
  font.line_height = 0x01020304;
  font.tab_size = 8;
  for (int s = 0; s < kFontStyleCount; ++s) {
    FontStyle& style = font.styles[s];
    style.trailer = {0x11111111u * static_cast<uint32_t>(s + 1), 0xDEADBEEFu, 0u,
                     s == 2 ? 0xFFFFFFFEu : 1u};
    for (int g = 0; g < kFontGlyphCount; ++g) {
      FontGlyph& glyph = style.glyphs[g];
      glyph.x_offset = static_cast<int16_t>(g - 100 + s);
      glyph.y_offset = static_cast<int16_t>(-g * 37 - s);
      for (int j = 0; j < kFontGlyphCount; ++j) {
        glyph.advances[j] = static_cast<int8_t>((g * 7 + j * 13 + s) % 256 - 128);
      }
      if (g % 29 == 1) {
        glyph.width = static_cast<uint16_t>(1 + (g + s) % 7);
        glyph.height = static_cast<uint16_t>(1 + (g * 3 + s) % 5);
        glyph.coverage.resize(size_t{glyph.width} * glyph.height);
        for (size_t k = 0; k < glyph.coverage.size(); ++k) {
          glyph.coverage[k] = static_cast<uint8_t>(k * 31 + g + s);
        }
      }
    }
  }
  return font;
}

std::vector<uint8_t> Write(const FontData& font) {
  FontWriteResult written = WriteFontFile(font);
  EXPECT_TRUE(written.ok()) << written.error;
  return written.bytes;
}

void ExpectSameFont(const FontData& a, const FontData& b) {
  EXPECT_EQ(a.ascent, b.ascent);
  EXPECT_EQ(a.descent, b.descent);
  EXPECT_EQ(a.line_height, b.line_height);
  EXPECT_EQ(a.tab_size, b.tab_size);
  for (int s = 0; s < kFontStyleCount; ++s) {
    EXPECT_EQ(a.styles[s].trailer, b.styles[s].trailer) << "style " << s;
    ASSERT_EQ(a.styles[s].glyphs.size(), b.styles[s].glyphs.size());
    for (int g = 0; g < kFontGlyphCount; ++g) {
      const FontGlyph& x = a.styles[s].glyphs[g];
      const FontGlyph& y = b.styles[s].glyphs[g];
      SCOPED_TRACE("style " + std::to_string(s) + " glyph " + std::to_string(g));
      EXPECT_EQ(x.width, y.width);
      EXPECT_EQ(x.height, y.height);
      EXPECT_EQ(x.x_offset, y.x_offset);
      EXPECT_EQ(x.y_offset, y.y_offset);
      EXPECT_EQ(x.advances, y.advances);
      EXPECT_EQ(x.coverage, y.coverage);
    }
  }
}

// Where each glyph record starts in a written file, worked out from the sizes alone; the last
// entry of each style is where its trailer starts.
std::vector<std::vector<size_t>> RecordOffsets(const FontData& font) {
  std::vector<std::vector<size_t>> offsets(kFontStyleCount);
  size_t at = kFontHeaderSize;
  for (int s = 0; s < kFontStyleCount; ++s) {
    for (const FontGlyph& glyph : font.styles[s].glyphs) {
      offsets[s].push_back(at);
      at += kFontGlyphRecordSize + size_t{glyph.width} * glyph.height;
    }
    offsets[s].push_back(at);
    at += kFontStyleTrailerSize;
  }
  return offsets;
}

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t{bytes[at + 3]} << 24;
}

uint16_t U16At(const std::vector<uint8_t>& bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

void PutU16At(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

FontReadResult Read(const std::vector<uint8_t>& bytes, size_t length) {
  return ReadFontFile(std::span<const uint8_t>(bytes.data(), length));
}

TEST(FontFileRoundTrip, WriterOutputReadsBackUnchanged) {
  const FontData font = MakeSampleFont();
  const std::vector<uint8_t> bytes = Write(font);
  FontReadResult read = ReadFontFile(bytes);
  ASSERT_TRUE(read) << read.error;
  EXPECT_TRUE(read.error.empty());
  ExpectSameFont(font, *read.font);
}

TEST(FontFileRoundTrip, RewritingReadDataGivesTheSameBytes) {
  const std::vector<uint8_t> bytes = Write(MakeSampleFont());
  FontReadResult read = ReadFontFile(bytes);
  ASSERT_TRUE(read) << read.error;
  EXPECT_EQ(Write(*read.font), bytes);
}

TEST(FontFileRoundTrip, ThroughAFileOnDisk) {
  const FontData font = MakeSampleFont();
  const std::filesystem::path path =
      std::filesystem::path(::testing::TempDir()) / "round_trip.zarvfont";
  ASSERT_EQ(SaveFontFile(font, path), "");
  FontReadResult read = LoadFontFile(path);
  std::filesystem::remove(path);
  ASSERT_TRUE(read) << read.error;
  ExpectSameFont(font, *read.font);
}

TEST(FontFileLayout, FileSizeIsHeaderRecordsCoverageAndTrailers) {
  const FontData font = MakeSampleFont();
  const std::vector<uint8_t> bytes = Write(font);
  const auto offsets = RecordOffsets(font);
  EXPECT_EQ(bytes.size(), offsets.back().back() + kFontStyleTrailerSize);
  // An all-empty font is the smallest possible file.
  EXPECT_EQ(Write(FontData{}).size(),
            kFontHeaderSize +
                kFontStyleCount * (kFontGlyphCount * kFontGlyphRecordSize + kFontStyleTrailerSize));
}

TEST(FontFileLayout, FieldsAreLittleEndianAtTheirOffsets) {
  const FontData font = MakeSampleFont();
  const std::vector<uint8_t> bytes = Write(font);
  const auto offsets = RecordOffsets(font);
  EXPECT_EQ(U32At(bytes, 0), static_cast<uint32_t>(font.ascent));
  EXPECT_EQ(U32At(bytes, 4), static_cast<uint32_t>(font.descent));
  EXPECT_EQ(bytes[8], 0x04);  // line height 0x01020304, low byte first
  EXPECT_EQ(bytes[11], 0x01);
  EXPECT_EQ(U32At(bytes, 12), static_cast<uint32_t>(font.tab_size));
  for (int s = 0; s < kFontStyleCount; ++s) {
    for (int g : {0, 1, 30, kFontGlyphCount - 1}) {
      const FontGlyph& glyph = font.styles[s].glyphs[g];
      const size_t at = offsets[s][g];
      SCOPED_TRACE("style " + std::to_string(s) + " glyph " + std::to_string(g));
      EXPECT_EQ(U16At(bytes, at), glyph.width);
      EXPECT_EQ(U16At(bytes, at + 2), glyph.height);
      EXPECT_EQ(static_cast<int16_t>(U16At(bytes, at + 4)), glyph.x_offset);
      EXPECT_EQ(static_cast<int16_t>(U16At(bytes, at + 6)), glyph.y_offset);
      EXPECT_EQ(static_cast<int8_t>(bytes[at + 8]), glyph.advances[0]);
      EXPECT_EQ(static_cast<int8_t>(bytes[at + 8 + kFontGlyphCount - 1]), glyph.advances.back());
      EXPECT_TRUE(std::equal(glyph.coverage.begin(), glyph.coverage.end(),
                             bytes.begin() + static_cast<ptrdiff_t>(at + kFontGlyphRecordSize)));
    }
    const size_t trailer = offsets[s].back();
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(U32At(bytes, trailer + 4 * k), font.styles[s].trailer[k]);
    }
  }
}

TEST(FontFileStyles, PresenceIsBitZeroOfTheLastTrailerValue) {
  FontData font = MakeSampleFont();
  font.styles[0].trailer = {0, 0, 0, 1};
  font.styles[1].trailer = {1, 1, 1, 0};            // bit 0 elsewhere does not count
  font.styles[2].trailer = {0, 0, 0, 0xFFFFFFFEu};  // nor does any other bit of the last value
  font.styles[3].trailer = {0, 0, 0, 0x80000003u};
  FontReadResult read = ReadFontFile(Write(font));
  ASSERT_TRUE(read) << read.error;
  EXPECT_TRUE(read.font->styles[0].present());
  EXPECT_FALSE(read.font->styles[1].present());
  EXPECT_FALSE(read.font->styles[2].present());
  EXPECT_TRUE(read.font->styles[3].present());
}

TEST(FontFileStyles, SettingPresenceKeepsTheOtherBits) {
  FontStyle style;
  style.trailer = {7, 8, 9, 0xF0u};
  style.set_present(true);
  EXPECT_TRUE(style.present());
  EXPECT_EQ(style.trailer[3], 0xF1u);
  style.set_present(false);
  EXPECT_FALSE(style.present());
  EXPECT_EQ(style.trailer[3], 0xF0u);
  EXPECT_EQ(style.trailer[0], 7u);
}

TEST(FontFileTruncation, EveryShortHeaderFails) {
  const std::vector<uint8_t> bytes = Write(MakeSampleFont());
  for (size_t length = 0; length < kFontHeaderSize; ++length) {
    FontReadResult read = Read(bytes, length);
    EXPECT_FALSE(read) << "length " << length;
    EXPECT_NE(read.error.find("header"), std::string::npos) << read.error;
  }
}

TEST(FontFileTruncation, EveryCutInsideAGlyphRecordFails) {
  const FontData font = MakeSampleFont();
  const std::vector<uint8_t> bytes = Write(font);
  const auto offsets = RecordOffsets(font);
  // Each style's first glyph (empty) and second (with a bitmap), cut at every byte.
  for (int s = 0; s < kFontStyleCount; ++s) {
    for (size_t length = offsets[s][0]; length < offsets[s][2]; ++length) {
      FontReadResult read = Read(bytes, length);
      EXPECT_FALSE(read) << "style " << s << " length " << length;
      EXPECT_FALSE(read.error.empty());
    }
  }
}

TEST(FontFileTruncation, CutsAtFieldBoundariesOfEveryGlyphFail) {
  const FontData font = MakeSampleFont();
  const std::vector<uint8_t> bytes = Write(font);
  const auto offsets = RecordOffsets(font);
  for (int s = 0; s < kFontStyleCount; ++s) {
    for (int g = 0; g < kFontGlyphCount; ++g) {
      const size_t at = offsets[s][g];
      for (size_t cut : {at, at + 4, at + kFontGlyphRecordSize - 1, offsets[s][g + 1] - 1}) {
        EXPECT_FALSE(Read(bytes, cut)) << "style " << s << " glyph " << g << " cut " << cut;
      }
    }
  }
}

TEST(FontFileTruncation, EveryCutInTheLastTrailerFails) {
  const std::vector<uint8_t> bytes = Write(MakeSampleFont());
  for (size_t length = bytes.size() - kFontStyleTrailerSize; length < bytes.size(); ++length) {
    FontReadResult read = Read(bytes, length);
    EXPECT_FALSE(read) << "length " << length;
    EXPECT_NE(read.error.find("trailer of style 3"), std::string::npos) << read.error;
  }
  EXPECT_TRUE(Read(bytes, bytes.size()));
}

TEST(FontFileTruncation, MessageNamesTheGlyphWhereTheDataEnds) {
  const FontData font = MakeSampleFont();
  const std::vector<uint8_t> bytes = Write(font);
  const auto offsets = RecordOffsets(font);
  const int index = 'A' - kFontFirstChar;
  FontReadResult read = Read(bytes, offsets[2][index] + 100);
  ASSERT_FALSE(read);
  EXPECT_NE(read.error.find("style 2, glyph 65 ('A')"), std::string::npos) << read.error;
}

TEST(FontFileTruncation, BytesAfterTheLastStyleAreIgnored) {
  const FontData font = MakeSampleFont();
  std::vector<uint8_t> bytes = Write(font);
  bytes.insert(bytes.end(), {1, 2, 3, 4, 5});
  FontReadResult read = ReadFontFile(bytes);
  ASSERT_TRUE(read) << read.error;
  ExpectSameFont(font, *read.font);
}

TEST(FontFileBadSizes, GlyphRunningPastTheEndFails) {
  const FontData font = MakeSampleFont();
  std::vector<uint8_t> bytes = Write(font);
  const auto offsets = RecordOffsets(font);
  // Glyph 0 of style 3 is empty in the sample; claim one byte more than the rest of the file.
  const size_t at = offsets[3][0];
  const size_t left = bytes.size() - (at + kFontGlyphRecordSize);
  ASSERT_LT(left, 0xFFFFu);
  PutU16At(bytes, at, 1);
  PutU16At(bytes, at + 2, static_cast<uint16_t>(left + 1));
  FontReadResult read = ReadFontFile(bytes);
  ASSERT_FALSE(read);
  EXPECT_NE(read.error.find("style 3, glyph 32 (' ')"), std::string::npos) << read.error;
  EXPECT_NE(read.error.find("are left"), std::string::npos) << read.error;
}

TEST(FontFileBadSizes, GlyphFillingTheRestOfTheFileStillNeedsTheTrailer) {
  const FontData font = MakeSampleFont();
  std::vector<uint8_t> bytes = Write(font);
  const auto offsets = RecordOffsets(font);
  const size_t at = offsets[3][0];
  const size_t left = bytes.size() - (at + kFontGlyphRecordSize);
  ASSERT_LE(left, 0xFFFFu);
  PutU16At(bytes, at, 1);
  PutU16At(bytes, at + 2, static_cast<uint16_t>(left));
  // The bitmap itself fits exactly; what fails is the next glyph's record.
  FontReadResult read = ReadFontFile(bytes);
  ASSERT_FALSE(read);
  EXPECT_NE(read.error.find("style 3, glyph 33 ('!')"), std::string::npos) << read.error;
}

TEST(FontFileBadSizes, LargestGlyphSizeDoesNotOverflowOrAllocate) {
  std::vector<uint8_t> bytes(kFontHeaderSize + kFontGlyphRecordSize + 64, 0);
  PutU16At(bytes, kFontHeaderSize, 0xFFFF);
  PutU16At(bytes, kFontHeaderSize + 2, 0xFFFF);
  FontReadResult read = ReadFontFile(bytes);
  ASSERT_FALSE(read);
  EXPECT_NE(read.error.find("65535 x 65535"), std::string::npos) << read.error;
}

TEST(FontFileWriter, RejectsCoverageOfTheWrongSize) {
  FontData font = MakeSampleFont();
  font.styles[1].glyphs[40].width = 3;
  font.styles[1].glyphs[40].height = 2;
  font.styles[1].glyphs[40].coverage.assign(5, 0);
  FontWriteResult written = WriteFontFile(font);
  EXPECT_FALSE(written.ok());
  EXPECT_TRUE(written.bytes.empty());
  EXPECT_NE(written.error.find("style 1, glyph 72"), std::string::npos) << written.error;
  EXPECT_EQ(CheckFontData(font), written.error);
}

TEST(FontFileWriter, RejectsAStyleWithTheWrongGlyphCount) {
  FontData font = MakeSampleFont();
  font.styles[2].glyphs.pop_back();
  FontWriteResult written = WriteFontFile(font);
  EXPECT_FALSE(written.ok());
  EXPECT_NE(written.error.find("style 2 has 223 glyphs"), std::string::npos) << written.error;
  const std::filesystem::path path =
      std::filesystem::path(::testing::TempDir()) / "rejected.zarvfont";
  std::filesystem::remove(path);
  EXPECT_FALSE(SaveFontFile(font, path).empty());
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(FontFileLoad, MissingFileIsAnErrorNamingThePath) {
  const std::filesystem::path path =
      std::filesystem::path(::testing::TempDir()) / "no_such_font.zarvfont";
  std::filesystem::remove(path);
  FontReadResult read = LoadFontFile(path);
  EXPECT_FALSE(read);
  EXPECT_NE(read.error.find(path.string()), std::string::npos) << read.error;
}

TEST(FontFileLoad, TruncatedFileIsAnErrorNamingThePath) {
  const std::vector<uint8_t> bytes = Write(MakeSampleFont());
  const std::filesystem::path path =
      std::filesystem::path(::testing::TempDir()) / "truncated.zarvfont";
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size() / 2));
  }
  FontReadResult read = LoadFontFile(path);
  std::filesystem::remove(path);
  EXPECT_FALSE(read);
  EXPECT_NE(read.error.find(path.string()), std::string::npos) << read.error;
  EXPECT_NE(read.error.find("ends early"), std::string::npos) << read.error;
}

}  // namespace
