#pragma once

// Asks "Really Quit Zarv?" and then every top-level window whether it may close; true when
// the program may end. Windows that agree are closed at once.
bool StandardQuitCheck();
