#include "app/CodexWorkingSetPref.h"

#include <string>
#include <vector>

#include "app/Preferences.h"
#include "base/MessageLog.h"
#include "tags/Codex.h"

namespace {
constexpr const char* kKey = "CodexWorkingSet";
}

void LoadCodexWorkingSet(Codex& codex) {
  std::string stored;
  if (!GetPrefString(kKey, &stored)) {
    codex.ApplyDefaultWorkingSet();
    return;
  }
  // An empty list is a choice too: nothing active.
  std::vector<std::string> names;
  GetPrefList(kKey, &names);
  codex.ApplyWorkingSetNames(names);
}

void SaveCodexWorkingSet(const Codex& codex) {
  std::vector<std::string> names;
  for (const std::string& name : codex.WorkingSetNames()) {
    if (name.find(';') != std::string::npos || !IsStorablePrefText(name)) {
      LogMessage(1, "Codex",
                 "the archive '%s' cannot be remembered in the working set: its name holds a "
                 "character the preferences file cannot store\n",
                 name.c_str());
      continue;
    }
    names.push_back(name);
  }
  SetPrefList(kKey, names);
}
