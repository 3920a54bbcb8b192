#include "fake_platform.h"

#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <cassert>

namespace fake {

namespace {
Platform *instance = nullptr;

ui::Image imageOf(const QImage &q) {
    const QImage rgb = q.convertToFormat(QImage::Format_RGB32);
    ui::Image img(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) img.at(x, y) = rgb.pixel(x, y);
    return img;
}

} // namespace

Platform &platform() { return *instance; }

// ---------------------------------------------------------------- windows and controls

void Window::show(ui::NativeWindow *o, bool m) {
    if (o) owner = dynamic_cast<Window *>(o);
    visible = true;
    modal = m;
    auto &ws = platform().windows_;
    ws.erase(std::remove(ws.begin(), ws.end(), this), ws.end());
    ws.push_back(this);
}

void Window::hide() {
    visible = false, modal = false;
    // The window below is activated again.
    if (owner && owner->visible) owner->form.nativeActivated();
}

void Window::runModal() {
    modalEnded = false;
    platform().resetPointer();
    platform().onModal(form);
    assert(modalEnded && "a modal window must be unloaded before its show returns");
}

int Window::popupMenu(const std::vector<ui::String> &captions) {
    platform().resetPointer(); // the menu takes the pointer
    return platform().onPopup(captions);
}


void Control::setFocus() {
    // One control of a window has the keyboard.
    for (auto &other : control.form().controls()) Platform::native(*other).focused = false;
    focused = true;
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

std::unique_ptr<ui::NativeControl> Platform::createControl(ui::Control &control, const ui::ControlInfo &) {
    return std::make_unique<Control>(control);
}

// ---------------------------------------------------------------- services

QImage Platform::bitmap(int id) {
    static std::map<int, QImage> read;
    auto it = read.find(id);
    if (it == read.end())
        it = read.emplace(id, QImage(QStringLiteral(LUNIVAR_SOURCE_DIR "/src/res/bmp/%1.bmp").arg(id)).convertToFormat(QImage::Format_RGB32)).first;
    return it->second;
}

ui::Picture Platform::loadBitmap(int id) {
    const QImage q = bitmap(id);
    return q.isNull() ? ui::Picture() : ui::Picture{imageOf(q), {}, id};
}

ui::Image Platform::layoutPicture(const ui::String &name, int) {
    return imageOf(QImage(QStringLiteral(LUNIVAR_SOURCE_DIR "/src/res/layout/%1.png").arg(QString::fromStdString(name))));
}

ui::Rect Platform::textSize(const ui::FontDef &, const ui::String &text) {
    return ui::Rect{0, 0, 6 * int(QString::fromStdString(text).toUcs4().size()), 13};
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

std::optional<ui::sound::Wave> Platform::readWave(const ui::String &path) {
    read_ = path;
    const ui::String folder = appPath() + "/wav/";
    if (path.rfind(folder, 0) != 0) return std::nullopt;
    return ui::sound::readWave(LUNIVAR_SOURCE_DIR "/src/res/wav/" + path.substr(folder.size()));
}

bool Platform::startSound(ui::sound::Wave) {
    sounds.push_back(read_);
    return true;
}

// ---------------------------------------------------------------- the pointer

ui::Control *Platform::nativeAt(ui::Form &form, int cx, int cy) {
    for (auto &c : form.controls()) {
        const bool native = dynamic_cast<ui::ListBox *>(c.get()) || dynamic_cast<ui::TextBox *>(c.get());
        const ui::Rect &g = Platform::native(*c).geometry;
        if (native && Platform::native(*c).visible && g.contains(cx, cy)) return c.get();
    }
    return nullptr;
}

Platform::Hit Platform::hit(int sx, int sy) {
    const Window *modal = nullptr;
    for (Window *w : windows_)
        if (w->visible && w->modal) modal = w;
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
        Window &w = **it;
        const int cx = sx - w.x, cy = sy - w.y;
        if (!w.visible || w.state == ui::vbMinimized || !ui::Rect{0, 0, w.width, w.height}.contains(cx, cy)) continue;
        if (!w.outline.empty() &&
            std::none_of(w.outline.begin(), w.outline.end(), [&](const ui::Rect &r) { return r.contains(cx, cy); }))
            continue; // outside the window's shape: what lies below gets it
        if (modal && modal != &w) return {}; // a modal window takes all input
        return Hit{&w.form, nativeAt(w.form, cx, cy), cx, cy};
    }
    return {};
}

void Platform::deliver(const Hit &h, ui::MouseEvent e) {
    if (!h.form) return;
    // Lists and text boxes handle the pointer themselves; a press gives them the keyboard.
    if (h.native) {
        if (e.kind == ui::MouseEvent::Down && !native(*h.native).focused) {
            native(*h.native).setFocus();
            h.native->nativeFocusIn();
        }
        return;
    }
    e.x = h.cx, e.y = h.cy;
    h.form->nativePointer(e);
}

void Platform::pointerMove(int sx, int sy) {
    ui::MouseEvent e{ui::MouseEvent::Move, 0, lastPress_.button, 0, 0, 0};
    if (grab_.form) {
        Window &w = window(*grab_.form);
        deliver(Hit{grab_.form, grab_.native, sx - w.x, sy - w.y}, e);
    } else {
        e.buttons = 0;
        deliver(hit(sx, sy), e);
    }
}

void Platform::pointerPress(int sx, int sy, std::int16_t button) {
    const Hit h = hit(sx, sy);
    if (!h.form) return;
    const bool twice = lastPress_.sx == sx && lastPress_.sy == sy && lastPress_.button == button;
    lastPress_ = {sx, sy, button};
    grab_ = h;
    deliver(h, ui::MouseEvent{twice ? ui::MouseEvent::DoubleClick : ui::MouseEvent::Down, button, button, 0, 0, 0});
    if (twice) lastPress_ = {};
}

void Platform::pointerRelease(int sx, int sy, std::int16_t button) {
    if (!grab_.form) return;
    Window &w = window(*grab_.form);
    const Hit h{grab_.form, grab_.native, sx - w.x, sy - w.y};
    grab_ = {};
    deliver(h, ui::MouseEvent{ui::MouseEvent::Up, button, 0, 0, 0, 0});
}

// ---------------------------------------------------------------- the keyboard

void Platform::key(ui::Key key, std::int16_t shift, char32_t letter, bool repeat) {
    Window *active = nullptr;
    for (Window *w : windows_)
        if (w->visible && w->state != ui::vbMinimized) active = w;
    if (active) active->form.nativeKey(ui::KeyEvent{key, letter, shift, repeat});
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
