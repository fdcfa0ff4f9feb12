#include "tags/ui/WorkingSetHooks.h"

#include "tags/Codex.h"

namespace {
WorkingSetHooks& Hooks() {
  static WorkingSetHooks hooks;
  return hooks;
}
}  // namespace

void SetWorkingSetHooks(const WorkingSetHooks& hooks) {
  Hooks() = hooks;
}

void LoadWorkingSet(Codex& codex) {
  if (Hooks().load) {
    Hooks().load(codex);
  } else {
    codex.ApplyDefaultWorkingSet();
  }
}

void SaveWorkingSet(const Codex& codex) {
  if (Hooks().save) Hooks().save(codex);
}
