#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "gui/Draw.h"
#include "gui/Painter.h"
#include "gui/ScrollableWindow.h"
#include "structs/Dialog.h"

class DialogEdit;

// The dialog editor's canvas: the dialog's rectangle as a panel 16 pixels in from the top left,
// its controls outlined with their ids and texts, the selected one in orange with a readout of
// its position or size. It turns presses, drags and keys into the editor's operations.
class DialogView : public ScrollableWindow {
 public:
  static constexpr int32_t kMargin = 16;
  static constexpr Color kOutline = MakeColor(255, 255, 255);
  static constexpr Color kSelected = MakeColor(255, 127, 0);  // 0xFF007FFF
  static constexpr Color kReadoutBack = MakeColor(0, 0, 0, 0xC0);
  static constexpr Color kReadoutBorder = MakeColor(255, 255, 255, 0x7F);
  static constexpr Color kPanel = MakeColor(40, 44, 52);

  DialogView(DialogEdit* editor, Window* parent);

  // Dialog coordinates of a screen point, and back.
  Point ToDialog(Point screen) const;
  Point ToScreen(Point dialog) const;
  // The cursor the zone shows.
  static int32_t CursorFor(Dialog::Zone zone);
  // Shows the cursor of the zone under a screen point with the modifiers `mods` held; the
  // arrow away from the canvas's client area.
  void ShowZoneCursor(Point screen, int32_t mods);
  // The readout box of the selected control, in screen coordinates; empty without one.
  Rect ReadoutRect() const;

  const char* GetClassName() const override { return "DialogView"; }
  void Draw() override;
  bool OnKey(InputEvent& event) override;
  void OnMouseButton(InputEvent& event) override;
  void OnDoubleClick(InputEvent& event) override;
  void OnMouseMove(InputEvent& event) override;
  void OnTrackMouse(Point start, Point current, int32_t phase) override;

 protected:
  void OnScrolled() override { InvalidateClient(); }

 private:
  DialogEdit* editor_ = nullptr;
  std::vector<std::string> labels_;  // kept between frames for their storage
  std::vector<TextRun> runs_;
};
