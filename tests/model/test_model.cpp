// Random events driven side by side through the real main window and a small
// reference model of what the user can observe: the two date selections, the
// five result fields, the faces of the caption buttons, push buttons, title
// bar and bottom strip, the side-strip colours, the drag flag, the window's
// state, size and position, and where the caption buttons and strips stand.
//
// Pointer events enter through the window system interface of the real
// window, so hit-testing, the pointer grab from press to release and the
// propagation of unhandled events are the toolkit's own. After every event
// the model and the window are compared; on the first difference the event
// sequence is shrunk on fresh windows and the shortest one found is printed.
//
// LUNIVAR_MODEL_SEED sets the seed, LUNIVAR_MODEL_EVENTS the number of events;
// LUNIVAR_MODEL_TRACE prints every delivered pointer event and difference.
#include "about/frmMenu.h"
#include "app/frmMain.h"
#include "support/window_fixture.h"
#include "ui/picture.h"
#include "ui/testing.h"
#include "ui/units.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QWindow>
#include <QtTest>

#include <chrono>
#include <cstdio>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

Q_GUI_EXPORT void qt_handleMouseEvent(QWindow *window, const QPointF &local, const QPointF &global,
                                      Qt::MouseButtons state, Qt::MouseButton button, QEvent::Type type,
                                      Qt::KeyboardModifiers mods, int timestamp);

using lunivar_test::dropWindows;
using lunivar_test::Ended;
using lunivar_test::flushDeletes;

namespace {

// ------------------------------------------------------------------ reference data

// The five texts of each sign, Capricorn (1) to Sagittarius (12): name, glyph,
// pairs, stone, talisman.
struct SignTexts {
    const char *name, *glyph, *pairs, *stone, *talisman;
};
const SignTexts kSigns[13] = {
    {"", "", "", "", ""},
    {"Козеог", "g", "Дева, Рыбы", "Альмандин", "Опал"},
    {"Водолей", "h", "Весы, Рыбы, Овен", "Сапфир", "Аметист"},
    {"Рыбы", "i", "Рак, Скорпион, Козеог", "Хризолит", "Александрит"},
    {"Овен", "^", "Лев, Стрелец, Близнецы", "Алмаз", "Аквамарин"},
    {"Телец", "_", "Рак, Дева, Козеог, Рыбы", "Изумруд", "Агат"},
    {"Близнецы", "`", "Овен, Весы, Водолей", "Берилл", "Агат"},
    {"Рак", "a", "Рыбы, Скорпион, Телец", "Изумруд", "Яшма"},
    {"Лев", "b", "Овен, Стрелец, Весы", "Рубин", "Серодолик"},
    {"Дева", "c", "Телец, Козеог, Скорпион", "Хризолит", "Яшма"},
    {"Весы", "d", "Водолей, Близнецы, Стрелец", "Алмаз", "Аквамарин"},
    {"Скорпион", "e", "Рак, Рыбы, Дева", "Карбункул", "Топаз"},
    {"Стрелец", "f", "Овен, Лев, Весы", "Бирюза", "Хризопраз"},
};

// The sign of each date range, as a person reads it off a calendar: sign,
// first month and day, last month and day (inclusive).
struct Range {
    int sign, fromMonth, fromDay, toMonth, toDay;
};
const Range kRanges[] = {
    {1, 12, 22, 1, 19}, {2, 1, 20, 2, 18},  {3, 2, 19, 3, 20},   {4, 3, 21, 4, 20},
    {5, 4, 21, 5, 20},  {6, 5, 21, 6, 22},  {7, 6, 23, 7, 22},   {8, 7, 23, 8, 22},
    {9, 8, 23, 9, 22},  {10, 9, 23, 10, 23}, {11, 10, 24, 11, 21}, {12, 11, 22, 12, 21},
};
const int kMonthDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

int signOfDate(int month, int day) { // month 1..12
    const int key = month * 100 + day;
    for (const Range &r : kRanges) {
        const int from = r.fromMonth * 100 + r.fromDay, to = r.toMonth * 100 + r.toDay;
        if (from <= to ? (key >= from && key <= to) : (key >= from || key <= to)) return r.sign;
    }
    return 0;
}

// The sign shown for a month index and a day index as the lists give them: no
// day counts as the month's first day; a day past the month's end counts as
// its last day.
int signOfSelection(int m, int d) {
    int day = d < 0 ? 1 : d + 1;
    if (day > kMonthDays[m]) day = kMonthDays[m];
    return signOfDate(m + 1, day);
}

// The day a month keeps: past its last day the selection moves back to it
// (February always has 29 days). No month, or January, keeps any day.
int keptDay(int m, int d) {
    if (m <= 0 || d < 0) return d;
    const int last = kMonthDays[m] - 1;
    return d > last ? last : d;
}

constexpr ui::Color kStrip = 0xC0C0C0, kStripMenu = 0xFF8080;
constexpr int kTwips = 15;
constexpr int kMinWidth = 5700, kMinHeight = 3000;
constexpr int kCloseW = 18, kMinW = 17, kTitleH = 24, kBottomH = 7, kStripW = 2;
constexpr int kRowsPerPage = 6; // 82-pixel lists: six 13-pixel rows inside the borders

// ------------------------------------------------------------------ targets

enum Target {
    Free, Title, Ico, Close, Min, LblTitle, LblTitleS, Btn0, Btn1, Btn2, Cap0, Cap1, Cap2, LstDay, LstMonth,
    TxtZ, TxtSign, TxtPair, TxtStone, TxtTalis, Lbl0, Lbl1, Lbl2, Lbl3, StripL, StripR, Bottom, Cont, NTargets
};
const char *kTargetNames[NTargets] = {"free area", "pctTitle", "pctIco", "pctClose", "pctMin", "lblTitle", "lblTitleS",
                                      "pctButton(0)", "pctButton(1)", "pctButton(2)", "lblButton(0)", "lblButton(1)",
                                      "lblButton(2)", "lstDay", "lstMonth", "txtZ", "txtSign", "txtPair",
                                      "txtPercStone", "txtTalis", "lbl(0)", "lbl(1)", "lbl(2)", "lbl(3)", "pctLeft",
                                      "pctRight", "pctBottom", "pctCont"};

ui::Control &controlOf(frmMain &f, Target t) {
    switch (t) {
    case Title: return f.pctTitle;
    case Ico: return f.pctIco;
    case Close: return f.pctClose;
    case Min: return f.pctMin;
    case LblTitle: return f.lblTitle;
    case LblTitleS: return f.lblTitleS;
    case Btn0: case Btn1: case Btn2: return f.pctButton(t - Btn0);
    case Cap0: case Cap1: case Cap2: return f.lblButton(t - Cap0);
    case LstDay: return f.lstDay;
    case LstMonth: return f.lstMonth;
    case TxtZ: return f.txtZ;
    case TxtSign: return f.txtSign;
    case TxtPair: return f.txtPair;
    case TxtStone: return f.txtPercStone;
    case TxtTalis: return f.txtTalis;
    case Lbl0: case Lbl1: case Lbl2: case Lbl3: return f.lbl(t - Lbl0);
    case StripL: return f.pctLeft;
    case StripR: return f.pctRight;
    case Bottom: return f.pctBottom;
    case Cont: return f.pctCont;
    default: break;
    }
    throw std::logic_error("no control");
}

// A control's rectangle in the window's client pixels, as it stands now.
QRect rectOf(frmMain &f, Target t) {
    QWidget *w = controlOf(f, t).widget();
    return QRect(w->mapTo(f.widget(), QPoint(0, 0)), w->size());
}

// Stacking as the layout lists it, topmost first; a container's children lie
// above it.
const std::vector<std::pair<Target, std::vector<Target>>> kStack = {
    {TxtZ, {}}, {Cont, {}}, {Btn2, {Cap2}}, {Btn1, {Cap1}}, {TxtTalis, {}}, {TxtStone, {}}, {TxtPair, {}},
    {TxtSign, {}}, {Btn0, {Cap0}}, {LstDay, {}}, {LstMonth, {}}, {StripR, {}}, {StripL, {}}, {Bottom, {}},
    {Title, {Ico, Close, Min, LblTitle, LblTitleS}}, {Lbl3, {}}, {Lbl2, {}}, {Lbl1, {}}, {Lbl0, {}},
};

// The control a pointer at `p` (client pixels) is over; invisible controls
// let the window itself have it.
Target hitTest(frmMain &f, QPoint p) {
    for (const auto &[top, children] : kStack) {
        if (!controlOf(f, top).Visible() || !rectOf(f, top).contains(p)) continue;
        for (Target c : children)
            if (controlOf(f, c).Visible() && rectOf(f, c).contains(p)) return c;
        return top;
    }
    return Free;
}

// ------------------------------------------------------------------ actions

enum class Kind { Hover, Gesture, SetIndex, Key, Resize, State };

struct Action {
    Kind kind = Kind::Hover;
    QPoint at;                 // hover point, or where the gesture presses
    Qt::MouseButton button = Qt::LeftButton;
    std::vector<QPoint> moves; // pointer moves with the button held
    int popupChoice = -1;      // the menu item chosen if the press opens the menu
    int list = 0;              // 0 day list, 1 month list
    int value = 0;             // index, key, size or state
    bool height = false;       // Resize: Height instead of Width
    Target target = Free;      // what the pointer was over when the action was made
};

const char *buttonName(Qt::MouseButton b) {
    return b == Qt::LeftButton ? "left" : b == Qt::RightButton ? "right" : "middle";
}

const char *keyName(int k) {
    switch (k) {
    case Qt::Key_Down: return "Down";
    case Qt::Key_Up: return "Up";
    case Qt::Key_Home: return "Home";
    case Qt::Key_End: return "End";
    case Qt::Key_PageDown: return "PageDown";
    }
    return "?";
}

std::string describe(const Action &a) {
    std::ostringstream o;
    auto pt = [&](QPoint p) { o << "(" << p.x() << "," << p.y() << ")"; };
    switch (a.kind) {
    case Kind::Hover: o << "move to "; pt(a.at); o << " (" << kTargetNames[a.target] << ")"; break;
    case Kind::Gesture:
        o << "move to and " << buttonName(a.button) << " press at ";
        pt(a.at);
        o << " (" << kTargetNames[a.target] << ")";
        for (QPoint p : a.moves) o << ", move to ", pt(p);
        o << ", release";
        if (a.popupChoice != -2) o << " [menu choice " << a.popupChoice << "]";
        break;
    case Kind::SetIndex: o << (a.list ? "lstMonth" : "lstDay") << ".ListIndex = " << a.value; break;
    case Kind::Key: o << "key " << keyName(a.value) << " on " << (a.list ? "lstMonth" : "lstDay"); break;
    case Kind::Resize: o << (a.height ? "Height = " : "Width = ") << a.value; break;
    case Kind::State: o << "WindowState = " << a.value; break;
    }
    return o.str();
}

// ------------------------------------------------------------------ the model

struct Model {
    int day = 0, month = 0;
    QString fields[5]; // txtSign, txtZ, txtPair, txtPercStone, txtTalis
    int minFace = 102, closeFace = 104;
    bool hover[3] = {false, false, false};
    int titleFace = 111, bottomFace = 106;
    ui::Color strip = kStrip;
    bool drag = false;
    int state = 0;
    double width = 5700, height = 3030, left = 0, top = 0; // twips, as the window reports them
    double normalWidth = 5700, normalHeight = 3030, normalLeft = 0, normalTop = 0;
    int messages = 0;
    bool menuLoaded = false;

    void select(int list, int index) {
        if (list == 0) day = index;
        else month = index;
        day = keptDay(month, day);
    }
    void lookup() {
        if (month < 0 || month > 11) {
            ++messages;
            return;
        }
        const SignTexts &s = kSigns[signOfSelection(month, day)];
        fields[0] = QString::fromUtf8(s.name);
        fields[1] = QString::fromUtf8(s.glyph);
        fields[2] = QString::fromUtf8(s.pairs);
        fields[3] = QString::fromUtf8(s.stone);
        fields[4] = QString::fromUtf8(s.talisman);
    }
    void captionButtonsNormal() { minFace = 102, closeFace = 104; }
    void freeArea() {
        captionButtonsNormal();
        hover[0] = hover[1] = hover[2] = false;
    }
    void hoverButton(int i) {
        hover[0] = hover[1] = hover[2] = false;
        hover[i] = true;
    }
    // The window's resize handler: active title, and the minimum size unless minimised.
    void resized() {
        titleFace = 111;
        if (state != 1) {
            if (width < kMinWidth) width = kMinWidth;
            if (height < kMinHeight) height = kMinHeight;
        }
        if (state == 0) normalWidth = width, normalHeight = height;
    }
    void setState(int s, QRect maxArea) {
        if (s == state) return;
        if (state == 0) normalWidth = width, normalHeight = height, normalLeft = left, normalTop = top;
        state = s;
        if (s == 2) {
            // The platform gives the window back its pixels when it is
            // restored: the normal size is then whole pixels.
            normalWidth = std::floor(normalWidth / kTwips + 0.5) * kTwips;
            normalHeight = std::floor(normalHeight / kTwips + 0.5) * kTwips;
            width = maxArea.width() * kTwips, height = maxArea.height() * kTwips;
            left = maxArea.x() * kTwips, top = maxArea.y() * kTwips;
        } else if (s == 0) {
            width = normalWidth, height = normalHeight, left = normalLeft, top = normalTop;
        }
        resized();
    }
    int clientW() const { return int(std::floor(width / kTwips + 0.5)); }
    int clientH() const { return int(std::floor(height / kTwips + 0.5)); }
};

// ------------------------------------------------------------------ the driver

struct Failure {
    long event = 0;     // low-level event number at which it showed
    std::size_t action = 0;
    std::string what;
};

class Driver;
Driver *g_driver = nullptr;

QImage composeFace(bool hover) {
    const int base = hover ? 116 : 113;
    const QImage l = ui::LoadResPicture(base, ui::vbResBitmap).image();
    const QImage m = ui::LoadResPicture(base + 1, ui::vbResBitmap).image();
    const QImage r = ui::LoadResPicture(base + 2, ui::vbResBitmap).image();
    QImage face(177, 21, QImage::Format_RGB32);
    face.fill(Qt::black);
    QPainter p(&face);
    p.drawImage(0, 0, l);
    for (int x = 13; x <= 177 - 9; x += 6) p.drawImage(x, 0, m);
    p.drawImage(168, 0, r);
    return face;
}

class Driver {
public:
    QImage faceNormal = composeFace(false), faceHover = composeFace(true);
    frmMain *w = nullptr;
    Model m;
    std::optional<Failure> failure;
    long events = 0;
    std::size_t actionIndex = 0;
    int timestamp = 1000;
    QPoint ptr{-1, -1};            // pointer in client pixels
    Qt::MouseButton held = Qt::NoButton;
    Target grab = Free;
    QPoint pressAt;
    int pendingChoice = -1;
    bool expectPopup = false, expectModal = false, modalFromMenu = false;
    int popupsSeen = 0, modalsSeen = 0;

    // A fresh main window, shown, from the same start as the first one.
    void fresh() {
        dropWindows();
        w = &frmMainRef();
        w->Show();
        QCoreApplication::processEvents();
        // The toolkit drops a move to where the pointer already is: start
        // every run with the pointer away from the window's controls.
        qt_handleMouseEvent(window(), QPointF(-50, -50), QPointF(w->widget()->geometry().topLeft() - QPoint(50, 50)),
                            Qt::NoButton, Qt::NoButton, QEvent::MouseMove, Qt::NoModifier, ++timestamp);
        QCoreApplication::processEvents();
        m = Model();
        m.left = m.normalLeft = w->Left();
        m.top = m.normalTop = w->Top();
        failure.reset();
        events = 0;
        messages = 0;
        ptr = QPoint(-1, -1);
        held = Qt::NoButton;
        check("start");
    }

    QRect maxArea() const {
        QScreen *s = w->widget()->screen();
        return s->availableGeometry();
    }

    void fail(const std::string &what) {
        if (!failure) failure = Failure{events, actionIndex, what};
        if (qEnvironmentVariableIsSet("LUNIVAR_MODEL_TRACE")) std::printf("  ! event %ld: %s\n", events, what.c_str());
    }

    template <class A, class B> void expectEq(const char *name, const A &real, const B &model) {
        if (failure || real == model) return;
        std::ostringstream o;
        o << name << ": window " << toText(real) << ", model " << toText(model);
        fail(o.str());
    }
    static std::string toText(const QString &s) { return "\"" + s.toStdString() + "\""; }
    static std::string toText(double v) { std::ostringstream o; o << v; return o.str(); }
    static std::string toText(float v) { return toText(double(v)); }
    static std::string toText(int v) { return std::to_string(v); }
    static std::string toText(std::int16_t v) { return std::to_string(v); }
    static std::string toText(unsigned v) { std::ostringstream o; o << "0x" << std::hex << v; return o.str(); }
    static std::string toText(bool v) { return v ? "true" : "false"; }
    static std::string toText(const std::string &s) { return s; }

    static int listRowShown(QListWidget *lw) {
        const auto sel = lw->selectedItems();
        if (sel.size() > 1) return -2;
        if (sel.isEmpty()) return -1;
        return lw->row(sel.front());
    }

    void checkFrame(int title, int bottom, ui::Color strip) {
        expectEq("pctTitle picture", w->pctTitle.PictureId(), title);
        expectEq("pctBottom picture", w->pctBottom.PictureId(), bottom);
        expectEq("pctLeft.BackColor", unsigned(w->pctLeft.BackColor()), unsigned(strip));
        expectEq("pctRight.BackColor", unsigned(w->pctRight.BackColor()), unsigned(strip));
    }

    void check(const char *when) {
        (void)when;
        if (failure) return;
        frmMain &f = *w;
        expectEq("lstDay.ListIndex", int(f.lstDay.ListIndex()), m.day);
        expectEq("lstMonth.ListIndex", int(f.lstMonth.ListIndex()), m.month);
        auto *dayW = static_cast<QListWidget *>(f.lstDay.widget());
        auto *monthW = static_cast<QListWidget *>(f.lstMonth.widget());
        expectEq("lstDay row shown selected", listRowShown(dayW), m.day);
        expectEq("lstMonth row shown selected", listRowShown(monthW), m.month);
        ui::TextBox *boxes[5] = {&f.txtSign, &f.txtZ, &f.txtPair, &f.txtPercStone, &f.txtTalis};
        const char *names[5] = {"txtSign", "txtZ", "txtPair", "txtPercStone", "txtTalis"};
        for (int i = 0; i < 5; ++i) {
            expectEq(names[i], boxes[i]->Text(), m.fields[i]);
            expectEq(names[i], static_cast<QLineEdit *>(boxes[i]->widget())->text(), boxes[i]->displayText());
        }
        expectEq("pctMin picture", f.pctMin.PictureId(), m.minFace);
        expectEq("pctClose picture", f.pctClose.PictureId(), m.closeFace);
        for (int i = 0; i < 3; ++i) {
            const QImage &img = f.pctButton(i).image();
            const bool isHover = img == faceHover;
            const bool isNormal = !isHover && img == faceNormal;
            const std::string name = "pctButton(" + std::to_string(i) + ") face";
            if (!isHover && !isNormal) fail(name + ": window shows neither face");
            else expectEq(name.c_str(), std::string(isHover ? "hover" : "normal"), std::string(m.hover[i] ? "hover" : "normal"));
        }
        checkFrame(m.titleFace, m.bottomFace, m.strip);
        expectEq("blnDrag", int(f.blnDrag), m.drag ? -1 : 0);
        expectEq("WindowState", int(f.WindowState()), m.state);
        expectEq("Width", double(f.Width()), m.width);
        expectEq("Height", double(f.Height()), m.height);
        expectEq("Left", double(f.Left()), m.left);
        expectEq("Top", double(f.Top()), m.top);
        const int W = m.clientW(), H = m.clientH();
        expectEq("pctClose.Left", double(f.pctClose.Left()), double(W - kCloseW - 4));
        expectEq("pctMin.Left", double(f.pctMin.Left()), double(W - kCloseW - 2 * kMinW - 10));
        expectEq("pctTitle width", double(f.pctTitle.pxWidth()), double(W));
        expectEq("pctBottom top", double(f.pctBottom.pxTop()), double(H - kBottomH));
        expectEq("pctRight left", double(f.pctRight.pxLeft()), double(W - kStripW));
        expectEq("pctRight height", double(f.pctRight.pxHeight()), double(H - kTitleH - kBottomH));
        expectEq("message boxes", messages, m.messages);
        expectEq("About window loaded", frmMenuRef.exists(), m.menuLoaded);
    }
    int messages = 0;

    // ---- low-level events

    QWindow *window() const { return w->widget()->windowHandle(); }

    void send(QEvent::Type type, Qt::MouseButton button) {
        const QPoint global = w->widget()->geometry().topLeft() + ptr;
        Qt::MouseButtons state = held;
        if (type == QEvent::MouseButtonPress) state = button, timestamp += 1000; // never a double click
        if (type == QEvent::MouseButtonRelease) state = Qt::NoButton;
        ++timestamp;
        qt_handleMouseEvent(window(), QPointF(ptr), QPointF(global), state, button, type, Qt::NoModifier, timestamp);
    }

    void settle() {
        QCoreApplication::processEvents();
        if (qEnvironmentVariableIsSet("LUNIVAR_MODEL_TRACE")) std::printf("  event %ld done\n", events + 1);
        ++events;
        check("after event");
    }

    void lowMove(QPoint to) {
        ptr = to;
        const Target t = held ? grab : hitTest(*w, ptr);
        switch (t) {
        case Free: m.freeArea(); break;
        case Btn0: case Btn1: case Btn2: m.hoverButton(t - Btn0); break;
        case Cap0: case Cap1: case Cap2: m.hoverButton(t - Cap0); break;
        case Min: m.closeFace = 104, m.minFace = 109; break;
        case Close: m.minFace = 102, m.closeFace = 105; break;
        case Title: case LblTitle:
            if (m.state == 2 || !m.drag) {
                m.captionButtonsNormal();
            } else {
                m.left += (ptr.x() - pressAt.x()) * kTwips;
                m.top += (ptr.y() - pressAt.y()) * kTwips;
            }
            break;
        default: break;
        }
        const QPoint before = w->widget()->geometry().topLeft();
        send(QEvent::MouseMove, Qt::NoButton);
        settle();
        // The pointer stays where it is on the screen; if the window moved
        // under it, it is now over another point of the window.
        ptr -= w->widget()->geometry().topLeft() - before;
    }

    void lowPress(Qt::MouseButton b, int choice) {
        const Target t = hitTest(*w, ptr);
        grab = t;
        pressAt = ptr;
        switch (t) {
        case Title: case LblTitle:
            if (b == Qt::LeftButton) m.drag = true;
            else if (b == Qt::MiddleButton) m.setState(1, maxArea());
            break;
        case Ico:
            expectPopup = true;
            pendingChoice = choice;
            break;
        case LstDay: case LstMonth: {
            auto *lw = static_cast<QListWidget *>(controlOf(*w, t).widget());
            const QPoint vp = lw->viewport()->mapFrom(w->widget(), ptr);
            if (lw->viewport()->rect().contains(vp)) {
                const QModelIndex idx = lw->indexAt(vp);
                if (idx.isValid()) m.select(t == LstDay ? 0 : 1, idx.row());
            }
            break;
        }
        default: break;
        }
        const int popupsBefore = popupsSeen;
        held = b;
        send(QEvent::MouseButtonPress, b);
        if (t == Ico) {
            if (popupsSeen != popupsBefore + 1) fail("a press on the icon did not open the menu exactly once");
            expectPopup = false;
            m.menuLoaded = true;
            if (choice == 0) m.menuLoaded = false; // About shown and closed
        }
        settle();
    }

    void lowRelease() {
        const Target t = grab;
        const Qt::MouseButton b = held;
        const bool inside = t != Free && rectOf(*w, t).contains(ptr);
        bool about = false;
        switch (t) {
        case Title: case LblTitle: m.drag = false; break;
        default: break;
        }
        if (b == Qt::LeftButton && inside) {
            switch (t) {
            case Btn0: case Cap0: m.lookup(); break;
            case Btn2: case Cap2: about = true; break;
            case Min:
                m.minFace = 109;
                m.setState(1, maxArea());
                break;
            case Btn1: case Cap1: case Close: fail("the generator released on a closing control"); break;
            default: break;
            }
        }
        const int modalsBefore = modalsSeen;
        if (about) expectModal = true, modalFromMenu = false;
        send(QEvent::MouseButtonRelease, b);
        held = Qt::NoButton;
        if (about) {
            if (modalsSeen != modalsBefore + 1) fail("the About button did not show the About window once");
            expectModal = false;
            m.menuLoaded = false;
        } else if (modalsSeen != modalsBefore) {
            fail("a release showed the About window");
        }
        settle();
    }

    // ---- hooks

    int onPopup() {
        ++popupsSeen;
        if (!expectPopup) {
            fail("the menu opened unexpectedly");
            return -1;
        }
        checkFrame(112, 107, kStripMenu);
        if (pendingChoice == 0) expectModal = true, modalFromMenu = true;
        return pendingChoice;
    }

    void onModal(ui::Form &f) {
        ++modalsSeen;
        if (!expectModal) fail("the About window was shown unexpectedly");
        if (!f.isShown()) fail("the modal About window is not shown");
        if (modalFromMenu) checkFrame(112, 107, kStripMenu);
        else checkFrame(m.titleFace, m.bottomFace, m.strip);
        expectModal = false;
        static_cast<frmMenu &>(f).pctButton_Click();
    }

    // ---- actions

    // Whether an action can happen now: nothing points at or types into a
    // minimised window, and only a normal window is sized by code.
    bool applicable(const Action &a) const {
        const QRect client(0, 0, m.clientW(), m.clientH());
        switch (a.kind) {
        case Kind::Hover: case Kind::Gesture: {
            // The rounded outline cuts the corners off: a pointer there is
            // over whatever lies behind the window.
            const int x = a.at.x(), y = a.at.y(), W = m.clientW(), H = m.clientH();
            const bool corner = (x < 5 || x >= W - 5) && (y < 5 || y >= H - 5);
            return m.state != 1 && client.contains(a.at) && !corner;
        }
        case Kind::Key: return m.state != 1;
        case Kind::Resize: return m.state == 0;
        default: return true;
        }
    }

    void run(const Action &a) {
        if (!applicable(a)) return;
        switch (a.kind) {
        case Kind::Hover: lowMove(a.at); break;
        case Kind::Gesture: {
            lowMove(a.at);
            if (failure) return;
            if (m.state == 1) return; // the move cannot have minimised it, but be safe
            lowPress(a.button, a.popupChoice);
            for (QPoint p : a.moves) {
                if (failure) return;
                lowMove(p);
            }
            if (failure) return;
            lowRelease();
            break;
        }
        case Kind::SetIndex: {
            ui::ListBox &l = a.list ? w->lstMonth : w->lstDay;
            if (a.value != (a.list ? m.month : m.day)) m.select(a.list, a.value);
            l.setListIndex(std::int16_t(a.value));
            settle();
            break;
        }
        case Kind::Key: {
            ui::ListBox &l = a.list ? w->lstMonth : w->lstDay;
            const int count = a.list ? 12 : 31;
            const int cur = a.list ? m.month : m.day;
            int next = cur;
            if (cur < 0) next = 0;
            else switch (a.value) {
                case Qt::Key_Down: next = std::min(count - 1, cur + 1); break;
                case Qt::Key_Up: next = std::max(0, cur - 1); break;
                case Qt::Key_Home: next = 0; break;
                case Qt::Key_End: next = count - 1; break;
                case Qt::Key_PageDown: next = std::min(count - 1, cur + kRowsPerPage - 1); break; // to the foot of the page
                }
            if (next != cur) m.select(a.list, next);
            QTest::keyClick(l.widget(), Qt::Key(a.value));
            settle();
            break;
        }
        case Kind::Resize:
            if (a.height) {
                if (a.value != m.height) m.height = a.value, m.resized();
                w->setHeight(float(a.value));
            } else {
                if (a.value != m.width) m.width = a.value, m.resized();
                w->setWidth(float(a.value));
            }
            settle();
            break;
        case Kind::State:
            m.setState(a.value, maxArea());
            w->setWindowState(std::int16_t(a.value));
            settle();
            break;
        }
    }

    // Runs `actions` on a fresh window; the first difference, if any.
    std::optional<Failure> replay(const std::vector<Action> &actions) {
        if (qEnvironmentVariableIsSet("LUNIVAR_MODEL_TRACE")) std::printf("replay of %zu actions\n", actions.size());
        fresh();
        for (actionIndex = 0; actionIndex < actions.size() && !failure; ++actionIndex) run(actions[actionIndex]);
        return failure;
    }

    // ---- generation

    std::mt19937_64 rng;
    int pick(int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(rng)); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; }

    QPoint pointIn(Target t) {
        const QRect client(0, 0, m.clientW(), m.clientH());
        for (int tries = 0; tries < 200; ++tries) {
            QPoint p;
            if (t == Free) {
                p = QPoint(pick(client.width()), pick(client.height()));
            } else {
                const QRect r = rectOf(*w, t) & client;
                if (r.isEmpty()) return QPoint(-1, -1);
                p = QPoint(r.x() + pick(r.width()), r.y() + pick(r.height()));
            }
            if (hitTest(*w, p) == t) return p;
        }
        return QPoint(-1, -1);
    }

    Target randomTarget() {
        // The push buttons and the title bar get more of the events.
        static const Target weighted[] = {Free, Free, Free, Title, Title, Ico, Close, Min, Min, LblTitle, LblTitle,
                                          LblTitleS, Btn0, Btn0, Btn1, Btn2, Btn2, Cap0, Cap0, Cap1, Cap2, LstDay,
                                          LstDay, LstMonth, LstMonth, TxtZ, TxtSign, TxtPair, TxtStone, TxtTalis,
                                          Lbl0, Lbl1, Lbl2, Lbl3, StripL, StripR, Bottom, Cont};
        return weighted[pick(int(sizeof weighted / sizeof weighted[0]))];
    }

    QPoint anywhere() {
        // With a button held the pointer may leave the window.
        return QPoint(pick(m.clientW() + 40) - 20, pick(m.clientH() + 40) - 20);
    }

    Action generate() {
        Action a;
        const int r = pick(100);
        if (r < 30) {
            a.kind = Kind::Hover;
            Target t = randomTarget();
            a.at = pointIn(t);
            if (a.at.x() < 0) t = Free, a.at = pointIn(Free);
            a.target = t;
        } else if (r < 70) {
            a.kind = Kind::Gesture;
            Target t = randomTarget();
            a.at = pointIn(t);
            if (a.at.x() < 0) t = Free, a.at = pointIn(Free);
            a.target = t;
            static const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
            a.button = (t == LstDay || t == LstMonth) ? Qt::LeftButton : buttons[pick(3)];
            a.popupChoice = t == Ico ? pick(3) - 1 : -2; // dismissed, About, or the separator
            // The lists take clicks; the icon's menu takes the pointer until it closes.
            if (t != LstDay && t != LstMonth && t != Ico) {
                const int n = pick(4);
                for (int i = 0; i < n; ++i) {
                    if ((t == Title || t == LblTitle) && chance(0.7)) {
                        a.moves.push_back(a.at + QPoint(pick(41) - 20, pick(31) - 15));
                    } else if (chance(0.5)) {
                        a.moves.push_back(anywhere());
                    } else {
                        const QPoint p = pointIn(randomTarget());
                        if (p.x() >= 0) a.moves.push_back(p);
                    }
                }
            }
            // A left release over a closing control would end the program.
            if (a.button == Qt::LeftButton && (t == Btn1 || t == Cap1 || t == Close)) {
                const QRect r = rectOf(*w, t);
                QPoint last = a.moves.empty() ? a.at : a.moves.back();
                if (r.contains(last)) a.moves.push_back(pointIn(Free));
            }
        } else if (r < 80) {
            a.kind = Kind::SetIndex;
            a.list = pick(2);
            const int count = a.list ? 12 : 31;
            a.value = chance(0.05) ? -1 : pick(count);
        } else if (r < 90) {
            a.kind = Kind::Key;
            a.list = pick(2);
            static const int keys[] = {Qt::Key_Down, Qt::Key_Up, Qt::Key_Home, Qt::Key_End, Qt::Key_PageDown};
            a.value = keys[pick(5)];
        } else if (r < 96) {
            a.kind = Kind::Resize;
            a.height = chance(0.5);
            if (chance(0.2)) a.value = a.height ? kMinHeight : kMinWidth;
            else if (chance(0.3)) a.value = (a.height ? 2000 : 4000) + pick(3000);
            else a.value = (a.height ? 3000 : 5700) + 15 * pick(100);
        } else {
            a.kind = Kind::State;
            a.value = pick(3);
        }
        return a;
    }
};

// ------------------------------------------------------------------ shrinking

// Delta debugging over whole actions: the shortest sequence found that still
// shows a difference on a fresh window.
std::vector<Action> shrink(Driver &d, std::vector<Action> seq, std::optional<Failure> &last, double budgetSeconds) {
    QElapsedTimer clock;
    clock.start();
    auto fails = [&](const std::vector<Action> &s) {
        auto f = d.replay(s);
        if (f) last = f;
        return f.has_value();
    };
    // Most differences need only the last few actions: try growing suffixes first.
    for (std::size_t k = 1; k < seq.size(); k *= 2) {
        std::vector<Action> tail(seq.end() - std::ptrdiff_t(k), seq.end());
        if (fails(tail)) {
            seq = tail;
            break;
        }
        if (clock.elapsed() > budgetSeconds * 500) break;
    }
    std::size_t n = 2;
    while (seq.size() >= 2 && clock.elapsed() < budgetSeconds * 1000) {
        const std::size_t chunk = (seq.size() + n - 1) / n;
        bool reduced = false;
        for (std::size_t start = 0; start < seq.size(); start += chunk) {
            std::vector<Action> rest;
            rest.insert(rest.end(), seq.begin(), seq.begin() + std::ptrdiff_t(start));
            rest.insert(rest.end(), seq.begin() + std::ptrdiff_t(std::min(seq.size(), start + chunk)), seq.end());
            if (!rest.empty() && fails(rest)) {
                seq = rest;
                n = std::max<std::size_t>(n - 1, 2);
                reduced = true;
                break;
            }
        }
        if (!reduced) {
            if (n >= seq.size()) break;
            n = std::min(seq.size(), n * 2);
        }
    }
    // Cut what follows the action that shows the difference.
    if (fails(seq) && last) seq.resize(std::min(seq.size(), last->action + 1));
    if (!fails(seq)) last.reset();
    return seq;
}

QtMessageHandler g_previousHandler = nullptr;
// The offscreen platform cannot shape windows and says so at every resize.
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (message.contains(QLatin1String("does not support setting window masks"))) return;
    if (g_previousHandler) g_previousHandler(type, context, message);
}

long envLong(const char *name, long fallback) {
    const QByteArray v = qgetenv(name);
    bool ok = false;
    const long n = v.toLong(&ok);
    return ok ? n : fallback;
}

} // namespace

class TestModel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        ui::Screen::setTwipsPerPixel(kTwips, kTwips);
        g_previousHandler = qInstallMessageHandler(quietHandler);
        ui::testing::setEndHook([] { throw Ended{}; });
        ui::testing::setMsgBoxHook([](const QString &, int, const QString &) {
            if (g_driver) ++g_driver->messages;
            return 1;
        });
        ui::testing::setPopupHook([](const ui::Menu &) { return g_driver ? g_driver->onPopup() : -1; });
        ui::testing::setModalHook([](ui::Form &f) {
            if (g_driver) g_driver->onModal(f);
            else static_cast<frmMenu &>(f).pctButton_Click();
        });
        // The text boxes' own edit menu is the toolkit's, not the program's:
        // keep it from opening a nested menu loop; and no tooltips.
        qApp->installEventFilter(this);
        QVERIFY2(!ui::LoadResPicture(113, ui::vbResBitmap).isNull(), "the push-button pieces are not there");
    }

    void randomEvents() {
        const long wanted = envLong("LUNIVAR_MODEL_EVENTS", 100000);
        const unsigned long long seed = qEnvironmentVariableIsSet("LUNIVAR_MODEL_SEED")
                                            ? qgetenv("LUNIVAR_MODEL_SEED").toULongLong()
                                            : 20250611ULL;
        std::printf("model test: seed %llu (LUNIVAR_MODEL_SEED), %ld events (LUNIVAR_MODEL_EVENTS)\n", seed, wanted);
        std::fflush(stdout);

        Driver d;
        // The faces are told apart by their pixels: the two looks must differ.
        QVERIFY(d.faceNormal != d.faceHover);
        g_driver = &d;
        d.rng.seed(seed);
        std::vector<Action> actions;
        QElapsedTimer clock;
        clock.start();
        try {
            d.fresh();
            while (d.events < wanted && !d.failure) {
                actions.push_back(d.generate());
                d.actionIndex = actions.size() - 1;
                d.run(actions.back());
                if (actions.size() % 512 == 0) flushDeletes();
            }
        } catch (const Ended &) {
            g_driver = nullptr;
            QFAIL("the program ended during the random events");
        }
        const double secs = clock.elapsed() / 1000.0;
        std::printf("model test: %ld events in %zu actions, %.1f s, %.0f events/s; %d menus, %d About windows, %d messages\n",
                    d.events, actions.size(), secs, d.events / std::max(secs, 1e-3), d.popupsSeen, d.modalsSeen,
                    d.messages);
        if (d.failure) {
            const Failure first = *d.failure;
            std::printf("model test: difference at event %ld (action %zu): %s\n", first.event, first.action + 1,
                        first.what.c_str());
            actions.resize(first.action + 1);
            std::optional<Failure> last = first;
            std::vector<Action> shortest = shrink(d, actions, last, envLong("LUNIVAR_MODEL_SHRINK_SECONDS", 60));
            std::printf("model test: shortest sequence found (%zu actions) from a fresh window:\n", shortest.size());
            for (std::size_t i = 0; i < shortest.size(); ++i)
                std::printf("  %zu. %s\n", i + 1, describe(shortest[i]).c_str());
            if (last) std::printf("  -> at event %ld: %s\n", last->event, last->what.c_str());
            else std::printf("  (this sequence does not show the difference by itself)\n");
            g_driver = nullptr;
            QFAIL(("window and model differ: " + first.what).c_str());
        }
        g_driver = nullptr;
        if (wanted >= 10000) {
            // A run this long reaches the menu, the About window and the message.
            QVERIFY(d.popupsSeen > 0);
            QVERIFY(d.modalsSeen > 0);
            QVERIFY(d.messages > 0);
        }
    }

    void cleanupTestCase() {
        dropWindows();
    }

protected:
    bool eventFilter(QObject *o, QEvent *e) override {
        if (e->type() == QEvent::ContextMenu) return true;
        // Tooltips come after a pause measured by the wall clock: keep the
        // runs reproducible.
        if (e->type() == QEvent::ToolTip) return true;
        if (qEnvironmentVariableIsSet("LUNIVAR_MODEL_TRACE") && (e->type() == QEvent::MouseMove || e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonRelease)) {
            auto *me = static_cast<QMouseEvent *>(e);
            std::printf("    %s %d to %s at (%g,%g) buttons %d\n", e->type() == QEvent::MouseMove ? "move" : e->type() == QEvent::MouseButtonPress ? "press" : "release", int(e->spontaneous()),
                        qPrintable(o->objectName() + QLatin1Char('/') + QLatin1String(o->metaObject()->className())), me->position().x(), me->position().y(), int(me->buttons()));
        }
        return QObject::eventFilter(o, e);
    }
};

QTEST_MAIN(TestModel)
#include "test_model.moc"
