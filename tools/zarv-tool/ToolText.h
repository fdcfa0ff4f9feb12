#pragma once
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

// Output helpers shared by the commands of zarv-tool.

// Text from a file may hold any byte; control bytes come out as \xNN so they cannot act on the
// terminal or split a line of output.
std::string Printable(const std::string& text);

// Indented JSON and a line end. Names are 8-bit text: bytes that are not valid UTF-8 become
// U+FFFD rather than failing the command.
void PrintJson(std::ostream& out, const nlohmann::json& doc);

// Names in tags are 8-bit text; the command line and file names are UTF-8. Characters the
// 8-bit encoding lacks (and malformed UTF-8) become '_'.
std::string EightBitFromUtf8(const std::string& utf8);
std::string Utf8FromEightBit(const std::string& text);

// The same, for text that must arrive whole: false at the first character the 8-bit encoding
// lacks (or malformed UTF-8), with its 1-based line and column (in characters; CR LF, CR and LF
// each end a line) in `line` and `column`.
bool EightBitFromUtf8Exactly(const std::string& utf8, std::string& out, size_t& line,
                             size_t& column);
