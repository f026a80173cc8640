#include "util/validate.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* text;
    bool valid;
};

TEST(IsCod, FiscalCodesAndVatNumbers) {
    const Case cases[] = {
        {"RSSMRA80A01H501U", true},   {"rssmra80a01h501u", true},  // upper-cased before the check
        {"RSSMRA85T10A562S", true},   {"RSSMRA85T10A562S   ", true},  // trailing blanks of a field
        {"RSSMRA80A01H501A", false},                                  // wrong check letter
        {"RSSMRA80A01H5016", false},   // a digit never matches the check
        {"RSSMRA80A0161501U", false},  // 17 long: checked as a VAT number
        {"RSSMRA80A013501U", false},   // digit in place 12
        {"RSSMRA80A01H5-1U", false},   // not a letter or a digit
        {"00743110157", true},         // 11 digits: a VAT number
        {"00743110158", false},       {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(velt::ISCOD(c.text), c.valid) << c.text;
}

TEST(IsIva, CheckDigitAndShape) {
    const Case cases[] = {
        {"00743110157", true},   {"12345678903", true},  {"07643520567", true},
        {"07643520567 ", true},  {"07643520568", false}, {"0764352056", false},
        {"076435205670", false}, {"00000000000", false},  // its check digit would match
        {"0764352056A", false},  {"A7643520567", false}, {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(velt::ISIVA(c.text), c.valid) << c.text;
}

TEST(IsIban, Mod97) {
    const Case cases[] = {
        {"IT60X0542811101000000123456", true},
        {"  IT60X0542811101000000123456  ", true},
        {"it60x0542811101000000123456", false},  // letters must be upper case
        {"IT61X0542811101000000123456", false},
        {"IT60X0542811101000000123457", false},
        {"IT60X054281110100000012345", false},  // 26 long
        {"IT60 X054 2811 1010 0000 0123 456", false},
        {"IT60-0542811101000000123456", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(velt::ISIBAN(c.text), c.valid) << c.text;
}

TEST(IsEmail, Plausibility) {
    const Case cases[] = {
        {"mario.rossi@example.it", true}, {"o'neil_x-y@mail.example.com", true},
        {"mario@example.it   ", true},    {"mario@example", false},  // one "@", no dot at all
        {"mario.rossi@example", false},                              // the only dot before the "@"
        {"mario@example.it.", false},     {"mario rossi@example.it", false},
        {" mario@example.it", false},     {"mario@@example.it", false},
        {"mario.example.it", false},      {"mario@exa\xE8mple.it", false},
        {"mario#1@example.it", false},    {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(velt::ISEMAIL(c.text), c.valid) << c.text;
}

TEST(IsNumber, DigitsOnly) {
    const Case cases[] = {{"0123456789", true}, {"7", true},   {"", false},    {"   ", false},
                          {"12 ", false},       {"-1", false}, {"1.5", false}, {"12a", false}};
    for (const auto& c : cases) EXPECT_EQ(velt::ISNUMBER(c.text), c.valid) << c.text;
}

}  // namespace
