#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/Menu.h"
#include "gui/MenuItem.h"
#include "gui/Skin.h"
#include "gui/TreeRenderer.h"
#include "support/MonoFont.h"
#include "support/RecordingPainter.h"
#include "support/TracedImages.h"
#include "support/WmHarness.h"

namespace {

constexpr int32_t kNoItem = -999;

// Top-level ids of the test bar and the commands below them.
constexpr int32_t kFile = 1, kEdit = 2, kHelp = 3;
constexpr int32_t kOpen = 11, kSave = 12, kRecent = 13, kExit = 14;
constexpr int32_t kRecentA = 131, kRecentB = 132;
constexpr int32_t kUndo = 21, kRedo = 22, kUpdate = 23, kUppercase = 24;
constexpr int32_t kTip = 31;

class MenuLog : public has_slots<void> {
 public:
  void OnCommand(intptr_t argument) {
    const auto* item = reinterpret_cast<const MenuItem*>(argument);
    commands.push_back(item ? item->WindowId() : kNoItem);
    running_at_command.push_back(menu && menu->IsRunning());
  }
  void OnOpening(intptr_t argument) {
    auto* item = reinterpret_cast<MenuItem*>(argument);
    opened.push_back(item->WindowId());
    if (on_opening) on_opening(item);
  }
  void OnHighlighted(intptr_t argument) {
    highlighted.push_back(reinterpret_cast<const MenuItem*>(argument)->WindowId());
  }
  Menu* menu = nullptr;
  std::vector<int32_t> commands;
  std::vector<bool> running_at_command;
  std::vector<int32_t> opened;
  std::vector<int32_t> highlighted;
  std::function<void(MenuItem*)> on_opening;
};

// Opens a context menu on a right press and keeps what it gave.
class ContextWindow : public ProbeWindow {
 public:
  ContextWindow(Window* parent, Menu* menu) : ProbeWindow(0, parent, "context"), menu_(menu) {}
  void OnMouseButton(InputEvent& e) override {
    ProbeWindow::OnMouseButton(e);
    if (e.c == 1 && e.d == 1) {
      chosen = menu_->PopUpAt({e.a, e.b});
      ++popups;
    }
  }
  MenuItem* chosen = nullptr;
  int popups = 0;

 private:
  Menu* menu_;
};

// Characters are 6 pixels wide and lines 12 high, and the thin frame is 1 pixel: a bar is
// 18 high, a pop-up row 16 and a separator 4.
class MenuTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    SetDefaultFont(&font);
  }
  void TearDown() override {
    WmTest::TearDown();
    SetDefaultFont(nullptr);
  }

  void Watch(Menu* menu) {
    log.menu = menu;
    Connect<&MenuLog::OnCommand>(menu->command, &log);
    Connect<&MenuLog::OnOpening>(menu->opening, &log);
    Connect<&MenuLog::OnHighlighted>(menu->item_highlighted, &log);
  }

  // Open, Save (disabled), a separator, Recent (a.txt, b.txt) and Exit.
  static void AddFileItems(MenuItem* m) {
    m->AddItem("Open", kOpen);
    m->AddItem("Save", kSave, false);
    m->AddSeparator();
    MenuItem* recent = m->AddItem("Recent", kRecent);
    recent->AddItem("a.txt", kRecentA);
    recent->AddItem("b.txt", kRecentB);
    m->AddItem("Exit", kExit);
  }

  // File, Edit (Undo, Redo, Update disabled, Uppercase) and Help (Tip).
  Menu* MakeBar() {
    bar = new Menu(true);
    AddFileItems(bar->AddItem("File", kFile));
    MenuItem* edit = bar->AddItem("Edit", kEdit);
    edit->AddItem("Undo", kUndo);
    edit->AddItem("Redo", kRedo);
    edit->AddItem("Update", kUpdate, false);
    edit->AddItem("Uppercase", kUppercase);
    bar->AddItem("Help", kHelp)->AddItem("Tip", kTip);
    Watch(bar);
    return bar;
  }

  Menu* MakeContextMenu() {
    context = new Menu(false);
    AddFileItems(context);
    Watch(context);
    return context;
  }

  MenuItem* Item(int32_t id) const { return (bar ? bar : context)->FindItem(id); }
  static Point Centre(const Window* w) {
    const Rect& r = w->FrameRect();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void ClickOn(const Window* w, int button = 0) {
    const Point p = Centre(w);
    Click(p.x, p.y, button);
  }
  void MoveOver(const Window* w) {
    const Point p = Centre(w);
    Move(p.x, p.y);
  }

  // Runs `act` at a later poll, once `cond` holds; steps run in order.
  void When(std::function<bool()> cond, std::function<void()> act) {
    platform.Then([cond = std::move(cond), act = std::move(act)](FakePlatform&) {
      if (!cond()) return false;
      act();
      return true;
    });
  }
  void Then(std::function<void()> act) {
    When([] { return true; }, std::move(act));
  }
  void WhenRunning(std::function<void()> act) {
    Menu* m = bar ? bar : context;
    When([m] { return m->IsRunning(); }, std::move(act));
  }
  // Pumps until every step has run and every loop has ended.
  void Run() {
    for (int i = 0; i < 500 && (!platform.steps.empty() || wm->ModalDepth() > 0); ++i) Pump();
    Pump(2);
    EXPECT_TRUE(platform.steps.empty()) << "a scripted step never ran";
  }

  Font font{MonoFontData()};
  MenuLog log;
  Menu* bar = nullptr;
  Menu* context = nullptr;
};

// ---------------------------------------------------------------------------------------
// Layout

using MenuLayoutTest = MenuTest;

TEST_F(MenuLayoutTest, BarItemsSitLeftToRightEightPixelsApart) {
  MakeBar();
  EXPECT_EQ(bar->BarHeight(), 18);
  EXPECT_EQ(bar->FrameRect(), (Rect{0, 0, 800, 18}));
  EXPECT_EQ(bar->Parent(), wm->Layer1());
  // Each label (4 characters) plus 2 pixels either side.
  EXPECT_EQ(Item(kFile)->FrameRect(), (Rect{5, 1, 33, 17}));
  EXPECT_EQ(Item(kEdit)->FrameRect().left - Item(kFile)->FrameRect().right, 8);
  EXPECT_EQ(Item(kHelp)->FrameRect(), (Rect{77, 1, 105, 17}));
  EXPECT_STREQ(bar->GetTitle(), "Menu Bar");
  EXPECT_STREQ(Item(kFile)->GetClassName(), "MenuItem");
}

TEST_F(MenuLayoutTest, PopupRowsAreLabelPlus36AtLeast64) {
  MakeBar();
  bar->OpenSubMenu(Item(kFile));
  const Window* panel = Item(kFile)->ItemsWindow();
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(panel->IsVisible());
  // "Recent" is the widest: 36 + 36; rows 16, 16, 4, 16, 16 inside a 1-pixel frame, below the
  // bar at the item's left edge.
  EXPECT_EQ(panel->FrameRect(), (Rect{5, 18, 79, 88}));
  EXPECT_EQ(Item(kOpen)->FrameRect(), (Rect{6, 19, 78, 35}));
  EXPECT_EQ(Item(kRecent)->FrameRect(), (Rect{6, 55, 78, 71}));
  EXPECT_EQ(Item(kFile)->Items()[2]->FrameRect().Height(), 4);
  EXPECT_TRUE(Item(kFile)->Items()[2]->IsSeparator());
  EXPECT_STREQ(Item(kFile)->Items()[2]->GetTitle(), "<---separator--->");
  EXPECT_EQ(Item(kFile)->Items()[2]->WindowId(), -1);

  bar->OpenSubMenu(Item(kHelp));  // "Tip" is 18 + 36: the 64 minimum wins
  EXPECT_FALSE(panel->IsVisible());
  EXPECT_EQ(Item(kHelp)->ItemsWindow()->FrameRect().Width(), 66);
}

TEST_F(MenuLayoutTest, SubMenuOpensBesideItsItem) {
  MakeBar();
  bar->OpenSubMenu(Item(kFile));
  bar->OpenSubMenu(Item(kRecent));
  // Its first row level with "Recent": the frame starts one border above the item.
  EXPECT_EQ(Item(kRecent)->ItemsWindow()->FrameRect(), (Rect{79, 54, 147, 88}));
  EXPECT_EQ(bar->Innermost(), Item(kRecent));
}

TEST_F(MenuLayoutTest, BarFollowsTheScreenWidth) {
  MakeBar();
  wm->ResizeScreen(1000, 700);
  EXPECT_EQ(bar->FrameRect(), (Rect{0, 0, 1000, 18}));
}

TEST_F(MenuLayoutTest, LabelsAreMeasuredAsTheyStand) {
  MakeContextMenu();
  // Style switches in a label are characters like any other: 12 of them, plus 36.
  context->AddItem("|b|i|p|b|i|p", 99);
  WhenRunning([&] { Tap(Key::Escape); });
  context->PopUpAt({10, 10});
  Run();
  EXPECT_EQ(context->FrameRect().Width(), 12 * 6 + 36 + 2);
}

TEST_F(MenuLayoutTest, MenusAreMovedOntoTheScreen) {
  MakeBar();
  wm->ResizeScreen(120, 80);
  bar->OpenSubMenu(Item(kFile));
  EXPECT_EQ(Item(kFile)->ItemsWindow()->FrameRect(), (Rect{5, 10, 79, 80}));
  bar->OpenSubMenu(Item(kRecent));
  // No room on either side: the right has more, so it stays there, moved left and up.
  const Rect sub = Item(kRecent)->ItemsWindow()->FrameRect();
  EXPECT_EQ(sub, (Rect{52, 46, 120, 80}));
}

TEST_F(MenuLayoutTest, ContextMenuAndItsSubMenuFlipAtTheScreenEdges) {
  MakeContextMenu();
  wm->ResizeScreen(200, 600);
  Rect menu_frame, sub_frame;
  WhenRunning([&] {
    menu_frame = context->FrameRect();
    context->OpenSubMenu(context->FindItem(kRecent));
    sub_frame = context->FindItem(kRecent)->ItemsWindow()->FrameRect();
    Tap(Key::Escape);
  });
  EXPECT_EQ(context->PopUpAt({150, 590}), nullptr);
  Run();
  // 74 x 70 does not fit right of and below the point: it opens to its left and above.
  EXPECT_EQ(menu_frame, (Rect{76, 520, 150, 590}));
  // The sub-menu has more room left of the menu than right of it.
  EXPECT_EQ(sub_frame.right, 76);
  EXPECT_EQ(sub_frame.Width(), 68);
  EXPECT_LE(sub_frame.bottom, 600);
  EXPECT_FALSE(context->IsVisible());
}

// ---------------------------------------------------------------------------------------
// Pointer

using MenuPointerTest = MenuTest;

TEST_F(MenuPointerTest, PressOpensTheLoopAndTheChoiceIsReportedAfterIt) {
  MakeBar();
  bool open_in_loop = false;
  bool edit_took_over = false;
  ClickOn(Item(kFile));
  WhenRunning([&] {
    open_in_loop = Item(kFile)->IsOpen() && wm->TopModalWindow() == bar;
    MoveOver(Item(kEdit));
  });
  Then([&] {
    edit_took_over = Item(kEdit)->IsOpen() && !Item(kFile)->IsOpen();
    ClickOn(Item(kRedo));
  });
  Run();
  EXPECT_TRUE(open_in_loop);
  EXPECT_TRUE(edit_took_over);
  EXPECT_EQ(log.commands, (std::vector<int32_t>{kRedo}));
  EXPECT_EQ(log.running_at_command, (std::vector<bool>{false}));
  EXPECT_FALSE(bar->IsRunning());
  EXPECT_FALSE(Item(kEdit)->IsOpen());
  EXPECT_FALSE(Item(kEdit)->ItemsWindow()->IsVisible());
  EXPECT_EQ(bar->HighlightedChild(), nullptr);
}

TEST_F(MenuPointerTest, DisabledItemsAndSeparatorsAreNeverChosen) {
  MakeBar();
  bool still_running = false;
  ClickOn(Item(kFile));
  WhenRunning([&] {
    ClickOn(Item(kSave));
    ClickOn(Item(kFile)->Items()[2]);
    MoveOver(Item(kSave));
  });
  Then([&] {
    still_running = bar->IsRunning();
    EXPECT_EQ(Item(kFile)->HighlightedChild(), nullptr);
    Tap(Key::Escape);
  });
  Run();
  EXPECT_TRUE(still_running);
  EXPECT_TRUE(log.commands.empty());
}

TEST_F(MenuPointerTest, PressOutsideEndsTheLoopAndReachesTheWindowBelow) {
  MakeBar();
  ProbeWindow* below = Frame({200, 200, 400, 400}, 0, "below");
  ClickOn(Item(kFile));
  WhenRunning([&] { Press(300, 300); });
  Run();
  Release(300, 300);
  Pump();
  EXPECT_TRUE(log.commands.empty());
  EXPECT_FALSE(Item(kFile)->IsOpen());
  ASSERT_FALSE(below->buttons.empty());
  EXPECT_EQ(below->buttons[0].d, 1);
  EXPECT_EQ(below->buttons[0].a, 300);
  EXPECT_EQ(platform.beeps, 0);
}

TEST_F(MenuPointerTest, PressOnTheOpenBarItemPutsTheMenuAway) {
  MakeBar();
  ClickOn(Item(kFile));
  WhenRunning([&] { ClickOn(Item(kFile)); });
  Run();
  EXPECT_FALSE(bar->IsRunning());
  EXPECT_FALSE(Item(kFile)->IsOpen());
  EXPECT_TRUE(log.commands.empty());
}

TEST_F(MenuPointerTest, PressOpensASubMenuAndItsLeafIsChosen) {
  MakeBar();
  bool recent_open = false;
  ClickOn(Item(kFile));
  WhenRunning([&] { ClickOn(Item(kRecent)); });
  Then([&] {
    recent_open = Item(kRecent)->IsOpen();
    ClickOn(Item(kRecentB));
  });
  Run();
  EXPECT_TRUE(recent_open);
  EXPECT_EQ(log.commands, (std::vector<int32_t>{kRecentB}));
  EXPECT_FALSE(Item(kRecent)->ItemsWindow()->IsVisible());
}

TEST_F(MenuPointerTest, TheFocusComesBackAfterTheLoop) {
  MakeBar();
  ProbeWindow* work = Frame({200, 200, 400, 400}, 0, "work");
  Window::SetFocus(work, 0);
  Window* focus_in_loop = nullptr;
  ClickOn(Item(kFile));
  WhenRunning([&] {
    focus_in_loop = wm->Focus();
    Tap(Key::Escape);
  });
  Run();
  EXPECT_EQ(focus_in_loop, bar);
  EXPECT_EQ(wm->Focus(), work);
}

TEST_F(MenuPointerTest, HoverHighlightsAndEmitsWithoutALoop) {
  MakeBar();
  MoveOver(Item(kEdit));
  Pump();
  EXPECT_EQ(bar->HighlightedChild(), Item(kEdit));
  EXPECT_EQ(log.highlighted, (std::vector<int32_t>{kEdit}));
  Move(400, 300);
  Pump();
  EXPECT_EQ(bar->HighlightedChild(), nullptr);
}

// ---------------------------------------------------------------------------------------
// Keys

using MenuKeysTest = MenuTest;

TEST_F(MenuKeysTest, LeftAndRightWrapAlongTheBar) {
  MakeBar();
  bool help_after_left = false;
  bool file_after_right = false;
  ClickOn(Item(kFile));
  WhenRunning([&] { Tap(Key::Left); });
  Then([&] {
    help_after_left = Item(kHelp)->IsOpen() && !Item(kFile)->IsOpen();
    Tap(Key::Right);
  });
  Then([&] {
    file_after_right = Item(kFile)->IsOpen() && !Item(kHelp)->IsOpen();
    Tap(Key::Escape);
  });
  Run();
  EXPECT_TRUE(help_after_left);
  EXPECT_TRUE(file_after_right);
  EXPECT_EQ(log.opened, (std::vector<int32_t>{kFile, kHelp, kFile}));
}

TEST_F(MenuKeysTest, RightWithNothingHighlightedOpensTheNextMenu) {
  MakeBar();
  bool edit_open = false;
  ClickOn(Item(kFile));
  WhenRunning([&] {
    EXPECT_EQ(Item(kFile)->HighlightedChild(), nullptr);
    Tap(Key::Right);
  });
  Then([&] {
    edit_open = Item(kEdit)->IsOpen();
    Tap(Key::Escape);
  });
  Run();
  EXPECT_TRUE(edit_open);
}

TEST_F(MenuKeysTest, RightOpensASubMenuAndLeftClosesTheInnermost) {
  MakeBar();
  MenuItem* lit_after_downs = nullptr;
  MenuItem* lit_in_recent = nullptr;
  bool recent_closed_file_open = false;
  bool help_open = false;
  ClickOn(Item(kFile));
  WhenRunning([&] {
    Tap(Key::Down);
    Tap(Key::Down);  // past the disabled Save and the separator
  });
  Then([&] {
    lit_after_downs = Item(kFile)->HighlightedChild();
    Tap(Key::Right);
  });
  Then([&] {
    lit_in_recent = Item(kRecent)->HighlightedChild();
    Tap(Key::Left);
  });
  Then([&] {
    recent_closed_file_open = !Item(kRecent)->IsOpen() && Item(kFile)->IsOpen() &&
                              Item(kFile)->HighlightedChild() == Item(kRecent);
    Tap(Key::Left);  // the first level: along the bar, after the first comes the last
  });
  Then([&] {
    help_open = Item(kHelp)->IsOpen();
    Tap(Key::Escape);
  });
  Run();
  EXPECT_EQ(lit_after_downs, Item(kRecent));
  EXPECT_EQ(lit_in_recent, Item(kRecentA));
  EXPECT_TRUE(recent_closed_file_open);
  EXPECT_TRUE(help_open);
}

TEST_F(MenuKeysTest, UpAndDownWrapAndSkipWhatCannotBeChosen) {
  MakeBar();
  std::vector<MenuItem*> lit;
  ClickOn(Item(kFile));
  WhenRunning([&] { Tap(Key::Up); });  // from nothing: the last
  Then([&] {
    lit.push_back(Item(kFile)->HighlightedChild());
    Tap(Key::Down);  // wraps to the first
  });
  Then([&] {
    lit.push_back(Item(kFile)->HighlightedChild());
    Tap(Key::Down);
  });
  Then([&] {
    lit.push_back(Item(kFile)->HighlightedChild());
    Tap(Key::Up);
  });
  Then([&] {
    lit.push_back(Item(kFile)->HighlightedChild());
    Tap(Key::Escape);
  });
  Run();
  EXPECT_EQ(lit, (std::vector<MenuItem*>{Item(kExit), Item(kOpen), Item(kRecent), Item(kOpen)}));
}

TEST_F(MenuKeysTest, AMenuWithNothingToChooseEndsEveryKey) {
  context = new Menu(false);
  context->AddItem("Cut", 1, false);
  context->AddSeparator();
  context->AddItem("Copy", 2, false);
  Watch(context);
  WhenRunning([&] {
    Tap(Key::Down);
    Tap(Key::Up);
    Tap(Key::Right);
    Tap(Key::Left);
    Tap(Key::Enter);
    Char('c');
  });
  Then([&] {
    EXPECT_TRUE(context->IsRunning());
    EXPECT_EQ(context->HighlightedChild(), nullptr);
    Tap(Key::Escape);
  });
  EXPECT_EQ(context->PopUpAt({100, 100}), nullptr);
  Run();
  EXPECT_FALSE(platform.budget_exhausted);
  EXPECT_EQ(platform.beeps, 1);  // the letter matched nothing that can be chosen
  EXPECT_TRUE(log.commands.empty());
}

TEST_F(MenuKeysTest, DownOnTheBarOpensTheHighlightedMenu) {
  MakeBar();
  bool edit_lit = false;
  MenuItem* first = nullptr;
  ClickOn(Item(kFile));
  WhenRunning([&] {
    bar->CloseAll();  // the bar itself has the keys now
    bar->Highlight(bar, Item(kFile));
    Tap(Key::Right);
  });
  Then([&] {
    edit_lit = bar->HighlightedChild() == Item(kEdit) && !Item(kEdit)->IsOpen();
    Tap(Key::Down);
  });
  Then([&] {
    first = Item(kEdit)->HighlightedChild();
    Tap(Key::Escape);
  });
  Run();
  EXPECT_TRUE(edit_lit);
  EXPECT_EQ(first, Item(kUndo));
}

TEST_F(MenuKeysTest, EscapeEndsTheLoopWithNoItem) {
  MakeBar();
  ClickOn(Item(kFile));
  WhenRunning([&] { Tap(Key::Escape); });
  Run();
  EXPECT_FALSE(bar->IsRunning());
  EXPECT_EQ(wm->ModalDepth(), 0);
  EXPECT_FALSE(Item(kFile)->IsOpen());
  EXPECT_TRUE(log.commands.empty());
}

TEST_F(MenuKeysTest, EscapeWithoutALoopEmitsNoItem) {
  MakeBar();
  bar->Highlight(bar, Item(kEdit));
  Window::SetFocus(bar, 0);
  Tap(Key::Escape);
  Pump();
  EXPECT_EQ(log.commands, (std::vector<int32_t>{kNoItem}));
  EXPECT_EQ(bar->HighlightedChild(), nullptr);
}

// ---------------------------------------------------------------------------------------
// Type to choose

using MenuTypeToChooseTest = MenuTest;

TEST_F(MenuTypeToChooseTest, LetterFindsTheNextItemIgnoringCase) {
  MakeBar();
  std::vector<MenuItem*> lit;
  ClickOn(Item(kEdit));
  WhenRunning([&] { Char('u'); });
  Then([&] {
    lit.push_back(Item(kEdit)->HighlightedChild());
    Char('U');  // the disabled Update is passed over
  });
  Then([&] {
    lit.push_back(Item(kEdit)->HighlightedChild());
    Char('u');  // from the start again
  });
  Then([&] {
    lit.push_back(Item(kEdit)->HighlightedChild());
    Tap(Key::Escape);
  });
  Run();
  EXPECT_EQ(lit, (std::vector<MenuItem*>{Item(kUndo), Item(kUppercase), Item(kUndo)}));
  EXPECT_EQ(platform.beeps, 0);
}

TEST_F(MenuTypeToChooseTest, NoMatchBeepsAndKeepsTheHighlight) {
  MakeBar();
  MenuItem* lit = nullptr;
  ClickOn(Item(kEdit));
  WhenRunning([&] {
    Char('r');
    Char('z');
  });
  Then([&] {
    lit = Item(kEdit)->HighlightedChild();
    Tap(Key::Escape);
  });
  Run();
  EXPECT_EQ(lit, Item(kRedo));
  EXPECT_EQ(platform.beeps, 1);
}

TEST_F(MenuTypeToChooseTest, AFoundSubMenuOpensAndTypingGoesOnInIt) {
  MakeBar();
  ClickOn(Item(kFile));
  WhenRunning([&] { Char('r'); });
  Then([&] {
    EXPECT_TRUE(Item(kRecent)->IsOpen());
    Char('b');
    Tap(Key::Enter);
  });
  Run();
  EXPECT_EQ(log.commands, (std::vector<int32_t>{kRecentB}));
}

// ---------------------------------------------------------------------------------------
// The opening signal and rebuilt items

using MenuOpeningTest = MenuTest;

TEST_F(MenuOpeningTest, SentBeforeTheSubMenuIsShown) {
  MakeBar();
  std::vector<bool> shown_when_told;
  log.on_opening = [&](MenuItem* item) {
    shown_when_told.push_back(item->ItemsWindow()->IsVisible());
  };
  bar->OpenSubMenu(Item(kFile));
  bar->OpenSubMenu(Item(kRecent));
  EXPECT_EQ(log.opened, (std::vector<int32_t>{kFile, kRecent}));
  EXPECT_EQ(shown_when_told, (std::vector<bool>{false, false}));
  EXPECT_TRUE(Item(kRecent)->ItemsWindow()->IsVisible());
}

TEST_F(MenuOpeningTest, ItemsRebuiltOnOpeningAreLaidOutAndShown) {
  MakeBar();
  int openings = 0;
  log.on_opening = [&](MenuItem* item) {
    if (item->WindowId() != kFile) return;
    ++openings;
    item->ClearItems();
    for (int i = 0; i < openings; ++i)
      item->AddItem(("Fresh " + std::to_string(i)).c_str(), 50 + i);
  };
  std::string first_lit;
  ClickOn(Item(kFile));
  WhenRunning([&] { Tap(Key::Right); });
  Then([&] { Tap(Key::Left); });  // File opens again, rebuilt with two items
  Then([&] {
    MenuItem* file = Item(kFile);
    EXPECT_EQ(file->ItemCount(), 2);
    EXPECT_EQ(file->ItemsWindow()->FrameRect().Height(), 2 * 16 + 2);
    Tap(Key::Down);
  });
  Then([&] {
    first_lit = Item(kFile)->HighlightedChild()->GetTitle();
    Tap(Key::Enter);
  });
  Run();
  EXPECT_EQ(openings, 2);
  EXPECT_EQ(first_lit, "Fresh 1");
  EXPECT_EQ(log.commands, (std::vector<int32_t>{51}));
}

TEST_F(MenuOpeningTest, RemovedItemsAreForgottenByTheMenu) {
  MakeBar();
  MenuItem* file = Item(kFile);
  bar->OpenSubMenu(file);
  bar->OpenSubMenu(Item(kRecent));
  bar->Highlight(Item(kRecent), Item(kRecentA));
  file->RemoveItem(Item(kRecent));
  EXPECT_EQ(file->OpenChild(), nullptr);
  EXPECT_EQ(file->HighlightedChild(), nullptr);
  EXPECT_EQ(bar->Innermost(), file);
  EXPECT_EQ(file->ItemCount(), 4);
  EXPECT_EQ(bar->FindItem(kRecentA), nullptr);
  // The open panel was laid out again without it.
  EXPECT_EQ(file->ItemsWindow()->FrameRect().Height(), 3 * 16 + 4 + 2);

  bar->Highlight(file, Item(kOpen));
  file->ClearItems();
  EXPECT_EQ(file->HighlightedChild(), nullptr);
  EXPECT_FALSE(file->HasItems());
}

// ---------------------------------------------------------------------------------------
// Pop-up at a point

using MenuPopUpTest = MenuTest;

TEST_F(MenuPopUpTest, GivesTheChosenItemAtThePoint) {
  MakeContextMenu();
  Rect frame;
  WhenRunning([&] {
    frame = context->FrameRect();
    ClickOn(context->FindItem(kExit));
  });
  MenuItem* chosen = context->PopUpAt({100, 120});
  Run();
  EXPECT_EQ(chosen, context->FindItem(kExit));
  EXPECT_EQ(frame, (Rect{100, 120, 174, 190}));
  EXPECT_EQ(log.commands, (std::vector<int32_t>{kExit}));
  EXPECT_FALSE(context->IsVisible());
  EXPECT_EQ(log.opened, (std::vector<int32_t>{0}));  // the menu itself, as it opened
}

TEST_F(MenuPopUpTest, GivesNoneWhenDismissed) {
  MakeContextMenu();
  ProbeWindow* below = Frame({300, 300, 500, 500}, 0, "below");
  WhenRunning([&] { Tap(Key::Escape); });
  EXPECT_EQ(context->PopUpAt({100, 100}), nullptr);
  WhenRunning([&] { Click(400, 400); });
  EXPECT_EQ(context->PopUpAt({100, 100}), nullptr);
  Run();
  EXPECT_TRUE(log.commands.empty());
  ASSERT_FALSE(below->buttons.empty());
  EXPECT_EQ(below->buttons[0].d, 1);
}

TEST_F(MenuPopUpTest, ThePressThatDismissesItPassesThroughTheOuterLoop) {
  MakeContextMenu();
  ProbeWindow* dialog = Frame({100, 100, 300, 300}, 0, "dialog");
  auto* area = new ContextWindow(dialog, context);
  area->SetFrameRect({0, 0, 200, 200});
  ProbeWindow* outside = Frame({400, 100, 600, 300}, 0, "outside");
  // The dialog's own loop drops presses outside it, with a beep.
  When([&] { return TopModalIs(*wm, "dialog"); }, [&] { Click(150, 150, 1); });
  WhenRunning([&] { Press(500, 200); });
  When([&] { return !context->IsRunning(); }, [&] { wm->EndModal(dialog, 7); });
  EXPECT_EQ(wm->RunModal(dialog, 0), 7);
  Run();
  EXPECT_EQ(area->popups, 1);
  EXPECT_EQ(area->chosen, nullptr);
  EXPECT_TRUE(outside->buttons.empty());
  EXPECT_EQ(platform.beeps, 1);
}

// ---------------------------------------------------------------------------------------
// Drawing

class MenuDrawingTest : public MenuTest {
 protected:
  void SetUp() override {
    MenuTest::SetUp();
    saved_skin_ = CurrentSkin();
    ASSERT_EQ(CurrentSkin().LoadImages(
                  {MakeImage(kSkinMenuBackground, 4, 4), MakeImage(kSkinMenuHighlight, 4, 4)}, 1024,
                  pages_),
              "");
    saved_painter_ = CurrentPainter();
    SetCurrentPainter(&painter_);
  }
  void TearDown() override {
    SetCurrentPainter(saved_painter_);
    CurrentSkin() = saved_skin_;
    MenuTest::TearDown();
  }
  // The skin images drawn over a screen pixel in the last frame, bottom first.
  std::vector<int> ImagesAt(Point p) const {
    std::vector<int> ids;
    Point origin;
    for (const RecordingPainter::Call& call : painter_.calls) {
      if (call.op == RecordingPainter::Op::kBeginWindow) origin = call.rect.TopLeft();
      if (call.op != RecordingPainter::Op::kDrawQuads || call.set != PageSet::kSkin) continue;
      const PageImage& page = pages_.at(static_cast<size_t>(call.page));
      for (const TexturedQuad& q : call.quads) {
        Point t;
        if (!QuadTexel(q, static_cast<float>(p.x - origin.x) + 0.5f,
                       static_cast<float>(p.y - origin.y) + 0.5f, {page.width, page.height}, t)) {
          continue;
        }
        ids.push_back(page.pixels[(static_cast<size_t>(t.y) * page.width + t.x) * 4 + 2]);
      }
    }
    return ids;
  }

  RecordingPainter painter_;
  TreeRenderer tree_;
  std::vector<PageImage> pages_;

 private:
  Skin saved_skin_;
  Painter* saved_painter_ = nullptr;
};

TEST_F(MenuDrawingTest, PopupsShowTheMenuTileAndTheHighlightOverTheLitItem) {
  MakeBar();
  bar->OpenSubMenu(Item(kFile));
  bar->Highlight(Item(kFile), Item(kOpen));
  painter_.Clear();
  wm->RequestFullRedraw();
  tree_.Render(*wm);
  EXPECT_EQ(ImagesAt(Centre(Item(kOpen))),
            (std::vector<int>{kSkinMenuBackground, kSkinMenuHighlight}));
  EXPECT_EQ(ImagesAt(Centre(Item(kExit))), (std::vector<int>{kSkinMenuBackground}));
}

}  // namespace
