#include "tests/gl/ClipboardPeer.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/gl/XPeer.h"

namespace {
// The owner answers on a thread of its own while the checks use Xlib on theirs: without this,
// before any other Xlib call, Xlib's shared state has no locks.
[[maybe_unused]] const Status kThreadsReady = XInitThreads();
}  // namespace

struct ClipboardPeer::Owner {
  XPeer peer;
  Atom target = None;
  std::string data;
  long announced = 0;
  std::atomic<bool> stop{false};
  std::thread thread;

  void Run() {
    const Atom targets = peer.Intern("TARGETS"), incr = peer.Intern("INCR");
    while (!stop) {
      pollfd p{ConnectionNumber(peer.d), POLLIN, 0};
      poll(&p, 1, 50);
      while (XPending(peer.d) > 0) {
        XEvent e;
        XNextEvent(peer.d, &e);
        if (e.type != SelectionRequest) continue;
        const XSelectionRequestEvent& r = e.xselectionrequest;
        XSelectionEvent reply{SelectionNotify, 0,        True,       peer.d, r.requestor,
                              r.selection,     r.target, r.property, r.time};
        const auto bytes = reinterpret_cast<const unsigned char*>(data.data());
        if (r.target == targets) {
          XChangeProperty(peer.d, r.requestor, r.property, XA_ATOM, 32, PropModeReplace,
                          reinterpret_cast<const unsigned char*>(&target), 1);
        } else if (announced != 0) {
          XChangeProperty(peer.d, r.requestor, r.property, incr, 32, PropModeReplace,
                          reinterpret_cast<const unsigned char*>(&announced), 1);
        } else {
          XChangeProperty(peer.d, r.requestor, r.property, target, 8, PropModeReplace, bytes,
                          static_cast<int>(data.size()));
        }
        XSendEvent(peer.d, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
        XFlush(peer.d);
      }
    }
  }
};

ClipboardPeer::ClipboardPeer(const char* target, std::string data, long announced)
    : owner_(std::make_unique<Owner>()) {
  Owner& o = *owner_;
  if (!o.peer.d) return;
  o.target = o.peer.Intern(target);
  o.data = std::move(data);
  o.announced = announced;
  XSetSelectionOwner(o.peer.d, o.peer.Intern("CLIPBOARD"), o.peer.w, CurrentTime);
  XSync(o.peer.d, False);
  o.thread = std::thread([&o] { o.Run(); });
}

ClipboardPeer::~ClipboardPeer() {
  owner_->stop = true;
  if (owner_->thread.joinable()) owner_->thread.join();
}

bool ClipboardPeer::ok() const {
  return owner_->peer.d != nullptr;
}

std::string ClipboardPeer::Request(const char* target, const std::function<void()>& serve) {
  XPeer peer;
  if (!peer.d) return "(no display)";
  const Atom data = peer.Intern("DATA");
  XConvertSelection(peer.d, peer.Intern("CLIPBOARD"), peer.Intern(target), data, peer.w,
                    CurrentTime);
  XFlush(peer.d);
  // Only keeps a broken build from hanging; nothing is timed against it.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  XEvent e;
  while (!XCheckTypedWindowEvent(peer.d, peer.w, SelectionNotify, &e)) {
    if (std::chrono::steady_clock::now() > give_up) return "(no answer)";
    serve();
  }
  if (e.xselection.property == None) return "(refused)";
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* bytes = nullptr;
  XGetWindowProperty(peer.d, peer.w, data, 0, 1 << 20, True, AnyPropertyType, &type, &format,
                     &items, &after, &bytes);
  std::string value(reinterpret_cast<char*>(bytes), items);
  XFree(bytes);
  return value;
}
