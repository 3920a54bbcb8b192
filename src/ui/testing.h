#pragma once
// Seams for the tests: what the toolkit would show or do to the process is
// handed to a hook instead.
#include <QString>
#include <functional>

namespace ui {
class Menu;
class Form;
namespace testing {
// App::End calls this instead of exiting; it must not return (throw).
void setEndHook(std::function<void()> hook);
// MsgBox calls this instead of showing a box; its result is the answer.
void setMsgBoxHook(std::function<int(const QString &prompt, int style, const QString &title)> hook);
// PopupMenu calls this instead of showing the menu; it returns the index of
// the chosen item, or -1 for a menu dismissed without a choice.
void setPopupHook(std::function<int(const Menu &)> hook);
// Modal Show calls this instead of running its own loop; it returns when the
// window has been unloaded.
void setModalHook(std::function<void(Form &)> hook);
// The application object reports these version numbers instead of the
// project's own; a major of -1 returns to those.
void setVersion(int major, int minor);
} // namespace testing
} // namespace ui
