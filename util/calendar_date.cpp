#include "util/calendar_date.h"

#include <algorithm>
#include <ctime>

namespace {

constexpr std::int32_t MONTH_LENGTHS[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr std::int64_t DAYS_PER_400_YEARS = 146097;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

int YearLength(std::int64_t y) {
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return leap ? 366 : 365;
}

int MonthLength(std::int64_t y, int m) {
    return m == 2 && YearLength(y) == 366 ? 29 : MONTH_LENGTHS[m];
}

// Days from 1 January of year 1 to 1 January of year y.
std::int64_t DaysBeforeYear(std::int64_t y) {
    const std::int64_t z = y - 1;
    return 365 * z + FloorDiv(z, 4) - FloorDiv(z, 100) + FloorDiv(z, 400);
}

// Days from 1 January to the first of month m; months past December count
// as the end of the year, months before January as its start.
int DaysBeforeMonth(std::int64_t y, int m) {
    int days = 0;
    for (int i = 1; i < std::min(m, 13); ++i) {
        days += MonthLength(y, i);
    }
    return days;
}

std::int64_t DayNumber(std::int64_t y, int m, int d) {
    return DaysBeforeYear(y) + DaysBeforeMonth(y, m) + d - 1;
}

} // namespace

CalendarDate::CalendarDate(int year_, int month_, int day_)
    : year(year_), month(month_), day(day_), dayOfWeek(0) {
    Recompute();
}

CalendarDate& CalendarDate::SetToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    year = local.tm_year + 1900;
    month = local.tm_mon + 1;
    day = local.tm_mday;
    Recompute();
    return *this;
}

bool CalendarDate::IsLeapYear(int y) {
    return YearLength(y) == 366;
}

int CalendarDate::DayOfWeek(int y, int m, int d) {
    // 1 January of year 1 was a Monday.
    const std::int64_t days = DayNumber(y, m, d) + 1;
    return static_cast<int>(days - 7 * FloorDiv(days, 7));
}

int CalendarDate::DayOfYear() {
    SetFebruaryFor(year);
    return DaysBeforeMonth(year, month) + day - 1;
}

CalendarDate CalendarDate::AddDays(int n) {
    // Find the year holding the day n days away in whole 400-year cycles
    // first, so that even the largest n needs at most 400 steps.
    const std::int64_t target = DayNumber(year, month, day) + n;
    const std::int64_t cycles = FloorDiv(target, DAYS_PER_400_YEARS);
    std::int64_t y = 1 + 400 * cycles;
    std::int64_t rest = target - cycles * DAYS_PER_400_YEARS;
    while (rest >= YearLength(y)) {
        rest -= YearLength(y);
        ++y;
    }
    int m = 1;
    while (rest >= MonthLength(y, m)) {
        rest -= MonthLength(y, m);
        ++m;
    }
    Recompute();
    return CalendarDate(static_cast<int>(y), m, static_cast<int>(rest) + 1);
}

int CalendarDate::DaysBetween(const CalendarDate& other) {
    const std::int64_t days =
        DayNumber(year, month, day) - DayNumber(other.year, other.month, other.day);
    Recompute();
    return static_cast<int>(days);
}

bool CalendarDate::IsBefore(const CalendarDate& other) const {
    if (year != other.year) {
        return other.year > year;
    }
    if (month != other.month) {
        return other.month > month;
    }
    return other.day > day;
}

bool CalendarDate::Equals(const CalendarDate& other) const {
    return year == other.year && month == other.month && day == other.day;
}

void CalendarDate::InitMonthTable() {
    std::copy(MONTH_LENGTHS, MONTH_LENGTHS + 13, monthDays);
}

int CalendarDate::Recompute() {
    InitMonthTable();
    SetFebruaryFor(year);
    dayOfWeek = DayOfWeek(year, month, day);
    return dayOfWeek;
}

void CalendarDate::SetFebruaryFor(int y) {
    monthDays[2] = MonthLength(y, 2);
}
