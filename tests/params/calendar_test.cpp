#include <gtest/gtest.h>

#include <thread>

#include "params/calendar.h"

namespace travex {
namespace {

DateTimeFields Dt(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return DateTimeFields{static_cast<uint16_t>(y), static_cast<uint8_t>(mo), static_cast<uint8_t>(d),
                        static_cast<uint8_t>(h),  static_cast<uint8_t>(mi), static_cast<uint8_t>(s)};
}

void ExpectFields(const DateTimeFields& want, uint32_t seconds) {
  DateTimeFields got{};
  SecondsToDateTime(seconds, &got);
  EXPECT_EQ(want.year, got.year) << seconds;
  EXPECT_EQ(want.month, got.month) << seconds;
  EXPECT_EQ(want.day, got.day) << seconds;
  EXPECT_EQ(want.hour, got.hour) << seconds;
  EXPECT_EQ(want.minute, got.minute) << seconds;
  EXPECT_EQ(want.second, got.second) << seconds;
}

TEST(Calendar, KnownDatesBothWays) {
  struct {
    DateTimeFields fields;
    uint32_t seconds;
  } cases[] = {
      {Dt(1970, 1, 1), 0u},
      {Dt(2000, 2, 29, 12), 951825600u},
      {Dt(2020, 12, 31, 23, 59, 59), 1609459199u},
      {Dt(2024, 2, 29), 1709164800u},
      {Dt(2100, 3, 1), 4107628800u},  // 2100 counts as a leap year here
      {Dt(2106, 2, 6, 6, 28, 15), 4294967295u},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.seconds, DateTimeToSeconds(c.fields));
    ExpectFields(c.fields, c.seconds);
  }
}

TEST(Calendar, OutOfRangeFieldsFoldIntoTheCount) {
  EXPECT_EQ(1704067200u, DateTimeToSeconds(Dt(2024, 1, 0)));
  EXPECT_EQ(1704067200u, DateTimeToSeconds(Dt(2024, 1, 1)));
  EXPECT_EQ(1704067200u, DateTimeToSeconds(Dt(2024, 0, 1)));
  EXPECT_EQ(1735689600u, DateTimeToSeconds(Dt(2024, 13, 1)));
  EXPECT_EQ(1735689600u, DateTimeToSeconds(Dt(2024, 14, 1)));
  EXPECT_EQ(1735689600u, DateTimeToSeconds(Dt(2024, 255, 1)));
  EXPECT_EQ(5097600u, DateTimeToSeconds(Dt(1969, 3, 1)));
  EXPECT_EQ(5184000u, DateTimeToSeconds(Dt(1968, 3, 1)));
  EXPECT_EQ(1704153600u, DateTimeToSeconds(Dt(2024, 1, 1, 24)));
  EXPECT_EQ(86399u, DateTimeToSeconds(Dt(2106, 2, 7, 6, 28, 15)));  // wraps
  EXPECT_EQ(1677628800u, DateTimeToSeconds(Dt(2023, 2, 29)));
  ExpectFields(Dt(2023, 3, 1), 1677628800u);
  // A leap-year conversion leaves nothing behind for the next one.
  ExpectFields(Dt(2024, 2, 29), 1709164800u);
  ExpectFields(Dt(2023, 3, 1), 1677628800u);
}

TEST(Calendar, EverySampledCountRoundTrips) {
  for (uint64_t s = 0; s <= 0xFFFFFFFFull; s += 7919u * 13u) {
    DateTimeFields f{};
    SecondsToDateTime(static_cast<uint32_t>(s), &f);
    ASSERT_GE(f.month, 1);
    ASSERT_LE(f.month, 12);
    ASSERT_EQ(s, DateTimeToSeconds(f));
  }
}

TEST(Calendar, ConversionsOnTwoThreadsDoNotDisturbEachOther) {
  auto worker = [](uint32_t seconds, DateTimeFields want, bool* ok) {
    *ok = true;
    for (int i = 0; i < 20000; ++i) {
      DateTimeFields f{};
      SecondsToDateTime(seconds, &f);
      if (f.month != want.month || f.day != want.day) *ok = false;
    }
  };
  bool ok_leap = false;
  bool ok_common = false;
  // 2024-03-01 only comes out right if February has 29 days; 2023-03-01 only with 28.
  std::thread a(worker, 1709251200u, Dt(2024, 3, 1), &ok_leap);
  std::thread b(worker, 1677628800u, Dt(2023, 3, 1), &ok_common);
  a.join();
  b.join();
  EXPECT_TRUE(ok_leap);
  EXPECT_TRUE(ok_common);
}

TEST(Calendar, AnEntryIsCheckedFieldByFieldAgainstTheCalendarAndTheClocksSpan) {
  struct Case {
    ClockEntry entry;
    int field;
    uint32_t min, max;
    bool beyond;
  };
  const Case cases[] = {
      {{1970, 1, 1, 0, 0, 0}, -1, 0, 0, false},
      {{2024, 2, 29, 23, 59, 59}, -1, 0, 0, false},
      {{2100, 2, 29, 12, 0, 0}, -1, 0, 0, false},  // every fourth year is a leap year
      {{2106, 2, 6, 6, 28, 15}, -1, 0, 0, false},
      {{2024, 13, 1, 0, 0, 0}, 1, 1, 12, false},
      {{2024, 0, 1, 0, 0, 0}, 1, 1, 12, false},
      {{2023, 2, 29, 0, 0, 0}, 2, 1, 28, false},
      {{2024, 2, 30, 0, 0, 0}, 2, 1, 29, false},
      {{2024, 4, 31, 0, 0, 0}, 2, 1, 30, false},
      {{2024, 1, 0, 0, 0, 0}, 2, 1, 31, false},
      {{2024, 1, 1, 24, 0, 0}, 3, 0, 23, false},
      {{2024, 1, 1, 0, 60, 0}, 4, 0, 59, false},
      {{2024, 1, 1, 0, 0, 60}, 5, 0, 59, false},
      {{1969, 12, 31, 23, 59, 59}, 0, 1970, 2106, true},
      {{2107, 1, 1, 0, 0, 0}, 0, 1970, 2106, true},
      {{2106, 3, 1, 0, 0, 0}, 1, 1, 2, true},
      {{2106, 2, 6, 6, 28, 16}, 5, 0, 15, true},
  };
  for (const Case& c : cases) {
    const ClockCheck check = CheckDateTime(c.entry);
    SCOPED_TRACE(::testing::Message() << c.entry[0] << "-" << c.entry[1] << "-" << c.entry[2]
                                      << " " << c.entry[3] << ":" << c.entry[4] << ":"
                                      << c.entry[5]);
    EXPECT_EQ(check.field, c.field);
    if (c.field < 0) {
      DateTimeFields back{};
      SecondsToDateTime(ClockEntryToSeconds(c.entry), &back);
      EXPECT_EQ(back.day, c.entry[2]);
      EXPECT_EQ(back.second, c.entry[5]);
      continue;
    }
    EXPECT_EQ(check.min, c.min);
    EXPECT_EQ(check.max, c.max);
    EXPECT_EQ(check.beyond_calendar, c.beyond);
  }
}

}  // namespace
}  // namespace travex
