#pragma once
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/zarv-tool/ToolCommand.h"

class CollectionFile;
struct Sequence;

// The sequence editor's commands: `collection sequence` (print a sequence's header and grid,
// or with -o set header fields by the editor's rules), `sequence-import` and
// `sequence-export`. Changing commands read TAGFILE and write OUT (which may be TAGFILE); OUT
// is left untouched when they fail.
class CollectionSequenceCommand {
 public:
  std::string tag_file;
  int64_t index = 0;
  std::vector<std::string> files;
  std::string output;
  std::string destination;
  bool json = false;
  std::string order = "by-frame";
  bool plate = false;
  bool alpha = false;
  std::string format = "png";
  // The header fields to set; unset ones stay as they are.
  std::optional<int64_t> frames, views, ticks, key_frame, loop_frame, transfer_period;
  std::optional<std::string> transfer_mode, first_sound, key_sound, last_sound, mirroring,
      no_rotation;

  int RunSequence(std::ostream& out, std::ostream& err) const;
  int RunImport(std::ostream& out, std::ostream& err) const;
  int RunExport(std::ostream& out, std::ostream& err) const;

 private:
  // The file loaded and the sequence INDEX names in it, or null with a message.
  Sequence* Load(CollectionFile& file, std::ostream& err) const;
  bool SetFields(CollectionFile& file, Sequence& sequence, std::ostream& err) const;
  bool AnyField() const;
};
