#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>

#include "base/CharMap.h"
#include "gui/ChooserDialog.h"
#include "gui/Choosers.h"
#include "gui/ComboBox.h"
#include "gui/ListItem.h"
#include "gui/ListWindow.h"
#include "gui/MessageBoxWindow.h"
#include "gui/TextBox.h"
#include "support/WmHarness.h"

namespace {

namespace fs = std::filesystem;

class CountingMemory : public ChooserMemory {
 public:
  bool GetText(std::string_view key, std::string& out) override {
    auto it = texts.find(std::string(key));
    return it != texts.end() && (out = it->second, true);
  }
  void SetText(std::string_view key, const std::string& text) override {
    texts[std::string(key)] = text;
    ++writes;
  }
  bool GetNumber(std::string_view key, int32_t& out) override {
    auto it = numbers.find(std::string(key));
    return it != numbers.end() && (out = it->second, true);
  }
  void SetNumber(std::string_view key, int32_t value) override {
    numbers[std::string(key)] = value;
    ++writes;
  }
  std::map<std::string, std::string> texts;
  std::map<std::string, int32_t> numbers;
  int writes = 0;
};

class ChoosersTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    std::string pattern = (fs::temp_directory_path() / "zarv-choose-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    SetChooserServices(&memory_, [this](const std::string& path, int32_t& type) {
      probed_.push_back(path);
      type = 42;
      return path.find("bad") == std::string::npos;
    });
  }
  void TearDown() override {
    SetChooserServices(nullptr, {});
    fs::remove_all(root_);
    WmTest::TearDown();
  }
  void Touch(const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "x";
  }
  // Waits for the chooser, then acts on it.
  void OnChooser(std::function<void(ChooserDialog&)> act) {
    platform.Then([](FakePlatform& p) {
      return dynamic_cast<ChooserDialog*>(p.wm->TopModalWindow()) != nullptr;
    });
    platform.Then([act](FakePlatform& p) {
      act(*dynamic_cast<ChooserDialog*>(p.wm->TopModalWindow()));
      return true;
    });
  }
  void Answer(const char* box_title, int button) {
    platform.Then([box_title](FakePlatform& p) { return TopModalIs(*p.wm, box_title); });
    platform.Then([this, button](FakePlatform&) {
      for (int i = 0; i < button; ++i) Tap(Key::Tab);
      Tap(Key::Enter);
      return true;
    });
  }
  // Waits for the error box, keeps its message, and answers it.
  std::string& ErrorMessage() {
    platform.Then([this](FakePlatform& p) {
      auto* box = dynamic_cast<MessageBoxWindow*>(p.wm->TopModalWindow());
      if (!box || std::string(box->GetTitle()) != "Error") return false;
      error_message_ = box->Message();
      return true;
    });
    Answer("Error", 0);
    return error_message_;
  }
  static Point Centre(const Window* w) {
    const Rect& r = w->FrameRect();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  static Point RowPoint(const ListWindow* list, int row) {
    const Rect r = list->CellRect(list->ItemAtRow(row), -1);
    return {r.left + 10, (r.top + r.bottom) / 2};
  }
  static std::string Shown(const ComboBox* combo) { return combo->TextField()->GetText(); }
  static int CurrentRow(const ListWindow* list) { return list->RowOfItem(list->CurrentItem()); }
  // Waits for the chooser, opens one of its combo boxes with a click and moves the choice
  // `rows` down (up when negative) with the keys; Enter closes the list.
  void ChooseInCombo(std::function<ComboBox*(ChooserDialog&)> which, int rows) {
    auto combo = std::make_shared<ComboBox*>(nullptr);
    OnChooser([this, which, combo](ChooserDialog& d) {
      *combo = which(d);
      const Point p = Centre(*combo);
      Click(p.x, p.y);
    });
    platform.Then([combo](FakePlatform& p) {
      return (*combo)->IsOpen() && p.wm->TopModalWindow() == *combo;
    });
    platform.Then([this, rows](FakePlatform&) {
      for (int i = 0; i < std::abs(rows); ++i) Tap(rows > 0 ? Key::Down : Key::Up);
      Tap(Key::Enter);
      return true;
    });
  }
  static ComboBox* TypeOf(ChooserDialog& d) { return d.TypeCombo(); }
  static ComboBox* FirstOption(ChooserDialog& d) { return d.OptionCombo(0); }
  void DoubleClick(Point p) {
    Click(p.x, p.y);
    wm->QueueEvent({p.x, p.y, 0, 0, 0, 1, kEventDoubleClick});
    Release(p.x, p.y);
  }
  void Type(ChooserDialog& d, const std::string& text) {
    d.NameField()->SetText(text);
    Tap(Key::Enter);
  }

  fs::path root_;
  CountingMemory memory_;
  std::vector<std::string> probed_;
  std::string error_message_;
};

TEST_F(ChoosersTest, SaveTakesThePickedTypesExtensionAndTheNextSaveStartsThere) {
  fs::create_directories(root_ / "pics");
  std::vector<ChooserOption> options{{"Quality:", {{"Low", 10}, {"High", 20}}, 0}};
  OnChooser([&](ChooserDialog& d) {
    EXPECT_STREQ(d.GetTitle(), "Save Image As");
    EXPECT_EQ(Shown(d.TypeCombo()), "Bitmap Image (*.bmp)");
    EXPECT_EQ(d.TypeCombo()->ItemCount(), 3);
    EXPECT_EQ(Shown(d.OptionCombo(0)), "Low");
    Type(d, (root_ / "pics").string());  // a typed folder is opened
  });
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(d.Folder(), root_ / "pics");
    EXPECT_EQ(d.NameField()->GetText(), "");
    d.NameField()->SetText("shot");
  });
  ChooseInCombo(TypeOf, 1);
  ChooseInCombo(FirstOption, 1);
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(Shown(d.TypeCombo()), "PNG Image (*.png)");
    EXPECT_EQ(d.FilterIndex(), 1u);
    Tap(Key::Enter);
  });
  ChosenFile file{"shot", 0, 0};
  ASSERT_TRUE(ChooseSaveFile(nullptr, file, FileKindId::kImage, &options));
  EXPECT_EQ(file.path, (root_ / "pics" / "shot.png").string());
  EXPECT_EQ(file.kind, FileKindId::kImage);
  EXPECT_EQ(options[0].Value(), 20);
  EXPECT_EQ(memory_.texts["LastImageSavePath"], (root_ / "pics").string());
  EXPECT_EQ(memory_.numbers["LastImageSaveFormat"], 1);

  // The next save starts there with PNG; cancelling it writes nothing and keeps the options.
  const int writes = memory_.writes;
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(d.Folder(), root_ / "pics");
    EXPECT_EQ(d.TypeCombo()->SelectedId(), 1u);
    EXPECT_EQ(Shown(d.TypeCombo()), "PNG Image (*.png)");
    EXPECT_EQ(d.OptionCombo(0)->SelectedId(), 1u);
  });
  ChooseInCombo(FirstOption, -1);
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(Shown(d.OptionCombo(0)), "Low");
    Tap(Key::Escape);
  });
  ChosenFile other{"next", 0, 0};
  EXPECT_FALSE(ChooseSaveFile("Export", other, FileKindId::kImage, &options));
  EXPECT_EQ(other.path, "next");
  EXPECT_EQ(memory_.writes, writes);
  EXPECT_EQ(options[0].selected, 1u);
  EXPECT_FALSE(platform.budget_exhausted);
}

TEST_F(ChoosersTest, SaveAppendsOnlyRealExtensionsKeepsBackslashesAndAsksBeforeReplacing) {
  Touch(root_ / "old.png");
  ChosenFile any{(root_ / "a\\b").string(), 0, 0};
  OnChooser([&](ChooserDialog&) { Tap(Key::Enter); });  // "*.*" adds nothing
  ASSERT_TRUE(ChooseSaveFile(nullptr, any, FileKindId::kAny, nullptr));
  EXPECT_EQ(any.path, (root_ / "a\\b").string());
  EXPECT_FALSE(memory_.numbers.count("LastSaveFormat"));

  ChosenFile archive{(root_ / "pack").string(), 0, 0};
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(d.TypeCombo(), nullptr);  // archives have no file types
    Tap(Key::Enter);
  });
  ASSERT_TRUE(ChooseSaveFile(nullptr, archive, FileKindId::kArchive, nullptr));
  EXPECT_EQ(archive.path, (root_ / "pack").string());

  // "No" goes back to the chooser; "Yes" replaces. A name with the kind's extension keeps it.
  ChosenFile image{(root_ / "old.png").string(), 0, 0};
  OnChooser([&](ChooserDialog&) { Tap(Key::Enter); });
  Answer("Save Image As", 1);
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(d.NameField()->GetText(), "old.png");
    Tap(Key::Enter);
  });
  Answer("Save Image As", 0);
  ASSERT_TRUE(ChooseSaveFile(nullptr, image, FileKindId::kImage, nullptr));
  EXPECT_EQ(image.path, (root_ / "old.png").string());
  EXPECT_TRUE(platform.steps.empty());
}

TEST_F(ChoosersTest, FolderChooserReturnsTheFolderShownTheSelectedOneOrATypedOne) {
  fs::create_directories(root_ / "a" / "deep");
  fs::create_directories(root_ / "b");
  Touch(root_ / "file.png");
  memory_.numbers["LastImageFolderFormat"] = 7;  // out of range: the first
  std::string folder = root_.string();
  int32_t format = -1;
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(d.List()->ItemCount(), 2);  // folders only
    EXPECT_STREQ(FindByTitle(&d, "Select")->GetClassName(), "Button");
    EXPECT_EQ(Shown(d.TypeCombo()), "Bitmap Image (*.bmp)");
    Type(d, "file.png");  // never a file: refused
  });
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(platform.beeps, 1);
    d.NameField()->SetText("");
    Tap(Key::Enter);
  });
  ASSERT_TRUE(ChooseFolder(nullptr, folder, format, FileKindId::kImage, nullptr));
  EXPECT_EQ(folder, root_.string());
  EXPECT_EQ(format, 0);
  EXPECT_EQ(memory_.texts["LastImageFolderPath"], root_.string());

  OnChooser([&](ChooserDialog&) {
    Tap(Key::Down);  // from the name field into the list: "a"
    Tap(Key::Down);  // "b"
  });
  ChooseInCombo(TypeOf, 1);
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(CurrentRow(d.List()), 1);
    Window::SetFocus(d.NameField(), 0);
    Tap(Key::Enter);
  });
  ASSERT_TRUE(ChooseFolder("Pick", folder, format, FileKindId::kImage, nullptr));
  EXPECT_EQ(folder, (root_ / "b").string());
  EXPECT_EQ(format, 1);

  folder = root_.string();
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(d.TypeCombo(), nullptr);  // no "Target Format:" for any file
    Type(d, "a");
  });
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(d.Folder(), root_ / "a");
    Tap(Key::Enter);
  });
  ASSERT_TRUE(ChooseFolder(nullptr, folder, format, FileKindId::kAny, nullptr));
  EXPECT_EQ(folder, (root_ / "a").string());
  EXPECT_EQ(format, 0);
}

TEST_F(ChoosersTest, BackspaceGoesUpDoubleClickEntersAFolderAndOpensAFile) {
  Touch(root_ / "sub" / "x.wav");
  Touch(root_ / "sub" / "skip.txt");
  ChosenFile file{(root_ / "sub" / "").string(), 0, 0};
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(d.List()->ItemCount(), 1);  // only the WAV sound
    Tap(Key::Backspace);
  });
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(d.Folder(), root_);
    DoubleClick(RowPoint(d.List(), 0));
  });
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(d.Folder(), root_ / "sub");
    Click(RowPoint(d.List(), 0).x, RowPoint(d.List(), 0).y);
  });
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(d.NameField()->GetText(), "x.wav");  // a selected file's name goes in the field
    DoubleClick(RowPoint(d.List(), 0));
  });
  ASSERT_TRUE(ChooseOpenFile(nullptr, file, FileKindId::kSound, nullptr));
  EXPECT_EQ(file.path, (root_ / "sub" / "x.wav").string());
  EXPECT_EQ(file.file_type, 42);
  EXPECT_EQ(memory_.texts["LastSoundOpenPath"], (root_ / "sub").string());
}

TEST_F(ChoosersTest, OpenNeedsAnExistingReadableFile) {
  Touch(root_ / "bad.png");
  ChosenFile file{root_.string() + "/", 0, 0};
  OnChooser([&](ChooserDialog& d) { Type(d, "missing.png"); });
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(platform.beeps, 1);
    Type(d, "bad.png");
  });
  const std::string& message = ErrorMessage();
  EXPECT_FALSE(ChooseOpenFile(nullptr, file, FileKindId::kImage, nullptr));
  EXPECT_EQ(message, "The selected file could not be read (inaccessable or invalid format).");
  EXPECT_TRUE(platform.steps.empty());
  EXPECT_EQ(memory_.writes, 0);
}

TEST_F(ChoosersTest, OpenFilesSelectsWithShiftAndControlAndProbesEachInOrder) {
  for (const char* name : {"10.txt", "2.txt", "1.txt", "5bad.txt"}) Touch(root_ / name);
  std::vector<ChosenFile> files;
  const auto pick = [this](ChooserDialog& d, int last) {
    Click(RowPoint(d.List(), 0).x, RowPoint(d.List(), 0).y);
    Key(Key::Shift, true);
    Click(RowPoint(d.List(), last).x, RowPoint(d.List(), last).y);
    Key(Key::Shift, false);
  };
  OnChooser([&](ChooserDialog& d) {
    d.OpenFolder(root_);
    pick(d, 2);  // "1.txt" to "5bad.txt"
    Key(Key::Control, true);
    Click(RowPoint(d.List(), 2).x, RowPoint(d.List(), 2).y);  // "5bad.txt" off again
    Click(RowPoint(d.List(), 3).x, RowPoint(d.List(), 3).y);  // "10.txt" on
    Key(Key::Control, false);
  });
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(d.List()->SelectedItems().size(), 3u);
    EXPECT_EQ(d.NameField()->GetText(), "\"1.txt\" \"2.txt\" \"10.txt\"");
    Tap(Key::Enter);
  });
  ASSERT_TRUE(ChooseOpenFiles(nullptr, files, FileKindId::kAny, nullptr));
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0].path, (root_ / "1.txt").string());
  EXPECT_EQ(files[2].path, (root_ / "10.txt").string());
  EXPECT_EQ(probed_, std::vector<std::string>({files[0].path, files[1].path, files[2].path}));

  // The first unreadable one discards the list; the ones after it are not probed.
  probed_.clear();
  OnChooser([&](ChooserDialog& d) { pick(d, 3); });
  OnChooser([&](ChooserDialog&) { Tap(Key::Enter); });
  const std::string& message = ErrorMessage();
  EXPECT_FALSE(ChooseOpenFiles(nullptr, files, FileKindId::kAny, nullptr));
  EXPECT_EQ(message,
            "Some of the selected files could not be read (inaccessable or invalid format).");
  EXPECT_EQ(files.size(), 3u);
  EXPECT_EQ(probed_.size(), 3u);
  EXPECT_TRUE(platform.steps.empty());
}

TEST_F(ChoosersTest, UnknownKindsAreRefusedWithoutADialog) {
  ChosenFile file;
  std::vector<ChosenFile> files;
  std::string folder;
  int32_t format = 0;
  const int polls = platform.polls;
  for (int32_t kind : {1, 7, -1, 1000}) {
    EXPECT_FALSE(ChooseSaveFile(nullptr, file, kind, nullptr));
    EXPECT_FALSE(ChooseOpenFile(nullptr, file, kind, nullptr));
    EXPECT_FALSE(ChooseOpenFiles(nullptr, files, kind, nullptr));
    EXPECT_FALSE(ChooseFolder(nullptr, folder, format, kind, nullptr));
  }
  EXPECT_EQ(platform.polls, polls);
  EXPECT_EQ(wm->Layer1()->ChildCount(), 0);
}

// The rows: one item per entry, in the model's order, chosen with the list's own keys.
class ChooserRows : public ChoosersTest {};

TEST_F(ChooserRows, FoldersComeFirstAndEachItemsIdIndexesItsEntry) {
  for (const char* name : {"zed", "Alpha 10", "alpha 9"}) fs::create_directories(root_ / name);
  Touch(root_ / "a|bold.txt");
  Touch(root_ / "b.txt");
  ChosenFile file{root_.string() + "/", 0, 0};
  OnChooser([&](ChooserDialog& d) {
    const ListWindow* list = d.List();
    std::vector<std::string> texts;
    for (int r = 0; r < list->ItemCount(); ++r) {
      const ListItem* item = list->ItemAtRow(r);
      texts.push_back(item->text);
      const ChooserEntry& e = d.EntryOf(*item);
      EXPECT_EQ(e.name + (e.folder ? "/" : ""), item->text);
      EXPECT_TRUE(item->IsTextOrdered());
    }
    // Natural order within each part, but never a file among the folders.
    EXPECT_EQ(texts,
              (std::vector<std::string>{"alpha 9/", "Alpha 10/", "zed/", "a|bold.txt", "b.txt"}));
    EXPECT_NE(list->ItemAtRow(2)->text_color, list->ItemAtRow(3)->text_color);
    Click(RowPoint(list, 3).x, RowPoint(list, 3).y);
  });
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(d.NameField()->GetText(), "a|bold.txt");
    Tap(Key::Enter);
  });
  ASSERT_TRUE(ChooseOpenFile(nullptr, file, FileKindId::kAny, nullptr));
  EXPECT_EQ(file.path, (root_ / "a|bold.txt").string());
}

TEST_F(ChooserRows, EnterInTheListEntersASelectedFolderAndTakesSeveralFilesOnce) {
  fs::create_directories(root_ / "sub");
  Touch(root_ / "sub" / "caf\xC3\xA9.txt");  // a name the 8-bit field shows differently
  Touch(root_ / "sub" / "z.txt");
  Touch(root_ / "top.txt");
  std::vector<ChosenFile> files;
  OnChooser([&](ChooserDialog& d) {
    d.OpenFolder(root_);
    Click(RowPoint(d.List(), 0).x, RowPoint(d.List(), 0).y);  // "sub/"
    Tap(Key::Enter);
  });
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(d.Folder(), root_ / "sub");
    EXPECT_TRUE(d.List()->SelectedItems().empty());
    // Selected bottom up: the field and the result still go in row order.
    Click(RowPoint(d.List(), 1).x, RowPoint(d.List(), 1).y);
    Key(Key::Control, true);
    Click(RowPoint(d.List(), 0).x, RowPoint(d.List(), 0).y);
    Key(Key::Control, false);
  });
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(d.List()->SelectedItems().size(), 2u);
    const std::string cafe = ProgramCharMap().Utf8ToNarrow("caf\xC3\xA9.txt");
    EXPECT_NE(cafe, "caf\xC3\xA9.txt");
    EXPECT_EQ(d.NameField()->GetText(), "\"" + cafe + "\" \"z.txt\"");
    Tap(Key::Enter);
  });
  ASSERT_TRUE(ChooseOpenFiles(nullptr, files, FileKindId::kAny, nullptr));
  ASSERT_EQ(files.size(), 2u);
  // The entries' own names, not what the field shows of them.
  EXPECT_EQ(files[0].path, (root_ / "sub" / "caf\xC3\xA9.txt").string());
  EXPECT_EQ(files[1].path, (root_ / "sub" / "z.txt").string());
  EXPECT_EQ(probed_.size(), 2u);
  EXPECT_TRUE(platform.steps.empty());
}

TEST_F(ChooserRows, InTheFolderChooserADoubleClickEntersAFolderAndEnterChoosesIt) {
  fs::create_directories(root_ / "a" / "inner");
  fs::create_directories(root_ / "b");
  std::string folder = root_.string();
  int32_t format = -1;
  OnChooser([&](ChooserDialog& d) { DoubleClick(RowPoint(d.List(), 0)); });
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(d.Folder(), root_ / "a");
    Click(RowPoint(d.List(), 0).x, RowPoint(d.List(), 0).y);  // "inner/", the list focused
    Tap(Key::Enter);
  });
  ASSERT_TRUE(ChooseFolder(nullptr, folder, format, FileKindId::kAny, nullptr));
  EXPECT_EQ(folder, (root_ / "a" / "inner").string());
  EXPECT_TRUE(platform.steps.empty());
}

TEST_F(ChooserRows, TypingInTheListFindsAFileAndPutsItsNameInTheField) {
  for (const char* name : {"apple.txt", "banana.txt", "berry.txt"}) Touch(root_ / name);
  ChosenFile file{root_.string() + "/", 0, 0};
  OnChooser([&](ChooserDialog& d) {
    Click(RowPoint(d.List(), 0).x, RowPoint(d.List(), 0).y);
    Char('b');
    Char('e');
  });
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(CurrentRow(d.List()), 2);
    EXPECT_EQ(d.NameField()->GetText(), "berry.txt");
    Tap(Key::Enter);
  });
  ASSERT_TRUE(ChooseOpenFile(nullptr, file, FileKindId::kAny, nullptr));
  EXPECT_EQ(file.path, (root_ / "berry.txt").string());
}

// The file-type combo box switches the filter the rows are listed with.
class ChooserTypeCombo : public ChoosersTest {};

TEST_F(ChooserTypeCombo, PickingATypeRelistsTheFilesAndLeavesTheNameField) {
  for (const char* name : {"x.bmp", "y.png", "z.png"}) Touch(root_ / name);
  ChosenFile file{root_.string() + "/", 0, 0};
  OnChooser([&](ChooserDialog& d) {
    ASSERT_EQ(d.List()->ItemCount(), 1);
    Click(RowPoint(d.List(), 0).x, RowPoint(d.List(), 0).y);
  });
  ChooseInCombo(TypeOf, 1);
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(d.FilterIndex(), 1u);
    ASSERT_EQ(d.List()->ItemCount(), 2);
    EXPECT_EQ(d.List()->ItemAtRow(0)->text, "y.png");
    EXPECT_EQ(d.NameField()->GetText(), "x.bmp");
    Tap(Key::Enter);  // the typed name is still a file there
  });
  ASSERT_TRUE(ChooseOpenFile(nullptr, file, FileKindId::kImage, nullptr));
  EXPECT_EQ(file.path, (root_ / "x.bmp").string());
  EXPECT_EQ(memory_.numbers["LastImageOpenFormat"], 1);
}

TEST_F(ChooserTypeCombo, ARememberedTypeIsShownSelectedAndListsOnlyItsFiles) {
  Touch(root_ / "y.png");
  memory_.numbers["LastImageOpenFormat"] = 2;
  ChosenFile file{root_.string() + "/", 0, 0};
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(Shown(d.TypeCombo()), "TIFF Image (*.tiff)");
    EXPECT_EQ(d.TypeCombo()->SelectedId(), 2u);
    EXPECT_EQ(d.List()->ItemCount(), 0);
  });
  ChooseInCombo(TypeOf, -1);
  OnChooser([&](ChooserDialog& d) {
    EXPECT_EQ(d.List()->ItemCount(), 1);
    Tap(Key::Escape);
  });
  EXPECT_FALSE(ChooseOpenFile(nullptr, file, FileKindId::kImage, nullptr));
  EXPECT_EQ(memory_.numbers["LastImageOpenFormat"], 2);
}

}  // namespace
