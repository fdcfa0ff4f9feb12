#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstring>
#include <string>

#include "app/EditorRegistration.h"
#include "base/ByteWriter.h"
#include "base/MessageLog.h"
#include "collections/Collection.h"
#include "gui/Button.h"
#include "gui/CheckBox.h"
#include "gui/ComboBox.h"
#include "gui/ListItem.h"
#include "gui/ListWindow.h"
#include "gui/TextBox.h"
#include "structs/StructInstance.h"
#include "structs/StructRegistry.h"
#include "structs/XmlResourceSet.h"
#include "structs/ui/StructEditor.h"
#include "structs/ui/SubStructArrayEdit.h"
#include "structs/ui/Table.h"
#include "structs/ui/TagStructEdit.h"
#include "support/EditorFixture.h"
#include "tags/TagCode.h"

namespace {

constexpr uint32_t kUnit = tagcode::Make("unit");
constexpr uint32_t kSoun = tagcode::Make("soun");
constexpr uint32_t kColl = tagcode::Make(".256");

// A record with one member of each kind of control, an array of records and a nested one.
const char* const kDefinitions = R"(<zarvxmlfile>
  <struct name="Slot"><tag name="who" group="soun"/><short name="hp"/></struct>
  <struct name="Step"><sequence_index name="seq"/></struct>
  <struct name="unit">
    <long name="count"/>
    <byte name="small"/>
    <short name="flags"/>
    <long_world name="range"/>
    <short_fixed name="speed"/>
    <short_enum name="kind"><member text="Foot" value="0"/><member text="Horse" value="2"/></short_enum>
    <tag name="sound" group="soun"/>
    <tag name="collection" group=".256"/>
    <sequence_index name="walk"/>
    <padding count="2"/>
    <color name="tint"/>
    <substruct name="inner" struct="Slot"/>
    <short name="used"/>
    <substruct name="slots" struct="Slot" count="4" runtime_count="used"/>
    <short name="steps_used"/>
    <substruct name="steps" struct="Step" count="4" runtime_count="steps_used"/>
  </struct>
  <structedit struct="unit" text="Unit">
    <item target="count"/><item target="small"/>
    <item target="flags" bit="3" text="Fast"/>
    <item target="range"/><item target="speed"/><item target="kind"/><item target="sound"/>
    <item target="collection"/><item target="walk" tag="collection"/>
    <item target="tint"/><item target="nothing"/>
    <item target="inner" text="Inner"/>
    <item target="slots" text_target="who"/>
    <item target="steps" text_target="seq"/>
    <structedit caption="More"><item target="count"/></structedit>
  </structedit>
  <structedit struct="Slot"><item target="hp"/></structedit>
</zarvxmlfile>)";

enum Offsets : size_t {
  kCount = 0,
  kSmall = 4,
  kFlags = 5,
  kRange = 7,
  kSpeed = 11,
  kKind = 13,
  kSound = 15,
  kCollection = 19,
  kWalk = 23,
  kInner = 35,
  kUsed = 41,
  kSlots = 43,
  kStepsUsed = 67,
  kSteps = 69,
  kSize = 77,
};

class StructEditorTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    wm->Layer0()->SetFont(&font_);
    wm->Layer1()->SetFont(&font_);
  }
  void TearDown() override {
    EditorTest::TearDown();
    ProgramStructs().Build(XmlResourceSet(), nullptr);
  }
  void Load(const std::string& xml, StructRegistry& registry) {
    XmlResourceSet set;
    ASSERT_TRUE(set.LoadText("test.xml", xml, nullptr));
    registry.Build(std::move(set), nullptr);
  }
  // A top editor of `name` in a frame of its own, over `bytes` (memory order) when given.
  StructEditor* Edit(const std::string& xml, const char* name, const Bytes& bytes = {}) {
    Load(xml, registry_);
    Window* host = Frame({0, 0, 780, 580});
    auto* editor = new StructEditor(*registry_.Find(name), registry_, host);
    if (!bytes.empty()) std::memcpy(editor->instance().bytes().data(), bytes.data(), bytes.size());
    editor->Build();
    return editor;
  }
  // The unit tag as a loose file, opened in the program's struct editor.
  TagStructEdit* OpenUnit(const Bytes& data) {
    Load(kDefinitions, ProgramStructs());
    RegisterTagEditors();
    Loose("units", {kUnit, tagcode::Make("Bob0"), "Bob", data});
    Codex& codex = Open();
    return dynamic_cast<TagStructEdit*>(
        TagEdit::OpenEditor(codex.Find(kUnit, tagcode::Make("Bob0"))));
  }
  void Collection256(const std::string& name, uint32_t id,
                     std::initializer_list<const char*> seqs) {
    Collection c;
    for (const char* s : seqs) c.AddSequence(s);
    TagHeader header = TagHeader::Fresh();
    header.group = kColl;
    header.tag_id = id;
    header.SetName(name);
    ByteWriter out;
    std::string error;
    ASSERT_TRUE(c.Save(out, header, error)) << error;
    Loose("collections", {kColl, id, name, out.Take()});
  }
  void Type(const std::string& text) {
    for (char c : text) Char(c);
    Pump(2);
  }
  static uint8_t* At(StructEditor* e, size_t offset) {
    return e->instance().bytes().data() + offset;
  }
  static int16_t Short(StructEditor* e, size_t offset) {
    int16_t v;
    std::memcpy(&v, At(e, offset), 2);
    return v;
  }
  static void SetShort(StructEditor* e, size_t offset, int16_t v) {
    std::memcpy(At(e, offset), &v, 2);
  }
  // The focus as the Tab key gives it: a field's text all selected.
  void Enter(StructEditor* editor, const char* key) {
    Window::SetFocus(editor->FindControl(key), 2);
    Pump(2);
  }
  static std::string Text(Window* w) { return static_cast<TextBox*>(w)->GetText(); }

  StructRegistry registry_;
};

// ------------------------------------------------------------------------------ tables

TEST_F(StructEditorTest, AFramedTableWithATitleAroundOne100By20ControlIs152By81) {
  StructEditor* editor = Edit(kDefinitions, "Slot");
  TiXmlElement element("frame");
  element.SetAttribute("text", "Title");
  element.InsertEndChild(TiXmlElement("item"));  // no target: no control, no row
  Table* table = Table::Build(element, *editor, editor);
  EXPECT_TRUE(table->rows().empty());
  // The same table with one cell added by hand.
  TiXmlElement with_cell("frame");
  with_cell.SetAttribute("text", "Title");
  with_cell.SetAttribute("layout", "horizontal");
  TiXmlElement label("label");
  label.SetAttribute("text", "x");
  with_cell.InsertEndChild(label);
  table = Table::Build(with_cell, *editor, editor);
  ASSERT_EQ(table->rows().size(), 1u);
  Window* cell = table->rows()[0][0].window;
  cell->SetFrameRect({0, 0, 100, 20});
  table->LayOut();
  EXPECT_EQ(table->FrameRect().Width(), 152);
  EXPECT_EQ(table->FrameRect().Height(), 81);
  EXPECT_EQ(cell->FrameRectInParent().left, 24);
  EXPECT_EQ(cell->FrameRectInParent().top, 40);
}

TEST_F(StructEditorTest, LayoutsPutCellsInOneRowEachInItsOwnRowOrInTheRowsGiven) {
  const std::string defs = R"(<zarvxmlfile><struct name="R"><long name="a"/><long name="b"/>
    <long name="c"/></struct>
    <structedit struct="R"><frame layout="horizontal"><item target="a"/><item target="b"/>
      <item target="c"/></frame>
      <frame><item target="a"/><item target="b"/></frame>
      <frame layout="table"><row><item target="a"/><item target="b"/></row><junk/>
        <row><item target="c"/></row></frame></structedit></zarvxmlfile>)";
  StructEditor* editor = Edit(defs, "R");
  const auto& rows = editor->table()->rows();
  ASSERT_EQ(rows.size(), 3u);
  auto frame = [&](size_t i) { return static_cast<Table*>(rows[i][0].window); };
  EXPECT_EQ(frame(0)->rows().size(), 1u);
  EXPECT_EQ(frame(0)->rows()[0].size(), 3u);
  EXPECT_EQ(frame(1)->rows().size(), 2u);
  ASSERT_EQ(frame(2)->rows().size(), 2u);
  EXPECT_EQ(frame(2)->rows()[0].size(), 2u);
  // Unframed: cells from the corner, columns 4 wider than the 64-pixel fields.
  Window* b = frame(0)->rows()[0][1].window;
  EXPECT_EQ(b->FrameRect().Width(), 64);
  EXPECT_EQ(b->FrameRectInParent().left, 64 + Table::kColumnPad);
  EXPECT_EQ(frame(0)->FrameRect().Width(), 3 * (64 + Table::kColumnPad));
}

TEST_F(StructEditorTest, StretchWidensCellsToTheirColumnAndAlignPlacesThemInIt) {
  const std::string defs = R"(<zarvxmlfile><struct name="R"><long name="a"/>
    <byte name="f"/></struct><structedit struct="R">
    <frame stretch="true"><item target="a"/><item target="f" bit="0" text="A long check box"/></frame>
    <frame align="right"><item target="a"/><item target="f" bit="0" text="A long check box"/></frame>
    </structedit></zarvxmlfile>)";
  StructEditor* editor = Edit(defs, "R");
  const auto& rows = editor->table()->rows();
  auto* stretched = static_cast<Table*>(rows[0][0].window);
  auto* right = static_cast<Table*>(rows[1][0].window);
  const int32_t column = stretched->column_widths()[0];
  EXPECT_EQ(stretched->rows()[0][0].window->FrameRect().Width(), column);
  Window* field = right->rows()[0][0].window;
  EXPECT_EQ(field->FrameRectInParent().left,
            right->column_widths()[0] - field->FrameRect().Width());
}

TEST_F(StructEditorTest, NestedFramesWithAlignChildrenShareTheirColumnWidths) {
  const std::string defs = R"(<zarvxmlfile><struct name="R"><long name="a"/>
    <byte name="f"/></struct><structedit struct="R" alignchildren="true">
    <frame><item target="a"/></frame>
    <frame><item target="f" bit="1" text="Somewhat wider than a field"/></frame>
    </structedit></zarvxmlfile>)";
  StructEditor* editor = Edit(defs, "R");
  const auto& rows = editor->table()->rows();
  auto* narrow = static_cast<Table*>(rows[0][0].window);
  auto* wide = static_cast<Table*>(rows[1][0].window);
  EXPECT_GT(wide->rows()[0][0].window->FrameRect().Width(), 64);
  EXPECT_EQ(narrow->column_widths(), wide->column_widths());
  EXPECT_EQ(narrow->FrameRect().Width(), wide->FrameRect().Width());
}

// ----------------------------------------------------------------------------- controls

TEST_F(StructEditorTest, EachMemberTypeGetsItsControlShowingTheStoredValue) {
  Loose("sounds", {kSoun, tagcode::Make("Moo0"), "Moo", {}});
  Open();
  Bytes bytes(kSize, 0);
  bytes[kSmall] = 0xF9;                        // -7
  bytes[kFlags] = 8;                           // bit 3
  std::memcpy(&bytes[kSpeed], "\x80\x01", 2);  // 384 = 1.5
  bytes[kKind] = 2;
  const uint32_t moo = tagcode::Make("Moo0");
  std::memcpy(&bytes[kSound], &moo, 4);
  std::memset(&bytes[kCollection], 0xFF, 4);
  StructEditor* editor = Edit(kDefinitions, "unit", bytes);
  EXPECT_EQ(Text(editor->FindControl("small")), "-7");
  EXPECT_EQ(editor->FindControl("small")->FrameRect().Width(), 64);
  EXPECT_EQ(Text(editor->FindControl("speed")), "1.5");
  auto* fast = dynamic_cast<CheckBox*>(editor->FindControl("flags:3"));
  ASSERT_NE(fast, nullptr);
  EXPECT_EQ(fast->GetState(), Button::kOn);
  auto* kind = dynamic_cast<ComboBox*>(editor->FindControl("kind"));
  ASSERT_NE(kind, nullptr);
  EXPECT_EQ(kind->TextField()->GetText(), "Horse");
  auto* sound = dynamic_cast<ComboBox*>(editor->FindControl("sound"));
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(sound->TextField()->GetText(), "Moo");
  EXPECT_EQ(sound->List()->FirstItem()->text, "<no tag>");
  EXPECT_EQ(sound->ItemCount(), 2);
  EXPECT_EQ(editor->FindControl("tint"), nullptr);
  EXPECT_EQ(editor->FindControl("nothing"), nullptr);
  EXPECT_NE(dynamic_cast<Button*>(editor->FindControl("inner")), nullptr);
  EXPECT_NE(editor->FindControl("slots/Add"), nullptr);
  EXPECT_EQ(editor->panels().size(), 1u);
  EXPECT_FALSE(editor->panels()[0]->IsVisible());
}

TEST_F(StructEditorTest, TypedValuesLandInTheBytesAndWhatDoesNotFitWritesNothing) {
  StructEditor* editor = Edit(kDefinitions, "unit");
  int changes = 0;
  Connect(
      editor->changed, [](void* n, intptr_t) { ++*static_cast<int*>(n); }, &changes);
  Enter(editor, "speed");
  Type("-0.5");
  EXPECT_EQ(Short(editor, kSpeed), -128);
  Enter(editor, "small");
  Type("30");
  EXPECT_EQ(static_cast<int8_t>(*At(editor, kSmall)), 30);
  // 300 is no byte: the byte keeps what it held before the typing, not the 30 on the way.
  Enter(editor, "count");
  Enter(editor, "small");
  Type("300");
  EXPECT_EQ(Text(editor->FindControl("small")), "300");
  EXPECT_EQ(static_cast<int8_t>(*At(editor, kSmall)), 30);
  // A key that changes no byte does not count as a change of the tag.
  const int before = changes;
  Type("0");
  EXPECT_EQ(changes, before);
  Enter(editor, "count");
  EXPECT_EQ(Text(editor->FindControl("small")), "30");
  EXPECT_GT(changes, 0);
}

TEST_F(StructEditorTest, LeavingAFieldShowingInvalidOrHalfTypedWritesNothing) {
  Bytes bytes(kSize, 0);
  const int32_t far = 2000000 * 512;  // two million world units: too wide to show
  std::memcpy(&bytes[kRange], &far, 4);
  StructEditor* editor = Edit(kDefinitions, "unit", bytes);
  TextBox* range = static_cast<TextBox*>(editor->FindControl("range"));
  EXPECT_EQ(range->GetText(), "invalid ???");
  Enter(editor, "range");
  Enter(editor, "count");
  int32_t stored;
  std::memcpy(&stored, At(editor, kRange), 4);
  EXPECT_EQ(stored, far);
  EXPECT_EQ(range->GetText(), "invalid ???");
  // A lone sign is no value either.
  Enter(editor, "small");
  Type("-");
  Enter(editor, "count");
  EXPECT_EQ(*At(editor, kSmall), 0);
  EXPECT_EQ(Text(editor->FindControl("small")), "0");
}

TEST_F(StructEditorTest, ABitAndAnEntryAreWrittenWhenChosen) {
  StructEditor* editor = Edit(kDefinitions, "unit");
  static_cast<Button*>(editor->FindControl("flags:3"))->SetState(Button::kOn, false);
  EXPECT_EQ(Short(editor, kFlags), 8);
  auto* kind = static_cast<ComboBox*>(editor->FindControl("kind"));
  kind->List()->Select(kind->List()->FindItemById(2), false);
  EXPECT_EQ(Short(editor, kKind), 2);
}

TEST_F(StructEditorTest, ATagNotInTheIndexShowsItsIdAndStays) {
  Bytes bytes(kSize, 0);
  const uint32_t gone = tagcode::Make("Gone");
  std::memcpy(&bytes[kSound], &gone, 4);
  StructEditor* editor = Edit(kDefinitions, "unit", bytes);
  auto* sound = static_cast<ComboBox*>(editor->FindControl("sound"));
  EXPECT_EQ(sound->TextField()->GetText(), "Gone");
  EXPECT_EQ(sound->SelectedId(), gone);
}

// ------------------------------------------------------------------- nested and panels

TEST_F(StructEditorTest, ANestedEditorKeepsItsEditsOnOkAndPutsThemBackOnCancel) {
  StructEditor* editor = Edit(kDefinitions, "unit");
  int changes = 0;
  Connect(
      editor->changed, [](void* n, intptr_t) { ++*static_cast<int*>(n); }, &changes);
  auto run = [&](const char* button) {
    platform.Then([](FakePlatform& p) { return TopModalIs(*p.wm, "Inner"); });
    platform.Then([this](FakePlatform& p) {
      auto* nested = dynamic_cast<StructEditor*>(p.wm->TopModalWindow());
      Window::SetFocus(nested->FindControl("hp"), 2);
      Char('7');
      return true;
    });
    platform.Then([button](FakePlatform& p) {
      auto* nested = dynamic_cast<StructEditor*>(p.wm->TopModalWindow());
      static_cast<Button*>(nested->FindControl(button))->SetState(Button::kOn, false);
      return true;
    });
    static_cast<Button*>(editor->FindControl("inner"))->SetState(Button::kOn, false);
    RunSteps();
  };
  run("Cancel");
  EXPECT_EQ(Short(editor, kInner + 4), 0);
  run("OK");
  EXPECT_EQ(Short(editor, kInner + 4), 7);
  EXPECT_GT(changes, 0);
}

TEST_F(StructEditorTest, APanelShowsModallyAndEditsTheSameRecord) {
  StructEditor* editor = Edit(kDefinitions, "unit");
  Table* panel = editor->panels()[0];
  platform.Then([](FakePlatform& p) { return TopModalIs(*p.wm, "More"); });
  platform.Then([this, panel](FakePlatform&) {
    Window::SetFocus(panel->rows()[0][0].window, 2);
    Char('9');
    return true;
  });
  platform.Then([panel](FakePlatform&) {
    EXPECT_TRUE(panel->IsVisible());
    Window::TryClose(panel, false);
    return true;
  });
  static_cast<Button*>(editor->FindControl("panel:More"))->SetState(Button::kOn, false);
  RunSteps();
  EXPECT_FALSE(panel->IsVisible());
  EXPECT_EQ(*At(editor, kCount), 9);
}

// ------------------------------------------------------------------------------ arrays

TEST_F(StructEditorTest, AFullArrayDisablesAddAndDuplicate) {
  Bytes bytes(kSize, 0);
  bytes[kUsed] = 4;
  StructEditor* editor = Edit(kDefinitions, "unit", bytes);
  auto* list = static_cast<ListWindow*>(editor->FindControl("slots"));
  EXPECT_EQ(list->ItemCount(), 4);
  list->Select(list->FirstItem(), false);
  EXPECT_FALSE(editor->FindControl("slots/Add")->IsEnabled());
  EXPECT_FALSE(editor->FindControl("slots/Duplicate")->IsEnabled());
  EXPECT_TRUE(editor->FindControl("slots/Delete")->IsEnabled());
  EXPECT_EQ(list->FrameRect().Height(), SubStructArrayEdit::kListHeight);
  EXPECT_EQ(editor->FindControl("slots/Add")->FrameRectInParent().top,
            SubStructArrayEdit::kButtonTop);
}

TEST_F(StructEditorTest, DeletingAnElementMovesTheRestDownAndZeroesTheTail) {
  Bytes bytes(kSize, 0);
  bytes[kUsed] = 3;
  for (int i = 0; i < 3; ++i) bytes[kSlots + 6 * i + 4] = static_cast<uint8_t>(10 + i);
  std::memset(&bytes[kSlots + 18], 0x55, 6);  // beyond the used count
  StructEditor* editor = Edit(kDefinitions, "unit", bytes);
  auto* list = static_cast<ListWindow*>(editor->FindControl("slots"));
  list->Select(list->FindItemById(1), false);
  static_cast<Button*>(editor->FindControl("slots/Delete"))->SetState(Button::kOn, false);
  EXPECT_EQ(Short(editor, kUsed), 2);
  EXPECT_EQ(Short(editor, kSlots + 4), 10);
  EXPECT_EQ(Short(editor, kSlots + 10), 12);
  for (size_t i = kSlots + 12; i < kSlots + 24; ++i) EXPECT_EQ(*At(editor, i), 0) << i;
  EXPECT_EQ(list->ItemCount(), 2);
}

TEST_F(StructEditorTest, CancellingAddOrDuplicateLeavesCountAndElementAsTheyWere) {
  Bytes bytes(kSize, 0);
  bytes[kUsed] = 1;
  bytes[kSlots + 4] = 5;
  bytes[kSlots + 6 + 4] = 9;  // element 1, unused, holds something
  StructEditor* editor = Edit(kDefinitions, "unit", bytes);
  auto cancel_next = [this](const char* title) {
    platform.Then([title](FakePlatform& p) { return TopModalIs(*p.wm, title); });
    platform.Then([](FakePlatform& p) {
      auto* nested = dynamic_cast<StructEditor*>(p.wm->TopModalWindow());
      nested->cancel_button()->SetState(Button::kOn, false);
      return true;
    });
  };
  cancel_next("Slot #2");
  static_cast<Button*>(editor->FindControl("slots/Add"))->SetState(Button::kOn, false);
  RunSteps();
  EXPECT_EQ(Short(editor, kUsed), 1);
  auto* list = static_cast<ListWindow*>(editor->FindControl("slots"));
  list->Select(list->FirstItem(), false);
  cancel_next("Slot #2");
  static_cast<Button*>(editor->FindControl("slots/Duplicate"))->SetState(Button::kOn, false);
  RunSteps();
  EXPECT_EQ(Short(editor, kUsed), 1);
  EXPECT_EQ(Short(editor, kSlots + 6 + 4), 9);
}

TEST_F(StructEditorTest, RowsNameTheirTagOrSequenceAndElementsWithoutOneStayListed) {
  Loose("sounds", {kSoun, tagcode::Make("Moo0"), "Moo", {}});
  Collection256("Herd", tagcode::Make("Herd"), {"run", "walk", "idle", ""});
  Open();
  Bytes bytes(kSize, 0);
  const uint32_t herd = tagcode::Make("Herd"), moo = tagcode::Make("Moo0"),
                 gone = tagcode::Make("Gone");
  std::memcpy(&bytes[kCollection], &herd, 4);
  bytes[kUsed] = 2;
  std::memcpy(&bytes[kSlots], &moo, 4);
  std::memcpy(&bytes[kSlots + 6], &gone, 4);
  bytes[kStepsUsed] = 4;
  for (int i = 0; i < 4; ++i) bytes[kSteps + 2 * i] = static_cast<uint8_t>(i);
  StructEditor* editor = Edit(kDefinitions, "unit", bytes);
  auto* slots = static_cast<ListWindow*>(editor->FindControl("slots"));
  EXPECT_EQ(slots->FindItemById(0)->text, "Moo");
  EXPECT_EQ(slots->FindItemById(1)->text, "Gone");
  auto* steps = static_cast<ListWindow*>(editor->FindControl("steps"));
  EXPECT_EQ(steps->FindItemById(1)->text, "walk");
  EXPECT_EQ(steps->FindItemById(3)->text, "Sequence #4");
}

TEST_F(StructEditorTest, ChoosingAnotherCollectionClearsTheSequenceDrawnFromIt) {
  Collection256("Herd", tagcode::Make("Herd"), {"run", "walk"});
  Collection256("Pack", tagcode::Make("Pack"), {"trot"});
  Open();
  Bytes bytes(kSize, 0);
  const uint32_t herd = tagcode::Make("Herd");
  std::memcpy(&bytes[kCollection], &herd, 4);
  bytes[kWalk] = 1;
  StructEditor* editor = Edit(kDefinitions, "unit", bytes);
  auto* walk = static_cast<ComboBox*>(editor->FindControl("walk"));
  EXPECT_EQ(walk->TextField()->GetText(), "walk");
  auto* collection = static_cast<ComboBox*>(editor->FindControl("collection"));
  collection->List()->Select(collection->List()->FindItemById(tagcode::Make("Pack")), false);
  EXPECT_EQ(Short(editor, kWalk), -1);
  EXPECT_EQ(walk->TextField()->GetText(), "<no sequence>");
  EXPECT_NE(walk->List()->FindItemById(0), nullptr);
  EXPECT_EQ(walk->ItemCount(), 2);
}

// -------------------------------------------------------------------------- the tag

TEST_F(StructEditorTest, TabbingThroughEveryFieldThenOkSavesTheSameBytes) {
  Loose("sounds", {kSoun, tagcode::Make("Moo0"), "Moo", {}});
  Bytes data(kSize, 0);
  for (size_t i = 0; i < kSize; ++i) data[i] = static_cast<uint8_t>(i * 37 + 11);
  data[kWalk + 2] = data[kWalk + 3] = 0;  // the padding reads back as zeros
  data[kUsed] = 0, data[kUsed + 1] = 2;
  data[kStepsUsed] = 0, data[kStepsUsed + 1] = 9;  // past the capacity: clamped
  TagStructEdit* tag = OpenUnit(data);
  ASSERT_NE(tag, nullptr);
  // Round the whole Tab ring, from "OK" back to it.
  Window* ok = tag->Editor()->ok_button();
  ASSERT_EQ(wm->Focus(), ok);
  size_t steps = 0;
  do {
    Tap(Key::Tab);
    Pump(2);
  } while (wm->Focus() != ok && ++steps < 100);
  // Every control of the editor but the panel's own took the focus on the way.
  EXPECT_EQ(steps + 1, tag->Editor()->controls().size() - 1);
  Tap(Key::Enter);
  Pump(4);
  const std::string saved = FileData("units", "Bob");
  EXPECT_EQ(saved, std::string(data.begin(), data.end()));
}

TEST_F(StructEditorTest, ATagThatIsNotOneRecordDoesNotOpenAndTheLogSaysWhy) {
  MessageCapture log;
  Answer("Error", 0);
  EXPECT_EQ(OpenUnit(Bytes(kSize - 1, 0)), nullptr);
  RunSteps();
  EXPECT_NE(log.text().find(std::to_string(kSize - 1)), std::string::npos) << log.text();
  EXPECT_NE(log.text().find(std::to_string(kSize)), std::string::npos);
  EXPECT_EQ(messages, std::vector<std::string>{"The tag could not be loaded.\n\nIts data is 76 "
                                               "bytes, the definition 'unit' describes 77."});
}

TEST_F(StructEditorTest, ATagWhoseDefinitionHasNoLayoutDoesNotOpenAndTheLogSaysWhy) {
  // The unit's layout now lays out a record of another name.
  std::string without_layout = kDefinitions;
  without_layout.replace(without_layout.find("struct=\"unit\" text"), 13, "struct=\"else\"");
  Load(without_layout, ProgramStructs());
  RegisterTagEditors();
  Loose("units", {kUnit, tagcode::Make("Bob0"), "Bob", Bytes(kSize, 0)});
  Codex& codex = Open();
  MessageCapture log;
  Answer("Error", 0);
  EXPECT_EQ(TagEdit::OpenEditor(codex.Find(kUnit, tagcode::Make("Bob0"))), nullptr);
  RunSteps();
  EXPECT_NE(log.text().find("no structedit layout"), std::string::npos) << log.text();
}

TEST_F(StructEditorTest, EditsAndArrayChangesMarkTheTagAndCancelClosesWithoutSaving) {
  Bytes data(kSize, 0);
  data[kUsed + 1] = 2;
  TagStructEdit* tag = OpenUnit(data);
  ASSERT_NE(tag, nullptr);
  EXPECT_FALSE(tag->dirty());
  auto* list = static_cast<ListWindow*>(tag->Editor()->FindControl("slots"));
  list->Select(list->FirstItem(), false);
  static_cast<Button*>(tag->Editor()->FindControl("slots/Delete"))->SetState(Button::kOn, false);
  EXPECT_TRUE(tag->dirty());
  tag->Editor()->cancel_button()->SetState(Button::kOn, false);
  Pump(3);
  EXPECT_EQ(FileData("units", "Bob"), std::string(data.begin(), data.end()));
  EXPECT_EQ(wm->Layer0()->ChildCount(), 0);
}

}  // namespace
