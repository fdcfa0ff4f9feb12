#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "structs/StructDefinition.h"
#include "structs/StructInstance.h"
#include "structs/StructMember.h"
#include "structs/StructPath.h"
#include "structs/StructRegistry.h"
#include "structs/XmlResourceSet.h"

namespace {

// A record with every kind of step a path takes: plain and array members, a nested record of
// count 1 and an array of them, an unnamed member and a name used twice.
constexpr const char* kDescriptions = R"(<zarvxmlfile>
  <struct name="pair"><short name="a"/><long_time name="delay"/></struct>
  <struct name="rec">
    <short name="hp"/>
    <byte count="3"/>
    <short name="armor" count="4"/>
    <long name="flags"/>
    <substruct name="origin" struct="pair"/>
    <short name="used"/>
    <substruct name="attacks" struct="pair" count="3" runtime_count="used"/>
    <tag name="sound" group="soun"/>
    <byte name="hp"/>
  </struct>
</zarvxmlfile>)";

class StructPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    XmlResourceSet resources;
    ASSERT_TRUE(resources.LoadText("paths.xml", kDescriptions, nullptr));
    registry_.Build(std::move(resources), nullptr);
    definition_ = registry_.Find("rec");
    ASSERT_NE(definition_, nullptr);
    record_ = std::make_unique<StructInstance>(*definition_);
  }

  // Where the element a path names lies in the top record's bytes.
  size_t OffsetOf(const structpath::Resolved& r) const {
    return static_cast<size_t>(r.ref.instance->bytes().data() - record_->bytes().data()) +
           r.ref.member->offset + size_t{r.index} * r.ref.member->width;
  }

  std::string Refusal(const std::string& path) {
    structpath::Resolved r;
    std::string error;
    EXPECT_FALSE(structpath::Resolve(*record_, path, r, error)) << path;
    return error;
  }

  StructRegistry registry_;
  const StructDefinition* definition_ = nullptr;
  std::unique_ptr<StructInstance> record_;
};

TEST_F(StructPathTest, ElementsOfNestedRecordsLieInsideTheTopRecord) {
  const StructMember* attacks = definition_->FindMember("attacks");
  const StructMember* delay = attacks->nested->FindMember("delay");
  structpath::Resolved r;
  std::string error;
  ASSERT_TRUE(structpath::Resolve(*record_, "attacks[2].delay", r, error)) << error;
  EXPECT_EQ(r.ref.member, delay);
  EXPECT_EQ(OffsetOf(r), attacks->offset + 2 * attacks->nested->size() + delay->offset);
  // The nested record encloses back to the top one, where its runtime count lives.
  EXPECT_EQ(r.ref.instance->enclosing(), record_.get());

  ASSERT_TRUE(structpath::Resolve(*record_, "origin.a", r, error)) << error;
  EXPECT_EQ(OffsetOf(r), definition_->FindMember("origin")->offset);
}

TEST_F(StructPathTest, IndexDefaultsToZeroAndBitsComeAlong) {
  structpath::Resolved r;
  std::string error;
  ASSERT_TRUE(structpath::Resolve(*record_, "armor", r, error)) << error;
  EXPECT_EQ(r.index, 0u);
  ASSERT_TRUE(structpath::Resolve(*record_, "flags:31", r, error)) << error;
  EXPECT_EQ(r.bit, 31u);
  // The first of two members of one name is the one reached.
  ASSERT_TRUE(structpath::Resolve(*record_, "hp", r, error)) << error;
  EXPECT_EQ(r.ref.member, definition_->FindMember("hp"));
  EXPECT_EQ(r.ref.member->type, MemberType::kShort);
}

TEST_F(StructPathTest, RefusesWhatNamesNoElement) {
  EXPECT_NE(Refusal("speed").find("no member 'speed'"), std::string::npos);
  EXPECT_NE(Refusal("armor[4]").find("past the capacity 4"), std::string::npos);
  EXPECT_NE(Refusal("attacks[3].a").find("past the capacity 3"), std::string::npos);
  EXPECT_NE(Refusal("origin").find("is a record"), std::string::npos);
  EXPECT_NE(Refusal("hp.a").find("not a record"), std::string::npos);
  EXPECT_NE(Refusal("sound:1").find("holds no bits"), std::string::npos);
  EXPECT_NE(Refusal("hp:16").find("past the 16 bits"), std::string::npos);
  EXPECT_NE(Refusal("armor[1]:0").find("element 0"), std::string::npos);
  for (const char* text : {"", "armor[", "armor[x]", "armor[-1]", "a..b", "flags:", "flags:1x",
                           "armor]", ".hp", "armor[99999999999]"}) {
    EXPECT_FALSE(Refusal(text).empty()) << text;
  }
}

TEST_F(StructPathTest, EveryLeafVisitedResolvesToItself) {
  std::vector<std::string> paths;
  std::set<size_t> offsets;
  structpath::ForEachLeaf(
      *record_, [&](const std::string& path, const MemberRef& ref, uint32_t index) {
        paths.push_back(path);
        structpath::Resolved r;
        std::string error;
        ASSERT_TRUE(structpath::Resolve(*record_, path, r, error)) << error;
        EXPECT_EQ(r.ref.member, ref.member) << path;
        EXPECT_EQ(r.index, index) << path;
        EXPECT_EQ(r.ref.instance->bytes().data(), ref.instance->bytes().data()) << path;
        offsets.insert(OffsetOf(r));
      });
  // hp, armor × 4, flags, origin × 2, used, attacks × 3 × 2, sound: the unnamed bytes and the
  // hidden second hp have no path.
  const StructMember* attacks = definition_->FindMember("attacks");
  EXPECT_EQ(paths.size(), 1 + 4 + 1 + 2 + 1 + attacks->count * 2 + 1);
  EXPECT_EQ(offsets.size(), paths.size());
  EXPECT_EQ(paths[1], "armor[0]");
  EXPECT_EQ(paths[6], "origin.a");
  EXPECT_EQ(paths.back(), "sound");
}

}  // namespace
