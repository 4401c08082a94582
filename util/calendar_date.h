// CalendarDate: a date of the Gregorian calendar (extended backwards before
// its introduction), with its day of the week, day arithmetic and ordering.
// Values are not validated; out-of-range months and days give some date but
// never touch memory outside the month table.
#pragma once

#include <cstdint>

class CalendarDate {
public:
    std::int32_t year;      // as written: 2007 for 2007
    std::int32_t month;     // 1 to 12
    std::int32_t day;       // 1 to the length of the month
    std::int32_t dayOfWeek; // 0 Sunday to 6 Saturday
    // Month lengths, entry 0 unused (0). February is a working value: every
    // public operation leaves it set for the date's own year, except
    // InitMonthTable, which writes 28.
    std::int32_t monthDays[13];

    CalendarDate(int year_, int month_, int day_);

    CalendarDate& SetToday(); // the current local date

    static bool IsLeapYear(int y);
    static int DayOfWeek(int y, int m, int d); // 0 Sunday to 6 Saturday

    int DayOfYear();                            // 0 for 1 January
    CalendarDate AddDays(int n);                // this object keeps its date
    int DaysBetween(const CalendarDate& other); // this minus other, in days
    bool IsBefore(const CalendarDate& other) const;
    bool Equals(const CalendarDate& other) const;

    void InitMonthTable();
    int Recompute(); // month table and dayOfWeek from year, month, day; returns dayOfWeek

private:
    void SetFebruaryFor(int y);
};
