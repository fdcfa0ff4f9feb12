#include "base/MessageLog.h"

#include <cstdarg>
#include <cstdio>
#include <utility>

namespace {

void DefaultSink(int level, std::string_view log, std::string_view text) {
  if (level > 1) return;
  std::fprintf(stderr, "%.*s: %.*s", static_cast<int>(log.size()), log.data(),
               static_cast<int>(text.size()), text.data());
  if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
}

MessageSink& Sink() {
  static MessageSink sink = DefaultSink;
  return sink;
}

}  // namespace

void LogMessage(int level, const char* log, const char* format, ...) {
  char buffer[4096];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  Sink()(level, log, buffer);
}

MessageSink SetMessageSink(MessageSink sink) {
  MessageSink previous = std::move(Sink());
  Sink() = sink ? std::move(sink) : MessageSink(DefaultSink);
  return previous;
}

MessageCapture::MessageCapture() {
  previous_ = SetMessageSink([this](int, std::string_view, std::string_view text) {
    text_.append(text);
    ++lines_;
  });
}

MessageCapture::~MessageCapture() {
  SetMessageSink(std::move(previous_));
}
