#pragma once

class Window;

// Where windows of the toolkit keep their placement between runs. The program stores it in
// its preferences and installs the two functions at start-up; until then nothing is restored
// and nothing is stored, and a window takes its default place.
struct PlacementHooks {
  // False when nothing is stored under `key`; otherwise the window has been placed (moved
  // onto the screen first when `keep_on_screen`).
  bool (*load)(Window* window, const char* key, bool keep_on_screen) = nullptr;
  void (*save)(const Window* window, const char* key) = nullptr;
};

// Installs the hooks (empty hooks turn the storing off again).
void SetPlacementHooks(const PlacementHooks& hooks);
bool LoadPlacement(Window* window, const char* key, bool keep_on_screen);
void SavePlacement(const Window* window, const char* key);
