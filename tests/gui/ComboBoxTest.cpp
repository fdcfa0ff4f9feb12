#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "gui/ComboBox.h"
#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/ListItem.h"
#include "gui/ListWindow.h"
#include "gui/TextBox.h"
#include "gui/TreeRenderer.h"
#include "support/MonoFont.h"
#include "support/RecordingPainter.h"
#include "support/WmHarness.h"

namespace {

class SelectionLog : public has_slots<void> {
 public:
  void OnChanged(intptr_t argument) {
    const auto* selection = reinterpret_cast<const ComboBox::Selection*>(argument);
    ids.push_back(selection->id);
    texts.push_back(selection->item ? selection->item->text : "<null>");
  }
  std::vector<uint64_t> ids;
  std::vector<std::string> texts;
};

// A plain dialog at (100, 100) of the screen (800 x 600) holding a combo box at (20, 20) with
// three items and a second control to move the focus to. Characters are 6 pixels wide and
// lines 12 high, so the closed box is 16 high (its minimum) and list rows are 12.
class ComboTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    SetDefaultFont(&font);
    dialog = Frame({100, 100, 500, 400}, WindowFlag::BackgroundA);
    dialog->SetFont(&font);
    other = new ProbeWindow(0, dialog, "other");
    other->SetFrameRect({300, 200, 360, 220});
  }
  void TearDown() override {
    WmTest::TearDown();
    SetDefaultFont(nullptr);
  }
  ComboBox* Make(uint32_t flags = 0, Window* parent = nullptr, Point at = {20, 20}) {
    combo = new ComboBox(parent ? parent : dialog, flags);
    combo->SetFrameRect({at.x, at.y, at.x + ComboBox::kInitialWidth, at.y + 16});
    combo->AddItem(1, "Alpha");
    combo->AddItem(2, "Beta");
    combo->AddItem(3, "Gamma");
    Connect<&SelectionLog::OnChanged>(combo->selection_changed, &log);
    return combo;
  }
  static Point Centre(const Window* w) {
    const Rect& r = w->FrameRect();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  Point RowPoint(int row) const {
    const ListWindow* list = combo->List();
    const int32_t h = list->RowHeight();
    return {list->ClientRect().left + 10, list->ClientRect().top + row * h + h / 2};
  }
  void ClickArrow() {
    const Point p = Centre(combo->ArrowButton());
    Click(p.x, p.y);
  }
  // Runs `act` once the list is open and its loop is the top one.
  void WhileOpen(std::function<void()> act) {
    platform.Then(
        [this](FakePlatform& p) { return combo->IsOpen() && p.wm->TopModalWindow() == combo; });
    platform.Then([act](FakePlatform&) {
      act();
      return true;
    });
  }
  // Pumps until every scripted step has run and the list has closed again.
  void RunScript() {
    for (int i = 0; i < 50 && (!platform.steps.empty() || combo->IsOpen()); ++i) Pump();
    EXPECT_TRUE(platform.steps.empty()) << "a scripted step never ran";
    EXPECT_FALSE(combo->IsOpen());
    // Ending a loop skips one pump's events; what was queued behind comes after it.
    Pump(3);
  }

  Font font{MonoFontData()};
  ProbeWindow* dialog = nullptr;
  ProbeWindow* other = nullptr;
  ComboBox* combo = nullptr;
  SelectionLog log;
};

// ---------------------------------------------------------------------------------------
// Items and programmatic selection

class ComboItems : public ComboTest {};

TEST_F(ComboItems, SelectingByIdShowsTheTextWithoutEmitting) {
  Make();
  EXPECT_TRUE(combo->SelectById(2));
  EXPECT_EQ(combo->SelectedId(), 2u);
  ASSERT_NE(combo->SelectedItem(), nullptr);
  EXPECT_EQ(combo->SelectedItem()->text, "Beta");
  EXPECT_EQ(combo->TextField()->GetText(), "Beta");
  EXPECT_TRUE(log.ids.empty());
}

TEST_F(ComboItems, NoneIdsOfEitherWidthFindEachOther) {
  Make();
  const uint64_t wide_none = static_cast<uint64_t>(int64_t{-1});
  combo->AddItem(wide_none, "<none>", true);
  EXPECT_TRUE(combo->SelectById(0xFFFFFFFFu));
  EXPECT_EQ(combo->TextField()->GetText(), "<none>");
  combo->Clear();
  combo->AddItem(0xFFFFFFFFu, "<none>");
  combo->AddItem(7, "Seven");
  EXPECT_TRUE(combo->SelectById(wide_none));
  EXPECT_EQ(combo->TextField()->GetText(), "<none>");
  // A real 64-bit id is not folded onto its low half.
  EXPECT_FALSE(combo->SelectById((uint64_t{1} << 32) | 7));
}

TEST_F(ComboItems, AnUnknownIdLeavesNoSelectionAndTheTextAsItWas) {
  Make();
  combo->SelectById(2);
  EXPECT_FALSE(combo->SelectById(99));
  EXPECT_EQ(combo->SelectedItem(), nullptr);
  EXPECT_EQ(combo->SelectedId(), ComboBox::kNoId);
  EXPECT_EQ(combo->TextField()->GetText(), "Beta");
  EXPECT_TRUE(log.ids.empty());
}

TEST_F(ComboItems, ClearRemovesEveryItemAndTheTextSilently) {
  Make();
  combo->SelectById(3);
  combo->Clear();
  EXPECT_EQ(combo->ItemCount(), 0);
  EXPECT_EQ(combo->SelectedItem(), nullptr);
  EXPECT_EQ(combo->TextField()->GetText(), "");
  EXPECT_TRUE(log.ids.empty());
}

TEST_F(ComboItems, SortingOrdersTextsNaturallyAndPinnedItemsComeFirst) {
  combo = new ComboBox(dialog, 0);
  combo->AddItem(10, "Item 10");
  combo->AddItem(9, "item 9");
  combo->AddItem(99, "Item 9a");
  combo->SortItems();
  combo->AddItem(0xFFFFFFFFu, "<no tag>", true);
  std::vector<std::string> order;
  for (const ListItem* item = combo->List()->FirstItem(); item; item = item->next) {
    order.push_back(item->text);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"<no tag>", "item 9", "Item 9a", "Item 10"}));
}

TEST_F(ComboItems, TheTextFieldShowsItemTextsLiterally) {
  Make(ComboBox::kEditable);
  combo->AddItem(4, "|bBold");
  combo->SelectById(4);
  TextBox* field = combo->TextField();
  ASSERT_EQ(field->GetText(), "|bBold");
  field->SetSelection({0, 0}, {0, 0});
  const int32_t start = field->CaretRect().left;
  field->SetSelection({0, 6}, {0, 6});
  // Six characters of 6 pixels: the bar and the b are drawn, not read as a switch.
  EXPECT_EQ(field->CaretRect().left - start, 36);
}

// ---------------------------------------------------------------------------------------
// Sizes

class ComboSizes : public ComboTest {};

TEST_F(ComboSizes, FittingToRowsCountsOneRowMoreThanTheItems) {
  Make();
  combo->Fit(16, false);
  EXPECT_EQ(combo->ListHeight(), 4 * 12) << "3 items fitted to 16 rows";
  combo->Fit(2, false);
  EXPECT_EQ(combo->ListHeight(), 2 * 12);
  combo->Fit(0, false);
  EXPECT_EQ(combo->ListHeight(), 12) << "0 rows counts as 1";
}

TEST_F(ComboSizes, FittingTheWidthTakesTheWidestTextPlus18) {
  Make();
  combo->AddItem(4, "abcdefghij");    // 60 pixels
  combo->AddItem(5, "|b|b|b|b|b|b");  // 72 pixels measured literally, 0 as style switches
  combo->Fit(8, true);
  EXPECT_EQ(combo->FrameRect().Width(), 72 + 18);
  EXPECT_EQ(combo->FrameRect().left, 120) << "the left edge stays";
}

TEST_F(ComboSizes, SettingTheWidthPlacesTheFieldTheArrowAndTheList) {
  Make();
  combo->SetWidth(200);
  const Rect& c = combo->ClientRect();
  EXPECT_EQ(combo->TextField()->FrameRect(), (Rect{c.left, c.top, c.left + 186, c.top + 16}));
  EXPECT_EQ(combo->ArrowButton()->FrameRect().left, c.left + 186);
  EXPECT_EQ(combo->ArrowButton()->FrameRect().Width(), 14);
  EXPECT_EQ(combo->ArrowButton()->FrameRect().Height(), 14);
  EXPECT_EQ(combo->List()->FrameRect().Width(), 200);
}

// ---------------------------------------------------------------------------------------
// Enabled state

class ComboEnabled : public ComboTest {};

TEST_F(ComboEnabled, TheStateReachesTheThreeChildrenAndADisabledBoxStaysClosed) {
  Make();
  combo->SetEnabled(false);
  EXPECT_FALSE(combo->TextField()->IsEnabled());
  EXPECT_FALSE(combo->ArrowButton()->IsEnabled());
  EXPECT_FALSE(combo->List()->IsEnabled());
  ClickArrow();
  Window::SetFocus(combo, 0);
  Tap(Key::Down);
  Pump(3);
  EXPECT_FALSE(combo->IsOpen());
  EXPECT_EQ(wm->ModalDepth(), 0);
  combo->SetEnabled(true);
  EXPECT_TRUE(combo->TextField()->IsEnabled());
  EXPECT_TRUE(combo->ArrowButton()->IsEnabled());
  EXPECT_TRUE(combo->List()->IsEnabled());
}

// ---------------------------------------------------------------------------------------
// Opening, placement and choosing with the mouse

class ComboOpening : public ComboTest {};

TEST_F(ComboOpening, TheArrowOpensTheListBelowAndAClickedItemIsChosenAndEmitted) {
  Make();
  combo->Fit(8, false);
  bool checked = false;
  WhileOpen([&] {
    checked = true;
    // Room above and below alike: it stays below the field.
    EXPECT_FALSE(combo->IsListAbove());
    EXPECT_TRUE(combo->List()->IsVisible());
    EXPECT_EQ(combo->List()->FrameRect(), (Rect{120, 136, 298, 136 + 4 * 12}));
    EXPECT_EQ(combo->FrameRect(), (Rect{120, 120, 298, 136 + 4 * 12})) << "grown over the list";
    EXPECT_EQ(combo->ArrowButton()->GetState(), Button::kOn) << "shown pressed";
    const Point p = RowPoint(1);
    Click(p.x, p.y);
  });
  ClickArrow();
  RunScript();
  ASSERT_TRUE(checked);
  EXPECT_EQ(log.ids, (std::vector<uint64_t>{2}));
  EXPECT_EQ(log.texts, (std::vector<std::string>{"Beta"}));
  EXPECT_EQ(combo->TextField()->GetText(), "Beta");
  EXPECT_EQ(combo->FrameRect(), (Rect{120, 120, 298, 136})) << "closed size and place";
  EXPECT_FALSE(combo->List()->IsVisible());
  EXPECT_EQ(combo->List()->Parent(), combo);
  EXPECT_EQ(combo->ArrowButton()->GetState(), Button::kUp);
}

TEST_F(ComboOpening, NearTheBottomOfTheWindowTheListOpensUpwards) {
  dialog->SetFrameRect({100, 300, 500, 590});
  Make(0, nullptr, {20, 260});  // the field spans 560 to 576 on the screen
  const int32_t list_height = combo->ListHeight();
  ASSERT_GT(list_height, 24);
  WhileOpen([&] {
    EXPECT_TRUE(combo->IsListAbove());
    EXPECT_EQ(combo->List()->FrameRect(), (Rect{120, 560 - list_height, 298, 560}));
    EXPECT_EQ(combo->FrameRect(), (Rect{120, 560 - list_height, 298, 576}));
    EXPECT_EQ(combo->TextField()->FrameRect().top, 560) << "the field does not move";
    const Point p = RowPoint(2);
    Click(p.x, p.y);
  });
  ClickArrow();
  RunScript();
  EXPECT_EQ(log.ids, (std::vector<uint64_t>{3}));
  EXPECT_EQ(combo->FrameRect(), (Rect{120, 560, 298, 576}));
  EXPECT_EQ(combo->TextField()->FrameRect().top, 560);
}

TEST_F(ComboOpening, APressOnAStaticFieldOpensAndSelectingDuringTheLoopIsStillSilent) {
  Make();
  WhileOpen([&] {
    combo->SelectById(1);  // the program may select while the list shows
    Tap(Key::Escape);
  });
  const Point p = Centre(combo->TextField());
  Click(p.x, p.y);
  RunScript();
  EXPECT_TRUE(log.ids.empty());
  EXPECT_EQ(combo->TextField()->GetText(), "Alpha");
}

TEST_F(ComboOpening, TheListIsDrawnAndClickableWholePastItsDialogsEdge) {
  // The box sits in a panel of a short dialog (screen 100 to 150); a control made after the
  // panel lies where the list's first row will show, and the list reaches below the dialog:
  // rows at 136, 148, 160 and 172 on the screen.
  dialog->SetFrameRect({100, 100, 500, 150});
  auto* panel = new ProbeWindow(WindowFlag::BackgroundA, dialog, "panel");
  panel->SetFrameRect({0, 0, 250, 40});
  panel->SetFont(&font);
  auto* cover = new ProbeWindow(WindowFlag::BackgroundA, dialog, "cover");
  cover->SetFrameRect({0, 40, 250, 50});
  Make(0, panel, {20, 20});
  combo->Fit(8, false);
  RecordingPainter painter;
  TreeRenderer tree;
  Painter* saved = CurrentPainter();
  SetCurrentPainter(&painter);
  WhileOpen([&] {
    wm->RequestFullRedraw();
    tree.Render(*wm);
    const Rect list = combo->List()->ClientRect();
    size_t list_at = painter.calls.size();
    size_t cover_at = painter.calls.size();
    for (size_t i = 0; i < painter.calls.size(); ++i) {
      const RecordingPainter::Call& call = painter.calls[i];
      if (call.op != RecordingPainter::Op::kBeginWindow) continue;
      if (call.rect == list && list_at == painter.calls.size()) {
        list_at = i;
        EXPECT_EQ(call.visible, list) << "the whole list is visible";
      }
      if (call.rect == cover->ClientRect()) cover_at = i;
    }
    EXPECT_LT(list_at, painter.calls.size()) << "the list's content was drawn";
    EXPECT_LT(cover_at, list_at) << "over the control below it";
    const Point p = RowPoint(2);
    EXPECT_GT(p.y, dialog->FrameRect().bottom) << "the row lies past the dialog's edge";
    Click(p.x, p.y);
  });
  ClickArrow();
  RunScript();
  SetCurrentPainter(saved);
  EXPECT_EQ(log.texts, (std::vector<std::string>{"Gamma"}));
  WhileOpen([&] {
    const Point p = RowPoint(0);
    EXPECT_TRUE(cover->FrameRect().Contains(p));
    Click(p.x, p.y);
  });
  ClickArrow();
  RunScript();
  EXPECT_EQ(log.texts, (std::vector<std::string>{"Gamma", "Alpha"}));
  EXPECT_TRUE(cover->buttons.empty()) << "the control under the list saw no press";
}

// ---------------------------------------------------------------------------------------
// Keys

class ComboKeys : public ComboTest {};

TEST_F(ComboKeys, UpAndDownOpenAndEscapeCloses) {
  Make();
  for (const int key : {Key::Down, Key::Up}) {
    Window::SetFocus(combo, 0);
    bool opened = false;
    WhileOpen([&] {
      opened = true;
      Tap(Key::Escape);
    });
    Tap(key);
    RunScript();
    EXPECT_TRUE(opened) << key;
    EXPECT_EQ(wm->ModalDepth(), 0) << key;
  }
  EXPECT_TRUE(log.ids.empty());
}

TEST_F(ComboKeys, DownInTheOpenListChoosesAndEnterCloses) {
  Make();
  combo->SelectById(1);
  Window::SetFocus(combo, 0);
  WhileOpen([&] {
    Tap(Key::Down);
    Tap(Key::Enter);
  });
  Tap(Key::Down);
  RunScript();
  EXPECT_EQ(log.ids, (std::vector<uint64_t>{2})) << "a keyboard choice emits";
  EXPECT_EQ(combo->TextField()->GetText(), "Beta");
}

TEST_F(ComboKeys, TabInAnOpenBoxClosesTheListAndMovesTheFocusOn) {
  Make(ComboBox::kEditable);
  combo->SelectById(2);
  Window::SetTabOrder({combo, other});
  Window::SetFocus(combo, 0);
  EXPECT_EQ(wm->Focus(), combo->TextField()) << "an editable box is focused through its field";
  WhileOpen([&] { Tap(Key::Tab); });
  Tap(Key::Down);
  RunScript();
  EXPECT_EQ(wm->Focus(), other);
  EXPECT_FALSE(combo->TextField()->HasSelection()) << "the field's selection is dropped";
  EXPECT_EQ(wm->ModalDepth(), 0);
}

TEST_F(ComboKeys, TheTypedTextMovesTheListToItsItemWhenOpened) {
  Make(ComboBox::kEditable);
  Window::SetFocus(combo, 0);
  combo->TextField()->SetText("Ga");
  ListItem* current = nullptr;
  WhileOpen([&] {
    current = combo->List()->SelectedItem();
    Tap(Key::Escape);
  });
  Tap(Key::Down);
  RunScript();
  ASSERT_NE(current, nullptr);
  EXPECT_EQ(current->text, "Gamma");
  EXPECT_EQ(combo->TextField()->GetText(), "Gamma");
  EXPECT_TRUE(log.ids.empty()) << "moving to the typed item is no choice";
}

// ---------------------------------------------------------------------------------------
// A press outside

class ComboOutside : public ComboTest {};

TEST_F(ComboOutside, APressOutsideClosesTheListAndReachesItsTarget) {
  Make();
  WhileOpen([&] {
    const Point p = Centre(other);
    Click(p.x, p.y);
  });
  ClickArrow();
  RunScript();
  ASSERT_EQ(other->buttons.size(), 2u) << "the press and its release";
  EXPECT_EQ(other->buttons[0].d, 1);
  EXPECT_EQ(other->buttons[0].flags, static_cast<int32_t>(Part::Client));
  EXPECT_TRUE(log.ids.empty());
}

TEST_F(ComboOutside, AnOuterModalLoopStillFiltersThePressThatClosedTheList) {
  Make();
  auto* behind = Frame({600, 100, 700, 200}, 0, "behind");
  const int beeps = platform.beeps;
  platform.Then([this](FakePlatform& p) { return p.wm->TopModalWindow() == dialog; });
  platform.Then([this](FakePlatform&) {
    ClickArrow();
    return true;
  });
  WhileOpen([&] {
    const Point p = Centre(behind);
    Press(p.x, p.y);
  });
  platform.Then([this](FakePlatform& p) {
    if (p.wm->TopModalWindow() != dialog || combo->IsOpen()) return false;
    p.wm->EndModal(dialog, 0);
    return true;
  });
  wm->RunModal(dialog, 0);
  EXPECT_TRUE(platform.steps.empty());
  EXPECT_FALSE(combo->IsOpen());
  EXPECT_TRUE(behind->buttons.empty()) << "the dialog's loop keeps presses from other windows";
  EXPECT_EQ(platform.beeps, beeps + 1) << "and beeps at them";
}

}  // namespace
