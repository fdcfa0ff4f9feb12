// zarv_xwatch: what the X server sees of a program under test, for end-to-end scripts.
//   zarv_xwatch bells SECONDS   prints "bell" (flushed) for every bell rung on the display
//                               within SECONDS, then "done"
//   zarv_xwatch cursor          prints the cursor under the pointer as
//                               "WIDTHxHEIGHT hot X,Y crc32 HEX" (crc of its ARGB pixels)
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <poll.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int WatchBells(Display* display, double seconds) {
  int opcode = 0, event_base = 0, error_base = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  if (!XkbQueryExtension(display, &opcode, &event_base, &error_base, &major, &minor)) {
    std::fprintf(stderr, "zarv_xwatch: the display has no XKB\n");
    return 1;
  }
  XkbSelectEvents(display, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
  XSync(display, False);
  std::printf("watching\n");
  std::fflush(stdout);
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) {
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == event_base &&
          reinterpret_cast<XkbEvent*>(&event)->any.xkb_type == XkbBellNotify) {
        std::printf("bell\n");
        std::fflush(stdout);
      }
    }
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    ::poll(&fd, 1, 50);
  }
  std::printf("done\n");
  return 0;
}

int ShowCursor(Display* display) {
  int event_base = 0, error_base = 0;
  if (!XFixesQueryExtension(display, &event_base, &error_base)) {
    std::fprintf(stderr, "zarv_xwatch: the display has no XFIXES\n");
    return 1;
  }
  XFixesCursorImage* image = XFixesGetCursorImage(display);
  if (!image) return 1;
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < size_t{image->width} * image->height; ++i) {
    const uint32_t p = static_cast<uint32_t>(image->pixels[i]);
    for (int shift : {24, 16, 8, 0}) bytes.push_back(static_cast<uint8_t>(p >> shift));
  }
  std::printf("%ux%u hot %u,%u crc32 %08lx\n", image->width, image->height, image->xhot,
              image->yhot, crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
  XFree(image);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "zarv_xwatch: no display\n");
    return 1;
  }
  int result = 2;
  if (argc == 3 && std::strcmp(argv[1], "bells") == 0) {
    result = WatchBells(display, std::atof(argv[2]));
  } else if (argc == 2 && std::strcmp(argv[1], "cursor") == 0) {
    result = ShowCursor(display);
  } else {
    std::fprintf(stderr, "usage: zarv_xwatch bells SECONDS | zarv_xwatch cursor\n");
  }
  XCloseDisplay(display);
  return result;
}
