#include "structs/EnumMember.h"

#include <tinyxml.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

// A whole decimal number in the 32-bit range, blanks around it allowed.
bool ParseValue(const char* text, int32_t& value) {
  errno = 0;
  char* end = nullptr;
  const long long parsed = std::strtoll(text, &end, 10);
  if (end == text || errno == ERANGE || parsed < INT32_MIN || parsed > INT32_MAX) return false;
  while (*end == ' ' || *end == '\t' || *end == '\r' || *end == '\n') ++end;
  if (*end != '\0') return false;
  value = static_cast<int32_t>(parsed);
  return true;
}

}  // namespace

bool EnumMember::ReadAttributes(const TiXmlElement& element, const MemberReadContext& context) {
  VornStructMember::ReadAttributes(element, context);
  entries.clear();
  const std::string who =
      name.empty() ? std::string("an unnamed enumeration") : "enumeration '" + name + "'";
  for (const TiXmlElement* child = element.FirstChildElement("member"); child != nullptr;
       child = child->NextSiblingElement("member")) {
    const char* text = child->Attribute("text");
    const char* value = child->Attribute("value");
    Entry entry;
    if (text == nullptr || value == nullptr) {
      context.Warn(child->Row(), who + ": an entry lacks its " +
                                     (text == nullptr ? "text" : "value") +
                                     "; it and the entries after it are left out");
      return false;
    }
    if (!ParseValue(value, entry.value)) {
      context.Warn(child->Row(), who + ": entry '" + text + "' has the value '" + value +
                                     "', not a 32-bit whole number; it and the entries after "
                                     "it are left out");
      return false;
    }
    entry.text = text;
    entries.push_back(std::move(entry));
  }
  return true;
}

int EnumMember::CurrentEntry(int64_t value) const {
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].value == value) return static_cast<int>(i);
  }
  if (value == -1) {
    for (size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].value == 0) return static_cast<int>(i);
    }
  }
  return -1;
}
