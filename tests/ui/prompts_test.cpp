#include "ui/prompts.h"

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

#include "ui/dialog.h"
#include "ui/qtprompt.h"
#include "ui/statics.h"
#include "ui/ui_test_support.h"
#include "util/messages.h"

using namespace velt;

namespace {
// Runs `script` on the next modal widget (message box, input box) once it shows.
QPushButton* buttonWithText(QWidget* w, const QString& text) {
    for (auto* b : w->findChildren<QPushButton*>())
        if (b->text().remove('&') == text) return b;
    return nullptr;
}
}  // namespace

TEST(InputBox, ThroughTheSeamStoresOnlyWhenConfirmed) {
    ScriptedPrompt p;
    ScopedPrompt use(p);
    p.inputs = {std::string("NUOVO"), std::nullopt};
    std::string value = "VECCHIO";
    EXPECT_TRUE(MSGGET("Titolo", "Nome:", value, "@!"));
    EXPECT_EQ(value, "NUOVO");
    EXPECT_FALSE(MSGGET("Titolo", "Nome:", value));
    EXPECT_EQ(value, "NUOVO");
    ASSERT_EQ(p.shown.size(), 2u);
    EXPECT_EQ(p.shown[0].what, "input");
    EXPECT_EQ(p.shown[0].text, "Nome:");
    EXPECT_EQ(p.shown[0].caption, "Titolo");
}

TEST(InputBox, TheTemplateDialogEditsACopy) {
    struct Case {
        const char* keys;
        bool confirm;
        std::optional<std::string> result;
    } cases[] = {
        {"abc", true, std::string("ABC   ")},
        {"abc", false, std::nullopt},
    };
    for (const auto& c : cases) {
        std::optional<std::string> result;
        QString caption, promptText;
        QSize size;
        test::onNextModal([&](QWidget* box) {
            caption = box->windowTitle();
            size = box->size();
            for (auto* l : box->findChildren<QLabel*>())
                if (!l->text().isEmpty()) promptText = l->text();
            auto* edit = box->findChild<QLineEdit*>();
            ASSERT_NE(edit, nullptr);
            (void)QTest::qWaitForWindowActive(box, 2000);
            edit->setFocus();
            QApplication::processEvents();
            edit->selectAll();
            test::type(edit, c.keys);
            QTest::mouseClick(buttonWithText(box, c.confirm ? "Conferma" : "Annulla"),
                              Qt::LeftButton);
        });
        result = runMsgGet("Ricerca", "Cognome:", "      ", "@!");
        EXPECT_EQ(result, c.result) << c.keys;
        EXPECT_EQ(caption, "Ricerca");
        EXPECT_EQ(promptText, "Cognome:");
        // 255 x 70 dialog units of "Segoe UI" 9, widened.
        DialogUnits u = DialogUnits::of(TFont::ofPoints("Segoe UI", 9).qFont());
        EXPECT_EQ(size.width(), widen(u.toPixelsX(255)));
        EXPECT_EQ(size.height(), u.toPixelsY(70));
    }
}

TEST(AboutBox, ShowsLogoTitleAndVersionWithoutTitleBar) {
    bool frameless = false, logo = false;
    QStringList texts;
    test::onNextModal([&](QWidget* box) {
        frameless = box->windowFlags().testFlag(Qt::FramelessWindowHint);
        for (auto* l : box->findChildren<QLabel*>()) {
            if (!l->pixmap().isNull() && l->pixmap().width() >= 90) logo = true;
            if (!l->text().isEmpty()) texts << l->text();
        }
        QTest::keyClick(box, Qt::Key_Escape);  // closes, nothing asked
    });
    INFOS("VELT - Gestione Solarium", "1.0", "2026");
    EXPECT_TRUE(frameless);
    EXPECT_TRUE(logo);
    EXPECT_TRUE(texts.contains("VELT - Gestione Solarium"));
    EXPECT_TRUE(texts.contains("Versione: 1.0"));
    EXPECT_TRUE(texts.contains("Zark Software"));
}

TEST(AboutBox, LogoIsARealPicture) {
    QPixmap logo = loadPicture("ZARK");
    ASSERT_FALSE(logo.isNull());
    EXPECT_EQ(logo.size(), QSize(100, 100));
    QImage img = logo.toImage();
    // Not a blank square: many colours, dark ground and a light letter.
    QSet<QRgb> colours;
    for (int y = 0; y < img.height(); y += 3)
        for (int x = 0; x < img.width(); x += 3) colours.insert(img.pixel(x, y));
    EXPECT_GT(colours.size(), 20);
}

TEST(QtMessages, KindsHaveTheirButtonsDefaultsAndItalianTexts) {
    ASSERT_TRUE(loadItalianTranslations());
    struct Case {
        int kind;
        QStringList buttons;
        QString defaultText;
        QString press;
        int result;
        QMessageBox::Icon icon;
    } cases[] = {
        {1, {"OK"}, "OK", "OK", button::kOk, QMessageBox::Information},
        {2, {"OK", "Annulla"}, "OK", "Annulla", button::kCancel, QMessageBox::Question},
        {3, {"S\u00EC", "No", "Annulla"}, "S\u00EC", "No", button::kNo, QMessageBox::Question},
        {4, {"S\u00EC", "No"}, "S\u00EC", "S\u00EC", button::kYes, QMessageBox::Question},
        {5, {"S\u00EC", "No"}, "No", "No", button::kNo, QMessageBox::Question},
        {6, {"OK", "Annulla"}, "OK", "OK", button::kOk, QMessageBox::Critical},
    };
    QtPrompt seam;
    for (const auto& c : cases) {
        QStringList seen;
        QString defaultText, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        test::onNextModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            for (auto* b : box->buttons()) seen << b->text().remove('&');
            if (box->defaultButton()) defaultText = box->defaultButton()->text().remove('&');
            text = box->text();
            icon = box->icon();
            buttonWithText(box, c.press)->click();
        });
        int answer = seam.showMessage(c.kind, "uno\r\ndue", "Attenzione");
        EXPECT_EQ(answer, c.result) << c.kind;
        seen.sort();
        QStringList expected = c.buttons;
        expected.sort();
        EXPECT_EQ(seen, expected) << c.kind;
        EXPECT_EQ(defaultText, c.defaultText) << c.kind;
        EXPECT_EQ(text, "uno\ndue");
        EXPECT_EQ(icon, c.icon) << c.kind;
    }
}

TEST(WaitBox, GeometryFollowsTheTextAndTheProgressRange) {
    QtPrompt& seam = installQtPrompt();
    QWidget owner;
    owner.show();
    owner.activateWindow();
    (void)QTest::qWaitForWindowActive(&owner, 2000);
    PopMsgOptions o;
    o.nLow = 0;
    o.nHigh = 10;
    POPMSG(std::string("Attendere prego;Copia in corso..."), std::nullopt, o);
    TMsgBox* box = seam.waitBox();
    ASSERT_NE(box, nullptr);
    QFont font = TFont::New(GETSYSFONT(), 0, -15).qFont();
    QFontMetrics fm(font);
    int w = std::max(fm.horizontalAdvance("Attendere prego"),
                     fm.horizontalAdvance("Copia in corso...")) +
            5;
    int lines = 3;  // two of text, one for the progress bar
    EXPECT_EQ(box->oDlg()->width(), w + 110);
    EXPECT_EQ(box->oDlg()->height(), (lines + 5) * fm.height());
    EXPECT_EQ(box->textLabel()->geometry(), QRect(65, 25, w + 20, lines * fm.height()));
    ASSERT_NE(box->oPrg(), nullptr);
    EXPECT_EQ(box->oPrg()->geometry(),
              QRect(15, box->oDlg()->height() - 73, box->oDlg()->width() - 45, 20));
    EXPECT_FALSE(owner.isEnabled());
    EXPECT_EQ(box->oDlg()->windowTitle(), "Attendere");

    QTest::keyClick(box->oDlg(), Qt::Key_Escape);  // does not close it
    box->oDlg()->close();
    EXPECT_TRUE(box->oDlg()->isVisible());

    o = {};
    o.nPos = 4;  // with a text: no text at all would close the box
    POPMSG(std::string("Attendere prego;Copia in corso..."), std::nullopt, o);
    EXPECT_EQ(box->oPrg()->value(), 4);
    o = {};
    POPMSG(std::string("Altro testo"), std::nullopt, o);  // kept: no lUpdate
    EXPECT_EQ(box->textLabel()->text(), "Attendere prego\nCopia in corso...");
    o.lUpdate = true;
    POPMSG(std::string("Un testo molto pi\xF9 lungo di prima"), std::nullopt, o);
    EXPECT_EQ(box->textLabel()->text(), QString::fromUtf8("Un testo molto più lungo di prima"));
    EXPECT_EQ(box->oDlg()->width(),
              fm.horizontalAdvance(QString::fromUtf8("Un testo molto più lungo di prima")) + 108);
    EXPECT_EQ(box->oPrg()->width(), box->oDlg()->width() - 45);
    EXPECT_EQ(CURMSG(), std::optional<std::string>("Un testo molto pi\xF9 lungo di prima"));

    POPMSG();
    EXPECT_EQ(seam.waitBox(), nullptr);
    EXPECT_EQ(CURMSG(), std::nullopt);
    EXPECT_TRUE(owner.isEnabled());
    setPrompt(nullptr);
}

TEST(WaitBox, EmptyTextCountsAsOneLineOfWidth100) {
    QtPrompt seam;
    WaitBoxSpec spec;
    spec.caption = "Attendere";
    seam.openWaitBox(spec);
    QFontMetrics fm(TFont::New(GETSYSFONT(), 0, -15).qFont());
    EXPECT_EQ(seam.waitBox()->oDlg()->width(), 210);
    EXPECT_EQ(seam.waitBox()->oDlg()->height(), 6 * fm.height());
    seam.closeWaitBox();
}

TEST(WaitBox, PrintFormCountsThePagesSent) {
    QtPrompt& seam = installQtPrompt();
    PopMsgOptions o;
    o.lPrint = true;
    POPMSG(std::string(""), std::nullopt, o);
    TMsgBox* box = seam.waitBox();
    ASSERT_NE(box, nullptr);
    QWidget* dlg = box->oDlg();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->windowTitle(), "Attendere");
    QLabel* counter = nullptr;
    bool cancelShown = false;
    for (auto* l : dlg->findChildren<QLabel*>())
        if (l->text() == "0") counter = l;
    for (auto* b : dlg->findChildren<QPushButton*>())
        if (b->isVisible()) cancelShown = true;
    ASSERT_NE(counter, nullptr);
    EXPECT_FALSE(cancelShown);
    const DialogTemplate& t = loadTemplate("PRINTDLG");
    DialogUnits u = DialogUnits::of(TFont::ofPoints(t.fontFace, t.fontSize).qFont());
    EXPECT_EQ(dlg->height(), u.toPixelsY(65) - 33);
    o = {};
    o.lNextPage = true;
    for (const char* expected : {"1", "2", "3"}) {
        POPMSG(std::nullopt, std::nullopt, o);
        EXPECT_EQ(counter->text(), expected);
    }
    QTest::keyClick(dlg, Qt::Key_Escape);
    EXPECT_TRUE(dlg->isVisible());
    POPMSG();
    EXPECT_EQ(seam.waitBox(), nullptr);
    setPrompt(nullptr);
}

TEST(WaitBox, ModalMessageClosesTheWaitBoxFirst) {
    QtPrompt& seam = installQtPrompt();
    POPMSG(std::string("Attendere..."), std::nullopt);
    ASSERT_NE(seam.waitBox(), nullptr);
    QString shown;
    test::onNextModal([&](QWidget* w) {
        shown = w->metaObject()->className();
        if (auto* ok = buttonWithText(w, "OK")) ok->click();
    });
    POPMSG(std::string("Fatto."), 1);
    EXPECT_EQ(shown, "QMessageBox");
    EXPECT_EQ(seam.waitBox(), nullptr);
    setPrompt(nullptr);
}

TEST(SysWait, ProcessesEventsForTheTimeGiven) {
    bool fired = false;
    QTimer::singleShot(30, [&] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(SYSWAIT(0.1));
    EXPECT_TRUE(fired);
    EXPECT_GE(clock.elapsed(), 95);
}

TEST(FileFilters, PairsBecomeQtFilters) {
    EXPECT_EQ(qtFilters("Archivi zip (*.zip)|*.zip|Tutti i file|*.*"),
              QStringList({"Archivi zip (*.zip)", "Tutti i file (*.*)"}));
    EXPECT_EQ(qtFilters("Tabelle|*.dbf;*.dbt"), QStringList({"Tabelle (*.dbf *.dbt)"}));
    EXPECT_TRUE(qtFilters("").isEmpty());
}
