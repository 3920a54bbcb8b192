// The form toolkit on a window of the test's own: twips and pixels, nested
// resize events, docking, unloading, modal windows, global instances, and
// what picture boxes, labels and list boxes give the program.
#include "ui/app.h"
#include "ui/form.h"
#include "ui/platform.h"
#include "ui/testing.h"
#include "ui/units.h"

#include <QApplication>
#include <QCloseEvent>
#include <QListWidget>
#include <QSet>
#include <QTimer>
#include <QtTest>

using namespace ui;

namespace {

// 400 x 300 pixels at 15 twips per pixel, 500 x 375 at 12.
FormDef toolkitLayout() {
    FormDef f;
    f.name = QStringLiteral("frmTest");
    f.clientWidth = 6000;
    f.clientHeight = 4500;
    f.scaleMode = ScaleMode::Pixels;
    QStringList letters;
    for (char c = 'a'; c <= 'h'; ++c) letters << QString(QChar(c));
    f.controls = {
        // Docked strips, placed in the table where docking does not put them.
        {.name = "pctTop", .kind = Kind::PictureBox, .left = 300, .top = 300, .width = 1500, .height = 300,
         .align = Align::Top, .scaleMode = ScaleMode::Pixels},
        {.name = "pctBottom", .kind = Kind::PictureBox, .left = 0, .top = 1000, .width = 1500, .height = 150,
         .align = Align::Bottom, .scaleMode = ScaleMode::Pixels},
        {.name = "pctLeft", .kind = Kind::PictureBox, .left = 600, .top = 600, .width = 45, .height = 1500,
         .align = Align::Left, .scaleMode = ScaleMode::Pixels},
        {.name = "pctRight", .kind = Kind::PictureBox, .left = 900, .top = 600, .width = 60, .height = 1500,
         .align = Align::Right, .scaleMode = ScaleMode::Pixels},
        {.name = "pctPix", .kind = Kind::PictureBox, .left = 1200, .top = 900, .width = 1500, .height = 720,
         .backColor = rgb(0, 0, 255), .scaleMode = ScaleMode::Pixels, .autoRedraw = true},
        {.name = "pctTw", .kind = Kind::PictureBox, .left = 3000, .top = 900, .width = 1500, .height = 1500,
         .scaleMode = ScaleMode::Twips, .autoRedraw = true},
        {.name = "lblIn", .kind = Kind::Label, .container = "pctTw", .left = 180, .top = 360, .width = 600,
         .height = 195, .caption = "In", .autoSize = true},
        // Persistent image drawn while invisible, and the surface drawn from.
        {.name = "pctHidden", .kind = Kind::PictureBox, .left = 1200, .top = 1800, .width = 1500, .height = 720,
         .backColor = rgb(0, 0, 255), .scaleMode = ScaleMode::Pixels, .autoRedraw = true, .visible = false},
        {.name = "pctSrc", .kind = Kind::PictureBox, .left = 4800, .top = 1800, .width = 600, .height = 300,
         .backColor = rgb(255, 0, 0), .scaleMode = ScaleMode::Pixels, .autoRedraw = true, .visible = false},
        {.name = "lblAuto", .kind = Kind::Label, .left = 1200, .top = 2700, .width = 300, .height = 195,
         .caption = "&Go", .autoSize = true},
        {.name = "lblFixed", .kind = Kind::Label, .left = 1200, .top = 3000, .width = 900, .height = 195,
         .caption = "Fixed"},
        {.name = "lstItems", .kind = Kind::ListBox, .left = 3000, .top = 2700, .width = 1500, .height = 1230,
         .tabIndex = 1, .items = letters},
    };
    return f;
}

// A window that writes down what happens to it.
class TestForm : public Form {
public:
    TestForm() : Form(toolkitLayout()) {}
    QStringList log;
    std::function<void()> onResize;
    std::int16_t cancel = 0;

    void Form_Load() override { log << QStringLiteral("load"); }
    void Form_Resize() override {
        log << QStringLiteral("resize");
        if (onResize) onResize();
    }
    void Form_QueryUnload(std::int16_t &Cancel, std::int16_t UnloadMode) override {
        log << QStringLiteral("query %1").arg(UnloadMode);
        Cancel = cancel;
    }
};

// A small window that counts its lives, for the global instance.
struct Counts {
    int constructed = 0, destroyed = 0, loads = 0;
} counts;
FormDef smallLayout() {
    FormDef f;
    f.name = QStringLiteral("frmSmall");
    f.clientWidth = f.clientHeight = 1500;
    return f;
}
class CountedForm : public Form {
public:
    CountedForm() : Form(smallLayout()) { ++counts.constructed; }
    ~CountedForm() override { ++counts.destroyed; }
    void Form_Load() override { ++counts.loads; }
};

QRect pxRect(const Control &c) {
    return QRect(qRound(c.pxLeft()), qRound(c.pxTop()), qRound(c.pxWidth()), qRound(c.pxHeight()));
}

} // namespace

class TestToolkit : public QObject {
    Q_OBJECT

private slots:
    void init() { Screen::setTwipsPerPixel(15, 15); }
    void cleanup() {
        testing::setModalHook(nullptr);
        Screen::setTwipsPerPixel(15, 15);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void twipsPerPixel_data();
    void twipsPerPixel();
    void sizeAssignmentsRaiseResizeNested();
    void dockedStripsFollowTheWindow();
    void queryUnloadOnEveryClose();
    void modalShowReturnsAfterUnload();
    void globalFormLifeCycle();
    void persistentImageWhileInvisible();
    void labelAccessKeys_data();
    void labelAccessKeys();
    void labelAutoSize();
    void listIndexRaisesClick();
    void listUserSelection();
    void monthNames();
};

void TestToolkit::twipsPerPixel_data() {
    QTest::addColumn<double>("tpp");
    QTest::addColumn<int>("scaleW");      // client area in pixels
    QTest::addColumn<int>("scaleH");
    QTest::addColumn<QRect>("child");     // pctPix in the window's pixels
    QTest::addColumn<QPoint>("innerPx");  // lblIn, placed in twips inside pctTw
    QTest::addColumn<int>("widerScaleW"); // after Width = 7200 twips
    QTest::newRow("96 dpi, 15") << 15.0 << 400 << 300 << QRect(80, 60, 100, 48) << QPoint(12, 24) << 480;
    QTest::newRow("120 dpi, 12") << 12.0 << 500 << 375 << QRect(100, 75, 125, 60) << QPoint(15, 30) << 600;
}

void TestToolkit::twipsPerPixel() {
    QFETCH(double, tpp);
    QFETCH(QRect, child);
    Screen::setTwipsPerPixel(tpp, tpp);
    QCOMPARE(Screen::TwipsPerPixelX(), tpp);
    QCOMPARE(Screen::TwipsPerPixelY(), tpp);

    TestForm f;
    // The window's own size stays in twips; its client area measures in pixels.
    QCOMPARE(f.Width(), 6000.f);
    QCOMPARE(f.Height(), 4500.f);
    QTEST(int(f.ScaleWidth()), "scaleW");
    QTEST(int(f.ScaleHeight()), "scaleH");
    QTEST(f.widget()->width(), "scaleW");

    PictureBox &pix = f.pictureBox("pctPix");
    QCOMPARE(QRect(int(pix.Left()), int(pix.Top()), int(pix.Width()), int(pix.Height())), child);
    QCOMPARE(pix.widget()->geometry(), child);
    QCOMPARE(int(pix.ScaleWidth()), child.width());
    QCOMPARE(f.pictureBox("pctTw").ScaleWidth(), 1500.f);

    // A child of a box that measures in twips is placed and read in twips.
    Label &in = f.label("lblIn");
    QCOMPARE(in.Left(), 180.f);
    QCOMPARE(in.Top(), 360.f);
    QTEST(in.widget()->pos(), "innerPx");
    QCOMPARE(in.Width(), float(in.pxWidth() * tpp));
    in.setLeft(600);
    QCOMPARE(in.widget()->x(), qRound(600 / tpp));
    pix.setLeft(10);
    QCOMPARE(pix.widget()->x(), 10);

    f.setWidth(7200);
    QCOMPARE(f.Width(), 7200.f);
    QTEST(int(f.ScaleWidth()), "widerScaleW");
    QTEST(f.widget()->width(), "widerScaleW");
}

void TestToolkit::sizeAssignmentsRaiseResizeNested() {
    TestForm f;
    f.Load();
    QStringList events;
    int depth = 0;
    f.onResize = [&] {
        const int w = int(f.Width());
        events << QStringLiteral("in %1 %2").arg(depth).arg(w);
        ++depth;
        if (f.Width() < 7500) f.setWidth(7500); // a minimum width, as the frame keeps it
        --depth;
        events << QStringLiteral("out %1 %2").arg(depth).arg(w);
    };
    f.setWidth(6600);
    // The inner assignment raised the event again before the outer handler
    // went on, all before setWidth returned.
    QCOMPARE(events, (QStringList{"in 0 6600", "in 1 7500", "out 1 7500", "out 0 6600"}));
    QCOMPARE(f.Width(), 7500.f);
    events.clear();
    f.setWidth(7500); // unchanged
    QVERIFY(events.isEmpty());
    f.setHeight(4800);
    QCOMPARE(events, (QStringList{"in 0 7500", "out 0 7500"}));
    QCOMPARE(f.ScaleHeight(), 320.f);
}

void TestToolkit::dockedStripsFollowTheWindow() {
    TestForm f;
    QStringList resized;
    for (const char *name : {"pctTop", "pctBottom", "pctLeft", "pctRight"})
        f.pictureBox(QString::fromLatin1(name)).Resize = [&resized, name] { resized << QString::fromLatin1(name); };
    auto strips = [&] {
        QList<QRect> r;
        for (const char *name : {"pctTop", "pctBottom", "pctLeft", "pctRight"})
            r << pxRect(f.pictureBox(QString::fromLatin1(name)));
        return r;
    };
    auto took = [&] {
        QStringList r = resized;
        r.sort();
        resized.clear();
        return r;
    };
    f.Show();
    QCOMPARE(took(), (QStringList{"pctBottom", "pctLeft", "pctRight", "pctTop"}));
    QCOMPARE(strips(), (QList<QRect>{{0, 0, 400, 20}, {0, 290, 400, 10}, {0, 20, 3, 270}, {396, 20, 4, 270}}));
    QCOMPARE(f.pictureBox("pctRight").widget()->geometry(), QRect(396, 20, 4, 270));

    // Wider: the strips across grow, the side strips only move.
    f.log.clear();
    f.setWidth(7500);
    QCOMPARE(took(), (QStringList{"pctBottom", "pctTop"}));
    QCOMPARE(f.log, QStringList{"resize"});
    QCOMPARE(strips(), (QList<QRect>{{0, 0, 500, 20}, {0, 290, 500, 10}, {0, 20, 3, 270}, {496, 20, 4, 270}}));

    // Higher: the side strips grow between the others, the bottom one moves.
    f.setHeight(6000);
    QCOMPARE(took(), (QStringList{"pctLeft", "pctRight"}));
    QCOMPARE(strips(), (QList<QRect>{{0, 0, 500, 20}, {0, 390, 500, 10}, {0, 20, 3, 370}, {496, 20, 4, 370}}));
}

void TestToolkit::queryUnloadOnEveryClose() {
    TestForm f;
    f.Show();
    f.log.clear();
    f.cancel = 1; // Cancel keeps the window, by code and by the window manager
    f.Unload();
    QCloseEvent close;
    QCoreApplication::sendEvent(f.widget(), &close);
    QCOMPARE(f.log, (QStringList{"query 1", "query 0"}));
    QVERIFY(f.isShown());
    QVERIFY(!f.unloaded());

    f.cancel = 0;
    f.log.clear();
    QCloseEvent close2;
    QCoreApplication::sendEvent(f.widget(), &close2);
    QCOMPARE(f.log, QStringList{"query 0"});
    QVERIFY(!f.isShown());
    QVERIFY(f.unloaded());
}

void TestToolkit::modalShowReturnsAfterUnload() {
    TestForm owner, modal;
    owner.Show();
    QStringList order;
    bool wasModal = false, ownerBlocked = false;
    QTimer::singleShot(0, [&] {
        wasModal = modal.isModal() && modal.isShown() && modal.widget()->parentWidget() == owner.widget();
        ownerBlocked = QApplication::activeModalWidget() == modal.widget();
        order << QStringLiteral("unload");
        modal.Unload();
    });
    QTimer guard; // should the window never close, end the nested loop anyway
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] { order << QStringLiteral("guard"), modal.Unload(); });
    guard.start(10000);
    modal.Show(vbModal, &owner);
    order << QStringLiteral("returned");
    guard.stop();
    QCOMPARE(order, (QStringList{"unload", "returned"}));
    QVERIFY(modal.log.contains(QStringLiteral("query 1")));
    QVERIFY(wasModal);
    QVERIFY(ownerBlocked);
    QVERIFY(!modal.isShown());
    QVERIFY(!modal.isModal());
}

void TestToolkit::globalFormLifeCycle() {
    counts = {};
    {
        GlobalForm<CountedForm> ref;
        QVERIFY(!ref.exists());
        CountedForm &first = ref();
        QVERIFY(ref.exists());
        QCOMPARE(&ref(), &first); // the same instance on every reference
        QCOMPARE(ref.created(), 1);
        QCOMPARE(counts.loads, 1);

        ref().Unload();
        ref.clear();
        QVERIFY(!ref.exists());
        QCOMPARE(counts.destroyed, 0); // freed once the running handler is done
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(counts.destroyed, 1);

        ref(); // a fresh one, loaded again
        QCOMPARE(ref.created(), 2);
        QCOMPARE(counts.constructed, 2);
        QCOMPARE(counts.loads, 2);
    }
    QCOMPARE(counts.destroyed, 2);
}

void TestToolkit::persistentImageWhileInvisible() {
    TestForm f;
    PictureBox &dst = f.pictureBox("pctHidden"), &src = f.pictureBox("pctSrc");
    QVERIFY(!dst.Visible());
    const QColor red(255, 0, 0), blue(0, 0, 255);
    QVERIFY(BitBlt(dst.hDC(), 10, 5, 20, 10, src.hDC(), 0, 0, SRCCOPY));
    QCOMPARE(dst.image().pixelColor(10, 5), red);
    QCOMPARE(dst.image().pixelColor(29, 14), red);
    QCOMPARE(dst.image().pixelColor(30, 14), blue);
    QCOMPARE(dst.image().pixelColor(10, 15), blue);

    // The window shows while the box stays hidden: what was drawn stays.
    f.Show();
    QVERIFY(BitBlt(dst.hDC(), 50, 20, 5, 5, src.hDC(), 0, 0, SRCCOPY));
    QCOMPARE(dst.rendered().pixelColor(10, 5), red);

    // Shown at last, it draws the kept image.
    dst.setVisible(true);
    QCoreApplication::processEvents();
    const QImage shot = f.grab();
    const QPoint at(qRound(dst.pxLeft()), qRound(dst.pxTop()));
    QCOMPARE(shot.pixelColor(at + QPoint(10, 5)), red);
    QCOMPARE(shot.pixelColor(at + QPoint(52, 22)), red);
    QCOMPARE(shot.pixelColor(at + QPoint(1, 1)), blue);
}

void TestToolkit::labelAccessKeys_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("drawn");
    QTest::newRow("first letter") << "&Go" << "Go";
    QTest::newRow("cyrillic") << QString::fromUtf8("&Закрыть") << QString::fromUtf8("Закрыть");
    QTest::newRow("inside") << "Save &As" << "Save As";
    QTest::newRow("literal then key") << "&&&Z" << "&Z";
    QTest::newRow("none") << "Plain" << "Plain";
}

void TestToolkit::labelAccessKeys() {
    QFETCH(QString, caption);
    TestForm f;
    Label &l = f.label("lblFixed");
    l.setCaption(caption);
    QCOMPARE(l.Caption(), caption);
    QTEST(l.displayText(), "drawn");
    if (caption != QLatin1String("&Go")) return;
    // The layout's access key clicks its label.
    int clicks = 0;
    f.label("lblAuto").Click = [&] { ++clicks; };
    f.Show();
    f.widget()->activateWindow();
    if (!QTest::qWaitForWindowActive(f.widget(), 2000)) QSKIP("the platform does not activate windows");
    QTest::keyClick(f.widget(), Qt::Key_G, Qt::AltModifier);
    QCOMPARE(clicks, 1);
}

void TestToolkit::labelAutoSize() {
    TestForm f;
    Label &l = f.label("lblAuto");
    l.setCaption(QStringLiteral("Go"));
    const float plain = l.Width(), h = l.Height();
    QVERIFY(plain > 0);
    l.setCaption(QStringLiteral("&Go")); // the access-key mark takes no room
    QCOMPARE(l.Width(), plain);
    l.setCaption(QStringLiteral("Go, go, go"));
    QVERIFY(l.Width() > 2 * plain);
    QCOMPARE(l.widget()->width(), int(l.Width()));
    QCOMPARE(l.Height(), h);
    f.label("lblIn").setCaption(QStringLiteral("Go")); // inside a box measured in twips
    QCOMPARE(f.label("lblIn").Width(), plain * 15);
    Label &fixed = f.label("lblFixed"); // without auto-size the layout's size stays
    fixed.setCaption(QStringLiteral("A much longer caption than the label"));
    QCOMPARE(fixed.Width(), 60.f);
    QCOMPARE(fixed.Height(), 13.f);
}

void TestToolkit::listIndexRaisesClick() {
    TestForm f;
    ListBox &l = f.listBox("lstItems");
    auto *w = qobject_cast<QListWidget *>(l.widget());
    QCOMPARE(l.ListCount(), 8);
    QCOMPARE(l.ListIndex(), -1);
    QStringList log;
    l.Click = [&] { log << QStringLiteral("click %1").arg(l.ListIndex()); };
    log << QStringLiteral("set");
    l.setListIndex(2);
    log << QStringLiteral("back");
    QCOMPARE(log, (QStringList{"set", "click 2", "back"}));
    QCOMPARE(w->currentRow(), 2);
    QCOMPARE(l.Text(), QStringLiteral("c"));

    log.clear();
    l.setListIndex(2); // no change, no event
    l.setListIndex(8); // out of range
    l.setListIndex(-2);
    QVERIFY(log.isEmpty());
    QCOMPARE(l.ListIndex(), 2);

    l.setListIndex(-1);
    QCOMPARE(l.ListIndex(), -1);
    QCOMPARE(l.Text(), QString());
    QVERIFY(w->selectedItems().isEmpty());
    QCOMPARE(w->currentRow(), -1);

    // Setting the text selects its item and raises Click once.
    log.clear();
    l.setText(QStringLiteral("d"));
    QCOMPARE(log, QStringList{"click 3"});
    QCOMPARE(w->currentRow(), 3);
    l.setText(QStringLiteral("zz")); // no such item
    QCOMPARE(log, QStringList{"click 3"});
    QCOMPARE(l.ListIndex(), 3);
}

void TestToolkit::listUserSelection() {
    TestForm f;
    ListBox &l = f.listBox("lstItems");
    auto *w = qobject_cast<QListWidget *>(l.widget());
    f.Show();
    QVERIFY(QTest::qWaitForWindowExposed(f.widget()));
    l.setListIndex(2);
    QStringList log;
    l.Click = [&] { log << QStringLiteral("click %1").arg(l.ListIndex()); };
    w->setFocus();
    QTest::keyClick(w, Qt::Key_Down);
    QTest::keyClick(w, Qt::Key_Up);
    QCOMPARE(log, (QStringList{"click 3", "click 2"}));
    QCOMPARE(l.ListIndex(), 2);

    log.clear();
    const QRect r = w->visualItemRect(w->item(4));
    QTest::mouseClick(w->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    QCOMPARE(log, QStringList{"click 4"});
    QCOMPARE(l.Text(), QStringLiteral("e"));
}

void TestToolkit::monthNames() {
    // The ctest entries run this under a Russian and under the C locale and
    // say which through LUNIVAR_EXPECT_MONTHS.
    const QByteArray expect = qgetenv("LUNIVAR_EXPECT_MONTHS");
    QStringList names;
    for (int m = 1; m <= 12; ++m) names << MonthName(m);
    for (const QString &n : names) QVERIFY2(!n.isEmpty() && n.at(0) == n.at(0).toUpper(), qPrintable(n));
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), 12);
    QVERIFY(MonthName(0).isEmpty());
    QVERIFY(MonthName(13).isEmpty());
    if (expect == "ru")
        QCOMPARE(names, QString::fromUtf8("Январь Февраль Март Апрель Май Июнь Июль Август Сентябрь Октябрь Ноябрь "
                                          "Декабрь").split(u' '));
    else if (expect == "C")
        QCOMPARE(names, QStringLiteral("January February March April May June July August September October "
                                       "November December").split(u' '));
}

int main(int argc, char **argv) {
    ui::Application app(argc, argv);
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi, true);
    TestToolkit t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_toolkit.moc"
