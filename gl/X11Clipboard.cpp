#include "gl/X11Clipboard.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <utility>

#include "base/ClipboardBmp.h"
#include "gl/ClipboardPng.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::shared_ptr<const std::vector<uint8_t>>;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Xlib has one error handler for the whole process, and GLFW puts back the default one (which
// ends the program) after its own calls. So ours is in place only while our requests run: a
// requestor that vanished mid-transfer must cost us that transfer, not the program. Errors on
// other connections go to whatever handler was there before.
Display* g_display = nullptr;
XErrorHandler g_previous = nullptr;
int g_trap_depth = 0;
bool g_failed = false;

int OnXError(Display* display, XErrorEvent* event) {
  if (display == g_display) {
    g_failed = true;
    return 0;
  }
  return g_previous ? g_previous(display, event) : 0;
}

class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display) : display_(display), outer_(g_trap_depth++ == 0) {
    if (!outer_) return;
    g_display = display;
    g_failed = false;
    g_previous = XSetErrorHandler(OnXError);
  }
  ~ErrorTrap() {
    if (outer_) {
      XSync(display_, False);
      XSetErrorHandler(g_previous);
      g_display = nullptr;
    }
    --g_trap_depth;
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  // Whether a request made since the last call failed; waits for the server to tell.
  static bool Failed(Display* display) {
    XSync(display, False);
    return std::exchange(g_failed, false);
  }

 private:
  Display* display_;
  bool outer_;
};

// STRING is Latin-1 by definition; what Latin-1 lacks, and broken UTF-8, becomes '?'.
std::string Utf8ToLatin1(std::string_view utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(utf8[k]); };
    const uint8_t lead = byte(i);
    if (lead < 0x80) {
      out.push_back(static_cast<char>(lead));
      ++i;
    } else if ((lead & 0xE0) == 0xC0 && lead >= 0xC2 && i + 1 < utf8.size() &&
               (byte(i + 1) & 0xC0) == 0x80) {
      const unsigned cp = ((lead & 0x1Fu) << 6) | (byte(i + 1) & 0x3Fu);
      out.push_back(cp <= 0xFF ? static_cast<char>(cp) : '?');
      i += 2;
    } else {
      out.push_back('?');
      ++i;
      while (i < utf8.size() && (byte(i) & 0xC0) == 0x80) ++i;
    }
  }
  return out;
}

std::string Latin1ToUtf8(const std::vector<uint8_t>& latin1) {
  std::string out;
  for (const uint8_t c : latin1) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

struct Property {
  Atom type = None;
  int format = 0;
  std::vector<uint8_t> bytes;  // 32-bit items as Xlib hands them over: one long each
};

// A chunked (INCR) transfer to another program: each time it deletes the property, the next
// chunk goes in; an empty chunk ends it.
struct Outgoing {
  ::Window requestor = None;
  Atom property = None;
  Atom type = None;
  Bytes data;
  size_t offset = 0;
  Clock::time_point last;
};

enum class Converted { kData, kRefused, kFailed };

}  // namespace

struct X11Clipboard::State {
  Display* d = nullptr;
  ::Window w = None;
  Atom clipboard = None, targets = None, timestamp = None, utf8 = None, incr = None, png = None,
       bmp = None, property = None, clock = None;
  size_t chunk = 0;

  bool owned = false;
  Time owned_since = CurrentTime;
  bool holds_image = false;
  std::string text;
  std::vector<uint8_t> rgb;
  int32_t width = 0;
  int32_t height = 0;
  Bytes utf8_bytes, latin1_bytes, png_bytes, bmp_bytes;  // made when first asked for
  std::vector<Outgoing> outgoing;

  ~State() {
    if (!d) return;
    {
      ErrorTrap trap(d);
      for (size_t i = outgoing.size(); i-- > 0;) Finish(i);
      XDestroyWindow(d, w);
    }
    XCloseDisplay(d);
  }

  Bytes Data(Atom target) {
    const auto make = [](std::vector<uint8_t> v) {
      return std::make_shared<const std::vector<uint8_t>>(std::move(v));
    };
    if (holds_image) {
      if (target == png) {
        std::vector<uint8_t> encoded;
        if (!png_bytes && ClipboardPng::Encode(rgb.data(), width, height, encoded)) {
          png_bytes = make(std::move(encoded));
        }
        return png_bytes;
      }
      if (target == bmp) {
        if (!bmp_bytes) bmp_bytes = make(ClipboardBmp::Encode(rgb.data(), width, height));
        return bmp_bytes;
      }
    } else if (target == utf8) {
      if (!utf8_bytes) utf8_bytes = make({text.begin(), text.end()});
      return utf8_bytes;
    } else if (target == XA_STRING) {
      if (!latin1_bytes) {
        const std::string latin1 = Utf8ToLatin1(text);
        latin1_bytes = make({latin1.begin(), latin1.end()});
      }
      return latin1_bytes;
    }
    return nullptr;
  }

  void Answer(const XSelectionRequestEvent& r) {
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = d;
    reply.requestor = r.requestor;
    reply.selection = r.selection;
    reply.target = r.target;
    reply.time = r.time;
    reply.property = None;
    // Clients older than the ICCCM name no property and expect the target's name.
    const Atom into = r.property == None ? r.target : r.property;
    const bool ours =
        owned && r.selection == clipboard && (r.time == CurrentTime || r.time >= owned_since);
    bool chunked = false;
    if (ours && r.target == targets) {
      std::vector<Atom> list = {targets, timestamp};
      if (holds_image) {
        list.insert(list.end(), {png, bmp});
      } else {
        list.insert(list.end(), {utf8, XA_STRING});
      }
      XChangeProperty(d, r.requestor, into, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(list.data()),
                      static_cast<int>(list.size()));
      reply.property = into;
    } else if (ours && r.target == timestamp) {
      const long time = static_cast<long>(owned_since);
      XChangeProperty(d, r.requestor, into, XA_INTEGER, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&time), 1);
      reply.property = into;
    } else if (const Bytes data = ours ? Data(r.target) : nullptr) {
      if (data->size() <= chunk) {
        XChangeProperty(d, r.requestor, into, r.target, 8, PropModeReplace, data->data(),
                        static_cast<int>(data->size()));
      } else {
        // The deletions of the requestor's property pace the chunks, so we watch for them
        // before announcing the transfer.
        XSelectInput(d, r.requestor, PropertyChangeMask);
        const long size = static_cast<long>(data->size());
        XChangeProperty(d, r.requestor, into, incr, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&size), 1);
        outgoing.push_back({r.requestor, into, r.target, data, 0, Clock::now()});
        chunked = true;
      }
      reply.property = into;
    }
    XSendEvent(d, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
    if (ErrorTrap::Failed(d) && chunked) Finish(outgoing.size() - 1);
  }

  // False when the transfer is over, finished or failed.
  bool Advance(Outgoing& o) {
    const size_t n = std::min(chunk, o.data->size() - o.offset);
    XChangeProperty(d, o.requestor, o.property, o.type, 8, PropModeReplace,
                    o.data->data() + o.offset, static_cast<int>(n));
    o.offset += n;
    o.last = Clock::now();
    return !ErrorTrap::Failed(d) && n > 0;
  }

  void Finish(size_t index) {
    const ::Window requestor = outgoing[index].requestor;
    outgoing.erase(outgoing.begin() + static_cast<std::ptrdiff_t>(index));
    const bool watched = std::any_of(outgoing.begin(), outgoing.end(),
                                     [&](const Outgoing& o) { return o.requestor == requestor; });
    if (!watched) XSelectInput(d, requestor, NoEventMask);
  }

  void ExpireStalled() {
    for (size_t i = outgoing.size(); i-- > 0;) {
      if (SecondsSince(outgoing[i].last) > kStallSeconds) Finish(i);
    }
  }

  void Drop() {
    owned = false;
    text.clear();
    rgb.clear();
    utf8_bytes = latin1_bytes = png_bytes = bmp_bytes = nullptr;
  }

  void Dispatch(const XEvent& e) {
    if (e.type == SelectionClear && e.xselectionclear.selection == clipboard) {
      Drop();
    } else if (e.type == SelectionRequest) {
      Answer(e.xselectionrequest);
    } else if (e.type == PropertyNotify && e.xproperty.state == PropertyDelete) {
      for (size_t i = 0; i < outgoing.size(); ++i) {
        Outgoing& o = outgoing[i];
        if (o.requestor == e.xproperty.window && o.property == e.xproperty.atom) {
          if (!Advance(o)) Finish(i);
          break;
        }
      }
    }
  }

  // Handles every event until one matches, for at most `seconds`.
  bool WaitFor(const std::function<bool(const XEvent&)>& match, XEvent& event, double seconds) {
    const Clock::time_point start = Clock::now();
    for (;;) {
      while (XPending(d) > 0) {
        XNextEvent(d, &event);
        if (match(event)) return true;
        Dispatch(event);
      }
      ExpireStalled();
      const double left = seconds - SecondsSince(start);
      if (left <= 0) return false;
      pollfd p{ConnectionNumber(d), POLLIN, 0};
      poll(&p, 1, std::clamp(static_cast<int>(left * 1000), 1, 250));
    }
  }

  // The server's time, for taking the selection: a zero-length append reports it.
  Time ServerTime() {
    XChangeProperty(d, w, clock, XA_INTEGER, 8, PropModeAppend, nullptr, 0);
    XEvent e;
    const bool got = WaitFor(
        [&](const XEvent& ev) {
          return ev.type == PropertyNotify && ev.xproperty.window == w &&
                 ev.xproperty.atom == clock;
        },
        e, kStallSeconds);
    return got ? e.xproperty.time : CurrentTime;
  }

  bool Take() {
    utf8_bytes = latin1_bytes = png_bytes = bmp_bytes = nullptr;
    const Time time = ServerTime();
    XSetSelectionOwner(d, clipboard, w, time);
    owned = XGetSelectionOwner(d, clipboard) == w;
    owned_since = time;
    return owned;
  }

  // Reads and deletes our property; `received` counts what earlier chunks brought.
  bool ReadProperty(Property& out, uint64_t received, std::string& error) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, property, 0, 0, False, AnyPropertyType, &type, &format, &items,
                           &after, &data) != Success) {
      error = "the clipboard data could not be read";
      return false;
    }
    if (data) XFree(data);
    if (received + after > kMaxTransferBytes) {
      XDeleteProperty(d, w, property);
      error = "the clipboard data is larger than 64 MiB";
      return false;
    }
    data = nullptr;
    if (XGetWindowProperty(d, w, property, 0, static_cast<long>((after + 3) / 4), True,
                           AnyPropertyType, &type, &format, &items, &after, &data) != Success) {
      error = "the clipboard data could not be read";
      return false;
    }
    const size_t unit = format == 32 ? sizeof(long) : format == 16 ? sizeof(short) : 1;
    out.type = type;
    out.format = format;
    out.bytes.assign(data, data + items * unit);
    if (data) XFree(data);
    return true;
  }

  Converted Convert(Atom target, Property& out, std::string& error) {
    XDeleteProperty(d, w, property);
    XConvertSelection(d, clipboard, target, property, w, CurrentTime);
    XEvent e;
    const bool answered = WaitFor(
        [&](const XEvent& ev) {
          return ev.type == SelectionNotify && ev.xselection.requestor == w &&
                 ev.xselection.selection == clipboard;
        },
        e, kStallSeconds);
    if (!answered) {
      error = "the clipboard's owner did not answer within 2 s";
      return Converted::kFailed;
    }
    if (e.xselection.property == None) return Converted::kRefused;
    if (!ReadProperty(out, 0, error)) return Converted::kFailed;
    if (out.type != incr) return Converted::kData;
    // The INCR property holds a lower bound of the size: no need to wait for what is too big.
    long announced = 0;
    if (out.format == 32 && out.bytes.size() >= sizeof announced) {
      std::memcpy(&announced, out.bytes.data(), sizeof announced);
    }
    if (static_cast<uint64_t>(announced) > kMaxTransferBytes) {
      error = "the clipboard data is larger than 64 MiB";
      return Converted::kFailed;
    }
    // Reading the INCR property deleted it, which asks the owner for the first chunk.
    Property piece;
    std::vector<uint8_t> all;
    for (;;) {
      const bool more = WaitFor(
          [&](const XEvent& ev) {
            return ev.type == PropertyNotify && ev.xproperty.window == w &&
                   ev.xproperty.atom == property && ev.xproperty.state == PropertyNewValue;
          },
          e, kStallSeconds);
      if (!more) {
        XDeleteProperty(d, w, property);
        error = "the clipboard transfer stalled for 2 s";
        return Converted::kFailed;
      }
      if (!ReadProperty(piece, all.size(), error)) return Converted::kFailed;
      if (piece.bytes.empty()) break;
      out.type = piece.type;
      all.insert(all.end(), piece.bytes.begin(), piece.bytes.end());
    }
    out.format = 8;
    out.bytes = std::move(all);
    return Converted::kData;
  }

  // What the owner offers; empty when it does not say.
  std::vector<Atom> Offered() {
    Property p;
    std::string ignored;
    if (Convert(targets, p, ignored) != Converted::kData || p.format != 32) return {};
    std::vector<Atom> atoms(p.bytes.size() / sizeof(long));
    for (size_t i = 0; i < atoms.size(); ++i) {
      long value = 0;
      std::memcpy(&value, p.bytes.data() + i * sizeof(long), sizeof value);
      atoms[i] = static_cast<Atom>(value);
    }
    return atoms;
  }

  // Takes the first of `wanted` that the owner has; false with a reason when none comes.
  bool Fetch(std::initializer_list<Atom> wanted, const char* kind, Property& p, Atom& target,
             std::string& error) {
    if (XGetSelectionOwner(d, clipboard) == None) {
      error = "the clipboard is empty";
      return false;
    }
    const std::vector<Atom> offered = Offered();
    for (const Atom candidate : wanted) {
      if (!offered.empty() &&
          std::find(offered.begin(), offered.end(), candidate) == offered.end()) {
        continue;
      }
      switch (Convert(candidate, p, error)) {
        case Converted::kData:
          target = candidate;
          return true;
        case Converted::kFailed:
          return false;
        case Converted::kRefused:
          break;
      }
    }
    error = std::string("the clipboard holds no ") + kind;
    return false;
  }

  bool OwnsNow() { return owned && XGetSelectionOwner(d, clipboard) == w; }
};

std::unique_ptr<X11Clipboard> X11Clipboard::Open(std::string& error) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    const char* name = std::getenv("DISPLAY");
    error = name && *name ? std::string("cannot open the X display ") + name
                          : "no X display (DISPLAY is not set)";
    return nullptr;
  }
  auto s = std::make_unique<State>();
  s->d = d;
  s->w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(d, s->w, PropertyChangeMask);
  const char* names[] = {"CLIPBOARD", "TARGETS",   "TIMESTAMP",      "UTF8_STRING", "INCR",
                         "image/png", "image/bmp", "ZARV_SELECTION", "ZARV_CLOCK"};
  Atom atoms[std::size(names)];
  XInternAtoms(d, const_cast<char**>(names), static_cast<int>(std::size(names)), False, atoms);
  s->clipboard = atoms[0];
  s->targets = atoms[1];
  s->timestamp = atoms[2];
  s->utf8 = atoms[3];
  s->incr = atoms[4];
  s->png = atoms[5];
  s->bmp = atoms[6];
  s->property = atoms[7];
  s->clock = atoms[8];
  // Room for the request's own header; chunks far below the limit cost nothing measurable.
  s->chunk = std::min<size_t>(static_cast<size_t>(XMaxRequestSize(d)) * 4 - 1024, 256 * 1024);
  return std::unique_ptr<X11Clipboard>(new X11Clipboard(std::move(s)));
}

X11Clipboard::X11Clipboard(std::unique_ptr<State> state) : s_(std::move(state)) {}

X11Clipboard::~X11Clipboard() = default;

bool X11Clipboard::PutText(std::string_view utf8) {
  ErrorTrap trap(s_->d);
  s_->holds_image = false;
  s_->text.assign(utf8);
  s_->rgb.clear();
  return s_->Take();
}

bool X11Clipboard::PutImage(const uint8_t* rgb, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return false;
  ErrorTrap trap(s_->d);
  s_->holds_image = true;
  s_->text.clear();
  s_->rgb.assign(rgb, rgb + static_cast<size_t>(width) * height * 3);
  s_->width = width;
  s_->height = height;
  return s_->Take();
}

bool X11Clipboard::GetText(std::string& utf8, std::string& target, std::string& error) {
  ErrorTrap trap(s_->d);
  if (s_->OwnsNow()) {
    if (s_->holds_image) {
      error = "the clipboard holds no text";
      return false;
    }
    utf8 = s_->text;
    target = "UTF8_STRING";
    return true;
  }
  Property p;
  Atom got = None;
  if (!s_->Fetch({s_->utf8, XA_STRING}, "text", p, got, error)) return false;
  utf8 = got == XA_STRING ? Latin1ToUtf8(p.bytes) : std::string(p.bytes.begin(), p.bytes.end());
  target = got == XA_STRING ? "STRING" : "UTF8_STRING";
  return true;
}

bool X11Clipboard::GetImage(Image& image, std::string& error) {
  ErrorTrap trap(s_->d);
  if (s_->OwnsNow()) {
    if (!s_->holds_image) {
      error = "the clipboard holds no image";
      return false;
    }
    image.rgb = s_->rgb;
    image.width = s_->width;
    image.height = s_->height;
    image.target = "image/png";
    return true;
  }
  Property p;
  Atom got = None;
  if (!s_->Fetch({s_->png, s_->bmp}, "image", p, got, error)) return false;
  image.target = got == s_->png ? "image/png" : "image/bmp";
  return got == s_->png
             ? ClipboardPng::Decode(p.bytes, image.rgb, image.width, image.height, error)
             : ClipboardBmp::Decode(p.bytes, image.rgb, image.width, image.height, error);
}

void X11Clipboard::Service(double wait_seconds) {
  Display* d = s_->d;
  if (XPending(d) == 0) {
    if (s_->outgoing.empty() && wait_seconds <= 0) return;
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    if (wait_seconds > 0) poll(&p, 1, static_cast<int>(wait_seconds * 1000));
  }
  ErrorTrap trap(d);
  while (XPending(d) > 0) {
    XEvent event;
    XNextEvent(d, &event);
    s_->Dispatch(event);
  }
  s_->ExpireStalled();
}

bool X11Clipboard::Owner() const {
  return s_->owned;
}

bool X11Clipboard::Serving() const {
  return !s_->outgoing.empty();
}
