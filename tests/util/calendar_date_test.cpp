#include <chrono>
#include <ctime>

#include <gtest/gtest.h>

#include "util/myutil.h"

namespace {

namespace chr = std::chrono;

// The standard library's civil calendar is the reference for the walks.
chr::sys_days CivilDays(int y, int m, int d) {
    return chr::sys_days{chr::year{y} / chr::month(static_cast<unsigned>(m)) /
                         chr::day(static_cast<unsigned>(d))};
}

void ExpectDate(const CalendarDate& date, chr::sys_days expected) {
    const chr::year_month_day ymd{expected};
    ASSERT_EQ(date.year, static_cast<int>(ymd.year()));
    ASSERT_EQ(date.month, static_cast<int>(static_cast<unsigned>(ymd.month())));
    ASSERT_EQ(date.day, static_cast<int>(static_cast<unsigned>(ymd.day())));
    ASSERT_EQ(date.dayOfWeek, static_cast<int>(chr::weekday{expected}.c_encoding()));
}

TEST(CalendarDate, WeekdaysAndLeapYearsOutsideTheWalks) {
    EXPECT_EQ(CalendarDate::DayOfWeek(2007, 1, 1), 1);
    EXPECT_EQ(CalendarDate::DayOfWeek(1, 1, 1), 1);
    EXPECT_EQ(CalendarDate(2026, 12, 6).dayOfWeek, 0);
    EXPECT_TRUE(CalendarDate::IsLeapYear(2400));
}

// Every day of 1896 to 2104 (1900 and 2100 are not leap years, 2000 is), one
// step at a time in both directions.
TEST(CalendarDate, DayByDayWalkMatchesTheCivilCalendar) {
    const chr::sys_days first = CivilDays(1896, 1, 1);
    const chr::sys_days last = CivilDays(2104, 12, 31);
    CalendarDate date(1896, 1, 1);
    for (chr::sys_days d = first; d < last; d += chr::days{1}) {
        CalendarDate next = date.AddDays(1);
        ExpectDate(next, d + chr::days{1});
        ASSERT_EQ(next.AddDays(-1).DaysBetween(date), 0);
        const chr::year_month_day ymd{d};
        ASSERT_EQ(date.DayOfYear(), (d - chr::sys_days{ymd.year() / 1 / 1}).count());
        ASSERT_EQ(CalendarDate::IsLeapYear(date.year), ymd.year().is_leap());
        date = next;
    }
    ExpectDate(date, last);
}

TEST(CalendarDate, LongJumpsMatchTheCivilCalendar) {
    const int starts[][3] = {{2007, 3, 1}, {2000, 2, 29}, {1900, 12, 31}, {1, 1, 1}, {2400, 7, 15}};
    const int jumps[] = {0,     1,     59,     60,     365,    366,     1460,   1461,
                         36524, 36525, 146096, 146097, 146098, 1000000, 3000000};
    for (const auto& s : starts) {
        CalendarDate start(s[0], s[1], s[2]);
        for (int jump : jumps) {
            for (int n : {jump, -jump}) {
                SCOPED_TRACE(testing::Message()
                             << s[0] << "-" << s[1] << "-" << s[2] << " + " << n);
                CalendarDate result = start.AddDays(n);
                ExpectDate(result, CivilDays(s[0], s[1], s[2]) + chr::days{n});
                EXPECT_EQ(result.DaysBetween(start), n);
                EXPECT_EQ(start.DaysBetween(result), -n);
            }
        }
    }
}

TEST(CalendarDate, OperationsKeepTheObjectAndItsFebruary) {
    CalendarDate leap(2008, 2, 29);
    ASSERT_EQ(leap.monthDays[2], 29);
    CalendarDate result = leap.AddDays(-400); // walks through 2007, which has 28
    EXPECT_EQ(result.monthDays[2], 28);
    EXPECT_EQ(leap.DaysBetween(CalendarDate(2005, 6, 1)), 1003);
    EXPECT_EQ(CalendarDate::DayOfWeek(2007, 2, 1), 4);
    ExpectDate(leap, CivilDays(2008, 2, 29));
    EXPECT_EQ(leap.monthDays[2], 29);
    EXPECT_EQ(leap.monthDays[0], 0);
    EXPECT_EQ(leap.monthDays[12], 31);

    leap.InitMonthTable();
    EXPECT_EQ(leap.monthDays[2], 28);
    EXPECT_EQ(leap.DayOfYear(), 59); // and February is set for 2008 again
    EXPECT_EQ(leap.monthDays[2], 29);
    leap.InitMonthTable();
    leap.AddDays(1);
    EXPECT_EQ(leap.monthDays[2], 29);
    leap.InitMonthTable();
    leap.DaysBetween(CalendarDate(2007, 1, 1));
    EXPECT_EQ(leap.monthDays[2], 29);
    leap.InitMonthTable();
    leap.day = 1;
    EXPECT_EQ(leap.Recompute(), 5);
    EXPECT_EQ(leap.dayOfWeek, 5);
    EXPECT_EQ(leap.monthDays[2], 29);
}

TEST(CalendarDate, OrderingAndEquality) {
    const CalendarDate date(2007, 6, 15);
    const int later[][3] = {{2008, 1, 1}, {2007, 7, 1}, {2007, 6, 16}};
    const int earlier[][3] = {{2006, 12, 31}, {2007, 5, 31}, {2007, 6, 14}};
    for (int k = 0; k < 3; ++k) {
        const CalendarDate after(later[k][0], later[k][1], later[k][2]);
        const CalendarDate before(earlier[k][0], earlier[k][1], earlier[k][2]);
        EXPECT_TRUE(date.IsBefore(after) && !after.IsBefore(date)) << k;
        EXPECT_TRUE(before.IsBefore(date) && !date.IsBefore(before)) << k;
        EXPECT_FALSE(date.Equals(after) || date.Equals(before)) << k;
    }
    EXPECT_FALSE(date.IsBefore(CalendarDate(2007, 6, 15)));
    EXPECT_TRUE(date.Equals(CalendarDate(2007, 6, 15)));
}

TEST(CalendarDate, SetTodayGivesTheLocalDate) {
    auto localDate = [](std::time_t t) {
        std::tm tm{};
        localtime_r(&t, &tm);
        return CivilDays(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    };
    const std::time_t before = std::time(nullptr);
    CalendarDate date(1999, 1, 1);
    CalendarDate& same = date.SetToday();
    const std::time_t after = std::time(nullptr);
    EXPECT_EQ(&same, &date);
    const chr::sys_days today = CivilDays(date.year, date.month, date.day);
    EXPECT_TRUE(today == localDate(before) || today == localDate(after));
    ExpectDate(date, today);
}

} // namespace
