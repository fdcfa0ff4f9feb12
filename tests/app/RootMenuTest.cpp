#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "app/Preferences.h"
#include "app/RootMenu.h"
#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/Menu.h"
#include "gui/MenuItem.h"
#include "support/MonoFont.h"
#include "support/WmHarness.h"

namespace {

struct Entry {
  std::string label;
  int32_t id;
  bool enabled;
  bool operator==(const Entry&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Entry& e) {
  return os << "{\"" << e.label << "\", " << e.id << ", " << e.enabled << "}";
}

std::vector<Entry> Entries(const MenuItem* menu) {
  std::vector<Entry> out;
  for (const MenuItem* item : menu->Items()) {
    out.push_back({item->GetTitle(), item->WindowId(), item->IsEnabled()});
  }
  return out;
}

class CommandLog : public has_slots<void> {
 public:
  void OnCommand(intptr_t argument) {
    const auto* item = reinterpret_cast<const MenuItem*>(argument);
    if (item) ids.push_back(item->WindowId());
  }
  std::vector<int32_t> ids;
};

int g_quit_checks = 0;
bool CountingQuitCheck() {
  ++g_quit_checks;
  return true;
}

class RootMenuTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    SetDefaultFont(&font);
    ClearPrefs();
    root = new RootMenu();
    bar = root->Bar();
    Connect<&CommandLog::OnCommand>(bar->command, &log);
  }
  void TearDown() override {
    WmTest::TearDown();
    SetDefaultFont(nullptr);
    ClearPrefs();
  }
  MenuItem* Top(const char* title) const {
    for (MenuItem* item : bar->Items()) {
      if (std::string(item->GetTitle()) == title) return item;
    }
    return nullptr;
  }
  ProbeWindow* Closable(const char* title, const Rect& r) {
    return Frame(r, WindowFlag::TitleBar | WindowFlag::ThickFrame | WindowFlag::CloseButton, title);
  }
  void Choose(int32_t id) {
    MenuItem* item = bar->FindItem(id);
    ASSERT_NE(item, nullptr);
    bar->PressItem(item, false);
    Pump(2);
  }

  Font font{MonoFontData()};
  RootMenu* root = nullptr;
  Menu* bar = nullptr;
  CommandLog log;
};

TEST_F(RootMenuTest, FiveMenusWithEveryItemInOrder) {
  std::vector<std::string> titles;
  for (const MenuItem* item : bar->Items()) titles.push_back(item->GetTitle());
  EXPECT_EQ(titles, (std::vector<std::string>{"File", "Tools", "Window", "Debug", "Help"}));
  const std::string sep = MenuItem::kSeparatorText;
  EXPECT_EQ(Entries(Top("File")), (std::vector<Entry>{
                                      {"Add Archives", 10001, true},
                                      {"New Collection", 10002, true},
                                      {"New Detail Texture From Image File", 13000, true},
                                      {"New Detail Texture From Clipboard", 13001, true},
                                      {"New Model From LWO", 10003, true},
                                      {"New Script", 10004, true},
                                      {sep, -1, false},
                                      {"Exit", 10000, true},
                                  }));
  EXPECT_EQ(Entries(Top("Tools")), (std::vector<Entry>{
                                       {"Reload Local Folder", 10202, true},
                                       {"Reload Plugins Folder", 10203, true},
                                       {"Choose Vorn Folder", 10204, true},
                                       {"Archive Browser", 10200, true},
                                       {"Log Viewer", 10201, true},
                                       {sep, -1, false},
                                       {"Build Dtex Add-on", 10205, true},
                                       {"Build Regular Add-on", 10206, true},
                                       {"Recursive Image Conversion", 10208, true},
                                       {"Build Standard Collection", 10209, true},
                                       {"Build High-Res Collection", 10210, true},
                                   }));
  EXPECT_EQ(Top("Window")->WindowId(), 10300);
  EXPECT_EQ(Entries(Top("Window")), (std::vector<Entry>{{"Close All Windows", 10301, true}}));
  EXPECT_EQ(Entries(Top("Debug")), (std::vector<Entry>{{"Window Spy", 11000, true}}));
  EXPECT_EQ(Entries(Top("Help")), (std::vector<Entry>{{"About Zarv...", 12000, true}}));
}

TEST_F(RootMenuTest, IsTheMenuBarAndTheBottomLayerStartsBelowIt) {
  EXPECT_EQ(wm->MenuBar(), bar);
  EXPECT_EQ(bar->FrameRect(), (Rect{0, 0, 800, 18}));
  EXPECT_EQ(wm->Layer0()->FrameRect(), (Rect{0, 18, 800, 600}));
  EXPECT_EQ(root->Parent(), wm->Layer0());
  EXPECT_FALSE(root->IsVisible());
  EXPECT_STREQ(root->GetTitle(), "ZarvRootMenu");
}

TEST_F(RootMenuTest, ResizingStoresTheWindowSize) {
  wm->ResizeScreen(1024, 700);
  wm->ResizeScreen(800, 600);
  int32_t x = 0, y = 0;
  EXPECT_TRUE(GetPrefInt("OsWindowSizeX", &x));
  EXPECT_TRUE(GetPrefInt("OsWindowSizeY", &y));
  EXPECT_EQ(x, 800);
  EXPECT_EQ(y, 600);
  EXPECT_EQ(bar->FrameRect().Width(), 800);
  EXPECT_EQ(wm->Layer0()->FrameRect(), (Rect{0, 18, 800, 600}));
}

TEST_F(RootMenuTest, TheWindowMenuListsTheVisibleWindowsWhenItOpens) {
  ProbeWindow* c = Closable("Gamma", {300, 300, 400, 400});
  ProbeWindow* hidden = Closable("Hidden", {10, 10, 60, 60});
  hidden->Hide();
  ProbeWindow* b = Closable("Beta |b", {200, 200, 300, 300});
  ProbeWindow* a = Closable("Alpha", {100, 100, 200, 200});
  bar->OpenSubMenu(Top("Window"));
  EXPECT_EQ(Entries(Top("Window")), (std::vector<Entry>{
                                        {"Close All Windows", 10301, true},
                                        {"Alpha", 10302, true},
                                        {"Beta |b", 10303, true},
                                        {"Gamma", 10304, true},
                                    }));
  EXPECT_EQ(root->WindowList(), (std::vector<Window*>{a, b, c}));
  // The next opening starts afresh.
  bar->CloseAll();
  Window::Close(b);
  Pump();
  bar->OpenSubMenu(Top("Window"));
  EXPECT_EQ(Top("Window")->ItemCount(), 3);
  EXPECT_EQ(root->WindowList(), (std::vector<Window*>{a, c}));
}

TEST_F(RootMenuTest, TheWindowMenuStopsBeforeItsIdsReachOtherCommands) {
  for (int i = 0; i < 700; ++i) Closable("Many", {10, 30, 60, 80});
  bar->OpenSubMenu(Top("Window"));
  EXPECT_EQ(root->WindowList().size(), RootMenu::kMaxListedWindows);
  EXPECT_EQ(Top("Window")->Items().back()->WindowId(), 10302 + 499);
}

TEST_F(RootMenuTest, ChoosingAListedWindowBringsItToTheFront) {
  ProbeWindow* c = Closable("Gamma", {300, 300, 400, 400});
  Closable("Alpha", {100, 100, 200, 200});
  bar->OpenSubMenu(Top("Window"));
  Choose(10303);
  EXPECT_EQ(log.ids, (std::vector<int32_t>{10303}));
  EXPECT_EQ(wm->Layer0()->FirstChild(), c);
  EXPECT_EQ(wm->Focus(), c);
}

TEST_F(RootMenuTest, CloseAllWindowsStopsAtTheFirstRefusal) {
  ProbeWindow* last = Closable("Last", {300, 300, 400, 400});
  ProbeWindow* refuses = Closable("Refuses", {200, 200, 300, 300});
  refuses->refuse_close = true;
  ProbeWindow* plain = Frame({150, 150, 250, 250}, WindowFlag::TitleBar, "No close button");
  Closable("First", {100, 100, 200, 200});
  bar->OpenSubMenu(Top("Window"));
  Choose(10301);
  EXPECT_EQ(FindByTitle(wm->Layer0(), "First"), nullptr);
  EXPECT_EQ(plain->close_requests, 0);
  EXPECT_EQ(refuses->close_requests, 1);
  EXPECT_EQ(last->close_requests, 0);
  EXPECT_EQ(FindByTitle(wm->Layer0(), "Last"), last);
}

// Like the log viewer: asked to close, it hides and stays.
class HidingWindow : public ProbeWindow {
 public:
  using ProbeWindow::ProbeWindow;
  bool RequestClose(bool) override {
    Hide();
    return false;
  }
};

TEST_F(RootMenuTest, CloseAllWindowsGoesPastAWindowThatHidesInstead) {
  Closable("Last", {300, 300, 400, 400});
  auto* hides = new HidingWindow(WindowFlag::TitleBar | WindowFlag::CloseButton, nullptr, "Hides");
  hides->SetFrameRect({200, 200, 300, 300});
  bar->OpenSubMenu(Top("Window"));
  Choose(10301);
  Pump();
  EXPECT_FALSE(hides->IsVisible());
  EXPECT_EQ(FindByTitle(wm->Layer0(), "Hides"), hides);
  EXPECT_EQ(FindByTitle(wm->Layer0(), "Last"), nullptr) << "the window after it was not closed";
}

TEST_F(RootMenuTest, ExitRunsTheQuitFlow) {
  g_quit_checks = 0;
  wm->SetQuitCheck(&CountingQuitCheck);
  bar->OpenSubMenu(Top("File"));
  Choose(RootMenu::kExit);
  EXPECT_EQ(g_quit_checks, 1);
  EXPECT_FALSE(wm->IsRunning());
}

TEST_F(RootMenuTest, TheKeysReachTheWindowSpyFromFile) {
  // File, Left to Help, Left to Debug, "w" for Window Spy, Enter.
  const Rect& file = Top("File")->FrameRect();
  Click((file.left + file.right) / 2, (file.top + file.bottom) / 2);
  platform.Then([this](FakePlatform&) {
    if (!bar->IsRunning()) return false;
    Tap(Key::Left);
    Tap(Key::Left);
    Char('w');
    Tap(Key::Enter);
    return true;
  });
  for (int i = 0; i < 100 && (!platform.steps.empty() || wm->ModalDepth() > 0); ++i) Pump();
  EXPECT_EQ(log.ids, (std::vector<int32_t>{RootMenu::kWindowSpy}));
  EXPECT_FALSE(bar->IsRunning());
}

}  // namespace
