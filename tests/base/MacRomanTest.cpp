#include <gtest/gtest.h>

#include <set>

#include "base/MacRoman.h"

namespace {

TEST(MacRomanTable, AsciiMapsToItself) {
  for (int code = kMacRomanFirstPrintable; code < 0x80; ++code) {
    EXPECT_EQ(MacRomanToUnicode(static_cast<uint8_t>(code)), static_cast<char32_t>(code))
        << "code " << code;
  }
}

TEST(MacRomanTable, ControlCodesMapToThemselves) {
  for (int code = 0; code < kMacRomanFirstPrintable; ++code) {
    EXPECT_EQ(MacRomanToUnicode(static_cast<uint8_t>(code)), static_cast<char32_t>(code));
  }
}

TEST(MacRomanTable, CurrencySignKeepsItsPreEuroMeaning) {
  EXPECT_EQ(MacRomanToUnicode(0xDB), U'\u00A4');
  EXPECT_EQ(UnicodeToMacRoman(U'\u00A4'), uint8_t{0xDB});
  EXPECT_EQ(UnicodeToMacRoman(U'\u20AC'), std::nullopt);
}

TEST(MacRomanTable, KnownUpperHalfCharacters) {
  EXPECT_EQ(MacRomanToUnicode(0x80), U'\u00C4');  // Ä
  EXPECT_EQ(MacRomanToUnicode(0x8E), U'\u00E9');  // é
  EXPECT_EQ(MacRomanToUnicode(0xA5), U'\u2022');  // bullet
  EXPECT_EQ(MacRomanToUnicode(0xA7), U'\u00DF');  // ß
  EXPECT_EQ(MacRomanToUnicode(0xC9), U'\u2026');  // ellipsis
  EXPECT_EQ(MacRomanToUnicode(0xCA), U'\u00A0');  // no-break space
  EXPECT_EQ(MacRomanToUnicode(0xD0), U'\u2013');  // en dash
  EXPECT_EQ(MacRomanToUnicode(0xFF), U'\u02C7');  // caron
}

TEST(MacRomanTable, NoTwoCodesShareACodePoint) {
  std::set<uint16_t> seen;
  for (uint16_t code_point : kMacRomanToUnicode) {
    EXPECT_TRUE(seen.insert(code_point).second) << "U+" << std::hex << code_point;
  }
}

TEST(MacRomanTable, UpperHalfLeavesAscii) {
  for (int code = 0x80; code <= 0xFF; ++code) {
    EXPECT_GE(MacRomanToUnicode(static_cast<uint8_t>(code)), U'\u00A0') << "code " << code;
  }
}

TEST(MacRomanReverse, EveryCodeRoundTrips) {
  for (int code = 0; code <= 0xFF; ++code) {
    const char32_t code_point = MacRomanToUnicode(static_cast<uint8_t>(code));
    EXPECT_EQ(UnicodeToMacRoman(code_point), static_cast<uint8_t>(code)) << "code " << code;
  }
}

TEST(MacRomanReverse, CharactersOutsideTheEncodingAreRejected) {
  EXPECT_EQ(UnicodeToMacRoman(U'\u0100'), std::nullopt);      // Ā
  EXPECT_EQ(UnicodeToMacRoman(U'\u00A6'), std::nullopt);      // broken bar, not in the set
  EXPECT_EQ(UnicodeToMacRoman(U'\U0001F600'), std::nullopt);  // beyond 16 bits
  EXPECT_EQ(UnicodeToMacRoman(U'\uFFFF'), std::nullopt);
}

}  // namespace
