// CParamPanels: the base panel (link settings, intervals, the logger's clock and version).
#include "app/param_panels.h"

#include <cstdio>
#include <ctime>

#include "app/dialog_controls.h"
#include "app/panel_gatherer.h"
#include "app/panel_show.h"
#include "params/value_lists.h"
#include "resources/resource_ids.h"

namespace travex {

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
  CPanelGatherer g(controls_, -1);
  g.Selection(IDC_COMM_BAUD, kBaudRateList, &b->comm_baud);
  g.Selection(IDC_PARITY, kParityList, &b->parity);
  g.Unsigned(IDC_RS485_POLL, &b->rs485_poll_interval, TRAVEX_TEXT("dialog", "485轮询间隔"));
  g.Unsigned(IDC_RS485_TIMEOUT, &b->rs485_timeout, TRAVEX_TEXT("dialog", "485超时时间"));
  g.Unsigned(IDC_RS485_RETRIES, &b->rs485_retries, TRAVEX_TEXT("dialog", "485容错次数"));
  g.Unsigned(IDC_STORE_INTERVAL, &b->store_interval, TRAVEX_TEXT("dialog", "存储间隔"));
  g.Unsigned(IDC_LCD_ON_TIME, &b->lcd_on_time, TRAVEX_TEXT("dialog", "液晶常亮时间"));
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
  if (IndexOfCode(kBaudRateList, b.comm_baud) < 0) controls_.SetPaneText(0, controls_.Tr("dialog", "设备通信波特率错误"));
  ShowSelector(controls_, IDC_COMM_BAUD, kBaudRateList, b.comm_baud);
  if (IndexOfCode(kParityList, b.parity) < 0) controls_.SetPaneText(0, controls_.Tr("dialog", "奇偶校验错误"));
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

}  // namespace travex
