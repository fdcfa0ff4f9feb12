#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "gui/Camera3D.h"
#include "models/ModelMesh.h"

// The geometry viewer's camera, without GL: an orbit around a target point, turned by yaw
// (about z) and pitch (about the camera's right vector), at a distance. With both angles zero
// it looks along +y with z up and x to the right.
//
// Each transform keeps a base value and a current one: a drag sets the current value from the
// base and the movement since the press; Commit (the release) makes the current values the new
// base. Whatever the input, the values stay finite and the distance above zero.
class GeomCamera {
 public:
  static constexpr float kNear = 1.0f;
  static constexpr float kFieldOfView = 45.0f;  // vertical, degrees
  static constexpr float kInitialDistance = 5000.0f;
  static constexpr float kMinFar = 65535.0f;
  // Past these the view shows nothing useful, and beyond them float arithmetic breaks down.
  static constexpr float kMinDistance = 1.0f / 1024.0f;
  static constexpr float kMaxDistance = 1.0e7f;
  static constexpr float kMaxPan = 1.0e7f;
  static constexpr float kPixelsPerStep = 128.0f;  // rotate: pi per 128 px; pan: a unit
  static constexpr float kPixelsPerDoubling = 32.0f;

  struct State {
    Vec3 target;
    float yaw = 0;    // radians
    float pitch = 0;  // radians, within -pi/2 .. pi/2; positive looks down from above
    float distance = kInitialDistance;
  };

  GeomCamera();

  // Target at the box centre, distance 1.5 x its diagonal (at least far enough for the whole
  // box to lie past the near plane), rotation cleared, far plane as a zoom sets it. Base and
  // current values both.
  void Reset(const std::array<float, 3>& box_min, const std::array<float, 3>& box_max);

  // Drags: (dx, dy) pixels since the press, applied to the base values.
  void Rotate(float dx, float dy);
  void Pan(float dx, float dy);
  void Zoom(float dx, float dy);
  // The drag is over: the current values become the base.
  void Commit();
  // The drag is abandoned: back to the base.
  void Revert();

  const State& current() const { return current_; }
  const State& base() const { return base_; }
  float far_plane() const { return far_; }

  // Unit vectors of the view: along the line of sight, to the right of it and up.
  Vec3 Forward() const;
  Vec3 Right() const;
  Vec3 Up() const;
  Vec3 Eye() const;

  // The frustum: near 1.0, half-height near x tan(22.5 degrees), half-width that times the
  // aspect ratio (1 for an empty window).
  Matrix4 Projection(int32_t width, int32_t height) const;
  // What gluLookAt builds from the eye, the target and the up vector.
  Matrix4 ModelView() const;

  // The order to draw the mesh's triangles in a viewport of that size: every vertex projected
  // to window coordinates, each triangle's depth the smallest window depth of its corners,
  // decreasing depth, equal depths in file order. A triangle naming a vertex the mesh does not
  // have is left out. `depths` is scratch space (one window depth per vertex), kept between
  // frames to save allocations.
  void DepthOrder(const ModelMesh& mesh, int32_t width, int32_t height,
                  std::vector<uint32_t>& order, std::vector<float>& depths) const;

 private:
  void SetCurrent(const State& state);
  static float FarFor(float distance);

  State base_;
  State current_;
  float far_ = kMinFar;
};
