#include "util/text.h"

#include <gtest/gtest.h>

using velt::EditText;

namespace {

TEST(O2A, SixDosLettersOnly) {
    EXPECT_EQ(velt::O2A("perch\x82 citt\x85 "
                        "\x8A\x8D\x95\x97"),
              "perch\xE9 citt\xE0 "
              "\xE8\xEC\xF2\xF9");
    EXPECT_EQ(velt::O2A("\x80\x81\x83 abc"), "\x80\x81\x83 abc");
}

TEST(At, PositionsAndBounds) {
    struct Case {
        const char* needle;
        const char* haystack;
        int start;
        int at;
    } cases[] = {
        {"b", "abcabc", 1, 2}, {"b", "abcabc", 3, 5}, {"b", "abcabc", 5, 5}, {"b", "abcabc", 6, 0},
        {"x", "abc", 1, 0},    {"", "abc", 1, 1},     {"c", "abc", 4, 0},    {"c", "abc", 99, 0},
        {"abcd", "abc", 1, 0}, {"a", "abc", 0, 1},    {"a", "", 1, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(velt::AT(c.needle, c.haystack, c.start), c.at)
            << c.needle << " in " << c.haystack << " from " << c.start;
}

TEST(Occurs, OverlappingCounted) {
    EXPECT_EQ(velt::OCCURS("aa", "aaa"), 2);
    EXPECT_EQ(velt::OCCURS("ab", "abcab"), 2);
    EXPECT_EQ(velt::OCCURS("x", "abc"), 0);
    EXPECT_EQ(velt::OCCURS("", "abc"), 0);
    EXPECT_EQ(velt::OCCURS("abcd", "abc"), 0);
}

TEST(IsTime, TableOfCases) {
    struct Case {
        const char* text;
        bool valid;
    } cases[] = {
        {"23:59", true},    {"00:00", true},     {"24:00", false},    {"12:60", false},
        {"  :  ", false},   {"12: 5", false},    {" 9:30", false},    {"09:30", true},
        {"12:30:59", true}, {"12:30:60", false}, {"12:30:  ", false}, {"", false},
        {"ab:cd", false},   {"12-30", false},    {"12:3a", false},    {"1230", false},
    };
    for (const auto& c : cases) EXPECT_EQ(velt::ISTIME(c.text), c.valid) << '"' << c.text << '"';
}

TEST(CbPicture, TextRule) {
    struct Case {
        EditText in;
        const char* picture;
        EditText out;
    } cases[] = {
        {{"rossi", 5}, "@!", {"ROSSI", 5}},
        {{"citt\xE0", 5}, "@!", {"CITT\xE0", 5}},
        {{"12a", 3}, "9", {"12", 2}},
        {{"1a2b", 2}, "9", {"12b", 1}},  // one character per change
        {{"a", 0}, "9", {"", 0}},        // the caret never goes before the start
        {{"123", 3}, "9", {"123", 3}},
        {{"abc", 1}, "", {"abc", 1}},
        {{"abc", 9}, "XXX", {"abc", 3}},
    };
    for (const auto& c : cases) EXPECT_EQ(velt::CBPICTURE(c.in, c.picture), c.out) << c.in.text;
}

}  // namespace
