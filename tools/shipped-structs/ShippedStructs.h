#pragma once
#include <span>
#include <string_view>
#include <vector>

#include "structs/StructProblem.h"

class StructRegistry;

// The record descriptions shipped in res/structs, compiled in.
struct ShippedFile {
  std::string_view path;  // "structs/NAME.xml", as the walk of res/ names it
  std::string_view text;
};

// In the order of their names, which is the order the walk of res/ reads them in.
std::span<const ShippedFile> ShippedStructFiles();

// Builds `registry` from the shipped files alone, as the editor would from a res folder that
// holds nothing else.
void LoadShippedStructs(StructRegistry& registry, std::vector<StructProblem>* problems);
