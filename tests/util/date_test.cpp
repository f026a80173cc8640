#include "util/date.h"

#include <gtest/gtest.h>

using velt::Date;

TEST(Date, ParseAndShow) {
    struct Case {
        const char* text;
        const char* shown;
    } cases[] = {
        {"25/12/2024", "25/12/2024"}, {"1/3/2025", "01/03/2025"}, {"29/02/2024", "29/02/2024"},
        {"29/02/2025", "  /  /    "}, {"31/04/2025", "  /  /    "}, {"  /  /    ", "  /  /    "},
        {"15/06/79", "15/06/2079"},   {"15/06/80", "15/06/1980"}, {"01/01/00", "01/01/2000"},
        {"ab/cd/efgh", "  /  /    "}, {"", "  /  /    "},
    };
    for (const auto& c : cases) EXPECT_EQ(Date::parse(c.text).toString(), c.shown) << c.text;
}

TEST(Date, DtosRoundTripAndEmpty) {
    EXPECT_EQ(Date::fromYmd(2026, 12, 11).dtos(), "20261211");
    EXPECT_EQ(Date::fromDtos("20261211"), Date::fromYmd(2026, 12, 11));
    EXPECT_TRUE(Date::fromDtos("        ").isEmpty());
    EXPECT_TRUE(Date::fromDtos("20260230").isEmpty());
    EXPECT_EQ(Date().dtos(), "        ");
}

TEST(Date, ArithmeticAndWeekday) {
    Date d = Date::fromYmd(2024, 2, 28);
    EXPECT_EQ((d + 1).toString(), "29/02/2024");
    EXPECT_EQ((d + 2).toString(), "01/03/2024");
    EXPECT_EQ(Date::fromYmd(2025, 1, 1) - Date::fromYmd(2024, 1, 1), 366);
    EXPECT_EQ(Date::fromYmd(2026, 12, 11).dayOfWeek(), 6);  // a Friday
    EXPECT_EQ(Date::fromYmd(2025, 4, 20).dayOfWeek(), 1);   // a Sunday
    EXPECT_TRUE((Date() + 5).isEmpty());
    EXPECT_LT(Date(), Date::fromYmd(1, 1, 1));
}
