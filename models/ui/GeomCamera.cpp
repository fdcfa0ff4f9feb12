#include "models/ui/GeomCamera.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kHalfPi = kPi / 2;

float Finite(float value, float fallback) {
  return std::isfinite(value) ? value : fallback;
}

float Length(const std::array<float, 3>& a, const std::array<float, 3>& b) {
  const double dx = double(b[0]) - a[0], dy = double(b[1]) - a[1], dz = double(b[2]) - a[2];
  return static_cast<float>(std::sqrt(dx * dx + dy * dy + dz * dz));
}

// Floats as unsigned integers in the same order, so a radix sort can order them; -0 and +0
// become one key, as they compare equal.
uint32_t AscendingKey(float value) {
  const uint32_t bits = std::bit_cast<uint32_t>(value + 0.0f);
  return (bits & 0x80000000u) ? ~bits : (bits | 0x80000000u);
}

}  // namespace

GeomCamera::GeomCamera() {
  far_ = FarFor(current_.distance);
}

float GeomCamera::FarFor(float distance) {
  return std::max(kMinFar, 2.0f * distance);
}

void GeomCamera::SetCurrent(const State& state) {
  current_.target = {std::clamp(Finite(state.target.x, base_.target.x), -kMaxPan, kMaxPan),
                     std::clamp(Finite(state.target.y, base_.target.y), -kMaxPan, kMaxPan),
                     std::clamp(Finite(state.target.z, base_.target.z), -kMaxPan, kMaxPan)};
  // Yaw wraps; pitch stops at straight down and straight up rather than turning the view
  // upside down.
  float yaw = std::fmod(Finite(state.yaw, base_.yaw), 2.0f * kPi);
  if (yaw > kPi) yaw -= 2.0f * kPi;
  if (yaw < -kPi) yaw += 2.0f * kPi;
  current_.yaw = yaw;
  current_.pitch = std::clamp(Finite(state.pitch, base_.pitch), -kHalfPi, kHalfPi);
  current_.distance = std::clamp(Finite(state.distance, kMaxDistance), kMinDistance, kMaxDistance);
  far_ = FarFor(current_.distance);
}

void GeomCamera::Reset(const std::array<float, 3>& box_min, const std::array<float, 3>& box_max) {
  State state;
  state.target = {(box_min[0] + box_max[0]) / 2, (box_min[1] + box_max[1]) / 2,
                  (box_min[2] + box_max[2]) / 2};
  const float diagonal = Finite(Length(box_min, box_max), 0.0f);
  // 1.5 diagonals puts the whole box past the near plane once it is a few units across; a
  // smaller box (a point, an empty mesh) is kept a near plane clear of it.
  state.distance = std::max(1.5f * diagonal, diagonal / 2 + 2 * kNear);
  base_ = {};
  SetCurrent(state);
  base_ = current_;
}

void GeomCamera::Rotate(float dx, float dy) {
  State state = base_;
  state.yaw = base_.yaw + dx * kPi / kPixelsPerStep;
  state.pitch = base_.pitch + dy * kPi / kPixelsPerStep;
  SetCurrent(state);
}

void GeomCamera::Pan(float dx, float dy) {
  // The vectors of the view as it was at the press: the drag moves along fixed directions.
  GeomCamera at_base;
  at_base.current_ = base_;
  const Vec3 right = at_base.Right();
  const Vec3 up = at_base.Up();
  State state = base_;
  state.target.x = base_.target.x + (dx * right.x + dy * up.x) / kPixelsPerStep;
  state.target.y = base_.target.y + (dx * right.y + dy * up.y) / kPixelsPerStep;
  state.target.z = base_.target.z + (dx * right.z + dy * up.z) / kPixelsPerStep;
  SetCurrent(state);
}

void GeomCamera::Zoom(float /*dx*/, float dy) {
  State state = base_;
  // In double: 2^(dy / 32) leaves float range for drags of a few thousand pixels.
  const double factor = std::exp2(double(dy) / kPixelsPerDoubling);
  const double distance = double(base_.distance) * factor;
  state.distance =
      static_cast<float>(std::clamp(distance, double(kMinDistance), double(kMaxDistance)));
  SetCurrent(state);
}

void GeomCamera::Commit() {
  base_ = current_;
}

void GeomCamera::Revert() {
  SetCurrent(base_);
}

Vec3 GeomCamera::Forward() const {
  const float cy = std::cos(current_.yaw), sy = std::sin(current_.yaw);
  const float cp = std::cos(current_.pitch), sp = std::sin(current_.pitch);
  return {sy * cp, cy * cp, -sp};
}

Vec3 GeomCamera::Right() const {
  return {std::cos(current_.yaw), -std::sin(current_.yaw), 0};
}

Vec3 GeomCamera::Up() const {
  // Right x forward, written out: at right angles to the line of sight even straight down.
  const float cy = std::cos(current_.yaw), sy = std::sin(current_.yaw);
  const float cp = std::cos(current_.pitch), sp = std::sin(current_.pitch);
  return {sy * sp, cy * sp, cp};
}

Vec3 GeomCamera::Eye() const {
  const Vec3 f = Forward();
  const Vec3& t = current_.target;
  const float d = current_.distance;
  return {t.x - f.x * d, t.y - f.y * d, t.z - f.z * d};
}

Matrix4 GeomCamera::Projection(int32_t width, int32_t height) const {
  const float aspect = width > 0 && height > 0 ? float(width) / float(height) : 1.0f;
  const float top = kNear * std::tan(kFieldOfView / 2 * kPi / 180.0f);
  const float right = top * aspect;
  return camera3d::Frustum(-right, right, -top, top, kNear, far_);
}

Matrix4 GeomCamera::ModelView() const {
  return camera3d::LookAt(Eye(), current_.target, Up());
}

void GeomCamera::DepthOrder(const ModelMesh& mesh, int32_t width, int32_t height,
                            std::vector<uint32_t>& order, std::vector<float>& depths) const {
  order.clear();
  // Only window depth matters here: z / w of the clip coordinates, mapped to 0 .. 1 as
  // gluProject does.
  const Matrix4 m = camera3d::Multiply(Projection(width, height), ModelView());
  const size_t vertex_count = mesh.vertices.size();
  depths.resize(vertex_count);
  for (size_t i = 0; i < vertex_count; ++i) {
    const auto& p = mesh.vertices[i];
    const float z = m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14];
    const float w = m[3] * p[0] + m[7] * p[1] + m[11] * p[2] + m[15];
    // Behind the eye there is no depth to speak of; such a corner is nearer than anything.
    depths[i] = w > 0 ? 0.5f * (z / w) + 0.5f : -std::numeric_limits<float>::infinity();
  }

  // Keys: decreasing depth first; a stable radix sort keeps equal depths in file order.
  const size_t triangle_count = mesh.triangles.size();
  std::vector<uint32_t> keys;
  keys.reserve(triangle_count);
  order.reserve(triangle_count);
  for (size_t t = 0; t < triangle_count; ++t) {
    const auto& corners = mesh.triangles[t].corners;
    if (corners[0].vertex >= vertex_count || corners[1].vertex >= vertex_count ||
        corners[2].vertex >= vertex_count) {
      continue;
    }
    const float depth =
        std::min({depths[corners[0].vertex], depths[corners[1].vertex], depths[corners[2].vertex]});
    keys.push_back(~AscendingKey(depth));
    order.push_back(static_cast<uint32_t>(t));
  }

  constexpr int kBits = 11;
  constexpr uint32_t kBuckets = 1u << kBits;
  std::vector<uint32_t> keys_out(keys.size()), order_out(order.size());
  std::vector<uint32_t> count(kBuckets);
  for (int shift = 0; shift < 32; shift += kBits) {
    std::fill(count.begin(), count.end(), 0u);
    for (uint32_t key : keys) ++count[(key >> shift) & (kBuckets - 1)];
    uint32_t sum = 0;
    for (uint32_t& c : count) {
      const uint32_t n = c;
      c = sum;
      sum += n;
    }
    for (size_t i = 0; i < keys.size(); ++i) {
      const uint32_t slot = count[(keys[i] >> shift) & (kBuckets - 1)]++;
      keys_out[slot] = keys[i];
      order_out[slot] = order[i];
    }
    keys.swap(keys_out);
    order.swap(order_out);
  }
}
