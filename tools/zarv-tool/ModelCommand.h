#pragma once
#include <ostream>
#include <string>

#include "tools/zarv-tool/ToolCommand.h"

// `zarv-tool lwo import` and `zarv-tool geom export`: a LightWave object into the four model
// tags of a game folder, and a geometry tag back out as an object and PNG textures. Both print
// the "Model Import" log on standard output.
class ModelCommand {
 public:
  std::string game;
  std::string object_file;  // import
  std::string name;         // import: the new tags' name; the object's file name without
                            // extension when empty
  std::string tag;          // export: the geometry's name or tag id
  std::string destination;  // export: the folder written into

  // Exit status 0 on success, 1 on failure.
  int RunImport(std::ostream& out, std::ostream& err) const;
  int RunExport(std::ostream& out, std::ostream& err) const;
};
