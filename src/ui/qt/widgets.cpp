// The windows and controls on Qt Widgets.
#include "backend_qt.h"
#include "ui/units.h"

#include <QAbstractEventDispatcher>
#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QWindow>

namespace ui {

QColor qcolor(Color c) { return QColor(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF)); }
QString qstr(const String &s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
String ustr(const QString &s) { return s.toStdString(); }

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
    const bool dialogFace = def.face == "Tahoma" || def.face == "MS Sans Serif";
    if (!def.face.empty() && !dialogFace) f.setFamily(qstr(def.face));
    if (def.points > 0) f.setPixelSize(int(def.points * 96.0 / 72.0 + 0.5));
    f.setWeight(QFont::Weight(def.weight));
    return f;
}

namespace {

int modifiersOf(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? Event::ShiftKey : 0) | (m & Qt::ControlModifier ? Event::CtrlKey : 0) |
           (m & Qt::AltModifier ? Event::AltKey : 0);
}

int buttonsOf(Qt::MouseButtons b) {
    return (b & Qt::LeftButton ? Event::LeftButton : 0) | (b & Qt::RightButton ? Event::RightButton : 0) |
           (b & Qt::MiddleButton ? Event::MiddleButton : 0);
}

void handMouse(Form &form, QMouseEvent *e, Event::Type type) {
    e->accept();
    Event ev;
    ev.type = type;
    ev.button = buttonsOf(e->button());
    ev.buttons = buttonsOf(e->buttons());
    ev.modifiers = modifiersOf(e->modifiers());
    ev.x = e->position().x(), ev.y = e->position().y();
    form.handle(ev);
}

bool translucent(const QWidget *w) { return w->window()->testAttribute(Qt::WA_TranslucentBackground); }

} // namespace

// ---------------------------------------------------------------- the window

FormWidget::FormWidget(Form &f, const WindowInfo &info)
    : QWidget(nullptr, (info.taskbar ? Qt::Window : Qt::Dialog) | Qt::FramelessWindowHint), form(f) {
    setObjectName(qstr(info.objectName));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Where the outline cannot be a window shape (Wayland), the window is
    // translucent and the pixels outside the outline are left unpainted.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        setAttribute(Qt::WA_TranslucentBackground);
    setFont(defaultFont());
    if (info.icon) {
        const auto bytes = f.backend().readFile(":/icon/lunivar.ico");
        const Image icon = bytes ? decodeIco(*bytes, 32).value_or(Image()) : Image();
        QImage img(icon.width, icon.height, QImage::Format_ARGB32);
        for (int y = 0; y < icon.height; ++y)
            std::copy_n(&icon.px[std::size_t(y) * std::size_t(icon.width)], icon.width, reinterpret_cast<QRgb *>(img.scanLine(y)));
        if (!img.isNull()) setWindowIcon(QIcon(QPixmap::fromImage(img)));
    }
}

void FormWidget::setTitle(const String &title) { setWindowTitle(qstr(title)); }

FormWidget::~FormWidget() {
    for (auto &[control, id] : accessibleIds) QAccessible::deleteAccessibleInterface(id);
}

void FormWidget::place(const Rect &r) {
    // The windows have no sizing border: their size hints allow this size
    // and no other, so a window manager offers neither resizing nor
    // maximising (and a tiling one lets them float).
    applying_ = true;
    setFixedSize(r.w, r.h);
    QWidget::move(r.x, r.y);
    applying_ = false;
}

void FormWidget::setShown(bool shown, NativeWindow *owner, bool modal) {
    if (!shown) {
        QWidget::hide();
        setWindowModality(Qt::NonModal);
        return;
    }
    if (auto *o = dynamic_cast<FormWidget *>(owner)) {
        // An owned window stays above its owner and has no taskbar button.
        const QPoint at = pos();
        setParent(o, windowFlags());
        QWidget::move(at);
    }
    if (modal) setWindowModality(Qt::ApplicationModal);
    QWidget::show();
    if (modal) activateWindow();
}

void FormWidget::setState(std::int16_t state) {
    applying_ = true;
    if (isVisible()) {
        if (state == vbMinimized) showMinimized();
        else if (state == vbMaximized) showMaximized();
        else showNormal();
    } else {
        setWindowState(state == vbMinimized ? Qt::WindowMinimized : state == vbMaximized ? Qt::WindowMaximized : Qt::WindowNoState);
    }
    applying_ = false;
}

void FormWidget::setRegion(const std::vector<Rect> *spans) {
    outline = QRegion();
    if (spans && spans->empty()) {
        // Nothing of it shows: gone at once.
        QWidget::hide();
    } else if (spans) {
        std::vector<QRect> rects;
        for (const Rect &r : *spans) rects.emplace_back(r.x, r.y, r.w, r.h);
        outline.setRects(rects.data(), int(rects.size()));
        setMask(outline);
    } else {
        clearMask();
    }
    QWidget::update();
}

int FormWidget::popupMenu(const std::vector<String> &captions) {
    QMenu m(this);
    std::vector<QAction *> actions;
    for (const String &c : captions) actions.push_back(c == "-" ? m.addSeparator() : m.addAction(qstr(c)));
    const QAction *chosen = m.exec(QCursor::pos());
    for (std::size_t i = 0; i < actions.size(); ++i)
        if (chosen && actions[i] == chosen) return int(i);
    return -1;
}

void FormWidget::startSystemMove() {
    if (QWindow *w = windowHandle()) w->startSystemMove();
}

void FormWidget::paintEvent(QPaintEvent *e) {
    QPainter p(this);
    p.setClipRegion(e->region());
    if (translucent(this) && !outline.isEmpty()) {
        // A translucent window: what lies outside the outline stays unpainted.
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.fillRect(rect(), Qt::transparent);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setClipRegion(outline);
    }
    const int s = Screen::scale();
    const Surface &frame = form.frame(s);
    QImage img(reinterpret_cast<const uchar *>(frame.row(0)), frame.width(), frame.height(), qsizetype(frame.width()) * 4,
               QImage::Format_RGB32);
    img.setDevicePixelRatio(s);
    p.drawImage(0, 0, img);
}

void FormWidget::resizeEvent(QResizeEvent *e) {
    QWidget::resizeEvent(e);
    if (applying_) return;
    Event ev;
    ev.type = Event::Resized, ev.width = width(), ev.height = height();
    form.handle(ev);
}

void FormWidget::moveEvent(QMoveEvent *e) {
    QWidget::moveEvent(e);
    if (applying_) return;
    Event ev;
    ev.type = Event::Moved, ev.x = x(), ev.y = y();
    form.handle(ev);
}

void FormWidget::changeEvent(QEvent *e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange && !applying_) {
        const Qt::WindowStates s = windowState();
        Event ev;
        ev.type = Event::StateChanged;
        ev.state = s & Qt::WindowMinimized ? vbMinimized : s & Qt::WindowMaximized ? vbMaximized : vbNormal;
        form.handle(ev);
    }
}

void FormWidget::closeEvent(QCloseEvent *e) {
    // The window manager's close: the window decides through its unload handlers.
    e->ignore();
    Event ev;
    ev.type = Event::Close;
    form.handle(ev);
}

void FormWidget::mousePressEvent(QMouseEvent *e) { handMouse(form, e, Event::PointerDown); }
void FormWidget::mouseMoveEvent(QMouseEvent *e) { handMouse(form, e, Event::PointerMove); }
void FormWidget::mouseReleaseEvent(QMouseEvent *e) { handMouse(form, e, Event::PointerUp); }
void FormWidget::mouseDoubleClickEvent(QMouseEvent *e) { handMouse(form, e, Event::DoubleClick); }

bool FormWidget::event(QEvent *e) {
    // The tool tip of the picture box or label the toolkit finds under the pointer.
    if (e->type() != QEvent::ToolTip) return QWidget::event(e);
    const QPoint at = static_cast<QHelpEvent *>(e)->pos() - QPoint(form.framePx(), form.framePx());
    const Control *c = form.controlAt(at.x(), at.y());
    if (c && !c->def().toolTip.empty()) QToolTip::showText(static_cast<QHelpEvent *>(e)->globalPos(), qstr(c->def().toolTip), this);
    else QToolTip::hideText();
    return true;
}

// ---------------------------------------------------------------- lists and text boxes

void FieldWidget::setFocus(bool inside) {
    QWidget *w = widget();
    if (inside) w->setFocus(Qt::OtherFocusReason);
    else if (w->hasFocus()) w->window()->setFocus(Qt::OtherFocusReason);
}

bool FieldWidget::placeAndShow(const FieldState &state) {
    QWidget *w = widget();
    if (first_ || state.place != shown_.place) w->setGeometry(state.place.x, state.place.y, state.place.w, state.place.h);
    if (first_ || state.visible != shown_.visible) w->setVisible(state.visible);
    const bool fresh = first_;
    first_ = false;
    return fresh;
}

TextWidget::TextWidget(TextBox &b, QWidget *parent, bool readOnly) : QLineEdit(parent), FieldWidget(b), box(b) {
    setFrame(true);
    setTextMargins(0, 0, 0, 0);
    setReadOnly(readOnly);
    connect(this, &QLineEdit::textEdited, this, [this](const QString &t) {
        Event ev;
        ev.type = Event::Edited, ev.control = &box, ev.text = ustr(t);
        box.form().handle(ev);
    });
}

void TextWidget::sync(const FieldState &state) {
    const bool fresh = placeAndShow(state);
    if (!(state.font == shown_.font) && !(state.font == FontDef{})) QLineEdit::setFont(fontFor(state.font));
    if (fresh || state.text != shown_.text) {
        QLineEdit::setText(qstr(state.text));
        setCursorPosition(0);
    }
    shown_ = state;
}

// ---------------------------------------------------------------- list boxes

namespace {
// Rows as high as the platform's list boxes draw them, whatever the font, and
// the focus mark of the platform: a dotted rectangle around the current row,
// white on the selection, black elsewhere.
class RowDelegate : public QStyledItemDelegate {
public:
    RowDelegate(QObject *parent, int rowHeight) : QStyledItemDelegate(parent), rowHeight_(rowHeight) {}

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(rowHeight_);
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

private:
    int rowHeight_;
};
} // namespace

ListWidget::ListWidget(ListBox &b, QWidget *parent, int rowHeight) : QListWidget(parent), FieldWidget(b), box(b) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setItemDelegate(new RowDelegate(this, rowHeight));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The platform's sunken two-pixel border: six rows fit inside it.
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    // The pointer over the border belongs to the list box, not to the window behind it.
    setAttribute(Qt::WA_NoMousePropagation);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (updating_) return;
        Event ev;
        ev.type = Event::Selected, ev.control = &box, ev.row = row;
        box.form().handle(ev);
    });
    // After a click the view selects the row clicked, also when the click
    // handler moved the list elsewhere: what the list shows follows its index.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        // The selection changes before the current row: a move still under
        // way is left alone.
        if (updating_ || currentRow() != box.ListIndex()) return;
        const QList<QListWidgetItem *> sel = selectedItems();
        const int index = box.ListIndex();
        if (index < 0 ? sel.isEmpty() : sel.size() == 1 && row(sel.first()) == index) return;
        updating_ = true;
        setCurrentRow(index);
        if (index < 0) clearSelection();
        updating_ = false;
    });
}

void ListWidget::focusInEvent(QFocusEvent *e) {
    QListWidget::focusInEvent(e);
    // The keyboard came: once the list is told of, a screen reader is told
    // of the row chosen, as when it moves.
    QMetaObject::invokeMethod(this, [this] {
        if (!hasFocus() || currentRow() < 0 || !QAccessible::isActive()) return;
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(currentRow());
        QAccessible::updateAccessibility(&focus);
    }, Qt::QueuedConnection);
}

void ListWidget::sync(const FieldState &state) {
    placeAndShow(state);
    updating_ = true;
    if (state.items != shown_.items) {
        const int kept = itemsKept(shown_.items, state.items);
        if (kept < 0) clear();
        for (std::size_t i = std::size_t(std::max(kept, 0)); i < state.items.size(); ++i) QListWidget::addItem(qstr(state.items[i]));
    }
    if (currentRow() != state.current) {
        setCurrentRow(state.current);
        if (state.current < 0) clearSelection();
    }
    updating_ = false;
    shown_ = state;
}

// ---------------------------------------------------------------- keys, focus, activation

namespace {

// A key as the toolkit knows it.
Event keyOf(const QKeyEvent *e) {
    Event k;
    k.type = Event::Key;
    k.modifiers = modifiersOf(e->modifiers());
    k.repeat = e->isAutoRepeat();
    switch (e->key()) {
    case Qt::Key_Backtab: k.key = Key::Tab, k.modifiers |= Event::ShiftKey; break;
    case Qt::Key_Tab: k.key = Key::Tab; break;
    case Qt::Key_Return:
    case Qt::Key_Enter: k.key = Key::Enter; break;
    case Qt::Key_Escape: k.key = Key::Escape; break;
    case Qt::Key_Space: k.key = Key::Space; break;
    case Qt::Key_Up: k.key = Key::Up; break;
    case Qt::Key_Down: k.key = Key::Down; break;
    case Qt::Key_PageUp: k.key = Key::PageUp; break;
    case Qt::Key_PageDown: k.key = Key::PageDown; break;
    case Qt::Key_Home: k.key = Key::Home; break;
    case Qt::Key_End: k.key = Key::End; break;
    default: {
        const QList<uint> text = e->text().toUcs4();
        if (!text.isEmpty() && text.first() >= 0x20) k.letter = char32_t(text.first());
        else if (e->key() >= 0x20 && e->key() < 0x01000000) k.letter = char32_t(e->key());
        break;
    }
    }
    return k;
}

class InputRouter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *object, QEvent *event) override {
        switch (event->type()) {
        case QEvent::KeyPress: {
            auto *w = qobject_cast<QWidget *>(object);
            auto *form = w ? dynamic_cast<FormWidget *>(w->window()) : nullptr;
            return form && form->form.handle(keyOf(static_cast<QKeyEvent *>(event)));
        }
        case QEvent::FocusIn:
            if (auto *c = dynamic_cast<FieldWidget *>(object)) {
                Event ev;
                ev.type = Event::FieldFocused, ev.control = &c->control;
                c->control.form().handle(ev);
            }
            return false;
        case QEvent::WindowActivate:
            if (auto *f = dynamic_cast<FormWidget *>(object)) {
                Event ev;
                ev.type = Event::Activated;
                f->form.handle(ev);
            }
            return false;
        default:
            return false;
        }
    }
};

} // namespace

void installInputRouting() {
    qApp->installEventFilter(new InputRouter(qApp));
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, qApp,
                     [] { Form::freeUnloaded(); });
}

// ---------------------------------------------------------------- the backend's windows and controls

std::unique_ptr<NativeWindow> QtBackend::createWindow(Form &form, const WindowInfo &info) {
    return std::make_unique<FormWidget>(form, info);
}

std::unique_ptr<NativeField> QtBackend::createField(Control &c, const FieldInfo &info) {
    auto *parent = dynamic_cast<QWidget *>(&c.form().native());
    std::unique_ptr<FieldWidget> made;
    if (auto *t = dynamic_cast<TextBox *>(&c)) made = std::make_unique<TextWidget>(*t, parent, info.readOnly);
    else made = std::make_unique<ListWidget>(dynamic_cast<ListBox &>(c), parent, info.rowHeight);
    QWidget *w = made->widget();
    w->setMouseTracking(true);
    w->setObjectName(qstr(info.objectName));
    if (!info.toolTip.empty()) w->setToolTip(qstr(info.toolTip));
    // The keyboard reaches a field when the toolkit sends it, or by a click.
    w->setFocusPolicy(Qt::ClickFocus);
    // Qt's own lists and fields tell the screen reader the name they carry.
    w->setAccessibleName(qstr(info.accessibleName));
    return made;
}

} // namespace ui
