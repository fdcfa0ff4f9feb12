#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "tags/LooseTagFile.h"
#include "tags/LooseTagWriter.h"
#include "tags/TagCode.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class TempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "zarv-loose-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
  }
  void TearDown() override { fs::remove_all(root_); }

  static Bytes Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  static void Spit(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  size_t EntriesIn(const fs::path& folder) const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
  }

  fs::path root_;
};

TagHeader Caller(const std::string& name = "") {
  TagHeader h;
  h.identifier = 7;
  h.type = 9;
  h.flags = 0x22;
  h.SetName(name);
  h.user_data = 0xAABBCCDD;
  h.version = 5;
  h.foundation_index = 3;
  h.owner_index = 4;
  return h;
}

Bytes HeaderBytes(const TagHeader& h) {
  ByteWriter w;
  h.Write(w);
  return w.Take();
}

using LooseTagWrite = TempFolder;

TEST_F(LooseTagWrite, ProducesTheHeaderOfASavedLooseTag) {
  LooseTagWriter writer;
  std::string error;
  ASSERT_TRUE(writer.Begin(root_, Caller("Big Rock"), tagcode::Make("mesh"), tagcode::Make("BiRo"),
                           "", error))
      << error;
  writer.data().WriteBytes(Bytes{'X', 'Y', 'Z'});
  // The writer of the data may change the caller's user data and version as it writes; the
  // header takes them, and both index bytes, as they are at the end.
  TagHeader at_end = Caller("Big Rock");
  at_end.user_data = 0x11223344;
  at_end.version = 4;
  ASSERT_TRUE(writer.End(at_end, true, error)) << error;

  Bytes expected = {0xFF, 0xFF, 0x22, 0x00, 'B', 'i', 'g', ' ', 'R', 'o', 'c', 'k'};
  expected.resize(36, 0);
  const Bytes tail = {'m', 'e', 's', 'h', 'B', 'i',  'R',  'o',  0,    0, 0,
                      64,  0,   0,   0,   3,   0x11, 0x22, 0x33, 0x44, 0, 4,
                      3,   4,   'v', 'r', 'n', '2',  'X',  'Y',  'Z'};
  expected.insert(expected.end(), tail.begin(), tail.end());
  EXPECT_EQ(writer.path(), root_ / "meshes" / "Big Rock");
  EXPECT_EQ(Slurp(root_ / "meshes" / "Big Rock"), expected);
  EXPECT_EQ(EntriesIn(root_ / "meshes"), 1u);
}

TEST_F(LooseTagWrite, PlaceholderNameTakesTheFileName) {
  LooseTagWriter writer;
  std::string error;
  ASSERT_TRUE(writer.Begin(root_, Caller("oru made this"), tagcode::Make("soun"),
                           tagcode::Make("Rock"), "Big Rock", error));
  ASSERT_TRUE(writer.End(Caller(), true, error)) << error;
  LooseTag tag;
  ASSERT_TRUE(LooseTagFile::Read(root_ / "sounds" / "Big Rock", std::nullopt, tag, error));
  EXPECT_EQ(tag.header.Name(), "Big Rock");
  EXPECT_EQ(tag.header.data_size, 0u);
}

TEST_F(LooseTagWrite, CreatesNestedGroupFoldersAndSanitisesTheName) {
  LooseTagWriter writer;
  std::string error;
  ASSERT_TRUE(writer.Begin(root_, Caller("../a:b. "), tagcode::Make("quik"), tagcode::Make("abcd"),
                           "", error))
      << error;
  ASSERT_TRUE(writer.End(Caller(), true, error)) << error;
  EXPECT_TRUE(fs::is_regular_file(root_ / "quicktime" / "mp3" / ".._a_b"));
}

TEST_F(LooseTagWrite, FailedDataKeepsTheOldFileAndLeavesNoTemporary) {
  const fs::path target = root_ / "meshes" / "Keep";
  fs::create_directories(target.parent_path());
  const Bytes old = {'o', 'l', 'd'};
  Spit(target, old);

  LooseTagWriter writer;
  std::string error;
  ASSERT_TRUE(
      writer.Begin(root_, Caller("Keep"), tagcode::Make("mesh"), tagcode::Make("Keep"), "", error));
  writer.data().WriteBytes(Bytes(100, 1));
  EXPECT_FALSE(writer.End(Caller(), false, error));
  EXPECT_EQ(Slurp(target), old);
  EXPECT_EQ(EntriesIn(target.parent_path()), 1u);
}

TEST_F(LooseTagWrite, FailedReplaceKeepsWhatWasThereAndLeavesNoTemporary) {
  const fs::path target = root_ / "meshes" / "Keep";
  fs::create_directories(target / "inside");  // a folder cannot be renamed over
  LooseTagWriter writer;
  std::string error;
  ASSERT_TRUE(
      writer.Begin(root_, Caller("Keep"), tagcode::Make("mesh"), tagcode::Make("Keep"), "", error));
  EXPECT_FALSE(writer.End(Caller(), true, error));
  EXPECT_NE(error.find("Keep"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(target / "inside"));
  EXPECT_EQ(EntriesIn(target.parent_path()), 1u);
}

TEST_F(LooseTagWrite, SavedFileGetsOrdinaryPermissions) {
  LooseTagWriter writer;
  std::string error;
  ASSERT_TRUE(
      writer.Begin(root_, Caller("Perm"), tagcode::Make("mesh"), tagcode::Make("Perm"), "", error));
  ASSERT_TRUE(writer.End(Caller(), true, error)) << error;
  const fs::perms perms = fs::status(writer.path()).permissions();
  EXPECT_NE(perms & fs::perms::owner_read, fs::perms::none);
  EXPECT_NE(perms & fs::perms::owner_write, fs::perms::none);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if ((mask & 0044) == 0) {
    EXPECT_NE(perms & fs::perms::others_read, fs::perms::none);
  }
}

TEST_F(LooseTagWrite, AbandonedSaveKeepsTheOldFile) {
  const fs::path target = root_ / "meshes" / "Keep";
  fs::create_directories(target.parent_path());
  Spit(target, Bytes{'o', 'l', 'd'});
  {
    LooseTagWriter writer;
    std::string error;
    ASSERT_TRUE(writer.Begin(root_, Caller("Keep"), tagcode::Make("mesh"), tagcode::Make("Keep"),
                             "", error));
  }
  EXPECT_EQ(Slurp(target), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(EntriesIn(target.parent_path()), 1u);
}

TEST_F(LooseTagWrite, UnusableFolderFailsWithoutTouchingAnything) {
  Spit(root_ / "meshes", Bytes{'f'});  // a file where the group folder should be
  LooseTagWriter writer;
  std::string error;
  EXPECT_FALSE(
      writer.Begin(root_, Caller("Rock"), tagcode::Make("mesh"), tagcode::Make("Rock"), "", error));
  EXPECT_NE(error.find("couldn't open tag file 'Rock' for writing"), std::string::npos);
  EXPECT_EQ(Slurp(root_ / "meshes"), (Bytes{'f'}));
}

TEST_F(LooseTagWrite, ExistingFileNameMustBeASinglePathComponent) {
  LooseTagWriter writer;
  std::string error;
  EXPECT_FALSE(writer.Begin(root_, Caller("Rock"), tagcode::Make("mesh"), tagcode::Make("Rock"),
                            "../escape", error));
  EXPECT_FALSE(writer.Begin(root_, Caller("Rock"), tagcode::Make("mesh"), tagcode::Make("Rock"),
                            "..", error));
  EXPECT_FALSE(fs::exists(root_ / "escape"));
}

using LooseTagRead = TempFolder;

TEST_F(LooseTagRead, DataSizeComesFromTheFileLength) {
  TagHeader h = Caller("Rock");
  h.group = tagcode::Make("mesh");
  h.data_offset = 64;
  h.data_size = 1000;
  Bytes bytes = HeaderBytes(h);
  bytes.resize(564, 0x5A);
  LooseTag tag;
  std::string error;
  ASSERT_TRUE(LooseTagFile::Parse(bytes, "Rock", std::nullopt, tag, error)) << error;
  EXPECT_EQ(tag.header.data_size, 500u);
  EXPECT_EQ(tag.claimed_data_size, 1000u);
  EXPECT_EQ(tag.data, Bytes(500, 0x5A));
}

TEST_F(LooseTagRead, PlaceholderNameIsReplacedByTheFileName) {
  const fs::path path = root_ / "Big Rock";
  Spit(path, HeaderBytes(Caller("oru made this")));
  LooseTag tag;
  std::string error;
  ASSERT_TRUE(LooseTagFile::Read(path, std::nullopt, tag, error)) << error;
  EXPECT_EQ(tag.header.Name(), "Big Rock");
}

TEST_F(LooseTagRead, BadFilesGiveAReason) {
  // The data offset is not a reason: a header copied out of an archive keeps its offset there,
  // and the data of a loose file always follows the header.
  TagHeader h = Caller("Rock");
  h.group = tagcode::Make("mesh");
  h.data_offset = 0xFFFFFFF0;
  LooseTag tag;
  std::string error;
  Bytes bytes = HeaderBytes(h);
  bytes.push_back('D');
  ASSERT_TRUE(LooseTagFile::Parse(bytes, "Rock", std::nullopt, tag, error)) << error;
  EXPECT_EQ(tag.header.data_size, 1u);
  EXPECT_EQ(tag.data, Bytes{'D'});

  EXPECT_FALSE(LooseTagFile::Parse(Bytes(10, 0), "Rock", std::nullopt, tag, error));
  EXPECT_NE(error.find("shorter than the 64-byte"), std::string::npos) << error;

  EXPECT_FALSE(LooseTagFile::Read(root_ / "absent", std::nullopt, tag, error));
  EXPECT_FALSE(error.empty());
}

TEST_F(LooseTagRead, ForeignGroupInAGroupFolderIsRejected) {
  TagHeader h = Caller("Rock");
  h.group = tagcode::Make("mesh");
  h.data_offset = 64;
  LooseTag tag;
  std::string error;
  EXPECT_FALSE(LooseTagFile::Parse(HeaderBytes(h), "Rock", tagcode::Make("soun"), tag, error));
  EXPECT_EQ(error, "'Rock', a 'Meshes' file, was found in the 'Sounds' folder.");
  EXPECT_TRUE(LooseTagFile::Parse(HeaderBytes(h), "Rock", tagcode::Make("mesh"), tag, error));
}

}  // namespace

// The tool's whole-file write: the header's offset and size are made to match the data whatever
// they said, the result reads back as written, and a failed write leaves the old file whole.
using LooseTagWholeWrite = TempFolder;

TEST_F(LooseTagWholeWrite, ReadsBackAndReplacesOnlyWhenComplete) {
  TagHeader h = Caller("Rock");
  h.group = tagcode::Make("mesh");
  h.data_offset = 999;
  h.data_size = 12345;
  const fs::path path = root_ / "Rock";
  std::string error;
  Spit(path, Bytes{1, 2, 3});
  ASSERT_TRUE(LooseTagFile::Write(path, h, Bytes(300, 0x42), error)) << error;
  LooseTag tag;
  ASSERT_TRUE(LooseTagFile::Read(path, tagcode::Make("mesh"), tag, error)) << error;
  EXPECT_EQ(tag.claimed_data_size, 300u);
  EXPECT_EQ(tag.header.data_offset, 64u);
  EXPECT_EQ(tag.header.Name(), "Rock");
  EXPECT_EQ(tag.data, Bytes(300, 0x42));

  const Bytes before = Slurp(path);
  EXPECT_FALSE(LooseTagFile::Write(root_ / "missing" / "Rock", h, Bytes(5, 1), error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(Slurp(path), before);
  EXPECT_EQ(EntriesIn(root_), 1u);
}
