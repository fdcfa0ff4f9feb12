#pragma once

class Codex;

// The working set between runs: the preference CodexWorkingSet lists the file names of the
// active archives.

// Activates the listed archives that are loaded (other names are skipped); applies the default
// working set when the preference is absent.
void LoadCodexWorkingSet(Codex& codex);
// Stores the active archives' names in archive-list order. A name the preferences file could
// not hold (a ';' or a double quote, a control character) is left out with a log line, so one
// odd file name never corrupts or loses the rest of the list.
void SaveCodexWorkingSet(const Codex& codex);
