#include "util/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <string>

using velt::Number;

namespace {

const Number kMinuti0 = Number::ofField(0, 2, 0);  // MINUTI: N 2, width 2
const Number kMinuti5 = Number::ofField(5, 2, 0);
const Number kPrezzo45 = Number::ofField(45.5, 6, 2);  // PREZZO: N 6.2, width 3
const Number kPrezzoNeg = Number::ofField(-12.5, 6, 2);
const Number kBuoni = Number::ofField(120, 3, 0);

TEST(NumberPicture, TableOfCases) {
    struct Case {
        double value;
        const char* picture;
        const char* shown;
    } cases[] = {
        {5, "@E 99", " 5"},
        {0, "@E 99", " 0"},
        {0, "@ZE 99", "  "},
        {12.6, "@E 99", "13"},
        {12.5, "@E 99", "13"},
        {-12.5, "@E 999", "-13"},
        {1234567, "@E 9,999,999", "1.234.567"},
        {1234567, "9,999,999", "1,234,567"},
        {1234.5, "@E 99,999,999.99", "     1.234,50"},
        {123, "@E 9,999", "  123"},
        {-123, "@E 9,999", " -123"},
        {-1234, "@E 99,999", "-1.234"},
        {-1234, "@E 9,999", "*****"},
        {1000, "@E 999", "***"},
        {999.995, "@E 999.99", "******"},
        {999.994, "@E 999.99", "999,99"},
        {0.5, "@E 999.99", "  0,50"},
        {0, "@E 999.99", "  0,00"},
        {0, "@ZE 999.99", "      "},
        {0.004, "@ZE 999.99", "      "},  // shows as zero, so blank
        {-0.004, "@E 999.99", "  0,00"},  // no minus in front of a shown zero
        {0.125, "@E 9.99", "0,13"},       // binary 0.125 is exact: half rounds away
        {2.675, "@E 9.99", "2,68"},       // binary 2.67499999...: still a person's 2,68
        {1.005, "@E 9.99", "1,01"},
        {-2.675, "@E 99.99", "-2,68"},
        {-2.675, "@E 9.99", "****"},  // no place left for the sign,
        {0.1 + 0.2, "@E 9.99", "0,30"},
        {99.5, "@E 99", "**"},  // rounds up beyond the mask
        {-99.4, "@E 999", "-99"},
        {1e300, "@E 999", "***"},
        {12.345, "999.99", " 12.35"},
        {42, "", "42"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(velt::formatNumber(c.value, c.picture), c.shown)
            << c.value << " in \"" << c.picture << "\"";
}

TEST(NumberFormatters, WidthsFromFieldsAndArguments) {
    struct Case {
        std::string shown;
        const char* expected;
    } cases[] = {
        {velt::NSTR(kMinuti5), " 5"},
        {velt::NSTR(kMinuti0), " 0"},
        {velt::ZSTR(kMinuti0), "  "},
        {velt::ZSTR(0, 2), "  "},
        {velt::NSTR(1234567, 7), "1.234.567"},
        {velt::NSTR(12.6, 2), "13"},
        {velt::NSTR(kBuoni), "120"},
        {velt::NSTR(5), "            5"},  // width 10 when not from a field
        {velt::NSTR(1234567), "    1.234.567"},
        {velt::NSTR(Number{7, 20}), "            7"},  // width 20 is taken as 10
        {velt::NSTR(5, 30), "                  5"},    // at most 15 digits
        {velt::ENSTR(kPrezzo45), " 45,50"},
        {velt::ENSTR(kPrezzoNeg), "-12,50"},
        {velt::ESSTR(kPrezzoNeg), " 12,50-"},
        {velt::ENSTR(1234.5, 8), "  1.234,50"},
        {velt::ENSTR(3), "         3,00"},  // width 10 gives eight integer digits
        {velt::ENSTR(Number::ofField(1, 2, 0)), " 1,00"},
        {velt::EZSTR(Number::ofField(0, 6, 2)), "      "},
        {velt::EZSTR(2.5, 5), "  2,50"},
        {velt::SSTR(-12, 3), " 12-"},
        {velt::SSTR(12, 3), " 12 "},
        {velt::SSTR(0, 3), "    "},  // zero blank by default, sign blank
        {velt::SSTR(0, 3, true), "  0 "},
        {velt::SSTR(-0.2, 3, true), "  0 "},
        {velt::ESSTR(0, 5), "       "},
        {velt::ESSTR(0, 5, true), "  0,00 "},
        {velt::ESSTR(-1234.5, 8, true), "  1.234,50-"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.shown, c.expected);
}

TEST(NumberFormatters, DigitMasks) {
    EXPECT_EQ(velt::digitMask(1), "9");
    EXPECT_EQ(velt::digitMask(3), "999");
    EXPECT_EQ(velt::digitMask(4), "9,999");
    EXPECT_EQ(velt::digitMask(7), "9,999,999");
    EXPECT_EQ(velt::digitMask(15), "999,999,999,999,999");
    EXPECT_EQ(velt::digitMask(16), "999,999,999,999,999");
    EXPECT_EQ(velt::digitMask(0), "9");
}

TEST(NumberText, PlainDecimalForm) {
    struct Case {
        double value;
        int decimals;
        const char* text;
    } cases[] = {
        {0, -1, "0"},
        {2.5, -1, "2.5"},
        {2.5, 2, "2.50"},
        {-3, -1, "-3"},
        {0.1 + 0.2, -1, "0.3"},
        {1e20, -1, "100000000000000000000"},
        {2.675, 2, "2.68"},
        {-0.001, 2, "0.00"},
        {1234567.25, -1, "1234567.25"},
        {0.000125, -1, "0.000125"},
    };
    for (const auto& c : cases) EXPECT_EQ(velt::numberText(c.value, c.decimals), c.text) << c.value;
    EXPECT_EQ(velt::numberText(Number::ofField(45.5, 6, 2)), "45.50");
}

TEST(Transform, TextDatesAndLogicals) {
    using velt::TRANSFORM;
    using velt::Value;
    EXPECT_EQ(TRANSFORM(Value("rossi mario"), "@!"), "ROSSI MARIO");
    EXPECT_EQ(TRANSFORM(Value("1230"), "99:99"), "12:0 ");  // position by position
    EXPECT_EQ(TRANSFORM(Value("12:30"), "99:99"), "12:30");
    EXPECT_EQ(TRANSFORM(Value("ab"), "!!!"), "AB ");
    EXPECT_EQ(TRANSFORM(Value("abc"), "@! XX"), "AB");
    EXPECT_EQ(TRANSFORM(Value(velt::Date::fromYmd(2025, 4, 21)), "@D"), "21/04/2025");
    EXPECT_EQ(TRANSFORM(Value(true), ""), "T");
    EXPECT_EQ(TRANSFORM(Value(Number::ofField(2.5, 5, 2)), "@E 99.99"), " 2,50");
}

}  // namespace

namespace {

// Reads a formatted "@E" number back: thousands dots dropped, comma as the point, sign in front.
double readBack(const std::string& shown) {
    std::string plain;
    for (char c : shown) {
        if (c == ',')
            plain += '.';
        else if (c != '.' && c != ' ')
            plain += c;
    }
    return std::stod(plain);
}

TEST(NumberPicture, AnyValueKeepsTheWidthAndReadsBackRounded) {
    std::mt19937_64 random(20251211);
    std::uniform_real_distribution<double> magnitude(-7, 7);
    std::uniform_int_distribution<int> digits(1, 15), decimals(0, 4), sign(0, 1);
    for (int i = 0; i < 20000; ++i) {
        double value = std::pow(10.0, magnitude(random)) * (sign(random) ? -1 : 1);
        int d = digits(random), dec = decimals(random);
        std::string picture = "@E " + velt::digitMask(d);
        if (dec > 0) picture += "." + std::string(static_cast<size_t>(dec), '9');
        std::string mask = picture.substr(3);
        std::string shown = velt::formatNumber(value, picture);
        ASSERT_EQ(shown.size(), mask.size()) << value << " in " << picture;
        // Places the value needs: its whole digits (at least one) and the minus sign.
        double shownAbs = std::round(std::fabs(value) * std::pow(10.0, dec)) / std::pow(10.0, dec);
        int wholeDigits = shownAbs < 1 ? 1 : static_cast<int>(std::floor(std::log10(shownAbs))) + 1;
        bool negative = value < 0 && shownAbs > 0;
        bool fits = wholeDigits + (negative ? 1 : 0) <= d;
        ASSERT_EQ(shown.find('*') == std::string::npos, fits) << value << " in " << picture;
        if (!fits) {
            ASSERT_EQ(shown, std::string(mask.size(), '*'));
            continue;
        }
        ASSERT_NEAR(readBack(shown), value,
                    0.5 * std::pow(10.0, -dec) * (1 + 1e-9) + std::fabs(value) * 1e-14)
            << value << " in " << picture << " shows " << shown;
    }
}

}  // namespace
