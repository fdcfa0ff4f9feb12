#include "app/ChooserFileProbe.h"

#include "base/SafeFile.h"
#include "collections/DataFile.h"

bool ChooserFileProbe::Probe(const std::string& path, int32_t& file_type) {
  file_type = 0;
  DataFile file(path);
  if (file.probe()) {
    if (file.kind() == DataFile::kImage) file_type = static_cast<int32_t>(file.fileFormat());
    return true;
  }
  // A recognised image with broken headers is invalid; anything else that reads is merely
  // of a kind we do not know.
  if (file.kind() == DataFile::kImage) return false;
  std::vector<uint8_t> start;
  uint64_t size = 0;
  std::string error;
  return SafeFile::ReadStart(path, 1, start, size, error);
}
