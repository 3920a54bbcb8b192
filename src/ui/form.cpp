#include "form.h"

#include "picture.h"
#include "units.h"

#include <algorithm>
#include <stdexcept>

namespace ui {

MenuItem &Menu::item(const String &name) {
    for (auto &i : items)
        if (i.Name == name) return i;
    throw std::out_of_range("no menu item " + name);
}

namespace {
// The layout's picture on the back colour: magenta marks the pixels that are
// not part of it (the corners outside a rounded outline).
Image onBackColour(Image img, Color back) {
    for (std::uint32_t &px : img.px)
        if ((px & 0xFFFFFF) == 0xFF00FF) px = pixelOf(back);
    return img;
}
} // namespace

Form::Form(const FormDef &def)
    : def_(def), back_(def.backColor == colorUnset ? rgb(224, 224, 224) : def.backColor) {
    Backend &b = Backend::current();
    const int fw = def.frameWidth;
    widthTw_ = (def.clientWidth / Screen::TwipsPerPixelX() + 2 * fw) * Screen::TwipsPerPixelX();
    heightTw_ = (def.clientHeight / Screen::TwipsPerPixelY() + 2 * fw) * Screen::TwipsPerPixelY();
    if (!def.picture.empty()) picture_ = onBackColour(b.layoutPicture(def.picture, b.pictureScale()), back_);
    native_ = b.createWindow(*this);
    applySize();
    build();
    buildMenus();
}

Form::~Form() {
    // Children before their containers, then the window.
    while (!controls_.empty()) controls_.pop_back();
    native_.reset();
}

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
            if (!d.container.empty() && d.container != def_.name) {
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
        if (Control *c = find(it->name, it->index)) c->native().raise();
}

void Form::buildMenus() {
    Menu *current = nullptr;
    for (const auto &m : def_.menus) {
        if (m.level == 0) {
            current = &menus_[m.name];
            current->Name = m.name;
        } else if (current) {
            current->items.push_back(MenuItem{m.name, m.caption, m.caption == "-", {}});
        }
    }
}

Control *Form::find(const String &name, int index) const {
    for (auto &c : controls_)
        if (c->Name() == name && c->Index() == index) return c.get();
    return nullptr;
}

template <class T> static T &need(Control *c, const String &name) {
    auto *t = dynamic_cast<T *>(c);
    if (!t) throw std::out_of_range("no control " + name);
    return *t;
}
PictureBox &Form::pictureBox(const String &name, int index) { return need<PictureBox>(find(name, index), name); }
Label &Form::label(const String &name, int index) { return need<Label>(find(name, index), name); }
TextBox &Form::textBox(const String &name, int index) { return need<TextBox>(find(name, index), name); }
ListBox &Form::listBox(const String &name, int index) { return need<ListBox>(find(name, index), name); }

Menu &Form::menu(const String &name) {
    auto it = menus_.find(name);
    if (it == menus_.end()) throw std::out_of_range("no menu " + name);
    return it->second;
}

// ---------------------------------------------------------------- life cycle

void Form::Load() {
    if (loaded_) return;
    loaded_ = true;
    unloaded_ = false;
    Form_Load();
}

void Form::placeAtStart(Form *owner) {
    Rect area;
    if (def_.startUp == StartUpPosition::CenterOwner && owner) area = owner->native().frame();
    else if (def_.startUp != StartUpPosition::Manual) area = native_->screenArea();
    else return;
    const int x = area.x + (area.w - pxWidth()) / 2, y = area.y + (area.h - pxHeight()) / 2;
    leftTw_ = x * Screen::TwipsPerPixelX();
    topTw_ = y * Screen::TwipsPerPixelY();
    native_->move(x, y);
}

void Form::Show(int modal, Form *owner) {
    if (!loaded_) Load();
    if (unloaded_) return;
    if (!everShown_) {
        everShown_ = true;
        placeAtStart(owner);
        // The controls that take the focus: lists, text boxes and buttons that are tab stops.
        std::vector<Control *> order;
        for (auto &c : controls_)
            if (c->def().kind == Kind::ListBox || c->def().kind == Kind::TextBox ||
                (c->def().pushButton && c->def().tabStop))
                order.push_back(c.get());
        std::stable_sort(order.begin(), order.end(), [](Control *a, Control *b) { return a->TabIndex() < b->TabIndex(); });
        native_->setTabOrder(order);
        // The docked strips lay themselves out, then the window's resize handler runs.
        layoutDocked(true);
        Form_Resize();
        if (unloaded_) return;
        native_->show(owner ? &owner->native() : nullptr, modal == vbModal);
    } else {
        native_->show(nullptr, modal == vbModal);
    }
    if (modal == vbModal) {
        ++modalDepth_;
        native_->runModal();
        --modalDepth_;
    }
}

bool Form::isShown() const { return native_->shown(); }

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
    native_->hide();
    if (modalDepth_ > 0) native_->endModal();
}

// ---------------------------------------------------------------- properties

void Form::setCaption(const String &text) {
    caption_ = text;
    native_->setTitle(text);
}

void Form::setLeft(float twips) {
    leftTw_ = twips;
    native_->move(roundPx(leftTw_ / Screen::TwipsPerPixelX()), roundPx(topTw_ / Screen::TwipsPerPixelY()));
}

void Form::setTop(float twips) {
    topTw_ = twips;
    native_->move(roundPx(leftTw_ / Screen::TwipsPerPixelX()), roundPx(topTw_ / Screen::TwipsPerPixelY()));
}

int Form::pxWidth() const { return std::max(1, roundPx(widthTw_ / Screen::TwipsPerPixelX())); }
int Form::pxHeight() const { return std::max(1, roundPx(heightTw_ / Screen::TwipsPerPixelY())); }

void Form::applySize() { native_->setSize(pxWidth(), pxHeight()); }

void Form::setWidth(float twips) {
    if (twips == widthTw_) return;
    widthTw_ = twips;
    applySize();
    layoutDocked(false);
    Form_Resize();
}

void Form::setHeight(float twips) {
    if (twips == heightTw_) return;
    heightTw_ = twips;
    applySize();
    layoutDocked(false);
    Form_Resize();
}

void Form::setWindowState(std::int16_t state) {
    if (state < vbNormal || state > vbMaximized || state == state_) return;
    state_ = state;
    native_->setState(state);
    Form_Resize();
}

void Form::nativeStateChanged(std::int16_t state) {
    if (state == state_) return;
    state_ = state;
    Form_Resize();
}

void Form::nativeResized(int pxW, int pxH) {
    if ((pxW == pxWidth() && pxH == pxHeight()) || state_ == vbMinimized) return;
    widthTw_ = pxW * Screen::TwipsPerPixelX();
    heightTw_ = pxH * Screen::TwipsPerPixelY();
    layoutDocked(false);
    if (everShown_) Form_Resize();
}

void Form::nativeMoved(int pxX, int pxY) {
    if (pxX != roundPx(leftTw_ / Screen::TwipsPerPixelX())) leftTw_ = pxX * Screen::TwipsPerPixelX();
    if (pxY != roundPx(topTw_ / Screen::TwipsPerPixelY())) topTw_ = pxY * Screen::TwipsPerPixelY();
}

float Form::ScaleWidth() const { return float(pxWidth() - 2 * def_.frameWidth); }
float Form::ScaleHeight() const { return float(pxHeight() - 2 * def_.frameWidth); }

void Form::layoutDocked(bool raiseAll) {
    const double W = ScaleWidth(), H = ScaleHeight();
    double top = 0, bottom = 0;
    std::vector<PictureBox *> docked;
    for (auto &c : controls_)
        if (auto *p = dynamic_cast<PictureBox *>(c.get()); p && !p->container() && p->alignment() != Align::None)
            docked.push_back(p);
    for (auto *p : docked)
        if (p->alignment() == Align::Top) top = p->pxHeight();
        else if (p->alignment() == Align::Bottom) bottom = p->pxHeight();
    std::vector<std::pair<PictureBox *, bool>> changes;
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
        // Placed without raising; the resize events follow once all strips are placed.
        auto saved = std::move(p->Resize);
        p->setPxGeometry(x, y, w, h);
        p->Resize = std::move(saved);
        changes.emplace_back(p, sized);
    }
    for (auto &[box, sized] : changes)
        if ((sized || raiseAll) && box->Resize) box->Resize();
}

// ---------------------------------------------------------------- menu, mouse

void Form::PopupMenu(Menu &menu) {
    std::vector<String> captions;
    for (auto &item : menu.items) captions.push_back(item.separator ? String("-") : item.Caption);
    const int chosen = native_->popupMenu(captions);
    if (chosen >= 0 && chosen < int(menu.items.size()) && !menu.items[std::size_t(chosen)].separator) {
        auto click = menu.items[std::size_t(chosen)].Click; // the item may go with its window
        if (click) click();
    }
}

void Form::nativeMouse(const MouseEvent &e) {
    const float x = float(e.x - framePx()), y = float(e.y - framePx());
    switch (e.kind) {
    case MouseEvent::Down: Form_MouseDown(e.button, e.shift, x, y); break;
    case MouseEvent::Move: Form_MouseMove(e.buttons, e.shift, x, y); break;
    case MouseEvent::Up: Form_MouseUp(e.button, e.shift, x, y); break;
    case MouseEvent::DoubleClick: break;
    }
}

} // namespace ui
