// Lists benchmark: the list window, the grid and the combo box at the sizes the archive
// browser reaches, and the log viewer with a long log, in a real 640 × 480 GL window (the redraws
// run on whatever OpenGL the display has: llvmpipe under Xvfb). The editor's start-up comes from
// the program shell.
//
// Prints one line a figure, "NAME: VALUE UNIT (target OP VALUE)", on the standard output and
// the details behind each on the error stream. "A/B" figures are the same work on a big and a
// small list (or grid): how much the size costs, which should be nothing.
//
//   zarv_listsbench [--rounds=N]
//
// Needs an X display; bench/run-lists.sh runs it under xvfb-run.
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Preferences.h"
#include "app/ProgramShell.h"
#include "base/MessageLog.h"
#include "gui/ComboBox.h"
#include "gui/Draw.h"
#include "gui/GridWindow.h"
#include "gui/ListWindow.h"
#include "gui/MessageLogWindow.h"
#include "gui/TextBox.h"
#include "gui/TreeRenderer.h"
#include "gui/WindowManager.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The median of `rounds` runs of `work`, in milliseconds; `prepare` runs untimed before each.
double TimeMs(int rounds, const std::function<void()>& work,
              const std::function<void()>& prepare = {}) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    if (prepare) prepare();
    const Clock::time_point start = Clock::now();
    work();
    times.push_back(MsSince(start));
  }
  return Median(times);
}

void Figure(const char* name, double value, const char* unit, const char* op, double target) {
  const bool met = std::strcmp(op, "<") == 0    ? value < target
                   : std::strcmp(op, "<=") == 0 ? value <= target
                                                : false;
  std::printf("%s: %.3f %s (target %s %g)\n", name, value, unit, op, target);
  std::fflush(stdout);
  if (!met) std::fprintf(stderr, "  %s: target missed\n", name);
}

// The fields the list's columns after the name describe.
struct Record {
  uint32_t size = 0;
  uint32_t code = 0;
  uint32_t offset = 0;
};

// Names as tags have them, in an order far from sorted: "Rock 07919", "rock 15838", ...
std::string TagLikeName(int i, int n) {
  static constexpr const char* kKinds[] = {"Bush", "Rock", "rock", "Tree", "Unit"};
  char name[64];
  std::snprintf(name, sizeof name, "%s %05d", kKinds[i % 5],
                static_cast<int>((static_cast<int64_t>(i) * 7919) % n));
  return name;
}

class Bench {
 public:
  Bench(ProgramShell& shell, int rounds) : shell_(shell), wm_(shell.wm()), rounds_(rounds) {}

  bool Run();

 private:
  // Lets queued events and the frames they cause pass.
  void Settle(int passes = 6) {
    for (int i = 0; i < passes; ++i) wm_.PumpOnce();
  }
  void Queue(int32_t type, int32_t x, int32_t y, int32_t button = 0, int32_t down = 0) {
    wm_.QueueEvent({x, y, 0, 0, button, down, type});
  }
  void QueueKey(int32_t code, bool down) {
    wm_.QueueEvent({code, down ? 1 : 0, 0, 0, 0, 0, kEventKey});
  }
  void QueueChar(int32_t code) { wm_.QueueEvent({code, 1, 0, 0, 0, 0, kEventChar}); }
  // A full redraw, drawn to the end.
  double RedrawMs() {
    return TimeMs(rounds_ * 4, [&] {
      wm_.RequestFullRedraw();
      shell_.renderer().Render(wm_);
      glFinish();
    });
  }
  // Drags the list's thumb so that it ends at `fraction` of the track.
  void DragThumb(ScrollableWindow* view, double fraction);

  ListWindow* MakeList(int rows, std::vector<Record>& records);
  void Discard(Window* w) {
    Window::Close(w);
    Settle();
  }

  bool ListAddSort();
  bool ListRedraw();
  bool DragReorder();
  bool EditCell();
  bool TypeAhead();
  bool SelectAll();
  bool ItemBytes();
  bool GridRedraw();
  bool RubberBand();
  bool Combo();
  bool LogAppend();
  bool LogRedraw();

  GridWindow* MakeGrid(int cells, Size cell, const Rect& frame);
  // Resizes the OS window and waits for the window manager to follow.
  void ResizeScreen(int32_t width, int32_t height) {
    glfwSetWindowSize(shell_.window(), width, height);
    for (int i = 0; i < 400 && wm_.Root()->FrameRect().Width() != width; ++i) wm_.PumpOnce();
    Settle();
  }

  ProgramShell& shell_;
  WindowManager& wm_;
  int rounds_;
};

ListWindow* Bench::MakeList(int rows, std::vector<Record>& records) {
  auto* list = new ListWindow(ListStyle::MultiSelect | ListStyle::Header | ListStyle::Draggable,
                              WindowFlag::Visible, wm_.Layer0());
  list->SetFrameRect({0, 0, 640, 480});
  list->AddColumn("Name", "%s", 0, 0, 280, 0);
  list->AddColumn("Size", "%u", ColumnType::Unsigned, 4, 120, 0);
  list->AddColumn("Type", "%s", ColumnType::FourCC, 4, 100, 0);
  list->AddColumn("Offset", "%u", ColumnType::Unsigned, 4, 120, 0);
  records.assign(static_cast<size_t>(rows), Record{});
  for (int i = 0; i < rows; ++i) {
    Record& r = records[static_cast<size_t>(i)];
    r.size = static_cast<uint32_t>(i) * 37u;
    r.code = 0x756E6974u;  // 'unit'
    r.offset = static_cast<uint32_t>(i) * 4096u;
    list->AddItem(nullptr, 0, ListItemFlag::TextOrdered, reinterpret_cast<uint64_t>(&r),
                  TagLikeName(i, rows));
  }
  list->Sort();
  list->Refresh();
  Window::SetFocus(list, 0);
  Settle();
  return list;
}

void Bench::DragThumb(ScrollableWindow* view, double fraction) {
  const Rect thumb = view->BarPartRect(ScrollPart::VerticalThumb);
  // The track runs between the two arrows.
  const int32_t track_top = view->BarPartRect(ScrollPart::Up).bottom;
  const int32_t track_bottom = view->BarPartRect(ScrollPart::Down).top;
  const int32_t x = (thumb.left + thumb.right) / 2;
  const int32_t from = (thumb.top + thumb.bottom) / 2;
  const int32_t to = track_top + static_cast<int32_t>(fraction * (track_bottom - track_top));
  Queue(kEventMove, x, from);
  Queue(kEventButton, x, from, 0, 1);
  Queue(kEventMove, x, (from + to) / 2);
  Queue(kEventMove, x, to);
  Queue(kEventButton, x, to, 0, 0);
  Settle();
}

bool Bench::ListAddSort() {
  constexpr int kRows = 50000;
  std::vector<Record> records;
  ListWindow* list = nullptr;
  const double ms = TimeMs(
      std::max(3, rounds_ / 2), [&] { list = MakeList(kRows, records); },
      [&] {
        if (list) Discard(list);
        list = nullptr;
      });
  Discard(list);
  // What the same names cost sorted as plain C strings, for comparison.
  std::vector<std::string> names;
  for (int i = 0; i < kRows; ++i) names.push_back(TagLikeName(i, kRows));
  std::vector<const char*> pointers;
  const double plain = TimeMs(
      rounds_,
      [&] {
        std::stable_sort(pointers.begin(), pointers.end(),
                         [](const char* a, const char* b) { return std::strcmp(a, b) < 0; });
      },
      [&] {
        pointers.clear();
        for (const std::string& n : names) pointers.push_back(n.c_str());
      });
  std::fprintf(stderr, "  list add+sort 50000: %.1f ms; std::stable_sort by strcmp alone %.1f ms\n",
               ms, plain);
  Figure("list add+sort 50000", ms, "ms", "<", 1000);
  return true;
}

bool Bench::ListRedraw() {
  double per_size[2] = {0, 0};
  const int sizes[2] = {50000, 50};
  for (int s = 0; s < 2; ++s) {
    std::vector<Record> records;
    ListWindow* list = MakeList(sizes[s], records);
    double total = 0;
    for (double fraction : {0.0, 0.5, 1.0}) {
      DragThumb(list, fraction);
      total += RedrawMs();
    }
    per_size[s] = total / 3;
    std::fprintf(stderr, "  list redraw %d rows: %.3f ms a frame (top, middle, end)\n", sizes[s],
                 per_size[s]);
    Discard(list);
  }
  Figure("list redraw 50000/50", per_size[0] / per_size[1], "ratio", "<=", 2);
  return true;
}

bool Bench::DragReorder() {
  double per_size[2] = {0, 0};
  const int sizes[2] = {50000, 50};
  for (int s = 0; s < 2; ++s) {
    std::vector<Record> records;
    ListWindow* list = MakeList(sizes[s], records);
    struct Mover : has_slots<void> {
      ListWindow* list = nullptr;
      int drops = 0;
      void OnDropped(intptr_t arg) {
        const auto* drop = reinterpret_cast<const ListWindow::Drop*>(arg);
        list->MoveItemToRow(drop->item, drop->row);
        ++drops;
      }
    } mover;
    mover.list = list;
    Connect<&Mover::OnDropped>(list->item_dropped, &mover);
    const int32_t row = list->RowHeight();
    const Rect c = list->ClientRect();
    const int32_t x = c.left + 40;
    const int32_t top = c.top + row * 2 + row / 2;  // the second row under the header
    per_size[s] = TimeMs(rounds_, [&] {
      Queue(kEventMove, x, top);
      Queue(kEventButton, x, top, 0, 1);
      Queue(kEventMove, x, top + 2);
      Queue(kEventMove, x, top + 6);
      for (int step = 1; step <= 10; ++step) Queue(kEventMove, x, top + step * row);
      Queue(kEventButton, x, top + 10 * row, 0, 0);
      Settle(8);
    });
    std::fprintf(stderr, "  drag reorder %d rows: %.3f ms (%d drops)\n", sizes[s], per_size[s],
                 mover.drops);
    if (mover.drops == 0) {
      std::fprintf(stderr, "zarv_listsbench: no drag reached a drop\n");
      return false;
    }
    Discard(list);
  }
  Figure("drag reorder 50000/50", per_size[0] / per_size[1], "ratio", "<=", 2);
  return true;
}

bool Bench::EditCell() {
  double per_size[2] = {0, 0};
  const int sizes[2] = {50000, 50};
  for (int s = 0; s < 2; ++s) {
    std::vector<Record> records;
    ListWindow* list = MakeList(sizes[s], records);
    ListItem* item = list->ItemAtRow(3);
    int stored = 0;
    per_size[s] = TimeMs(rounds_, [&] {
      QueueChar('4');
      QueueChar('2');
      QueueKey(Key::Enter, true);
      QueueKey(Key::Enter, false);
      if (list->EditCell(item, 1)) ++stored;
    });
    const auto* record = reinterpret_cast<const Record*>(item->id);
    std::fprintf(stderr, "  edit cell %d rows: %.3f ms (%d stored, the cell now %u)\n", sizes[s],
                 per_size[s], stored, record->size);
    if (stored == 0 || record->size != 42) {
      std::fprintf(stderr, "zarv_listsbench: the edited cell was not stored\n");
      return false;
    }
    Discard(list);
  }
  Figure("edit cell 50000/50", per_size[0] / per_size[1], "ratio", "<=", 2);
  return true;
}

bool Bench::TypeAhead() {
  std::vector<Record> records;
  ListWindow* list = MakeList(50000, records);
  list->Select(list->ItemAtRow(25000), false);
  const double ms = TimeMs(
      rounds_ * 4,
      [&] {
        QueueChar('#');  // no name begins with it
        wm_.PumpOnce();
      },
      [&] {
        // Past the type-ahead pause, so that each run searches for the one character afresh.
        while (!list->TypedText().empty()) wm_.PumpOnce();
        wm_.RequestFullRedraw();
        wm_.PumpOnce();
      });
  Discard(list);
  Figure("type-ahead 50000", ms, "ms", "<", 5);
  return true;
}

bool Bench::SelectAll() {
  std::vector<Record> records;
  ListWindow* list = MakeList(50000, records);
  struct Counter : has_slots<void> {
    int signals = 0;
    void OnChanged(intptr_t) { ++signals; }
  } counter;
  Connect<&Counter::OnChanged>(list->selection_changed, &counter);
  int worst = 0;
  const double ms = TimeMs(
      rounds_, [&] { list->SelectAll(); },
      [&] {
        worst = std::max(worst, counter.signals);
        list->Select(list->ItemAtRow(0), false);
        counter.signals = 0;
      });
  worst = std::max(worst, counter.signals);
  Discard(list);
  std::fprintf(stderr, "  select all 50000: %.3f ms, %d selection signal(s) a call\n", ms, worst);
  if (worst != 1) {
    std::fprintf(stderr, "zarv_listsbench: select all emitted %d signals, not one\n", worst);
    return false;
  }
  Figure("select all 50000", ms, "ms", "<", 20);
  return true;
}

bool Bench::ItemBytes() {
  // Texts short enough to live inside the string object, so that every byte the heap hands
  // out is the list's own bookkeeping.
  constexpr int kItems = 50000;
  auto* list = new ListWindow(0, 0, wm_.Layer0());
  list->SetFrameRect({0, 0, 640, 480});
  const size_t before = mallinfo2().uordblks;
  for (int i = 0; i < kItems; ++i) list->AddItem(nullptr, 0, 0, static_cast<uint64_t>(i), "x");
  list->Refresh();
  (void)list->ItemAtRow(kItems - 1);  // whatever rows index the list keeps is built now
  const size_t after = mallinfo2().uordblks;
  Discard(list);
  const double bytes = static_cast<double>(after - before) / kItems;
  std::fprintf(stderr, "  list item bytes: %.1f a row (sizeof(ListItem) %zu)\n", bytes,
               sizeof(ListItem));
  Figure("list item bytes", bytes, "bytes", "<", 128);
  return true;
}

GridWindow* Bench::MakeGrid(int cells, Size cell, const Rect& frame) {
  auto* grid = new GridWindow(GridStyle::MultiSelect, WindowFlag::Visible, wm_.Layer0());
  grid->SetFrameRect(frame);
  grid->SetCellSize(cell.width, cell.height);
  grid->SetCellCount(cells);
  // Thumbnails stand in as filled squares; labels come from a callback as the browser's do.
  grid->SetDrawCallback([](int32_t index, uint64_t, const Rect& rect, bool selected) {
    SetDrawColor(selected ? MakeColor(240, 200, 80) : MakeColor(40 + index % 160, 90, 160));
    FillRect(rect);
    SetDrawColor(kWhite);
  });
  static char label[32];
  grid->SetLabelCallback([](int32_t index, uint64_t) {
    const int n = std::snprintf(label, sizeof label, "tile_%05d", index);
    return std::string_view(label, static_cast<size_t>(n));
  });
  Window::SetFocus(grid, 0);
  Settle();
  return grid;
}

bool Bench::GridRedraw() {
  double per_size[2] = {0, 0};
  const int sizes[2] = {50000, 50};
  for (int s = 0; s < 2; ++s) {
    GridWindow* grid = MakeGrid(sizes[s], {96, 96}, {0, 0, 640, 480});
    double total = 0;
    for (double fraction : {0.0, 0.5, 1.0}) {
      DragThumb(grid, fraction);
      total += RedrawMs();
    }
    per_size[s] = total / 3;
    std::fprintf(stderr, "  grid redraw %d cells: %.3f ms a frame (top, middle, end)\n", sizes[s],
                 per_size[s]);
    Discard(grid);
  }
  Figure("grid redraw 50000/50", per_size[0] / per_size[1], "ratio", "<=", 2);
  return true;
}

// The time from a rubber band's release to the selection signal it gives: the toggling of the
// cells it covered, without the frame drawn afterwards.
Clock::time_point g_band_signal;
struct BandWatch : has_slots<void> {
  int signals = 0;
  void OnChanged(intptr_t) {
    g_band_signal = Clock::now();
    ++signals;
  }
};

bool Bench::RubberBand() {
  // Tiny cells so that a band on the screen covers a thousand of them.
  ResizeScreen(1280, 1024);
  GridWindow* grid = MakeGrid(50000, {4, 4}, {0, 0, 1280, 1024});
  BandWatch watch;
  Connect<&BandWatch::OnChanged>(grid->selection_changed, &watch);
  const Rect c = grid->ClientRect();
  const int32_t px = grid->HorizontalPitch(), py = grid->VerticalPitch();
  const int32_t columns = (1000 + c.Height() / py - 1) / (c.Height() / py);
  // From the spacing left of the first cell's neighbour, over `columns` columns and every row.
  const int32_t x0 = c.left + 4 + 2, y0 = c.top + 1;
  const int32_t x1 = c.left + columns * px + 2, y1 = c.bottom - 2;
  int32_t covered = 0;
  std::vector<double> times;
  for (int round = 0; round < rounds_; ++round) {
    Queue(kEventMove, x0, y0);
    Queue(kEventButton, x0, y0, 0, 1);
    Queue(kEventMove, (x0 + x1) / 2, (y0 + y1) / 2);
    Queue(kEventMove, x1, y1);
    Settle(3);
    watch.signals = 0;
    Queue(kEventButton, x1, y1, 0, 0);
    const Clock::time_point start = Clock::now();
    wm_.PumpOnce();
    if (watch.signals != 1) {
      std::fprintf(stderr, "zarv_listsbench: the rubber band gave %d signals\n", watch.signals);
      Discard(grid);
      ResizeScreen(640, 480);
      return false;
    }
    times.push_back(std::chrono::duration<double, std::milli>(g_band_signal - start).count());
    covered = grid->SelectedCount();
    Settle(3);
  }
  Discard(grid);
  ResizeScreen(640, 480);
  const double ms = Median(times);
  std::fprintf(stderr, "  rubber band: %d cells selected of 50000, %.3f ms\n", covered, ms);
  Figure("rubber band 50000", ms, "ms", "<", 5);
  return true;
}

// The open combo box's loop ends at its first frame, which stops the clock.
struct ComboWatch {
  WindowManager* wm = nullptr;
  ComboBox* combo = nullptr;
  TreeRenderer* renderer = nullptr;
  int32_t frames_before = 0;
  Clock::time_point shown;
  bool seen = false;
};
ComboWatch g_combo;

void ComboIdle() {
  ComboWatch& w = g_combo;
  if (!w.combo || !w.combo->IsOpen() || w.renderer->RenderCount() == w.frames_before) return;
  w.shown = Clock::now();
  w.seen = true;
  w.combo->CloseList();
}

bool Bench::Combo() {
  constexpr int kItems = 10000;
  std::vector<std::string> names;
  for (int i = 0; i < kItems; ++i) names.push_back(TagLikeName(i, kItems));
  std::vector<double> times;
  for (int round = 0; round < rounds_; ++round) {
    auto* frame = new Window(WindowFlag::Visible | WindowFlag::BackgroundA, wm_.Layer0());
    frame->SetFrameRect({0, 0, 640, 480});
    Settle();
    g_combo = ComboWatch{};
    const Clock::time_point start = Clock::now();
    auto* combo = new ComboBox(frame, 0);
    combo->SetFrameRect({20, 20, 198, 36});
    for (int i = 0; i < kItems; ++i)
      combo->AddItem(static_cast<uint64_t>(i), names[static_cast<size_t>(i)]);
    combo->SortItems();
    combo->AddItem(static_cast<uint64_t>(-1), "<none>", true);
    combo->Fit(16, true);
    combo->SelectById(static_cast<uint64_t>(-1));
    g_combo = {&wm_, combo, &shell_.renderer(), shell_.renderer().RenderCount(), {}, false};
    wm_.SetIdleHook(&ComboIdle);
    combo->Open();
    wm_.SetIdleHook(nullptr);
    g_combo.combo = nullptr;
    if (!g_combo.seen) {
      std::fprintf(stderr, "zarv_listsbench: the combo box's list was never drawn\n");
      return false;
    }
    times.push_back(std::chrono::duration<double, std::milli>(g_combo.shown - start).count());
    Discard(frame);
  }
  const double ms = Median(times);
  std::fprintf(stderr, "  combo 10000: %.3f ms from the first item added to the open list drawn\n",
               ms);
  Figure("combo 10000", ms, "ms", "<", 50);
  return true;
}

// A log line of a common length.
void LogBenchLine(const char* log, int i) {
  LogMessage(2, log, "'Rock %05d' in the 'scenery' folder was read again (%d of many)\n", i, i);
}

// 100,000 lines into one log while the viewer shows it, the frames they cause drawn now and
// then as the main loop would.
bool Bench::LogAppend() {
  constexpr int kLines = 100000;
  constexpr int kLinesAFrame = 1000;
  InstallLogViewerSink();
  MessageLogWindow* viewer = OpenLogViewer();
  if (!viewer) return false;
  int round = 0;
  double first_part = 0, last_part = 0;
  const double ms = TimeMs(std::max(3, rounds_ / 2), [&] {
    char log[32];
    std::snprintf(log, sizeof log, "Bench %d", round++);
    Clock::time_point part = Clock::now();
    for (int i = 0; i < kLines; ++i) {
      LogBenchLine(log, i);
      if ((i + 1) % kLinesAFrame == 0) wm_.PumpOnce();
      if (i + 1 == kLines / 10) first_part = MsSince(part);
      if (i + 1 == kLines - kLines / 10) part = Clock::now();
    }
    wm_.PumpOnce();
    glFinish();
    last_part = MsSince(part);
  });
  const int32_t shown = viewer->ShownLog();
  std::fprintf(stderr,
               "  log append %d: %.1f ms; the first tenth %.1f ms, the last tenth %.1f ms; "
               "%lld lines kept\n",
               kLines, ms, first_part, last_part, static_cast<long long>(viewer->LogLines(shown)));
  Figure("log append 100000", ms, "ms", "<", 1000);
  return viewer->LogLines(shown) == kLines;
}

// A full redraw of the viewer showing a log of 100,000 lines against one of 100, at the top,
// the middle and the end of the text.
bool Bench::LogRedraw() {
  MessageLogWindow* viewer = MessageLogWindow::Instance();
  if (!viewer) return false;
  const int sizes[2] = {100000, 100};
  const char* names[2] = {"Redraw big", "Redraw small"};
  double per_size[2] = {0, 0};
  for (int s = 0; s < 2; ++s) {
    for (int i = 0; i < sizes[s]; ++i) LogBenchLine(names[s], i);
    Settle();
    const int32_t index = viewer->FindLog(names[s]);
    viewer->ShowLog(index);
    TextBox* box = viewer->LogText(index);
    double total = 0;
    for (double fraction : {0.0, 0.5, 1.0}) {
      box->ScrollToRow(static_cast<int32_t>(fraction * box->MaxVerticalPosition()));
      Settle();
      total += RedrawMs();
    }
    per_size[s] = total / 3;
    std::fprintf(stderr, "  log redraw %d lines: %.3f ms a frame (top, middle, end)\n", sizes[s],
                 per_size[s]);
  }
  viewer->Hide();
  Settle();
  RemoveLogViewerSink();
  Figure("log redraw 100000/100", per_size[0] / per_size[1], "ratio", "<=", 2);
  return true;
}

bool Bench::Run() {
  glfwSetWindowSize(shell_.window(), 640, 480);
  for (int i = 0; i < 200 && wm_.Root()->FrameRect().Width() != 640; ++i) wm_.PumpOnce();
  wm_.SetInputDisabled(false);
  Settle();
  std::fprintf(stderr, "Lists benchmark: %dx%d, renderer %s, median of %d rounds\n",
               wm_.Root()->FrameRect().Width(), wm_.Root()->FrameRect().Height(),
               reinterpret_cast<const char*>(glGetString(GL_RENDERER)), rounds_);
  return ListAddSort() && ListRedraw() && DragReorder() && EditCell() && TypeAhead() &&
         SelectAll() && ItemBytes() && GridRedraw() && RubberBand() && Combo() && LogAppend() &&
         LogRedraw();
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 7;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with("--rounds=") && std::atoi(argv[i] + 9) > 0) {
      rounds = std::atoi(argv[i] + 9);
    } else {
      std::fprintf(stderr, "usage: zarv_listsbench [--rounds=N]\n");
      return 2;
    }
  }
  // The editor's own preferences stay untouched.
  const std::filesystem::path prefs =
      std::filesystem::temp_directory_path() / ("zarv-listsbench-" + std::to_string(getpid()));
  SetPrefsPath(prefs.string());

  ProgramShell shell;
  if (!shell.Start("Zarv lists benchmark")) return 1;
  bool ok = false;
  {
    Bench bench(shell, rounds);
    ok = bench.Run();
  }
  shell.ShutDown();
  std::error_code ignored;
  std::filesystem::remove(prefs, ignored);
  return ok ? 0 : 1;
}
