#pragma once
#include <cstdint>

struct GLFWwindow;

// Puts finished frames on the screen so that partial redraws can build on the last frame:
// drivers differ in what the back buffer holds after a swap, so start-up measures it.
class GlPresenter {
 public:
  // How many buffers the swap chain cycles through (1 to 3): 1 when the back buffer keeps
  // its contents across a swap. Draws into the back buffer and swaps; run it at start-up,
  // before the first frame, with the window's context current.
  static int32_t CountSwapBuffers(GLFWwindow* window);
  // Swaps; with a count of 2 or more copies the frame just shown back into the back buffer.
  static void Present(GLFWwindow* window, int32_t swap_count);
};
