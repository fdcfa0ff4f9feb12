// zarv-tool: command-line access to Vorn tag files, archives, collections, images and the
// clipboard. Exit status 0 on success, 1 when something could not be handled, 2 on a usage
// error. Input files are only ever read.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <string_view>

#include "base/MessageLog.h"
#include "tools/zarv-tool/ToolCommand.h"

namespace {
// Every line of every level, in the form the default sink gives errors and warnings.
void VerboseSink(int /*level*/, std::string_view log, std::string_view text) {
  std::fprintf(stderr, "%.*s: %.*s", static_cast<int>(log.size()), log.data(),
               static_cast<int>(text.size()), text.data());
  if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
}
}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Inspect and convert Vorn tag files, archives and images.", "zarv-tool"};
  app.require_subcommand(1);
  bool verbose = false;
  app.add_flag("--verbose", verbose,
               "Also write the information lines of the logs to standard error");
  // The flag may come after the command as well; the commands made below inherit this.
  app.fallthrough();

  ToolCommands commands;
  AddInfoCommand(app, commands);
  AddArchiveCommands(app, commands);
  AddMakeDemoCommand(app, commands);
  AddConvertImagesCommand(app, commands);
  AddQuantiseCommand(app, commands);
  AddCollectionCommand(app, commands);
  AddClipboardCommand(app, commands);
  AddNaturalSortCommand(app, commands);
  AddTagOpCommands(app, commands);
  AddStructCommands(app, commands);
  AddMeshCommand(app, commands);
  AddDmapCommand(app, commands);
  AddDtexCommand(app, commands);
  AddLwoCommand(app, commands);
  AddGeomCommand(app, commands);
  AddSoundCommand(app, commands);
  AddAddonCommand(app, commands);
  AddDialogCommand(app, commands);
  AddTextCommand(app, commands);
  AddModelCommands(app, commands);  // under lwo and geom, so after both

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return 2;
  }
  if (verbose) SetMessageSink(&VerboseSink);
  for (const ToolCommand& command : commands) {
    if (command.app->parsed()) return command.run();
  }
  return 2;
}
