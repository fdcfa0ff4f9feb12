#include "tags/ui/TagEdit.h"

#include <cctype>
#include <cstdio>
#include <string>

#include "base/MessageLog.h"
#include "gui/MessageBoxWindow.h"
#include "gui/WindowManager.h"
#include "tags/Codex.h"
#include "tags/LooseTagWriter.h"
#include "tags/TagCode.h"
#include "tags/TagGroupTable.h"
#include "tags/TagOperations.h"

namespace {
// The save question's text is cut here, whatever the name holds.
constexpr size_t kQuestionLimit = 256;
}  // namespace

TagEdit::TagEdit(const TagHeader& header) : Window(kFlags, nullptr), header_(header) {
  SetTitle(header_.Name().c_str());
}

TagEdit::~TagEdit() {
  LeaveEntry();
}

void TagEdit::LeaveEntry() {
  CodexEntry* entry = entry_;
  entry_ = nullptr;
  if (!entry) return;
  if (attached_) {
    attached_ = false;
    ProgramCodex().Detach(entry, kAttachEditor, this);
  } else {
    // A tag created here and never shown: nobody keeps its entry.
    ProgramCodex().ForgetIfUnused(entry);
  }
}

// ---------------------------------------------------------------------------------- flows

TagEdit* TagEdit::OpenEditor(CodexEntry* entry) {
  if (!entry) return nullptr;
  Codex& codex = ProgramCodex();
  if (auto* open = static_cast<TagEdit*>(codex.FindAttachment(*entry, kAttachEditor))) {
    WM().BringToFront(open);
    Window::SetFocus(open, 0);
    return open;
  }
  TagEdit* editor = TagGroupTable::MakeEditor(codex.EntryHeader(*entry));
  if (!editor) return nullptr;
  editor->entry_ = entry;
  if (!editor->Load()) {
    std::string message = "The tag could not be loaded.";
    if (!editor->load_problem_.empty()) {
      std::string why = editor->load_problem_;
      why[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(why[0])));
      message += "\n\n" + why + ".";
    }
    // The editor never held the entry; the box's loop may even see it go.
    editor->entry_ = nullptr;
    const bool reported = editor->load_reported_;
    Window::Close(editor);
    if (!reported) MessageBoxWindow::Show("Error", message.c_str(), {"OK"});
    return nullptr;
  }
  editor->MarkDirty(false);
  editor->Show();
  return editor;
}

void TagEdit::NewTagDialog(uint32_t group, std::string_view default_name) {
  const TagGroupRow* row = TagGroupTable::Find(group);
  const std::string singular = row ? row->singular : tagcode::Display(group);
  const std::string prompt = "Enter Name for " + singular;
  const std::string confirm = "Create " + singular;
  std::string name(default_name);
  if (MessageBoxWindow::Prompt(prompt.c_str(), name, {confirm.c_str(), "Cancel"}) != 0) return;
  if (name.empty()) {
    MessageBoxWindow::Show("Not Created", "You must specify a name.", {"OK"});
    return;
  }
  CreateEditor(group, name);
}

TagEdit* TagEdit::CreateEditor(uint32_t group, std::string_view name) {
  TagHeader header = TagHeader::Fresh();
  header.group = group;
  header.tag_id = tagcode::kNone;
  header.SetName(name);
  TagEdit* editor = TagGroupTable::MakeEditor(header);
  if (!editor) return nullptr;
  if (!editor->Create(group, name)) {
    Window::Close(editor);
    MessageBoxWindow::ShowError("The tag file '%.*s' could not be created; It may already exist.",
                                static_cast<int>(name.size()), name.data());
    return nullptr;
  }
  editor->Show();
  editor->MarkDirty(true);
  return editor;
}

bool TagEdit::SaveAndReport() {
  if (!Save()) {
    MessageBoxWindow::Show("Error", "The save operation could not be completed.", {"OK"});
    return false;
  }
  MarkDirty(false);
  return true;
}

void TagEdit::MarkDirty(bool dirty) {
  dirty_ = dirty ? 1 : 0;
  std::string title = header_.Name();
  if (dirty) title += '*';
  SetTitle(title.c_str());
}

// ------------------------------------------------------------------------------ operations

bool TagEdit::WriteData(ByteWriter& /*out*/, TagHeader& /*header*/) {
  return false;
}

bool TagEdit::Save() {
  if (!entry_) return false;
  Codex& codex = ProgramCodex();
  LooseTagWriter* writer = codex.BeginWrite(entry_, header_);
  if (!writer) return false;
  const bool written = WriteData(writer->data(), header_);
  if (!codex.EndWrite(entry_, header_, written) || !written) return false;
  // The committed header (data size, fixed-up name) is the one the editor goes on with.
  header_ = codex.EntryHeader(*entry_);
  return true;
}

bool TagEdit::ReadData(TagStream& /*stream*/, const TagHeader& /*header*/) {
  return false;
}

bool TagEdit::Load() {
  if (!entry_) return false;
  Codex& codex = ProgramCodex();
  TagStream* stream = codex.OpenData(entry_);
  if (!stream) return false;
  header_ = codex.EntryHeader(*entry_);
  const bool ok = ReadData(*stream, header_);
  codex.CloseData(entry_);
  return ok;
}

void TagEdit::ReportLoadProblem(const char* log, const std::string& why) {
  LogMessage(0, log, "'%s' was not opened: %s.\n", header_.Name().c_str(), why.c_str());
  load_problem_ = why;
}

bool TagEdit::Create(uint32_t group, std::string_view name) {
  tagops::CreatedTag created =
      tagops::CreateTag(ProgramCodex(), group, tagcode::kNone, name, false);
  if (!created.entry) return false;
  entry_ = created.entry;
  header_ = created.header;
  return true;
}

bool TagEdit::Discard() {
  return true;
}

void TagEdit::Show() {
  if (entry_ && !attached_) {
    ProgramCodex().Attach(entry_, kAttachEditor, this);
    attached_ = true;
  }
  WindowManager& wm = WM();
  const Rect frame = FrameRectInParent();
  const Point at = wm.NextCascadePosition();
  SetFrameRect({at.x, at.y, at.x + frame.Width(), at.y + frame.Height()});
  Window::Show();
  wm.BringToFront(this);
  Window::SetFocus(this, 0);
}

// ---------------------------------------------------------------------------------- window

bool TagEdit::RequestClose(bool forced) {
  if (dirty_) {
    char question[kQuestionLimit];
    std::snprintf(question, sizeof question, "Do you wish to save your changes to '%s'?",
                  header_.Name().c_str());
    switch (MessageBoxWindow::Show("Save?", question, {"Save", "Discard", "Cancel"})) {
      case 0:
        if (!SaveAndReport()) return false;
        break;
      case 1:
        if (!Discard()) return false;
        break;
      default:
        return false;
    }
  }
  return Window::RequestClose(forced);
}

void TagEdit::OnClose() {
  // A closing editor no longer holds its tag, even before it is destroyed.
  LeaveEntry();
  Window::OnClose();
}

bool TagEdit::OnKey(InputEvent& event) {
  if (event.a == 'S' && (event.flags & kModControl)) {
    if (event.b == 1) SaveAndReport();
    return true;
  }
  return Window::OnKey(event);
}

FocusGain TagEdit::OnFocusGained(Window* /*old_focus*/, int32_t /*reason*/) {
  FocusGain gain;
  if (initial_focus_ && !initial_focus_->IsBeingDestroyed()) gain.redirect = initial_focus_;
  return gain;
}
