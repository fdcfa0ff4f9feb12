#include "tools/zarv-tool/SoundCommand.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "sound/SoundExport.h"
#include "sound/SoundTag.h"
#include "tags/Codex.h"
#include "tags/LooseTagFile.h"
#include "tags/TagCode.h"
#include "tags/TagStream.h"
#include "tools/zarv-tool/ArchiveCommands.h"
#include "tools/zarv-tool/ToolText.h"

namespace {

constexpr uint32_t kSoun = tagcode::Make("soun");

constexpr const char* kInfoHelp =
    "Print the permutations of a sound tag. TAG is a loose tag file or, with --game, the "
    "four-character id of the sound tag in force in that game folder.\n\n"
    "With --json one object is printed with the keys:\n"
    "  name (the tag's), permutations: [{index, name, channels, bits, rate (Hz), blocks,\n"
    "  duration (as the sound editor shows it, \"mm:ss\" or \"hh:mm:ss\")}].";

constexpr const char* kExportHelp =
    "Write permutations of a sound tag as 16-bit PCM WAV files into DEST, all of them or those "
    "given with --permutation (an index, repeatable). Each file is named after its permutation "
    "(made safe as tag names are, repeats numbered). Permutations without samples are skipped. "
    "The exit status is 1 when a permutation with samples was not written.\n\n"
    "With --json one object is printed with the keys:\n"
    "  name (the tag's), permutations: [{index, name, file (null when not written),\n"
    "  error (why not, or null)}].";

// The tag's name and its sound, from a loose file or from the game's tag in force. Exit status
// 0, or 1 or 2 with the reason written to `err`.
int Load(const SoundCommand& c, std::string& name, SoundTag& sound, std::ostream& err) {
  std::string error;
  std::vector<uint8_t> data;
  if (c.game.empty()) {
    LooseTag loose;
    if (!LooseTagFile::Read(c.tag, kSoun, loose, error)) {
      err << "zarv-tool: " << c.tag << ": " << error << "\n";
      return 1;
    }
    name = loose.header.Name();
    data = std::move(loose.data);
  } else {
    if (c.tag.size() != 4) {
      err << "zarv-tool: " << Printable(c.tag) << ": a sound tag id is four characters\n";
      return 2;
    }
    Codex codex;
    if (!OpenToolGame(c.game, {}, codex, err)) return 1;
    CodexEntry* entry = codex.Find(kSoun, tagcode::Make(c.tag));
    if (!entry) {
      err << "zarv-tool: no sound with the id " << Printable(c.tag) << " in force\n";
      return 1;
    }
    TagStream* stream = codex.OpenData(entry);
    const bool read = stream && stream->ReadRest(data);
    codex.CloseData(entry);
    if (!read) {
      err << "zarv-tool: sound " << Printable(c.tag) << ": its data cannot be read\n";
      return 1;
    }
    name = codex.EntryHeader(*entry).Name();
  }
  if (!SoundTag::Read(data, sound, error)) {
    err << "zarv-tool: " << (c.game.empty() ? c.tag : "sound " + Printable(c.tag)) << ": " << error
        << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int SoundCommand::RunInfo(std::ostream& out, std::ostream& err) const {
  std::string name;
  SoundTag sound;
  if (const int status = Load(*this, name, sound, err); status != 0) return status;
  if (json) {
    nlohmann::json list = nlohmann::json::array();
    for (size_t i = 0; i < sound.permutations.size(); ++i) {
      const SoundPermutation& p = sound.permutations[i];
      list.push_back({{"index", i},
                      {"name", p.name},
                      {"channels", p.channels},
                      {"bits", p.bits},
                      {"rate", p.RateHz()},
                      {"blocks", p.blocks},
                      {"duration", p.DurationText()}});
    }
    PrintJson(out, {{"name", name}, {"permutations", list}});
    return 0;
  }
  out << Printable(name) << "\n";
  out << "  permutations: " << sound.permutations.size() << "\n";
  for (size_t i = 0; i < sound.permutations.size(); ++i) {
    const SoundPermutation& p = sound.permutations[i];
    out << "  " << i << ": '" << Printable(p.name) << "' " << p.ChannelsText() << ", " << p.bits
        << " bits, " << p.RateHz() << " Hz, " << p.blocks << " blocks, " << p.DurationText()
        << "\n";
  }
  return 0;
}

int SoundCommand::RunExport(std::ostream& out, std::ostream& err) const {
  std::string name;
  SoundTag sound;
  if (const int status = Load(*this, name, sound, err); status != 0) return status;
  const std::vector<SoundExportResult> results =
      permutations.empty() ? SoundExport::RunAll(sound, destination)
                           : SoundExport::Run(sound, permutations, destination);
  bool failed = false;
  nlohmann::json list = nlohmann::json::array();
  for (const SoundExportResult& r : results) {
    const bool not_written = !r.skipped && r.file.empty();
    failed = failed || not_written;
    list.push_back({{"index", r.index},
                    {"name", r.name},
                    {"file", r.file.empty() ? nlohmann::json() : nlohmann::json(r.file.string())},
                    {"error", not_written ? nlohmann::json(r.error) : nlohmann::json()}});
    if (json) continue;
    if (!r.file.empty()) {
      out << r.index << ": " << Printable(r.file.string()) << "\n";
    } else if (r.skipped) {
      out << r.index << ": '" << Printable(r.name) << "' has no samples, skipped\n";
    }
  }
  if (json) PrintJson(out, {{"name", name}, {"permutations", list}});
  if (failed) {
    // One line each, so names from the tag cannot break the lines up.
    const std::string message = SoundExport::FailureMessage(results);
    for (size_t start = 0; start <= message.size();) {
      const size_t end = std::min(message.find('\n', start), message.size());
      err << "zarv-tool: " << Printable(message.substr(start, end - start)) << "\n";
      start = end + 1;
    }
  }
  return failed ? 1 : 0;
}

void AddSoundCommand(CLI::App& app, ToolCommands& commands) {
  auto command = std::make_shared<SoundCommand>();
  CLI::App* sound = app.add_subcommand("sound", "Inspect and export sound tags.");
  sound->require_subcommand(1);

  CLI::App* info = sound->add_subcommand("info", "Print the permutations of a sound tag.");
  info->footer(kInfoHelp);
  info->add_option("--game", command->game, "Game folder: TAG is a sound's id in force there");
  info->add_flag("--json", command->json, "Print one JSON object (keys below)");
  info->add_option("TAG", command->tag, "Loose sound tag file, or with --game the tag id")
      ->required();
  commands.push_back({info, [command] { return command->RunInfo(std::cout, std::cerr); }});

  CLI::App* exp = sound->add_subcommand("export", "Write permutations of a sound as WAV files.");
  exp->footer(kExportHelp);
  exp->add_option("--game", command->game, "Game folder: TAG is a sound's id in force there");
  exp->add_option("--permutation", command->permutations,
                  "Export this permutation (its index); repeatable; default all")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->expected(1)
      ->allow_extra_args(false);
  exp->add_flag("--json", command->json, "Print one JSON object (keys below)");
  exp->add_option("TAG", command->tag, "Loose sound tag file, or with --game the tag id")
      ->required();
  exp->add_option("DEST", command->destination, "Existing folder to write into")
      ->required()
      ->check(CLI::ExistingDirectory);
  commands.push_back({exp, [command] { return command->RunExport(std::cout, std::cerr); }});
}
