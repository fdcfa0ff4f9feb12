#pragma once
#include <string>

// Shows a start-up failure in a small X window titled "Error" with an "OK" button, drawn with
// the X server's own font because the program's font may be what is missing. Returns when the
// user presses OK, Enter or Escape, or closes the window; returns at once when no display can
// be opened (the caller has already written the text to standard error).
void ShowFatalMessage(const std::string& text);
