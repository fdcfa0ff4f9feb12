// Fuzz target for the model reader. The input is the tag data: a model that reads writes, reads
// back and writes again to the same bytes.

#include <cstdint>
#include <span>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "models/Model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Model model;
  std::string error;
  if (!Model::Read(std::span<const uint8_t>(data, size), model, error)) {
    Check(!error.empty(), "a model refused without a message");
    Check(model.cells.empty() && model.vertex_values.empty(), "a refused model changed the output");
    return 0;
  }
  // The three arrays are located independently and may share bytes, so each one, not their
  // sum, has to lie inside the data.
  const size_t value_bytes = model.vertex_values.size() * 4;
  const size_t record_bytes = model.records.size() * Model::kRecordSize;
  const size_t cell_bytes = model.cells.size() * Model::kCellSize;
  Check(value_bytes <= size && record_bytes <= size && cell_bytes <= size,
        "more records than the data holds");
  const size_t arrays = value_bytes + record_bytes + cell_bytes;
  const std::vector<uint8_t> written = model.Write();
  Check(written.size() == Model::kDataBase + arrays, "written size differs from the arrays");
  Model back;
  Check(Model::Read(written, back, error), "a written model does not read");
  Check(back.Write() == written, "a written model reads back different");
  return 0;
}
