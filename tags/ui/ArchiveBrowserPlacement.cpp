#include "tags/ui/ArchiveBrowserPlacement.h"

#include "gui/PlacementHooks.h"
#include "gui/Window.h"

namespace {
constexpr const char* kKey = "ArchiveBrowserPlacement";
}

void RestoreArchiveBrowserPlacement(Window* browser) {
  if (!LoadPlacement(browser, kKey, true)) browser->FitToParent();
}

void SaveArchiveBrowserPlacement(const Window* browser) {
  SavePlacement(browser, kKey);
}
