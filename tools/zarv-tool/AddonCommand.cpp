#include "tools/zarv-tool/AddonCommand.h"

#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "tags/Codex.h"
#include "tags/TagCode.h"
#include "terrain/AddonBuilder.h"
#include "tools/zarv-tool/ArchiveCommands.h"
#include "tools/zarv-tool/ToolText.h"

namespace {

using Json = nlohmann::json;

constexpr const char* kHelp = R"(
The add-on is written to GAME/plugins/NAME and replaces an add-on of that name, unless its
tags are in use or the file there is no add-on. regular packs the local tags of the groups
soli, form, obpc, reco, save, soun, stli, temp and text; dtex packs the local detail maps
and every detail texture their used slots name (from the copy in force, leaving out the
add-on being replaced).

JSON: {"file", "bytes", "tags": [{"group", "id", "name", "size"}]} in directory order.
Exit status: 0 written, 1 nothing to pack or the build failed, 2 an invalid field.)";

// Messages are 8-bit text with the interface font's bullet; the terminal takes UTF-8.
std::string Lines(const std::string& text) {
  return Printable(Utf8FromEightBit(text));
}

}  // namespace

int AddonCommand::Run(std::ostream& out, std::ostream& err) const {
  Codex codex;
  if (!OpenToolGame(game, active, codex, err)) return 1;
  AddonFields fields;
  const std::string invalid =
      AddonBuilder::InvalidFields(EightBitFromUtf8(name), EightBitFromUtf8(url), priority, fields);
  if (!invalid.empty()) {
    err << "zarv-tool: " << AddonBuilder::InvalidFieldsText(invalid) << "\n";
    return 2;
  }
  const AddonBuilder builder(codex,
                             kind == "dtex" ? AddonKind::kDetailTexture : AddonKind::kRegular);
  AddonMessage message;
  const Archive* archive = builder.Build(fields, message);
  if (!archive) {
    // The box's text, each of its lines a line of its own, then what really went wrong.
    std::string text = Utf8FromEightBit(message.text);
    size_t start = 0;
    while (start <= text.size()) {
      const size_t end = std::min(text.find('\n', start), text.size());
      err << "zarv-tool: " << Printable(text.substr(start, end - start)) << "\n";
      start = end + 1;
    }
    if (!message.reason.empty()) err << "zarv-tool: " << Lines(message.reason) << "\n";
    return 1;
  }
  if (json) {
    Json tags = Json::array();
    for (const LocationRecord& r : archive->copies()) {
      tags.push_back({{"group", tagcode::Display(r.header.group)},
                      {"id", tagcode::Display(r.header.tag_id)},
                      {"name", r.header.Name()},
                      {"size", r.header.data_size}});
    }
    PrintJson(out, Json{{"file", archive->path().string()},
                        {"bytes", archive->header().file_size},
                        {"tags", tags}});
  } else {
    out << Lines(message.text) << "\n"
        << Printable(archive->path().string()) << ": " << archive->copies().size() << " tags, "
        << archive->header().file_size << " bytes\n";
  }
  return 0;
}

void AddAddonCommand(CLI::App& app, ToolCommands& commands) {
  auto command = std::make_shared<AddonCommand>();
  CLI::App* sub = app.add_subcommand("addon", "Pack the local folder into an add-on.");
  sub->footer(kHelp);
  sub->add_option("--game", command->game, "Game folder (with tags/, plugins/ and local/)")
      ->required();
  sub->add_option("--name", command->name,
                  "The add-on's name and file name (at most 31 characters)")
      ->required();
  sub->add_option("--url", command->url, "The add-on's url (at most 63 characters)")->required();
  sub->add_option("--priority", command->priority,
                  "Load order among add-ons, 2 to 32767 (higher wins); default 100");
  sub->add_option("--kind", command->kind, "regular (default) or dtex")
      ->check(CLI::IsMember({"regular", "dtex"}));
  sub->add_option("--active", command->active,
                  "An archive of the working set (file name, or folder/file name as for "
                  "list; repeatable). Without it the default working set applies");
  sub->add_flag("--json", command->json, "Print one JSON object (keys below)");
  commands.push_back({sub, [command] { return command->Run(std::cout, std::cerr); }});
}
