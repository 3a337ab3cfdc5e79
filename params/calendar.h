// The logger's clock: seconds since 1970-01-01 00:00:00 of wall-clock time, in a calendar in
// which every year divisible by 4 is a leap year.
#pragma once

#include <array>
#include <cstdint>

namespace travex {

struct DateTimeFields {
  uint16_t year;
  uint8_t month;
  uint8_t day;
  uint8_t hour;
  uint8_t minute;
  uint8_t second;
};

// The conversions fold fields that make no date into another date; past 2106-02-06 06:28:15
// the count wraps. Check what a person enters with CheckDateTime first.
uint32_t DateTimeToSeconds(DateTimeFields fields);
void SecondsToDateTime(uint32_t seconds, DateTimeFields* fields);

// A date and time as entered, before it is known to be one: year, month, day, hour, minute,
// second, in this order.
inline constexpr int kClockFieldCount = 6;
using ClockEntry = std::array<uint32_t, kClockFieldCount>;

// The first field of an entry that is outside its range, with that range, which follows from
// the fields before it (the day of 2024-02 is 1 to 29; the month of 2106 is 1 to 2).
// beyond_calendar tells a range cut by the span the clock holds, 1970-01-01 00:00:00 to
// 2106-02-06 06:28:15, from one that the calendar itself sets (no such day).
struct ClockCheck {
  int field = -1;  // index into the entry; -1 when the entry is a time the clock holds
  uint32_t min = 0;
  uint32_t max = 0;
  bool beyond_calendar = false;
  bool ok() const { return field < 0; }
};
ClockCheck CheckDateTime(const ClockEntry& entry);

// The clock count of an entry that CheckDateTime accepts.
uint32_t ClockEntryToSeconds(const ClockEntry& entry);

}  // namespace travex
