#pragma once
#include <cstdint>
#include <string>

#include "gui/Window.h"

class Menu;
class X256EditHost;

// Page "Color Table": the 256 palette entries as cells of 22 × 22 pixels, as many to a row as
// fit. A click makes a cell current; a double-click, Enter or Space opens the colour chooser on
// it. The context menu saves the palette to an Adobe Color Table or loads one.
class X256ColorTableEdit : public Window {
 public:
  static constexpr int32_t kCell = 22;
  static constexpr int32_t kCount = 256;
  enum Command : int32_t { kSaveTable = 1, kLoadTable = 2 };

  X256ColorTableEdit(X256EditHost& host, Window* parent);

  const char* GetClassName() const override { return "X256ColorTableEdit"; }
  void Refresh();
  void Draw() override;
  bool OnKey(InputEvent& event) override;
  void OnMouseButton(InputEvent& event) override;
  void OnDoubleClick(InputEvent& event) override;

  int32_t Columns() const;
  // The cell under a screen point, or -1.
  int32_t CellAt(Point screen_point) const;
  // A cell's rectangle in client coordinates.
  Rect CellRect(int32_t index) const;
  int32_t CurrentCell() const { return current_; }

  // Opens the colour chooser on the entry; a confirmed choice is stored as one change.
  void ChooseEntry(int32_t index);
  // Stores one colour (a change when it differs).
  void SetEntry(int32_t index, const uint8_t rgb[3]);
  // The context menu's commands, through the file choosers.
  void SaveTable();
  void LoadTable();
  // Without choosers, for both and for the tests: false with `error` when the file fails.
  bool SaveTableTo(const std::string& path, std::string& error);
  bool LoadTableFrom(const std::string& path, std::string& error);
  // The name proposed for saving: the tag's name with ".act".
  std::string DefaultTableName() const;

 private:
  void ShowMenu(Point screen_point);

  X256EditHost& host_;
  int32_t current_ = 0;
};
