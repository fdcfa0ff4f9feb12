#include "tools/zarv-tool/DialogCommand.h"

#include <cstdio>
#include <iostream>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>

#include "base/ByteWriter.h"
#include "base/SafeFile.h"
#include "structs/Dialog.h"
#include "structs/DialogControlType.h"
#include "tags/LooseTagFile.h"
#include "tags/TagCode.h"
#include "tags/TagHeader.h"
#include "tools/zarv-tool/ToolText.h"

namespace {

constexpr uint32_t kBina = tagcode::Make("bina");
constexpr uint64_t kMaxJsonBytes = 64u << 20;

constexpr const char* kDumpHelp =
    "Print a dialog tag's facts and controls as the dialog editor lists them, one row a line, "
    "texts in UTF-8 (control characters as \\xNN).\n\n"
    "With --json one object is printed with the keys:\n"
    "  name, tag_id, version, left, top, right, bottom,\n"
    "  controls: [{type (four characters), type_name, id, left, top, right, bottom, text}],\n"
    "  trailing (hex of the bytes kept after the texts, \"\" when none).";

constexpr const char* kLoadHelp =
    "Write JSON of the shape `dialog dump --json` prints as a loose dialog tag. type_name is "
    "ignored; trailing may be left out. Refused, with nothing written: no controls, a type or "
    "tag_id not four characters, an id outside -32768..32767, or a character the 8-bit "
    "character set lacks.";

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string out;
  char pair[3];
  for (uint8_t b : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", b);
    out += pair;
  }
  return out;
}

bool FromHex(const std::string& hex, std::vector<uint8_t>& out) {
  if (hex.size() % 2 != 0) return false;
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int hi = digit(hex[i]), lo = digit(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(static_cast<uint8_t>(hi << 4 | lo));
  }
  return true;
}

// Why a JSON dialog cannot be written, or empty; `d` and `header` take it otherwise.
std::string FromJson(const nlohmann::json& doc, Dialog& d, TagHeader& header) {
  if (!doc.is_object()) return "the JSON is not an object";
  auto text8 = [](const nlohmann::json& value, const std::string& what, std::string& out) {
    if (!value.is_string()) return what + " is not a string";
    size_t line = 0, column = 0;
    if (!EightBitFromUtf8Exactly(value.get<std::string>(), out, line, column)) {
      return what + ": character " + std::to_string(column) + " of line " + std::to_string(line) +
             " is not in the 8-bit character set";
    }
    return std::string();
  };
  auto edge = [](const nlohmann::json& object, const char* key, int32_t& out) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_number_integer()) return false;
    const int64_t v = it->get<int64_t>();
    if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max()) {
      return false;
    }
    out = static_cast<int32_t>(v);
    return true;
  };
  std::string name, tag_id;
  std::string why = text8(doc.value("name", nlohmann::json()), "name", name);
  if (!why.empty()) return why;
  why = text8(doc.value("tag_id", nlohmann::json()), "tag_id", tag_id);
  if (!why.empty()) return why;
  if (tag_id.size() != 4) return "tag_id is not four characters";
  const auto version = doc.find("version");
  if (version == doc.end() || !version->is_number_unsigned() || version->get<uint64_t>() > 0xFFFF) {
    return "version is not a number from 0 to 65535";
  }
  d.version = static_cast<uint16_t>(version->get<uint64_t>());
  if (!edge(doc, "left", d.rect.left) || !edge(doc, "top", d.rect.top) ||
      !edge(doc, "right", d.rect.right) || !edge(doc, "bottom", d.rect.bottom)) {
    return "left, top, right and bottom must be numbers from -32768 to 32767";
  }
  const auto controls = doc.find("controls");
  if (controls == doc.end() || !controls->is_array() || controls->empty()) {
    return "a dialog needs at least one control";
  }
  for (size_t i = 0; i < controls->size(); ++i) {
    const nlohmann::json& c = (*controls)[i];
    const std::string where = "control " + std::to_string(i);
    if (!c.is_object()) return where + " is not an object";
    DialogControl control;
    std::string type;
    why = text8(c.value("type", nlohmann::json()), where + "'s type", type);
    if (!why.empty()) return why;
    if (type.size() != 4) return where + "'s type is not four characters";
    control.type = tagcode::Make(type);
    int32_t id = 0;
    if (!edge(c, "id", id)) return where + "'s id is not a number from -32768 to 32767";
    control.id = static_cast<int16_t>(id);
    if (!edge(c, "left", control.rect.left) || !edge(c, "top", control.rect.top) ||
        !edge(c, "right", control.rect.right) || !edge(c, "bottom", control.rect.bottom)) {
      return where + "'s left, top, right and bottom must be numbers from -32768 to 32767";
    }
    why = text8(c.value("text", nlohmann::json("")), where + "'s text", control.text);
    if (!why.empty()) return why;
    d.controls.push_back(std::move(control));
  }
  const nlohmann::json trailing = doc.value("trailing", nlohmann::json(""));
  if (!trailing.is_string() || !FromHex(trailing.get<std::string>(), d.trailing)) {
    return "trailing is not hex";
  }
  header = TagHeader::Fresh();
  header.group = kBina;
  header.tag_id = tagcode::Make(tag_id);
  header.SetName(name);
  return {};
}

}  // namespace

int DialogCommand::RunDump(std::ostream& out, std::ostream& err) const {
  LooseTag tag;
  std::string error;
  Dialog d;
  if (!LooseTagFile::Read(input, kBina, tag, error) || !Dialog::Read(tag.data, d, error)) {
    err << "zarv-tool: " << input << ": " << error << "\n";
    return 1;
  }
  if (!json) {
    for (const Dialog::InfoRow& row : d.InfoRows()) {
      out << Printable(Utf8FromEightBit(row.text)) << "\n";
    }
    return 0;
  }
  nlohmann::json controls = nlohmann::json::array();
  for (const DialogControl& c : d.controls) {
    controls.push_back({{"type", Utf8FromEightBit(tagcode::Chars(c.type))},
                        {"type_name", Utf8FromEightBit(dialogtype::Name(c.type))},
                        {"id", c.id},
                        {"left", c.rect.left},
                        {"top", c.rect.top},
                        {"right", c.rect.right},
                        {"bottom", c.rect.bottom},
                        {"text", Utf8FromEightBit(c.text)}});
  }
  PrintJson(out, {{"name", Utf8FromEightBit(tag.header.Name())},
                  {"tag_id", Utf8FromEightBit(tagcode::Chars(tag.header.tag_id))},
                  {"version", d.version},
                  {"left", d.rect.left},
                  {"top", d.rect.top},
                  {"right", d.rect.right},
                  {"bottom", d.rect.bottom},
                  {"controls", controls},
                  {"trailing", Hex(d.trailing)}});
  return 0;
}

int DialogCommand::RunLoad(std::ostream& out, std::ostream& err) const {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!SafeFile::ReadAll(input, kMaxJsonBytes, bytes, error)) {
    err << "zarv-tool: " << input << ": " << error << "\n";
    return 1;
  }
  const nlohmann::json doc = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
  if (doc.is_discarded()) {
    err << "zarv-tool: " << input << ": not JSON; nothing written\n";
    return 1;
  }
  Dialog d;
  TagHeader header;
  if (const std::string why = FromJson(doc, d, header); !why.empty()) {
    err << "zarv-tool: " << input << ": " << Printable(why) << "; nothing written\n";
    return 1;
  }
  ByteWriter data;
  if (!d.Write(data, error)) {
    err << "zarv-tool: " << input << ": " << error << "; nothing written\n";
    return 1;
  }
  if (!LooseTagFile::Write(output, header, data.bytes(), error)) {
    err << "zarv-tool: " << output << ": " << error << "\n";
    return 1;
  }
  out << output << ": '" << Printable(Utf8FromEightBit(header.Name())) << "' ("
      << tagcode::Display(header.tag_id) << ") " << d.controls.size()
      << (d.controls.size() == 1 ? " control\n" : " controls\n");
  return 0;
}

void AddDialogCommand(CLI::App& app, ToolCommands& commands) {
  auto command = std::make_shared<DialogCommand>();
  CLI::App* dialog = app.add_subcommand("dialog", "Read and write interface dialog tags.");
  dialog->require_subcommand(1);

  CLI::App* dump = dialog->add_subcommand("dump", "Print a dialog tag's facts and controls.");
  dump->footer(kDumpHelp);
  dump->add_flag("--json", command->json, "Print one JSON object (keys below)");
  dump->add_option("TAGFILE", command->input, "Loose dialog tag file")->required();
  commands.push_back({dump, [command] { return command->RunDump(std::cout, std::cerr); }});

  CLI::App* load = dialog->add_subcommand("load", "Write a dialog tag from JSON.");
  load->footer(kLoadHelp);
  load->add_option("JSON", command->input, "JSON file as dialog dump --json prints it")->required();
  load->add_option("-o", command->output, "Tag file to write")->required();
  commands.push_back({load, [command] { return command->RunLoad(std::cout, std::cerr); }});
}
