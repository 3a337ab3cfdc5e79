#include "params/block_table.h"

#include "params/item_map.h"
#include "params/param_image.h"

namespace travex {

namespace {
constexpr unsigned kFirstArg1Step = 1;
constexpr unsigned kFirstArg2Step = kFirstArg1Step + kChannelCount;
constexpr unsigned kFirstCoefStep = kFirstArg2Step + kChannelCount;
static_assert(kFirstCoefStep == kBlocksWithoutCoef);
static_assert(kFirstCoefStep + kChannelCount == kBlockCount);
}  // namespace

unsigned StepOfBlock(BlockRef block) {
  switch (block.kind) {
    case BlockKind::kBase: return 0;
    case BlockKind::kArg1: return kFirstArg1Step + block.channel;
    case BlockKind::kArg2: return kFirstArg2Step + block.channel;
    case BlockKind::kCoef: return kFirstCoefStep + block.channel;
  }
  return 0;
}

BlockRef BlockOfStep(unsigned step) {
  if (step == 0) return kBaseRef;
  if (step < kFirstArg2Step) return Arg1Ref(static_cast<int>(step - kFirstArg1Step));
  if (step < kFirstCoefStep) return Arg2Ref(static_cast<int>(step - kFirstArg2Step));
  return CoefRef(static_cast<int>((step - kFirstCoefStep) % kChannelCount));
}

ItemRange BlockItems(BlockRef block, bool write) {
  const unsigned c = block.channel % kChannelCount;
  switch (block.kind) {
    case BlockKind::kBase:
      return {1, static_cast<uint8_t>(write ? kFwVersionItem - 1 : kFwVersionItem)};
    case BlockKind::kArg1:
      return {static_cast<uint16_t>(kArg1FirstItem + kArg1ItemsPerChannel * c),
              static_cast<uint8_t>(kArg1ItemsPerChannel)};
    case BlockKind::kArg2:
      return {static_cast<uint16_t>(kArg2FirstItem + kArg2ItemsPerChannel * c),
              static_cast<uint8_t>(kArg2ItemsPerChannel)};
    case BlockKind::kCoef:
      return {static_cast<uint16_t>(kCoefFirstItem + kCoefItemsPerChannel * c),
              static_cast<uint8_t>(kCoefItemsPerChannel)};
  }
  return {};
}

bool BlockOfItem(uint16_t id, BlockRef* block) {
  const auto in = [id](uint16_t first, uint16_t per) {
    return id >= first && id < first + per * kChannelCount;
  };
  if (id >= 1 && id <= kFwVersionItem) {
    *block = kBaseRef;
  } else if (in(kArg1FirstItem, kArg1ItemsPerChannel)) {
    *block = Arg1Ref((id - kArg1FirstItem) / kArg1ItemsPerChannel);
  } else if (in(kArg2FirstItem, kArg2ItemsPerChannel)) {
    *block = Arg2Ref((id - kArg2FirstItem) / kArg2ItemsPerChannel);
  } else if (in(kCoefFirstItem, kCoefItemsPerChannel)) {
    *block = CoefRef((id - kCoefFirstItem) / kCoefItemsPerChannel);
  } else {
    return false;
  }
  return true;
}

}  // namespace travex
