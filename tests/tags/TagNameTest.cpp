#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tags/TagCode.h"
#include "tags/TagName.h"

namespace {

using tagname::Sanitise;

TEST(TagNameSanitise, ReplacesReservedCharacters) {
  EXPECT_EQ(Sanitise("a:b?c."), "a_b_c");
  EXPECT_EQ(Sanitise("a/b"), "a_b");
  EXPECT_EQ(Sanitise("x\\y|z\"<>*"), "x_y_z____");
}

TEST(TagNameSanitise, DropsTrailingDotsAndSpaces) {
  EXPECT_EQ(Sanitise("name. . "), "name");
  EXPECT_EQ(Sanitise(" lead.ing "), " lead.ing");
}

TEST(TagNameSanitise, ControlCharactersBecomeUnderscores) {
  EXPECT_EQ(Sanitise(std::string("a\tb\x01"
                                 "c\x7F",
                                 6)),
            "a_b_c_");
}

TEST(TagNameSanitise, NeverGivesAnEmptyOrDotName) {
  EXPECT_EQ(Sanitise(""), "_");
  EXPECT_EQ(Sanitise(".."), "_");
  EXPECT_EQ(Sanitise("."), "_");
  EXPECT_EQ(Sanitise(" . "), "_");
  EXPECT_EQ(Sanitise(std::string("\0abc", 4)), "_");
  EXPECT_EQ(Sanitise("../etc"), ".._etc");
}

TEST(TagNameSanitise, StopsAtNulAndAtThirtyOneCharacters) {
  EXPECT_EQ(Sanitise(std::string("ab\0cd", 5)), "ab");
  EXPECT_EQ(Sanitise(std::string(40, 'k')), std::string(31, 'k'));
  // Cut first, so a dot that ends up last is dropped too.
  EXPECT_EQ(Sanitise(std::string(30, 'k') + ".xyz"), std::string(30, 'k'));
}

TEST(TagNameSuffix, ShortensTheBaseSoTheSuffixFits) {
  EXPECT_EQ(tagname::WithSuffix("Rock", " copy 2"), "Rock copy 2");
  const std::string long_base(40, 'b');
  const std::string named = tagname::WithSuffix(long_base, " copy 12");
  EXPECT_EQ(named.size(), 31u);
  EXPECT_EQ(named, std::string(23, 'b') + " copy 12");
  EXPECT_EQ(tagname::WithSuffix("a/b", " copy 1"), "a_b copy 1");
  EXPECT_EQ(tagname::WithSuffix("x", std::string(50, 's')).size(), 31u);
}

TEST(TagIdDerivation, TakesCharactersFromTheFirstThreeWords) {
  const auto none = [](uint32_t) { return false; };
  EXPECT_EQ(tagname::DeriveTagId("Dark Knight Blue", none), tagcode::Make("DaKB"));
  EXPECT_EQ(tagname::DeriveTagId("Soul", none), tagcode::Make("Soul"));
  EXPECT_EQ(tagname::DeriveTagId("ab", none), tagcode::Make("ab  "));
  EXPECT_EQ(tagname::DeriveTagId("", none), tagcode::Make("    "));
  EXPECT_EQ(tagname::DeriveTagId("(-) ?!", none), tagcode::Make("    "));
  EXPECT_EQ(tagname::DeriveTagId("one-two(three) four", none), tagcode::Make("ontt"));
  EXPECT_EQ(tagname::DeriveTagId("a b", none), tagcode::Make("a b "));
}

TEST(TagIdDerivation, CollisionsAdvanceTheLastCharacter) {
  std::set<uint32_t> taken;
  for (int i = 0; i < 3; ++i) {
    taken.insert(tagname::DeriveTagId("Soul", [&](uint32_t id) { return taken.count(id) > 0; }));
  }
  EXPECT_EQ(taken, (std::set<uint32_t>{tagcode::Make("Soul"), tagcode::Make("Soum"),
                                       tagcode::Make("Soun")}));
  EXPECT_EQ(tagcode::Make("Soum"), 0x536F756Cu + 1);
}

TEST(TagCodeDisplay, PrintableCodesShowTheirCharacters) {
  EXPECT_EQ(tagcode::Make("mesh"), 0x6D657368u);
  EXPECT_EQ(tagcode::Display(0x6D657368u), "mesh");
  EXPECT_EQ(tagcode::Display(tagcode::Make(".256")), ".256");
  EXPECT_EQ(tagcode::Display(0x01020304u), "0x01020304");
  EXPECT_EQ(tagcode::Display(0xFFFFFFFFu), "0xFFFFFFFF");
  EXPECT_EQ(tagcode::Display(0x6D65730Au), "0x6D65730A");
}

}  // namespace
