#include "controls.h"

#include "app.h"
#include "form.h"
#include "units.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

double toPx(double v, ScaleMode s, double tpp) { return s == ScaleMode::Pixels ? v : v / tpp; }
float fromPx(double px, ScaleMode s, double tpp) { return float(s == ScaleMode::Pixels ? px : px * tpp); }

// The back colour with what `keep` held and `picture` at the top-left corner.
void paintInto(Surface &s, Color back, const Image &picture, const Surface *keep) {
    const std::uint32_t fill = pixelOf(back);
    for (int y = 0; y < s.height(); ++y) std::fill(s.row(y), s.row(y) + s.width(), fill);
    if (keep) copyPixels(s, 0, 0, keep->width(), keep->height(), *keep, 0, 0);
    const int w = std::min(s.width(), picture.width), h = std::min(s.height(), picture.height);
    for (int y = 0; y < h; ++y) std::copy_n(&picture.px[std::size_t(y) * std::size_t(picture.width)], w, s.row(y));
}

// The picture at twice its size: its own drawing where it has one, else each pixel four times.
Image twice(const Picture &p) {
    if (!p.image2x.empty() || p.isNull()) return p.image2x;
    Image out(p.width() * 2, p.height() * 2);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) out.at(x, y) = p.image.at(x / 2, y / 2);
    return out;
}

// The focus mark of a push button: a dotted rectangle 3 pixels inside its
// edges, every other pixel of it dark, each pixel `scale` device pixels wide.
void drawFocusMark(Surface &s, int scale) {
    const int w = s.width() / scale, h = s.height() / scale;
    const int left = 3, top = 3, right = w - 4, bottom = h - 4;
    if (right < left || bottom < top) return;
    auto dot = [&](int x, int y) {
        if ((x + y) % 2) return;
        for (int dy = 0; dy < scale; ++dy) std::fill_n(s.row(y * scale + dy) + x * scale, scale, 0xFF3C3C3Cu);
    };
    for (int x = left; x <= right; ++x) dot(x, top), dot(x, bottom);
    for (int y = top; y <= bottom; ++y) dot(left, y), dot(right, y);
}

std::unique_ptr<Surface> sameSize(std::unique_ptr<Surface> s, int w, int h) {
    if (s && s->width() == w && s->height() == h) return s;
    return std::make_unique<Surface>(w, h);
}

} // namespace

// ---------------------------------------------------------------- Canvas

Canvas::~Canvas() = default;

void Canvas::repaint(int w, int h, Color back, bool keep) {
    // The persistent image starts as the back colour with the picture at its
    // top-left corner; drawing goes on top of it. An image that keeps what
    // was drawn keeps it when it grows.
    w = std::max(1, w), h = std::max(1, h);
    std::unique_ptr<Surface> old = std::move(surface_), old2x = std::move(surface2x_);
    surface_ = sameSize(keep ? nullptr : std::move(old), w, h);
    paintInto(*surface_, back, picture_.image, keep ? old.get() : nullptr);
    if (Screen::scale() >= 2) {
        surface2x_ = sameSize(keep ? nullptr : std::move(old2x), 2 * w, 2 * h);
        paintInto(*surface2x_, back, twice(picture_), keep ? old2x.get() : nullptr);
    }
    imageChanged();
}

void Canvas::followScale() {
    // A screen that now has twice the pixels: until it is drawn again, the
    // image shows each of its pixels four times.
    if (surface2x_ || Screen::scale() < 2) return;
    const Surface &one = *surface_;
    surface2x_ = std::make_unique<Surface>(2 * one.width(), 2 * one.height());
    for (int y = 0; y < surface2x_->height(); ++y)
        for (int x = 0; x < surface2x_->width(); ++x) surface2x_->row(y)[x] = one.row(y / 2)[x / 2];
}

// ---------------------------------------------------------------- Control

Control::Control(Form &form, Control *container, const ControlDef &def)
    : form_(&form), container_(container), def_(def), visible_(def.visible) {
    // The layout is in twips whatever the container's scale.
    x_ = def.left / Screen::TwipsPerPixelX();
    y_ = def.top / Screen::TwipsPerPixelY();
    w_ = def.width / Screen::TwipsPerPixelX();
    h_ = def.height / Screen::TwipsPerPixelY();
}

Control::~Control() = default;

void Control::createField() {
    FieldInfo info;
    info.kind = def_.kind;
    info.objectName = def_.index >= 0 ? def_.name + "(" + CStr(def_.index) + ")" : def_.name;
    info.toolTip = def_.toolTip;
    info.accessibleName = accessible().name;
    info.readOnly = def_.locked;
    info.rowHeight = ListBox::RowHeight;
    field_ = form_->backend().createField(*this, info);
    syncField();
}

void Control::syncField() {
    if (!field_) return;
    FieldState state;
    const Rect r = placeInFrame();
    state.place = r;
    state.visible = shownInWindow();
    fillField(state);
    field_->sync(state);
}

ScaleMode Control::outerScale() const { return container_ ? container_->innerScale() : form_->def().scaleMode; }

float Control::Left() const { return fromPx(x_, outerScale(), Screen::TwipsPerPixelX()); }
float Control::Top() const { return fromPx(y_, outerScale(), Screen::TwipsPerPixelY()); }
float Control::Width() const { return fromPx(w_, outerScale(), Screen::TwipsPerPixelX()); }
float Control::Height() const { return fromPx(h_, outerScale(), Screen::TwipsPerPixelY()); }
void Control::setLeft(float v) { setPxGeometry(toPx(v, outerScale(), Screen::TwipsPerPixelX()), y_, w_, h_); }
void Control::setTop(float v) { setPxGeometry(x_, toPx(v, outerScale(), Screen::TwipsPerPixelY()), w_, h_); }
void Control::setWidth(float v) { setPxGeometry(x_, y_, toPx(v, outerScale(), Screen::TwipsPerPixelX()), h_); }
void Control::setHeight(float v) { setPxGeometry(x_, y_, w_, toPx(v, outerScale(), Screen::TwipsPerPixelY())); }

void Control::setPxGeometry(double x, double y, double w, double h) {
    w = std::max(0.0, w), h = std::max(0.0, h);
    const bool sized = roundPx(w) != roundPx(w_) || roundPx(h) != roundPx(h_);
    if (x == x_ && y == y_ && w == w_ && h == h_) return;
    const Rect was = placeInWindow();
    x_ = x, y_ = y, w_ = w, h_ = h;
    applyGeometry(was);
    geometryChanged(sized);
}

Rect Control::placeInWindow() const {
    // The sum of the containers' places: theirs are whole pixels too.
    Rect r{roundPx(x_), roundPx(y_), roundPx(w_), roundPx(h_)};
    for (const Control *c = container_; c; c = c->container_) r.x += roundPx(c->x_), r.y += roundPx(c->y_);
    return r;
}

Rect Control::placeInFrame() const {
    Rect r = placeInWindow();
    r.x += form_->framePx(), r.y += form_->framePx();
    return r;
}

bool Control::shownInWindow() const {
    for (const Control *c = this; c; c = c->container_)
        if (!c->visible_) return false;
    return true;
}

void Control::applyGeometry(const Rect &was) {
    // What it covered and covers now is drawn again; the lists and fields
    // inside it go with it.
    form_->invalidate(was);
    form_->invalidate(placeInWindow());
    for (auto &c : form_->controls())
        for (const Control *k = c.get(); k; k = k->container_)
            if (k == this) {
                c->syncField();
                break;
            }
}

void Control::geometryChanged(bool) {}

void Control::setVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    applyGeometry(placeInWindow());
}

bool Control::takesFocus() const {
    return def_.kind == Kind::ListBox || def_.kind == Kind::TextBox || (def_.pushButton && def_.tabStop);
}

bool Control::hasFocus() const { return form_->focused() == this; }

AccessibleInfo Control::accessible() const {
    AccessibleInfo a;
    a.description = hasFocus() && !form_->announcement().empty() ? form_->announcement() : def_.toolTip;
    // A caption inside a push button is said as the button's name.
    const auto *holder = dynamic_cast<const PictureBox *>(container_);
    if (!def_.announced || (holder && holder->isPushButton()) || !visible_) return a;
    a.name = !def_.accessibleName.empty() ? def_.accessibleName : def_.toolTip;
    switch (def_.kind) {
    case Kind::PictureBox:
        if (!def_.pushButton) return AccessibleInfo{};
        a.role = Role::PushButton;
        for (auto &c : form_->controls())
            if (auto *l = dynamic_cast<Label *>(c.get()); l && l->container() == this) {
                if (a.name.empty()) a.name = l->displayText();
                if (!l->accessKey().empty()) a.shortcut = "Alt+" + l->accessKey();
            }
        break;
    case Kind::Label:
        a.role = Role::Label;
        a.name = static_cast<const Label *>(this)->displayText();
        break;
    case Kind::TextBox: a.role = Role::Text; break;
    case Kind::ListBox: a.role = Role::List; break;
    }
    return a;
}

void Control::mouse(const MouseEvent &e) {
    const ScaleMode s = mouseScale();
    const float x = fromPx(e.x, s, Screen::TwipsPerPixelX()), y = fromPx(e.y, s, Screen::TwipsPerPixelY());
    switch (e.kind) {
    case MouseEvent::Down:
        if (e.button == vbLeftButton) pressedInside_ = true;
        if (MouseDown) MouseDown(e.button, e.shift, x, y);
        break;
    case MouseEvent::Move:
        if (MouseMove) MouseMove(e.buttons, e.shift, x, y);
        break;
    case MouseEvent::Up: {
        // A click is a left press and release over the control; its right and
        // bottom edges lie outside it.
        const bool click = e.button == vbLeftButton && pressedInside_ && e.x >= 0 && e.y >= 0 &&
                           e.x < roundPx(w_) && e.y < roundPx(h_);
        if (e.button == vbLeftButton) pressedInside_ = false;
        if (MouseUp) MouseUp(e.button, e.shift, x, y);
        if (click && Click) Click();
        break;
    }
    case MouseEvent::DoubleClick:
        // The second press of a double click is neither a new press nor a
        // new click; the release after it is only a release.
        pressedInside_ = false;
        break;
    }
}

void Control::press() {
    if (Click) Click();
}

// ---------------------------------------------------------------- PictureBox

PictureBox::PictureBox(Form &form, Control *container, const ControlDef &def)
    : Control(form, container, def), back_(def.backColor == colorUnset ? rgb(224, 224, 224) : def.backColor) {
    repaint(roundPx(w_), roundPx(h_), back_, false);
}

void PictureBox::setPicture(const ui::Picture &p) {
    picture_ = p;
    // Sizing to the picture: its pixels in the container's scale.
    if (def_.autoSize && !p.isNull()) setPxGeometry(x_, y_, p.width(), p.height());
    repaint(roundPx(w_), roundPx(h_), back_, false);
}

void PictureBox::setBackColor(Color c) {
    back_ = c;
    repaint(roundPx(w_), roundPx(h_), back_, false);
}

float PictureBox::ScaleWidth() const { return fromPx(roundPx(w_), innerScale(), Screen::TwipsPerPixelX()); }
float PictureBox::ScaleHeight() const { return fromPx(roundPx(h_), innerScale(), Screen::TwipsPerPixelY()); }

void PictureBox::geometryChanged(bool sizeChanged) {
    if (!sizeChanged) return;
    repaint(roundPx(w_), roundPx(h_), back_, def_.autoRedraw);
    if (Resize) Resize();
}

const Surface &PictureBox::shown(int scale) {
    const Surface &image = scale >= 2 && surface2x_ ? *surface2x_ : *surface_;
    if (!isPushButton() || !hasFocus()) return image;
    const bool twiceSize = &image == surface2x_.get();
    std::unique_ptr<Surface> &marked = twiceSize ? marked2x_ : marked_;
    marked = sameSize(std::move(marked), image.width(), image.height());
    copyPixels(*marked, 0, 0, image.width(), image.height(), image, 0, 0);
    drawFocusMark(*marked, twiceSize ? 2 : 1);
    return *marked;
}

void PictureBox::imageChanged() {
    if (shownInWindow()) form_->invalidate(placeInWindow());
}

void PictureBox::scaleChanged() {
    // What was drawn shows doubled until drawn again; the picture itself is
    // loaded again, with its drawing at twice the size.
    followScale();
    if (picture_.id && surface2x_) {
        picture_ = LoadResPicture(picture_.id, vbResBitmap);
        const Image big = twice(picture_);
        const int w = std::min(surface2x_->width(), big.width), h = std::min(surface2x_->height(), big.height);
        for (int y = 0; y < h; ++y) std::copy_n(&big.px[std::size_t(y) * std::size_t(big.width)], w, surface2x_->row(y));
    }
    imageChanged();
}

// ---------------------------------------------------------------- OffscreenPicture

OffscreenPicture::OffscreenPicture() { repaint(1, 1, 0, false); }

void OffscreenPicture::setPicture(const ui::Picture &p) {
    picture_ = p;
    repaint(p.width(), p.height(), 0, false);
}

// ---------------------------------------------------------------- Label

Label::Label(Form &form, Control *container, const ControlDef &def)
    : Control(form, container, def), caption_(def.caption),
      fore_(def.foreColor == colorUnset ? rgb(0, 0, 0) : def.foreColor) {
    autoSize();
}

String withoutAccessKeys(const String &caption) {
    String out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') out += '&', ++i;
            continue;
        }
        out += caption[i];
    }
    return out;
}

String accessKeyOf(const String &caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        // One UTF-8 character: a lead byte and its continuation bytes.
        std::size_t end = i + 2;
        while (end < caption.size() && (static_cast<unsigned char>(caption[end]) & 0xC0) == 0x80) ++end;
        return caption.substr(i + 1, end - i - 1);
    }
    return String();
}

void Label::setCaption(const String &text) {
    caption_ = text;
    form_->invalidate(placeInWindow());
    autoSize();
    form_->native().accessibleChanged(*this, AccessibleChange::Name);
}

void Label::setForeColor(Color c) {
    fore_ = c;
    form_->invalidate(placeInWindow());
}

void Label::autoSize() {
    if (!def_.autoSize) return;
    const String t = displayText();
    const Rect size = form_->backend().measureText(def_.font, t.empty() ? String("x") : t);
    setPxGeometry(x_, y_, t.empty() ? 3 : size.w, size.h);
}

// ---------------------------------------------------------------- TextBox

TextBox::TextBox(Form &form, Control *container, const ControlDef &def) : Control(form, container, def) {
    createField();
}

void TextBox::setText(const String &text) {
    text_ = text;
    const FontDef &font = def_.font;
    // An empty box draws no letter: its font is looked for when it first
    // shows one (the program starts the faster). A symbol font that is not
    // there is stood in for by the face the layout names, its letters shown
    // as that face's characters.
    if (shownFont_ == FontDef{} && !text.empty() && !(font == FontDef{})) {
        standIn_ = !font.standIn.face.empty() && !font.face.empty() && !form_->backend().hasFace(font);
        shownFont_ = font;
        if (standIn_) shownFont_.face = font.standIn.face, shownFont_.charset = 0;
    }
    syncField();
    form_->native().accessibleChanged(*this, AccessibleChange::Value);
    // A live field's new text is said at once: "Ваш знак зодиака: Козеог".
    if (def_.live && !text.empty()) form_->announce(accessible().name + ": " + spokenText());
}

void TextBox::fillField(FieldState &state) const {
    state.font = shownFont_;
    state.text = standIn_ ? spokenText() : text_;
}

String TextBox::spokenText() const {
    const SymbolStandIn &s = def_.font.standIn;
    if (s.face.empty()) return text_;
    String shown;
    for (unsigned char c : text_) {
        if (c < s.first || c > s.last) {
            shown += char(c);
            continue;
        }
        // The symbol, in UTF-8 (the signs lie below U+10000).
        const char32_t u = s.symbol + (c - s.first);
        if (u < 0x800) shown += char(0xC0 | u >> 6), shown += char(0x80 | (u & 0x3F));
        else shown += char(0xE0 | u >> 12), shown += char(0x80 | (u >> 6 & 0x3F)), shown += char(0x80 | (u & 0x3F));
    }
    return shown;
}

void TextBox::edited(const String &text) {
    // What is typed into a box that shows stand-in characters is not its text.
    if (!standIn_) text_ = text;
}

// ---------------------------------------------------------------- ListBox

ListBox::ListBox(Form &form, Control *container, const ControlDef &def)
    : Control(form, container, def), items_(def.items) {
    createField();
}

void ListBox::AddItem(const String &item) {
    items_.push_back(item);
    syncField();
}

void ListBox::fillField(FieldState &state) const {
    state.items = items_;
    state.current = index_;
}

String ListBox::List(int index) const {
    return index >= 0 && index < int(items_.size()) ? items_[std::size_t(index)] : String();
}

void ListBox::setListIndex(std::int16_t index) {
    if (index < -1 || index >= ListCount() || index == index_) return;
    index_ = index;
    syncField();
    if (Click) Click();
}

void ListBox::setText(const String &text) {
    const auto it = std::find(items_.begin(), items_.end(), text);
    if (it != items_.end()) setListIndex(std::int16_t(it - items_.begin()));
}

void ListBox::selected(int row) {
    if (row == index_ || row < -1 || row >= ListCount()) return;
    index_ = std::int16_t(row);
    syncField();
    // The click handler may move the selection elsewhere (the day list keeps
    // the day valid for the month), which the list then shows.
    if (Click) Click();
}

void ListBox::keyMove(Key key) {
    const int count = ListCount();
    if (count == 0) return;
    // A page is the rows the list shows inside its two-pixel border, less one.
    const int page = std::max(1, (roundPx(h_) - 4) / RowHeight - 1);
    int row = index_;
    switch (key) {
    case Key::Up: row = row < 0 ? 0 : row - 1; break;
    case Key::Down: row = row + 1; break;
    case Key::PageUp: row = row < 0 ? 0 : row - page; break;
    case Key::PageDown: row = row < 0 ? page : row + page; break;
    case Key::Home: row = 0; break;
    case Key::End: row = count - 1; break;
    default: return;
    }
    row = std::clamp(row, 0, count - 1);
    if (row == index_) return;
    selected(row);
}

} // namespace ui
