#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>

#include "ui/buttons.h"
#include "ui/combobox.h"
#include "ui/get.h"
#include "ui/qtext.h"
#include "ui/qtprompt.h"
#include "ui/statics.h"
#include "ui/ui_test_support.h"
#include "ui/valid.h"
#include "util/marker.h"

using namespace velt;

namespace {
const char* kControls = R"(
CONTROLS DIALOG 0, 0, 220, 140
STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Controlli"
FONT 8, "MS Sans Serif"
BEGIN
    COMBOBOX        101, 10, 10, 80, 60, CBS_DROPDOWN
    COMBOBOX        102, 100, 10, 80, 60, CBS_DROPDOWNLIST
    EDITTEXT        103, 10, 30, 150, 30, ES_MULTILINE | ES_WANTRETURN
    AUTOCHECKBOX    "Abbonamento:", 104, 10, 65, 60, 12, BS_LEFTTEXT
    AUTORADIOBUTTON "Uno", 105, 10, 80, 40, 10
    AUTORADIOBUTTON "Due", 106, 60, 80, 40, 10
    LTEXT           "", 107, 110, 80, 60, 10
    CONTROL         "DBCOMBO", 108, "TBtnBmp", WS_TABSTOP, 180, 30, 10, 13
    DEFPUSHBUTTON   "&Conferma", 201, 10, 120, 40, 15
END
)";
}  // namespace

TEST(Controls, ComboPictureFiltersTheEditText) {
    test::ScopedTemplate form(kControls);
    TDialog dlg("CONTROLS");
    std::string code;
    auto* combo = TComboBox::ReDefine(101, dlg, code, {"12", "34"});
    combo->cPicture = "9";
    test::runModal(dlg, [&] {
        QLineEdit* edit = combo->combo()->lineEdit();
        combo->SetFocus();
        edit->clear();
        QTest::keyClicks(edit, "1a2");
        EXPECT_EQ(edit->text(), "12");
    });
    EXPECT_EQ(code, "12");
}

TEST(Controls, EscapeWithTheListOpenOnlyClosesTheList) {
    test::ScopedTemplate form(kControls);
    TDialog dlg("CONTROLS");
    std::string a, b = "DUE";
    TComboBox::ReDefine(101, dlg, a, {"X"});
    auto* list = TComboBox::ReDefine(102, dlg, b, {"UNO", "DUE"});
    bool openAfterEscape = false;
    test::runModal(dlg, [&] {
        list->combo()->showPopup();
        QApplication::processEvents();
        QWidget* popup = list->combo()->view();
        ASSERT_TRUE(popup->isVisible());
        QTest::keyClick(popup, Qt::Key_Escape);
        QApplication::processEvents();
        EXPECT_FALSE(popup->isVisible());
        openAfterEscape = dlg.isOpen();
        QTest::keyClick(list->combo(), Qt::Key_Escape);  // now it ends the dialog
    });
    EXPECT_TRUE(openAfterEscape);
    EXPECT_EQ(dlg.nResult, 2);
}

TEST(Controls, MemoCheckBoxRadioGroupAndSay) {
    test::ScopedTemplate form(kControls);
    TDialog dlg("CONTROLS");
    std::string a, b;
    std::string note = "riga uno\r\nriga due";
    bool paid = false;
    int option = 2;
    double total = 1234.5;
    TComboBox::ReDefine(101, dlg, a, {});
    TComboBox::ReDefine(102, dlg, b, {});
    auto* memo = TMultiGet::ReDefine(103, dlg, note);
    auto* check = TCheckBox::ReDefine(104, dlg, paid);
    auto* radios = TRadMenu::ReDefine(option, dlg, {105, 106});
    auto* say = TSay::ReDefine(
        107, dlg, [&] { return Value(total); }, "@E 9,999.99");
    int changes = 0;
    memo->bChange = [&] { ++changes; };
    test::runModal(dlg, [&] {
        EXPECT_EQ(memo->editor()->toPlainText(), "riga uno\nriga due");
        EXPECT_EQ(qobject_cast<QLabel*>(say->hWnd.data())->text(), "1.234,50");
        EXPECT_FALSE(qobject_cast<QRadioButton*>(radios->aItems[0]->hWnd.data())->isChecked());
        EXPECT_TRUE(qobject_cast<QRadioButton*>(radios->aItems[1]->hWnd.data())->isChecked());
        memo->SetFocus();
        memo->editor()->moveCursor(QTextCursor::End);
        QTest::keyClick(memo->editor(), Qt::Key_Return);
        QTest::keyClicks(memo->editor(), "tre");
        QTest::mouseClick(check->hWnd, Qt::LeftButton);  // leaving the memo writes it back
        QTest::mouseClick(radios->aItems[0]->hWnd, Qt::LeftButton);
        EXPECT_FALSE(qobject_cast<QRadioButton*>(radios->aItems[1]->hWnd.data())->isChecked());
        total = 5;
        say->Refresh();
        EXPECT_EQ(qobject_cast<QLabel*>(say->hWnd.data())->text(), "5,00");
    });
    EXPECT_EQ(note, "riga uno\r\nriga due\r\ntre");
    EXPECT_GT(changes, 0);
    EXPECT_TRUE(paid);
    EXPECT_EQ(option, 1);
}

TEST(Controls, DisabledPictureButtonIgnoresClicksAndIsGrey) {
    test::ScopedTemplate form(kControls);
    TDialog dlg("CONTROLS");
    std::string a, b;
    int clicks = 0;
    TComboBox::ReDefine(101, dlg, a, {});
    TComboBox::ReDefine(102, dlg, b, {});
    auto* bmp = TBtnBmp::ReDefine(108, dlg, "PRINT", "", [&] { ++clicks; });
    bmp->cToolTip = "Clienti";
    test::runModal(dlg, [&] {
        EXPECT_EQ(bmp->hWnd->toolTip(), "Clienti");
        QTest::mouseClick(bmp->hWnd, Qt::LeftButton);
        EXPECT_EQ(clicks, 1);
        QImage enabled = bmp->hWnd->grab().toImage();
        bmp->Disable();
        QTest::mouseClick(bmp->hWnd, Qt::LeftButton);
        EXPECT_EQ(clicks, 1);
        QImage disabled = bmp->hWnd->grab().toImage();
        // Every pixel of the disabled picture is grey.
        bool colouredBefore = false, colouredAfter = false;
        for (int y = 0; y < enabled.height(); ++y)
            for (int x = 0; x < enabled.width(); ++x) {
                QColor e = enabled.pixelColor(x, y), d = disabled.pixelColor(x, y);
                if (std::abs(e.red() - e.blue()) > 30 || std::abs(e.green() - e.blue()) > 30)
                    colouredBefore = true;
                if (std::abs(d.red() - d.blue()) > 30 || std::abs(d.green() - d.blue()) > 30)
                    colouredAfter = true;
            }
        EXPECT_TRUE(colouredBefore);
        EXPECT_FALSE(colouredAfter);
    });
}

TEST(Controls, FocusShowsTheHelpText) {
    test::ScopedTemplate form(kControls);
    TDialog dlg("CONTROLS");
    std::string a, b;
    std::vector<std::string> shown;
    setHelpHook([&](const std::string& m) { shown.push_back(m); });
    auto* first = TComboBox::ReDefine(101, dlg, a, {});
    first->cMsg = "Codice del cliente";
    auto* second = TComboBox::ReDefine(102, dlg, b, {});
    second->cMsg = "Macchina";
    std::string whileFocused;
    test::runModal(dlg, [&] {
        second->SetFocus();
        QApplication::processEvents();
        ASSERT_FALSE(shown.empty());
        whileFocused = shown.back();
    });
    setHelpHook(nullptr);
    EXPECT_EQ(whileFocused, "Macchina");
    EXPECT_EQ(shown.back(), "");  // left: the status line goes back to its default text
}

TEST(Controls, FieldBackgroundIsWhiteWithTheSharedMarker) {
    QTemporaryDir dir;
    std::string marker = dir.filePath("NET").toStdString();
    std::string previous = setSharedMarkerPath(marker);
    int normal = GETSYSBGCOLOR(15);
    QFile f(QString::fromStdString(marker));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_EQ(GETSYSBGCOLOR(15), RGB(255, 255, 255));
    EXPECT_EQ(GETSYSCOLOR(15), normal);
    setSharedMarkerPath(previous);
}

TEST(Controls, FileDialogAnswersThePathAndTheFilter) {
    QTemporaryDir dir;
    QFile f(dir.filePath("ARCHIVIO.ZIP"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    QtPrompt seam;
    ScopedPrompt use(seam);
    QString title;
    test::onNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        title = dlg->windowTitle();
        dlg->selectNameFilter("Tutti i file (*)");
        dlg->selectFile(dir.filePath("ARCHIVIO.ZIP"));
        QMetaObject::invokeMethod(dlg, "accept");
    });
    int chosen = 0;
    std::string path = CGETFILE("Archivi zip (*.zip)|*.zip|Tutti i file|*", "Ripristino", 1,
                                dir.path().toStdString(), false, "", &chosen);
    EXPECT_EQ(title, "Ripristino");
    EXPECT_EQ(path, dir.filePath("ARCHIVIO.ZIP").toStdString());
    EXPECT_EQ(chosen, 2);
}

TEST(Window, ActivateRunsInitOnceAndTheLoopUntilEnd) {
    TWindow::Spec spec;
    spec.cTitle = "VELT - Gestione Solarium";
    auto w = TWindow::New(spec);
    int inits = 0;
    bool allowClose = false;
    w->bInit = [&] { ++inits; };
    w->bValid = [&] { return allowClose; };
    QTimer::singleShot(0, [&] {
        EXPECT_EQ(TWindow::mainLoopWindow(), w.get());
        EXPECT_FALSE(w->End());  // the valid callback refuses
        EXPECT_TRUE(w->hWnd->isVisible());
        allowClose = true;
        EXPECT_TRUE(w->End());
    });
    w->Activate("NORMAL");
    EXPECT_EQ(inits, 1);
    EXPECT_EQ(TWindow::mainLoopWindow(), nullptr);
    EXPECT_EQ(w->hWnd, nullptr);
}
