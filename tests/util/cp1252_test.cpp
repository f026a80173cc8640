#include "util/cp1252.h"

#include <gtest/gtest.h>

TEST(Cp1252, HighRangeBothWays) {
    struct Case {
        std::string bytes;
        std::string utf8;
    } cases[] = {
        {"\x80", "\u20AC"}, {"\x8A", "\u0160"}, {"\x93\x94", "\u201C\u201D"}, {"\x96", "\u2013"},
        {"\xE8", "\u00E8"}, {"caff\xE8", "caff\u00E8"}, {"\x9F", "\u0178"}, {"abc", "abc"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(velt::cp1252ToUtf8(c.bytes), c.utf8);
        EXPECT_EQ(velt::utf8ToCp1252(c.utf8), c.bytes);
    }
}

TEST(Cp1252, UnmappableAndMalformed) {
    EXPECT_EQ(velt::utf8ToCp1252("\u4E2D"), "?");
    EXPECT_EQ(velt::utf8ToCp1252("a\xC3"), "a?");
    EXPECT_EQ(velt::utf8ToCp1252("\xFFz"), "?z");
    // Bytes Windows-1252 leaves undefined survive a round trip.
    EXPECT_EQ(velt::utf8ToCp1252(velt::cp1252ToUtf8("\x81\x9D")), "\x81\x9D");
}
