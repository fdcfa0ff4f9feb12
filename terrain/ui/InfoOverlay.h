#pragma once
#include <string>

#include "gui/Painter.h"
#include "gui/Window.h"

// Lines of text on translucent black in a corner of the mesh editor, over its view. The text is
// kept in a buffer reserved once, so that refreshing it every frame allocates nothing.
class InfoOverlay : public Window {
 public:
  static constexpr int32_t kPadding = 6;
  static constexpr int32_t kWidth = 300;
  static constexpr Color kBackground = MakeColor(0, 0, 0, 160);

  explicit InfoOverlay(Window* parent);
  const char* GetClassName() const override { return "InfoOverlay"; }
  void Draw() override;
  // Never hit: the pointer paints and turns the view beneath.
  uint32_t HitTest(Point /*screen_point*/) const override { return Part::None; }
  // Redraws when the text changed; true then.
  bool SetText(const char* text);
  const std::string& text() const { return text_; }
  // The height its lines need.
  int32_t NeededHeight() const;

 private:
  std::string text_;
};
