#include "terrain/ui/MeshView.h"

// First cut: the window, its state and a top-down mapping of points to cells, so that the
// editor around it can be built; the 3-D drawing comes with the scene renderer.
struct MeshView::Impl {
  MeshScene* scene = nullptr;
  const DetailMap* map = nullptr;
  const std::array<uint8_t, 768>* highlight = nullptr;
  const std::array<DtexTag*, DetailMap::kSlotCount>* textures = nullptr;
  const std::array<bool, DetailMap::kSlotCount>* highlighted = nullptr;
  DetailBrush brush;
  bool brush_shown = false;
};

MeshView::MeshView(Window* parent) : Window(WindowFlag::Visible, parent), impl_(new Impl) {}
MeshView::~MeshView() {
  delete impl_;
}
void MeshView::SetScene(MeshScene* scene) {
  impl_->scene = scene;
}
void MeshView::SetDetail(const DetailMap* map, const std::array<uint8_t, 768>* highlight) {
  impl_->map = map;
  impl_->highlight = highlight;
}
void MeshView::SetSlotTextures(const std::array<DtexTag*, DetailMap::kSlotCount>* textures,
                               const std::array<bool, DetailMap::kSlotCount>* highlighted) {
  impl_->textures = textures;
  impl_->highlighted = highlighted;
}
void MeshView::SetBrush(const DetailBrush& brush, bool shown) {
  impl_->brush = brush;
  impl_->brush_shown = shown;
}
void MeshView::FitWholeMesh() {}
bool MeshView::CellAt(Point window_point, float& x, float& y) const {
  const Mesh* mesh = impl_->scene ? impl_->scene->mesh() : nullptr;
  const Rect area = ClientRect();
  if (!mesh || area.Width() <= 0 || area.Height() <= 0) return false;
  x = static_cast<float>(window_point.x) * mesh->cellsWide() / area.Width();
  y = static_cast<float>(window_point.y) * mesh->cellsHigh() / area.Height();
  return x >= 0 && y >= 0 && x < mesh->cellsWide() && y < mesh->cellsHigh();
}
void MeshView::Animate(double) {}
void MeshView::Draw() {}
void MeshView::OnMouseButton(InputEvent&) {}
void MeshView::OnMouseMove(InputEvent&) {}
void MeshView::OnWheel(InputEvent&) {}
bool MeshView::OnKey(InputEvent&) {
  return false;
}
void MeshView::OnResized() {}
void MeshView::OnTrackMouse(Point, Point, int32_t) {}
