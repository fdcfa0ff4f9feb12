#include "app/PrefsChooserMemory.h"

#include "app/Preferences.h"

bool PrefsChooserMemory::GetText(std::string_view key, std::string& out) {
  return GetPrefString(std::string(key), &out);
}

void PrefsChooserMemory::SetText(std::string_view key, const std::string& text) {
  // A folder whose name the preferences file cannot hold is simply not remembered.
  SetPrefString(std::string(key), text);
}

bool PrefsChooserMemory::GetNumber(std::string_view key, int32_t& out) {
  return GetPrefInt(std::string(key), &out);
}

void PrefsChooserMemory::SetNumber(std::string_view key, int32_t value) {
  SetPrefInt(std::string(key), value);
}
