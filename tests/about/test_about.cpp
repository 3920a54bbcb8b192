// The second window: made on first use and dropped when the About box
// closes; its load handler writes the version and gives it a rounded outline;
// its OK button lights under the pointer; About shows it modally over the
// main window and Exit ends the program.
#include "about/frmMenu.h"
#include "app/frmMain.h"
#include "skin/mdlDeclarations.h"
#include "support/window_fixture.h"
#include "ui/testing.h"

#include <QApplication>
#include <QRegion>
#include <QtTest>

using namespace ui;
using namespace lunivar_test;

namespace {

int endCalls = 0;
bool menuWindowAtEnd = false; // whether the About window still existed when the program ended

QChar lookOf(frmMenu &a) { return faceLook(a.pctButton.image(), 105, qRgb(224, 224, 224)); }

std::function<int(const Menu &)> choose(const QString &name)
{
    return [name](const Menu &menu) {
        for (std::size_t i = 0; i < menu.items.size(); ++i)
            if (menu.items[i].Name == name)
                return int(i);
        return -1;
    };
}

} // namespace

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(installWindowSeams([] {
            ++endCalls;
            menuWindowAtEnd = frmMenuRef.exists();
        }));
    }
    void cleanup()
    {
        dropWindows();
        quietPopupAndModal();
        testing::setVersion(-1, 0);
    }

    void versionLabels()
    {
        for (auto [major, minor, text] : {std::tuple{-1, 0, "5.3"}, std::tuple{5, 10, "5.10"}}) {
            testing::setVersion(major, minor); // -1: the program's own version
            freshMain();
            QCOMPARE(frmMenuRef().lblVer.Caption(), QString::fromLatin1(text));
            QCOMPARE(frmMenuRef().lblVerS.Caption(), QString::fromLatin1(text));
            QCOMPARE(frmMenuRef().lblVerS.ForeColor(), Color(0xC0C0C0));
        }
    }

    void lifecycle()
    {
        frmMain &m = freshMain();
        QVERIFY(!frmMenuRef.exists());
        const int made = frmMenuRef.created();
        QString pick;
        testing::setPopupHook([&](const Menu &menu) { return choose(pick)(menu); });
        testing::setModalHook([](Form &f) { static_cast<frmMenu &>(f).pctButton_Click(); });

        // Two popups: one window, made, loaded once and kept hidden.
        m.pctIco_MouseDown(1, 0, 5, 5);
        frmMenu *first = frmMenuRef.get();
        m.pctIco_MouseDown(1, 0, 5, 5);
        QCOMPARE(frmMenuRef.created(), made + 1);
        QCOMPARE(frmMenuRef.get(), first);
        QVERIFY(first->loaded());
        QCOMPARE(first->loadCount(), 1);
        QVERIFY(!first->isShown());

        // About, closed with OK: the window is unloaded and the reference cleared.
        pick = QStringLiteral("mnuAbout");
        m.pctIco_MouseDown(1, 0, 5, 5);
        QVERIFY(!first->loaded());
        QVERIFY(!frmMenuRef.exists());
        flushDeletes();

        // The next use makes a fresh one whose load handler runs again.
        pick.clear();
        m.pctIco_MouseDown(1, 0, 5, 5);
        QCOMPARE(frmMenuRef.created(), made + 2);
        QCOMPARE(frmMenuRef.get()->loadCount(), 1);
        QCOMPARE(frmMenuRef.get()->lblVer.Caption(), QStringLiteral("5.3"));
        QVERIFY(!frmMenuRef.get()->isShown());
    }

    void outlineAndFrame()
    {
        freshMain();
        frmMenu &a = frmMenuRef();
        // A 7-pixel frame round the 306 x 177 picture: 320 x 191 pixels.
        QCOMPARE(a.framePx(), 7);
        QCOMPARE(QSizeF(a.Width(), a.Height()), QSizeF(4800, 2865));
        QCOMPARE(QSizeF(a.ScaleWidth(), a.ScaleHeight()), QSizeF(306, 177));
        QCOMPARE(a.widget()->size(), QSize(320, 191));
        QCOMPARE(a.pctButton.widget()->geometry(), QRect(7 + 96, 7 + 136, 105, 21));

        // CreateRoundRectRgn(1, 1, 320, 191, 10, 10).
        QRegion expected(QRect(QPoint(1, 4), QPoint(318, 186)));
        for (int i = 0; i < 3; ++i) {
            expected += QRect(QPoint(4 - i, 1 + i), QPoint(315 + i, 1 + i));
            expected += QRect(QPoint(4 - i, 189 - i), QPoint(315 + i, 189 - i));
        }
        QVERIFY(a.hasRegion());
        QVERIFY((a.region() ^ expected).isEmpty());
    }

    void okButton()
    {
        // Start look, where the pointer moves, the look after and the right cap
        // left in the main window's scratch box (0: untouched).
        const std::tuple<QChar, const char *, QChar, int> rows[] = {
            {u'N', "button", u'H', 118}, {u'N', "window", u'N', 115}, {u'N', "labels", u'N', 0},
            {u'H', "button", u'H', 118}, {u'H', "window", u'N', 115}, {u'H', "labels", u'H', 0},
        };
        for (const auto &[start, over, look, scratch] : rows) {
            frmMain &m = freshMain();
            frmMenu &a = frmMenuRef();
            QCOMPARE(lookOf(a), u'N'); // painted by the load handler
            if (start == u'H')
                a.pctButton.MouseMove(0, 0, 5, 5);
            QCOMPARE(lookOf(a), start);
            const int scratchBefore = m.pctCont.PictureId();
            if (over == QByteArray("button"))
                a.pctButton.MouseMove(0, 0, 2, 2);
            else if (over == QByteArray("window"))
                a.Form_MouseMove(0, 0, 20, 20);
            else
                for (Control *c : std::initializer_list<Control *>{&a.lblButton, &a.lblVer, &a.lblVerS})
                    if (c->MouseMove)
                        c->MouseMove(0, 0, 2, 2);
            QCOMPARE(lookOf(a), look);
            QCOMPARE(m.pctCont.PictureId(), scratch ? scratch : scratchBefore);
            QCOMPARE(faceLook(m.pctButton(0).image(), 177, qRgb(224, 224, 224)), u'N'); // the main window's untouched
        }
    }

    void aboutCommand_data()
    {
        QTest::addColumn<QString>("via");
        QTest::newRow("icon menu") << "menu";
        QTest::newRow("main window's button") << "button";
        QTest::newRow("main window's button caption") << "caption";
    }

    void aboutCommand()
    {
        QFETCH(QString, via);
        frmMain &m = freshMain();
        frmMenu *popped = nullptr;
        int modals = 0;
        QStringList wrong; // what the modal window got wrong
        testing::setPopupHook([&](const Menu &menu) {
            popped = frmMenuRef.get();
            return choose(QStringLiteral("mnuAbout"))(menu);
        });
        testing::setModalHook([&](Form &f) {
            ++modals;
            auto &a = static_cast<frmMenu &>(f);
            popped = popped ? popped : &a;
            const QPoint d = f.widget()->frameGeometry().center() - m.widget()->frameGeometry().center();
            const std::pair<bool, const char *> checks[] = {
                {f.isShown() && &f == popped, "not the window whose menu popped up, shown"},
                {f.isModal(), "not modal"},
                {f.widget()->parentWidget() == m.widget(), "not owned by the main window"},
                {QApplication::activeModalWidget() == f.widget(), "the main window still takes input"},
                {std::abs(d.x()) <= 1 && std::abs(d.y()) <= 1, "not centred on the main window"},
                {f.loadCount() == 1, "not loaded once"},
                {a.lblVer.Caption() == u"5.3", "no version"},
            };
            for (auto [ok, what] : checks)
                if (!ok)
                    wrong << QString::fromLatin1(what);
            via == u"menu" ? a.lblButton.Click() : a.pctButton.Click(); // the caption closes it like the button
        });

        if (via == u"menu")
            m.pctIco_MouseDown(1, 0, 5, 5);
        else if (via == u"button")
            m.pctButton(2).Click();
        else
            m.lblButton(2).Click();

        QCOMPARE(modals, 1);
        QCOMPARE(wrong, QStringList());
        QVERIFY(!frmMenuRef.exists());
        QVERIFY(!popped->loaded());
    }

    void exit()
    {
        // The About window is unloaded before the end, never shown.
        int modals = 0;
        testing::setModalHook([&](Form &) { ++modals; });
        testing::setPopupHook(choose(QStringLiteral("mnuExit")));
        for (bool viaMenu : {true, false}) {
            frmMain &m = freshMain();
            frmMenu *a = viaMenu ? nullptr : &frmMenuRef();
            const int ends = endCalls;
            menuWindowAtEnd = true;
            if (viaMenu)
                QVERIFY_THROWS_EXCEPTION(Ended, m.pctIco_MouseDown(1, 0, 5, 5));
            else
                QVERIFY_THROWS_EXCEPTION(Ended, a->mnuExit_Click());
            QCOMPARE(endCalls, ends + 1);
            QVERIFY2(!menuWindowAtEnd, "the About window was not unloaded before the main window");
            QVERIFY(!frmMenuRef.exists());
            QVERIFY(!a || !a->loaded());
        }
        QCOMPARE(modals, 0);
    }
};

QTEST_MAIN(TestAbout)
#include "test_about.moc"
