#include "tools/zarv-tool/ConvertImagesCommand.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>

#include "collections/FolderConversion.h"

int ConvertImagesCommand::Run(std::ostream& out, std::ostream& err) const {
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    err << "zarv-tool: " << folder << ": not a folder\n";
    return 1;
  }
  const DataFile::FileFormat target = DataFile::formatFromExtension(to);
  const FolderConversion::Mode mode =
      alphaOnly ? FolderConversion::Mode::kAlphaOnly : FolderConversion::Mode::kFull;
  const FolderConversion::Result result = FolderConversion::Run(
      folder, target, mode,
      [&](const std::filesystem::path& path) { out << "Processing... " << path.string() << "\n"; },
      [&](const std::filesystem::path& path, const std::string& why) {
        err << "zarv-tool: " << path.string() << ": " << why << "\n";
      });
  char line[64];
  std::snprintf(line, sizeof line, "%d files processed", result.processed);
  out << line << "\n";
  return result.failed == 0 ? 0 : 1;
}

void AddConvertImagesCommand(CLI::App& app, ToolCommands& commands) {
  auto command = std::make_shared<ConvertImagesCommand>();
  CLI::App* sub = app.add_subcommand(
      "convert-images", "Convert every image under a folder to one format, beside its source.");
  sub->add_option("DIR", command->folder, "Folder to walk, sub-folders included")->required();
  sub->add_option("--to", command->to, "Target format")
      ->required()
      ->check(CLI::IsMember({"bmp", "png", "tiff"}));
  sub->add_flag("--alpha-only", command->alphaOnly,
                "Write each image's alpha as greyscale (name.alpha.ext) where it has one");
  commands.push_back({sub, [command] { return command->Run(std::cout, std::cerr); }});
}
