#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tools/zarv-tool/ToolCommand.h"

class CollectionFile;

// The collection commands that make or change bitmaps from image files: `collection new`,
// `import`, `replace`, `export-plate` and `import-plate`. Changing commands read TAGFILE and
// write OUT (which may be TAGFILE); OUT is left untouched when they fail.
class CollectionImportCommand {
 public:
  std::string tag_file;
  std::vector<std::string> files;
  std::string output;
  std::string select;  // LIST: "0,3-5"
  bool shadow = false;
  bool adopt_palette = false;
  bool quantise = false;
  bool by_name = false;
  bool alpha = false;
  uint32_t columns = 0;
  // New only.
  std::string name;
  std::string id;

  // Exit status 0 on success, 1 on failure.
  int RunNew(std::ostream& out, std::ostream& err) const;
  int RunImport(std::ostream& out, std::ostream& err) const;
  int RunReplace(std::ostream& out, std::ostream& err) const;
  int RunExportPlate(std::ostream& out, std::ostream& err) const;
  int RunImportPlate(std::ostream& out, std::ostream& err) const;

 private:
  // Every file as a true-colour picture quantised onto entries 2-255 (see the help).
  bool ImportQuantised(CollectionFile& file, std::ostream& out, std::ostream& err) const;
};
