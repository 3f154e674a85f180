#include "DateUtils.h"

#include <gtest/gtest.h>

#include "SysUtils.h"

TEST(DateUtilsTest, EncodesKnownDays) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2000, 2, 29), 36585.0);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0, 0), 0.25);
}

TEST(DateUtilsTest, RejectsInvalidFieldsWithTheirMessages) {
  for (auto [y, m, d] : {std::tuple{2001, 2, 29}, {2000, 13, 1}, {0, 1, 1}, {2000, 4, 31}}) {
    try {
      EncodeDate(y, m, d);
      ADD_FAILURE() << y << "-" << m << "-" << d;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Invalid argument to date encode");
    }
  }
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  try {
    EncodeTime(0, 60, 0, 0);
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Invalid argument to time encode");
  }
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000));
}

TEST(DateUtilsTest, DecodeInvertsEncodeAcrossEras) {
  for (auto [y, m, d] : {std::tuple{1, 1, 1},
                         {1600, 2, 29},
                         {1899, 12, 29},
                         {1970, 1, 1},
                         {2024, 12, 31},
                         {9999, 12, 31}}) {
    const TDateTime value =
        EncodeDate(y, m, d) + (EncodeDate(y, m, d) < 0 ? -1 : 1) * EncodeTime(23, 59, 58, 999);
    const TDateParts date = DecodeDate(value);
    const TTimeParts time = DecodeTime(value);
    EXPECT_EQ(std::tuple(date.Year, date.Month, date.Day), std::tuple(y, m, d));
    EXPECT_EQ(std::tuple(time.Hour, time.Minute, time.Second, time.Millisecond),
              std::tuple(23, 59, 58, 999));
  }
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 9)), 4);  // a Wednesday
}

TEST(DateUtilsTest, FixedTextFormsRoundTrip) {
  const TDateTime value = EncodeDate(2026, 3, 7) + EncodeTime(8, 5, 9, 0);
  EXPECT_EQ(DateTimeToText(value), "2026-03-07 08:05:09");
  EXPECT_EQ(DateToText(value), "2026-03-07");
  EXPECT_EQ(TimeToText(value), "08:05:09");
  EXPECT_DOUBLE_EQ(*TextToDateTime("2026-03-07 08:05:09"), value);
  EXPECT_DOUBLE_EQ(*TextToDateTime("2026-03-07"), EncodeDate(2026, 3, 7));
  EXPECT_DOUBLE_EQ(*TextToDateTime("08:05:09"), EncodeTime(8, 5, 9, 0));
  for (const char* bad : {"", "2026-02-30", "2026-3-07", "25:00:00", "2026-03-07T08:05:09",
                          "2026-03-07 08:05:09]", "abcd-ef-gh"})
    EXPECT_FALSE(TextToDateTime(bad)) << bad;
}

TEST(DateUtilsTest, NowIsTodayInLocalTime) {
  const TDateTime now = Now();
  time_t t = time(nullptr);
  tm local{};
  localtime_r(&t, &local);
  EXPECT_NEAR(now,
              EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
                  EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, 0),
              5.0 / 86400);
}
