#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "structs/EnumMember.h"
#include "structs/StructRegistry.h"
#include "structs/TagMember.h"
#include "support/StructTestSupport.h"
#include "tags/TagCode.h"

namespace {

using structtest::Build;
using structtest::Matching;
using Level = StructProblem::Level;

std::vector<uint16_t> Words(const StructDefinition& definition) {
  const auto words = definition.descriptor().words();
  return {words.begin(), words.end()};
}

TEST(StructLayout, MembersFollowEachOtherAndTheDescriptorListsThem) {
  auto built =
      Build(R"(<struct name="rec"><long count="2"/><short/><padding count="2"/></struct>)");
  const StructDefinition* rec = built.registry->Find("rec");
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec->size(), 12u);
  ASSERT_EQ(rec->members().size(), 3u);
  EXPECT_EQ(rec->members()[0]->offset, 0u);
  EXPECT_EQ(rec->members()[1]->offset, 8u);
  EXPECT_EQ(rec->members()[2]->offset, 10u);
  EXPECT_EQ(Words(*rec), (std::vector<uint16_t>{12, 2, 2, 1, 1, 2, 4}));
}

TEST(StructLayout, ColorIsFourShortsAndShortFixedFractionOneByte) {
  auto built = Build(R"(<struct name="c"><color count="3"/></struct>
                        <struct name="f"><short_fixed_fraction count="3"/></struct>)");
  EXPECT_EQ(built.registry->Find("c")->size(), 8u);
  EXPECT_EQ(built.registry->Find("f")->size(), 3u);
}

TEST(StructLayout, SubstructRepeatsTheNestedDescriptor) {
  auto built = Build(R"(<struct name="inner"><long/><short count="3"/></struct>
                        <struct name="outer"><substruct struct="inner" count="3"/></struct>)");
  const StructDefinition* inner = built.registry->Find("inner");
  const StructDefinition* outer = built.registry->Find("outer");
  ASSERT_NE(outer, nullptr);
  EXPECT_EQ(outer->size(), 3 * inner->size());
  EXPECT_EQ(outer->nesting(), 1);
  std::vector<uint16_t> expected{static_cast<uint16_t>(outer->size()), 3, 32};
  for (uint16_t w : Words(*inner)) expected.push_back(w);
  EXPECT_EQ(Words(*outer), expected);
}

TEST(StructLayout, ElementlessMembersTakeNoBytesAndNoWords) {
  auto built = Build(R"(<struct name="r"><long count="0"/><short count="x"/><byte/></struct>)");
  const StructDefinition* r = built.registry->Find("r");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->size(), 1u);
  EXPECT_EQ(Words(*r), (std::vector<uint16_t>{1, 1, 0}));
}

TEST(StructReading, SkipsWhatItCannotUseAndSaysWhere) {
  auto built = Build(
      "<struct><long/></struct>\n"
      "<struct name=\"r\">\n"
      "  <lung name=\"typo\"/>\n"
      "  <tag name=\"t\" group=\"soun5\"/>\n"
      "  <byte_enum name=\"e\"><member text=\"a\" value=\"1\"/><member text=\"b\"/>"
      "<member text=\"c\" value=\"3\"/></byte_enum>\n"
      "</struct>");
  const StructDefinition* r = built.registry->Find("r");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->size(), 5u);  // the unknown member takes nothing
  ASSERT_EQ(r->members().size(), 2u);
  EXPECT_EQ(static_cast<const TagMember&>(*r->members()[0]).group, TagMember::kNoGroup);
  const auto& e = static_cast<const EnumMember&>(*r->members()[1]);
  ASSERT_EQ(e.entries.size(), 1u);
  EXPECT_EQ(e.entries[0].text, "a");

  auto line_of = [&](std::string_view text) {
    auto found = Matching(built.problems, Level::kWarning, text);
    return found.size() == 1 ? found[0].line : -1;
  };
  EXPECT_EQ(line_of("without a name"), 2);
  EXPECT_EQ(line_of("'lung'"), 4);
  EXPECT_EQ(line_of("soun5"), 5);
  EXPECT_EQ(line_of("lacks its value"), 6);
  for (const StructProblem& p : built.problems) EXPECT_EQ(p.file, "test.xml");
}

TEST(StructReading, TheFirstOfTwoNamesWinsAndTheSecondIsReported) {
  auto built = Build("<struct name=\"r\"><long/></struct>\n<struct name=\"r\"><byte/></struct>");
  ASSERT_EQ(built.registry->definitions().size(), 2u);
  EXPECT_EQ(built.registry->Find("r"), built.registry->definitions()[0].get());
  EXPECT_EQ(built.registry->Find("r")->size(), 4u);
  const auto hidden = Matching(built.problems, Level::kWarning, "hidden");
  ASSERT_EQ(hidden.size(), 1u);
  EXPECT_EQ(hidden[0].line, 3);
}

TEST(StructReading, RefusesWhatADescriptorCannotHold) {
  auto built = Build(
      "<struct name=\"big\"><long count=\"8191\"/><long/></struct>\n"
      "<struct name=\"early\"><substruct struct=\"late\"/></struct>\n"
      "<struct name=\"late\"><byte/></struct>\n"
      "<struct name=\"huge\"><byte count=\"99999999999999999999999\"/></struct>\n"
      "<struct name=\"empty\"/>");
  EXPECT_NE(built.registry->Find("late"), nullptr);
  for (auto [name, line] : {std::pair{"big", 2}, {"early", 3}, {"huge", 5}, {"empty", 6}}) {
    EXPECT_EQ(built.registry->Find(name), nullptr) << name;
    const auto errors = Matching(built.problems, Level::kError, "'" + std::string(name) + "'");
    ASSERT_EQ(errors.size(), 1u) << name;
    EXPECT_EQ(errors[0].line, line) << name;
  }
}

TEST(StructReading, RefusesNestingPastTheConverterLimit) {
  std::string xml = "<struct name=\"n0\"><byte/></struct>\n";
  const int levels = RecordDescriptor::kMaxDepth + 1;
  for (int i = 1; i <= levels; ++i) {
    xml += "<struct name=\"n" + std::to_string(i) + "\"><substruct struct=\"n" +
           std::to_string(i - 1) + "\"/></struct>\n";
  }
  auto built = Build(xml);
  ASSERT_NE(built.registry->Find("n" + std::to_string(levels - 1)), nullptr);
  EXPECT_EQ(built.registry->Find("n" + std::to_string(levels - 1))->nesting(),
            RecordDescriptor::kMaxDepth);
  EXPECT_EQ(built.registry->Find("n" + std::to_string(levels)), nullptr);
  EXPECT_EQ(Matching(built.problems, Level::kError, "levels deep").size(), 1u);
}

TEST(StructReading, NamesThatResolveNowhereAreReportedButEnclosingOnesAreNot) {
  auto built = Build(
      "<struct name=\"item\"><short name=\"max\" lower_bound=\"min\"/>"
      "<short name=\"x\" lower_bound=\"nowhere\"/></struct>\n"
      "<struct name=\"box\"><short name=\"min\"/><substruct struct=\"item\"/>"
      "<substruct struct=\"item\" count=\"2\" runtime_count=\"ghost\"/></struct>\n"
      "<structedit struct=\"item\"><frame text=\"\"><item target=\"min\"/>\n"
      "<item target=\"mxa\"/></frame></structedit>\n"
      "<structedit struct=\"crate\"/>");
  const auto unresolved = Matching(built.problems, Level::kWarning, "names no member");
  ASSERT_EQ(unresolved.size(), 3u);
  EXPECT_NE(unresolved[0].message.find("'nowhere'"), std::string::npos);
  EXPECT_EQ(unresolved[0].line, 2);
  EXPECT_NE(unresolved[1].message.find("'ghost'"), std::string::npos);
  EXPECT_EQ(unresolved[1].line, 3);
  // Layout items too, inside frames; a layout of no struct at all is named as well.
  EXPECT_NE(unresolved[2].message.find("'mxa'"), std::string::npos);
  EXPECT_EQ(unresolved[2].line, 5);
  const auto unused = Matching(built.problems, Level::kWarning, "lays out no struct");
  ASSERT_EQ(unused.size(), 1u);
  EXPECT_EQ(unused[0].line, 6);
}

TEST(StructRegistration, FourCharacterNamesOfKnownGroupsGetTheEditor) {
  auto built = Build(
      "<struct name=\"unit\"><long/></struct>\n"
      "<struct name=\"soun\"><long/></struct>\n"
      "<struct name=\"scen\"><long/></struct>\n"
      "<struct name=\"zzzz\"><long/></struct>\n"
      "<structedit struct=\"unit\"/>");
  EXPECT_EQ(built.registry->EditedGroups(),
            (std::vector<uint32_t>{tagcode::Make("unit"), tagcode::Make("scen")}));
  const auto own = Matching(built.problems, Level::kWarning, "keeps its own editor");
  ASSERT_EQ(own.size(), 1u);
  EXPECT_EQ(own[0].line, 3);
  const auto no_layout = Matching(built.problems, Level::kWarning, "no structedit");
  ASSERT_EQ(no_layout.size(), 1u);
  EXPECT_EQ(no_layout[0].line, 4);
  ASSERT_NE(built.registry->FindLayout("unit"), nullptr);
  EXPECT_EQ(built.registry->FileOf(built.registry->FindLayout("unit")), "test.xml");
}

TEST(StructFixture, CoversEveryMemberTypeWithItsWidth) {
  const std::filesystem::path fixtures = structtest::FixturesFolder();
  StructRegistry registry;
  std::vector<StructProblem> problems;
  registry.LoadFolder(fixtures, &problems);
  for (const StructProblem& p : problems) ADD_FAILURE() << p.Describe();
  const StructDefinition* every = registry.Find("every");
  ASSERT_NE(every, nullptr);
  std::set<MemberType> types;
  uint32_t offset = 0;
  for (const auto& member : every->members()) {
    types.insert(member->type);
    EXPECT_EQ(member->offset, offset) << member->name;
    const uint32_t width = member->type == MemberType::kSubstruct
                               ? registry.Find("pair")->size()
                               : MemberTypeInfoOf(member->type).width;
    EXPECT_EQ(member->width, width) << member->name;
    offset += member->width * member->count;
  }
  EXPECT_EQ(types.size(), static_cast<size_t>(MemberType::kColor) + 1);
  EXPECT_EQ(every->size(), offset);
}

}  // namespace
