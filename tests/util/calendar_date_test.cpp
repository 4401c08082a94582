#include <chrono>

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

// The object's own February stays set for its year whatever year the walks
// cross, and InitMonthTable is undone by the next calculation.
TEST(CalendarDate, OperationsKeepTheObjectAndItsFebruary) {
    CalendarDate leap(2008, 2, 29);
    EXPECT_EQ(leap.AddDays(-400).monthDays[2], 28); // lands in 2007
    EXPECT_EQ(leap.DaysBetween(CalendarDate(2005, 6, 1)), 1003);
    ExpectDate(leap, CivilDays(2008, 2, 29));
    EXPECT_EQ(leap.monthDays[2], 29);
    leap.InitMonthTable();
    EXPECT_EQ(leap.monthDays[2], 28);
    leap.day = 1;
    EXPECT_EQ(leap.Recompute(), 5);
    EXPECT_EQ(leap.monthDays[2], 29);
}

// Years decide first, then months, then days.
TEST(CalendarDate, OrderingAndEquality) {
    const CalendarDate date(2007, 6, 15);
    for (const CalendarDate& later :
         {CalendarDate(2008, 1, 1), CalendarDate(2007, 7, 1), CalendarDate(2007, 6, 16)}) {
        EXPECT_TRUE(date.IsBefore(later) && !later.IsBefore(date) && !date.Equals(later))
            << later.year << "-" << later.month;
    }
    EXPECT_TRUE(date.Equals(CalendarDate(2007, 6, 15)) &&
                !date.IsBefore(CalendarDate(2007, 6, 15)));
}

} // namespace
