#include "structs/ui/TagStructEdit.h"

#include <vector>

#include "base/ByteWriter.h"
#include "base/MessageLog.h"
#include "gui/Button.h"
#include "structs/MemberValue.h"
#include "structs/StructDefinition.h"
#include "structs/StructInstance.h"
#include "structs/StructRegistry.h"
#include "structs/ui/StructEditor.h"
#include "tags/TagCode.h"
#include "tags/TagStream.h"

TagStructEdit::TagStructEdit(const TagHeader& header, const StructRegistry& registry)
    : TagEdit(header), registry_(&registry) {
  definition_ = registry.Find(tagcode::Chars(header.group));
  if (!definition_) return;
  editor_ = new StructEditor(*definition_, registry, this);
  Connect<&TagStructEdit::OnChanged>(editor_->changed, this);
  Connect<&TagStructEdit::OnAccepted>(editor_->accepted, this);
  Connect<&TagStructEdit::OnCancelled>(editor_->cancelled, this);
}

TagEdit* TagStructEdit::Make(const TagHeader& header) {
  return new TagStructEdit(header, ProgramStructs());
}

std::string TagStructEdit::WhyNotOpened(const StructRegistry& registry, const TagHeader& header) {
  const StructDefinition* definition = registry.Find(tagcode::Chars(header.group));
  if (!definition) return "no record definition is named '" + tagcode::Display(header.group) + "'";
  if (header.data_size != definition->size()) {
    return "its data is " + std::to_string(header.data_size) + " bytes, the definition '" +
           definition->name() + "' describes " + std::to_string(definition->size());
  }
  if (!registry.FindLayout(definition->name())) {
    return "there is no structedit layout for '" + definition->name() + "'";
  }
  return {};
}

void TagStructEdit::BuildEditor() {
  editor_->Build();
  SetInitialFocus(editor_->ok_button());
  const Rect size = editor_->FrameRect();
  SetClientSize({size.Width(), size.Height()});
  OnResized();
}

bool TagStructEdit::ReadData(TagStream& stream, const TagHeader& header) {
  const std::string why = WhyNotOpened(*registry_, header);
  if (!why.empty()) {
    ReportLoadProblem(kLog, why);
    return false;
  }
  std::vector<uint8_t> data;
  if (!stream.ReadRest(data) || !editor_->instance().ReadSwapped(data)) {
    ReportLoadProblem(
        kLog, "its " + std::to_string(header.data_size) + " bytes of data could not be read");
    return false;
  }
  BuildEditor();
  return true;
}

bool TagStructEdit::Create(uint32_t group, std::string_view name) {
  if (!definition_) return false;
  if (!registry_->FindLayout(definition_->name())) {
    LogMessage(0, kLog, "No '%s' tag was created: there is no structedit layout for '%s'.\n",
               tagcode::Display(group).c_str(), definition_->name().c_str());
    return false;
  }
  if (!TagEdit::Create(group, name)) return false;
  membervalue::ReferToNothing(editor_->instance());
  BuildEditor();
  return true;
}

bool TagStructEdit::WriteData(ByteWriter& out, TagHeader& /*header*/) {
  if (!editor_) return false;
  const std::vector<uint8_t> data = editor_->instance().WriteSwapped();
  out.WriteBytes(data);
  return true;
}

void TagStructEdit::OnResized() {
  if (!editor_) return;
  const Rect& client = ClientRect();
  const Rect frame = editor_->FrameRectInParent();
  editor_->SetFrameRect(
      {0, 0, std::max(frame.Width(), client.Width()), std::max(frame.Height(), client.Height())});
}

void TagStructEdit::OnChanged(intptr_t) {
  if (!dirty()) MarkDirty(true);
}

void TagStructEdit::OnAccepted(intptr_t) {
  MarkDirty(true);
  // A failed save has been reported; the editor stays, so nothing is lost.
  if (SaveAndReport()) Window::Close(this);
}

void TagStructEdit::OnCancelled(intptr_t) {
  MarkDirty(false);
  Window::Close(this);
}
