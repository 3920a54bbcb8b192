// The windows and controls on Qt Widgets.
#include "backend_qt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QEventLoop>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QWindow>

namespace ui {

QColor qcolor(Color c) { return QColor(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF)); }
QString qstr(const String &s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
String ustr(const QString &s) { return s.toStdString(); }

QImage imageOf(Surface &s) {
    if (s.height() == 0) return QImage();
    const qsizetype line = s.height() > 1 ? reinterpret_cast<const uchar *>(s.row(1)) - reinterpret_cast<const uchar *>(s.row(0)) : s.width() * 4;
    return QImage(reinterpret_cast<const uchar *>(s.row(0)), s.width(), s.height(), line, QImage::Format_RGB32);
}

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

MouseEvent mouseEvent(QMouseEvent *e, MouseEvent::Kind kind, QPointF offset = {}) {
    e->accept();
    const QPointF p = e->position() - offset;
    return MouseEvent{kind, buttonsCode(e->button()), buttonsCode(e->buttons()), shiftCode(e->modifiers()), p.x(), p.y()};
}

bool translucent(const QWidget *w) { return w->window()->testAttribute(Qt::WA_TranslucentBackground); }

// On a translucent window (Wayland, where there is no window shape) nothing
// outside the outline is painted.
void clipToOutline(QPainter &p, QWidget *w) {
    auto *form = dynamic_cast<FormWidget *>(w->window());
    if (form && translucent(w) && !form->outline.isEmpty())
        p.setClipRegion(form->outline.translated(-w->mapTo(form, QPoint(0, 0))));
}

QImage toQImage(const Image &img) {
    QImage out(img.width, img.height, QImage::Format_RGB32);
    for (int y = 0; y < img.height; ++y)
        std::copy_n(&img.px[std::size_t(y) * std::size_t(img.width)], img.width, reinterpret_cast<QRgb *>(out.scanLine(y)));
    return out;
}

} // namespace

// ---------------------------------------------------------------- the window

FormWidget::FormWidget(Form &f)
    : QWidget(nullptr, (f.def().showInTaskbar ? Qt::Window : Qt::Dialog) | Qt::FramelessWindowHint), form(f) {
    setObjectName(qstr(f.Name()));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Where the outline cannot be a window shape (Wayland), the window is
    // translucent and the pixels outside the outline are left unpainted.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        setAttribute(Qt::WA_TranslucentBackground);
    setFont(defaultFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, qcolor(f.BackColor()));
    setPalette(pal);
    if (f.def().icon) {
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
    if (findChildren<QShortcut *>(QStringLiteral("lunivarKey")).isEmpty()) {
        // Enter and Escape click the window's default and cancel buttons.
        for (const auto &[name, keys] : {std::pair{form.def().defaultButton, QList<int>{Qt::Key_Return, Qt::Key_Enter}},
                                         std::pair{form.def().cancelButton, QList<int>{Qt::Key_Escape}}}) {
            Control *c = name.empty() ? nullptr : form.find(name);
            for (int key : keys) {
                if (!c) break;
                auto *sc = new QShortcut(QKeySequence(key), this);
                sc->setObjectName(QStringLiteral("lunivarKey"));
                connect(sc, &QShortcut::activated, this, [c] { c->nativePress(); });
            }
        }
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

void FormWidget::setRegion(const Region *region, bool redraw) {
    outline = QRegion();
    if (region) {
        std::vector<QRect> rects;
        for (const Rect &r : region->rects) rects.emplace_back(r.x, r.y, r.w, r.h);
        outline.setRects(rects.data(), int(rects.size()));
        setMask(outline);
    } else {
        clearMask();
    }
    if (redraw) QWidget::update();
}

void FormWidget::setTabOrder(const std::vector<Control *> &order) {
    auto widget = [](Control *c) { return dynamic_cast<QWidget *>(&c->native()); };
    for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(widget(order[i - 1]), widget(order[i]));
    // The window starts with the focus on the first control of the tab order.
    if (!order.empty()) widget(order.front())->setFocus(Qt::OtherFocusReason);
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

void FormWidget::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const int fw = form.framePx();
    if (translucent(this) && !outline.isEmpty()) {
        // A translucent window: what lies outside the outline stays unpainted.
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.fillRect(rect(), Qt::transparent);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setClipRegion(outline);
    }
    p.fillRect(rect(), qcolor(form.BackColor()));
    const Image &pic = form.picture();
    if (!pic.empty()) {
        const int scale = Backend::current().pictureScale();
        p.drawImage(QRect(fw, fw, pic.width / scale, pic.height / scale), toQImage(pic));
    }
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

void FormWidget::mousePressEvent(QMouseEvent *e) { form.nativeMouse(mouseEvent(e, MouseEvent::Down)); }
void FormWidget::mouseMoveEvent(QMouseEvent *e) { form.nativeMouse(mouseEvent(e, MouseEvent::Move)); }
void FormWidget::mouseReleaseEvent(QMouseEvent *e) { form.nativeMouse(mouseEvent(e, MouseEvent::Up)); }

// ---------------------------------------------------------------- picture boxes and labels

namespace {
QWidget *parentWidget(Control &c) {
    return c.container() ? dynamic_cast<QWidget *>(&c.container()->native()) : dynamic_cast<QWidget *>(&c.form().native());
}

void setUp(QWidget *w, Control &c) {
    const ControlDef &d = c.def();
    w->setMouseTracking(true);
    w->setObjectName(qstr(d.index >= 0 ? d.name + "(" + std::to_string(d.index) + ")" : d.name));
    if (!d.toolTip.empty()) w->setToolTip(qstr(d.toolTip));
    if (!d.accessibleName.empty()) w->setAccessibleName(qstr(d.accessibleName));
    else if (!d.toolTip.empty()) w->setAccessibleName(qstr(d.toolTip));
}
} // namespace

void PointerWidget::mousePressEvent(QMouseEvent *e) { control.nativeMouse(mouseEvent(e, MouseEvent::Down)); }
void PointerWidget::mouseMoveEvent(QMouseEvent *e) { control.nativeMouse(mouseEvent(e, MouseEvent::Move)); }
void PointerWidget::mouseReleaseEvent(QMouseEvent *e) { control.nativeMouse(mouseEvent(e, MouseEvent::Up)); }
void PointerWidget::mouseDoubleClickEvent(QMouseEvent *e) { control.nativeMouse(mouseEvent(e, MouseEvent::DoubleClick)); }

PictureWidget::PictureWidget(PictureBox &b, QWidget *parent) : PointerWidget(b, parent), box(b) {
    setUp(this, b);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A push button is reached by Tab, not by a click: a click presses it
    // without leaving a focus mark.
    setFocusPolicy(b.def().pushButton && b.def().tabStop ? Qt::TabFocus : Qt::NoFocus);
}

void PictureWidget::paintEvent(QPaintEvent *) {
    QPainter p(this);
    clipToOutline(p, this);
    Surface *hi = box.surface2x();
    if (hi && devicePixelRatioF() >= 1.5) {
        QImage img = imageOf(*hi);
        img.setDevicePixelRatio(2);
        p.drawImage(0, 0, img);
    } else {
        p.drawImage(0, 0, imageOf(box.surface()));
    }
    if (hasFocus()) {
        // The focus mark: a dotted line inside the capsule, clear of its edge.
        p.setPen(QPen(QColor(60, 60, 60), 1, Qt::DotLine));
        p.drawRect(QRect(3, 3, width() - 7, height() - 7));
    }
}

void PictureWidget::keyPressEvent(QKeyEvent *e) {
    const int k = e->key();
    if (box.def().pushButton && (k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Space) && !e->isAutoRepeat()) {
        e->accept();
        box.nativePress();
        return;
    }
    QWidget::keyPressEvent(e);
}

LabelWidget::LabelWidget(Label &l, QWidget *parent) : PointerWidget(l, parent), label(l) {
    setUp(this, l);
    setFocusPolicy(Qt::NoFocus);
    setFont(fontFor(l.def().font));
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleName(qstr(l.displayText()));
    // The access key of the caption clicks the label.
    if (!l.accessKey().empty()) {
        auto *sc = new QShortcut(QKeySequence::mnemonic(qstr(l.Caption())), dynamic_cast<QWidget *>(&l.form().native()));
        sc->setContext(Qt::WindowShortcut);
        connect(sc, &QShortcut::activated, this, [this] { label.nativePress(); });
    }
}

void LabelWidget::setText(const String &) {
    setAccessibleName(qstr(label.displayText()));
    QWidget::update();
}

void LabelWidget::paintEvent(QPaintEvent *) {
    // Transparent: only the text is drawn, the access key underlined.
    QPainter p(this);
    p.setFont(font());
    p.setPen(qcolor(label.ForeColor()));
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextSingleLine, qstr(label.Caption()));
}

// ---------------------------------------------------------------- text boxes

TextWidget::TextWidget(TextBox &b, QWidget *parent) : Native(b, parent), box(b) {
    setUp(this, b);
    setFrame(true);
    setTextMargins(0, 0, 0, 0);
    setReadOnly(b.def().locked);
    const FontDef &def = b.def().font;
    font_ = fontFor(def);
    // A symbol font that is not installed: the layout names the face that
    // stands in for it and the characters its letters are shown as.
    if (!def.standIn.face.empty() && !def.face.empty() && !QFontDatabase::hasFamily(qstr(def.face))) {
        standIn_ = true;
        font_.setFamily(qstr(def.standIn.face));
    }
    connect(this, &QLineEdit::textEdited, this, [this](const QString &t) {
        if (!standIn_) box.nativeEdited(ustr(t));
    });
}

void TextWidget::setText(const String &text) {
    // An empty box draws no letter: its own font is only looked up when it
    // first shows some text (the start of the program is the faster).
    if (!text.empty() && font() != font_) setFont(font_);
    QString shown = qstr(text);
    if (standIn_) {
        const SymbolStandIn &s = box.def().font.standIn;
        QString mapped;
        for (char32_t c : shown.toUcs4()) {
            const char32_t out = c >= s.first && c <= s.last ? s.symbol + (c - s.first) : c;
            mapped += QString::fromUcs4(&out, 1);
        }
        shown = mapped;
    }
    QLineEdit::setText(shown);
    setCursorPosition(0);
}

// ---------------------------------------------------------------- list boxes

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

ListWidget::ListWidget(ListBox &b, QWidget *parent) : Native(b, parent), box(b) {
    setUp(this, b);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setItemDelegate(new RowDelegate(this));
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

// ---------------------------------------------------------------- the backend's windows and controls

std::unique_ptr<NativeWindow> QtBackend::createWindow(Form &form) { return std::make_unique<FormWidget>(form); }

std::unique_ptr<NativeControl> QtBackend::createControl(Control &c) {
    QWidget *parent = parentWidget(c);
    if (auto *p = dynamic_cast<PictureBox *>(&c)) return std::make_unique<PictureWidget>(*p, parent);
    if (auto *l = dynamic_cast<Label *>(&c)) return std::make_unique<LabelWidget>(*l, parent);
    if (auto *t = dynamic_cast<TextBox *>(&c)) return std::make_unique<TextWidget>(*t, parent);
    return std::make_unique<ListWidget>(dynamic_cast<ListBox &>(c), parent);
}

} // namespace ui
