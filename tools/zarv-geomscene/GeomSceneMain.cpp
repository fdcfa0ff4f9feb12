// zarv_geomscene --game DIR --geom NAME [--drag pan|rotate|zoom:DX,DY]... --screenshot FILE
//
// Opens the geometry whose loose file is DIR/local/geometries/NAME in its viewer, started like
// the editor (preferences, resources, editors), presses each named transform button, moves the
// pointer DX, DY pixels in a few steps and releases it, all as input events through the window
// manager; then draws a frame and writes the viewer's client area to FILE as an RGB PNG. Exit
// status 0 on success, 1 with the reason on standard error otherwise.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/EditorRegistration.h"
#include "app/ProgramShell.h"
#include "collections/Image.h"
#include "collections/PngFile.h"
#include "gui/InputEvent.h"
#include "gui/Painter.h"
#include "gui/WindowManager.h"
#include "models/ui/GeomEdit.h"
#include "models/ui/ViewTransformButton.h"
#include "structs/StructRegistry.h"
#include "tags/Codex.h"
#include "tags/TagCode.h"
#include "tags/ui/TagEdit.h"

namespace {

struct Drag {
  std::string button;
  int dx = 0, dy = 0;
};

int Fail(const std::string& why) {
  std::fprintf(stderr, "zarv_geomscene: %s\n", why.c_str());
  return 1;
}

bool ParseDrag(const std::string& text, Drag& drag) {
  const size_t colon = text.find(':');
  const size_t comma = text.find(',', colon == std::string::npos ? 0 : colon);
  if (colon == std::string::npos || comma == std::string::npos) return false;
  drag.button = text.substr(0, colon);
  if (drag.button != "pan" && drag.button != "rotate" && drag.button != "zoom") return false;
  char* end = nullptr;
  const std::string dx = text.substr(colon + 1, comma - colon - 1);
  const std::string dy = text.substr(comma + 1);
  drag.dx = static_cast<int>(std::strtol(dx.c_str(), &end, 10));
  if (dx.empty() || *end) return false;
  drag.dy = static_cast<int>(std::strtol(dy.c_str(), &end, 10));
  return !dy.empty() && !*end;
}

// The tag id from a loose file's 64-byte header (big-endian, at offset 40).
bool LooseTagId(const std::filesystem::path& file, uint32_t& id) {
  std::ifstream in(file, std::ios::binary);
  unsigned char header[64];
  if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return false;
  id = (uint32_t{header[40]} << 24) | (uint32_t{header[41]} << 16) | (uint32_t{header[42]} << 8) |
       header[43];
  return true;
}

void Pump(WindowManager& wm, int frames) {
  for (int i = 0; i < frames; ++i) wm.PumpOnce();
}

void Mouse(WindowManager& wm, int x, int y, int button, int down, int32_t type) {
  wm.QueueEvent({x, y, 0, 0, button, down, type});
}

}  // namespace

int main(int argc, char** argv) {
  std::string game, geom, screenshot;
  std::vector<Drag> drags;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i], value = argv[i + 1];
    if (option == "--game") {
      game = value;
    } else if (option == "--geom") {
      geom = value;
    } else if (option == "--screenshot") {
      screenshot = value;
    } else if (option == "--drag") {
      Drag drag;
      if (!ParseDrag(value, drag)) return Fail("bad drag '" + value + "'");
      drags.push_back(drag);
    } else {
      return Fail("unknown option " + option);
    }
  }
  if (game.empty() || geom.empty() || screenshot.empty()) {
    return Fail(
        "usage: zarv_geomscene --game DIR --geom NAME [--drag pan|rotate|zoom:DX,DY]... "
        "--screenshot FILE");
  }
  // Paths as given, before start-up moves to the executable's folder.
  const std::filesystem::path game_folder = std::filesystem::absolute(game);
  const std::filesystem::path output = std::filesystem::absolute(screenshot);
  uint32_t id = 0;
  if (!LooseTagId(game_folder / "local" / "geometries" / geom, id)) {
    return Fail("no geometry file " + geom + " in " + game);
  }

  ProgramShell shell;
  if (!shell.Start("Zarv Geometry Scene")) return 1;
  WindowManager& wm = shell.wm();
  LoadProgramStructs("res");
  RegisterTagEditors();
  Codex& codex = ProgramCodex();
  codex.OpenGameFolder(game_folder);
  CodexEntry* entry = codex.Find(tagcode::Make("geom"), id);
  auto* editor = entry ? dynamic_cast<GeomEdit*>(TagEdit::OpenEditor(entry)) : nullptr;
  if (!editor) {
    shell.ShutDown(&ReleaseProgramCodex);
    return Fail("the geometry " + geom + " could not be opened");
  }
  editor->SetFrameRect({8, 8, 8 + editor->FrameRect().Width(), 8 + editor->FrameRect().Height()});
  wm.SetInputDisabled(false);
  Pump(wm, 3);

  for (const Drag& drag : drags) {
    ViewTransformButton* button = drag.button == "pan"      ? editor->PanButton()
                                  : drag.button == "rotate" ? editor->RotateButton()
                                                            : editor->ZoomButton();
    const Rect r = button->FrameRect();
    const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    Mouse(wm, x, y, 0, 0, kEventMove);
    Mouse(wm, x, y, 0, 1, kEventButton);
    Pump(wm, 2);
    constexpr int kSteps = 4;
    for (int s = 1; s <= kSteps; ++s) {
      Mouse(wm, x + drag.dx * s / kSteps, y + drag.dy * s / kSteps, 0, 0, kEventMove);
      Pump(wm, 1);
    }
    Mouse(wm, x + drag.dx, y + drag.dy, 0, 0, kEventButton);
    Pump(wm, 2);
  }

  wm.RequestFullRedraw();
  Pump(wm, 2);
  const Rect client = editor->ClientRect();
  std::vector<uint8_t> rgb;
  Image image;
  std::string error;
  bool ok = CurrentPainter() && CurrentPainter()->ReadPixels(client, rgb) &&
            image.setSize(static_cast<uint32_t>(client.Width()),
                          static_cast<uint32_t>(client.Height()), ImageFormat::kRgb, rgb.data());
  if (ok) {
    std::FILE* file = std::fopen(output.c_str(), "wb");
    ok = file && PngFile::Write(file, image, error);
    if (file) ok = std::fclose(file) == 0 && ok;
  }
  shell.ShutDown(&ReleaseProgramCodex);
  if (!ok) return Fail("the screenshot could not be written " + error);
  return 0;
}
