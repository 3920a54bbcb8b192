// Lunivar: tells the zodiac sign of a day and month of birth. Creating the
// main window starts the program; closing it ends it.
#include "app/frmMain.h"
#include "ui/app.h"

int main(int argc, char **argv) {
    ui::Application app(argc, argv);
    frmMainRef().Show();
    return app.exec();
}
