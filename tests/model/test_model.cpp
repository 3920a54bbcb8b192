// Random events driven side by side through the real main window and a small
// reference model of what the user can observe: date selections, result
// fields, button and frame faces, drag flag, window state, size, position and
// the docked strips. Pointer events enter through the window system interface,
// so hit-testing and the grab are the toolkit's own. After every event the two
// are compared; a difference is shrunk on fresh windows and the shortest
// sequence is printed. LUNIVAR_MODEL_SEED / LUNIVAR_MODEL_EVENTS change the run.
#include "about/frmMenu.h"
#include "app/frmMain.h"
#include "support/window_fixture.h"
#include "ui/picture.h"
#include "ui/testing.h"
#include "ui/units.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <QVariant>
#include <QtTest>

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

// Name, glyph, pairs, stone, talisman; Capricorn (1) to Sagittarius (12).
const char *const kSigns[13][5] = {
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
// First day (month*100+day) of each sign, Capricorn from December 22.
const int kStarts[13] = {0, 1222, 120, 219, 321, 421, 521, 623, 723, 823, 923, 1024, 1122};
const int kMonthDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// The sign for a month and day index as the lists give them: no day is the
// first day, a day past the month's end is its last day.
int signOfSelection(int m, int d) {
    const int key = (m + 1) * 100 + std::min(d < 0 ? 1 : d + 1, kMonthDays[m]);
    int best = 1; // before January 20 and from December 22
    for (int s = 2; s <= 12; ++s)
        if (key >= kStarts[s]) best = s;
    return key >= kStarts[1] ? 1 : best;
}

// Past a month's last day the day moves back to it; no month or January keeps any day.
int keptDay(int m, int d) { return (m <= 0 || d < 0) ? d : std::min(d, kMonthDays[m] - 1); }

constexpr ui::Color kStrip = 0xC0C0C0, kStripMenu = 0xFF8080;
constexpr int kTwips = 15, kMinWidth = 5700, kMinHeight = 3000;
constexpr int kCloseW = 18, kMinW = 17, kTitleH = 24, kBottomH = 7, kStripW = 2;
constexpr int kRowsPerPage = 6;

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
    if (t >= Btn0 && t <= Btn2) return f.pctButton(t - Btn0);
    if (t >= Cap0 && t <= Cap2) return f.lblButton(t - Cap0);
    if (t >= Lbl0 && t <= Lbl3) return f.lbl(t - Lbl0);
    ui::Control *const c[NTargets] = {nullptr, &f.pctTitle, &f.pctIco, &f.pctClose, &f.pctMin, &f.lblTitle,
                                      &f.lblTitleS, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &f.lstDay,
                                      &f.lstMonth, &f.txtZ, &f.txtSign, &f.txtPair, &f.txtPercStone, &f.txtTalis,
                                      nullptr, nullptr, nullptr, nullptr, &f.pctLeft, &f.pctRight, &f.pctBottom,
                                      &f.pctCont};
    return *c[t];
}

QRect rectOf(frmMain &f, Target t) {
    QWidget *w = controlOf(f, t).widget();
    return QRect(w->mapTo(f.widget(), QPoint(0, 0)), w->size());
}

// Stacking, topmost first; a container's children lie above it.
const std::vector<std::pair<Target, std::vector<Target>>> kStack = {
    {TxtZ, {}}, {Cont, {}}, {Btn2, {Cap2}}, {Btn1, {Cap1}}, {TxtTalis, {}}, {TxtStone, {}}, {TxtPair, {}},
    {TxtSign, {}}, {Btn0, {Cap0}}, {LstDay, {}}, {LstMonth, {}}, {StripR, {}}, {StripL, {}}, {Bottom, {}},
    {Title, {Ico, Close, Min, LblTitle, LblTitleS}}, {Lbl3, {}}, {Lbl2, {}}, {Lbl1, {}}, {Lbl0, {}},
};

Target hitTest(frmMain &f, QPoint p) {
    for (const auto &[top, children] : kStack) {
        if (!controlOf(f, top).Visible() || !rectOf(f, top).contains(p)) continue;
        for (Target c : children)
            if (controlOf(f, c).Visible() && rectOf(f, c).contains(p)) return c;
        return top;
    }
    return Free;
}

enum class Kind { Hover, Gesture, SetIndex, Key, Resize, State };

struct Action {
    Kind kind = Kind::Hover;
    QPoint at;                 // hover point, or where the gesture presses
    Qt::MouseButton button = Qt::LeftButton;
    std::vector<QPoint> moves; // pointer moves with the button held
    int popupChoice = -1;      // menu item chosen if the press opens the menu
    int list = 0;              // 0 day list, 1 month list
    int value = 0;             // index, key, size or state
    bool height = false;       // Resize: Height instead of Width
    Target target = Free;
};

std::string describe(const Action &a) {
    std::ostringstream o;
    auto pt = [&](QPoint p) { o << "(" << p.x() << "," << p.y() << ")"; };
    const char *list = a.list ? "lstMonth" : "lstDay";
    switch (a.kind) {
    case Kind::Hover: o << "move to "; pt(a.at); o << " (" << kTargetNames[a.target] << ")"; break;
    case Kind::Gesture:
        o << "button " << int(a.button) << " press at ";
        pt(a.at);
        o << " (" << kTargetNames[a.target] << ")";
        for (QPoint p : a.moves) o << ", move to ", pt(p);
        o << ", release";
        if (a.popupChoice != -2) o << " [menu choice " << a.popupChoice << "]";
        break;
    case Kind::SetIndex: o << list << ".ListIndex = " << a.value; break;
    case Kind::Key: o << "key 0x" << std::hex << a.value << " on " << list; break;
    case Kind::Resize: o << (a.height ? "Height = " : "Width = ") << a.value; break;
    case Kind::State: o << "WindowState = " << a.value; break;
    }
    return o.str();
}

struct Model {
    int day = 0, month = 0;
    QString fields[5]; // txtSign, txtZ, txtPair, txtPercStone, txtTalis
    int minFace = 102, closeFace = 104, titleFace = 111, bottomFace = 106;
    bool hover[3] = {false, false, false};
    ui::Color strip = kStrip;
    bool drag = false, menuLoaded = false;
    int state = 0, messages = 0;
    double width = 5700, height = 3030, left = 0, top = 0; // twips
    double normalWidth = 5700, normalHeight = 3030, normalLeft = 0, normalTop = 0;

    void select(int list, int index) {
        (list == 0 ? day : month) = index;
        day = keptDay(month, day);
    }
    void lookup() {
        if (month < 0 || month > 11) {
            ++messages;
            return;
        }
        for (int i = 0; i < 5; ++i) fields[i] = QString::fromUtf8(kSigns[signOfSelection(month, day)][i]);
    }
    void captionButtonsNormal() { minFace = 102, closeFace = 104; }
    void hoverButton(int i) {
        hover[0] = hover[1] = hover[2] = false;
        if (i >= 0) hover[i] = true;
    }
    // The resize handler: active title, and the minimum size unless minimised.
    void resized() {
        titleFace = 111;
        if (state != 1) width = std::max<double>(width, kMinWidth), height = std::max<double>(height, kMinHeight);
        if (state == 0) normalWidth = width, normalHeight = height;
    }
    void setState(int s, QRect maxArea) {
        if (s == state) return;
        if (state == 0) normalWidth = width, normalHeight = height, normalLeft = left, normalTop = top;
        state = s;
        if (s == 2) {
            // Restoring gives the window back whole pixels.
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

struct Failure {
    long event = 0;
    std::size_t action = 0;
    std::string what;
};

class Driver;
Driver *g_driver = nullptr;

QImage composeFace(bool hover) {
    const int base = hover ? 116 : 113;
    QImage face(177, 21, QImage::Format_RGB32);
    face.fill(Qt::black);
    QPainter p(&face);
    p.drawImage(0, 0, ui::LoadResPicture(base, ui::vbResBitmap).image());
    const QImage mid = ui::LoadResPicture(base + 1, ui::vbResBitmap).image();
    for (int x = 13; x <= 177 - 9; x += 6) p.drawImage(x, 0, mid);
    p.drawImage(168, 0, ui::LoadResPicture(base + 2, ui::vbResBitmap).image());
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
    int timestamp = 1000, messages = 0;
    QPoint ptr{-1, -1}; // client pixels
    Qt::MouseButton held = Qt::NoButton;
    Target grab = Free;
    QPoint pressAt;
    int pendingChoice = -1;
    bool expectPopup = false, expectModal = false;
    int popupsSeen = 0, modalsSeen = 0;

    void fresh() { // a fresh main window, shown
        dropWindows();
        w = &frmMainRef();
        w->Show();
        QCoreApplication::processEvents();
        // A move to where the pointer already is gets dropped: start away from the controls.
        qt_handleMouseEvent(window(), QPointF(-50, -50), QPointF(w->widget()->geometry().topLeft() - QPoint(50, 50)),
                            Qt::NoButton, Qt::NoButton, QEvent::MouseMove, Qt::NoModifier, ++timestamp);
        QCoreApplication::processEvents();
        m = Model();
        m.left = m.normalLeft = w->Left();
        m.top = m.normalTop = w->Top();
        failure.reset();
        events = messages = 0;
        ptr = QPoint(-1, -1);
        held = Qt::NoButton;
        check();
    }

    QRect maxArea() const { return w->widget()->screen()->availableGeometry(); }

    void fail(const std::string &what) {
        if (!failure) failure = Failure{events, actionIndex, what};
    }
    void expectEq(const char *name, const QVariant &real, const QVariant &model) {
        if (failure || real == model) return;
        fail(QStringLiteral("%1: window %2, model %3").arg(name, real.toString(), model.toString()).toStdString());
    }

    static int listRowShown(ui::ListBox &l) {
        const auto sel = static_cast<QListWidget *>(l.widget())->selectedItems();
        return sel.size() > 1 ? -2 : sel.isEmpty() ? -1 : static_cast<QListWidget *>(l.widget())->row(sel.front());
    }

    void checkFrame(int title, int bottom, ui::Color strip) {
        expectEq("pctTitle picture", w->pctTitle.PictureId(), title);
        expectEq("pctBottom picture", w->pctBottom.PictureId(), bottom);
        expectEq("pctLeft.BackColor", unsigned(w->pctLeft.BackColor()), unsigned(strip));
        expectEq("pctRight.BackColor", unsigned(w->pctRight.BackColor()), unsigned(strip));
    }

    void check() {
        if (failure) return;
        frmMain &f = *w;
        expectEq("lstDay.ListIndex", int(f.lstDay.ListIndex()), m.day);
        expectEq("lstMonth.ListIndex", int(f.lstMonth.ListIndex()), m.month);
        expectEq("lstDay row selected", listRowShown(f.lstDay), m.day);
        expectEq("lstMonth row selected", listRowShown(f.lstMonth), m.month);
        ui::TextBox *boxes[5] = {&f.txtSign, &f.txtZ, &f.txtPair, &f.txtPercStone, &f.txtTalis};
        for (int i = 0; i < 5; ++i) {
            expectEq("field", boxes[i]->Text(), m.fields[i]);
            expectEq("field shown", static_cast<QLineEdit *>(boxes[i]->widget())->text(), boxes[i]->displayText());
        }
        expectEq("pctMin picture", f.pctMin.PictureId(), m.minFace);
        expectEq("pctClose picture", f.pctClose.PictureId(), m.closeFace);
        for (int i = 0; i < 3; ++i) {
            const QImage &img = f.pctButton(i).image();
            const int look = img == faceHover ? 1 : img == faceNormal ? 0 : -1;
            expectEq("pctButton face (1 hover, 0 normal, -1 neither)", look, m.hover[i] ? 1 : 0);
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

    QWindow *window() const { return w->widget()->windowHandle(); }

    void send(QEvent::Type type, Qt::MouseButton button) {
        Qt::MouseButtons state = held;
        if (type == QEvent::MouseButtonPress) state = button, timestamp += 1000; // never a double click
        if (type == QEvent::MouseButtonRelease) state = Qt::NoButton;
        qt_handleMouseEvent(window(), QPointF(ptr), QPointF(w->widget()->geometry().topLeft() + ptr), state, button,
                            type, Qt::NoModifier, ++timestamp);
    }

    void settle() {
        QCoreApplication::processEvents();
        ++events;
        check();
    }

    void lowMove(QPoint to) {
        ptr = to;
        const Target t = held ? grab : hitTest(*w, ptr);
        switch (t) {
        case Free: m.captionButtonsNormal(), m.hoverButton(-1); break;
        case Btn0: case Btn1: case Btn2: m.hoverButton(t - Btn0); break;
        case Cap0: case Cap1: case Cap2: m.hoverButton(t - Cap0); break;
        case Min: m.closeFace = 104, m.minFace = 109; break;
        case Close: m.minFace = 102, m.closeFace = 105; break;
        case Title: case LblTitle:
            if (m.state == 2 || !m.drag) m.captionButtonsNormal();
            else m.left += (ptr.x() - pressAt.x()) * kTwips, m.top += (ptr.y() - pressAt.y()) * kTwips;
            break;
        default: break;
        }
        const QPoint before = w->widget()->geometry().topLeft();
        send(QEvent::MouseMove, Qt::NoButton);
        settle();
        // The pointer stays put on the screen: if the window moved, it is over another point.
        ptr -= w->widget()->geometry().topLeft() - before;
    }

    void lowPress(Qt::MouseButton b, int choice) {
        const Target t = hitTest(*w, ptr);
        grab = t;
        pressAt = ptr;
        if (t == Title || t == LblTitle) {
            if (b == Qt::LeftButton) m.drag = true;
            else if (b == Qt::MiddleButton) m.setState(1, maxArea());
        } else if (t == Ico) {
            expectPopup = true;
            pendingChoice = choice;
        } else if (t == LstDay || t == LstMonth) {
            auto *lw = static_cast<QListWidget *>(controlOf(*w, t).widget());
            const QPoint vp = lw->viewport()->mapFrom(w->widget(), ptr);
            const QModelIndex idx = lw->viewport()->rect().contains(vp) ? lw->indexAt(vp) : QModelIndex();
            if (idx.isValid()) m.select(t == LstDay ? 0 : 1, idx.row());
        }
        const int popupsBefore = popupsSeen;
        held = b;
        send(QEvent::MouseButtonPress, b);
        if (t == Ico) {
            if (popupsSeen != popupsBefore + 1) fail("a press on the icon did not open the menu exactly once");
            expectPopup = false;
            m.menuLoaded = choice != 0; // choice 0: About shown and closed
        }
        settle();
    }

    void lowRelease() {
        const Target t = grab;
        const Qt::MouseButton b = held;
        const bool inside = t != Free && rectOf(*w, t).contains(ptr);
        bool about = false;
        if (t == Title || t == LblTitle) m.drag = false;
        if (b == Qt::LeftButton && inside) {
            switch (t) {
            case Btn0: case Cap0: m.lookup(); break;
            case Btn2: case Cap2: about = true; break;
            case Min: m.minFace = 109, m.setState(1, maxArea()); break;
            case Btn1: case Cap1: case Close: fail("the generator released on a closing control"); break;
            default: break;
            }
        }
        const int modalsBefore = modalsSeen;
        expectModal = about;
        send(QEvent::MouseButtonRelease, b);
        held = Qt::NoButton;
        if (modalsSeen != modalsBefore + (about ? 1 : 0)) fail("the About window was not shown once after a release on its button");
        if (about) m.menuLoaded = expectModal = false;
        settle();
    }

    int onPopup() {
        ++popupsSeen;
        if (!expectPopup) fail("the menu opened unexpectedly");
        checkFrame(112, 107, kStripMenu);
        expectModal = pendingChoice == 0;
        return expectPopup ? pendingChoice : -1;
    }

    void onModal(ui::Form &f) {
        ++modalsSeen;
        if (!expectModal || !f.isShown()) fail("the About window was shown unexpectedly or not shown");
        expectModal = false;
        static_cast<frmMenu &>(f).pctButton_Click();
    }

    // Nothing points at or types into a minimised window; only a normal one is sized by code.
    bool applicable(const Action &a) const {
        switch (a.kind) {
        case Kind::Hover: case Kind::Gesture: {
            // The rounded outline cuts the corners off.
            const int x = a.at.x(), y = a.at.y(), W = m.clientW(), H = m.clientH();
            const bool corner = (x < 5 || x >= W - 5) && (y < 5 || y >= H - 5);
            return m.state != 1 && QRect(0, 0, W, H).contains(a.at) && !corner;
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
        case Kind::Gesture:
            lowMove(a.at);
            if (failure || m.state == 1) return;
            lowPress(a.button, a.popupChoice);
            for (QPoint p : a.moves)
                if (!failure) lowMove(p);
            if (!failure) lowRelease();
            break;
        case Kind::SetIndex:
            if (a.value != (a.list ? m.month : m.day)) m.select(a.list, a.value);
            (a.list ? w->lstMonth : w->lstDay).setListIndex(std::int16_t(a.value));
            settle();
            break;
        case Kind::Key: {
            const int count = a.list ? 12 : 31, cur = a.list ? m.month : m.day;
            int next = cur;
            if (cur < 0) next = 0;
            else switch (a.value) {
                case Qt::Key_Down: next = std::min(count - 1, cur + 1); break;
                case Qt::Key_Up: next = std::max(0, cur - 1); break;
                case Qt::Key_Home: next = 0; break;
                case Qt::Key_End: next = count - 1; break;
                case Qt::Key_PageDown: next = std::min(count - 1, cur + kRowsPerPage - 1); break;
                }
            if (next != cur) m.select(a.list, next);
            QTest::keyClick((a.list ? w->lstMonth : w->lstDay).widget(), Qt::Key(a.value));
            settle();
            break;
        }
        case Kind::Resize: {
            double &size = a.height ? m.height : m.width;
            if (a.value != size) size = a.value, m.resized();
            if (a.height) w->setHeight(float(a.value));
            else w->setWidth(float(a.value));
            settle();
            break;
        }
        case Kind::State:
            m.setState(a.value, maxArea());
            w->setWindowState(std::int16_t(a.value));
            settle();
            break;
        }
    }

    std::optional<Failure> replay(const std::vector<Action> &actions) {
        fresh();
        for (actionIndex = 0; actionIndex < actions.size() && !failure; ++actionIndex) run(actions[actionIndex]);
        return failure;
    }

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
        return weighted[pick(int(std::size(weighted)))];
    }

    Action generate() {
        Action a;
        const int r = pick(100);
        if (r < 70) {
            a.kind = r < 30 ? Kind::Hover : Kind::Gesture;
            Target t = randomTarget();
            a.at = pointIn(t);
            if (a.at.x() < 0) t = Free, a.at = pointIn(Free);
            a.target = t;
            if (a.kind == Kind::Hover) return a;
            static const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
            a.button = (t == LstDay || t == LstMonth) ? Qt::LeftButton : buttons[pick(3)];
            a.popupChoice = t == Ico ? pick(3) - 1 : -2; // dismissed, About, or the separator
            if (t != LstDay && t != LstMonth && t != Ico) {
                const int n = pick(4);
                for (int i = 0; i < n; ++i) {
                    if ((t == Title || t == LblTitle) && chance(0.7)) {
                        a.moves.push_back(a.at + QPoint(pick(41) - 20, pick(31) - 15));
                    } else if (chance(0.5)) { // with a button held the pointer may leave the window
                        a.moves.push_back(QPoint(pick(m.clientW() + 40) - 20, pick(m.clientH() + 40) - 20));
                    } else {
                        const QPoint p = pointIn(randomTarget());
                        if (p.x() >= 0) a.moves.push_back(p);
                    }
                }
            }
            // A left release over a closing control would end the program.
            if (a.button == Qt::LeftButton && (t == Btn1 || t == Cap1 || t == Close) &&
                rectOf(*w, t).contains(a.moves.empty() ? a.at : a.moves.back()))
                a.moves.push_back(pointIn(Free));
        } else if (r < 80) {
            a.kind = Kind::SetIndex;
            a.list = pick(2);
            a.value = chance(0.05) ? -1 : pick(a.list ? 12 : 31);
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

// Shrinking: cut after the failing action, then drop chunks of halving size
// while the rest still fails on a fresh window.
std::vector<Action> shrink(Driver &d, std::vector<Action> seq, std::optional<Failure> &last) {
    QElapsedTimer clock;
    clock.start();
    for (std::size_t chunk = std::max<std::size_t>(seq.size() / 2, 1); chunk >= 1 && clock.elapsed() < 60000;
         chunk /= 2) {
        for (std::size_t start = 0; start < seq.size() && clock.elapsed() < 60000;) {
            std::vector<Action> rest(seq.begin(), seq.begin() + std::ptrdiff_t(start));
            rest.insert(rest.end(), seq.begin() + std::ptrdiff_t(std::min(seq.size(), start + chunk)), seq.end());
            if (auto f = rest.empty() ? std::nullopt : d.replay(rest)) {
                last = f;
                seq = rest;
                seq.resize(std::min(seq.size(), f->action + 1));
            } else {
                start += chunk;
            }
        }
        if (chunk == 1) break;
    }
    last = d.replay(seq);
    return seq;
}

QtMessageHandler g_previousHandler = nullptr;
// The offscreen platform cannot shape windows and says so at every resize.
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (message.contains(QLatin1String("does not support setting window masks"))) return;
    if (g_previousHandler) g_previousHandler(type, context, message);
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
        // No nested edit menus of the text boxes, no wall-clock tooltips.
        qApp->installEventFilter(this);
        QVERIFY2(!ui::LoadResPicture(113, ui::vbResBitmap).isNull(), "the push-button pieces are not there");
    }

    void randomEvents() {
        bool ok = false;
        long wanted = qgetenv("LUNIVAR_MODEL_EVENTS").toLong(&ok);
        if (!ok) wanted = 100000;
        const QByteArray seedText = qgetenv("LUNIVAR_MODEL_SEED");
        const unsigned long long seed = seedText.isEmpty() ? 20250611ULL : seedText.toULongLong();
        std::printf("model test: seed %llu, %ld events\n", seed, wanted);

        Driver d;
        QVERIFY(d.faceNormal != d.faceHover);
        g_driver = &d;
        d.rng.seed(seed);
        std::vector<Action> actions;
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
        if (d.failure) {
            const Failure first = *d.failure;
            std::printf("model test: difference at event %ld: %s\n", first.event, first.what.c_str());
            actions.resize(first.action + 1);
            std::optional<Failure> last = first;
            const std::vector<Action> shortest = shrink(d, actions, last);
            std::printf("model test: shortest sequence (%zu actions) from a fresh window:\n", shortest.size());
            for (std::size_t i = 0; i < shortest.size(); ++i)
                std::printf("  %zu. %s\n", i + 1, describe(shortest[i]).c_str());
            if (last) std::printf("  -> %s\n", last->what.c_str());
            g_driver = nullptr;
            QFAIL(("window and model differ: " + first.what).c_str());
        }
        g_driver = nullptr;
        if (wanted >= 10000) { // a run this long reaches the menu, the About window and the message
            QVERIFY(d.popupsSeen > 0);
            QVERIFY(d.modalsSeen > 0);
            QVERIFY(d.messages > 0);
        }
    }

    void cleanupTestCase() { dropWindows(); }

protected:
    bool eventFilter(QObject *o, QEvent *e) override {
        if (e->type() == QEvent::ContextMenu || e->type() == QEvent::ToolTip) return true;
        return QObject::eventFilter(o, e);
    }
};

QTEST_MAIN(TestModel)
#include "test_model.moc"
