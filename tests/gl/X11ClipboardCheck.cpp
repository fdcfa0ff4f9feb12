// The clipboard against peers that misbehave, on a real X server: an owner that announces a
// chunked transfer and never sends it, one that announces too much, a requestor that stops
// reading or vanishes. Each must cost the transfer, never a frozen or ended program.

#include <gtest/gtest.h>

#include <chrono>

#include "gl/X11Clipboard.h"
#include "tests/gl/ClipboardPeer.h"
#include "tests/gl/XPeer.h"

namespace {

using Clock = std::chrono::steady_clock;

std::unique_ptr<X11Clipboard> Open() {
  std::string error;
  std::unique_ptr<X11Clipboard> clipboard = X11Clipboard::Open(error);
  EXPECT_TRUE(clipboard) << error;
  return clipboard;
}

TEST(X11Clipboard, AnOwnerThatStallsIsAbandoned) {
  ClipboardPeer owner("image/png", "", 1000);
  ASSERT_TRUE(owner.ok());
  auto clipboard = Open();
  ASSERT_TRUE(clipboard);
  X11Clipboard::Image image;
  std::string error;
  EXPECT_FALSE(clipboard->GetImage(image, error));
  EXPECT_NE(error.find("stalled"), std::string::npos) << error;
}

TEST(X11Clipboard, MoreThan64MiBIsNotWaitedFor) {
  ClipboardPeer owner("image/png", "", 100L << 20);
  ASSERT_TRUE(owner.ok());
  auto clipboard = Open();
  ASSERT_TRUE(clipboard);
  X11Clipboard::Image image;
  std::string error;
  EXPECT_FALSE(clipboard->GetImage(image, error));
  EXPECT_NE(error.find("64 MiB"), std::string::npos) << error;
}

// A requestor asks for a 3 MB bitmap, which goes in chunks, and then stops reading; with
// `vanish` it takes the first chunk and closes its connection, so our next requests about its
// window fail.
void ServeAbandonedTransfer(bool vanish) {
  auto clipboard = Open();
  ASSERT_TRUE(clipboard);
  const std::vector<uint8_t> rgb(1000 * 1000 * 3, 0x80);
  ASSERT_TRUE(clipboard->PutImage(rgb.data(), 1000, 1000));
  auto requestor = std::make_unique<XPeer>();
  ASSERT_NE(requestor->d, nullptr);
  const Atom data = requestor->Intern("DATA");
  XConvertSelection(requestor->d, requestor->Intern("CLIPBOARD"), requestor->Intern("image/bmp"),
                    data, requestor->w, CurrentTime);
  XFlush(requestor->d);
  // Only keeps a broken build from hanging; nothing is timed against it.
  const auto give_up = Clock::now() + std::chrono::seconds(20);
  bool started = false;
  while (Clock::now() < give_up) {
    clipboard->Service(0.05);
    if (!started && clipboard->Serving()) {
      started = true;
      if (vanish) {
        XDeleteProperty(requestor->d, requestor->w, data);  // asks for the first chunk
        XSync(requestor->d, False);
        requestor.reset();
      }
    }
    if (started && !clipboard->Serving()) break;
  }
  EXPECT_TRUE(started) << "3 MB went in one piece";
  EXPECT_FALSE(clipboard->Serving());
  EXPECT_TRUE(clipboard->Owner());
}

TEST(X11Clipboard, ARequestorThatStopsReadingIsDropped) {
  ServeAbandonedTransfer(false);
}

TEST(X11Clipboard, ARequestorThatVanishesCostsOnlyItsTransfer) {
  ServeAbandonedTransfer(true);
}

}  // namespace
