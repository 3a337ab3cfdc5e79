#include "app/panel_gatherer.h"

#include "params/calendar.h"
#include "params/gbk.h"
#include "resources/resource_ids.h"

namespace travex {
namespace {

constexpr const char* kValueRange =
    TRAVEX_TEXT("dialog", "一个数值（例如 12.5、-3 或 1e3），绝对值不超过 3.4e38");

}  // namespace

std::string FieldProblemText(const FieldProblem& problem, const IWords& words) {
  const std::string allowed = FillIn(words.Tr("dialog", "允许的值：%1。"), {problem.range});
  if (problem.channel < 0) {
    return FillIn(words.Tr("dialog", "“%1”的值“%2”无效。"), {problem.label, problem.text}) +
           "\n" + allowed;
  }
  return FillIn(words.Tr("dialog", "“%1”（%2）的值“%3”无效。"),
                {problem.label, ChannelEntryText(problem.channel, words), problem.text}) +
         "\n" + allowed;
}

void CPanelGatherer::Value(int id, float* field, const std::string& label) {
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

void CPanelGatherer::Check(int id, uint8_t* field) {
  if (!ok()) return;
  const int checked = c_.GetCheck(id) == 1 ? 1 : 0;
  if (checked == (*field != 0 ? 1 : 0)) return;
  *field = static_cast<uint8_t>(checked);
  changed_ = true;
}

void CPanelGatherer::Clock(uint32_t* device_time) {
  if (!ok()) return;
  static constexpr int kIds[6] = {IDC_YEAR, IDC_MONTH, IDC_DAY, IDC_HOUR, IDC_MINUTE, IDC_SECOND};
  static constexpr const char* kLabels[6] = {
      TRAVEX_TEXT("dialog", "当前时间（年）"), TRAVEX_TEXT("dialog", "当前时间（月）"),
      TRAVEX_TEXT("dialog", "当前时间（日）"), TRAVEX_TEXT("dialog", "当前时间（时）"),
      TRAVEX_TEXT("dialog", "当前时间（分）"), TRAVEX_TEXT("dialog", "当前时间（秒）")};
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
    FailRange(kLabels[check.field], texts[check.field], check.min, check.max);
    return;
  }
  const uint32_t seconds = ClockEntryToSeconds(entry);
  changed_ = changed_ || seconds != *device_time;
  *device_time = seconds;
}

void CPanelGatherer::Fail(const std::string& label, const std::string& gbk_text,
                          const std::string& range) {
  result_.ok = false;
  result_.problem = {c_.Tr("dialog", label), channel_, GbkToUtf8(gbk_text),
                     c_.Tr("dialog", range)};
}

void CPanelGatherer::FailRange(const std::string& label, const std::string& gbk_text,
                               uint32_t min, uint32_t max) {
  Fail(label, gbk_text,
       FillIn(c_.Tr("dialog", "%1 到 %2 之间的整数"), {std::to_string(min), std::to_string(max)}));
}

}  // namespace travex
