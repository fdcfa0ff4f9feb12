#pragma once

class Codex;

// Where the working set is kept between runs. The program stores it in its preferences and
// installs the two functions at start-up; until then loading applies the default working set
// and saving stores nothing.
struct WorkingSetHooks {
  void (*load)(Codex& codex) = nullptr;
  void (*save)(const Codex& codex) = nullptr;
};

// Installs the hooks (empty hooks turn the storing off again).
void SetWorkingSetHooks(const WorkingSetHooks& hooks);
void LoadWorkingSet(Codex& codex);
void SaveWorkingSet(const Codex& codex);
