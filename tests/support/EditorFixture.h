#pragma once
// The window manager harness with the program's index on a game folder the test writes, for
// the editors and the tag info window. Message boxes are answered by keyboard from script steps
// and their texts kept.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/MessageBoxWindow.h"
#include "support/MonoFont.h"
#include "support/TagFiles.h"
#include "support/WmHarness.h"
#include "tags/Codex.h"
#include "tags/TagGroupTable.h"
#include "tags/TagStream.h"
#include "tags/ui/TagEdit.h"

// A test editor that keeps the data as text; reading or writing fails when told to.
class NoteEdit : public TagEdit {
 public:
  using TagEdit::TagEdit;
  static TagEdit* Make(const TagHeader& header) { return new NoteEdit(header); }
  bool ReadData(TagStream& stream, const TagHeader&) override {
    std::vector<uint8_t> bytes;
    if (fail_read || !stream.ReadRest(bytes)) return false;
    text.assign(bytes.begin(), bytes.end());
    return true;
  }
  bool WriteData(ByteWriter& out, TagHeader&) override {
    out.WriteBytes(std::vector<uint8_t>(text.begin(), text.end()));
    return !fail_write;
  }
  bool Discard() override {
    ++discards;
    return true;
  }
  std::string text;
  int discards = 0;
  static inline bool fail_read = false;
  static inline bool fail_write = false;
};

class EditorTest : public WmTest {
 protected:
  using Bytes = tagfiles::Bytes;

  void SetUp() override {
    WmTest::SetUp();
    NoteEdit::fail_read = NoteEdit::fail_write = false;
    SetDefaultFont(&font_);
    std::string pattern = (std::filesystem::temp_directory_path() / "zarv-editors-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    std::filesystem::create_directories(root_ / "local");
  }
  void TearDown() override {
    WmTest::TearDown();  // the windows go first: they detach from the index
    ReleaseProgramCodex();
    TagGroupTable::ClearEditors();
    SetDefaultFont(nullptr);
    std::filesystem::remove_all(root_);
  }

  // Indexes the game folder once the test has written it.
  Codex& Open() {
    ProgramCodex().OpenGameFolder(root_);
    return ProgramCodex();
  }
  void Loose(const std::string& group_folder, const tagfiles::TagRecipe& tag) {
    tagfiles::Spit(root_ / "local" / group_folder / tag.name, tagfiles::LooseBytes(tag));
  }
  // The data section of a loose file, after its 64-byte header.
  std::string FileData(const std::string& group_folder, const std::string& file) {
    const Bytes bytes = tagfiles::Slurp(root_ / "local" / group_folder / file);
    return bytes.size() < 64 ? "<none>" : std::string(bytes.begin() + 64, bytes.end());
  }

  // When the message box `title` is the top modal window: keeps its message and presses the
  // button `index` by keyboard.
  void Answer(const char* title, int index) {
    platform.Then([title](FakePlatform& p) { return TopModalIs(*p.wm, title); });
    platform.Then([this, index](FakePlatform& p) {
      auto* box = dynamic_cast<MessageBoxWindow*>(p.wm->TopModalWindow());
      messages.push_back(box ? box->Message() : "<not a message box>");
      for (int i = 0; i < index; ++i) Tap(Key::Tab);
      Tap(Key::Enter);
      return true;
    });
  }
  // Types `text` into the focused field of the prompt `title` and confirms it.
  void AnswerPrompt(const char* title, const std::string& text) {
    platform.Then([title](FakePlatform& p) { return TopModalIs(*p.wm, title); });
    platform.Then([this, text](FakePlatform&) {
      Tap(Key::Backspace);  // the default name is selected
      for (char c : text) Char(c);
      Tap(Key::Enter);
      return true;
    });
  }
  void CtrlKey(int key) {
    Key(Key::Control, true);
    Tap(key);
    Key(Key::Control, false);
  }
  // Runs the queued steps and events until every step has been taken.
  void RunSteps() {
    for (int i = 0; i < 2000 && !platform.steps.empty(); ++i) Pump();
    EXPECT_TRUE(platform.steps.empty()) << "a message box did not come";
    Pump(2);
  }

  Font font_{MonoFontData()};
  std::filesystem::path root_;
  std::vector<std::string> messages;
};
