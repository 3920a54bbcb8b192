// The main window's skinned frame: the faces of the caption buttons, the
// title bar and the bottom strip after each event, where the caption buttons
// and the caption sit, the minimum size with its nested resizes, the window
// outline, moving the window by its title bar and the frame around the icon
// menu. Handlers are called directly, with the seams set so that nothing
// blocks and the end of the program throws.
#include "about/frmMenu.h"
#include "app/frmMain.h"
#include "skin/mdlDeclarations.h"
#include "support/window_fixture.h"
#include "ui/picture.h"
#include "ui/platform.h"
#include "ui/testing.h"
#include "ui/units.h"

#include <QCoreApplication>
#include <QImage>
#include <QRegion>
#include <QtTest>

#include <cmath>
#include <map>
#include <memory>
#include <vector>

using namespace ui;
using namespace lunivar_test;

namespace {

int endCalls = 0;

QRgb rgbOf(Color c) { return qRgb(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF)); }

// The looks of the three push buttons, index 0 first: N normal, H hover.
QString looks(frmMain &m)
{
    QString out;
    for (int i = 0; i < 3; ++i) {
        PictureBox &b = m.pctButton(i);
        out += faceLook(b.image(), 177, rgbOf(b.BackColor()));
    }
    return out;
}

// A region as rows of covered x ranges, for messages.
QString describe(const QRegion &region)
{
    std::map<int, std::vector<std::pair<int, int>>> rows;
    for (const QRect &r : region)
        for (int y = r.top(); y <= r.bottom(); ++y)
            rows[y].emplace_back(r.left(), r.right());
    QStringList out;
    QString last;
    int from = 0, prev = 0;
    auto flush = [&] {
        if (!last.isEmpty())
            out << QStringLiteral("rows %1-%2 x %3").arg(from).arg(prev).arg(last);
    };
    for (auto &[y, ranges] : rows) {
        std::sort(ranges.begin(), ranges.end());
        QStringList parts;
        for (auto [a, b] : ranges)
            parts << QStringLiteral("%1-%2").arg(a).arg(b);
        const QString s = parts.join(u',');
        if (s == last && y == prev + 1) {
            prev = y;
            continue;
        }
        flush();
        last = s, from = prev = y;
    }
    flush();
    return out.isEmpty() ? QStringLiteral("(empty)") : out.join(QStringLiteral("; "));
}

struct Span {
    int rowFrom, rowTo, xFrom, xTo; // inclusive
};

QRegion fromSpans(const std::vector<Span> &spans)
{
    QRegion r;
    for (const Span &s : spans)
        r += QRect(QPoint(s.xFrom, s.rowFrom), QPoint(s.xTo, s.rowTo));
    return r;
}

// The outline of a rounded rectangle with 10 x 10 corners: the rows next to
// the top and the bottom edge are cut by 3, 2 and 1 pixels at each end, the
// right and bottom bounds are exclusive and one pixel further in.
QRegion roundRect10(int l, int t, int r, int b)
{
    const int x2 = r - 2, y2 = b - 2;
    return fromSpans({{t, t, l + 3, x2 - 3},
                      {t + 1, t + 1, l + 2, x2 - 2},
                      {t + 2, t + 2, l + 1, x2 - 1},
                      {t + 3, y2 - 3, l, x2},
                      {y2 - 2, y2 - 2, l + 1, x2 - 1},
                      {y2 - 1, y2 - 1, l + 2, x2 - 2},
                      {y2, y2, l + 3, x2 - 3}});
}

#define COMPARE_REGION(actual, expected)                                                                     \
    do {                                                                                                     \
        const QRegion a_ = (actual), e_ = (expected);                                                        \
        QVERIFY2((a_ ^ e_).isEmpty(), qPrintable(QStringLiteral("got %1, want %2").arg(describe(a_), describe(e_)))); \
    } while (0)

// The main window with its resize handler counted: each entry records the
// size it saw and how deep it was nested.
struct Entry {
    float width, height;
    int depth;
};

class CountingMain : public frmMain {
public:
    void Form_Resize() override
    {
        entries.push_back({Width(), Height(), depth});
        ++depth;
        frmMain::Form_Resize();
        --depth;
    }
    std::vector<Entry> entries;
    int depth = 0;
};

struct Faces {
    int title, bottom;
    Color left, right;
    QRgb leftPixel, rightPixel;
};

Faces facesOf(frmMain &m)
{
    return {m.pctTitle.PictureId(), m.pctBottom.PictureId(), m.pctLeft.BackColor(), m.pctRight.BackColor(),
            m.pctLeft.rendered().pixel(0, 0), m.pctRight.rendered().pixel(0, 0)};
}

int itemIndex(const Menu &menu, const QString &name)
{
    for (std::size_t i = 0; i < menu.items.size(); ++i)
        if (menu.items[i].Name == name)
            return int(i);
    return -1;
}

} // namespace

class TestSkin : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void captionButtons_data();
    void captionButtons();
    void frameFaces_data();
    void frameFaces();
    void layoutAt15TwipsPerPixel();
    void layoutAt12TwipsPerPixel();
    void wideCaption();
    void minimumSize_data();
    void minimumSize();
    void minimisedWindow();
    void outline();
    void drag_data();
    void drag();
    void dragFollowsThePressPoint_data();
    void dragFollowsThePressPoint();
    void pressesThatStartNoDrag();
    void iconMenu_data();
    void iconMenu();
};

void TestSkin::initTestCase()
{
    QVERIFY2(installWindowSeams([] { ++endCalls; }), "the skin bitmaps are not in the resources");
}

void TestSkin::cleanup()
{
    dropWindows();
    quietPopupAndModal();
    Screen::setTwipsPerPixel(15, 15);
}

void TestSkin::cleanupTestCase() { dropWindows(); }

// ---------------------------------------------------------------- caption buttons

void TestSkin::captionButtons_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<int>("startMin");
    QTest::addColumn<int>("startClose");
    QTest::addColumn<QString>("startPush");
    QTest::addColumn<int>("min");       // face afterwards
    QTest::addColumn<int>("close");
    QTest::addColumn<QString>("push");  // looks afterwards; empty: not looked at
    QTest::addColumn<bool>("minimised"); // the window was minimised (and its resize handler ran)

    // The load handler gives both caption buttons and every push button the normal face.
    QTest::newRow("load") << "load" << 0 << 0 << QString() << 102 << 104 << "NNN" << false;

    struct Row {
        const char *name, *event;
        int min, close; // 0: unchanged
        const char *push; // "=": unchanged, "": not looked at
        bool minimised;
    };
    const Row rows[] = {
        {"over pctMin", "overMin", 109, 104, "=", false},
        {"over pctClose", "overClose", 102, 105, "=", false},
        {"over the free area", "free", 102, 104, "NNN", false},
        {"over the title bar", "title", 102, 104, "=", false},
        {"over the caption", "caption", 102, 104, "=", false},
        {"click on pctMin", "clickMin", 109, 0, "=", true},
        {"click on pctClose", "clickClose", 0, 105, "=", false},
        {"over the icon", "icon", 0, 0, "=", false},
        {"over the strips", "strips", 0, 0, "=", false},
        {"over lists, fields and labels", "fields", 0, 0, "=", false},
        {"over a push button", "push", 0, 0, "", false},
    };
    for (const Row &r : rows)
        for (int startMin : {102, 109})
            for (int startClose : {104, 105})
                for (QString startPush : {QStringLiteral("NNN"), QStringLiteral("HNH")}) {
                    const QString push = QString::fromLatin1(r.push) == u"=" ? startPush : QString::fromLatin1(r.push);
                    QTest::addRow("%s, from %d/%d/%s", r.name, startMin, startClose, qPrintable(startPush))
                        << QString::fromLatin1(r.event) << startMin << startClose << startPush
                        << (r.min ? r.min : startMin) << (r.close ? r.close : startClose) << push << r.minimised;
                }
}

void TestSkin::captionButtons()
{
    QFETCH(QString, event);
    QFETCH(int, startMin);
    QFETCH(int, startClose);
    QFETCH(QString, startPush);
    QFETCH(int, min);
    QFETCH(int, close);
    QFETCH(QString, push);
    QFETCH(bool, minimised);

    if (event == u"load") {
        dropWindows();
        frmMain &m = frmMainRef();
        QCOMPARE(m.pctMin.PictureId(), min);
        QCOMPARE(m.pctClose.PictureId(), close);
        QCOMPARE(looks(m), push);
        return;
    }

    frmMain &m = freshMain(true);
    m.pctMin.setPicture(LoadResPicture(startMin, vbResBitmap));
    m.pctClose.setPicture(LoadResPicture(startClose, vbResBitmap));
    paintLooks(startPush);
    QCOMPARE(looks(m), startPush);
    SetTitleSkin(vbFalse); // only a resize puts the active face back
    const int ends = endCalls;

    auto move = [](Control &c) {
        if (c.MouseMove)
            c.MouseMove(0, 0, 3, 3);
    };
    if (event == u"overMin") {
        move(m.pctMin);
    } else if (event == u"overClose") {
        move(m.pctClose);
    } else if (event == u"free") {
        m.Form_MouseMove(0, 0, 250, 150);
    } else if (event == u"title") {
        move(m.pctTitle);
    } else if (event == u"caption") {
        move(m.lblTitle);
    } else if (event == u"clickMin") {
        m.pctMin.Click();
    } else if (event == u"clickClose") {
        bool ended = false;
        try {
            m.pctClose.Click();
        } catch (const Ended &) {
            ended = true;
        }
        QVERIFY2(ended, "the close button did not end the program");
        QCOMPARE(endCalls, ends + 1);
    } else if (event == u"icon") {
        move(m.pctIco);
    } else if (event == u"strips") {
        move(m.pctLeft);
        move(m.pctRight);
        move(m.pctBottom);
    } else if (event == u"fields") {
        for (Control *c : std::initializer_list<Control *>{&m.lstDay, &m.lstMonth, &m.txtSign, &m.txtPair,
                                                          &m.txtPercStone, &m.txtTalis, &m.txtZ, &m.lblTitleS})
            move(*c);
        for (Label *l : m.lbl)
            move(*l);
    } else if (event == u"push") {
        move(m.pctButton(2));
    } else {
        QFAIL("unknown event");
    }

    QCOMPARE(m.pctMin.PictureId(), min);
    QCOMPARE(m.pctClose.PictureId(), close);
    QCOMPARE(m.pctMin.rendered(), bitmap(min));
    QCOMPARE(m.pctClose.rendered(), bitmap(close));
    if (!push.isEmpty())
        QCOMPARE(looks(m), push);
    QCOMPARE(m.WindowState(), std::int16_t(minimised ? vbMinimized : vbNormal));
    QCOMPARE(m.pctTitle.PictureId(), minimised ? 111 : 112);
    if (event != u"clickClose")
        QCOMPARE(endCalls, ends);
}

// ---------------------------------------------------------------- title and bottom faces

void TestSkin::frameFaces_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("startTitle");
    QTest::addColumn<int>("startBottom");
    QTest::addColumn<int>("title");
    QTest::addColumn<int>("bottom");

    struct Row {
        const char *action;
        int title, bottom; // 0: unchanged
    };
    const Row rows[] = {
        {"Form_Resize", 111, 0},
        {"pctTitle_Resize", 111, 0},
        {"pctBottom_Resize", 0, 106},
        {"window widened", 111, 106}, // the resize handlers of the window and both strips
        {"SetTitleSkin True", 111, 0},
        {"SetTitleSkin False", 112, 0},
        {"SetTitleSkin 1", 0, 0},
        {"SetTitleSkin -2", 0, 0},
        {"SetTitleSkin 2", 0, 0},
        {"SetBottomSkin True", 0, 106},
        {"SetBottomSkin False", 0, 107},
        {"SetBottomSkin 1", 0, 0},
        {"SetBottomSkin -2", 0, 0},
        {"SetBottomSkin 32767", 0, 0},
    };
    for (const Row &r : rows)
        for (int startTitle : {111, 112})
            for (int startBottom : {106, 107})
                QTest::addRow("%s, from %d/%d", r.action, startTitle, startBottom)
                    << QString::fromLatin1(r.action) << startTitle << startBottom
                    << (r.title ? r.title : startTitle) << (r.bottom ? r.bottom : startBottom);
}

void TestSkin::frameFaces()
{
    QFETCH(QString, action);
    QFETCH(int, startTitle);
    QFETCH(int, startBottom);
    QFETCH(int, title);
    QFETCH(int, bottom);

    frmMain &m = freshMain(true);
    SetTitleSkin(startTitle == 111 ? vbTrue : vbFalse);
    SetBottomSkin(startBottom == 106 ? vbTrue : vbFalse);
    QCOMPARE(m.pctTitle.PictureId(), startTitle);
    QCOMPARE(m.pctBottom.PictureId(), startBottom);

    if (action == u"Form_Resize") {
        m.Form_Resize();
    } else if (action == u"pctTitle_Resize") {
        m.pctTitle_Resize();
    } else if (action == u"pctBottom_Resize") {
        m.pctBottom_Resize();
    } else if (action == u"window widened") {
        m.setWidth(6000);
    } else if (action.startsWith(u"SetTitleSkin ")) {
        const QString v = action.mid(13);
        SetTitleSkin(v == u"True" ? vbTrue : v == u"False" ? vbFalse : Boolean(v.toInt()));
    } else if (action.startsWith(u"SetBottomSkin ")) {
        const QString v = action.mid(14);
        SetBottomSkin(v == u"True" ? vbTrue : v == u"False" ? vbFalse : Boolean(v.toInt()));
    } else {
        QFAIL("unknown action");
    }

    QCOMPARE(m.pctTitle.PictureId(), title);
    QCOMPARE(m.pctBottom.PictureId(), bottom);
    // Drawn at natural size from the top-left corner.
    QCOMPARE(m.pctTitle.rendered().copy(0, 0, 380, 24), bitmap(title));
    QCOMPARE(m.pctBottom.rendered().copy(0, 0, 380, 7), bitmap(bottom));
}

// ---------------------------------------------------------------- layout of the title bar

void TestSkin::layoutAt15TwipsPerPixel()
{
    frmMain &m = freshMain(true);
    QCOMPARE(m.Width(), 5700.f);
    QCOMPARE(m.Height(), 3030.f);
    QCOMPARE(m.pctTitle.ScaleWidth(), 380.f);
    QCOMPARE(m.pctTitle.ScaleHeight(), 24.f);

    // Each caption button takes the size of its picture.
    QCOMPARE(m.pctClose.Width(), 18.f);
    QCOMPARE(m.pctClose.Height(), 19.f);
    QCOMPARE(m.pctMin.Width(), 17.f);
    QCOMPARE(m.pctMin.Height(), 19.f);
    // Close button x 358-375 (4 px to the edge), minimise button x 318-334.
    QCOMPARE(m.pctClose.Left(), 358.f);
    QCOMPARE(m.pctClose.Left() + m.pctClose.Width() - 1, 375.f);
    QCOMPARE(m.pctMin.Left(), 318.f);
    QCOMPARE(m.pctMin.Left() + m.pctMin.Width() - 1, 334.f);
    QCOMPARE(m.pctClose.Top(), 4.f);
    QCOMPARE(m.pctMin.Top(), 4.f);

    // The caption is centred across the whole bar, unrounded; the shadow 2 px right and down.
    QCOMPARE(m.lblTitle.Caption(), QStringLiteral("Lunivar 5.3"));
    QCOMPARE(m.lblTitleS.Caption(), QStringLiteral("Lunivar 5.3"));
    QCOMPARE(m.lblTitle.Left(), (380.f - m.lblTitle.Width()) / 2);
    QCOMPARE(m.lblTitle.Left() + m.lblTitle.Width() / 2, 190.f);
    QCOMPARE(m.lblTitle.Top(), (24.f - m.lblTitle.Height()) / 2);
    QCOMPARE(m.lblTitleS.Left(), m.lblTitle.Left() + 2);
    QCOMPARE(m.lblTitleS.Top(), m.lblTitle.Top() + 2);
    QCOMPARE(m.lblTitleS.ForeColor(), Color(0x808080));

    // The apple icon, 21 x 20, and the active faces.
    QCOMPARE(m.pctIco.PictureId(), 101);
    QCOMPARE(m.pctIco.Width(), 21.f);
    QCOMPARE(m.pctIco.Height(), 20.f);
    QCOMPARE(m.pctTitle.PictureId(), 111);
    QCOMPARE(m.pctBottom.PictureId(), 106);
    QCOMPARE(m.pctTitle.rendered(), bitmap(111));
    QCOMPARE(m.pctBottom.rendered(), bitmap(106));
    QCOMPARE(m.pctLeft.BackColor(), Color(0xC0C0C0));
    QCOMPARE(m.pctRight.BackColor(), Color(0xC0C0C0));
}

void TestSkin::layoutAt12TwipsPerPixel()
{
    Screen::setTwipsPerPixel(12, 12);
    frmMain &m = freshMain(true);
    QCOMPARE(m.Width(), 5700.f);
    QCOMPARE(m.ScaleWidth(), 475.f);
    QCOMPARE(m.pctTitle.ScaleWidth(), 475.f);
    const float H = 360.f / 12; // the title bar's layout height
    QCOMPARE(m.pctTitle.ScaleHeight(), H);

    // The caption buttons and the caption follow the full width.
    QCOMPARE(m.pctClose.Left(), 475.f - 18 - 4);
    QCOMPARE(m.pctMin.Left(), 475.f - 18 - 2 * 17 - 10);
    QCOMPARE(m.lblTitle.Left(), (475.f - m.lblTitle.Width()) / 2);
    QCOMPARE(m.lblTitle.Top(), (H - m.lblTitle.Height()) / 2);
    QCOMPARE(m.lblTitleS.Left(), m.lblTitle.Left() + 2);
    QCOMPARE(m.lblTitleS.Top(), m.lblTitle.Top() + 2);

    // The bitmaps cover their left 380 x 24 and 380 x 7 pixels; the rest is the boxes' own colour.
    struct Strip {
        PictureBox *box;
        int id;
    };
    for (const Strip &s : {Strip{&m.pctTitle, 111}, Strip{&m.pctBottom, 106}}) {
        const QImage shown = s.box->rendered();
        const QImage bmp = bitmap(s.id);
        const QRgb back = rgbOf(s.box->BackColor());
        QCOMPARE(shown.width(), 475);
        QCOMPARE(shown.copy(0, 0, bmp.width(), bmp.height()), bmp);
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if (x >= bmp.width() || y >= bmp.height())
                    QVERIFY2(shown.pixel(x, y) == back, qPrintable(QStringLiteral("bitmap %1 at %2,%3").arg(s.id).arg(x).arg(y)));
    }

    // 5700 / 12 + 1 = 476 and 3030 / 12 + 1 = 253.5, which rounds to the even 254.
    COMPARE_REGION(m.region(), roundRect10(0, 0, 476, 254));
}

void TestSkin::wideCaption()
{
    // A caption wider than the bar starts left of it; the shadow keeps its offset.
    frmMain &m = freshMain(true);
    m.lblTitle.setCaption(QString(80, u'W'));
    QVERIFY(m.lblTitle.Width() > 380);
    m.pctTitle_Resize();
    QVERIFY(m.lblTitle.Left() < 0);
    QCOMPARE(m.lblTitle.Left(), (380.f - m.lblTitle.Width()) / 2);
    QCOMPARE(m.lblTitleS.Left(), m.lblTitle.Left() + 2);
    QCOMPARE(m.lblTitleS.Top(), m.lblTitle.Top() + 2);
}

// ---------------------------------------------------------------- minimum size and outline

void TestSkin::minimumSize_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<float>("before"); // assigned first, 0 for none
    QTest::addColumn<float>("value");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<QList<float>>("seen"); // the size each resize handler saw, in order
    QTest::addColumn<bool>("maximised");      // treated like a normal window

    QTest::newRow("width 5000") << "width" << 0.f << 5000.f << 5700.f << 3030.f << QList<float>{5000, 5700} << false;
    QTest::newRow("width 5699") << "width" << 0.f << 5699.f << 5700.f << 3030.f << QList<float>{5699, 5700} << false;
    QTest::newRow("width exactly 5700") << "width" << 6000.f << 5700.f << 5700.f << 3030.f << QList<float>{5700} << false;
    QTest::newRow("width 7000") << "width" << 0.f << 7000.f << 7000.f << 3030.f << QList<float>{7000} << false;
    QTest::newRow("height 2000") << "height" << 0.f << 2000.f << 5700.f << 3000.f << QList<float>{2000, 3000} << false;
    QTest::newRow("height 2999") << "height" << 0.f << 2999.f << 5700.f << 3000.f << QList<float>{2999, 3000} << false;
    QTest::newRow("height exactly 3000") << "height" << 0.f << 3000.f << 5700.f << 3000.f << QList<float>{3000} << false;
    QTest::newRow("height 4000") << "height" << 0.f << 4000.f << 5700.f << 4000.f << QList<float>{4000} << false;
    QTest::newRow("maximised, width 5000") << "width" << 0.f << 5000.f << 5700.f << 3030.f << QList<float>{5000, 5700} << true;
    QTest::newRow("maximised, height 2000") << "height" << 0.f << 2000.f << 5700.f << 3000.f << QList<float>{2000, 3000} << true;
}

void TestSkin::minimumSize()
{
    QFETCH(QString, which);
    QFETCH(float, before);
    QFETCH(float, value);
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(QList<float>, seen);
    QFETCH(bool, maximised);

    dropWindows();
    auto m = std::make_unique<CountingMain>();
    m->Load();
    if (maximised)
        m->setWindowState(vbMaximized); // kept hidden, so the screen does not size it
    else
        m->Show();
    const bool w = which == u"width";
    if (before > 0)
        w ? m->setWidth(before) : m->setHeight(before);
    m->entries.clear();
    SetTitleSkin(vbFalse);

    w ? m->setWidth(value) : m->setHeight(value);

    QCOMPARE(m->Width(), width);
    QCOMPARE(m->Height(), height);
    QCOMPARE(int(m->entries.size()), int(seen.size()));
    for (int i = 0; i < int(seen.size()); ++i) {
        const Entry &e = m->entries[std::size_t(i)];
        QCOMPARE(w ? e.width : e.height, seen[i]);
        QCOMPARE(e.depth, i); // each clamp raises the handler inside the one that made it
    }
    QCOMPARE(m->pctTitle.PictureId(), 111);
    COMPARE_REGION(m->region(), roundRect10(0, 0, int(std::nearbyint(width / 15.0 + 1)), int(std::nearbyint(height / 15.0 + 1))));
}

void TestSkin::minimisedWindow()
{
    dropWindows();
    auto m = std::make_unique<CountingMain>();
    m->Load();
    m->Show();
    m->entries.clear();

    SetTitleSkin(vbFalse);
    m->setWindowState(vbMinimized);
    QCOMPARE(int(m->entries.size()), 1);
    QCOMPARE(m->pctTitle.PictureId(), 111);

    // No clamps while minimised, but the face and the region still follow.
    m->entries.clear();
    SetTitleSkin(vbFalse);
    m->setWidth(5000);
    QCOMPARE(m->Width(), 5000.f);
    QCOMPARE(int(m->entries.size()), 1);
    QCOMPARE(m->pctTitle.PictureId(), 111);
    COMPARE_REGION(m->region(), roundRect10(0, 0, 334, 203)); // 5000 / 15 + 1 = 334.33

    m->entries.clear();
    SetTitleSkin(vbFalse);
    m->setHeight(2000);
    QCOMPARE(m->Height(), 2000.f);
    QCOMPARE(int(m->entries.size()), 1);
    QCOMPARE(m->pctTitle.PictureId(), 111);
    COMPARE_REGION(m->region(), roundRect10(0, 0, 334, 134)); // 2000 / 15 + 1 = 134.33

    // Restoring checks both: the width clamp nests the height clamp.
    m->entries.clear();
    m->setWindowState(vbNormal);
    QCOMPARE(m->Width(), 5700.f);
    QCOMPARE(m->Height(), 3000.f);
    QCOMPARE(int(m->entries.size()), 3);
    QCOMPARE(m->entries[0].width, 5000.f);
    QCOMPARE(m->entries[1].width, 5700.f);
    QCOMPARE(m->entries[1].height, 2000.f);
    QCOMPARE(m->entries[2].height, 3000.f);
    QCOMPARE(m->entries[2].depth, 2);
    COMPARE_REGION(m->region(), roundRect10(0, 0, 381, 201));
}

void TestSkin::outline()
{
    // The load handler's own outline, from 5, 5 to 381, 203.
    dropWindows();
    frmMain &m = frmMainRef();
    QVERIFY(m.hasRegion());
    COMPARE_REGION(m.region(), fromSpans({{5, 5, 8, 376},
                                          {6, 6, 7, 377},
                                          {7, 7, 6, 378},
                                          {8, 198, 5, 379},
                                          {199, 199, 6, 378},
                                          {200, 200, 7, 377},
                                          {201, 201, 8, 376}}));

    // Once shown, the resize handler's: CreateRoundRectRgn(0, 0, 381, 203, 10, 10).
    m.Show();
    const QRegion shown = fromSpans({{0, 0, 3, 376},
                                     {1, 1, 2, 377},
                                     {2, 2, 1, 378},
                                     {3, 198, 0, 379},
                                     {199, 199, 1, 378},
                                     {200, 200, 2, 377},
                                     {201, 201, 3, 376}});
    COMPARE_REGION(m.region(), shown);
    COMPARE_REGION(roundRect10(0, 0, 381, 203), shown);
}

// ---------------------------------------------------------------- moving the window

void TestSkin::drag_data()
{
    QTest::addColumn<bool>("dragging");  // a left press at 10, 5 came first
    QTest::addColumn<bool>("maximised");
    QTest::addColumn<QString>("target"); // "title" or "caption"
    QTest::addColumn<QString>("event");  // "down", "move" or "up"
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("dragAfter");
    QTest::addColumn<QPointF>("pressPoint");
    QTest::addColumn<float>("dLeft");
    QTest::addColumn<float>("dTop");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("reset"); // caption buttons back to their normal faces

    // Events come at 30, 20 (press), 110, 45 (move: 100 right, 40 down from 10, 5) and 50, 50 (release).
    const QPointF none(0, 0), first(10, 5), at(30, 20);
    QTest::newRow("idle, left press on title") << false << false << "title" << "down" << 1 << true << at << 0.f << 0.f << 0 << false;
    QTest::newRow("idle, left press on caption") << false << false << "caption" << "down" << 1 << true << at << 0.f << 0.f << 0 << false;
    QTest::newRow("idle, middle press on title") << false << false << "title" << "down" << 4 << false << none << 0.f << 0.f << 1 << false;
    QTest::newRow("idle, press 3 on title") << false << false << "title" << "down" << 3 << false << none << 0.f << 0.f << 1 << false;
    QTest::newRow("idle, middle press on caption") << false << false << "caption" << "down" << 4 << false << none << 0.f << 0.f << 1 << false;
    QTest::newRow("idle, right press on title") << false << false << "title" << "down" << 2 << false << none << 0.f << 0.f << 0 << false;
    QTest::newRow("idle, right press on caption") << false << false << "caption" << "down" << 2 << false << none << 0.f << 0.f << 0 << false;
    QTest::newRow("idle, move over title") << false << false << "title" << "move" << 0 << false << none << 0.f << 0.f << 0 << true;
    QTest::newRow("idle, move over caption") << false << false << "caption" << "move" << 0 << false << none << 0.f << 0.f << 0 << true;
    QTest::newRow("idle, move with left held") << false << false << "title" << "move" << 1 << false << none << 0.f << 0.f << 0 << true;
    QTest::newRow("idle maximised, move") << false << true << "title" << "move" << 0 << false << none << 0.f << 0.f << 2 << true;
    QTest::newRow("dragging, move over title") << true << false << "title" << "move" << 1 << true << first << 1500.f << 600.f << 0 << false;
    QTest::newRow("dragging, move over caption") << true << false << "caption" << "move" << 1 << true << first << 1500.f << 600.f << 0 << false;
    QTest::newRow("dragging, move, no button") << true << false << "title" << "move" << 0 << true << first << 1500.f << 600.f << 0 << false;
    QTest::newRow("dragging maximised, move") << true << true << "title" << "move" << 1 << true << first << 0.f << 0.f << 2 << true;
    QTest::newRow("dragging, middle press") << true << false << "title" << "down" << 4 << true << first << 0.f << 0.f << 1 << false;
    QTest::newRow("dragging, right press") << true << false << "title" << "down" << 2 << true << first << 0.f << 0.f << 0 << false;
    QTest::newRow("dragging, left release on title") << true << false << "title" << "up" << 1 << false << first << 0.f << 0.f << 0 << false;
    QTest::newRow("dragging, right release on title") << true << false << "title" << "up" << 2 << false << first << 0.f << 0.f << 0 << false;
    QTest::newRow("dragging, middle release on title") << true << false << "title" << "up" << 4 << false << first << 0.f << 0.f << 0 << false;
    QTest::newRow("dragging, left release on caption") << true << false << "caption" << "up" << 1 << false << first << 0.f << 0.f << 0 << false;
    QTest::newRow("dragging, right release on caption") << true << false << "caption" << "up" << 2 << false << first << 0.f << 0.f << 0 << false;
    QTest::newRow("idle, release") << false << false << "title" << "up" << 1 << false << none << 0.f << 0.f << 0 << false;
}

void TestSkin::drag()
{
    QFETCH(bool, dragging);
    QFETCH(bool, maximised);
    QFETCH(QString, target);
    QFETCH(QString, event);
    QFETCH(int, button);
    QFETCH(bool, dragAfter);
    QFETCH(QPointF, pressPoint);
    QFETCH(float, dLeft);
    QFETCH(float, dTop);
    QFETCH(int, state);
    QFETCH(bool, reset);

    frmMain &m = freshMain(false);
    QCOMPARE(m.blnDrag, vbFalse);
    m.setLeft(3000);
    m.setTop(1500);
    if (maximised)
        m.setWindowState(vbMaximized);
    Control &c = target == u"title" ? static_cast<Control &>(m.pctTitle) : m.lblTitle;
    if (dragging)
        c.MouseDown(1, 0, 10, 5);
    m.pctMin.setPicture(LoadResPicture(109, vbResBitmap));
    m.pctClose.setPicture(LoadResPicture(105, vbResBitmap));
    const float left = m.Left(), top = m.Top();

    const auto b = std::int16_t(button);
    if (event == u"down")
        c.MouseDown(b, 0, 30, 20);
    else if (event == u"move")
        c.MouseMove(b, 0, 110, 45);
    else
        c.MouseUp(b, 0, 50, 50);

    QCOMPARE(m.blnDrag, dragAfter ? vbTrue : vbFalse);
    QCOMPARE(m.sngDragX, float(pressPoint.x()));
    QCOMPARE(m.sngDragY, float(pressPoint.y()));
    QCOMPARE(m.Left(), left + dLeft);
    QCOMPARE(m.Top(), top + dTop);
    QCOMPARE(m.WindowState(), std::int16_t(state));
    QCOMPARE(m.pctMin.PictureId(), reset ? 102 : 109);
    QCOMPARE(m.pctClose.PictureId(), reset ? 104 : 105);
}

void TestSkin::dragFollowsThePressPoint_data()
{
    QTest::addColumn<double>("tpp");
    QTest::addColumn<float>("dx"); // twips per 100 px right
    QTest::addColumn<float>("dy"); // twips per 40 px down
    QTest::newRow("15 twips per pixel") << 15.0 << 1500.f << 600.f;
    QTest::newRow("12 twips per pixel") << 12.0 << 1200.f << 480.f;
}

void TestSkin::dragFollowsThePressPoint()
{
    QFETCH(double, tpp);
    QFETCH(float, dx);
    QFETCH(float, dy);
    Screen::setTwipsPerPixel(tpp, tpp);
    frmMain &m = freshMain(false);
    m.setLeft(3000);
    m.setTop(1200);

    m.pctTitle.MouseDown(1, 0, 10, 5);
    // The window follows the pointer, so every move reports the same point
    // of the title bar and yields the displacement from the press again.
    m.pctTitle.MouseMove(1, 0, 110, 45);
    QCOMPARE(m.Left(), 3000 + dx);
    QCOMPARE(m.Top(), 1200 + dy);
    m.pctTitle.MouseMove(1, 0, 110, 45);
    QCOMPARE(m.Left(), 3000 + 2 * dx);
    QCOMPARE(m.Top(), 1200 + 2 * dy);
    m.pctTitle.MouseMove(1, 0, 10, 5);
    QCOMPARE(m.Left(), 3000 + 2 * dx);
    m.pctTitle.MouseMove(1, 0, 0, 5);
    QCOMPARE(m.Left(), 3000 + 2 * dx - dx / 10);
    QCOMPARE(m.sngDragX, 10.f);
    QCOMPARE(m.sngDragY, 5.f);

    // A right release ends it while the left is still held.
    m.pctTitle.MouseUp(2, 0, 0, 5);
    const float left = m.Left(), top = m.Top();
    m.pctTitle.MouseMove(1, 0, 200, 100);
    QCOMPARE(m.Left(), left);
    QCOMPARE(m.Top(), top);
}

void TestSkin::pressesThatStartNoDrag()
{
    frmMain &m = freshMain(true);
    int popups = 0;
    testing::setPopupHook([&](const Menu &) {
        ++popups;
        return -1;
    });
    for (Control *c : std::initializer_list<Control *>{&m.lblTitleS, &m.pctMin, &m.pctClose, &m.pctIco}) {
        if (c->MouseDown)
            c->MouseDown(1, 0, 3, 3);
        QCOMPARE(m.blnDrag, vbFalse);
    }
    QCOMPARE(popups, 1);
    QCOMPARE(m.WindowState(), std::int16_t(vbNormal));
}

// ---------------------------------------------------------------- the icon menu

void TestSkin::iconMenu_data()
{
    QTest::addColumn<QString>("choice"); // the item picked, empty: dismissed
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("ends");

    QTest::newRow("dismissed, left button") << QString() << 1 << false;
    QTest::newRow("dismissed, right button") << QString() << 2 << false;
    QTest::newRow("dismissed, middle button") << QString() << 4 << false;
    QTest::newRow("About") << "mnuAbout" << 1 << false;
    QTest::newRow("Exit") << "mnuExit" << 1 << true;
}

void TestSkin::iconMenu()
{
    QFETCH(QString, choice);
    QFETCH(int, button);
    QFETCH(bool, ends);

    frmMain &m = freshMain(true);
    const Faces active{111, 106, 0xC0C0C0, 0xC0C0C0, qRgb(192, 192, 192), qRgb(192, 192, 192)};
    const Faces inactive{112, 107, 0xFF8080, 0xFF8080, qRgb(128, 128, 255), qRgb(128, 128, 255)};
    auto same = [](const Faces &a, const Faces &b) {
        return a.title == b.title && a.bottom == b.bottom && a.left == b.left && a.right == b.right
            && a.leftPixel == b.leftPixel && a.rightPixel == b.rightPixel;
    };
    QVERIFY(same(facesOf(m), active));

    int popups = 0, modals = 0;
    bool duringPopup = false, duringModal = false, modalShown = false;
    testing::setPopupHook([&](const Menu &menu) {
        ++popups;
        duringPopup = same(facesOf(m), inactive);
        return choice.isEmpty() ? -1 : itemIndex(menu, choice);
    });
    testing::setModalHook([&](Form &f) {
        ++modals;
        duringModal = same(facesOf(m), inactive);
        modalShown = f.isShown();
        static_cast<frmMenu &>(f).pctButton_Click(); // OK
    });

    const int endsBefore = endCalls;
    bool thrown = false;
    try {
        m.pctIco.MouseDown(std::int16_t(button), 0, 5, 5);
    } catch (const Ended &) {
        thrown = true;
    }
    QCOMPARE(popups, 1);
    QVERIFY2(duringPopup, "the frame does not show its inactive face while the menu is open");
    QCOMPARE(thrown, ends);
    QCOMPARE(endCalls, endsBefore + (ends ? 1 : 0));
    if (choice == u"mnuAbout") {
        QCOMPARE(modals, 1);
        QVERIFY(modalShown);
        QVERIFY2(duringModal, "the frame does not keep its inactive face while the About window runs");
    } else {
        QCOMPARE(modals, 0);
    }
    // After Exit the steps after the popup never run.
    QVERIFY(same(facesOf(m), ends ? inactive : active));
    // Dismissed, the menu's window stays loaded and hidden; closed or exited, it is gone.
    QCOMPARE(frmMenuRef.exists(), choice.isEmpty());
    if (choice.isEmpty()) {
        QVERIFY(frmMenuRef.get()->loaded());
        QVERIFY(!frmMenuRef.get()->isShown());
    }
}

QTEST_MAIN(TestSkin)
#include "test_skin.moc"
