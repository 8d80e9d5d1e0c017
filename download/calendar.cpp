// calendar.cpp: today's date, local midnight, and stepping a date by one day.
#include "calendar.h"

bool isLeapYear(int calendarYear) {
    return (calendarYear % 4 == 0 && calendarYear % 100 != 0) || calendarYear % 400 == 0;
}

void stepDay(GuideDate& date) {
    ++date.day;
    switch (date.month) {
    case 2:
        if (date.day > (isLeapYear(date.year + 1900) ? 29 : 28)) {
            date.day = 1;
            date.month = 3;
        }
        break;
    case 4:
    case 6:
    case 9:
    case 11:
        if (date.day > 30) {
            date.day = 1;
            ++date.month;
        }
        break;
    default:
        if (date.day > 31) {
            date.day = 1;
            ++date.month;
        }
        break;
    }
    if (date.month > 12) {
        date.month = 1;
        ++date.year;
    }
}

GuideDate dateOf(const std::tm& local) {
    return GuideDate{local.tm_mday, local.tm_mon + 1, local.tm_year};
}

std::time_t localMidnight(std::tm local) {
    local.tm_hour = 0;
    local.tm_min = 0;
    local.tm_sec = 0;
    local.tm_isdst = -1;
    return std::mktime(&local);
}
