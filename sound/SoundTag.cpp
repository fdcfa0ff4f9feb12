#include "sound/SoundTag.h"

#include <cstdio>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "sound/Ima4.h"

std::string SoundPermutation::FormatDuration(uint64_t frames, uint32_t rate_hz) {
  const uint64_t seconds = rate_hz == 0 ? 0 : frames * Ima4::kBlockSamples / rate_hz;
  char text[48];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu",
                  static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60),
                  static_cast<unsigned long long>(seconds % 60));
  } else {
    std::snprintf(text, sizeof text, "%02llu:%02llu", static_cast<unsigned long long>(seconds / 60),
                  static_cast<unsigned long long>(seconds % 60));
  }
  return text;
}

std::string SoundPermutation::DurationText() const {
  return FormatDuration(Frames(), RateHz());
}

std::string SoundPermutation::ChannelsText() const {
  if (channels == 1) return "1 (mono)";
  if (channels == 2) return "2 (stereo)";
  return std::to_string(channels);
}

namespace {

// True when `count` records of `size` bytes at `offset` lie inside `data_size`; in 64 bits, so
// a large count cannot wrap into a small size.
bool Fits(uint64_t offset, uint64_t count, uint64_t size, uint64_t data_size) {
  return offset <= data_size && count <= (data_size - offset) / size;
}

}  // namespace

bool SoundTag::Read(std::span<const uint8_t> data, SoundTag& out, std::string& error) {
  if (data.size() < kHeaderSize) {
    error = "the data is shorter than the 64-byte sound header";
    return false;
  }
  ByteReader r(data);
  uint32_t descriptors_at = 0, count = 0, names_at = 0;
  if (!r.Seek(20) || !r.ReadU32Be(descriptors_at) || !r.Seek(36) || !r.ReadU32Be(count) ||
      !r.ReadU32Be(names_at)) {
    error = "the sound header could not be read";
    return false;
  }
  if (count != 0 && !Fits(names_at, count, kNameRecordSize, data.size())) {
    error = "the permutation names (" + std::to_string(count) + " at offset " +
            std::to_string(names_at) + ") run past the data";
    return false;
  }
  if (!Fits(descriptors_at, count, kDescriptorSize, data.size())) {
    error = "the permutation descriptors (" + std::to_string(count) + " at offset " +
            std::to_string(descriptors_at) + ") run past the data";
    return false;
  }

  std::vector<SoundPermutation> perms(count);
  for (uint32_t i = 0; i < count; ++i) {
    char name[32];
    if (!r.Seek(names_at + size_t{i} * kNameRecordSize) || !r.Skip(6) ||
        !r.ReadFixedChars(std::span<char>(name, kMaxNameLength + 1))) {
      error = "a permutation name could not be read";
      return false;
    }
    perms[i].name = name;
  }
  // The blocks follow the last descriptor; sum their sizes in 64 bits before reading any.
  const uint64_t blocks_at = uint64_t{descriptors_at} + uint64_t{count} * kDescriptorSize;
  uint64_t block_total = 0;
  for (uint32_t i = 0; i < count; ++i) {
    SoundPermutation& p = perms[i];
    uint32_t skip32 = 0;
    uint16_t skip16 = 0;
    if (!r.Seek(descriptors_at + size_t{i} * kDescriptorSize) || !r.ReadU32Be(p.flags) ||
        !r.ReadU16Be(p.bits) || !r.ReadU16Be(skip16) || !r.ReadU16Be(p.channels) ||
        !r.ReadU16Be(skip16) || !r.ReadU32Be(p.rate) || !r.ReadU32Be(p.blocks) ||
        !r.ReadU32Be(skip32)) {
      error = "a permutation descriptor could not be read";
      return false;
    }
    const std::string which = "permutation " + std::to_string(i) + " (\"" + p.name + "\")";
    if (p.blocks != 0) {
      if ((p.flags & SoundPermutation::kCompressed) == 0) {
        error = which + " is not compressed";
        return false;
      }
      if (p.channels != 1 && p.channels != 2) {
        error = which + " has " + std::to_string(p.channels) + " channels, not 1 or 2";
        return false;
      }
    }
    if (p.bits != 16) {
      error = which + " has " + std::to_string(p.bits) + "-bit samples, not 16";
      return false;
    }
    if (p.channels < 1) {
      error = which + " has no channels";
      return false;
    }
    block_total += p.blocks;
  }
  if (!Fits(blocks_at, block_total, Ima4::kBlockBytes, data.size())) {
    error = "the sample blocks (" + std::to_string(block_total) + " of 34 bytes at offset " +
            std::to_string(blocks_at) + ") run past the data";
    return false;
  }

  size_t at = static_cast<size_t>(blocks_at);
  for (SoundPermutation& p : perms) {
    const size_t bytes = size_t{p.blocks} * Ima4::kBlockBytes;
    const std::span<const uint8_t> blocks = data.subspan(at, bytes);
    p.compressed.assign(blocks.begin(), blocks.end());
    p.samples = Ima4::Decode(blocks, p.blocks, p.channels);
    at += bytes;
  }
  out.permutations = std::move(perms);
  return true;
}

std::vector<uint8_t> SoundTag::Write() const {
  const uint32_t count = static_cast<uint32_t>(permutations.size());
  const uint32_t names_at = kHeaderSize;
  const uint32_t descriptors_at = names_at + count * uint32_t{kNameRecordSize};
  ByteWriter w;
  w.WriteZeros(20);
  w.WriteU32Be(descriptors_at);
  w.WriteZeros(12);
  w.WriteU32Be(count);
  w.WriteU32Be(names_at);
  w.WriteZeros(kHeaderSize - w.size());
  for (const SoundPermutation& p : permutations) {
    w.WriteZeros(6);
    w.WriteFixedChars(p.name, kMaxNameLength + 1);
  }
  for (const SoundPermutation& p : permutations) {
    w.WriteU32Be(p.flags);
    w.WriteU16Be(p.bits);
    w.WriteU16Be(0);
    w.WriteU16Be(p.channels);
    w.WriteU16Be(0);
    w.WriteU32Be(p.rate);
    w.WriteU32Be(p.blocks);
    w.WriteZeros(12);
  }
  for (const SoundPermutation& p : permutations) w.WriteBytes(p.compressed);
  return w.Take();
}

SoundPermutation SoundTag::Encode(std::string name, uint16_t channels, uint16_t rate_hz,
                                  std::span<const int16_t> interleaved) {
  SoundPermutation p;
  p.name = std::move(name);
  p.channels = channels;
  p.rate = uint32_t{rate_hz} << 16;
  p.compressed = Ima4::Encode(interleaved, channels);
  p.blocks = static_cast<uint32_t>(p.compressed.size() / Ima4::kBlockBytes);
  p.samples = Ima4::Decode(p.compressed, p.blocks, channels);
  return p;
}
