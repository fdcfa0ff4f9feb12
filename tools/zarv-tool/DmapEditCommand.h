#pragma once
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/zarv-tool/ToolCommand.h"

// `zarv-tool dmap export|import|from-terrain|paint|fill`: the mesh editor's detail map edits
// from the command line. Outputs are whole loose tag files that replace OUT only once complete
// (OUT may be the input); nothing is written when a command fails.
class DmapEditCommand {
 public:
  std::string tag_file;  // DMAP, or MESH for from-terrain
  std::string image;
  std::string output;
  bool vertex = false;
  bool triangle = false;
  std::vector<int> protect;
  bool override = false;
  std::string game;
  std::string at;
  double radius = 2.0;
  int slot = 1;
  bool square = false;

  // Exit status 0 on success (a partial import only warns), 1 when something could not be
  // read or written, 2 for arguments that make no sense.
  int RunExport(std::ostream& out, std::ostream& err) const;
  int RunImport(std::ostream& out, std::ostream& err) const;
  int RunFromTerrain(std::ostream& out, std::ostream& err) const;
  int RunPaint(std::ostream& out, std::ostream& err) const;
  int RunFill(std::ostream& out, std::ostream& err) const;
};
