#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/MessageLog.h"
#include "structs/StructRegistry.h"
#include "support/StructTestSupport.h"
#include "support/TagFiles.h"

namespace {

using structtest::Matching;
using Level = StructProblem::Level;
namespace fs = std::filesystem;

void Write(const fs::path& path, const std::string& text) {
  tagfiles::Spit(path, tagfiles::Bytes(text.begin(), text.end()));
}

std::string OneStruct(int bytes) {
  return "<zarvxmlfile><struct name=\"r\"><byte count=\"" + std::to_string(bytes) +
         "\"/></struct></zarvxmlfile>";
}

std::string Nested(int levels) {
  std::string text = "<zarvxmlfile>";
  for (int i = 1; i < levels; ++i) text += "<a>";
  for (int i = 1; i < levels; ++i) text += "</a>";
  return text + "</zarvxmlfile>";
}

class ResourceWalk : public tagfiles::TempFolderTest {
 protected:
  std::vector<std::string> Files() {
    registry_.LoadFolder(root_, &problems_);
    std::vector<std::string> files;
    for (const auto& root : registry_.resources().roots()) files.push_back(root.file);
    return files;
  }
  StructRegistry registry_;
  std::vector<StructProblem> problems_;
};

TEST_F(ResourceWalk, GoesByPathWithTheShippedFolderLastSoAUserFileWins) {
  Write(root_ / "structs" / "a.xml", OneStruct(4));
  Write(root_ / "b.xml", OneStruct(3));
  Write(root_ / "a" / "z.xml", OneStruct(2));
  Write(root_ / "Thumbs.db", OneStruct(9));
  Write(root_ / "sub" / ".DS_Store", OneStruct(9));
  fs::create_directory_symlink(root_, root_ / "sub" / "loop");
  EXPECT_EQ(Files(), (std::vector<std::string>{"a/z.xml", "b.xml", "structs/a.xml"}));
  EXPECT_EQ(registry_.Find("r")->size(), 2u);
  EXPECT_EQ(registry_.Find("r")->file(), "a/z.xml");
}

// An install: the shipped folder is read-only and the user's descriptions live elsewhere, even
// in a structs/ folder of their own; theirs still win.
TEST_F(ResourceWalk, AUserFolderApartFromTheShippedOnesWinsEvenInItsStructsFolder) {
  Write(root_ / "share" / "structs" / "a.xml", OneStruct(4));
  Write(root_ / "config" / "structs" / "mine.xml", OneStruct(2));
  registry_.LoadFolder(root_ / "share", &problems_, root_ / "config");
  ASSERT_NE(registry_.Find("r"), nullptr);
  EXPECT_EQ(registry_.Find("r")->size(), 2u);
  EXPECT_EQ(registry_.Find("r")->file(), (root_ / "config" / "structs" / "mine.xml").string());
}

TEST_F(ResourceWalk, ReportsFilesThatAddNothingAtTheirPlace) {
  Write(root_ / "readme.txt", "plain words");
  Write(root_ / "notes.xml", "plain words");
  Write(root_ / "bom.xml", "\xEF\xBB\xBF \n" + OneStruct(1));
  Write(root_ / "broken.xml", "<zarvxmlfile>\n  <struct name=\"x\">\n</zarvxmlfile>\n");
  Write(root_ / "other.xml", "<!-- none -->\n<other/>");
  EXPECT_EQ(Files(), std::vector<std::string>{"bom.xml"});
  ASSERT_EQ(problems_.size(), 3u);
  EXPECT_EQ(problems_[0].file, "broken.xml");
  EXPECT_EQ(problems_[0].level, Level::kError);
  EXPECT_EQ(problems_[0].line, 3);
  EXPECT_GT(problems_[0].column, 0);
  EXPECT_EQ(problems_[1].Describe(),
            "notes.xml: warning: the file does not start with '<'; it is not read as XML");
  EXPECT_EQ(problems_[2].file, "other.xml");
  EXPECT_EQ(problems_[2].line, 2);
}

TEST_F(ResourceWalk, RefusesFilesOverSixteenMebibytes) {
  Write(root_ / "big.xml", OneStruct(1));
  fs::resize_file(root_ / "big.xml", XmlResourceSet::kMaxFileBytes + 1);
  Write(root_ / "fits.xml", OneStruct(1));
  EXPECT_EQ(Files(), std::vector<std::string>{"fits.xml"});
  EXPECT_EQ(Matching(problems_, Level::kError, "16 MiB").size(), 1u);
}

// A UTF-8 lead byte announcing more bytes than are left once made the parser step over the
// terminator and read on past the end of the text (found by fuzzing). The text here is cut out of
// a longer one, so what lies behind its terminator is the rest of a well-formed file: read, it
// would make the cut text look whole.
TEST(ResourceText, CutUtf8SequenceAtTheEndIsNotReadPast) {
  const std::string cut = "<?xml version=\"1.0\"?><zarvxmlfile>\xED";
  std::string text = cut + "XX</zarvxmlfile>";
  text.resize(cut.size());  // the old bytes stay in the buffer behind the new terminator
  XmlResourceSet resources;
  std::vector<StructProblem> problems;
  EXPECT_FALSE(resources.LoadText("cut.xml", text, &problems));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].message.find("not well-formed"), std::string::npos)
      << problems[0].Describe();
}

TEST(ResourceNesting, RefusesDeepFilesBeforeParsingThem) {
  XmlResourceSet resources;
  std::vector<StructProblem> problems;
  EXPECT_TRUE(resources.LoadText("ok.xml", Nested(XmlResourceSet::kMaxNesting), &problems));
  EXPECT_FALSE(resources.LoadText("deep.xml", Nested(XmlResourceSet::kMaxNesting + 1), &problems));
  // Unclosed, deep enough to exhaust the parser's stack.
  std::string unclosed;
  for (int i = 0; i < 200000; ++i) unclosed += "<a>";
  EXPECT_FALSE(resources.LoadText("abyss.xml", unclosed, &problems));
  EXPECT_FALSE(resources.LoadText("abyss2.xml", Nested(200000), &problems));
  // Quoted '>' and '/>' do not end a start tag early.
  std::string quoted = "<zarvxmlfile>";
  for (int i = 0; i < 300; ++i) quoted += "<a b=\"/>\">";
  EXPECT_FALSE(resources.LoadText("quoted.xml", quoted, &problems));
  ASSERT_EQ(problems.size(), 4u);
  for (const StructProblem& p : problems) {
    EXPECT_NE(p.message.find("256 levels"), std::string::npos) << p.Describe();
  }
  EXPECT_EQ(resources.roots().size(), 1u);
}

TEST_F(ResourceWalk, StartUpWritesEveryProblemToTheLog) {
  Write(root_ / "bad.xml",
        "<zarvxmlfile>\n<struct name=\"r\"><substruct struct=\"q\"/></struct>"
        "\n</zarvxmlfile>");
  structtest::LogLines log;
  LoadProgramStructs(root_);
  ASSERT_EQ(log.lines().size(), 1u);
  EXPECT_TRUE(
      log.lines()[0].starts_with("Struct Definitions [1] bad.xml:2: error: struct 'r' "
                                 "refused"))
      << log.lines()[0];
  ProgramStructs().Build(XmlResourceSet(), nullptr);
}

}  // namespace
