#include "form.h"

#include "image.h"
#include "app_p.h"
#include "picture.h"
#include "testing_p.h"
#include "units.h"
#include "widgets_p.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QFile>
#include <QIcon>
#include <QPixmap>
#include <QGuiApplication>
#include <QMenu>
#include <QRegularExpression>
#include <QScreen>
#include <QShortcut>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace ui {

MenuItem &Menu::item(const QString &name) {
    for (auto &i : items)
        if (i.Name == name) return i;
    throw std::out_of_range("no menu item " + name.toStdString());
}

namespace {
int roundPx(double v) { return int(std::floor(v + 0.5)); }

// Magenta in a window's picture marks pixels that are not part of it (the
// corners outside a rounded outline): they show the window's back colour.
QImage withoutColourKey(QImage img, const QColor &back) {
    const QRgb key = qRgb(255, 0, 255), fill = back.rgb();
    for (int y = 0; y < img.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((row[x] & 0xFFFFFF) == (key & 0xFFFFFF)) row[x] = fill;
    }
    return img;
}

// Holds a window that has been unloaded until the event being handled is done.
class Graveyard : public QObject {
public:
    explicit Graveyard(std::unique_ptr<Form> f) : form(std::move(f)) {}
    std::unique_ptr<Form> form;
};
} // namespace

void deleteLater(std::unique_ptr<Form> form) {
    if (!form) return;
    (new Graveyard(std::move(form)))->deleteLater();
}

Form::Form(const FormDef &def) : def_(def), back_(def.backColor == colorUnset ? rgb(224, 224, 224) : def.backColor) {
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
    if (!def.showInTaskbar) flags = Qt::Dialog | Qt::FramelessWindowHint;
    widget_ = new FormWidget(this, nullptr, flags);
    widget_->setObjectName(def.name);
    // Where the outline cannot be a window shape (Wayland), the window is
    // translucent and the pixels outside the outline are left unpainted.
    if (detail::onWayland()) widget_->setAttribute(Qt::WA_TranslucentBackground);
    widget_->setFont(defaultFont());
    QPalette pal = widget_->palette();
    pal.setColor(QPalette::Window, qcolor(back_));
    widget_->setPalette(pal);
    if (!def.icon.isEmpty()) {
        // The window's icon: the 32 x 32 image of the program's icon file.
        QFile f(def.icon);
        const QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        if (const auto img = decodeIco(std::span(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                                 std::size_t(bytes.size())), 32))
            widget_->setWindowIcon(QIcon(QPixmap::fromImage(toQImage(*img))));
    }
    const int fw = def.frameWidth;
    widthTw_ = (def.clientWidth / Screen::TwipsPerPixelX() + 2 * fw) * Screen::TwipsPerPixelX();
    heightTw_ = (def.clientHeight / Screen::TwipsPerPixelY() + 2 * fw) * Screen::TwipsPerPixelY();
    applyPxSize(roundPx(widthTw_ / Screen::TwipsPerPixelX()), roundPx(heightTw_ / Screen::TwipsPerPixelY()));
    if (!def.picture.isEmpty()) {
        const QImage pic = readBitmap(def.picture);
        widget_->background = withoutColourKey(pic, qcolor(back_));
        QString hiPath = def.picture;
        hiPath.replace(QRegularExpression(QStringLiteral("\\.[a-z]+$")), QStringLiteral("@2x.png"));
        const QImage hi = qApp->devicePixelRatio() >= 1.5 ? QImage(hiPath) : QImage();
        if (!hi.isNull() && hi.size() == pic.size() * 2)
            widget_->background2x = withoutColourKey(hi.convertToFormat(QImage::Format_RGB32), qcolor(back_));
    }
    build();
    buildMenus();
}

Form::~Form() {
    controls_.clear();
    delete widget_;
}

QWidget *Form::widget() const { return widget_; }

void Form::build() {
    // Containers come after their children in the table; create every
    // control once its container exists.
    std::vector<const ControlDef *> pending;
    for (const auto &c : def_.controls) pending.push_back(&c);
    while (!pending.empty()) {
        const std::size_t before = pending.size();
        for (auto it = pending.begin(); it != pending.end();) {
            const ControlDef &d = **it;
            Control *container = nullptr;
            if (!d.container.isEmpty() && d.container != def_.name) {
                // An array member lies in the container element of its own index.
                container = find(d.container);
                if (!container && d.index >= 0) container = find(d.container, d.index);
                if (!container) {
                    ++it;
                    continue;
                }
            }
            std::unique_ptr<Control> c;
            switch (d.kind) {
            case Kind::PictureBox: c = std::make_unique<PictureBox>(*this, container, d); break;
            case Kind::Label: c = std::make_unique<Label>(*this, container, d); break;
            case Kind::TextBox: c = std::make_unique<TextBox>(*this, container, d); break;
            case Kind::ListBox: c = std::make_unique<ListBox>(*this, container, d); break;
            }
            controls_.push_back(std::move(c));
            it = pending.erase(it);
        }
        if (pending.size() == before) throw std::logic_error("layout names a container that does not exist");
    }
    // Stacking: earlier entries of the table lie above later ones.
    for (auto it = def_.controls.rbegin(); it != def_.controls.rend(); ++it)
        if (auto *c = find(it->name, it->index)) c->widget()->raise();
    // Enter and Escape click the window's default and cancel buttons.
    for (const auto &[name, keys] : {std::pair{def_.defaultButton, std::vector<int>{Qt::Key_Return, Qt::Key_Enter}},
                                     std::pair{def_.cancelButton, std::vector<int>{Qt::Key_Escape}}}) {
        Control *c = name.isEmpty() ? nullptr : find(name);
        for (int key : keys) {
            if (!c) break;
            auto *sc = new QShortcut(QKeySequence(key), widget_);
            sc->setContext(Qt::WindowShortcut);
            QObject::connect(sc, &QShortcut::activated, widget_, [c] {
                if (c->Click) c->Click();
            });
        }
    }
    // Access keys of labels click them.
    for (auto &c : controls_) {
        if (auto *l = dynamic_cast<Label *>(c.get())) {
            const QKeySequence key = QKeySequence::mnemonic(l->Caption());
            if (key.isEmpty()) continue;
            auto *sc = new QShortcut(key, widget_);
            sc->setContext(Qt::WindowShortcut);
            QObject::connect(sc, &QShortcut::activated, widget_, [l] {
                if (l->Click) l->Click();
            });
        }
    }
}

void Form::buildMenus() {
    Menu *current = nullptr;
    for (const auto &m : def_.menus) {
        if (m.level == 0) {
            current = &menus_[m.name];
            current->Name = m.name;
            continue;
        }
        if (!current) continue;
        current->items.push_back(MenuItem{m.name, m.caption, m.caption == QStringLiteral("-"), {}});
    }
}

void Form::applyTabOrder() {
    std::vector<Control *> order;
    for (auto &c : controls_)
        if (c->widget()->focusPolicy() != Qt::NoFocus) order.push_back(c.get());
    std::stable_sort(order.begin(), order.end(), [](Control *a, Control *b) { return a->TabIndex() < b->TabIndex(); });
    for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1]->widget(), order[i]->widget());
    // The window starts with the focus on the first control of the tab order.
    if (!order.empty()) order.front()->widget()->setFocus(Qt::OtherFocusReason);
}

Control *Form::find(const QString &name, int index) const {
    for (auto &c : controls_)
        if (c->Name() == name && c->Index() == index) return c.get();
    return nullptr;
}

template <class T> static T &need(Control *c, const QString &name) {
    auto *t = dynamic_cast<T *>(c);
    if (!t) throw std::out_of_range("no control " + name.toStdString());
    return *t;
}
PictureBox &Form::pictureBox(const QString &name, int index) { return need<PictureBox>(find(name, index), name); }
Label &Form::label(const QString &name, int index) { return need<Label>(find(name, index), name); }
TextBox &Form::textBox(const QString &name, int index) { return need<TextBox>(find(name, index), name); }
ListBox &Form::listBox(const QString &name, int index) { return need<ListBox>(find(name, index), name); }

Menu &Form::menu(const QString &name) {
    auto it = menus_.find(name);
    if (it == menus_.end()) throw std::out_of_range("no menu " + name.toStdString());
    return it->second;
}

// ---------------------------------------------------------------- life cycle

void Form::Load() {
    if (loaded_) return;
    loaded_ = true;
    unloaded_ = false;
    ++loadCount_;
    Form_Load();
}

void Form::placeAtStart(Form *owner) {
    const int w = widget_->width(), h = widget_->height();
    QRect area;
    if (def_.startUp == StartUpPosition::CenterOwner && owner) {
        area = owner->widget()->frameGeometry();
    } else if (def_.startUp != StartUpPosition::Manual) {
        QScreen *s = QGuiApplication::primaryScreen();
        area = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    } else {
        return;
    }
    const int x = area.x() + (area.width() - w) / 2, y = area.y() + (area.height() - h) / 2;
    leftTw_ = x * Screen::TwipsPerPixelX();
    topTw_ = y * Screen::TwipsPerPixelY();
    widget_->applying = true;
    widget_->move(x, y);
    widget_->applying = false;
}

void Form::Show(int modal, Form *owner) {
    if (!loaded_) Load();
    if (unloaded_) return;
    if (!everShown_) {
        everShown_ = true;
        owner_ = owner;
        if (owner) {
            // An owned window stays above its owner and has no taskbar button.
            const Qt::WindowFlags f = widget_->windowFlags();
            widget_->setParent(owner->widget(), f);
        }
        placeAtStart(owner);
        applyTabOrder();
        // The docked strips lay themselves out, then the window's resize handler runs.
        layoutDocked(true);
        Form_Resize();
        if (unloaded_) return;
    }
    if (modal == vbModal) {
        widget_->setWindowModality(Qt::ApplicationModal);
        ++modalDepth_;
        if (auto &hook = testing::modalHook()) {
            widget_->show();
            hook(*this);
        } else {
            QEventLoop loop;
            endModal_ = [&loop] { loop.quit(); };
            widget_->show();
            widget_->activateWindow();
            loop.exec(QEventLoop::DialogExec);
            endModal_ = nullptr;
        }
        --modalDepth_;
        return;
    }
    widget_->show();
}

void Form::Hide() { widget_->hide(); }

bool Form::isShown() const { return widget_->isVisible(); }

void Form::Unload(std::int16_t unloadMode) {
    if (!loaded_) return;
    std::int16_t cancel = 0;
    Form_QueryUnload(cancel, unloadMode);
    if (cancel) return;
    loaded_ = false;
    unloaded_ = true;
    // The window's global reference lets go of it: the next use makes a new one.
    if (auto dropped = std::move(onUnloaded_)) dropped();
    // Hidden while still modal, so that the windows it blocked take input again.
    widget_->hide();
    widget_->setWindowModality(Qt::NonModal);
    if (endModal_) endModal_();
}

void Form::systemClose() { Unload(0); }

// ---------------------------------------------------------------- properties

void Form::setCaption(const QString &text) {
    caption_ = text;
    widget_->setWindowTitle(text);
}

float Form::Left() const { return float(leftTw_); }
float Form::Top() const { return float(topTw_); }
float Form::Width() const { return float(widthTw_); }
float Form::Height() const { return float(heightTw_); }

void Form::setLeft(float twips) {
    leftTw_ = twips;
    widget_->applying = true;
    widget_->move(roundPx(leftTw_ / Screen::TwipsPerPixelX()), widget_->y());
    widget_->applying = false;
}

void Form::setTop(float twips) {
    topTw_ = twips;
    widget_->applying = true;
    widget_->move(widget_->x(), roundPx(topTw_ / Screen::TwipsPerPixelY()));
    widget_->applying = false;
}

void Form::applyPxSize(int w, int h) {
    widget_->applying = true;
    // The windows have no sizing border: their size hints allow this size
    // and no other, so a window manager offers neither resizing nor
    // maximising (and a tiling one lets them float).
    widget_->setFixedSize(std::max(1, w), std::max(1, h));
    widget_->applying = false;
}

void Form::setWidth(float twips) {
    if (twips == widthTw_) return;
    widthTw_ = twips;
    applyPxSize(roundPx(widthTw_ / Screen::TwipsPerPixelX()), roundPx(heightTw_ / Screen::TwipsPerPixelY()));
    layoutDocked(false);
    Form_Resize();
}

void Form::setHeight(float twips) {
    if (twips == heightTw_) return;
    heightTw_ = twips;
    applyPxSize(roundPx(widthTw_ / Screen::TwipsPerPixelX()), roundPx(heightTw_ / Screen::TwipsPerPixelY()));
    layoutDocked(false);
    Form_Resize();
}

void Form::setWindowState(std::int16_t state) {
    if (state < vbNormal || state > vbMaximized || state == state_) return;
    state_ = state;
    widget_->applying = true;
    if (everShown_ && widget_->isVisible()) {
        if (state == vbMinimized) widget_->showMinimized();
        else if (state == vbMaximized) widget_->showMaximized();
        else widget_->showNormal();
    } else {
        widget_->setWindowState(state == vbMinimized ? Qt::WindowMinimized : state == vbMaximized ? Qt::WindowMaximized : Qt::WindowNoState);
    }
    widget_->applying = false;
    Form_Resize();
}

void Form::systemStateChanged(std::int16_t state) {
    if (state == state_ || widget_->applying) return;
    state_ = state;
    Form_Resize();
}

void Form::systemResized(int pxW, int pxH) {
    if (pxW == roundPx(widthTw_ / Screen::TwipsPerPixelX()) && pxH == roundPx(heightTw_ / Screen::TwipsPerPixelY())) return;
    if (state_ == vbMinimized) return;
    widthTw_ = pxW * Screen::TwipsPerPixelX();
    heightTw_ = pxH * Screen::TwipsPerPixelY();
    layoutDocked(false);
    if (everShown_) Form_Resize();
}

void Form::systemMoved(int pxX, int pxY) {
    if (pxX != roundPx(leftTw_ / Screen::TwipsPerPixelX())) leftTw_ = pxX * Screen::TwipsPerPixelX();
    if (pxY != roundPx(topTw_ / Screen::TwipsPerPixelY())) topTw_ = pxY * Screen::TwipsPerPixelY();
}

float Form::ScaleWidth() const { return float(roundPx(widthTw_ / Screen::TwipsPerPixelX()) - 2 * def_.frameWidth); }
float Form::ScaleHeight() const { return float(roundPx(heightTw_ / Screen::TwipsPerPixelY()) - 2 * def_.frameWidth); }

void Form::layoutDocked(bool raiseAll) {
    const double W = ScaleWidth(), H = ScaleHeight();
    double top = 0, bottom = 0;
    std::vector<PictureBox *> docked;
    for (auto &c : controls_)
        if (auto *p = dynamic_cast<PictureBox *>(c.get()); p && !p->container() && p->alignment() != Align::None) docked.push_back(p);
    for (auto *p : docked)
        if (p->alignment() == Align::Top) top = p->pxHeight();
        else if (p->alignment() == Align::Bottom) bottom = p->pxHeight();
    struct Change { PictureBox *box; bool sized; };
    std::vector<Change> changes;
    for (auto *p : docked) {
        double x = p->pxLeft(), y = p->pxTop(), w = p->pxWidth(), h = p->pxHeight();
        switch (p->alignment()) {
        case Align::Top: x = 0, y = 0, w = W; break;
        case Align::Bottom: x = 0, y = H - h, w = W; break;
        case Align::Left: x = 0, y = top, h = std::max(0.0, H - top - bottom); break;
        case Align::Right: x = W - w, y = top, h = std::max(0.0, H - top - bottom); break;
        case Align::None: break;
        }
        const bool sized = roundPx(w) != roundPx(p->pxWidth()) || roundPx(h) != roundPx(p->pxHeight());
        // Move without raising; the resize events follow once all strips are placed.
        auto saved = std::move(p->Resize);
        p->setPxGeometry(x, y, w, h);
        p->Resize = std::move(saved);
        changes.push_back({p, sized});
    }
    for (auto &c : changes)
        if ((c.sized || raiseAll) && c.box->Resize) c.box->Resize();
}

// ---------------------------------------------------------------- region, menu, mouse

void Form::applyRegion(const QRegion &region, bool redraw) {
    region_ = region;
    hasRegion_ = !region.isEmpty();
    if (hasRegion_) widget_->setMask(region);
    else widget_->clearMask();
    if (redraw) widget_->update();
}

void Form::PopupMenu(Menu &menu) {
    int chosen = -1;
    if (auto &hook = testing::popupHook()) {
        chosen = hook(menu);
    } else {
        QMenu m(widget_);
        m.setObjectName(menu.Name);
        std::vector<QAction *> actions;
        for (auto &item : menu.items) actions.push_back(item.separator ? m.addSeparator() : m.addAction(item.Caption));
        QAction *a = m.exec(QCursor::pos());
        for (std::size_t i = 0; i < actions.size(); ++i)
            if (a && actions[i] == a) chosen = int(i);
    }
    if (chosen >= 0 && chosen < int(menu.items.size()) && !menu.items[std::size_t(chosen)].separator) {
        auto click = menu.items[std::size_t(chosen)].Click; // the item may go with its window
        if (click) click();
    }
}

void Form::formMouse(int kind, std::int16_t button, std::int16_t shift, float x, float y) {
    switch (kind) {
    case 0: Form_MouseDown(button, shift, x, y); break;
    case 1: Form_MouseMove(button, shift, x, y); break;
    case 2: Form_MouseUp(button, shift, x, y); break;
    }
}

bool Form::movesThroughSystem() const { return detail::onWayland(); }

void Form::startSystemMove() {
    if (QWindow *w = widget_->windowHandle()) w->startSystemMove();
}

QImage Form::grab() const { return widget_->grab().toImage(); }

} // namespace ui
