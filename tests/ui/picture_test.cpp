#include "ui/picture.h"

#include <gtest/gtest.h>

#include "ui/paint.h"
#include "ui/qtext.h"

using namespace velt;

namespace {
// Types keys into a buffer that starts as the focus text of `value`, all of it selected.
std::string typed(const FieldRules& rules, const Value& value, const std::string& keys) {
    EditBuffer b(rules);
    b.setText(rules.focusText(value));
    b.selStart = 0;
    b.selLength = static_cast<int>(b.text.size());
    for (char c : keys) {
        bool changed = c == '\b' ? b.backspace() : b.typeChar(c);
        if (changed) b.selLength = 0;  // a refused key leaves the selection
    }
    return b.text;
}
}  // namespace

TEST(Picture, FunctionPartAndMask) {
    Picture p = Picture::parse("@EZ 999.99");
    EXPECT_EQ(p.function, "EZ");
    EXPECT_EQ(p.mask, "999.99");
    EXPECT_TRUE(p.has('z'));
    EXPECT_TRUE(p.hasLiterals());
    EXPECT_EQ(Picture::parse("@!").mask, "");
    EXPECT_EQ(Picture::parse("99:99").function, "");
    EXPECT_FALSE(Picture::parse("XXXX").hasLiterals());
}

TEST(Picture, TypingByKindAndMask) {
    struct Case {
        FieldKind kind;
        const char* picture;
        Value value;
        const char* keys;
        const char* result;
    } cases[] = {
        {FieldKind::Text, "99:99", Value("     "), "1x23", "12:3 "},
        {FieldKind::Text, "99:99", Value("08:30"), "2", "28:30"},  // overwrite from the start
        {FieldKind::Text, "@!", Value("      "), "ab1", "AB1"},
        {FieldKind::Text, "@9", Value("      "), "a1b2", "12"},
        {FieldKind::Text, "AA99", Value("    "), "1ab2c3", "ab23"},
        {FieldKind::Text, "", Value("abc"), "defg", "def"},  // the value's length
        {FieldKind::Date, "", Value(Date()), "31122024", "31/12/2024"},
        {FieldKind::Date, "", Value(Date()), "1\b\b2", "2 /  /    "},
        {FieldKind::Number, "@E 999.99", Value(0.0), "12.5", "12,5"},
        {FieldKind::Number, "@E 999.99", Value(0.0), "1,,2.3", "1,23"},
        {FieldKind::Number, "@E 999.99", Value(0.0), "-5", "5"},
        {FieldKind::Number, "@E 99", Value(0.0), "123", "12"},
        {FieldKind::Logical, "", Value(false), "xyt", "T"},
        {FieldKind::Logical, "", Value(true), "f", "F"},
    };
    for (const auto& c : cases) {
        int length = c.value.isText() ? static_cast<int>(c.value.text().size()) : 0;
        FieldRules rules(c.kind, c.picture, length);
        EXPECT_EQ(typed(rules, c.value, c.keys), c.result) << c.picture << " " << c.keys;
    }
}

TEST(Picture, ShownWithAndWithoutFocusAndReadBack) {
    FieldRules price(FieldKind::Number, "@EZ 999,999.99");
    EXPECT_EQ(price.focusText(Value(1234.5)), "  1234,50");
    EXPECT_EQ(price.displayText(Value(1234.5)), "1.234,50");
    EXPECT_EQ(price.displayText(Value(0.0)), "");
    EXPECT_EQ(price.focusText(Value(0.0)), "     0,00");
    EXPECT_DOUBLE_EQ(price.readBack("12,5").num(), 12.5);
    EXPECT_DOUBLE_EQ(price.readBack("").num(), 0);
    EXPECT_EQ(price.maxLength(), 10);
    EXPECT_TRUE(price.numberTooBig(1234567));
    EXPECT_FALSE(price.numberTooBig(999999.99));

    FieldRules name(FieldKind::Text, "@!", 8);
    EXPECT_EQ(name.displayText(Value("rossi   ")), "ROSSI");
    EXPECT_EQ(name.readBack("ROSSI").text(), "ROSSI   ");

    FieldRules date(FieldKind::Date, "");
    EXPECT_EQ(date.mask(), "99/99/9999");
    EXPECT_TRUE(date.overwrite());
    EXPECT_TRUE(date.readBack("  /  /    ").date().isEmpty());
    EXPECT_FALSE(date.badDate("  /  /    "));
    EXPECT_TRUE(date.badDate("31/02/2024"));
    EXPECT_TRUE(date.badDate("12/05/    "));
    EXPECT_EQ(date.readBack("29/02/2024").date(), Date::fromYmd(2024, 2, 29));

    FieldRules flag(FieldKind::Logical, "");
    EXPECT_EQ(flag.maxLength(), 1);
    EXPECT_TRUE(flag.readBack("T").logical());
    EXPECT_FALSE(flag.readBack("F").logical());

    EXPECT_TRUE(FieldRules(FieldKind::Text, "", 10).allowsClipboardEdit());
    EXPECT_FALSE(FieldRules(FieldKind::Text, "99:99", 5).allowsClipboardEdit());
    EXPECT_FALSE(FieldRules(FieldKind::Number, "999", 0).allowsClipboardEdit());
}

TEST(Gradient, TenBitFixedPointSteps) {
    // Black to white over 4 lines: 255/4 = 63.75 per line, kept in fixed point.
    EXPECT_EQ(
        gradientLines(RGB(0, 0, 0), RGB(255, 255, 255), 4),
        (std::vector<int>{RGB(0, 0, 0), RGB(63, 63, 63), RGB(127, 127, 127), RGB(191, 191, 191)}));
    // Falling channels and one line.
    EXPECT_EQ(gradientLines(RGB(200, 10, 0), RGB(100, 10, 50), 2),
              (std::vector<int>{RGB(200, 10, 0), RGB(150, 10, 25)}));
    EXPECT_EQ(gradientLines(RGB(1, 2, 3), RGB(9, 9, 9), 1), std::vector<int>{RGB(1, 2, 3)});
    EXPECT_TRUE(gradientLines(0, 0, 0).empty());
}

TEST(Gradient, BandsCutAtTheEndAndTheLastTakesTheRest) {
    QImage img(4, 10, QImage::Format_RGB32);
    img.fill(Qt::black);
    {
        QPainter p(&img);
        GRADIENTFILL(p, 0, 0, 10, 4,
                     {{0.3, RGB(255, 0, 0), RGB(255, 0, 0)},
                      {0.3, RGB(0, 255, 0), RGB(0, 255, 0)},
                      {0.1, RGB(0, 0, 255), RGB(0, 0, 255)}});
    }
    auto at = [&](int y) { return fromQColor(QColor(img.pixel(2, y))); };
    EXPECT_EQ(at(0), RGB(255, 0, 0));
    EXPECT_EQ(at(2), RGB(255, 0, 0));
    EXPECT_EQ(at(3), RGB(0, 255, 0));
    EXPECT_EQ(at(5), RGB(0, 255, 0));
    EXPECT_EQ(at(6), RGB(0, 0, 255));  // the last band fills what is left
    EXPECT_EQ(at(9), RGB(0, 0, 255));

    QImage wide(10, 2, QImage::Format_RGB32);
    wide.fill(Qt::black);
    {
        QPainter p(&wide);
        GRADIENTFILL(
            p, 0, 0, 2, 10,
            {{0.8, RGB(0, 0, 0), RGB(0, 0, 0)}, {0.8, RGB(9, 9, 9), RGB(9, 9, 9)}, {0.5, 1, 1}},
            false);
    }
    EXPECT_EQ(fromQColor(QColor(wide.pixel(7, 1))), RGB(0, 0, 0));
    EXPECT_EQ(fromQColor(QColor(wide.pixel(8, 1))), RGB(9, 9, 9));  // cut at the end
    EXPECT_EQ(fromQColor(QColor(wide.pixel(9, 1))), RGB(9, 9, 9));
}
