#include "tools/zarv-tool/NaturalSortCommand.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <numeric>

#include "base/CharMap.h"
#include "base/NaturalOrder.h"
#include "tools/zarv-tool/ToolText.h"

namespace {

// Lines end at LF; a CR before it (a file from another system) is not part of the line. A
// last line without its LF still counts.
void SplitLines(const std::string& text, std::vector<std::string>& lines) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    const bool last = end == std::string::npos;
    if (last) end = text.size();
    size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines.push_back(text.substr(start, stop - start));
    start = end + 1;
  }
}

}  // namespace

int NaturalSortCommand::Run(std::istream& in, std::ostream& out, std::ostream& err) const {
  std::vector<std::string> lines;
  if (files.empty()) {
    SplitLines(std::string(std::istreambuf_iterator<char>(in), {}), lines);
  }
  for (const std::string& file : files) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
      err << "zarv-tool: " << Printable(file) << ": cannot be read\n";
      return 1;
    }
    std::string text(std::istreambuf_iterator<char>(stream), {});
    if (stream.bad()) {
      err << "zarv-tool: " << Printable(file) << ": cannot be read\n";
      return 1;
    }
    SplitLines(text, lines);
  }
  std::vector<size_t> order(lines.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return NaturalLess(lines[a], lines[b]); });
  if (json) {
    nlohmann::json array = nlohmann::json::array();
    for (size_t i : order) {
      array.push_back({{"index", i}, {"text", ProgramCharMap().NarrowToUtf8(lines[i])}});
    }
    PrintJson(out, array);
    return 0;
  }
  for (size_t i : order) out << lines[i] << '\n';
  return 0;
}

void AddNaturalSortCommand(CLI::App& app, ToolCommands& commands) {
  auto command = std::make_shared<NaturalSortCommand>();
  CLI::App* sub = app.add_subcommand(
      "natural-sort",
      "Print lines in natural order (letters without regard to case, digit runs by value), "
      "stably.");
  sub->add_option("FILE", command->files, "Files of 8-bit text (default: standard input)");
  sub->add_flag("--json", command->json,
                "Print a JSON array of objects: index (0-based input line) and text (UTF-8)");
  commands.push_back({sub, [command] { return command->Run(std::cin, std::cout, std::cerr); }});
}
