// The main window's skinned frame: caption-button and frame faces after each
// event, the title-bar layout, the minimum size with its nested resizes, the
// window outline, dragging by the title bar and the icon menu.
#include "about/frmMenu.h"
#include "app/frmMain.h"
#include "skin/mdlDeclarations.h"
#include "support/window_fixture.h"
#include "ui/picture.h"
#include "ui/testing.h"
#include "ui/units.h"

#include <QRegion>
#include <QtTest>

#include <cmath>
#include <memory>
#include <vector>

using namespace ui;
using namespace lunivar_test;

namespace {

int endCalls = 0;

QRgb rgbOf(Color c) { return qRgb(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF)); }

QString looks(frmMain &m)
{
    QString out;
    for (int i = 0; i < 3; ++i)
        out += faceLook(m.pctButton(i).image(), 177, rgbOf(m.pctButton(i).BackColor()));
    return out;
}

// CreateRoundRectRgn(l, t, r, b, 10, 10): right and bottom exclusive and one
// pixel further in, the three rows at each end cut by 3, 2 and 1 pixels.
QRegion roundRect10(int l, int t, int r, int b)
{
    const int x2 = r - 2, y2 = b - 2;
    QRegion reg(QRect(QPoint(l, t + 3), QPoint(x2, y2 - 3)));
    for (int i = 0; i < 3; ++i) {
        reg += QRect(QPoint(l + 3 - i, t + i), QPoint(x2 - 3 + i, t + i));
        reg += QRect(QPoint(l + 3 - i, y2 - i), QPoint(x2 - 3 + i, y2 - i));
    }
    return reg;
}

#define COMPARE_REGION(a, e) QVERIFY(((a) ^ (e)).isEmpty())

struct Entry {
    float width, height;
    int depth;
};

// The main window with each resize handler call recorded with its nesting.
class CountingMain : public frmMain {
public:
    void Form_Resize() override
    {
        entries.push_back({Width(), Height(), depth++});
        frmMain::Form_Resize();
        --depth;
    }
    std::vector<Entry> entries;
    int depth = 0;
};

bool facesActive(frmMain &m, bool active)
{
    const Color c = active ? 0xC0C0C0 : 0xFF8080;
    return m.pctTitle.PictureId() == (active ? 111 : 112) && m.pctBottom.PictureId() == (active ? 106 : 107)
        && m.pctLeft.BackColor() == c && m.pctRight.BackColor() == c
        && m.pctLeft.rendered().pixel(0, 0) == rgbOf(c) && m.pctRight.rendered().pixel(0, 0) == rgbOf(c);
}

int itemIndex(const Menu &menu, const QString &name)
{
    for (std::size_t i = 0; i < menu.items.size(); ++i)
        if (menu.items[i].Name == name)
            return int(i);
    return -1;
}

std::unique_ptr<CountingMain> countingMain(bool show = true)
{
    dropWindows();
    auto m = std::make_unique<CountingMain>();
    m->Load();
    if (show)
        m->Show();
    return m;
}

struct Drag {
    bool dragging, maximised, caption; // a left press at 10, 5 came first; maximised; on the caption
    char event;                        // d press at 30, 20; m move to 110, 45; u release at 50, 50
    int button;
    bool dragAfter;
    QPointF pressPoint;
    float dLeft, dTop;
    int state;
    bool reset; // caption buttons back to their normal faces
};
} // namespace

Q_DECLARE_METATYPE(Drag)

class TestSkin : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(installWindowSeams([] { ++endCalls; })); }
    void cleanup()
    {
        dropWindows();
        quietPopupAndModal();
        Screen::setTwipsPerPixel(15, 15);
    }

    void captionButtons_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<bool>("fromHover"); // start from 109/105/HNH, else from 102/104/NNN
        QTest::addColumn<int>("min");        // faces afterwards, 0: unchanged
        QTest::addColumn<int>("close");
        QTest::addColumn<QString>("push"); // looks afterwards, "=": unchanged, "": not looked at

        const std::tuple<const char *, int, int, const char *> rows[] = {
            {"overMin", 109, 104, "="}, {"overClose", 102, 105, "="}, {"free", 102, 104, "NNN"},
            {"title", 102, 104, "="},   {"caption", 102, 104, "="},   {"clickMin", 109, 0, "="},
            {"clickClose", 0, 105, "="}, {"others", 0, 0, "="},       {"push", 0, 0, ""},
        };
        for (const auto &[event, min, close, push] : rows)
            for (bool hover : {false, true})
                QTest::addRow("%s from %s", event, hover ? "hover" : "normal")
                    << QString::fromLatin1(event) << hover << min << close << QString::fromLatin1(push);
    }

    void captionButtons()
    {
        QFETCH(QString, event);
        QFETCH(bool, fromHover);
        QFETCH(int, min);
        QFETCH(int, close);
        QFETCH(QString, push);
        const QString startPush = fromHover ? QStringLiteral("HNH") : QStringLiteral("NNN");
        min = min ? min : fromHover ? 109 : 102;
        close = close ? close : fromHover ? 105 : 104;
        push = push == u"=" ? startPush : push;
        const bool minimised = event == u"clickMin";

        frmMain &m = freshMain(true);
        m.pctMin.setPicture(LoadResPicture(fromHover ? 109 : 102, vbResBitmap));
        m.pctClose.setPicture(LoadResPicture(fromHover ? 105 : 104, vbResBitmap));
        paintLooks(startPush);
        SetTitleSkin(vbFalse); // only a resize puts the active face back
        const int ends = endCalls;

        auto move = [](Control &c) {
            if (c.MouseMove)
                c.MouseMove(0, 0, 3, 3);
        };
        if (event == u"overMin")
            move(m.pctMin);
        else if (event == u"overClose")
            move(m.pctClose);
        else if (event == u"free")
            m.Form_MouseMove(0, 0, 250, 150);
        else if (event == u"title")
            move(m.pctTitle);
        else if (event == u"caption")
            move(m.lblTitle);
        else if (event == u"clickMin")
            m.pctMin.Click();
        else if (event == u"clickClose")
            QVERIFY_THROWS_EXCEPTION(Ended, m.pctClose.Click());
        else if (event == u"others") { // the icon, the strips, lists, fields and labels
            for (Control *c : std::initializer_list<Control *>{&m.pctIco, &m.pctLeft, &m.pctRight, &m.pctBottom,
                                                              &m.lstDay, &m.lstMonth, &m.txtSign, &m.txtPair,
                                                              &m.txtPercStone, &m.txtTalis, &m.txtZ, &m.lblTitleS})
                move(*c);
            for (Label *l : m.lbl)
                move(*l);
        } else
            move(m.pctButton(2));

        QCOMPARE(m.pctMin.PictureId(), min);
        QCOMPARE(m.pctClose.PictureId(), close);
        QCOMPARE(m.pctMin.rendered(), bitmap(min));
        QCOMPARE(m.pctClose.rendered(), bitmap(close));
        if (!push.isEmpty())
            QCOMPARE(looks(m), push);
        QCOMPARE(m.WindowState(), std::int16_t(minimised ? vbMinimized : vbNormal));
        QCOMPARE(m.pctTitle.PictureId(), minimised ? 111 : 112);
        QCOMPARE(endCalls, ends + (event == u"clickClose" ? 1 : 0));
    }

    void frameFaces_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("startActive");
        QTest::addColumn<int>("title");
        QTest::addColumn<int>("bottom");

        struct Row {
            const char *action;
            int title, bottom; // 0: unchanged
        };
        const Row rows[] = {
            {"Form_Resize", 111, 0},       {"pctTitle_Resize", 111, 0},    {"pctBottom_Resize", 0, 106},
            {"window widened", 111, 106},  {"SetTitleSkin True", 111, 0},  {"SetTitleSkin False", 112, 0},
            {"SetTitleSkin 1", 0, 0},      {"SetTitleSkin -2", 0, 0},      {"SetBottomSkin True", 0, 106},
            {"SetBottomSkin False", 0, 107}, {"SetBottomSkin 1", 0, 0},    {"SetBottomSkin 32767", 0, 0},
        };
        for (const Row &r : rows)
            for (bool active : {true, false}) // every frame face active, or inactive
                QTest::addRow("%s, from %s", r.action, active ? "active" : "inactive")
                    << QString::fromLatin1(r.action) << active << (r.title ? r.title : active ? 111 : 112)
                    << (r.bottom ? r.bottom : active ? 106 : 107);
    }

    void frameFaces()
    {
        QFETCH(QString, action);
        QFETCH(bool, startActive);
        QFETCH(int, title);
        QFETCH(int, bottom);

        frmMain &m = freshMain(true);
        SetTitleSkin(startActive ? vbTrue : vbFalse);
        SetBottomSkin(startActive ? vbTrue : vbFalse);
        auto flag = [](const QString &v) { return v == u"True" ? vbTrue : v == u"False" ? vbFalse : Boolean(v.toInt()); };
        if (action == u"Form_Resize")
            m.Form_Resize();
        else if (action == u"pctTitle_Resize")
            m.pctTitle_Resize();
        else if (action == u"pctBottom_Resize")
            m.pctBottom_Resize();
        else if (action == u"window widened")
            m.setWidth(6000);
        else if (action.startsWith(u"SetTitleSkin "))
            SetTitleSkin(flag(action.mid(13)));
        else
            SetBottomSkin(flag(action.mid(14)));

        QCOMPARE(m.pctTitle.PictureId(), title);
        QCOMPARE(m.pctBottom.PictureId(), bottom);
        QCOMPARE(m.pctTitle.rendered().copy(0, 0, 380, 24), bitmap(title));
        QCOMPARE(m.pctBottom.rendered().copy(0, 0, 380, 7), bitmap(bottom));
    }

    void layout_data()
    {
        QTest::addColumn<int>("tpp"); // twips per pixel
        QTest::newRow("15 twips per pixel") << 15;
        QTest::newRow("12 twips per pixel") << 12;
    }

    void layout()
    {
        QFETCH(int, tpp);
        const float W = 5700.f / tpp, H = 360.f / tpp; // the title bar's width and layout height
        Screen::setTwipsPerPixel(tpp, tpp);
        frmMain &m = freshMain(true);
        QCOMPARE(QSizeF(m.Width(), m.Height()), QSizeF(5700, 3030));
        QCOMPARE(QSizeF(m.pctTitle.ScaleWidth(), m.pctTitle.ScaleHeight()), QSizeF(W, H));
        // Close button 4 px from the edge, minimise button 10 px left of where a second close button would be.
        QCOMPARE(QRectF(m.pctClose.Left(), m.pctClose.Top(), m.pctClose.Width(), m.pctClose.Height()), QRectF(W - 22, 60.f / tpp, 18, 19));
        QCOMPARE(QRectF(m.pctMin.Left(), m.pctMin.Top(), m.pctMin.Width(), m.pctMin.Height()), QRectF(W - 62, 60.f / tpp, 17, 19));
        // The caption centred across the whole bar, unrounded; the shadow 2 px right and down.
        QCOMPARE(m.lblTitle.Caption(), QStringLiteral("Lunivar 5.3"));
        QCOMPARE(m.lblTitleS.Caption(), QStringLiteral("Lunivar 5.3"));
        QCOMPARE(m.lblTitle.Left(), (W - m.lblTitle.Width()) / 2);
        QCOMPARE(m.lblTitle.Top(), (H - m.lblTitle.Height()) / 2);
        QCOMPARE(m.lblTitleS.Left(), m.lblTitle.Left() + 2);
        QCOMPARE(m.lblTitleS.Top(), m.lblTitle.Top() + 2);
        QCOMPARE(m.lblTitleS.ForeColor(), Color(0x808080));
        QCOMPARE(m.pctIco.PictureId(), 101);
        QVERIFY(facesActive(m, true));
        // The bitmaps cover their own size from the top left; the rest is the box's colour.
        for (auto [box, id] : {std::pair<PictureBox *, int>{&m.pctTitle, 111}, {&m.pctBottom, 106}}) {
            QImage shown = box->rendered(), plain(shown.size(), shown.format());
            const QImage bmp = bitmap(id);
            QCOMPARE(shown.width(), int(W));
            QCOMPARE(shown.copy(0, 0, bmp.width(), bmp.height()), bmp);
            QPainter(&shown).fillRect(bmp.rect(), QColor(rgbOf(box->BackColor())));
            plain.fill(rgbOf(box->BackColor()));
            QCOMPARE(shown, plain);
        }
        // 5700 / 12 + 1 = 476 and 3030 / 12 + 1 = 253.5, which rounds to the even 254.
        COMPARE_REGION(m.region(), roundRect10(0, 0, int(std::nearbyint(W + 1)), int(std::nearbyint(3030.0 / tpp + 1))));
    }

    void minimumSize_data()
    {
        QTest::addColumn<QString>("which");     // "width", "height"; "max": the width of a maximised window
        QTest::addColumn<float>("value");
        QTest::addColumn<QSizeF>("size");       // afterwards
        QTest::addColumn<QList<float>>("seen"); // what each resize handler saw, in order
        QTest::newRow("width 5699") << "width" << 5699.f << QSizeF(5700, 3030) << QList<float>{5699, 5700};
        QTest::newRow("width exactly 5700") << "width" << 5700.f << QSizeF(5700, 3030) << QList<float>{5700};
        QTest::newRow("width 7000") << "width" << 7000.f << QSizeF(7000, 3030) << QList<float>{7000};
        QTest::newRow("height 2000") << "height" << 2000.f << QSizeF(5700, 3000) << QList<float>{2000, 3000};
        QTest::newRow("height exactly 3000") << "height" << 3000.f << QSizeF(5700, 3000) << QList<float>{3000};
        QTest::newRow("height 4000") << "height" << 4000.f << QSizeF(5700, 4000) << QList<float>{4000};
        QTest::newRow("maximised, width 5000") << "max" << 5000.f << QSizeF(5700, 3030) << QList<float>{5000, 5700};
    }

    void minimumSize()
    {
        QFETCH(QString, which);
        QFETCH(float, value);
        QFETCH(QSizeF, size);
        QFETCH(QList<float>, seen);
        const bool width = which != u"height";

        auto m = countingMain(which != u"max");
        if (which == u"max")
            m->setWindowState(vbMaximized); // kept hidden, so the screen does not size it
        if (value == 5700)
            m->setWidth(6000);
        m->entries.clear();
        SetTitleSkin(vbFalse);

        width ? m->setWidth(value) : m->setHeight(value);

        QCOMPARE(QSizeF(m->Width(), m->Height()), size);
        QCOMPARE(int(m->entries.size()), int(seen.size()));
        for (int i = 0; i < int(seen.size()); ++i) {
            const Entry &e = m->entries[std::size_t(i)];
            QCOMPARE(width ? e.width : e.height, seen[i]);
            QCOMPARE(e.depth, i); // each clamp raises the handler inside the one that made it
        }
        QCOMPARE(m->pctTitle.PictureId(), 111);
        COMPARE_REGION(m->region(), roundRect10(0, 0, int(std::nearbyint(size.width() / 15 + 1)),
                                                int(std::nearbyint(size.height() / 15 + 1))));
    }

    void minimisedWindow()
    {
        auto m = countingMain();
        m->setWindowState(vbMinimized);
        // No clamps while minimised, but the face and the region still follow.
        m->entries.clear();
        SetTitleSkin(vbFalse);
        m->setWidth(5000);
        m->setHeight(2000);
        QCOMPARE(QSizeF(m->Width(), m->Height()), QSizeF(5000, 2000));
        QCOMPARE(int(m->entries.size()), 2);
        QCOMPARE(m->pctTitle.PictureId(), 111);
        COMPARE_REGION(m->region(), roundRect10(0, 0, 334, 134)); // 5000/15+1, 2000/15+1

        // Restoring checks both: the width clamp nests the height clamp.
        m->entries.clear();
        m->setWindowState(vbNormal);
        QCOMPARE(QSizeF(m->Width(), m->Height()), QSizeF(5700, 3000));
        QCOMPARE(int(m->entries.size()), 3);
        QCOMPARE(m->entries[1].width, 5700.f);
        QCOMPARE(m->entries[1].height, 2000.f);
        QCOMPARE(m->entries[2].height, 3000.f);
        QCOMPARE(m->entries[2].depth, 2);
        COMPARE_REGION(m->region(), roundRect10(0, 0, 381, 201));
    }

    void outline()
    {
        // The load handler's outline: CreateRoundRectRgn(5, 5, 381, 203, 10, 10).
        dropWindows();
        frmMain &m = frmMainRef();
        // The load handler gives the caption and push buttons their normal faces.
        QCOMPARE(m.pctMin.PictureId(), 102);
        QCOMPARE(m.pctClose.PictureId(), 104);
        QCOMPARE(looks(m), QStringLiteral("NNN"));
        QVERIFY(m.hasRegion());
        COMPARE_REGION(m.region(), roundRect10(5, 5, 381, 203));
        QCOMPARE(m.region().boundingRect(), QRect(QPoint(5, 5), QPoint(379, 201)));
        // Once shown, the resize handler's, from 0, 0.
        m.Show();
        COMPARE_REGION(m.region(), roundRect10(0, 0, 381, 203));
        QCOMPARE(m.region().boundingRect(), QRect(QPoint(0, 0), QPoint(379, 201)));
    }


    void drag_data()
    {
        QTest::addColumn<Drag>("d");
        const QPointF no(0, 0), first(10, 5), at(30, 20);
        // A move reports 100 right and 40 down from the press at 10, 5.
        const std::pair<const char *, Drag> rows[] = {
            {"idle, left press on title", {false, false, false, 'd', 1, true, at, 0, 0, 0, false}},
            {"idle, left press on caption", {false, false, true, 'd', 1, true, at, 0, 0, 0, false}},
            {"idle, middle press", {false, false, false, 'd', 4, false, no, 0, 0, 1, false}},
            {"idle, press 3", {false, false, true, 'd', 3, false, no, 0, 0, 1, false}},
            {"idle, right press", {false, false, true, 'd', 2, false, no, 0, 0, 0, false}},
            {"idle, move", {false, false, true, 'm', 0, false, no, 0, 0, 0, true}},
            {"idle maximised, move", {false, true, false, 'm', 0, false, no, 0, 0, 2, true}},
            {"dragging, move over title", {true, false, false, 'm', 1, true, first, 1500, 600, 0, false}},
            {"dragging, move over caption, no button", {true, false, true, 'm', 0, true, first, 1500, 600, 0, false}},
            {"dragging maximised, move", {true, true, false, 'm', 1, true, first, 0, 0, 2, true}},
            {"dragging, middle press", {true, false, false, 'd', 4, true, first, 0, 0, 1, false}},
            {"dragging, right press", {true, false, false, 'd', 2, true, first, 0, 0, 0, false}},
            {"dragging, left release", {true, false, false, 'u', 1, false, first, 0, 0, 0, false}},
            {"dragging, right release on caption", {true, false, true, 'u', 2, false, first, 0, 0, 0, false}},
            {"idle, release", {false, false, false, 'u', 1, false, no, 0, 0, 0, false}},
        };
        for (const auto &[name, d] : rows)
            QTest::newRow(name) << d;
    }

    void drag()
    {
        QFETCH(Drag, d);
        frmMain &m = freshMain(false);
        QCOMPARE(m.blnDrag, vbFalse);
        m.setLeft(3000);
        m.setTop(1500);
        if (d.maximised)
            m.setWindowState(vbMaximized);
        Control &c = d.caption ? static_cast<Control &>(m.lblTitle) : m.pctTitle;
        if (d.dragging)
            c.MouseDown(1, 0, 10, 5);
        m.pctMin.setPicture(LoadResPicture(109, vbResBitmap));
        m.pctClose.setPicture(LoadResPicture(105, vbResBitmap));
        const float left = m.Left(), top = m.Top();

        const auto b = std::int16_t(d.button);
        if (d.event == 'd')
            c.MouseDown(b, 0, 30, 20);
        else if (d.event == 'm')
            c.MouseMove(b, 0, 110, 45);
        else
            c.MouseUp(b, 0, 50, 50);

        QCOMPARE(m.blnDrag, d.dragAfter ? vbTrue : vbFalse);
        QCOMPARE(QPointF(m.sngDragX, m.sngDragY), d.pressPoint);
        QCOMPARE(m.Left(), left + d.dLeft);
        QCOMPARE(m.Top(), top + d.dTop);
        QCOMPARE(m.WindowState(), std::int16_t(d.state));
        QCOMPARE(m.pctMin.PictureId(), d.reset ? 102 : 109);
        QCOMPARE(m.pctClose.PictureId(), d.reset ? 104 : 105);
    }

    void iconMenu_data()
    {
        QTest::addColumn<QString>("choice"); // empty: dismissed
        QTest::addColumn<int>("button");
        QTest::newRow("dismissed, left button") << QString() << 1;
        QTest::newRow("dismissed, right button") << QString() << 2;
        QTest::newRow("About") << "mnuAbout" << 1;
        QTest::newRow("Exit") << "mnuExit" << 1;
    }

    void iconMenu()
    {
        QFETCH(QString, choice);
        QFETCH(int, button);
        const bool ends = choice == u"mnuExit";

        frmMain &m = freshMain(true);
        QVERIFY(facesActive(m, true));
        int popups = 0, modals = 0;
        bool duringPopup = false, duringModal = false;
        testing::setPopupHook([&](const Menu &menu) {
            ++popups;
            duringPopup = facesActive(m, false);
            return choice.isEmpty() ? -1 : itemIndex(menu, choice);
        });
        testing::setModalHook([&](Form &f) {
            ++modals;
            duringModal = facesActive(m, false) && f.isShown();
            static_cast<frmMenu &>(f).pctButton_Click();
        });

        const int endsBefore = endCalls;
        if (ends)
            QVERIFY_THROWS_EXCEPTION(Ended, m.pctIco.MouseDown(std::int16_t(button), 0, 5, 5));
        else
            m.pctIco.MouseDown(std::int16_t(button), 0, 5, 5);
        QCOMPARE(popups, 1);
        QVERIFY2(duringPopup, "the frame is not inactive while the menu is open");
        QCOMPARE(endCalls, endsBefore + (ends ? 1 : 0));
        QCOMPARE(modals, choice == u"mnuAbout" ? 1 : 0);
        if (modals)
            QVERIFY2(duringModal, "the frame is not inactive while the About window runs");
        // After Exit the steps after the popup never run.
        QVERIFY(facesActive(m, !ends));
        // Dismissed, the menu's window stays loaded and hidden; closed or exited, it is gone.
        QCOMPARE(frmMenuRef.exists(), choice.isEmpty());
        if (choice.isEmpty())
            QVERIFY(frmMenuRef.get()->loaded() && !frmMenuRef.get()->isShown());
    }
};

QTEST_MAIN(TestSkin)
#include "test_skin.moc"
