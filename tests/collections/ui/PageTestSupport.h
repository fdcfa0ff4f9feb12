#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeEditHost.h"
#include "gui/Button.h"
#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/MessageBoxWindow.h"
#include "support/MonoFont.h"
#include "support/WmHarness.h"

// The pages on a window-manager harness with the monospaced test font, a fake editor around
// them, and scripted answers to the message boxes they show.
class PageTest : public WmTest {
 protected:
  struct SeenBox {
    std::string title;
    std::string message;
    std::vector<std::string> buttons;
  };

  void SetUp() override {
    WmTest::SetUp();
    SetDefaultFont(&font);
    frame = Frame({0, 0, 700, 500});
  }
  void TearDown() override {
    EXPECT_TRUE(platform.steps.empty()) << "a scripted answer found no box";
    WmTest::TearDown();
    SetDefaultFont(nullptr);
  }
  // The next message box: noted in `seen`, then answered with button `index`.
  void Answer(int32_t index) {
    platform.Then([this, index](FakePlatform& p) {
      auto* box = dynamic_cast<MessageBoxWindow*>(p.wm->TopModalWindow());
      if (!box) return false;
      SeenBox s;
      s.title = box->GetTitle() ? box->GetTitle() : "";
      s.message = box->Message();
      for (int32_t i = 0; i < box->ButtonCount(); ++i)
        s.buttons.push_back(box->GetButton(i)->GetTitle());
      seen.push_back(s);
      box->GetButton(index)->SetState(Button::kOn, false);
      return true;
    });
  }

  Font font{MonoFontData()};
  FakeEditHost host;
  ProbeWindow* frame = nullptr;
  std::vector<SeenBox> seen;
};
