#include "collections/ui/X256HueBrowser.h"

#include "collections/Collection.h"
#include "collections/ui/X256EditHost.h"
#include "collections/ui/X256HueEdit.h"
#include "gui/TextBox.h"
#include "gui/WindowManager.h"

namespace {

const HueChange* Hue(const void* record) {
  return static_cast<const HueChange*>(record);
}

}  // namespace

X256HueBrowser::X256HueBrowser(X256EditHost& host, Window* parent) : X256ListPage(host, parent) {
  SetTitle("Hue Changes");
  Refresh();
}

X256HueBrowser::~X256HueBrowser() {
  CloseEditors();
}

void X256HueBrowser::CloseEditors() {
  // Copy: the editors leave the list as they close.
  const std::vector<X256HueEdit*> editors = editors_;
  editors_.clear();
  for (X256HueEdit* editor : editors) {
    editor->closed.Disconnect(this);
    editor->SetGoneHandler(nullptr);
    editor->Detach();
    Window::Close(editor);
  }
}

const X256ListPage::Texts& X256HueBrowser::PageTexts() const {
  static const Texts texts{
      "New Hue Change",
      "New Hue Change",
      "Are you sure you want to remove the selected hue change%s?",
      "Confirm Delete",
      "The hue change \"%s\" is currently open. Please close it before deleting.",
      X256EditHost::kHueChanges,
  };
  return texts;
}

int32_t X256HueBrowser::RecordCount() const {
  return static_cast<int32_t>(host_.EditedCollection().hue_changes.size());
}

void* X256HueBrowser::RecordAt(int32_t index) const {
  return host_.EditedCollection().HueChangeAt(index);
}

int32_t X256HueBrowser::IndexOf(const void* record) const {
  return host_.EditedCollection().IndexOfHueChange(Hue(record));
}

std::string X256HueBrowser::RecordName(const void* record) const {
  return Hue(record)->Name();
}

void X256HueBrowser::SetRecordName(void* record, std::string_view name) {
  static_cast<HueChange*>(record)->SetName(name);
}

void* X256HueBrowser::AddRecord(std::string_view name) {
  return host_.EditedCollection().AddHueChange(name);
}

void* X256HueBrowser::CopyRecord(const void* source, std::string_view name) {
  HueChange* copy = host_.EditedCollection().AddHueChange(name);
  *copy = *Hue(source);
  copy->SetName(name);
  return copy;
}

void X256HueBrowser::RemoveRecord(const void* record) {
  host_.EditedCollection().RemoveHueChange(Hue(record));
}

void X256HueBrowser::MoveRecord(const void* record, int32_t new_index) {
  host_.EditedCollection().MoveHueChange(Hue(record), new_index);
}

X256HueEdit* X256HueBrowser::EditorOf(const HueChange* hue_change) const {
  for (X256HueEdit* editor : editors_) {
    if (editor->EditedHueChange() == hue_change) return editor;
  }
  return nullptr;
}

bool X256HueBrowser::IsRecordOpen(const void* record) const {
  return EditorOf(Hue(record)) != nullptr;
}

void X256HueBrowser::OpenRecord(void* record) {
  auto* hue_change = static_cast<HueChange*>(record);
  if (X256HueEdit* open = EditorOf(hue_change)) {
    WM().BringToFront(open);
    return;
  }
  auto* editor = new X256HueEdit(host_, hue_change, nullptr);
  const Rect frame = editor->FrameRectInParent();
  const Point at = WM().NextCascadePosition();
  editor->SetFrameRect({at.x, at.y, at.x + frame.Width(), at.y + frame.Height()});
  WM().BringToFront(editor);
  Window::SetFocus(editor->NameBox(), 0);
  ::Connect<&X256HueBrowser::OnEditorClosed>(editor->closed, this);
  // A window tree torn down as a whole destroys the editor without closing it.
  editor->SetGoneHandler([this](X256HueEdit* gone) { std::erase(editors_, gone); });
  editors_.push_back(editor);
}

void X256HueBrowser::OnEditorClosed(intptr_t window) {
  const auto* closing = reinterpret_cast<const Window*>(window);
  std::erase_if(editors_, [closing](const X256HueEdit* e) { return e == closing; });
}

void X256HueBrowser::RecordsChanged() {
  // Copy: closing an editor takes it out of the list.
  const std::vector<X256HueEdit*> editors = editors_;
  for (X256HueEdit* editor : editors) {
    if (IndexOf(editor->EditedHueChange()) < 0) {
      std::erase(editors_, editor);
      editor->closed.Disconnect(this);
      editor->SetGoneHandler(nullptr);
      editor->Detach();
      Window::Close(editor);
    } else {
      editor->Refresh();
    }
  }
}
