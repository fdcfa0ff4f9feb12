#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "gui/Button.h"
#include "gui/Window.h"

class Font;
class TextBox;

// The modal message box: a title, an optional message, an optional one-line text field and up
// to four buttons. Each variant runs a modal loop, returns the index of the pressed button (0
// for the first) and deletes the box when the loop ends.
//
// Dismissing the box without pressing a button (Escape, Ctrl+W, a close request) answers as
// its last button does, the one that declines: "Don't Quit" rather than "Quit".
class MessageBoxWindow : public Window {
 public:
  static constexpr int32_t kMaxButtons = 4;
  static constexpr int32_t kButtonGap = 24;
  static constexpr int32_t kMinButtonWidth = 96;
  static constexpr int32_t kMaxMessageWidth = 512;
  static constexpr int32_t kMinFieldWidth = 128;
  static constexpr int32_t kMargin = 32;
  static constexpr size_t kErrorLimit = 1024;

  // Up to four labels, the list ending at the first null one; without any the box has "OK".
  // The message may be null.
  static int32_t Show(const char* title, const char* message,
                      std::initializer_list<const char*> buttons);
  // The same with a field pre-filled with `text`, all of it selected and focused; Enter in it
  // presses the first button. Pressing any button copies the field back into `text`; a
  // dismissal leaves `text` as it was.
  static int32_t Prompt(const char* title, std::string& text,
                        std::initializer_list<const char*> buttons);
  // "Error" with the single button "OK"; the formatted message is cut at 1024 bytes.
  static void ShowError(const char* format, ...) __attribute__((format(printf, 1, 2)));

  // `field_text` non-null makes the prompt variant.
  MessageBoxWindow(const char* title, const char* message,
                   std::initializer_list<const char*> buttons, std::string* field_text = nullptr);
  const char* GetClassName() const override { return "MessageBoxWindow"; }
  bool HandleEvent(Window* target, int32_t type, InputEvent& event) override;
  void Draw() override;
  bool RequestClose(bool forced) override;

  const std::string& Message() const { return message_; }
  Button* GetButton(int32_t index) const;
  int32_t ButtonCount() const { return static_cast<int32_t>(buttons_.size()); }
  TextBox* Field() const { return field_; }
  // Width of the column the message, the field and the button row share.
  int32_t TextColumn() const { return column_; }
  // Label + 32, at least 96.
  static int32_t ButtonWidth(const Font* font, const char* label);

 private:
  int32_t Run();
  void Dismiss();
  void OnButton(intptr_t id);
  void OnFieldEnter(intptr_t down);
  void Layout();
  const Font* TextFont() const;

  std::string* field_text_ = nullptr;
  std::vector<Button*> buttons_;
  TextBox* field_ = nullptr;
  std::string message_;
  int32_t column_ = 0;
  bool enter_pressed_ = false;  // Enter went down in the field and shows the first button pressed
};
