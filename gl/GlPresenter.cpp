#include "gl/GlPresenter.h"

#include <GL/gl.h>
#include <GLFW/glfw3.h>

#include <array>
#include <random>

namespace {

using Pixel = std::array<GLubyte, 3>;

Pixel ReadCorner() {
  Pixel pixel{};
  glReadPixels(0, 0, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, pixel.data());
  return pixel;
}

}  // namespace

int32_t GlPresenter::CountSwapBuffers(GLFWwindow* window) {
  glPushAttrib(GL_ENABLE_BIT | GL_VIEWPORT_BIT | GL_COLOR_BUFFER_BIT | GL_PIXEL_MODE_BIT |
               GL_CURRENT_BIT);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glDrawBuffer(GL_BACK);
  glReadBuffer(GL_BACK);
  glViewport(0, 0, 1, 1);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, 1, 0, 1, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();

  // A random colour, so that a buffer still holding some earlier start-up's pixel cannot
  // pass for one holding this one.
  std::random_device seed;
  std::mt19937 random(seed());
  std::uniform_int_distribution<int> channel(1, 254);
  const GLubyte red = static_cast<GLubyte>(channel(random));
  const GLubyte green = static_cast<GLubyte>(channel(random));
  const GLubyte blue = static_cast<GLubyte>(channel(random));

  int32_t count = 3;
  Pixel reference{};
  for (int32_t n = 1; n <= 3; ++n) {
    glColor4ub(red, green, blue, 255);
    glRectf(0, 0, 1, 1);
    if (n == 1) reference = ReadCorner();
    glfwSwapBuffers(window);
    if (ReadCorner() == reference) {
      count = n;
      break;
    }
  }

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopClientAttrib();
  glPopAttrib();
  return count;
}

void GlPresenter::Present(GLFWwindow* window, int32_t swap_count) {
  glfwSwapBuffers(window);
  if (swap_count < 2) return;
  int width = 0;
  int height = 0;
  glfwGetFramebufferSize(window, &width, &height);
  if (width <= 0 || height <= 0) return;
  // Copied pixels are fragments like any other: everything that would alter them (scissor,
  // blending, depth, texturing) is off for the copy and comes back afterwards.
  glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_PIXEL_MODE_BIT | GL_CURRENT_BIT);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_ALPHA_TEST);
  glReadBuffer(GL_FRONT);
  glDrawBuffer(GL_BACK);
  glWindowPos2i(0, 0);
  glCopyPixels(0, 0, width, height, GL_COLOR);
  glPopAttrib();
}
