#include "ui/dbcombo.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "data/access.h"
#include "data/data_fixture.h"
#include "data/temp_folder.h"
#include "ui/browse.h"
#include "ui/dialog.h"
#include "ui/get.h"
#include "ui/listsearch.h"

using namespace velt;
using namespace velt::test;

namespace {

void ensureApp() {
    if (QApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "test_ui";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
}

std::string padded(const std::string& s) {
    return s + std::string(40 - s.size(), ' ');
}

// The customer table with its name index, and a form with the customer field and its button.
struct PickerTest : ::testing::Test {
    TempFolder dir;
    ScriptedPrompt p;
    ScopedPrompt use{p};
    TestFailureHandler handler;
    CloseAllAtEnd closeAll;
    std::unique_ptr<TDialog> dlg;
    std::string name = padded("BIANCHI ANNA");
    std::string other = "x";
    TGet* get = nullptr;
    TGet* button = nullptr;
    int changes = 0;
    bool buttonOffWhileOpen = false;

    void SetUp() override {
        ensureApp();
        std::vector<Row> rows;
        for (const char* n : {"ROSSI MARIA", "BIANCHI ANNA", "VERDI LUCIA", "ROSA NERI"})
            rows.push_back({{"CLIENTE", Value(std::string(n))}});
        makeCatalogueTable("CLIENTI", rows);
        DBOPEN(true, "CLIENTI", {}, false);
        ORDCONDSET(kIndexCondition, notDeleted());
        ORDBUILD("CLIENTI", {}, findIndex("CLIENTI")->keyText, catalogueKey(*findIndex("CLIENTI")));
        DBCLOSE();
        TDialog::Spec spec;
        spec.nBottom = 200, spec.nRight = 400;
        dlg = std::make_unique<TDialog>(spec);
        dlg->Activate(true, false);
        get = TGet::New(10, 10, name, *dlg, 250, 20);
        button = TGet::New(10, 265, other, *dlg, 20, 20);
        get->bChange = [this] { ++changes; };
        QApplication::processEvents();
    }
    void TearDown() override {
        dlg->End(2);
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    DbComboArgs args() {
        DbComboArgs a;
        a.cTable = "CLIENTI";
        a.cIndex = "CLIENTI";
        a.bShow = [](engine::WorkArea& w) { return w.get("CLIENTE"); };
        a.oGet = get;
        a.oBtn = button;
        a.lSearch = true;
        return a;
    }
    // Runs `steps` on the open list once the picker waits.
    void whenOpen(std::function<void(TWBrowse&)> steps) {
        auto* timer = new QTimer(dlg->hWnd.data());
        QObject::connect(timer, &QTimer::timeout, [this, timer, steps] {
            TWBrowse* list = openPickerList();
            if (list == nullptr) return;
            timer->stop();
            buttonOffWhileOpen = !button->hWnd->isEnabled();
            steps(*list);
        });
        timer->start(5);
    }
};

}  // namespace

TEST_F(PickerTest, EscapePutsTheValueBack) {
    whenOpen([this](TWBrowse& list) {
        EXPECT_EQ(trimRight(get->VarGet().text()), "BIANCHI ANNA");  // opened on the field's row
        QTest::keyClick(list.hWnd.data(), Qt::Key_Down);
        EXPECT_EQ(trimRight(get->VarGet().text()), "ROSA NERI");  // the highlight is copied
        QTest::keyClick(list.hWnd.data(), Qt::Key_Escape);
    });
    EXPECT_FALSE(DBCOMBO(args()));
    EXPECT_EQ(name, padded("BIANCHI ANNA"));
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(buttonOffWhileOpen);
    EXPECT_TRUE(button->hWnd->isEnabled());
    EXPECT_TRUE(engine::WorkAreas::find("ALIAS002") == nullptr);
}

TEST_F(PickerTest, ChoosingKeepsTheRowAndRunsTheChange) {
    whenOpen([](TWBrowse& list) {
        QTest::keyClicks(list.hWnd.data(), "ross");  // the typed text is sought
        EXPECT_EQ(keySearchText(), "ROSS");
        QTest::keyClick(list.hWnd.data(), Qt::Key_Return);
    });
    EXPECT_TRUE(DBCOMBO(args()));
    EXPECT_EQ(trimRight(name), "ROSSI MARIA");
    EXPECT_EQ(changes, 1);
}

TEST(PickerPlace, BelowTheFieldOrAboveNearTheBottom) {
    const PickerPlace below = pickerPlace(100, 300, 250, 9, 800);
    EXPECT_EQ(below.nHeight, 152);
    EXPECT_EQ(below.nTop, 305);
    EXPECT_EQ(below.nLeft, 105);
    const PickerPlace above = pickerPlace(100, 700, 250, 9, 800);
    EXPECT_EQ(above.nTop, 700 - 152 - 25 + 5);
    EXPECT_LT(above.nTop + above.nHeight, 700);
}
