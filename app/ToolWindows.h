#pragma once

// The tool windows the menu bar opens, each behind one call so that the menu needs to know
// nothing of the windows themselves.

// Opens the log viewer, or brings it to the front.
void ShowLogViewer();
// Opens the window spy, or brings the open one to the front.
void ShowWindowSpy();
