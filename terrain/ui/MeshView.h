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
//
// The view keeps the middle button, the wheel and the arrow keys. Other buttons and pointer
// moves (while it is not turning or panning) go on to the parent's OnMouseButton and
// OnMouseMove, screen coordinates as they came, so the editor around it paints and opens its
// menu as if the view were part of it; other keys go up the window chain as usual.
//
// Highlight modes: 0 tints the surface with the colour of each vertex's slot, blended across
// the triangles between vertices; 1 fills each triangle with its own slot's colour; 2 shows
// both at once, each fainter, so a vertex slot and the triangle slot around it can be told
// apart. Only slots whose highlight flag is set are tinted.
class MeshView : public Window {
 public:
  // An orbit camera: it looks at `target` from `distance` cells away, `pitch` degrees above
  // the ground (90: straight down) and turned `yaw` degrees about the vertical. At yaw 180 the
  // first row of cells is at the top of the view and x grows to the left, as the exported
  // detail images show the map.
  struct Camera {
    Vec3 target;
    float yaw = 180.0f;
    float pitch = 60.0f;
    float distance = 100.0f;
  };
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
  const Camera& camera() const { return camera_; }
  // Pitch is kept within 10 ... 90 degrees and the distance within reach of the mesh.
  void SetCamera(const Camera& camera);

  // The mesh point under a point of the view (window coordinates); false off the mesh.
  bool CellAt(Point window_point, float& x, float& y) const;
  const Stats& stats() const { return stats_; }
  // Called once a frame before drawing when media animation runs (steps of 1/60 s).
  void Animate(double seconds);
  // The water's clock: whole 1/60 s steps taken so far.
  double MediaTime() const;
  // How many times a chunk's detail passes were built, all chunks together.
  int DetailRebuilds() const;
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
  void UpdateMatrices();
  void Rebuild();
  void CountChunks();
  void DrawScene(Scene3D& scene);
  void DrawBrush(Scene3D& scene);
  Impl* impl_;
  Camera camera_;
  Options options_;
  Stats stats_;
  Matrix4 projection_{};
  Matrix4 modelview_{};
};
