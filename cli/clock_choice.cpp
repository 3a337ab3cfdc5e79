#include "cli/clock_choice.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <ctime>

#include "params/calendar.h"
#include "params/field_table.h"

namespace travex::cli {
namespace {

constexpr uint32_t kSecondsPerDay = 86400;
constexpr const char* kMonthNames[] = {"January", "February", "March",     "April",
                                       "May",     "June",     "July",      "August",
                                       "September", "October", "November", "December"};

// Days of a month in the logger's calendar: the distance to the next month's first day, as the
// calendar counts it (the count wraps at 32 bits; the difference does not mind).
unsigned DaysInMonth(uint16_t year, uint8_t month) {
  const uint32_t first = DateTimeToSeconds({year, month, 1, 0, 0, 0});
  const uint32_t next = DateTimeToSeconds({year, static_cast<uint8_t>(month + 1), 1, 0, 0, 0});
  return (next - first) / kSecondsPerDay;
}

bool HasShape(std::string_view text) {
  static constexpr std::string_view kShape = "0000-00-00 00:00:00";
  if (text.size() != kShape.size()) return false;
  for (size_t i = 0; i < kShape.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kShape[i] == '0' ? !digit : text[i] != kShape[i]) return false;
  }
  return true;
}

unsigned Number(std::string_view text, size_t pos, size_t length) {
  unsigned value = 0;
  std::from_chars(text.data() + pos, text.data() + pos + length, value);
  return value;
}

}  // namespace

std::string DeviceTimeProblem(std::string_view text) {
  uint32_t seconds = 0;
  if (ParseDeviceTime(text, &seconds)) return {};
  if (!HasShape(text)) return "not of the form YYYY-MM-DD HH:MM:SS";
  const unsigned year = Number(text, 0, 4);
  const unsigned month = Number(text, 5, 2);
  const unsigned day = Number(text, 8, 2);
  if (month < 1 || month > 12) return "no such month: " + std::to_string(month) + " (1 to 12)";
  const unsigned days = DaysInMonth(static_cast<uint16_t>(year), static_cast<uint8_t>(month));
  if (day < 1 || day > days) {
    return "no such day: " + std::string(kMonthNames[month - 1]) + " " + std::to_string(year) +
           " has " + std::to_string(days) + " days";
  }
  if (Number(text, 11, 2) > 23) return "no such hour (0 to 23)";
  if (Number(text, 14, 2) > 59) return "no such minute (0 to 59)";
  if (Number(text, 17, 2) > 59) return "no such second (0 to 59)";
  return "outside the logger's calendar, which runs from " + FormatDeviceTime(0) + " to " +
         FormatDeviceTime(UINT32_MAX);
}

bool ParseClock(const std::string& text, bool allow_keep, ClockChoice* choice, std::string* why) {
  if (allow_keep && text == "keep") {
    *choice = {ClockChoice::kKeep, 0};
    return true;
  }
  if (text == "now") {
    *choice = {ClockChoice::kNow, 0};
    return true;
  }
  std::string normal = text;
  if (normal.size() > 10 && normal[10] == 'T') normal[10] = ' ';
  uint32_t seconds = 0;
  if (!ParseDeviceTime(normal, &seconds)) {
    *why = HasShape(normal) ? DeviceTimeProblem(normal)
                            : std::string(allow_keep ? "give keep, now or YYYY-MM-DDTHH:MM:SS"
                                                     : "give now or YYYY-MM-DDTHH:MM:SS");
    return false;
  }
  *choice = {ClockChoice::kFixed, seconds};
  return true;
}

uint32_t LocalClockNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  DateTimeFields fields{};
  fields.year = static_cast<uint16_t>(local.tm_year + 1900);
  fields.month = static_cast<uint8_t>(local.tm_mon + 1);
  fields.day = static_cast<uint8_t>(local.tm_mday);
  fields.hour = static_cast<uint8_t>(local.tm_hour);
  fields.minute = static_cast<uint8_t>(local.tm_min);
  fields.second = static_cast<uint8_t>(std::min(local.tm_sec, 59));  // no leap second
  return DateTimeToSeconds(fields);
}

}  // namespace travex::cli
