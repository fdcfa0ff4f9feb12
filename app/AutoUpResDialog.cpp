#include "app/AutoUpResDialog.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "app/AutoCollectionDialog.h"
#include "app/ProgressWindow.h"
#include "app/ToolWindows.h"
#include "app/WindowPlacement.h"
#include "collections/Collection.h"
#include "collections/CollectionLayout.h"
#include "collections/CollectionUpRes.h"
#include "gui/Button.h"
#include "gui/CheckBox.h"
#include "gui/Choosers.h"
#include "gui/ComboBox.h"
#include "gui/MessageBoxWindow.h"
#include "gui/TextBox.h"
#include "tags/Codex.h"
#include "tags/TagCode.h"
#include "tags/TagStream.h"

namespace cl = collection_layout;

namespace {
constexpr int32_t kLabelWidth = 136;
constexpr int32_t kRow = 26;
constexpr int32_t kField = 20;

void Error(const char* message) {
  MessageBoxWindow::Show("Error", message, {"OK"});
}

// A number as typed: the whole text must be one finite decimal.
bool ParseNumber(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(value);
}
}  // namespace

AutoUpResDialog::AutoUpResDialog() : DialogWindow(kTitle) {
  const char* texts[4] = {
      "Original Collection:", "High-Res Folder:", "Target Scale:", "Scale Tolerance:"};
  for (int i = 0; i < 4; ++i) {
    labels_[i] = new TextBox(TextBox::kLabel, this);
    labels_[i]->SetText(texts[i]);
  }
  collection_ = new ComboBox(this, 0);
  Codex& codex = ProgramCodex();
  for (CodexEntry* entry : codex.Combined()) {
    if (entry->group() != cl::kGroup) continue;
    const std::string text =
        codex.EntryHeader(*entry).Name() + " (" + tagcode::Display(entry->tag_id()) + ")";
    collection_->AddItem(entries_.size(), text);
    entries_.push_back(entry);
  }
  collection_->SortItems();
  folder_ = new TextBox(TextBox::kLineField, this);
  choose_ = new Button(this, "...", 100);
  scale_ = new TextBox(TextBox::kNumberField, this);
  scale_->SetText("2.0");
  tolerance_ = new TextBox(TextBox::kNumberField, this);
  tolerance_->SetText("0.05");
  invert_ = new CheckBox(this, "Invert Alphas", 101);
  order_ = new CheckBox(this, "Frames Then Views Ordering", 102);
  order_->SetState(Button::kOn, true);
  align_ = new CheckBox(this, "Align Bitmaps Individually", 103);
  SyncPrefs(false);
  OkButton()->SetTitle("Create");
  ::Connect<&AutoUpResDialog::OnChooseFolder>(choose_->clicked, this);
  SetClientSize({440, 7 * kRow + 48});
  OnResized();
  Window::SetTabOrder({collection_, folder_, choose_, scale_, tolerance_, invert_, order_, align_});
  SetTabOrder(align_);
  Window::SetFocus(collection_, 0);
}

void AutoUpResDialog::SyncPrefs(bool save) {
  SyncControlPrefs(kPrefOwner, save,
                   {{"Path", folder_},
                    {"TargetScale", scale_},
                    {"Tolerance", tolerance_},
                    {"InvertAlphas", invert_},
                    {"FramesThenViews", order_},
                    {"AlignIndividually", align_}});
}

void AutoUpResDialog::OnResized() {
  DialogWindow::OnResized();
  if (!align_) return;
  const Rect c = ContentRect();
  const int32_t field = c.left + kLabelWidth;
  const auto row = [&](int i) { return c.top + i * kRow; };
  for (int i = 0; i < 4; ++i)
    labels_[i]->SetFrameRect({c.left, row(i) + 3, field, row(i) + kField});
  collection_->SetFrameRect({field, row(0), c.right, row(0) + kField});
  folder_->SetFrameRect({field, row(1), c.right - 28, row(1) + kField});
  choose_->SetFrameRect({c.right - 24, row(1), c.right, row(1) + kField});
  scale_->SetFrameRect({field, row(2), field + 80, row(2) + kField});
  tolerance_->SetFrameRect({field, row(3), field + 80, row(3) + kField});
  invert_->SetFrameRect({field, row(4), c.right, row(4) + kField});
  order_->SetFrameRect({field, row(5), c.right, row(5) + kField});
  align_->SetFrameRect({field, row(6), c.right, row(6) + kField});
}

void AutoUpResDialog::OnChooseFolder(intptr_t) {
  if (collection_->SelectedId() >= entries_.size()) {
    Error("You must pick a collection first.");
    return;
  }
  std::string folder = folder_->GetText();
  int32_t format = 0;
  if (ChooseFolder("Choose High-Res Folder Location", folder, format, FileKindId::kAny, nullptr))
    folder_->SetText(folder);
}

bool AutoUpResDialog::Accept() {
  Request r;
  const uint64_t chosen = collection_->SelectedId();
  if (chosen >= entries_.size()) {
    Error("You must choose a collection.");
    return false;
  }
  r.entry = entries_[chosen];
  r.folder = folder_->GetText();
  std::error_code ec;
  if (r.folder.empty() || !std::filesystem::is_directory(r.folder, ec)) {
    Error("Specified folder not found.");
    return false;
  }
  if (r.entry->has_local_copy()) {
    Error("Cannot Up-Res a collection from the local folder.");
    return false;
  }
  if (!ParseNumber(tolerance_->GetText(), r.tolerance) || !(r.tolerance > 0)) {
    Error("Invalid tolerance.");
    return false;
  }
  if (!ParseNumber(scale_->GetText(), r.target_scale) || !(r.target_scale > 0)) {
    Error("Invalid object scale.");
    return false;
  }
  if (CollectionUpRes::SizeFactor(r.target_scale) == 0) {
    Error("Invalid scale.");
    return false;
  }
  r.invert_alphas = invert_->GetState() == Button::kOn;
  r.frames_then_views = order_->GetState() == Button::kOn;
  r.align_individually = align_->GetState() == Button::kOn;
  request_ = r;
  SyncPrefs(true);
  return true;
}

void AutoUpResDialog::RunCommand() {
  auto* dialog = new AutoUpResDialog();
  const bool ok = dialog->RunModal() == 1;
  const Request request = dialog->request();
  Window::Close(dialog);
  if (ok) UpRes(request);
}

bool AutoUpResDialog::UpRes(const Request& request) {
  Codex& codex = ProgramCodex();
  const TagHeader header = codex.EntryHeader(*request.entry);
  Collection collection;
  std::vector<uint8_t> data;
  TagStream* stream = codex.OpenData(request.entry);
  bool read = stream && stream->ReadRest(data);
  codex.CloseData(request.entry);
  std::string error;
  if (!read || !collection.Load(data, header, true, error)) {
    Error("The specified collection could not be loaded.");
    return false;
  }
  const std::string name = header.Name();
  for (CodexEntry* entry : codex.Local()) {
    if (entry->group() == cl::kGroup && codex.EntryHeader(*entry).Name() == name) {
      if (MessageBoxWindow::Show("Overwrite Tag?",
                                 "The specified collection already exists in the local folder. Do "
                                 "you want to replace it?",
                                 {"Overwrite", "Don't Overwrite"}) != 0)
        return false;
      break;
    }
  }

  ShowLogViewer();
  CollectionUpRes::Options options;
  options.name = name;
  options.target_scale = request.target_scale;
  options.tolerance = request.tolerance;
  options.invert_alphas = request.invert_alphas;
  options.align_individually = request.align_individually;
  options.order =
      request.frames_then_views ? BitmapOrder::kFramesThenViews : BitmapOrder::kViewsThenFrames;
  CollectionUpRes upres(collection, request.folder, options);
  const ProgressWindow::Step step = [&upres](ProgressWindow& progress) {
    progress.SetStatus("Reading " + upres.Upcoming());
    progress.SetDetail(std::to_string(upres.Instances()) + " renders read");
    return upres.Next();
  };
  ProgressWindow::Run(kTitle, step, false);
  std::string message;
  const uint32_t tag_id = request.entry->tag_id();
  const bool saved = upres.Finish([&](Collection& c) {
    return AutoCollectionDialog::SaveLocal(c, tag_id, name, true, message);
  });
  if (!saved && !message.empty()) Error(message.c_str());
  return saved;
}
