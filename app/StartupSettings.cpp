#include "app/StartupSettings.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
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

bool ChangeToExecutableFolder() {
  char path[PATH_MAX + 1];
  const ssize_t n = readlink("/proc/self/exe", path, PATH_MAX);
  if (n <= 0) return false;
  std::string exe(path, static_cast<size_t>(n));
  const size_t slash = exe.rfind('/');
  if (slash == std::string::npos) return false;
  const std::string folder = slash == 0 ? "/" : exe.substr(0, slash);
  return chdir(folder.c_str()) == 0;
}
