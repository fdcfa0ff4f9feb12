#include "terrain/ui/MeshView.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "gui/InputEvent.h"
#include "gui/Painter.h"
#include "gui/WindowManager.h"
#include "terrain/DtexTag.h"
#include "terrain/ui/MeshChunkGeometry.h"

namespace {

constexpr int kChunk = Mesh::kChunkCells;
constexpr int kSlots = DetailMap::kSlotCount;
constexpr float kFieldOfView = 45.0f;  // vertical, as the painter's 3-D windows
constexpr float kMinPitch = 10.0f;
constexpr float kMaxPitch = 90.0f;
constexpr float kDegreesPerPixel = 0.4f;
constexpr float kWheelZoom = 0.85f;  // distance factor a wheel click towards the mesh
constexpr double kAnimationStep = 1.0 / 60.0;
constexpr int kMiddleButton = 2;
constexpr Color kBackground = MakeColor(22, 26, 34);
constexpr Color kBrushColor = MakeColor(255, 230, 40, 230);
constexpr float kBrushLift = 0.05f;
constexpr int kBrushSegments = 128;  // the circle's; a square's sides share as many
constexpr int kWaterSize = 64;

float Radians(float degrees) {
  return degrees * std::numbers::pi_v<float> / 180.0f;
}

// A ripple pattern that tiles: two crossing waves of blue, lighter at their crests.
std::vector<uint8_t> WaterPixels() {
  std::vector<uint8_t> rgba(static_cast<size_t>(kWaterSize) * kWaterSize * 4);
  const float k = 2.0f * std::numbers::pi_v<float> / kWaterSize;
  for (int y = 0; y < kWaterSize; ++y) {
    for (int x = 0; x < kWaterSize; ++x) {
      const float wave =
          0.5f + 0.25f * std::sin(k * (x + 2 * y)) + 0.25f * std::sin(k * 3 * (x - y));
      uint8_t* p = &rgba[(static_cast<size_t>(y) * kWaterSize + x) * 4];
      p[0] = static_cast<uint8_t>(40 + 60 * wave);
      p[1] = static_cast<uint8_t>(90 + 70 * wave);
      p[2] = static_cast<uint8_t>(170 + 70 * wave);
      p[3] = 255;
    }
  }
  return rgba;
}

struct Plane {
  float a, b, c, d;
  float Distance(float x, float y, float z) const { return a * x + b * y + c * z + d; }
};

// The six planes of a clip matrix, each facing inwards.
std::array<Plane, 6> FrustumPlanes(const Matrix4& m) {
  auto row = [&](int i) { return std::array<float, 4>{m[i], m[4 + i], m[8 + i], m[12 + i]}; };
  const auto r0 = row(0), r1 = row(1), r2 = row(2), r3 = row(3);
  std::array<Plane, 6> planes{};
  for (int i = 0; i < 3; ++i) {
    const auto& r = i == 0 ? r0 : i == 1 ? r1 : r2;
    planes[static_cast<size_t>(i * 2)] = {r3[0] + r[0], r3[1] + r[1], r3[2] + r[2], r3[3] + r[3]};
    planes[static_cast<size_t>(i * 2 + 1)] = {r3[0] - r[0], r3[1] - r[1], r3[2] - r[2],
                                              r3[3] - r[3]};
  }
  return planes;
}

}  // namespace

struct MeshView::Impl {
  MeshScene* scene = nullptr;
  const DetailMap* map = nullptr;
  const std::array<uint8_t, 768>* highlight = nullptr;
  const std::array<DtexTag*, DetailMap::kSlotCount>* textures = nullptr;
  const std::array<bool, DetailMap::kSlotCount>* highlighted = nullptr;
  DetailBrush brush;
  bool brush_shown = false;

  // What the chunks were built from, and the GL side of them.
  std::vector<MeshChunkGeometry> geometry;
  const DetailMap* built_map = nullptr;
  std::vector<Texture3D> color_textures;
  std::vector<uint8_t> visibility;  // 0 invisible, 1 partial, 2 full
  Scene3D* owner = nullptr;         // the scene the textures belong to
  struct SlotTexture {
    Texture3D texture = 0;
    const DtexTag* tag = nullptr;
    uint64_t revision = 0;
    uint32_t width = 0, height = 0;
  };
  std::array<SlotTexture, kSlots> slot_textures{};
  Texture3D water = 0;
  std::vector<Vertex3D> scratch;  // a highlight pass, sized when chunks are rebuilt
  std::array<Vertex3D, kBrushSegments * 2> brush_lines{};
  bool has_media = false;

  // Turning or panning with the middle button.
  enum class Drag { kNone, kTurn, kPan } drag = Drag::kNone;
  Camera drag_start;
  // The camera still where FitWholeMesh put it: a resize fits the mesh again.
  bool fitted = false;

  double pending = 0;
  double media_time = 0;
  int detail_rebuilds = 0;

  void ForgetTextures() {
    color_textures.assign(color_textures.size(), 0);
    for (SlotTexture& slot : slot_textures) slot = {};
    water = 0;
  }
  void DeleteTextures() {
    if (owner && owner == CurrentScene3D()) {
      for (Texture3D texture : color_textures) owner->DeleteTexture(texture);
      for (const SlotTexture& slot : slot_textures) owner->DeleteTexture(slot.texture);
      owner->DeleteTexture(water);
    }
    ForgetTextures();
  }
};

MeshView::MeshView(Window* parent) : Window(WindowFlag::Visible, parent), impl_(new Impl) {}

MeshView::~MeshView() {
  impl_->DeleteTextures();
  delete impl_;
}

void MeshView::SetScene(MeshScene* scene) {
  impl_->DeleteTextures();
  impl_->scene = scene;
  impl_->geometry.clear();
  impl_->color_textures.clear();
  impl_->visibility.clear();
  impl_->has_media = false;
  impl_->built_map = nullptr;
  if (scene && scene->mesh()) {
    const size_t count = scene->chunks().size();
    impl_->geometry.resize(count);
    impl_->color_textures.assign(count, 0);
    impl_->visibility.assign(count, 0);
    for (size_t i = 0; i < count; ++i) {
      impl_->geometry[i].BuildSurface(*scene, scene->chunks()[i]);
      impl_->has_media = impl_->has_media || !impl_->geometry[i].media.empty();
    }
    Rebuild();
  }
  FitWholeMesh();
}

void MeshView::SetDetail(const DetailMap* map, const std::array<uint8_t, 768>* highlight) {
  impl_->map = map;
  impl_->highlight = highlight;
  Rebuild();
  InvalidateClient();
}

void MeshView::SetSlotTextures(const std::array<DtexTag*, DetailMap::kSlotCount>* textures,
                               const std::array<bool, DetailMap::kSlotCount>* highlighted) {
  impl_->textures = textures;
  impl_->highlighted = highlighted;
  InvalidateClient();
}

void MeshView::SetBrush(const DetailBrush& brush, bool shown) {
  const bool changed =
      shown != impl_->brush_shown ||
      (shown && (brush.x != impl_->brush.x || brush.y != impl_->brush.y ||
                 brush.radius != impl_->brush.radius || brush.square != impl_->brush.square));
  impl_->brush = brush;
  impl_->brush_shown = shown;
  if (changed) InvalidateClient();
}

void MeshView::FitWholeMesh() {
  const MeshScene* scene = impl_->scene;
  const Mesh* mesh = scene ? scene->mesh() : nullptr;
  Camera camera;
  if (mesh) {
    const float width = static_cast<float>(mesh->cellsWide());
    const float height = static_cast<float>(mesh->cellsHigh());
    const float depth = scene->max_z() - scene->min_z();
    camera.target = {width / 2, height / 2, (scene->min_z() + scene->max_z()) / 2};
    // The sphere around the mesh fits the narrower of the two fields of view.
    const float radius = 0.5f * std::sqrt(width * width + height * height + depth * depth);
    const Rect area = ClientRect();
    const float aspect =
        area.Width() > 0 && area.Height() > 0 ? float(area.Width()) / float(area.Height()) : 1.0f;
    const float half_v = Radians(kFieldOfView / 2);
    const float half_h = std::atan(std::tan(half_v) * aspect);
    camera.distance = radius / std::sin(std::min(half_v, half_h)) * 1.02f;
  }
  SetCamera(camera);
  impl_->fitted = true;
}

void MeshView::SetCamera(const Camera& camera) {
  camera_ = camera;
  camera_.pitch = std::clamp(camera_.pitch, kMinPitch, kMaxPitch);
  float reach = 1000.0f;
  if (const Mesh* mesh = impl_->scene ? impl_->scene->mesh() : nullptr) {
    reach = 4.0f * static_cast<float>(std::max(mesh->cellsWide(), mesh->cellsHigh())) + 100.0f;
  }
  camera_.distance = std::clamp(camera_.distance, 1.0f, reach);
  camera_.yaw = std::fmod(camera_.yaw, 360.0f);
  if (camera_.yaw < 0) camera_.yaw += 360.0f;
  impl_->fitted = false;
  UpdateMatrices();
  InvalidateClient();
}

void MeshView::UpdateMatrices() {
  const Rect area = ClientRect();
  const float aspect =
      area.Width() > 0 && area.Height() > 0 ? float(area.Width()) / float(area.Height()) : 1.0f;
  float extent = 100.0f;
  if (const Mesh* mesh = impl_->scene ? impl_->scene->mesh() : nullptr) {
    extent = static_cast<float>(mesh->cellsWide() + mesh->cellsHigh()) +
             (impl_->scene->max_z() - impl_->scene->min_z());
  }
  const float near_plane = std::max(0.05f, camera_.distance * 0.01f);
  const float far_plane = camera_.distance + 2.0f * extent + 10.0f;
  const float top = std::tan(Radians(kFieldOfView / 2)) * near_plane;
  const float right = top * aspect;
  projection_ = camera3d::Frustum(-right, right, -top, top, near_plane, far_plane);

  const float yaw = Radians(camera_.yaw);
  const float pitch = Radians(camera_.pitch);
  // Forward (eye to target) and an up at right angles to it, so that looking straight down
  // still has a defined up: the direction the view faces along the ground.
  const Vec3 forward{std::cos(pitch) * std::sin(yaw), std::cos(pitch) * std::cos(yaw),
                     -std::sin(pitch)};
  const Vec3 up{std::sin(pitch) * std::sin(yaw), std::sin(pitch) * std::cos(yaw), std::cos(pitch)};
  const Vec3& t = camera_.target;
  const Vec3 eye{t.x - forward.x * camera_.distance, t.y - forward.y * camera_.distance,
                 t.z - forward.z * camera_.distance};
  modelview_ = camera3d::LookAt(eye, t, up);
  CountChunks();
}

bool MeshView::CellAt(Point window_point, float& x, float& y) const {
  const MeshScene* scene = impl_->scene;
  const Rect area = ClientRect();
  if (!scene || !scene->mesh() || area.Width() <= 0 || area.Height() <= 0) return false;
  const std::array<int, 4> viewport = {0, 0, area.Width(), area.Height()};
  // Pixel centres; GL's window y grows upwards.
  const float wx = static_cast<float>(window_point.x) + 0.5f;
  const float wy = static_cast<float>(area.Height() - window_point.y) - 0.5f;
  Vec3 near_point, far_point;
  if (!camera3d::Unproject({wx, wy, 0.0f}, modelview_, projection_, viewport, near_point) ||
      !camera3d::Unproject({wx, wy, 1.0f}, modelview_, projection_, viewport, far_point)) {
    return false;
  }
  const float origin[3] = {near_point.x, near_point.y, near_point.z};
  const float direction[3] = {far_point.x - near_point.x, far_point.y - near_point.y,
                              far_point.z - near_point.z};
  return scene->Intersect(origin, direction, x, y);
}

void MeshView::Animate(double seconds) {
  if (!options_.media_animation) {
    impl_->pending = 0;
    return;
  }
  impl_->pending += std::max(0.0, seconds);
  // After a stall (a dialog, a slow frame) the water does not race to catch up.
  if (impl_->pending > 1.0) {
    impl_->pending = 0;
    return;
  }
  const double steps = std::floor(impl_->pending / kAnimationStep);
  if (steps < 1) return;
  impl_->pending -= steps * kAnimationStep;
  impl_->media_time += steps * kAnimationStep;
  if (impl_->has_media) InvalidateClient();
}

double MeshView::MediaTime() const {
  return impl_->media_time;
}

void MeshView::Rebuild() {
  MeshScene* scene = impl_->scene;
  if (!scene || impl_->geometry.size() != scene->chunks().size()) return;
  const bool map_changed = impl_->built_map != impl_->map;
  impl_->built_map = impl_->map;
  uint32_t largest = 0;
  for (size_t i = 0; i < impl_->geometry.size(); ++i) {
    MeshChunkGeometry& geometry = impl_->geometry[i];
    const MeshScene::Chunk& chunk = scene->chunks()[i];
    if (map_changed || geometry.built_revision != chunk.detail_revision) {
      geometry.BuildDetail(*scene, chunk, impl_->map);
      ++impl_->detail_rebuilds;
    }
    largest = std::max(largest, geometry.LargestRange());
  }
  if (impl_->scratch.size() < largest) impl_->scratch.resize(largest);
}

int MeshView::DetailRebuilds() const {
  return impl_->detail_rebuilds;
}

void MeshView::CountChunks() {
  stats_ = {};
  const MeshScene* scene = impl_->scene;
  if (!scene) return;
  const std::array<Plane, 6> planes = FrustumPlanes(camera3d::Multiply(projection_, modelview_));
  for (size_t i = 0; i < scene->chunks().size() && i < impl_->visibility.size(); ++i) {
    const MeshScene::Chunk& chunk = scene->chunks()[i];
    const float x0 = static_cast<float>(chunk.cx * kChunk), x1 = x0 + kChunk;
    const float y0 = static_cast<float>(chunk.cy * kChunk), y1 = y0 + kChunk;
    uint8_t state = 2;
    for (const Plane& p : planes) {
      // The box corners farthest along and against the plane's normal.
      const float in =
          p.Distance(p.a >= 0 ? x1 : x0, p.b >= 0 ? y1 : y0, p.c >= 0 ? chunk.max_z : chunk.min_z);
      const float out =
          p.Distance(p.a >= 0 ? x0 : x1, p.b >= 0 ? y0 : y1, p.c >= 0 ? chunk.min_z : chunk.max_z);
      if (in < 0) {
        state = 0;
        break;
      }
      if (out < 0) state = 1;
    }
    impl_->visibility[i] = state;
    if (state == 0) {
      ++stats_.invisible;
    } else {
      (state == 1 ? stats_.partial : stats_.full) += 1;
      stats_.cells_rendered += kChunk * kChunk;
    }
  }
}

void MeshView::Draw() {
  const Rect area = ClientRect();
  const Rect local{0, 0, area.Width(), area.Height()};
  if (Painter* painter = CurrentPainter()) {
    painter->SetColor(kBackground);
    painter->FillRect(local);
    painter->SetColor(kWhite);
  }
  UpdateMatrices();
  Scene3D* scene = CurrentScene3D();
  if (!scene || !impl_->scene || !impl_->scene->mesh() || local.IsEmpty()) return;
  if (scene != impl_->owner) {
    impl_->ForgetTextures();  // made by another scene, meaningless to this one
    impl_->owner = scene;
  }
  Rebuild();
  scene->Begin(local, projection_, modelview_);
  DrawScene(*scene);
  DrawBrush(*scene);
  scene->End();
}

void MeshView::DrawScene(Scene3D& scene) {
  Impl& d = *impl_;
  const std::vector<MeshScene::Chunk>& chunks = d.scene->chunks();

  // Colour textures are made once; slot textures whenever their tag or its pixels change.
  for (size_t i = 0; i < chunks.size(); ++i) {
    if (d.color_textures[i] != 0 || d.visibility[i] == 0) continue;
    const MeshScene::Chunk& chunk = chunks[i];
    d.color_textures[i] = scene.CreateTexture(chunk.texture_size, chunk.texture_size, 3,
                                              chunk.color_rgb, false, true);
  }
  const bool details = options_.detail_textures && d.map && d.textures;
  if (details) {
    for (size_t s = 0; s < kSlots; ++s) {
      const DtexTag* tag = (*d.textures)[s];
      Impl::SlotTexture& slot = d.slot_textures[s];
      const bool usable = tag && !tag->empty() && tag->width() > 0 && tag->height() > 0 &&
                          tag->pixels().size() >= size_t(tag->width()) * tag->height() * 3;
      if (!usable) {
        slot.tag = nullptr;
        continue;
      }
      if (slot.tag == tag && slot.revision == tag->revision()) continue;
      const auto w = static_cast<int32_t>(tag->width());
      const auto h = static_cast<int32_t>(tag->height());
      if (slot.texture == 0) {
        slot.texture = scene.CreateTexture(w, h, 3, tag->pixels(), true, true);
      } else {
        scene.UpdateTexture(slot.texture, w, h, 3, tag->pixels());
      }
      slot.tag = tag;
      slot.revision = tag->revision();
      slot.width = tag->width();
      slot.height = tag->height();
    }
  }

  for (size_t i = 0; i < chunks.size(); ++i) {
    if (d.visibility[i] == 0) continue;
    scene.DrawTriangles(d.geometry[i].base, d.color_textures[i], Scene3D::Blend::kNone, true,
                        false);
  }

  if (details) {
    for (size_t i = 0; i < chunks.size(); ++i) {
      if (d.visibility[i] == 0) continue;
      const MeshChunkGeometry& g = d.geometry[i];
      for (const MeshChunkGeometry::Range& range : g.ranges) {
        const Impl::SlotTexture& slot = d.slot_textures[range.slot];
        if (!slot.tag || slot.texture == 0) continue;
        // Texture coordinates are cells: a cell holds `scale` texture pixels.
        const float scale = static_cast<float>(d.map->slots[range.slot].Scale());
        scene.SetTextureTransform(scale / static_cast<float>(slot.width),
                                  scale / static_cast<float>(slot.height), 0, 0);
        scene.DrawTriangles(std::span(g.detail).subspan(range.first, range.count), slot.texture,
                            Scene3D::Blend::kMultiply2x, false, true);
      }
    }
    scene.SetTextureTransform(1, 1, 0, 0);
  }

  if (options_.highlighting && d.map && d.highlight && d.highlighted) {
    const int mode = options_.highlight_mode;
    const bool vertices = mode != 1;
    const bool triangles = mode != 0;
    const float strength = mode == 2 ? 0.4f : 0.6f;
    for (size_t i = 0; i < chunks.size(); ++i) {
      if (d.visibility[i] == 0) continue;
      const MeshChunkGeometry& g = d.geometry[i];
      for (const MeshChunkGeometry::Range& range : g.ranges) {
        const bool wanted = range.layer == DetailLayer::kVertex ? vertices : triangles;
        if (!wanted || !(*d.highlighted)[range.slot] || range.count > d.scratch.size()) continue;
        const size_t entry = static_cast<size_t>(range.slot) * 3;
        const uint8_t r = (*d.highlight)[entry], gr = (*d.highlight)[entry + 1],
                      b = (*d.highlight)[entry + 2];
        for (uint32_t k = 0; k < range.count; ++k) {
          Vertex3D v = g.detail[range.first + k];
          v.color = MakeColor(r, gr, b,
                              static_cast<uint8_t>(std::lround(ColorAlpha(v.color) * strength)));
          d.scratch[k] = v;
        }
        scene.DrawTriangles(std::span(d.scratch).first(range.count), 0, Scene3D::Blend::kAlpha,
                            false, true);
      }
    }
  }

  if (options_.media_animation && d.has_media) {
    if (d.water == 0) {
      const std::vector<uint8_t> pixels = WaterPixels();  // once per view
      d.water = scene.CreateTexture(kWaterSize, kWaterSize, 4, pixels, true, true);
    }
    const float drift = static_cast<float>(std::fmod(d.media_time, 1000.0));
    scene.SetTextureTransform(0.125f, 0.125f, drift * 0.05f, drift * 0.03f);
    for (size_t i = 0; i < chunks.size(); ++i) {
      if (d.visibility[i] == 0 || d.geometry[i].media.empty()) continue;
      scene.DrawTriangles(d.geometry[i].media, d.water, Scene3D::Blend::kAlpha, false, false);
    }
    scene.SetTextureTransform(1, 1, 0, 0);
  }

  if (options_.wireframe) {
    for (size_t i = 0; i < chunks.size(); ++i) {
      if (d.visibility[i] != 0) scene.DrawLines(d.geometry[i].wire, 1.0f);
    }
  }
}

void MeshView::DrawBrush(Scene3D& scene) {
  Impl& d = *impl_;
  if (!d.brush_shown) return;
  const DetailBrush& brush = d.brush;
  const float r = brush.radius;
  auto point = [&](int i) {
    float x, y;
    if (brush.square) {
      // Four sides, each an equal share of the segments, starting at the (-r, -r) corner.
      const int per_side = kBrushSegments / 4;
      const int side = (i / per_side) % 4;
      const float f = static_cast<float>(i % per_side) / per_side * 2.0f - 1.0f;
      const float a = side == 0 ? f : side == 1 ? 1.0f : side == 2 ? -f : -1.0f;
      const float b = side == 0 ? -1.0f : side == 1 ? f : side == 2 ? 1.0f : -f;
      x = brush.x + a * r;
      y = brush.y + b * r;
    } else {
      const float angle = 2.0f * std::numbers::pi_v<float> * static_cast<float>(i) / kBrushSegments;
      x = brush.x + r * std::cos(angle);
      y = brush.y + r * std::sin(angle);
    }
    Vertex3D v;
    v.x = x;
    v.y = y;
    v.z = d.scene->SurfaceHeight(x, y) + kBrushLift;
    v.color = kBrushColor;
    return v;
  };
  Vertex3D first = point(0);
  Vertex3D previous = first;
  for (int i = 1; i <= kBrushSegments; ++i) {
    const Vertex3D next = i == kBrushSegments ? first : point(i);
    d.brush_lines[static_cast<size_t>(i - 1) * 2] = previous;
    d.brush_lines[static_cast<size_t>(i - 1) * 2 + 1] = next;
    previous = next;
  }
  scene.DrawLines(d.brush_lines, 2.0f);
}

void MeshView::OnMouseButton(InputEvent& event) {
  if (event.c == kMiddleButton) {
    if (event.d == 1 && impl_->drag == Impl::Drag::kNone) {
      impl_->drag = (event.mods & kModShift) ? Impl::Drag::kPan : Impl::Drag::kTurn;
      impl_->drag_start = camera_;
      if (!WM().TrackMouse(this, nullptr)) impl_->drag = Impl::Drag::kNone;
    }
    return;
  }
  if (Window* parent = Parent()) parent->OnMouseButton(event);
}

void MeshView::OnMouseMove(InputEvent& event) {
  if (impl_->drag != Impl::Drag::kNone) return;
  if (Window* parent = Parent()) parent->OnMouseMove(event);
}

void MeshView::OnWheel(InputEvent& event) {
  if (event.mods & kWheelHorizontal) return;
  const int clicks = event.d - event.c;
  if (clicks == 0) return;
  Camera camera = camera_;
  camera.distance *= std::pow(kWheelZoom, static_cast<float>(clicks));
  SetCamera(camera);
}

bool MeshView::OnKey(InputEvent& event) {
  if (event.b != 1 || (event.flags & (kModControl | kModAlt))) return false;
  float along = 0, across = 0;
  switch (event.a) {
    case Key::Left:
      across = -1;
      break;
    case Key::Right:
      across = 1;
      break;
    case Key::Up:
      along = 1;
      break;
    case Key::Down:
      along = -1;
      break;
    default:
      return false;
  }
  const float step = camera_.distance * 0.1f;
  const float yaw = Radians(camera_.yaw);
  Camera camera = camera_;
  // Right across the view and forward along the ground.
  camera.target.x += (std::cos(yaw) * across + std::sin(yaw) * along) * step;
  camera.target.y += (-std::sin(yaw) * across + std::cos(yaw) * along) * step;
  SetCamera(camera);
  return true;
}

void MeshView::OnResized() {
  if (impl_->fitted) {
    FitWholeMesh();
  } else {
    UpdateMatrices();
  }
}

void MeshView::OnTrackMouse(Point start, Point current, int32_t phase) {
  if (impl_->drag == Impl::Drag::kNone) return;
  const float dx = static_cast<float>(current.x - start.x);
  const float dy = static_cast<float>(current.y - start.y);
  Camera camera = impl_->drag_start;
  if (impl_->drag == Impl::Drag::kTurn) {
    camera.yaw -= dx * kDegreesPerPixel;
    camera.pitch += dy * kDegreesPerPixel;
  } else {
    // The ground under the pointer follows it: a pixel is this many cells at the target.
    const Rect area = ClientRect();
    const float pixel = area.Height() > 0
                            ? 2.0f * camera.distance * std::tan(Radians(kFieldOfView / 2)) /
                                  static_cast<float>(area.Height())
                            : 0.0f;
    const float yaw = Radians(camera.yaw);
    const float across = -dx * pixel;
    const float along = dy * pixel;
    camera.target.x += (std::cos(yaw) * across + std::sin(yaw) * along);
    camera.target.y += (-std::sin(yaw) * across + std::cos(yaw) * along);
  }
  SetCamera(camera);
  if (phase == kTrackEnd) impl_->drag = Impl::Drag::kNone;
}
