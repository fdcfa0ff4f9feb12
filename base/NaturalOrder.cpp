#include "base/NaturalOrder.h"

#include <cstddef>

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

char Fold(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

int NaturalCompare(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const bool da = IsDigit(a[i]), db = IsDigit(b[j]);
    if (da && db) {
      // Compared as numbers of any length: without leading zeros, the longer run is larger,
      // and runs of one length compare digit by digit.
      size_t ea = i, eb = j;
      while (ea < a.size() && IsDigit(a[ea])) ++ea;
      while (eb < b.size() && IsDigit(b[eb])) ++eb;
      size_t sa = i, sb = j;
      while (sa + 1 < ea && a[sa] == '0') ++sa;
      while (sb + 1 < eb && b[sb] == '0') ++sb;
      if (ea - sa != eb - sb) return ea - sa < eb - sb ? -1 : 1;
      for (; sa < ea; ++sa, ++sb) {
        if (a[sa] != b[sb]) return a[sa] < b[sb] ? -1 : 1;
      }
      i = ea;
      j = eb;
      continue;
    }
    if (da != db) return da ? 1 : -1;  // a number sorts after any other character
    const unsigned char ca = static_cast<unsigned char>(Fold(a[i]));
    const unsigned char cb = static_cast<unsigned char>(Fold(b[j]));
    if (ca != cb) return ca < cb ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}
