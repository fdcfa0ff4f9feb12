#include "gui/MessageLogWindow.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <utility>

#include "base/MessageLog.h"
#include "gui/ListWindow.h"
#include "gui/SplitterWindow.h"
#include "gui/TextBox.h"
#include "gui/WindowManager.h"

namespace {
constexpr int32_t kMinListWidth = 48;
constexpr int32_t kMinTextWidth = 64;
// Errors and warnings kept for standard error in case no viewer ever takes them.
constexpr size_t kMaxUnseen = 1000;

MessageLogWindow* g_viewer = nullptr;

// The lines of one log that wait for the viewer: each one after a line feed, so that the
// whole text can be appended to the log's text box as it stands.
struct StoredLog {
  std::string name;
  std::string text;
  int64_t lines = 0;
  int64_t dropped = 0;  // older lines that went while waiting
};

struct UnseenLine {
  int level = 0;
  std::string log;
  std::string text;
};

struct LineStore {
  bool installed = false;
  bool gone = false;  // a viewer was made and is gone: lines go to the previous sink
  MessageSink previous;
  std::vector<StoredLog> logs;  // in the order of their first waiting line
  int32_t last_log = -1;        // where the latest line went
  bool raise = false;           // a line of level 1 or more waits
  std::vector<UnseenLine> unseen;

  ~LineStore() {
    // The program ends with errors nobody saw: standard error still can.
    for (const UnseenLine& u : unseen) {
      std::fprintf(stderr, "%s: %s\n", u.log.c_str(), u.text.c_str());
    }
  }
  void Forget() {
    logs.clear();
    last_log = -1;
    raise = false;
    unseen.clear();
  }
};

LineStore& Store() {
  static LineStore store;
  return store;
}

// Drops the oldest waiting lines beyond what a log keeps, a batch at a time.
void Trim(StoredLog& log) {
  if (log.lines <= MessageLogWindow::kKeptLines + MessageLogWindow::kDropBatch) return;
  int64_t drop = log.lines - MessageLogWindow::kKeptLines;
  size_t cut = 0;
  // The line to keep first starts at the (drop + 1)-th line feed.
  for (int64_t seen = 0; cut < log.text.size(); ++cut) {
    if (log.text[cut] == '\n' && seen++ == drop) break;
  }
  log.text.erase(0, cut);
  log.lines -= drop;
  log.dropped += drop;
}

void StoreLine(int level, std::string_view log, std::string_view text) {
  LineStore& s = Store();
  if (s.gone) {
    if (s.previous) s.previous(level, log, text);
    return;
  }
  // A message ends its line itself or not; either way it is one line (or more) of the log.
  if (text.ends_with('\n')) text.remove_suffix(1);
  if (text.ends_with('\r')) text.remove_suffix(1);
  int32_t index = 0;
  const int32_t n = static_cast<int32_t>(s.logs.size());
  while (index < n && s.logs[static_cast<size_t>(index)].name != log) ++index;
  if (index == n) s.logs.push_back({std::string(log), {}, 0, 0});
  StoredLog& stored = s.logs[static_cast<size_t>(index)];
  stored.text.reserve(stored.text.size() + text.size() + 1);
  stored.text += '\n';
  ++stored.lines;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      c = '\n';
    }
    if (c == '\n') ++stored.lines;
    stored.text += c;
  }
  Trim(stored);
  s.last_log = index;
  if (level >= 1) s.raise = true;
  if (level <= 1 && s.unseen.size() < kMaxUnseen) {
    s.unseen.push_back({level, std::string(log), std::string(text)});
  }
}
}  // namespace

// ---------------------------------------------------------------------------------------
// The sink

void InstallLogViewerSink() {
  LineStore& s = Store();
  if (s.installed) return;
  s.Forget();
  s.gone = false;
  s.installed = true;
  s.previous = SetMessageSink(&StoreLine);
}

void RemoveLogViewerSink() {
  LineStore& s = Store();
  if (!s.installed) return;
  SetMessageSink(std::move(s.previous));
  s.previous = {};
  s.installed = false;
  s.gone = false;
  s.Forget();
}

void LogViewerIdle() {
  LineStore& s = Store();
  if (!s.installed || s.gone) return;
  if (!g_viewer && !s.logs.empty()) MessageLogWindow::Create();
  if (g_viewer) g_viewer->TakeStoredLines();
}

MessageLogWindow* OpenLogViewer() {
  MessageLogWindow* viewer = MessageLogWindow::Create();
  if (!viewer) return nullptr;
  viewer->TakeStoredLines();
  viewer->Raise();
  Window* focus = viewer->NameList();
  if (viewer->ShownLog() >= 0) focus = viewer->LogText(viewer->ShownLog());
  Window::SetFocus(focus, 0);
  return viewer;
}

// ---------------------------------------------------------------------------------------
// The viewer

MessageLogWindow* MessageLogWindow::Instance() {
  return g_viewer;
}

MessageLogWindow* MessageLogWindow::Create() {
  if (g_viewer) return g_viewer;
  WindowManager* wm = WMOrNull();
  if (!wm || !wm->Layer0()) return nullptr;
  return new MessageLogWindow(wm->Layer0());
}

MessageLogWindow::MessageLogWindow(Window* parent) : Window(kFlags, parent) {
  g_viewer = this;
  Store().gone = false;
  SetTitle(kTitle);
  SetFrameRect(
      {kDefaultPosition.x, kDefaultPosition.y, kDefaultPosition.x + 1, kDefaultPosition.y + 1});
  SetClientSize(kDefaultClientSize);
  splitter_ = new SplitterWindow(WindowFlag::Visible, this);
  list_ = new ListWindow(ListStyle::KeepSelection, WindowFlag::Visible, splitter_);
  list_->SetSelectCallback([this](ListItem& item) { ShowLog(static_cast<int32_t>(item.id)); });
  splitter_->SetPane(0, list_, kMinListWidth);
  // Until the first log comes, an empty text keeps the list at its width.
  auto* blank = new TextBox(TextBox::kReadOnly, splitter_);
  splitter_->SetPane(1, blank, kMinTextWidth);
  OnResized();
  splitter_->SetDividerPosition(kListWidth);
}

MessageLogWindow::~MessageLogWindow() {
  if (g_viewer == this) g_viewer = nullptr;
  LineStore& s = Store();
  if (!s.installed) return;
  s.gone = true;
  // What was stored and never shown is not lost without a word.
  if (s.previous) {
    for (const UnseenLine& u : s.unseen) s.previous(u.level, u.log, u.text);
  }
  s.Forget();
}

const std::string& MessageLogWindow::LogName(int32_t index) const {
  return logs_[static_cast<size_t>(index)].name;
}

int32_t MessageLogWindow::FindLog(std::string_view name) const {
  for (size_t i = 0; i < logs_.size(); ++i) {
    if (logs_[i].name == name) return static_cast<int32_t>(i);
  }
  return -1;
}

TextBox* MessageLogWindow::LogText(int32_t index) const {
  return index >= 0 && index < LogCount() ? logs_[static_cast<size_t>(index)].text : nullptr;
}

int64_t MessageLogWindow::LogLines(int32_t index) const {
  return index >= 0 && index < LogCount() ? logs_[static_cast<size_t>(index)].lines : 0;
}

int64_t MessageLogWindow::DroppedLines(int32_t index) const {
  return index >= 0 && index < LogCount() ? logs_[static_cast<size_t>(index)].dropped : 0;
}

int32_t MessageLogWindow::AddLog(std::string_view name) {
  const int32_t index = LogCount();
  Log& log = logs_.emplace_back();
  log.name = std::string(name);
  log.text = new TextBox(TextBox::kReadOnly, this);
  log.text->SetLiteral(true);  // a log's text is data: "|b" stays two characters
  log.text->Hide();
  // Laid out at the pane's width from the start, so that showing it later re-flows nothing.
  if (Window* pane = splitter_->Pane(1)) log.text->SetFrameRect(pane->FrameRectInParent());
  list_->AddItemAndRefresh(nullptr, 0, 0, static_cast<uint64_t>(index), name);
  return index;
}

std::string MessageLogWindow::DropNote(int64_t dropped) {
  char note[64];
  std::snprintf(note, sizeof note, "(%" PRId64 " older lines dropped)", dropped);
  return note;
}

void MessageLogWindow::DropOldest(Log& log, int64_t count) {
  count = std::clamp<int64_t>(count, 0, log.lines);
  if (count == 0) return;
  const int64_t note_lines = log.dropped > 0 ? 1 : 0;
  log.dropped += count;
  log.lines -= count;
  log.text->ReplaceFirstLines(static_cast<int32_t>(count + note_lines), DropNote(log.dropped));
}

void MessageLogWindow::AppendToLog(Log& log, std::string_view text, int64_t lines,
                                   int64_t dropped_before) {
  if (dropped_before > 0) {
    // Lines went while these waited, so everything the box holds is older still.
    log.dropped += log.lines + dropped_before;
    log.lines = 0;
    log.text->SetText(DropNote(log.dropped));
  }
  // The box starts with one empty line, which the first line of the log fills.
  const bool empty = log.lines == 0 && log.dropped == 0;
  log.text->AppendText(empty && !text.empty() ? text.substr(1) : text);
  log.lines += lines;
  if (log.lines > kKeptLines + kDropBatch) DropOldest(log, log.lines - kKeptLines);
}

void MessageLogWindow::TakeStoredLines() {
  LineStore& s = Store();
  // A viewer on its way out leaves the lines to the sink before it.
  if (s.logs.empty() || GetShowState() == kShowClosing || IsBeingDestroyed()) return;
  // Lines logged while these are handed over wait for the next idle step.
  std::vector<StoredLog> stored;
  stored.swap(s.logs);
  const int32_t last = s.last_log;
  const bool raise = s.raise;
  s.last_log = -1;
  s.raise = false;
  s.unseen.clear();
  int32_t last_index = -1;
  for (size_t i = 0; i < stored.size(); ++i) {
    StoredLog& from = stored[i];
    int32_t index = FindLog(from.name);
    if (index < 0) index = AddLog(from.name);
    AppendToLog(logs_[static_cast<size_t>(index)], from.text, from.lines, from.dropped);
    if (static_cast<int32_t>(i) == last) last_index = index;
  }
  if (last_index >= 0) ShowLog(last_index);
  if (raise) Raise();
}

void MessageLogWindow::ShowLog(int32_t index) {
  if (index < 0 || index >= LogCount()) return;
  TextBox* box = logs_[static_cast<size_t>(index)].text;
  if (index != shown_) {
    TextBox* old = LogText(shown_);
    Window* focus = WM().Focus();
    const bool focus_follows = old && focus && old->IsAncestorOf(focus);
    shown_ = index;
    box->Show();
    Window* previous = splitter_->SetPane(1, box, kMinTextWidth);
    if (focus_follows) Window::SetFocus(box, 0);
    if (previous) {
      previous->SetParent(this);
      previous->Hide();
    }
  }
  if (ListItem* item = list_->FindItemById(static_cast<uint64_t>(index))) {
    if (!item->IsSelected()) list_->Select(item, false);
    list_->ScrollIntoView(item);
  }
}

void MessageLogWindow::Raise() {
  WindowManager& wm = WM();
  Show();
  wm.BringToFront(this);
  // A running modal window stays on top of the viewer, and keeps the keyboard.
  for (int32_t i = 0; i < wm.ModalDepth(); ++i) {
    Window* modal = wm.ModalWindowAt(i);
    Window* top = modal ? modal->TopLevelAncestor() : nullptr;
    if (top && top != this && top->Parent() == Parent()) wm.BringToFront(top);
  }
}

bool MessageLogWindow::RequestClose(bool forced) {
  // The close button and Ctrl+W only hide the viewer; the quit flow closes it for good.
  if (forced) {
    Hide();
    return false;
  }
  return Window::RequestClose(forced);
}

void MessageLogWindow::OnResized() {
  const Rect& c = ClientRect();
  if (splitter_) splitter_->SetFrameRect({0, 0, c.Width(), c.Height()});
}

void MessageLogWindow::OnIdle() {
  TakeStoredLines();
}
