// Fuzz target for the dialog reader. Besides not crashing: a dialog that reads writes back the
// very bytes it came from with the records' reserved fields zeroed (the texts, their order and
// whatever follows them kept), and reading that again gives the same dialog. One without
// controls is never written.

#include <cstdint>
#include <span>
#include <vector>

#include "base/ByteWriter.h"
#include "fuzz/FuzzCheck.h"
#include "structs/Dialog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> input(data, size);
  Dialog dialog;
  std::string error;
  if (!Dialog::Read(input, dialog, error)) {
    Check(!error.empty(), "a refused dialog gave no reason");
    return 0;
  }
  ByteWriter out;
  if (dialog.controls.empty()) {
    // Bytes after a header that counts no controls read, but there are no texts to save.
    Check(!dialog.Write(out, error) && out.size() == 0, "a dialog without controls was written");
    return 0;
  }
  Check(dialog.Write(out, error), "a dialog that was read cannot be written");
  std::vector<uint8_t> expected(input.begin(), input.end());
  for (size_t i = 0; i < dialog.controls.size(); ++i) {
    const size_t record = Dialog::kHeaderSize + Dialog::kRecordSize * i;
    for (size_t k : {4, 5, 8, 9, 10, 11, 12, 13, 14, 15}) expected[record + k] = 0;
  }
  Check(out.bytes() == expected, "a dialog written back differs from what was read");
  Dialog again;
  Check(Dialog::Read(out.bytes(), again, error) && again == dialog,
        "a written dialog reads back differently");
  return 0;
}
