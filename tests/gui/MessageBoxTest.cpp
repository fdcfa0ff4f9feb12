#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "gui/Button.h"
#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/MessageBoxWindow.h"
#include "gui/TextBox.h"
#include "support/MonoFont.h"
#include "support/WmHarness.h"

namespace {

// Characters are 6 pixels wide and lines 12 high (14 a line when measured); without a theme
// buttons are 24 high.
class MessageBoxTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    SetDefaultFont(&font);
  }
  void TearDown() override {
    WmTest::TearDown();
    SetDefaultFont(nullptr);
  }
  // Runs `act` on the box once it is the top modal window.
  void OnBox(const char* title, std::function<void(MessageBoxWindow*)> act) {
    platform.Then([title](FakePlatform& p) { return TopModalIs(*p.wm, title); });
    platform.Then([act](FakePlatform& p) {
      act(dynamic_cast<MessageBoxWindow*>(p.wm->TopModalWindow()));
      return true;
    });
  }
  // Then, at the next poll (after the events queued before were processed).
  void Next(std::function<void()> act) {
    platform.Then([act](FakePlatform&) {
      act();
      return true;
    });
  }
  void CtrlW() {
    Key(Key::Control, true);
    Tap('W');
    Key(Key::Control, false);
  }
  static Point Centre(const Window* w) {
    const Rect& r = w->FrameRect();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  Font font{MonoFontData()};
};

// ---------------------------------------------------------------------------------------

class MessageBoxLayout : public MessageBoxTest {
 protected:
  struct Seen {
    Rect client;
    std::vector<Rect> buttons;
    int32_t column = 0;
    Rect field;
  };
  // Shows the box, notes where everything is and dismisses it.
  Seen Look(const char* message, std::initializer_list<const char*> labels) {
    Seen seen;
    OnBox("Look", [&seen, this](MessageBoxWindow* box) {
      seen.client = box->ClientRect();
      for (int32_t i = 0; i < box->ButtonCount(); ++i) {
        seen.buttons.push_back(box->GetButton(i)->FrameRect());
      }
      seen.column = box->TextColumn();
      Tap(Key::Escape);
    });
    MessageBoxWindow::Show("Look", message, labels);
    return seen;
  }
};

TEST_F(MessageBoxLayout, ShortLabelsStillMakeButtons96WideAnd24Apart) {
  const Seen s = Look(nullptr, {"Quit", "Don't Quit"});
  ASSERT_EQ(s.buttons.size(), 2u);
  EXPECT_EQ(s.buttons[0].Width(), 96);
  EXPECT_EQ(s.buttons[1].Width(), 96);
  EXPECT_EQ(s.buttons[1].left - s.buttons[0].right, 24);
  EXPECT_EQ(s.buttons[0].Height(), 24);
  // Without a message the column is the button row; 32 around it.
  EXPECT_EQ(s.column, 96 + 24 + 96);
  EXPECT_EQ(s.client.Width(), s.column + 64);
  EXPECT_EQ(s.client.Height(), 24 + 64);
  EXPECT_EQ(s.buttons[0].left - s.client.left, 32);
  EXPECT_EQ(s.buttons[0].top - s.client.top, 32);
}

TEST_F(MessageBoxLayout, ALongLabelMakesItsButtonLabelPlus32Wide) {
  const Seen s = Look(nullptr, {"A rather long label here"});  // 24 characters: 144 pixels
  ASSERT_EQ(s.buttons.size(), 1u);
  EXPECT_EQ(s.buttons[0].Width(), 144 + 32);
}

TEST_F(MessageBoxLayout, ALongMessageIsWrappedAt512AndTheButtonsCentredBelowIt) {
  // "word " is 30 pixels: 17 words to a line of 512, so 100 words take 6 lines.
  std::string message;
  for (int i = 0; i < 100; ++i) message += "word ";
  const Seen s = Look(message.c_str(), {"OK"});
  EXPECT_EQ(s.column, 512);
  EXPECT_EQ(s.client.Width(), 512 + 64);
  EXPECT_EQ(s.client.Height(), 32 + 6 * 14 + 24 + 24 + 32);
  ASSERT_EQ(s.buttons.size(), 1u);
  EXPECT_EQ(s.buttons[0].top - s.client.top, 32 + 6 * 14 + 24);
  EXPECT_EQ(s.buttons[0].left - s.client.left, 32 + (512 - 96) / 2);
}

TEST_F(MessageBoxLayout, AMessageNarrowerThanTheButtonsTakesTheRowsWidth) {
  const Seen s = Look("Hi", {"Yes", "No", "Maybe"});
  EXPECT_EQ(s.column, 3 * 96 + 2 * 24);
  EXPECT_EQ(s.buttons[0].left - s.client.left, 32);
  EXPECT_EQ(s.client.Height(), 32 + 14 + 24 + 24 + 32);
}

TEST_F(MessageBoxLayout, TheBoxIsCentredOnTheScreen) {
  Rect frame;
  OnBox("Centred", [&frame, this](MessageBoxWindow* box) {
    frame = box->FrameRect();
    Tap(Key::Escape);
  });
  MessageBoxWindow::Show("Centred", "Somewhere", {"OK"});
  EXPECT_NEAR(frame.left + frame.Width() / 2, 400, 1);
  EXPECT_NEAR(frame.top + frame.Height() / 2, 300, 1);
}

TEST_F(MessageBoxLayout, APromptsFieldIsAtLeast128WideAndFocusedWithItsTextSelected) {
  Rect field_frame, client;
  int32_t column = 0;
  bool focused = false, all_selected = false;
  Rect button;
  OnBox("Name?", [&](MessageBoxWindow* box) {
    TextBox* field = box->Field();
    ASSERT_NE(field, nullptr);
    field_frame = field->FrameRect();
    client = box->ClientRect();
    column = box->TextColumn();
    focused = wm->Focus() == field;
    all_selected = field->SelectedText() == "Unit 1";
    button = box->GetButton(0)->FrameRect();
    Tap(Key::Escape);
  });
  std::string text = "Unit 1";
  MessageBoxWindow::Prompt("Name?", text, {"OK"});
  EXPECT_EQ(column, 128);
  EXPECT_EQ(field_frame.Width(), 128);
  EXPECT_EQ(field_frame.left - client.left, 32);
  EXPECT_TRUE(focused);
  EXPECT_TRUE(all_selected);
  EXPECT_GE(button.top, field_frame.bottom + 24) << "the buttons sit below the field";
  EXPECT_EQ(client.bottom - button.bottom, 32);
}

// ---------------------------------------------------------------------------------------

class MessageBoxResult : public MessageBoxTest {};

TEST_F(MessageBoxResult, QuitIsZeroAndDontQuitIsOneByMouse) {
  for (int index = 0; index < 2; ++index) {
    OnBox("Really Quit Zarv?", [this, index](MessageBoxWindow* box) {
      const Point p = Centre(box->GetButton(index));
      Click(p.x, p.y);
    });
    EXPECT_EQ(MessageBoxWindow::Show("Really Quit Zarv?", nullptr, {"Quit", "Don't Quit"}), index);
    Pump(2);
  }
  EXPECT_FALSE(platform.budget_exhausted);
}

TEST_F(MessageBoxResult, EachDismissalGivesTheLastButtonAndNoneIsAButtonPress) {
  const std::function<void(MessageBoxWindow*)> dismissals[] = {
      [this](MessageBoxWindow*) { Tap(Key::Escape); },
      [this](MessageBoxWindow*) { CtrlW(); },
      [](MessageBoxWindow* box) { EXPECT_FALSE(box->RequestClose(false)); },
  };
  for (size_t d = 0; d < std::size(dismissals); ++d) {
    SCOPED_TRACE(d);
    int clicks = 0;
    OnBox("Dismiss", [&, d](MessageBoxWindow* box) {
      for (int32_t i = 0; i < box->ButtonCount(); ++i) {
        Connect(
            box->GetButton(i)->clicked, [](void* n, intptr_t) { ++*static_cast<int*>(n); },
            &clicks);
      }
      dismissals[d](box);
    });
    EXPECT_EQ(MessageBoxWindow::Show("Dismiss", nullptr, {"Quit", "Maybe", "Don't Quit"}), 2);
    EXPECT_EQ(clicks, 0);
    OnBox("Dismiss", [&, d](MessageBoxWindow* box) { dismissals[d](box); });
    EXPECT_EQ(MessageBoxWindow::Show("Dismiss", "Only one", {"OK"}), 0);
    Pump(2);
    EXPECT_EQ(wm->Layer1()->ChildCount(), 0) << "the box is deleted after its loop";
  }
  EXPECT_FALSE(platform.budget_exhausted);
}

TEST_F(MessageBoxResult, ABoxWithoutLabelsGetsOK) {
  int32_t count = 0;
  std::string label;
  OnBox("Bare", [&](MessageBoxWindow* box) {
    count = box->ButtonCount();
    label = box->GetButton(0)->GetTitle();
    Tap(Key::Enter);
  });
  EXPECT_EQ(MessageBoxWindow::Show("Bare", "Nothing to press?", {}), 0);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(label, "OK");
  EXPECT_FALSE(platform.budget_exhausted);
}

TEST_F(MessageBoxResult, TheLabelsEndAtTheFirstMissingOneAndAtFour) {
  int32_t counts[2] = {};
  for (int round = 0; round < 2; ++round) {
    OnBox("Labels", [&counts, round, this](MessageBoxWindow* box) {
      counts[round] = box->ButtonCount();
      Tap(Key::Escape);
    });
    if (round == 0) {
      EXPECT_EQ(MessageBoxWindow::Show("Labels", nullptr, {"A", "B", nullptr, "C"}), 1);
    } else {
      EXPECT_EQ(MessageBoxWindow::Show("Labels", nullptr, {"A", "B", "C", "D", "E"}), 3);
    }
  }
  EXPECT_EQ(counts[0], 2);
  EXPECT_EQ(counts[1], 4);
}

TEST_F(MessageBoxResult, TheFocusGoesBackWhereItWas) {
  ProbeWindow* frame = Frame({10, 10, 300, 300});
  auto* control = new ProbeWindow(0, frame, "control");
  control->SetFrameRect({10, 10, 60, 30});
  Window::SetFocus(control, 0);
  OnBox("Back", [this](MessageBoxWindow*) { Tap(Key::Enter); });
  MessageBoxWindow::Show("Back", nullptr, {"OK"});
  EXPECT_EQ(wm->Focus(), control);
}

TEST_F(MessageBoxResult, AWindowClosedWhileTheBoxRanIsNotGivenTheFocus) {
  ProbeWindow* frame = Frame({10, 10, 300, 300});
  ProbeWindow* other = Frame({400, 10, 600, 300});
  Window::SetFocus(other, 0);
  OnBox("Gone", [this, other](MessageBoxWindow*) {
    Window::Close(other);
    Tap(Key::Enter);
  });
  MessageBoxWindow::Show("Gone", nullptr, {"OK"});
  EXPECT_EQ(wm->Focus(), frame) << "the topmost window left";
}

// ---------------------------------------------------------------------------------------

class PromptCopyBack : public MessageBoxTest {};

TEST_F(PromptCopyBack, EnterShowsTheFirstButtonPressedAndItsReleaseCopiesTheText) {
  int32_t state_while_down = -1;
  bool running_while_down = false;
  OnBox("Name?", [&, this](MessageBoxWindow* box) {
    Char('T');
    Char('7');
    Key(Key::Enter, true);
    Next([&, this, box] {
      state_while_down = box->GetButton(0)->GetState();
      running_while_down = wm->IsInModalStack(box, true);
      Key(Key::Enter, false);
    });
  });
  std::string text = "Unit 1";
  EXPECT_EQ(MessageBoxWindow::Prompt("Name?", text, {"Create", "Cancel"}), 0);
  EXPECT_EQ(state_while_down, Button::kPressedOff);
  EXPECT_TRUE(running_while_down);
  EXPECT_EQ(text, "T7") << "typing replaced the selected text";
}

TEST_F(PromptCopyBack, EveryButtonCopiesTheTextBack) {
  OnBox("Name?", [this](MessageBoxWindow*) {
    Key(Key::End, true);
    Key(Key::End, false);
    Char('!');
    Tap(Key::Tab);  // the first button
    Tap(Key::Tab);  // "Cancel"
    Tap(Key::Enter);
  });
  std::string text = "Unit 1";
  EXPECT_EQ(MessageBoxWindow::Prompt("Name?", text, {"Create", "Cancel"}), 1);
  EXPECT_EQ(text, "Unit 1!");
}

TEST_F(PromptCopyBack, ADismissalLeavesTheTextAsItWas) {
  OnBox("Name?", [this](MessageBoxWindow*) {
    Char('X');
    Tap(Key::Escape);
  });
  std::string text = "Unit 1";
  EXPECT_EQ(MessageBoxWindow::Prompt("Name?", text, {"Create", "Cancel"}), 1);
  EXPECT_EQ(text, "Unit 1");
}

TEST_F(PromptCopyBack, AnotherKeyAfterEnterAbandonsThePress) {
  int32_t state_after = -1;
  bool still_running = false;
  OnBox("Name?", [&, this](MessageBoxWindow* box) {
    Key(Key::Enter, true);
    Key(Key::Left, true);
    Key(Key::Left, false);
    Key(Key::Enter, false);
    Next([&, this, box] {
      state_after = box->GetButton(0)->GetState();
      still_running = wm->IsInModalStack(box, true);
      Tap(Key::Escape);
    });
  });
  std::string text = "Unit 1";
  EXPECT_EQ(MessageBoxWindow::Prompt("Name?", text, {"Create", "Cancel"}), 1);
  EXPECT_EQ(state_after, Button::kUp);
  EXPECT_TRUE(still_running) << "the release after another key clicks nothing";
}

// ---------------------------------------------------------------------------------------

class ErrorBox : public MessageBoxTest {
 protected:
  // Waits for the error box, keeps its title, message and buttons, and answers it.
  void Read() {
    OnBox("Error", [this](MessageBoxWindow* box) {
      message = box->Message();
      buttons = box->ButtonCount();
      label = box->GetButton(0)->GetTitle();
      Tap(Key::Enter);
    });
  }
  std::string message;
  int32_t buttons = 0;
  std::string label;
};

TEST_F(ErrorBox, FormatsItsMessageUnderTheTitleErrorWithOK) {
  Read();
  MessageBoxWindow::ShowError("%d of %s could not be read", 3, "the files");
  EXPECT_EQ(message, "3 of the files could not be read");
  EXPECT_EQ(buttons, 1);
  EXPECT_EQ(label, "OK");
  EXPECT_FALSE(platform.budget_exhausted);
}

TEST_F(ErrorBox, CutsTheFormattedMessageAt1024Bytes) {
  const std::string long_name(3000, 'n');
  Read();
  MessageBoxWindow::ShowError("File %s: %s", long_name.c_str(), "too long");
  EXPECT_EQ(message.size(), 1024u);
  EXPECT_EQ(message, ("File " + long_name).substr(0, 1024));
}

}  // namespace
