#include <gtest/gtest.h>

#include <algorithm>

#include "structs/StructRegistry.h"
#include "tags/TagCode.h"
#include "tools/shipped-structs/ShippedStructs.h"

namespace {

std::string Describe(const std::vector<StructProblem>& problems) {
  std::string text;
  for (const StructProblem& p : problems) {
    text += p.file + ":" + std::to_string(p.line) + ": " + p.message + "\n";
  }
  return text;
}

TEST(ShippedStructsTest, ReadWithoutAnyProblem) {
  ASSERT_FALSE(ShippedStructFiles().empty());
  StructRegistry registry;
  std::vector<StructProblem> problems;
  LoadShippedStructs(registry, &problems);
  EXPECT_TRUE(problems.empty()) << Describe(problems);
}

TEST(ShippedStructsTest, TheDemoGroupsGetTheStructEditorWithALayout) {
  StructRegistry registry;
  LoadShippedStructs(registry, nullptr);
  const std::vector<uint32_t> edited = registry.EditedGroups();
  for (const char* group : {"unit", "scen", "core"}) {
    EXPECT_NE(std::find(edited.begin(), edited.end(), tagcode::Make(group)), edited.end()) << group;
    EXPECT_NE(registry.FindLayout(group), nullptr) << group;
  }
}

}  // namespace
