#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "gui/Button.h"
#include "gui/Window.h"

// The modal message box: a title, an optional message and up to four buttons. Show runs a
// modal loop and returns the index of the pressed button (0 for the first); the box is
// deleted when the loop ends.
class MessageBoxWindow : public Window {
 public:
  static constexpr int32_t kMaxButtons = 4;

  static int32_t Show(const char* title, const char* message,
                      std::initializer_list<const char*> buttons);
  // "Error" with the single button "OK"; the message is cut at 1024 bytes.
  static void ShowError(const char* format, ...) __attribute__((format(printf, 1, 2)));

  MessageBoxWindow(const char* title, const char* message,
                   std::initializer_list<const char*> buttons);
  const char* GetClassName() const override { return "MessageBoxWindow"; }
  bool OnKey(InputEvent& event) override;
  void Draw() override;
  bool RequestClose(bool forced) override;

  const std::string& Message() const { return message_; }
  Button* GetButton(int32_t index) const;
  int32_t ButtonCount() const { return static_cast<int32_t>(buttons_.size()); }

 private:
  void OnButton(intptr_t id);
  void Layout();

  std::string message_;
  std::vector<Button*> buttons_;
  int32_t column_ = 0;
};
