// CParamPanels: the dialog's three parameter panels (base settings, parameter set 1, parameter
// set 2) as windows onto the parameter image of a CParamStore. They move values between the
// controls (through the control operations) and the image in both directions, and keep what
// is the panels' own: the channel each channel panel shows, the gear shown for each channel,
// and which set-2 blocks still hold the tool's own start-up values.
//
// Collect before switching: a selector change first saves the controls into the entry they
// showed, then moves the index, then the caller shows the new entry.
//
// Two rules keep the image safe:
//  - A control whose text (or selection, or check) is exactly what showing the image would put
//    there is not collected at all: looking at a channel never changes its bytes, whatever
//    they hold (a value no selector lists, a text longer than the panel's limit, bytes that are
//    not GBK, a float that prints as 0.000000).
//  - A numeric edit whose text is not a number of its field's kind, or does not fit the
//    field's width, is refused: the collect stores nothing of the panel and reports the field.
//    The caller then sends, switches or exports nothing.
//
// The controls are read by CPanelGatherer (panel_gatherer.h), which holds these rules.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>

#include "params/block_table.h"
#include "params/calendar.h"
#include "params/param_store.h"
#include "params/words.h"

namespace travex {

class IDialogControls;

// A control whose text cannot be collected.
// Label and range are in the operator's language.
struct FieldProblem {
  std::string label;    // the field as the panel labels it, e.g. "485轮询间隔"
  int channel = -1;     // channel index 0..31 of a channel field, -1 for a base field
  std::string text;     // what the control holds (UTF-8)
  std::string range;    // what it accepts, e.g. "0 到 65535 之间的整数"
};

// The operator's message for a refused collect, e.g.
// "“寄存器起始地址”（通道5）的值“70000”无效。\n允许的值：0 到 65535 之间的整数。"
std::string FieldProblemText(const FieldProblem& problem, const IWords& words = SourceWords());

struct CollectResult {
  bool ok = true;
  FieldProblem problem;  // when !ok
  // Blocks whose bytes the collect changed (channel: the one collected into).
  bool base_changed = false;
  bool arg1_changed = false;
  bool arg2_changed = false;
  bool coef_changed = false;
  uint8_t arg1_channel = 0;
  uint8_t arg2_channel = 0;
  bool AnyChange() const { return base_changed || arg1_changed || arg2_changed || coef_changed; }
};

class CParamPanels {
 public:
  CParamPanels(IDialogControls& controls, CParamStore& store);

  // --- base panel ---
  CollectResult CollectBaseInfo();
  void ShowBaseInfo();
  void ReadDateTimeFields(DateTimeFields* fields);
  void FillCurrentTime();
  void ShowCoefControls(bool visible);

  // --- channel panels (the new index is a selector's selection; out of range keeps it) ---
  CollectResult CollectArg1(uint8_t new_channel);
  void ShowArg1();
  CollectResult CollectGear(uint8_t new_gear);
  void ShowGear();
  CollectResult CollectArg2(uint8_t new_channel);
  void ShowArg2();
  void ShowAllPanels();
  // All three panels, into the channels they show; nothing is stored unless all are valid.
  CollectResult CollectAllPanels();
  void InitParamPanels();

  // True when a control holds something that collecting would store (an edit not yet
  // collected, valid or not).
  bool ControlsDiffer();

  // The channels the two channel panels show, and the gear shown for a channel (0..8).
  uint8_t Arg1Channel() const { return arg1_channel_; }
  uint8_t Arg2Channel() const { return arg2_channel_; }
  uint8_t Gear(uint8_t channel) const { return gear_index_[channel % kChannelCount]; }

  // A read answer or a loaded file replaced `block` in the image. A set-2 block then no longer
  // holds the tool's start-up values: a function code no entry lists is shown as such.
  void NoteBlockStored(BlockRef block);

 private:
  static uint8_t ClampChannel(uint8_t channel) { return channel < kChannelCount ? channel : 0; }
  static uint8_t ClampGear(uint8_t gear) { return gear < kGearCount ? gear : 0; }
  CollectResult GatherBase(BaseInfoBlock* base);
  CollectResult GatherArg1(Arg1Block* block, uint8_t gear);
  CollectResult GatherArg2(Arg2Block* block, CoefBlock* coef);
  uint8_t PanelFuncCode(uint8_t channel, uint8_t code) const;

  IDialogControls& controls_;
  CParamStore& store_;
  uint8_t arg1_channel_ = 0;
  uint8_t arg2_channel_ = 0;
  uint8_t gear_index_[kChannelCount] = {};
  // The set-2 blocks of the image the panels were built on (the tool's start-up values), and
  // the channels no answer or file has replaced since.
  Arg2Block startup_arg2_[kChannelCount];
  std::bitset<kChannelCount> arg2_from_tool_;
};

}  // namespace travex
