#include "gl/FatalMessage.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <vector>

namespace {

constexpr int kMargin = 16;
constexpr int kTextWidth = 380;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;

// Breaks the text into lines no wider than kTextWidth at spaces (a word wider than that stands
// on a line of its own).
std::vector<std::string> WrapText(XFontStruct* font, const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    const std::string candidate = line.empty() ? word : line + " " + word;
    if (!line.empty() &&
        XTextWidth(font, candidate.c_str(), static_cast<int>(candidate.size())) > kTextWidth) {
      lines.push_back(line);
      line = word;
    } else {
      line = candidate;
    }
    start = end + 1;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace

void ShowFatalMessage(const std::string& text) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return;
  XFontStruct* font = XLoadQueryFont(display, "fixed");
  if (!font) {
    XCloseDisplay(display);
    return;
  }
  const std::vector<std::string> lines = WrapText(font, text);
  const int line_height = font->ascent + font->descent + 2;
  const int width = kTextWidth + 2 * kMargin;
  const int text_height = static_cast<int>(lines.size()) * line_height;
  const int height = kMargin + text_height + kMargin + kButtonHeight + kMargin;
  const int screen = DefaultScreen(display);
  const unsigned long white = WhitePixel(display, screen);
  const unsigned long black = BlackPixel(display, screen);
  const ::Window window = XCreateSimpleWindow(
      display, RootWindow(display, screen), (DisplayWidth(display, screen) - width) / 2,
      (DisplayHeight(display, screen) - height) / 2, width, height, 1, black, white);
  XStoreName(display, window, "Error");
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  const Atom net_name = XInternAtom(display, "_NET_WM_NAME", False);
  XChangeProperty(display, window, net_name, utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>("Error"), 5);
  Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &delete_window, 1);
  // A fixed size: there is nothing to gain from resizing it.
  XSizeHints hints{};
  hints.flags = PMinSize | PMaxSize;
  hints.min_width = hints.max_width = width;
  hints.min_height = hints.max_height = height;
  XSetWMNormalHints(display, window, &hints);
  XSelectInput(display, window, ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask);
  XMapRaised(display, window);

  GC gc = XCreateGC(display, window, 0, nullptr);
  XSetFont(display, gc, font->fid);
  XSetForeground(display, gc, black);
  const int button_x = (width - kButtonWidth) / 2;
  const int button_y = height - kMargin - kButtonHeight;
  const auto inside_button = [&](int x, int y) {
    return x >= button_x && x < button_x + kButtonWidth && y >= button_y &&
           y < button_y + kButtonHeight;
  };

  bool pressed_on_button = false;
  bool done = false;
  while (!done) {
    XEvent event;
    XNextEvent(display, &event);
    switch (event.type) {
      case Expose: {
        if (event.xexpose.count != 0) break;
        XClearWindow(display, window);
        int y = kMargin + font->ascent;
        for (const std::string& line : lines) {
          XDrawString(display, window, gc, kMargin, y, line.c_str(), static_cast<int>(line.size()));
          y += line_height;
        }
        XDrawRectangle(display, window, gc, button_x, button_y, kButtonWidth - 1,
                       kButtonHeight - 1);
        const int ok_width = XTextWidth(font, "OK", 2);
        XDrawString(display, window, gc, button_x + (kButtonWidth - ok_width) / 2,
                    button_y + (kButtonHeight + font->ascent - font->descent) / 2, "OK", 2);
        break;
      }
      case KeyPress: {
        const KeySym key = XLookupKeysym(&event.xkey, 0);
        done = key == XK_Return || key == XK_KP_Enter || key == XK_Escape;
        break;
      }
      case ButtonPress:
        pressed_on_button =
            event.xbutton.button == Button1 && inside_button(event.xbutton.x, event.xbutton.y);
        break;
      case ButtonRelease:
        // Like any push button: it counts when the press and the release are both on it.
        done = pressed_on_button && event.xbutton.button == Button1 &&
               inside_button(event.xbutton.x, event.xbutton.y);
        pressed_on_button = false;
        break;
      case ClientMessage:
        done = static_cast<Atom>(event.xclient.data.l[0]) == delete_window;
        break;
      default:
        break;
    }
  }
  XFreeGC(display, gc);
  XDestroyWindow(display, window);
  XFreeFont(display, font);
  XCloseDisplay(display);
}
