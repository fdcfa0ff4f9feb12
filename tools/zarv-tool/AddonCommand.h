#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "tools/zarv-tool/ToolCommand.h"

// `zarv-tool addon`: packs a game folder's local tags into an add-on in its plugins folder,
// as the editor's "Build Regular Add-on" and "Build Dtex Add-on" do.
class AddonCommand {
 public:
  std::string game;
  std::string name;
  std::string url;
  std::string priority = "100";  // text, checked as the dialog's field is
  std::string kind = "regular";  // or "dtex"
  // Archive file names making up the working set; empty means the default working set.
  std::vector<std::string> active;
  bool json = false;

  // 0 when written; 2 for an invalid field; 1 when there is nothing to pack, a detail map
  // fails its checks or the write fails.
  int Run(std::ostream& out, std::ostream& err) const;
};
