#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/Menu.h"
#include "gui/SplitterWindow.h"
#include "gui/WindowManager.h"
#include "support/EditorFixture.h"
#include "tags/TagCode.h"
#include "tags/TagStream.h"
#include "tags/ui/ArchiveBrowser.h"
#include "tags/ui/ArchiveBrowserList.h"
#include "tags/ui/TagEdit.h"
#include "tags/ui/WorkingSetHooks.h"

namespace {

using tagfiles::ArchiveBytes;
using tagfiles::Spit;

constexpr uint32_t kText = tagcode::Make("text");
constexpr uint32_t kMesh = tagcode::Make("mesh");
constexpr uint32_t kSoun = tagcode::Make("soun");
constexpr uint32_t kDmap = tagcode::Make("dmap");
constexpr uint32_t kX256 = tagcode::Make(".256");
constexpr uint32_t kOrange = ArchiveBrowser::kLocalColor;
constexpr uint32_t kPlain = ArchiveBrowser::kPlainColor;

tagfiles::Bytes Data(const std::string& s) {
  return {s.begin(), s.end()};
}
uint32_t Id(const char* s) {
  return tagcode::Make(s);
}

TagEdit* MakeReader(const TagHeader& header) {
  struct Reader : TagEdit {
    using TagEdit::TagEdit;
    bool ReadData(TagStream&, const TagHeader&) override { return true; }
  };
  return new Reader(header);
}

int g_saves = 0;
void CountSave(const Codex&) {
  ++g_saves;
}
void LoadDefault(Codex& codex) {
  codex.ApplyDefaultWorkingSet();
}

class ArchiveBrowserTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    for (const char* g : {"text", "mesh", ".256"}) TagGroupTable::SetEditor(Id(g), &MakeReader);
    g_saves = 0;
    SetWorkingSetHooks({&LoadDefault, &CountSave});
  }
  void TearDown() override {
    SetWorkingSetHooks({});
    EditorTest::TearDown();
  }
  ArchiveBrowser* OpenBrowser(bool index = true) {
    if (index) Open();
    browser = ArchiveBrowser::OpenOrRaise();
    tree = browser->TagTree();
    Pump(2);
    return browser;
  }
  // The rows as "text" lines, nodes with their labels, in row order.
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    for (int32_t r = 0; r < tree->ItemCount(); ++r) rows.push_back(tree->ItemAtRow(r)->text);
    return rows;
  }
  std::vector<std::string> Names(ArchiveBrowserList* list) const {
    std::vector<std::string> names;
    for (ListItem* i = list->FirstItem(); i; i = i->next) names.push_back(i->text);
    return names;
  }
  std::vector<std::string> Selected(ArchiveBrowserList* list) const {
    std::vector<std::string> names;
    for (const ListItem* i : list->SelectedItems()) names.push_back(i->text);
    return names;
  }
  ListItem* Row(uint32_t group, const char* id) const { return browser->RowItem(group, Id(id)); }
  void SelectRows(std::initializer_list<std::pair<uint32_t, const char*>> rows) {
    bool extend = false;
    for (const auto& [group, id] : rows) {
      ASSERT_NE(Row(group, id), nullptr) << id;
      tree->Select(Row(group, id), extend);
      extend = true;
    }
  }
  ListItem* ListItemNamed(ArchiveBrowserList* list, const std::string& name) const {
    for (ListItem* i = list->FirstItem(); i; i = i->next) {
      if (i->text == name) return i;
    }
    return nullptr;
  }
  std::string Location(uint32_t group, const char* id) const {
    return tree->CellText(*Row(group, id), 13);
  }
  std::vector<bool> Enabled(Menu* menu) const {
    std::vector<bool> enabled;
    for (const MenuItem* item : menu->Items()) enabled.push_back(item->IsSelectable());
    delete menu;
    return enabled;
  }
  int Editors() const {
    int n = 0;
    for (Window* w = wm->Layer0()->FirstChild(); w; w = w->NextSibling()) {
      n += dynamic_cast<TagEdit*>(w) != nullptr && !w->IsBeingDestroyed();
    }
    return n;
  }
  void DoubleClick(ListItem* item) {
    const Rect r = tree->CellRect(item, -1);
    Click(r.left + 40, r.top + 2);
    Pump();
    wm->QueueEvent({r.left + 40, r.top + 2, 0, 0, 0, 1, kEventDoubleClick});
    Release(r.left + 40, r.top + 2);
    Pump(3);
  }

  ArchiveBrowser* browser = nullptr;
  ArchiveBrowserList* tree = nullptr;
};

TEST_F(ArchiveBrowserTest, ListsTheSetsAndATagInTwoSelectedSetsOnce) {
  Spit(root_ / "tags/base.dat", ArchiveBytes(3, 0, "Base",
                                             {{kText, Id("aaaa"), "Alpha", Data("a")},
                                              {kText, Id("bbbb"), "Beta", Data("b")}}));
  Loose("text", {kText, Id("bbbb"), "Beta (mine)", Data("mine")});
  Loose("text", {kText, Id("cccc"), "Gamma", Data("c")});
  OpenBrowser();

  EXPECT_STREQ(browser->GetTitle(), "Archive Browser");
  EXPECT_STREQ(browser->GetClassName(), "ArchiveBrowser");
  EXPECT_EQ(browser->FrameRect(), wm->Layer0()->ClientRect());
  EXPECT_EQ(browser->MainSplitter()->DividerPosition(), ArchiveBrowser::kArchivePaneWidth);
  EXPECT_EQ(Names(browser->ActiveList()),
            (std::vector<std::string>{"base.dat", "local", "foundation", "combined"}));
  EXPECT_EQ(browser->ArchiveSplitter()->DividerPosition(), 4 * browser->ActiveList()->RowHeight());
  EXPECT_EQ(Selected(browser->ActiveList()), std::vector<std::string>{"combined"});
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Text (3)", "Alpha", "Beta (mine)", "Gamma"}));
  EXPECT_EQ(wm->Focus(), tree);
  EXPECT_EQ(tree->CurrentItem(), tree->ItemAtRow(0));
  EXPECT_EQ(Row(kText, "aaaa")->text_color, kPlain);
  EXPECT_EQ(Row(kText, "bbbb")->text_color, kOrange);
  EXPECT_EQ(Location(kText, "aaaa"), "base.dat");
  EXPECT_EQ(Location(kText, "bbbb"), "local folder");
  EXPECT_EQ(tree->CellText(*Row(kText, "bbbb"), 7), "4");  // Size

  ArchiveBrowserList* active = browser->ActiveList();
  active->Select(ListItemNamed(active, "local"), false);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Text (2)", "Beta (mine)", "Gamma"}));
  active->Select(ListItemNamed(active, "base.dat"), true);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Text (3)", "Alpha", "Beta (mine)", "Gamma"}));

  // Type-ahead finds a tag row by its name.
  Char('g');
  Pump();
  EXPECT_EQ(tree->SelectedItem(), Row(kText, "cccc"));
}

TEST_F(ArchiveBrowserTest, TagsThatCannotOpenAreDimmedAndStayShut) {
  Loose("meshes", {kMesh, Id("old "), "Old", Data("m"), 10});
  Loose("meshes", {kMesh, Id("new "), "New", Data("m"), 11});
  // A big collection without usage in its header: the usage word at data byte 4 decides.
  tagfiles::Bytes big(0x120000, 0);
  big[6] = 0x01;  // 0x00000100
  Loose("collections", {kX256, Id("big "), "Big", big});
  OpenBrowser();

  EXPECT_EQ(Row(kMesh, "old ")->text_color, ArchiveBrowser::Halved(kOrange));
  EXPECT_EQ(Row(kMesh, "new ")->text_color, kOrange);
  EXPECT_TRUE(browser->CannotOpen(kX256, Id("big ")));
  EXPECT_EQ(tree->CellText(*Row(kX256, "big "), 8), "0x100");

  DoubleClick(Row(kMesh, "old "));
  EXPECT_EQ(Editors(), 0);
  DoubleClick(Row(kMesh, "new "));
  EXPECT_EQ(Editors(), 1);
}

TEST_F(ArchiveBrowserTest, HiddenGroupsComeAndGoWithCtrlT) {
  Loose("text", {kText, Id("t   "), "Note", Data("x")});
  Loose("sounds", {kSoun, Id("s   "), "Bell", Data("x")});
  Loose("detail maps", {kDmap, Id("d   "), "Map", Data("x")});
  OpenBrowser();
  const std::vector<std::string> before = Rows();
  EXPECT_EQ(before.size(), 4u);  // no sounds: their group has no editor, but detail maps show
  EXPECT_EQ(browser->NodeItem(kSoun), nullptr);
  EXPECT_EQ(browser->NodeItem(kDmap)->text_color, ArchiveBrowser::Halved(kPlain));

  CtrlKey('T');
  Pump();
  EXPECT_EQ(Rows().size(), 6u);
  EXPECT_EQ(Row(kSoun, "s   ")->text_color, ArchiveBrowser::Halved(kOrange));
  CtrlKey('T');
  Pump();
  EXPECT_EQ(Rows(), before);
}

TEST_F(ArchiveBrowserTest, DeleteAsksAboutTheLocalTagsAndKeepsThoseInUse) {
  Spit(root_ / "tags/base.dat", ArchiveBytes(3, 0, "Base",
                                             {{kText, Id("a   "), "A", Data("a")},
                                              {kText, Id("b   "), "B", Data("b")},
                                              {kText, Id("c   "), "C", Data("c")},
                                              {kText, Id("d   "), "D", Data("d")}}));
  Loose("text", {kText, Id("d   "), "D", Data("mine")});
  Loose("text", {kText, Id("e   "), "E", Data("e")});
  OpenBrowser();
  SelectRows({{kText, "a   "}, {kText, "b   "}, {kText, "c   "}, {kText, "d   "}, {kText, "e   "}});
  Answer("Confirm Deletion", 0);
  Tap(Key::Delete);
  RunSteps();
  EXPECT_EQ(messages, std::vector<std::string>{"Are you sure you want to delete 2 tags?"});
  EXPECT_FALSE(std::filesystem::exists(root_ / "local/text/D"));
  EXPECT_FALSE(std::filesystem::exists(root_ / "local/text/E"));
  // The archived copy of D is back in force; E is gone.
  EXPECT_EQ(Row(kText, "d   ")->text_color, kPlain);
  EXPECT_EQ(Location(kText, "d   "), "base.dat");
  EXPECT_EQ(Row(kText, "e   "), nullptr);
  EXPECT_EQ(Rows().front(), "Text (4)");

  // A tag open in an editor is kept, with word why; "Don't Delete" keeps everything.
  Loose("text", {kText, Id("f   "), "F", Data("f")});
  ProgramCodex().Poll(true);
  ASSERT_NE(TagEdit::OpenEditor(ProgramCodex().Find(kText, Id("f   "))), nullptr);
  messages.clear();
  SelectRows({{kText, "f   "}});
  Answer("Confirm Deletion", 0);
  Answer("Can't delete tag.", 0);
  browser->DeleteSelection();
  RunSteps();
  EXPECT_EQ(messages, (std::vector<std::string>{"Are you sure you want to delete 'F'?",
                                                "'F' is still being used by Zarv."}));
  EXPECT_TRUE(std::filesystem::exists(root_ / "local/text/F"));
}

TEST_F(ArchiveBrowserTest, ActivatingAndDeactivatingMoveArchivesAndDecideWhoWins) {
  Spit(root_ / "tags/base.dat",
       ArchiveBytes(3, 0, "Base", {{kText, Id("x   "), "Base X", Data("b")}}));
  // A type-1 plugin is not in the default working set.
  Spit(root_ / "plugins/mod.dat", ArchiveBytes(1, 0, "Mod",
                                               {{kText, Id("x   "), "Mod X", Data("m")},
                                                {kText, Id("y   "), "Mod Y", Data("y")}}));
  OpenBrowser();
  ArchiveBrowserList* active = browser->ActiveList();
  ArchiveBrowserList* inactive = browser->InactiveList();
  EXPECT_EQ(Names(inactive), std::vector<std::string>{"mod.dat"});
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Text (1)", "Base X"}));

  inactive->Select(ListItemNamed(inactive, "mod.dat"), false);
  browser->MoveSelection(true);
  EXPECT_EQ(Names(active),
            (std::vector<std::string>{"base.dat", "mod.dat", "local", "foundation", "combined"}));
  EXPECT_TRUE(Names(inactive).empty());
  EXPECT_EQ(Selected(active), (std::vector<std::string>{"combined", "mod.dat"}));
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Text (2)", "Mod X", "Mod Y"}));
  EXPECT_EQ(Location(kText, "x   "), "mod.dat");
  EXPECT_EQ(g_saves, 1);

  active->Select(ListItemNamed(active, "mod.dat"), false);
  browser->MoveSelection(false);
  EXPECT_EQ(Selected(inactive), std::vector<std::string>{"mod.dat"});
  EXPECT_EQ(Selected(active), std::vector<std::string>{"combined"});
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Text (1)", "Base X"}));
  EXPECT_EQ(g_saves, 2);
}

TEST_F(ArchiveBrowserTest, AnUnloadedArchiveLeavesNoItemBehind) {
  Spit(root_ / "tags/base.dat",
       ArchiveBytes(3, 0, "Base", {{kText, Id("x   "), "Base X", Data("b")}}));
  Spit(root_ / "tags/more.dat",
       ArchiveBytes(2, 0, "More", {{kText, Id("m   "), "More M", Data("m")}}));
  OpenBrowser();
  ArchiveBrowserList* active = browser->ActiveList();
  active->Select(ListItemNamed(active, "more.dat"), false);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Text (1)", "More M"}));

  Archive* more = ProgramCodex().ArchiveByName("more.dat");
  ASSERT_TRUE(ProgramCodex().UnloadArchive(more));
  // At once, before the archive is freed: its item and its rows are gone.
  EXPECT_EQ(ListItemNamed(active, "more.dat"), nullptr);
  EXPECT_TRUE(browser->SelectedArchives(active).empty());
  EXPECT_EQ(Row(kText, "m   "), nullptr);
  Pump(2);
  EXPECT_EQ(Names(active),
            (std::vector<std::string>{"base.dat", "local", "foundation", "combined"}));
  EXPECT_EQ(Selected(active), std::vector<std::string>{"combined"});
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Text (1)", "Base X"}));

  // Closed before every archive goes (as reloading the plugins does), then opened afresh.
  ArchiveBrowser::CloseIfOpen();
  EXPECT_EQ(ArchiveBrowser::Instance(), nullptr);
  ASSERT_TRUE(ProgramCodex().UnloadAllArchives());
  Pump(2);
  browser = ArchiveBrowser::OpenOrRaise();
  tree = browser->TagTree();
  EXPECT_EQ(ArchiveBrowser::Instance(), browser);
  EXPECT_EQ(Names(browser->ActiveList()),
            (std::vector<std::string>{"local", "foundation", "combined"}));
  EXPECT_TRUE(Rows().empty());
}

TEST_F(ArchiveBrowserTest, ContextMenusFollowTheSelection) {
  Spit(root_ / "tags/a.dat", ArchiveBytes(3, 0, "A", {{kText, Id("a   "), "A", Data("a")}}));
  Spit(root_ / "tags/b.dat", ArchiveBytes(3, 0, "B", {{kText, Id("b   "), "B", Data("b")}}));
  OpenBrowser();
  tree->Select(tree->ItemAtRow(0), false);  // the group node
  EXPECT_EQ(Enabled(browser->MakeTagMenu()),
            (std::vector<bool>{false, false, false, false, false, false, true}));
  SelectRows({{kText, "a   "}});
  EXPECT_EQ(Enabled(browser->MakeTagMenu()),
            (std::vector<bool>{true, true, true, true, true, false, true}));

  ArchiveBrowserList* active = browser->ActiveList();
  EXPECT_EQ(Enabled(browser->MakeArchiveMenu(active)), (std::vector<bool>{true, false, false}));
  active->Select(ListItemNamed(active, "a.dat"), true);  // with "combined"
  EXPECT_EQ(Enabled(browser->MakeArchiveMenu(active)), (std::vector<bool>{true, true, true}));
  active->Select(ListItemNamed(active, "b.dat"), true);
  EXPECT_EQ(Enabled(browser->MakeArchiveMenu(active)), (std::vector<bool>{true, true, false}));
  EXPECT_EQ(Enabled(browser->MakeArchiveMenu(browser->InactiveList())),
            (std::vector<bool>{true, false, false}));
}

TEST_F(ArchiveBrowserTest, CommandsOnManyRowsAskFirst) {
  for (int i = 0; i < 60; ++i) {
    char id[16];
    std::snprintf(id, sizeof id, "t%03d", i);
    Loose("text", {kText, Id(id), std::string("Note ") + id, Data("n")});
  }
  OpenBrowser();
  CtrlKey('A');
  Answer("Duplicate Tags", 1);
  CtrlKey('D');
  RunSteps();
  Answer("Open Tags", 1);
  Tap(Key::Enter);
  RunSteps();
  Answer("Copy To Local", 1);
  CtrlKey('K');
  RunSteps();
  EXPECT_EQ(messages, (std::vector<std::string>{"Duplicate 60 tags?", "Open 60 tags?",
                                                "Copy 60 tags to the local folder?"}));
  EXPECT_EQ(Editors(), 0);
  EXPECT_EQ(ProgramCodex().Local().size(), 60u);

  // One row: the name is asked for, and the copy shows as a new row.
  SelectRows({{kText, "t007"}});
  AnswerPrompt("Enter Name for Duplicate Tag", "Copied");
  CtrlKey('D');
  RunSteps();
  EXPECT_EQ(FileData("text", "Copied"), "n");
  EXPECT_EQ(Rows().front(), "Text (61)");
}

TEST_F(ArchiveBrowserTest, FilesDroppedIntoTheLocalFolderShowWhileIdle) {
  Loose("text", {kText, Id("a   "), "A", Data("a")});
  OpenBrowser();
  Loose("text", {kText, Id("b   "), "B", Data("b")});
  std::filesystem::remove(root_ / "local/text/A");
  for (int i = 0; i < 400 && Row(kText, "b   ") == nullptr; ++i) Pump();
  EXPECT_NE(Row(kText, "b   "), nullptr);
  EXPECT_EQ(Row(kText, "a   "), nullptr);
  EXPECT_EQ(Rows().front(), "Text (1)");
}

TEST_F(ArchiveBrowserTest, DisassemblingKeepsFilesAlreadyThere) {
  Spit(root_ / "tags/base.dat",
       ArchiveBytes(3, 0, "Base",
                    {{kText, Id("a   "), "A", Data("a")}, {kText, Id("b   "), "B", Data("b")}}));
  OpenBrowser();
  const std::filesystem::path out = root_ / "out";
  Spit(out / "text/A", Data("keep me"));
  Answer("Disassemble Archive", 0);
  browser->DisassembleInto(*ProgramCodex().ArchiveByName("base.dat"), out.string());
  RunSteps();
  EXPECT_EQ(messages,
            std::vector<std::string>{
                "1 tags written, 1 skipped because their files already exist, 0 failed."});
  EXPECT_EQ(tagfiles::Slurp(out / "text/A"), Data("keep me"));
  EXPECT_TRUE(std::filesystem::exists(out / "text/B"));
}

}  // namespace

TEST_F(ArchiveBrowserTest, ACollectionsUsageIsReadOncePerCopyAndAFailedReadLeavesItOpenable) {
  tagfiles::Bytes big(0x120000, 0);
  big[6] = 0x01;  // usage 0x100 at data byte 4: cannot be opened
  Spit(root_ / "tags/art.dat", ArchiveBytes(3, 0, "Art", {{kX256, Id("big "), "Big", big}}));
  Spit(root_ / "tags/gone.dat", ArchiveBytes(2, 0, "Gone", {{kX256, Id("lost"), "Lost", big}}));
  Open();
  // The archive's file goes after loading: its tag's data cannot be read.
  std::filesystem::remove(root_ / "tags/gone.dat");
  OpenBrowser(false);
  EXPECT_TRUE(browser->CannotOpen(kX256, Id("big ")));
  ASSERT_NE(Row(kX256, "lost"), nullptr);
  EXPECT_FALSE(browser->CannotOpen(kX256, Id("lost")));
  EXPECT_EQ(Row(kX256, "lost")->text_color, kPlain);

  // Rows are refreshed again and again; the data is not read again for the same copy.
  tagfiles::Bytes archive = tagfiles::Slurp(root_ / "tags/art.dat");
  std::fill(archive.end() - 0x120000, archive.end(), 0);
  Spit(root_ / "tags/art.dat", archive);
  CtrlKey('T');
  CtrlKey('T');
  Pump();
  EXPECT_TRUE(browser->CannotOpen(kX256, Id("big ")));
}

TEST_F(ArchiveBrowserTest, ARightClickSelectsTheRowUnderItAndOpensTheMenu) {
  Spit(root_ / "tags/base.dat",
       ArchiveBytes(3, 0, "Base", {{kText, Id("x   "), "Base X", Data("b")}}));
  Spit(root_ / "plugins/mod.dat",
       ArchiveBytes(1, 0, "Mod", {{kText, Id("x   "), "Mod X", Data("m")}}));
  OpenBrowser();
  // On the inactive list: "a" picks "Activate Selection".
  ArchiveBrowserList* inactive = browser->InactiveList();
  const Rect r = inactive->CellRect(ListItemNamed(inactive, "mod.dat"), -1);
  platform.Then([](FakePlatform& p) { return TopModalIs(*p.wm, "Popup Menu"); });
  platform.Then([this](FakePlatform&) {
    Char('a');
    Tap(Key::Enter);
    return true;
  });
  Click(r.left + 10, r.top + 2, 1);
  RunSteps();
  EXPECT_NE(ListItemNamed(browser->ActiveList(), "mod.dat"), nullptr);
  EXPECT_EQ(Location(kText, "x   "), "mod.dat");

  // On the tag tree: the row under the pointer is selected before the menu opens.
  const Rect row = tree->CellRect(Row(kText, "x   "), -1);
  platform.Then([](FakePlatform& p) { return TopModalIs(*p.wm, "Popup Menu"); });
  platform.Then([this](FakePlatform&) {
    Tap(Key::Escape);
    return true;
  });
  Click(row.left + 10, row.top + 2, 1);
  RunSteps();
  EXPECT_EQ(tree->SelectedItem(), Row(kText, "x   "));
}
