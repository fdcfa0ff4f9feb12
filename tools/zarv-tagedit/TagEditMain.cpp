// zarv-tagedit --game DIR --group G --id ID: the editor of one tag alone in a real window,
// started like the editor (its preferences, resources and record descriptions). A tag that
// cannot be opened ends it at once with exit status 1 and the reason on standard error.
// Otherwise it prints flushed JSON lines:
//   {"event":"ready","controls":{KEY:[left,top,right,bottom]}}   after the first frame, the
//       editor's controls in OS-window pixels, keyed as StructEditor::controls() names them;
//       the dialog editor reports the client areas of its "canvas" and its "info" list, the
//       text editor that of its "text" box (other editors report no controls)
//   {"event":"modal","title":T,"controls":{...}}   a nested editor or a dialog came on top;
//       a dialog's controls are its buttons, keyed by label; "Edit Control Data" adds its
//       "id", "type", "tag" and "text" fields
//   {"event":"saved","file":F}   the tag was saved into F, relative to DIR
//   {"event":"exit"}             the editor closed and the program ends
// G is a group's four characters; ID a tag id's four characters or a number (0x for hex).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "app/EditorRegistration.h"
#include "app/ProgramShell.h"
#include "gui/Button.h"
#include "gui/ComboBox.h"
#include "gui/ListWindow.h"
#include "gui/TextBox.h"
#include "gui/TreeRenderer.h"
#include "gui/WindowManager.h"
#include "structs/StructRegistry.h"
#include "structs/ui/DialogEdit.h"
#include "structs/ui/DialogView.h"
#include "structs/ui/EditControlDialog.h"
#include "structs/ui/StructEditor.h"
#include "structs/ui/TagStructEdit.h"
#include "structs/ui/TextEdit.h"
#include "tags/Codex.h"
#include "tags/TagCode.h"
#include "tags/TagGroupTable.h"
#include "tags/ui/TagEdit.h"

namespace {
ProgramShell* g_shell = nullptr;
TagEdit* g_editor = nullptr;
CodexEntry* g_entry = nullptr;
bool g_ready = false;
Window* g_modal = nullptr;

void Print(const nlohmann::json& line) {
  std::printf("%s\n", line.dump().c_str());
  std::fflush(stdout);
}

nlohmann::json RectJson(const Rect& r) {
  return {r.left, r.top, r.right, r.bottom};
}

nlohmann::json ControlsOf(const StructEditor* editor) {
  nlohmann::json controls = nlohmann::json::object();
  if (!editor) return controls;
  for (const auto& [key, control] : editor->controls())
    controls[key] = RectJson(control->FrameRect());
  return controls;
}

void CollectButtons(const Window* w, nlohmann::json& out) {
  if (dynamic_cast<const Button*>(w) && w->GetTitle())
    out[w->GetTitle()] = RectJson(w->FrameRect());
  for (const Window* c = w->FirstChild(); c; c = c->NextSibling()) CollectButtons(c, out);
}

nlohmann::json EditorControls(const TagEdit* editor) {
  if (const auto* tag = dynamic_cast<const TagStructEdit*>(editor))
    return ControlsOf(tag->Editor());
  nlohmann::json controls = nlohmann::json::object();
  if (const auto* dialog = dynamic_cast<const DialogEdit*>(editor)) {
    controls["canvas"] = RectJson(dialog->View()->ClientRect());
    controls["info"] = RectJson(dialog->Info()->ClientRect());
  } else if (const auto* text = dynamic_cast<const TextEdit*>(editor)) {
    controls["text"] = RectJson(text->Box()->ClientRect());
  }
  return controls;
}

void OnIdle() {
  WindowManager& wm = g_shell->wm();
  if (!g_ready && g_editor && g_shell->renderer().RenderCount() > 0) {
    g_ready = true;
    Print({{"event", "ready"}, {"controls", EditorControls(g_editor)}});
  }
  if (!g_ready) return;
  Window* top = wm.TopModalWindow();
  if (top == g_modal) return;
  g_modal = top;
  if (!top) return;
  nlohmann::json controls = nlohmann::json::object();
  if (const auto* nested = dynamic_cast<const StructEditor*>(top)) {
    controls = ControlsOf(nested);
  } else {
    CollectButtons(top, controls);
  }
  if (const auto* edit = dynamic_cast<const EditControlDialog*>(top)) {
    controls["id"] = RectJson(edit->IdField()->FrameRect());
    controls["type"] = RectJson(edit->TypeMenu()->FrameRect());
    controls["tag"] = RectJson(edit->TagField()->FrameRect());
    controls["text"] = RectJson(edit->TextField()->FrameRect());
  }
  Print({{"event", "modal"},
         {"title", top->GetTitle() ? top->GetTitle() : ""},
         {"controls", controls}});
}

void OnCodexEvent(void* /*context*/, Archive* /*archive*/, CodexEntry* entry, int event) {
  if (entry != g_entry || !entry->local_copy()) return;
  if (event != kCodexTagAppeared && event != kCodexTagChanged) return;
  std::string folder = TagGroupTable::PluralName(entry->group());
  for (char& c : folder) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  Print({{"event", "saved"}, {"file", "local/" + folder + "/" + entry->local_copy()->file_name}});
}

void OnEditorClosed(void*, intptr_t) {
  g_editor = nullptr;
  g_shell->wm().Quit();
}

bool ParseId(const std::string& text, uint32_t& id) {
  if (text.size() == 4) {
    id = tagcode::Make(text);
    return true;
  }
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0' || value > 0xFFFFFFFFull) return false;
  id = static_cast<uint32_t>(value);
  return true;
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "zarv-tagedit: %s\n", why.c_str());
  return 1;
}

// Why the tag's editor would not open, or empty when it will. Checked before opening, so the
// harness never waits on the editor's own error box.
std::string WhyNot(Codex& codex, CodexEntry* entry) {
  const TagHeader header = codex.EntryHeader(*entry);
  TagEdit* probe = TagGroupTable::MakeEditor(header);
  if (!probe) return "the group '" + tagcode::Display(header.group) + "' has no editor";
  const bool is_struct = dynamic_cast<TagStructEdit*>(probe) != nullptr;
  Window::Close(probe);
  return is_struct ? TagStructEdit::WhyNotOpened(ProgramStructs(), header) : std::string();
}
}  // namespace

int main(int argc, char** argv) {
  std::string game, group, id_text;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--game")
      game = argv[i + 1];
    else if (option == "--group")
      group = argv[i + 1];
    else if (option == "--id")
      id_text = argv[i + 1];
    else
      return Fail("unknown option " + option);
  }
  uint32_t id = 0;
  if (game.empty() || group.size() != 4 || !ParseId(id_text, id)) {
    return Fail("usage: zarv-tagedit --game DIR --group G --id ID");
  }
  // The game folder as given, before start-up moves to the executable's folder.
  const std::filesystem::path game_folder = std::filesystem::absolute(game);

  ProgramShell shell;
  if (!shell.Start("Zarv Tag Editor")) return 1;
  g_shell = &shell;
  WindowManager& wm = shell.wm();
  LoadProgramStructs("res");
  RegisterTagEditors();
  Codex& codex = ProgramCodex();
  codex.OpenGameFolder(game_folder);
  g_entry = codex.Find(tagcode::Make(group), id);
  std::string why =
      g_entry ? WhyNot(codex, g_entry) : "no tag " + group + " " + id_text + " in " + game;
  if (why.empty()) {
    g_editor = TagEdit::OpenEditor(g_entry);
    if (!g_editor) why = "the tag could not be loaded";
  }
  if (!why.empty()) {
    shell.ShutDown(&ReleaseProgramCodex);
    return Fail(why);
  }
  g_editor->SetFrameRect(
      {8, 8, 8 + g_editor->FrameRect().Width(), 8 + g_editor->FrameRect().Height()});
  Connect(g_editor->closed, &OnEditorClosed);
  codex.AddListener(&OnCodexEvent, nullptr);
  wm.SetIdleHook(&OnIdle);
  wm.SetInputDisabled(false);
  wm.RunMainLoop();
  codex.RemoveListener(&OnCodexEvent, nullptr);
  Print({{"event", "exit"}});
  shell.ShutDown(&ReleaseProgramCodex);
  return 0;
}
