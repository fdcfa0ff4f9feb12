#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gui/Scene3D.h"
#include "models/Geometry.h"
#include "models/ModelMesh.h"
#include "models/ui/GeomCamera.h"
#include "tags/ui/TagEdit.h"

class Codex;
class Menu;
class ViewTransformButton;

// The viewer of geometries (`geom` tags): the mesh in perspective with its collection's
// textures, its triangles sorted far to near and blended by their transparency, three
// transform buttons (pan, rotate, zoom) in the top-right corner, the mesh's statistics, and a
// context menu with "Reset View" and "Export LWO...". It only displays: saving is refused.
class GeomEdit : public TagEdit {
 public:
  static constexpr Size kClientSize{400, 400};
  static constexpr const char* kLog = "GeomEdit";
  static constexpr const char* kExportTitle = "Choose a destination folder";
  // The buttons' left edges, counted from the client area's right edge.
  static constexpr int32_t kPanOffset = 45;
  static constexpr int32_t kRotateOffset = 30;
  static constexpr int32_t kZoomOffset = 15;
  static constexpr Color kBackground = MakeColor(40, 44, 52);
  enum Command : int32_t { kCmdResetView = 1, kCmdExportLwo = 2 };

  explicit GeomEdit(const TagHeader& header);
  ~GeomEdit() override;
  static TagEdit* Make(const TagHeader& header);

  // --- TagEdit
  const char* GetClassName() const override { return "GeomEdit"; }
  bool ReadData(TagStream& stream, const TagHeader& header) override;
  bool WriteData(ByteWriter& out, TagHeader& header) override;
  void OnMouseButton(InputEvent& event) override;
  void OnResized() override;
  void Draw() override;

  // Shows `geometry` with the textures its collection reference names in `codex` (none without
  // one), the view reset and the window at its starting size. Loading ends here.
  void ShowGeometry(Geometry&& geometry, Codex* codex);

  // --- Commands
  Menu* MakeContextMenu();
  void ShowContextMenu(Point screen_point);
  void RunCommand(int32_t id);
  void ResetView();
  // Asks for a folder and writes the geometry there as a LightWave object and PNG textures.
  void ExportLwo();

  // "Triangles: %d\nVertices: %d\nMaterials: %d\n".
  std::string StatisticsText() const;

  // The view, drawn into `area` (window coordinates) of the current painter's window.
  void DrawView(Scene3D& scene, const Rect& area);
  // The colour a triangle is drawn with: white (the texture's own colours) when textured, a
  // grey lit by its normal otherwise; alpha from its transparency.
  Color TriangleColor(size_t triangle) const;
  // The texture a triangle is drawn with in the scene the view last drew in (0: none).
  Texture3D TriangleTexture(size_t triangle) const;

  const Geometry& geometry() const { return geometry_; }
  const ModelMesh& mesh() const { return mesh_; }
  GeomCamera& camera() { return camera_; }
  const GeomCamera& camera() const { return camera_; }
  ViewTransformButton* PanButton() const { return buttons_[0]; }
  ViewTransformButton* RotateButton() const { return buttons_[1]; }
  ViewTransformButton* ZoomButton() const { return buttons_[2]; }
  // The triangles in the order the last frame drew them.
  const std::vector<uint32_t>& DrawOrder() const { return order_; }

 private:
  void SetMesh(ModelMesh&& mesh);
  void MakeTextures(Scene3D& scene);
  void ForgetTextures();
  void DeleteTextures();
  void Transformed(int which, int32_t dx, int32_t dy, bool done);
  Rect ViewRect() const;

  Geometry geometry_;
  ModelMesh mesh_;
  GeomCamera camera_;
  std::array<ViewTransformButton*, 3> buttons_{};
  std::vector<Color> colors_;                         // per triangle
  std::vector<Texture3D> textures_;                   // per material, in `scene_`
  std::vector<std::vector<uint8_t>> texture_pixels_;  // RGBA per material; empty: none
  Scene3D* scene_ = nullptr;
  std::vector<uint32_t> order_;
  std::vector<float> depths_;
  std::vector<Vertex3D> vertices_;
};
