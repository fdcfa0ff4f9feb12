#include "sound/WavFile.h"

#include <cstdio>
#include <memory>
#include <set>

#include "base/ByteWriter.h"
#include "base/SafeFile.h"
#include "sound/SoundTag.h"
#include "tags/TagName.h"

std::vector<uint8_t> WavFile::Header(uint16_t bits, uint32_t rate_hz, uint16_t channels,
                                     uint32_t data_size) {
  const uint16_t block_align = static_cast<uint16_t>(bits / 8 * channels);
  ByteWriter w;
  w.WriteBytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("RIFF"), 4));
  w.WriteU32Le(data_size + 36);
  w.WriteBytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("WAVEfmt "), 8));
  w.WriteU32Le(16);
  w.WriteU16Le(1);  // PCM
  w.WriteU16Le(channels);
  w.WriteU32Le(rate_hz);
  w.WriteU32Le(rate_hz * block_align);
  w.WriteU16Le(block_align);
  w.WriteU16Le(bits);
  w.WriteBytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("data"), 4));
  w.WriteU32Le(data_size);
  return w.Take();
}

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool WavFile::Write(const std::filesystem::path& path, uint32_t rate_hz, uint16_t channels,
                    std::span<const int16_t> samples, std::string& error) {
  if (samples.empty()) {
    error = "there are no samples";
    return false;
  }
  if (channels == 0) {
    error = "the sound has no channels";
    return false;
  }
  if (rate_hz < 1) {
    error = "the sample rate is under 1 Hz";
    return false;
  }
  const uint64_t data_size = uint64_t{samples.size()} * 2;
  if (data_size > kMaxDataSize) {
    error =
        "the samples (" + std::to_string(data_size) + " bytes) are more than a WAV file can hold";
    return false;
  }
  const std::vector<uint8_t> header =
      Header(16, rate_hz, channels, static_cast<uint32_t>(data_size));
  return SafeFile::Replace(
      path,
      [&](const std::string& temp, std::string& err) {
        std::unique_ptr<std::FILE, FileCloser> file(std::fopen(temp.c_str(), "wb"));
        if (!file) {
          err = temp + ": the file could not be created";
          return false;
        }
        bool ok = std::fwrite(header.data(), 1, header.size(), file.get()) == header.size();
        // Little-endian whatever the host, a chunk at a time.
        uint8_t chunk[8192];
        for (size_t i = 0; ok && i < samples.size();) {
          size_t n = 0;
          for (; n < sizeof chunk / 2 && i < samples.size(); ++n, ++i) {
            const uint16_t v = static_cast<uint16_t>(samples[i]);
            chunk[2 * n] = static_cast<uint8_t>(v);
            chunk[2 * n + 1] = static_cast<uint8_t>(v >> 8);
          }
          ok = std::fwrite(chunk, 1, 2 * n, file.get()) == 2 * n;
        }
        ok = ok && std::fflush(file.get()) == 0;
        if (std::fclose(file.release()) != 0) ok = false;
        if (!ok) err = path.string() + ": the file could not be written";
        return ok;
      },
      error);
}

bool WavFile::Write(const std::filesystem::path& path, const SoundPermutation& p,
                    std::string& error) {
  if (p.samples.empty()) {
    error = "the permutation has no samples";
    return false;
  }
  if (p.bits != 16) {
    error = "the permutation's samples are not 16-bit";
    return false;
  }
  return Write(path, p.RateHz(), p.channels, p.samples, error);
}

std::vector<std::string> WavFile::ExportNames(std::span<const std::string> names) {
  std::vector<std::string> out;
  std::set<std::string> taken;
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& raw = names[i];
    const std::string base =
        raw.empty() ? "Permutation " + std::to_string(i) : tagname::Sanitise(raw);
    std::string name = base;
    for (int n = 2; taken.count(name); ++n)
      name = tagname::WithSuffix(base, " " + std::to_string(n));
    taken.insert(name);
    out.push_back(name + ".wav");
  }
  return out;
}
