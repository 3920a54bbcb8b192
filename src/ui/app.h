#pragma once
// The application object and the toolkit's services.
#include <QString>
#include <cstdint>

namespace ui {

namespace App {
QString Title();          // "Lunivar"
std::int16_t Major();
std::int16_t Minor();
std::int16_t Revision();
QString Path();           // folder of the executable, symlinks resolved
// Ends the program: every window closes without further events and the
// process exits with status 0. Does not return.
[[noreturn]] void End();
} // namespace App

// A modal message box; style 16 gives the critical icon and one OK button.
int MsgBox(const QString &prompt, int style, const QString &title);

// The full name of month 1 to 12 in the user's locale, with a capital first letter.
QString MonthName(int month);

// Sets up the toolkit for the program: fonts, style, accessibility; checks
// for a display first and ends the process with one line and status 1 when
// none can be opened.
class Application {
public:
    Application(int &argc, char **argv);
    ~Application();
    int exec();

private:
    struct Impl;
    Impl *d;
};

} // namespace ui
