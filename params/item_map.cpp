#include "params/item_map.h"

#include <cstring>

namespace travex {
namespace {

constexpr uint16_t kArg1LastItem = kArg1FirstItem + kArg1ItemsPerChannel * kChannelCount - 1;  // 1671
constexpr uint16_t kArg2LastItem = kArg2FirstItem + kArg2ItemsPerChannel * kChannelCount - 1;  // 2287
constexpr uint16_t kCoefLastItem = kCoefFirstItem + kCoefItemsPerChannel * kChannelCount - 1;  // 3063

constexpr uint16_t kArg1Offset = kBaseInfoBytes;
constexpr uint16_t kArg2Offset = kBaseInfoBytes + kArg1Bytes;
constexpr uint16_t kCoefOffset = kBaseInfoBytes + kArg1Bytes + kArg2Bytes;

constexpr ItemInfo Field(ItemKind kind, uint8_t channel, uint8_t width, size_t offset) {
  return ItemInfo{kind, channel, width, static_cast<uint16_t>(offset)};
}

ItemInfo DescribeBase(uint16_t id) {
  switch (id) {
    case 1: return Field(ItemKind::kU16, 0, 2, 6);    // rs485_poll_interval
    case 2: return Field(ItemKind::kU16, 0, 2, 8);    // rs485_timeout
    case 3: return Field(ItemKind::kU16, 0, 2, 10);   // rs485_retries
    case 4: return Field(ItemKind::kU32, 0, 4, 0);    // comm_baud
    case 5: return Field(ItemKind::kU8, 0, 1, 4);     // parity
    case 6: return Field(ItemKind::kU16, 0, 2, 12);   // store_interval
    case 7: return Field(ItemKind::kU16, 0, 2, 14);   // lcd_on_time
    case 8: return Field(ItemKind::kU32, 0, 4, 16);   // device_time
    case kFwVersionItem: return Field(ItemKind::kFwVersion, 0, 2, 0);
    default: return ItemInfo{};
  }
}

ItemInfo DescribeArg1(uint16_t id) {
  const unsigned rel = id - kArg1FirstItem;
  const auto c = static_cast<uint8_t>(rel / kArg1ItemsPerChannel);
  const unsigned h = rel % kArg1ItemsPerChannel;
  const size_t block = kArg1Offset + size_t{168} * c;
  if (h == 0) return Field(ItemKind::kF32, c, 4, block + offsetof(Arg1Block, alarm_value));
  if (h == 1) return Field(ItemKind::kText, c, 9, block + offsetof(Arg1Block, alarm_text));
  if (h == 2) return Field(ItemKind::kText, c, 11, block + offsetof(Arg1Block, normal_text));
  if (h % 2 == 1) {
    const size_t k = (h - 3) / 2;
    return Field(ItemKind::kF32, c, 4, block + offsetof(Arg1Block, gears) + 16 * k);
  }
  const size_t k = (h - 4) / 2;
  return Field(ItemKind::kText, c, 12, block + offsetof(Arg1Block, gears) + 16 * k + 4);
}

ItemInfo DescribeArg2(uint16_t id) {
  const unsigned rel = id - kArg2FirstItem;
  const auto c = static_cast<uint8_t>(rel / kArg2ItemsPerChannel);
  const unsigned h = rel % kArg2ItemsPerChannel;
  const size_t block = kArg2Offset + size_t{36} * c;
  switch (h) {
    case 0: return Field(ItemKind::kU8, c, 1, block + offsetof(Arg2Block, slave_addr));
    case 1: return Field(ItemKind::kU8, c, 1, block + offsetof(Arg2Block, enabled));
    case 2: return Field(ItemKind::kU8, c, 1, block + offsetof(Arg2Block, func_code));
    case 3: return Field(ItemKind::kU8, c, 1, block + offsetof(Arg2Block, decimals));
    case 4: return Field(ItemKind::kU16, c, 2, block + offsetof(Arg2Block, reg_start));
    case 5: return Field(ItemKind::kU8, c, 1, block + offsetof(Arg2Block, reg_count));
    case 6: return Field(ItemKind::kU8, c, 1, block + offsetof(Arg2Block, data_type));
    case 7: return Field(ItemKind::kText, c, 21, block + offsetof(Arg2Block, name));
    default: return Field(ItemKind::kText, c, 7, block + offsetof(Arg2Block, unit));
  }
}

ItemInfo DescribeCoef(uint16_t id) {
  const unsigned rel = id - kCoefFirstItem;
  const auto c = static_cast<uint8_t>(rel / kCoefItemsPerChannel);
  const size_t field = (id % 2 == 0) ? offsetof(CoefBlock, coef_a) : offsetof(CoefBlock, coef_b);
  return Field(ItemKind::kF32, c, 4, kCoefOffset + size_t{8} * c + field);
}

// The image's bytes: the records are laid out exactly as the image bytes (checked in
// param_image.h), so a field's image offset is also its offset in the record.
const uint8_t* Bytes(const ParamImage& image) { return reinterpret_cast<const uint8_t*>(&image); }
uint8_t* Bytes(ParamImage* image) { return reinterpret_cast<uint8_t*>(image); }

size_t TextLength(const uint8_t* field, size_t capacity) {
  size_t n = 0;
  while (n < capacity && field[n] != 0) ++n;
  return n;
}

}  // namespace

ItemInfo DescribeItem(uint16_t id) {
  if (id <= kFwVersionItem) return DescribeBase(id);
  if (id >= kArg1FirstItem && id <= kArg1LastItem) return DescribeArg1(id);
  if (id >= kArg2FirstItem && id <= kArg2LastItem) return DescribeArg2(id);
  if (id >= kCoefFirstItem && id <= kCoefLastItem) return DescribeCoef(id);
  return ItemInfo{};
}

bool ItemNamesField(uint16_t id) {
  const ItemKind kind = DescribeItem(id).kind;
  return kind != ItemKind::kNone && kind != ItemKind::kFwVersion;
}

size_t ItemTextCapacity(uint16_t id) {
  const ItemInfo info = DescribeItem(id);
  return info.kind == ItemKind::kText ? size_t{info.width} - 1 : 0;
}

size_t ItemFixedBytes(uint16_t id) {
  const ItemInfo info = DescribeItem(id);
  switch (info.kind) {
    case ItemKind::kU8:
    case ItemKind::kU16:
    case ItemKind::kU32:
    case ItemKind::kF32:
      return info.width;
    default:
      return 0;
  }
}

size_t ItemReplyValueBytes(uint16_t id, uint8_t length_byte) {
  const ItemInfo info = DescribeItem(id);
  switch (info.kind) {
    case ItemKind::kText:
    case ItemKind::kNone:
      return length_byte;
    case ItemKind::kFwVersion:
      return length_byte != 0 ? 2 : 0;
    default:
      return info.width;
  }
}

size_t EncodeItemValue(const ParamImage& image, uint16_t id, uint8_t* out) {
  const ItemInfo info = DescribeItem(id);
  const uint8_t* field = Bytes(image) + info.image_offset;
  switch (info.kind) {
    case ItemKind::kU8:
    case ItemKind::kU16:
    case ItemKind::kU32:
    case ItemKind::kF32:
      NumberToLittleEndian(field, info.width, out);
      return info.width;
    case ItemKind::kText: {
      // A field without a NUL (possible after a file import) goes out as its capacity.
      const size_t n = TextLength(field, size_t{info.width} - 1);
      if (n != 0) std::memcpy(out, field, n);
      return n;
    }
    default:
      return 0;
  }
}

size_t ItemValueLength(const ParamImage& image, uint16_t id) {
  const ItemInfo info = DescribeItem(id);
  switch (info.kind) {
    case ItemKind::kText:
      return TextLength(Bytes(image) + info.image_offset, size_t{info.width} - 1);
    case ItemKind::kNone:
    case ItemKind::kFwVersion:
      return 0;
    default:
      return info.width;
  }
}

bool StoreItemValue(ParamImage* image, uint16_t id, const uint8_t* value, size_t length) {
  const ItemInfo info = DescribeItem(id);
  uint8_t* field = Bytes(image) + info.image_offset;
  switch (info.kind) {
    case ItemKind::kNone:
    case ItemKind::kFwVersion:
      return false;
    case ItemKind::kText: {
      const size_t capacity = size_t{info.width} - 1;
      const size_t n = length < capacity ? length : capacity;
      if (n != 0) std::memcpy(field, value, n);
      field[n] = 0;
      return true;
    }
    default:
      break;
  }
  if (length < info.width) return false;
  NumberFromLittleEndian(value, info.width, field);
  return true;
}

}  // namespace travex
