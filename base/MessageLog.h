#pragma once
#include <functional>
#include <string>
#include <string_view>

// Named logs for diagnostics from the tag store and the long-running tools. Levels: 0 error,
// 1 warning, 2 information. The editor routes the lines to its log viewer; headless programs
// keep the default, which writes levels 0 and 1 to standard error.
using MessageSink = std::function<void(int level, std::string_view log, std::string_view text)>;

// Formats like printf (the text is cut to 4095 bytes) and hands it to the current sink.
void LogMessage(int level, const char* log, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Installs a sink and returns the previous one; an empty sink restores the default.
MessageSink SetMessageSink(MessageSink sink);

// Collects every line while it lives (for tests and for tools that report at the end).
class MessageCapture {
 public:
  MessageCapture();
  ~MessageCapture();
  MessageCapture(const MessageCapture&) = delete;
  MessageCapture& operator=(const MessageCapture&) = delete;

  const std::string& text() const { return text_; }
  int lines() const { return lines_; }

 private:
  MessageSink previous_;
  std::string text_;
  int lines_ = 0;
};
