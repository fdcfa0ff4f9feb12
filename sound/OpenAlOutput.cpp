#include "sound/OpenAlOutput.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <climits>

namespace {

ALCdevice* Device(void* p) {
  return static_cast<ALCdevice*>(p);
}
ALCcontext* Context(void* p) {
  return static_cast<ALCcontext*>(p);
}

std::string AlError(const char* what, ALenum code) {
  const ALchar* text = alGetString(code);
  return std::string(what) + " failed (" + (text ? text : "OpenAL error " + std::to_string(code)) +
         ")";
}

}  // namespace

std::unique_ptr<OpenAlOutput> OpenAlOutput::Open(std::string& why) {
  std::unique_ptr<OpenAlOutput> out(new OpenAlOutput());
  ALCdevice* device = alcOpenDevice(nullptr);
  if (!device) {
    why = "no sound device could be opened";
    return nullptr;
  }
  out->device_ = device;
  if (const ALCchar* name = alcGetString(device, ALC_DEVICE_SPECIFIER)) out->device_name_ = name;
  ALCcontext* context = alcCreateContext(device, nullptr);
  if (!context) {
    why = "the sound device '" + out->device_name_ + "' gave no playback context";
    return nullptr;
  }
  out->context_ = context;
  if (!alcMakeContextCurrent(context)) {
    why = "the sound device's playback context could not be used";
    return nullptr;
  }
  alGetError();
  alGenSources(1, &out->source_);
  if (ALenum e = alGetError(); e != AL_NO_ERROR) {
    why = AlError("making a sound source", e);
    return nullptr;
  }
  out->has_source_ = true;
  alGenBuffers(1, &out->buffer_);
  if (ALenum e = alGetError(); e != AL_NO_ERROR) {
    why = AlError("making a sound buffer", e);
    return nullptr;
  }
  out->has_buffer_ = true;
  return out;
}

OpenAlOutput::~OpenAlOutput() {
  if (context_) alcMakeContextCurrent(Context(context_));
  if (has_source_) {
    alSourceStop(source_);
    alSourcei(source_, AL_BUFFER, 0);
    alDeleteSources(1, &source_);
  }
  if (has_buffer_) alDeleteBuffers(1, &buffer_);
  if (context_) {
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(Context(context_));
  }
  if (device_) alcCloseDevice(Device(device_));
}

bool OpenAlOutput::Play(std::span<const int16_t> interleaved, uint16_t channels, uint32_t rate_hz,
                        std::string& error) {
  Stop();
  if (channels != 1 && channels != 2) {
    error =
        "only mono and stereo sounds can be played, not " + std::to_string(channels) + " channels";
    return false;
  }
  if (rate_hz < 1 || rate_hz > INT_MAX) {
    error = "a sample rate of " + std::to_string(rate_hz) + " Hz cannot be played";
    return false;
  }
  const size_t frames = interleaved.size() / channels;
  if (frames == 0) {
    error = "there are no samples to play";
    return false;
  }
  if (frames * channels > static_cast<size_t>(INT_MAX) / sizeof(int16_t)) {
    error = "the sound is too long to play at once";
    return false;
  }
  alcMakeContextCurrent(Context(context_));
  alGetError();
  // The buffer is detached by Stop, so it can take the new samples.
  alBufferData(buffer_, channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16, interleaved.data(),
               static_cast<ALsizei>(frames * channels * sizeof(int16_t)),
               static_cast<ALsizei>(rate_hz));
  if (ALenum e = alGetError(); e != AL_NO_ERROR) {
    error = AlError("loading the samples", e);
    return false;
  }
  alSourcei(source_, AL_BUFFER, static_cast<ALint>(buffer_));
  alSourcePlay(source_);
  if (ALenum e = alGetError(); e != AL_NO_ERROR) {
    alSourcei(source_, AL_BUFFER, 0);
    error = AlError("starting playback", e);
    return false;
  }
  return true;
}

void OpenAlOutput::Stop() {
  alcMakeContextCurrent(Context(context_));
  alSourceStop(source_);
  alSourcei(source_, AL_BUFFER, 0);
}

bool OpenAlOutput::IsPlaying() {
  alcMakeContextCurrent(Context(context_));
  ALint state = AL_STOPPED;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  return state == AL_PLAYING;
}
