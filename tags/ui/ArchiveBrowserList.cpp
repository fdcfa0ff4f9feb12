#include "tags/ui/ArchiveBrowserList.h"

bool ArchiveBrowserList::OnKey(InputEvent& event) {
  if (event.b == 1 && event.a == Key::Enter && !(event.flags & kKeyRepeatFlag) && on_enter_ &&
      on_enter_()) {
    return true;
  }
  return ListWindow::OnKey(event);
}

void ArchiveBrowserList::OnMouseButton(InputEvent& event) {
  const Point p{event.a, event.b};
  const bool on_rows = p.y >= ClientRect().top + HeaderHeight();
  if (event.c != 1 || event.d != 1 || !on_rows || !on_context_) {
    ListWindow::OnMouseButton(event);
    return;
  }
  // The menu acts on the selection: a press on a row outside it selects that row first.
  if (ListItem* item = ItemAt(p); item && !item->IsSelected()) Select(item, false);
  on_context_(p);
}
