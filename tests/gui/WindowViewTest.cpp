#include <gtest/gtest.h>

#include <map>
#include <string>

#include "gui/ListWindow.h"
#include "gui/PlacementHooks.h"
#include "gui/WindowView.h"
#include "support/WmHarness.h"

namespace {

// Placements kept in memory, as the program keeps them in its preferences.
std::map<std::string, Rect>& Stored() {
  static std::map<std::string, Rect> stored;
  return stored;
}
bool LoadStored(Window* window, const char* key, bool) {
  auto it = Stored().find(key);
  if (it == Stored().end()) return false;
  window->SetFrameRect(it->second);
  return true;
}
void SaveStored(const Window* window, const char* key) {
  Stored()[key] = window->FrameRectInParent();
}

class WindowSpy : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    Stored().clear();
    SetPlacementHooks({&LoadStored, &SaveStored});
  }
  void TearDown() override {
    WmTest::TearDown();
    SetPlacementHooks({});
  }
  static const WindowView::Row& RowOf(const ListItem* item) {
    return *reinterpret_cast<const WindowView::Row*>(item->id);
  }
  // The rows' titles in row order, children of open rows included.
  static std::string Titles(const ListWindow* list) {
    std::string out;
    for (int32_t r = 0; r < list->ItemCount(); ++r) out += list->ItemAtRow(r)->text + ";";
    return out;
  }
};

TEST_F(WindowSpy, TheTreeStartsWithRootAndItsTwoLayersTopmostFirst) {
  WindowView* spy = OpenWindowSpy();
  ListWindow* list = spy->List();
  ASSERT_GE(list->ItemCount(), 3);
  const ListItem* root = list->ItemAtRow(0);
  EXPECT_EQ(root->text, "root");
  EXPECT_EQ(list->ItemAtRow(1)->text, "layer1");
  EXPECT_EQ(list->ItemAtRow(2)->text, "layer0");
  EXPECT_EQ(list->CellText(*root, 1), "Window");
  EXPECT_EQ(list->CellText(*root, 2),
            WindowView::FormatAddress(reinterpret_cast<uintptr_t>(wm->Root())));
  // The spy lists itself, in layer0; its list has no title.
  EXPECT_EQ(list->ItemAtRow(3)->text, "Window Spy");
  EXPECT_EQ(list->CellText(*list->ItemAtRow(3), 1), "WindowView");
  EXPECT_EQ(list->ColumnCount(), 3);
  EXPECT_EQ(list->Column(0).title, "Text");
  EXPECT_EQ(list->Column(1).title, "Class");
  EXPECT_EQ(list->Column(2).title, "Address");
}

TEST_F(WindowSpy, AddressesShowEveryDigit) {
  EXPECT_EQ(WindowView::FormatAddress(0x1234), "0x0000000000001234");
  EXPECT_EQ(WindowView::FormatAddress(0xfedcba9876543210u), "0xfedcba9876543210");
}

TEST_F(WindowSpy, ContainersAreMarkedAndOpenOtherParentsCanBeOpened) {
  ProbeWindow* frame = Frame({10, 10, 100, 100}, WindowFlag::TitleBar, "frame");
  new ProbeWindow(0, frame, "child b");
  new ProbeWindow(0, frame, "child a");  // made last, so topmost
  WindowView* spy = OpenWindowSpy();
  ListWindow* list = spy->List();
  const ListItem* root = list->ItemAtRow(0);
  EXPECT_TRUE(root->IsExpanded());
  ListItem* frame_item = nullptr;
  for (int32_t r = 0; r < list->ItemCount(); ++r) {
    if (list->ItemAtRow(r)->text == "frame") frame_item = list->ItemAtRow(r);
  }
  ASSERT_NE(frame_item, nullptr);
  EXPECT_TRUE(frame_item->HasChildren());
  EXPECT_FALSE(frame_item->IsExpanded());
  EXPECT_NE(frame_item->text_color, root->text_color);
  EXPECT_EQ(Titles(list).find("child"), std::string::npos);
  list->Expand(frame_item);
  EXPECT_NE(Titles(list).find("frame;child a;child b;"), std::string::npos);
  EXPECT_EQ(RowOf(frame_item).window, reinterpret_cast<uintptr_t>(frame));
}

TEST_F(WindowSpy, F5ListsTheTreeAnewAndRowsOutliveTheirWindows) {
  WindowView* spy = OpenWindowSpy();
  ProbeWindow* late = Frame({10, 10, 100, 100}, WindowFlag::TitleBar, "late");
  EXPECT_EQ(Titles(spy->List()).find("late"), std::string::npos);
  Tap(Key::F1 + 4);
  Pump();
  const std::string titles = Titles(spy->List());
  EXPECT_NE(titles.find("layer0;late;"), std::string::npos) << titles;
  // A listed window that goes away leaves its row as it was until the next refresh.
  const size_t rows = spy->Rows().size();
  Window::Close(late);
  Pump();
  EXPECT_EQ(spy->Rows().size(), rows);
  EXPECT_NE(Titles(spy->List()).find("late"), std::string::npos);
  Tap(Key::F1 + 4);
  Pump();
  EXPECT_EQ(Titles(spy->List()).find("late"), std::string::npos);
  EXPECT_EQ(spy->Rows().size(), rows - 1);
}

TEST_F(WindowSpy, OpeningAgainBringsTheSameSpyToTheFront) {
  WindowView* spy = OpenWindowSpy();
  Frame({10, 10, 100, 100}, WindowFlag::TitleBar, "over it");
  EXPECT_NE(wm->Layer0()->FirstChild(), spy);
  Window::SetFocus(wm->Layer0()->FirstChild(), 0);
  EXPECT_EQ(OpenWindowSpy(), spy);
  EXPECT_EQ(wm->Layer0()->FirstChild(), spy);
  EXPECT_EQ(wm->Focus(), spy->List());
}

TEST_F(WindowSpy, WithoutAPlacementItOpensAtTheCascadePositionAndClosingStoresOne) {
  wm->ResizeScreen(1280, 1024);
  // The cascade position the spy will get is the one after this.
  const Point before = wm->NextCascadePosition();
  WindowView* spy = OpenWindowSpy();
  EXPECT_EQ(spy->Flags(), 7535u);
  EXPECT_EQ(spy->GetTitle(), std::string("Window Spy"));
  EXPECT_EQ(spy->ClientRect().Width(), 512);
  EXPECT_EQ(spy->ClientRect().Height(), 700);
  EXPECT_EQ(spy->FrameRectInParent().left, before.x + 48);
  EXPECT_EQ(spy->FrameRectInParent().top, before.y + 48);
  EXPECT_EQ(spy->List()->FrameRect(), spy->ClientRect());
  spy->SetFrameRect({20, 30, 420, 330});
  EXPECT_EQ(spy->List()->FrameRect(), spy->ClientRect());  // resizing fits the list
  Key(Key::Control, true);
  Tap('W');
  Key(Key::Control, false);
  Pump();
  ASSERT_EQ(Stored().count("WindowSpyPlacement"), 1u);
  EXPECT_EQ(Stored()["WindowSpyPlacement"], (Rect{20, 30, 420, 330}));
  EXPECT_EQ(FindByTitle(wm->Root(), "Window Spy"), nullptr);
  WindowView* again = OpenWindowSpy();
  EXPECT_EQ(again->FrameRectInParent(), (Rect{20, 30, 420, 330}));
}

}  // namespace
