#include "fake_platform.h"

#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <cassert>

namespace fake {

namespace {
Platform *instance = nullptr;

ui::Event event(ui::Event::Type type, ui::Control *control = nullptr) {
    ui::Event e;
    e.type = type;
    e.control = control;
    return e;
}
} // namespace

Platform &platform() { return *instance; }

// ---------------------------------------------------------------- windows and fields

void Window::setShown(bool shown, ui::NativeWindow *o, bool m) {
    auto &ws = platform().windows_;
    if (!shown) {
        visible = false, modal = false;
        // The window below is activated again.
        if (owner && owner->visible) owner->form.handle(event(ui::Event::Activated));
        return;
    }
    if (o) owner = dynamic_cast<Window *>(o);
    visible = true;
    modal = m;
    ws.erase(std::remove(ws.begin(), ws.end(), this), ws.end());
    ws.push_back(this);
}

int Window::popupMenu(const std::vector<ui::String> &captions) {
    platform().resetPointer(); // the menu takes the pointer
    return platform().onPopup(captions);
}

const ui::Surface &Window::screen() {
    const ui::Surface &frame = form.frame(1);
    if (!memory_ || memory_->width() != frame.width() || memory_->height() != frame.height())
        memory_ = std::make_unique<ui::Surface>(frame.width(), frame.height());
    const ui::Rect r = presented;
    presented = ui::Rect{};
    ui::copyPixels(*memory_, r.x, r.y, r.w, r.h, frame, r.x, r.y);
    return *memory_;
}

void Field::setFocus(bool inside) {
    // One field of a window has the keyboard, or none (the window itself).
    for (auto &other : control.form().controls())
        if (other->field()) Platform::native(*other).focused = false;
    focused = inside;
}

Platform::Platform() {
    instance = this;
    ui::Backend::install(this);
}

Platform::~Platform() {
    flush();
    if (instance == this) instance = nullptr;
}

std::unique_ptr<ui::NativeWindow> Platform::createWindow(ui::Form &form, const ui::WindowInfo &) {
    struct Owned : Window {
        using Window::Window;
        ~Owned() override {
            auto &ws = platform().windows_;
            ws.erase(std::remove(ws.begin(), ws.end(), this), ws.end());
        }
    };
    return std::make_unique<Owned>(form);
}

std::unique_ptr<ui::NativeField> Platform::createField(ui::Control &control, const ui::FieldInfo &) {
    return std::make_unique<Field>(control);
}

void Platform::choose(ui::ListBox &list, int row) {
    native(list).state.current = row;
    ui::Event e = event(ui::Event::Selected, &list);
    e.row = row;
    list.form().handle(e);
}

bool Platform::keyboardAt(ui::Control &c) {
    if (c.field()) return native(c).focused;
    for (auto &other : c.form().controls())
        if (other->field() && native(*other).focused) return false;
    return c.hasFocus();
}

// ---------------------------------------------------------------- services

QImage Platform::bitmap(int id) {
    static std::map<int, QImage> read;
    auto it = read.find(id);
    if (it == read.end()) {
        const QString path = QStringLiteral(LUNIVAR_SOURCE_DIR "/src/res/bmp/%1.bmp").arg(id);
        QImage img = QImage(path).convertToFormat(QImage::Format_RGB32);
        // Five bits a channel (16-bit bitmaps) widen to eight by repeating
        // their top bits, as the system shows them; Qt only shifts them.
        QFile f(path);
        if (f.open(QIODevice::ReadOnly) && f.read(30).mid(28, 1) == QByteArray(1, 16))
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) {
                    const QRgb c = img.pixel(x, y);
                    auto w = [](int v) { return v | v >> 5; };
                    img.setPixel(x, y, qRgb(w(qRed(c)), w(qGreen(c)), w(qBlue(c))));
                }
        it = read.emplace(id, img).first;
    }
    return it->second;
}

std::optional<std::vector<std::uint8_t>> Platform::readFile(const ui::String &path) {
    read_ = path;
    const ui::String folder = "/opt/lunivar/wav/";
    ui::String file;
    if (path.rfind(":/", 0) == 0) file = LUNIVAR_SOURCE_DIR "/src/res/" + path.substr(2);
    else if (path.rfind(folder, 0) == 0) file = LUNIVAR_SOURCE_DIR "/src/res/wav/" + path.substr(folder.size());
    else return std::nullopt;
    return ui::readPlainFile(file, 1 << 24);
}

ui::Rect Platform::measureText(const ui::FontDef &, const ui::String &text) {
    return ui::Rect{0, 0, 6 * int(QString::fromStdString(text).toUcs4().size()), 13};
}

void Platform::drawText(ui::Surface &into, const ui::Rect &clip, const ui::TextRun &run, int scale) {
    const ui::Rect size = measureText(run.font, ui::withoutAccessKeys(run.caption));
    const ui::Rect box = geom::intersect(clip, ui::Rect{run.x * scale, run.y * scale, size.w * scale, size.h * scale});
    for (int y = box.y; y < box.y + box.h; ++y) std::fill_n(into.row(y) + box.x, box.w, ui::pixelOf(run.color));
}

int Platform::msgBox(const ui::String &prompt, int, const ui::String &title) {
    messages.push_back(prompt + "|" + title);
    return 1;
}

ui::String Platform::monthName(int month) {
    static const char *names[] = {"Январь", "Февраль", "Март", "Апрель", "Май", "Июнь", "Июль", "Август",
                                  "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
    return names[month - 1];
}

void Platform::dispatchEvents(int maxMs) {
    if (maxMs >= 0) {
        clock += maxMs;
        return;
    }
    // A modal window waits for its user: the test's.
    Window *modal = nullptr;
    for (Window *w : windows_)
        if (w->visible && w->modal) modal = w;
    assert(modal && "waiting for events without a modal window");
    resetPointer();
    onModal(modal->form);
    assert(!modal->visible && "a modal window must be unloaded before its show returns");
}

bool Platform::play(const ui::sound::Wave *wave) {
    if (wave) sounds.push_back(read_);
    return true;
}

// ---------------------------------------------------------------- the pointer

ui::Control *Platform::nativeAt(ui::Form &form, int cx, int cy) {
    for (auto &c : form.controls())
        if (c->field() && native(*c).state.visible && native(*c).state.place.contains(cx, cy)) return c.get();
    return nullptr;
}

Platform::Hit Platform::hit(int sx, int sy) {
    const Window *modal = nullptr;
    for (Window *w : windows_)
        if (w->visible && w->modal) modal = w;
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
        Window &w = **it;
        const int cx = sx - w.x, cy = sy - w.y;
        if (!w.visible || w.nothing || w.state == ui::vbMinimized || !ui::Rect{0, 0, w.width, w.height}.contains(cx, cy)) continue;
        if (!w.outline.empty() &&
            std::none_of(w.outline.begin(), w.outline.end(), [&](const ui::Rect &r) { return r.contains(cx, cy); }))
            continue; // outside the window's shape: what lies below gets it
        if (modal && modal != &w) return {}; // a modal window takes all input
        return Hit{&w.form, nativeAt(w.form, cx, cy), cx, cy};
    }
    return {};
}

void Platform::deliver(const Hit &h, ui::Event::Type type, int button, int buttons) {
    if (!h.form) return;
    // Lists and text boxes handle the pointer themselves; a press gives them the keyboard.
    if (h.native) {
        if (type == ui::Event::PointerDown && !native(*h.native).focused) {
            native(*h.native).setFocus(true);
            h.form->handle(event(ui::Event::FieldFocused, h.native));
        }
        return;
    }
    ui::Event e = event(type);
    e.button = button, e.buttons = buttons, e.x = h.cx, e.y = h.cy;
    h.form->handle(e);
}

void Platform::pointerMove(int sx, int sy) {
    if (grab_.form) {
        Window &w = window(*grab_.form);
        deliver(Hit{grab_.form, grab_.native, sx - w.x, sy - w.y}, ui::Event::PointerMove, 0, lastPress_.button);
    } else {
        deliver(hit(sx, sy), ui::Event::PointerMove, 0, 0);
    }
}

void Platform::pointerPress(int sx, int sy, std::int16_t button) {
    const Hit h = hit(sx, sy);
    if (!h.form) return;
    const bool twice = lastPress_.sx == sx && lastPress_.sy == sy && lastPress_.button == button;
    lastPress_ = {sx, sy, button};
    grab_ = h;
    deliver(h, twice ? ui::Event::DoubleClick : ui::Event::PointerDown, button, button);
    if (twice) lastPress_ = {};
}

void Platform::pointerRelease(int sx, int sy, std::int16_t button) {
    if (!grab_.form) return;
    Window &w = window(*grab_.form);
    const Hit h{grab_.form, grab_.native, sx - w.x, sy - w.y};
    grab_ = {};
    deliver(h, ui::Event::PointerUp, button, 0);
}

// ---------------------------------------------------------------- the keyboard

void Platform::key(ui::Key key, std::int16_t shift, char32_t letter, bool repeat) {
    Window *active = nullptr;
    for (Window *w : windows_)
        if (w->visible && !w->nothing && w->state != ui::vbMinimized) active = w;
    if (!active) return;
    ui::Event e = event(ui::Event::Key);
    e.key = key, e.letter = letter, e.repeat = repeat;
    e.modifiers = (shift & ui::vbShiftMask ? ui::Event::ShiftKey : 0) | (shift & ui::vbCtrlMask ? ui::Event::CtrlKey : 0) |
                  (shift & ui::vbAltMask ? ui::Event::AltKey : 0);
    active->form.handle(e);
}

// ---------------------------------------------------------------- the sign table

const std::vector<SignRow> &signTable() {
    static const std::vector<SignRow> rows = [] {
        std::vector<SignRow> out;
        QFile f(QStringLiteral(LUNIVAR_SOURCE_DIR "/tests/support/signs.tsv"));
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return out;
        QTextStream in(&f);
        while (!in.atEnd()) {
            const QString line = in.readLine();
            if (line.startsWith(u'#') || line.trimmed().isEmpty()) continue;
            const QStringList c = line.split(u'\t');
            auto day = [](const QString &md) { return md.left(2).toInt() * 100 + md.mid(3).toInt(); };
            out.push_back({c[0].toInt(), c[1], c[2], c[3], c[4], c[5], c[6], day(c[7]), day(c[8])});
        }
        return out;
    }();
    return rows;
}

} // namespace fake
