#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <vector>

#include "base/MessageLog.h"
#include "structs/EnumMember.h"
#include "structs/MemberValue.h"
#include "structs/StructInstance.h"
#include "support/StructTestSupport.h"

namespace {

namespace mv = membervalue;

// One record of `definition` to read and write members of.
struct Record {
  explicit Record(structtest::Built built_in, const char* name = "r")
      : built(std::move(built_in)), instance(*built.registry->Find(name)) {}
  MemberRef operator[](const char* member) { return mv::Resolve(instance, member); }
  structtest::Built built;
  StructInstance instance;
};

TEST(MemberDisplay, ScaledValuesRoundAsTheNumberBoxShowsThem) {
  Record r(structtest::Build(R"(<struct name="r"><long_time name="t"/><angle name="a"/>
                                <angular_velocity name="v"/><short_world name="w"/></struct>)"));
  ASSERT_TRUE(mv::WriteStored(r["t"], 0, 1));
  EXPECT_DOUBLE_EQ(mv::Shown(r["t"], 0), 0.033);
  ASSERT_TRUE(mv::WriteStored(r["t"], 0, 45));
  EXPECT_DOUBLE_EQ(mv::Shown(r["t"], 0), 1.5);
  ASSERT_TRUE(mv::WriteStored(r["a"], 0, 16384));
  EXPECT_DOUBLE_EQ(mv::Shown(r["a"], 0), 90.0);
  ASSERT_TRUE(mv::WriteStored(r["v"], 0, 100));
  EXPECT_DOUBLE_EQ(mv::Shown(r["v"], 0), 16.0);
  // Half a unit of the last decimal goes away from zero on both sides.
  ASSERT_TRUE(mv::WriteStored(r["w"], 0, -1));
  EXPECT_DOUBLE_EQ(mv::Shown(r["w"], 0), -0.002);
}

TEST(MemberEntry, EnteredNumbersAreScaledRoundedAndClampedToTheWidth) {
  EXPECT_EQ(mv::StoredFromEntered(MemberType::kShortFixed, 1.5), 384);
  EXPECT_EQ(mv::StoredFromEntered(MemberType::kFixedFraction, -0.5), 0);
  EXPECT_EQ(mv::StoredFromEntered(MemberType::kShortFixedFraction, 2), 255);
  EXPECT_EQ(mv::StoredFromEntered(MemberType::kShortWorld, 100000), 32767);
  EXPECT_EQ(mv::StoredFromEntered(MemberType::kLongWorld, 1e12),
            std::numeric_limits<int32_t>::max());
  EXPECT_EQ(mv::StoredFromEntered(MemberType::kFixed, -1e12), std::numeric_limits<int32_t>::min());
  Record r(structtest::Build(R"(<struct name="r"><short_fixed name="s"/></struct>)"));
  ASSERT_TRUE(mv::WriteEntered(r["s"], 0, -2.25));
  EXPECT_EQ(mv::ReadStored(r["s"], 0, false), -576);
}

TEST(MemberEntry, IntegersFitEitherSpellingOfTheWidthOrAreRefused) {
  Record r(structtest::Build(
      R"(<struct name="r"><byte name="b"/><short name="s"/><long name="l"/></struct>)"));
  struct Case {
    const char* member;
    int64_t low, high;
  };
  for (Case c :
       {Case{"b", -128, 255}, Case{"s", -32768, 65535},
        Case{"l", std::numeric_limits<int32_t>::min(), std::numeric_limits<uint32_t>::max()}}) {
    const MemberRef ref = r[c.member];
    const int width_bits = static_cast<int>(ref.member->width) * 8;
    for (int64_t v : {c.low, c.high, int64_t{0}}) {
      ASSERT_TRUE(mv::WriteInteger(ref, 0, v)) << c.member << " " << v;
      const int64_t unsigned_v = v < 0 ? v + (int64_t{1} << width_bits) : v;
      EXPECT_EQ(mv::ReadStored(ref, 0, true), unsigned_v) << c.member << " " << v;
    }
    ASSERT_TRUE(mv::WriteInteger(ref, 0, 7));
    EXPECT_FALSE(mv::WriteInteger(ref, 0, c.low - 1)) << c.member;
    EXPECT_FALSE(mv::WriteInteger(ref, 0, c.high + 1)) << c.member;
    EXPECT_EQ(mv::Read(ref, 0), 7) << c.member;
  }
  ASSERT_TRUE(mv::WriteInteger(r["s"], 0, 40000));
  EXPECT_EQ(mv::ReadStored(r["s"], 0, true), 0x9C40);
  EXPECT_FALSE(mv::WriteInteger(r["s"], 1, 1));  // past the count
}

TEST(MemberBounds, AValueShowsAsItsBoundPlusItsDifference) {
  Record r(structtest::Build(
      R"(<struct name="r"><short name="min"/><short name="max" lower_bound="min"/></struct>)"));
  ASSERT_TRUE(mv::WriteInteger(r["min"], 0, 10));
  ASSERT_TRUE(mv::WriteStored(r["max"], 0, 5));
  EXPECT_EQ(mv::Read(r["max"], 0), 15);
  ASSERT_TRUE(mv::WriteInteger(r["max"], 0, 20));
  EXPECT_EQ(mv::ReadStored(r["max"], 0, false), 10);
  // The difference is clamped to the member's own range.
  ASSERT_TRUE(mv::WriteInteger(r["max"], 0, 65535));
  EXPECT_EQ(mv::ReadStored(r["max"], 0, false), 32767);
  ASSERT_TRUE(mv::WriteEntered(r["max"], 0, -40000));
  EXPECT_EQ(mv::ReadStored(r["max"], 0, false), -32768);
}

TEST(MemberBounds, ACycleIsBrokenWhereItClosesAndLoggedOnce) {
  Record r(structtest::Build(R"(<struct name="r"><long name="a" lower_bound="b"/>
                                <long name="b" lower_bound="a"/></struct>)"));
  ASSERT_TRUE(mv::WriteStored(r["a"], 0, 3));
  ASSERT_TRUE(mv::WriteStored(r["b"], 0, 4));
  structtest::LogLines log;
  EXPECT_EQ(mv::Read(r["a"], 0), 7);
  EXPECT_EQ(mv::Read(r["a"], 0), 7);
  ASSERT_EQ(log.lines().size(), 1u);
  EXPECT_TRUE(log.lines()[0].starts_with("Struct Definitions [1] ")) << log.lines()[0];
}

TEST(MemberResolution, NamesResolveOutwardThroughEnclosingRecords) {
  auto built = structtest::Build(
      R"(<struct name="item"><short name="max" lower_bound="min"/><short name="v"/></struct>
         <struct name="box"><short name="min"/><short name="v"/>
                            <substruct name="items" struct="item" count="4" runtime_count="n"/>
                            <byte name="n"/></struct>)");
  StructInstance box(*built.registry->Find("box"));
  const MemberRef items = mv::Resolve(box, "items");
  StructInstance second(box, *items.member, 1);
  ASSERT_TRUE(mv::WriteInteger(mv::Resolve(box, "min"), 0, 100));
  const MemberRef max = mv::Resolve(second, "max");
  ASSERT_EQ(max.instance, &second);
  ASSERT_TRUE(mv::WriteInteger(max, 0, 130));
  EXPECT_EQ(mv::ReadStored(max, 0, false), 30);
  // The element's bytes are inside the enclosing record, and the own name wins.
  EXPECT_EQ(mv::ReadStored({items.member, &box}, 0, false), 0);
  EXPECT_EQ(mv::Resolve(second, "v").instance, &second);

  const MemberRef n = mv::Resolve(box, "n");
  for (auto [stored, used] : {std::pair{-3, 0}, {2, 2}, {99, 4}}) {
    ASSERT_TRUE(mv::WriteInteger(n, 0, stored));
    EXPECT_EQ(mv::UsedCount(box, *items.member), static_cast<uint32_t>(used));
  }
  EXPECT_EQ(mv::UsedCount(box, *mv::Resolve(box, "v").member), 1u);
}

TEST(MemberBits, BitsAreTakenModulo32AndKeepTheOtherBits) {
  Record r(structtest::Build(R"(<struct name="r"><short name="s"/></struct>)"));
  ASSERT_TRUE(mv::WriteInteger(r["s"], 0, -1));
  ASSERT_TRUE(mv::WriteBit(r["s"], 32, false));
  EXPECT_EQ(mv::Read(r["s"], 0), -2);
  EXPECT_FALSE(mv::ReadBit(r["s"], 0));
  EXPECT_TRUE(mv::ReadBit(r["s"], 33));
}

TEST(MemberEnum, MinusOneFallsBackToTheZeroEntry) {
  Record r(structtest::Build(R"(<struct name="r"><byte_enum name="e">
      <member text="off" value="0"/><member text="on" value="1"/></byte_enum></struct>)"));
  const auto& e = static_cast<const EnumMember&>(*r["e"].member);
  EXPECT_EQ(e.CurrentEntry(1), 1);
  EXPECT_EQ(e.CurrentEntry(-1), 0);
  EXPECT_EQ(e.CurrentEntry(5), -1);
}

TEST(RecordConversion, RecordsRoundTripWithPaddingZeroed) {
  StructRegistry registry;
  registry.LoadFolder(structtest::FixturesFolder(), nullptr);
  ASSERT_NE(registry.Find("every"), nullptr) << structtest::FixturesFolder();
  const StructDefinition& every = *registry.Find("every");
  std::vector<uint8_t> file(every.size());
  for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 7 + 1);
  StructInstance record(every);
  EXPECT_FALSE(record.ReadSwapped(std::span(file).first(file.size() - 1)));
  ASSERT_TRUE(record.ReadSwapped(file));
  const MemberRef hp = mv::Resolve(record, "hp");
  const uint8_t* at = file.data() + hp.member->offset;
  EXPECT_EQ(mv::ReadStored(hp, 0, true),
            int64_t{at[0]} << 24 | int64_t{at[1]} << 16 | int64_t{at[2]} << 8 | at[3]);

  std::vector<uint8_t> expected = file;
  expected[0] = expected[1] = 0;  // the leading padding
  EXPECT_EQ(record.WriteSwapped(), expected);
  const std::vector<uint8_t> backup = record.Snapshot();
  ASSERT_TRUE(mv::WriteInteger(hp, 0, 1));
  record.Restore(backup);
  EXPECT_EQ(record.WriteSwapped(), expected);
}

TEST(MemberFresh, ANewRecordRefersToNoTagAndNoSequenceDownToItsNestedRecords) {
  Record r(structtest::Build(R"(<struct name="e"><tag group="soun"/><short name="n"/></struct>
    <struct name="r"><tag name="t" group=".256" count="2"/><sequence_index name="s"/>
      <short name="k"/><substruct name="arr" struct="e" count="2"/></struct>)"));
  mv::ReferToNothing(r.instance);
  EXPECT_EQ(mv::ReadStored(r["t"], 1, true), 0xFFFFFFFF);
  EXPECT_EQ(mv::ReadStored(r["s"], 0, false), -1);
  EXPECT_EQ(mv::ReadStored(r["k"], 0, false), 0);
  // The unnamed tag of the second nested element, and its neighbour left alone.
  const auto bytes = r.instance.bytes();
  const size_t second = 4 * 2 + 2 + 2 + 6;
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + second, bytes.begin() + second + 6),
            (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0, 0}));
}

}  // namespace
