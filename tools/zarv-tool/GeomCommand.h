#pragma once
#include <ostream>
#include <string>

#include "tools/zarv-tool/ToolCommand.h"

// `zarv-tool geom info` and `zarv-tool model info`: what a geometry tag and a model tag hold.
// The `geom` subcommand is made here; other geometry commands hang under it
// (app.get_subcommand("geom")).
class GeomCommand {
 public:
  std::string tag_file;
  bool json = false;
  bool all = false;  // geom info: every material, vertex and triangle too

  // Exit status 0 on success, 1 when the tag could not be read.
  int RunGeomInfo(std::ostream& out, std::ostream& err) const;
  int RunModelInfo(std::ostream& out, std::ostream& err) const;
};
