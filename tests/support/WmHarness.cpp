#include "support/WmHarness.h"

#include <cstring>

void FakePlatform::PollEvents() {
  ++polls;
  now += 0.001;
  if (polls > budget) {
    if (!budget_exhausted) ADD_FAILURE() << "pump budget exhausted: a loop did not end";
    budget_exhausted = true;
    // Unwind every loop so the test can finish.
    while (wm->ModalDepth() > 0) wm->EndModal(nullptr, -1);
    wm->Quit();
    return;
  }
  if (!steps.empty() && steps.front()(*this)) steps.pop_front();
}

void WmTest::SetUp() {
  wm = std::make_unique<WindowManager>(platform, &renderer);
  platform.wm = wm.get();
  wm->ResizeScreen(800, 600);
  wm->SetInputDisabled(false);
}

void WmTest::TearDown() {
  wm.reset();
}

void WmTest::Key(int code, bool down) {
  wm->QueueEvent({code, down ? 1 : 0, 0, 0, 0, 0, kEventKey});
}

void WmTest::Char(int code) {
  wm->QueueEvent({code, 1, 0, 0, 0, 0, kEventChar});
}

void WmTest::Move(int x, int y) {
  wm->QueueEvent({x, y, 0, 0, 0, 0, kEventMove});
}

void WmTest::Press(int x, int y, int button) {
  Move(x, y);
  wm->QueueEvent({x, y, 0, 0, button, 1, kEventButton});
}

void WmTest::Release(int x, int y, int button) {
  Move(x, y);
  wm->QueueEvent({x, y, 0, 0, button, 0, kEventButton});
}

void WmTest::Wheel(int old_pos, int new_pos, bool horizontal) {
  wm->QueueEvent({0, 0, 0, horizontal ? kWheelHorizontal : 0, old_pos, new_pos, kEventWheel});
}

void WmTest::Pump(int times) {
  for (int i = 0; i < times; ++i) wm->PumpOnce();
}

ProbeWindow* WmTest::Frame(const Rect& r, uint32_t flags, const char* title) {
  auto* w = new ProbeWindow(flags, nullptr, title);
  w->SetFrameRect(r);
  return w;
}

bool TopModalIs(WindowManager& wm, const char* title) {
  Window* w = wm.TopModalWindow();
  return w && w->GetTitle() && std::strcmp(w->GetTitle(), title) == 0;
}

Window* FindByTitle(Window* root, const std::string& title) {
  if (!root) return nullptr;
  if (root->GetTitle() && title == root->GetTitle()) return root;
  for (Window* c = root->FirstChild(); c; c = c->NextSibling()) {
    if (Window* found = FindByTitle(c, title)) return found;
  }
  return nullptr;
}
