#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

#include "app/Preferences.h"

namespace fs = std::filesystem;

namespace {

// Every test gets an empty table and its own folder holding the preferences file, so no test
// sees another's values or touches the real res/prefs.txt.
class PrefsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "zarv_prefs_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/prefs.txt";
    SetPrefsPath(path_);
    ClearPrefs();
  }

  void TearDown() override {
    ClearPrefs();
    SetPrefsPath("");
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  static void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good()) << path;
  }

  // Bounded, so that a device left in place of the file by a faulty save cannot stall a test.
  static std::string ReadFile(const std::string& path) {
    constexpr std::streamsize kLimit = 1 << 16;
    std::ifstream in(path, std::ios::binary);
    std::string bytes(kLimit, '\0');
    in.read(bytes.data(), kLimit);
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
  }

  // Where a save writes before its rename: a name of this process's own.
  std::string TempPath() const { return path_ + "." + std::to_string(getpid()) + ".tmp"; }

  bool LoadBytes(const std::string& bytes) {
    WriteFile(path_, bytes);
    return LoadPrefs();
  }

  static bool HasKey(const std::string& key) {
    int32_t number = 0;
    std::string text;
    return GetPrefInt(key, &number) || GetPrefString(key, &text);
  }

  static int32_t IntOr(const std::string& key, int32_t fallback) {
    int32_t value = fallback;
    GetPrefInt(key, &value);
    return value;
  }

  static std::string StringOr(const std::string& key, const std::string& fallback) {
    std::string value = fallback;
    GetPrefString(key, &value);
    return value;
  }

  std::string dir_;
  std::string path_;
};

using PrefsReadTest = PrefsFixture;
using PrefsMalformedLineTest = PrefsFixture;
using PrefsSaveTest = PrefsFixture;
using PrefsAtomicSaveTest = PrefsFixture;
using PrefsAccessTest = PrefsFixture;
using PrefsRefusalTest = PrefsFixture;
using PrefsListTest = PrefsFixture;
using PrefsMergeTest = PrefsFixture;

// ---- Reading well-formed files ----

TEST_F(PrefsReadTest, OneNumberLineWithLfLoadsOneEntry) {
  EXPECT_TRUE(LoadBytes("UseVSync 1\n"));
  EXPECT_EQ(IntOr("UseVSync", -1), 1);
  EXPECT_EQ(SerializePrefs(), "UseVSync 1\n");
}

TEST_F(PrefsReadTest, CrLfLineEndLoadsTheSameEntry) {
  EXPECT_TRUE(LoadBytes("UseVSync 1\r\n"));
  EXPECT_EQ(IntOr("UseVSync", -1), 1);
  EXPECT_EQ(SerializePrefs(), "UseVSync 1\n");
}

TEST_F(PrefsReadTest, LoneCrEndsAnEntryAndTheNextStartsRightAfter) {
  EXPECT_TRUE(LoadBytes("A 1\rB \"x\"\rC 3\n"));
  EXPECT_EQ(IntOr("A", -1), 1);
  EXPECT_EQ(StringOr("B", "?"), "x");
  EXPECT_EQ(IntOr("C", -1), 3);
}

TEST_F(PrefsReadTest, TextValueLoads) {
  EXPECT_TRUE(LoadBytes("VornPath \"C:/Games/Vorn dir\"\nEmpty \"\"\n"));
  EXPECT_EQ(StringOr("VornPath", "?"), "C:/Games/Vorn dir");
  EXPECT_EQ(StringOr("Empty", "?"), "");
}

TEST_F(PrefsReadTest, NegativeNumberReadsBack) {
  EXPECT_TRUE(LoadBytes("A 5\nOffset -42\nZero -0\nB 6\n"));
  EXPECT_EQ(IntOr("Offset", 0), -42);
  EXPECT_EQ(IntOr("Zero", 7), 0);
  EXPECT_EQ(IntOr("A", 0), 5);
  EXPECT_EQ(IntOr("B", 0), 6);
}

TEST_F(PrefsReadTest, Signed32BitLimitsReadBack) {
  EXPECT_TRUE(LoadBytes("Max 2147483647\nMin -2147483648\nPadded 0007\n"));
  EXPECT_EQ(IntOr("Max", 0), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(IntOr("Min", 0), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(IntOr("Padded", 0), 7);
}

TEST_F(PrefsReadTest, Utf8TextValueReadsBack) {
  const std::string path = "/home/j\xC3\xBCrgen/\xE6\xB8\xB8\xE6\x88\x8F";
  EXPECT_TRUE(LoadBytes("VornPath \"" + path + "\"\n"));
  EXPECT_EQ(StringOr("VornPath", "?"), path);
}

TEST_F(PrefsReadTest, KeyWithHighBytesReads) {
  EXPECT_TRUE(LoadBytes("Ma\xC3\x9F 9\n"));
  EXPECT_EQ(IntOr("Ma\xC3\x9F", 0), 9);
}

TEST_F(PrefsReadTest, KeySeenTwiceKeepsItsLastValueAndKind) {
  EXPECT_TRUE(LoadBytes("A 1\nA \"two\"\nB \"x\"\nB 3\n"));
  EXPECT_EQ(StringOr("A", "?"), "two");
  int32_t number = -1;
  EXPECT_FALSE(GetPrefInt("A", &number));
  EXPECT_EQ(IntOr("B", -1), 3);
}

TEST_F(PrefsReadTest, EmptyLinesAreSkippedAndLaterEntriesStillRead) {
  EXPECT_TRUE(LoadBytes("A 1\n\nB 2\n\r\nC 3\n\rD 4\n\n"));
  EXPECT_EQ(IntOr("A", 0), 1);
  EXPECT_EQ(IntOr("B", 0), 2);
  EXPECT_EQ(IntOr("C", 0), 3);
  EXPECT_EQ(IntOr("D", 0), 4);
}

TEST_F(PrefsReadTest, EmptyFileLoadsNothingSuccessfully) {
  EXPECT_TRUE(LoadBytes(""));
  EXPECT_EQ(SerializePrefs(), "");
}

TEST_F(PrefsReadTest, FileEntriesOverrideDefaultsAndOthersStay) {
  SetPrefDefaults();
  EXPECT_TRUE(LoadBytes("ShowSplash 0\nOsWindowSizeX 800\n"));
  EXPECT_EQ(IntOr("ShowSplash", -1), 0);
  EXPECT_EQ(IntOr("OsWindowSizeX", -1), 800);
  EXPECT_EQ(StringOr("VornPath", "?"), ".");
  EXPECT_EQ(IntOr("UseFullscreen", -1), 0);
}

TEST_F(PrefsReadTest, MissingFileFailsAndKeepsDefaults) {
  SetPrefDefaults();
  const std::string before = SerializePrefs();
  EXPECT_FALSE(LoadPrefs());
  EXPECT_EQ(SerializePrefs(), before);
}

TEST_F(PrefsReadTest, DirectoryInPlaceOfTheFileFails) {
  SetPrefsPath(dir_);
  EXPECT_FALSE(LoadPrefs());
  EXPECT_EQ(SerializePrefs(), "");
}

TEST_F(PrefsReadTest, ParseOfBufferMatchesLoadOfFile) {
  const std::string bytes = "A 1\nB\t2\nC \"c\"\n";
  const bool parsed = ParsePrefs(bytes);
  const std::string from_buffer = SerializePrefs();
  ClearPrefs();
  EXPECT_EQ(LoadBytes(bytes), parsed);
  EXPECT_EQ(SerializePrefs(), from_buffer);
}

// ---- Malformed lines cost only themselves ----

TEST_F(PrefsMalformedLineTest, TabAfterKeyIsSkippedAndLaterLinesRead) {
  EXPECT_FALSE(LoadBytes("A 1\nUseVSync\t1\nVornPath \"/games/vorn\"\n"));
  EXPECT_EQ(IntOr("A", 0), 1);
  EXPECT_FALSE(HasKey("UseVSync"));
  EXPECT_EQ(StringOr("VornPath", "?"), "/games/vorn");
}

TEST_F(PrefsMalformedLineTest, NumbersOutside32BitsAreMalformed) {
  EXPECT_FALSE(
      LoadBytes("Big 2147483648\nSmall -2147483649\nHuge 99999999999999999999999\n"
                "Ok 1\n"));
  EXPECT_FALSE(HasKey("Big"));
  EXPECT_FALSE(HasKey("Small"));
  EXPECT_FALSE(HasKey("Huge"));
  EXPECT_EQ(IntOr("Ok", 0), 1);
}

TEST_F(PrefsMalformedLineTest, SignWithoutDigitsOrOtherSignsAreMalformed) {
  EXPECT_FALSE(ParsePrefs("A -\nB --1\nC +1\nD 1-\nE 2\n"));
  EXPECT_FALSE(HasKey("A"));
  EXPECT_FALSE(HasKey("B"));
  EXPECT_FALSE(HasKey("C"));
  EXPECT_FALSE(HasKey("D"));
  EXPECT_EQ(IntOr("E", 0), 2);
}

TEST_F(PrefsMalformedLineTest, ControlByteInTextIsMalformed) {
  EXPECT_FALSE(ParsePrefs("A \"x\x01y\"\nB \"tab\there\"\nC \"del\x7F\"\nD 4\n"));
  EXPECT_FALSE(HasKey("A"));
  EXPECT_FALSE(HasKey("B"));
  EXPECT_FALSE(HasKey("C"));
  EXPECT_EQ(IntOr("D", 0), 4);
}

TEST_F(PrefsMalformedLineTest, NulByteInTextIsMalformed) {
  EXPECT_FALSE(ParsePrefs(std::string("A \"x\0y\"\nB 2\n", 12)));
  EXPECT_FALSE(HasKey("A"));
  EXPECT_EQ(IntOr("B", 0), 2);
}

TEST_F(PrefsMalformedLineTest, TextCutByLineBreakLosesOnlyItsOwnLine) {
  EXPECT_FALSE(ParsePrefs("A \"open\nB 2\nC \"x\"\n"));
  EXPECT_FALSE(HasKey("A"));
  EXPECT_EQ(IntOr("B", 0), 2);
  EXPECT_EQ(StringOr("C", "?"), "x");
}

TEST_F(PrefsMalformedLineTest, KeyWithoutValueIsMalformed) {
  EXPECT_FALSE(ParsePrefs("Lonely\nB 2\nTrailing \n"));
  EXPECT_FALSE(HasKey("Lonely"));
  EXPECT_FALSE(HasKey("Trailing"));
  EXPECT_EQ(IntOr("B", 0), 2);
}

TEST_F(PrefsMalformedLineTest, ValueThatIsNeitherNumberNorTextIsMalformed) {
  // The second word must not be taken for a key of its own.
  EXPECT_FALSE(ParsePrefs("A B 1\nC 3\n"));
  EXPECT_FALSE(HasKey("A"));
  EXPECT_FALSE(HasKey("B"));
  EXPECT_EQ(IntOr("C", 0), 3);
}

TEST_F(PrefsMalformedLineTest, TrailingBytesAfterValueAreMalformed) {
  EXPECT_FALSE(ParsePrefs("A 12x\nB \"x\"y\nC 1 \nD \"a\"b\"\nE 5\n"));
  EXPECT_FALSE(HasKey("A"));
  EXPECT_FALSE(HasKey("B"));
  EXPECT_FALSE(HasKey("C"));
  EXPECT_FALSE(HasKey("D"));
  EXPECT_EQ(IntOr("E", 0), 5);
}

TEST_F(PrefsMalformedLineTest, LineStartingWithWhiteSpaceIsMalformed) {
  EXPECT_FALSE(ParsePrefs(" A 1\n\tB 2\nC 3\n"));
  EXPECT_FALSE(HasKey("A"));
  EXPECT_FALSE(HasKey("B"));
  EXPECT_FALSE(HasKey(""));
  EXPECT_EQ(IntOr("C", 0), 3);
}

TEST_F(PrefsMalformedLineTest, LastLineWithoutLineEndIsNotTrusted) {
  EXPECT_FALSE(ParsePrefs("A 1\nB 1234"));
  EXPECT_EQ(IntOr("A", 0), 1);
  EXPECT_FALSE(HasKey("B"));
  ClearPrefs();
  EXPECT_FALSE(ParsePrefs("T \"text\""));
  EXPECT_FALSE(HasKey("T"));
}

TEST_F(PrefsMalformedLineTest, ValidEntriesBeforeAndAfterAllSurvive) {
  SetPrefDefaults();
  EXPECT_FALSE(LoadBytes("ShowSplash 2\nOops\t\nUseFullscreen 1\nVornPath \"/v\"\n"));
  EXPECT_EQ(IntOr("ShowSplash", 0), 2);
  EXPECT_EQ(IntOr("UseFullscreen", 0), 1);
  EXPECT_EQ(StringOr("VornPath", "?"), "/v");
  EXPECT_EQ(IntOr("UseVSync", -1), 0);
}

// ---- Writing ----

TEST_F(PrefsSaveTest, WritesOneLinePerEntryInTheFileFormat) {
  ASSERT_TRUE(SetPrefInt("Number", 12));
  ASSERT_TRUE(SetPrefInt("Negative", -3));
  ASSERT_TRUE(SetPrefString("Text", "a b"));
  ASSERT_TRUE(SetPrefString("Blank", ""));
  ASSERT_TRUE(SavePrefs());
  EXPECT_EQ(ReadFile(path_), "Blank \"\"\nNegative -3\nNumber 12\nText \"a b\"\n");
}

TEST_F(PrefsSaveTest, KeysAreOrderedByteWise) {
  const std::string high = "\xC3\xA9t\xC3\xA9";  // above every ASCII byte, unsigned
  for (const std::string key : {"b", high.c_str(), "ab", "a", "B", "_", "a0"}) {
    ASSERT_TRUE(SetPrefInt(key, 1));
  }
  ASSERT_TRUE(SavePrefs());
  EXPECT_EQ(ReadFile(path_), "B 1\n_ 1\na 1\na0 1\nab 1\nb 1\n" + high + " 1\n");
}

TEST_F(PrefsSaveTest, RoundTripKeepsEveryValue) {
  const std::string utf8 = "/home/j\xC3\xBCrgen/\xE2\x82\xAC \xF0\x9F\x8E\xAE";
  ASSERT_TRUE(SetPrefInt("Negative", -12345));
  ASSERT_TRUE(SetPrefInt("Min", std::numeric_limits<int32_t>::min()));
  ASSERT_TRUE(SetPrefInt("Max", std::numeric_limits<int32_t>::max()));
  ASSERT_TRUE(SetPrefString("Utf8", utf8));
  ASSERT_TRUE(SetPrefString("Empty", ""));
  ASSERT_TRUE(SetPrefString("Punctuation", " !#$%&'()*+,-./:;<=>?@[\\]^_`{|}~ "));
  ASSERT_TRUE(SetPrefList("List", {"x", "", "\xC3\xA9"}));
  const std::string before = SerializePrefs();
  ASSERT_TRUE(SavePrefs());

  ClearPrefs();
  EXPECT_TRUE(LoadPrefs());
  EXPECT_EQ(SerializePrefs(), before);
  EXPECT_EQ(IntOr("Negative", 0), -12345);
  EXPECT_EQ(IntOr("Min", 0), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(IntOr("Max", 0), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(StringOr("Utf8", "?"), utf8);
  EXPECT_EQ(StringOr("Punctuation", "?"), " !#$%&'()*+,-./:;<=>?@[\\]^_`{|}~ ");
  std::vector<std::string> list;
  EXPECT_TRUE(GetPrefList("List", &list));
  EXPECT_EQ(list, (std::vector<std::string>{"x", "", "\xC3\xA9"}));
}

TEST_F(PrefsSaveTest, EmptyTableWithoutAFileWritesAnEmptyFile) {
  ASSERT_TRUE(SavePrefs());
  EXPECT_TRUE(fs::exists(path_));
  EXPECT_EQ(ReadFile(path_), "");
}

TEST_F(PrefsSaveTest, SettingValuesDoesNotTouchTheFile) {
  WriteFile(path_, "Old 1\n");
  ASSERT_TRUE(SetPrefInt("New", 2));
  EXPECT_EQ(ReadFile(path_), "Old 1\n");
}

TEST_F(PrefsSaveTest, DefaultsAreStoredAsDocumented) {
  SetPrefDefaults();
  EXPECT_EQ(SerializePrefs(), "ShowSplash 1\nUseFullscreen 0\nUseVSync 0\nVornPath \".\"\n");
}

// ---- Saving replaces the file atomically ----

TEST_F(PrefsAtomicSaveTest, SuccessLeavesNoTemporaryFile) {
  WriteFile(path_, "Old 1\n");
  ASSERT_TRUE(SetPrefInt("New", 2));
  ASSERT_TRUE(SavePrefs());
  EXPECT_EQ(ReadFile(path_), "New 2\nOld 1\n");
  EXPECT_FALSE(fs::exists(TempPath()));
}

TEST_F(PrefsAtomicSaveTest, StaleLongerTemporaryFileDoesNotLeakIntoTheResult) {
  WriteFile(TempPath(), "Stale \"a long leftover from a crashed run\"\nMore 1\n");
  ASSERT_TRUE(SetPrefInt("A", 1));
  ASSERT_TRUE(SavePrefs());
  EXPECT_EQ(ReadFile(path_), "A 1\n");
}

TEST_F(PrefsAtomicSaveTest, UnopenableTemporaryFileKeepsTheOldFile) {
  WriteFile(path_, "Old 1\n");
  ASSERT_TRUE(fs::create_directory(TempPath()));
  ASSERT_TRUE(SetPrefInt("New", 2));
  EXPECT_FALSE(SavePrefs());
  EXPECT_EQ(ReadFile(path_), "Old 1\n");
  // Not ours to delete.
  EXPECT_TRUE(fs::is_directory(TempPath()));
}

TEST_F(PrefsAtomicSaveTest, WriteErrorKeepsTheOldFile) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full to simulate a full disk";
  WriteFile(path_, "Old 1\n");
  // Every write through this name fails with "no space left on device".
  fs::create_symlink("/dev/full", TempPath());
  ASSERT_TRUE(SetPrefString("New", "value"));
  EXPECT_FALSE(SavePrefs());
  EXPECT_FALSE(fs::is_symlink(path_));
  EXPECT_EQ(ReadFile(path_), "Old 1\n");
}

TEST_F(PrefsAtomicSaveTest, FailedRenameRemovesTheTemporaryFile) {
  // A non-empty directory where the file should be cannot be replaced by a file.
  ASSERT_TRUE(fs::create_directory(path_));
  WriteFile(path_ + "/inside", "x");
  ASSERT_TRUE(SetPrefInt("New", 2));
  EXPECT_FALSE(SavePrefs());
  EXPECT_FALSE(fs::exists(TempPath()));
  EXPECT_EQ(ReadFile(path_ + "/inside"), "x");
}

TEST_F(PrefsAtomicSaveTest, MissingFolderFailsAndCreatesNothing) {
  SetPrefsPath(dir_ + "/missing/prefs.txt");
  ASSERT_TRUE(SetPrefInt("New", 2));
  EXPECT_FALSE(SavePrefs());
  EXPECT_FALSE(fs::exists(dir_ + "/missing"));
}

TEST_F(PrefsAtomicSaveTest, FolderThatIsAFileFailsAndKeepsTheFile) {
  const std::string not_a_folder = dir_ + "/plain";
  WriteFile(not_a_folder, "keep me");
  SetPrefsPath(not_a_folder + "/prefs.txt");
  ASSERT_TRUE(SetPrefInt("New", 2));
  EXPECT_FALSE(SavePrefs());
  EXPECT_EQ(ReadFile(not_a_folder), "keep me");
}

// ---- Two editors on one file ----

// What another editor saved after this one loaded survives this one's save, for every key this
// one left alone; the keys it changed are its own.
TEST_F(PrefsMergeTest, SaveKeepsWhatAnotherEditorSavedForKeysLeftAlone) {
  ASSERT_TRUE(LoadBytes("Both 1\nMine 1\nTheirs 1\n"));
  WriteFile(path_, "Both 2\nMine 1\nTheirs 2\nTheirsNew \"x\"\n");
  ASSERT_TRUE(SetPrefInt("Mine", 3));
  ASSERT_TRUE(SetPrefInt("Both", 3));
  ASSERT_TRUE(SavePrefs());
  EXPECT_EQ(ReadFile(path_), "Both 3\nMine 3\nTheirs 2\nTheirsNew \"x\"\n");
  EXPECT_EQ(IntOr("Theirs", 0), 2);
}

TEST_F(PrefsMergeTest, KeysTheFileLacksAreWrittenEvenUnchanged) {
  SetPrefDefaults();
  ASSERT_FALSE(LoadPrefs());  // no file yet
  ASSERT_TRUE(SavePrefs());
  EXPECT_EQ(ReadFile(path_), "ShowSplash 1\nUseFullscreen 0\nUseVSync 0\nVornPath \".\"\n");
}

TEST_F(PrefsMergeTest, SecondSaveOfOneRunStillMergesLaterChanges) {
  ASSERT_TRUE(LoadBytes("A 1\nB 1\n"));
  ASSERT_TRUE(SetPrefInt("A", 2));
  ASSERT_TRUE(SavePrefs());
  WriteFile(path_, "A 2\nB 5\n");
  ASSERT_TRUE(SavePrefs());
  EXPECT_EQ(ReadFile(path_), "A 2\nB 5\n");
}

TEST_F(PrefsMergeTest, FailedSaveKeepsItsChangesForTheNextTry) {
  ASSERT_TRUE(LoadBytes("A 1\n"));
  ASSERT_TRUE(SetPrefInt("A", 2));
  ASSERT_TRUE(fs::create_directory(TempPath()));
  EXPECT_FALSE(SavePrefs());
  EXPECT_EQ(ReadFile(path_), "A 1\n");
  fs::remove(TempPath());
  ASSERT_TRUE(SavePrefs());
  EXPECT_EQ(ReadFile(path_), "A 2\n");
}

// ---- Getters, setters and the path ----

TEST_F(PrefsAccessTest, GetPrefIntOnTextKeyFailsAndLeavesOutputAlone) {
  ASSERT_TRUE(SetPrefString("Text", "12"));
  int32_t out = 77;
  EXPECT_FALSE(GetPrefInt("Text", &out));
  EXPECT_EQ(out, 77);
}

TEST_F(PrefsAccessTest, GetPrefStringOnNumberKeyFailsAndLeavesOutputAlone) {
  ASSERT_TRUE(SetPrefInt("Number", 12));
  std::string out = "untouched";
  EXPECT_FALSE(GetPrefString("Number", &out));
  EXPECT_EQ(out, "untouched");
}

TEST_F(PrefsAccessTest, MissingKeyFailsForEveryGetter) {
  int32_t number = 5;
  std::string text = "t";
  std::vector<std::string> list = {"kept"};
  EXPECT_FALSE(GetPrefInt("Nope", &number));
  EXPECT_FALSE(GetPrefString("Nope", &text));
  EXPECT_FALSE(GetPrefList("Nope", &list));
  EXPECT_EQ(number, 5);
  EXPECT_EQ(text, "t");
  EXPECT_EQ(list, std::vector<std::string>{"kept"});
}

TEST_F(PrefsAccessTest, SettingTheOtherKindReplacesTheValue) {
  ASSERT_TRUE(SetPrefInt("Key", 3));
  ASSERT_TRUE(SetPrefString("Key", "now text"));
  int32_t number = -1;
  EXPECT_FALSE(GetPrefInt("Key", &number));
  EXPECT_EQ(StringOr("Key", "?"), "now text");
  ASSERT_TRUE(SetPrefInt("Key", 4));
  std::string text;
  EXPECT_FALSE(GetPrefString("Key", &text));
  EXPECT_EQ(IntOr("Key", -1), 4);
}

TEST_F(PrefsAccessTest, KeysAreCaseSensitive) {
  ASSERT_TRUE(SetPrefInt("Key", 1));
  ASSERT_TRUE(SetPrefInt("key", 2));
  EXPECT_EQ(IntOr("Key", 0), 1);
  EXPECT_EQ(IntOr("key", 0), 2);
}

TEST_F(PrefsAccessTest, EmptyPathMeansTheDefaultPath) {
  SetPrefsPath("");
  EXPECT_EQ(GetPrefsPath(), "res/prefs.txt");
  SetPrefsPath(path_);
  EXPECT_EQ(GetPrefsPath(), path_);
}

TEST_F(PrefsAccessTest, ClearPrefsEmptiesTheTableButKeepsThePath) {
  SetPrefDefaults();
  ClearPrefs();
  EXPECT_EQ(SerializePrefs(), "");
  EXPECT_EQ(GetPrefsPath(), path_);
}

// ---- Values that could not be read back are refused ----

TEST_F(PrefsRefusalTest, DoubleQuoteInTextIsRefusedAndOldValueKept) {
  ASSERT_TRUE(SetPrefString("Name", "old"));
  EXPECT_FALSE(SetPrefString("Name", "say \"hi\""));
  EXPECT_EQ(StringOr("Name", "?"), "old");
}

TEST_F(PrefsRefusalTest, RefusedTextLeavesAMissingKeyMissing) {
  EXPECT_FALSE(SetPrefString("Name", "\""));
  EXPECT_FALSE(HasKey("Name"));
}

TEST_F(PrefsRefusalTest, RefusedTextKeepsAnOldNumber) {
  ASSERT_TRUE(SetPrefInt("Key", 9));
  EXPECT_FALSE(SetPrefString("Key", "line\nbreak"));
  EXPECT_EQ(IntOr("Key", -1), 9);
}

TEST_F(PrefsRefusalTest, ControlBytesInTextAreRefused) {
  for (const std::string& bad :
       {std::string("a\nb"), std::string("a\rb"), std::string("a\tb"), std::string("a\x7F"),
        std::string("a\0b", 3), std::string("\x1F")}) {
    EXPECT_FALSE(SetPrefString("Key", bad)) << static_cast<int>(bad.back());
  }
  EXPECT_FALSE(HasKey("Key"));
}

TEST_F(PrefsRefusalTest, PrintableAndUtf8TextIsStored) {
  EXPECT_TRUE(SetPrefString("Key", "~ \xC3\xA9\xFF"));
  EXPECT_EQ(StringOr("Key", "?"), "~ \xC3\xA9\xFF");
}

TEST_F(PrefsRefusalTest, EmptyOrWhiteSpaceKeysAreRefusedByEverySetter) {
  for (const std::string& key :
       {std::string(""), std::string("a b"), std::string("a\tb"), std::string("a\n"),
        std::string("\rb"), std::string("a\vb"), std::string("a\fb")}) {
    EXPECT_FALSE(SetPrefInt(key, 1));
    EXPECT_FALSE(SetPrefString(key, "x"));
    EXPECT_FALSE(SetPrefList(key, {"x"}));
  }
  EXPECT_EQ(SerializePrefs(), "");
}

TEST_F(PrefsRefusalTest, ListWithUnstorableElementIsRefusedAndOldValueKept) {
  ASSERT_TRUE(SetPrefList("Set", {"old"}));
  EXPECT_FALSE(SetPrefList("Set", {"fine", "has \"quote\""}));
  EXPECT_FALSE(SetPrefList("Set", {"line\nbreak"}));
  EXPECT_EQ(StringOr("Set", "?"), "old;");
}

TEST_F(PrefsRefusalTest, ListElementWithSeparatorIsRefused) {
  ASSERT_TRUE(SetPrefList("Set", {"old"}));
  EXPECT_FALSE(SetPrefList("Set", {"a;b", "c"}));
  EXPECT_EQ(StringOr("Set", "?"), "old;");
}

TEST_F(PrefsRefusalTest, EverythingTheReaderAcceptsWritesBackUnchanged) {
  EXPECT_FALSE(ParsePrefs("A -7\nB\t1\nC \"\xC3\xA9\"\n\nD 2147483647\nE \"\"\r\n"));
  const std::string written = SerializePrefs();
  ClearPrefs();
  EXPECT_TRUE(ParsePrefs(written));
  EXPECT_EQ(SerializePrefs(), written);
}

// ---- Lists ----

TEST_F(PrefsListTest, JoinPutsASeparatorAfterEveryElement) {
  ASSERT_TRUE(SetPrefList("Set", {"a", "b", "c"}));
  EXPECT_EQ(StringOr("Set", "?"), "a;b;c;");
}

TEST_F(PrefsListTest, EmptyListStoresEmptyText) {
  ASSERT_TRUE(SetPrefString("Set", "x;"));
  ASSERT_TRUE(SetPrefList("Set", {}));
  EXPECT_EQ(StringOr("Set", "?"), "");
}

TEST_F(PrefsListTest, TextAfterTheLastSeparatorIsDropped) {
  ASSERT_TRUE(SetPrefString("Set", "a;b"));
  std::vector<std::string> list;
  EXPECT_TRUE(GetPrefList("Set", &list));
  EXPECT_EQ(list, std::vector<std::string>{"a"});
}

TEST_F(PrefsListTest, TextWithoutSeparatorYieldsNothing) {
  ASSERT_TRUE(SetPrefString("Set", "abc"));
  std::vector<std::string> list;
  EXPECT_FALSE(GetPrefList("Set", &list));
  EXPECT_TRUE(list.empty());
}

TEST_F(PrefsListTest, EmptyElementsSurvive) {
  ASSERT_TRUE(SetPrefList("Set", {"", "x", ""}));
  EXPECT_EQ(StringOr("Set", "?"), ";x;;");
  std::vector<std::string> list;
  EXPECT_TRUE(GetPrefList("Set", &list));
  EXPECT_EQ(list, (std::vector<std::string>{"", "x", ""}));
}

TEST_F(PrefsListTest, ElementsAreAppendedAndResultCountsWhatWasThere) {
  ASSERT_TRUE(SetPrefList("Set", {"b", "c"}));
  std::vector<std::string> list = {"a"};
  EXPECT_TRUE(GetPrefList("Set", &list));
  EXPECT_EQ(list, (std::vector<std::string>{"a", "b", "c"}));

  ASSERT_TRUE(SetPrefList("Empty", {}));
  std::vector<std::string> none;
  EXPECT_FALSE(GetPrefList("Empty", &none));
  std::vector<std::string> some = {"kept"};
  EXPECT_TRUE(GetPrefList("Empty", &some));
  EXPECT_EQ(some, std::vector<std::string>{"kept"});
}

TEST_F(PrefsListTest, NumberKeyIsNotAList) {
  ASSERT_TRUE(SetPrefInt("Set", 1));
  std::vector<std::string> list = {"kept"};
  EXPECT_FALSE(GetPrefList("Set", &list));
  EXPECT_EQ(list, std::vector<std::string>{"kept"});
}

TEST_F(PrefsListTest, ListSurvivesSaveAndLoad) {
  const std::vector<std::string> archives = {"/data/a.vpk", "/data/\xC3\xA9t\xC3\xA9.vpk", ""};
  ASSERT_TRUE(SetPrefList("CodexWorkingSet", archives));
  ASSERT_TRUE(SavePrefs());
  ClearPrefs();
  ASSERT_TRUE(LoadPrefs());
  std::vector<std::string> list;
  EXPECT_TRUE(GetPrefList("CodexWorkingSet", &list));
  EXPECT_EQ(list, archives);
}

}  // namespace
