#include "collections/ui/X256SequenceBrowser.h"

#include "collections/Collection.h"
#include "collections/ui/X256EditHost.h"
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

// The editors' signals forget this page by themselves.
X256SequenceBrowser::~X256SequenceBrowser() = default;

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
  // The sequence editor is not built yet; an open one is brought forward.
  if (Window* open = EditorOf(Seq(record))) WM().BringToFront(open);
}

void X256SequenceBrowser::RecordsChanged() {
  for (const Editor& editor : editors_) {
    if (editor.refresh) editor.refresh();
  }
}
