#include "util/calendar.h"

#include <gtest/gtest.h>

using velt::Date;

namespace {

Date d(int day, int month, int year) {
    return Date::fromYmd(year, month, day);
}

TEST(Calendar, LeapYearsAndMonthLengths) {
    struct Case {
        int year;
        bool leap;
    } years[] = {{2024, true}, {2025, false}, {1900, false}, {2000, true}, {2100, false}};
    for (const auto& c : years) {
        EXPECT_EQ(velt::ISLEAP(c.year), c.leap) << c.year;
        EXPECT_EQ(velt::ISLEAP(d(1, 6, c.year)), c.leap) << c.year;
    }
    EXPECT_FALSE(velt::ISLEAP(Date()));
    struct Days {
        Date date;
        int days;
    } months[] = {{d(15, 1, 2025), 31}, {d(1, 2, 2024), 29},   {d(28, 2, 2025), 28},
                  {d(30, 4, 2025), 30}, {d(31, 12, 2025), 31}, {Date(), 0}};
    for (const auto& c : months) EXPECT_EQ(velt::MDAYS(c.date), c.days) << c.date.toString();
}

TEST(Calendar, AddMonth) {
    struct Case {
        Date from;
        int months;
        Date to;
    } cases[] = {
        {d(15, 11, 2024), 3, d(15, 2, 2025)},
        {d(15, 11, 2024), -11, d(15, 12, 2023)},
        {d(15, 1, 2025), -1, d(15, 12, 2024)},
        {d(15, 12, 2024), 1, d(15, 1, 2025)},
        {d(10, 5, 2025), 0, d(10, 5, 2025)},
        {d(10, 5, 2025), 24, d(10, 5, 2027)},
        {d(10, 5, 2025), -29, d(10, 12, 2022)},
        {d(31, 1, 2025), 1, Date()},
        {d(29, 2, 2024), 12, Date()},
        {d(31, 3, 2025), -1, Date()},
        {Date(), 3, Date()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(velt::ADDMONTH(c.from, c.months), c.to) << c.from.toString() << " + " << c.months;
}

TEST(Calendar, Easter) {
    struct Case {
        int year;
        Date easter;
    } cases[] = {{2024, d(31, 3, 2024)}, {2025, d(20, 4, 2025)}, {2019, d(21, 4, 2019)},
                 {2038, d(25, 4, 2038)}, {2285, d(22, 3, 2285)}, {1961, d(2, 4, 1961)}};
    for (const auto& c : cases) {
        EXPECT_EQ(velt::EASTER(c.year), c.easter) << c.year;
        EXPECT_EQ(velt::EASTER(d(1, 12, c.year)), c.easter) << c.year;
    }
    EXPECT_TRUE(velt::EASTER(Date()).isEmpty());
}

TEST(Calendar, Holidays) {
    struct Case {
        Date date;
        bool saturdayCounts;
        bool holiday;
    } cases[] = {
        {d(21, 4, 2025), true, true},   // Easter Monday
        {d(1, 4, 2024), true, true},    // Easter Monday
        {d(22, 4, 2025), true, false},  // a Tuesday
        {d(1, 1, 2025), true, true},    {d(6, 1, 2025), true, true},
        {d(25, 4, 2025), false, true},  {d(1, 5, 2025), true, true},
        {d(2, 6, 2025), true, true},    {d(15, 8, 2025), true, true},
        {d(1, 11, 2024), true, true},   {d(8, 12, 2025), true, true},
        {d(25, 12, 2025), true, true},  {d(26, 12, 2025), true, true},
        {d(20, 4, 2025), false, true},   // a Sunday
        {d(19, 4, 2025), true, true},    // a Saturday
        {d(19, 4, 2025), false, false},  // a Saturday that does not count
        {d(2, 1, 2025), true, false},   {d(24, 12, 2025), true, false},
        {Date(), true, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(velt::ISFEST(c.date, c.saturdayCounts), c.holiday) << c.date.toString();
    EXPECT_TRUE(velt::ISFEST(d(19, 4, 2025)));  // Saturdays count by default
}

TEST(Calendar, ItalianNames) {
    EXPECT_EQ(velt::CDAY(d(20, 4, 2025)), "Domenica");
    EXPECT_EQ(velt::CDAY(d(21, 4, 2025)), "Luned\xEC");
    EXPECT_EQ(velt::CDAY(d(23, 4, 2025)), "Mercoled\xEC");
    EXPECT_EQ(velt::CDAY(d(26, 4, 2025)), "Sabato");
    EXPECT_EQ(velt::CDAY(Date()), "");
    EXPECT_EQ(velt::CMNT(1), "Gennaio");
    EXPECT_EQ(velt::CMNT(9), "Settembre");
    EXPECT_EQ(velt::CMNT(12), "Dicembre");
    EXPECT_EQ(velt::CMNT(0), "");
    EXPECT_EQ(velt::CMNT(13), "");
    EXPECT_EQ(velt::CMNT(d(15, 8, 2025)), "Agosto");
    EXPECT_EQ(velt::CMNT(Date()), "");
}

}  // namespace
