// The camera arithmetic against GLU's own gluProject and gluUnProject (plain arithmetic in
// GLU, no GL context needed) and against what the matrices must do to points.
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>

#include "gui/Camera3D.h"

namespace {

using namespace camera3d;

constexpr std::array<int, 4> kViewport = {10, 20, 640, 480};

std::array<double, 16> ToDouble(const Matrix4& m) {
  std::array<double, 16> d{};
  for (size_t i = 0; i < 16; ++i) d[i] = m[i];
  return d;
}

// A typical view: looking down at a mesh from above one corner.
Matrix4 SomeModelview() {
  return LookAt({-20, -30, 40}, {32, 16, 2}, {0, 0, 1});
}
Matrix4 SomeProjection() {
  return Perspective(45, 640.0f / 480.0f, 0.5f, 500);
}

void ExpectNear(Vec3 a, Vec3 b, float tolerance) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST(Camera3DProjection, ProjectAgreesWithGluProject) {
  const Matrix4 modelview = SomeModelview();
  const Matrix4 projection = SomeProjection();
  const auto mv = ToDouble(modelview);
  const auto pr = ToDouble(projection);
  const Vec3 points[] = {{32, 16, 2}, {0, 0, 0}, {64, 0, 5}, {10, 60, -3}, {50, 40, 12}};
  for (const Vec3& p : points) {
    Vec3 ours;
    ASSERT_TRUE(Project(p, modelview, projection, kViewport, ours));
    GLdouble x = 0, y = 0, z = 0;
    ASSERT_EQ(gluProject(p.x, p.y, p.z, mv.data(), pr.data(), kViewport.data(), &x, &y, &z),
              GL_TRUE);
    EXPECT_NEAR(ours.x, x, 1e-3);
    EXPECT_NEAR(ours.y, y, 1e-3);
    EXPECT_NEAR(ours.z, z, 1e-6);
  }
}

TEST(Camera3DProjection, UnprojectAgreesWithGluUnProject) {
  const Matrix4 modelview = SomeModelview();
  const Matrix4 projection = SomeProjection();
  const auto mv = ToDouble(modelview);
  const auto pr = ToDouble(projection);
  const Vec3 windows[] = {{330, 260, 0.5f}, {10, 20, 0}, {649, 499, 1}, {100, 400, 0.9f}};
  for (const Vec3& w : windows) {
    Vec3 ours;
    ASSERT_TRUE(Unproject(w, modelview, projection, kViewport, ours));
    GLdouble x = 0, y = 0, z = 0;
    ASSERT_EQ(gluUnProject(w.x, w.y, w.z, mv.data(), pr.data(), kViewport.data(), &x, &y, &z),
              GL_TRUE);
    // The far plane magnifies float rounding; compare relative to the distance.
    const double scale = 1e-4 * (1 + std::sqrt(x * x + y * y + z * z));
    EXPECT_NEAR(ours.x, x, scale);
    EXPECT_NEAR(ours.y, y, scale);
    EXPECT_NEAR(ours.z, z, scale);
  }
}

TEST(Camera3DProjection, UnprojectUndoesProject) {
  const Matrix4 modelview = SomeModelview();
  const Matrix4 projection = SomeProjection();
  for (const Vec3& p : {Vec3{32, 16, 2}, Vec3{3, 7, 1}, Vec3{60, 30, 8}}) {
    Vec3 window, back;
    ASSERT_TRUE(Project(p, modelview, projection, kViewport, window));
    ASSERT_TRUE(Unproject(window, modelview, projection, kViewport, back));
    ExpectNear(back, p, 2e-3f);
  }
}

TEST(Camera3DProjection, PointsThatCannotBeMappedAreRefused) {
  const Matrix4 projection = SomeProjection();
  Vec3 out;
  // A point in the eye's own plane has w = 0 under a perspective.
  EXPECT_FALSE(Project({5, 5, 0}, Identity(), projection, kViewport, out));
  Matrix4 flat = Identity();
  flat[10] = 0;  // squashes depth: no inverse
  EXPECT_FALSE(Unproject({1, 1, 0.5f}, flat, projection, kViewport, out));
  EXPECT_FALSE(Unproject({1, 1, 0.5f}, Identity(), projection, {0, 0, 0, 480}, out));
}

TEST(Camera3DMatrices, FrustumMapsItsCornersToTheViewportCorners) {
  const Matrix4 frustum = Frustum(-2, 1, -1, 3, 0.5f, 20);
  const std::array<int, 4> viewport = {0, 0, 100, 200};
  Vec3 w;
  ASSERT_TRUE(Project({-2, -1, -0.5f}, Identity(), frustum, viewport, w));
  ExpectNear(w, {0, 0, 0}, 1e-4f);
  ASSERT_TRUE(Project({1, 3, -0.5f}, Identity(), frustum, viewport, w));
  ExpectNear(w, {100, 200, 0}, 1e-4f);
  // The far plane is the near rectangle grown by far / near.
  ASSERT_TRUE(Project({40, 120, -20}, Identity(), frustum, viewport, w));
  ExpectNear(w, {100, 200, 1}, 1e-3f);
}

TEST(Camera3DMatrices, PerspectiveIsTheSymmetricFrustumOfItsField) {
  const float near_plane = 0.1f, far_plane = 900;
  const float top = std::tan(45.0f / 2 * 3.14159265f / 180) * near_plane;
  const Matrix4 a = Perspective(45, 1.5f, near_plane, far_plane);
  const Matrix4 b = Frustum(-top * 1.5f, top * 1.5f, -top, top, near_plane, far_plane);
  for (size_t i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], 1e-4f * (1 + std::fabs(b[i]))) << i;
}

TEST(Camera3DMatrices, LookAtPutsTheEyeAtTheOriginFacingTheCentre) {
  const Vec3 eye{4, -6, 9};
  const Vec3 centre{1, 2, 3};
  const Matrix4 m = LookAt(eye, centre, {0, 0, 1});
  const std::array<int, 4> unit = {0, 0, 2, 2};
  // Orthographic identity projection maps eye space (x, y, z) to window (x + 1, y + 1, ...).
  Vec3 w;
  ASSERT_TRUE(Project(eye, m, Identity(), unit, w));
  ExpectNear(w, {1, 1, 0.5f}, 1e-5f);
  const float d = std::sqrt(9.0f + 64.0f + 36.0f);
  ASSERT_TRUE(Project(centre, m, Identity(), unit, w));
  ExpectNear(w, {1, 1, 0.5f - d / 2}, 1e-4f);  // straight ahead, down -z
  // A point above the eye lies up the view (y), not to a side.
  ASSERT_TRUE(Project({eye.x, eye.y, eye.z + 1}, m, Identity(), unit, w));
  EXPECT_NEAR(w.x, 1, 1e-5f);
  EXPECT_GT(w.y, 1.1f);
}

TEST(Camera3DMatrices, MultiplyAppliesTheRightMatrixFirst) {
  Matrix4 translate = Identity();
  translate[12] = 5;
  Matrix4 scale = Identity();
  scale[0] = 2;
  const std::array<int, 4> unit = {0, 0, 2, 2};
  Vec3 w;
  // translate x scale: (1, 0, 0) scaled to 2, then moved to 7.
  ASSERT_TRUE(Project({1, 0, 0}, Multiply(translate, scale), Identity(), unit, w));
  EXPECT_NEAR(w.x, 8, 1e-5f);
  ASSERT_TRUE(Project({1, 0, 0}, Multiply(scale, translate), Identity(), unit, w));
  EXPECT_NEAR(w.x, 13, 1e-5f);
}

TEST(Camera3DMatrices, InvertGivesTheIdentityBackOrRefusesASingularMatrix) {
  const Matrix4 m = Multiply(SomeProjection(), SomeModelview());
  Matrix4 inverse;
  ASSERT_TRUE(Invert(m, inverse));
  const Matrix4 product = Multiply(m, inverse);
  const Matrix4 identity = Identity();
  for (size_t i = 0; i < 16; ++i) EXPECT_NEAR(product[i], identity[i], 1e-4f) << i;
  Matrix4 singular = Identity();
  singular[5] = 0;
  EXPECT_FALSE(Invert(singular, inverse));
}

}  // namespace
