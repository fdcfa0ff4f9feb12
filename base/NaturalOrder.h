#pragma once
#include <string_view>

// The order people expect of names: letters compare without regard to case (A-Z equal a-z), a
// run of decimal digits compares as the number it spells and sorts after any single
// non-digit character, and a text that is the start of another comes first. So "walk 2" <
// "walk 10" and "Walk 1" < "walk 2". Returns <0, 0 or >0; texts that differ only in case or
// in leading zeros compare equal (callers wanting a total order break the tie themselves).
int NaturalCompare(std::string_view a, std::string_view b);

inline bool NaturalLess(std::string_view a, std::string_view b) {
  return NaturalCompare(a, b) < 0;
}
