#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The X11 CLIPBOARD selection, on a display connection of its own: GLFW's connection keeps the
// selection events for its own text clipboard, so ours would never see a request there.
//
// As owner it offers TARGETS and TIMESTAMP, text as UTF8_STRING and STRING (Latin-1, '?' for
// what Latin-1 lacks), images as image/png and image/bmp. Large data goes in INCR chunks both
// ways. Nothing is answered unless Service runs, so the owner must call it often. A transfer is
// abandoned when it exceeds kMaxTransferBytes or the other side stalls for kStallSeconds, so a
// dead or hostile peer cannot freeze the program.
class X11Clipboard {
 public:
  static constexpr uint64_t kMaxTransferBytes = uint64_t{64} << 20;
  static constexpr double kStallSeconds = 2.0;

  struct Image {
    std::vector<uint8_t> rgb;  // rows top-down, no padding
    int32_t width = 0;
    int32_t height = 0;
    std::string target;  // the form it came in, "image/png" or "image/bmp"
  };

  // Null with a reason when no X display can be opened.
  static std::unique_ptr<X11Clipboard> Open(std::string& error);
  ~X11Clipboard();
  X11Clipboard(const X11Clipboard&) = delete;
  X11Clipboard& operator=(const X11Clipboard&) = delete;

  // Take the clipboard; false when the X server gave it to someone else.
  bool PutText(std::string_view utf8);
  bool PutImage(const uint8_t* rgb, int32_t width, int32_t height);

  // UTF-8 text, taken as UTF8_STRING when offered, else as STRING. `target` names the form.
  bool GetText(std::string& utf8, std::string& target, std::string& error);
  // image/png when offered, else image/bmp. Translucent images are refused.
  bool GetImage(Image& image, std::string& error);

  // Answers what other programs ask for. Waits up to `wait_seconds` for the first event.
  void Service(double wait_seconds = 0);
  // Still the clipboard's owner (another program's put ends that).
  bool Owner() const;
  // Chunked transfers to other programs still going; they may outlive the ownership.
  bool Serving() const;

 private:
  struct State;
  explicit X11Clipboard(std::unique_ptr<State> state);
  std::unique_ptr<State> s_;
};
