// The second window: the popup menu it holds and the About box. Its single
// instance is made on first use and dropped when the About box closes; its
// load handler writes the version and gives it a rounded outline; its OK
// button lights under the pointer; About shows it modally over the main
// window and Exit ends the program. The seams keep anything from blocking
// or exiting.
#include "about/frmMenu.h"
#include "app/frmMain.h"
#include "skin/mdlDeclarations.h"
#include "support/window_fixture.h"
#include "ui/picture.h"
#include "ui/testing.h"
#include "ui/units.h"

#include <QApplication>
#include <QImage>
#include <QRegion>
#include <QtTest>

#include <cmath>
#include <vector>

using namespace ui;
using namespace lunivar_test;

namespace {

int endCalls = 0;
bool menuWindowAtEnd = false; // whether the About window still existed when the program ended

const QRgb lightGrey = qRgb(224, 224, 224);

// The OK button's look: 105 px, tiles 13 to 91, right cap at 96.
QChar lookOf(frmMenu &a) { return faceLook(a.pctButton.image(), 105, lightGrey); }

int itemIndex(const Menu &menu, const QString &name)
{
    for (std::size_t i = 0; i < menu.items.size(); ++i)
        if (menu.items[i].Name == name)
            return int(i);
    return -1;
}

QString describe(const QRegion &region)
{
    QStringList out;
    for (const QRect &r : region)
        out << QStringLiteral("(%1,%2)-(%3,%4)").arg(r.left()).arg(r.top()).arg(r.right()).arg(r.bottom());
    return out.join(u' ');
}

} // namespace

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void menuItems();
    void versionLabelsBeforeLoad();
    void versionLabels_data();
    void versionLabels();
    void lifecycle();
    void outlineAndFrame();
    void okButton_data();
    void okButton();
    void aboutCommand();
    void aboutButtonOfTheMainWindow_data();
    void aboutButtonOfTheMainWindow();
    void exit_data();
    void exit();
};

void TestAbout::initTestCase()
{
    const bool bitmaps = installWindowSeams([] {
        ++endCalls;
        menuWindowAtEnd = frmMenuRef.exists();
    });
    QVERIFY2(bitmaps, "the skin bitmaps are not in the resources");
}

void TestAbout::cleanup()
{
    dropWindows();
    quietPopupAndModal();
    testing::setVersion(-1, 0);
}

void TestAbout::cleanupTestCase() { dropWindows(); }

void TestAbout::menuItems()
{
    freshMain();
    const Menu &menu = frmMenuRef().menu(QStringLiteral("menu"));
    QCOMPARE(int(menu.items.size()), 3);
    QCOMPARE(menu.items[0].Name, QStringLiteral("mnuAbout"));
    QCOMPARE(menu.items[0].Caption, QString::fromUtf8("&О программе"));
    QVERIFY(!menu.items[0].separator);
    QCOMPARE(menu.items[1].Name, QStringLiteral("sep1"));
    QVERIFY(menu.items[1].separator);
    QCOMPARE(menu.items[2].Name, QStringLiteral("mnuExit"));
    QCOMPARE(menu.items[2].Caption, QString::fromUtf8("В&ыход"));
    QVERIFY(!menu.items[2].separator);
}

void TestAbout::versionLabelsBeforeLoad()
{
    // Empty in the layout, and an empty auto-sized label is 3 pixels wide.
    freshMain();
    frmMenu f;
    QVERIFY(!f.loaded());
    QCOMPARE(f.lblVer.Caption(), QString());
    QCOMPARE(f.lblVerS.Caption(), QString());
    QCOMPARE(f.lblVer.Width(), 3.f);
    QCOMPARE(f.lblVer.Left(), 105.f);
    QCOMPARE(f.lblVer.Top(), 74.f);
    QCOMPARE(f.lblVerS.Left(), 107.f);
    QCOMPARE(f.lblVerS.Top(), 76.f);
}

void TestAbout::versionLabels_data()
{
    QTest::addColumn<int>("major"); // -1: the program's own version
    QTest::addColumn<int>("minor");
    QTest::addColumn<QString>("text");
    QTest::newRow("the program's version") << -1 << 0 << "5.3";
    QTest::newRow("minor 10") << 5 << 10 << "5.10";
    QTest::newRow("minor 0") << 5 << 0 << "5.0";
    QTest::newRow("two-digit major") << 12 << 7 << "12.7";
}

void TestAbout::versionLabels()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(QString, text);
    testing::setVersion(major, minor);
    freshMain();
    frmMenu &a = frmMenuRef();
    QCOMPARE(a.lblVer.Caption(), text);
    QCOMPARE(a.lblVerS.Caption(), text);
    QCOMPARE(a.lblVerS.ForeColor(), Color(0xC0C0C0));
}

void TestAbout::lifecycle()
{
    frmMain &m = freshMain();
    QVERIFY(!frmMenuRef.exists());
    const int made = frmMenuRef.created();

    QString pick;
    int popups = 0;
    testing::setPopupHook([&](const Menu &menu) {
        ++popups;
        return pick.isEmpty() ? -1 : itemIndex(menu, pick);
    });
    testing::setModalHook([](Form &f) { static_cast<frmMenu &>(f).pctButton_Click(); });

    // The first popup makes the window and loads it, hidden.
    m.pctIco_MouseDown(1, 0, 5, 5);
    QCOMPARE(popups, 1);
    QVERIFY(frmMenuRef.exists());
    QCOMPARE(frmMenuRef.created(), made + 1);
    frmMenu *first = frmMenuRef.get();
    QVERIFY(first->loaded());
    QCOMPARE(first->loadCount(), 1);
    QVERIFY(!first->isShown());
    QCOMPARE(first->lblVer.Caption(), QStringLiteral("5.3"));

    // Dismissed and popped up again: the same window, not loaded again.
    m.pctIco_MouseDown(1, 0, 5, 5);
    QCOMPARE(popups, 2);
    QCOMPARE(frmMenuRef.created(), made + 1);
    QCOMPARE(frmMenuRef.get(), first);
    QCOMPARE(first->loadCount(), 1);
    QVERIFY(!first->isShown());

    // About, closed with OK: the window is unloaded and the reference cleared.
    pick = QStringLiteral("mnuAbout");
    m.pctIco_MouseDown(1, 0, 5, 5);
    QCOMPARE(popups, 3);
    QVERIFY(!first->loaded());
    QVERIFY(!frmMenuRef.exists());
    flushDeletes();

    // The next use makes a fresh one whose load handler runs again.
    pick.clear();
    m.pctIco_MouseDown(1, 0, 5, 5);
    QCOMPARE(popups, 4);
    QVERIFY(frmMenuRef.exists());
    QCOMPARE(frmMenuRef.created(), made + 2);
    QVERIFY(frmMenuRef.get()->loaded());
    QCOMPARE(frmMenuRef.get()->loadCount(), 1);
    QCOMPARE(frmMenuRef.get()->lblVer.Caption(), QStringLiteral("5.3"));
    QVERIFY(!frmMenuRef.get()->isShown());
}

void TestAbout::outlineAndFrame()
{
    freshMain();
    frmMenu &a = frmMenuRef();
    // A 7-pixel frame round the 306 x 177 picture: 320 x 191 pixels.
    QCOMPARE(a.framePx(), 7);
    QCOMPARE(a.Width(), 4800.f);
    QCOMPARE(a.Height(), 2865.f);
    QCOMPARE(a.ScaleWidth(), 306.f);
    QCOMPARE(a.ScaleHeight(), 177.f);
    QCOMPARE(a.widget()->size(), QSize(320, 191));
    QCOMPARE(a.pctButton.widget()->geometry(), QRect(7 + 96, 7 + 136, 105, 21));

    // CreateRoundRectRgn(1, 1, 320, 191, 10, 10).
    QRegion expected;
    struct Span {
        int rowFrom, rowTo, xFrom, xTo;
    };
    for (const Span &s : {Span{1, 1, 4, 315}, Span{2, 2, 3, 316}, Span{3, 3, 2, 317}, Span{4, 186, 1, 318},
                          Span{187, 187, 2, 317}, Span{188, 188, 3, 316}, Span{189, 189, 4, 315}})
        expected += QRect(QPoint(s.xFrom, s.rowFrom), QPoint(s.xTo, s.rowTo));
    QVERIFY(a.hasRegion());
    QVERIFY2((a.region() ^ expected).isEmpty(), qPrintable(describe(a.region())));
    // The leftmost column and the top row lie outside.
    for (int x = 0; x < 320; ++x)
        QVERIFY(!a.region().contains(QPoint(x, 0)));
    for (int y = 0; y < 191; ++y)
        QVERIFY(!a.region().contains(QPoint(0, y)));
}

void TestAbout::okButton_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("over"); // where the pointer moves
    QTest::addColumn<QString>("look");
    QTest::addColumn<int>("scratch"); // right cap left in the main window's scratch box; 0: untouched

    for (QString start : {QStringLiteral("N"), QStringLiteral("H")}) {
        const char *s = start == u"N" ? "normal" : "hover";
        QTest::addRow("%s, over the button", s) << start << "button" << "H" << 118;
        QTest::addRow("%s, over the window", s) << start << "window" << "N" << 115;
        QTest::addRow("%s, over the caption", s) << start << "caption" << start << 0;
        QTest::addRow("%s, over the version", s) << start << "version" << start << 0;
        QTest::addRow("%s, over the shadow", s) << start << "shadow" << start << 0;
    }
}

void TestAbout::okButton()
{
    QFETCH(QString, start);
    QFETCH(QString, over);
    QFETCH(QString, look);
    QFETCH(int, scratch);

    frmMain &m = freshMain();
    frmMenu &a = frmMenuRef();
    QCOMPARE(lookOf(a), u'N'); // painted by the load handler
    if (start == u"H")
        a.pctButton.MouseMove(0, 0, 5, 5);
    QCOMPARE(QString(lookOf(a)), start);
    const int scratchBefore = m.pctCont.PictureId();

    auto move = [](Control &c) {
        if (c.MouseMove)
            c.MouseMove(0, 0, 2, 2);
    };
    if (over == u"button")
        move(a.pctButton);
    else if (over == u"window")
        a.Form_MouseMove(0, 0, 20, 20);
    else if (over == u"caption")
        move(a.lblButton);
    else if (over == u"version")
        move(a.lblVer);
    else
        move(a.lblVerS);

    QCOMPARE(QString(lookOf(a)), look);
    QCOMPARE(m.pctCont.PictureId(), scratch ? scratch : scratchBefore);
}

void TestAbout::aboutCommand()
{
    frmMain &m = freshMain();
    int modals = 0;
    bool shown = false, modal = false, owned = false, blocksMain = false, centred = false, sameWindow = false;
    int loadsDuring = 0;
    frmMenu *popped = nullptr;
    testing::setPopupHook([&](const Menu &menu) {
        popped = frmMenuRef.get();
        return itemIndex(menu, QStringLiteral("mnuAbout"));
    });
    testing::setModalHook([&](Form &f) {
        ++modals;
        sameWindow = &f == popped;
        shown = f.isShown();
        modal = f.isModal();
        owned = f.widget()->parentWidget() == m.widget();
        blocksMain = QApplication::activeModalWidget() == f.widget();
        loadsDuring = f.loadCount();
        const QPoint mine = f.widget()->frameGeometry().center(), owner = m.widget()->frameGeometry().center();
        centred = std::abs(mine.x() - owner.x()) <= 1 && std::abs(mine.y() - owner.y()) <= 1;
        static_cast<frmMenu &>(f).lblButton.Click(); // the caption closes it like the button
    });

    bool returned = false;
    m.pctIco_MouseDown(1, 0, 5, 5);
    returned = true;

    QVERIFY(returned);
    QCOMPARE(modals, 1);
    QVERIFY2(sameWindow, "About shows a window other than the one whose menu popped up");
    QVERIFY(shown);
    QVERIFY(modal);
    QVERIFY2(owned, "the main window is not the About window's owner");
    QVERIFY2(blocksMain, "the main window still takes input");
    QVERIFY2(centred, "the About window is not centred on the main window");
    QCOMPARE(loadsDuring, 1);
    QVERIFY(!frmMenuRef.exists());
    QVERIFY(!popped->loaded());
    QVERIFY(!popped->isShown());
}

void TestAbout::aboutButtonOfTheMainWindow_data()
{
    QTest::addColumn<bool>("viaCaption");
    QTest::newRow("button face") << false;
    QTest::newRow("caption label") << true;
}

void TestAbout::aboutButtonOfTheMainWindow()
{
    QFETCH(bool, viaCaption);
    frmMain &m = freshMain();
    QVERIFY(!frmMenuRef.exists());
    int modals = 0, loads = 0;
    QString version;
    bool owned = false;
    testing::setModalHook([&](Form &f) {
        ++modals;
        auto &a = static_cast<frmMenu &>(f);
        loads = a.loadCount();
        version = a.lblVer.Caption();
        owned = f.widget()->parentWidget() == m.widget();
        a.pctButton.Click();
    });
    if (viaCaption)
        m.lblButton(2).Click();
    else
        m.pctButton(2).Click();
    QCOMPARE(modals, 1);
    QCOMPARE(loads, 1);
    QCOMPARE(version, QStringLiteral("5.3"));
    QVERIFY(owned);
    QVERIFY(!frmMenuRef.exists());
}

void TestAbout::exit_data()
{
    QTest::addColumn<bool>("viaMenu");
    QTest::newRow("chosen from the menu") << true;
    QTest::newRow("handler called") << false;
}

void TestAbout::exit()
{
    QFETCH(bool, viaMenu);
    frmMain &m = freshMain();
    int modals = 0;
    testing::setModalHook([&](Form &f) {
        ++modals;
        f.Unload();
    });
    testing::setPopupHook([](const Menu &menu) { return itemIndex(menu, QStringLiteral("mnuExit")); });
    frmMenu *a = viaMenu ? nullptr : &frmMenuRef();

    const int ends = endCalls;
    menuWindowAtEnd = true;
    bool ended = false;
    try {
        if (viaMenu)
            m.pctIco_MouseDown(1, 0, 5, 5);
        else
            a->mnuExit_Click();
    } catch (const Ended &) {
        ended = true;
    }
    QVERIFY(ended);
    QCOMPARE(endCalls, ends + 1);
    QVERIFY2(!menuWindowAtEnd, "the About window was not unloaded before the main window");
    QVERIFY(!frmMenuRef.exists());
    QCOMPARE(modals, 0); // the About window was never shown
    if (a)
        QVERIFY(!a->loaded());
}

QTEST_MAIN(TestAbout)
#include "test_about.moc"
