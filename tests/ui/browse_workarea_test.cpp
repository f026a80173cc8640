// The browse over real tables: a work area in its active order, with deleted rows and ranges.
#include "ui/browse_workarea.h"

#include <gtest/gtest.h>

#include "ui/browse_table_fixture.h"
#include "ui/paint.h"

using namespace velt;
using engine::WorkArea;
using engine::WorkAreas;

using namespace velt::testui;

TEST(BrowseTable, EmptyTableShowsOnlyTheHeader) {
    TableBrowse t({}, 6);
    for (Qt::Key k :
         {Qt::Key_Down, Qt::Key_End, Qt::Key_PageDown, Qt::Key_Up, Qt::Key_Home, Qt::Key_PageUp}) {
        t.key(k);
    }
    QTest::mouseClick(t.brw->hWnd.data(), Qt::LeftButton, {}, QPoint(20, t.lineY(2)));
    EXPECT_EQ(t.changes, 0);
    EXPECT_EQ(t.brw->source()->logicLen(), 0);
    for (int line = 1; line <= 6; ++line) {
        for (int x = 0; x < 250; x += 7) {
            ASSERT_EQ(t.pixel(x, t.lineY(line)), toQColor(t.brw->paneColor())) << line << " " << x;
        }
    }
}

TEST(BrowseTable, MovesFollowTheIndexOrder) {
    // Appended out of order: the browse shows the name order.
    TableBrowse t({"VERDI", "BIANCHI", "ROSSI", "NERI"}, 10);
    EXPECT_EQ(t.current(), "BIANCHI");
    t.key(Qt::Key_Down);
    EXPECT_EQ(t.current(), "NERI");
    t.key(Qt::Key_End);  // fewer rows than lines: the last row on its own line
    EXPECT_EQ(t.current(), "VERDI");
    EXPECT_EQ(t.brw->nRowPos, 4);
    EXPECT_EQ(t.brw->oVScroll->value(), 4);
    EXPECT_EQ(t.changes, 2);
    t.key(Qt::Key_Home);
    EXPECT_EQ(t.current(), "BIANCHI");
    EXPECT_EQ(t.brw->nRowPos, 1);
}

TEST(BrowseTable, PageDownNearTheEndStopsOnTheLastRow) {
    TableBrowse t(customers(14), 5);
    t.key(Qt::Key_PageDown);
    t.key(Qt::Key_PageDown);
    EXPECT_EQ(t.current(), "CLIENTE 111");
    t.key(Qt::Key_PageDown);
    EXPECT_EQ(t.current(), "CLIENTE 114");
    EXPECT_EQ(t.brw->oVScroll->value(), 14);
    const int before = t.changes;
    t.key(Qt::Key_PageDown);
    EXPECT_EQ(t.changes, before);
    EXPECT_EQ(t.current(), "CLIENTE 114");
}

TEST(BrowseTable, StabilizeAfterDeletingTheCurrentRow) {
    TableBrowse t(customers(8), 5);
    t.key(Qt::Key_Down);
    t.key(Qt::Key_Down);
    ASSERT_EQ(t.current(), "CLIENTE 103");
    t.table().markDeleted();
    t.brw->Stabilize(false);
    EXPECT_EQ(t.current(), "CLIENTE 104");
    EXPECT_EQ(t.brw->nRowPos, 3);
    EXPECT_EQ(t.brw->oVScroll->maximum(), 7);
    t.key(Qt::Key_End);
    ASSERT_EQ(t.current(), "CLIENTE 108");
    t.table().markDeleted();
    t.brw->Stabilize(false);
    EXPECT_EQ(t.current(), "CLIENTE 107");
    EXPECT_EQ(t.brw->oVScroll->value(), 6);
}

TEST(BrowseTable, CurrentRowStaysGreyWithoutFocus) {
    TableBrowse t(customers(5), 5);
    QWidget elsewhere(t.window.get());
    elsewhere.setFocusPolicy(Qt::StrongFocus);
    elsewhere.setGeometry(350, 10, 20, 20);
    elsewhere.show();
    t.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(t.window.get()));
    t.brw->SetFocus();
    t.key(Qt::Key_Down);
    EXPECT_EQ(t.pixel(100, t.lineY(2)), toQColor(t.brw->nClrBackFocus));
    elsewhere.setFocus();
    QApplication::processEvents();
    EXPECT_EQ(t.pixel(100, t.lineY(2)), QColor(128, 128, 128));
    EXPECT_EQ(t.current(), "CLIENTE 102");
}

TEST(BrowseTable, TrailingEmptyZeroWidthColumnIsNotShown) {
    TableBrowse t(customers(3), 5, {"CLIENTI", ""}, {150, 0});
    EXPECT_EQ(t.brw->effectiveSizes(), std::vector<int>{150});
    // Beyond the one column: neither header frame nor grid line, only the pane.
    const QRgb pane = toQColor(t.brw->paneColor()).rgb();
    for (int x = 151; x < 279; x += 3) EXPECT_EQ(t.pixel(x, t.lineY(2)).rgb(), pane) << x;
    EXPECT_EQ(t.brw->nAtCol(200), 0);
}

TEST(BrowseTable, ThumbGoesToTheKeyPosition) {
    TableBrowse t(customers(60), 8);
    QScrollBar* sb = t.brw->oVScroll;
    EXPECT_EQ(sb->maximum(), 60);
    sb->setSliderDown(true);
    sb->setSliderPosition(31);
    sb->setSliderDown(false);
    EXPECT_EQ(t.current(), "CLIENTE 131");
    EXPECT_EQ(sb->value(), 31);
}

TEST(BrowseTable, RangeLimitsTheRows) {
    TableBrowse t({"ANNA", "BRUNO", "BICE", "CARLA", "BEA"}, 8);
    t.table().setRange("B", "B");
    t.table().goTop();
    t.brw->Stabilize(false);
    EXPECT_EQ(t.brw->source()->logicLen(), 3);
    EXPECT_EQ(t.current(), "BEA");
    t.key(Qt::Key_End);
    EXPECT_EQ(t.current(), "BRUNO");
    EXPECT_EQ(t.brw->nRowPos, 3);
}

TEST(BrowseTable, ClosedWorkAreaShowsNothing) {
    ensureApp();
    const int area = WorkAreas::select(0);
    auto source = workAreaSource();
    EXPECT_EQ(source->logicLen(), 0);
    EXPECT_EQ(source->keyNo(), 0);
    EXPECT_EQ(source->skip(3), 0);
    source->goTop();
    source->resync();
    WorkAreas::select(1);
    (void)area;
}

TEST(BrowseTable, SkipStopsAtTheEndsAndCountsTheRows) {
    TableBrowse t(customers(6), 4);
    BrowseSource& src = *t.brw->source();
    struct Step {
        long n;
        long moved;
        const char* row;
    } steps[] = {
        {2, 2, "CLIENTE 103"},   {10, 3, "CLIENTE 106"},  {1, 0, "CLIENTE 106"},
        {-2, -2, "CLIENTE 104"}, {-9, -3, "CLIENTE 101"}, {-1, 0, "CLIENTE 101"},
        {5, 5, "CLIENTE 106"},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(src.skip(s.n), s.moved) << s.n;
        EXPECT_EQ(t.current(), s.row) << s.n;
        EXPECT_EQ(src.keyNo(), static_cast<long>(t.table().keyPosition()));
    }
    src.keyGoto(4);
    EXPECT_EQ(t.current(), "CLIENTE 104");
    src.keyGoto(99);
    EXPECT_EQ(t.current(), "CLIENTE 106");
}
