#include "util/convert.h"

#include <gtest/gtest.h>

using velt::CVALTOCHAR;
using velt::Date;
using velt::MKSTR;
using velt::Value;
using velt::ValueList;

namespace {

TEST(CValToChar, EveryKind) {
    struct Case {
        Value value;
        std::string text;
    } cases[] = {
        {Value("ROSSI  "), "ROSSI  "},
        {Value(Date::fromYmd(2025, 4, 20)), "20/04/2025"},
        {Value(Date()), "  /  /    "},
        {Value(velt::DateTime{Date::fromYmd(2025, 4, 20), 9 * 3600 + 5 * 60 + 7}),
         "20/04/2025 09:05:07"},
        {Value(velt::DateTime{Date(), 23 * 3600 + 59 * 60}), "23:59:00"},
        {Value(true), ".T."},
        {Value(false), ".F."},
        {Value(42), "42"},
        {Value(-2.5), "-2.5"},
        {Value(velt::Number::ofField(45.5, 6, 2)), "45.50"},
        {Value(ValueList{Value(1), Value(2)}), "1\r\n2"},
        {Value(ValueList{}), ""},
        {Value(ValueList{Value("a"), Value(ValueList{Value(true), Value()})}), "a\r\n.T.\r\nNIL"},
        {Value(velt::ValueMap{{Value("k1"), Value(1)}, {Value("k2"), Value("b")}}), "1\r\nb"},
        {Value(velt::Callback{}), "{ || ... }"},
        {Value(velt::ObjectRef{"TDIALOG", nullptr}), "TDIALOG"},
        {Value(velt::Pointer{reinterpret_cast<const void*>(0x1f2e)}), "0x1f2e"},
        {Value(), "NIL"},
    };
    for (const auto& c : cases) EXPECT_EQ(CVALTOCHAR(c.value), c.text) << c.text;
}

TEST(CValToChar, LongListIsCutAfterAThousandCharacters) {
    ValueList list(300, Value("abcdefghij"));
    std::string text = CVALTOCHAR(Value(list));
    ASSERT_EQ(text.size(), 1000u + 6u);
    EXPECT_EQ(text.substr(0, 12), "abcdefghij\r\n");
    EXPECT_EQ(text.substr(1000), " ... }");
}

TEST(MkStr, Literals) {
    struct Case {
        Value value;
        std::string literal;
    } cases[] = {
        {Value("ROSSI"), "\"ROSSI\""},
        {Value(""), "\"\""},
        {Value("   "), "\"\""},
        {Value(Date()), "\"\""},
        {Value(0), "\"\""},
        {Value(false), "\"\""},
        {Value(), "\"\""},
        {Value(Date::fromYmd(2025, 4, 21)), "CTOD( \"21/04/2025\" )"},
        {Value(12.5), "12.5"},
        {Value(-3), "-3"},
        {Value("D'ANGELO"), "\"D'ANGELO\""},
        {Value("a\"b"), "\"a\" + [\"] + \"b\""},
        {Value("\"abc"), "[\"] + \"abc\""},
        {Value("abc\""), "\"abc\" + [\"]"},
        {Value("a\"\"b"), "\"a\" + [\"\"] + \"b\""},
        {Value("\"\""), "[\"\"]"},
        {Value("\""), "[\"]"},
    };
    for (const auto& c : cases) EXPECT_EQ(MKSTR(c.value), Value(c.literal)) << c.literal;
    // Kinds without a literal come back as they were.
    EXPECT_EQ(MKSTR(Value(true)), Value(true));
}

TEST(IfNil, FirstValueThatIsSet) {
    EXPECT_EQ(velt::IFNIL(Value(), Value(3), Value(4)), Value(3));
    EXPECT_EQ(velt::IFNIL(Value("a"), Value()), Value("a"));
    EXPECT_TRUE(velt::IFNIL(Value(), Value()).isNil());
    EXPECT_EQ(velt::IFNIL(Value(), false), Value(false));
}

}  // namespace
