#pragma once
#include <cstdint>

#include "gui/Painter.h"
#include "gui/Window.h"

// A swatch of a colour that opens the colour chooser. The chooser knows only red, green and
// blue: the swatch keeps its alpha through a choice.
class ColorButton : public Window {
 public:
  explicit ColorButton(Window* parent);

  const char* GetClassName() const override { return "ColorButton"; }
  void Draw() override;
  bool OnKey(InputEvent& event) override;
  void OnMouseButton(InputEvent& event) override;

  // Stores and redraws; emits nothing.
  void SetColor(Color color);
  Color GetColor() const { return color_; }

  // Runs the chooser; on OK stores the choice and emits color_changed. True on OK.
  bool Choose();

  Signal color_changed;  // argument: the new colour

 private:
  Color color_ = 0xFFFFFFFFu;
};
