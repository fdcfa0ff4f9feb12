#include <gtest/gtest.h>

#include <string>

#include "PageTestSupport.h"
#include "collections/ui/X256HueBrowser.h"
#include "collections/ui/X256HueEdit.h"
#include "collections/ui/X256SequenceBrowser.h"
#include "gui/Menu.h"
#include "gui/TextBox.h"
#include "gui/TextPopup.h"
#include "gui/WindowManager.h"

namespace {

class ListPageTest : public PageTest {
 protected:
  template <typename Page>
  Page* MakePage() {
    auto* page = new Page(host, frame);
    page->SetFrameRect({0, 0, 400, 300});
    return page;
  }
  // Whether each of New, Duplicate, Rename and Delete is enabled in the page's menu.
  static std::string Enabled(X256ListPage* page) {
    Menu* menu = page->BuildMenu();
    std::string out;
    for (int32_t id : {X256ListPage::kNew, X256ListPage::kDuplicate, X256ListPage::kRename,
                       X256ListPage::kDelete}) {
      out += menu->FindItem(id)->IsEnabled() ? '1' : '0';
    }
    WM().DeleteLater(menu);
    return out;
  }
  std::vector<std::string> HueNames() const {
    std::vector<std::string> names;
    for (const auto& h : host.collection.hue_changes) names.push_back(h->Name());
    return names;
  }
  bool InPopup() {
    Window* top = wm->TopModalWindow();
    return top && std::string_view(top->GetClassName()) == "TextPopup";
  }
  // Types into the in-place edit once it runs, then Enter. (The event queue holds 32 events:
  // a longer text goes into the box at once.)
  void TypeInPlace(std::string text) {
    platform.Then([this, text](FakePlatform&) {
      if (!InPopup()) return false;
      if (text.size() > 16) {
        static_cast<TextPopup*>(wm->TopModalWindow())->Box()->SetText(text);
      } else {
        for (char c : text) Char(static_cast<unsigned char>(c));
      }
      Tap(Key::Enter);
      return true;
    });
  }
};

// ---------------------------------------------------------------------------------------
// The context menu follows the selection

TEST_F(ListPageTest, MenuEnablesRenameForOneAndDuplicateAndDeleteForAny) {
  host.collection.AddHueChange("Reds");
  host.collection.AddHueChange("Blues");
  auto* page = MakePage<X256HueBrowser>();
  EXPECT_EQ(Enabled(page), "1000");
  page->Select(page->FirstItem(), false);
  EXPECT_EQ(Enabled(page), "1111");
  page->SelectAll();
  EXPECT_EQ(Enabled(page), "1101");
}

// ---------------------------------------------------------------------------------------
// Commands

TEST_F(ListPageTest, NewAddsSelectsAndRenamesInPlace) {
  host.collection.AddHueChange("Reds");
  auto* page = MakePage<X256HueBrowser>();
  TypeInPlace("Greens");
  page->RunCommand(X256ListPage::kNew);
  EXPECT_EQ(HueNames(), (std::vector<std::string>{"Reds", "Greens"}));
  ASSERT_EQ(page->SelectedRecords().size(), 1u);
  EXPECT_EQ(page->SelectedRecords()[0], host.collection.HueChangeAt(1));
  EXPECT_EQ(page->ItemAtRow(1)->text, "Greens");
  // The addition and the name are two steps of the history.
  EXPECT_EQ(host.Commits(), 2);
  EXPECT_EQ(host.affected[0], X256EditHost::kHueChanges);
}

TEST_F(ListPageTest, RenameKeepsAtMost63Characters) {
  host.collection.AddSequence("walk");
  auto* page = MakePage<X256SequenceBrowser>();
  page->Select(page->FirstItem(), false);
  TypeInPlace(std::string(70, 'x'));
  page->RunCommand(X256ListPage::kRename);
  EXPECT_EQ(host.collection.SequenceAt(0)->Name(), std::string(63, 'x'));
  EXPECT_EQ(page->FirstItem()->text, std::string(63, 'x'));
  EXPECT_EQ(host.affected.back(), X256EditHost::kSequences);
}

TEST_F(ListPageTest, DuplicateInsertsANamedCopyRightAfterItsSource) {
  HueChange* reds = host.collection.AddHueChange("Reds");
  reds->start_hue = 0xE000;
  reds->use_as = HueChange::kSecondary;
  host.collection.AddHueChange("Blues");
  auto* page = MakePage<X256HueBrowser>();
  page->Select(page->FirstItem(), false);
  page->RunCommand(X256ListPage::kDuplicate);
  EXPECT_EQ(HueNames(), (std::vector<std::string>{"Reds", "Reds copy", "Blues"}));
  const HueChange* copy = host.collection.HueChangeAt(1);
  EXPECT_NE(copy, reds);
  EXPECT_EQ(copy->start_hue, 0xE000);
  EXPECT_EQ(copy->use_as, HueChange::kSecondary);
  EXPECT_EQ(host.Commits(), 1);
  // The copy is what is selected now.
  ASSERT_EQ(page->SelectedRecords().size(), 1u);
  EXPECT_EQ(page->SelectedRecords()[0], copy);
}

TEST_F(ListPageTest, DuplicatedSequenceHasItsOwnFramesAndA63CharacterName) {
  Sequence* walk = host.collection.AddSequence(std::string(60, 'w'));
  walk->frames.push_back(walk->NewFrame());
  walk->frames[1].views[0].registration_x = 7;
  auto* page = MakePage<X256SequenceBrowser>();
  page->Select(page->FirstItem(), false);
  page->RunCommand(X256ListPage::kDuplicate);
  ASSERT_EQ(host.collection.sequences.size(), 2u);
  Sequence* copy = host.collection.SequenceAt(1);
  EXPECT_EQ(copy->Name(), std::string(60, 'w') + " co");
  ASSERT_EQ(copy->frames.size(), 2u);
  EXPECT_EQ(copy->frames[1].views[0].registration_x, 7);
  copy->frames[1].views[0].registration_x = 9;
  EXPECT_EQ(walk->frames[1].views[0].registration_x, 7);
}

TEST_F(ListPageTest, DeleteAsksWithThePluralAndCancelKeepsEverything) {
  host.collection.AddHueChange("Reds");
  host.collection.AddHueChange("Blues");
  auto* page = MakePage<X256HueBrowser>();
  page->SelectAll();
  Answer(1);  // Cancel
  page->RunCommand(X256ListPage::kDelete);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].message, "Are you sure you want to remove the selected hue changes?");
  EXPECT_EQ(seen[0].buttons, (std::vector<std::string>{"Delete", "Cancel"}));
  EXPECT_EQ(host.collection.hue_changes.size(), 2u);
  EXPECT_EQ(host.begun, 0);

  Answer(0);
  page->RunCommand(X256ListPage::kDelete);
  EXPECT_TRUE(host.collection.hue_changes.empty());
  EXPECT_EQ(page->ItemCount(), 0);
  EXPECT_EQ(host.Commits(), 1);
}

TEST_F(ListPageTest, DeletingOneSequenceAsksInTheSingularUnderConfirmDelete) {
  host.collection.AddSequence("walk");
  auto* page = MakePage<X256SequenceBrowser>();
  page->Select(page->FirstItem(), false);
  Answer(0);
  page->RunCommand(X256ListPage::kDelete);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, "Confirm Delete");
  EXPECT_EQ(seen[0].message, "Are you sure you want to remove the selected sequence?");
  EXPECT_TRUE(host.collection.sequences.empty());
}

TEST_F(ListPageTest, DroppingAnItemMovesItsRecord) {
  for (const char* name : {"A", "B", "C"}) host.collection.AddHueChange(name);
  auto* page = MakePage<X256HueBrowser>();
  HueChange* a = host.collection.HueChangeAt(0);
  // Into the gap just after itself: nothing moves.
  ListWindow::Drop drop{page->FirstItem(), 1};
  page->item_dropped.Emit(reinterpret_cast<intptr_t>(&drop));
  EXPECT_EQ(host.Commits(), 0);
  drop = {page->FirstItem(), 3};
  page->item_dropped.Emit(reinterpret_cast<intptr_t>(&drop));
  EXPECT_EQ(HueNames(), (std::vector<std::string>{"B", "C", "A"}));
  EXPECT_EQ(page->ItemAtRow(2)->text, "A");
  ASSERT_EQ(page->SelectedRecords().size(), 1u);
  EXPECT_EQ(page->SelectedRecords()[0], a);
  EXPECT_EQ(host.Commits(), 1);
}

TEST_F(ListPageTest, AMouseDragReordersAndTheListIsRebuiltSafelyDuringTheDrop) {
  for (const char* name : {"A", "B", "C"}) host.collection.AddSequence(name);
  auto* page = MakePage<X256SequenceBrowser>();
  const Rect first = page->CellRect(page->FirstItem(), -1);
  const int32_t x = first.left + 10;
  const int32_t h = page->RowHeight();
  Press(x, first.top + h / 2);
  for (int32_t dy = 2; dy <= 2 * h + h / 2; dy += 3) Move(x, first.top + h / 2 + dy);
  Move(x, first.top + 3 * h - 1);
  Release(x, first.top + 3 * h - 1);
  Pump(20);
  std::vector<std::string> names;
  for (const auto& sq : host.collection.sequences) names.push_back(sq->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"B", "C", "A"}));
  EXPECT_EQ(page->ItemAtRow(2)->text, "A");
  EXPECT_EQ(host.Commits(), 1);
  EXPECT_FALSE(wm->IsDragging());
}

// ---------------------------------------------------------------------------------------
// Open editors

TEST_F(ListPageTest, ActivatingAHueChangeOpensOneEditorOnly) {
  host.collection.AddHueChange("Reds");
  auto* page = MakePage<X256HueBrowser>();
  page->activated.Emit(reinterpret_cast<intptr_t>(page->FirstItem()));
  page->activated.Emit(reinterpret_cast<intptr_t>(page->FirstItem()));
  ASSERT_EQ(page->Editors().size(), 1u);
  EXPECT_EQ(page->Editors()[0]->EditedHueChange(), host.collection.HueChangeAt(0));
  EXPECT_STREQ(page->Editors()[0]->GetTitle(), "Reds");
  Window::Close(page->Editors()[0]);
  Pump(2);
  EXPECT_TRUE(page->Editors().empty());
}

TEST_F(ListPageTest, AnOpenHueChangeIsNotDeleted) {
  host.collection.AddHueChange("Reds");
  host.collection.AddHueChange("Blues");
  auto* page = MakePage<X256HueBrowser>();
  page->activated.Emit(reinterpret_cast<intptr_t>(page->ItemAtRow(1)));
  page->SelectAll();
  Answer(0);  // Delete
  Answer(0);  // OK to the refusal
  page->RunCommand(X256ListPage::kDelete);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].message,
            "The hue change \"Blues\" is currently open. Please close it before deleting.");
  EXPECT_EQ(HueNames(), (std::vector<std::string>{"Reds", "Blues"}));
  EXPECT_EQ(host.begun, 0);
}

TEST_F(ListPageTest, AnOpenSequenceIsNotDeletedUntilItsEditorCloses) {
  host.collection.AddSequence("walk");
  auto* page = MakePage<X256SequenceBrowser>();
  auto* editor = new ProbeWindow(WindowFlag::TitleBar, nullptr, "walk editor");
  page->AddEditor(host.collection.SequenceAt(0), editor, {});
  EXPECT_EQ(host.editor_notices, 1);
  page->Select(page->FirstItem(), false);
  Answer(0);
  Answer(0);
  page->RunCommand(X256ListPage::kDelete);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].message,
            "The sequence \"walk\" is currently open. Please close it before deleting.");
  EXPECT_EQ(host.collection.sequences.size(), 1u);

  Window::Close(editor);
  Pump(2);
  EXPECT_EQ(page->EditorCount(), 0);
  EXPECT_EQ(host.editor_notices, 2);
  Answer(0);
  page->RunCommand(X256ListPage::kDelete);
  EXPECT_TRUE(host.collection.sequences.empty());
}

TEST_F(ListPageTest, SequenceEditorsHearOfEveryChange) {
  host.collection.AddSequence("walk");
  auto* page = MakePage<X256SequenceBrowser>();
  auto* editor = new ProbeWindow(WindowFlag::TitleBar, nullptr, "walk editor");
  int refreshes = 0;
  page->AddEditor(host.collection.SequenceAt(0), editor, [&refreshes] { ++refreshes; });
  page->Select(page->FirstItem(), false);
  page->RunCommand(X256ListPage::kDuplicate);
  EXPECT_EQ(refreshes, 1);
  // The new sequence's menu item names it for the page.
  Menu* menu = page->BuildMenu();
  EXPECT_STREQ(menu->FindItem(X256ListPage::kNew)->GetTitle(), "New Sequence");
  WM().DeleteLater(menu);
  Window::Close(editor);
  Pump(2);
}

TEST_F(ListPageTest, ARefreshKeepsTheSelectionAndClosesEditorsOfRemovedHueChanges) {
  host.collection.AddHueChange("Reds");
  HueChange* blues = host.collection.AddHueChange("Blues");
  auto* page = MakePage<X256HueBrowser>();
  page->activated.Emit(reinterpret_cast<intptr_t>(page->FirstItem()));
  page->Select(page->ItemAtRow(1), false);
  // An undo elsewhere takes the first one away.
  host.collection.RemoveHueChange(host.collection.HueChangeAt(0));
  page->Refresh();
  Pump(2);
  EXPECT_TRUE(page->Editors().empty());
  ASSERT_EQ(page->ItemCount(), 1);
  ASSERT_EQ(page->SelectedRecords().size(), 1u);
  EXPECT_EQ(page->SelectedRecords()[0], blues);
}

}  // namespace
