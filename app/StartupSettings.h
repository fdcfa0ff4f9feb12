#pragma once
#include "gui/Geometry.h"

// Start-up decisions taken from the preferences before the OS window exists.
struct StartupSettings {
  Size window_size;
  bool vsync = true;
  bool fullscreen = false;
};

// The OS window's client size: 1024 by 768 unless both OsWindowSizeX and OsWindowSizeY are
// stored, clamped to 640..16384 by 480..16384.
StartupSettings ReadStartupSettings();

// Whether a window of that size should open maximised on a desktop with that work area.
bool ShouldMaximize(Size window, Size work_area);
