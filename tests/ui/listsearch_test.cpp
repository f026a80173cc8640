#include "ui/listsearch.h"

#include <gtest/gtest.h>

#include "ui/browse_table_fixture.h"

using namespace velt;
using namespace velt::testui;

namespace {

const std::vector<std::string> kNames = {"ROSSI MARIA", "BIANCHI LUCA", "BIONDI ANNA", "BELLI PIA",
                                         "VERDI ADA",   "BIANCO EVA",   "NERI UGO"};

// The customer list with the incremental search on its typed characters.
struct SearchList : TableBrowse {
    explicit SearchList(const std::string& prefix = "") : TableBrowse(kNames, 4) {
        brw->bKeyChar = [this, prefix](int nKey) {
            KEYSEARCH(*brw, nKey, prefix);
            return true;
        };
        KEYSEARCH();
    }
    void type(const char* text) { QTest::keyClicks(brw->hWnd.data(), text); }
};

}  // namespace

TEST(KeySearch, TypedLettersSeekLongerTexts) {
    SearchList t;
    struct Step {
        const char* keys;
        const char* typed;
        const char* row;
    } steps[] = {
        {"b", "B", "BELLI PIA"},         {"i", "BI", "BIANCHI LUCA"}, {"a", "BIA", "BIANCHI LUCA"},
        {"x", "BIA", "BIANCHI LUCA"},  // nothing begins with BIAX: the text and the row stay
        {"nco", "BIANCO", "BIANCO EVA"},
    };
    for (const auto& s : steps) {
        t.type(s.keys);
        EXPECT_EQ(keySearchText(), s.typed) << s.keys;
        EXPECT_EQ(t.current(), s.row) << s.keys;
    }
    EXPECT_EQ(t.brw->oVScroll->value(), static_cast<int>(t.table().keyPosition()));
}

TEST(KeySearch, BackspaceShortensAndSeeksAgain) {
    SearchList t;
    t.type("bio");
    EXPECT_EQ(t.current(), "BIONDI ANNA");
    QTest::keyClick(t.brw->hWnd.data(), Qt::Key_Backspace);
    EXPECT_EQ(keySearchText(), "BI");
    EXPECT_EQ(t.current(), "BIANCHI LUCA");
    QTest::keyClick(t.brw->hWnd.data(), Qt::Key_Backspace);
    EXPECT_EQ(keySearchText(), "B");
    EXPECT_EQ(t.current(), "BELLI PIA");
}

TEST(KeySearch, MovingByOtherMeansStartsANewText) {
    SearchList t;
    t.type("bi");
    QTest::mouseClick(t.brw->hWnd.data(), Qt::LeftButton, {}, QPoint(20, t.lineY(4)));
    t.type("n");
    EXPECT_EQ(keySearchText(), "N");
    EXPECT_EQ(t.current(), "NERI UGO");
    t.type("e");
    t.key(Qt::Key_Up);
    t.type("v");
    EXPECT_EQ(keySearchText(), "V");
    EXPECT_EQ(t.current(), "VERDI ADA");
}

TEST(KeySearch, OtherKeysDoNothingAndPrefixLeads) {
    SearchList t("BI");
    t.type("o");  // BIO
    EXPECT_EQ(keySearchText(), "O");
    EXPECT_EQ(t.current(), "BIONDI ANNA");
    KEYSEARCH(*t.brw, 200, "BI");  // outside 32..126
    EXPECT_EQ(keySearchText(), "O");
    EXPECT_EQ(t.current(), "BIONDI ANNA");
}

TEST(KeySeek, LetterJumpsAndSteps) {
    TableBrowse t(kNames, 4);
    t.brw->bKeyChar = [&](int nKey) {
        KEYSEEK(*t.brw, nKey);
        return true;
    };
    struct Step {
        const char* key;
        const char* row;
        int line;
    } steps[] = {
        {"b", "BIANCHI LUCA", 2},  // on a B already: the next B, one line lower
        {"b", "BIANCO EVA", 3},   {"b", "BIONDI ANNA", 4},
        {"b", "BELLI PIA", 1},  // the last B: the first B, on the first line
        {"v", "VERDI ADA", 1},    {"z", "VERDI ADA", 1},  // none: the row stays
    };
    for (const auto& st : steps) {
        QTest::keyClicks(t.brw->hWnd.data(), st.key);
        EXPECT_EQ(t.current(), st.row) << st.row;
        EXPECT_EQ(t.brw->nRowPos, st.line) << st.row;
    }
}

TEST(KeyLocate, SearchesRowByRowAndWraps) {
    TableBrowse t(kNames, 4);
    auto secondName = [](engine::WorkArea& wa) {
        std::string s = wa.get("CLIENTE").text();
        return s.substr(s.find(' ') + 1);
    };
    t.brw->bKeyChar = [&](int nKey) {
        KEYLOCATE(*t.brw, nKey, secondName);
        return true;
    };
    QTest::keyClicks(t.brw->hWnd.data(), "a");  // ANNA after BELLI PIA
    EXPECT_EQ(t.current(), "BIONDI ANNA");
    QTest::keyClicks(t.brw->hWnd.data(), "a");  // then ADA
    EXPECT_EQ(t.current(), "VERDI ADA");
    QTest::keyClicks(t.brw->hWnd.data(), "a");  // wraps to the first
    EXPECT_EQ(t.current(), "BIONDI ANNA");
    QTest::keyClicks(t.brw->hWnd.data(), "q");
    EXPECT_EQ(t.current(), "BIONDI ANNA");
}
