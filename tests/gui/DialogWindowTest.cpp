#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "gui/Button.h"
#include "gui/ComboBox.h"
#include "gui/DialogWindow.h"
#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/Menu.h"
#include "gui/MessageBoxWindow.h"
#include "gui/TextBox.h"
#include "support/MonoFont.h"
#include "support/WmHarness.h"

namespace {

// A dialog whose accept and cancel count their calls and agree or refuse as told.
class TestDialog : public DialogWindow {
 public:
  TestDialog() : DialogWindow("Test Dialog") {}
  bool Accept() override {
    ++accepts;
    return on_accept ? on_accept() : accept_ok;
  }
  bool Cancel() override {
    ++cancels;
    return cancel_ok;
  }
  std::function<bool()> on_accept;
  bool accept_ok = true;
  bool cancel_ok = true;
  int accepts = 0;
  int cancels = 0;
};

// Characters are 6 pixels wide and lines 12 high; without a theme buttons are 24 high.
class DialogTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    SetDefaultFont(&font);
    dialog = new TestDialog();
    dialog->FitToContent(300, 200);
  }
  void TearDown() override {
    WmTest::TearDown();
    SetDefaultFont(nullptr);
  }
  // Once the dialog is the top modal window, and then at every later poll.
  void WhenUp(std::function<void()> act) {
    platform.Then([this](FakePlatform& p) { return p.wm->TopModalWindow() == dialog; });
    Next(std::move(act));
  }
  void Next(std::function<void()> act) {
    platform.Then([act](FakePlatform&) {
      act();
      return true;
    });
  }
  TextBox* AddBox(int mode, const Rect& r) {
    auto* box = new TextBox(mode, dialog);
    box->SetFrameRect(r);
    return box;
  }
  static Point Centre(const Window* w) {
    const Rect& r = w->FrameRect();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  Font font{MonoFontData()};
  TestDialog* dialog = nullptr;
};

// ---------------------------------------------------------------------------------------

class DialogLayout : public DialogTest {
 protected:
  Rect InClient(const Window* w) const {
    const Rect& c = dialog->ClientRect();
    return w->FrameRect().Offset(-c.left, -c.top);
  }
};

TEST_F(DialogLayout, CancelSits16FromTheRightAnd8FromTheBottomWithOK8ToItsLeft) {
  const int32_t w = dialog->ClientRect().Width();
  const int32_t h = dialog->ClientRect().Height();
  const Rect cancel = InClient(dialog->CancelButton());
  const Rect ok = InClient(dialog->OkButton());
  EXPECT_EQ(cancel, (Rect{w - 16 - 64, h - 8 - 24, w - 16, h - 8}));
  EXPECT_EQ(ok, (Rect{cancel.left - 8 - 64, cancel.top, cancel.left - 8, cancel.bottom}));
  EXPECT_STREQ(dialog->OkButton()->GetTitle(), "OK");
  EXPECT_EQ(dialog->OkButton()->Id(), 0);
  EXPECT_STREQ(dialog->CancelButton()->GetTitle(), "Cancel");
  EXPECT_EQ(dialog->CancelButton()->Id(), 1);
}

TEST_F(DialogLayout, ResizingMovesTheButtonsWithTheCorner) {
  dialog->FitToContent(500, 100);
  const int32_t w = dialog->ClientRect().Width();
  EXPECT_EQ(InClient(dialog->CancelButton()).right, w - 16);
  EXPECT_EQ(InClient(dialog->CancelButton()).bottom, dialog->ClientRect().Height() - 8);
}

TEST_F(DialogLayout, FittingToContentLeaves16AroundItAndTheButtonsBelow) {
  dialog->FitToContent(200, 100);
  EXPECT_EQ(dialog->ClientRect().Width(), 232);
  EXPECT_EQ(dialog->ClientRect().Height(), 100 + 24 + 32);
  EXPECT_EQ(dialog->ContentRect(), (Rect{16, 16, 216, 116}));
  EXPECT_LE(dialog->ContentRect().bottom, InClient(dialog->OkButton()).top);
}

TEST_F(DialogLayout, TheFrameNeverGetsSmallerThanTheButtonsNeed) {
  dialog->FitToContent(0, 0);
  EXPECT_EQ(dialog->ClientRect().Width(), 168);
  EXPECT_EQ(dialog->ClientRect().Height(), 24 + 32);
  const Size min = dialog->MinimumFrameSize();
  EXPECT_EQ(min.width, dialog->FrameRect().Width());
  EXPECT_EQ(min.height, dialog->FrameRect().Height());
  // The buttons do not overlap and stay inside.
  EXPECT_GE(InClient(dialog->OkButton()).left, 16);
}

TEST_F(DialogLayout, TheTabOrderRunsFromTheFirstControlThroughOKAndCancel) {
  auto* a = AddBox(TextBox::kLineField, {16, 16, 100, 36});
  auto* b = AddBox(TextBox::kLineField, {16, 40, 100, 60});
  auto* c = AddBox(TextBox::kLineField, {16, 64, 100, 84});
  Window::SetTabOrder({a, b, c});
  dialog->SetTabOrder(b);
  std::vector<Window*> ring{b};
  for (Window* w = b->NextInTabOrder(); w && w != b && ring.size() < 10; w = w->NextInTabOrder()) {
    ring.push_back(w);
  }
  EXPECT_EQ(ring, (std::vector<Window*>{b, dialog->OkButton(), dialog->CancelButton(), c, a}));
  EXPECT_EQ(a->PrevInTabOrder(), c);
  // Set again, the buttons move rather than appear twice.
  dialog->SetTabOrder(a);
  ring = {a};
  for (Window* w = a->NextInTabOrder(); w && w != a && ring.size() < 10; w = w->NextInTabOrder()) {
    ring.push_back(w);
  }
  EXPECT_EQ(ring, (std::vector<Window*>{a, dialog->OkButton(), dialog->CancelButton(), b, c}));
}

// ---------------------------------------------------------------------------------------

class DialogKeys : public DialogTest {};

TEST_F(DialogKeys, EnterShowsOKPressedAndItsReleaseAccepts) {
  Button* marked = nullptr;
  int32_t state = -1;
  WhenUp([this] { Key(Key::Enter, true); });
  Next([&, this] {
    marked = dialog->KeyboardButton();
    state = dialog->OkButton()->GetState();
    EXPECT_EQ(dialog->accepts, 0);
    Key(Key::Enter, false);
  });
  EXPECT_EQ(dialog->RunModal(), 1);
  EXPECT_EQ(marked, dialog->OkButton());
  EXPECT_EQ(state, Button::kPressedOff);
  EXPECT_EQ(dialog->accepts, 1);
  EXPECT_EQ(dialog->cancels, 0);
  EXPECT_FALSE(dialog->IsVisible()) << "an accepted dialog is hidden, for its owner to delete";
  EXPECT_EQ(dialog->KeyboardButton(), nullptr);
}

TEST_F(DialogKeys, EscapeCancels) {
  WhenUp([this] { Tap(Key::Escape); });
  EXPECT_EQ(dialog->RunModal(), 0);
  EXPECT_EQ(dialog->cancels, 1);
  EXPECT_EQ(dialog->accepts, 0);
  EXPECT_FALSE(dialog->IsVisible());
}

TEST_F(DialogKeys, AnotherKeyWhileMarkedAbandonsThePress) {
  auto* field = AddBox(TextBox::kLineField, {16, 16, 200, 36});
  Window::SetFocus(field, 0);
  bool still_up = false;
  WhenUp([this] {
    Key(Key::Enter, true);
    Char('x');
    Key('X', true);
    Key('X', false);
    Key(Key::Enter, false);
  });
  Next([&, this] {
    still_up = wm->TopModalWindow() == dialog && dialog->KeyboardButton() == nullptr &&
               dialog->OkButton()->GetState() == Button::kUp;
    Tap(Key::Escape);
  });
  EXPECT_EQ(dialog->RunModal(), 0);
  EXPECT_TRUE(still_up);
  EXPECT_EQ(dialog->accepts, 0);
}

TEST_F(DialogKeys, EnterInAMultiLineBoxIsANewLineAndInAOneLineFieldPressesOK) {
  auto* notes = AddBox(TextBox::kEditor, {16, 16, 300, 100});
  auto* line = AddBox(TextBox::kLineField, {16, 110, 300, 130});
  Window::SetTabOrder({notes, line});
  Window::SetFocus(notes, 0);
  std::string text;
  bool running = false;
  WhenUp([this] {
    Char('a');
    Tap(Key::Enter);
    Char('b');
  });
  Next([&, this, line] {
    text = notes->GetText();
    running = wm->TopModalWindow() == dialog;
    Window::SetFocus(line, 0);
    Tap(Key::Enter);
  });
  EXPECT_EQ(dialog->RunModal(), 1);
  EXPECT_EQ(text, "a\nb");
  EXPECT_TRUE(running);
  EXPECT_EQ(dialog->accepts, 1);
}

TEST_F(DialogKeys, EnterOnAFocusedCancelButtonCancels) {
  WhenUp([this] {
    Window::SetFocus(dialog->CancelButton(), 0);
    Tap(Key::Enter);
  });
  EXPECT_EQ(dialog->RunModal(), 0);
  EXPECT_EQ(dialog->cancels, 1);
  EXPECT_EQ(dialog->accepts, 0);
}

TEST_F(DialogKeys, TabGoesFromTheFirstControlToOKWhereEnterAccepts) {
  auto* notes = AddBox(TextBox::kEditor, {16, 16, 300, 100});
  dialog->SetTabOrder(notes);
  Window::SetFocus(notes, 0);
  Window* after_tab = nullptr;
  WhenUp([this] { Tap(Key::Tab); });
  Next([&, this] {
    after_tab = wm->Focus();
    Tap(Key::Enter);
  });
  EXPECT_EQ(dialog->RunModal(), 1);
  EXPECT_EQ(after_tab, dialog->OkButton());
  EXPECT_EQ(notes->GetText(), "") << "Tab left the box, it typed nothing";
}

// ---------------------------------------------------------------------------------------

class DialogRefusal : public DialogTest {};

TEST_F(DialogRefusal, ARefusingCancelBeepsAndKeepsTheDialogOpen) {
  dialog->cancel_ok = false;
  auto* field = AddBox(TextBox::kLineField, {16, 16, 200, 36});
  field->SetText("kept");
  Window::SetFocus(field, 0);
  bool open_after_escape = false, open_after_close = false, close_answer = true;
  int beeps_after_escape = 0;
  WhenUp([this] { Tap(Key::Escape); });
  Next([&, this] {
    beeps_after_escape = platform.beeps;
    open_after_escape = dialog->IsVisible() && wm->TopModalWindow() == dialog;
    close_answer = dialog->RequestClose(false);
    open_after_close = dialog->IsVisible() && wm->TopModalWindow() == dialog;
    dialog->cancel_ok = true;
    Tap(Key::Escape);
  });
  EXPECT_EQ(dialog->RunModal(), 0);
  EXPECT_EQ(beeps_after_escape, 1);
  EXPECT_TRUE(open_after_escape);
  EXPECT_FALSE(close_answer);
  EXPECT_TRUE(open_after_close);
  EXPECT_EQ(platform.beeps, 2);
  EXPECT_EQ(dialog->cancels, 3);
  EXPECT_EQ(field->GetText(), "kept");
}

TEST_F(DialogRefusal, ARefusingAcceptBeepsAndStays) {
  dialog->accept_ok = false;
  bool open = false;
  WhenUp([this] { Tap(Key::Enter); });
  Next([&, this] {
    open = dialog->IsVisible() && wm->TopModalWindow() == dialog;
    Tap(Key::Escape);
  });
  EXPECT_EQ(dialog->RunModal(), 0);
  EXPECT_TRUE(open);
  EXPECT_EQ(platform.beeps, 1);
  EXPECT_EQ(dialog->accepts, 1);
}

TEST_F(DialogRefusal, CtrlWAndAnAgreedCloseRequestCancelWithoutDestroying) {
  WhenUp([this] {
    Key(Key::Control, true);
    Tap('W');
    Key(Key::Control, false);
  });
  EXPECT_EQ(dialog->RunModal(), 0);
  EXPECT_EQ(dialog->cancels, 1);
  Pump(3);
  EXPECT_FALSE(dialog->IsBeingDestroyed());
  EXPECT_EQ(dialog->GetShowState(), kShowNormal) << "its owner destroys it";
  // A modeless dialog's agreed close request lets it close.
  EXPECT_TRUE(dialog->RequestClose(false));
  EXPECT_EQ(dialog->cancels, 2);
}

// ---------------------------------------------------------------------------------------

// The dialog's combo list runs a loop above the dialog's, and a message box from its accept
// another; each ends back in the one that opened it.
class NestedModalLoops : public DialogTest {};

TEST_F(NestedModalLoops, AComboListAndAMessageBoxFromAcceptReturnInOrder) {
  auto* combo = new ComboBox(dialog, 0);
  combo->SetFrameRect({16, 16, 16 + ComboBox::kInitialWidth, 32});
  combo->AddItem(1, "Alpha");
  combo->AddItem(2, "Beta");
  combo->SelectById(1);
  Window::SetFocus(combo, 0);
  std::vector<std::string> trail;
  int32_t box_answer = -1;
  bool dialog_top_after_box = false;
  dialog->on_accept = [&, this] {
    trail.push_back("accept");
    box_answer = MessageBoxWindow::Show("Sure?", nullptr, {"Yes", "No"});
    dialog_top_after_box = wm->TopModalWindow() == dialog;
    trail.push_back("box returned");
    return box_answer == 0;
  };
  WhenUp([this] { Tap(Key::Down); });  // opens the list
  platform.Then([combo](FakePlatform& p) { return p.wm->TopModalWindow() == combo; });
  Next([&, this] {
    trail.push_back("list open, depth " + std::to_string(wm->ModalDepth()));
    Tap(Key::Down);   // the next item
    Tap(Key::Enter);  // closes the list only
  });
  Next([&, this, combo] {
    trail.push_back(std::string(wm->TopModalWindow() == dialog ? "dialog" : "other") +
                    " on top, list " + (combo->IsOpen() ? "open" : "closed"));
    EXPECT_EQ(dialog->accepts, 0) << "Enter in the open list pressed OK";
    Tap(Key::Enter);  // OK: accept asks
  });
  platform.Then([](FakePlatform& p) { return TopModalIs(*p.wm, "Sure?"); });
  Next([&, this] {
    trail.push_back("box open, depth " + std::to_string(wm->ModalDepth()));
    Tap(Key::Enter);  // "Yes"
  });
  EXPECT_EQ(dialog->RunModal(), 1);
  trail.push_back("dialog returned");
  EXPECT_EQ(trail,
            (std::vector<std::string>{"list open, depth 2", "dialog on top, list closed", "accept",
                                      "box open, depth 2", "box returned", "dialog returned"}));
  EXPECT_EQ(combo->SelectedId(), 2u);
  EXPECT_EQ(box_answer, 0);
  EXPECT_TRUE(dialog_top_after_box);
  EXPECT_EQ(wm->ModalDepth(), 0);
  EXPECT_FALSE(platform.budget_exhausted);
}

// A context menu's command opens the dialog: the menu's loop is over by then, the dialog's
// own loop runs in the command, and both return to their callers in order.
struct DialogCommand : has_slots<void> {
  TestDialog* dialog = nullptr;
  WindowManager* wm = nullptr;
  std::vector<std::string> trail;
  void OnCommand(intptr_t item) {
    if (!item) return;
    trail.push_back("command at depth " + std::to_string(wm->ModalDepth()));
    trail.push_back(dialog->RunModal() == 1 ? "dialog accepted" : "dialog cancelled");
  }
};

TEST_F(NestedModalLoops, AMenuCommandsDialogReturnsToTheMenuThatRanIt) {
  auto* menu = new Menu(false);
  menu->AddItem("Edit...", 7);
  DialogCommand command;
  command.dialog = dialog;
  command.wm = wm.get();
  Connect<&DialogCommand::OnCommand>(menu->command, &command);
  platform.Then([menu](FakePlatform&) { return menu->IsRunning(); });
  Next([this] {
    Tap(Key::Down);
    Tap(Key::Enter);
  });
  WhenUp([this] { Tap(Key::Enter); });  // OK
  MenuItem* chosen = menu->PopUpAt({40, 40});
  command.trail.push_back("menu returned");
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(chosen->WindowId(), 7);
  EXPECT_EQ(command.trail,
            (std::vector<std::string>{"command at depth 0", "dialog accepted", "menu returned"}));
  EXPECT_EQ(dialog->accepts, 1);
  EXPECT_EQ(wm->ModalDepth(), 0);
  EXPECT_FALSE(platform.budget_exhausted);
}

TEST_F(NestedModalLoops, DecliningTheBoxKeepsTheDialogOpenWithItsFocus) {
  auto* field = AddBox(TextBox::kLineField, {16, 16, 200, 36});
  Window::SetFocus(field, 0);
  dialog->on_accept = [] { return MessageBoxWindow::Show("Sure?", nullptr, {"Yes", "No"}) == 0; };
  Window* focus_after = nullptr;
  bool open = false;
  WhenUp([this] { Tap(Key::Enter); });
  platform.Then([](FakePlatform& p) { return TopModalIs(*p.wm, "Sure?"); });
  Next([this] { Tap(Key::Escape); });  // "No"
  Next([&, this] {
    open = wm->TopModalWindow() == dialog && dialog->IsVisible();
    focus_after = wm->Focus();
    Tap(Key::Escape);
  });
  EXPECT_EQ(dialog->RunModal(), 0);
  EXPECT_TRUE(open);
  EXPECT_EQ(focus_after, field);
  EXPECT_EQ(dialog->accepts, 1);
}

}  // namespace
