#include "app/param_panels.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>

#include "app/dialog_controls.h"
#include "app/panel_text.h"
#include "app/selector_lists.h"
#include "params/gbk.h"
#include "params/value_lists.h"
#include "resources/resource_ids.h"

namespace travex {

namespace {

// Text limits of the panels (bytes stored before the terminating zero).
constexpr size_t kArg1TextLimit = 8;
constexpr size_t kNameLimit = 20;
constexpr size_t kUnitLimit = 6;

constexpr const char* kValueRange = "一个数值（例如 12.5、-3 或 1e3），绝对值不超过 3.4e38";

std::string RangeText(uint32_t min, uint32_t max) {
  return std::to_string(min) + " 到 " + std::to_string(max) + " 之间的整数";
}
std::string UnsignedRange(uint32_t max) { return RangeText(0, max); }

std::string UnlistedNote(uint32_t value) { return "值 " + std::to_string(value) + "，不在列表中"; }

// The selector shows the entry of `value`, or that none of its entries stands for it.
void ShowSelector(IDialogControls& c, int id, ValueList list, uint32_t value) {
  if (const int index = IndexOfCode(list, value); index >= 0) {
    c.SetSelection(id, index);
  } else {
    c.SetUnlistedValue(id, UnlistedNote(value));
  }
}

template <size_t N>
void ShowText(IDialogControls& c, int id, const char (&field)[N]) {
  c.SetText(id, FieldString(field, N));
}

void ShowValue(IDialogControls& c, int id, float value) { c.SetText(id, FormatValueText(value)); }

uint8_t ClampChannel(uint8_t channel) { return channel < kChannelCount ? channel : 0; }
uint8_t ClampGear(uint8_t gear) { return gear < kGearCount ? gear : 0; }

}  // namespace

std::string FieldProblemText(const FieldProblem& problem) {
  std::string text = "“" + problem.label + "”";
  if (problem.channel >= 0) text += "（" + ChannelEntryText(problem.channel) + "）";
  text += "的值“" + problem.text + "”无效。\n允许的值：" + problem.range + "。";
  return text;
}

// Reads controls into a copy of a block, control by control: a control that shows exactly what
// the image holds is left alone, anything else is checked and stored. The first refused
// control ends the gathering.
class CParamPanels::Gatherer {
 public:
  Gatherer(IDialogControls& controls, int channel) : c_(controls), channel_(channel) {}

  template <typename T>
  void Unsigned(int id, T* field, const char* label) {
    if (!ok()) return;
    const std::string text = c_.GetText(id);
    const uint32_t current = *field;
    if (text == std::to_string(current)) return;
    const uint32_t max = std::numeric_limits<T>::max();
    uint32_t value = 0;
    if (!TryParseDialogUnsigned(text, &value) || value > max) {
      Fail(label, text, UnsignedRange(max));
      return;
    }
    changed_ = changed_ || value != current;
    *field = static_cast<T>(value);
  }

  void Value(int id, float* field, const std::string& label) {
    if (!ok()) return;
    const std::string text = c_.GetText(id);
    if (text == FormatValueText(*field)) return;
    float value = 0;
    if (!ParseValueTextStrict(text, &value)) {
      Fail(label, text, kValueRange);
      return;
    }
    changed_ = changed_ || std::memcmp(&value, field, sizeof value) != 0;
    *field = value;
  }

  template <size_t N>
  void Text(int id, char (&field)[N], size_t limit) {
    if (!ok()) return;
    const std::string text = c_.GetText(id);
    if (text == FieldString(field, N)) return;
    char before[N];
    std::memcpy(before, field, N);
    StoreTextField(text, limit < N ? limit : N - 1, field);
    changed_ = changed_ || std::memcmp(before, field, N) != 0;
  }

  // A selector: an entry the operator picked (other than the one shown for the value) stores
  // the entry's code; no selection keeps the value.
  template <typename T>
  void Selection(int id, ValueList list, T* field) {
    if (!ok()) return;
    const int selected = c_.GetSelection(id);
    const int shown = IndexOfCode(list, *field);
    if (selected == shown || selected < 0 || selected >= static_cast<int>(list.size())) return;
    const T value = static_cast<T>(list[static_cast<size_t>(selected)].code);
    changed_ = changed_ || value != *field;
    *field = value;
  }

  void Check(int id, uint8_t* field) {
    if (!ok()) return;
    const int checked = c_.GetCheck(id) == 1 ? 1 : 0;
    if (checked == (*field != 0 ? 1 : 0)) return;
    *field = static_cast<uint8_t>(checked);
    changed_ = true;
  }

  void Clock(uint32_t* device_time) {
    if (!ok()) return;
    static constexpr int kIds[6] = {IDC_YEAR, IDC_MONTH, IDC_DAY, IDC_HOUR, IDC_MINUTE, IDC_SECOND};
    static constexpr const char* kLabels[6] = {"当前时间（年）", "当前时间（月）", "当前时间（日）",
                                               "当前时间（时）", "当前时间（分）", "当前时间（秒）"};
    DateTimeFields shown{};
    SecondsToDateTime(*device_time, &shown);
    const uint32_t shown_values[6] = {shown.year, shown.month, shown.day,
                                      shown.hour, shown.minute, shown.second};
    std::string texts[6];
    bool same = true;
    for (int i = 0; i < 6; ++i) {
      texts[i] = c_.GetText(kIds[i]);
      same = same && texts[i] == std::to_string(shown_values[i]);
    }
    if (same) return;
    ClockEntry entry{};
    for (int i = 0; i < kClockFieldCount; ++i) {
      // A text that is no number is outside every field's range.
      if (!TryParseDialogUnsigned(texts[i], &entry[i])) {
        entry[i] = std::numeric_limits<uint32_t>::max();
      }
    }
    const ClockCheck check = CheckDateTime(entry);
    if (!check.ok()) {
      Fail(kLabels[check.field], texts[check.field], RangeText(check.min, check.max));
      return;
    }
    const uint32_t seconds = ClockEntryToSeconds(entry);
    changed_ = changed_ || seconds != *device_time;
    *device_time = seconds;
  }

  bool ok() const { return result_.ok; }
  bool changed() const { return changed_; }
  const CollectResult& result() const { return result_; }

 private:
  void Fail(const std::string& label, const std::string& gbk_text, const std::string& range) {
    result_.ok = false;
    result_.problem = {label, channel_, GbkToUtf8(gbk_text), range};
  }

  IDialogControls& c_;
  int channel_;
  bool changed_ = false;
  CollectResult result_;
};

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

// ---------------------------------------------------------------------------- base panel

void CParamPanels::ReadDateTimeFields(DateTimeFields* fields) {
  if (fields == nullptr) return;
  fields->year = static_cast<uint16_t>(controls_.GetUnsigned(IDC_YEAR));
  fields->month = static_cast<uint8_t>(controls_.GetUnsigned(IDC_MONTH));
  fields->day = static_cast<uint8_t>(controls_.GetUnsigned(IDC_DAY));
  fields->hour = static_cast<uint8_t>(controls_.GetUnsigned(IDC_HOUR));
  fields->minute = static_cast<uint8_t>(controls_.GetUnsigned(IDC_MINUTE));
  fields->second = static_cast<uint8_t>(controls_.GetUnsigned(IDC_SECOND));
}

CollectResult CParamPanels::GatherBase(BaseInfoBlock* b) {
  Gatherer g(controls_, -1);
  g.Selection(IDC_COMM_BAUD, kBaudRateList, &b->comm_baud);
  g.Selection(IDC_PARITY, kParityList, &b->parity);
  g.Unsigned(IDC_RS485_POLL, &b->rs485_poll_interval, "485轮询间隔");
  g.Unsigned(IDC_RS485_TIMEOUT, &b->rs485_timeout, "485超时时间");
  g.Unsigned(IDC_RS485_RETRIES, &b->rs485_retries, "485容错次数");
  g.Unsigned(IDC_STORE_INTERVAL, &b->store_interval, "存储间隔");
  g.Unsigned(IDC_LCD_ON_TIME, &b->lcd_on_time, "液晶常亮时间");
  g.Clock(&b->device_time);
  CollectResult result = g.result();
  result.base_changed = g.ok() && g.changed();
  return result;
}

CollectResult CParamPanels::CollectBaseInfo() {
  BaseInfoBlock base = store_.image.base;
  const CollectResult result = GatherBase(&base);
  if (result.ok) store_.image.base = base;
  return result;
}

void CParamPanels::ShowCoefControls(bool visible) {
  controls_.ShowControl(IDC_COEF_A_LABEL, visible);
  controls_.ShowControl(IDC_COEF_A, visible);
  controls_.ShowControl(IDC_COEF_B_LABEL, visible);
  controls_.ShowControl(IDC_COEF_B, visible);
}

void CParamPanels::ShowBaseInfo() {
  const BaseInfoBlock& b = store_.image.base;
  const uint16_t version = store_.fw_version;
  if (version != 0) {
    ShowCoefControls(true);
    char text[16];
    std::snprintf(text, sizeof text, "V%d:%02d", version >> 8, version & 0xFF);
    controls_.SetText(IDC_VERSION, text);
  } else {
    ShowCoefControls(false);
  }

  // A value the selector cannot show is reported and kept: the selector shows no entry.
  if (IndexOfCode(kBaudRateList, b.comm_baud) < 0) controls_.SetPaneText(0, "设备通信波特率错误");
  ShowSelector(controls_, IDC_COMM_BAUD, kBaudRateList, b.comm_baud);
  if (IndexOfCode(kParityList, b.parity) < 0) controls_.SetPaneText(0, "奇偶校验错误");
  ShowSelector(controls_, IDC_PARITY, kParityList, b.parity);

  controls_.SetUnsigned(IDC_RS485_POLL, b.rs485_poll_interval);
  controls_.SetUnsigned(IDC_RS485_TIMEOUT, b.rs485_timeout);
  controls_.SetUnsigned(IDC_RS485_RETRIES, b.rs485_retries);
  controls_.SetUnsigned(IDC_STORE_INTERVAL, b.store_interval);
  controls_.SetUnsigned(IDC_LCD_ON_TIME, b.lcd_on_time);

  DateTimeFields t{};
  SecondsToDateTime(b.device_time, &t);
  controls_.SetUnsigned(IDC_YEAR, t.year);
  controls_.SetUnsigned(IDC_MONTH, t.month);
  controls_.SetUnsigned(IDC_DAY, t.day);
  controls_.SetUnsigned(IDC_HOUR, t.hour);
  controls_.SetUnsigned(IDC_MINUTE, t.minute);
  controls_.SetUnsigned(IDC_SECOND, t.second);
}

void CParamPanels::FillCurrentTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return;
  controls_.SetUnsigned(IDC_YEAR, static_cast<uint32_t>(local.tm_year + 1900));
  controls_.SetUnsigned(IDC_MONTH, static_cast<uint32_t>(local.tm_mon + 1));
  controls_.SetUnsigned(IDC_DAY, static_cast<uint32_t>(local.tm_mday));
  controls_.SetUnsigned(IDC_HOUR, static_cast<uint32_t>(local.tm_hour));
  controls_.SetUnsigned(IDC_MINUTE, static_cast<uint32_t>(local.tm_min));
  controls_.SetUnsigned(IDC_SECOND, static_cast<uint32_t>(local.tm_sec));
}

// ------------------------------------------------------------------------ channel panels

CollectResult CParamPanels::GatherArg1(Arg1Block* a, uint8_t gear) {
  Gatherer g(controls_, arg1_channel_);
  g.Value(IDC_ALARM_VALUE, &a->alarm_value, "开关量报警数值");
  g.Text(IDC_ALARM_TEXT, a->alarm_text, kArg1TextLimit);
  g.Text(IDC_NORMAL_TEXT, a->normal_text, kArg1TextLimit);
  GearEntry& entry = a->gears[gear];
  g.Text(IDC_GEAR_TEXT, entry.text, kArg1TextLimit);
  g.Value(IDC_GEAR_VALUE, &entry.value, GearEntryText(gear) + " 数值");
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
  Gatherer g(controls_, ch);
  GearEntry& entry = block.gears[k];
  g.Text(IDC_GEAR_TEXT, entry.text, kArg1TextLimit);
  g.Value(IDC_GEAR_VALUE, &entry.value, GearEntryText(k) + " 数值");
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
  Gatherer g(controls_, arg2_channel_);
  g.Unsigned(IDC_SLAVE_ADDR, &a->slave_addr, "MODBUS从站地址");
  g.Check(IDC_ENABLE, &a->enabled);
  g.Selection(IDC_FUNC_CODE, kFuncCodeList, &a->func_code);
  g.Selection(IDC_DECIMALS, kDecimalsList, &a->decimals);
  g.Unsigned(IDC_REG_START, &a->reg_start, "寄存器起始地址");
  g.Unsigned(IDC_REG_COUNT, &a->reg_count, "寄存器个数");
  g.Selection(IDC_DATA_TYPE, kDataTypeList, &a->data_type);
  g.Text(IDC_CH_NAME, a->name, kNameLimit);
  g.Text(IDC_CH_UNIT, a->unit, kUnitLimit);
  g.Value(IDC_COEF_A, &c->coef_a, "系数A");
  g.Value(IDC_COEF_B, &c->coef_b, "系数B");
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
