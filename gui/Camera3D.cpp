#include "gui/Camera3D.h"

#include <cmath>
#include <numbers>

// Everything is worked out in double and stored in float, the way GLU works on doubles and GL
// keeps floats: the results then agree with GLU's to float precision.
namespace camera3d {
namespace {

using Matrix4d = std::array<double, 16>;

Matrix4d ToDouble(const Matrix4& m) {
  Matrix4d d{};
  for (size_t i = 0; i < 16; ++i) d[i] = m[i];
  return d;
}

Matrix4 ToFloat(const Matrix4d& d) {
  Matrix4 m{};
  for (size_t i = 0; i < 16; ++i) m[i] = static_cast<float>(d[i]);
  return m;
}

Matrix4d MultiplyD(const Matrix4d& a, const Matrix4d& b) {
  Matrix4d r{};
  for (size_t column = 0; column < 4; ++column) {
    for (size_t row = 0; row < 4; ++row) {
      double sum = 0;
      for (size_t k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[column * 4 + k];
      r[column * 4 + row] = sum;
    }
  }
  return r;
}

// m x (x, y, z, w).
void Transform(const Matrix4d& m, const double in[4], double out[4]) {
  for (size_t row = 0; row < 4; ++row) {
    out[row] = m[row] * in[0] + m[4 + row] * in[1] + m[8 + row] * in[2] + m[12 + row] * in[3];
  }
}

// The inverse by cofactors, as GLU computes it; false when the determinant is zero.
bool InvertD(const Matrix4d& m, Matrix4d& out) {
  Matrix4d inv{};
  inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] + m[9] * m[7] * m[14] +
           m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
  inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] -
           m[8] * m[7] * m[14] - m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
  inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] + m[8] * m[7] * m[13] +
           m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
  inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] -
            m[8] * m[6] * m[13] - m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
  inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] -
           m[9] * m[3] * m[14] - m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
  inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] + m[8] * m[3] * m[14] +
           m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
  inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] - m[8] * m[3] * m[13] -
           m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
  inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] + m[8] * m[2] * m[13] +
            m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
  inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] +
           m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
  inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] - m[4] * m[3] * m[14] -
           m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
  inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] + m[4] * m[3] * m[13] +
            m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
  inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] - m[4] * m[2] * m[13] -
            m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
  inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] - m[5] * m[3] * m[10] -
           m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
  inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] +
           m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
  inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] -
            m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
  inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] +
            m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
  const double det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
  if (det == 0 || !std::isfinite(det)) return false;
  for (size_t i = 0; i < 16; ++i) out[i] = inv[i] / det;
  return true;
}

}  // namespace

Matrix4 Identity() {
  return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
  return ToFloat(MultiplyD(ToDouble(a), ToDouble(b)));
}

Matrix4 Frustum(float left, float right, float bottom, float top, float near_plane,
                float far_plane) {
  const double l = left, r = right, b = bottom, t = top, n = near_plane, f = far_plane;
  Matrix4d m{};
  m[0] = 2 * n / (r - l);
  m[5] = 2 * n / (t - b);
  m[8] = (r + l) / (r - l);
  m[9] = (t + b) / (t - b);
  m[10] = -(f + n) / (f - n);
  m[11] = -1;
  m[14] = -2 * f * n / (f - n);
  return ToFloat(m);
}

Matrix4 LookAt(Vec3 eye, Vec3 centre, Vec3 up) {
  double f[3] = {double(centre.x) - eye.x, double(centre.y) - eye.y, double(centre.z) - eye.z};
  const double f_length = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
  if (f_length > 0) {
    for (double& c : f) c /= f_length;
  }
  // side = forward x up, then up = side x forward (so the three are orthogonal).
  double s[3] = {f[1] * up.z - f[2] * up.y, f[2] * up.x - f[0] * up.z, f[0] * up.y - f[1] * up.x};
  const double s_length = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
  if (s_length > 0) {
    for (double& c : s) c /= s_length;
  }
  const double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2],
                       s[0] * f[1] - s[1] * f[0]};
  Matrix4d m{};
  m[0] = s[0];
  m[4] = s[1];
  m[8] = s[2];
  m[1] = u[0];
  m[5] = u[1];
  m[9] = u[2];
  m[2] = -f[0];
  m[6] = -f[1];
  m[10] = -f[2];
  m[15] = 1;
  const double e[3] = {eye.x, eye.y, eye.z};
  m[12] = -(s[0] * e[0] + s[1] * e[1] + s[2] * e[2]);
  m[13] = -(u[0] * e[0] + u[1] * e[1] + u[2] * e[2]);
  m[14] = f[0] * e[0] + f[1] * e[1] + f[2] * e[2];
  return ToFloat(m);
}

Matrix4 Perspective(float fov_y_degrees, float aspect, float near_plane, float far_plane) {
  const double radians = fov_y_degrees / 2.0 * std::numbers::pi / 180.0;
  const double sine = std::sin(radians);
  const double depth = double(far_plane) - near_plane;
  if (depth == 0 || sine == 0 || aspect == 0) return Identity();  // what GLU leaves: nothing
  const double cotangent = std::cos(radians) / sine;
  Matrix4d m{};
  m[0] = cotangent / aspect;
  m[5] = cotangent;
  m[10] = -(double(far_plane) + near_plane) / depth;
  m[11] = -1;
  m[14] = -2.0 * near_plane * far_plane / depth;
  return ToFloat(m);
}

bool Project(Vec3 point, const Matrix4& modelview, const Matrix4& projection,
             const std::array<int, 4>& viewport, Vec3& window) {
  const double in[4] = {point.x, point.y, point.z, 1.0};
  double eye[4];
  double clip[4];
  Transform(ToDouble(modelview), in, eye);
  Transform(ToDouble(projection), eye, clip);
  if (clip[3] == 0.0) return false;
  const double x = clip[0] / clip[3] * 0.5 + 0.5;
  const double y = clip[1] / clip[3] * 0.5 + 0.5;
  const double z = clip[2] / clip[3] * 0.5 + 0.5;
  window.x = static_cast<float>(x * viewport[2] + viewport[0]);
  window.y = static_cast<float>(y * viewport[3] + viewport[1]);
  window.z = static_cast<float>(z);
  return true;
}

bool Unproject(Vec3 window, const Matrix4& modelview, const Matrix4& projection,
               const std::array<int, 4>& viewport, Vec3& point) {
  if (viewport[2] == 0 || viewport[3] == 0) return false;
  Matrix4d inverse{};
  if (!InvertD(MultiplyD(ToDouble(projection), ToDouble(modelview)), inverse)) return false;
  const double in[4] = {(double(window.x) - viewport[0]) / viewport[2] * 2 - 1,
                        (double(window.y) - viewport[1]) / viewport[3] * 2 - 1,
                        double(window.z) * 2 - 1, 1.0};
  double out[4];
  Transform(inverse, in, out);
  if (out[3] == 0.0) return false;
  point.x = static_cast<float>(out[0] / out[3]);
  point.y = static_cast<float>(out[1] / out[3]);
  point.z = static_cast<float>(out[2] / out[3]);
  return true;
}

bool Invert(const Matrix4& m, Matrix4& out) {
  Matrix4d inverse{};
  if (!InvertD(ToDouble(m), inverse)) return false;
  out = ToFloat(inverse);
  return true;
}

}  // namespace camera3d
