// The windows and controls on Qt Widgets.
#include "backend_qt.h"

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

std::int16_t shiftCode(Qt::KeyboardModifiers m) {
    return std::int16_t((m & Qt::ShiftModifier ? vbShiftMask : 0) | (m & Qt::ControlModifier ? vbCtrlMask : 0) |
                        (m & Qt::AltModifier ? vbAltMask : 0));
}

std::int16_t buttonsCode(Qt::MouseButtons b) {
    return std::int16_t((b & Qt::LeftButton ? vbLeftButton : 0) | (b & Qt::RightButton ? vbRightButton : 0) |
                        (b & Qt::MiddleButton ? vbMiddleButton : 0));
}

MouseEvent mouseEvent(QMouseEvent *e, MouseEvent::Kind kind) {
    e->accept();
    const QPointF p = e->position();
    return MouseEvent{kind, buttonsCode(e->button()), buttonsCode(e->buttons()), shiftCode(e->modifiers()), p.x(), p.y()};
}

// The scale the toolkit paints at: its pictures are drawn for it.
int paintScale() { return Backend::current().pictureScale(); }

// Pixels of the toolkit as an image that paints at the widget's logical size.
QImage imageOf(const Pixels &px, int scale) {
    QImage img(reinterpret_cast<const uchar *>(px.first), px.width, px.height, qsizetype(px.stride) * 4,
               QImage::Format_RGB32);
    img.setDevicePixelRatio(scale);
    return img;
}

bool translucent(const QWidget *w) { return w->window()->testAttribute(Qt::WA_TranslucentBackground); }

// On a translucent window (Wayland, where there is no window shape) nothing
// outside the outline is painted.
void clipToOutline(QPainter &p, QWidget *w) {
    auto *form = dynamic_cast<FormWidget *>(w->window());
    if (form && translucent(w) && !form->outline.isEmpty())
        p.setClipRegion(form->outline.translated(-w->mapTo(form, QPoint(0, 0))));
}

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
        const Image icon = Backend::current().icon();
        QImage img(icon.width, icon.height, QImage::Format_ARGB32);
        for (int y = 0; y < icon.height; ++y)
            std::copy_n(&icon.px[std::size_t(y) * std::size_t(icon.width)], icon.width, reinterpret_cast<QRgb *>(img.scanLine(y)));
        if (!img.isNull()) setWindowIcon(QIcon(QPixmap::fromImage(img)));
    }
}

void FormWidget::setTitle(const String &title) { setWindowTitle(qstr(title)); }

void FormWidget::setSize(int width, int height) {
    // The windows have no sizing border: their size hints allow this size
    // and no other, so a window manager offers neither resizing nor
    // maximising (and a tiling one lets them float).
    applying_ = true;
    setFixedSize(width, height);
    applying_ = false;
}

void FormWidget::move(int x, int y) {
    applying_ = true;
    QWidget::move(x, y);
    applying_ = false;
}

Rect FormWidget::frame() const {
    const QRect r = frameGeometry();
    return Rect{r.x(), r.y(), r.width(), r.height()};
}

Rect FormWidget::screenArea() const {
    const QScreen *s = QGuiApplication::primaryScreen();
    const QRect r = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    return Rect{r.x(), r.y(), r.width(), r.height()};
}

void FormWidget::show(NativeWindow *owner, bool modal) {
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

void FormWidget::hide() {
    QWidget::hide();
    setWindowModality(Qt::NonModal);
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
    if (spans) {
        std::vector<QRect> rects;
        for (const Rect &r : *spans) rects.emplace_back(r.x, r.y, r.w, r.h);
        outline.setRects(rects.data(), int(rects.size()));
        setMask(outline);
    } else {
        clearMask();
    }
    QWidget::update();
}

void FormWidget::runModal() {
    QEventLoop loop;
    modalLoop_ = &loop;
    loop.exec(QEventLoop::DialogExec);
    modalLoop_ = nullptr;
}

void FormWidget::endModal() {
    if (modalLoop_) modalLoop_->quit();
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

bool FormWidget::movesThroughSystem() const { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

void FormWidget::startSystemMove() {
    if (QWindow *w = windowHandle()) w->startSystemMove();
}

void FormWidget::accessibleChanged(Control &c, AccessibleChange what) {
    // Qt tells of the keyboard and of the fields' texts itself.
    auto *w = dynamic_cast<QWidget *>(&c.native());
    if (!w || !QAccessible::isActive()) return;
    if (what == AccessibleChange::Description && c.hasFocus() && !form.announcement().empty()) {
        // What is announced is said as a notification: the screen reader
        // speaks it when it shows, wherever the keyboard is.
        if (!announcer) {
            announcer = new Announcer(this);
            announcer->setObjectName(QStringLiteral("announcer"));
            announcer->hide();
        }
        announcer->setAccessibleName(qstr(form.announcement()));
        QAccessibleEvent e(announcer, QAccessible::ObjectShow);
        QAccessible::updateAccessibility(&e);
    } else if (what == AccessibleChange::Name) {
        QAccessibleEvent e(w, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&e);
    }
}

void FormWidget::paintEvent(QPaintEvent *) {
    QPainter p(this);
    if (translucent(this) && !outline.isEmpty()) {
        // A translucent window: what lies outside the outline stays unpainted.
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.fillRect(rect(), Qt::transparent);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setClipRegion(outline);
    }
    const int s = paintScale();
    p.drawImage(0, 0, imageOf(form.image(s), s));
}

void FormWidget::resizeEvent(QResizeEvent *e) {
    QWidget::resizeEvent(e);
    if (!applying_) form.nativeResized(width(), height());
}

void FormWidget::moveEvent(QMoveEvent *e) {
    QWidget::moveEvent(e);
    if (!applying_) form.nativeMoved(x(), y());
}

void FormWidget::changeEvent(QEvent *e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange && !applying_) {
        const Qt::WindowStates s = windowState();
        form.nativeStateChanged(s & Qt::WindowMinimized ? vbMinimized : s & Qt::WindowMaximized ? vbMaximized : vbNormal);
    }
}

void FormWidget::closeEvent(QCloseEvent *e) {
    // The window manager's close: the window decides through its unload handlers.
    e->ignore();
    form.nativeClose();
}

void FormWidget::mousePressEvent(QMouseEvent *e) { form.nativePointer(mouseEvent(e, MouseEvent::Down)); }
void FormWidget::mouseMoveEvent(QMouseEvent *e) { form.nativePointer(mouseEvent(e, MouseEvent::Move)); }
void FormWidget::mouseReleaseEvent(QMouseEvent *e) { form.nativePointer(mouseEvent(e, MouseEvent::Up)); }
void FormWidget::mouseDoubleClickEvent(QMouseEvent *e) { form.nativePointer(mouseEvent(e, MouseEvent::DoubleClick)); }

bool FormWidget::event(QEvent *e) {
    // The tool tip of the picture box or label the toolkit finds under the pointer.
    if (e->type() != QEvent::ToolTip) return QWidget::event(e);
    const QPoint at = static_cast<QHelpEvent *>(e)->pos() - QPoint(form.framePx(), form.framePx());
    const Control *c = form.controlAt(at.x(), at.y());
    if (c && !c->def().toolTip.empty()) QToolTip::showText(static_cast<QHelpEvent *>(e)->globalPos(), qstr(c->def().toolTip), this);
    else QToolTip::hideText();
    return true;
}

// ---------------------------------------------------------------- picture boxes and labels

namespace {
QWidget *parentWidget(Control &c) {
    return c.container() ? dynamic_cast<QWidget *>(&c.container()->native()) : dynamic_cast<QWidget *>(&c.form().native());
}

void setUp(QWidget *w, const ControlInfo &info) {
    w->setMouseTracking(true);
    w->setObjectName(qstr(info.objectName));
    // The window shows its painted controls' tool tips.
    const bool painted = info.kind == Kind::PictureBox || info.kind == Kind::Label;
    if (!info.toolTip.empty() && !painted) w->setToolTip(qstr(info.toolTip));
    // The keyboard reaches a control when the toolkit sends it, or by a
    // click into a list or a field.
    w->setFocusPolicy(info.kind == Kind::ListBox || info.kind == Kind::TextBox ? Qt::ClickFocus : Qt::NoFocus);
}
} // namespace

PictureWidget::PictureWidget(PictureBox &b, QWidget *parent) : PaintedWidget(b, parent), box(b) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureWidget::paintEvent(QPaintEvent *) {
    QPainter p(this);
    clipToOutline(p, this);
    const Surface &shown = box.shown(paintScale());
    const int scale = width() > 0 && shown.width() >= 2 * width() ? 2 : 1;
    p.drawImage(0, 0, imageOf(shown.pixels(Rect{0, 0, shown.width(), shown.height()}), scale));
}

LabelWidget::LabelWidget(Label &l, QWidget *parent) : PaintedWidget(l, parent), label(l) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LabelWidget::paintEvent(QPaintEvent *) {
    // What lies under the label, then the captions it shows.
    QPainter p(this);
    clipToOutline(p, this);
    const int s = paintScale();
    const LabelDrawing d = label.drawing(s);
    if (d.under.first) p.drawImage(QPointF(d.under.x / double(s), d.under.y / double(s)), imageOf(d.under, s));
    for (const TextRun &t : d.texts) {
        p.setFont(fontFor(t.font));
        p.setPen(qcolor(t.color));
        p.drawText(QRect(t.x, t.y, 10000, 10000), Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextSingleLine,
                   qstr(t.caption));
    }
}

// ---------------------------------------------------------------- text boxes

TextWidget::TextWidget(TextBox &b, QWidget *parent, bool readOnly) : Native(b, parent), box(b) {
    setFrame(true);
    setTextMargins(0, 0, 0, 0);
    setReadOnly(readOnly);
    connect(this, &QLineEdit::textEdited, this, [this](const QString &t) { box.nativeEdited(ustr(t)); });
}

void TextWidget::setFont(const FontDef &font) { QLineEdit::setFont(fontFor(font)); }

void TextWidget::setText(const String &text) {
    QLineEdit::setText(qstr(text));
    setCursorPosition(0);
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

ListWidget::ListWidget(ListBox &b, QWidget *parent, int rowHeight) : Native(b, parent), box(b) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setItemDelegate(new RowDelegate(this, rowHeight));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The platform's sunken two-pixel border: six rows fit inside it.
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    // The pointer over the border belongs to the list box, not to the window behind it.
    setAttribute(Qt::WA_NoMousePropagation);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!updating_) box.nativeSelected(row);
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
        setCurrentItem(index);
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

void ListWidget::addItem(const String &item) {
    updating_ = true;
    QListWidget::addItem(qstr(item));
    if (box.ListIndex() < 0) setCurrentRow(-1);
    updating_ = false;
}

void ListWidget::setCurrentItem(int r) {
    updating_ = true;
    setCurrentRow(r);
    if (r < 0) clearSelection();
    updating_ = false;
}

// ---------------------------------------------------------------- keys, focus, activation

namespace {

// A key as the toolkit knows it.
KeyEvent keyOf(const QKeyEvent *e) {
    KeyEvent k;
    k.shift = shiftCode(e->modifiers());
    k.repeat = e->isAutoRepeat();
    switch (e->key()) {
    case Qt::Key_Backtab: k.key = Key::Tab, k.shift |= vbShiftMask; break;
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
            return form && form->form.nativeKey(keyOf(static_cast<QKeyEvent *>(event)));
        }
        case QEvent::FocusIn:
            if (auto *c = dynamic_cast<ControlWidget *>(object)) c->control.nativeFocusIn();
            return false;
        case QEvent::WindowActivate:
            if (auto *f = dynamic_cast<FormWidget *>(object)) f->form.nativeActivated();
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

std::unique_ptr<NativeControl> QtBackend::createControl(Control &c, const ControlInfo &info) {
    QWidget *parent = parentWidget(c);
    std::unique_ptr<NativeControl> made;
    QWidget *w = nullptr;
    if (auto *p = dynamic_cast<PictureBox *>(&c)) {
        auto *n = new PictureWidget(*p, parent);
        made.reset(n), w = n;
    } else if (auto *l = dynamic_cast<Label *>(&c)) {
        auto *n = new LabelWidget(*l, parent);
        made.reset(n), w = n;
    } else if (auto *t = dynamic_cast<TextBox *>(&c)) {
        auto *n = new TextWidget(*t, parent, info.readOnly);
        made.reset(n), w = n;
    } else {
        auto *n = new ListWidget(dynamic_cast<ListBox &>(c), parent, info.rowHeight);
        made.reset(n), w = n;
    }
    setUp(w, info);
    // Qt's own lists and fields tell the screen reader the name they carry.
    if (info.kind == Kind::ListBox || info.kind == Kind::TextBox) w->setAccessibleName(qstr(c.accessible().name));
    return made;
}

} // namespace ui
