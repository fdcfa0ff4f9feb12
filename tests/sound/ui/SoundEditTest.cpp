// The sound viewer through the window manager: its rows and layout, Export Selected and Export
// All through the folder chooser, saving refused without touching the file, and playback
// through a stand-in device (or none).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "base/MessageLog.h"
#include "gui/Button.h"
#include "gui/ChooserDialog.h"
#include "gui/Choosers.h"
#include "gui/ListWindow.h"
#include "gui/TextBox.h"
#include "sound/SoundTag.h"
#include "sound/ui/SoundEdit.h"
#include "support/EditorFixture.h"
#include "support/MapMemory.h"
#include "tags/TagCode.h"

namespace {

namespace fs = std::filesystem;
constexpr uint32_t kSoun = tagcode::Make("soun");
constexpr uint32_t kBell = tagcode::Make("bell");

// A device that keeps what it was given.
class FakeOutput : public AudioOutput {
 public:
  bool Play(std::span<const int16_t> interleaved, uint16_t channels, uint32_t rate_hz,
            std::string&) override {
    samples.assign(interleaved.begin(), interleaved.end());
    this->channels = channels;
    rate = rate_hz;
    playing = true;
    ++plays;
    return true;
  }
  void Stop() override {
    playing = false;
    ++stops;
  }
  bool IsPlaying() override { return playing; }
  std::vector<int16_t> samples;
  uint16_t channels = 0;
  uint32_t rate = 0;
  bool playing = false;
  int plays = 0;
  int stops = 0;
};

std::vector<int16_t> Ramp(size_t n, int step) {
  std::vector<int16_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<int16_t>((static_cast<int>(i) * step) % 20000);
  return v;
}

class SoundEditTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    TagGroupTable::SetEditor(kSoun, &SoundEdit::Make);
    SetChooserServices(&memory_, {});
    SoundEdit::SetAudioOpener([this](std::string&) -> std::unique_ptr<AudioOutput> {
      auto out = std::make_unique<FakeOutput>();
      fake_ = out.get();
      return out;
    });
  }
  void TearDown() override {
    EditorTest::TearDown();
    SoundEdit::ReleaseAudio();
    SoundEdit::SetAudioOpener({});
    SetChooserServices(nullptr, {});
  }
  // "Ring": 100 mono blocks at 22050 Hz; "Call": 57 stereo frames at 1 Hz, an hour long.
  static SoundTag TwoPermutations() {
    SoundTag tag;
    tag.permutations.push_back(SoundTag::Encode("Ring", 1, 22050, Ramp(6400, 37)));
    tag.permutations.push_back(SoundTag::Encode("Call", 2, 1, Ramp(2 * 57 * 64, 91)));
    return tag;
  }
  SoundEdit* OpenSound(const SoundTag& tag) {
    Loose("sounds", {kSoun, kBell, "Bell", tag.Write(), 1});
    Codex& codex = Open();
    auto* editor = dynamic_cast<SoundEdit*>(TagEdit::OpenEditor(codex.Find(kSoun, kBell)));
    Pump(2);
    return editor;
  }
  void ClickButton(Button* button) {
    const Rect& r = button->FrameRect();
    Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  // Picks `folder` in the folder chooser once it is up.
  void ChooseInChooser(const fs::path& folder) {
    platform.Then([](FakePlatform& p) {
      return dynamic_cast<ChooserDialog*>(p.wm->TopModalWindow()) != nullptr;
    });
    platform.Then([this, folder](FakePlatform& p) {
      auto& chooser = *dynamic_cast<ChooserDialog*>(p.wm->TopModalWindow());
      chooser_title_ = chooser.GetTitle();
      chooser.OpenFolder(folder);
      chooser.NameField()->SetText("");
      Tap(Key::Enter);
      return true;
    });
  }

  MapMemory memory_;
  FakeOutput* fake_ = nullptr;
  std::string chooser_title_;
};

TEST_F(SoundEditTest, ListsEachPermutationWithItsLengthDepthChannelsAndRate) {
  SoundEdit* editor = OpenSound(TwoPermutations());
  ASSERT_NE(editor, nullptr);
  ListWindow* list = editor->List();
  ASSERT_EQ(list->ItemCount(), 2);
  std::vector<std::vector<std::string>> cells;
  for (int32_t row = 0; row < 2; ++row) {
    cells.emplace_back();
    for (int32_t c = 0; c < list->ColumnCount(); ++c) {
      cells.back().push_back(list->CellText(*list->ItemAtRow(row), c));
    }
  }
  EXPECT_EQ(cells[0], (std::vector<std::string>{"Ring", "00:00", "16", "1 (mono)", "22050 Hz"}));
  EXPECT_EQ(cells[1], (std::vector<std::string>{"Call", "01:00:48", "16", "2 (stereo)", "1 Hz"}));
  EXPECT_EQ(list->Column(4).title, "Sample Rate");
  EXPECT_EQ(list->Column(0).width, 128);

  // The list above a 48-pixel strip; the export buttons 8 apart from the left, 40 up.
  const Rect& client = editor->ClientRect();
  EXPECT_EQ(client.Width(), 544);
  EXPECT_EQ(client.Height(), 256);
  EXPECT_EQ(list->FrameRect().bottom, client.bottom - 48);
  const Rect& selected = editor->ExportSelectedButton()->FrameRect();
  const Rect& all = editor->ExportAllButton()->FrameRect();
  EXPECT_EQ(selected.left, client.left + 8);
  EXPECT_EQ(selected.top, client.bottom - 40);
  EXPECT_EQ(all.left, selected.right + 8);
  EXPECT_EQ(all.top, selected.top);
  EXPECT_STREQ(editor->ExportAllButton()->GetTitle(), "Export All");
  // Play and Stop follow in the same strip.
  EXPECT_GT(editor->PlayButton()->FrameRect().left, all.right);
  EXPECT_GT(editor->StopButton()->FrameRect().left, editor->PlayButton()->FrameRect().right);
  EXPECT_LE(editor->StopButton()->FrameRect().right, client.right);
}

TEST_F(SoundEditTest, ExportSelectedWritesTheTwoSelectedRowsIntoTheChosenFolder) {
  SoundTag tag = TwoPermutations();
  tag.permutations.push_back(SoundTag::Encode("Echo", 1, 11025, Ramp(640, 5)));
  SoundEdit* editor = OpenSound(tag);
  ASSERT_NE(editor, nullptr);
  ListWindow* list = editor->List();
  list->Select(list->ItemAtRow(0), false);
  list->Select(list->ItemAtRow(2), true);
  EXPECT_EQ(editor->SelectedPermutations(), (std::vector<size_t>{0, 2}));

  const fs::path folder = root_ / "exported";
  fs::create_directories(folder);
  ChooseInChooser(folder);
  ClickButton(editor->ExportSelectedButton());
  RunSteps();
  EXPECT_EQ(chooser_title_, "Choose Sound Folder");
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(fs::file_size(folder / "Ring.wav"), 44u + 12800);
  EXPECT_EQ(fs::file_size(folder / "Echo.wav"), 44u + 640 * 2);
  EXPECT_FALSE(fs::exists(folder / "Call.wav"));
  EXPECT_EQ(memory_.texts["LastSoundFolderPath"], folder.string());
}

TEST_F(SoundEditTest, ExportAllWritesWhatItCanAndNamesTheFailuresInOneMessage) {
  SoundTag tag = TwoPermutations();
  tag.permutations.push_back(SoundTag::Encode("Still", 1, 0, Ramp(640, 5)));  // under 1 Hz
  tag.permutations.push_back(SoundTag::Encode("Stiller", 1, 0, Ramp(640, 5)));
  SoundEdit* editor = OpenSound(tag);
  ASSERT_NE(editor, nullptr);
  const fs::path folder = root_ / "all";
  fs::create_directories(folder);
  ChooseInChooser(folder);
  Answer("Error", 0);
  ClickButton(editor->ExportAllButton());
  RunSteps();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("Still:"), std::string::npos) << messages[0];
  EXPECT_NE(messages[0].find("Stiller:"), std::string::npos) << messages[0];
  EXPECT_TRUE(fs::exists(folder / "Ring.wav"));
  EXPECT_TRUE(fs::exists(folder / "Call.wav"));
  EXPECT_FALSE(fs::exists(folder / "Still.wav"));
}

TEST_F(SoundEditTest, SavingFailsAndLeavesTheLooseFileAsItWasAndIndexed) {
  SoundEdit* editor = OpenSound(TwoPermutations());
  ASSERT_NE(editor, nullptr);
  const fs::path file = root_ / "local" / "sounds" / "Bell";
  const auto before = tagfiles::Slurp(file);
  Answer("Error", 0);
  CtrlKey('S');
  RunSteps();
  EXPECT_EQ(messages, std::vector<std::string>{"The save operation could not be completed."});
  EXPECT_EQ(tagfiles::Slurp(file), before);
  ProgramCodex().Poll(true);
  CodexEntry* entry = ProgramCodex().Find(kSoun, kBell);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(ProgramCodex().LocationName(*entry), "local folder");
  EXPECT_EQ(ProgramCodex().FindAttachment(*entry, kAttachEditor), editor);
}

TEST_F(SoundEditTest, PlayAndSpacePlayTheSelectedPermutationStopAndEscapeStopIt) {
  const SoundTag tag = TwoPermutations();
  SoundEdit* editor = OpenSound(tag);
  ASSERT_NE(editor, nullptr);
  ASSERT_NE(fake_, nullptr);
  EXPECT_TRUE(editor->PlayButton()->IsEnabled());
  editor->List()->Select(editor->List()->ItemAtRow(1), false);
  ClickButton(editor->PlayButton());
  Pump(3);
  ASSERT_EQ(fake_->plays, 1);
  EXPECT_EQ(fake_->channels, 2);
  EXPECT_EQ(fake_->rate, 1u);
  SoundTag decoded;
  std::string error;
  ASSERT_TRUE(SoundTag::Read(tag.Write(), decoded, error)) << error;
  EXPECT_EQ(fake_->samples, decoded.permutations[1].samples);
  ClickButton(editor->StopButton());
  Pump(3);
  EXPECT_FALSE(fake_->playing);

  // By keys, from the list that has the focus.
  editor->List()->Select(editor->List()->ItemAtRow(0), false);
  Window::SetFocus(editor->List(), 0);
  Tap(' ');
  Pump(3);
  EXPECT_EQ(fake_->plays, 2);
  EXPECT_EQ(fake_->rate, 22050u);
  EXPECT_TRUE(fake_->playing);
  EXPECT_TRUE(editor->StopButton()->IsEnabled());
  Tap(Key::Escape);
  Pump(3);
  EXPECT_FALSE(fake_->playing);
  EXPECT_FALSE(editor->StopButton()->IsEnabled());

  // A clip that ends by itself takes Stop away too.
  Tap(' ');
  Pump(3);
  ASSERT_TRUE(editor->StopButton()->IsEnabled());
  fake_->playing = false;
  Pump(3);
  EXPECT_FALSE(editor->StopButton()->IsEnabled());
}

TEST_F(SoundEditTest, WithoutADeviceTheEditorOpensWithPlayDisabledAndOneLineSaysWhy) {
  SoundEdit::SetAudioOpener([](std::string& why) -> std::unique_ptr<AudioOutput> {
    why = "no sound device could be opened";
    return nullptr;
  });
  std::vector<std::pair<int, std::string>> lines;
  const MessageSink previous =
      SetMessageSink([&lines](int level, std::string_view, std::string_view text) {
        lines.emplace_back(level, std::string(text));
      });
  SoundEdit* editor = OpenSound(TwoPermutations());
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->List()->ItemCount(), 2);
  EXPECT_FALSE(editor->PlayButton()->IsEnabled());
  EXPECT_FALSE(editor->StopButton()->IsEnabled());
  EXPECT_TRUE(editor->ExportAllButton()->IsEnabled());
  Tap(' ');
  Pump(3);
  SetMessageSink(previous);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].first, 1);
  EXPECT_NE(lines[0].second.find("no sound device could be opened"), std::string::npos)
      << lines[0].second;
}

}  // namespace
