#include "tools/shipped-structs/ShippedStructs.h"

#include <string>
#include <utility>

#include "structs/StructRegistry.h"
#include "structs/XmlResourceSet.h"

void LoadShippedStructs(StructRegistry& registry, std::vector<StructProblem>* problems) {
  XmlResourceSet resources;
  for (const ShippedFile& file : ShippedStructFiles()) {
    resources.LoadText(std::string(file.path), std::string(file.text), problems);
  }
  registry.Build(std::move(resources), problems);
}
