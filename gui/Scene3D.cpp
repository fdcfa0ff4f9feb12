#include "gui/Scene3D.h"

namespace {
Scene3D* g_scene = nullptr;
}

Scene3D* CurrentScene3D() {
  return g_scene;
}

void SetCurrentScene3D(Scene3D* scene) {
  g_scene = scene;
}
