#include "data/convert.h"

#include <gtest/gtest.h>

using namespace velt;

namespace {

FieldSpec C(int w) {
    return {"F", 'C', w, 0};
}
FieldSpec M() {
    return {"F", 'M', 10, 0};
}
FieldSpec N(int w, int d = 0) {
    return {"F", 'N', w, d};
}
FieldSpec D() {
    return {"F", 'D', 8, 0};
}
FieldSpec L() {
    return {"F", 'L', 1, 0};
}

std::string show(const Value& v) {
    if (v.isText()) return "C[" + v.text() + "]";
    if (v.isNumber()) return "N[" + std::to_string(v.num()) + "]";
    if (v.isDate()) return "D[" + v.date().dtos() + "]";
    if (v.isLogical()) return v.logical() ? "L[T]" : "L[F]";
    return "nil";
}

}  // namespace

TEST(Convdato, EveryRowOfTheConversionTable) {
    Date d = Date::fromYmd(2024, 3, 9);
    struct Case {
        const char* what;
        Value in;
        FieldSpec from, to;
        Value out;
    } cases[] = {
        {"C>M trailing blanks go", Value("note   "), C(7), M(), Value("note")},
        {"C>M inner blanks stay", Value("  a b  "), C(7), M(), Value("  a b")},
        {"C>D dd/mm/yyyy", Value("09/03/2024"), C(10), D(), Value(d)},
        {"C>D two-digit year from 1980", Value("09/03/79"), C(10), D(),
         Value(Date::fromYmd(2079, 3, 9))},
        {"C>D two-digit year 80", Value("09/03/80"), C(10), D(), Value(Date::fromYmd(1980, 3, 9))},
        {"C>D yyyymmdd", Value("  20240309xx"), C(12), D(), Value(d)},
        {"C>D nothing", Value("abc"), C(3), D(), Value(Date())},
        {"M>D", Value("09/03/2024"), M(), D(), Value(d)},
        {"C>N Italian", Value("1.234,56"), C(10), N(8, 2), Value(1234.56)},
        {"C>N plain", Value("12.5"), C(10), N(5, 1), Value(12.5)},
        {"C>N leading part", Value(" -7abc"), C(6), N(3), Value(-7)},
        {"C>N none", Value("abc"), C(3), N(5, 2), Value(0)},
        {"C>N does not fit", Value("123456"), C(6), N(3), Value(0)},
        {"C>N rounded", Value("2,675"), C(6), N(5, 2), Value(2.68)},
        {"M>N", Value("42"), M(), N(3), Value(42)},
        {"C>L .f.", Value(".f."), C(3), L(), Value(false)},
        {"C>L .F. with more", Value(".F. no"), C(6), L(), Value(false)},
        {"C>L blanks", Value("   "), C(3), L(), Value(false)},
        {"C>L empty", Value(""), C(3), L(), Value(false)},
        {"M>L tabs and line breaks", Value(" \t\r\n"), M(), L(), Value(false)},
        {"C>L SI", Value("SI"), C(2), L(), Value(true)},
        {"C>L .T.", Value(".T."), C(3), L(), Value(true)},
        {"D>N", Value(d), D(), N(8), Value(20240309)},
        {"D>N empty", Value(Date()), D(), N(8), Value(0)},
        {"D>N does not fit", Value(d), D(), N(6), Value(0)},
        {"D>L", Value(d), D(), L(), Value(true)},
        {"D>L empty", Value(Date()), D(), L(), Value(false)},
        {"N>L", Value(0.5), N(3, 1), L(), Value(true)},
        {"N>L zero", Value(0), N(3), L(), Value(false)},
        {"N>N fits", Value(12.34), N(5, 2), N(6, 2), Value(12.34)},
        {"N>N narrowed", Value(123.45), N(6, 2), N(5, 2), Value(0)},
        {"N>N fewer decimals", Value(12.345), N(6, 3), N(5, 1), Value(12.3)},
        {"N>N negative", Value(-9.5), N(5, 1), N(4, 1), Value(-9.5)},
        {"N>N negative does not fit", Value(-99.5), N(5, 1), N(4, 1), Value(0)},
        {"M>C line breaks", Value("a\r\nb\r\nc\n"), M(), C(10), Value("a b c\n")},
        {"D>C", Value(d), D(), C(10), Value("09/03/2024")},
        {"D>C empty", Value(Date()), D(), C(10), Value("        ")},
        {"D>M", Value(d), D(), M(), Value("09/03/2024")},
        {"N>C old decimals", Value(5.5), N(6, 2), C(10), Value("5.50")},
        {"N>C zero", Value(0), N(6, 2), C(10), Value("")},
        {"N>M negative", Value(-12), N(4), M(), Value("-12")},
        {"L>C true", Value(true), L(), C(3), Value(".T.")},
        {"L>C false", Value(false), L(), C(3), Value("")},
        {"L>M", Value(true), L(), M(), Value(".T.")},
        {"N>D", Value(20240309), N(8), D(), Value(d)},
        {"N>D invalid", Value(20241399), N(8), D(), Value(Date())},
        {"N>D short", Value(2024), N(8), D(), Value(Date())},
        {"L>D", Value(true), L(), D(), Value(Date())},
        {"L>N true", Value(true), L(), N(1), Value(1)},
        {"L>N false", Value(false), L(), N(1), Value(0)},
        {"C>C unchanged", Value("abc  "), C(5), C(2), Value("abc  ")},
        {"D>D unchanged", Value(d), D(), D(), Value(d)},
        {"L>L unchanged", Value(true), L(), L(), Value(true)},
        {"M>M unchanged", Value("a\r\nb"), M(), M(), Value("a\r\nb")},
    };
    for (const auto& c : cases) {
        Value got = CONVDATO(c.in, c.from, c.to);
        EXPECT_EQ(show(got), show(c.out)) << c.what;
    }
}

TEST(Convdato, NumbersCarryTheNewFieldWidth) {
    Value v = CONVDATO(Value(12.5), N(5, 1), N(8, 2));
    EXPECT_EQ(v.number().intWidth, 5);
    v = CONVDATO(Value("7"), C(2), N(4));
    EXPECT_EQ(v.number().intWidth, 4);
}

TEST(Adjnum, ItalianSeparators) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"1.234,56", "1234.56"},
        {"12.5", "12.5"},
        {"1,5", "1.5"},
        {"", ""},
        {"1.234.567", "1.234.567"},
        {"1.234.567,8", "1234567.8"},
        {"a,b,c", "a.b.c"},
    };
    for (const auto& c : cases) EXPECT_EQ(ADJNUM(c.in), c.out) << c.in;
}

TEST(Adjnum, NumberTextAndFitting) {
    EXPECT_EQ(numberText(5.5, 6, 2), "  5.50");
    EXPECT_EQ(numberText(-0.001, 5, 2), " 0.00");
    EXPECT_EQ(numberText(1234.5, 6, 2), "******");
    EXPECT_EQ(numberText(99, 2, 0), "99");
    EXPECT_EQ(fitNumber(99.6, 2, 0).value, 0);
    EXPECT_EQ(fitNumber(99.4, 2, 0).value, 99);
}
