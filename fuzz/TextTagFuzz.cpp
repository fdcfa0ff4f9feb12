// Fuzz target for the text groups' data. Besides not crashing: a string list's lines hold no
// zero byte, carriage return or empty line; a plain text that loads saves back to its bytes up
// to the first zero, with line feeds turned into carriage returns; one that is refused names the
// offset of a zero byte that has more text after it.

#include <algorithm>
#include <cstdint>
#include <span>

#include "fuzz/FuzzCheck.h"
#include "structs/TextTagText.h"
#include "tags/TagCode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> input(data, size);

  const texttag::Loaded list = texttag::TextFromData(tagcode::Make("stli"), input);
  Check(list.ok, "a string list was refused");
  Check(list.text.find('\0') == std::string::npos && list.text.find('\r') == std::string::npos,
        "a string list line holds a separator");
  Check(list.text.find("\n\n") == std::string::npos && (list.text.empty() || list.text[0] != '\n'),
        "a string list shows an empty line");
  Check(list.text.empty() || list.text.back() == '\n', "a string list's last line is not ended");
  // Every separator ends a string: the kept ones plus the dropped ones can be no more.
  size_t separators = 0;
  for (uint8_t b : input) separators += b == 0 || b == '\n' || b == '\r';
  const size_t kept = static_cast<size_t>(std::count(list.text.begin(), list.text.end(), '\n'));
  Check(list.dropped + kept <= separators + 1 && (kept > 0 || list.dropped == 0),
        "a string list miscounts its dropped strings");

  const texttag::Loaded text = texttag::TextFromData(tagcode::Make("text"), input);
  const auto zero = std::find(input.begin(), input.end(), uint8_t{0});
  if (text.ok) {
    Check(std::all_of(zero, input.end(), [](uint8_t b) { return b == 0; }),
          "a text with a zero byte before more text was loaded");
    const std::vector<uint8_t> saved = texttag::DataFromText(text.text);
    Check(saved.size() == static_cast<size_t>(zero - input.begin()), "a text changed its length");
    for (size_t i = 0; i < saved.size(); ++i) {
      const uint8_t expected = input[i] == '\n' ? '\r' : input[i];
      Check(saved[i] == expected, "a text changed a byte other than a line feed");
    }
  } else {
    Check(text.zero_offset < size && input[text.zero_offset] == 0 &&
              text.zero_offset == static_cast<size_t>(zero - input.begin()),
          "a refused text names the wrong offset");
  }
  return 0;
}
