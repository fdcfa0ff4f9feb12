#include "app/StartupSettings.h"

#include <algorithm>
#include <string>

#include "app/Preferences.h"

StartupSettings ReadStartupSettings() {
  StartupSettings s;
  int32_t vsync = 1;
  int32_t fullscreen = 0;
  GetPrefInt("UseVSync", &vsync);
  GetPrefInt("UseFullscreen", &fullscreen);
  s.vsync = vsync != 0;
  s.fullscreen = fullscreen != 0;
  int32_t w = 1024;
  int32_t h = 768;
  int32_t pw = 0;
  int32_t ph = 0;
  if (GetPrefInt("OsWindowSizeX", &pw) && GetPrefInt("OsWindowSizeY", &ph)) {
    w = pw;
    h = ph;
  }
  s.window_size = {std::clamp(w, 640, 16384), std::clamp(h, 480, 16384)};
  return s;
}

bool ShouldMaximize(Size window, Size work_area) {
  if (work_area.width <= 0 || work_area.height <= 0) return false;
  return window.width >= work_area.width || window.height >= work_area.height;
}
