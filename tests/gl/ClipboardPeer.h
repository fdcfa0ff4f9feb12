#pragma once
#include <functional>
#include <memory>
#include <string>

// A second X11 client in plain Xlib, so that the checks share nothing with the clipboard code
// they check. Kept apart from the checks that include the program's headers, because Xlib's
// names (Cursor, None) clash with the program's and with gtest's.
class ClipboardPeer {
 public:
  // Owns the clipboard on a thread of its own. TARGETS lists `target`; a request for it gets
  // `data`, or, when `announced` is not 0, an INCR property holding it and nothing after.
  ClipboardPeer(const char* target, std::string data, long announced = 0);
  ~ClipboardPeer();
  // False when the peer could not reach the X server.
  bool ok() const;

  // Asks the clipboard's owner for `target`, pumping `serve` until the answer is there; the
  // data, or "(refused)", "(no answer)" or "(no display)".
  static std::string Request(const char* target, const std::function<void()>& serve);

 private:
  struct Owner;
  std::unique_ptr<Owner> owner_;
};
