#pragma once
// The toolkit on Qt Widgets (Linux: X11 and Wayland). Each window is a
// frameless QWidget that shows the frame the toolkit composes and hands it
// what the user does; its lists and text boxes are Qt's own widgets. The
// screen reader reads the window's other controls through the window's
// accessible interface.
#include "ui/backend.h"
#include "ui/controls.h"
#include "ui/form.h"

#include <QFont>
#include <QLineEdit>
#include <QListWidget>
#include <QWidget>

#include <map>

namespace ui {

QColor qcolor(Color c);
QString qstr(const String &s);
String ustr(const QString &s);
QFont fontFor(const FontDef &def);
QFont defaultFont();

class QtBackend : public Backend {
public:
    std::unique_ptr<NativeWindow> createWindow(Form &form, const WindowInfo &info) override;
    std::unique_ptr<NativeField> createField(Control &control, const FieldInfo &info) override;
    Environment environment() override;
    std::optional<std::vector<std::uint8_t>> readFile(const String &path) override;
    int msgBox(const String &prompt, int style, const String &title) override;
    String monthName(int month) override;
    std::int64_t milliseconds() override;
    void dispatchEvents(int maxMs) override;
    [[noreturn]] void exit() override;
    Rect measureText(const FontDef &font, const String &text) override;
    bool hasFace(const FontDef &font) override;
    void drawText(Surface &into, const Rect &clip, const TextRun &run, int scale) override;
    bool play(const sound::Wave *wave) override; // sound.cpp
};

// The window: the toolkit's frame within its outline, and the user's input.
class FormWidget : public QWidget, public NativeWindow {
    Q_OBJECT
public:
    FormWidget(Form &form, const WindowInfo &info);
    ~FormWidget() override;
    Form &form;

    void setTitle(const String &title) override;
    void place(const Rect &frame) override;
    void setShown(bool shown, NativeWindow *owner, bool modal) override;
    void setState(std::int16_t state) override;
    void setRegion(const std::vector<Rect> *spans) override;
    void present(const Rect &changed) override { QWidget::update(changed.x, changed.y, changed.w, changed.h); }
    int popupMenu(const std::vector<String> &captions) override;
    void accessibleChanged(Control &c, AccessibleChange what) override;
    void startSystemMove() override;

    // Where the outline is (nothing outside it is painted on a translucent window).
    QRegion outline;
    // What the window has a screen reader say at once: a notification shown.
    QWidget *announcer = nullptr;
    // The accessible objects of its controls that have no widget.
    std::map<const Control *, unsigned> accessibleIds;

protected:
    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *) override;
    void moveEvent(QMoveEvent *) override;
    void changeEvent(QEvent *) override;
    void closeEvent(QCloseEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    bool event(QEvent *e) override;

private:
    bool applying_ = false; // a change the program made, not the system
};

// The window's notification to a screen reader: never on the screen, named
// by what is to be said, and "shown" for each thing said.
class Announcer : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};

// A list or a text box: Qt's widget, showing what the toolkit says.
class FieldWidget : public NativeField {
public:
    explicit FieldWidget(Control &c) : control(c) {}
    Control &control;
    void setFocus(bool inside) override;
    virtual QWidget *widget() = 0;

protected:
    // Places and shows the widget; true when `state` is new.
    bool placeAndShow(const FieldState &state);
    FieldState shown_;
    bool first_ = true;
};

class TextWidget : public QLineEdit, public FieldWidget {
    Q_OBJECT
public:
    TextWidget(TextBox &box, QWidget *parent, bool readOnly);
    TextBox &box;
    void sync(const FieldState &state) override;
    QWidget *widget() override { return this; }
};

class ListWidget : public QListWidget, public FieldWidget {
    Q_OBJECT
public:
    ListWidget(ListBox &box, QWidget *parent, int rowHeight);
    ListBox &box;
    void sync(const FieldState &state) override;
    QWidget *widget() override { return this; }

protected:
    void focusInEvent(QFocusEvent *e) override;

private:
    bool updating_ = false;
};

// What the screen reader sees of the windows and controls.
void installAccessibility();
// Keys, focus and activation handed to the toolkit; unloaded windows freed
// when the event loop is idle.
void installInputRouting();

} // namespace ui
