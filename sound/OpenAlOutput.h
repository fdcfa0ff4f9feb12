#pragma once
#include <memory>
#include <string>

#include "sound/AudioOutput.h"

// Playback through OpenAL (OpenAL Soft on Linux) on the default device: one source and one
// buffer holding the whole clip, so nothing has to feed the device while the window runs.
// OpenAL mixes on its own thread; every call here comes from the main thread.
class OpenAlOutput : public AudioOutput {
 public:
  // The default device, or null with why there is none (no sound card, no server).
  static std::unique_ptr<OpenAlOutput> Open(std::string& why);
  ~OpenAlOutput() override;
  OpenAlOutput(const OpenAlOutput&) = delete;
  OpenAlOutput& operator=(const OpenAlOutput&) = delete;

  // Mono or stereo; at most what one OpenAL buffer counts (2 GiB of samples).
  bool Play(std::span<const int16_t> interleaved, uint16_t channels, uint32_t rate_hz,
            std::string& error) override;
  void Stop() override;
  bool IsPlaying() override;

  const std::string& DeviceName() const { return device_name_; }

 private:
  OpenAlOutput() = default;

  // The library's handles, kept opaque so that only the source file sees its headers.
  void* device_ = nullptr;
  void* context_ = nullptr;
  unsigned source_ = 0;
  unsigned buffer_ = 0;
  bool has_source_ = false;
  bool has_buffer_ = false;
  std::string device_name_;
};
