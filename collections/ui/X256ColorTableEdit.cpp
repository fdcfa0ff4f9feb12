#include "collections/ui/X256ColorTableEdit.h"

#include <algorithm>

#include "collections/Collection.h"
#include "collections/CollectionChange.h"
#include "collections/ColorTableFile.h"
#include "collections/ui/X256EditHost.h"
#include "gui/Choosers.h"
#include "gui/Draw.h"
#include "gui/Menu.h"
#include "gui/MessageBoxWindow.h"
#include "gui/Painter.h"
#include "gui/WindowManager.h"
#include "tags/ui/TagEdit.h"

X256ColorTableEdit::X256ColorTableEdit(X256EditHost& host, Window* parent)
    : Window(WindowFlag::Visible, parent), host_(host) {
  SetTitle("Color Table");
}

void X256ColorTableEdit::Refresh() {
  InvalidateClient();
}

int32_t X256ColorTableEdit::Columns() const {
  return std::clamp(ClientRect().Width() / kCell, 1, kCount);
}

Rect X256ColorTableEdit::CellRect(int32_t index) const {
  const int32_t columns = Columns();
  const int32_t x = (index % columns) * kCell;
  const int32_t y = (index / columns) * kCell;
  return {x, y, x + kCell, y + kCell};
}

int32_t X256ColorTableEdit::CellAt(Point p) const {
  const int32_t x = p.x - ClientRect().left;
  const int32_t y = p.y - ClientRect().top;
  if (x < 0 || y < 0) return -1;
  const int32_t column = x / kCell;
  if (column >= Columns()) return -1;
  const int32_t index = (y / kCell) * Columns() + column;
  return index < kCount ? index : -1;
}

void X256ColorTableEdit::Draw() {
  const auto& palette = host_.EditedCollection().palette;
  for (int32_t i = 0; i < kCount; ++i) {
    const Rect r = CellRect(i);
    const size_t at = static_cast<size_t>(i) * 3;
    // A dark line between cells keeps neighbours of one colour apart.
    SetDrawColor(MakeColor(40, 40, 40));
    FillRect(r);
    SetDrawColor(MakeColor(palette[at], palette[at + 1], palette[at + 2]));
    FillRect({r.left + 1, r.top + 1, r.right - 1, r.bottom - 1});
  }
  const Rect c = CellRect(current_);
  SetDrawColor(kWhite);
  FillRect({c.left, c.top, c.right, c.top + 1});
  FillRect({c.left, c.bottom - 1, c.right, c.bottom});
  FillRect({c.left, c.top, c.left + 1, c.bottom});
  FillRect({c.right - 1, c.top, c.right, c.bottom});
}

void X256ColorTableEdit::ChooseEntry(int32_t index) {
  if (index < 0 || index >= kCount) return;
  const auto& palette = host_.EditedCollection().palette;
  const size_t at = static_cast<size_t>(index) * 3;
  uint8_t rgb[3] = {palette[at], palette[at + 1], palette[at + 2]};
  if (ChooseColor(rgb)) SetEntry(index, rgb);
}

void X256ColorTableEdit::SetEntry(int32_t index, const uint8_t rgb[3]) {
  if (index < 0 || index >= kCount) return;
  auto& palette = host_.EditedCollection().palette;
  const size_t at = static_cast<size_t>(index) * 3;
  if (palette[at] == rgb[0] && palette[at + 1] == rgb[1] && palette[at + 2] == rgb[2]) return;
  auto change = host_.BeginChange();
  std::copy(rgb, rgb + 3, palette.begin() + static_cast<std::ptrdiff_t>(at));
  host_.Commit(std::move(change), X256EditHost::kPalette);
  InvalidateClient();
}

std::string X256ColorTableEdit::DefaultTableName() const {
  for (const Window* w = Parent(); w; w = w->Parent()) {
    if (const auto* editor = dynamic_cast<const TagEdit*>(w)) {
      return editor->header().Name() + ".act";
    }
  }
  return "Untitled.act";
}

bool X256ColorTableEdit::SaveTableTo(const std::string& path, std::string& error) {
  return ColorTableFile::writeColorTable(path, host_.EditedCollection().palette, kCount, error);
}

bool X256ColorTableEdit::LoadTableFrom(const std::string& path, std::string& error) {
  ColorTableFile::Palette palette{};
  uint32_t count = 0;
  if (!ColorTableFile::readColorTable(path, palette, count, error)) return false;
  auto change = host_.BeginChange();
  host_.EditedCollection().palette = palette;
  host_.Commit(std::move(change), X256EditHost::kPalette);
  InvalidateClient();
  return true;
}

void X256ColorTableEdit::SaveTable() {
  ChosenFile file;
  file.path = DefaultTableName();
  if (!ChooseSaveFile("Export Color Table", file, FileKindId::kColorTable, nullptr)) return;
  std::string error;
  if (!SaveTableTo(file.path, error)) MessageBoxWindow::ShowError("%s", error.c_str());
}

void X256ColorTableEdit::LoadTable() {
  ChosenFile file;
  if (!ChooseOpenFile("Import Color Table", file, FileKindId::kColorTable, nullptr)) return;
  std::string error;
  if (!LoadTableFrom(file.path, error)) MessageBoxWindow::ShowError("%s", error.c_str());
}

void X256ColorTableEdit::ShowMenu(Point screen_point) {
  auto* menu = new Menu(false);
  if (GetFont()) menu->SetFont(GetFont());
  menu->AddItem("Save Color Table As...", kSaveTable, true);
  menu->AddItem("Load Color Table...", kLoadTable, true);
  const int32_t id = menu->PopUpOnce(screen_point);
  if (id == kSaveTable) SaveTable();
  if (id == kLoadTable) LoadTable();
}

bool X256ColorTableEdit::OnKey(InputEvent& event) {
  if (event.b != 1) return false;
  const int32_t columns = Columns();
  int32_t next = current_;
  switch (event.a) {
    case Key::Enter:
    case ' ':
      ChooseEntry(current_);
      return true;
    case Key::Left:
      next = current_ - 1;
      break;
    case Key::Right:
      next = current_ + 1;
      break;
    case Key::Up:
      next = current_ - columns;
      break;
    case Key::Down:
      next = current_ + columns;
      break;
    default:
      return false;
  }
  if (next >= 0 && next < kCount && next != current_) {
    current_ = next;
    InvalidateClient();
  }
  return true;
}

void X256ColorTableEdit::OnMouseButton(InputEvent& event) {
  if (event.d != 1) return;
  const Point p{event.a, event.b};
  if (event.c == 1) {
    ShowMenu(p);
    return;
  }
  if (event.c != 0) return;
  Window::SetFocus(this, 0);
  const int32_t cell = CellAt(p);
  if (cell >= 0 && cell != current_) {
    current_ = cell;
    InvalidateClient();
  }
}

void X256ColorTableEdit::OnDoubleClick(InputEvent& event) {
  if (event.c != 0) return;
  const int32_t cell = CellAt({event.a, event.b});
  if (cell < 0) return;
  current_ = cell;
  InvalidateClient();
  ChooseEntry(cell);
}
