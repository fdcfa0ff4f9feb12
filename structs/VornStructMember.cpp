#include "structs/VornStructMember.h"

#include <tinyxml.h>

namespace {

std::string AttributeText(const TiXmlElement& element, const char* name) {
  const char* value = element.Attribute(name);
  return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

bool VornStructMember::ReadAttributes(const TiXmlElement& element,
                                      const MemberReadContext& /*context*/) {
  name = AttributeText(element, "name");
  lower_bound = AttributeText(element, "lower_bound");
  runtime_count = AttributeText(element, "runtime_count");
  return true;
}
