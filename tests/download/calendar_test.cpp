// calendar_test.cpp: leap years, stepping dates across month and year ends, local midnight.
#include <gtest/gtest.h>

#include "calendar.h"
#include "zone_guard.h"

namespace {

GuideDate stepped(int day, int month, int calendarYear) {
    GuideDate date{day, month, calendarYear - 1900};
    stepDay(date);
    return date;
}

void expectDate(const GuideDate& date, int day, int month, int calendarYear) {
    EXPECT_EQ(date.day, day);
    EXPECT_EQ(date.month, month);
    EXPECT_EQ(date.year + 1900, calendarYear);
}

}  // namespace

TEST(Calendar, LeapYearsFollowTheGregorianRule) {
    EXPECT_TRUE(isLeapYear(2008));
    EXPECT_TRUE(isLeapYear(2000));
    EXPECT_FALSE(isLeapYear(2007));
    EXPECT_FALSE(isLeapYear(2100));
    EXPECT_FALSE(isLeapYear(1900));
}

TEST(Calendar, EndOfFebruary) {
    expectDate(stepped(28, 2, 2008), 29, 2, 2008);
    expectDate(stepped(29, 2, 2008), 1, 3, 2008);
    expectDate(stepped(28, 2, 2000), 29, 2, 2000);
    expectDate(stepped(28, 2, 2007), 1, 3, 2007);
    expectDate(stepped(28, 2, 2100), 1, 3, 2100);
}

TEST(Calendar, MonthAndYearEnds) {
    expectDate(stepped(31, 12, 2008), 1, 1, 2009);
    expectDate(stepped(30, 4, 2008), 1, 5, 2008);
    expectDate(stepped(30, 11, 2008), 1, 12, 2008);
    expectDate(stepped(31, 3, 2008), 1, 4, 2008);
    expectDate(stepped(30, 1, 2008), 31, 1, 2008);
    expectDate(stepped(30, 12, 2008), 31, 12, 2008);
}

TEST(Calendar, DateOfCountsMonthsFromOne) {
    std::tm local{};
    local.tm_mday = 7;
    local.tm_mon = 2;
    local.tm_year = 108;
    expectDate(dateOf(local), 7, 3, 2008);
}

TEST(Calendar, LocalMidnightFollowsTheZone) {
    {
        ZoneGuard zone("UTC");
        const std::time_t noon = 1204286400;  // 2008-02-29 12:00 UTC
        std::tm local{};
        localtime_r(&noon, &local);
        EXPECT_EQ(localMidnight(local), 1204243200);
    }
    {
        ZoneGuard zone("Europe/Rome");
        // 2008-03-30 10:00 local: summer time began at 02:00, but midnight
        // was still winter time (UTC+1).
        const std::time_t morning = 1206864000;  // 2008-03-30 08:00 UTC
        std::tm local{};
        localtime_r(&morning, &local);
        EXPECT_EQ(local.tm_hour, 10);
        EXPECT_EQ(localMidnight(local), 1206831600);  // 2008-03-29 23:00 UTC
    }
}
