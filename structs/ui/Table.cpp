#include "structs/ui/Table.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstring>

#include "gui/Draw.h"
#include "gui/SkinIds.h"
#include "gui/WindowManager.h"
#include "structs/ui/StructEditor.h"

namespace {
bool AttributeIs(const TiXmlElement& element, const char* name, const char* value) {
  const char* text = element.Attribute(name);
  return text && std::strcmp(text, value) == 0;
}
}  // namespace

Table::Table(Window* parent, uint32_t flags) : Window(flags, parent) {}

Table* Table::Build(const TiXmlElement& element, StructEditor& editor, Window* parent) {
  auto* table = new Table(parent);
  if (const char* text = element.Attribute("text")) {
    table->framed_ = true;
    table->title_ = text;
    table->SetTitle(text);
  }
  table->stretch_ = AttributeIs(element, "stretch", "true");
  if (AttributeIs(element, "align", "right")) table->align_ = kRight;
  if (AttributeIs(element, "align", "center")) table->align_ = kCenter;

  const bool horizontal = AttributeIs(element, "layout", "horizontal");
  const bool as_table = AttributeIs(element, "layout", "table");
  if (horizontal) {
    table->rows_.emplace_back();
    for (const TiXmlElement* c = element.FirstChildElement(); c; c = c->NextSiblingElement()) {
      table->AddCell(*c, editor);
    }
  } else if (as_table) {
    // The first row is the first child whatever its name; later rows are `row` elements.
    const TiXmlElement* first = element.FirstChildElement();
    for (const TiXmlElement* r = first; r; r = r->NextSiblingElement()) {
      if (r != first && std::strcmp(r->Value(), "row") != 0) continue;
      table->rows_.emplace_back();
      for (const TiXmlElement* c = r->FirstChildElement(); c; c = c->NextSiblingElement()) {
        table->AddCell(*c, editor);
      }
    }
  } else {
    for (const TiXmlElement* c = element.FirstChildElement(); c; c = c->NextSiblingElement()) {
      table->rows_.emplace_back();
      table->AddCell(*c, editor);
    }
  }
  // Rows whose children all yielded nothing take no room.
  std::erase_if(table->rows_, [](const std::vector<Cell>& row) { return row.empty(); });

  if (!horizontal && !as_table && AttributeIs(element, "alignchildren", "true")) {
    std::vector<int32_t> widest;
    std::vector<Table*> frames;
    for (const auto& row : table->rows_) {
      for (const Cell& cell : row) {
        if (!cell.nested) continue;
        auto* frame = static_cast<Table*>(cell.window);
        frames.push_back(frame);
        const auto& widths = frame->column_widths();
        if (widest.size() < widths.size()) widest.resize(widths.size(), 0);
        for (size_t i = 0; i < widths.size(); ++i) widest[i] = std::max(widest[i], widths[i]);
      }
    }
    for (Table* frame : frames) frame->LayOut(&widest);
  }
  table->LayOut();
  return table;
}

void Table::AddCell(const TiXmlElement& child, StructEditor& editor) {
  if (std::strcmp(child.Value(), "frame") == 0) {
    Table* nested = Build(child, editor, this);
    rows_.back().push_back({nested, true});
    return;
  }
  if (Window* control = editor.MakeChild(child, this)) rows_.back().push_back({control, false});
}

Point Table::Origin() const {
  if (!framed_) return {0, 0};
  return {24, title_.empty() ? 16 : 40};
}

void Table::LayOut(const std::vector<int32_t>* at_least) {
  size_t columns = 0;
  for (const auto& row : rows_) columns = std::max(columns, row.size());
  column_widths_.assign(columns, 0);
  for (const auto& row : rows_) {
    for (size_t c = 0; c < row.size(); ++c) {
      column_widths_[c] =
          std::max(column_widths_[c], row[c].window->FrameRect().Width() + kColumnPad);
    }
  }
  if (at_least) {
    for (size_t c = 0; c < columns && c < at_least->size(); ++c) {
      column_widths_[c] = std::max(column_widths_[c], (*at_least)[c]);
    }
  }
  const Point origin = Origin();
  int32_t y = origin.y;
  for (const auto& row : rows_) {
    int32_t height = 0;
    for (const Cell& cell : row) height = std::max(height, cell.window->FrameRect().Height());
    int32_t x = origin.x;
    for (size_t c = 0; c < row.size(); ++c) {
      Window* w = row[c].window;
      const int32_t column = column_widths_[c];
      int32_t width = w->FrameRect().Width();
      if (stretch_) width = column;
      int32_t offset = 0;
      if (align_ == kRight) offset = column - width;
      if (align_ == kCenter) offset = (column - width) / 2;
      const int32_t cell_height = w->FrameRect().Height();
      w->SetFrameRect({x + offset, y, x + offset + width, y + cell_height});
      x += column;
    }
    y += height + 1;
  }
  int32_t width = 0;
  for (int32_t w : column_widths_) width += w;
  int32_t height = y - origin.y;
  if (framed_) {
    width += kFrameWidth;
    height += kFrameHeight + (title_.empty() ? 0 : kTitleHeight);
  }
  const Rect frame = FrameRectInParent();
  SetFrameRect({frame.left, frame.top, frame.left + width, frame.top + height + extra_height_});
}

void Table::SetExtraHeight(int32_t extra) {
  const Rect frame = FrameRectInParent();
  SetFrameRect({frame.left, frame.top, frame.right, frame.bottom - extra_height_ + extra});
  extra_height_ = extra;
}

bool Table::RequestClose(bool forced) {
  WindowManager& wm = WM();
  if (wm.IsInModalStack(this, false)) {
    wm.EndModal(this, 0);
    return false;
  }
  return Window::RequestClose(forced);
}

void Table::DrawBackground() {
  Window::DrawBackground();
  if (!framed_) return;
  const Rect& client = ClientRect();
  const int32_t w = client.Width();
  const int32_t h = client.Height() - extra_height_;
  // The frame runs through the middle of the title's line; the title sits on it.
  const int32_t top = title_.empty() ? 8 : 20;
  DrawSkinBorder({8, top, w - 8, h - 8}, kSkinThinBorderEdge, kSkinThinBorderCorner,
                 FrameSide::All);
  if (!title_.empty()) {
    SetDrawColor(0xFFFFFFFF);
    DrawText(GetFont(), title_, 0, 0, {16, 10, w - 16, 34});
  }
}
