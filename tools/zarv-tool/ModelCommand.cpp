#include "tools/zarv-tool/ModelCommand.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <vector>

#include "base/MessageLog.h"
#include "models/Geometry.h"
#include "models/ModelImport.h"
#include "tags/Codex.h"
#include "tags/TagCode.h"
#include "tags/TagStream.h"
#include "tools/zarv-tool/ArchiveCommands.h"
#include "tools/zarv-tool/ToolText.h"

namespace {

constexpr uint32_t kGeom = tagcode::Make("geom");

// The "Model Import" lines go to `out` as they are; other logs' errors and warnings to `err`.
class PrintModelLog {
 public:
  PrintModelLog(std::ostream& out, std::ostream& err)
      : previous_(
            SetMessageSink([&out, &err](int level, std::string_view log, std::string_view text) {
              if (log == kModelImportLog) {
                out << text;
              } else if (level <= 1) {
                err << "zarv-tool: " << text;
              }
            })) {}
  ~PrintModelLog() { SetMessageSink(previous_); }
  PrintModelLog(const PrintModelLog&) = delete;
  PrintModelLog& operator=(const PrintModelLog&) = delete;

 private:
  MessageSink previous_;
};

// The geometry in force named `text`, else the one whose tag id it is (four characters, or 0x
// and eight hex digits).
CodexEntry* FindGeometry(const Codex& codex, const std::string& text) {
  for (CodexEntry* entry : codex.Combined()) {
    if (entry->group() == kGeom && codex.EntryHeader(*entry).Name() == text) return entry;
  }
  uint32_t id = 0;
  if (text.size() == 4) {
    id = tagcode::Make(text);
  } else if (text.size() == 10 && (text.starts_with("0x") || text.starts_with("0X")) &&
             text.find_first_not_of("0123456789abcdefABCDEF", 2) == std::string::npos) {
    id = static_cast<uint32_t>(std::stoul(text.substr(2), nullptr, 16));
  } else {
    return nullptr;
  }
  return codex.Find(kGeom, id);
}

}  // namespace

int ModelCommand::RunImport(std::ostream& out, std::ostream& err) const {
  Codex codex;
  if (!OpenToolGame(game, {}, codex, err)) return 1;
  const std::filesystem::path path(object_file);
  const std::string tag_name = name.empty() ? path.stem().string() : name;
  PrintModelLog log(out, err);
  return ImportModel(codex, path, tag_name) != nullptr ? 0 : 1;
}

int ModelCommand::RunExport(std::ostream& out, std::ostream& err) const {
  Codex codex;
  if (!OpenToolGame(game, {}, codex, err)) return 1;
  CodexEntry* entry = FindGeometry(codex, tag);
  if (!entry) {
    err << "zarv-tool: no geometry named or with the id " << Printable(tag) << " in force\n";
    return 1;
  }
  std::vector<uint8_t> data;
  TagStream* stream = codex.OpenData(entry);
  const bool read = stream && stream->ReadRest(data);
  codex.CloseData(entry);
  Geometry geometry;
  std::string error;
  if (!read) error = "its data cannot be read";
  if (!read || !Geometry::Read(data, geometry, error)) {
    err << "zarv-tool: geometry " << Printable(tag) << ": " << error << "\n";
    return 1;
  }
  PrintModelLog log(out, err);
  return ExportModel(codex, geometry, codex.EntryHeader(*entry).Name(), destination) ? 0 : 1;
}

void AddModelCommands(CLI::App& app, ToolCommands& commands) {
  auto command = std::make_shared<ModelCommand>();
  CLI::App* lwo = app.get_subcommand("lwo");
  CLI::App* import = lwo->add_subcommand(
      "import", "Import a triangulated LightWave object and its paletted textures as new tags.");
  import->footer(
      "Writes a collection (.256), a collection reference (core), a geometry (geom) and a model "
      "(mode), all named NAME, into the game folder's local folder. Textures are looked up "
      "beside the object. The \"Model Import\" log is printed; the exit status is 0 after "
      "\"Import Successful.\" and 1 after \"Import Failed.\".");
  import->add_option("FILE", command->object_file, "LightWave object (.lwo)")->required();
  import->add_option("--game", command->game, "Game folder (with tags/, plugins/ and local/)")
      ->required();
  import->add_option("--name", command->name,
                     "Name of the new tags (default: the file name without extension)");
  commands.push_back({import, [command] { return command->RunImport(std::cout, std::cerr); }});

  CLI::App* geom = app.get_subcommand("geom");
  CLI::App* exp =
      geom->add_subcommand("export", "Write a geometry as a LightWave object and PNG textures.");
  exp->footer(
      "Writes '<tag name>.lwo' and one PNG per texture (the bitmap's name with the extension "
      ".png) into DEST, all of them or none. The \"Model Import\" log is printed.");
  exp->add_option("--game", command->game, "Game folder")->required();
  exp->add_option("TAG", command->tag,
                  "The geometry in force: its name, or its id (four characters or 0x and eight "
                  "hex digits)")
      ->required();
  exp->add_option("DEST", command->destination, "Existing folder to write into")->required();
  commands.push_back({exp, [command] { return command->RunExport(std::cout, std::cerr); }});
}
