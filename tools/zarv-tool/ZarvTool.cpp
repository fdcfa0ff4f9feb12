// zarv-tool: command-line access to Vorn tag files, archives, collections, images and the
// clipboard. Exit status 0 on success, 1 when something could not be handled, 2 on a usage
// error. Input files are only ever read.
#include <CLI/CLI.hpp>
#include <iostream>

#include "tools/zarv-tool/ToolCommand.h"

int main(int argc, char** argv) {
  CLI::App app{"Inspect and convert Vorn tag files, archives and images.", "zarv-tool"};
  app.require_subcommand(1);

  ToolCommands commands;
  AddInfoCommand(app, commands);
  AddArchiveCommands(app, commands);
  AddMakeDemoCommand(app, commands);
  AddConvertImagesCommand(app, commands);
  AddCollectionCommand(app, commands);
  AddClipboardCommand(app, commands);
  AddNaturalSortCommand(app, commands);

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
  for (const ToolCommand& command : commands) {
    if (command.app->parsed()) return command.run();
  }
  return 2;
}
