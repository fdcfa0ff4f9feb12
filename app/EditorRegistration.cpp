#include "app/EditorRegistration.h"

#include <cstdint>

#include "collections/ui/X256Edit.h"
#include "models/ui/GeomEdit.h"
#include "sound/ui/SoundEdit.h"
#include "structs/StructRegistry.h"
#include "structs/ui/DialogEdit.h"
#include "structs/ui/TagStructEdit.h"
#include "structs/ui/TextEdit.h"
#include "tags/TagCode.h"
#include "tags/TagGroupTable.h"
#include "terrain/ui/DmapEdit.h"
#include "terrain/ui/DtexEdit.h"
#include "terrain/ui/MeshEdit.h"

namespace {
struct Assignment {
  uint32_t group;
  TagEditorFactory factory;
};

// The dedicated editors; each overrides whatever the first pass gave its groups.
const Assignment kDedicated[] = {
    {tagcode::Make(".256"), &X256Edit::Make},  {tagcode::Make("ditl"), &TextEdit::Make},
    {tagcode::Make("scri"), &TextEdit::Make},  {tagcode::Make("stli"), &TextEdit::Make},
    {tagcode::Make("temp"), &TextEdit::Make},  {tagcode::Make("text"), &TextEdit::Make},
    {tagcode::Make("dtex"), &DtexEdit::Make},  {tagcode::Make("mesh"), &MeshEdit::Make},
    {tagcode::Make("dmap"), &DmapEdit::Make},  {tagcode::Make("geom"), &GeomEdit::Make},
    {tagcode::Make("soun"), &SoundEdit::Make}, {tagcode::Make("bina"), &DialogEdit::Make},
};

// Every group a record definition describes gets the struct editor (the registry leaves out
// the groups whose own editor would take them back anyway).
void RegisterStructEditors() {
  for (uint32_t group : ProgramStructs().EditedGroups()) {
    TagGroupTable::SetEditor(group, &TagStructEdit::Make);
  }
}
}  // namespace

void RegisterTagEditors() {
  TagGroupTable::ClearEditors();
  RegisterStructEditors();
  for (const Assignment& a : kDedicated) TagGroupTable::SetEditor(a.group, a.factory);
}
