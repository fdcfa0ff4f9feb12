#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gui/Draw.h"
#include "gui/ListWindow.h"
#include "gui/Menu.h"
#include "gui/MenuItem.h"
#include "support/MonoFont.h"
#include "support/WmHarness.h"

namespace {

struct Rec {
  uint32_t code;
  uint32_t size;
  uint32_t kind;
};

constexpr uint32_t Code(const char (&c)[5]) {
  return uint32_t{static_cast<uint8_t>(c[0])} << 24 | uint32_t{static_cast<uint8_t>(c[1])} << 16 |
         uint32_t{static_cast<uint8_t>(c[2])} << 8 | static_cast<uint8_t>(c[3]);
}

// A list with a header row at screen (100, 100): three columns of 60 pixels over records.
// Rows (and the header) are 12 pixels high.
class ListColumnMenuTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    SetDefaultFont(&font);
    ProbeWindow* frame = Frame({100, 100, 500, 400}, 0);
    list = new ListWindow(ListStyle::Header, WindowFlag::Visible, frame);
    list->SetFrameRect({0, 0, 300, 200});
    ASSERT_TRUE(list->AddColumn("Code", "%s", ColumnType::FourCC, 4, 60, 0));
    ASSERT_TRUE(list->AddColumn("Size", "%u", ColumnType::Unsigned, 4, 60, 0));
    ASSERT_TRUE(list->AddColumn("Kind", "%u", ColumnType::Unsigned, 4, 60, 0));
    for (size_t i = 0; i < recs.size(); ++i) {
      list->AddItem(nullptr, 0, 0, reinterpret_cast<uintptr_t>(&recs[i]), std::to_string(i));
    }
    list->Sort();
  }
  void TearDown() override {
    WmTest::TearDown();
    SetDefaultFont(nullptr);
  }

  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    for (int32_t r = 0; r < list->ItemCount(); ++r) rows.push_back(list->ItemAtRow(r)->text);
    return rows;
  }
  static Menu* OpenMenu(WindowManager& wm) {
    auto* menu = dynamic_cast<Menu*>(wm.TopModalWindow());
    return menu && menu->IsRunning() ? menu : nullptr;
  }
  // Right-clicks the header, then runs `act` with the column menu once it runs.
  void WithColumnMenu(std::function<void(Menu*)> act) {
    Click(130, 105, 1);
    platform.Then([act = std::move(act)](FakePlatform& p) {
      Menu* menu = OpenMenu(*p.wm);
      if (!menu) return false;
      act(menu);
      return true;
    });
    for (int i = 0; i < 200 && (!platform.steps.empty() || wm->ModalDepth() > 0); ++i) Pump();
    Pump(2);
    EXPECT_TRUE(platform.steps.empty());
  }
  void ClickItem(const MenuItem* item) {
    const Rect& r = item->FrameRect();
    Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }

  Font font{MonoFontData()};
  std::vector<Rec> recs = {{Code("bbbb"), 3, 1}, {Code("aaaa"), 2, 2}, {Code("cccc"), 1, 3}};
  ListWindow* list = nullptr;
};

TEST_F(ListColumnMenuTest, ListsTheColumnsWithTheShownOnesChecked) {
  list->SetColumnHidden(2, true);
  std::vector<std::string> titles;
  std::vector<bool> checked, enabled;
  Point at;
  WithColumnMenu([&](Menu* menu) {
    at = menu->FrameRect().TopLeft();
    for (const MenuItem* item : menu->Items()) {
      titles.push_back(item->GetTitle());
      checked.push_back(item->IsChecked());
      enabled.push_back(item->IsEnabled());
    }
    Tap(Key::Escape);
  });
  EXPECT_EQ(at, (Point{130, 105}));
  EXPECT_EQ(titles, (std::vector<std::string>{"Code", "Size", "Kind"}));
  EXPECT_EQ(checked, (std::vector<bool>{true, true, false}));
  // The first column holds the items' texts and always shows.
  EXPECT_EQ(enabled, (std::vector<bool>{false, true, true}));
  EXPECT_EQ(wm->ModalDepth(), 0);
}

TEST_F(ListColumnMenuTest, ChoosingAColumnHidesItAndChoosingItAgainShowsIt) {
  WithColumnMenu([&](Menu* menu) { ClickItem(menu->FindItem(1)); });
  EXPECT_TRUE(list->Column(1).flags & ColumnFlag::Hidden);
  EXPECT_EQ(list->Column(2).x, 60);  // "Kind" moves into its place
  // The hidden column's cells keep their data.
  EXPECT_EQ(list->CellText(*list->ItemAtRow(0), 1), "2");

  bool unchecked = false;
  WithColumnMenu([&](Menu* menu) {
    unchecked = !menu->FindItem(1)->IsChecked();
    ClickItem(menu->FindItem(1));
  });
  EXPECT_TRUE(unchecked);
  EXPECT_FALSE(list->Column(1).flags & ColumnFlag::Hidden);
  EXPECT_EQ(list->Column(1).x, 60);
  EXPECT_EQ(list->Column(2).x, 120);
  // Shown again, it comes last among the sort keys.
  EXPECT_EQ(list->Column(1).priority, 2);
  EXPECT_EQ(list->Column(2).priority, 1);
}

TEST_F(ListColumnMenuTest, TheFirstColumnCannotBeHidden) {
  EXPECT_FALSE(list->SetColumnHidden(0, true));
  EXPECT_FALSE(list->SetColumnHidden(3, true));
  bool still_open = false;
  WithColumnMenu([&](Menu* menu) {
    ClickItem(menu->FindItem(0));
    platform.Then([&](FakePlatform& p) {
      still_open = OpenMenu(*p.wm) != nullptr;
      Tap(Key::Escape);
      return true;
    });
  });
  EXPECT_TRUE(still_open);
  EXPECT_FALSE(list->Column(0).flags & ColumnFlag::Hidden);
}

TEST_F(ListColumnMenuTest, HidingTheSortKeyHandsTheOrderToTheNext) {
  list->ClickColumn(1);  // size, descending, first
  EXPECT_EQ(Rows(), (std::vector<std::string>{"0", "1", "2"}));
  EXPECT_TRUE(list->SetColumnHidden(1, true));
  EXPECT_EQ(list->Column(0).priority, 0);
  EXPECT_EQ(list->Column(2).priority, 1);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"1", "0", "2"}));  // by code again
}

}  // namespace
