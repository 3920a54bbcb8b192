#include "form.h"

#include "app.h"
#include "picture.h"
#include "units.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace ui {

namespace {

// The code asked a layout for what it does not have: a fault of the
// program itself, never of its input; it stops at once.
[[noreturn]] void programFault(const String &what) {
    std::fputs(("lunivar: " + what + "\n").c_str(), stderr);
    std::abort();
}

int nestedLoops = 0;            // loops a handler runs inside
std::vector<Form *> living;     // the windows that exist
std::vector<std::unique_ptr<Form>> unloaded; // windows unloaded, not yet freed

// The layout's picture on the back colour: magenta marks the pixels that are
// not part of it (the corners outside a rounded outline).
Image onBackColour(Image img, Color back) {
    for (std::uint32_t &px : img.px)
        if ((px & 0xFFFFFF) == 0xFF00FF) px = pixelOf(back);
    return img;
}

// A letter as its lower-case self, for the Latin and Cyrillic alphabets.
char32_t lower(char32_t c) {
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x410 && c <= 0x42F)) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    return c;
}

// The first character of a UTF-8 text.
char32_t firstLetter(const String &s) {
    if (s.empty()) return 0;
    const auto b = [&](std::size_t i) { return i < s.size() ? char32_t(static_cast<unsigned char>(s[i]) & 0x3F) : 0; };
    const char32_t c = static_cast<unsigned char>(s[0]);
    if (c < 0x80) return c;
    if (c < 0xE0) return (c & 0x1F) << 6 | b(1);
    if (c < 0xF0) return (c & 0x0F) << 12 | b(1) << 6 | b(2);
    return (c & 0x07) << 18 | b(1) << 12 | b(2) << 6 | b(3);
}

// The raised frame of a window, ring by ring from the outside: the top and
// left side, then the bottom and right side of each; the innermost ring is
// a line around the client area.
std::uint32_t frameColour(int ring, int rings, bool bottomRight) {
    if (ring == rings - 1) return 0xFF808080u;
    if (ring == 0) return bottomRight ? 0xFF404040u : 0xFFE0E0E0u;
    if (ring == 1) return bottomRight ? 0xFF808080u : 0xFFFFFFFFu;
    return 0xFFE0E0E0u;
}

} // namespace

MenuItem &Menu::item(const String &name) {
    for (auto &i : items)
        if (i.Name == name) return i;
    programFault("no menu item " + name);
}


Form::Form(const FormDef &def)
    : def_(def), backend_(Backend::current()), back_(def.backColor == colorUnset ? rgb(224, 224, 224) : def.backColor) {
    if (living.empty()) Screen::followScale(backend_.environment().scale);
    living.push_back(this);
    const int fw = def.frameWidth;
    widthTw_ = (def.clientWidth / Screen::TwipsPerPixelX() + 2 * fw) * Screen::TwipsPerPixelX();
    heightTw_ = (def.clientHeight / Screen::TwipsPerPixelY() + 2 * fw) * Screen::TwipsPerPixelY();
    native_ = backend_.createWindow(*this, WindowInfo{def.name, def.showInTaskbar, def.icon});
    // A window without a caption is known to the system by its accessible name.
    if (!def.accessibleName.empty()) native_->setTitle(def.accessibleName);
    applySize();
    build();
    buildMenus();
}

Form::~Form() {
    // Children before their containers, then the window.
    focus_ = pointerTarget_ = keyboardField_ = nullptr;
    stacking_.clear();
    while (!controls_.empty()) controls_.pop_back();
    native_.reset();
    living.erase(std::find(living.begin(), living.end(), this));
}

const std::vector<Form *> &Form::all() { return living; }

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
        if (pending.size() == before) programFault("a layout names a container that does not exist");
    }
    // Stacking: earlier entries of the table lie above later ones.
    for (const auto &d : def_.controls) stacking_.push_back(find(d.name, d.index));
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
    if (!t) programFault("no control " + name);
    return *t;
}
PictureBox &Form::pictureBox(const String &name, int index) { return need<PictureBox>(find(name, index), name); }
Label &Form::label(const String &name, int index) { return need<Label>(find(name, index), name); }
TextBox &Form::textBox(const String &name, int index) { return need<TextBox>(find(name, index), name); }
ListBox &Form::listBox(const String &name, int index) { return need<ListBox>(find(name, index), name); }

Menu &Form::menu(const String &name) {
    auto it = menus_.find(name);
    if (it == menus_.end()) programFault("no menu " + name);
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
    if (def_.startUp == StartUpPosition::CenterOwner && owner)
        area = Rect{roundPx(owner->leftTw_ / Screen::TwipsPerPixelX()), roundPx(owner->topTw_ / Screen::TwipsPerPixelY()),
                    owner->pxWidth(), owner->pxHeight()};
    else if (def_.startUp != StartUpPosition::Manual) area = backend_.environment().workArea;
    else return;
    const int x = area.x + (area.w - pxWidth()) / 2, y = area.y + (area.h - pxHeight()) / 2;
    leftTw_ = x * Screen::TwipsPerPixelX();
    topTw_ = y * Screen::TwipsPerPixelY();
    place();
}

void Form::place() {
    native_->place(Rect{roundPx(leftTw_ / Screen::TwipsPerPixelX()), roundPx(topTw_ / Screen::TwipsPerPixelY()), pxWidth(),
                        pxHeight()});
}

void Form::Show(int modal, Form *owner) {
    if (!loaded_) Load();
    if (unloaded_) return;
    if (!everShown_) {
        everShown_ = true;
        placeAtStart(owner);
        // The controls that take the keyboard, in tab order; the first has it.
        for (auto &c : controls_)
            if (c->takesFocus()) tabOrder_.push_back(c.get());
        std::stable_sort(tabOrder_.begin(), tabOrder_.end(), [](Control *a, Control *b) { return a->TabIndex() < b->TabIndex(); });
        if (!focus_ && !tabOrder_.empty()) focus_ = tabOrder_.front();
        // The docked strips lay themselves out, then the window's resize handler runs.
        layoutDocked(true);
        Form_Resize();
        if (unloaded_) return;
        pushRegion();
        shown_ = true;
        native_->setShown(true, owner ? &owner->native() : nullptr, modal == vbModal);
    } else {
        shown_ = true;
        native_->setShown(true, nullptr, modal == vbModal);
    }
    if (focus_) {
        keyboardTo(focus_);
        focusMoved(nullptr, focus_);
    }
    if (modal == vbModal) {
        // Nothing of this window is freed before the loop is left.
        NestedLoop loop;
        ++modalDepth_;
        modalEnded_ = false;
        while (!modalEnded_) backend_.dispatchEvents(-1);
        --modalDepth_;
    }
}

bool Form::isShown() const { return shown_; }

void Form::Unload(std::int16_t unloadMode) {
    if (!loaded_) return;
    std::int16_t cancel = 0;
    Form_QueryUnload(cancel, unloadMode);
    if (cancel) return;
    loaded_ = false;
    unloaded_ = true;
    // Hidden while still modal, so that the windows it blocked take input again.
    shown_ = false;
    native_->setShown(false, nullptr, false);
    if (modalDepth_ > 0) modalEnded_ = true;
    // The window's global reference lets go of it: the next use makes a new
    // one. It is freed once no handler can still be running in it.
    if (auto dropped = std::move(onUnloaded_)) dropped();
}

void Form::unloadLater(std::unique_ptr<Form> form) { unloaded.push_back(std::move(form)); }

void Form::freeUnloaded() {
    if (!NestedLoop::running()) unloaded.clear();
}

NestedLoop::NestedLoop() { ++nestedLoops; }
NestedLoop::~NestedLoop() { --nestedLoops; }
bool NestedLoop::running() { return nestedLoops > 0; }

// ---------------------------------------------------------------- properties

void Form::setCaption(const String &text) {
    caption_ = text;
    native_->setTitle(text.empty() ? def_.accessibleName : text);
}

void Form::setLeft(float twips) {
    leftTw_ = twips;
    place();
}

void Form::setTop(float twips) {
    topTw_ = twips;
    place();
}

int Form::pxWidth() const { return std::max(1, roundPx(widthTw_ / Screen::TwipsPerPixelX())); }
int Form::pxHeight() const { return std::max(1, roundPx(heightTw_ / Screen::TwipsPerPixelY())); }

void Form::applySize() {
    for (auto &i : image_) i.reset();
    place();
    invalidateAll();
}

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

void Form::stateChanged(std::int16_t state) {
    if (state == state_) return;
    state_ = state;
    Form_Resize();
}

void Form::resized(int pxW, int pxH) {
    if ((pxW == pxWidth() && pxH == pxHeight()) || state_ == vbMinimized) return;
    widthTw_ = pxW * Screen::TwipsPerPixelX();
    heightTw_ = pxH * Screen::TwipsPerPixelY();
    for (auto &i : image_) i.reset();
    invalidateAll();
    layoutDocked(false);
    if (everShown_) Form_Resize();
}

void Form::moved(int pxX, int pxY) {
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

// ---------------------------------------------------------------- the window's picture and outline

const Image &Form::image(int scale) {
    const int s = std::clamp(scale, 1, 2);
    std::optional<Image> &img = image_[s];
    if (!img) {
        if (!def_.picture.empty() && picture_[s].empty())
            picture_[s] = onBackColour(layoutPicture(backend_, def_.picture, s), back_);
        const int W = pxWidth() * s, H = pxHeight() * s, fw = def_.frameWidth;
        img.emplace(W, H, pixelOf(back_));
        const Image &pic = picture_[s];
        for (int y = 0; y < pic.height && fw * s + y < H; ++y)
            for (int x = 0; x < pic.width && fw * s + x < W; ++x) img->at(fw * s + x, fw * s + y) = pic.at(x, y);
        for (int y = 0; y < H && fw > 0; ++y)
            for (int x = 0; x < W; ++x) {
                const int ring = std::min({x, y, W - 1 - x, H - 1 - y}) / s;
                if (ring >= fw) continue;
                const bool bottomRight = (W - 1 - x) / s == ring || (H - 1 - y) / s == ring;
                img->at(x, y) = frameColour(ring, fw, bottomRight);
            }
    }
    return *img;
}

void Form::setRegion(const std::vector<Rect> *spans) {
    if (spans && !spans->empty()) region_ = *spans;
    else region_ = std::vector<Rect>{};
    regionPending_ = true;
    if (shown_) pushRegion();
}

void Form::pushRegion() {
    if (!regionPending_) return;
    regionPending_ = false;
    native_->setRegion(region_->empty() ? nullptr : &*region_);
}

// ---------------------------------------------------------------- the frame

void Form::invalidate(const Rect &client) {
    if (client.empty()) return;
    for (Rect &d : dirty_) d = geom::unite(d, client);
    const int fw = framePx();
    native_->present(Rect{client.x + fw, client.y + fw, client.w, client.h});
}

void Form::invalidateAll() {
    const int fw = framePx();
    invalidate(Rect{-fw, -fw, pxWidth(), pxHeight()});
}

const Surface &Form::frame(int scale) {
    const int s = std::clamp(scale, 1, 2), fw = framePx();
    std::unique_ptr<Surface> &f = frame_[s];
    if (!f || f->width() != pxWidth() * s || f->height() != pxHeight() * s) {
        f = std::make_unique<Surface>(pxWidth() * s, pxHeight() * s);
        dirty_[s] = Rect{-fw, -fw, pxWidth(), pxHeight()};
    }
    Rect d = dirty_[s];
    dirty_[s] = Rect{};
    d = geom::intersect(Rect{(d.x + fw) * s, (d.y + fw) * s, d.w * s, d.h * s}, Rect{0, 0, f->width(), f->height()});
    if (d.empty()) return *f;
    const Image &under = image(s);
    for (int y = d.y; y < d.y + d.h; ++y)
        std::copy_n(&under.px[std::size_t(y) * std::size_t(under.width) + std::size_t(d.x)], d.w, f->row(y) + d.x);
    compose(*f, nullptr, d, s);
    return *f;
}

void Form::compose(Surface &f, const Control *container, const Rect &clip, int s) {
    // The lowest first; each picture box's children over it, within it.
    for (auto it = stacking_.rbegin(); it != stacking_.rend(); ++it) {
        Control *c = *it;
        if (c->container() != container || !c->Visible() || c->field()) continue;
        const Rect at = c->placeInFrame(), whole{at.x * s, at.y * s, at.w * s, at.h * s};
        const Rect r = geom::intersect(whole, clip);
        if (r.empty()) continue;
        if (auto *box = dynamic_cast<PictureBox *>(c)) {
            // The box's image at this scale, or each of its pixels four times.
            const Surface &img = box->shown(s);
            const int k = img.width() >= whole.w ? 1 : s;
            for (int y = r.y; y < r.y + r.h; ++y) {
                const int sy = (y - whole.y) / k;
                if (sy >= img.height()) break;
                std::uint32_t *to = f.row(y);
                const std::uint32_t *from = img.row(sy);
                for (int x = r.x; x < r.x + r.w && (x - whole.x) / k < img.width(); ++x) to[x] = from[(x - whole.x) / k];
            }
        } else if (auto *label = dynamic_cast<Label *>(c)) {
            backend_.drawText(f, r, TextRun{label->Caption(), label->def().font, label->ForeColor(), at.x, at.y}, s);
        }
        compose(f, c, r, s);
    }
}

// ---------------------------------------------------------------- the keyboard

void Form::keyboardTo(Control *c) {
    // Into a list or a field; for a picture box, back to the window itself.
    if (c->field()) c->field()->setFocus(true), keyboardField_ = c;
    else if (keyboardField_) keyboardField_->field()->setFocus(false), keyboardField_ = nullptr;
}

void Form::setFocus(Control *c) {
    Control *old = focus_;
    focus_ = c;
    keyboardTo(c);
    if (old != c) focusMoved(old, c);
}

void Form::focusArrived(Control *c) {
    keyboardField_ = c;
    if (focus_ == c) return;
    Control *old = focus_;
    focus_ = c;
    focusMoved(old, c);
}

void Form::focusMoved(Control *old, Control *now) {
    // An announcement lasts while the keyboard stays.
    const bool announced = !announcement_.empty();
    announcement_.clear();
    if (old) {
        old->focusChanged();
        if (announced) native_->accessibleChanged(*old, AccessibleChange::Description);
    }
    now->focusChanged();
    native_->accessibleChanged(*now, AccessibleChange::Focus);
}

void Form::announce(const String &text) {
    if (!focus_) return;
    // Said again when it is the same: emptied first, then the new text.
    if (!announcement_.empty()) {
        announcement_.clear();
        native_->accessibleChanged(*focus_, AccessibleChange::Description);
    }
    announcement_ = text;
    native_->accessibleChanged(*focus_, AccessibleChange::Description);
}

void Form::moveFocus(int step) {
    std::vector<Control *> order;
    for (Control *c : tabOrder_)
        if (c->Visible()) order.push_back(c);
    if (order.empty()) return;
    const int n = int(order.size());
    const auto at = std::find(order.begin(), order.end(), focus_);
    const int next = at == order.end() ? (step > 0 ? 0 : n - 1) : (int(at - order.begin()) + step + n) % n;
    setFocus(order[std::size_t(next)]);
}

bool Form::key(const KeyEvent &k) {
    const bool alt = k.shift & vbAltMask, ctrl = k.shift & vbCtrlMask, shift = k.shift & vbShiftMask;
    Control *target = nullptr;
    switch (k.key) {
    case Key::Tab:
        // Tab and Shift+Tab go round the controls in their tab order.
        if (alt || ctrl) return false;
        moveFocus(shift ? -1 : 1);
        return true;
    case Key::Enter:
    case Key::Space:
        // A focused push button is pressed by both; elsewhere Enter presses
        // the window's default button.
        if (alt || ctrl) return false;
        if (focus_ && focus_->isPushButton()) target = focus_;
        else if (k.key == Key::Enter && !def_.defaultButton.empty()) target = find(def_.defaultButton);
        break;
    case Key::Escape:
        if (!def_.cancelButton.empty()) target = find(def_.cancelButton);
        break;
    case Key::Up:
    case Key::Down:
    case Key::PageUp:
    case Key::PageDown:
    case Key::Home:
    case Key::End:
        if (auto *list = dynamic_cast<ListBox *>(focus_); list && !alt && !ctrl) {
            list->keyMove(k.key);
            return true;
        }
        return false;
    case Key::Other:
        // Alt and a caption's access key press the label that has it.
        if (!alt || ctrl || !k.letter) return false;
        for (auto &c : controls_)
            if (auto *l = dynamic_cast<Label *>(c.get()); l && l->Visible() && !l->accessKey().empty() &&
                                                            lower(firstLetter(l->accessKey())) == lower(k.letter)) {
                target = l;
                break;
            }
        break;
    }
    if (!target) return false;
    // A key held down presses once.
    if (!k.repeat) target->press();
    return true;
}

void Form::activated() {
    // The keyboard goes back to the control that had it, and a screen reader is told.
    if (focus_ && loaded_) {
        keyboardTo(focus_);
        native_->accessibleChanged(*focus_, AccessibleChange::Focus);
    }
}

void Form::scaleChanged() {
    // Every window follows the screen; pictures are loaded again at its scale.
    const int now = backend_.environment().scale;
    if (now != Screen::scale()) forgetLoadedPictures();
    Screen::followScale(now);
    for (auto &i : image_) i.reset();
    for (auto &c : controls_) {
        c->scaleChanged();
        c->syncField();
    }
    place();
    if (region_) regionPending_ = true;
    if (shown_) pushRegion();
    invalidateAll();
}

// ---------------------------------------------------------------- screen readers

AccessibleInfo Form::accessible() const {
    AccessibleInfo a;
    a.role = Role::Window;
    a.name = caption_.empty() ? def_.accessibleName : caption_;
    return a;
}

std::vector<Control *> Form::accessibleChildren() const {
    std::vector<std::pair<Rect, Control *>> found;
    for (auto &c : controls_)
        if (c->accessible().role != Role::None) found.emplace_back(c->placeInWindow(), c.get());
    // Reading order: top to bottom, then left to right.
    std::stable_sort(found.begin(), found.end(), [](const auto &a, const auto &b) {
        return a.first.y != b.first.y ? a.first.y < b.first.y : a.first.x < b.first.x;
    });
    std::vector<Control *> out;
    for (auto &f : found) out.push_back(f.second);
    return out;
}

// ---------------------------------------------------------------- menu, mouse

void Form::PopupMenu(Menu &menu) {
    menu.owner = this;
    std::vector<String> captions;
    for (auto &item : menu.items) captions.push_back(item.separator ? String("-") : item.Caption);
    int chosen;
    {
        NestedLoop loop;
        chosen = native_->popupMenu(captions);
    }
    if (chosen >= 0 && chosen < int(menu.items.size()) && !menu.items[std::size_t(chosen)].separator) {
        auto click = menu.items[std::size_t(chosen)].Click; // the item may go with its window
        if (click) click();
    }
}

Control *Form::controlAt(int x, int y) const {
    // The topmost visible picture box or label under the point, then the
    // topmost of its children, and so on down.
    Control *found = nullptr;
    for (bool deeper = true; deeper;) {
        deeper = false;
        for (Control *c : stacking_) {
            const bool painted = c->def().kind == Kind::PictureBox || c->def().kind == Kind::Label;
            if (painted && c->container() == found && c->Visible() && c->placeInWindow().contains(x, y)) {
                found = c, deeper = true;
                break;
            }
        }
    }
    return found;
}

// ---------------------------------------------------------------- the one way in

namespace {
// The buttons and keys as the events deliver them.
std::int16_t buttonsOf(int bits) {
    return std::int16_t((bits & Event::LeftButton ? vbLeftButton : 0) | (bits & Event::RightButton ? vbRightButton : 0) |
                        (bits & Event::MiddleButton ? vbMiddleButton : 0));
}
std::int16_t shiftOf(int bits) {
    return std::int16_t((bits & Event::ShiftKey ? vbShiftMask : 0) | (bits & Event::CtrlKey ? vbCtrlMask : 0) |
                        (bits & Event::AltKey ? vbAltMask : 0));
}
} // namespace

bool Form::handle(const Event &e) {
    if (ignoring_) return e.type == Event::Key;
    switch (e.type) {
    case Event::PointerDown:
    case Event::PointerUp:
    case Event::PointerMove:
    case Event::DoubleClick: pointer(e); break;
    case Event::Key: return key(KeyEvent{e.key, e.letter, shiftOf(e.modifiers), e.repeat});
    case Event::Activated: activated(); break;
    case Event::FieldFocused: focusArrived(e.control); break;
    case Event::Edited:
        if (auto *t = dynamic_cast<TextBox *>(e.control)) t->edited(e.text);
        break;
    case Event::Selected:
        if (auto *l = dynamic_cast<ListBox *>(e.control)) l->selected(e.row);
        break;
    case Event::Pressed: e.control->press(); break;
    case Event::Moved: moved(int(e.x), int(e.y)); break;
    case Event::Resized: resized(e.width, e.height); break;
    case Event::StateChanged: stateChanged(e.state); break;
    case Event::ScaleChanged: scaleChanged(); break;
    case Event::Close: Unload(0); break;
    }
    return false;
}

void Form::pointer(const Event &e) {
    static const MouseEvent::Kind kinds[] = {MouseEvent::Down, MouseEvent::Up, MouseEvent::Move, MouseEvent::DoubleClick};
    const MouseEvent m{kinds[e.type], buttonsOf(e.button), buttonsOf(e.buttons), shiftOf(e.modifiers), e.x, e.y};
    const int fw = framePx();
    const bool press = m.kind == MouseEvent::Down || m.kind == MouseEvent::DoubleClick;
    // A move with no button held while captured: the release was lost.
    if (pointerCaptured_ && m.kind == MouseEvent::Move && !m.buttons) pointerCaptured_ = false;
    if (!pointerCaptured_) pointerTarget_ = controlAt(int(std::floor(m.x)) - fw, int(std::floor(m.y)) - fw);
    if (press) pointerCaptured_ = true;
    if (m.kind == MouseEvent::Up && !m.buttons) pointerCaptured_ = false;
    Control *target = pointerTarget_;
    if (!target) return mouse(m);
    const Rect at = target->placeInFrame();
    MouseEvent local = m;
    local.x -= at.x, local.y -= at.y;
    target->mouse(local);
}

void Form::mouse(const MouseEvent &e) {
    const float x = float(e.x - framePx()), y = float(e.y - framePx());
    switch (e.kind) {
    case MouseEvent::Down: Form_MouseDown(e.button, e.shift, x, y); break;
    case MouseEvent::Move: Form_MouseMove(e.buttons, e.shift, x, y); break;
    case MouseEvent::Up: Form_MouseUp(e.button, e.shift, x, y); break;
    case MouseEvent::DoubleClick: break;
    }
}

} // namespace ui
