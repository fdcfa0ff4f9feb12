#include "collections/CollectionReader.h"

#include <algorithm>
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
#include "collections/CollectionRecords.h"
#include "tags/TagHeader.h"

namespace cl = collection_layout;
namespace rec = collection_records;

namespace {

constexpr const char* kLog = "Collection";
constexpr const char* kArrayNames[cl::kArrayCount] = {
    "colour table",       "hue change",   "bitmap directory", "frame view",
    "sequence directory", "frame record", "reserved array 6", "reserved array 7"};

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
  Reader(std::span<const uint8_t> data, const TagHeader& tag, bool full,
         const CollectionLimits& limits, Collection& out)
      : data_(data), tag_(tag), full_(full), limits_(limits), out_(out) {}

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
  // All the records of one array; CheckArrays has found them inside the data.
  template <typename Record>
  bool ReadArray(size_t array, std::vector<Record>& records) {
    records.resize(header_.arrays[array].count);
    return rec::ReadRecords<Record>(arrays_[array], records) ||
           Fail(std::string(kArrayNames[array]) + " array cut short");
  }

  bool ReadHeader();
  bool CheckArrays();
  bool ReadPalette();
  bool ReadHueChanges();
  bool ReadFrameViews();
  bool ReadFrameRecords();
  // The bitmap and sequence directories: every entry's block must lie inside the data.
  template <typename Entry>
  bool ReadDirectory(size_t array, std::vector<Entry>& entries);
  bool ReadBitmaps();
  bool ReadSequences();
  bool ReadSequence(const rec::SequenceEntry& entry, Sequence& sequence);
  CollectionBitmap* Resolve(uint16_t index, const char* what, const std::string& sequence);

  std::span<const uint8_t> data_;
  const TagHeader& tag_;
  bool full_;
  const CollectionLimits& limits_;
  Collection& out_;
  std::string error_;

  rec::Header header_{};
  uint32_t data_base_ = 0;
  std::span<const uint8_t> arrays_[cl::kArrayCount];
  std::vector<FrameView> views_;
  std::vector<FrameRecord> records_;
  std::vector<rec::BitmapEntry> bitmap_entries_;
  std::vector<rec::SequenceEntry> sequence_entries_;
  uint64_t sequence_views_ = 0;
};

bool Reader::ReadHeader() {
  if (data_.size() < cl::kHeaderSize) {
    return Fail(Format("collection data of %zu bytes is shorter than its %zu-byte header",
                       data_.size(), cl::kHeaderSize));
  }
  (void)rec::ReadRecords<rec::Header>(data_, std::span(&header_, 1));
  out_.header_word = header_.header_word;
  data_base_ = header_.data_base;
  // A legacy tag header has lost its user data word; the collection header still has it.
  out_.usage = tag_.IsLegacy() ? header_.usage : tag_.user_data;
  return true;
}

// Each array is its count of fixed-size records at its offset. The stated size is not
// consulted: writers disagree on it (some state the records' size in memory, some leave it 0),
// and the count alone says how far an array reaches. A count the data cannot hold is refused.
bool Reader::CheckArrays() {
  if (header_.arrays[cl::kColorTables].count == 0) return Fail("collection has no colour table");
  out_.color_tables_read = header_.arrays[cl::kColorTables].count;
  for (size_t i = cl::kColorTables; i <= cl::kFrameRecords; ++i) {
    const rec::ArrayRef& ref = header_.arrays[i];
    const uint64_t bytes = uint64_t{ref.count} * cl::kRecordSizes[i];
    if (ref.count != 0 && !Range(ref.offset, bytes, arrays_[i])) {
      return Fail(Format("%s array of %" PRIu32 " records at offset %" PRIu32 " (+%" PRIu32
                         " base), %" PRIu64 " bytes, lies outside the %zu bytes of data",
                         kArrayNames[i], ref.count, ref.offset, data_base_, bytes, data_.size()));
    }
  }
  return true;
}

bool Reader::ReadPalette() {
  rec::ColorTable table{};
  if (!rec::ReadRecords<rec::ColorTable>(arrays_[cl::kColorTables], std::span(&table, 1))) {
    return Fail("colour table cut short");
  }
  for (size_t i = 0; i < 256; ++i) {
    for (size_t c = 0; c < 3; ++c) {
      out_.palette[i * 3 + c] = static_cast<uint8_t>(table.entries[i].rgb[c] >> 8);
    }
  }
  return true;
}

bool Reader::ReadHueChanges() {
  std::vector<HueChange> hue_changes;
  if (!ReadArray(cl::kHueChanges, hue_changes)) return false;
  for (HueChange& hue_change : hue_changes) {
    rec::TerminateName(hue_change.name);
    out_.hue_changes.push_back(std::make_unique<HueChange>(hue_change));
  }
  return true;
}

bool Reader::ReadFrameViews() {
  std::vector<rec::FrameView> records;
  if (!ReadArray(cl::kFrameViews, records)) return false;
  views_.resize(records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    const rec::FrameView& r = records[i];
    FrameView& v = views_[i];
    v.flags = r.flags;
    v.registration_x = r.registration_x;
    v.registration_y = r.registration_y;
    v.key_x = r.key_x;
    v.key_y = r.key_y;
    v.bitmap_index = r.bitmap_index;
    v.load_bitmap_index = v.bitmap_index;
    v.load_registration_x = v.registration_x;
    v.load_registration_y = v.registration_y;
    // Without the alternate flag the alternate fields mean nothing and are taken as zero.
    if (v.flags & cl::kViewHasAlternate) {
      v.alternate_index = r.alternate_index;
      v.alternate_size_factor = r.alternate_size_factor;
      v.alternate_registration_x = r.alternate_registration_x;
      v.alternate_registration_y = r.alternate_registration_y;
    } else {
      v.alternate_index = 0;
      v.alternate_size_factor = 0;
      v.alternate_registration_x = 0;
      v.alternate_registration_y = 0;
    }
  }
  return true;
}

bool Reader::ReadFrameRecords() {
  std::vector<rec::FrameRecord> records;
  if (!ReadArray(cl::kFrameRecords, records)) return false;
  records_.resize(records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    records_[i].flags = records[i].flags;
    records_[i].shadow_offset_x = records[i].shadow_offset_x;
    records_[i].shadow_offset_y = records[i].shadow_offset_y;
    records_[i].shadow_index = records[i].shadow_index;
  }
  return true;
}

template <typename Entry>
bool Reader::ReadDirectory(size_t array, std::vector<Entry>& entries) {
  if (!ReadArray(array, entries)) return false;
  for (size_t i = 0; i < entries.size(); ++i) {
    Entry& e = entries[i];
    rec::TerminateName(e.name);
    std::span<const uint8_t> block;
    if (!Range(e.offset, e.size, block)) {
      return Fail(Format("%s entry %zu points at %" PRIu32 " bytes at offset %" PRIu32
                         ", outside the %zu bytes of data",
                         kArrayNames[array], i, e.size, e.offset, data_.size()));
    }
  }
  return true;
}

bool Reader::ReadBitmaps() {
  const uint8_t light = static_cast<uint8_t>(out_.NearestColor(1, 255, 255, 255, 255));
  const uint8_t dark = static_cast<uint8_t>(out_.NearestColor(1, 255, 0, 0, 0));
  const bool color_map = ((tag_.user_data | out_.usage) & cl::kUsageColorMap) != 0;
  uint64_t decoded = 0;
  for (size_t i = 0; i < bitmap_entries_.size(); ++i) {
    const rec::BitmapEntry& entry = bitmap_entries_[i];
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
    if (decoded > limits_.decoded_bytes) {
      return Fail(
          Format("bitmaps decode to more than %" PRIu64 " MB", limits_.decoded_bytes >> 20));
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

// A sequence whose cells point past the frame views or frame records, or that has no views or
// no frames, is still read: those cells are left empty (no bitmap, no shadow), a sequence
// without views gets one empty view per frame and one without frames gets one empty frame, so
// that what is loaded can be saved and reads back the same. Only a block too short for what its
// header states is refused.
bool Reader::ReadSequence(const rec::SequenceEntry& entry, Sequence& s) {
  const std::string name(entry.name.data());
  s.SetName(name);
  std::span<const uint8_t> block;
  (void)Range(entry.offset, entry.size, block);  // checked with the directory
  ByteReader in(block);
  rec::SequenceHeader h{};
  std::span<const uint8_t> bytes;
  if (!in.ReadView(cl::kSequenceHeaderSize, bytes) ||
      !rec::ReadRecords<rec::SequenceHeader>(bytes, std::span(&h, 1))) {
    return Fail(Format("sequence '%s': block of %" PRIu32 " bytes is shorter than its header",
                       name.c_str(), entry.size));
  }
  s.flags = h.flags;
  s.carried_fixed_4 = h.fixed_4;
  s.ticks_per_frame = h.ticks_per_frame;
  s.key_frame = h.key_frame;
  s.loop_frame = h.loop_frame;
  std::copy(std::begin(h.carried_18), std::end(h.carried_18), s.carried_18.begin());
  s.first_sound = h.first_sound;
  s.key_sound = h.key_sound;
  s.last_sound = h.last_sound;
  s.transfer_mode = h.transfer_mode;
  s.transfer_period = h.transfer_period;
  s.registration_x_fixed = h.registration_x_fixed;
  s.carried_fixed_44 = h.fixed_44;
  s.registration_y_fixed = h.registration_y_fixed;
  std::copy(std::begin(h.carried_52), std::end(h.carried_52), s.carried_52.begin());

  const uint64_t needed =
      cl::kSequenceHeaderSize + uint64_t{h.frame_count} * (cl::kFrameEntrySize + 2u * h.view_count);
  if (needed > entry.size) {
    return Fail(Format("sequence '%s': %u frames of %u views need %" PRIu64
                       " bytes but its block holds %" PRIu32,
                       name.c_str(), h.frame_count, h.view_count, needed, entry.size));
  }
  if (h.view_count == 0) {
    LogMessage(1, kLog, "sequence '%s' has no views; each frame is given one empty view\n",
               name.c_str());
  }
  if (h.frame_count == 0) {
    LogMessage(1, kLog, "sequence '%s' has no frames; it is given one empty frame\n", name.c_str());
  }
  s.view_count = std::max<uint16_t>(h.view_count, 1);
  const size_t frame_count = std::max<uint16_t>(h.frame_count, 1);
  sequence_views_ += uint64_t{frame_count} * s.view_count;
  if (sequence_views_ > limits_.sequence_views) {
    return Fail(Format("sequences hold more than %" PRIu64 " frame views", limits_.sequence_views));
  }

  s.frames.resize(frame_count);
  std::vector<uint16_t> view_indices(h.view_count);
  size_t lost_views = 0;
  size_t lost_records = 0;
  for (size_t f = 0; f < frame_count; ++f) {
    SequenceFrame& frame = s.frames[f];
    frame.views.resize(s.view_count);
    if (f >= h.frame_count) continue;
    rec::FrameEntry e{};
    std::span<const uint8_t> indices;
    // The block's size was checked against the counts above, so these reads cannot fall short.
    (void)(in.ReadView(cl::kFrameEntrySize, bytes) &&
           rec::ReadRecords<rec::FrameEntry>(bytes, std::span(&e, 1)) &&
           in.ReadView(view_indices.size() * 2, indices));
    std::copy(std::begin(e.carried), std::end(e.carried), frame.carried.begin());
    if (e.record_index < records_.size()) {
      frame.record = records_[e.record_index];
      frame.record.shadow = Resolve(frame.record.shadow_index, "a shadow", name);
    } else if (e.record_index != cl::kNoIndex) {
      ++lost_records;
    }
    if (!view_indices.empty()) {
      const std::span<uint8_t> memory(reinterpret_cast<uint8_t*>(view_indices.data()),
                                      view_indices.size() * 2);
      (void)RecordDescriptor::ReadElements(indices, memory,
                                           static_cast<uint32_t>(view_indices.size()), 1);
    }
    for (size_t v = 0; v < view_indices.size(); ++v) {
      const uint16_t index = view_indices[v];
      if (index == cl::kNoIndex) continue;
      if (index >= views_.size()) {
        ++lost_views;
        continue;
      }
      FrameView& view = frame.views[v];
      view = views_[index];
      view.bitmap = Resolve(view.bitmap_index, "a view", name);
      if (view.flags & cl::kViewHasAlternate) {
        view.alternate = Resolve(view.alternate_index, "an alternate bitmap", name);
      }
    }
  }
  if (lost_views != 0) {
    LogMessage(1, kLog,
               "sequence '%s': a frame view index past the %zu frame views in %zu of its cells; "
               "those views are left empty\n",
               name.c_str(), views_.size(), lost_views);
  }
  if (lost_records != 0) {
    LogMessage(1, kLog,
               "sequence '%s': a frame record index past the %zu frame records in %zu of its "
               "frames; those frames are left without a shadow\n",
               name.c_str(), records_.size(), lost_records);
  }
  return !in.failed() || Fail("sequence '" + name + "' block cut short");
}

bool Reader::ReadSequences() {
  for (const rec::SequenceEntry& entry : sequence_entries_) {
    auto sequence = std::make_unique<Sequence>();
    if (!ReadSequence(entry, *sequence)) return false;
    out_.sequences.push_back(std::move(sequence));
  }
  return true;
}

bool Reader::Run(std::string& error) {
  const bool ok = ReadHeader() && CheckArrays() && ReadPalette() && ReadHueChanges() &&
                  ReadFrameViews() && ReadFrameRecords() &&
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
                            Collection& out, std::string& error, const CollectionLimits& limits) {
  Collection result;
  Reader reader(data, header, full, limits, result);
  if (!reader.Run(error)) {
    out = Collection();
    return false;
  }
  out = std::move(result);
  return true;
}
