// The blocks of the parameter image as the logger exchanges them, one block per request: the
// base settings, parameter set 1 and set 2 of each channel, and each channel's coefficients.
// This is the one place that says which items form a block and which steps a read-all or
// write-all has; the request builder, the runs, the frame descriptions, the panels and the
// command line all ask here.
//
//   step 0        base settings   items 1..9 read (9: the firmware version), 1..8 written
//   steps 1..32   set 1, channel  items 1000 + 21c .. +20
//   steps 33..64  set 2, channel  items 2000 + 9c .. +8
//   steps 65..96  coefficients    items 3000 + 2c, +1 (only when the logger reported a version)
#pragma once

#include <cstdint>

#include "params/item_map.h"

namespace travex {

// A read-all or a write-all.
enum class BulkRun : uint8_t { kNone = 0, kRead = 1, kWrite = 2 };

enum class BlockKind : uint8_t { kBase, kArg1, kArg2, kCoef };

struct BlockRef {
  BlockKind kind = BlockKind::kBase;
  uint8_t channel = 0;  // 0..31; 0 for the base block
  friend bool operator==(const BlockRef&, const BlockRef&) = default;
};

inline constexpr BlockRef kBaseRef{};
inline BlockRef Arg1Ref(int channel) { return {BlockKind::kArg1, static_cast<uint8_t>(channel)}; }
inline BlockRef Arg2Ref(int channel) { return {BlockKind::kArg2, static_cast<uint8_t>(channel)}; }
inline BlockRef CoefRef(int channel) { return {BlockKind::kCoef, static_cast<uint8_t>(channel)}; }

// Steps of a whole run: all blocks, or all but the coefficients.
inline constexpr unsigned kBlockCount = 97;
inline constexpr unsigned kBlocksWithoutCoef = 65;
// A run has every block when the logger reported a firmware version, else no coefficients.
inline unsigned RunStepCount(uint16_t fw_version) {
  return fw_version != 0 ? kBlockCount : kBlocksWithoutCoef;
}

// The step of a run that moves `block`, and back (step < kBlockCount).
unsigned StepOfBlock(BlockRef block);
BlockRef BlockOfStep(unsigned step);

// The items a request of the block names: a read of the base block also asks for the
// firmware version (item 9), a write carries the eight settings only.
struct ItemRange {
  uint16_t first_id = 0;
  uint8_t count = 0;
};
ItemRange BlockItems(BlockRef block, bool write);

// The single item of the device clock, written on its own.
inline constexpr ItemRange kClockItem{kFwVersionItem - 1, 1};
// The firmware version, read on its own.
inline constexpr ItemRange kVersionItem{kFwVersionItem, 1};

// The block an item belongs to; false for ids of no block.
bool BlockOfItem(uint16_t id, BlockRef* block);

}  // namespace travex
