#pragma once
// The toolkit on Qt Widgets (Linux: X11 and Wayland). Each window is a
// frameless QWidget, each control a child widget; the pointer over picture
// boxes and labels goes to the window and the toolkit finds the control. What
// the widgets show and what keys do is the toolkit's; they paint its pixels
// and hand it the pointer, the keys and the focus.
#include "ui/backend.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/picture.h"
#include "ui/platform.h"

#include <QDeadlineTimer>
#include <QFont>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QWidget>

class QEventLoop;

namespace ui {

QColor qcolor(Color c);
QString qstr(const String &s);
String ustr(const QString &s);
QFont fontFor(const FontDef &def);
QFont defaultFont();

class QtBackend : public Backend {
public:
    std::unique_ptr<NativeWindow> createWindow(Form &form, const WindowInfo &info) override;
    std::unique_ptr<NativeControl> createControl(Control &control, const ControlInfo &info) override;
    int pictureScale() const override;
    double twipsPerPixelX() const override;
    double twipsPerPixelY() const override;
    Picture loadBitmap(int id) override;
    Image layoutPicture(const String &name, int scale) override;
    Image icon() override;
    Rect textSize(const FontDef &font, const String &text) override;
    bool hasFace(const FontDef &font) override;
    int msgBox(const String &prompt, int style, const String &title) override;
    String monthName(int month) override;
    String appPath() override;
    Version version() override;
    std::optional<sound::Wave> readWave(const String &path) override;
    bool startSound(sound::Wave wave) override;
    void stopSound() override;
    std::int64_t milliseconds() override;
    [[noreturn]] void end() override;

private:
    // Waits until the sound that plays has been heard, `maxMs` at most.
    void finishSound(int maxMs);
};

// The window: its picture, its outline, and the mouse over its free area.
class FormWidget : public QWidget, public NativeWindow {
    Q_OBJECT
public:
    FormWidget(Form &form, const WindowInfo &info);
    Form &form;

    void setTitle(const String &title) override;
    void setSize(int width, int height) override;
    void move(int x, int y) override;
    Rect frame() const override;
    Rect screenArea() const override;
    void show(NativeWindow *owner, bool modal) override;
    void hide() override;
    bool shown() const override { return isVisible(); }
    void setState(std::int16_t state) override;
    void setRegion(const std::vector<Rect> *spans) override;
    void update() override { QWidget::update(); }
    void runModal() override;
    void endModal() override;
    int popupMenu(const std::vector<String> &captions) override;
    bool movesThroughSystem() const override;
    void startSystemMove() override;
    void accessibleChanged(Control &c, AccessibleChange what) override;

    // Where the outline is (nothing outside it is painted on a translucent window).
    QRegion outline;
    // What the window has a screen reader say at once: a notification shown.
    QWidget *announcer = nullptr;

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
    QEventLoop *modalLoop_ = nullptr;
};

// The window's notification to a screen reader: never on the screen, named
// by what is to be said, and "shown" for each thing said.
class Announcer : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};

// The control a native widget stands for.
class ControlWidget {
public:
    explicit ControlWidget(Control &c) : control(c) {}
    virtual ~ControlWidget() = default;
    Control &control;
};

// A Qt widget as the native side of a control: placed, shown and stacked as
// the toolkit says.
template <class W> class Native : public W, public NativeControl, public ControlWidget {
public:
    Native(Control &c, QWidget *parent) : W(parent), ControlWidget(c) {}
    void setGeometry(const Rect &r) override { W::setGeometry(r.x, r.y, r.w, r.h); }
    void setVisible(bool v) override { W::setVisible(v); }
    void raise() override { W::raise(); }
    void setFocus() override { W::setFocus(Qt::OtherFocusReason); }
};

// Picture boxes and labels: widgets of our own that paint what the toolkit
// gives them; the pointer passes through them to the window, which hands it
// to the toolkit.
class PaintedWidget : public Native<QWidget> {
public:
    PaintedWidget(Control &c, QWidget *parent) : Native(c, parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }
};

class PictureWidget : public PaintedWidget {
    Q_OBJECT
public:
    PictureWidget(PictureBox &box, QWidget *parent);
    PictureBox &box;
    void update() override { QWidget::update(); }

protected:
    void paintEvent(QPaintEvent *) override;
};

class LabelWidget : public PaintedWidget {
    Q_OBJECT
public:
    LabelWidget(Label &label, QWidget *parent);
    Label &label;
    void update() override { QWidget::update(); }

protected:
    void paintEvent(QPaintEvent *) override;
};

class TextWidget : public Native<QLineEdit> {
    Q_OBJECT
public:
    TextWidget(TextBox &box, QWidget *parent, bool readOnly);
    TextBox &box;
    void setText(const String &text) override;
    void setFont(const FontDef &font) override;
};

class ListWidget : public Native<QListWidget> {
    Q_OBJECT
public:
    ListWidget(ListBox &box, QWidget *parent, int rowHeight);
    ListBox &box;
    void addItem(const String &item) override;
    void setCurrentItem(int row) override;

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
