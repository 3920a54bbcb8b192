#pragma once
// The application object and the toolkit's services.
#include "types.h"

#include <cstdint>

namespace ui {

namespace App {
String Title();           // "Lunivar"
std::int16_t Major();
std::int16_t Minor();
String Path();            // folder of the executable, links resolved
String PathSeparator();   // between a folder and a name: "/", or "\" on Windows
// Ends the program: every window closes without further events and the
// process exits with status 0. Does not return.
[[noreturn]] void End();
} // namespace App

// A whole number as its decimal text, without leading zeros or blanks.
String CStr(long number);

// A modal message box; style 16 gives the critical icon and one OK button.
int MsgBox(const String &prompt, int style, const String &title);

// The full name of month 1 to 12 in the user's locale, with a capital first letter.
String MonthName(int month);

// The platform's application: sets up its backend for the program (and
// ends the process with one line and status 1 when there is no display);
// exec() runs the events until the program ends.
class Application {
public:
    Application(int &argc, char **argv);
    ~Application();
    [[noreturn]] int exec();

private:
    struct Impl;
    Impl *d;
};

} // namespace ui
