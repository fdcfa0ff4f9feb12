#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "gui/Window.h"

class StructEditor;
class TiXmlElement;

// The cells of a layout element in rows and columns. A column is as wide as its widest cell
// plus 4, a row as high as its tallest cell, rows 1 pixel apart. A table with a `text`
// attribute (even an empty one) is framed: 48 wider, 36 higher and 24 more for a title, its
// cells starting at (24, 40) with a title and (24, 16) without.
class Table : public Window {
 public:
  enum Align : int32_t { kLeft = 0, kRight = 1, kCenter = 2 };
  struct Cell {
    Window* window = nullptr;
    bool nested = false;  // a nested Table (a `frame`)
  };

  static constexpr int32_t kColumnPad = 4;
  static constexpr int32_t kFrameWidth = 48;
  static constexpr int32_t kFrameHeight = 36;
  static constexpr int32_t kTitleHeight = 24;

  Table(Window* parent, uint32_t flags = WindowFlag::Visible);

  // The table of a layout element (a `structedit` or a `frame`) with its controls made by
  // `editor`, measured and placed.
  static Table* Build(const TiXmlElement& element, StructEditor& editor, Window* parent);

  // Column widths from the cells (or the given ones where they are wider), then the table's
  // size and every cell's place.
  void LayOut(const std::vector<int32_t>* at_least = nullptr);
  // Rows added below the cells (the top editor's button row); a framed table's frame stops
  // above them.
  void SetExtraHeight(int32_t extra);

  const char* GetClassName() const override { return "Table"; }
  bool RequestClose(bool forced) override;
  void DrawBackground() override;

  bool framed() const { return framed_; }
  bool stretch() const { return stretch_; }
  int32_t align() const { return align_; }
  const std::vector<std::vector<Cell>>& rows() const { return rows_; }
  const std::vector<int32_t>& column_widths() const { return column_widths_; }
  // Where the first cell goes.
  Point Origin() const;

 private:
  void AddCell(const TiXmlElement& child, StructEditor& editor);

  bool framed_ = false;
  std::string title_;
  std::vector<std::vector<Cell>> rows_;
  std::vector<int32_t> column_widths_;
  bool stretch_ = false;
  int32_t align_ = kLeft;
  int32_t extra_height_ = 0;
};
