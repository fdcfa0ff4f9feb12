// Dialog and text editor benchmark, in a real GL window (llvmpipe under Xvfb):
//  - a dialog of 2,000 controls: one drag step of a control (the edit and the info list's
//    refresh), and a full redraw of the canvas;
//  - a 1 MiB script: opening it in the text editor (reading, loading the box, the first
//    frame), one keystroke in the middle of the text (with its redraw), and saving it.
// Every figure that draws goes through one pump of the window manager (render, present) and
// waits for GL to finish, as a frame on screen does.
//
// Prints "NAME: VALUE UNIT (target OP VALUE)" on the standard output, details on the error
// stream.
//
//   zarv_dialogbench [--rounds=N]
//
// Needs an X display; bench/run-dialog.sh runs it under xvfb-run.
#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Preferences.h"
#include "app/ProgramShell.h"
#include "base/ByteWriter.h"
#include "base/SafeFile.h"
#include "gui/TextBox.h"
#include "gui/TreeRenderer.h"
#include "gui/WindowManager.h"
#include "structs/Dialog.h"
#include "structs/ui/DialogEdit.h"
#include "structs/ui/DialogView.h"
#include "structs/ui/TextEdit.h"
#include "tags/TagCode.h"
#include "tags/TagHeader.h"
#include "tags/TagStream.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
constexpr int kControls = 2000;
constexpr size_t kScriptBytes = 1u << 20;

struct Times {
  double fastest, median, slowest;
};

Times Measure(int rounds, const std::function<void()>& run) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const Clock::time_point start = Clock::now();
    run();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return {times.front(), times[times.size() / 2], times.back()};
}

bool Report(const char* name, const Times& t, double target) {
  std::fprintf(stderr, "  %s: fastest %.3f ms, median %.3f ms, slowest %.3f ms\n", name, t.fastest,
               t.median, t.slowest);
  std::printf("%s: %.3f ms (target < %g)\n", name, t.median, target);
  std::fflush(stdout);
  if (t.median >= target) std::fprintf(stderr, "  %s: target missed\n", name);
  return t.median < target;
}

// A 640 x 480 dialog tiled with small controls of several kinds, most with a text.
Dialog ManyControls() {
  Dialog d;
  d.rect = {0, 0, 640, 480};
  const char* types[] = {"butt", "stat", "edit", "chek", "radi", "slid"};
  for (int i = 0; i < kControls; ++i) {
    const int32_t x = (i % 50) * 12, y = (i / 50) * 11;
    d.controls.push_back({tagcode::Make(types[i % 6]),
                          static_cast<int16_t>(i + 1),
                          {x, y, x + 11, y + 10},
                          i % 3 ? "label " + std::to_string(i) : ""});
  }
  return d;
}

std::string Script() {
  std::string text;
  for (int i = 0; text.size() < kScriptBytes; ++i) {
    text += "spawn unit " + std::to_string(i % 977) + " at " + std::to_string(i % 64) + " " +
            std::to_string(i % 48) + "\r";
  }
  text.resize(kScriptBytes);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 30;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with("--rounds=") && std::atoi(argv[i] + 9) > 0) {
      rounds = std::atoi(argv[i] + 9);
    } else {
      std::fprintf(stderr, "usage: zarv_dialogbench [--rounds=N]\n");
      return 2;
    }
  }
  const fs::path work =
      fs::temp_directory_path() / ("zarv-dialogbench-" + std::to_string(getpid()));
  fs::create_directories(work);
  SetPrefsPath((work / "prefs.txt").string());

  ProgramShell shell;
  if (!shell.Start("Zarv dialog editor benchmark")) return 1;
  WindowManager& wm = shell.wm();
  wm.SetInputDisabled(false);  // as the editor's main loop does, or a pump draws nothing
  for (int i = 0; i < 20; ++i) wm.PumpOnce();
  bool ok = true;

  // --- The dialog.
  TagHeader header = TagHeader::Fresh();
  header.group = tagcode::Make("bina");
  header.SetName("bench");
  auto* dialog = new DialogEdit(header);
  dialog->SetDialog(ManyControls());
  dialog->SetFrameRect({0, 0, dialog->FrameRect().Width(), dialog->FrameRect().Height()});
  dialog->Window::Show();
  for (int i = 0; i < 10; ++i) wm.PumpOnce();
  dialog->Select(kControls / 2);
  dialog->BeginDrag(Dialog::Zone::kMove);
  int step = 0;
  ok &= Report("dialog_drag_step",
               Measure(rounds * 10,
                       [&] {
                         ++step;
                         dialog->OnTrackMouse({0, 0}, {step % 7, step % 5}, kTrackMove);
                       }),
               3);
  dialog->OnTrackMouse({0, 0}, {0, 0}, kTrackEnd);
  ok &= Report("dialog_canvas_redraw",
               Measure(rounds,
                       [&] {
                         dialog->View()->InvalidateClient();
                         wm.PumpOnce();
                         glFinish();
                       }),
               50);
  Window::Close(dialog);
  for (int i = 0; i < 4; ++i) wm.PumpOnce();

  // --- The script, from a loose file as the editor reads it.
  const std::string script = Script();
  const fs::path file = work / "script";
  {
    std::vector<uint8_t> bytes(TagHeader::kSize + script.size(), 0);
    std::copy(script.begin(), script.end(), bytes.begin() + TagHeader::kSize);
    std::string error;
    if (!SafeFile::ReplaceWithBytes(file, bytes, error)) return 1;
  }
  TagHeader scri = TagHeader::Fresh();
  scri.group = tagcode::Make("scri");
  scri.SetName("bench script");
  scri.data_size = static_cast<uint32_t>(script.size());
  TextEdit* text = nullptr;
  ok &= Report(
      "script_open",
      Measure(std::max(3, rounds / 5),
              [&] {
                if (text) {
                  Window::Close(text);
                  wm.DrainDeletes();
                }
                std::string error;
                auto stream = TagStream::Open(file, TagHeader::kSize, script.size(), true, error);
                text = new TextEdit(scri);
                if (!stream || !text->ReadData(*stream, scri)) std::abort();
                text->SetFrameRect({0, 0, text->FrameRect().Width(), text->FrameRect().Height()});
                text->Window::Show();
                wm.PumpOnce();
                glFinish();
              }),
      300);
  TextBox* box = text->Box();
  Window::SetFocus(box, 0);
  const int32_t middle = box->LineCount() / 2;
  box->SetSelection({middle, 3}, {middle, 3});
  box->ScrollToRow(box->LineFirstRow(middle));
  for (int i = 0; i < 4; ++i) wm.PumpOnce();
  ok &= Report("script_keystroke",
               Measure(rounds,
                       [&] {
                         InputEvent key{'x', 1, 0, 0, 0, 0, kEventChar};
                         box->OnChar(key);
                         wm.PumpOnce();
                         glFinish();
                       }),
               2);
  // The edit alone, and a frame that redraws two pixels of the desktop: what the keystroke
  // costs beyond the window manager's own price for any frame.
  const Times edit = Measure(rounds, [&] {
    InputEvent key{'x', 1, 0, 0, 0, 0, kEventChar};
    box->OnChar(key);
  });
  std::fprintf(stderr, "  the keystroke's edit alone (no redraw): median %.3f ms\n", edit.median);
  const Times any_frame = Measure(rounds, [&] {
    wm.InvalidateRect(nullptr,
                      {wm.ScreenSize().width - 4, wm.ScreenSize().height - 4,
                       wm.ScreenSize().width - 2, wm.ScreenSize().height - 2},
                      true);
    wm.PumpOnce();
    glFinish();
  });
  std::fprintf(stderr, "  any frame (two pixels of the desktop redrawn): median %.3f ms\n",
               any_frame.median);
  const fs::path saved = work / "saved";
  ok &= Report("script_save",
               Measure(rounds,
                       [&] {
                         ByteWriter out;
                         TagHeader h = scri;
                         std::string error;
                         if (!text->WriteData(out, h) ||
                             !SafeFile::ReplaceWithBytes(saved, out.Take(), error)) {
                           std::abort();
                         }
                       }),
               50);
  std::fprintf(stderr, "  the script: %lld characters in %d lines\n",
               static_cast<long long>(box->Length()), box->LineCount());
  Window::Close(text);
  for (int i = 0; i < 4; ++i) wm.PumpOnce();
  shell.ShutDown();
  std::error_code ignored;
  fs::remove_all(work, ignored);
  return ok ? 0 : 1;
}
