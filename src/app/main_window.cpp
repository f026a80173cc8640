#include "app/main_window.h"

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <filesystem>

#include "app/config/settings.h"
#include "app/deferror.h"
#include "app/process.h"
#include "data/backup.h"
#include "data/maintenance.h"
#include "data/upgrade.h"
#include "reference/reference.h"
#include "ui/bar.h"
#include "ui/bar_btnbmp.h"
#include "ui/menu.h"
#include "ui/msgbar.h"
#include "ui/prompts.h"
#include "ui/qtext.h"
#include "ui/qtprompt.h"
#include "util/access.h"
#include "util/failure.h"

namespace velt {
namespace {

// The operations of the menu and the bar that are built by their own modules; until a module
// exists its item is present and does nothing else.
void notYetBuilt() {}

// The drop-down menus, their items, and the operation each item runs.
std::vector<MainMenuEntry> makeMenuTable() {
    return {
        {"Modifica", "Prestazioni...", "Gestione prestazioni", false, notYetBuilt},
        {"Modifica", "", "", false, nullptr},
        {"Modifica", "Clienti...", "Gestione clienti", false, notYetBuilt},
        {"Modifica", "Macchine...", "Gestione macchine", true, MACCHINE},
        {"Modifica", "Tipi di prestazione...", "Gestione tipi di prestazione", true, TIPIPRE},
        {"Modifica", "Tipi di abbonamento...", "Gestione tipi di abbonamento", true, TIPIABB},
        {"Modifica", "Parametri...", "Gestione parametri", true, PARAMETRI},
        {"Servizio", "Manutenzione archivi", "Compatta gli archivi e ricostruisce gli indici",
         false, [] { MANUTENZIONE(); }},
        {"Servizio", "", "", false, nullptr},
        {"Servizio", "Imposta stampante...", "Seleziona la stampante", false, notYetBuilt},
        {"Servizio", "", "", false, nullptr},
        {"Servizio", "Salvataggio dati...", "Salva tutti gli archivi", false, [] { SALVA(); }},
        {"Servizio", "Ripristino dati...", "Ricarica tutti gli archivi", true, [] { RICARICA(); }},
        {"?", "Informazioni", "Visualizza informazioni sul programma", false,
         [] { INFOS(kProgramTitle, kProgramVersion, kProgramYear); }},
    };
}

// The bar's buttons, in order.
struct BarEntry {
    const char* cBitmap;
    const char* cCaption;
    bool lGroup;
    bool lLevel1;
    void (*bAction)();
};
const BarEntry kBarButtons[] = {
    {"PRESTAZIONI", "Prestazioni", false, false, notYetBuilt},
    {"CLIENTI", "Clienti", true, false, notYetBuilt},
    {"MACCHINE", "Macchine", false, true, MACCHINE},
};

constexpr int kBarButtonWidth = 65;
constexpr int kBarButtonHeight = 55;

// Where the picture does not cover: the system's application-workspace colour.
int appWorkspaceColour() {
    return fromQColor(QApplication::palette().color(QPalette::Dark));
}

}  // namespace

const std::vector<MainMenuEntry>& mainMenuTable() {
    static const std::vector<MainMenuEntry> table = makeMenuTable();
    return table;
}

std::unique_ptr<TMenu> BUILDMENU() {
    auto menuBar = std::make_unique<TMenu>(false);
    std::string current;
    for (const MainMenuEntry& e : mainMenuTable()) {
        if (e.cMenu != current) {
            if (!current.empty()) TMenu::EndSubMenu();
            TMenu::AddItem(TMenuItem::New(e.cMenu));  // a prompt without action: a drop-down
            current = e.cMenu;
        }
        if (e.cCaption.empty()) {
            TMenu::AddItem(TMenuItem::New(""));
            continue;
        }
        auto action = e.bAction;
        TMenuItem::When when = nullptr;
        if (e.lLevel1) when = [] { return isAdministrator(); };
        TMenu::AddItem(TMenuItem::New(
            e.cCaption, e.cMsg, false, [action](TMenuItem&) { action(); }, nullptr, 0, 0, when));
    }
    if (!current.empty()) TMenu::EndSubMenu();
    // The list of menus under construction matters only while building.
    TMenu::aMenus().clear();
    return menuBar;
}

void PAINTBGBMP(TWindow& oWnd, QPainter& hDC, const QPixmap& hBitmap) {
    if (hBitmap.isNull()) return;
    QWidget* client = oWnd.clientWidget();
    if (!client) return;
    const int width = client->width();
    const int height = client->height();
    const int top = oWnd.oBar && oWnd.oBar->hWnd ? oWnd.oBar->hWnd->height() - 1 : 0;
    const int statusHeight = oWnd.oMsgBar && oWnd.oMsgBar->hWnd ? oWnd.oMsgBar->hWnd->height() : 0;
    hDC.drawPixmap(QRect(0, top, width, height - top - statusHeight), hBitmap);
}

QPixmap readBackground() {
    std::error_code ec;
    std::filesystem::path file = std::filesystem::current_path(ec) / kBackgroundFile;
    if (ec || !std::filesystem::is_regular_file(file, ec)) return QPixmap();
    QPixmap picture;
    if (!picture.load(QString::fromLocal8Bit(file.string().c_str()), "BMP")) return QPixmap();
    return picture;
}

MainWindow::MainWindow() {
    oMenu = BUILDMENU();

    TWindow::Spec spec;
    spec.nTop = 0, spec.nLeft = 0, spec.nBottom = 600, spec.nRight = 800;
    spec.cTitle = kProgramTitle;
    spec.cIcon = "ICONA";
    spec.cBorder = "SIZEABLE";
    oWnd = TWindow::New(spec);
    oWnd->oBrush = TBrush::solid(appWorkspaceColour());

    // The status line with keyboard, date and clock; the menu's help texts go there.
    TMsgBar* status = TMsgBar::New(*oWnd, "", true, true, true);
    oWnd->oMenu = oMenu.get();
    oMenu->SetWindow(oWnd->hWnd, status);

    oBar = TBar::New(*oWnd, kBarButtonWidth, kBarButtonHeight, "TOP", true, kBarButtonHeight);
    for (const BarEntry& b : kBarButtons) {
        TBarBtnBmp::BarSpec s;
        s.cBmp1 = b.cBitmap;
        s.bAction = b.bAction;
        s.lGroup = b.lGroup;
        if (b.lLevel1) s.bWhen = [] { return isAdministrator(); };
        s.cToolTip = b.cCaption;
        s.cCaption = b.cCaption;
        TBarBtnBmp::NewBar(*oBar, s);
    }

    hBitmap = readBackground();
    oWnd->bPainted = [this](QPainter& painter) { PAINTBGBMP(*oWnd, painter, hBitmap); };
    oWnd->bValid = closeCheck;
}

MainWindow::~MainWindow() = default;

void MainWindow::Run() {
    // The start-up tasks run in the event loop, once the window is on screen and painted.
    std::weak_ptr<bool> alive = alive_;
    QTimer::singleShot(0, [this, alive] {
        if (alive.expired() || !oWnd->hWnd) return;  // closed before the loop got to them
        if (QWidget* client = oWnd->clientWidget()) client->repaint();
        runStartupTasks();
    });
    oWnd->Activate("MAXIMIZED");
    hBitmap = QPixmap();
}

void runStartupTasks() {
    // 1. Every table brought to its current structure; when that fails the program ends.
    bool upgraded = false;
    try {
        upgraded = AGGIORNADATABASE();
    } catch (const Abandon&) {
        upgraded = false;
    }
    if (!upgraded) quitProgram();
    // 2-3. The birthdays of today and in ten days join here with the reminders' module.
}

bool closeCheck() {
    // The offer to save all tables into an archive; the window closes whatever it answers.
    try {
        SALVA();
    } catch (const Abandon&) {
    }
    return true;
}

void MAIN() {
    try {
        MKCFG();
    } catch (const Abandon&) {
        quitProgram();
    }
    try {
        ConfigScope settings = LoadConfig();
        MainWindow main;
        main.Run();
    } catch (const Abandon&) {
        // VELT.CFG could not be read: the failure handler has said why; the program ends.
    }
}

void initUserInterface() {
    loadItalianTranslations();
    installQtPrompt();
}

}  // namespace velt
