// Feeds arbitrary bytes to the preferences reader. Besides looking for crashes it checks the
// promise the reader and writer make together: whatever the reader accepted, the writer writes
// in a form the reader takes back cleanly and unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/Preferences.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ClearPrefs();
  ParsePrefs(std::string(reinterpret_cast<const char*>(data), size));
  const std::string written = SerializePrefs();

  ClearPrefs();
  if (!ParsePrefs(written)) std::abort();
  if (SerializePrefs() != written) std::abort();
  return 0;
}
