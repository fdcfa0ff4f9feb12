#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sound/SoundExport.h"
#include "sound/SoundTag.h"

namespace {

namespace fs = std::filesystem;

TEST(SoundExport, WritesWhatItCanSkipsTheEmptyAndNamesEveryFailure) {
  const fs::path dir =
      fs::temp_directory_path() / ("zarv_sound_export_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  SoundTag tag;
  const std::vector<int16_t> tone(200, 1234);
  tag.permutations.push_back(SoundTag::Encode("Dup", 1, 22050, tone));
  tag.permutations.push_back(SoundTag::Encode("Dup", 2, 22050, tone));
  tag.permutations.push_back(SoundPermutation{});  // no samples
  tag.permutations.back().name = "Quiet";
  tag.permutations.push_back(SoundTag::Encode("Slow", 1, 0, tone));  // under 1 Hz
  tag.permutations.push_back(SoundTag::Encode("../out", 1, 8000, tone));

  const std::vector<SoundExportResult> all = SoundExport::RunAll(tag, dir);
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(all[0].file, dir / "Dup.wav");
  EXPECT_EQ(all[1].file, dir / "Dup 2.wav");
  EXPECT_TRUE(all[2].skipped);
  EXPECT_TRUE(all[2].file.empty());
  EXPECT_TRUE(all[3].file.empty());
  EXPECT_NE(all[3].error.find("1 Hz"), std::string::npos) << all[3].error;
  EXPECT_EQ(all[4].file, dir / ".._out.wav");
  EXPECT_EQ(fs::file_size(dir / "Dup 2.wav"), 44u + 4 * 64 * 2);
  EXPECT_FALSE(fs::exists(dir.parent_path() / "out.wav"));
  // Only the real failure is named; the skipped one is not.
  const std::string message = SoundExport::FailureMessage(all);
  EXPECT_NE(message.find("Slow: "), std::string::npos) << message;
  EXPECT_EQ(message.find("Quiet"), std::string::npos) << message;

  // Selected rows number their repeats among themselves, in the order given.
  const std::vector<size_t> picked = {1, 9, 0};
  const std::vector<SoundExportResult> some = SoundExport::Run(tag, picked, dir);
  ASSERT_EQ(some.size(), 3u);
  EXPECT_EQ(some[0].file, dir / "Dup.wav");
  EXPECT_FALSE(some[1].error.empty());
  EXPECT_EQ(some[2].file, dir / "Dup 2.wav");
  EXPECT_EQ(fs::file_size(dir / "Dup.wav"), 44u + 4 * 64 * 2);  // the stereo one now
  EXPECT_NE(SoundExport::FailureMessage(some).find("permutation 9"), std::string::npos);
  EXPECT_EQ(
      SoundExport::FailureMessage(std::vector<SoundExportResult>(all.begin(), all.begin() + 3)),
      "");
  fs::remove_all(dir);
}

}  // namespace
