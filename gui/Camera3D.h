#pragma once
#include <array>

// Column-major 4 x 4 matrices as OpenGL takes them, and the camera arithmetic the 3-D views
// need, in plain C++ so that picking and projection are tested without a GL context.
using Matrix4 = std::array<float, 16>;

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

namespace camera3d {
Matrix4 Identity();
Matrix4 Multiply(const Matrix4& a, const Matrix4& b);  // a x b
// What glFrustum and gluLookAt build.
Matrix4 Frustum(float left, float right, float bottom, float top, float near_plane,
                float far_plane);
Matrix4 LookAt(Vec3 eye, Vec3 centre, Vec3 up);
// gluPerspective: vertical field of view in degrees.
Matrix4 Perspective(float fov_y_degrees, float aspect, float near_plane, float far_plane);
// gluProject / gluUnProject over a viewport (x, y, width, height; y up, like GL). False when
// the point cannot be mapped (w = 0, singular matrix).
bool Project(Vec3 point, const Matrix4& modelview, const Matrix4& projection,
             const std::array<int, 4>& viewport, Vec3& window);
bool Unproject(Vec3 window, const Matrix4& modelview, const Matrix4& projection,
               const std::array<int, 4>& viewport, Vec3& point);
bool Invert(const Matrix4& m, Matrix4& out);
}  // namespace camera3d
