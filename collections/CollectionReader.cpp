#include "collections/CollectionReader.h"

#include <array>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "base/ByteReader.h"
#include "base/MessageLog.h"
#include "collections/BitmapCodec.h"
#include "collections/Collection.h"
#include "collections/CollectionLayout.h"
#include "tags/TagHeader.h"

namespace cl = collection_layout;

namespace {

constexpr const char* kLog = "Collection";
// Far beyond any collection of the game (hundreds of sprites of a few hundred pixels a side).
constexpr uint64_t kMaxDecodedBytes = uint64_t{512} << 20;
constexpr const char* kArrayNames[cl::kArrayCount] = {
    "colour table",       "hue change",   "bitmap directory", "frame view",
    "sequence directory", "frame record", "reserved array 6", "reserved array 7"};

struct ArrayRef {
  uint32_t count = 0;
  uint32_t offset = 0;
  uint32_t size = 0;
};

struct DirectoryEntry {
  std::array<char, cl::kNameSize> name{};
  uint32_t offset = 0;
  uint32_t size = 0;
  uint16_t width = 0;
  uint16_t height = 0;
};

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

class Reader {
 public:
  Reader(std::span<const uint8_t> data, const TagHeader& tag, bool full, Collection& out)
      : data_(data), in_(data), tag_(tag), full_(full), out_(out) {}

  bool Run(std::string& error);

 private:
  bool Fail(std::string text) {
    error_ = std::move(text);
    return false;
  }
  // The bytes [base + offset, base + offset + size) of the data, when they lie inside it.
  bool Range(uint64_t offset, uint64_t size, std::span<const uint8_t>& out) const {
    const uint64_t start = uint64_t{data_base_} + offset;
    if (start > data_.size() || size > data_.size() - start) return false;
    out = data_.subspan(static_cast<size_t>(start), static_cast<size_t>(size));
    return true;
  }

  bool ReadHeader();
  bool CheckArrays();
  bool ReadPalette();
  bool ReadHueChanges();
  bool ReadFrameViews();
  bool ReadFrameRecords();
  bool ReadDirectory(size_t array, std::vector<DirectoryEntry>& entries);
  bool ReadBitmaps();
  bool ReadSequences();
  bool ReadSequence(const DirectoryEntry& entry, Sequence& sequence);
  CollectionBitmap* Resolve(uint16_t index, const char* what, const std::string& sequence);

  std::span<const uint8_t> data_;
  ByteReader in_;
  const TagHeader& tag_;
  bool full_;
  Collection& out_;
  std::string error_;

  uint32_t usage_word_ = 0;
  uint32_t data_base_ = 0;
  ArrayRef arrays_[cl::kArrayCount];
  std::vector<FrameView> views_;
  std::vector<FrameRecord> records_;
  std::vector<DirectoryEntry> bitmap_entries_;
  std::vector<DirectoryEntry> sequence_entries_;
};

bool Reader::ReadHeader() {
  if (data_.size() < cl::kHeaderSize) {
    return Fail(Format("collection data of %zu bytes is shorter than its %zu-byte header",
                       data_.size(), cl::kHeaderSize));
  }
  (void)(in_.ReadU32Be(out_.header_word) && in_.ReadU32Be(usage_word_) &&
         in_.Seek(cl::kArrayRefsOffset));
  for (ArrayRef& ref : arrays_) {
    uint32_t reserved = 0;
    (void)(in_.ReadU32Be(ref.count) && in_.ReadU32Be(ref.offset) && in_.ReadU32Be(ref.size) &&
           in_.ReadU32Be(reserved));
  }
  (void)(in_.Seek(cl::kDataBaseOffset) && in_.ReadU32Be(data_base_));
  // A legacy tag header has lost its user data word; the collection header still has it.
  out_.usage = tag_.IsLegacy() ? usage_word_ : tag_.user_data;
  return true;
}

bool Reader::CheckArrays() {
  if (arrays_[cl::kColorTables].count == 0) return Fail("collection has no colour table");
  out_.color_tables_read = arrays_[cl::kColorTables].count;
  for (size_t i = cl::kColorTables; i <= cl::kFrameRecords; ++i) {
    const ArrayRef& ref = arrays_[i];
    const uint64_t expected = uint64_t{ref.count} * cl::kRecordSizes[i];
    if (expected != ref.size) {
      return Fail(Format("%s array holds %" PRIu32 " records of %zu bytes but states %" PRIu32
                         " bytes",
                         kArrayNames[i], ref.count, cl::kRecordSizes[i], ref.size));
    }
    std::span<const uint8_t> bytes;
    if (ref.count != 0 && !Range(ref.offset, ref.size, bytes)) {
      return Fail(Format("%s array at offset %" PRIu32 " (+%" PRIu32 " base), %" PRIu32
                         " bytes, lies outside the %zu bytes of data",
                         kArrayNames[i], ref.offset, data_base_, ref.size, data_.size()));
    }
  }
  return true;
}

bool Reader::ReadPalette() {
  std::span<const uint8_t> table;
  if (!Range(arrays_[cl::kColorTables].offset, cl::kColorTableSize, table)) return false;
  ByteReader in(table);
  if (!in.Skip(32)) return false;
  for (size_t i = 0; i < 256; ++i) {
    uint16_t components[4] = {};
    for (uint16_t& c : components) (void)in.ReadU16Be(c);
    for (size_t c = 0; c < 3; ++c)
      out_.palette[i * 3 + c] = static_cast<uint8_t>(components[c] >> 8);
  }
  return !in.failed();
}

bool Reader::ReadHueChanges() {
  const ArrayRef& ref = arrays_[cl::kHueChanges];
  std::span<const uint8_t> bytes;
  if (ref.count == 0) return true;
  if (!Range(ref.offset, ref.size, bytes)) return false;
  ByteReader in(bytes);
  for (uint32_t i = 0; i < ref.count; ++i) {
    auto hue_change = std::make_unique<HueChange>();
    if (!hue_change->Read(in)) return false;
    out_.hue_changes.push_back(std::move(hue_change));
  }
  return true;
}

bool Reader::ReadFrameViews() {
  const ArrayRef& ref = arrays_[cl::kFrameViews];
  std::span<const uint8_t> bytes;
  if (ref.count == 0) return true;
  if (!Range(ref.offset, ref.size, bytes)) return false;
  ByteReader in(bytes);
  views_.resize(ref.count);
  for (FrameView& v : views_) {
    (void)(in.ReadU32Be(v.flags) && in.Skip(8) && in.ReadU16Be(v.registration_x) &&
           in.ReadU16Be(v.registration_y) && in.Skip(8) && in.ReadU16Be(v.key_x) &&
           in.ReadU16Be(v.key_y) && in.ReadU16Be(v.bitmap_index) &&
           in.ReadU16Be(v.alternate_index) && in.ReadU32Be(v.alternate_size_factor) &&
           in.ReadU16Be(v.alternate_registration_x) && in.ReadU16Be(v.alternate_registration_y) &&
           in.Skip(24));
    v.load_bitmap_index = v.bitmap_index;
    v.load_registration_x = v.registration_x;
    v.load_registration_y = v.registration_y;
    if (!(v.flags & cl::kViewHasAlternate)) {
      v.alternate_index = 0;
      v.alternate_size_factor = 0;
      v.alternate_registration_x = 0;
      v.alternate_registration_y = 0;
    }
  }
  return !in.failed();
}

bool Reader::ReadFrameRecords() {
  const ArrayRef& ref = arrays_[cl::kFrameRecords];
  std::span<const uint8_t> bytes;
  if (ref.count == 0) return true;
  if (!Range(ref.offset, ref.size, bytes)) return false;
  ByteReader in(bytes);
  records_.resize(ref.count);
  for (FrameRecord& r : records_) {
    (void)(in.ReadU32Be(r.flags) && in.ReadI32Be(r.shadow_offset_x) &&
           in.ReadI32Be(r.shadow_offset_y) && in.ReadU16Be(r.shadow_index) && in.Skip(18));
  }
  return !in.failed();
}

bool Reader::ReadDirectory(size_t array, std::vector<DirectoryEntry>& entries) {
  const ArrayRef& ref = arrays_[array];
  std::span<const uint8_t> bytes;
  if (ref.count == 0) return true;
  if (!Range(ref.offset, ref.size, bytes)) return false;
  ByteReader in(bytes);
  entries.resize(ref.count);
  for (size_t i = 0; i < entries.size(); ++i) {
    DirectoryEntry& e = entries[i];
    (void)(in.ReadFixedChars(e.name) && in.ReadU32Be(e.offset) && in.ReadU32Be(e.size));
    if (array == cl::kBitmapDirectory) {
      (void)(in.Skip(4) && in.ReadU16Be(e.width) && in.ReadU16Be(e.height) && in.Skip(48));
    } else {
      (void)in.Skip(56);
    }
    std::span<const uint8_t> block;
    if (!Range(e.offset, e.size, block)) {
      return Fail(Format("%s entry %zu points at %" PRIu32 " bytes at offset %" PRIu32
                         ", outside the %zu bytes of data",
                         kArrayNames[array], i, e.size, e.offset, data_.size()));
    }
  }
  return !in.failed() || Fail(std::string(kArrayNames[array]) + " cut short");
}

bool Reader::ReadBitmaps() {
  const uint8_t light = static_cast<uint8_t>(out_.NearestColor(1, 255, 255, 255, 255));
  const uint8_t dark = static_cast<uint8_t>(out_.NearestColor(1, 255, 0, 0, 0));
  const bool color_map = ((tag_.user_data | out_.usage) & cl::kUsageColorMap) != 0;
  uint64_t decoded = 0;
  for (size_t i = 0; i < bitmap_entries_.size(); ++i) {
    const DirectoryEntry& entry = bitmap_entries_[i];
    auto bitmap = std::make_unique<CollectionBitmap>();
    std::span<const uint8_t> block;
    (void)Range(entry.offset, entry.size, block);  // checked with the directory
    std::string why;
    if (!BitmapCodec::Decode(block, out_.palette, *bitmap, why)) {
      const std::string name(entry.name.data());
      LogMessage(1, kLog,
                 "bitmap %zu '%s' cannot be decoded (%s); a placeholder stands in for it and "
                 "its data is kept unchanged\n",
                 i, name.c_str(), why.c_str());
      *bitmap = CollectionBitmap();
      BitmapCodec::MakePlaceholder(light, dark, *bitmap);
      bitmap->placeholder = true;
      bitmap->kept_block.assign(block.begin(), block.end());
      bitmap->kept_width = entry.width;
      bitmap->kept_height = entry.height;
    }
    // Directory entries may share one small block that decodes to many pixels, so the sum is
    // capped as well as each bitmap.
    decoded += bitmap->pixels.size();
    if (decoded > kMaxDecodedBytes) {
      return Fail(Format("bitmaps decode to more than %" PRIu64 " MB", kMaxDecodedBytes >> 20));
    }
    bitmap->SetName(entry.name.data(), cl::kBitmapNameMax);
    if (color_map) {
      // Colour maps pair each colour bitmap with the shadow that follows it.
      if (i & 1) {
        bitmap->flags |= cl::kBitmapShadow;
      } else {
        bitmap->flags &= static_cast<uint16_t>(~cl::kBitmapShadow);
      }
    }
    out_.bitmaps.push_back(std::move(bitmap));
  }
  return true;
}

CollectionBitmap* Reader::Resolve(uint16_t index, const char* what, const std::string& sequence) {
  if (index == cl::kNoIndex) return nullptr;
  if (index < out_.bitmaps.size()) return out_.bitmaps[index].get();
  if (full_) {
    LogMessage(1, kLog, "sequence '%s': %s refers to bitmap %u of %zu; it is left without one\n",
               sequence.c_str(), what, index, out_.bitmaps.size());
  }
  return nullptr;
}

bool Reader::ReadSequence(const DirectoryEntry& entry, Sequence& s) {
  const std::string name(entry.name.data());
  s.SetName(name);
  std::span<const uint8_t> block;
  (void)Range(entry.offset, entry.size, block);  // checked with the directory
  ByteReader in(block);
  uint16_t frame_count = 0;
  (void)(in.ReadU32Be(s.flags) && in.ReadU32Be(s.carried_fixed_4) && in.ReadU16Be(s.view_count) &&
         in.ReadU16Be(frame_count) && in.ReadU16Be(s.ticks_per_frame) &&
         in.ReadU16Be(s.key_frame) && in.ReadU16Be(s.loop_frame) && in.ReadU16Be(s.carried_18[0]) &&
         in.ReadU16Be(s.carried_18[1]) && in.ReadU16Be(s.carried_18[2]) &&
         in.ReadU32Be(s.first_sound) && in.ReadU32Be(s.key_sound) && in.ReadU32Be(s.last_sound) &&
         in.ReadU16Be(s.transfer_mode) && in.ReadU16Be(s.transfer_period) &&
         in.ReadU32Be(s.registration_x_fixed) && in.ReadU32Be(s.carried_fixed_44) &&
         in.ReadU32Be(s.registration_y_fixed) && in.ReadU16Be(s.carried_52[0]) &&
         in.ReadU16Be(s.carried_52[1]) && in.ReadU16Be(s.carried_52[2]) && in.Skip(6));
  if (in.failed()) {
    return Fail(Format("sequence '%s': block of %" PRIu32 " bytes is shorter than its header",
                       name.c_str(), entry.size));
  }
  if (s.view_count == 0 || frame_count == 0) {
    return Fail(Format("sequence '%s' has %u views and %u frames; it needs at least one of each",
                       name.c_str(), s.view_count, frame_count));
  }
  const uint64_t needed =
      cl::kSequenceHeaderSize + uint64_t{frame_count} * (cl::kFrameEntrySize + 2u * s.view_count);
  if (needed > entry.size) {
    return Fail(Format("sequence '%s': %u frames of %u views need %" PRIu64
                       " bytes but its block holds %" PRIu32,
                       name.c_str(), frame_count, s.view_count, needed, entry.size));
  }
  s.frames.resize(frame_count);
  for (size_t f = 0; f < frame_count; ++f) {
    SequenceFrame& frame = s.frames[f];
    uint16_t record_index = 0;
    (void)(in.ReadU16Be(record_index) && in.ReadU16Be(frame.carried[0]) &&
           in.ReadU16Be(frame.carried[1]) && in.ReadU16Be(frame.carried[2]) && in.Skip(38));
    if (record_index != cl::kNoIndex) {
      if (record_index >= records_.size()) {
        return Fail(Format("sequence '%s' frame %zu refers to frame record %u of %zu", name.c_str(),
                           f, record_index, records_.size()));
      }
      frame.record = records_[record_index];
      frame.record.shadow = Resolve(frame.record.shadow_index, "a shadow", name);
    }
    frame.views.resize(s.view_count);
    for (size_t v = 0; v < s.view_count; ++v) {
      uint16_t view_index = 0;
      (void)in.ReadU16Be(view_index);
      FrameView& view = frame.views[v];
      if (view_index == cl::kNoIndex) continue;
      if (view_index >= views_.size()) {
        return Fail(Format("sequence '%s' frame %zu view %zu refers to frame view %u of %zu",
                           name.c_str(), f, v, view_index, views_.size()));
      }
      view = views_[view_index];
      view.bitmap = Resolve(view.bitmap_index, "a view", name);
    }
  }
  return !in.failed() || Fail("sequence '" + name + "' block cut short");
}

bool Reader::ReadSequences() {
  for (const DirectoryEntry& entry : sequence_entries_) {
    auto sequence = std::make_unique<Sequence>();
    if (!ReadSequence(entry, *sequence)) return false;
    out_.sequences.push_back(std::move(sequence));
  }
  return true;
}

bool Reader::Run(std::string& error) {
  const bool ok = ReadHeader() && CheckArrays() &&
                  (ReadPalette() || Fail("colour table cut short")) &&
                  (ReadHueChanges() || Fail("hue changes cut short")) &&
                  (ReadFrameViews() || Fail("frame views cut short")) &&
                  (ReadFrameRecords() || Fail("frame records cut short")) &&
                  ReadDirectory(cl::kSequenceDirectory, sequence_entries_) &&
                  ReadDirectory(cl::kBitmapDirectory, bitmap_entries_) &&
                  (!full_ || ReadBitmaps()) && ReadSequences();
  if (!ok) {
    error = error_.empty() ? "collection data is malformed" : error_;
    return false;
  }
  if (full_) {
    for (const auto& sequence : out_.sequences) {
      sequence->ApplyMirroring();
      sequence->ComputeBounds();
    }
  }
  out_.without_bitmaps = !full_;
  return true;
}

}  // namespace

bool CollectionReader::Read(std::span<const uint8_t> data, const TagHeader& header, bool full,
                            Collection& out, std::string& error) {
  Collection result;
  Reader reader(data, header, full, result);
  if (!reader.Run(error)) {
    out = Collection();
    return false;
  }
  out = std::move(result);
  return true;
}
