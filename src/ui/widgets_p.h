#pragma once
// The Qt widgets behind the toolkit's windows and controls. Only the toolkit
// sees them.
#include "controls.h"
#include "form.h"

#include <QLineEdit>
#include <QListWidget>
#include <QWidget>

namespace ui {

// Mouse events of a control: accepted always (a control without handlers
// swallows them, as the platform does), converted into the control's scale.
class ControlWidgetBase {
public:
    explicit ControlWidgetBase(Control *c) : control_(c) {}
    Control *control() const { return control_; }

protected:
    void mouse(QMouseEvent *e, int kind, ScaleMode scale);
    void doubleClick(QMouseEvent *e);
    // The scale of the control's container: a label's X and Y are measured in it.
    ScaleMode outerScale() const { return control_->outerScale(); }
    Control *control_;
    bool pressedInside_ = false;
};

class PictureWidget : public QWidget, public ControlWidgetBase {
    Q_OBJECT
public:
    PictureWidget(PictureBox *box, QWidget *parent);
    PictureBox *box() const { return static_cast<PictureBox *>(control_); }
    void click(); // the accessibility bus and the keyboard press the button

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
};

class LabelWidget : public QWidget, public ControlWidgetBase {
    Q_OBJECT
public:
    LabelWidget(Label *label, QWidget *parent);
    Label *label() const { return static_cast<Label *>(control_); }

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
};

class TextWidget : public QLineEdit {
    Q_OBJECT
public:
    TextWidget(TextBox *box, QWidget *parent);
    TextBox *box;
};

class ListWidget : public QListWidget {
    Q_OBJECT
public:
    ListWidget(ListBox *box, QWidget *parent);
    ListBox *box;
};

class FormWidget : public QWidget {
    Q_OBJECT
public:
    FormWidget(Form *form, QWidget *parent, Qt::WindowFlags flags);
    Form *form;
    QImage background;   // the persistent image of the window itself
    QImage background2x; // its twice-size drawing, where there is one
    bool applying = false;

protected:
    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *) override;
    void moveEvent(QMoveEvent *) override;
    void changeEvent(QEvent *) override;
    void closeEvent(QCloseEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
};

QFont fontFor(const FontDef &def);
QFont defaultFont();
QColor qcolor(Color c);
std::int16_t shiftCode(Qt::KeyboardModifiers m);
std::int16_t buttonCode(Qt::MouseButton b);
std::int16_t buttonsCode(Qt::MouseButtons b);
void installAccessibility();

} // namespace ui
