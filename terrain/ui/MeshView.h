#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "gui/Camera3D.h"
#include "gui/Scene3D.h"
#include "gui/Window.h"
#include "terrain/DetailBrush.h"
#include "terrain/DetailMap.h"
#include "terrain/MeshScene.h"

class DtexTag;

// The mesh editor's 3-D view: the mesh coloured by its colour map, optionally its detail
// textures at each slot's scale, highlight colours in three modes, a wireframe, the animated
// media surface, and the brush outline. Camera: middle drag turns, Shift + middle drag pans,
// the wheel zooms, arrow keys pan; it opens with the whole mesh in view, centred.
class MeshView : public Window {
 public:
  struct Options {
    bool wireframe = false;
    bool detail_textures = false;
    bool highlighting = false;
    int highlight_mode = 0;  // 0, 1, 2
    bool media_animation = true;
  };
  struct Stats {
    int invisible = 0, partial = 0, full = 0;  // chunks against the view
    int cells_rendered = 0;
  };

  explicit MeshView(Window* parent);
  ~MeshView() override;
  const char* GetClassName() const override { return "MeshView"; }

  // The scene is the editor's; the view keeps GL textures for its chunks and slots.
  void SetScene(MeshScene* scene);
  // Null: no detail map. Highlight table: 256 RGB; slot i highlights with entry i.
  void SetDetail(const DetailMap* map, const std::array<uint8_t, 768>* highlight);
  // Slot textures (null: untextured) and per-slot highlight flags, read every frame.
  void SetSlotTextures(const std::array<DtexTag*, DetailMap::kSlotCount>* textures,
                       const std::array<bool, DetailMap::kSlotCount>* highlighted);
  Options& options() { return options_; }
  // The brush outline, drawn when `shown`.
  void SetBrush(const DetailBrush& brush, bool shown);
  void FitWholeMesh();

  // The mesh point under a point of the view (window coordinates); false off the mesh.
  bool CellAt(Point window_point, float& x, float& y) const;
  const Stats& stats() const { return stats_; }
  // Called once a frame before drawing when media animation runs (steps of 1/60 s).
  void Animate(double seconds);
  const Matrix4& projection() const { return projection_; }
  const Matrix4& modelview() const { return modelview_; }

  void Draw() override;
  void OnMouseButton(InputEvent& event) override;
  void OnMouseMove(InputEvent& event) override;
  void OnWheel(InputEvent& event) override;
  bool OnKey(InputEvent& event) override;
  void OnResized() override;
  void OnTrackMouse(Point start, Point current, int32_t phase) override;

 private:
  struct Impl;
  Impl* impl_;
  Options options_;
  Stats stats_;
  Matrix4 projection_{};
  Matrix4 modelview_{};
};
