#include "controls.h"

#include "form.h"
#include "units.h"

#include <algorithm>
#include <cmath>

namespace ui {

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

void Control::createNative() {
    native_ = Backend::current().createControl(*this);
    applyGeometry();
    native_->setVisible(visible_);
}

ScaleMode Control::outerScale() const { return container_ ? container_->innerScale() : form_->def().scaleMode; }

namespace {
double toPx(double v, ScaleMode s, double tpp) { return s == ScaleMode::Pixels ? v : v / tpp; }
float fromPx(double px, ScaleMode s, double tpp) { return float(s == ScaleMode::Pixels ? px : px * tpp); }
} // namespace

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
    x_ = x, y_ = y, w_ = w, h_ = h;
    applyGeometry();
    geometryChanged(sized);
}

void Control::applyGeometry() {
    if (!native_) return;
    const int off = container_ ? 0 : form_->framePx();
    native_->setGeometry(Rect{roundPx(x_) + off, roundPx(y_) + off, roundPx(w_), roundPx(h_)});
}

void Control::geometryChanged(bool) {}

void Control::setVisible(bool v) {
    visible_ = v;
    native_->setVisible(v);
}

void Control::nativeMouse(const MouseEvent &e) {
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

void Control::nativePress() {
    if (Click) Click();
}

// ---------------------------------------------------------------- PictureBox

PictureBox::PictureBox(Form &form, Control *container, const ControlDef &def)
    : Control(form, container, def), back_(def.backColor == colorUnset ? rgb(224, 224, 224) : def.backColor) {
    rebuildImage(false);
    createNative();
}

void PictureBox::setPicture(const ui::Picture &p) {
    picture_ = p;
    // Sizing to the picture: its pixels in the container's scale.
    if (def_.autoSize && !p.isNull()) setPxGeometry(x_, y_, p.width(), p.height());
    rebuildImage(false);
}

void PictureBox::setBackColor(Color c) {
    back_ = c;
    rebuildImage(false);
}

float PictureBox::ScaleWidth() const { return fromPx(roundPx(w_), innerScale(), Screen::TwipsPerPixelX()); }
float PictureBox::ScaleHeight() const { return fromPx(roundPx(h_), innerScale(), Screen::TwipsPerPixelY()); }

namespace {
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
} // namespace

void PictureBox::rebuildImage(bool keep) {
    // The persistent image starts as the back colour with the picture at its
    // top-left corner; drawing goes on top of it. A box that keeps its image
    // keeps what was drawn when it grows.
    Backend &b = Backend::current();
    const int w = std::max(1, roundPx(w_)), h = std::max(1, roundPx(h_));
    std::unique_ptr<Surface> old = std::move(surface_), old2x = std::move(surface2x_);
    surface_ = old && old->width() == w && old->height() == h ? std::move(old) : b.createSurface(w, h);
    paintInto(*surface_, back_, picture_.image, keep && old ? old.get() : nullptr);
    if (b.pictureScale() == 2) {
        surface2x_ = old2x && old2x->width() == 2 * w && old2x->height() == 2 * h ? std::move(old2x)
                                                                                : b.createSurface(2 * w, 2 * h);
        paintInto(*surface2x_, back_, twice(picture_), keep && old2x ? old2x.get() : nullptr);
    }
    imageChanged();
}

void PictureBox::geometryChanged(bool sizeChanged) {
    if (!sizeChanged) return;
    rebuildImage(def_.autoRedraw);
    if (Resize) Resize();
}

void PictureBox::imageChanged() {
    if (native_) native_->update();
}

// ---------------------------------------------------------------- Label

Label::Label(Form &form, Control *container, const ControlDef &def)
    : Control(form, container, def), caption_(def.caption),
      fore_(def.foreColor == colorUnset ? rgb(0, 0, 0) : def.foreColor) {
    createNative();
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
    native_->setText(caption_);
    autoSize();
}

void Label::setForeColor(Color c) {
    fore_ = c;
    native_->setForeColor(c);
}

void Label::autoSize() {
    if (!def_.autoSize) return;
    const String t = displayText();
    const Rect size = Backend::current().textSize(def_.font, t.empty() ? String("x") : t);
    setPxGeometry(x_, y_, t.empty() ? 3 : size.w, size.h);
}

// ---------------------------------------------------------------- TextBox

TextBox::TextBox(Form &form, Control *container, const ControlDef &def) : Control(form, container, def) {
    createNative();
}

void TextBox::setText(const String &text) {
    text_ = text;
    native_->setText(text_);
}

// ---------------------------------------------------------------- ListBox

ListBox::ListBox(Form &form, Control *container, const ControlDef &def) : Control(form, container, def) {
    createNative();
    for (const String &item : def.items) AddItem(item);
}

void ListBox::AddItem(const String &item) {
    items_.push_back(item);
    native_->addItem(item);
}

String ListBox::List(int index) const {
    return index >= 0 && index < int(items_.size()) ? items_[std::size_t(index)] : String();
}

void ListBox::setListIndex(std::int16_t index) {
    if (index < -1 || index >= ListCount() || index == index_) return;
    index_ = index;
    native_->setCurrentItem(index);
    if (Click) Click();
}

void ListBox::setText(const String &text) {
    const auto it = std::find(items_.begin(), items_.end(), text);
    if (it != items_.end()) setListIndex(std::int16_t(it - items_.begin()));
}

void ListBox::nativeSelected(int row) {
    if (row == index_ || row < -1 || row >= ListCount()) return;
    index_ = std::int16_t(row);
    // The click handler may move the selection elsewhere (the day list keeps
    // the day valid for the month), which the list then shows.
    if (Click) Click();
}

} // namespace ui
