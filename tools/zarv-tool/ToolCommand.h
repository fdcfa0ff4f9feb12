#pragma once
#include <CLI/CLI.hpp>
#include <functional>
#include <vector>

// Each command of zarv-tool adds its subcommand to the parser and a runner to this list; after
// parsing, main runs the runner whose subcommand was given. A runner returns the exit status.
struct ToolCommand {
  CLI::App* app = nullptr;
  std::function<int()> run;
};
using ToolCommands = std::vector<ToolCommand>;

// One per command file.
void AddInfoCommand(CLI::App& app, ToolCommands& commands);
// list, archives, pack and unpack.
void AddArchiveCommands(CLI::App& app, ToolCommands& commands);
void AddMakeDemoCommand(CLI::App& app, ToolCommands& commands);
void AddConvertImagesCommand(CLI::App& app, ToolCommands& commands);
void AddQuantiseCommand(CLI::App& app, ToolCommands& commands);
// collection info, export and, through the two below, every other collection command.
void AddCollectionCommand(CLI::App& app, ToolCommands& commands);
// collection new, import, replace, export-plate and import-plate, under `collection`.
void AddCollectionImportCommands(CLI::App& collection, ToolCommands& commands);
// collection edit and runtime-size, under `collection`.
void AddCollectionEditCommands(CLI::App& collection, ToolCommands& commands);
// collection sequence, sequence-import and sequence-export, under `collection`.
void AddCollectionSequenceCommands(CLI::App& collection, ToolCommands& commands);
// clipboard put-text, get-text, put-image and get-image.
void AddClipboardCommand(CLI::App& app, ToolCommands& commands);
void AddNaturalSortCommand(CLI::App& app, ToolCommands& commands);
// create, duplicate, copy-local, delete and rename.
void AddTagOpCommands(CLI::App& app, ToolCommands& commands);
// struct check, struct dump and struct set.
void AddStructCommands(CLI::App& app, ToolCommands& commands);
// mesh info and mesh export.
void AddMeshCommand(CLI::App& app, ToolCommands& commands);
// dmap info; the commands that edit detail maps hang under the same `dmap`.
void AddDmapCommand(CLI::App& app, ToolCommands& commands);
// dmap export, import, from-terrain, paint and fill, under `dmap`.
void AddDmapEditCommands(CLI::App& dmap, ToolCommands& commands);
// dtex info, decode and encode.
void AddDtexCommand(CLI::App& app, ToolCommands& commands);
// lwo info.
void AddLwoCommand(CLI::App& app, ToolCommands& commands);
// geom info and model info.
void AddGeomCommand(CLI::App& app, ToolCommands& commands);
// sound info and sound export.
void AddSoundCommand(CLI::App& app, ToolCommands& commands);
// addon.
void AddAddonCommand(CLI::App& app, ToolCommands& commands);
// dialog dump and dialog load.
void AddDialogCommand(CLI::App& app, ToolCommands& commands);
// text get and text set.
void AddTextCommand(CLI::App& app, ToolCommands& commands);
// lwo import and geom export, under the two above.
void AddModelCommands(CLI::App& app, ToolCommands& commands);
