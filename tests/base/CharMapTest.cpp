#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/CharMap.h"
#include "base/MacRoman.h"

namespace {

namespace fs = std::filesystem;

// A scratch folder per test, removed afterwards, so that tests never see each other's files.
class CharMapFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::path(::testing::TempDir()) / (std::string("charmap_") + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  fs::path dir_;
};

std::vector<uint8_t> FileImage(const std::array<uint16_t, kCharMapEntryCount>& entries) {
  std::vector<uint8_t> bytes;
  for (uint16_t entry : entries) {
    bytes.push_back(static_cast<uint8_t>(entry & 0xFF));
    bytes.push_back(static_cast<uint8_t>(entry >> 8));
  }
  return bytes;
}

// Latin-1 with a few twists that the reverse direction has to cope with: an unassigned code,
// two codes sharing a character, and a character above 0xFF.
std::array<uint16_t, kCharMapEntryCount> TwistedLatin1() {
  std::array<uint16_t, kCharMapEntryCount> entries{};
  for (int i = 0; i < kCharMapEntryCount; ++i) entries[i] = static_cast<uint16_t>(32 + i);
  entries[0xA0 - 32] = 0;       // unassigned
  entries[0xE9 - 32] = 0x00C9;  // é's code now holds É as well as 0xC9 does
  entries[0xA4 - 32] = 0x20AC;  // euro sign on the currency code
  return entries;
}

void ExpectBuiltIn(const CharMap& map) {
  for (int code = 0; code < 256; ++code) {
    ASSERT_EQ(static_cast<char32_t>(map.ToWide(static_cast<uint8_t>(code))),
              MacRomanToUnicode(static_cast<uint8_t>(code)))
        << "code " << code;
  }
}

TEST(CharMapBuiltIn, IsMacRomanWithTheCurrencySign) {
  const CharMap map;
  ExpectBuiltIn(map);
  EXPECT_EQ(map.ToWide(0xDB), u'\u00A4');
  EXPECT_EQ(map.ToNarrow(u'\u00A4'), 0xDB);
  EXPECT_EQ(map.ToWide(0x8E), u'\u00E9');
  EXPECT_EQ(map.ToNarrow(u'\u00E9'), 0x8E);
}

TEST(CharMapBuiltIn, EveryCodeRoundTrips) {
  const CharMap map;
  for (int code = 0; code < 256; ++code) {
    EXPECT_EQ(map.ToNarrow(map.ToWide(static_cast<uint8_t>(code))), code) << "code " << code;
  }
}

TEST(CharMapBuiltIn, ControlCodesAndSpacePassThrough) {
  const CharMap map;
  for (int code = 0; code <= 32; ++code) {
    EXPECT_EQ(map.ToNarrow(static_cast<char16_t>(code)), code);
  }
  for (int code = 0; code < 32; ++code) {
    EXPECT_EQ(map.ToWide(static_cast<uint8_t>(code)), static_cast<char16_t>(code));
  }
}

TEST(CharMapBuiltIn, UnmappedCharactersAreCappedAt255) {
  const CharMap map;
  // Not in Mac OS Roman: the euro sign and a Latin Extended letter are capped...
  EXPECT_EQ(map.ToNarrow(u'\u20AC'), 255);
  EXPECT_EQ(map.ToNarrow(u'\u0100'), 255);
  // ...while an unmapped Latin-1 character keeps its own value as the code.
  EXPECT_EQ(map.ToNarrow(u'\u00B2'), 0xB2);
}

TEST_F(CharMapFileTest, LoadedFileReplacesTheMap) {
  const auto entries = TwistedLatin1();
  CharMap map;
  ASSERT_EQ(map.Load(Write("charmap", FileImage(entries))), CharMapLoadStatus::kLoaded);
  EXPECT_EQ(map.entries(), entries);
  EXPECT_EQ(map.ToWide(0xE8), u'\u00E8');
  EXPECT_EQ(map.ToNarrow(u'\u00E8'), 0xE8);
  EXPECT_EQ(map.ToWide(0xA4), u'\u20AC');
  EXPECT_EQ(map.ToNarrow(u'\u20AC'), 0xA4);
}

TEST_F(CharMapFileTest, ZeroEntryReadsAsSpace) {
  CharMap map;
  ASSERT_EQ(map.Load(Write("charmap", FileImage(TwistedLatin1()))), CharMapLoadStatus::kLoaded);
  EXPECT_EQ(map.ToWide(0xA0), u' ');
  // Converting back, a space stays a space rather than finding the unassigned code.
  EXPECT_EQ(map.ToNarrow(u' '), ' ');
}

TEST_F(CharMapFileTest, SharedCharacterConvertsToTheFirstCode) {
  CharMap map;
  ASSERT_EQ(map.Load(Write("charmap", FileImage(TwistedLatin1()))), CharMapLoadStatus::kLoaded);
  EXPECT_EQ(map.ToWide(0xC9), u'\u00C9');
  EXPECT_EQ(map.ToWide(0xE9), u'\u00C9');
  EXPECT_EQ(map.ToNarrow(u'\u00C9'), 0xC9);
  // é itself is in no entry now: capped, which here lands back on its Latin-1 code.
  EXPECT_EQ(map.ToNarrow(u'\u00E9'), 0xE9);
}

TEST_F(CharMapFileTest, MissingFileKeepsTheMap) {
  CharMap map;
  EXPECT_EQ(map.Load(dir_ / "charmap"), CharMapLoadStatus::kMissing);
  ExpectBuiltIn(map);
}

TEST_F(CharMapFileTest, WrongSizeIsRejected) {
  const std::vector<uint8_t> valid = FileImage(TwistedLatin1());
  const std::vector<std::vector<uint8_t>> wrong = {
      {},
      std::vector<uint8_t>(valid.begin(), valid.end() - 1),
      [&] {
        auto longer = valid;
        longer.push_back(0);
        return longer;
      }(),
      std::vector<uint8_t>(valid.size() * 2, 0x41),
  };
  for (const auto& bytes : wrong) {
    CharMap map;
    EXPECT_EQ(map.Load(Write("charmap", bytes)), CharMapLoadStatus::kWrongSize)
        << bytes.size() << " bytes";
    ExpectBuiltIn(map);
  }
}

TEST_F(CharMapFileTest, RejectedFileKeepsAPreviouslyLoadedMap) {
  const auto entries = TwistedLatin1();
  CharMap map;
  ASSERT_EQ(map.Load(Write("good", FileImage(entries))), CharMapLoadStatus::kLoaded);
  EXPECT_EQ(map.Load(Write("short", {1, 2, 3})), CharMapLoadStatus::kWrongSize);
  EXPECT_EQ(map.Load(dir_ / "absent"), CharMapLoadStatus::kMissing);
  EXPECT_EQ(map.entries(), entries);
}

TEST_F(CharMapFileTest, FolderInPlaceOfTheFileIsNotLoaded) {
  CharMap map;
  fs::create_directories(dir_ / "charmap");
  const CharMapLoadStatus status = map.Load(dir_ / "charmap");
  EXPECT_NE(status, CharMapLoadStatus::kLoaded);
  EXPECT_NE(status, CharMapLoadStatus::kMissing);
  ExpectBuiltIn(map);
}

TEST_F(CharMapFileTest, ResetRestoresTheBuiltInMap) {
  CharMap map;
  ASSERT_EQ(map.Load(Write("charmap", FileImage(TwistedLatin1()))), CharMapLoadStatus::kLoaded);
  map.Reset();
  ExpectBuiltIn(map);
}

TEST(CharMapFromBytes, ValuesAreLittleEndian) {
  std::vector<uint8_t> bytes(kCharMapFileSize, 0);
  bytes[2 * (0x41 - 32)] = 0x34;
  bytes[2 * (0x41 - 32) + 1] = 0x12;
  CharMap map;
  ASSERT_TRUE(map.LoadFromBytes(bytes));
  EXPECT_EQ(map.ToWide(0x41), u'\u1234');
  EXPECT_EQ(map.ToNarrow(u'\u1234'), 0x41);
  EXPECT_FALSE(map.LoadFromBytes(std::vector<uint8_t>(kCharMapFileSize - 2, 0)));
  EXPECT_EQ(map.ToWide(0x41), u'\u1234');
}

TEST(CharMapFromBytes, SpaceIsNeverLookedUp) {
  // A map that puts the space on another code still converts a space to 32.
  std::vector<uint8_t> bytes = FileImage(TwistedLatin1());
  bytes[0] = 0x00;
  bytes[1] = 0x30;  // code 32 shows U+3000
  bytes[2 * (0x41 - 32)] = 0x20;
  bytes[2 * (0x41 - 32) + 1] = 0x00;  // code 0x41 shows a space
  CharMap map;
  ASSERT_TRUE(map.LoadFromBytes(bytes));
  EXPECT_EQ(map.ToWide(0x41), u' ');
  EXPECT_EQ(map.ToNarrow(u' '), 32);
  EXPECT_EQ(map.ToNarrow(u'\u3000'), 32);
}

TEST(CharMapStrings, NarrowToUtf8) {
  const CharMap map;
  EXPECT_EQ(map.NarrowToUtf8("Caf\x8E"), "Caf\xC3\xA9");
  EXPECT_EQ(map.NarrowToUtf8("\xDB"), "\xC2\xA4");
  EXPECT_EQ(map.NarrowToUtf8("\xD0"), "\xE2\x80\x93");  // en dash: three bytes
  EXPECT_EQ(map.NarrowToUtf8("a\r\n\tb"), "a\r\n\tb");
  EXPECT_EQ(map.NarrowToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(map.NarrowToUtf8(""), "");
}

TEST(CharMapStrings, Utf8ToNarrow) {
  const CharMap map;
  EXPECT_EQ(map.Utf8ToNarrow("Caf\xC3\xA9"), "Caf\x8E");
  EXPECT_EQ(map.Utf8ToNarrow("\xE2\x80\x93"), "\xD0");
  EXPECT_EQ(map.Utf8ToNarrow("\xE2\x82\xAC"), "\xFF");      // euro: not in the map
  EXPECT_EQ(map.Utf8ToNarrow("\xF0\x9F\x98\x80"), "\xFF");  // beyond U+FFFF: one code
  EXPECT_EQ(map.Utf8ToNarrow(""), "");
}

TEST(CharMapStrings, MalformedUtf8DecodesBytewise) {
  const CharMap map;
  EXPECT_EQ(map.Utf8ToNarrow("a\xC3"), "a\xFF");                // truncated at the end
  EXPECT_EQ(map.Utf8ToNarrow("\xE2\x82z"), "\xFF\xFFz");        // truncated in the middle
  EXPECT_EQ(map.Utf8ToNarrow("\x80x"), "\xFFx");                // stray continuation byte
  EXPECT_EQ(map.Utf8ToNarrow("\xC0\xAF"), "\xFF\xFF");          // overlong "/"
  EXPECT_EQ(map.Utf8ToNarrow("\xED\xA0\x80"), "\xFF\xFF\xFF");  // encoded surrogate
  EXPECT_EQ(map.Utf8ToNarrow("\xF8\x88\x80\x80\x80"), std::string(5, '\xFF'));
}

// The capped code 255 is a real character (the caron): only that one may become it.
TEST(CharMapStrings, ExactConversionRefusesWhatWouldComeBackChanged) {
  const CharMap map;
  std::string narrow;
  char32_t refused = 0;
  ASSERT_TRUE(
      map.Utf8ToNarrowExact("Gr\xC3\xBC\xC3\x9F"
                            "e \xC2\xA4\n\xCB\x87",
                            narrow, refused));
  EXPECT_EQ(narrow,
            "Gr\x9F\xA7"
            "e \xDB\n\xFF");
  EXPECT_FALSE(map.Utf8ToNarrowExact("5 \xE2\x82\xAC", narrow, refused));
  EXPECT_EQ(refused, U'\u20AC');
  EXPECT_FALSE(map.Utf8ToNarrowExact("\xF0\x9F\x98\x80", narrow, refused));
  EXPECT_EQ(refused, U'\U0001F600');
  EXPECT_FALSE(map.Utf8ToNarrowExact("a\xC3", narrow, refused));
  EXPECT_EQ(refused, U'\uFFFD');
}

TEST(CharMapStrings, AllCodesRoundTripThroughUtf8) {
  const CharMap map;
  std::string all;
  for (int code = 0; code < 256; ++code) all.push_back(static_cast<char>(code));
  EXPECT_EQ(map.Utf8ToNarrow(map.NarrowToUtf8(all)), all);
}

TEST(CharMapStrings, SurrogateEntryBecomesReplacementCharacter) {
  std::vector<uint8_t> bytes = FileImage(TwistedLatin1());
  bytes[2 * (0x80 - 32)] = 0x00;
  bytes[2 * (0x80 - 32) + 1] = 0xD8;
  CharMap map;
  ASSERT_TRUE(map.LoadFromBytes(bytes));
  EXPECT_EQ(map.NarrowToUtf8("\x80"), "\xEF\xBF\xBD");
}

}  // namespace
