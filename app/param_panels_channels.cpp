// CParamPanels: the two channel panels, parameter set 1 (alarm texts and the gear shown) and
// parameter set 2 (the channel's source, name, unit and coefficients).
#include "app/param_panels.h"

#include "app/panel_gatherer.h"
#include "app/panel_show.h"
#include "params/value_lists.h"
#include "resources/resource_ids.h"

namespace travex {
namespace {

// Text limits of the panels (bytes stored before the terminating zero).
constexpr size_t kArg1TextLimit = 8;
constexpr size_t kNameLimit = 20;
constexpr size_t kUnitLimit = 6;

}  // namespace

CollectResult CParamPanels::GatherArg1(Arg1Block* a, uint8_t gear) {
  CPanelGatherer g(controls_, arg1_channel_);
  g.Value(IDC_ALARM_VALUE, &a->alarm_value, TRAVEX_TEXT("dialog", "开关量报警数值"));
  g.Text(IDC_ALARM_TEXT, a->alarm_text, kArg1TextLimit);
  g.Text(IDC_NORMAL_TEXT, a->normal_text, kArg1TextLimit);
  GearEntry& entry = a->gears[gear];
  g.Text(IDC_GEAR_TEXT, entry.text, kArg1TextLimit);
  g.Value(IDC_GEAR_VALUE, &entry.value, FillIn(controls_.Tr("dialog", "%1 数值"), {GearEntryText(gear, controls_)}));
  CollectResult result = g.result();
  result.arg1_changed = g.ok() && g.changed();
  result.arg1_channel = arg1_channel_;
  return result;
}

CollectResult CParamPanels::CollectGear(uint8_t new_gear) {
  const uint8_t ch = arg1_channel_ = ClampChannel(arg1_channel_);
  uint8_t& k = gear_index_[ch];
  k = ClampGear(k);
  // Only the gear edits: the rest of the panel is collected when the channel is.
  Arg1Block block = store_.image.arg1[ch];
  CPanelGatherer g(controls_, ch);
  GearEntry& entry = block.gears[k];
  g.Text(IDC_GEAR_TEXT, entry.text, kArg1TextLimit);
  g.Value(IDC_GEAR_VALUE, &entry.value, FillIn(controls_.Tr("dialog", "%1 数值"), {GearEntryText(k, controls_)}));
  CollectResult result = g.result();
  result.arg1_channel = ch;
  if (!result.ok) return result;
  result.arg1_changed = g.changed();
  store_.image.arg1[ch] = block;
  if (new_gear < kGearCount) k = new_gear;
  return result;
}

void CParamPanels::ShowGear() {
  const uint8_t ch = arg1_channel_ = ClampChannel(arg1_channel_);
  uint8_t& k = gear_index_[ch];
  k = ClampGear(k);
  const GearEntry& gear = store_.image.arg1[ch].gears[k];
  controls_.SetSelection(IDC_GEAR, k);
  ShowText(controls_, IDC_GEAR_TEXT, gear.text);
  ShowValue(controls_, IDC_GEAR_VALUE, gear.value);
}

CollectResult CParamPanels::CollectArg1(uint8_t new_channel) {
  const uint8_t ch = arg1_channel_ = ClampChannel(arg1_channel_);
  const uint8_t k = gear_index_[ch] = ClampGear(gear_index_[ch]);
  Arg1Block block = store_.image.arg1[ch];
  const CollectResult result = GatherArg1(&block, k);
  if (!result.ok) return result;
  store_.image.arg1[ch] = block;
  const int gear = controls_.GetSelection(IDC_GEAR);
  if (gear >= 0 && gear < kGearCount) gear_index_[ch] = static_cast<uint8_t>(gear);
  if (new_channel < kChannelCount) arg1_channel_ = new_channel;
  return result;
}

void CParamPanels::ShowArg1() {
  const uint8_t ch = arg1_channel_ = ClampChannel(arg1_channel_);
  const Arg1Block& a = store_.image.arg1[ch];
  ShowValue(controls_, IDC_ALARM_VALUE, a.alarm_value);
  ShowText(controls_, IDC_ALARM_TEXT, a.alarm_text);
  ShowText(controls_, IDC_NORMAL_TEXT, a.normal_text);
  ShowGear();
}

CollectResult CParamPanels::GatherArg2(Arg2Block* a, CoefBlock* c) {
  // What the panel stands for is the baseline: showing a start-up block is not an edit of it.
  a->func_code = PanelFuncCode(ClampChannel(arg2_channel_), a->func_code);
  const Arg2Block arg2_before = *a;
  const CoefBlock coef_before = *c;
  CPanelGatherer g(controls_, arg2_channel_);
  g.Unsigned(IDC_SLAVE_ADDR, &a->slave_addr, TRAVEX_TEXT("dialog", "MODBUS从站地址"));
  g.Check(IDC_ENABLE, &a->enabled);
  g.Selection(IDC_FUNC_CODE, kFuncCodeList, &a->func_code);
  g.Selection(IDC_DECIMALS, kDecimalsList, &a->decimals);
  g.Unsigned(IDC_REG_START, &a->reg_start, TRAVEX_TEXT("dialog", "寄存器起始地址"));
  g.Unsigned(IDC_REG_COUNT, &a->reg_count, TRAVEX_TEXT("dialog", "寄存器个数"));
  g.Selection(IDC_DATA_TYPE, kDataTypeList, &a->data_type);
  g.Text(IDC_CH_NAME, a->name, kNameLimit);
  g.Text(IDC_CH_UNIT, a->unit, kUnitLimit);
  g.Value(IDC_COEF_A, &c->coef_a, TRAVEX_TEXT("dialog", "系数A"));
  g.Value(IDC_COEF_B, &c->coef_b, TRAVEX_TEXT("dialog", "系数B"));
  CollectResult result = g.result();
  result.arg2_changed = g.ok() && std::memcmp(&arg2_before, a, sizeof arg2_before) != 0;
  result.coef_changed = g.ok() && std::memcmp(&coef_before, c, sizeof coef_before) != 0;
  result.arg2_channel = arg2_channel_;
  return result;
}

CollectResult CParamPanels::CollectArg2(uint8_t new_channel) {
  const uint8_t ch = arg2_channel_ = ClampChannel(arg2_channel_);
  Arg2Block block = store_.image.arg2[ch];
  CoefBlock coef = store_.image.coef[ch];
  const CollectResult result = GatherArg2(&block, &coef);
  if (!result.ok) return result;
  store_.image.arg2[ch] = block;
  store_.image.coef[ch] = coef;
  if (new_channel < kChannelCount) arg2_channel_ = new_channel;
  return result;
}

void CParamPanels::ShowArg2() {
  const uint8_t ch = arg2_channel_ = ClampChannel(arg2_channel_);
  const Arg2Block& a = store_.image.arg2[ch];
  const CoefBlock& c = store_.image.coef[ch];
  controls_.SetUnsigned(IDC_SLAVE_ADDR, a.slave_addr);
  controls_.SetCheck(IDC_ENABLE, a.enabled != 0 ? 1 : 0);
  const uint8_t func_code = PanelFuncCode(ch, a.func_code);
  ShowSelector(controls_, IDC_FUNC_CODE, kFuncCodeList, func_code);
  ShowSelector(controls_, IDC_DECIMALS, kDecimalsList, a.decimals);
  controls_.SetUnsigned(IDC_REG_START, a.reg_start);
  controls_.SetUnsigned(IDC_REG_COUNT, a.reg_count);
  ShowSelector(controls_, IDC_DATA_TYPE, kDataTypeList, a.data_type);
  ShowText(controls_, IDC_CH_NAME, a.name);
  ShowText(controls_, IDC_CH_UNIT, a.unit);
  ShowValue(controls_, IDC_COEF_A, c.coef_a);
  ShowValue(controls_, IDC_COEF_B, c.coef_b);
}

}  // namespace travex
