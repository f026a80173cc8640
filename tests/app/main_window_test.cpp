// The main window end to end, offscreen: menu, bar, status line, background picture, and a
// start in an empty folder that creates VELT.CFG and closes.
#include "app/main_window.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QIcon>
#include <QImage>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "app/deferror.h"
#include "ui/bar.h"
#include "ui/bar_btnbmp.h"
#include "ui/menu.h"
#include "ui/msgbar.h"
#include "ui/paint.h"
#include "ui/qtext.h"
#include "ui/ui_test_support.h"
#include "util/access.h"
#include "util/prompt.h"

namespace velt {
namespace {
namespace fs = std::filesystem;

// A fresh data folder, current for the lifetime of the object.
class DataFolder {
  public:
    DataFolder() {
        std::random_device rd;
        path_ = fs::temp_directory_path() / ("velt-main-" + std::to_string(rd()));
        fs::create_directories(path_);
        previous_ = fs::current_path();
        fs::current_path(path_);
    }
    ~DataFolder() {
        fs::current_path(previous_);
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_, previous_;
};

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct MainWindowTest : ::testing::Test {
    void SetUp() override {
        test::app();
        resetAccess();
    }
    void TearDown() override { resetAccess(); }
    ScriptedPrompt prompt;
    ScopedPrompt scoped{prompt};
};

TEST_F(MainWindowTest, TheMenuFollowsItsTable) {
    struct Row {
        const char* menu;
        const char* caption;  // empty: a separator
        const char* msg;
        bool level1;
    };
    const std::vector<Row> expected = {
        {"Modifica", "Prestazioni...", "Gestione prestazioni", false},
        {"Modifica", "", "", false},
        {"Modifica", "Clienti...", "Gestione clienti", false},
        {"Modifica", "Macchine...", "Gestione macchine", true},
        {"Modifica", "Tipi di prestazione...", "Gestione tipi di prestazione", true},
        {"Modifica", "Tipi di abbonamento...", "Gestione tipi di abbonamento", true},
        {"Modifica", "Parametri...", "Gestione parametri", true},
        {"Servizio", "Manutenzione archivi", "Compatta gli archivi e ricostruisce gli indici",
         false},
        {"Servizio", "", "", false},
        {"Servizio", "Imposta stampante...", "Seleziona la stampante", false},
        {"Servizio", "", "", false},
        {"Servizio", "Salvataggio dati...", "Salva tutti gli archivi", false},
        {"Servizio", "Ripristino dati...", "Ricarica tutti gli archivi", true},
        {"?", "Informazioni", "Visualizza informazioni sul programma", false},
    };
    std::unique_ptr<TMenu> menu = BUILDMENU();
    EXPECT_TRUE(TMenu::aMenus().empty());
    ASSERT_EQ(menu->aItems.size(), 3u);
    std::size_t row = 0;
    for (auto& drop : menu->aItems) {
        ASSERT_TRUE(drop->IsSubMenu());
        for (auto& item : drop->oSubMenu->aItems) {
            ASSERT_LT(row, expected.size());
            const Row& e = expected[row++];
            SCOPED_TRACE(e.caption);
            EXPECT_EQ(drop->cPrompt, e.menu);
            EXPECT_EQ(item->cPrompt, e.caption);
            EXPECT_EQ(item->cMsg, e.msg);
            EXPECT_EQ(static_cast<bool>(item->bWhen), e.level1);
            EXPECT_FALSE(item->lChecked);
            EXPECT_EQ(item->nVirtKey, 0) << "no item has an accelerator";
        }
    }
    EXPECT_EQ(row, expected.size());
}

TEST_F(MainWindowTest, AtLevelTwoTheAdministratorItemsAndTheMachinesButtonAreGreyed) {
    access().ACS_LEVEL = 2;
    MainWindow main;
    std::vector<std::string> greyed;
    for (auto& drop : main.menu().aItems) {
        auto* qmenu = qobject_cast<QMenu*>(drop->oSubMenu->hMenu);
        qmenu->popup(QPoint(0, 0));  // dropping down evaluates the items
        for (auto& item : drop->oSubMenu->aItems)
            if (!item->IsSeparator() && !item->IsEnabled()) greyed.push_back(item->cPrompt);
        qmenu->hide();
    }
    EXPECT_EQ(greyed, (std::vector<std::string>{"Macchine...", "Tipi di prestazione...",
                                                "Tipi di abbonamento...", "Parametri...",
                                                "Ripristino dati..."}));
    const auto& buttons = main.bar().aButtons;
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_TRUE(buttons[0]->isEnabled());
    EXPECT_TRUE(buttons[1]->isEnabled());
    EXPECT_FALSE(buttons[2]->isEnabled());

    // Back at level 1 the menu enables them at its next drop-down.
    access().ACS_LEVEL = 1;
    auto& modifica = *main.menu().aItems[0]->oSubMenu;
    qobject_cast<QMenu*>(modifica.hMenu)->popup(QPoint(0, 0));
    for (auto& item : modifica.aItems) EXPECT_TRUE(item->IsEnabled()) << item->cPrompt;
    qobject_cast<QMenu*>(modifica.hMenu)->hide();
}

TEST_F(MainWindowTest, TheBarHasThreePictureButtonsWithCaptions) {
    MainWindow main;
    TBar& bar = main.bar();
    EXPECT_EQ(bar.nBtnWidth, 65);
    EXPECT_EQ(bar.nBtnHeight, 55);
    struct Expect {
        const char* caption;
        int left;
    };
    const Expect expect[] = {{"Prestazioni", 0}, {"Clienti", 73}, {"Macchine", 138}};
    ASSERT_EQ(bar.aButtons.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        TBarBtnBmp* b = bar.aButtons[i];
        EXPECT_EQ(b->cCaption, expect[i].caption);
        EXPECT_EQ(b->cToolTip, expect[i].caption);
        EXPECT_EQ(b->hWnd->geometry(), QRect(expect[i].left, -1, 65, 55));
        EXPECT_FALSE(b->hBitmap1.isNull()) << "the picture resource exists";
        EXPECT_EQ(b->hBitmap1.deviceIndependentSize().toSize(), QSize(32, 32));
    }
    auto* status = dynamic_cast<TMsgBar*>(main.window().oMsgBar);
    ASSERT_NE(status, nullptr);
    ASSERT_EQ(status->aItems.size(), 4u);
    EXPECT_EQ(status->aItems[0]->cMsg, "Num");
    EXPECT_EQ(status->aItems[1]->cMsg, "Caps");
}

TEST_F(MainWindowTest, TheBackgroundIsStretchedBetweenTheBarAndTheStatusLine) {
    DataFolder folder;
    QImage red(40, 30, QImage::Format_RGB32);
    red.fill(QColor(255, 0, 0));
    ASSERT_TRUE(red.save(QString::fromStdString((folder.path() / "SFONDO.BMP").string()), "BMP"));
    MainWindow main;
    ASSERT_FALSE(main.background().isNull());
    main.window().hWnd->show();
    QWidget* client = main.window().clientWidget();
    for (QSize windowSize : {QSize(700, 500), QSize(900, 640)}) {
        // Resizing re-stretches the picture to the new client area.
        main.window().hWnd->resize(windowSize);
        QApplication::processEvents();
        const QSize size = client->size();
        const int top = main.bar().hWnd->height() - 1;
        const int status = main.window().oMsgBar->hWnd->height();
        ASSERT_GT(size.height(), top + status);
        QImage canvas(size, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        QPainter painter(&canvas);
        PAINTBGBMP(main.window(), painter, main.background());
        painter.end();
        const int bottom = size.height() - status;  // first row below the picture
        EXPECT_EQ(canvas.pixelColor(0, top - 1), QColor(Qt::black));
        EXPECT_EQ(canvas.pixelColor(0, top), QColor(255, 0, 0));
        EXPECT_EQ(canvas.pixelColor(size.width() - 1, bottom - 1), QColor(255, 0, 0));
        EXPECT_EQ(canvas.pixelColor(size.width() / 2, bottom), QColor(Qt::black));
    }
}

TEST_F(MainWindowTest, AMissingOrUnreadableBackgroundGivesNoPicture) {
    DataFolder folder;
    EXPECT_TRUE(readBackground().isNull());
    std::ofstream(folder.path() / "SFONDO.BMP") << "not a bitmap";
    EXPECT_TRUE(readBackground().isNull());
    MainWindow main;
    QImage canvas(100, 100, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    PAINTBGBMP(main.window(), painter, main.background());
    painter.end();
    EXPECT_EQ(canvas.pixelColor(50, 50), QColor(Qt::black)) << "nothing painted";
}

TEST_F(MainWindowTest, StartsInAnEmptyFolderCreatesTheConfigurationAndTablesAndCloses) {
    DataFolder folder;
    QuitAction previous = setQuitAction([] {
        std::fprintf(stderr, "the program quit during its start\n");
        std::fflush(nullptr);
        std::_Exit(1);
    });
    bool seen = false;
    // Queued before MAIN: runs once the window's loop runs, before the start-up tasks.
    QTimer::singleShot(0, [&] {
        TWindow* w = TWindow::mainLoopWindow();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->hWnd->windowTitle(), QStringLiteral("VELT - Gestione Solarium"));
        EXPECT_TRUE(w->hWnd->windowState() & Qt::WindowMaximized);
        EXPECT_FALSE(w->hWnd->windowIcon().isNull());
        auto* mw = qobject_cast<QMainWindow*>(w->hWnd.data());
        ASSERT_NE(mw, nullptr);
        QStringList titles;
        for (QAction* a : mw->menuBar()->actions()) titles << a->text();
        EXPECT_EQ(titles, (QStringList{"Modifica", "Servizio", "?"}));
        EXPECT_TRUE(fs::exists("VELT.CFG")) << "created before the window";
        // Queued after the start-up tasks: the tables exist, then the window closes.
        QTimer::singleShot(0, [&, w] {
            seen = true;
            for (const char* table : {"PRESTAZI.DBF", "CLIENTI.DBF", "ABBONAM.DBF", "MACCHINE.DBF",
                                      "TIPIPRE.DBF", "TIPIABB.DBF"})
                EXPECT_TRUE(fs::exists(table)) << table;
            prompt.files.push_back(std::nullopt);  // the close check's archive: cancelled
            w->End();
        });
    });
    MAIN();
    setQuitAction(previous);
    EXPECT_TRUE(seen);
    EXPECT_EQ(readFile(folder.path() / "VELT.CFG"), "[Vars]\r\nCFG_PREZZO=N0\r\n");
    EXPECT_TRUE(prompt.messages().empty()) << "a first start shows no message box";
    ASSERT_FALSE(prompt.shown.empty());
    EXPECT_EQ(prompt.shown.front().what, "wait") << "the structure check ran";
    EXPECT_EQ(prompt.shown.back().what, "file") << "closing offered to save the archive";
}

}  // namespace
}  // namespace velt
