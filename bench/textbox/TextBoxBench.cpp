// Text box benchmark: a 600x400 multi-line editor (mode 6) in a headless window manager that
// draws into a painter which throws everything away, so that the figures are the toolkit's
// own work: editing, re-flowing, signalling, laying out and queueing the visible rows.
//
//   set text 1 MB       SetText with 1 MB in 20,000 lines, and the redraw after it
//   type 1 MB, 1 KB     one character typed in the middle of the text, through the event
//                       queue: edit, text changed, re-flow, redraw of the dirty rows
//   page down 1 MB      one Page Down key, with its scroll and redraw
//
// Prints Google Benchmark's table on the error stream, then one line per figure with its
// target on the standard output.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/support/BenchReport.h"
#include "bench/support/HeadlessGui.h"
#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/TextBox.h"
#include "gui/TreeRenderer.h"
#include "gui/WindowManager.h"
#include "tests/support/MonoFont.h"

namespace {

using Clock = std::chrono::steady_clock;

class Counter : public has_slots<void> {
 public:
  void OnChanged(intptr_t) { ++changes; }
  int changes = 0;
};

// Lines of 20 to 80 letters in words; the longer ones wrap in the 586-pixel text column.
std::string MakeText(size_t lines) {
  std::mt19937 random(7);
  std::string text;
  for (size_t i = 0; i < lines; ++i) {
    const int length = 20 + static_cast<int>(random() % 61);
    for (int c = 0; c < length; ++c) {
      text += (c % 7 == 6) ? ' ' : static_cast<char>('a' + random() % 26);
    }
    text += '\n';
  }
  return text;
}

// One editor on its own window manager, built once per text size.
struct Editor {
  explicit Editor(size_t lines) : text(MakeText(lines)) {
    // Every glyph on one page, as a real font's would be, so that drawing builds its quads.
    font.pages().push_back({256, 256, 0});
    for (int code = kFontFirstChar; code < 256; ++code) {
      Font::Glyph& glyph = font.GetGlyph(kFontPlain, static_cast<uint8_t>(code));
      if (glyph.HasBitmap()) glyph.page = 0;
    }
    SetCurrentPainter(&painter);
    SetDefaultFont(&font);
    wm = std::make_unique<WindowManager>(platform, &renderer);
    wm->ResizeScreen(1024, 768);
    wm->SetInputDisabled(false);
    auto* frame = new Window(WindowFlag::Visible | WindowFlag::BackgroundA, nullptr);
    frame->SetFrameRect({0, 0, 800, 600});
    box = new TextBox(TextBox::kEditor, frame);
    box->SetFrameRect({10, 10, 610, 410});
    box->SetMaxLength(8 << 20);
    Connect<&Counter::OnChanged>(box->text_changed, &counter);
    Window::SetFocus(box, 0);
    box->SetText(text);
    wm->PumpOnce();
  }
  ~Editor() {
    wm.reset();
    SetCurrentPainter(nullptr);
    SetDefaultFont(nullptr);
  }
  void Key(int code) {
    wm->QueueEvent({code, 1, 0, 0, 0, 0, kEventKey});
    wm->PumpOnce();
    wm->QueueEvent({code, 0, 0, 0, 0, 0, kEventKey});
  }
  void Middle() {
    const int32_t line = box->LineCount() / 2;
    box->SetSelection({line, 10}, {line, 10});
    wm->PumpOnce();
  }

  BenchPlatform platform;
  TreeRenderer renderer;
  NullPainter painter;
  Font font{MonoFontData(8, 15)};
  std::unique_ptr<WindowManager> wm;
  TextBox* box = nullptr;
  Counter counter;
  std::string text;
};

constexpr size_t kLargeLines = 20000;
constexpr size_t kSmallLines = 20;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_SetText(benchmark::State& state) {
  Editor editor(kLargeLines);
  for (auto _ : state) {
    const auto start = Clock::now();
    editor.box->SetText(editor.text);
    editor.wm->PumpOnce();
    state.SetIterationTime(Since(start));
  }
  state.counters["bytes"] = static_cast<double>(editor.text.size());
  state.counters["rows"] = editor.box->RowCount();
}

void BM_Type(benchmark::State& state) {
  Editor editor(static_cast<size_t>(state.range(0)));
  editor.Middle();
  for (auto _ : state) {
    const auto start = Clock::now();
    editor.wm->QueueEvent({'x', 1, 0, 0, 0, 0, kEventChar});
    editor.wm->PumpOnce();
    state.SetIterationTime(Since(start));
    editor.Key(Key::Backspace);  // keeps the text the same size; not timed
  }
  state.counters["quads"] = benchmark::Counter(static_cast<double>(editor.painter.quads_),
                                               benchmark::Counter::kAvgIterations);
  if (editor.box->Length() != static_cast<int64_t>(editor.text.size()))
    state.SkipWithError("the text changed size");
  state.counters["bytes"] = static_cast<double>(editor.text.size());
}

void BM_PageDown(benchmark::State& state) {
  Editor editor(kLargeLines);
  for (auto _ : state) {
    if (editor.box->Caret().line + 1 >= editor.box->LineCount()) {
      editor.box->SetSelection({}, {});
      editor.wm->PumpOnce();
    }
    const auto start = Clock::now();
    editor.wm->QueueEvent({Key::PageDown, 1, 0, 0, 0, 0, kEventKey});
    editor.wm->PumpOnce();
    state.SetIterationTime(Since(start));
    editor.wm->QueueEvent({Key::PageDown, 0, 0, 0, 0, 0, kEventKey});
  }
}

BENCHMARK(BM_SetText)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Type)
    ->Arg(kLargeLines)
    ->Arg(kSmallLines)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PageDown)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Keeps the mean time of every run, in milliseconds, besides printing the table.
}  // namespace

int main(int argc, char** argv) {
  BenchReport report;
  if (!report.RunAll(argc, argv)) return 1;
  const auto get = [&](const char* name) { return report.Ms(name); };
  const double large = get("BM_Type/20000/manual_time");
  const double small = get("BM_Type/20/manual_time");
  Figure("set text 1 MB", get("BM_SetText/manual_time"), "ms", "<", 30);
  Figure("type mid-text 1 MB", large, "ms", "<", 0.5);
  Figure("type mid-text 1 KB", small, "ms", "<", 0.5);
  Figure("type 1 MB / 1 KB", small > 0 ? large / small : -1, "x", "<", 2);
  Figure("page down 1 MB", get("BM_PageDown/manual_time"), "ms", "<", 1);
  return 0;
}
