#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gui/Window.h"

class ListWindow;
class SplitterWindow;
class TextBox;

// The log viewer: the named logs that LogMessage writes (base/MessageLog.h), a list of their
// names beside the text of the one shown. There is one viewer, made on first use and kept
// until the program ends; its close button only hides it.
//
// LogMessage may run anywhere: before the window manager exists, in the middle of a draw
// pass, inside a modal loop. So the sink only stores the line; the viewer takes the stored
// lines at its next idle step and changes its windows then. Once the viewer is gone (the quit
// flow closed it, or the window tree was torn down), lines go to standard error.
//
// A log keeps at least its last kKeptLines lines. Past that the oldest whole lines go, a batch
// at a time so that appending stays as cheap at the last line as at the first, and the log's
// first line says how many went.
class MessageLogWindow : public Window {
 public:
  // Title bar, drop shadow, resizable, background B, the three title-bar buttons; hidden.
  static constexpr uint32_t kFlags = 7534;
  static constexpr const char* kTitle = "Log Viewer";
  static constexpr Point kDefaultPosition{32, 32};
  static constexpr Size kDefaultClientSize{600, 256};
  static constexpr int32_t kListWidth = 128;
  static constexpr int64_t kKeptLines = 100000;
  // How far a log may grow past kKeptLines before its oldest lines are dropped.
  static constexpr int64_t kDropBatch = kKeptLines / 10;

  // The viewer, or null before it was made and after it is gone.
  static MessageLogWindow* Instance();
  // Makes the viewer (hidden) when there is none and a window manager to hold it.
  static MessageLogWindow* Create();

  // Takes the lines stored since the last call: new logs get their row and text box, the
  // text goes to the end of its log, the last line's log is shown, and a line of level 1 or
  // more shows the viewer and brings it to the front (below a running modal window). The
  // viewer's idle step calls it; it never runs in the middle of a draw pass.
  void TakeStoredLines();
  // Shows the log's text box in the right pane and selects its row; the focus follows only
  // when it was in the text box that gives way.
  void ShowLog(int32_t index);
  // Shows the viewer and brings it to the front, below a running modal window.
  void Raise();

  int32_t LogCount() const { return static_cast<int32_t>(logs_.size()); }
  const std::string& LogName(int32_t index) const;
  int32_t FindLog(std::string_view name) const;  // -1 when there is none
  TextBox* LogText(int32_t index) const;
  // Lines of the log's own (the note of dropped lines not counted) and how many were dropped.
  int64_t LogLines(int32_t index) const;
  int64_t DroppedLines(int32_t index) const;
  int32_t ShownLog() const { return shown_; }
  ListWindow* NameList() const { return list_; }
  SplitterWindow* Splitter() const { return splitter_; }

  ~MessageLogWindow() override;

  const char* GetClassName() const override { return "MessageLogWindow"; }
  bool RequestClose(bool forced) override;
  void OnResized() override;
  void OnIdle() override;

 private:
  struct Log {
    std::string name;
    TextBox* text = nullptr;
    int64_t lines = 0;    // in the text box, the note not counted
    int64_t dropped = 0;  // counted in the note, the box's first line when not 0
  };

  explicit MessageLogWindow(Window* parent);
  int32_t AddLog(std::string_view name);
  void AppendToLog(Log& log, std::string_view text, int64_t lines, int64_t dropped_before);
  void DropOldest(Log& log, int64_t count);
  static std::string DropNote(int64_t dropped);

  ListWindow* list_ = nullptr;
  SplitterWindow* splitter_ = nullptr;
  std::vector<Log> logs_;
  int32_t shown_ = -1;
};

// Shows the log viewer and brings it to the front, creating it on first use; the keyboard
// goes to it.
MessageLogWindow* OpenLogViewer();
// Makes LogMessage store its lines for the viewer; the editor calls it first thing at
// start-up, so that every line from then on reaches the viewer.
void InstallLogViewerSink();
// Gives LogMessage back the sink it had before and forgets the stored lines.
void RemoveLogViewerSink();
// The idle step of a program with the viewer (from its window manager's idle hook): makes
// the viewer when lines wait for it and hands them over.
void LogViewerIdle();
