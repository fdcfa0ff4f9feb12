#include "structs/TagMember.h"

#include <tinyxml.h>

#include <cstring>

#include "tags/TagCode.h"

bool TagMember::ReadAttributes(const TiXmlElement& element, const MemberReadContext& context) {
  VornStructMember::ReadAttributes(element, context);
  group = kNoGroup;
  const char* code = element.Attribute("group");
  const std::string who =
      name.empty() ? std::string("an unnamed tag member") : "tag member '" + name + "'";
  if (code == nullptr) {
    context.Warn(line, who + " has no group; it can only hold no tag");
    return false;
  }
  if (std::strlen(code) != 4) {
    context.Warn(line,
                 who + ": group '" + code + "' is not four characters; it can only hold no tag");
    return false;
  }
  group = tagcode::Make(code);
  return true;
}
