#include "ui/get.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>

#include "ui/buttons.h"
#include "ui/combobox.h"
#include "ui/dialog.h"
#include "ui/ui_test_support.h"

using namespace velt;

namespace {
const char* kFields = R"(
FIELDS DIALOG 0, 0, 200, 120
STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Campi"
FONT 8, "MS Sans Serif"
BEGIN
    EDITTEXT        101, 10, 10, 60, 13
    EDITTEXT        102, 10, 30, 60, 13, ES_RIGHT
    EDITTEXT        103, 10, 50, 60, 13
    EDITTEXT        104, 10, 70, 60, 13
    EDITTEXT        105, 100, 10, 60, 13, ES_READONLY
    COMBOBOX        106, 100, 30, 60, 60, CBS_DROPDOWNLIST
    EDITTEXT        107, 100, 50, 60, 13, ES_PASSWORD
    DEFPUSHBUTTON   "&Conferma", 201, 10, 95, 40, 15
END
)";

QLineEdit* edit(TControl* c) {
    return qobject_cast<QLineEdit*>(c->hWnd.data());
}

// Gives the field the focus as Tab does (all of its text selected) and types.
void focusAndType(TControl* c, const char* keys) {
    c->SetFocus();
    QApplication::processEvents();
    edit(c)->selectAll();
    test::type(c->hWnd, keys);
}
}  // namespace

TEST(PictureFields, TimeMaskSkipsTheColonAndLeavesBlanks) {
    test::ScopedTemplate form(kFields);
    TDialog dlg("FIELDS");
    std::string ora = "     ";
    std::string other(10, ' ');
    TGet* get = TGet::ReDefine(101, dlg, ora, "99:99");
    TGet::ReDefine(103, dlg, other);
    test::runModal(dlg, [&] {
        EXPECT_EQ(edit(get)->text(), "  :  ");
        focusAndType(get, "1x23");
        EXPECT_EQ(edit(get)->text(), "12:3 ");
        QTest::keyClick(get->hWnd, Qt::Key_Return);  // Enter leaves the field: written back
        EXPECT_FALSE(get->hWnd->hasFocus());
    });
    EXPECT_EQ(ora, "12:3 ");
}

TEST(PictureFields, TimeMaskBackspaceBlanksThePreviousDigit) {
    test::ScopedTemplate form(kFields);
    TDialog dlg("FIELDS");
    std::string ora = "08:30";
    std::string other(4, ' ');
    TGet* get = TGet::ReDefine(101, dlg, ora, "99:99");
    TGet::ReDefine(103, dlg, other);
    test::runModal(dlg, [&] {
        get->SetFocus();
        QApplication::processEvents();
        edit(get)->setCursorPosition(3);
        QTest::keyClick(get->hWnd, Qt::Key_Backspace);  // over the colon to the "8"
        EXPECT_EQ(edit(get)->text(), "0 :30");
        test::type(get->hWnd, "9");
        EXPECT_EQ(edit(get)->text(), "09:30");
        get->commit();
    });
    EXPECT_EQ(ora, "09:30");
}

TEST(PictureFields, NumberEntryTakesDotAsCommaOnceAndNoMinus) {
    struct Case {
        const char* keys;
        const char* shown;
        double stored;
    } cases[] = {
        {"12.5", "12,5", 12.5},
        {"1,2,5", "1,25", 1.25},
        {"-7.2.5", "7,25", 7.25},
        {"1234", "1234", 1234},  // beyond the mask: refused at the form check
    };
    for (const auto& c : cases) {
        test::ScopedTemplate form(kFields);
        TDialog dlg("FIELDS");
        double price = 0;
        std::string other(5, ' ');
        TGet* get = TGet::ReDefine(102, dlg, price, "@EZ 999.99");
        TGet::ReDefine(103, dlg, other);
        test::runModal(dlg, [&] {
            EXPECT_EQ(edit(get)->text(), "");  // zero shows blank without the focus
            focusAndType(get, c.keys);
            EXPECT_EQ(edit(get)->text(), c.shown) << c.keys;
            get->commit();
        });
        EXPECT_DOUBLE_EQ(price, c.stored) << c.keys;
    }
}

TEST(PictureFields, NumberShowsFormattedWithoutFocusAndPlainWithIt) {
    test::ScopedTemplate form(kFields);
    TDialog dlg("FIELDS");
    double amount = 1234.5;
    std::string other(5, ' ');
    TGet* get = TGet::ReDefine(101, dlg, amount, "@E 99,999.99");
    TGet::ReDefine(103, dlg, other);
    test::runModal(dlg, [&] {
        // The first control has the focus when the dialog opens.
        EXPECT_EQ(edit(get)->text(), " 1234,50");
        EXPECT_TRUE(edit(get)->hasSelectedText());
        ITEM(dlg, 103)->SetFocus();
        QApplication::processEvents();
        EXPECT_EQ(edit(get)->text(), "1.234,50");
    });
}

TEST(PictureFields, BlankDateStoresTheEmptyDate) {
    test::ScopedTemplate form(kFields);
    TDialog dlg("FIELDS");
    Date when = Date::fromYmd(2024, 5, 12);
    std::string other(5, ' ');
    TGet* get = TGet::ReDefine(104, dlg, when);
    TGet::ReDefine(103, dlg, other);
    test::runModal(dlg, [&] {
        get->SetFocus();
        QApplication::processEvents();
        EXPECT_EQ(edit(get)->text(), "12/05/2024");
        edit(get)->setCursorPosition(10);
        for (int i = 0; i < 10; ++i) QTest::keyClick(get->hWnd, Qt::Key_Backspace);
        EXPECT_EQ(edit(get)->text(), "  /  /    ");
        get->commit();
    });
    EXPECT_TRUE(when.isEmpty());
}

TEST(PictureFields, DateTypedOverTheMask) {
    test::ScopedTemplate form(kFields);
    TDialog dlg("FIELDS");
    Date when;
    std::string other(5, ' ');
    TGet* get = TGet::ReDefine(104, dlg, when);
    TGet::ReDefine(103, dlg, other);
    test::runModal(dlg, [&] {
        focusAndType(get, "0103202");
        EXPECT_EQ(edit(get)->text(), "01/03/202 ");
        test::type(get->hWnd, "59");  // the last digit fills the mask, the next is refused
        EXPECT_EQ(edit(get)->text(), "01/03/2025");
        get->commit();
    });
    EXPECT_EQ(when, Date::fromYmd(2025, 3, 1));
}

TEST(PictureFields, TextUpperCaseLogicalAndPassword) {
    test::ScopedTemplate form(kFields);
    TDialog dlg("FIELDS");
    std::string name(8, ' ');
    bool paid = false;
    std::string secret(6, ' ');
    TGet* nameGet = TGet::ReDefine(101, dlg, name, "@!");
    TGet* flag = TGet::ReDefine(103, dlg, paid);
    TGet* pass = TGet::ReDefine(107, dlg, secret);
    test::runModal(dlg, [&] {
        focusAndType(nameGet, "rossi\xE8");  // accented letters too (Windows-1252 input)
        focusAndType(flag, "xt");
        EXPECT_EQ(edit(flag)->text(), "T");
        focusAndType(pass, "ab12");
        EXPECT_EQ(edit(pass)->echoMode(), QLineEdit::Password);
        EXPECT_NE(edit(pass)->displayText(), "ab12");
        ITEM(dlg, 101)->SetFocus();
        QApplication::processEvents();
    });
    EXPECT_EQ(name, "ROSSI\xC8  ");
    EXPECT_TRUE(paid);
    EXPECT_EQ(secret, "ab12  ");
}

TEST(PictureFields, ReadOnlyWithDeleteEmptiesValueAndCode) {
    test::ScopedTemplate form(kFields);
    TDialog dlg("FIELDS");
    std::string customer = "ROSSI MARIO";
    std::string other(5, ' ');
    TGet::ReDefine(101, dlg, other);
    TGet* get = TGet::ReDefine(105, dlg, customer);
    get->lDelete = true;
    get->cCode = "0000000042";
    int changes = 0;
    get->bChange = [&] { ++changes; };
    test::runModal(dlg, [&] {
        get->SetFocus();
        QApplication::processEvents();
        test::type(get->hWnd, "abc");  // read-only: typing does nothing
        EXPECT_EQ(edit(get)->text(), "ROSSI MARIO");
        QTest::keyClick(get->hWnd, Qt::Key_Delete);
        EXPECT_EQ(edit(get)->text(), "");
    });
    EXPECT_EQ(customer, std::string(11, ' '));
    EXPECT_EQ(get->cCode, std::string(10, ' '));
    EXPECT_EQ(changes, 1);
}

TEST(ComboBox, ValueMissingFromTheItemsIsInsertedFirst) {
    test::ScopedTemplate form(kFields);
    TDialog dlg("FIELDS");
    std::string machine = "VECCHIA   ";
    std::string other(5, ' ');
    TGet::ReDefine(101, dlg, other);
    auto* combo = TComboBox::ReDefine(106, dlg, machine, {"LETTINO 1", "DOCCIA"});
    test::runModal(dlg, [&] {
        QComboBox* cb = combo->combo();
        ASSERT_EQ(cb->count(), 3);
        EXPECT_EQ(cb->itemText(0), "VECCHIA");
        EXPECT_EQ(cb->currentIndex(), 0);
        combo->SetItems({"LETTINO 1", "VECCHIA", "DOCCIA"});
        EXPECT_EQ(cb->count(), 3);  // present now (trailing blanks ignored): nothing inserted
        EXPECT_EQ(cb->currentIndex(), 1);
        cb->setFocus();
        QTest::keyClick(cb, Qt::Key_Down);  // choosing an item makes it the value
    });
    EXPECT_EQ(machine, "DOCCIA");
}

TEST(ComboBox, EmptyValueBecomesAnEmptyFirstItem) {
    test::ScopedTemplate form(kFields);
    TDialog dlg("FIELDS");
    std::string machine;
    std::string other(5, ' ');
    TGet::ReDefine(101, dlg, other);
    auto* combo = TComboBox::ReDefine(106, dlg, machine, {"LETTINO 1", "DOCCIA"});
    test::runModal(dlg, [&] {
        ASSERT_EQ(combo->combo()->count(), 3);
        EXPECT_EQ(combo->combo()->itemText(0), "");
        EXPECT_EQ(combo->combo()->currentIndex(), 0);
    });
}

TEST(Buttons, WhenConditionsReevaluatedAfterEveryAction) {
    test::ScopedTemplate form(kFields);
    TDialog dlg("FIELDS");
    std::string a(5, ' ');
    bool allowed = true;
    int clicks = 0;
    TGet* get = TGet::ReDefine(101, dlg, a);
    get->bWhen = [&] { return allowed; };
    TButton* ok = TButton::ReDefine(201, dlg, [&] {
        ++clicks;
        allowed = !allowed;
    });
    test::runModal(dlg, [&] {
        EXPECT_TRUE(get->hWnd->isEnabled());
        QTest::mouseClick(ok->hWnd, Qt::LeftButton);
        EXPECT_EQ(clicks, 1);
        EXPECT_FALSE(get->hWnd->isEnabled());
        ok->bWhen = [] { return false; };
        ok->Click();  // a button whose when condition is false does nothing
        EXPECT_EQ(clicks, 1);
    });
}

TEST(PictureFields, PasteOnlyInPlainTextFieldsAndCopyEverywhere) {
    test::ScopedTemplate form(kFields);
    TDialog dlg("FIELDS");
    std::string name(10, ' ');
    std::string ora = "12:30";
    TGet* nameGet = TGet::ReDefine(101, dlg, name);
    TGet* oraGet = TGet::ReDefine(103, dlg, ora, "99:99");
    test::runModal(dlg, [&] {
        QApplication::clipboard()->setText("1145");
        focusAndType(nameGet, "");
        QTest::keyClick(nameGet->hWnd, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(edit(nameGet)->text(), "1145");
        oraGet->SetFocus();
        QApplication::processEvents();
        QTest::keyClick(oraGet->hWnd, Qt::Key_V, Qt::ControlModifier);  // literals: no paste
        EXPECT_EQ(edit(oraGet)->text(), "12:30");
        edit(oraGet)->selectAll();
        QTest::keyClick(oraGet->hWnd, Qt::Key_X, Qt::ControlModifier);  // nor cut
        EXPECT_EQ(edit(oraGet)->text(), "12:30");
        QTest::keyClick(oraGet->hWnd, Qt::Key_C, Qt::ControlModifier);  // copy works
        EXPECT_EQ(QApplication::clipboard()->text(), "12:30");
    });
    EXPECT_EQ(name, "1145      ");
    EXPECT_EQ(ora, "12:30");
}

TEST(Dialogs, ItemAndCtlFindControlsByNumberNameAndPosition) {
    test::ScopedTemplate form(kFields);
    TDialog dlg("FIELDS");
    std::string a, b;
    TGet* first = TGet::ReDefine(101, dlg, a);
    TGet* second = TGet::ReDefine(103, dlg, b);
    second->cVarName = "cCodice";
    EXPECT_EQ(ITEM(dlg, 103), second);
    EXPECT_EQ(ITEM(dlg, 999), nullptr);
    EXPECT_EQ(CTL(dlg, "cCodice"), second);
    EXPECT_EQ(CTL(dlg, std::string("nessuno")), nullptr);
    EXPECT_EQ(CTL(dlg, 1), first);
    EXPECT_EQ(CTL(dlg, 3), nullptr);
}

TEST(Fonts, HeightsAndFaces) {
    EXPECT_EQ(mapFace("MS Sans Serif"), "Liberation Sans");
    EXPECT_EQ(mapFace("Segoe UI"), "Liberation Sans");
    EXPECT_EQ(mapFace("arial"), "Liberation Sans");
    EXPECT_EQ(mapFace("Courier New"), "Liberation Mono");
    EXPECT_EQ(TFont::New("Arial", 0, -15).nHeight, 15);
    EXPECT_EQ(TFont::New("Arial", 0, 10, false, false, false, false, 600).nHeight, 83);
    EXPECT_EQ(TFont::ofPoints("MS Sans Serif", 8).qFont().pixelSize(), 11);
    EXPECT_TRUE(TFont::New("MS Sans Serif", 0, -10, true).qFont().bold());
    EXPECT_EQ(GETSYSFONT(), "Segoe UI");
}
