#include "tags/TagGroupTable.h"

#include <array>

#include "tags/TagCode.h"
#include "tags/TagHeader.h"

namespace {

// Mutable only in its editor column, which start-up fills once the editors are known.
std::array<TagGroupRow, TagGroupTable::kRowCount> g_rows = {{
    {tagcode::Make("amso"), "Ambient Sounds", "Ambient Sound", nullptr},
    {tagcode::Make("anim"), "Model Animations", "Model Animation", nullptr},
    {tagcode::Make("arti"), "Artifacts", "Artifact", nullptr},
    {tagcode::Make("core"), "Collection References", "Collection Reference", nullptr},
    {tagcode::Make(".256"), "Collections", "Collection", nullptr},
    {tagcode::Make("conn"), "Connectors", "Connector", nullptr},
    {tagcode::Make("ditl"), "Dialog String Lists", "Dialog String List", nullptr},
    {tagcode::Make("dmap"), "Detail Maps", "Detail Map", nullptr},
    {tagcode::Make("dtex"), "Detail Textures", "Detail Texture", nullptr},
    {tagcode::Make("bina"), "Dialogs", "Dialog", nullptr},
    {tagcode::Make("font"), "Fonts", "Font", nullptr},
    {tagcode::Make("form"), "Formations", "Formations", nullptr},
    {tagcode::Make("geom"), "Geometries", "Geometry", nullptr},
    {tagcode::Make("inte"), "Interface", "Interface", nullptr},
    {tagcode::Make("ligh"), "Lightning", "Lightning", nullptr},
    {tagcode::Make("phys"), "Local Physics", "Local Physics", nullptr},
    {tagcode::Make("lpgr"), "Local Projectile Groups", "Local Projectile Group", nullptr},
    {tagcode::Make("medi"), "Media Types", "Media Type", nullptr},
    {tagcode::Make("meef"), "Mesh Effect", "Mesh Effect", nullptr},
    {tagcode::Make("meli"), "Mesh Lighting", "Mesh Lighting", nullptr},
    {tagcode::Make("mesh"), "Meshes", "Mesh", nullptr},
    {tagcode::Make("mode"), "Models", "Model", nullptr},
    {tagcode::Make("mons"), "Monsters", "Monster", nullptr},
    {tagcode::Make("obje"), "Objects", "Object", nullptr},
    {tagcode::Make("obpc"), "Observer Constants", "Observer Constants", nullptr},
    {tagcode::Make("part"), "Particle Systems", "Particle Systems", nullptr},
    {tagcode::Make("pref"), "Preferences", "Preferences", nullptr},
    {tagcode::Make("prel"), "Preloaded Data", "Preloaded Data", nullptr},
    {tagcode::Make("prgr"), "Projectile Groups", "Projectile Group", nullptr},
    {tagcode::Make("proj"), "Projectiles", "Projectile", nullptr},
    {tagcode::Make("reco"), "Recordings", "Recording", nullptr},
    {tagcode::Make("save"), "Saved Games", "Save", nullptr},
    {tagcode::Make("scen"), "Scenery", "Scenery", nullptr},
    {tagcode::Make("scri"), "Scripts", "Script", nullptr},
    {tagcode::Make("soli"), "Sound Lists", "Sound List", nullptr},
    {tagcode::Make("soun"), "Sounds", "Sound", nullptr},
    {tagcode::Make("stli"), "String Lists", "String List", nullptr},
    {tagcode::Make("temp"), "Templates", "Template", nullptr},
    {tagcode::Make("text"), "Text", "Text", nullptr},
    {tagcode::Make("unit"), "Units", "Unit", nullptr},
    {tagcode::Make("wind"), "Wind", "Wind", nullptr},
    {tagcode::Make("txst"), "Texture Stacks", "Texture Stack", nullptr},
    {tagcode::Make("skmd"), "Skeletal Models", "Skeletal Model", nullptr},
    {tagcode::Make("skan"), "Skeletal Animation", "Skeletal Animation", nullptr},
    {tagcode::Make("canm"), "Camera Animations", "Camera Animation", nullptr},
    {tagcode::Make("loli"), "Local Lights", "Local Light", nullptr},
    {tagcode::Make("glli"), "Global Lights", "Global Light", nullptr},
    {tagcode::Make("grsp"), "Ground Sprites", "Ground Sprites", nullptr},
    {tagcode::Make("spri"), "Sprite Definitions", "Sprite Definition", nullptr},
    {tagcode::Make("game"), "Game Parameters", "Game Parameters", nullptr},
    {tagcode::Make("rawd"), "Raw Files", "Raw File", nullptr},
    {tagcode::Make("jpeg"), "JPEG Files", "JPEG File", nullptr},
    {tagcode::Make("quik"), "Quicktime/MP3", "Quicktime/MP3", nullptr},
}};

}  // namespace

std::span<const TagGroupRow> TagGroupTable::Rows() {
  return g_rows;
}

const TagGroupRow* TagGroupTable::Find(uint32_t code) {
  for (const TagGroupRow& row : g_rows) {
    if (row.code == code) return &row;
  }
  return nullptr;
}

std::string TagGroupTable::PluralName(uint32_t code) {
  const TagGroupRow* row = Find(code);
  return row ? row->plural : tagcode::Display(code);
}

void TagGroupTable::SetEditor(uint32_t code, TagEditorFactory factory) {
  for (TagGroupRow& row : g_rows) {
    if (row.code == code) row.editor = factory;
  }
}

TagEdit* TagGroupTable::MakeEditor(const TagHeader& header) {
  const TagGroupRow* row = Find(header.group);
  return row && row->editor ? row->editor(header) : nullptr;
}

void TagGroupTable::ClearEditors() {
  for (TagGroupRow& row : g_rows) row.editor = nullptr;
}
