#include "tools/zarv-gallery/GalleryWindow.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "base/CharMap.h"
#include "gui/Button.h"
#include "gui/CheckBox.h"
#include "gui/Choosers.h"
#include "gui/ColorButton.h"
#include "gui/ComboBox.h"
#include "gui/DialogWindow.h"
#include "gui/Draw.h"
#include "gui/GridWindow.h"
#include "gui/ListWindow.h"
#include "gui/MessageBoxWindow.h"
#include "gui/Platform.h"
#include "gui/SplitterWindow.h"
#include "gui/TabWindow.h"
#include "gui/TextBox.h"
#include "gui/WindowManager.h"
#include "tools/zarv-gallery/GalleryView.h"

namespace {

using Json = nlohmann::json;

constexpr uint32_t kFrameFlags = WindowFlag::Visible | WindowFlag::TitleBar |
                                 WindowFlag::ThickFrame | WindowFlag::Resizable |
                                 WindowFlag::BackgroundA | WindowFlag::CloseButton;

// Texts leave the program in UTF-8.
std::string Utf8(std::string_view text) {
  return ProgramCharMap().NarrowToUtf8(text);
}

void Report(const Json& line) {
  std::printf("%s\n", line.dump().c_str());
  std::fflush(stdout);
}

enum ButtonId : int32_t {
  kSaveImage = 1,
  kOpenImage,
  kOpenImages,
  kFolderImage,
  kColour,
  kCopyImage,
  kPasteImage,
  kDialog,
  kAsk,
  kButtonCount = kAsk
};

// The test pattern copy-image puts on the clipboard: 37 × 23, pixel (x, y) is
// (7x, 11y, 3(x + y)) mod 256.
std::vector<uint8_t> Pattern(int32_t width, int32_t height) {
  std::vector<uint8_t> rgb;
  rgb.reserve(static_cast<size_t>(width) * height * 3);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      rgb.push_back(static_cast<uint8_t>(7 * x));
      rgb.push_back(static_cast<uint8_t>(11 * y));
      rgb.push_back(static_cast<uint8_t>(3 * (x + y)));
    }
  }
  return rgb;
}

std::string Crc32(const std::vector<uint8_t>& bytes) {
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08lx", crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
  return hex;
}

class Page : public Window {
 public:
  Page(Window* parent, const char* title) : Window(WindowFlag::Visible, parent) {
    SetTitle(title);
    auto* label = new TextBox(0, this);
    label->SetText(std::string("Page ") + title);
    label->SetFrameRect({12, 12, 212, 32});
  }
  const char* GetClassName() const override { return "GalleryPage"; }
};

}  // namespace

GalleryWindow::GalleryWindow() : Window(kFrameFlags, nullptr) {
  SetTitle("Zarv Gallery");
  static const char* const kBoxNames[7] = {"label",    "readonly", "integer", "number",
                                           "longtext", "line",     "editor"};
  for (int32_t mode = 0; mode < 7; ++mode) {
    auto* box = new TextBox(mode, this);
    boxes_.push_back({kBoxNames[mode], box, {}});
  }
  boxes_[0].box->SetText("A label: |bbold|p and plain");
  boxes_[1].box->SetText("Read-only text that can be selected\nand copied, on two lines.");
  for (NamedBox& b : boxes_) {
    b.last = b.box->GetText();
    // The signal does not say which box changed: the handler compares them all.
    Connect<&GalleryWindow::OnText>(b.box->text_changed, this);
    Connect<&GalleryWindow::OnEnter>(b.box->enter, this);
  }
  static const std::pair<const char*, const char*> kButtons[kButtonCount] = {
      {"save-image", "Save..."},      {"open-image", "Open..."}, {"open-images", "Open Several"},
      {"folder-image", "Folder..."},  {"colour", "Colour..."},   {"copy-image", "Copy Image"},
      {"paste-image", "Paste Image"}, {"dialog", "Dialog..."},   {"ask", "Ask..."}};
  for (int32_t i = 0; i < kButtonCount; ++i) {
    auto* b = new Button(this, kButtons[i].second, i + 1);
    Connect<&GalleryWindow::OnButton>(b->clicked_with_id, this);
    buttons_.push_back({kButtons[i].first, b});
  }
  // Ids of their own: the push button and the check box report through another handler.
  push_ = new Button(this, "Push", 1);
  check_ = new CheckBox(this, "Check", 2);
  swatch_ = new ColorButton(this);
  swatch_->SetColor(MakeColor(200, 100, 50, 128));
  Connect<&GalleryWindow::OnPushOrCheck>(push_->clicked_with_id, this);
  Connect<&GalleryWindow::OnPushOrCheck>(check_->clicked_with_id, this);
  Connect<&GalleryWindow::OnSwatch>(swatch_->color_changed, this);
  splitter_ = new SplitterWindow(WindowFlag::Visible, this);
  view_ = new GalleryView(nullptr);
  tabs_ = new TabWindow(WindowFlag::Visible, nullptr);
  splitter_->SetMode(0);
  splitter_->SetOrientation(0);
  splitter_->SetPane(0, view_, 100);
  splitter_->SetPane(1, tabs_, 100);
  new Page(tabs_, "One");
  new Page(tabs_, "Two");
  new Page(tabs_, "Three");

  list_ = new ListWindow(ListStyle::MultiSelect | ListStyle::Header | ListStyle::Draggable,
                         WindowFlag::Visible, this);
  FillList();
  Connect<&GalleryWindow::OnListSelection>(list_->selection_changed, this);
  Connect<&GalleryWindow::OnListDropped>(list_->item_dropped, this);
  Connect<&GalleryWindow::OnListActivated>(list_->activated, this);

  // Sorted in natural order under a pinned, selected "none" entry.
  combo_ = new ComboBox(this, 0);
  static const char* const kComboItems[] = {"Item 10", "item 9",  "Item 9a",
                                            "Rock 2",  "rock 12", "Zed"};
  for (int32_t i = 0; i < 6; ++i) combo_->AddItem(static_cast<uint64_t>(i + 1), kComboItems[i]);
  combo_->SortItems();
  combo_->AddItem(static_cast<uint64_t>(-1), "<none>", true);
  combo_->Fit(16, false);
  combo_->SelectById(static_cast<uint64_t>(-1));
  Connect<&GalleryWindow::OnCombo>(combo_->selection_changed, this);

  // Twelve 32 × 32 cells in four columns, with room to start a rubber band below and beside
  // them (OnResized sizes it).
  grid_ = new GridWindow(GridStyle::MultiSelect, WindowFlag::Visible, this);
  grid_->SetCellSize(32, 32);
  grid_->SetFixedColumnCount(4);
  grid_->SetCellCount(12);
  for (int32_t i = 0; i < 12; ++i) {
    char label[16];
    std::snprintf(label, sizeof label, "Cell %d", i);
    grid_->SetCellLabel(i, label);
  }
  grid_->SetDrawCallback([](int32_t index, uint64_t, const Rect& rect, bool selected) {
    SetDrawColor(selected ? MakeColor(240, 200, 80) : MakeColor(60 + 15 * index, 120, 180));
    FillRect(rect);
    SetDrawColor(kWhite);
  });
  Connect<&GalleryWindow::OnGridSelection>(grid_->selection_changed, this);

  std::vector<Window*> order;
  for (const NamedBox& b : boxes_) {
    if (b.box->IsEditable() || b.box->IsSelectable()) order.push_back(b.box);
  }
  for (auto& [name, b] : buttons_) order.push_back(b);
  order.insert(order.end(), {push_, check_, swatch_, combo_, list_, grid_});
  SetTabOrder(order);
}

void GalleryWindow::OnResized() {
  // Text boxes down the left, buttons in rows of four under them and a last row of push,
  // check and swatch, the splitter on the right.
  const Rect c = ClientRect();
  const int32_t width = c.Width(), height = c.Height();
  const int32_t column = 360;
  const int32_t rows = static_cast<int32_t>(buttons_.size() + 3) / 4 + 1;
  int32_t y = 8;
  const int32_t heights[7] = {20, 44, 22, 22, 22, 22, 0};
  for (size_t i = 0; i < boxes_.size(); ++i) {
    const int32_t h = i == 6 ? std::max(60, height - y - 8 - rows * 30 - 8) : heights[i];
    boxes_[i].box->SetFrameRect({8, y, 8 + column, y + h});
    y += h + 8;
  }
  int32_t x = 8;
  for (size_t i = 0; i < buttons_.size(); ++i) {
    if (i > 0 && i % 4 == 0) {
      x = 8;
      y += 30;
    }
    buttons_[i].second->SetFrameRect({x, y, x + 86, y + 24});
    x += 92;
  }
  y += 30;
  push_->SetFrameRect({8, y, 8 + 86, y + 24});
  check_->SetFrameRect({100, y, 100 + 86, y + 20});
  swatch_->SetFrameRect({192, y, 192 + 42, y + 20});
  // Right of the text boxes: the splitter on top, the list and the grid below it.
  const int32_t right = column + 16;
  const bool first = splitter_->FrameRect().Width() == 0;
  splitter_->SetFrameRect({right, 8, std::max(right + 210, width - 8), 208});
  if (first) splitter_->SetDividerPosition(splitter_->FrameRect().Width() / 2);
  combo_->SetFrameRect({right, 216, right + 178, 216 + combo_->FrameRect().Height()});
  const int32_t lists_top = 246;
  list_->SetFrameRect({right, lists_top, right + 320, std::max(lists_top + 100, height - 8)});
  // Four columns of cells and 40 pixels beside them; their three rows and 150 below them.
  const int32_t grid_left = right + 332;
  Size grid_size{4 * grid_->HorizontalPitch() + 40, 3 * grid_->VerticalPitch() + 150};
  Size grid_frame;
  grid_->FrameSizeForClient(grid_frame, grid_size);
  grid_->SetFrameRect(
      {grid_left, lists_top, grid_left + grid_frame.width, lists_top + grid_frame.height});
}

std::map<std::string, Rect> GalleryWindow::ControlRects() const {
  std::map<std::string, Rect> rects;
  rects["gallery"] = FrameRect();
  for (const NamedBox& b : boxes_) rects[b.name] = b.box->FrameRect();
  for (const auto& [name, b] : buttons_) rects[name] = b->FrameRect();
  rects["push"] = push_->FrameRect();
  rects["check"] = check_->FrameRect();
  rects["swatch"] = swatch_->FrameRect();
  rects["splitter"] = splitter_->FrameRect();
  rects["view"] = view_->FrameRect();
  rects["tabs"] = tabs_->FrameRect();
  rects["list"] = list_->FrameRect();
  rects["grid"] = grid_->FrameRect();
  rects["combo"] = combo_->FrameRect();
  return rects;
}

// 50,000 rows named as tags are, far from sorted: row i is "<kind> <(i * 7919) mod 50000>"
// with five kinds, two of them differing only in case, and a size of i.
void GalleryWindow::FillList() {
  constexpr int32_t kRows = 50000;
  static constexpr const char* kKinds[] = {"Bush", "Rock", "rock", "Tree", "Unit"};
  list_->AddColumn("Name", "%s", 0, 0, 200, 0);
  list_->AddColumn("Size", "%u", ColumnType::Unsigned, 4, 100, 0);
  sizes_.resize(kRows);
  char name[32];
  for (int32_t i = 0; i < kRows; ++i) {
    sizes_[static_cast<size_t>(i)] = static_cast<uint32_t>(i);
    std::snprintf(name, sizeof name, "%s %05d", kKinds[i % 5],
                  static_cast<int>((static_cast<int64_t>(i) * 7919) % kRows));
    list_->AddItem(nullptr, 0, ListItemFlag::TextOrdered,
                   reinterpret_cast<uint64_t>(&sizes_[static_cast<size_t>(i)]), name);
  }
  list_->Sort();
  list_->Refresh();
}

void GalleryWindow::OnListSelection(intptr_t) {
  const ListItem* current = list_->CurrentItem();
  Report({{"event", "selection"},
          {"name", "list"},
          {"current", current ? Utf8(current->text) : ""},
          {"count", list_->SelectedItems().size()}});
}

void GalleryWindow::OnListDropped(intptr_t drop) {
  const auto* d = reinterpret_cast<const ListWindow::Drop*>(drop);
  const std::string text = d->item ? Utf8(d->item->text) : "";
  if (d->item) list_->MoveItemToRow(d->item, d->row);
  Report({{"event", "dropped"}, {"name", "list"}, {"text", text}, {"row", d->row}});
}

// A double-click edits the cell under the pointer; the "Size" column's text is stored only
// when it reads as a 4-byte unsigned number.
void GalleryWindow::OnListActivated(intptr_t item_arg) {
  auto* item = reinterpret_cast<ListItem*>(item_arg);
  const Point at = WM().MousePosition();
  int32_t column = -1;
  for (int32_t i = 0; i < list_->ColumnCount(); ++i) {
    const ListColumn& c = list_->Column(i);
    const int32_t left = list_->ClientRect().left + c.x - list_->HorizontalPosition();
    if (!(c.flags & ColumnFlag::Hidden) && at.x >= left && at.x < left + c.width) column = i;
  }
  if (!item || column < 0) return;
  bool stored = false;
  bool committed = false;  // the popup ended with a text for the record
  std::string text;
  const bool taken = list_->EditCell(
      item, column, [&](ListItem& edited, uint64_t, int32_t col, void*, const std::string& value) {
        committed = true;
        text = value;
        stored = list_->StoreCell(edited, col, value);
        return stored;
      });
  if (column == 0 && taken) {
    // The name column renames the item itself.
    committed = stored = true;
    text = item->text;
  }
  if (committed) {
    Report({{"event", "edited"},
            {"name", "list"},
            {"column", column},
            {"text", Utf8(text)},
            {"stored", stored}});
  }
}

int32_t GalleryWindow::ListRowHeight() const {
  return list_->RowHeight();
}

void GalleryWindow::OnCombo(intptr_t selection) {
  const auto* s = reinterpret_cast<const ComboBox::Selection*>(selection);
  // Ids are 32-bit values here, -1 for the none entry.
  Report({{"event", "combo"},
          {"name", "combo"},
          {"id", static_cast<int32_t>(s->id)},
          {"text", s->item ? Utf8(s->item->text) : ""}});
}

void GalleryWindow::OnGridSelection(intptr_t) {
  Report({{"event", "selection"}, {"name", "grid"}, {"count", grid_->SelectedCount()}});
}

void GalleryWindow::OnText(intptr_t) {
  for (NamedBox& b : boxes_) {
    std::string text = b.box->GetText();
    if (text == b.last) continue;
    b.last = text;
    Report({{"event", "text"}, {"name", b.name}, {"text", Utf8(text)}});
  }
}

void GalleryWindow::OnEnter(intptr_t pressed) {
  // Only the box with the focus takes Enter.
  for (const NamedBox& b : boxes_) {
    if (b.box->HasFocus()) Report({{"event", "enter"}, {"name", b.name}, {"value", pressed}});
  }
}

void GalleryWindow::ReportChanges() {
  const Window* modal = WM().ModalDepth() > 0 ? WM().TopModalWindow() : nullptr;
  if (modal != last_modal_) {
    last_modal_ = modal;
    // Untitled modal windows (an open combo box) report their class.
    const char* title = modal ? modal->GetTitle() : nullptr;
    if (modal) Report({{"event", "modal"}, {"title", Utf8(title ? title : modal->GetClassName())}});
  }
  if (view_->HorizontalPosition() != last_h_ || view_->VerticalPosition() != last_v_) {
    last_h_ = view_->HorizontalPosition();
    last_v_ = view_->VerticalPosition();
    Report({{"event", "scroll"}, {"name", "view"}, {"h", last_h_}, {"v", last_v_}});
  }
  if (splitter_->DividerPosition() != last_divider_) {
    last_divider_ = splitter_->DividerPosition();
    Report({{"event", "divider"}, {"pos", last_divider_}});
  }
  if (tabs_->CurrentTab() != last_tab_) {
    last_tab_ = tabs_->CurrentTab();
    Report({{"event", "tab"}, {"index", last_tab_}});
  }
}

void GalleryWindow::OnPushOrCheck(intptr_t id) {
  const Button* b = id == 1 ? push_ : check_;
  Report({{"event", "clicked"},
          {"name", id == 1 ? "push" : "check"},
          {"id", id},
          {"state", b->GetState()}});
}

void GalleryWindow::OnSwatch(intptr_t color) {
  const auto c = static_cast<Color>(color);
  Report({{"event", "swatch"},
          {"rgba", Json::array({ColorRed(c), ColorGreen(c), ColorBlue(c), ColorAlpha(c)})}});
}

void GalleryWindow::OnButton(intptr_t id) {
  const char* name = buttons_[static_cast<size_t>(id - 1)].first;
  Platform& platform = WM().GetPlatform();
  switch (id) {
    case kSaveImage:
    case kOpenImage: {
      ChosenFile file;
      const bool ok = id == kSaveImage ? ChooseSaveFile(nullptr, file, FileKindId::kImage, nullptr)
                                       : ChooseOpenFile(nullptr, file, FileKindId::kImage, nullptr);
      Json paths = Json::array();
      if (ok) paths.push_back(Utf8(file.path));
      Report({{"event", "chosen"},
              {"name", name},
              {"ok", ok},
              {"paths", paths},
              {"format", file.file_type}});
      break;
    }
    case kOpenImages: {
      std::vector<ChosenFile> files;
      const bool ok = ChooseOpenFiles(nullptr, files, FileKindId::kImage, nullptr);
      Json paths = Json::array();
      for (const ChosenFile& f : files) paths.push_back(Utf8(f.path));
      Report({{"event", "chosen"},
              {"name", name},
              {"ok", ok},
              {"paths", paths},
              {"format", files.empty() ? 0 : files.front().file_type}});
      break;
    }
    case kFolderImage: {
      std::string folder;
      int32_t format = 0;
      const bool ok = ChooseFolder(nullptr, folder, format, FileKindId::kImage, nullptr);
      Json paths = Json::array();
      if (ok) paths.push_back(Utf8(folder));
      Report(
          {{"event", "chosen"}, {"name", name}, {"ok", ok}, {"paths", paths}, {"format", format}});
      break;
    }
    case kColour: {
      static uint8_t rgb[3] = {64, 128, 192};
      const bool ok = ChooseColor(rgb);
      Report({{"event", "colour"}, {"ok", ok}, {"rgb", Json::array({rgb[0], rgb[1], rgb[2]})}});
      break;
    }
    case kCopyImage: {
      const std::vector<uint8_t> rgb = Pattern(37, 23);
      const bool ok = platform.PutClipboardImage(rgb.data(), 37, 23);
      Report({{"event", "image"},
              {"name", name},
              {"ok", ok},
              {"width", 37},
              {"height", 23},
              {"crc32", Crc32(rgb)}});
      break;
    }
    case kDialog:
      RunDialog();
      break;
    case kAsk: {
      std::string text = "Unit 1";
      const int32_t index = MessageBoxWindow::Prompt("Name?", text, {"Create", "Cancel"});
      Report({{"event", "prompt"}, {"index", index}, {"text", Utf8(text)}});
      break;
    }
    case kPasteImage: {
      std::vector<uint8_t> rgb;
      int32_t width = 0, height = 0;
      const bool ok = platform.GetClipboardImage(rgb, width, height);
      Report({{"event", "image"},
              {"name", name},
              {"ok", ok},
              {"width", ok ? width : 0},
              {"height", ok ? height : 0},
              {"crc32", ok ? Crc32(rgb) : ""}});
      break;
    }
    default:
      break;
  }
}

// A dialog of a multi-line box that takes Enter as a new line and a combo box after it in the
// tab order; OK and Cancel come after the combo box.
void GalleryWindow::RunDialog() {
  auto* dialog = new DialogWindow("Gallery Dialog");
  notes_ = new TextBox(TextBox::kEditor, dialog);
  Connect<&GalleryWindow::OnNotes>(notes_->text_changed, this);
  auto* kind = new ComboBox(dialog, 0);
  static const char* const kKinds[] = {"Bush", "Rock", "Tree"};
  for (int32_t i = 0; i < 3; ++i) kind->AddItem(static_cast<uint64_t>(i + 1), kKinds[i]);
  kind->Fit(3, false);
  kind->SelectById(1);
  dialog->FitToContent(320, 160);
  const Rect content = dialog->ContentRect();
  const int32_t combo_top = content.bottom - kind->RowHeight();
  notes_->SetFrameRect({content.left, content.top, content.right, combo_top - 8});
  kind->SetFrameRect(
      {content.left, combo_top, content.left + ComboBox::kInitialWidth, content.bottom});
  Window::SetTabOrder({notes_, kind});
  dialog->SetTabOrder(kind);
  Window::SetFocus(notes_, 0);
  const int32_t result = dialog->RunModal();
  notes_ = nullptr;
  Window::Close(dialog);
  Report({{"event", "dialog"}, {"result", result}});
}

void GalleryWindow::OnNotes(intptr_t) {
  if (notes_) Report({{"event", "text"}, {"name", "notes"}, {"text", Utf8(notes_->GetText())}});
}
