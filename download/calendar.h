// calendar.h: today's date, local midnight, and stepping a date by one day.
#pragma once

#include <ctime>

struct GuideDate {
    int day;    // day of month, 1 to 31
    int month;  // 1 to 12
    int year;   // counted from 1900, as tm_year
};

// Gregorian rule on the calendar year (not the year from 1900).
bool isLeapYear(int calendarYear);

// Moves the date on to the next calendar day.
void stepDay(GuideDate& date);

// The local date of a broken-down local time.
GuideDate dateOf(const std::tm& local);

// That local date at 00:00:00, letting mktime decide on summer time.
std::time_t localMidnight(std::tm local);
