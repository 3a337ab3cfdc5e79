// The clock a command is to write, as the user gives it: keep (the file's), now, or a date and
// time "YYYY-MM-DDTHH:MM:SS" (or with a blank for the T) that the logger's clock can hold.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace travex::cli {

struct ClockChoice {
  enum Kind { kKeep, kNow, kFixed } kind = kKeep;
  uint32_t seconds = 0;  // kFixed
};

// False for a text that is none of these, with *why telling what is wrong with it.
bool ParseClock(const std::string& text, bool allow_keep, ClockChoice* choice, std::string* why);

// Why a text "YYYY-MM-DD HH:MM:SS" is no time the logger's clock can hold: not that shape, a
// field outside its range ("no such day: February 2023 has 28 days"), or outside the logger's
// calendar. Empty when it is one.
std::string DeviceTimeProblem(std::string_view text);

// The PC's local wall-clock time as seconds of the logger's calendar.
uint32_t LocalClockNow();

}  // namespace travex::cli
