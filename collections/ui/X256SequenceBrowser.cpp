#include "collections/ui/X256SequenceBrowser.h"

#include "collections/Collection.h"
#include "collections/ui/X256EditHost.h"
#include "collections/ui/X256SequenceEdit.h"
#include "gui/WindowManager.h"

namespace {

const Sequence* Seq(const void* record) {
  return static_cast<const Sequence*>(record);
}

}  // namespace

X256SequenceBrowser::X256SequenceBrowser(X256EditHost& host, Window* parent)
    : X256ListPage(host, parent) {
  SetTitle("Sequences");
  Refresh();
}

X256SequenceBrowser::~X256SequenceBrowser() {
  CloseEditors();
}

void X256SequenceBrowser::CloseEditors() {
  // Copy: the editors leave the list as they close.
  const std::vector<Editor> editors = editors_;
  editors_.clear();
  for (const Editor& editor : editors) {
    editor.window->closed.Disconnect(this);
    if (auto* edit = dynamic_cast<X256SequenceEdit*>(editor.window)) {
      edit->SetGoneHandler(nullptr);
      edit->Detach();
    }
    Window::Close(editor.window);
  }
}

int32_t X256SequenceBrowser::EditorCount() const {
  int32_t count = 0;
  for (const Editor& editor : editors_) {
    ++count;
    if (const auto* edit = dynamic_cast<const X256SequenceEdit*>(editor.window))
      count += static_cast<int32_t>(edit->FrameEditors().size());
  }
  return count;
}

const X256ListPage::Texts& X256SequenceBrowser::PageTexts() const {
  static const Texts texts{
      "New Sequence",
      "New Sequence",
      "Are you sure you want to remove the selected sequence%s?",
      "Confirm Delete",
      "The sequence \"%s\" is currently open. Please close it before deleting.",
      X256EditHost::kSequences,
  };
  return texts;
}

int32_t X256SequenceBrowser::RecordCount() const {
  return static_cast<int32_t>(host_.EditedCollection().sequences.size());
}

void* X256SequenceBrowser::RecordAt(int32_t index) const {
  return host_.EditedCollection().SequenceAt(index);
}

int32_t X256SequenceBrowser::IndexOf(const void* record) const {
  return host_.EditedCollection().IndexOfSequence(Seq(record));
}

std::string X256SequenceBrowser::RecordName(const void* record) const {
  return Seq(record)->Name();
}

void X256SequenceBrowser::SetRecordName(void* record, std::string_view name) {
  static_cast<Sequence*>(record)->SetName(name);
}

void* X256SequenceBrowser::AddRecord(std::string_view name) {
  return host_.EditedCollection().AddSequence(name);
}

void* X256SequenceBrowser::CopyRecord(const void* source, std::string_view name) {
  Sequence* copy = host_.EditedCollection().AddSequence(name);
  // Frames, views and records are values: the copy shares only the bitmaps they show.
  *copy = *Seq(source);
  copy->SetName(name);
  return copy;
}

void X256SequenceBrowser::RemoveRecord(const void* record) {
  host_.EditedCollection().RemoveSequence(Seq(record));
}

void X256SequenceBrowser::MoveRecord(const void* record, int32_t new_index) {
  host_.EditedCollection().MoveSequence(Seq(record), new_index);
}

void X256SequenceBrowser::AddEditor(Sequence* sequence, Window* editor,
                                    std::function<void()> refresh) {
  ::Connect<&X256SequenceBrowser::OnEditorClosed>(editor->closed, this);
  editors_.push_back({sequence, editor, std::move(refresh)});
  host_.EditorWindowsChanged();
}

Window* X256SequenceBrowser::EditorOf(const Sequence* sequence) const {
  for (const Editor& editor : editors_) {
    if (editor.sequence == sequence) return editor.window;
  }
  return nullptr;
}

void X256SequenceBrowser::OnEditorClosed(intptr_t window) {
  const auto* closing = reinterpret_cast<const Window*>(window);
  std::erase_if(editors_, [closing](const Editor& e) { return e.window == closing; });
  host_.EditorWindowsChanged();
}

bool X256SequenceBrowser::IsRecordOpen(const void* record) const {
  return EditorOf(Seq(record)) != nullptr;
}

void X256SequenceBrowser::OpenRecord(void* record) {
  auto* sequence = static_cast<Sequence*>(record);
  if (Window* open = EditorOf(sequence)) {
    WM().BringToFront(open);
    return;
  }
  auto* editor = new X256SequenceEdit(host_, sequence, nullptr);
  const Rect frame = editor->FrameRectInParent();
  const Point at = WM().NextCascadePosition();
  editor->SetFrameRect({at.x, at.y, at.x + frame.Width(), at.y + frame.Height()});
  WM().BringToFront(editor);
  // A window tree torn down as a whole destroys the editor without closing it.
  editor->SetGoneHandler([this](X256SequenceEdit* gone) {
    std::erase_if(editors_, [gone](const Editor& e) { return e.window == gone; });
  });
  AddEditor(sequence, editor, [editor] { editor->Refresh(); });
  editor->FocusCell(0, 1);
}

void X256SequenceBrowser::RecordsChanged() {
  for (const Editor& editor : editors_) {
    if (editor.refresh) editor.refresh();
  }
}
