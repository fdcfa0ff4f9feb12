#include "app/WindowPlacement.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/Preferences.h"
#include "gui/Button.h"
#include "gui/TextBox.h"
#include "gui/Window.h"
#include "gui/WindowManager.h"

void SaveWindowPlacement(const Window* window, const char* key) {
  if (!window || !key) return;
  const int32_t state = window->GetShowState();
  const Rect r = state == kShowNormal ? window->FrameRectInParent() : window->RestoreRect();
  char text[64];
  std::snprintf(text, sizeof text, "%d %d %d %d %d", state, r.left, r.top, r.right, r.bottom);
  SetPrefString(key, text);
}

bool LoadWindowPlacement(Window* window, const char* key, bool keep_on_screen) {
  if (!window || !key) return false;
  std::string text;
  if (!GetPrefString(key, &text)) return false;
  int state = 0;
  Rect r;
  if (std::sscanf(text.c_str(), "%d %d %d %d %d", &state, &r.left, &r.top, &r.right, &r.bottom) !=
      5) {
    return false;
  }
  WindowManager& wm = WM();
  if (keep_on_screen) {
    const Size screen = wm.ScreenSize();
    if (r.right > screen.width) r = r.Offset(screen.width - r.right, 0);
    if (r.bottom > screen.height) r = r.Offset(0, screen.height - r.bottom);
    if (r.left < 0) r = r.Offset(-r.left, 0);
    if (r.top < 0) r = r.Offset(0, -r.top);
  }
  // Never larger than layer0, and never reaching past its right and bottom edges.
  const Rect& area = wm.Layer0()->ClientRect();
  r.right = r.left + std::min(r.Width(), area.Width());
  r.bottom = r.top + std::min(r.Height(), area.Height());
  if (r.right > area.Width()) r = r.Offset(area.Width() - r.right, 0);
  if (r.bottom > area.Height()) r = r.Offset(0, area.Height() - r.bottom);

  window->SetShowState(kShowNormal);
  window->SetFrameRect(r);
  if (state == kShowCollapsed || state == kShowMaximized) window->SetShowState(state);
  return true;
}

void SyncControlPrefs(const char* owner, bool save,
                      std::initializer_list<std::pair<const char*, Window*>> controls) {
  if (!owner) return;
  for (const auto& [name, control] : controls) {
    if (!name) break;
    if (!control) continue;
    const std::string key = std::string(owner) + "." + name;
    const char* cls = control->GetClassName();
    if (std::strcmp(cls, "CheckBox") == 0) {
      auto* box = static_cast<Button*>(control);
      if (save) {
        SetPrefInt(key, box->GetState());
      } else if (int32_t value = 0; GetPrefInt(key, &value) && value >= 0 && value < 4) {
        box->SetState(value, true);  // silently: restoring is not a user action
      }
    }
    if (std::strcmp(cls, "TextBox") == 0) {
      auto* box = static_cast<TextBox*>(control);
      std::string text;
      if (save) {
        SetPrefString(key, box->GetText());  // refused, keeping the old one, if unstorable
      } else if (GetPrefString(key, &text)) {
        box->SetText(text);
      }
    }
  }
}
