// The blocks whose edits were neither written to a logger nor exported, numbered like the steps
// of a run (params/block_table.h). Each block also counts the collects that changed it, so that
// an answer saves a block only when the block was not collected again after its request was
// built: the logger would otherwise hold older bytes than the image while the tool believed it
// saved. Guarded by the store's mutex, like the image it watches.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>

#include "app/param_panels.h"
#include "params/block_table.h"

namespace travex {

class UnsavedBlocks {
 public:
  // A block as a request carries it: its step number and its collect count at that moment.
  struct Sent {
    unsigned step = 0;
    uint32_t collects = 0;
  };

  // The blocks a collect changed become unsaved.
  void NoteCollected(const CollectResult& result) {
    if (result.base_changed) Change(kBaseRef);
    if (result.arg1_changed) Change(Arg1Ref(result.arg1_channel));
    if (result.arg2_changed) Change(Arg2Ref(result.arg2_channel));
    if (result.coef_changed) Change(CoefRef(result.arg2_channel));
  }
  Sent AsSent(BlockRef block) const { return AsSent(StepOfBlock(block)); }
  Sent AsSent(unsigned step) const { return {step, collects_[step]}; }
  // An accepted answer to a request built when the block was `sent`.
  void NoteSaved(Sent sent) {
    if (collects_[sent.step] == sent.collects) unsaved_.reset(sent.step);
  }
  // The block's bytes came from a file or went into one.
  void Saved(BlockRef block) { unsaved_.reset(StepOfBlock(block)); }
  void AllSaved() { unsaved_.reset(); }
  bool Any() const { return unsaved_.any(); }

 private:
  void Change(BlockRef block) {
    const unsigned step = StepOfBlock(block);
    unsaved_.set(step);
    ++collects_[step];
  }

  std::bitset<kBlockCount> unsaved_;
  std::array<uint32_t, kBlockCount> collects_{};
};

}  // namespace travex
