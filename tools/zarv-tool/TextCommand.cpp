#include "tools/zarv-tool/TextCommand.h"

#include <iostream>
#include <iterator>
#include <memory>

#include "base/SafeFile.h"
#include "structs/TextTagText.h"
#include "tags/LooseTagFile.h"
#include "tags/TagCode.h"
#include "tools/zarv-tool/ToolText.h"

namespace {

constexpr uint64_t kMaxTextBytes = 256u << 20;

constexpr const char* kGetHelp =
    "Print the text of a dialog string list, script, string list, template or text tag as the "
    "text editor shows it: UTF-8, one line feed ending each line (a string list shows one "
    "string a line, its empty strings dropped).";

constexpr const char* kSetHelp =
    "Store a UTF-8 text (FILE, or standard input without it) in a text tag as the text editor "
    "saves it: every line ending becomes a carriage return, nothing is added. The header of "
    "TAGFILE is kept. A character the 8-bit character set lacks, or a zero byte, fails naming "
    "its line and column, and nothing is written.";

bool IsTextGroup(uint32_t group) {
  for (const char* g : {"ditl", "scri", "stli", "temp", "text"}) {
    if (group == tagcode::Make(g)) return true;
  }
  return false;
}

int ReadTextTag(const std::string& path, LooseTag& tag, std::ostream& err) {
  std::string error;
  if (!LooseTagFile::Read(path, std::nullopt, tag, error)) {
    err << "zarv-tool: " << path << ": " << error << "\n";
    return 1;
  }
  if (!IsTextGroup(tag.header.group)) {
    err << "zarv-tool: " << path << ": a " << tagcode::Display(tag.header.group)
        << " tag, not one of the text groups (ditl, scri, stli, temp, text)\n";
    return 1;
  }
  return 0;
}

}  // namespace

int TextCommand::RunGet(std::ostream& out, std::ostream& err) const {
  LooseTag tag;
  if (const int status = ReadTextTag(tag_file, tag, err); status != 0) return status;
  const texttag::Loaded loaded = texttag::TextFromData(tag.header.group, tag.data);
  if (!loaded.ok) {
    err << "zarv-tool: " << tag_file << ": a zero byte at offset " << loaded.zero_offset
        << " comes before more of its text\n";
    return 1;
  }
  out << Utf8FromEightBit(texttag::WithLineFeeds(loaded.text));
  return 0;
}

int TextCommand::RunSet(std::istream& in, std::ostream& out, std::ostream& err) const {
  LooseTag tag;
  if (const int status = ReadTextTag(tag_file, tag, err); status != 0) return status;
  std::string utf8;
  if (from.empty()) {
    utf8.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } else {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!SafeFile::ReadAll(from, kMaxTextBytes, bytes, error)) {
      err << "zarv-tool: " << from << ": " << error << "\n";
      return 1;
    }
    utf8.assign(bytes.begin(), bytes.end());
  }
  const std::string source = from.empty() ? "standard input" : from;
  std::string text;
  size_t line = 0, column = 0;
  const bool converted = EightBitFromUtf8Exactly(utf8, text, line, column);
  if (!converted || text.find('\0') != std::string::npos) {
    if (converted) {
      // Where the zero byte is, counted as the conversion counts.
      std::string before;
      EightBitFromUtf8Exactly(utf8.substr(0, utf8.find('\0')), before, line, column);
    }
    err << "zarv-tool: " << source << ":" << line << ":" << column << ": "
        << (converted ? "a zero byte would end the text there"
                      : "a character the 8-bit character set lacks")
        << "; nothing written\n";
    return 1;
  }
  const std::vector<uint8_t> data = texttag::DataFromText(texttag::WithLineFeeds(text));
  std::string error;
  if (!LooseTagFile::Write(output, tag.header, data, error)) {
    err << "zarv-tool: " << output << ": " << error << "\n";
    return 1;
  }
  out << output << ": " << data.size() << (data.size() == 1 ? " byte\n" : " bytes\n");
  return 0;
}

void AddTextCommand(CLI::App& app, ToolCommands& commands) {
  auto command = std::make_shared<TextCommand>();
  CLI::App* text = app.add_subcommand("text", "Read and write the text of text tags.");
  text->require_subcommand(1);

  CLI::App* get = text->add_subcommand("get", "Print a text tag's text.");
  get->footer(kGetHelp);
  get->add_option("TAGFILE", command->tag_file, "Loose text tag file")->required();
  commands.push_back({get, [command] { return command->RunGet(std::cout, std::cerr); }});

  CLI::App* set = text->add_subcommand("set", "Store a text in a text tag.");
  set->footer(kSetHelp);
  set->add_option("TAGFILE", command->tag_file, "Loose text tag file whose header is kept")
      ->required();
  set->add_option("-o", command->output, "Tag file to write (may be TAGFILE)")->required();
  set->add_option("FILE", command->from, "UTF-8 text; standard input without it");
  commands.push_back({set, [command] { return command->RunSet(std::cin, std::cout, std::cerr); }});
}
