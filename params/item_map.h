// The ItemId map: which field of the parameter image a 16-bit item id of the parameter frames
// names, and how its value travels. The request builder, the reply parser and the simulated
// logger all go through these functions, so both directions apply one map.
//
//   1..8        base settings (9 is the firmware version, not part of the image)
//   1000..1671  parameter set 1, 21 ids per channel
//   2000..2287  parameter set 2, 9 ids per channel
//   3000..3063  coefficients, 2 ids per channel
// Every other id names no field.
#pragma once

#include <cstddef>
#include <cstdint>

#include "params/param_image.h"

namespace travex {

enum class ItemKind : uint8_t {
  kNone,       // names no field: L value bytes are skipped, a write carries L = 0
  kU8,
  kU16,
  kU32,
  kF32,
  kText,       // NUL-terminated text in a fixed-width field; travels as its bytes
  kFwVersion,  // item 9: the firmware version in read answers
};

inline constexpr uint16_t kFwVersionItem = 9;
inline constexpr uint16_t kArg1FirstItem = 1000;
inline constexpr uint16_t kArg1ItemsPerChannel = 21;
inline constexpr uint16_t kArg2FirstItem = 2000;
inline constexpr uint16_t kArg2ItemsPerChannel = 9;
inline constexpr uint16_t kCoefFirstItem = 3000;
inline constexpr uint16_t kCoefItemsPerChannel = 2;
// The longest text value (a channel name) and so the most value bytes any item carries.
inline constexpr size_t kMaxItemValueBytes = 20;

struct ItemInfo {
  ItemKind kind = ItemKind::kNone;
  uint8_t channel = 0;        // channel of a set 1, set 2 or coefficient item
  uint8_t width = 0;          // field width in the image (texts: including the NUL); item 9: 2
  uint16_t image_offset = 0;  // offset of the field in the image bytes (EncodeImage order)
};

ItemInfo DescribeItem(uint16_t id);

// True when the id names a field of the image (item 9 does not).
bool ItemNamesField(uint16_t id);
// Text capacity (field width - 1) of a text item, 0 for any other id.
size_t ItemTextCapacity(uint16_t id);
// Value bytes of a numeric field (1, 2 or 4); 0 for texts, item 9 and ids without a field.
size_t ItemFixedBytes(uint16_t id);

// How many value bytes follow the length byte L of an item in a read answer: the field's own
// width for numeric fields, L for texts and ids without a field, 2 or 0 for item 9.
size_t ItemReplyValueBytes(uint16_t id, uint8_t length_byte);

// The value bytes that carry the field of `id` from `image` (numbers little-endian, floats as
// their IEEE bytes, texts up to the NUL but never more than the capacity). Writes at most
// kMaxItemValueBytes into out and returns the count, which is the item's L. Item 9 and ids
// without a field give 0.
size_t EncodeItemValue(const ParamImage& image, uint16_t id, uint8_t* out);
// The count EncodeItemValue would return.
size_t ItemValueLength(const ParamImage& image, uint16_t id);

// Stores value bytes into the field of `id`. A numeric field takes its width from `value`
// and needs length >= that width. A text takes the first min(length, capacity) bytes, followed
// by a NUL; the field's bytes behind the NUL keep their content. Returns false (and changes
// nothing) for item 9, ids without a field and too short numeric values.
bool StoreItemValue(ParamImage* image, uint16_t id, const uint8_t* value, size_t length);

}  // namespace travex
