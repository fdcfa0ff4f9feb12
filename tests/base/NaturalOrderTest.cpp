#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/NaturalOrder.h"

namespace {

TEST(NaturalOrder, SortsNumbersByValueLettersWithoutCaseAndPrefixesFirst) {
  std::vector<std::string> names = {"walk 10",
                                    "Walk 1",
                                    "walk 2",
                                    "walk",
                                    "walk a",
                                    "walk 02x",
                                    "run 99999999999999999999",
                                    "run 100000000000000000000"};
  std::sort(names.begin(), names.end(), NaturalLess);
  EXPECT_EQ(names, (std::vector<std::string>{"run 99999999999999999999",
                                             "run 100000000000000000000", "walk", "walk a",
                                             "Walk 1", "walk 2", "walk 02x", "walk 10"}));
  EXPECT_EQ(NaturalCompare("frame007", "FRAME7"), 0);
  EXPECT_GT(NaturalCompare("a1", "a_"), 0);  // a number after any single other character
  EXPECT_LT(NaturalCompare("b", "b0"), 0);
}

}  // namespace
