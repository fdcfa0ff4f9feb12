#include "gui/ChooserDialog.h"

#include <sys/stat.h>

#include <algorithm>

#include "base/CharMap.h"
#include "gui/Button.h"
#include "gui/ComboBox.h"
#include "gui/ListItem.h"
#include "gui/ListWindow.h"
#include "gui/MessageBoxWindow.h"
#include "gui/TextBox.h"
#include "gui/WindowManager.h"

namespace fs = std::filesystem;

namespace {
constexpr uint32_t kDialogFlags = WindowFlag::TitleBar | WindowFlag::ThickFrame |
                                  WindowFlag::BackgroundA | WindowFlag::DropShadow |
                                  WindowFlag::CloseButton | WindowFlag::Centered |
                                  WindowFlag::FloatingLayer;
constexpr int32_t kWidth = 600;
constexpr int32_t kMargin = 8;
constexpr int32_t kRow = 24;
constexpr int32_t kRowGap = 6;
constexpr int32_t kListHeight = 300;
constexpr int32_t kLabelWidth = 110;
constexpr int32_t kButtonWidth = 100;
constexpr int32_t kFieldMaxLength = 4096;
constexpr intptr_t kConfirmId = 1;
constexpr intptr_t kCancelId = 2;
constexpr Color kFolderText = MakeColor(255, 230, 150);

std::string Shown(const std::string& bytes) {
  return ProgramCharMap().Utf8ToNarrow(bytes);
}

const char* ConfirmLabel(ChooserOp op) {
  switch (op) {
    case ChooserOp::kSave:
      return "Save";
    case ChooserOp::kFolder:
      return "Select";
    default:
      return "Open";
  }
}

bool IsFile(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

// Each file type as "PNG Image (*.png)", its id the type's index.
void AddTypes(ComboBox* combo, const FileKind& kind) {
  for (size_t i = 0; i < kind.filters.size(); ++i) {
    const FileFilter& f = kind.filters[i];
    combo->AddItem(i, std::string(f.name) + " (" + std::string(f.pattern) + ")");
  }
}

// Centred in a row of the dialog: the closed combo box keeps its own height.
void PlaceCombo(ComboBox* combo, int32_t left, int32_t top, int32_t right, int32_t row) {
  const int32_t h = combo->RowHeight();
  const int32_t y = top + std::max(0, (row - h) / 2);
  combo->SetFrameRect({left, y, right, y + h});
}

TextBox* Label(Window* parent, const char* text) {
  auto* label = new TextBox(TextBox::kLabel, parent);
  label->SetText(text);
  return label;
}
}  // namespace

ChooserDialog::ChooserDialog(ChooserOp op, const FileKind& kind, const char* title,
                             std::vector<ChooserOption>* options)
    : Window(kDialogFlags, nullptr), op_(op), kind_(kind), options_(options) {
  SetTitle(title);
  path_ = Label(this, "");
  list_ =
      new ListWindow(op == ChooserOp::kOpenSeveral ? ListStyle::MultiSelect : 0,
                     WindowFlag::Visible | WindowFlag::ThinFrame | WindowFlag::BackgroundB, this);
  name_label_ = Label(this, op == ChooserOp::kFolder ? "Folder Name:" : "File Name:");
  name_ = new TextBox(TextBox::kLineField, this);
  name_->SetMaxLength(kFieldMaxLength);
  // The folder chooser picks a file type only for kinds that remember one.
  const bool has_types =
      op == ChooserOp::kFolder ? !kind.format_keys[0].empty() : !kind.filters.empty();
  if (has_types) {
    type_label_ = Label(this, op == ChooserOp::kFolder ? "Target Format:" : "Files of Type:");
    type_ = new ComboBox(this, 0);
    AddTypes(type_, kind);
    type_->Fit(static_cast<int32_t>(kind.filters.size()), false);
    type_->SelectById(0);
    Connect<&ChooserDialog::OnTypeChanged>(type_->selection_changed, this);
  }
  if (options_) {
    for (const ChooserOption& option : *options_) {
      option_labels_.push_back(Label(this, option.label.c_str()));
      auto* combo = new ComboBox(this, 0);
      for (size_t i = 0; i < option.options.size(); ++i) combo->AddItem(i, option.options[i].first);
      combo->Fit(static_cast<int32_t>(option.options.size()), false);
      combo->SelectById(option.selected < option.options.size() ? option.selected : 0);
      option_combos_.push_back(combo);
    }
  }
  confirm_ = new Button(this, ConfirmLabel(op), kConfirmId);
  cancel_ = new Button(this, "Cancel", kCancelId);
  Connect<&ChooserDialog::OnButton>(confirm_->clicked_with_id, this);
  Connect<&ChooserDialog::OnButton>(cancel_->clicked_with_id, this);
  Connect<&ChooserDialog::OnEnter>(name_->enter, this);
  Connect<&ChooserDialog::OnSelection>(list_->selection_changed, this);
  Connect<&ChooserDialog::OnActivated>(list_->activated, this);

  std::vector<Window*> order{name_, list_};
  if (type_) order.push_back(type_);
  order.insert(order.end(), option_combos_.begin(), option_combos_.end());
  order.push_back(confirm_);
  order.push_back(cancel_);
  SetTabOrder(order);
  Layout();
}

void ChooserDialog::Layout() {
  const int32_t right = kWidth - kMargin;
  const int32_t field_right = right - kButtonWidth - kMargin;
  int32_t y = kMargin;
  path_->SetFrameRect({kMargin, y, right, y + kRow});
  y += kRow + kRowGap;
  list_->SetFrameRect({kMargin, y, right, y + kListHeight});
  y += kListHeight + kRowGap;
  name_label_->SetFrameRect({kMargin, y + 4, kMargin + kLabelWidth, y + kRow});
  name_->SetFrameRect({kMargin + kLabelWidth, y, field_right, y + kRow});
  confirm_->SetFrameRect({right - kButtonWidth, y, right, y + kRow});
  y += kRow + kRowGap;
  if (type_) {
    type_label_->SetFrameRect({kMargin, y + 4, kMargin + kLabelWidth, y + kRow});
    PlaceCombo(type_, kMargin + kLabelWidth, y, field_right, kRow);
  }
  cancel_->SetFrameRect({right - kButtonWidth, y, right, y + kRow});
  y += kRow + kRowGap;
  for (size_t i = 0; i < option_combos_.size(); ++i) {
    option_labels_[i]->SetFrameRect({kMargin, y + 4, kMargin + kLabelWidth, y + kRow});
    PlaceCombo(option_combos_[i], kMargin + kLabelWidth, y, field_right, kRow);
    y += kRow + kRowGap;
  }
  SetClientSize({kWidth, y + kMargin - kRowGap});
  CenterInParent();
}

ComboBox* ChooserDialog::OptionCombo(size_t index) const {
  return index < option_combos_.size() ? option_combos_[index] : nullptr;
}

const ChooserEntry& ChooserDialog::EntryOf(const ListItem& item) const {
  return entries_[static_cast<size_t>(item.id)];
}

const std::vector<const ListItem*>& ChooserDialog::SelectedInRowOrder() {
  // The list keeps its selection in the order it was made; names go in the order shown.
  const std::vector<ListItem*>& selected = list_->SelectedItems();
  selected_scratch_.assign(selected.begin(), selected.end());
  std::sort(selected_scratch_.begin(), selected_scratch_.end(),
            [](const ListItem* a, const ListItem* b) { return a->id < b->id; });
  return selected_scratch_;
}

void ChooserDialog::Start(const fs::path& folder, size_t filter_index, std::string_view name) {
  filter_ = filter_index < kind_.filters.size() ? filter_index : 0;
  // Selected without a change signal: the list is made once, below.
  if (type_) type_->SelectById(filter_);
  OpenFolder(folder);
  name_->SetText(Shown(std::string(name)));
  name_->SelectAll();
}

bool ChooserDialog::Run() {
  Window::Show();
  SetFocus(name_, 0);
  bool cancelled = false;
  const int32_t result = WM().RunModal(
      this,
      WindowManager::kModalKeys | WindowManager::kModalDim | WindowManager::kModalCancelOnClose,
      &cancelled);
  if (cancelled || result != 1) return false;
  if (options_) {
    for (size_t i = 0; i < options_->size(); ++i) {
      const uint64_t id = option_combos_[i]->SelectedId();
      if (id != ComboBox::kNoId) (*options_)[i].selected = static_cast<size_t>(id);
    }
  }
  return true;
}

void ChooserDialog::OpenFolder(const fs::path& folder) {
  folder_ = folder.lexically_normal();
  path_->SetText(Shown(folder_.string()));
  field_from_list_.clear();
  Relist();
  if (Window::FocusChild() != name_) SetFocus(name_, 0);
}

void ChooserDialog::Relist() {
  const FileFilter* filter = filter_ < kind_.filters.size() ? &kind_.filters[filter_] : nullptr;
  // Emptying the list drops its selection; the name field stays as it is.
  relisting_ = true;
  list_->Clear();
  relisting_ = false;
  entries_.clear();
  list_error_.clear();
  if (!ChooserModel::ListFolder(folder_, filter, op_ != ChooserOp::kFolder, entries_,
                                list_error_)) {
    entries_.clear();
  }
  // The model lists folders first, each part in natural order: the rows keep that order, so
  // the list is never sorted here (it would mix the folders in with the files).
  std::string shown;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const ChooserEntry& e = entries_[i];
    shown = Shown(e.name);
    if (e.folder) shown += '/';
    ListItem* item = list_->AddItem(nullptr, 0, ListItemFlag::TextOrdered, i, shown);
    if (e.folder) item->text_color = kFolderText;
  }
  list_->Refresh();
}

void ChooserDialog::GoUp() {
  OpenFolder(ChooserModel::Up(folder_));
}

bool ChooserDialog::ConfirmSelection() {
  // The field still shows what the list put there: take the entries themselves.
  if (field_from_list_.empty() || name_->GetText() != field_from_list_) return false;
  std::vector<fs::path> paths;
  for (const ListItem* item : SelectedInRowOrder()) {
    const ChooserEntry& e = EntryOf(*item);
    if (!e.folder) paths.push_back(folder_ / e.name);
  }
  if (paths.empty()) return false;
  if (op_ == ChooserOp::kSave) {
    const std::string name =
        ChooserModel::WithSaveExtension(paths[0].filename().string(), kind_, filter_);
    paths[0].replace_filename(name);
  }
  if (op_ != ChooserOp::kOpenSeveral) paths.resize(1);
  return Accept(std::move(paths));
}

void ChooserDialog::Confirm() {
  if (ConfirmSelection()) return;
  const std::string typed = ProgramCharMap().NarrowToUtf8(name_->GetText());
  const std::vector<ListItem*>& selected = list_->SelectedItems();
  const ChooserEntry* single = selected.size() == 1 ? &EntryOf(*selected[0]) : nullptr;
  const ChooserChoice choice = ChooserModel::Confirm(op_, kind_, filter_, folder_, typed, single);
  switch (choice.action) {
    case ChooserChoice::kNone:
      WM().Beep();
      break;
    case ChooserChoice::kEnterFolder:
      name_->SetText("");
      OpenFolder(choice.path);
      break;
    case ChooserChoice::kAccept:
      Accept({choice.path});
      break;
  }
}

bool ChooserDialog::Accept(std::vector<fs::path> paths) {
  if (op_ == ChooserOp::kSave && IsFile(paths[0])) {
    const std::string question =
        Shown(paths[0].filename().string()) + " already exists.\nDo you want to replace it?";
    if (MessageBoxWindow::Show(GetTitle(), question.c_str(), {"Yes", "No"}) != 0) {
      SetFocus(name_, 0);
      return true;
    }
  }
  chosen_ = std::move(paths);
  WM().EndModal(this, 1);
  return true;
}

void ChooserDialog::Cancel() {
  if (WM().IsInModalStack(this, false)) WM().EndModal(this, 0);
}

void ChooserDialog::OnEnter(intptr_t down) {
  if (down == 1) Confirm();
}

void ChooserDialog::OnSelection(intptr_t) {
  if (op_ == ChooserOp::kFolder || relisting_) return;
  std::vector<const ListItem*> files = SelectedInRowOrder();
  std::erase_if(files, [this](const ListItem* item) { return EntryOf(*item).folder; });
  std::string text;
  if (files.size() == 1) text = files[0]->text;
  // Several names are quoted one by one, so that the user can tell them apart.
  for (size_t i = 0; files.size() > 1 && i < files.size(); ++i) {
    text += (i ? " \"" : "\"") + files[i]->text + '"';
  }
  if (files.empty()) {
    // A folder was picked: a name the list put there goes, a typed one stays.
    if (!field_from_list_.empty() && name_->GetText() == field_from_list_) name_->SetText("");
    field_from_list_.clear();
    return;
  }
  name_->SetText(text);
  field_from_list_ = name_->GetText();
}

void ChooserDialog::OnActivated(intptr_t item) {
  const ChooserEntry& e = EntryOf(*reinterpret_cast<const ListItem*>(item));
  if (e.folder) {
    name_->SetText("");
    OpenFolder(folder_ / e.name);
  } else {
    Confirm();
  }
}

void ChooserDialog::OnTypeChanged(intptr_t selection) {
  filter_ = static_cast<size_t>(reinterpret_cast<const ComboBox::Selection*>(selection)->id);
  if (op_ != ChooserOp::kFolder) Relist();
}

void ChooserDialog::OnButton(intptr_t id) {
  if (id == kConfirmId) Confirm();
  if (id == kCancelId) Cancel();
}

bool ChooserDialog::HandleEvent(Window* target, int32_t type, InputEvent& event) {
  if (target == list_ && type == kEventKey && event.a == Key::Enter) {
    // Enter is the confirm button's here as in the name field: the list would activate every
    // selected row one after another, where the dialog takes the selection once.
    if (event.b == 1) Confirm();
    return true;
  }
  // The name field would swallow these; here they move through the folders and the list.
  if (target == name_ && type == kEventKey && event.b == 1) {
    if (event.a == Key::Backspace && name_->Length() == 0) {
      GoUp();
      return true;
    }
    if (event.a == Key::Up || event.a == Key::Down || event.a == Key::PageUp ||
        event.a == Key::PageDown) {
      list_->OnKey(event);
      return true;
    }
  }
  return Window::HandleEvent(target, type, event);
}

bool ChooserDialog::OnKey(InputEvent& event) {
  if (event.b != 1) return event.a == Key::Escape || event.a == Key::Enter;
  if (event.a == Key::Escape) {
    Cancel();
    return true;
  }
  if (event.a == Key::Enter) {
    Confirm();
    return true;
  }
  return false;
}

bool ChooserDialog::RequestClose(bool forced) {
  // Closing the window is cancelling it.
  if (WM().IsInModalStack(this, false)) {
    Cancel();
    return false;
  }
  return Window::RequestClose(forced);
}
