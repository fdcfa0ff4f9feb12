// Fuzz target for text box editing. The input is a script of edits (typing, deleting, moving
// and selecting with and without Shift, pasting, cutting, undoing and redoing) run on an
// editable box. Besides not crashing: undoing every step brings back the text, caret and
// anchor from before the first edit, and redoing every step brings back the text of the last
// one with its caret.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/TextBox.h"
#include "gui/TextBoxAction.h"
#include "gui/WindowManager.h"
#include "tests/support/MonoFont.h"

namespace {

class FuzzPlatform : public Platform {
 public:
  double Now() override { return now += 0.001; }
  void PollEvents() override {}
  void Sleep() override {}
  void Beep() override {}
  void SetCursorShape(int32_t) override {}
  void Present() override {}
  bool PutClipboardText(std::string_view text) override {
    clipboard = std::string(text);
    return true;
  }
  bool GetClipboardText(std::string& text) override {
    text = clipboard;
    return true;
  }
  double now = 0;
  std::string clipboard;
};

struct World {
  World() {
    SetDefaultFont(&font);
    wm = std::make_unique<WindowManager>(platform, nullptr);
    wm->ResizeScreen(800, 600);
    wm->SetInputDisabled(false);
    frame = new Window(WindowFlag::Visible, nullptr);
    frame->SetFrameRect({0, 0, 800, 600});
  }
  FuzzPlatform platform;
  Font font{MonoFontData()};
  std::unique_ptr<WindowManager> wm;
  Window* frame = nullptr;
};

World& TheWorld() {
  static World* world = new World;  // lives until exit, like the editor's window manager
  return *world;
}

// Reads the script a byte at a time; past the end every byte is 0.
struct Script {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  bool More() const { return at < size; }
  uint8_t Next() { return at < size ? data[at++] : 0; }
};

struct State {
  std::string text;
  TextBox::Position caret, anchor;
  bool operator==(const State&) const = default;
};

State Snapshot(const TextBox& box) {
  return {box.GetText(), box.Caret(), box.Anchor()};
}

void Press(TextBox& box, int code, int flags) {
  InputEvent press{code, 1, flags, 0, 0, 0, kEventKey};
  box.OnKey(press);
  InputEvent release{code, 0, flags, 0, 0, 0, kEventKey};
  box.OnKey(release);
}

constexpr int kMoves[] = {Key::Left, Key::Right, Key::Up,     Key::Down,
                          Key::Home, Key::End,   Key::PageUp, Key::PageDown};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  World& world = TheWorld();
  Script script{data, size};
  // Editable kinds only: 2 to 6.
  const int mode = 2 + script.Next() % 5;
  auto* box = new TextBox(mode, world.frame);
  box->SetFrameRect({10, 10, 10 + 40 + script.Next(), 10 + 20 + script.Next() % 64});
  box->SetMaxLength(64 + script.Next());
  Window::SetFocus(box, 0);
  std::string initial;
  for (uint8_t n = script.Next() % 32; n > 0; --n) initial += static_cast<char>(script.Next());
  box->SetText(initial);

  State start = Snapshot(*box);
  State end = start;
  while (script.More()) {
    const UndoableAction* first_step = box->History().First()->Next();
    const State before = Snapshot(*box);
    const uint8_t op = script.Next();
    const int shift = (op & 0x80) ? kModShift : 0;
    switch (op % 10) {
      case 0: {
        InputEvent c{script.Next() | 0x20, 1, 0, 0, 0, 0, kEventChar};
        box->OnChar(c);
        break;
      }
      case 1:
        Press(*box, (op & 0x40) ? Key::Delete : Key::Backspace, 0);
        break;
      case 2:
        Press(*box, kMoves[script.Next() % 8], shift);
        break;
      case 3: {
        const TextBox::Position anchor{script.Next() % 8, script.Next()};
        const TextBox::Position caret{script.Next() % 8, script.Next()};
        box->SetSelection(anchor, caret);
        break;
      }
      case 4: {
        std::string text;
        for (uint8_t n = script.Next() % 16; n > 0; --n) text += static_cast<char>(script.Next());
        world.platform.clipboard = text;
        Press(*box, 'V', kModControl);
        break;
      }
      case 5:
        Press(*box, (op & 0x40) ? 'X' : 'C', kModControl);
        break;
      case 6:
        Press(*box, (op & 0x40) ? 'Y' : 'Z', kModControl);
        break;
      case 7:
        Press(*box, (op & 0x40) ? Key::Enter : Key::Tab, 0);
        break;
      case 8:
        Press(*box, 'A', kModControl);
        break;
      default: {
        InputEvent c{'0' + script.Next() % 10, 1, 0, 0, 0, 0, kEventChar};
        if (op & 0x20) c.a = (op & 0x40) ? '-' : '.';
        box->OnChar(c);
        break;
      }
    }
    // The start is the state the history's first step was made from.
    UndoHistory& history = box->History();
    if (history.First()->Next() != first_step) start = before;
    if (history.CanUndo() && history.Current() == history.Last()) end.text = box->GetText();
    Check(box->Length() == static_cast<int64_t>(box->GetText().size()), "length out of step");
  }

  UndoHistory& history = box->History();
  if (history.CanUndo() || history.CanRedo()) {
    // Without a step left to undo, only the caret may have moved since the last undo.
    const bool undid = history.CanUndo();
    while (history.CanUndo()) box->Undo();
    Check(undid ? Snapshot(*box) == start : box->GetText() == start.text,
          "undoing every step does not restore the start");
    while (history.CanRedo()) box->Redo();
    Check(box->GetText() == end.text, "redoing every step does not restore the end text");
    const auto* last = static_cast<const TextBoxAction*>(history.Last());
    Check(box->Caret() == last->CaretAfter() && box->Anchor() == last->AnchorAfter(),
          "redoing every step does not restore the end caret");
  }
  delete box;
  return 0;
}
