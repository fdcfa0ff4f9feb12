// zarv-tool: command-line access to Vorn tag files. Exit status 0 on success, 1 when a file
// could not be handled, 2 on a usage error. Input files are only ever read.
#include <CLI/CLI.hpp>
#include <iostream>

#include "tools/zarv-tool/InfoCommand.h"

int main(int argc, char** argv) {
  CLI::App app{"Inspect Vorn tag files.", "zarv-tool"};
  app.require_subcommand(1);

  InfoCommand info;
  CLI::App* info_app = app.add_subcommand("info", "Print the header of each loose tag file.");
  info_app->add_flag("--json", info.json, "Print a JSON array, one object per file");
  info_app->add_option("FILE", info.files, "Loose tag files")->required();

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
  if (info_app->parsed()) return info.Run(std::cout, std::cerr);
  return 2;
}
