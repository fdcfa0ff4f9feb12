#include "app/EditorRegistration.h"

#include <cstdint>

#include "structs/ui/TextEdit.h"
#include "tags/TagCode.h"
#include "tags/TagGroupTable.h"

namespace {
struct Assignment {
  uint32_t group;
  TagEditorFactory factory;
};

// The dedicated editors; each overrides whatever the first pass gave its groups.
const Assignment kDedicated[] = {
    {tagcode::Make("ditl"), &TextEdit::Make}, {tagcode::Make("scri"), &TextEdit::Make},
    {tagcode::Make("stli"), &TextEdit::Make}, {tagcode::Make("temp"), &TextEdit::Make},
    {tagcode::Make("text"), &TextEdit::Make},
};

// Groups described by a struct definition get the struct editor here once definitions are
// read; there are none yet.
void RegisterStructEditors() {}
}  // namespace

void RegisterTagEditors() {
  TagGroupTable::ClearEditors();
  RegisterStructEditors();
  for (const Assignment& a : kDedicated) TagGroupTable::SetEditor(a.group, a.factory);
}
