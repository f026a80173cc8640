#include "ui/browse.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <memory>
#include <string>
#include <vector>

#include "ui/dialog.h"
#include "ui/paint.h"

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

// A small table: rows in key order, some marked deleted (hidden, as the program hides them).
class RowsSource : public BrowseSource {
  public:
    std::vector<std::string> keys;
    std::vector<bool> deleted;
    long rec = 0;  // index into keys; keys.size() is past the end

    explicit RowsSource(std::vector<std::string> k) : keys(std::move(k)), deleted(keys.size()) {
        rec = firstLive();
    }
    long firstLive() const {
        for (size_t i = 0; i < keys.size(); ++i)
            if (!deleted[i]) return static_cast<long>(i);
        return static_cast<long>(keys.size());
    }
    long lastLive() const {
        for (size_t i = keys.size(); i-- > 0;)
            if (!deleted[i]) return static_cast<long>(i);
        return static_cast<long>(keys.size());
    }
    bool live(long i) const {
        return i >= 0 && i < static_cast<long>(keys.size()) && !deleted[static_cast<size_t>(i)];
    }
    long logicLen() override {
        long n = 0;
        for (bool d : deleted) n += d ? 0 : 1;
        return n;
    }
    void goTop() override { rec = firstLive(); }
    void goBottom() override { rec = lastLive(); }
    long skip(long n) override {
        if (!live(rec)) return 0;
        long moved = 0;
        while (n > 0) {
            long next = rec + 1;
            while (next < static_cast<long>(keys.size()) && !live(next)) ++next;
            if (!live(next)) break;
            rec = next, ++moved, --n;
        }
        while (n < 0) {
            long prev = rec - 1;
            while (prev >= 0 && !live(prev)) --prev;
            if (!live(prev)) break;
            rec = prev, --moved, ++n;
        }
        return moved;
    }
    bool onRow() override { return live(rec); }
    long keyNo() override {
        if (!live(rec)) return 0;
        long n = 0;
        for (long i = 0; i <= rec; ++i) n += live(i) ? 1 : 0;
        return n;
    }
    void keyGoto(long n) override {
        goTop();
        skip(n - 1);
    }
    void resync() override {
        while (rec < static_cast<long>(keys.size()) && !live(rec)) ++rec;
        if (!live(rec)) rec = lastLive();
    }
    std::string current() const { return live(rec) ? keys[static_cast<size_t>(rec)] : ""; }
};

std::vector<std::string> names(int n) {
    std::vector<std::string> v;
    for (int i = 1; i <= n; ++i) v.push_back("ROW" + std::to_string(1000 + i).substr(1));
    return v;
}

// A shown window holding one browse over a RowsSource.
struct Fixture {
    TWindow owner;
    std::unique_ptr<QWidget> window;
    TWBrowse* brw = nullptr;
    std::shared_ptr<RowsSource> src;
    int changes = 0;

    // `lines` data lines high, with or without titles.
    Fixture(int rows, int lines, std::vector<std::string> headers = {"NOME", "NUM"},
            std::vector<int> sizes = {120, 60}) {
        ensureApp();
        window = std::make_unique<QWidget>();
        window->resize(400, 500);
        BrowseParams p;
        p.aHeaders = std::move(headers);
        p.aColSizes = std::move(sizes);
        p.bChange = [this] { ++changes; };
        src = std::make_shared<RowsSource>(names(rows));
        p.bLine = [this]() -> BrowseLine { return {src->current(), std::to_string(src->keyNo())}; };
        brw = makeControl<TWBrowse>(owner, 101, std::move(p));
        const int height = brw->nHeaderHeight() + lines * brw->nLineHeight();
        brw->create(window.get(), QRect(10, 10, 300, height));
        brw->SetSource(src);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        changes = 0;
    }
    void key(Qt::Key k) { QTest::keyClick(brw->hWnd.data(), k); }
    int lineY(int line) const {
        return brw->nHeaderHeight() + (line - 1) * brw->nLineHeight() + brw->nLineHeight() / 2;
    }
    QColor pixel(int x, int y) const { return brw->buffer().pixelColor(x, y); }
};

QColor rgb(int c) {
    return toQColor(c);
}

}  // namespace

TEST(Browse, GeometryFollowsTheFont) {
    Fixture f(3, 10);
    const int lh = QFontMetrics(f.brw->oFont->qFont()).height() + 1;
    EXPECT_EQ(f.brw->nLineHeight(), lh);
    EXPECT_EQ(f.brw->nHeaderHeight(), lh + 1);
    EXPECT_EQ(f.brw->nRowCount(), 10);
    EXPECT_EQ(f.brw->nUsableWidth(), 300 - 21);
    EXPECT_EQ(f.brw->oFont->cFaceName, "Segoe UI");
    EXPECT_EQ(f.brw->oFont->nHeight, 13);
}

TEST(Browse, ColumnWidthRules) {
    struct Case {
        std::vector<std::string> headers;
        std::vector<int> sizes;
        std::vector<int> expected;  // usable width is 279
    } cases[] = {
        {{"A", "B", ""}, {100, 50, 0}, {100, 50}},        // trailing empty width-0 dropped
        {{"A", "B", "C"}, {100, 50, 0}, {100, 50, 129}},  // trailing width-0 stretched
        {{}, {0}, {279}},                                 // one full-width column, no header
        {{"A", "B"}, {300, 0}, {300, 0}},                 // nothing left to stretch into
    };
    for (const auto& c : cases) {
        Fixture f(3, 5, c.headers, c.sizes);
        EXPECT_EQ(f.brw->effectiveSizes(), c.expected);
    }
    Fixture f(3, 5, {"A", "B", ""}, {100, 50, 0});
    EXPECT_EQ(f.brw->nAtCol(10), 1);
    EXPECT_EQ(f.brw->nAtCol(120), 2);
    EXPECT_EQ(f.brw->nAtCol(200), 0);
    EXPECT_FALSE(f.brw->IsColVisible(3));
}

TEST(Browse, HiddenAndOverflowingColumnsAreNotDrawn) {
    Fixture f(3, 5, {"A", "B", "C"}, {1, 290, 50});
    EXPECT_EQ(f.brw->nAtCol(0), 2);  // width 1 hides column 1
    EXPECT_TRUE(f.brw->IsColVisible(2));
    EXPECT_FALSE(f.brw->IsColVisible(1));
    EXPECT_FALSE(f.brw->IsColVisible(3));  // starts beyond the usable width
}

TEST(Browse, EmptyTableShowsOnlyTheHeaderAndIgnoresMoves) {
    Fixture f(0, 8);
    for (Qt::Key k :
         {Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_End, Qt::Key_Home}) {
        f.key(k);
    }
    f.brw->MouseWheel(-2, false);
    QTest::mouseClick(f.brw->hWnd.data(), Qt::LeftButton, {}, QPoint(20, f.lineY(3)));
    EXPECT_EQ(f.changes, 0);
    EXPECT_EQ(f.brw->nRowPos, 1);
    // Header gradient at the top, pane colour everywhere below it.
    EXPECT_EQ(f.pixel(250, 0), QColor(254, 254, 255));
    for (int line = 1; line <= 8; ++line) {
        EXPECT_EQ(f.pixel(5, f.lineY(line)), rgb(f.brw->paneColor())) << line;
        EXPECT_EQ(f.pixel(119, f.lineY(line)), rgb(f.brw->paneColor())) << line;  // no grid
    }
}

TEST(Browse, ArrowsMoveAndScrollAtTheEdges) {
    Fixture f(30, 5);
    f.key(Qt::Key_Up);  // nothing above the first row
    EXPECT_EQ(f.changes, 0);
    struct Step {
        Qt::Key key;
        std::string row;
        int line;
    } steps[] = {
        {Qt::Key_Down, "ROW002", 2}, {Qt::Key_Down, "ROW003", 3}, {Qt::Key_Down, "ROW004", 4},
        {Qt::Key_Down, "ROW005", 5}, {Qt::Key_Down, "ROW006", 5}, {Qt::Key_Up, "ROW005", 4},
        {Qt::Key_Up, "ROW004", 3},
    };
    for (const auto& s : steps) {
        f.key(s.key);
        EXPECT_EQ(f.src->current(), s.row);
        EXPECT_EQ(f.brw->nRowPos, s.line) << s.row;
        EXPECT_EQ(f.brw->oVScroll->value(), f.src->keyNo());
    }
    EXPECT_EQ(f.changes, 7);
    f.key(Qt::Key_End);
    EXPECT_EQ(f.src->current(), "ROW030");
    EXPECT_EQ(f.brw->nRowPos, 5);
    const int before = f.changes;
    f.key(Qt::Key_Down);  // nothing below the last row
    f.key(Qt::Key_End);   // already there
    EXPECT_EQ(f.changes, before);
    f.key(Qt::Key_Home);
    EXPECT_EQ(f.src->current(), "ROW001");
    EXPECT_EQ(f.brw->nRowPos, 1);
    f.key(Qt::Key_Home);
    EXPECT_EQ(f.changes, before + 1);
}

TEST(Browse, ScrolledLinesShowTheRightRows) {
    // The buffer is scrolled, not redrawn, on a move past the bottom line: what it shows must
    // equal a full redraw.
    Fixture f(30, 5);
    for (int i = 0; i < 7; ++i) f.key(Qt::Key_Down);
    for (int i = 0; i < 3; ++i) f.key(Qt::Key_Up);
    const QImage moved = f.brw->buffer().copy();
    f.brw->DrawBrowse();
    EXPECT_EQ(moved, f.brw->buffer());
}

TEST(Browse, FewerRowsThanLinesEndOnItsOwnLine) {
    Fixture f(4, 10);
    f.key(Qt::Key_End);
    EXPECT_EQ(f.src->current(), "ROW004");
    EXPECT_EQ(f.brw->nRowPos, 4);
    EXPECT_EQ(f.changes, 1);
    f.key(Qt::Key_End);
    EXPECT_EQ(f.changes, 1);
}

TEST(Browse, PagingStopsAtTheEnds) {
    Fixture f(23, 10);
    f.key(Qt::Key_PageDown);
    EXPECT_EQ(f.src->current(), "ROW011");
    EXPECT_EQ(f.brw->nRowPos, 1);
    f.key(Qt::Key_PageDown);
    EXPECT_EQ(f.src->current(), "ROW021");
    f.key(Qt::Key_PageDown);  // two rows left: onto the last row
    EXPECT_EQ(f.src->current(), "ROW023");
    EXPECT_EQ(f.brw->nRowPos, 3);
    const int before = f.changes;
    f.key(Qt::Key_PageDown);
    EXPECT_EQ(f.changes, before);
    f.key(Qt::Key_PageUp);
    EXPECT_EQ(f.src->current(), "ROW013");
    f.key(Qt::Key_PageUp);
    EXPECT_EQ(f.src->current(), "ROW003");
    f.key(Qt::Key_PageUp);  // fewer than a page above: the first row on line 1
    EXPECT_EQ(f.src->current(), "ROW001");
    EXPECT_EQ(f.brw->nRowPos, 1);
}

TEST(Browse, StabilizeAfterDeletingTheCurrentRow) {
    Fixture f(12, 5);
    f.key(Qt::Key_Down);
    f.key(Qt::Key_Down);
    f.src->deleted[2] = true;  // ROW003, the current row
    f.brw->Stabilize(false);
    EXPECT_EQ(f.src->current(), "ROW004");
    EXPECT_EQ(f.brw->nRowPos, 3);
    EXPECT_EQ(f.brw->oVScroll->maximum(), 11);
    f.key(Qt::Key_End);
    f.src->deleted[11] = true;  // the last row
    const int before = f.changes;
    f.brw->Stabilize(false);
    EXPECT_EQ(f.src->current(), "ROW011");
    EXPECT_EQ(f.changes, before + 1);
    EXPECT_EQ(f.brw->nRowPos, 5);  // the screen still filled to the last row
}

TEST(Browse, StabilizeChoosesTheLine) {
    struct Case {
        int rows;
        int key;     // 1-based position made current from outside
        int rowPos;  // the line before
        int expected;
    } cases[] = {
        {20, 3, 5, 3},   // within the first screenful: its position
        {4, 4, 1, 4},    // all rows fit: its position
        {20, 12, 2, 2},  // elsewhere: the line kept
        {20, 19, 1, 4},  // near the end: low enough to fill the screen
    };
    for (const auto& c : cases) {
        Fixture f(c.rows, 5);
        f.brw->nRowPos = c.rowPos;
        f.src->keyGoto(c.key);
        f.brw->Stabilize(false);
        EXPECT_EQ(f.brw->nRowPos, c.expected) << c.rows << " " << c.key;
        EXPECT_EQ(f.brw->oVScroll->value(), c.key);
    }
}

TEST(Browse, HighlightWithAndWithoutFocus) {
    Fixture f(5, 5);
    QWidget elsewhere(f.window.get());
    elsewhere.setFocusPolicy(Qt::StrongFocus);
    elsewhere.setGeometry(350, 10, 20, 20);
    elsewhere.show();
    f.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
    f.brw->SetFocus();
    QApplication::processEvents();
    ASSERT_TRUE(f.brw->HasFocus());
    f.key(Qt::Key_Down);
    const int y = f.lineY(2);
    EXPECT_EQ(f.pixel(60, y), rgb(f.brw->nClrBackFocus));
    elsewhere.setFocus();
    QApplication::processEvents();
    EXPECT_EQ(f.pixel(60, y), QColor(128, 128, 128));
    EXPECT_EQ(f.pixel(60, f.lineY(1)), rgb(f.brw->paneColor()));
}

TEST(Browse, PaintsHeaderGridAndClip) {
    Fixture f(0, 5, {"NOME", "NUM"}, {120, 60});
    f.brw->bLine = nullptr;
    f.brw->SetArray({{std::string(40, 'W'), std::string("  7  ")}});
    f.brw->DrawBrowse();
    const int lh = f.brw->nLineHeight();
    const int half = lh / 2;
    EXPECT_EQ(f.pixel(250, 0), QColor(254, 254, 255));
    EXPECT_EQ(f.pixel(250, half), QColor(212, 219, 237));
    const QRgb grid = QApplication::palette().color(QPalette::Dark).rgb();
    const int y = f.lineY(1);
    EXPECT_EQ(f.pixel(119, y).rgb(), grid);               // right edge of column 1
    EXPECT_EQ(f.pixel(60, lh + 1 + lh - 1).rgb(), grid);  // under the line
    // Text stops 3 pixels short of the cell's right edge: the last pixels are background.
    const QColor back = f.pixel(118, y);
    bool inked = false;
    for (int x = 100; x < 117; ++x)
        for (int yy = lh + 1; yy < 2 * lh; ++yy) inked |= f.pixel(x, yy) != f.pixel(118, yy);
    EXPECT_TRUE(inked);  // the long text reaches the clip
    for (int x = 117; x < 119; ++x)
        for (int yy = lh + 1; yy < 2 * lh - 1; ++yy) EXPECT_EQ(f.pixel(x, yy), back) << x;
}

TEST(Browse, RightAndCentredValuesAreTrimmed) {
    auto inkSpan = [](Fixture& f, int x0, int x1) {
        int first = -1, last = -1;
        const int lh = f.brw->nLineHeight();
        for (int x = x0; x < x1; ++x)
            for (int y = 2 * lh + 1; y < 3 * lh - 1; ++y)  // line 2: not highlighted
                if (f.pixel(x, y).lightness() < 128) {
                    if (first < 0) first = x;
                    last = x;
                }
        struct Span {
            int first, last;
        };
        return Span{first, last};
    };
    Fixture f(0, 3, {"A", "B", "C"}, {80, 80, 80});
    f.brw->aJustify = {false, true, std::string("C")};
    f.brw->bLine = nullptr;
    f.brw->SetArray({{std::string("-")},
                     {std::string("X    "), std::string("X    "), std::string("    X    ")}});
    f.brw->DrawBrowse();
    const auto left = inkSpan(f, 0, 80);
    const auto right = inkSpan(f, 80, 160);
    const auto centre = inkSpan(f, 160, 240);
    EXPECT_LE(left.first, 4);
    EXPECT_GE(right.last, 160 - 3 - 3);  // ends near the clip, blanks trimmed
    EXPECT_LT(right.last, 160 - 3);
    const int mid = (centre.first + centre.last) / 2;
    EXPECT_NEAR(mid, 160 + 80 / 2, 4);
}

TEST(Browse, MouseClicksMoveAndCallBack) {
    Fixture f(20, 6);
    int headerClicks = 0, clicks = 0, rclicks = 0, dbl = 0;
    f.brw->aActions = {nullptr, [&] { ++headerClicks; }};
    f.brw->bLClicked = [&](int, int) { ++clicks; };
    f.brw->bRClicked = [&](int, int) { ++rclicks; };
    f.brw->bLDblClick = [&](int, int) { ++dbl; };
    QWidget* w = f.brw->hWnd.data();
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(20, f.lineY(4)));
    EXPECT_EQ(f.src->current(), "ROW004");
    EXPECT_EQ(f.brw->nRowPos, 4);
    EXPECT_EQ(f.changes, 1);
    EXPECT_EQ(clicks, 1);
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(150, 3));  // header of column 2
    EXPECT_EQ(headerClicks, 1);
    EXPECT_EQ(f.src->current(), "ROW004");
    QTest::mouseClick(w, Qt::RightButton, {}, QPoint(20, f.lineY(2)));
    EXPECT_EQ(f.src->current(), "ROW002");
    EXPECT_EQ(rclicks, 1);
    EXPECT_EQ(clicks, 1);
    QTest::mouseDClick(w, Qt::LeftButton, {}, QPoint(20, f.lineY(5)));
    EXPECT_EQ(f.src->current(), "ROW005");
    EXPECT_EQ(dbl, 1);
}

TEST(Browse, DoubleClickBelowTheLastRowDoesNothing) {
    Fixture f(3, 8);
    int dbl = 0;
    f.brw->bLDblClick = [&](int, int) { ++dbl; };
    QTest::mouseDClick(f.brw->hWnd.data(), Qt::LeftButton, {}, QPoint(20, f.lineY(7)));
    EXPECT_EQ(f.src->current(), "ROW003");
    EXPECT_EQ(dbl, 0);
}

TEST(Browse, WheelMovesByRowOrPage) {
    Fixture f(40, 5);
    auto wheel = [&](int delta, Qt::MouseButtons buttons) {
        QWheelEvent e(QPointF(20, 20), QPointF(20, 20), QPoint(), QPoint(0, delta), buttons, {},
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(f.brw->hWnd.data(), &e);
    };
    wheel(-120, Qt::NoButton);
    EXPECT_EQ(f.src->current(), "ROW002");
    wheel(-240, Qt::NoButton);
    EXPECT_EQ(f.src->current(), "ROW004");
    wheel(-120, Qt::MiddleButton);
    EXPECT_EQ(f.src->current(), "ROW009");
    wheel(120, Qt::NoButton);
    EXPECT_EQ(f.src->current(), "ROW008");
    wheel(60, Qt::NoButton);  // half a notch: nothing yet
    EXPECT_EQ(f.src->current(), "ROW008");
    wheel(60, Qt::NoButton);
    EXPECT_EQ(f.src->current(), "ROW007");
}

TEST(Browse, VerticalScrollBarMovesAndTracksThePosition) {
    Fixture f(100, 10);
    QScrollBar* sb = f.brw->oVScroll;
    EXPECT_EQ(sb->minimum(), 1);
    EXPECT_EQ(sb->maximum(), 100);
    sb->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(f.src->current(), "ROW002");
    sb->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(f.src->current(), "ROW012");
    EXPECT_EQ(sb->value(), 12);
    sb->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(f.src->current(), "ROW002");
    sb->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(f.src->current(), "ROW001");
    // Dragging the thumb goes straight to the row at that key position.
    sb->setSliderDown(true);
    sb->setSliderPosition(57);
    sb->setSliderDown(false);
    EXPECT_EQ(f.src->current(), "ROW057");
    EXPECT_EQ(sb->value(), 57);
    sb->setSliderDown(true);
    sb->setSliderPosition(99);
    sb->setSliderDown(false);
    EXPECT_EQ(f.src->current(), "ROW099");
    EXPECT_EQ(f.brw->nRowPos, 9);  // the screen filled to the last row
}

TEST(Browse, KeysToCallbacksAndTheDialog) {
    ensureApp();
    TDialog::Spec spec;
    spec.nBottom = 300, spec.nRight = 300;
    TDialog dlg(spec);
    dlg.Activate(true, false);
    BrowseParams p;
    p.aHeaders = {"NOME"};
    std::vector<int> typed;
    int enter = 0;
    TWBrowse* brw = TWBrowse::New(5, 5, 250, 200, dlg, std::move(p));
    ASSERT_NE(brw->hWnd, nullptr);
    brw->SetArray({{std::string("A")}, {std::string("B")}});
    brw->bKeyChar = [&](int k) {
        typed.push_back(k);
        return false;
    };
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.hWnd.data()));
    brw->SetFocus();
    QTest::keyClicks(brw->hWnd.data(), "bi");
    QTest::keyClick(brw->hWnd.data(), Qt::Key_Backspace);
    EXPECT_EQ(typed, (std::vector<int>{'b', 'i', 8}));
    brw->bLDblClick = [&](int, int) { ++enter; };
    QTest::keyClick(brw->hWnd.data(), Qt::Key_Return);
    EXPECT_EQ(enter, 1);
    EXPECT_TRUE(dlg.isOpen());
    QTest::keyClick(brw->hWnd.data(), Qt::Key_Escape);  // goes on to the dialog, which closes
    QApplication::processEvents();
    EXPECT_FALSE(dlg.isOpen());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(Browse, BoundFromATemplate) {
    ensureApp();
    registerTemplate(
        "BRWTEST DIALOG 0, 0, 200, 150\n"
        "STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU\n"
        "CAPTION \"Prova\"\n"
        "FONT 8, \"MS Sans Serif\"\n"
        "BEGIN\n"
        "    CONTROL \"\", 101, \"TWBrowse\", WS_BORDER | WS_VSCROLL, 10, 10, 180, 100\n"
        "    PUSHBUTTON \"&Chiudi\", 201, 10, 120, 40, 15\n"
        "END\n");
    TDialog dlg("BRWTEST");
    BrowseParams p;
    p.aHeaders = {"VOCE", ""};
    p.aColSizes = {80, 0};
    TWBrowse* brw = TWBrowse::ReDefine(101, dlg, std::move(p));
    brw->SetArray({{std::string("uno")}, {std::string("due")}, {std::string("tre")}});
    EXPECT_EQ(brw->hWnd, nullptr);  // made when the dialog opens
    dlg.Activate(true, false);
    ASSERT_NE(brw->hWnd, nullptr);
    QApplication::processEvents();
    const QRect expected = dlg.toPixels(10, 10, 180, 100);
    EXPECT_EQ(brw->hWnd->x(), expected.x());
    EXPECT_LE(std::abs(brw->hWnd->height() - expected.height()), brw->nLineHeight());
    brw->GoBottom();
    EXPECT_EQ(brw->nAt, 3);
    EXPECT_EQ(brw->nRowPos, 3);
    dlg.End(2);
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(brw->hWnd, nullptr);
    unregisterTemplate("BRWTEST");
}

TEST(Browse, NavigationKeysTellTheSearches) {
    Fixture f(10, 5);
    int told = 0;
    TWBrowse::bNavigated = [&](TWBrowse&) { ++told; };
    f.key(Qt::Key_Down);
    f.key(Qt::Key_End);
    f.key(Qt::Key_Home);
    f.key(Qt::Key_PageDown);
    QTest::mouseClick(f.brw->hWnd.data(), Qt::LeftButton, {}, QPoint(20, f.lineY(2)));
    TWBrowse::bNavigated = nullptr;
    EXPECT_EQ(told, 4);
}

TEST(Browse, ListIsClampedToItsLength) {
    ensureApp();
    TWindow owner;
    QWidget w;
    BrowseParams p;
    p.aHeaders = {"VOCE"};
    auto* brw = makeControl<TWBrowse>(owner, 101, std::move(p));
    brw->create(&w, QRect(0, 0, 200, 200));
    brw->SetArray({{std::string("uno")}, {std::string("due")}, {std::string("tre")}});
    EXPECT_EQ(brw->cAlias, "ARRAY");
    EXPECT_EQ(brw->nAt, 1);
    brw->GoBottom();
    EXPECT_EQ(brw->nAt, 3);
    brw->GoDown();
    brw->PageDown();
    EXPECT_EQ(brw->nAt, 3);
    brw->PageUp();
    EXPECT_EQ(brw->nAt, 1);
    brw->SetArray({});
    EXPECT_EQ(brw->nAt, 0);
    brw->GoDown();
    EXPECT_EQ(brw->nAt, 0);
}

TEST(Browse, HeightIsCorrectedOnFirstShow) {
    ensureApp();
    struct Case {
        int extra;  // pixels beyond a whole number of lines
        int expectedExtra;
    } cases[] = {{0, 0}, {3, 3}, {5, 0}, {-5, 0}};
    for (const auto& c : cases) {
        TWindow owner;
        QWidget w;
        w.resize(400, 400);
        BrowseParams p;
        p.aHeaders = {"A"};
        auto* brw = makeControl<TWBrowse>(owner, 101, std::move(p));
        const int lh = brw->nLineHeight();
        const int whole = (lh + 1) + 8 * lh;
        brw->create(&w, QRect(0, 0, 200, whole + c.extra));
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        const int h = brw->hWnd.data()->height();
        EXPECT_EQ((h - (lh + 1)) % lh, c.expectedExtra < 0 ? 0 : c.expectedExtra) << c.extra;
        EXPECT_LE(std::abs(h - (whole + c.extra)), lh) << c.extra;
    }
}

TEST(Browse, HorizontalScrollingOnlyWhenAllowed) {
    Fixture f(5, 5, {"A", "B", "C"}, {150, 150, 0});
    f.key(Qt::Key_Right);
    EXPECT_EQ(f.brw->nColPos, 1);
    TWindow owner;
    QWidget w;
    BrowseParams p;
    p.aHeaders = {"A", "B", "C"};
    p.aColSizes = {150, 150, 0};
    p.lHScroll = true;
    auto* brw = makeControl<TWBrowse>(owner, 101, std::move(p));
    brw->create(&w, QRect(0, 0, 300, 200));
    brw->SetArray({{std::string("a"), std::string("b"), std::string("c")}});
    int colChanges = 0;
    brw->bColChange = [&] { ++colChanges; };
    brw->GoRight();
    EXPECT_EQ(brw->nColPos, 2);
    brw->GoRight();  // the stretched last column is never shown alone
    EXPECT_EQ(brw->nColPos, 2);
    brw->GoLeft();
    EXPECT_EQ(brw->nColPos, 1);
    EXPECT_EQ(colChanges, 2);
    ASSERT_NE(brw->oHScroll, nullptr);
}
