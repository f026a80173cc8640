// Menus, the button bar and the status line, driven offscreen.
#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTest>
#include <QTimer>

#include "ui/bar.h"
#include "ui/bar_btnbmp.h"
#include "ui/menu.h"
#include "ui/msgbar.h"
#include "ui/paint.h"
#include "ui/qtext.h"
#include "ui/timer.h"
#include "ui/ui_test_support.h"
#include "ui/window.h"
#include "util/access.h"
#include "util/date.h"

namespace velt {
namespace {

std::unique_ptr<TWindow> newWindow() {
    test::app();
    TWindow::Spec spec;
    spec.cTitle = "Prova";
    auto w = TWindow::New(spec);
    w->hWnd->resize(800, 600);
    return w;
}

QImage paintedImage(QWidget* w) {
    QImage image(w->size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    w->render(&image);
    return image;
}

int pixel(const QImage& image, int x, int y) {
    return fromQColor(image.pixelColor(x, y));
}

// ---- menus ----

struct MenuFixture : ::testing::Test {
    void SetUp() override {
        test::app();
        resetAccess();
    }
    void TearDown() override { resetAccess(); }
};

TEST_F(MenuFixture, ItemsWithAFalseWhenAreGreyedEachTimeTheMenuDropsDown) {
    int ran = 0;
    TMenu bar(false);
    TMenu::AddItem(TMenuItem::New("Modifica"));
    TMenu::AddItem(
        TMenuItem::New("Clienti...", "Gestione clienti", false, [&](TMenuItem&) { ++ran; }));
    TMenu::AddItem(TMenuItem::New(""));
    TMenu::AddItem(TMenuItem::New(
        "Macchine...", "Gestione macchine", false, [&](TMenuItem&) { ran += 10; }, nullptr, 0, 0,
        [] { return isAdministrator(); }));
    TMenu::EndSubMenu();
    TMenu::aMenus().clear();

    ASSERT_EQ(bar.aItems.size(), 1u);
    TMenu& drop = *bar.aItems[0]->oSubMenu;
    ASSERT_EQ(drop.aItems.size(), 3u);
    EXPECT_TRUE(drop.aItems[1]->IsSeparator());
    TMenuItem& clienti = *drop.aItems[0];
    TMenuItem& macchine = *drop.aItems[2];
    auto* qmenu = qobject_cast<QMenu*>(drop.hMenu);
    ASSERT_NE(qmenu, nullptr);

    access().ACS_LEVEL = 2;
    qmenu->popup(QPoint(0, 0));
    EXPECT_TRUE(clienti.IsEnabled());
    EXPECT_FALSE(macchine.IsEnabled());
    macchine.hAction->trigger();
    EXPECT_FALSE(bar.Command(macchine.nId)) << "a greyed item cannot be chosen";
    EXPECT_EQ(ran, 0);
    qmenu->hide();

    access().ACS_LEVEL = 1;
    qmenu->popup(QPoint(0, 0));
    EXPECT_TRUE(macchine.IsEnabled()) << "enabled again at the next drop-down";
    macchine.hAction->trigger();
    EXPECT_EQ(ran, 10);
    EXPECT_TRUE(bar.Command(clienti.nId)) << "commands are found through the sub-menus";
    EXPECT_EQ(ran, 11);
    qmenu->hide();
}

TEST_F(MenuFixture, HighlightingShowsTheHelpTextAndClosingTheDefault) {
    auto w = newWindow();
    TMsgBar* status = TMsgBar::New(*w, "Pronto");
    TMenu bar(false);
    TMenu::AddItem(TMenuItem::New("?"));
    TMenu::AddItem(TMenuItem::New("Informazioni", "Visualizza informazioni sul programma", false,
                                  [](TMenuItem&) {}));
    TMenu::EndSubMenu();
    TMenu::aMenus().clear();
    bar.SetWindow(w->hWnd, status);
    TMenu& drop = *bar.aItems[0]->oSubMenu;
    auto* qmenu = qobject_cast<QMenu*>(drop.hMenu);
    qmenu->popup(QPoint(0, 0));
    qmenu->setActiveAction(drop.aItems[0]->hAction);
    EXPECT_EQ(status->ShownText(), "Visualizza informazioni sul programma");
    qmenu->hide();
    EXPECT_EQ(status->ShownText(), "Pronto");
    bar.Destroy();
}

TEST_F(MenuFixture, ItemNumbersStartAbove16384AndWrapAfter32768) {
    const int saved = TMenuItem::nNextId;
    TMenuItem::nNextId = 16384;
    EXPECT_EQ(TMenuItem::New("Uno", "", false, [](TMenuItem&) {})->nId, 16385);
    EXPECT_EQ(TMenuItem::New("Due", "", false, [](TMenuItem&) {})->nId, 16386);
    TMenuItem::nNextId = 32767;
    EXPECT_EQ(TMenuItem::New("Tre", "", false, [](TMenuItem&) {})->nId, 32768);
    EXPECT_EQ(TMenuItem::New("Quattro", "", false, [](TMenuItem&) {})->nId, 17409);
    TMenuItem::nNextId = saved;
}

TEST_F(MenuFixture, AcceleratorsGoToTheFirstMenuAndTheSameKeyReplaces) {
    TMenu bar(false);
    TMenu::AddItem(TMenuItem::New("File"));
    TMenu::AddItem(TMenuItem::New(
        "Apri", "", false, [](TMenuItem&) {}, nullptr, TAccTable::kControl, 'O'));
    TMenu::AddItem(TMenuItem::New(
        "Apri di nuovo", "", false, [](TMenuItem&) {}, nullptr, TAccTable::kControl, 'O'));
    TMenu::AddItem(TMenuItem::New(
        "Stampa", "", false, [](TMenuItem&) {}, nullptr, TAccTable::kControl, 'P'));
    TMenu::EndSubMenu();
    TMenu::aMenus().clear();
    ASSERT_TRUE(bar.oAccTable);
    ASSERT_EQ(bar.oAccTable->aItems.size(), 2u);
    TMenu& drop = *bar.aItems[0]->oSubMenu;
    EXPECT_EQ(bar.oAccTable->aItems[0].nId, drop.aItems[1]->nId);
    EXPECT_EQ(bar.oAccTable->aItems[1].nVirtKey, 'P');
}

TEST_F(MenuFixture, AlternativeActionReplacesTheActionAndCheckMarksFollowLChecked) {
    int which = 0;
    TMenu popup(true);
    TMenu::AddItem(TMenuItem::New(
        "Voce", "", true, [&](TMenuItem&) { which = 1; }, [&](TMenuItem&) { which = 2; }));
    TMenu::aMenus().clear();
    TMenuItem& item = *popup.aItems[0];
    popup.Initiate();
    EXPECT_TRUE(item.hAction->isChecked());
    item.SetCheck(false);
    popup.Initiate();
    EXPECT_FALSE(item.hAction->isChecked());
    EXPECT_TRUE(popup.Command(item.nId));
    EXPECT_EQ(which, 2);
}

// ---- the button bar ----

struct BarFixture : ::testing::Test {
    std::unique_ptr<TWindow> w = newWindow();
    TMenu menu{false};

    TBarBtnBmp* add(TBar& bar, const char* caption, bool group, std::function<void()> action = {},
                    std::function<bool()> when = {}, TMenu* popup = nullptr) {
        TBarBtnBmp::BarSpec s;
        s.cBmp1 = "CLIENTI";
        s.cCaption = caption;
        s.cToolTip = caption;
        s.lGroup = group;
        s.bAction = std::move(action);
        s.bWhen = std::move(when);
        s.oPopup = popup;
        return TBarBtnBmp::NewBar(bar, s);
    }
};

TEST_F(BarFixture, ButtonsFollowEachOtherAndANewGroupStartsEightPixelsLater) {
    TMenu::AddItem(TMenuItem::New("Modifica"));
    TMenu::EndSubMenu();
    TMenu::aMenus().clear();
    w->oMenu = &menu;
    menu.SetWindow(w->hWnd, nullptr);
    w->hWnd->show();
    TBar* bar = TBar::New(*w, 65, 55, "TOP", true, 55);
    TBarBtnBmp* a = add(*bar, "Prestazioni", false);
    TBarBtnBmp* b = add(*bar, "Clienti", true);
    TBarBtnBmp* c = add(*bar, "Macchine", false);
    EXPECT_EQ(w->oBar, bar);
    EXPECT_EQ(bar->nGroups, 2);

    struct Case {
        TBarBtnBmp* button;
        int left;
    };
    for (Case k : {Case{a, 0}, Case{b, 65 + 8}, Case{c, 65 + 8 + 65}}) {
        EXPECT_EQ(k.button->hWnd->geometry(), QRect(k.left, -1, 65, 55)) << k.button->cCaption;
        EXPECT_EQ(k.button->hWnd->toolTip(), qs(k.button->cCaption));
    }
    // Under a menu: top 0, left -1, two pixels beyond the right edge, 55 + 1 + 2 high.
    QWidget* client = w->clientWidget();
    EXPECT_EQ(bar->hWnd->geometry(), QRect(-1, 0, client->width() + 3, 58));
    EXPECT_EQ(bar->SeparatorLefts(), std::vector<int>{68});

    // The separator stands in the gap: shadow then highlight, 2 px from the top.
    QImage image = paintedImage(bar->hWnd);
    EXPECT_EQ(pixel(image, 68, 10), GETSYSCOLOR(16));
    EXPECT_EQ(pixel(image, 69, 10), GETSYSCOLOR(20));
    EXPECT_EQ(pixel(image, 68, 1), TBar::kBackground);
    EXPECT_EQ(pixel(image, 300, 20), TBar::kBackground);

    // The bar follows the window's width.
    w->hWnd->resize(1000, 600);
    QApplication::processEvents();
    EXPECT_EQ(bar->hWnd->width(), client->width() + 3);
    menu.Destroy();
}

TEST_F(BarFixture, WithoutAMenuTheBarStartsAboveTheClientArea) {
    TBar* bar = TBar::New(*w, 33, 33);
    EXPECT_EQ(bar->hWnd->geometry().top(), -1);
    EXPECT_EQ(bar->Height(), 35);
    menu.Destroy();
}

TEST_F(BarFixture, ButtonsTurnBlueUnderTheMouseAndDisabledOnesIgnoreClicks) {
    int clicks = 0;
    TBar* bar = TBar::New(*w, 65, 55, "TOP", true, 55);
    TBarBtnBmp* on = add(*bar, "Clienti", false, [&] { ++clicks; });
    TBarBtnBmp* off = add(
        *bar, "Macchine", false, [&] { clicks += 100; }, [] { return false; });
    w->hWnd->show();

    EXPECT_EQ(pixel(paintedImage(on->hWnd), 2, 2), TBar::kBackground);
    on->MouseMove(5, 5);
    EXPECT_EQ(pixel(paintedImage(on->hWnd), 2, 2), TBar::kHover);
    on->MouseLeave();
    EXPECT_EQ(pixel(paintedImage(on->hWnd), 2, 2), TBar::kBackground);

    QTest::mouseClick(on->hWnd, Qt::LeftButton, {}, QPoint(30, 20));
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(off->isEnabled()) << "its when callback was false when it was created";
    QTest::mouseClick(off->hWnd, Qt::LeftButton, {}, QPoint(30, 20));
    EXPECT_EQ(clicks, 1);
    off->MouseMove(5, 5);
    EXPECT_EQ(pixel(paintedImage(off->hWnd), 2, 2), TBar::kBackground);

    // The caption lifts the picture by the caption's height / 2.2.
    QRect picture = on->PictureRect();
    EXPECT_EQ(picture.size(), QSize(32, 32));
    EXPECT_LT(picture.top(), (55 - 32) / 2);
    EXPECT_EQ(picture.left(), (65 - 32) / 2);
    menu.Destroy();
}

TEST_F(BarFixture, TheArrowOfADropDownButtonOpensItsMenuAndElsewhereTheActionRuns) {
    int clicks = 0, chosen = 0;
    TMenu popup(true);
    TMenu::AddItem(TMenuItem::New("Voce", "", false, [&](TMenuItem&) { ++chosen; }));
    TMenu::aMenus().clear();
    TBar* bar = TBar::New(*w, 33, 33);
    TBarBtnBmp* b = add(
        *bar, "", false, [&] { ++clicks; }, {}, &popup);
    w->hWnd->show();
    EXPECT_EQ(b->Width(), 33 + 13);
    EXPECT_EQ(b->PictureAreaWidth(), 33);

    bool popupShown = false;
    QTimer::singleShot(0, [&] {
        auto* m = qobject_cast<QMenu*>(popup.hMenu);
        popupShown = m->isVisible();
        m->close();
    });
    QTest::mouseClick(b->hWnd, Qt::LeftButton, {}, QPoint(40, 10));
    EXPECT_TRUE(popupShown);
    EXPECT_EQ(clicks, 0);
    QTest::mouseClick(b->hWnd, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks, 1);
    menu.Destroy();
}

// ---- the status line ----

struct StatusFixture : ::testing::Test {
    std::unique_ptr<TWindow> w = newWindow();
    TMsgBar::KeyLocks locks;
    void SetUp() override {
        TMsgBar::SetKeyLockReader([this] { return locks; });
    }
    void TearDown() override { TMsgBar::SetKeyLockReader(nullptr); }
};

TEST_F(StatusFixture, ItemsSitAtTheRightEndInTheOrderKeyboardDateClock) {
    TMsgBar* status = TMsgBar::New(*w, "", true, true, true);
    EXPECT_EQ(w->oMsgBar, status);
    EXPECT_EQ(GETMSGBARDEFAULT(), status);
    EXPECT_EQ(status->nHeight, 24) << "twice the 12-pixel font";
    QWidget* client = w->clientWidget();
    EXPECT_EQ(status->hWnd->geometry(), QRect(0, client->height() - 24, client->width(), 24));

    ASSERT_EQ(status->aItems.size(), 4u);
    EXPECT_EQ(status->aItems[0]->cMsg, "Num");
    EXPECT_EQ(status->aItems[1]->cMsg, "Caps");
    EXPECT_EQ(status->aItems[2]->cMsg, Date::today().toString());
    const std::string clock = status->aItems[3]->cMsg;
    ASSERT_EQ(clock.size(), 8u);
    EXPECT_EQ(clock[2], ':');
    EXPECT_EQ(clock[5], ':');
    int right = status->Width();
    for (int i = 3; i >= 0; --i) {
        TMsgItem& item = *status->aItems[i];
        QFontMetrics fm(item.oFont.qFont());
        EXPECT_EQ(item.nSize, fm.horizontalAdvance(qs(item.cMsg)) + 12) << item.cMsg;
        right -= item.nSize;
        EXPECT_EQ(item.nLeft(), right) << item.cMsg;
    }

    // One 200 ms timer refreshes every timed item.
    ASSERT_TRUE(status->oTimer);
    EXPECT_EQ(status->oTimer->nInterval, 200);
    EXPECT_TRUE(status->oTimer->lActive);
}

TEST_F(StatusFixture, CapsLockTurnsCapsActiveWithinATimerTick) {
    TMsgBar* status = TMsgBar::New(*w, "", false, false, true);
    TMsgItem& num = *status->aItems[0];
    TMsgItem& caps = *status->aItems[1];
    EXPECT_FALSE(caps.lActive);
    locks.caps = true;
    QTest::qWait(2 * TMsgBar::kTimerInterval + 50);
    EXPECT_TRUE(caps.lActive);
    EXPECT_FALSE(num.lActive);
    locks.caps = false;
    locks.num = true;
    status->TimerEval();
    EXPECT_FALSE(caps.lActive);
    EXPECT_TRUE(num.lActive);
}

TEST_F(StatusFixture, AnEmptyTextShowsTheDefaultAndControlsSetTheirHelp) {
    TMsgBar* status = TMsgBar::New(*w, "Anteprima di stampa");
    EXPECT_EQ(status->ShownText(), "Anteprima di stampa");
    status->SetMsg("Gestione clienti");
    EXPECT_EQ(status->ShownText(), "Gestione clienti");
    status->SetMsg("");
    EXPECT_EQ(status->ShownText(), "Anteprima di stampa");
    showHelp("Codice del cliente");
    EXPECT_EQ(status->ShownText(), "Codice del cliente");
    showHelp("");
    EXPECT_EQ(status->ShownText(), "Anteprima di stampa");
    EXPECT_FALSE(status->oTimer) << "no timed item, no timer";
}

TEST_F(StatusFixture, PaintsTheTwoBandGradient) {
    TMsgBar* status = TMsgBar::New(*w, "");
    status->lBorder = false;
    QImage image = paintedImage(status->hWnd);
    EXPECT_EQ(pixel(image, 5, 0), RGB(254, 254, 255));
    EXPECT_EQ(pixel(image, 5, status->nHeight / 2), RGB(212, 219, 237));
}

TEST_F(StatusFixture, AnItemWithAnActionRunsItWhenClicked) {
    TMsgBar* status = TMsgBar::New(*w, "");
    int clicks = 0;
    TMsgItem* item = status->AddItem(std::make_unique<TMsgItem>(
        status, "Stampa", 0, [&] { ++clicks; }, "Stampa la pagina"));
    item->lTimer = false;
    w->hWnd->show();
    const int x = item->nLeft() + item->nSize / 2;
    EXPECT_EQ(status->ItemAt(5, x), item);
    QTest::mouseClick(status->hWnd, Qt::LeftButton, {}, QPoint(x, 5));
    EXPECT_EQ(clicks, 1);
    QTest::mouseClick(status->hWnd, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
}

// ---- timers ----

TEST(Timer, AnEventRunsTheActionOfTheActiveTimerWithThatNumber) {
    test::app();
    int a = 0, b = 0;
    TTimer first(1000, [&] { ++a; });
    TTimer second(1000, [&] { ++b; });
    EXPECT_EQ(second.nId, first.nId + 1);
    EXPECT_FALSE(TTimer::Dispatch(first.nId)) << "not active yet";
    first.Activate();
    EXPECT_TRUE(TTimer::Dispatch(first.nId));
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 0);
    first.End();
    EXPECT_FALSE(TTimer::Dispatch(first.nId));
    EXPECT_EQ(std::count(TTimer::Timers().begin(), TTimer::Timers().end(), &first), 0);
    EXPECT_EQ(TTimer(0, nullptr).nInterval, 18) << "the default interval";
}

}  // namespace
}  // namespace velt
