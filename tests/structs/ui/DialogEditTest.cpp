#include <gtest/gtest.h>

#include "app/EditorRegistration.h"
#include "gui/ComboBox.h"
#include "gui/ListWindow.h"
#include "gui/Platform.h"
#include "gui/SplitterWindow.h"
#include "gui/TextBox.h"
#include "structs/ui/DialogEdit.h"
#include "structs/ui/DialogView.h"
#include "structs/ui/EditControlDialog.h"
#include "support/DialogBytes.h"
#include "support/EditorFixture.h"
#include "tags/TagCode.h"

namespace {

constexpr uint32_t kBina = tagcode::Make("bina");
constexpr uint32_t kMenu = tagcode::Make("menu");

const std::vector<dialogbytes::Control> kControls = {{"butt", 3, 20, 20, 120, 70, "Start"},
                                                     {"stat", 7, 20, 100, 220, 130, ""},
                                                     {"qqqq", 5, 300, 20, 360, 60, "x"}};

class DialogEditTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    wm->ResizeScreen(1280, 1024);
    RegisterTagEditors();
  }
  DialogEdit* OpenDialog(const std::string& after = "") {
    bytes = dialogbytes::Make(2, 0, 0, 400, 300, kControls, after);
    Loose("dialogs", {kBina, kMenu, "Menu", bytes});
    Codex& codex = Open();
    auto* editor = dynamic_cast<DialogEdit*>(TagEdit::OpenEditor(codex.Find(kBina, kMenu)));
    Pump(2);
    return editor;
  }
  // The screen point of a dialog point.
  Point At(DialogEdit* e, int x, int y) { return e->View()->ToScreen({x, y}); }
  void CtrlPress(DialogEdit* e, int x, int y, int key = Key::Control) {
    Key(key, true);
    const Point p = At(e, x, y);
    Press(p.x, p.y);
    Pump();
  }
  std::vector<uint8_t> bytes;
};

TEST_F(DialogEditTest, OpensWithTheFactsBesideTheCanvasAndKeepsTheSelectedRowOverARefresh) {
  DialogEdit* e = OpenDialog();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->ClientRect().Width(), 892);
  EXPECT_EQ(e->ClientRect().Height(), 528);
  EXPECT_GE(e->Info()->FrameRect().Width(), DialogEdit::kMinPane);
  EXPECT_GE(e->View()->FrameRect().Width(), DialogEdit::kMinPane);
  ASSERT_EQ(e->Info()->ItemCount(), 14);
  EXPECT_EQ(e->Info()->ItemAtRow(1)->text, "Size: 400x300");
  EXPECT_EQ(e->Info()->ItemAtRow(13)->text, "5 | Unknown(qqqq) | text:\"x\"");
  EXPECT_EQ(e->View()->HorizontalRange(), 432);

  e->Info()->Select(e->Info()->ItemAtRow(12), false);
  EXPECT_EQ(e->selected(), 1);
  e->Nudge(1, 0, false);
  EXPECT_EQ(e->Info()->RowOfItem(e->Info()->SelectedItem()), 12);
  EXPECT_EQ(e->selected(), 1);
  EXPECT_TRUE(e->dirty());

  // Delete on a fact row removes nothing; on a control row the next one takes its place.
  e->Info()->Select(e->Info()->ItemAtRow(0), false);
  Window::SetFocus(e->Info(), 0);
  Tap(Key::Delete);
  Tap(Key::Enter);
  Pump();
  EXPECT_EQ(e->dialog().controls.size(), 3u);
  EXPECT_EQ(wm->TopModalWindow(), nullptr) << "Enter on a fact row edits no control";
  e->Info()->Select(e->Info()->ItemAtRow(13), false);
  Tap(Key::Delete);
  Pump();
  ASSERT_EQ(e->dialog().controls.size(), 2u);
  EXPECT_EQ(e->selected(), 1) << "the last gone, the one before it";
  EXPECT_EQ(e->Info()->RowOfItem(e->Info()->SelectedItem()), 12);
}

TEST_F(DialogEditTest, CanvasKeysMoveResizeAndReorderAndTheListPassesThemOn) {
  DialogEdit* e = OpenDialog();
  ASSERT_NE(e, nullptr);
  const Point p = At(e, 50, 40);
  Click(p.x, p.y);  // no modifier: selects only
  Pump();
  EXPECT_EQ(e->selected(), 0);
  EXPECT_FALSE(e->dirty());
  Key(Key::Shift, true);
  Tap(Key::Down);
  Tap(Key::Right);
  Key(Key::Shift, false);
  Pump();
  EXPECT_EQ(e->dialog().controls[0].rect, (DialogRect{20, 20, 121, 71}));
  EXPECT_EQ(e->view_mode(), DialogEdit::kShowSize);
  // From the list, with Ctrl held, the keys reach the canvas.
  Window::SetFocus(e->Info(), 0);
  Key(Key::Control, true);
  Tap(Key::Left);
  Tap(Key::Up);
  Tap('-');  // first already: nothing
  Pump();
  EXPECT_EQ(e->dialog().controls[0].rect, (DialogRect{19, 19, 120, 70}));
  EXPECT_EQ(e->view_mode(), DialogEdit::kShowPosition);
  EXPECT_EQ(e->dialog().controls[0].id, 3);
  Tap('=');
  Pump();
  EXPECT_EQ(e->dialog().controls[1].id, 3);
  EXPECT_EQ(e->selected(), 1) << "the selection follows";
  Tap('=');
  Tap('=');  // last: nothing
  Key(Key::Control, false);
  Pump();
  EXPECT_EQ(e->dialog().controls[2].id, 3);
  EXPECT_EQ(e->Info()->ItemAtRow(13)->text, "3 | Button | text:\"Start\"");
  EXPECT_TRUE(e->dirty());
}

TEST_F(DialogEditTest, ZonesPickCornersOverEdgesAndDraggingMovesThem) {
  DialogEdit* e = OpenDialog();
  ASSERT_NE(e, nullptr);
  // Shift held over the bottom-left corner of the Start button: the rising diagonal.
  Key(Key::Shift, true);
  Point p = At(e, 21, 69);
  Move(p.x, p.y);
  Pump();
  EXPECT_EQ(platform.cursor, Cursor::SizeDiagonalUp);
  p = At(e, 60, 21);
  Move(p.x, p.y);
  Pump();
  EXPECT_EQ(platform.cursor, Cursor::SizeVertical);
  Key(Key::Shift, false);
  Pump();
  EXPECT_EQ(platform.cursor, Cursor::Arrow) << "letting go shows the arrow without a move";
  // Dragging the bottom-left corner by (-5, +5).
  CtrlPress(e, 21, 69, Key::Shift);
  EXPECT_EQ(e->drag_zone(), Dialog::Zone::kBottomLeft);
  p = At(e, 16, 74);
  Move(p.x, p.y);
  Release(p.x, p.y);
  Key(Key::Shift, false);
  Pump();
  EXPECT_EQ(e->dialog().controls[0].rect, (DialogRect{15, 20, 120, 75}));
  EXPECT_EQ(e->view_mode(), DialogEdit::kShowSize);
  // Ctrl anywhere on a control moves it whole.
  CtrlPress(e, 60, 110);
  EXPECT_EQ(e->selected(), 1);
  p = At(e, 70, 100);
  Move(p.x, p.y);
  Release(p.x, p.y);
  Key(Key::Control, false);
  Pump();
  EXPECT_EQ(e->dialog().controls[1].rect, (DialogRect{30, 90, 230, 120}));
  EXPECT_EQ(e->view_mode(), DialogEdit::kShowPosition);
  EXPECT_TRUE(e->dirty());
}

TEST_F(DialogEditTest, CtrlAOutsideBeepsAndInsideAddsWhatEditControlDataAccepts) {
  DialogEdit* e = OpenDialog();
  ASSERT_NE(e, nullptr);
  Window::SetFocus(e->View(), 0);
  Point p = At(e, 500, 100);
  Move(p.x, p.y);
  CtrlKey('A');
  Pump();
  EXPECT_EQ(platform.beeps, 1);
  EXPECT_EQ(wm->TopModalWindow(), nullptr);

  // Cancel adds nothing.
  p = At(e, 200, 200);
  Move(p.x, p.y);
  platform.Then([](FakePlatform& fp) { return TopModalIs(*fp.wm, "Edit Control Data"); });
  platform.Then([this](FakePlatform&) {
    Tap(Key::Escape);
    return true;
  });
  CtrlKey('A');
  RunSteps();
  EXPECT_EQ(e->dialog().controls.size(), 3u);

  EditControlDialog* dialog = nullptr;
  platform.Then([](FakePlatform& fp) { return TopModalIs(*fp.wm, "Edit Control Data"); });
  platform.Then([&](FakePlatform& fp) {
    dialog = dynamic_cast<EditControlDialog*>(fp.wm->TopModalWindow());
    if (!dialog) return true;
    const int32_t lh = font_.line_height();
    const Rect& client = dialog->ClientRect();
    EXPECT_EQ(dialog->ClientRect().Width(), EditControlDialog::kContentWidth);
    EXPECT_EQ(dialog->IdField()->FrameRect().left - client.left, 64);
    EXPECT_EQ(dialog->IdField()->FrameRect().Width(), 192);
    EXPECT_EQ(dialog->TypeMenu()->FrameRect().top - client.top, lh + 14);
    EXPECT_EQ(dialog->TagField()->FrameRect().top - client.top, 2 * (lh + 6) + 8);
    EXPECT_EQ(dialog->TextField()->FrameRect().top - client.top, 3 * (lh + 6) + 8);
    EXPECT_EQ(dialog->TextField()->FrameRect().Height(), 5 * lh + 4);
    EXPECT_EQ(fp.wm->Focus(), dialog->IdField());
    EXPECT_EQ(dialog->IdField()->GetText(), "8") << "one more than the largest id";
    EXPECT_EQ(dialog->TagField()->GetText(), "butt");
    // Tab order: id, type, tag, text, OK, Cancel.
    EXPECT_EQ(dialog->IdField()->NextInTabOrder(), dialog->TypeMenu());
    EXPECT_EQ(dialog->TypeMenu()->NextInTabOrder(), dialog->TagField());
    EXPECT_EQ(dialog->TagField()->NextInTabOrder(), dialog->TextField());
    EXPECT_EQ(dialog->TextField()->NextInTabOrder(), reinterpret_cast<Window*>(dialog->OkButton()));
    EXPECT_EQ(dialog->CancelButton()->NextInTabOrder(), dialog->IdField());
    dialog->TypeMenu()->List()->Select(dialog->TypeMenu()->List()->FirstItem(), false);
    dialog->TextField()->SetText("Go");
    return true;
  });
  platform.Then([&](FakePlatform&) {
    EXPECT_EQ(dialog->TagField()->GetText(), "bann") << "the chosen type fills the tag field";
    Window::SetFocus(dialog->TagField(), 0);
    Tap(Key::Enter);
    return true;
  });
  CtrlKey('A');
  RunSteps();
  ASSERT_EQ(e->dialog().controls.size(), 4u);
  const DialogControl& added = e->dialog().controls.back();
  EXPECT_EQ(added.type, tagcode::Make("bann"));
  EXPECT_EQ(added.id, 8);
  EXPECT_EQ(added.rect, (DialogRect{150, 175, 250, 225}));
  EXPECT_EQ(added.text, "Go");
  EXPECT_EQ(e->selected(), 3);
  EXPECT_EQ(e->Info()->ItemCount(), 15);
}

TEST_F(DialogEditTest, ATypeTheTagFieldCannotShowWholeIsKeptUnlessChanged) {
  DialogControl control{0x61620000u, 1, {}, "t"};  // "ab" and two zero bytes
  platform.Then([](FakePlatform& fp) { return TopModalIs(*fp.wm, "Edit Control Data"); });
  platform.Then([this](FakePlatform&) {
    Tap(Key::Enter);
    return true;
  });
  EXPECT_TRUE(EditControlDialog::Edit(control));
  RunSteps();
  EXPECT_EQ(control.type, 0x61620000u);
}

TEST_F(DialogEditTest, OKRefusesBadIdsAndShortTypesAndLeavesLongCarriageReturnTextsAlone) {
  DialogControl control{tagcode::Make("stat"), 4, {}, std::string(300, 'a') + "\rb\r"};
  EditControlDialog* dialog = nullptr;
  platform.Then([&](FakePlatform& fp) {
    dialog = dynamic_cast<EditControlDialog*>(fp.wm->TopModalWindow());
    return dialog != nullptr;
  });
  platform.Then([&](FakePlatform&) {
    dialog->IdField()->SetText("40000");
    Tap(Key::Enter);
    return true;
  });
  Answer("Invalid ID", 0);
  platform.Then([&](FakePlatform&) {
    dialog->IdField()->SetText("-32768");
    dialog->TagField()->SetText("ab");
    Window::SetFocus(dialog->IdField(), 0);
    Tap(Key::Enter);
    return true;
  });
  Answer("Invalid Type", 0);
  platform.Then([&](FakePlatform&) {
    dialog->TagField()->SetText("wxyz");
    Window::SetFocus(dialog->IdField(), 0);
    Tap(Key::Enter);
    return true;
  });
  EXPECT_TRUE(EditControlDialog::Edit(control));
  RunSteps();
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_EQ(control.id, -32768);
  EXPECT_EQ(control.type, tagcode::Make("wxyz"));
  EXPECT_EQ(control.text, std::string(300, 'a') + "\rb\r") << "not cut, line ends kept";
}

TEST_F(DialogEditTest, AnUnchangedDialogSavesItsBytesBackWithWhatFollowsTheTexts) {
  DialogEdit* e = OpenDialog(std::string("\x01\x02 kept", 7));
  ASSERT_NE(e, nullptr);
  e->MarkDirty(true);
  CtrlKey('S');
  Pump(2);
  EXPECT_EQ(FileData("dialogs", "Menu"), std::string(bytes.begin(), bytes.end()));
}

TEST_F(DialogEditTest, EveryKindOfEditUndoesBackToTheSavedBytesAndRedoesAgain) {
  DialogEdit* e = OpenDialog(std::string("\x01\x02", 2));
  ASSERT_NE(e, nullptr);
  const uint32_t start = e->History().Count();
  e->Select(1);
  e->Nudge(1, 0, false);
  e->Nudge(0, 1, true);  // the same run: one step
  e->BeginDrag(Dialog::Zone::kMove);
  e->OnTrackMouse({0, 0}, {3, 3}, kTrackMove);
  e->Select(0);  // the list moving on leaves the drag on its control and takes no edit
  e->Nudge(1, 0, false);
  e->OnTrackMouse({0, 0}, {7, -2}, kTrackMove);
  e->OnTrackMouse({0, 0}, {7, -2}, kTrackEnd);
  e->MoveSelectedLater();
  e->RemoveSelected();  // the moved control, now last
  e->Select(0);
  platform.Then([](FakePlatform& fp) { return TopModalIs(*fp.wm, "Edit Control Data"); });
  platform.Then([&](FakePlatform& fp) {
    dynamic_cast<EditControlDialog*>(fp.wm->TopModalWindow())->TextField()->SetText("Begin");
    Tap(Key::Enter);
    return true;
  });
  EXPECT_TRUE(e->EditControl(0));
  RunSteps();
  platform.Then([](FakePlatform& fp) { return TopModalIs(*fp.wm, "Edit Control Data"); });
  platform.Then([&](FakePlatform&) {
    Tap(Key::Enter);
    return true;
  });
  e->AddControlAt(200, 200);
  RunSteps();
  ASSERT_EQ(e->History().Count(), start + 6) << "nudges, drag, move, remove, edit, add";
  const Dialog edited = e->dialog();
  EXPECT_EQ(edited.controls[0].text, "Begin");
  EXPECT_EQ(edited.controls[1].id, 5);
  EXPECT_EQ(edited.controls[2].id, 6);
  EXPECT_EQ(e->selected(), 2);

  int undone = 0;
  while (e->Undo()) ++undone;
  EXPECT_EQ(undone, 6);
  EXPECT_FALSE(e->dirty()) << "back at the state on disk";
  EXPECT_EQ(e->selected(), 1) << "the control the first step changed";
  EXPECT_EQ(e->Info()->ItemCount(), 14);
  while (e->Redo()) {
  }
  EXPECT_EQ(e->dialog(), edited);
  EXPECT_TRUE(e->dirty());
  while (e->Undo()) {
  }
  e->MarkDirty(true);
  CtrlKey('S');
  Pump(2);
  EXPECT_EQ(FileData("dialogs", "Menu"), std::string(bytes.begin(), bytes.end()));
}

TEST_F(DialogEditTest, CtrlZAndCtrlYStepThroughTheHistoryAndTheModifiedMarkFollowsTheSave) {
  DialogEdit* e = OpenDialog();
  ASSERT_NE(e, nullptr);
  e->Info()->Select(e->Info()->ItemAtRow(DialogEdit::kFirstControlRow), false);
  Window::SetFocus(e->Info(), 0);
  Key(Key::Shift, true);
  Tap(Key::Right);
  Tap(Key::Right);
  Key(Key::Shift, false);
  Key(Key::Control, true);
  Tap(Key::Down);  // after the modifiers were let go: a second step
  Key(Key::Control, false);
  Pump();
  EXPECT_EQ(e->dialog().controls[0].rect, (DialogRect{20, 21, 122, 71}));
  EXPECT_STREQ(e->GetTitle(), "Menu*");

  CtrlKey('S');
  Pump(2);
  EXPECT_STREQ(e->GetTitle(), "Menu");
  CtrlKey('Z');
  Pump();
  EXPECT_EQ(e->dialog().controls[0].rect, (DialogRect{20, 20, 122, 70}));
  EXPECT_STREQ(e->GetTitle(), "Menu*") << "undone past the save";
  CtrlKey('Z');
  Pump();
  EXPECT_EQ(e->dialog().controls[0].rect, (DialogRect{20, 20, 120, 70}));
  EXPECT_EQ(e->selected(), 0);
  EXPECT_EQ(e->Info()->RowOfItem(e->Info()->SelectedItem()), DialogEdit::kFirstControlRow);
  CtrlKey('Z');  // nothing left to undo
  CtrlKey('Y');
  Pump();
  EXPECT_EQ(e->dialog().controls[0].rect, (DialogRect{20, 20, 122, 70})) << "both nudges";
  CtrlKey('Y');
  Pump();
  EXPECT_EQ(e->dialog().controls[0].rect, (DialogRect{20, 21, 122, 71}));
  EXPECT_STREQ(e->GetTitle(), "Menu") << "redone to the saved state";
}

}  // namespace
