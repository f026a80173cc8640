// velt: the program. Runs in the folder it is started in, which is its data folder.
#include <QApplication>

#include "app/main_window.h"
#include "app/process.h"

int main(int argc, char** argv) {
    // The exit procedure runs on every way out of main, after the window system is gone.
    velt::ExitGuard exitProcedure;
    QApplication application(argc, argv);
    velt::initProcess();
    velt::initUserInterface();
    velt::MAIN();
    return 0;
}
