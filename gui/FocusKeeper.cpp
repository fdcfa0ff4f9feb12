#include "gui/FocusKeeper.h"

#include "gui/WindowManager.h"

namespace {
bool InTree(const Window* root, const Window* w) {
  if (root == w) return true;
  for (const Window* c = root->FirstChild(); c; c = c->NextSibling()) {
    if (InTree(c, w)) return true;
  }
  return false;
}
}  // namespace

FocusKeeper::FocusKeeper() : before_(WM().Focus()) {}

void FocusKeeper::Restore() const {
  WindowManager& wm = WM();
  Window* target = nullptr;
  if (before_ && InTree(wm.Root(), before_) && !before_->IsBeingDestroyed() &&
      before_->GetShowState() != kShowClosing) {
    target = before_;
  } else if (wm.ModalDepth() > 0) {
    target = wm.TopModalWindow();
  } else {
    target = Window::ActiveChild(wm.Layer0());
  }
  if (target) Window::SetFocus(target, 0);
}
