// The windows driven by random user events side by side with a model of what
// the user sees, written from the program's description: the date lists and
// the five fields, the faces of the caption buttons, push buttons, title bar,
// bottom strip and side strips (pixel for pixel against the bitmap files),
// the window's place, size, state and outline, the frame's controls, the
// control that has the keyboard and the focus mark on a push button, the
// sounds, the message box, the menu and the About window, and the end of the
// program. Events go through the test's platform, which finds the control
// under the pointer as a window system does and types into the active window. After every event the two are
// compared; a difference prints the events so far. LUNIVAR_MODEL_SEED and
// LUNIVAR_MODEL_EVENTS change the run.
#include "about/frmMenu.h"
#include "app/frmMain.h"
#include "support/fake_platform.h"

#include <QPainter>
#include <QRegion>
#include <QtTest>

#include <random>
#include <sstream>

using fake::platform;
using fake::Platform;

namespace {

const int kMonthDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
const char *kPath = "/opt/lunivar/wav/";
constexpr QRgb kGrey = 0xFFE0E0E0;

// The main window's controls that take the keyboard, in tab order: the
// layout's tab indexes 10 to 26.
const std::pair<const char *, int> kTabOrder[] = {{"lstMonth", -1}, {"lstDay", -1}, {"pctButton", 0}, {"txtSign", -1},
                                                  {"txtPair", -1}, {"txtPercStone", -1}, {"txtTalis", -1},
                                                  {"pctButton", 1}, {"pctButton", 2}, {"txtZ", -1}};
constexpr int kTabStops = 10;

// A push button's face with the focus mark: every other pixel of a
// rectangle 3 pixels inside its edges dark grey.
QImage marked(QImage img) {
    for (int y = 3; y <= img.height() - 4; ++y)
        for (int x = 3; x <= img.width() - 4; ++x)
            if ((x == 3 || y == 3 || x == img.width() - 4 || y == img.height() - 4) && (x + y) % 2 == 0)
                img.setPixel(x, y, 0xFF3C3C3C);
    return img;
}

// A control's place in its container, and in its window.
ui::Rect placeOf(const ui::Control &c) {
    return ui::Rect{ui::roundPx(c.pxLeft()), ui::roundPx(c.pxTop()), ui::roundPx(c.pxWidth()), ui::roundPx(c.pxHeight())};
}
QRect inWindow(const ui::Control &c) {
    QRect r(placeOf(c).x, placeOf(c).y, placeOf(c).w, placeOf(c).h);
    for (const ui::Control *p = c.container(); p; p = p->container()) r.translate(placeOf(*p).x, placeOf(*p).y);
    return r.translated(c.form().framePx(), c.form().framePx());
}

// A caption as the test's platform draws it: a box as large as the text, six
// pixels a letter and 13 high, within its label.
QImage withCaption(QImage img, const ui::Label &l, QRgb colour, QPoint origin = QPoint()) {
    const ui::Rect r = placeOf(l);
    const int letters = int(QString::fromStdString(l.displayText()).toUcs4().size());
    QPainter p(&img);
    p.fillRect(QRect(r.x, r.y, r.w, r.h).intersected(QRect(r.x, r.y, 6 * letters, 13)).translated(origin), QColor(colour));
    return img;
}

// What a window shows of a control.
QImage shownOf(const ui::Control &c) {
    const ui::Surface &s = Platform::window(c.form()).screen();
    const QImage img(reinterpret_cast<const uchar *>(s.row(0)), s.width(), s.height(), qsizetype(s.width()) * 4,
                     QImage::Format_RGB32);
    return img.copy(inWindow(c));
}

// A push-button face as described: the left cap at 0, middle tiles from 13
// every 6 pixels while x <= width - 9, the right cap at width - 9.
QImage face(int width, bool hover) {
    static std::map<std::pair<int, bool>, QImage> made;
    if (auto it = made.find({width, hover}); it != made.end()) return it->second;
    QImage &img = made[{width, hover}];
    img = QImage(width, 21, QImage::Format_RGB32);
    img.fill(kGrey);
    QPainter p(&img);
    p.drawImage(0, 0, Platform::bitmap(hover ? 116 : 113));
    for (int x = 13; x <= width - 9; x += 6) p.drawImage(x, 0, Platform::bitmap(hover ? 117 : 114));
    p.drawImage(width - 9, 0, Platform::bitmap(hover ? 118 : 115));
    p.end();
    return img;
}

// The outline of a window w x h pixels at (x0, y0): rows cut by 3, 2 and 1
// pixels at both ends, top and bottom, as the 10 x 10 ellipse rounds them.
QRegion outline(int x0, int y0, int w, int h) {
    QRegion r(x0, y0 + 3, w, h - 6);
    for (int i = 0; i < 3; ++i) {
        r += QRect(x0 + 3 - i, y0 + i, w - 2 * (3 - i), 1);
        r += QRect(x0 + 3 - i, y0 + h - 1 - i, w - 2 * (3 - i), 1);
    }
    return r;
}

QRegion regionOf(const std::vector<ui::Rect> &rects) {
    QRegion r;
    for (const ui::Rect &x : rects) r += QRect(x.x, x.y, x.w, x.h);
    return r;
}

// What lies under a point of a window (its pixels): a list or a text box,
// else the picture box or label the layout puts on top (its table lists the
// topmost first), then the topmost of that one's children, and so on down.
ui::Control *under(ui::Form &form, int x, int y) {
    if (ui::Control *n = Platform::nativeAt(form, x, y)) return n;
    ui::Control *found = nullptr;
    QPoint origin(form.framePx(), form.framePx());
    for (bool deeper = true; deeper;) {
        deeper = false;
        for (const ui::ControlDef &d : form.def().controls) {
            ui::Control *c = form.find(d.name, d.index);
            const ui::Rect g = placeOf(*c);
            if (c->container() == found && c->Visible() && QRect(origin + QPoint(g.x, g.y), QSize(g.w, g.h)).contains(x, y)) {
                found = c, deeper = true, origin += QPoint(g.x, g.y);
                break;
            }
        }
    }
    return found;
}

struct Mismatch {
    std::string what;
};

void expect(bool ok, const std::string &what) {
    if (!ok) throw Mismatch{what};
}

} // namespace

class TestModel : public QObject {
    Q_OBJECT

    // ---------------------------------------------------------------- the model
    struct Model {
        int day = 0, month = 0;
        QString fields[5]; // sign, glyph letter, pairs, stone, talisman
        int minFace = 102, closeFace = 104;
        bool hover[3] = {};
        bool drag = false;
        int offX = 0, offY = 0; // pointer minus window at the press that started a drag
        int x = 322, y = 283, width = 380, height = 202;
        int state = 0;
        std::vector<QString> sounds;
        std::vector<QString> said; // what a screen reader was told at once
        int messages = 0;
        bool menuLoaded = false; // the About window's form, loaded
        bool aboutShown = false;
        bool inactive = false; // the frame's face while the icon's menu and its command run
        bool ended = false;
        int focus = 0; // the control with the keyboard, in kTabOrder
        QString announced; // what a screen reader was told of the last lookup, while the keyboard stays
        std::int64_t soundAt = -1; // when the last sound started
    } m;

    Platform *fp = nullptr;
    std::mt19937 rng;
    std::vector<std::string> log;
    frmMain *main = nullptr;

    int pick(int n) { return int(rng() % unsigned(n)); }

    void lookup() {
        const int d = std::clamp(m.day + 1, 1, kMonthDays[m.month]), md = (m.month + 1) * 100 + d;
        for (const auto &s : fake::signTable())
            if (s.first <= s.last ? md >= s.first && md <= s.last : md >= s.first || md <= s.last) {
                // Without the symbol font, the glyph box shows the sign's own character.
                const QString f[5] = {s.name, fp->symbolFont ? s.glyph : s.symbol, s.pairs, s.stone, s.talisman};
                std::copy(f, f + 5, m.fields);
                m.announced = QStringLiteral("Ваш знак зодиака: ") + s.name;
                m.said.push_back(m.announced);
            }
    }
    void allNormal() { m.hover[0] = m.hover[1] = m.hover[2] = false; }
    void focusTo(int t) {
        if (t != m.focus) m.announced.clear();
        m.focus = t;
    }
    void captionNormal() { m.minFace = 102, m.closeFace = 104; }
    // A sound is played unless one still plays: one started at this moment
    // (the clock moves by nothing or by seconds, longer than any sound).
    void sound(const char *file) {
        if (m.soundAt == fp->clock) return;
        m.sounds.push_back(QString(kPath) + file);
        m.soundAt = fp->clock;
    }

    // The window's resize handler: the minimum size unless minimised.
    void resized() {
        if (m.state != 1) m.width = std::max(m.width, 380), m.height = std::max(m.height, 200);
    }
    void setState(int s) {
        if (s == m.state) return;
        m.state = s;
        resized();
    }

    // ---------------------------------------------------------------- comparing
    static ui::Control &control(const QString &name, int index = -1) {
        return *frmMainRef().find(name.toStdString(), index);
    }
    static QImage picture(const char *name, int index = -1) { return shownOf(control(name, index)); }
    static ui::Rect geometry(const char *name, int index = -1) { return placeOf(control(name, index)); }

    void compare() {
        frmMain &f = frmMainRef();
        const char *fields[5] = {"txtSign", "txtZ", "txtPair", "txtPercStone", "txtTalis"};
        for (int i = 0; i < 5; ++i)
            expect(QString::fromStdString(Platform::native(control(fields[i])).state.text) == m.fields[i], std::string(fields[i]) + " text");
        expect(Platform::native(f.lstDay).state.current == m.day, "day selected");
        expect(Platform::native(f.lstMonth).state.current == m.month, "month selected");
        expect(picture("pctMin") == Platform::bitmap(m.minFace), "minimise button face");
        expect(picture("pctClose") == Platform::bitmap(m.closeFace), "close button face");
        // One control has the keyboard; a push button that has it shows the mark.
        for (int i = 0; i < 3; ++i) {
            const bool focused = kTabOrder[m.focus].first == std::string("pctButton") && kTabOrder[m.focus].second == i;
            const QImage look = focused ? marked(face(177, m.hover[i])) : face(177, m.hover[i]);
            expect(picture("pctButton", i) == withCaption(look, f.lblButton(i), qRgb(0, 0, 0)),
                   "push button " + std::to_string(i) + " look and focus mark");
        }
        for (int t = 0; t < kTabStops; ++t)
            expect(Platform::keyboardAt(control(kTabOrder[t].first, kTabOrder[t].second)) == (t == m.focus),
                   std::string("keyboard at ") + kTabOrder[m.focus].first + ", not " + kTabOrder[t].first);
        // A screen reader is told where the keyboard is, and after a lookup
        // the sign, as the description of that control until it moves on.
        ui::Control &focused = control(kTabOrder[m.focus].first, kTabOrder[m.focus].second);
        expect(Platform::window(f).focusTold == &focused, "a screen reader told the keyboard is elsewhere");
        const QString told = m.announced.isEmpty() ? QString::fromStdString(focused.def().toolTip) : m.announced;
        expect(QString::fromStdString(focused.accessible().description) == told, "the description read: " + told.toStdString());
        const int W = m.width, H = m.height;
        const QImage title = picture("pctTitle"), bottom = picture("pctBottom");
        const int w380 = std::min(W, 380);
        // The title bar between the icon and the caption buttons.
        const QRect bar(30, 0, w380 - 30 - 64, 24);
        // The caption over its shadow, two pixels down and right, grey.
        const QImage face = withCaption(withCaption(Platform::bitmap(m.inactive ? 112 : 111), f.lblTitleS, qRgb(128, 128, 128)),
                                        f.lblTitle, qRgb(0, 0, 0));
        expect(title.copy(bar) == face.copy(bar), "title bar face and caption");
        expect(bottom.copy(0, 0, w380, 7) == Platform::bitmap(m.inactive ? 107 : 106).copy(0, 0, w380, 7), "bottom face");
        const QRgb strip = m.inactive ? 0xFF8080FF : 0xFFC0C0C0;
        for (const char *name : {"pctLeft", "pctRight"}) {
            const QImage s = picture(name);
            expect(s.pixel(0, 0) == strip && s.pixel(s.width() - 1, s.height() - 1) == strip, std::string(name) + " colour");
        }
        fake::Window &w = Platform::window(f);
        expect(w.x == m.x && w.y == m.y, "window position");
        expect(w.width == W && w.height == H, "window size");
        expect(w.state == m.state, "window state");
        expect(regionOf(w.outline) == outline(0, 0, W, H), "window outline");
        // The frame's controls where the resize handlers put them.
        expect(geometry("pctTitle") == ui::Rect{0, 0, W, 24} && geometry("pctBottom") == ui::Rect{0, H - 7, W, 7} &&
                   geometry("pctLeft") == ui::Rect{0, 24, 2, H - 31} && geometry("pctRight") == ui::Rect{W - 2, 24, 2, H - 31},
               "docked strips");
        expect(geometry("pctClose") == ui::Rect{W - 18 - 4, 4, 18, 19} && geometry("pctMin") == ui::Rect{W - 18 - 34 - 10, 4, 17, 19},
               "caption buttons' places");
        const int captionW = 6 * 11; // "Lunivar 5.3", six pixels a letter
        const ui::Rect t = geometry("lblTitle"), ts = geometry("lblTitleS");
        expect(t == ui::Rect{ui::roundPx((W - captionW) / 2.0), ui::roundPx((24 - 13) / 2.0), captionW, 13} &&
                   ts == ui::Rect{t.x + 2, t.y + 2, captionW, 13},
               "caption and its shadow");
        const int captions[3] = {9, 7, 14}; // Проверить, Закрыть, О программе...
        for (int i = 0; i < 3; ++i)
            expect(geometry("lblButton", i) == ui::Rect{ui::roundPx((177 - 6 * captions[i]) / 2.0), 3, 6 * captions[i], 13},
                   "push button caption " + std::to_string(i) + " centred");
        std::vector<QString> played;
        for (const auto &s : fp->sounds) played.push_back(QString::fromStdString(s));
        expect(played == m.sounds, "sounds played");
        std::vector<QString> said;
        for (const auto &s : Platform::window(f).said) said.push_back(QString::fromStdString(s));
        expect(said == m.said, "what a screen reader was told at once");
        expect(int(fp->messages.size()) == m.messages, "message boxes");
        expect(frmMenuRef.exists() == m.menuLoaded, "the menu's form loaded");
        expect(!frmMenuRef.exists() || frmMenuRef.get()->isShown() == m.aboutShown, "About window shown or hidden");
    }

    // ---------------------------------------------------------------- events

    // A point inside a control of the window (client pixels), or of its free area.
    QPoint pointIn(ui::Form &form, ui::Control *c) {
        if (!c) {
            // The free area between the lists and the fields.
            return QPoint(186 + pick(5), 30 + pick(150));
        }
        const QRect g = inWindow(*c);
        (void)form;
        return QPoint(g.x() + pick(std::max(1, g.width())), g.y() + pick(std::max(1, g.height())));
    }

    // What a pointer event at a point of the main window reaches: outside
    // its outline (the cut corners), nothing of the program.
    QString receiver(QPoint p, int *index) {
        *index = -1;
        if (!regionOf(Platform::window(frmMainRef()).outline).contains(p)) return QStringLiteral("outside");
        ui::Control *c = under(frmMainRef(), p.x(), p.y());
        *index = c ? c->Index() : -1;
        return c ? QString::fromStdString(c->Name()) : QString();
    }

    // A move onto the point, as the model sees it.
    void modelMove(const QString &r, int i) {
        if (r.isEmpty()) captionNormal(), allNormal();
        else if (r == "pctButton" || r == "lblButton") allNormal(), m.hover[i] = true;
        else if (r == "pctMin") m.closeFace = 104, m.minFace = 109;
        else if (r == "pctClose") m.minFace = 102, m.closeFace = 105;
        else if (r == "pctTitle" || r == "lblTitle") {
            if (m.state == 2 || !m.drag) captionNormal();
        }
    }

    void pushButton(int i) {
        sound("min.wav");
        if (i == 0) lookup();
        if (i == 1) m.ended = true;
        if (i == 2) about();
    }

    // The About window, shown modally from the main window.
    void about() {
        fp->onModal = [this](ui::Form &form) {
            m.menuLoaded = m.aboutShown = true;
            aboutEvents(dynamic_cast<frmMenu &>(form));
            m.menuLoaded = m.aboutShown = false; // closed, however it is closed, and gone
            // Shown once for each time it is asked for.
            fp->onModal = [](ui::Form &f) {
                f.Unload();
                throw Mismatch{"the About window shown again"};
            };
        };
    }

    void aboutEvents(frmMenu &a) {
        fake::Window &w = Platform::window(a);
        expect(w.visible && w.modal, "About shown modally");
        expect(Platform::keyboardAt(a.pctButton) && w.focusTold == &a.pctButton, "the keyboard on OK, and a screen reader told");
        expect(w.x == m.x + (m.width - 320) / 2 && w.y == m.y + (m.height - 191) / 2, "About centred on the main window");
        expect(regionOf(w.outline) == outline(1, 1, 318, 189), "About outline");
        expect(a.lblVer.Caption() == "5.3" && a.lblVerS.Caption() == "5.3", "About version");
        bool hover = false;
        auto look = [&] {
            expect(shownOf(a.pctButton) == withCaption(marked(face(105, hover)), a.lblButton, qRgb(0, 0, 0)),
                   "About button look, focus mark and caption");
        };
        look();
        for (int n = pick(6); n-- > 0;) {
            switch (pick(5)) {
            case 4: { // keys that leave it open: Tab (OK is its one stop), Alt and a letter no caption has
                const bool tab = pick(2);
                log.push_back(tab ? "About: Tab" : "About: Alt+ж");
                tab ? fp->key(ui::Key::Tab) : fp->key(ui::Key::Other, ui::vbAltMask, U'ж');
                expect(Platform::keyboardAt(a.pctButton), "the keyboard stays on OK");
                break;
            }
            case 0: { // the pointer over a part of the About window
                ui::Control *targets[] = {&a.pctButton, &a.lblButton, &a.lblVer, nullptr};
                ui::Control *c = targets[pick(4)];
                const QPoint p = c ? pointIn(a, c) : QPoint(20 + pick(60), 30 + pick(40));
                log.push_back("About: move onto " + (c ? c->Name() : std::string("background")));
                fp->pointerMove(w.x + p.x(), w.y + p.y());
                ui::Control *got = under(a, p.x(), p.y());
                if (!got) hover = false;
                else if (got == &a.pctButton) hover = true;
                break;
            }
            default: { // a click on the main window, which takes no input meanwhile
                const QPoint p(40, 130);
                log.push_back("click on the main window under About");
                fp->click(m.x + p.x(), m.y + p.y());
                break;
            }
            }
            look();
            compare();
        }
        // Closed by its button, its caption, Enter, Space, Escape, Alt+O, a
        // screen reader or the window manager.
        switch (pick(8)) {
        case 0: log.push_back("About: click OK"), fp->click(w.x + 7 + 96 + 10, w.y + 7 + 136 + 10); break;
        case 1: log.push_back("About: click caption OK"), fp->click(w.x + 7 + 96 + 50, w.y + 7 + 136 + 9); break;
        case 2: log.push_back("About: Enter"), fp->key(ui::Key::Enter); break;
        case 3: log.push_back("About: Space"), fp->key(ui::Key::Space); break;
        case 4: log.push_back("About: Escape"), fp->key(ui::Key::Escape); break;
        case 5: log.push_back("About: Alt+o"), fp->key(ui::Key::Other, ui::vbAltMask, U'o'); break;
        case 6: log.push_back("About: pressed by a screen reader"), system(a, ui::Event::Pressed, &a.pctButton); break;
        case 7: log.push_back("About: closed by the window manager"), system(a, ui::Event::Close); break;
        }
        fp->resetPointer();
    }

    // What the system or a screen reader tells a window.
    static void system(ui::Form &form, ui::Event::Type type, ui::Control *c = nullptr, int w = 0, int h = 0, int state = 0) {
        ui::Event e;
        e.type = type, e.control = c, e.width = w, e.height = h, e.state = std::int16_t(state);
        form.handle(e);
    }

    static int tabStop(const QString &name, int index = -1) {
        for (int t = 0; t < kTabStops; ++t)
            if (name == kTabOrder[t].first && index == kTabOrder[t].second) return t;
        return -1;
    }

    // The day list's rule after a list moved: no day the month does not have.
    void fixDay() {
        if (m.month >= 1) m.day = std::min(m.day, kMonthDays[m.month] - 1);
    }

    // A key pressed in the main window.
    void keys() {
        frmMain &f = frmMainRef();
        struct Press { const char *name; ui::Key key; std::int16_t shift; char32_t letter; };
        static const Press presses[] = {
            {"Tab", ui::Key::Tab, 0, 0},          {"Shift+Tab", ui::Key::Tab, ui::vbShiftMask, 0},
            {"Enter", ui::Key::Enter, 0, 0},      {"Space", ui::Key::Space, 0, 0},
            {"Escape", ui::Key::Escape, 0, 0},    {"Alt+п", ui::Key::Other, ui::vbAltMask, U'п'},
            {"Alt+П", ui::Key::Other, ui::vbAltMask, U'П'}, {"Alt+з", ui::Key::Other, ui::vbAltMask, U'з'},
            {"Alt+о", ui::Key::Other, ui::vbAltMask, U'о'}, {"Alt+ж", ui::Key::Other, ui::vbAltMask, U'ж'},
            {"п", ui::Key::Other, 0, U'п'},       {"Up", ui::Key::Up, 0, 0},
            {"Down", ui::Key::Down, 0, 0},        {"PageUp", ui::Key::PageUp, 0, 0},
            {"PageDown", ui::Key::PageDown, 0, 0}, {"Home", ui::Key::Home, 0, 0},
            {"End", ui::Key::End, 0, 0},
        };
        // Lists' keys more often: they are many.
        const Press &p = presses[std::size_t(pick(2) ? pick(11) : 11 + pick(6))];
        log.push_back(std::string("key ") + p.name + " with the keyboard at " + kTabOrder[m.focus].first);
        const auto &[name, index] = kTabOrder[m.focus];
        const bool onButton = !std::strcmp(name, "pctButton");
        const bool onList = !std::strcmp(name, "lstDay") || !std::strcmp(name, "lstMonth");
        switch (p.key) {
        case ui::Key::Tab: focusTo((m.focus + (p.shift ? kTabStops - 1 : 1)) % kTabStops); break;
        case ui::Key::Enter:
        case ui::Key::Space:
            if (onButton) pushButton(index);
            break;
        case ui::Key::Other:
            if (p.shift == ui::vbAltMask && (p.letter == U'п' || p.letter == U'П')) pushButton(0);
            if (p.shift == ui::vbAltMask && p.letter == U'з') pushButton(1);
            if (p.shift == ui::vbAltMask && p.letter == U'о') pushButton(2);
            break;
        case ui::Key::Escape: break;
        default:
            if (onList) {
                // A page is the six rows a list shows, less one.
                int &row = !std::strcmp(name, "lstDay") ? m.day : m.month;
                const int count = !std::strcmp(name, "lstDay") ? 31 : 12;
                const int moved = p.key == ui::Key::Up ? row - 1 : p.key == ui::Key::Down ? row + 1
                                : p.key == ui::Key::PageUp ? row - 5 : p.key == ui::Key::PageDown ? row + 5
                                : p.key == ui::Key::Home ? 0 : count - 1;
                row = std::clamp(moved, 0, count - 1);
                fixDay();
            }
        }
        fp->key(p.key, p.shift, p.letter);
        // A key that presses a button, held down: it presses once.
        if ((p.key == ui::Key::Enter || p.key == ui::Key::Space || p.key == ui::Key::Other) && !pick(3)) {
            log.push_back(std::string("held: ") + p.name);
            for (int n = 1 + pick(3); n-- > 0;) fp->key(p.key, p.shift, p.letter, true);
        }
        (void)f;
    }

    void iconMenu() {
        fp->onPopup = [this](const std::vector<ui::String> &captions) {
            expect(captions == std::vector<ui::String>{"&О программе", "-", "В&ыход"}, "menu items");
            m.inactive = true;
            compare();
            const int choice = std::array{-1, 0, 2}[std::size_t(pick(3))];
            log.push_back("menu choice " + std::to_string(choice));
            if (choice == 2) m.ended = true;
            if (choice == 0) about();
            return choice;
        };
        m.menuLoaded = true;
    }

    // A press and release with `button` at a point, with moves between (in
    // the window's pixels where the gesture starts); twice at the same place
    // is a double click.
    void gesture(std::int16_t button, QPoint at, const std::vector<QPoint> &moves, bool twice) {
        int i;
        const QString r = receiver(at, &i);
        ui::Control *grabbed = r == "outside" ? nullptr : under(frmMainRef(), at.x(), at.y());
        const int x0 = m.x, y0 = m.y, sx = x0 + at.x(), sy = y0 + at.y();
        std::ostringstream o;
        o << "button " << button << (twice ? " double click" : " press") << " at " << at.x() << "," << at.y() << " ("
          << (r.isEmpty() ? "free area" : r.toStdString()) << ")";
        for (QPoint p : moves) o << ", move " << p.x() << "," << p.y();
        log.push_back(o.str());
        fp->pointerMove(sx, sy); // the pointer gets there first
        modelMove(r, i);
        compare();
        const bool title = r == "pctTitle" || r == "lblTitle";
        if (r == "lstDay" || r == "lstMonth" || r.startsWith("txt")) focusTo(tabStop(r));
        // A click that opens the modal About window is not followed by a double click.
        if ((r == "pctButton" || r == "lblButton") && i == 2) twice = false;
        for (int n = 0; n < (twice ? 2 : 1); ++n) {
            const bool second = n == 1; // a double click's second press is no press
            if (!second && title && button == ui::vbLeftButton) m.drag = true, m.offX = sx - m.x, m.offY = sy - m.y;
            if (!second && title && button == ui::vbMiddleButton) setState(1);
            if (!second && r == "pctIco") iconMenu();
            fp->pointerPress(sx, sy, button);
            if (r == "pctIco") {
                m.inactive = false; // the popup call has returned
                fp->resetPointer(); // the menu took the release
                return;
            }
            int px = sx, py = sy;
            for (QPoint p : second || r == "outside" ? std::vector<QPoint>{} : moves) {
                px = x0 + p.x(), py = y0 + p.y();
                fp->pointerMove(px, py); // to the control that got the press
                if (title && m.drag && m.state != 2) m.x = px - m.offX, m.y = py - m.offY;
                else if (title) captionNormal();
                else modelMove(r, i);
                compare();
            }
            if (title) m.drag = false;
            // A click: a left press and release over the same control.
            bool over = false;
            if (grabbed) {
                const QPoint local(px - m.x, py - m.y);
                over = inWindow(*grabbed).contains(local);
            }
            if (button == ui::vbLeftButton && !second && over && m.state != 1) {
                if (r == "pctButton" || r == "lblButton") pushButton(i);
                else if (r == "pctMin") m.minFace = 109, sound("min.wav"), setState(1);
                else if (r == "pctClose") sound("close.wav"), m.closeFace = 105, m.ended = true;
            }
            fp->pointerRelease(px, py, button);
            if (m.state == 1 || m.ended) return;
            compare();
        }
    }

    void step() {
        frmMain &f = frmMainRef();
        fp->clock += pick(2) ? 0 : 5000;
        // Targets: the controls that answer, and the free area.
        static const char *names[] = {"pctTitle", "lblTitle", "lblTitleS", "pctIco", "pctMin", "pctClose", "pctButton",
                                      "lblButton", "lstDay", "lstMonth", "txtPair", "txtZ", "lbl", "pctBottom", "pctLeft"};
        auto target = [&]() -> ui::Control * {
            const int n = pick(16);
            if (n == 15) return nullptr;
            const bool array = !std::strcmp(names[n], "pctButton") || !std::strcmp(names[n], "lblButton") || !std::strcmp(names[n], "lbl");
            return f.find(names[n], array ? pick(3) : -1);
        };
        const bool shown = m.state != 1;
        switch (shown ? pick(12) : 8 + pick(4)) {
        case 0: case 1: case 2: { // the pointer moves onto a point
            const QPoint p = pointIn(f, target());
            int i;
            const QString r = receiver(p, &i);
            log.push_back("move to " + std::to_string(p.x()) + "," + std::to_string(p.y()) + " (" +
                          (r.isEmpty() ? "free area" : r.toStdString()) + ")");
            fp->pointerMove(m.x + p.x(), m.y + p.y());
            modelMove(r, i);
            break;
        }
        case 3: case 4: { // a click, a drag, another button, or a double click
            ui::Control *c = target();
            const QPoint at = pointIn(f, c);
            std::vector<QPoint> moves;
            for (int n = pick(3); n-- > 0;) moves.push_back(at + QPoint(pick(41) - 20, pick(21) - 10));
            const std::int16_t buttons[] = {ui::vbLeftButton, ui::vbLeftButton, ui::vbMiddleButton, ui::vbRightButton};
            gesture(buttons[pick(4)], at, moves, pick(8) == 0);
            break;
        }
        case 5: case 6: { // a day or a month chosen in its list
            const bool day = pick(2);
            const int row = pick(day ? 31 : 12);
            log.push_back(std::string(day ? "day" : "month") + " row " + std::to_string(row) + " chosen");
            (day ? m.day : m.month) = row;
            fixDay();
            Platform::choose(day ? f.lstDay : f.lstMonth, row);
            break;
        }
        case 7: keys(); break;
        case 8: { // the window manager resizes the window
            if (m.state == 1) break;
            const int w = 300 + pick(200), h = 150 + pick(150);
            log.push_back("resized to " + std::to_string(w) + "x" + std::to_string(h));
            if (m.state != 1) m.width = w, m.height = h, resized();
            Platform::window(f).width = w, Platform::window(f).height = h;
            system(f, ui::Event::Resized, nullptr, w, h);
            break;
        }
        case 9: case 10: { // the window manager minimises, restores or maximises it
            const int s = pick(3);
            log.push_back("window state " + std::to_string(s) + " by the system");
            setState(s);
            Platform::window(f).state = std::int16_t(s);
            system(f, ui::Event::StateChanged, nullptr, 0, 0, s);
            break;
        }
        case 11: // the window manager closes it, now and then
            if (pick(8)) break;
            log.push_back("closed by the window manager");
            m.ended = true;
            system(f, ui::Event::Close);
            break;
        }
    }

    void fresh() {
        fp->clock += 5000; // long after the last sound
        frmMenuRef.clear();
        frmMainRef.clear();
        fp->flush();
        fp->resetPointer();
        fp->sounds.clear();
        fp->messages.clear();
        fp->onModal = [](ui::Form &f) {
            f.Unload();
            throw Mismatch{"the About window shown unasked"};
        };
        m = Model{};
        frmMainRef().Show();
        log.clear();
    }

private slots:
    void initTestCase() { fp = new Platform; }
    void cleanupTestCase() {
        fresh();
        frmMainRef.clear();
        fp->flush();
    }

    void startUp() {
        fresh();
        try {
            compare();
        } catch (const Mismatch &mm) {
            QFAIL(mm.what.c_str());
        }
        frmMain &f = frmMainRef();
        QCOMPARE(QString::fromStdString(Platform::window(f).title), QStringLiteral("Lunivar 5.3"));
        QCOMPARE(f.lstMonth.ListCount(), 12);
        QCOMPARE(QString::fromStdString(f.lstMonth.List(0)), QStringLiteral("Январь"));
        QCOMPARE(f.lstDay.ListCount(), 31);
        QCOMPARE(QString::fromStdString(f.lstDay.List(30)), QStringLiteral("31"));
    }

    void glyphFont() {
        // The glyph box shows the letter in the symbol font where it is
        // installed, else the sign's own character in the face standing in.
        for (bool installed : {true, false}) {
            fp->symbolFont = installed;
            fresh();
            fp->click(m.x + 60, m.y + 130);
            const fake::Field &z = Platform::native(frmMainRef().txtZ);
            QCOMPARE(QString::fromStdString(z.state.text), installed ? QStringLiteral("g") : QStringLiteral("♑"));
            QCOMPARE(QString::fromStdString(z.state.font.face), installed ? QStringLiteral("Wingdings") : QStringLiteral("DejaVu Sans"));
        }
        fp->symbolFont = false;
    }

    void lookupWithoutMonth() {
        // No month selected (set by code; a user cannot): the failure message,
        // and the fields keep what they had.
        fresh();
        frmMain &f = frmMainRef();
        fp->click(m.x + 60, m.y + 130);
        f.lstMonth.setListIndex(-1);
        fp->clock += 5000;
        fp->click(m.x + 61, m.y + 130);
        QCOMPARE(int(fp->messages.size()), 1);
        QCOMPARE(QString::fromStdString(fp->messages[0]),
                 QStringLiteral("Программа вызвала внутренний збой из за неправельно введённых данных!\r\n"
                                "Закройте её и запустите заного.\r\n"
                                "Пожалуста сообшите об ошибке автору если она будет поаторятся.|Внутренний збой в программе"));
        QCOMPARE(QString::fromStdString(Platform::native(f.txtSign).state.text), QStringLiteral("Козеог"));
        QCOMPARE(int(fp->sounds.size()), 2);
    }

    void randomEvents() {
        const unsigned seed = qEnvironmentVariableIsSet("LUNIVAR_MODEL_SEED") ? qEnvironmentVariableIntValue("LUNIVAR_MODEL_SEED") : 20261206;
        const int events = qEnvironmentVariableIsSet("LUNIVAR_MODEL_EVENTS") ? qEnvironmentVariableIntValue("LUNIVAR_MODEL_EVENTS") : 20000;
        rng.seed(seed);
        fresh();
        int ends = 0;
        for (int n = 0; n < events; ++n) {
            try {
                step();
                if (m.ended) QFAIL(("the program should have ended: " + log.back()).c_str());
                compare();
            } catch (const fake::Ended &) {
                std::vector<QString> played;
                for (const auto &p : fp->sounds) played.push_back(QString::fromStdString(p));
                if (!m.ended || played != m.sounds) {
                    for (const auto &e : log) qInfo("%s", e.c_str());
                    QFAIL(m.ended ? "the sounds before the end differ" : "the program ended unexpectedly");
                }
                ++ends;
                fresh();
            } catch (const Mismatch &mm) {
                for (const auto &e : log) qInfo("%s", e.c_str());
                QFAIL(qPrintable(QStringLiteral("seed %1, event %2: %3").arg(seed).arg(n).arg(QString::fromStdString(mm.what))));
            }
        }
        qInfo("%d events, %d ends of the program", events, ends);
    }
};

QTEST_GUILESS_MAIN(TestModel)
#include "test_model.moc"
