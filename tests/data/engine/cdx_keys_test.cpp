// Key encodings: the bytes each key type stores, and that the bytes sort as the values do.
#include <gtest/gtest.h>

#include <algorithm>

#include "data/engine/cdx_file.h"

namespace velt::engine {
namespace {

std::string hex(const std::string& s) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

TEST(CdxKeys, NumberBytes) {
    struct Case {
        double value;
        const char* bytes;
    };
    for (const Case& c : {Case{0.0, "8000000000000000"}, Case{-0.0, "8000000000000000"},
                          Case{1.0, "BFF0000000000000"}, Case{-1.0, "400FFFFFFFFFFFFF"},
                          Case{2.5, "C004000000000000"}}) {
        EXPECT_EQ(hex(CdxKeys::number(c.value)), c.bytes) << c.value;
        EXPECT_EQ(CdxKeys::decodeNumber(CdxKeys::number(c.value)), c.value);
    }
}

TEST(CdxKeys, NumbersAndDatesSortAsTheirValues) {
    std::vector<double> values{-1e300, -12345.5, -1, -0.001, 0, 0.001, 1, 2, 10, 12345.5, 1e300};
    std::vector<std::string> keys;
    for (double v : values) keys.push_back(CdxKeys::number(v));
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    std::vector<Date> dates{Date(),
                            Date::fromYmd(1, 1, 1),
                            Date::fromYmd(1899, 12, 31),
                            Date::fromYmd(1980, 1, 1),
                            Date::fromYmd(2026, 12, 11),
                            Date::fromYmd(2079, 12, 31)};
    keys.clear();
    for (const Date& d : dates) keys.push_back(CdxKeys::date(d));
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    for (const Date& d : dates) EXPECT_EQ(CdxKeys::decodeDate(CdxKeys::date(d)), d);
}

TEST(CdxKeys, DatesAreJulianDayNumbers) {
    EXPECT_EQ(CdxKeys::decodeNumber(CdxKeys::date(Date::fromYmd(2000, 1, 1))), 2451545.0);
    EXPECT_EQ(CdxKeys::decodeNumber(CdxKeys::date(Date::fromYmd(1970, 1, 1))), 2440588.0);
    EXPECT_EQ(CdxKeys::date(Date()), CdxKeys::number(0));
}

TEST(CdxKeys, TextAndLogical) {
    EXPECT_EQ(CdxKeys::character("ROS", 6), "ROS   ");
    EXPECT_EQ(CdxKeys::character("ROSSINI", 4), "ROSS");
    EXPECT_EQ(CdxKeys::character("", 3), "   ");
    EXPECT_EQ(CdxKeys::logical(true), "T");
    EXPECT_EQ(CdxKeys::logical(false), "F");
}

TEST(CdxKeys, EncodeFromValues) {
    struct Case {
        Value value;
        CdxKeyType type;
        int width;
        std::string key;
    };
    for (const Case& c : {
             Case{Value("Rossi"), CdxKeyType::Character, 8, "Rossi   "},
             Case{Value(12), CdxKeyType::Character, 3, "   "},  // not text: blanks
             Case{Value(Number{-3.5, 10}), CdxKeyType::Number, 8, CdxKeys::number(-3.5)},
             Case{Value("x"), CdxKeyType::Number, 8, CdxKeys::number(0)},
             Case{Value(Date::fromYmd(2026, 3, 1)), CdxKeyType::Date, 8,
                  CdxKeys::date(Date::fromYmd(2026, 3, 1))},
             Case{Value(), CdxKeyType::Date, 8, CdxKeys::date(Date())},
             Case{Value(true), CdxKeyType::Logical, 1, "T"},
             Case{Value(), CdxKeyType::Logical, 1, "F"},
         })
        EXPECT_EQ(CdxKeys::encode(c.value, c.type, c.width), c.key);
}

}  // namespace
}  // namespace velt::engine
