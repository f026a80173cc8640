#include "ui/refreshall.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include "ui/combobox.h"
#include "ui/dialog.h"
#include "ui/get.h"

using namespace velt;

namespace {

void ensureApp() {
    if (QApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "test_ui";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
}

// Counts how often a field is shown anew (each Refresh puts the text back).
struct Shown {
    int times = 0;
    void watch(QLineEdit* e) {
        QObject::connect(e, &QLineEdit::textChanged, [this] { ++times; });
    }
};

}  // namespace

TEST(RefreshAll, RedrawsOnlyFieldsWhoseTextIsStale) {
    ensureApp();
    TDialog::Spec spec;
    spec.nBottom = 200, spec.nRight = 300;
    TDialog dlg(spec);
    dlg.Activate(true, false);
    std::string name = "ROSSI     ";
    double price = 12.5;
    std::string other = "X";
    TGet* nameGet = TGet::New(10, 10, name, dlg, 150, 20);
    TGet* priceGet = TGet::New(40, 10, price, dlg, 150, 20, "@E 999.99");
    TGet* otherGet = TGet::New(70, 10, other, dlg, 150, 20);
    otherGet->SetFocus();
    QApplication::processEvents();
    Shown nameShown, priceShown;
    nameShown.watch(nameGet->lineEdit());
    priceShown.watch(priceGet->lineEdit());

    // A redraw puts the cursor back at the start: left where it is, the field was not redrawn.
    nameGet->lineEdit()->setCursorPosition(3);
    priceGet->lineEdit()->setCursorPosition(2);
    REFRESHALL(dlg);  // nothing changed
    EXPECT_EQ(nameGet->lineEdit()->cursorPosition(), 3);
    EXPECT_EQ(priceGet->lineEdit()->cursorPosition(), 2);

    name = "BIANCHI   ";
    price = 7;
    REFRESHALL(dlg);
    EXPECT_EQ(nameGet->text(), "BIANCHI");
    EXPECT_EQ(priceGet->text(), "7,00");
    EXPECT_EQ(nameShown.times, 1);
    EXPECT_EQ(priceShown.times, 1);

    name = "BIANCHI";  // only trailing blanks differ
    nameGet->lineEdit()->setCursorPosition(3);
    REFRESHALL(dlg);
    EXPECT_EQ(nameGet->lineEdit()->cursorPosition(), 3);
    dlg.End(2);
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(RefreshAll, FocusedComboBoxIsSkipped) {
    ensureApp();
    registerTemplate(
        "REFRTEST DIALOG 0, 0, 200, 100\n"
        "STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU\n"
        "FONT 8, \"MS Sans Serif\"\n"
        "BEGIN\n"
        "    COMBOBOX 101, 10, 10, 100, 60, CBS_DROPDOWNLIST\n"
        "    EDITTEXT 102, 10, 40, 100, 13\n"
        "END\n");
    TDialog dlg("REFRTEST");
    std::string type = "DOCCIA";
    std::string note = "x";
    TComboBox* combo = TComboBox::ReDefine(101, dlg, type, {"DOCCIA", "VISO", "CORPO"});
    TGet* get = TGet::ReDefine(102, dlg, note);
    dlg.Activate(true, false);
    combo->SetFocus();
    QApplication::processEvents();
    type = "VISO";
    REFRESHALL(dlg);
    EXPECT_EQ(combo->shownText(), "DOCCIA");  // the operator is on it
    get->SetFocus();
    QApplication::processEvents();
    REFRESHALL(dlg);
    EXPECT_EQ(combo->shownText(), "VISO");
    dlg.End(2);
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    unregisterTemplate("REFRTEST");
}

TEST(RefreshAll, StopUntilKeepsEventsFlowing) {
    ensureApp();
    bool done = false;
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks == 3) done = true;
    });
    timer.start(1);
    STOPUNTIL([&] { return done; });
    EXPECT_EQ(ticks, 3);
}
