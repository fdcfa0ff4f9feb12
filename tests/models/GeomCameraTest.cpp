// The geometry viewer's camera: reset, the three drags with their base values, the projection
// (checked through GLU's gluProject, plain arithmetic without a GL context), the depth order,
// and the inputs that must not break it.
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "models/ui/GeomCamera.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr int kWidth = 400;
constexpr int kHeight = 300;

// gluProject with the camera's own matrices over a kWidth x kHeight viewport.
Vec3 GluProject(const GeomCamera& camera, Vec3 p, int width = kWidth, int height = kHeight) {
  const Matrix4 mv = camera.ModelView();
  const Matrix4 pr = camera.Projection(width, height);
  GLdouble mvd[16], prd[16];
  for (int i = 0; i < 16; ++i) {
    mvd[i] = mv[static_cast<size_t>(i)];
    prd[i] = pr[static_cast<size_t>(i)];
  }
  const GLint viewport[4] = {0, 0, width, height};
  GLdouble x = 0, y = 0, z = 0;
  EXPECT_EQ(gluProject(p.x, p.y, p.z, mvd, prd, viewport, &x, &y, &z), GL_TRUE);
  return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

void ExpectFinite(const GeomCamera& camera) {
  const GeomCamera::State& s = camera.current();
  for (float v :
       {s.target.x, s.target.y, s.target.z, s.yaw, s.pitch, s.distance, camera.far_plane()}) {
    EXPECT_TRUE(std::isfinite(v));
  }
  EXPECT_GT(s.distance, 0.0f);
  for (int h : {0, 1, 300}) {
    for (float v : camera.Projection(400, h)) EXPECT_TRUE(std::isfinite(v)) << h;
  }
  for (float v : camera.ModelView()) EXPECT_TRUE(std::isfinite(v));
}

GeomCamera CameraOnBox(std::array<float, 3> lo, std::array<float, 3> hi) {
  GeomCamera camera;
  camera.Reset(lo, hi);
  return camera;
}

TEST(GeomCameraReset, CentresOnTheBoxAtOneAndAHalfDiagonals) {
  GeomCamera camera;
  camera.Rotate(40, 20);
  camera.Commit();
  camera.Reset({0, 0, 0}, {2, 2, 1});
  const GeomCamera::State& s = camera.current();
  EXPECT_FLOAT_EQ(s.target.x, 1.0f);
  EXPECT_FLOAT_EQ(s.target.y, 1.0f);
  EXPECT_FLOAT_EQ(s.target.z, 0.5f);
  EXPECT_FLOAT_EQ(s.distance, 4.5f);
  EXPECT_EQ(s.yaw, 0.0f);
  EXPECT_EQ(s.pitch, 0.0f);
  // The far plane starts where a zoom would put it, and the base follows the reset.
  EXPECT_FLOAT_EQ(camera.far_plane(), 65535.0f);
  EXPECT_FLOAT_EQ(camera.base().distance, 4.5f);
  EXPECT_FLOAT_EQ(camera.base().target.z, 0.5f);
}

TEST(GeomCameraReset, TinyAndEmptyMeshesStayPastTheNearPlane) {
  for (const auto& [lo, hi] :
       {std::pair{std::array<float, 3>{0, 0, 0}, std::array<float, 3>{0, 0, 0}},
        std::pair{std::array<float, 3>{3, -2, 1}, std::array<float, 3>{3, -2, 1}},
        std::pair{std::array<float, 3>{0, 0, 0}, std::array<float, 3>{0.2f, 0.1f, 0.3f}}}) {
    const GeomCamera camera = CameraOnBox(lo, hi);
    ExpectFinite(camera);
    // Every corner of the box projects in front of the near plane.
    for (int c = 0; c < 8; ++c) {
      const Vec3 corner{(c & 1) ? hi[0] : lo[0], (c & 2) ? hi[1] : lo[1], (c & 4) ? hi[2] : lo[2]};
      const Vec3 w = GluProject(camera, corner);
      EXPECT_GT(w.z, 0.0f);
      EXPECT_LT(w.z, 1.0f);
    }
  }
}

TEST(GeomCameraProjection, ClearedRotationLooksAlongPlusYWithZUpAndXRight) {
  const GeomCamera camera = CameraOnBox({-1, -1, -1}, {1, 1, 1});
  const Vec3 centre = GluProject(camera, {0, 0, 0});
  EXPECT_NEAR(centre.x, kWidth / 2.0f, 1e-3);
  EXPECT_NEAR(centre.y, kHeight / 2.0f, 1e-3);
  EXPECT_GT(GluProject(camera, {0.5f, 0, 0}).x, centre.x + 10);  // +x to the right
  EXPECT_GT(GluProject(camera, {0, 0, 0.5f}).y, centre.y + 10);  // +z up (GL's y grows upwards)
  EXPECT_GT(GluProject(camera, {0, 0.5f, 0}).z, centre.z);       // +y away from the eye
  EXPECT_NEAR(camera.Eye().y, -camera.current().distance, 1e-4);
}

TEST(GeomCameraProjection, FrustumSpansFortyFiveDegreesAndTheWindowAspect) {
  GeomCamera camera = CameraOnBox({0, 0, 0}, {0, 0, 0});
  camera.Rotate(23, -11);  // somewhere off the axes
  const Vec3 eye = camera.Eye(), f = camera.Forward(), r = camera.Right(), u = camera.Up();
  const float d = 10.0f;
  const float half = std::tan(22.5f * kPi / 180.0f);
  const float aspect = float(kWidth) / float(kHeight);
  auto along = [&](float ahead, float right, float up) {
    return Vec3{eye.x + f.x * ahead + r.x * right + u.x * up,
                eye.y + f.y * ahead + r.y * right + u.y * up,
                eye.z + f.z * ahead + r.z * right + u.z * up};
  };
  const Vec3 top = GluProject(camera, along(d, 0, d * half));
  EXPECT_NEAR(top.y, kHeight, 1e-2);
  EXPECT_NEAR(top.x, kWidth / 2.0f, 1e-2);
  const Vec3 left = GluProject(camera, along(d, -d * half * aspect, 0));
  EXPECT_NEAR(left.x, 0.0f, 1e-2);
  // Depth 0 at the near plane (1 unit ahead), 1 at the far plane.
  EXPECT_NEAR(GluProject(camera, along(1.0f, 0, 0)).z, 0.0f, 1e-5);
  EXPECT_NEAR(GluProject(camera, along(camera.far_plane(), 0, 0)).z, 1.0f, 1e-4);
}

TEST(GeomCameraProjection, ZeroSizedWindowIsTakenAsSquare) {
  const GeomCamera camera = CameraOnBox({0, 0, 0}, {4, 4, 4});
  const Matrix4 square = camera.Projection(50, 50);
  EXPECT_EQ(camera.Projection(400, 0), square);
  EXPECT_EQ(camera.Projection(0, 0), square);
  EXPECT_EQ(camera.Projection(-5, 20), square);
}

TEST(GeomCameraDrags, RotateTurnsByPiPer128PixelsFromTheBase) {
  GeomCamera camera = CameraOnBox({-1, -1, -1}, {1, 1, 1});
  camera.Rotate(64, 0);  // a quarter turn: looking along +x
  const Vec3 f = camera.Forward();
  EXPECT_NEAR(f.x, 1.0f, 1e-6);
  EXPECT_NEAR(f.y, 0.0f, 1e-6);
  // Moves within one drag replace each other rather than add up.
  camera.Rotate(32, 0);
  EXPECT_NEAR(camera.current().yaw, kPi / 4, 1e-6);
  EXPECT_EQ(camera.base().yaw, 0.0f);
  camera.Commit();
  camera.Rotate(32, 0);
  EXPECT_NEAR(camera.current().yaw, kPi / 2, 1e-6);
  camera.Revert();
  EXPECT_NEAR(camera.current().yaw, kPi / 4, 1e-6);
}

TEST(GeomCameraDrags, PitchStopsStraightDownAndStraightUp) {
  GeomCamera camera = CameraOnBox({-1, -1, -1}, {1, 1, 1});
  camera.Rotate(0, 64);
  EXPECT_NEAR(camera.current().pitch, kPi / 2, 1e-6);
  EXPECT_NEAR(camera.Forward().z, -1.0f, 1e-6);  // looking down from above
  ExpectFinite(camera);
  camera.Rotate(0, 500);
  EXPECT_NEAR(camera.current().pitch, kPi / 2, 1e-6);
  camera.Rotate(0, -500);
  EXPECT_NEAR(camera.current().pitch, -kPi / 2, 1e-6);
  ExpectFinite(camera);
  // Straight down, +x still shows to the right and +y towards the top of the window.
  camera.Rotate(0, 64);
  const Vec3 centre = GluProject(camera, {0, 0, 0});
  EXPECT_GT(GluProject(camera, {0.5f, 0, 0}).x, centre.x + 10);
  EXPECT_GT(GluProject(camera, {0, 0.5f, 0}).y, centre.y + 10);
}

TEST(GeomCameraDrags, PanMovesTheTargetAlongTheViewRightAndUp) {
  GeomCamera camera = CameraOnBox({0, 0, 0}, {2, 2, 2});
  camera.Pan(128, 0);
  EXPECT_NEAR(camera.current().target.x, 2.0f, 1e-6);
  camera.Pan(0, 256);
  EXPECT_NEAR(camera.current().target.x, 1.0f, 1e-6);
  EXPECT_NEAR(camera.current().target.z, 3.0f, 1e-6);
  // After a quarter turn right is -y.
  camera.Reset({0, 0, 0}, {2, 2, 2});
  camera.Rotate(64, 0);
  camera.Commit();
  camera.Pan(128, 0);
  EXPECT_NEAR(camera.current().target.x, 1.0f, 1e-5);
  EXPECT_NEAR(camera.current().target.y, 0.0f, 1e-5);
}

TEST(GeomCameraDrags, ZoomDoublesPer32PixelsAndRaisesTheFarPlane) {
  GeomCamera camera = CameraOnBox({0, 0, 0}, {2, 2, 1});
  camera.Zoom(100, 32);  // dx plays no part
  EXPECT_FLOAT_EQ(camera.current().distance, 9.0f);
  camera.Zoom(0, -64);
  EXPECT_FLOAT_EQ(camera.current().distance, 4.5f / 4);
  EXPECT_FLOAT_EQ(camera.far_plane(), 65535.0f);
  // Far out the far plane follows, and the mesh is still inside the depth range.
  camera.Zoom(0, 32 * 16);
  EXPECT_FLOAT_EQ(camera.current().distance, 4.5f * 65536);
  EXPECT_FLOAT_EQ(camera.far_plane(), 2 * 4.5f * 65536);
  const Vec3 w = GluProject(camera, {2, 2, 1});
  EXPECT_GT(w.z, 0.0f);
  EXPECT_LT(w.z, 1.0f);
}

TEST(GeomCameraDrags, ExtremeInputKeepsTheCameraFinite) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (float v : {1e6f, -1e6f, 1e30f, -1e30f, inf, -inf, nan}) {
    GeomCamera camera = CameraOnBox({0, 0, 0}, {2, 2, 1});
    camera.Zoom(v, v);
    ExpectFinite(camera);
    camera.Commit();
    camera.Rotate(v, v);
    ExpectFinite(camera);
    camera.Commit();
    camera.Pan(v, v);
    ExpectFinite(camera);
    camera.Commit();
    camera.Zoom(0, 10);
    ExpectFinite(camera);
  }
}

ModelMesh::Triangle Tri(uint32_t a, uint32_t b, uint32_t c) {
  ModelMesh::Triangle t;
  t.corners[0].vertex = a;
  t.corners[1].vertex = b;
  t.corners[2].vertex = c;
  return t;
}

TEST(GeomCameraDepthOrder, FarToNearByTheNearestCornerEqualDepthsInFileOrder) {
  GeomCamera camera = CameraOnBox({-2, -2, -2}, {2, 2, 2});  // looking along +y
  ModelMesh mesh;
  mesh.vertices = {{0, 0, 0},  {1, 0, 0}, {0, 0, 1},   // 0-2 at y 0
                   {0, 2, 0},  {1, 2, 0}, {0, 2, 1},   // 3-5 at y 2, farther
                   {0, -1, 0}, {1, 3, 0}, {0, 3, 1}};  // 6 near, 7-8 farthest
  mesh.triangles = {Tri(0, 1, 2),                      // y 0
                    Tri(3, 4, 5),                      // y 2
                    Tri(6, 7, 8),   // reaches farthest, but its nearest corner is nearest
                    Tri(2, 1, 0),   // the same depth as the first
                    Tri(3, 4, 99),  // names a vertex the mesh does not have
                    Tri(5, 4, 3)};
  std::vector<uint32_t> order;
  std::vector<float> depths;
  camera.DepthOrder(mesh, kWidth, kHeight, order, depths);
  EXPECT_EQ(order, (std::vector<uint32_t>{1, 5, 0, 3, 2}));
  // The depths are gluProject's.
  ASSERT_EQ(depths.size(), mesh.vertices.size());
  for (size_t i = 0; i < mesh.vertices.size(); ++i) {
    const auto& p = mesh.vertices[i];
    EXPECT_NEAR(depths[i], GluProject(camera, {p[0], p[1], p[2]}).z, 1e-6);
  }
  // Turned half way round: the planes swap, and the long triangle is nearest again through
  // its other end.
  camera.Rotate(128, 0);
  camera.DepthOrder(mesh, kWidth, kHeight, order, depths);
  EXPECT_EQ(order, (std::vector<uint32_t>{0, 3, 1, 5, 2}));
}

TEST(GeomCameraDepthOrder, CornersBehindTheEyeCountAsNearest) {
  GeomCamera camera = CameraOnBox({0, 0, 0}, {0, 0, 0});  // eye at y = -2
  ModelMesh mesh;
  mesh.vertices = {{0, 1, 0}, {1, 1, 0}, {0, 1, 1}, {0, -10, 0}};
  mesh.triangles = {Tri(3, 1, 2), Tri(0, 1, 2)};
  std::vector<uint32_t> order;
  std::vector<float> depths;
  camera.DepthOrder(mesh, kWidth, 0, order, depths);
  EXPECT_EQ(order, (std::vector<uint32_t>{1, 0}));
  mesh.triangles.clear();
  mesh.vertices.clear();
  camera.DepthOrder(mesh, kWidth, kHeight, order, depths);
  EXPECT_TRUE(order.empty());
}

}  // namespace
