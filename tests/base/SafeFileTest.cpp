#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "base/SafeFile.h"
#include "support/TagFiles.h"

namespace {

using tagfiles::TempFolderTest;
namespace fs = std::filesystem;

SafeFile::Writer Text(std::string text) {
  return [text](const std::string& temp, std::string&) {
    std::ofstream(temp, std::ios::binary) << text;
    return true;
  };
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

using SafeFileReplaceAllTest = TempFolderTest;

TEST_F(SafeFileReplaceAllTest, EveryFileIsWrittenAndNoTemporaryStays) {
  std::ofstream(root_ / "a") << "old";
  std::string error;
  ASSERT_TRUE(
      SafeFile::ReplaceAll({{root_ / "a", Text("first")}, {root_ / "b", Text("second")}}, error))
      << error;
  EXPECT_EQ(Read(root_ / "a"), "first");
  EXPECT_EQ(Read(root_ / "b"), "second");
  EXPECT_EQ(Names(root_), (std::vector<std::string>{"a", "b"}));
}

TEST_F(SafeFileReplaceAllTest, AFailingWriterTouchesNoTarget) {
  std::ofstream(root_ / "a") << "old";
  const SafeFile::Writer fails = [](const std::string&, std::string& error) {
    error = "no room";
    return false;
  };
  std::string error;
  EXPECT_FALSE(SafeFile::ReplaceAll(
      {{root_ / "a", Text("new")}, {root_ / "b", fails}, {root_ / "c", Text("c")}}, error));
  EXPECT_EQ(error, "no room");
  EXPECT_EQ(Read(root_ / "a"), "old");
  EXPECT_EQ(Names(root_), std::vector<std::string>{"a"});
}

TEST_F(SafeFileReplaceAllTest, AFailingRenameRemovesTheTargetsAlreadyRenamed) {
  // A file cannot be renamed over a folder, so the second target fails after the first is in.
  fs::create_directories(root_ / "b" / "inside");
  std::string error;
  EXPECT_FALSE(SafeFile::ReplaceAll(
      {{root_ / "a", Text("a")}, {root_ / "b", Text("b")}, {root_ / "c", Text("c")}}, error));
  EXPECT_NE(error.find((root_ / "b").string()), std::string::npos) << error;
  EXPECT_EQ(Names(root_), std::vector<std::string>{"b"});
  EXPECT_EQ(Names(root_ / "b"), std::vector<std::string>{"inside"});
}

}  // namespace
