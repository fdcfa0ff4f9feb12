#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// How the text groups' data (ditl, scri, stli, temp, text) becomes editable text and back.
namespace texttag {

// Dialog string lists, scripts and texts hold their text as it is; string lists and templates
// hold strings each ended by a zero byte, a line feed or a carriage return.
bool IsStringList(uint32_t group);

struct Loaded {
  bool ok = false;
  std::string text;
  // When the load refused the data: where the zero byte that cuts the text sits.
  size_t zero_offset = 0;
  // A string list's empty strings that come before a kept one: dropping them renumbers the
  // strings after them once the list is saved.
  size_t dropped = 0;
};

// A plain text's zero bytes may only end it: one before more text would hide that text from
// the editor, which would then save the tag cut short, so such data is refused. A string list
// shows one string per line, each followed by a line feed; empty strings are dropped.
Loaded TextFromData(uint32_t group, std::span<const uint8_t> data);

// Every line feed becomes a carriage return; nothing else is added (no terminating zero).
std::vector<uint8_t> DataFromText(std::string_view text);

// The text as the editor's box holds it: every CR LF, CR or LF becomes one line feed.
std::string WithLineFeeds(std::string_view text);

}  // namespace texttag
