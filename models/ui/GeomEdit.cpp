#include "models/ui/GeomEdit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "base/ByteWriter.h"
#include "base/MessageLog.h"
#include "gui/Choosers.h"
#include "gui/Draw.h"
#include "gui/InputEvent.h"
#include "gui/Menu.h"
#include "gui/MenuItem.h"
#include "gui/MessageBoxWindow.h"
#include "gui/Painter.h"
#include "gui/SkinIds.h"
#include "gui/TextLayout.h"
#include "gui/WindowManager.h"
#include "models/GeometryMesh.h"
#include "models/ModelImport.h"
#include "models/ui/ViewTransformButton.h"
#include "tags/Codex.h"
#include "tags/TagStream.h"

namespace {

constexpr int32_t kRightButton = 1;
constexpr int32_t kTextMargin = 6;
// Untextured triangles: a grey between these, brighter the more their normal faces the light.
constexpr float kDarkGrey = 70.0f;
constexpr float kLightGrey = 230.0f;

// A light from above, in front and to the left of the starting view, so that the faces of a
// box get three different greys and opposite faces differ too.
struct Light {
  float x, y, z;
};
constexpr Light kLight = {-0.40f, -0.55f, 0.733f};

uint8_t Alpha(uint16_t transparency) {
  return static_cast<uint8_t>(std::lround(255.0 * (1.0 - transparency / 65535.0)));
}

std::array<float, 3> FaceNormal(const ModelMesh& mesh, const ModelMesh::Triangle& t) {
  const auto& a = mesh.vertices[t.corners[0].vertex];
  const auto& b = mesh.vertices[t.corners[1].vertex];
  const auto& c = mesh.vertices[t.corners[2].vertex];
  // (C - A) x (B - A), the way the geometry stores its normals.
  const float ux = c[0] - a[0], uy = c[1] - a[1], uz = c[2] - a[2];
  const float vx = b[0] - a[0], vy = b[1] - a[1], vz = b[2] - a[2];
  std::array<float, 3> n = {uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
  const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (length > 0 && std::isfinite(length)) {
    for (float& v : n) v /= length;
  } else {
    n = {0, 0, 0};
  }
  return n;
}

bool CornersValid(const ModelMesh& mesh, const ModelMesh::Triangle& t) {
  const size_t n = mesh.vertices.size();
  return t.corners[0].vertex < n && t.corners[1].vertex < n && t.corners[2].vertex < n;
}

}  // namespace

GeomEdit::GeomEdit(const TagHeader& header) : TagEdit(header) {
  const int32_t icons[3] = {kSkinViewIconPan, kSkinViewIconRotate, kSkinViewIconZoom};
  const char* labels[3] = {"Pan", "Rotate", "Zoom"};
  for (int i = 0; i < 3; ++i) {
    buttons_[static_cast<size_t>(i)] = new ViewTransformButton(
        this, labels[i], icons[i],
        [this, i](int32_t dx, int32_t dy, bool done) { Transformed(i, dx, dy, done); });
  }
  SetClientSize(kClientSize);
  OnResized();
}

GeomEdit::~GeomEdit() {
  DeleteTextures();
}

TagEdit* GeomEdit::Make(const TagHeader& header) {
  return new GeomEdit(header);
}

// ------------------------------------------------------------------------------ loading

bool GeomEdit::ReadData(TagStream& stream, const TagHeader& header) {
  std::vector<uint8_t> data;
  if (!stream.ReadRest(data)) {
    ReportLoadProblem(
        kLog, "its " + std::to_string(header.data_size) + " bytes of data could not be read");
    return false;
  }
  Geometry geometry;
  std::string error;
  if (!Geometry::Read(data, geometry, error)) {
    ReportLoadProblem(kLog, error);
    return false;
  }
  ShowGeometry(std::move(geometry), &ProgramCodex());
  return true;
}

void GeomEdit::ShowGeometry(Geometry&& geometry, Codex* codex) {
  std::vector<std::string> warnings;
  // The mesh is in the game's axes (x, y across, z up), which the camera's directions are
  // stated in.
  ModelMesh mesh = MeshFromGeometry(geometry, codex, warnings);
  for (const std::string& warning : warnings) {
    LogMessage(1, kLog, "%s: %s\n", header().Name().c_str(), warning.c_str());
  }
  geometry_ = std::move(geometry);
  SetMesh(std::move(mesh));
  ResetView();
  SetClientSize(kClientSize);
  OnResized();
}

void GeomEdit::SetMesh(ModelMesh&& mesh) {
  DeleteTextures();
  mesh_ = std::move(mesh);
  // Colours are fixed by the mesh; work them out once rather than every frame.
  colors_.assign(mesh_.triangles.size(), kWhite);
  for (size_t i = 0; i < mesh_.triangles.size(); ++i) {
    const ModelMesh::Triangle& t = mesh_.triangles[i];
    const uint8_t alpha = Alpha(t.transparency);
    const bool textured = t.material >= 0 &&
                          static_cast<size_t>(t.material) < mesh_.materials.size() &&
                          mesh_.materials[static_cast<size_t>(t.material)].has_texture;
    if (textured || !CornersValid(mesh_, t)) {
      colors_[i] = MakeColor(255, 255, 255, alpha);
      continue;
    }
    const std::array<float, 3> n = FaceNormal(mesh_, t);
    // -1 (facing away from the light) .. 1: every side of a box gets its own grey.
    const float facing = n[0] * kLight.x + n[1] * kLight.y + n[2] * kLight.z;
    const auto grey = static_cast<uint8_t>(
        std::lround((kDarkGrey + kLightGrey) / 2 + (kLightGrey - kDarkGrey) / 2 * facing));
    colors_[i] = MakeColor(grey, grey, grey, alpha);
  }
  texture_pixels_.assign(mesh_.materials.size(), {});
  for (size_t m = 0; m < mesh_.materials.size(); ++m) {
    const ModelMesh::Material& material = mesh_.materials[m];
    if (!material.has_texture || material.texture.width() == 0 || material.texture.height() == 0) {
      continue;
    }
    Image rgba;
    if (!rgba.copyConverted(material.texture, ImageFormat::kRgba)) continue;
    texture_pixels_[m].assign(rgba.pixels().begin(), rgba.pixels().end());
  }
  textures_.assign(mesh_.materials.size(), 0);
  InvalidateClient();
}

bool GeomEdit::WriteData(ByteWriter&, TagHeader&) {
  // A viewer: what it shows is made from the tag, never the other way round.
  return false;
}

// ------------------------------------------------------------------------------ view

void GeomEdit::ResetView() {
  camera_.Reset(mesh_.box_min, mesh_.box_max);
  InvalidateClient();
}

void GeomEdit::Transformed(int which, int32_t dx, int32_t dy, bool done) {
  const auto x = static_cast<float>(dx), y = static_cast<float>(dy);
  switch (which) {
    case 0:
      camera_.Pan(x, y);
      break;
    case 1:
      camera_.Rotate(x, y);
      break;
    default:
      camera_.Zoom(x, y);
      break;
  }
  if (done) camera_.Commit();
  InvalidateClient();
}

Rect GeomEdit::ViewRect() const {
  const Rect& client = ClientRect();
  return {0, 0, client.Width(), client.Height()};
}

void GeomEdit::OnResized() {
  const int32_t width = ClientRect().Width();
  const int32_t offsets[3] = {kPanOffset, kRotateOffset, kZoomOffset};
  for (size_t i = 0; i < 3; ++i) {
    const int32_t left = width - offsets[i];
    buttons_[i]->SetFrameRect(
        {left, 0, left + ViewTransformButton::kSize, ViewTransformButton::kSize});
  }
  InvalidateClient();
}

std::string GeomEdit::StatisticsText() const {
  char text[128];
  std::snprintf(text, sizeof text, "Triangles: %d\nVertices: %d\nMaterials: %d\n",
                static_cast<int>(mesh_.triangles.size()), static_cast<int>(mesh_.vertices.size()),
                static_cast<int>(mesh_.materials.size()));
  return text;
}

Color GeomEdit::TriangleColor(size_t triangle) const {
  return triangle < colors_.size() ? colors_[triangle] : kWhite;
}

Texture3D GeomEdit::TriangleTexture(size_t triangle) const {
  if (triangle >= mesh_.triangles.size()) return 0;
  const int32_t material = mesh_.triangles[triangle].material;
  if (material < 0 || static_cast<size_t>(material) >= textures_.size()) return 0;
  return textures_[static_cast<size_t>(material)];
}

void GeomEdit::ForgetTextures() {
  textures_.assign(textures_.size(), 0);
}

void GeomEdit::DeleteTextures() {
  if (scene_ && scene_ == CurrentScene3D()) {
    for (Texture3D texture : textures_) {
      if (texture) scene_->DeleteTexture(texture);
    }
  }
  ForgetTextures();
}

void GeomEdit::MakeTextures(Scene3D& scene) {
  if (&scene != scene_) {
    ForgetTextures();  // made by another scene, meaningless to this one
    scene_ = &scene;
  }
  for (size_t m = 0; m < textures_.size(); ++m) {
    if (textures_[m] != 0 || texture_pixels_[m].empty()) continue;
    const Image& image = mesh_.materials[m].texture;
    textures_[m] = scene.CreateTexture(static_cast<int32_t>(image.width()),
                                       static_cast<int32_t>(image.height()), 4, texture_pixels_[m],
                                       false, false);
  }
}

void GeomEdit::Draw() {
  const Rect area = ViewRect();
  if (Painter* painter = CurrentPainter()) {
    painter->SetColor(kBackground);
    painter->FillRect(area);
    painter->SetColor(kWhite);
  }
  if (Scene3D* scene = CurrentScene3D(); scene && !area.IsEmpty()) DrawView(*scene, area);
  SetDrawColor(kWhite);
  DrawText(GetFont(), StatisticsText(), 0, kTextMultiLine,
           {kTextMargin, kTextMargin, area.right - kTextMargin, area.bottom - kTextMargin});
}

void GeomEdit::DrawView(Scene3D& scene, const Rect& area) {
  MakeTextures(scene);
  const int32_t width = area.Width(), height = area.Height();
  camera_.DepthOrder(mesh_, width, height, order_, depths_);
  vertices_.resize(order_.size() * 3);
  scene.Begin(area, camera_.Projection(width, height), camera_.ModelView());
  // Far to near, one call per run of triangles sharing a texture and opacity: the texture is
  // bound only when it changes. Transparent triangles are depth tested but write no depth, so
  // that what is drawn later (nearer) shows over them, blended. Opaque ones write depth: faces
  // whose nearest corners tie (the sides of a box seen face on, drawn in file order after its
  // front) must not show through an opaque face that lies in front of them.
  auto opaque = [&](uint32_t t) { return ColorAlpha(colors_[t]) == 255; };
  size_t run_start = 0;
  Texture3D run_texture = order_.empty() ? 0 : TriangleTexture(order_[0]);
  bool run_opaque = !order_.empty() && opaque(order_[0]);
  for (size_t k = 0; k <= order_.size(); ++k) {
    const bool end = k == order_.size();
    const Texture3D texture = end ? 0 : TriangleTexture(order_[k]);
    const bool is_opaque = !end && opaque(order_[k]);
    if (end || texture != run_texture || is_opaque != run_opaque) {
      if (k > run_start) {
        scene.DrawTriangles(std::span(vertices_).subspan(run_start * 3, (k - run_start) * 3),
                            run_texture, Scene3D::Blend::kAlpha, run_opaque, false);
      }
      run_start = k;
      run_texture = texture;
      run_opaque = is_opaque;
    }
    if (end) break;
    const uint32_t t = order_[k];
    const ModelMesh::Triangle& triangle = mesh_.triangles[t];
    for (size_t c = 0; c < 3; ++c) {
      const ModelMesh::Corner& corner = triangle.corners[c];
      const auto& p = mesh_.vertices[corner.vertex];
      vertices_[k * 3 + c] = {p[0], p[1], p[2], corner.u, corner.v, colors_[t]};
    }
  }
  scene.End();
}

// ------------------------------------------------------------------------------ menu

void GeomEdit::OnMouseButton(InputEvent& event) {
  if (event.c != kRightButton || event.d != 1) return;
  ShowContextMenu({event.a, event.b});
}

Menu* GeomEdit::MakeContextMenu() {
  auto* menu = new Menu(false);
  if (GetFont()) menu->SetFont(GetFont());
  menu->AddItem("Reset View", kCmdResetView, true);
  menu->AddItem("Export LWO...", kCmdExportLwo, true);
  return menu;
}

void GeomEdit::ShowContextMenu(Point screen_point) {
  const int32_t id = MakeContextMenu()->PopUpOnce(screen_point);
  if (id > 0) RunCommand(id);
}

void GeomEdit::RunCommand(int32_t id) {
  switch (id) {
    case kCmdResetView:
      ResetView();
      break;
    case kCmdExportLwo:
      ExportLwo();
      break;
    default:
      break;
  }
}

void GeomEdit::ExportLwo() {
  std::string folder;
  int32_t format = 0;
  if (!ChooseFolder(kExportTitle, folder, format, FileKindId::kModel, nullptr)) return;
  if (!ExportModel(ProgramCodex(), geometry_, header().Name(), folder)) {
    MessageBoxWindow::Show(
        "Error", "The geometry could not be exported. The Model Import log says why.", {"OK"});
  }
}
