// CParamPanels: the three panels together (show all, collect all, compare with the image) and
// the set-2 start-up marks. The base panel stands in param_panels_base.cpp, the two channel
// panels in param_panels_channels.cpp.
#include "app/param_panels.h"

#include <cstring>

#include "app/dialog_controls.h"
#include "app/selector_lists.h"
#include "params/value_lists.h"
#include "resources/resource_ids.h"

namespace travex {

CParamPanels::CParamPanels(IDialogControls& controls, CParamStore& store)
    : controls_(controls), store_(store) {
  std::memcpy(startup_arg2_, store_.image.arg2, sizeof startup_arg2_);
  arg2_from_tool_.set();
}

void CParamPanels::NoteBlockStored(BlockRef block) {
  if (block.kind == BlockKind::kArg2 && block.channel < kChannelCount) {
    arg2_from_tool_.reset(block.channel);
  }
}

// The function code a channel's panel stands for. The tool's own start-up value, which no entry
// lists, is taken as the first entry's; a value from a logger or a file is kept as it is. A
// block that differs from the start-up one came from elsewhere even before the panels are told.
uint8_t CParamPanels::PanelFuncCode(uint8_t channel, uint8_t code) const {
  const bool from_tool =
      arg2_from_tool_[channel] &&
      std::memcmp(&store_.image.arg2[channel], &startup_arg2_[channel], sizeof(Arg2Block)) == 0;
  const bool unlisted = IndexOfCode(kFuncCodeList, code) < 0;
  return from_tool && unlisted ? static_cast<uint8_t>(kFuncCodeList[0].code) : code;
}

void CParamPanels::ShowAllPanels() {
  ShowBaseInfo();
  ShowArg1();
  ShowArg2();
}

CollectResult CParamPanels::CollectAllPanels() {
  const uint8_t ch1 = arg1_channel_ = ClampChannel(arg1_channel_);
  const uint8_t ch2 = arg2_channel_ = ClampChannel(arg2_channel_);
  const uint8_t k = gear_index_[ch1] = ClampGear(gear_index_[ch1]);
  BaseInfoBlock base = store_.image.base;
  Arg1Block arg1 = store_.image.arg1[ch1];
  Arg2Block arg2 = store_.image.arg2[ch2];
  CoefBlock coef = store_.image.coef[ch2];
  CollectResult result = GatherBase(&base);
  if (!result.ok) return result;
  const CollectResult set1 = GatherArg1(&arg1, k);
  if (!set1.ok) return set1;
  const CollectResult set2 = GatherArg2(&arg2, &coef);
  if (!set2.ok) return set2;
  store_.image.base = base;
  store_.image.arg1[ch1] = arg1;
  store_.image.arg2[ch2] = arg2;
  store_.image.coef[ch2] = coef;
  result.arg1_changed = set1.arg1_changed;
  result.arg1_channel = ch1;
  result.arg2_changed = set2.arg2_changed;
  result.coef_changed = set2.coef_changed;
  result.arg2_channel = ch2;
  // The selectors show the channels collected into (a selector change is always collected
  // and shown at once), so the indexes stay.
  return result;
}

bool CParamPanels::ControlsDiffer() {
  const uint8_t ch1 = ClampChannel(arg1_channel_);
  const uint8_t ch2 = ClampChannel(arg2_channel_);
  BaseInfoBlock base = store_.image.base;
  Arg1Block arg1 = store_.image.arg1[ch1];
  Arg2Block arg2 = store_.image.arg2[ch2];
  CoefBlock coef = store_.image.coef[ch2];
  const CollectResult results[] = {GatherBase(&base),
                                   GatherArg1(&arg1, ClampGear(gear_index_[ch1])),
                                   GatherArg2(&arg2, &coef)};
  for (const CollectResult& r : results) {
    if (!r.ok || r.AnyChange()) return true;
  }
  return false;
}

void CParamPanels::InitParamPanels() {
  FillSelectorLists(controls_);
  store_.fw_version = 0;
  ShowAllPanels();
  controls_.SetSelection(IDC_ARG1_CHANNEL, 0);
  controls_.SetSelection(IDC_ARG2_CHANNEL, 0);
  ShowCoefControls(false);
}

}  // namespace travex
