// zarv-gallery: every control of the toolkit in one real window, for end-to-end tests. It
// starts like the editor (its preferences, Alt+F4 and the quit question) in a window titled
// "Zarv Gallery" and prints flushed JSON lines:
//   {"event":"ready","controls":{NAME:[left,top,right,bottom]},"list_row":H}   after the first
//       frame, the controls' frames in the OS window's pixels ("gallery" is the framed window
//       itself) and the height of the list's rows
//   {"event":"text","name":N,"text":T}       a text box's text changed (UTF-8)
//   {"event":"enter","name":N,"value":1|0}   Enter pressed or released in a one-line field
//   {"event":"modal","title":T}              a modal window came on top
//   {"event":"chosen","name":N,"ok":B,"paths":[...],"format":F}   a chooser ended
//   {"event":"colour","ok":B,"rgb":[R,G,B]}  the colour chooser ended
//   {"event":"clicked","name":"push"|"check","id":I,"state":S}   the push button (id 1) or
//       the check box (id 2) was clicked; S is its state afterwards (0 off, 1 on)
//   {"event":"swatch","rgba":[R,G,B,A]}      the colour swatch took a new colour
//   {"event":"selection","name":"list","current":T,"count":N}   the list's current item or
//       selection changed; T is the current item's text
//   {"event":"dropped","name":"list","text":T,"row":R}   an item was dragged to row R, and moved
//   {"event":"edited","name":"list","column":C,"text":T,"stored":B}   a cell edited after a
//       double-click ended; B is false when the text was refused
//   {"event":"selection","name":"grid","count":N}   the grid's selection changed
//   {"event":"combo","name":"combo","id":I,"text":T}   an item of the combo box was chosen
//   {"event":"image","name":N,"ok":B,"width":W,"height":H,"crc32":HEX}   copy-image put its
//       37 × 23 pattern on the clipboard, or paste-image read the clipboard's image
//   {"event":"scroll","name":"view","h":H,"v":V}, {"event":"divider","pos":P},
//   {"event":"tab","index":I}
//   {"event":"dialog","result":R}            "Gallery Dialog" ended: 1 for OK, 0 for Cancel;
//       its multi-line box reports as the text box "notes"
//   {"event":"prompt","index":I,"text":T}    the prompt "Name?" ended with button I ("Create"
//       0, "Cancel" 1) and the field's text
#include <cstdio>
#include <nlohmann/json.hpp>

#include "app/ProgramShell.h"
#include "gui/TreeRenderer.h"
#include "gui/WindowManager.h"
#include "tools/zarv-gallery/GalleryWindow.h"

namespace {
GalleryWindow* g_gallery = nullptr;
ProgramShell* g_shell = nullptr;
bool g_ready = false;

void OnIdle() {
  if (!g_gallery) return;
  if (!g_ready && g_shell->renderer().RenderCount() > 0) {
    g_ready = true;
    nlohmann::json controls = nlohmann::json::object();
    for (const auto& [name, r] : g_gallery->ControlRects()) {
      controls[name] = {r.left, r.top, r.right, r.bottom};
    }
    std::printf("%s\n", nlohmann::json({{"event", "ready"},
                                        {"controls", controls},
                                        {"list_row", g_gallery->ListRowHeight()}})
                            .dump()
                            .c_str());
    std::fflush(stdout);
  }
  if (g_ready) g_gallery->ReportChanges();
}
}  // namespace

int main() {
  ProgramShell shell;
  if (!shell.Start("Zarv Gallery")) return 1;
  g_shell = &shell;
  WindowManager& wm = shell.wm();
  g_gallery = new GalleryWindow();
  g_gallery->SetFrameRect({0, 0, 1024, 768});
  g_gallery->FitToParent();
  Window::SetFocus(g_gallery, 0);
  wm.SetIdleHook(&OnIdle);
  wm.SetInputDisabled(false);
  wm.RunMainLoop();
  g_gallery = nullptr;  // destroyed with the window tree
  shell.ShutDown();
  return 0;
}
