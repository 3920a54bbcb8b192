#include "widgets_p.h"

#include "units.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QWindow>

namespace ui {

QColor qcolor(Color c) { return QColor(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF)); }

QFont defaultFont() {
    // The layouts are drawn for the 8-point dialog font of the original
    // platform: 13-pixel rows, and texts as wide as Arial's at 11 pixels.
    // Liberation Sans has Arial's widths; with full hinting its rows are 12
    // pixels high, and the widest field text takes 148 of 177 pixels.
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(11);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

QFont fontFor(const FontDef &def) {
    QFont f = defaultFont();
    // The dialog faces of the original platform are drawn with the default
    // face, named directly: a face that is not installed costs a search
    // through every font for a stand-in.
    const bool dialogFace = def.face == QLatin1String("Tahoma") || def.face == QLatin1String("MS Sans Serif");
    if (!def.face.isEmpty() && !dialogFace) f.setFamily(def.face);
    if (def.points > 0) f.setPixelSize(int(def.points * 96.0 / 72.0 + 0.5));
    f.setWeight(QFont::Weight(def.weight));
    return f;
}

std::int16_t shiftCode(Qt::KeyboardModifiers m) {
    std::int16_t s = 0;
    if (m & Qt::ShiftModifier) s |= vbShiftMask;
    if (m & Qt::ControlModifier) s |= vbCtrlMask;
    if (m & Qt::AltModifier) s |= vbAltMask;
    return s;
}

std::int16_t buttonCode(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton: return vbLeftButton;
    case Qt::RightButton: return vbRightButton;
    case Qt::MiddleButton: return vbMiddleButton;
    default: return 0;
    }
}

std::int16_t buttonsCode(Qt::MouseButtons b) {
    std::int16_t s = 0;
    if (b & Qt::LeftButton) s |= vbLeftButton;
    if (b & Qt::RightButton) s |= vbRightButton;
    if (b & Qt::MiddleButton) s |= vbMiddleButton;
    return s;
}

// ---------------------------------------------------------------- mouse

void ControlWidgetBase::mouse(QMouseEvent *e, int kind, ScaleMode scale) {
    e->accept();
    Control *c = control_;
    const QPointF p = e->position();
    const float x = c->fromPxX(p.x(), scale), y = c->fromPxY(p.y(), scale);
    const std::int16_t shift = shiftCode(e->modifiers());
    switch (kind) {
    case 0:
        if (e->button() == Qt::LeftButton) pressedInside_ = true;
        if (c->MouseDown) c->MouseDown(buttonCode(e->button()), shift, x, y);
        break;
    case 1:
        if (c->MouseMove) c->MouseMove(buttonsCode(e->buttons()), shift, x, y);
        break;
    case 2: {
        // Released over the control: its right and bottom edges lie outside it.
        const bool click = e->button() == Qt::LeftButton && pressedInside_ && p.x() >= 0 && p.y() >= 0 &&
                           p.x() < c->widget()->width() && p.y() < c->widget()->height();
        if (e->button() == Qt::LeftButton) pressedInside_ = false;
        if (c->MouseUp) c->MouseUp(buttonCode(e->button()), shift, x, y);
        if (click && c->Click) c->Click();
        break;
    }
    }
}

void ControlWidgetBase::doubleClick(QMouseEvent *e) {
    // The second press of a double click is a double click, not a new press
    // and not a new click; the release that follows is only a release.
    e->accept();
    pressedInside_ = false;
}

// ---------------------------------------------------------------- PictureWidget

PictureWidget::PictureWidget(PictureBox *box, QWidget *parent) : QWidget(parent), ControlWidgetBase(box) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureWidget::paintEvent(QPaintEvent *) {
    QPainter p(this);
    if (QWidget *top = window(); top->testAttribute(Qt::WA_TranslucentBackground) && control_->form().hasRegion()) {
        // On a translucent window the frame's corners outside the outline stay unpainted.
        p.setClipRegion(control_->form().region().translated(-mapTo(top, QPoint(0, 0))));
    }
    if (devicePixelRatioF() >= 1.5) {
        const QImage hi = box()->rendered2x();
        if (!hi.isNull()) p.drawImage(QRect(0, 0, hi.width() / 2, hi.height() / 2), hi);
        else p.drawImage(0, 0, box()->rendered());
    } else {
        p.drawImage(0, 0, box()->rendered());
    }
    if (hasFocus() && property("lunivarTabStop").toBool()) {
        // The focus mark: a dotted line inside the capsule, clear of its edge.
        QPen pen(QColor(60, 60, 60), 1, Qt::DotLine);
        p.setPen(pen);
        p.drawRect(QRect(3, 3, width() - 7, height() - 7));
    }
}

void PictureWidget::click() {
    if (box()->Click) box()->Click();
}

void PictureWidget::mousePressEvent(QMouseEvent *e) { mouse(e, 0, box()->innerScale()); }
void PictureWidget::mouseMoveEvent(QMouseEvent *e) { mouse(e, 1, box()->innerScale()); }
void PictureWidget::mouseReleaseEvent(QMouseEvent *e) { mouse(e, 2, box()->innerScale()); }
void PictureWidget::mouseDoubleClickEvent(QMouseEvent *e) { doubleClick(e); }

void PictureWidget::keyPressEvent(QKeyEvent *e) {
    if (property("lunivarTabStop").toBool() &&
        (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Space) &&
        !e->isAutoRepeat()) {
        e->accept();
        click();
        return;
    }
    QWidget::keyPressEvent(e);
}

// ---------------------------------------------------------------- LabelWidget

LabelWidget::LabelWidget(Label *label, QWidget *parent) : QWidget(parent), ControlWidgetBase(label) {
    setFocusPolicy(Qt::NoFocus);
}

void LabelWidget::paintEvent(QPaintEvent *) {
    // Transparent: only the text is drawn, the access key underlined.
    QPainter p(this);
    p.setFont(font());
    p.setPen(qcolor(label()->ForeColor()));
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextSingleLine, label()->Caption());
}

void LabelWidget::mousePressEvent(QMouseEvent *e) { mouse(e, 0, outerScale()); }
void LabelWidget::mouseMoveEvent(QMouseEvent *e) { mouse(e, 1, outerScale()); }
void LabelWidget::mouseReleaseEvent(QMouseEvent *e) { mouse(e, 2, outerScale()); }
void LabelWidget::mouseDoubleClickEvent(QMouseEvent *e) { doubleClick(e); }

// ---------------------------------------------------------------- TextWidget, ListWidget

TextWidget::TextWidget(TextBox *b, QWidget *parent) : QLineEdit(parent), box(b) {
    setFrame(true);
    setTextMargins(0, 0, 0, 0);
}

namespace {
// Rows as high as the platform's list boxes draw them, whatever the font, and
// the focus mark of the platform: a dotted rectangle around the current row,
// white on the selection, black elsewhere.
class RowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr int RowHeight = 13;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(RowHeight);
        return s;
    }
    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        QStyleOptionViewItem o = option;
        const bool focusMark = o.state & QStyle::State_HasFocus;
        o.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(p, o, index);
        if (!focusMark) return;
        p->save();
        p->setPen(QPen(o.state & QStyle::State_Selected ? Qt::white : Qt::black, 1, Qt::DotLine));
        p->drawRect(o.rect.adjusted(0, 0, -1, -1));
        p->restore();
    }
};
} // namespace

ListWidget::ListWidget(ListBox *b, QWidget *parent) : QListWidget(parent), box(b) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setItemDelegate(new RowDelegate(this));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The platform's sunken two-pixel border: six rows fit inside it.
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    // The pointer over the border belongs to the list box, not to the window
    // behind it.
    setAttribute(Qt::WA_NoMousePropagation);
}

// ---------------------------------------------------------------- FormWidget

FormWidget::FormWidget(Form *f, QWidget *parent, Qt::WindowFlags flags) : QWidget(parent, flags), form(f) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void FormWidget::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const int fw = form->framePx();
    if (testAttribute(Qt::WA_TranslucentBackground) && form->hasRegion()) {
        // A translucent window: what lies outside the outline stays unpainted.
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.fillRect(rect(), Qt::transparent);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setClipRegion(form->region());
    }
    p.fillRect(rect(), qcolor(form->BackColor()));
    if (devicePixelRatioF() >= 1.5 && !background2x.isNull())
        p.drawImage(QRect(fw, fw, background2x.width() / 2, background2x.height() / 2), background2x);
    else if (!background.isNull())
        p.drawImage(fw, fw, background);
    if (fw > 0) {
        // A raised frame of our own drawing around the client area.
        const QRect r = rect();
        const QColor light(255, 255, 255), mid(224, 224, 224), shadow(128, 128, 128), dark(64, 64, 64);
        p.fillRect(QRect(0, 0, r.width(), fw), mid);
        p.fillRect(QRect(0, 0, fw, r.height()), mid);
        p.fillRect(QRect(0, r.height() - fw, r.width(), fw), mid);
        p.fillRect(QRect(r.width() - fw, 0, fw, r.height()), mid);
        p.setPen(light);
        p.drawLine(1, 1, r.width() - 3, 1);
        p.drawLine(1, 1, 1, r.height() - 3);
        p.setPen(shadow);
        p.drawLine(1, r.height() - 2, r.width() - 2, r.height() - 2);
        p.drawLine(r.width() - 2, 1, r.width() - 2, r.height() - 2);
        p.setPen(dark);
        p.drawLine(0, r.height() - 1, r.width() - 1, r.height() - 1);
        p.drawLine(r.width() - 1, 0, r.width() - 1, r.height() - 1);
        p.setPen(shadow);
        p.drawRect(fw - 1, fw - 1, r.width() - 2 * fw + 1, r.height() - 2 * fw + 1);
    }
}

void FormWidget::resizeEvent(QResizeEvent *e) {
    QWidget::resizeEvent(e);
    if (!applying) form->systemResized(width(), height());
}

void FormWidget::moveEvent(QMoveEvent *e) {
    QWidget::moveEvent(e);
    if (!applying) form->systemMoved(x(), y());
}

void FormWidget::changeEvent(QEvent *e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange) {
        const Qt::WindowStates s = windowState();
        form->systemStateChanged(s & Qt::WindowMinimized ? vbMinimized : s & Qt::WindowMaximized ? vbMaximized : vbNormal);
    }
}

void FormWidget::closeEvent(QCloseEvent *e) {
    // The window manager's close: the window decides through its unload handlers.
    e->ignore();
    form->systemClose();
}

void FormWidget::mousePressEvent(QMouseEvent *e) {
    e->accept();
    const QPointF p = e->position() - QPointF(form->framePx(), form->framePx());
    form->formMouse(0, buttonCode(e->button()), shiftCode(e->modifiers()), float(p.x()), float(p.y()));
}
void FormWidget::mouseMoveEvent(QMouseEvent *e) {
    e->accept();
    const QPointF p = e->position() - QPointF(form->framePx(), form->framePx());
    form->formMouse(1, buttonsCode(e->buttons()), shiftCode(e->modifiers()), float(p.x()), float(p.y()));
}
void FormWidget::mouseReleaseEvent(QMouseEvent *e) {
    e->accept();
    const QPointF p = e->position() - QPointF(form->framePx(), form->framePx());
    form->formMouse(2, buttonCode(e->button()), shiftCode(e->modifiers()), float(p.x()), float(p.y()));
}

} // namespace ui
