#pragma once
#include <cstddef>
#include <cstdint>

#include "tags/TagCode.h"

// Sizes, array numbers and flag bits of collection tag data, shared by the reader, the writer,
// the bitmap codec and the tools.
namespace collection_layout {

inline constexpr uint32_t kGroup = tagcode::Make(".256");
inline constexpr uint16_t kVersion = 4;

inline constexpr size_t kHeaderSize = 320;
inline constexpr size_t kArrayRefsOffset = 64;
inline constexpr size_t kArrayRefSize = 16;
inline constexpr size_t kArrayCount = 8;
inline constexpr size_t kDataBaseOffset = 248;
inline constexpr size_t kTotalBytesOffset = 252;
// The writer places the arrays right after the header.
inline constexpr uint32_t kDataBase = 320;

enum Array : size_t {
  kColorTables = 0,
  kHueChanges = 1,
  kBitmapDirectory = 2,
  kFrameViews = 3,
  kSequenceDirectory = 4,
  kFrameRecords = 5,
};

inline constexpr size_t kColorTableSize = 2080;
inline constexpr size_t kHueChangeSize = 128;
inline constexpr size_t kBitmapEntrySize = 128;
inline constexpr size_t kFrameViewSize = 64;
inline constexpr size_t kSequenceEntrySize = 128;
inline constexpr size_t kFrameRecordSize = 32;
// Record size in the file of each array, indexed by Array.
inline constexpr size_t kRecordSizes[6] = {kColorTableSize, kHueChangeSize,     kBitmapEntrySize,
                                           kFrameViewSize,  kSequenceEntrySize, kFrameRecordSize};

inline constexpr size_t kNameSize = 64;
// Bitmap names are cut one byte shorter than the field when written.
inline constexpr size_t kBitmapNameMax = 62;

inline constexpr size_t kSequenceHeaderSize = 64;
inline constexpr size_t kFrameEntrySize = 46;
inline constexpr size_t kBitmapHeaderSize = 52;

// Index value meaning "none" in frame views, frames and frame entries.
inline constexpr uint16_t kNoIndex = 0xFFFF;

// Usage flags (collection header word 1, mirrored in the tag header's user data).
inline constexpr uint32_t kUsageColorMap = 0x0100;
inline constexpr uint32_t kUsageNew = 0x0006;

// Bitmap flags.
inline constexpr uint16_t kBitmapRle = 0x0004;
inline constexpr uint16_t kBitmapPartialAlpha = 0x0010;
inline constexpr uint16_t kBitmapNoRowSlots = 0x0020;
inline constexpr uint16_t kBitmapRowsPadded = 0x0040;
inline constexpr uint16_t kBitmapShadow = 0x0080;
inline constexpr uint16_t kBitmapAlphaFromColor = 0x0800;
inline constexpr uint16_t kBitmapPixelTypeValid = 0x4000;
inline constexpr uint16_t kBitmapReadMask = 0xC8F4;
inline constexpr uint16_t kBitmapWriteMask = 0xFF8B;

// Frame view flags.
inline constexpr uint32_t kViewMirrorX = 0x01;
inline constexpr uint32_t kViewMirrorY = 0x02;
inline constexpr uint32_t kViewPartialAlpha = 0x04;
inline constexpr uint32_t kViewRawPowerOfTwo = 0x10;
inline constexpr uint32_t kViewHasAlternate = 0x20;

// Frame flags.
inline constexpr uint32_t kFrameShadowLight = 0x01;
inline constexpr uint32_t kFrameShadowMirrorX = 0x02;
inline constexpr uint32_t kFrameShadowMirrorY = 0x04;

// Sequence flags.
inline constexpr uint32_t kSequenceMirroring = 0x1;
inline constexpr uint32_t kSequenceNew = 0x2;
inline constexpr uint32_t kSequenceNoRotation = 0x4;

// 16.16 fixed point size factor of a standard (not alternate) bitmap: 10.0.
inline constexpr uint32_t kStandardSizeFactor = 0x000A0000;

}  // namespace collection_layout
