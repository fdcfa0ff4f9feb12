#pragma once
#include <cstdint>
#include <span>
#include <string>

// A sound device that plays one clip of 16-bit samples at a time while the program goes on:
// Play returns at once and the device works through the clip on its own. The sound editor
// talks only to this, so its window logic runs without a device.
class AudioOutput {
 public:
  virtual ~AudioOutput() = default;

  // Starts `interleaved` (copied) at `rate_hz`, in place of whatever was playing. Failure: false
  // with a one-line reason, and nothing playing.
  [[nodiscard]] virtual bool Play(std::span<const int16_t> interleaved, uint16_t channels,
                                  uint32_t rate_hz, std::string& error) = 0;
  // Silences the device at once; nothing playing is not an error.
  virtual void Stop() = 0;
  // Whether the clip last played is still sounding.
  virtual bool IsPlaying() = 0;
};
