// The logger's clock: seconds since 1970-01-01 00:00:00 of wall-clock time, in a calendar in
// which every year divisible by 4 is a leap year.
#pragma once

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

uint32_t DateTimeToSeconds(DateTimeFields fields);
void SecondsToDateTime(uint32_t seconds, DateTimeFields* fields);

}  // namespace travex
