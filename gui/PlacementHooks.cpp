#include "gui/PlacementHooks.h"

namespace {
PlacementHooks& Hooks() {
  static PlacementHooks hooks;
  return hooks;
}
}  // namespace

void SetPlacementHooks(const PlacementHooks& hooks) {
  Hooks() = hooks;
}

bool LoadPlacement(Window* window, const char* key, bool keep_on_screen) {
  const PlacementHooks& hooks = Hooks();
  return window && key && hooks.load && hooks.load(window, key, keep_on_screen);
}

void SavePlacement(const Window* window, const char* key) {
  const PlacementHooks& hooks = Hooks();
  if (window && key && hooks.save) hooks.save(window, key);
}
