#include "ui/valid.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>

#include "ui/buttons.h"
#include "ui/combobox.h"
#include "ui/get.h"
#include "ui/ui_test_support.h"
#include "util/prompt.h"

using namespace velt;

namespace {
const char* kEntry = R"(
ENTRY DIALOG 0, 0, 200, 100
STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Aggiungi"
FONT 8, "MS Sans Serif"
BEGIN
    LTEXT           "Nome:", -1, 5, 10, 30, 8
    EDITTEXT        101, 40, 8, 80, 13
    EDITTEXT        102, 40, 28, 40, 13
    EDITTEXT        103, 40, 48, 40, 13
    EDITTEXT        104, 130, 8, 40, 13
    DEFPUSHBUTTON   "&Conferma", 201, 10, 80, 40, 15
    PUSHBUTTON      "&Annulla", 202, 55, 80, 40, 15
END
)";

std::string trim(const std::string& s) {
    size_t e = s.find_last_not_of(' ');
    return e == std::string::npos ? std::string() : s.substr(0, e + 1);
}

// The entry form of the tests: name required, date, a price of three digits, and a field
// disabled by its when condition whose rule always fails.
struct EntryForm {
    test::ScopedTemplate form{kEntry};
    TDialog dlg{"ENTRY"};
    std::string name = std::string(20, ' ');
    Date when;
    double price = 0;
    std::string locked = std::string(5, ' ');
    TGet* nameGet;
    TGet* dateGet;
    TGet* priceGet;
    TGet* lockedGet;
    TButton* confirm;
    TButton* cancel;

    EntryForm() {
        nameGet = TGet::ReDefine(101, dlg, name, "@!");
        nameGet->setValidRule([this] { return !trim(name).empty(); });
        dateGet = TGet::ReDefine(102, dlg, when);
        priceGet = TGet::ReDefine(103, dlg, price, "@E 999.99");
        lockedGet = TGet::ReDefine(104, dlg, locked);
        lockedGet->bWhen = [] { return false; };
        lockedGet->setValidRule([] { return false; });
        for (TControl* c : dlg.aControls) c->bChange = [this] { dlg.lModify = true; };
        confirm = TButton::ReDefine(201, dlg, [this] {
            dlg.Cargo = 1;
            dlg.End(1);
        });
        cancel = TButton::ReDefine(202, dlg, [this] {
            dlg.Cargo = 2;
            dlg.End(2);
        });
        dlg.bValid = [this] { return __VALID(dlg, true); };
    }
};

// A scripted seam that also looks at the dialog while each message shows.
struct WatchingPrompt : ScriptedPrompt {
    std::function<void()> onMessage;
    int showMessage(int kind, const std::string& text, const std::string& caption) override {
        if (onMessage) onMessage();
        return ScriptedPrompt::showMessage(kind, text, caption);
    }
};

QLineEdit* edit(TControl* c) {
    return qobject_cast<QLineEdit*>(c->hWnd.data());
}
}  // namespace

TEST(Valid, CancellingAChangedFormAsksWithNoPreselectedAndNoKeepsIt) {
    EntryForm f;
    WatchingPrompt p;
    ScopedPrompt use(p);
    p.answers = {button::kNo, button::kNo, button::kYes};
    bool stillOpen = false, focusKept = false, focusBack = false;
    test::runModal(f.dlg, [&] {
        f.priceGet->SetFocus();
        QApplication::processEvents();
        test::type(f.priceGet->hWnd, "7");
        QTest::keyClick(f.dlg.hWnd, Qt::Key_Escape);
        stillOpen = f.dlg.isOpen();
        focusKept = f.priceGet->hWnd && f.priceGet->hWnd->hasFocus();
        // The cancel button takes the focus when clicked; No gives it back to the field.
        f.cancel->SetFocus();
        QApplication::processEvents();
        QTest::mouseClick(f.cancel->hWnd, Qt::LeftButton);
        QApplication::processEvents();
        focusBack = f.dlg.isOpen() && f.priceGet->hWnd->hasFocus();
        QTest::mouseClick(f.cancel->hWnd, Qt::LeftButton);  // asked again: Yes closes
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(focusKept);
    EXPECT_TRUE(focusBack);
    ASSERT_EQ(p.messages().size(), 3u);
    EXPECT_EQ(p.shown[0].text, "Annullo le modifiche?");
    EXPECT_EQ(p.shown[0].kind, 5);  // Yes/No with No as the default button
    EXPECT_EQ(f.dlg.nResult, 2);
    EXPECT_FALSE(f.dlg.isOpen());
}

TEST(Valid, UnchangedFormClosesWithoutAsking) {
    EntryForm f;
    ScriptedPrompt p;
    ScopedPrompt use(p);
    test::runModal(f.dlg, [&] { QTest::keyClick(f.dlg.hWnd, Qt::Key_Escape); });
    EXPECT_TRUE(p.shown.empty());
    EXPECT_EQ(f.dlg.nResult, 2);
    EXPECT_TRUE(f.dlg.Cargo.isNil());  // Escape leaves Cargo empty
}

TEST(Valid, RequiredFieldFailsOnceMarkedRedAndTakesTheFocus) {
    EntryForm f;
    WatchingPrompt p;
    ScopedPrompt use(p);
    QRect mark;
    QColor markColour;
    QRect field;
    p.onMessage = [&] {
        auto* m = f.dlg.hWnd->findChild<QWidget*>(QStringLiteral("validMark"));
        if (!m) return;
        mark = m->geometry();
        markColour = m->palette().color(QPalette::Window);
        field = f.nameGet->hWnd->geometry();
    };
    bool open = false, focused = false;
    test::runModal(f.dlg, [&] {
        f.priceGet->SetFocus();
        QApplication::processEvents();
        QTest::mouseClick(f.confirm->hWnd, Qt::LeftButton);
        open = f.dlg.isOpen();
        focused = f.nameGet->hWnd->hasFocus();
        EXPECT_EQ(f.dlg.hWnd->findChild<QWidget*>(QStringLiteral("validMark")), nullptr);
        EXPECT_TRUE(f.dlg.Cargo.isNil());  // cleared: a later close is not a confirmation
    });
    EXPECT_TRUE(open);
    EXPECT_TRUE(focused);
    // Once, and not for the disabled field whose rule fails too.
    EXPECT_EQ(p.messages(), std::vector<std::string>{"Campo non valido."});
    EXPECT_EQ(p.shown[0].kind, 1);
    EXPECT_EQ(markColour, QColor(255, 0, 0));
    EXPECT_EQ(mark.top(), field.top() + field.height());
    EXPECT_EQ(mark.height(), 1);
    EXPECT_EQ(mark.left(), field.left());
    EXPECT_EQ(mark.width(), field.width() - 1);
}

TEST(Valid, ImpossibleDateAndTooBigNumberHaveTheirMessages) {
    struct Case {
        const char* date;
        const char* price;
        const char* message;
    } cases[] = {
        {"31022024", "", "Data non valida."},
        {"", "12345", "Numero troppo grande."},
        {"29022024", "12.5", nullptr},
    };
    for (const auto& c : cases) {
        EntryForm f;
        f.name = "ROSSI" + std::string(15, ' ');
        WatchingPrompt p;
        ScopedPrompt use(p);
        TControl* focusAfter = nullptr;
        test::runModal(f.dlg, [&] {
            if (*c.date) {
                f.dateGet->SetFocus();
                QApplication::processEvents();
                edit(f.dateGet)->selectAll();
                test::type(f.dateGet->hWnd, c.date);
            }
            if (*c.price) {
                f.priceGet->SetFocus();
                QApplication::processEvents();
                edit(f.priceGet)->selectAll();
                test::type(f.priceGet->hWnd, c.price);
            }
            QTest::mouseClick(f.confirm->hWnd, Qt::LeftButton);
            focusAfter = focusedControl(f.dlg);
        });
        if (c.message) {
            EXPECT_EQ(p.messages(), std::vector<std::string>{c.message}) << c.date << c.price;
            EXPECT_EQ(focusAfter, *c.date ? f.dateGet : f.priceGet);
        } else {
            EXPECT_TRUE(p.messages().empty());
            EXPECT_EQ(f.dlg.nResult, 1);
            EXPECT_EQ(f.when, Date::fromYmd(2024, 2, 29));
            EXPECT_DOUBLE_EQ(f.price, 12.5);
        }
    }
}

TEST(Valid, WithoutTheQuestionAChangedFormJustCloses) {
    EntryForm f;
    f.dlg.bValid = [&] { return __VALID(f.dlg, false); };
    ScriptedPrompt p;
    ScopedPrompt use(p);
    test::runModal(f.dlg, [&] {
        f.dlg.lModify = true;
        QTest::keyClick(f.dlg.hWnd, Qt::Key_Escape);
    });
    EXPECT_TRUE(p.shown.empty());
    EXPECT_FALSE(f.dlg.isOpen());
}

TEST(CtlDisable, EmptiesAComboBoxFirst) {
    test::ScopedTemplate form(R"(
COMBO DIALOG 0, 0, 100, 50
STYLE WS_POPUP | WS_CAPTION
FONT 8, "MS Sans Serif"
BEGIN
    COMBOBOX        101, 10, 10, 60, 60, CBS_DROPDOWN
END
)");
    TDialog dlg("COMBO");
    std::string value = "UNO ";
    auto* combo = TComboBox::ReDefine(101, dlg, value, {"UNO", "DUE"});
    test::runModal(dlg, [&] {
        CTLDISABLE(*combo);
        EXPECT_FALSE(combo->hWnd->isEnabled());
        EXPECT_EQ(combo->combo()->currentText(), "");
    });
    EXPECT_EQ(value, "    ");
}

TEST(CGetFile, GoesThroughThePromptSeam) {
    ScriptedPrompt p;
    ScopedPrompt use(p);
    p.files = {std::string("/tmp/archivio.zip"), std::nullopt};
    int chosen = 0;
    EXPECT_EQ(CGETFILE("Archivi zip (*.zip)|*.zip", "Salva", 1, "/tmp", true, "VELT.ZIP", &chosen),
              "/tmp/archivio.zip");
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(p.shown[0].what, "file");
    EXPECT_EQ(p.shown[0].text, "/tmp/VELT.ZIP");
    EXPECT_EQ(CGETFILE("Tutti (*.*)|*.*", "Apri"), "");
}
