// The main window of the program: its menu, button bar, status line and background picture,
// the start-up tasks once it is on screen, and the close check. MAIN runs it.
#pragma once

#include <QPixmap>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/window.h"

class QPainter;

namespace velt {

class TMenu;
class TBar;

inline constexpr const char* kProgramTitle = "VELT - Gestione Solarium";
inline constexpr const char* kProgramVersion = "1.14";
inline constexpr const char* kProgramYear = "2026";
inline constexpr const char* kBackgroundFile = "SFONDO.BMP";

// One row of the main menu: its drop-down menu, caption, status-line message, whether it is
// enabled only at the administrator level, and its action. An empty caption is a separator.
struct MainMenuEntry {
    std::string cMenu;
    std::string cCaption;
    std::string cMsg;
    bool lLevel1 = false;
    std::function<void()> bAction;
};

// The menu table in order (three drop-down menus: "Modifica", "Servizio", "?").
const std::vector<MainMenuEntry>& mainMenuTable();

// Builds the menu bar with its drop-down menus from the table.
std::unique_ptr<TMenu> BUILDMENU();

// Paints the background picture stretched between the button bar and the status line of
// `oWnd`; does nothing without a picture.
void PAINTBGBMP(TWindow& oWnd, QPainter& hDC, const QPixmap& hBitmap);

// The picture of SFONDO.BMP in the current folder (a null picture when missing or unreadable).
QPixmap readBackground();

// The main window with everything on it, built but not yet shown.
class MainWindow {
  public:
    MainWindow();
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Shows the window maximised and runs its event loop until it closes; the start-up tasks
    // run once it is on screen.
    void Run();

    TWindow& window() { return *oWnd; }
    TMenu& menu() { return *oMenu; }
    TBar& bar() { return *oBar; }
    const QPixmap& background() const { return hBitmap; }

  private:
    std::unique_ptr<TMenu> oMenu;
    std::unique_ptr<TWindow> oWnd;
    TBar* oBar = nullptr;
    QPixmap hBitmap;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The start-up tasks, in the event thread once the window is shown: the structure check of
// every table (the program quits when it fails), then the birthdays of today and in ten days.
void runStartupTasks();

// The close check: offers to save all tables into an archive; the window closes whatever the
// answer.
bool closeCheck();

// The entry procedure: makes sure VELT.CFG exists, loads it, builds and runs the main window.
// Returns when the window has closed, or at once when the configuration cannot be loaded.
void MAIN();

// The process's user-interface settings: the Qt prompt behind every message and the Italian
// texts of Qt's own dialogs and buttons.
void initUserInterface();

}  // namespace velt
