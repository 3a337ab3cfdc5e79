// Every year divisible by 4 is a leap year here; no time zone is applied.
#include "params/calendar.h"

namespace travex {
namespace {

constexpr uint32_t kSecondsPerDay = 86400;
constexpr uint32_t kCommonYearSeconds = 31536000;
constexpr uint32_t kLeapYearSeconds = 31622400;

bool IsLeap(uint32_t year) { return year % 4 == 0; }

// Days of month m (1 to 12) in a year whose February has february_days.
uint32_t MonthDays(unsigned m, uint32_t february_days) {
  switch (m) {
    case 2:
      return february_days;
    case 4:
    case 6:
    case 9:
    case 11:
      return 30;
    default:
      return 31;
  }
}

// The last second the 32-bit count holds, field by field.
constexpr ClockEntry kLastClockTime = {2106, 2, 6, 6, 28, 15};

}  // namespace

ClockCheck CheckDateTime(const ClockEntry& entry) {
  // While every field so far equals the last second's, the next one may not exceed its own.
  bool at_end = true;
  for (int i = 0; i < kClockFieldCount; ++i) {
    const uint32_t min = i == 0 ? 1970 : (i <= 2 ? 1 : 0);
    uint32_t max = 59;
    if (i == 0) max = kLastClockTime[0];
    if (i == 1) max = 12;
    if (i == 2) max = MonthDays(entry[1], IsLeap(entry[0]) ? 29 : 28);
    if (i == 3) max = 23;
    bool beyond = i == 0;
    if (at_end && kLastClockTime[i] < max) {
      max = kLastClockTime[i];
      beyond = true;
    }
    if (entry[i] < min || entry[i] > max) return {i, min, max, beyond};
    at_end = at_end && entry[i] == kLastClockTime[i];
  }
  return {};
}

uint32_t ClockEntryToSeconds(const ClockEntry& entry) {
  return DateTimeToSeconds({static_cast<uint16_t>(entry[0]), static_cast<uint8_t>(entry[1]),
                            static_cast<uint8_t>(entry[2]), static_cast<uint8_t>(entry[3]),
                            static_cast<uint8_t>(entry[4]), static_cast<uint8_t>(entry[5])});
}

uint32_t DateTimeToSeconds(DateTimeFields fields) {
  uint32_t sum = 0;
  for (uint32_t y = 1970; y < fields.year; ++y) {
    sum += IsLeap(y) ? kLeapYearSeconds : kCommonYearSeconds;
  }
  const uint32_t february = IsLeap(fields.year) ? 29 : 28;
  for (unsigned m = 1; m < fields.month && m <= 12; ++m) {
    sum += MonthDays(m, february) * kSecondsPerDay;
  }
  if (fields.day >= 2) sum += (fields.day - 1u) * kSecondsPerDay;
  sum += fields.hour * 3600u + fields.minute * 60u + fields.second;
  return sum;
}

// February's length is worked out per call, so the function keeps no shared state.
void SecondsToDateTime(uint32_t seconds, DateTimeFields* fields) {
  const uint32_t r = seconds % kSecondsPerDay;
  fields->hour = static_cast<uint8_t>(r / 3600);
  fields->minute = static_cast<uint8_t>((r % 3600) / 60);
  fields->second = static_cast<uint8_t>(r % 60);

  uint32_t d = seconds / kSecondsPerDay;
  uint32_t year = 1970;
  uint32_t year_days = 365;
  while (d >= year_days) {
    d -= year_days;
    ++year;
    year_days = IsLeap(year) ? 366 : 365;
  }
  fields->year = static_cast<uint16_t>(year);

  const uint32_t february = IsLeap(year) ? 29 : 28;
  unsigned month = 1;
  while (month <= 12 && d >= MonthDays(month, february)) {
    d -= MonthDays(month, february);
    ++month;
  }
  fields->month = static_cast<uint8_t>(month);
  fields->day = static_cast<uint8_t>(d + 1);
}

}  // namespace travex
