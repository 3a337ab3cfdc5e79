// Panel logic of the parameter store: moves values between the dialog's controls and the
// parameter image. Collect before switching: a selector change first saves the controls into
// the entry they showed, then moves the index, then the caller shows the new entry.
#include <cstdio>
#include <ctime>

#include "app/dialog_controls.h"
#include "app/panel_text.h"
#include "params/param_store.h"
#include "resources/resource_ids.h"

namespace travex {

namespace {

constexpr uint32_t kBaudTable[9] = {2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200};
constexpr int kParityEntries = 3;
constexpr int kDecimalsEntries = 6;
constexpr int kDataTypeEntries = 16;

// Text limits of the panels (bytes stored before the terminating zero).
constexpr size_t kArg1TextLimit = 8;
constexpr size_t kNameLimit = 20;
constexpr size_t kUnitLimit = 6;

template <size_t N>
void StoreText(IDialogControls* owner, int id, char (&field)[N], size_t limit) {
  static_assert(N > 0);
  StoreTextField(owner->GetText(id), limit < N ? limit : N - 1, field);
}

template <size_t N>
void ShowText(IDialogControls* owner, int id, const char (&field)[N]) {
  owner->SetText(id, FieldString(field, N));
}

float CollectValue(IDialogControls* owner, int id) { return ParseValueText(owner->GetText(id)); }

void ShowValue(IDialogControls* owner, int id, float value) {
  owner->SetText(id, FormatValueText(value));
}

uint8_t SelectionByte(IDialogControls* owner, int id) {
  return static_cast<uint8_t>(owner->GetSelection(id));
}

}  // namespace

// ---------------------------------------------------------------------------- base panel

void CParamStore::ReadDateTimeFields(DateTimeFields* fields) {
  if (owner == nullptr || fields == nullptr) return;
  fields->year = static_cast<uint16_t>(owner->GetUnsigned(IDC_YEAR));
  fields->month = static_cast<uint8_t>(owner->GetUnsigned(IDC_MONTH));
  fields->day = static_cast<uint8_t>(owner->GetUnsigned(IDC_DAY));
  fields->hour = static_cast<uint8_t>(owner->GetUnsigned(IDC_HOUR));
  fields->minute = static_cast<uint8_t>(owner->GetUnsigned(IDC_MINUTE));
  fields->second = static_cast<uint8_t>(owner->GetUnsigned(IDC_SECOND));
}

void CParamStore::CollectBaseInfo() {
  if (owner == nullptr) return;
  BaseInfoBlock& b = image.base;
  const int baud = owner->GetSelection(IDC_COMM_BAUD);
  if (baud >= 0 && baud < 9) b.comm_baud = kBaudTable[baud];
  b.parity = SelectionByte(owner, IDC_PARITY);
  b.rs485_poll_interval = static_cast<uint16_t>(owner->GetUnsigned(IDC_RS485_POLL));
  b.rs485_timeout = static_cast<uint16_t>(owner->GetUnsigned(IDC_RS485_TIMEOUT));
  b.rs485_retries = static_cast<uint16_t>(owner->GetUnsigned(IDC_RS485_RETRIES));
  b.store_interval = static_cast<uint16_t>(owner->GetUnsigned(IDC_STORE_INTERVAL));
  b.lcd_on_time = static_cast<uint16_t>(owner->GetUnsigned(IDC_LCD_ON_TIME));
  DateTimeFields fields{};
  ReadDateTimeFields(&fields);
  b.device_time = DateTimeToSeconds(fields);
}

void CParamStore::ShowCoefControls(bool visible) {
  if (owner == nullptr) return;
  owner->ShowControl(IDC_COEF_A_LABEL, visible);
  owner->ShowControl(IDC_COEF_A, visible);
  owner->ShowControl(IDC_COEF_B_LABEL, visible);
  owner->ShowControl(IDC_COEF_B, visible);
}

void CParamStore::ShowBaseInfo() {
  if (owner == nullptr) return;
  const BaseInfoBlock& b = image.base;
  if (fw_version != 0) {
    ShowCoefControls(true);
    char text[16];
    std::snprintf(text, sizeof text, "V%d:%02d", fw_version >> 8, fw_version & 0xFF);
    owner->SetText(IDC_VERSION, text);
  } else {
    ShowCoefControls(false);
  }

  int baud_index = -1;
  for (int i = 0; i < 9; ++i) {
    if (kBaudTable[i] == b.comm_baud) baud_index = i;
  }
  if (baud_index >= 0) {
    owner->SetSelection(IDC_COMM_BAUD, baud_index);
  } else {
    owner->SetPaneText(0, "设备通信波特率错误");
  }
  if (b.parity < kParityEntries) {
    owner->SetSelection(IDC_PARITY, b.parity);
  } else {
    owner->SetPaneText(0, "奇偶校验错误");
  }

  owner->SetUnsigned(IDC_RS485_POLL, b.rs485_poll_interval);
  owner->SetUnsigned(IDC_RS485_TIMEOUT, b.rs485_timeout);
  owner->SetUnsigned(IDC_RS485_RETRIES, b.rs485_retries);
  owner->SetUnsigned(IDC_STORE_INTERVAL, b.store_interval);
  owner->SetUnsigned(IDC_LCD_ON_TIME, b.lcd_on_time);

  DateTimeFields t{};
  SecondsToDateTime(b.device_time, &t);
  owner->SetUnsigned(IDC_YEAR, t.year);
  owner->SetUnsigned(IDC_MONTH, t.month);
  owner->SetUnsigned(IDC_DAY, t.day);
  owner->SetUnsigned(IDC_HOUR, t.hour);
  owner->SetUnsigned(IDC_MINUTE, t.minute);
  owner->SetUnsigned(IDC_SECOND, t.second);
}

void CParamStore::FillCurrentTime() {
  if (owner == nullptr) return;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return;
  owner->SetUnsigned(IDC_YEAR, static_cast<uint32_t>(local.tm_year + 1900));
  owner->SetUnsigned(IDC_MONTH, static_cast<uint32_t>(local.tm_mon + 1));
  owner->SetUnsigned(IDC_DAY, static_cast<uint32_t>(local.tm_mday));
  owner->SetUnsigned(IDC_HOUR, static_cast<uint32_t>(local.tm_hour));
  owner->SetUnsigned(IDC_MINUTE, static_cast<uint32_t>(local.tm_min));
  owner->SetUnsigned(IDC_SECOND, static_cast<uint32_t>(local.tm_sec));
}

// ------------------------------------------------------------------------ channel panels
//
// The indexes are public members; a value out of range (never produced by the collects
// below) is treated as entry 0 so that nothing ever indexes outside the image.

void CParamStore::CollectGear(uint8_t new_gear) {
  if (owner == nullptr) return;
  if (arg1_channel >= kChannelCount) arg1_channel = 0;
  uint8_t& k = gear_index[arg1_channel];
  if (k >= kGearCount) k = 0;
  GearEntry& gear = image.arg1[arg1_channel].gears[k];
  StoreText(owner, IDC_GEAR_TEXT, gear.text, kArg1TextLimit);
  gear.value = CollectValue(owner, IDC_GEAR_VALUE);
  // No selection (or a typed entry that is not in the list) keeps the gear shown.
  if (new_gear < kGearCount) k = new_gear;
}

void CParamStore::ShowGear() {
  if (owner == nullptr) return;
  if (arg1_channel >= kChannelCount) arg1_channel = 0;
  uint8_t& k = gear_index[arg1_channel];
  if (k >= kGearCount) k = 0;
  const GearEntry& gear = image.arg1[arg1_channel].gears[k];
  owner->SetSelection(IDC_GEAR, k);
  ShowText(owner, IDC_GEAR_TEXT, gear.text);
  ShowValue(owner, IDC_GEAR_VALUE, gear.value);
}

void CParamStore::CollectArg1(uint8_t new_channel) {
  if (owner == nullptr) return;
  if (arg1_channel >= kChannelCount) arg1_channel = 0;
  Arg1Block& a = image.arg1[arg1_channel];
  a.alarm_value = CollectValue(owner, IDC_ALARM_VALUE);
  StoreText(owner, IDC_ALARM_TEXT, a.alarm_text, kArg1TextLimit);
  StoreText(owner, IDC_NORMAL_TEXT, a.normal_text, kArg1TextLimit);
  CollectGear(SelectionByte(owner, IDC_GEAR));
  if (new_channel < kChannelCount) arg1_channel = new_channel;
}

void CParamStore::ShowArg1() {
  if (owner == nullptr) return;
  if (arg1_channel >= kChannelCount) arg1_channel = 0;
  const Arg1Block& a = image.arg1[arg1_channel];
  ShowValue(owner, IDC_ALARM_VALUE, a.alarm_value);
  ShowText(owner, IDC_ALARM_TEXT, a.alarm_text);
  ShowText(owner, IDC_NORMAL_TEXT, a.normal_text);
  ShowGear();
}

void CParamStore::CollectArg2(uint8_t new_channel) {
  if (owner == nullptr) return;
  if (arg2_channel >= kChannelCount) arg2_channel = 0;
  Arg2Block& a = image.arg2[arg2_channel];
  CoefBlock& c = image.coef[arg2_channel];
  a.slave_addr = static_cast<uint8_t>(owner->GetUnsigned(IDC_SLAVE_ADDR));
  a.enabled = owner->GetCheck(IDC_ENABLE) == 1 ? 1 : 0;
  a.func_code = static_cast<uint8_t>(owner->GetSelection(IDC_FUNC_CODE) + 3);
  a.decimals = SelectionByte(owner, IDC_DECIMALS);
  a.reg_start = static_cast<uint16_t>(owner->GetUnsigned(IDC_REG_START));
  a.reg_count = static_cast<uint8_t>(owner->GetUnsigned(IDC_REG_COUNT));
  a.data_type = SelectionByte(owner, IDC_DATA_TYPE);
  StoreText(owner, IDC_CH_NAME, a.name, kNameLimit);
  StoreText(owner, IDC_CH_UNIT, a.unit, kUnitLimit);
  c.coef_a = CollectValue(owner, IDC_COEF_A);
  c.coef_b = CollectValue(owner, IDC_COEF_B);
  if (new_channel < kChannelCount) arg2_channel = new_channel;
}

void CParamStore::ShowArg2() {
  if (owner == nullptr) return;
  if (arg2_channel >= kChannelCount) arg2_channel = 0;
  const Arg2Block& a = image.arg2[arg2_channel];
  const CoefBlock& c = image.coef[arg2_channel];
  owner->SetUnsigned(IDC_SLAVE_ADDR, a.slave_addr);
  owner->SetCheck(IDC_ENABLE, a.enabled != 0 ? 1 : 0);
  owner->SetSelection(IDC_FUNC_CODE, a.func_code == 4 ? 1 : 0);
  owner->SetSelection(IDC_DECIMALS, a.decimals < kDecimalsEntries ? a.decimals : -1);
  owner->SetUnsigned(IDC_REG_START, a.reg_start);
  owner->SetUnsigned(IDC_REG_COUNT, a.reg_count);
  owner->SetSelection(IDC_DATA_TYPE, a.data_type < kDataTypeEntries ? a.data_type : -1);
  ShowText(owner, IDC_CH_NAME, a.name);
  ShowText(owner, IDC_CH_UNIT, a.unit);
  ShowValue(owner, IDC_COEF_A, c.coef_a);
  ShowValue(owner, IDC_COEF_B, c.coef_b);
}

void CParamStore::ShowAllPanels() {
  ShowBaseInfo();
  ShowArg1();
  ShowArg2();
}

void CParamStore::CollectAllPanels() {
  if (owner == nullptr) return;
  CollectBaseInfo();
  CollectArg1(SelectionByte(owner, IDC_ARG1_CHANNEL));
  CollectArg2(SelectionByte(owner, IDC_ARG2_CHANNEL));
}

void CParamStore::InitParamPanels() {
  fw_version = 0;
  ShowAllPanels();
  if (owner == nullptr) return;
  owner->SetSelection(IDC_ARG1_CHANNEL, 0);
  owner->SetSelection(IDC_ARG2_CHANNEL, 0);
  ShowCoefControls(false);
}

}  // namespace travex
