#include "app/AutoCollectionDialog.h"

#include <charconv>
#include <filesystem>

#include "app/ProgressWindow.h"
#include "app/ToolWindows.h"
#include "app/WindowPlacement.h"
#include "base/ByteWriter.h"
#include "base/MessageLog.h"
#include "collections/Collection.h"
#include "collections/CollectionBuilder.h"
#include "collections/CollectionLayout.h"
#include "gui/Button.h"
#include "gui/CheckBox.h"
#include "gui/Choosers.h"
#include "gui/MessageBoxWindow.h"
#include "gui/TextBox.h"
#include "tags/Codex.h"
#include "tags/LooseTagWriter.h"
#include "tags/TagCode.h"
#include "tags/TagName.h"
#include "tags/TagOperations.h"

namespace cl = collection_layout;

namespace {
constexpr int32_t kLabelWidth = 104;
constexpr int32_t kRow = 26;
constexpr int32_t kField = 20;
constexpr int32_t kChooseId = 100;

bool ParseCoordinate(const std::string& text, int32_t& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty() && value >= 0 &&
         value <= 0xFFFF;
}

void Error(const char* message) {
  MessageBoxWindow::Show("Error", message, {"OK"});
}

// A local collection other than the one with `tag_id` whose name is `name`.
bool LocalNameTaken(Codex& codex, const std::string& name, uint32_t tag_id) {
  for (CodexEntry* entry : codex.Local()) {
    if (entry->group() == cl::kGroup && entry->tag_id() != tag_id &&
        codex.EntryHeader(*entry).Name() == name)
      return true;
  }
  return false;
}
}  // namespace

AutoCollectionDialog::AutoCollectionDialog() : DialogWindow(kTitle) {
  const char* texts[5] = {"Name:", "Folder:", "Tagid (opt.):", "Regpoint", "x"};
  for (int i = 0; i < 5; ++i) {
    labels_[i] = new TextBox(TextBox::kLabel, this);
    labels_[i]->SetText(texts[i]);
  }
  name_ = new TextBox(TextBox::kLineField, this);
  name_->SetMaxLength(31);
  folder_ = new TextBox(TextBox::kLineField, this);
  choose_ = new Button(this, "...", kChooseId);
  tag_id_ = new TextBox(TextBox::kLineField, this);
  tag_id_->SetMaxLength(4);
  reg_x_ = new TextBox(TextBox::kIntegerField, this);
  y_label_ = new TextBox(TextBox::kLabel, this);
  y_label_->SetText("y");
  reg_y_ = new TextBox(TextBox::kIntegerField, this);
  invert_ = new CheckBox(this, "Invert Alphas", 101);
  order_ = new CheckBox(this, "Frames Then Views Ordering", 102);
  order_->SetState(Button::kOn, true);
  reg_x_->SetText("0");
  reg_y_->SetText("0");
  SyncPrefs(false);
  ::Connect<&AutoCollectionDialog::OnChooseFolder>(choose_->clicked, this);
  SetClientSize({400, 7 * kRow + 48});
  OnResized();
  Window::SetTabOrder({name_, folder_, choose_, tag_id_, reg_x_, reg_y_, invert_, order_});
  SetTabOrder(order_);
  Window::SetFocus(name_, 0);
}

void AutoCollectionDialog::SyncPrefs(bool save) {
  SyncControlPrefs(kPrefOwner, save,
                   {{"Name", name_},
                    {"Path", folder_},
                    {"Tagid", tag_id_},
                    {"RegX", reg_x_},
                    {"RegY", reg_y_},
                    {"InvertAlphas", invert_},
                    {"FramesThenViews", order_}});
}

void AutoCollectionDialog::OnResized() {
  DialogWindow::OnResized();
  if (!order_) return;
  const Rect c = ContentRect();
  const int32_t field = c.left + kLabelWidth;
  const auto row = [&](int i) { return c.top + i * kRow; };
  for (int i = 0; i < 4; ++i)
    labels_[i]->SetFrameRect({c.left, row(i) + 3, field, row(i) + kField});
  name_->SetFrameRect({field, row(0), c.right, row(0) + kField});
  folder_->SetFrameRect({field, row(1), c.right - 28, row(1) + kField});
  choose_->SetFrameRect({c.right - 24, row(1), c.right, row(1) + kField});
  tag_id_->SetFrameRect({field, row(2), field + 64, row(2) + kField});
  labels_[4]->SetFrameRect({field, row(3) + 3, field + 12, row(3) + kField});
  reg_x_->SetFrameRect({field + 14, row(3), field + 78, row(3) + kField});
  y_label_->SetFrameRect({field + 90, row(3) + 3, field + 102, row(3) + kField});
  reg_y_->SetFrameRect({field + 104, row(3), field + 168, row(3) + kField});
  invert_->SetFrameRect({field, row(4), c.right, row(4) + kField});
  order_->SetFrameRect({field, row(5), c.right, row(5) + kField});
}

void AutoCollectionDialog::OnChooseFolder(intptr_t) {
  std::string folder = folder_->GetText();
  int32_t format = 0;
  if (ChooseFolder("Choose Collection Folder", folder, format, FileKindId::kAny, nullptr))
    folder_->SetText(folder);
}

bool AutoCollectionDialog::Accept() {
  Request r;
  r.name = name_->GetText();
  r.folder = folder_->GetText();
  if (r.name.empty() || r.name.size() > 31) {
    Error("The name field is invalid.");
    return false;
  }
  std::error_code ec;
  if (r.folder.empty() || !std::filesystem::is_directory(r.folder, ec)) {
    Error("Specified folder not found.");
    return false;
  }
  const std::string id = tag_id_->GetText();
  if (!id.empty() && id.size() != 4) {
    Error("The tagid takes four characters, or none for one made from the name.");
    return false;
  }
  if (id.size() == 4) {
    r.tag_id = tagcode::Make(id);
    if (r.tag_id == tagcode::kNone) {
      Error("The tagid takes four characters, or none for one made from the name.");
      return false;
    }
  }
  if (!ParseCoordinate(reg_x_->GetText(), r.registration_x)) {
    Error("The Reg Point X value is invalid.");
    return false;
  }
  if (!ParseCoordinate(reg_y_->GetText(), r.registration_y)) {
    Error("The Reg Point Y value is invalid.");
    return false;
  }
  r.invert_alphas = invert_->GetState() == Button::kOn;
  r.frames_then_views = order_->GetState() == Button::kOn;
  request_ = r;
  SyncPrefs(true);
  return true;
}

void AutoCollectionDialog::RunCommand() {
  auto* dialog = new AutoCollectionDialog();
  const bool ok = dialog->RunModal() == 1;
  const Request request = dialog->request();
  Window::Close(dialog);
  if (ok) Build(request);
}

bool AutoCollectionDialog::SaveLocal(Collection& collection, uint32_t tag_id,
                                     const std::string& name, bool over_archive,
                                     std::string& message) {
  Codex& codex = ProgramCodex();
  std::string reason;
  const tagops::CreatedTag made =
      over_archive ? tagops::CreateOverArchive(codex, cl::kGroup, tag_id, name, true, &reason)
                   : tagops::CreateTag(codex, cl::kGroup, tag_id, name, true, &reason);
  if (!made.entry) {
    message = made.refusal == tagops::kNotOverwritten
                  ? "The existing collection in the local folder could not be deleted."
                  : "Could not create the collection tag '" + name + "'; it may already exist.";
    return false;
  }
  TagHeader header = made.header;
  LooseTagWriter* writer = codex.BeginWrite(made.entry, header);
  std::string error;
  const bool filled = writer && collection.Save(writer->data(), header, error);
  const bool committed = writer && codex.EndWrite(made.entry, header, filled);
  codex.ForgetIfUnused(made.entry);
  if (!filled || !committed) {
    message = "Failed to create the new collection.";
    return false;
  }
  return true;
}

bool AutoCollectionDialog::Build(const Request& request) {
  Codex& codex = ProgramCodex();
  const uint32_t tag_id = request.tag_id != tagcode::kNone
                              ? request.tag_id
                              : tagname::DeriveTagId(request.name, [](uint32_t) { return false; });
  const CodexEntry* same_id = codex.Find(cl::kGroup, tag_id);
  const char* question = nullptr;
  if (same_id && same_id->has_local_copy()) {
    question =
        "Another collection with the same tagid exists in the local folder. Do you want to "
        "replace it?";
  } else if (LocalNameTaken(codex, request.name, tag_id)) {
    question =
        "Another collection with the same name already exists in the local folder. Do you want "
        "to replace it?";
  }
  if (question &&
      MessageBoxWindow::Show("Overwrite Tag?", question, {"Overwrite", "Don't Overwrite"}) != 0)
    return false;

  ShowLogViewer();
  CollectionBuilder::Options options;
  options.name = request.name;
  options.registration_x = request.registration_x;
  options.registration_y = request.registration_y;
  options.invert_alphas = request.invert_alphas;
  options.order =
      request.frames_then_views ? BitmapOrder::kFramesThenViews : BitmapOrder::kViewsThenFrames;
  CollectionBuilder builder(request.folder, options);
  const ProgressWindow::Step step = [&builder](ProgressWindow& progress) {
    progress.SetStatus("Building " + builder.Upcoming().filename().string());
    progress.SetDetail(std::to_string(builder.Built()) + " built, " +
                       std::to_string(builder.Skipped()) + " skipped");
    return builder.Next();
  };
  ProgressWindow::Run(kTitle, step, false);
  std::string message = "Failed to create the new collection.";
  const bool saved = builder.Built() > 0 && builder.Finish([&](Collection& c) {
    return SaveLocal(c, tag_id, request.name, false, message);
  });
  if (!saved) {
    if (builder.Built() == 0)
      LogMessage(0, builder.LogName().c_str(), "ERROR: no sequence folder could be built.\n");
    Error(message.c_str());
  }
  return saved;
}
