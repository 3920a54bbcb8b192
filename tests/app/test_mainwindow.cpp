// The main window as the program starts it: its layout, what the load leaves
// on the screen, the push-button commands, the lookup through the window's own
// lists and fields, and the ways the program ends. The expected values are
// written from the program's description of the window.
#include "about/frmMenu.h"
#include "app/frmMain.h"
#include "support/window_fixture.h"
#include "ui/app.h"
#include "ui/platform.h"
#include "ui/testing.h"
#include "ui/units.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

using namespace ui;
using lunivar_test::Ended;
using lunivar_test::flushDeletes;

namespace {

int endCalls = 0;
struct MsgBoxCall {
    QString text;
    int style;
    QString title;
};
struct ModalCall {
    QString name;
    bool modal, ownedByMain;
};
QList<MsgBoxCall> msgBoxes;
QList<ModalCall> modals;

// One row of the window's layout as the description gives it (twips).
// Empty container: the window; empty font: the default; scale -1: none of its own.
struct Row {
    const char *name; int index; Kind kind; const char *container;
    int left, top, width, height, tab;
    const char *caption, *toolTip; Color back, fore; const char *font; double points; int charset;
    Align align; int scale; bool autoSize, autoRedraw, visible, locked;
};

constexpr Color unset = colorUnset, lightGrey = 0xE0E0E0, silver = 0xC0C0C0, grey = 0x808080;
constexpr int Tw = int(ScaleMode::Twips), Px = int(ScaleMode::Pixels), NoScale = -1;
constexpr auto PB = Kind::PictureBox, LB = Kind::Label, TB = Kind::TextBox, LS = Kind::ListBox;
constexpr auto NoAlign = Align::None;

const Row rows[] = {
    {"txtZ", -1, TB, "", 5040, 600, 495, 495, 26, "", "", unset, unset, "Wingdings", 15.75, 2, NoAlign, NoScale, false, false, true, true},
    {"pctCont", -1, PB, "", 5040, 1440, 495, 495, 3, "", "", unset, unset, "", 0, 0, NoAlign, Tw, false, true, false, false},
    {"pctButton", 2, PB, "", 120, 2160, 2655, 315, 24, "", "", lightGrey, unset, "", 0, 0, NoAlign, Px, false, true, true, false},
    {"lblButton", 2, LB, "pctButton", 120, 45, 1155, 195, 25, "&О программе...", "", unset, unset, "", 0, 0, NoAlign, NoScale, true, false, true, false},
    {"pctButton", 1, PB, "", 120, 2520, 2655, 315, 22, "", "", lightGrey, unset, "", 0, 0, NoAlign, Px, false, true, true, false},
    {"lblButton", 1, LB, "pctButton", 120, 45, 660, 195, 23, "&Закрыть", "", unset, unset, "", 0, 0, NoAlign, NoScale, true, false, true, false},
    {"txtTalis", -1, TB, "", 2880, 2520, 2655, 285, 21, "", "", unset, unset, "", 0, 0, NoAlign, NoScale, false, false, true, true},
    {"txtPercStone", -1, TB, "", 2880, 1920, 2655, 285, 20, "", "", unset, unset, "", 0, 0, NoAlign, NoScale, false, false, true, true},
    {"txtPair", -1, TB, "", 2880, 1320, 2655, 285, 17, "", "", unset, unset, "", 0, 0, NoAlign, NoScale, false, false, true, true},
    {"txtSign", -1, TB, "", 2880, 720, 2055, 285, 14, "", "", unset, unset, "", 0, 0, NoAlign, NoScale, false, false, true, true},
    {"pctButton", 0, PB, "", 120, 1800, 2655, 315, 12, "", "", lightGrey, unset, "", 0, 0, NoAlign, Px, false, true, true, false},
    {"lblButton", 0, LB, "pctButton", 120, 45, 855, 195, 13, "&Проверить", "", unset, unset, "", 0, 0, NoAlign, NoScale, true, false, true, false},
    {"lstDay", -1, LS, "", 120, 480, 735, 1230, 11, "", "День (число)", unset, unset, "", 0, 0, NoAlign, NoScale, false, false, true, false},
    {"lstMonth", -1, LS, "", 960, 480, 1815, 1230, 10, "", "Месяц", unset, unset, "", 0, 0, NoAlign, NoScale, false, false, true, false},
    {"pctRight", -1, PB, "", 5670, 360, 30, 2565, 9, "", "", silver, unset, "", 0, 0, Align::Right, Px, false, false, true, false},
    {"pctLeft", -1, PB, "", 0, 360, 30, 2565, 4, "", "", silver, unset, "", 0, 0, Align::Left, Px, false, false, true, false},
    {"pctBottom", -1, PB, "", 0, 2925, 5700, 105, 7, "", "", unset, unset, "", 0, 0, Align::Bottom, Px, false, true, true, false},
    {"pctTitle", -1, PB, "", 0, 0, 5700, 360, 0, "", "", unset, unset, "", 0, 0, Align::Top, Px, false, true, true, false},
    {"pctIco", -1, PB, "pctTitle", 120, 45, 255, 255, 8, "", "", unset, unset, "", 0, 0, NoAlign, Tw, true, false, true, false},
    {"pctClose", -1, PB, "pctTitle", 5640, 60, 225, 255, 1, "", "Закрыть", unset, unset, "", 0, 0, NoAlign, Px, true, false, true, false},
    {"pctMin", -1, PB, "pctTitle", 5100, 60, 225, 255, 2, "", "Свернуть", unset, unset, "", 0, 0, NoAlign, Px, true, false, true, false},
    {"lblTitle", -1, LB, "pctTitle", 360, 0, 1095, 285, 5, "Apple Mac", "", unset, unset, "Tahoma", 12, 204, NoAlign, NoScale, true, false, true, false},
    {"lblTitleS", -1, LB, "pctTitle", 360, 60, 1095, 285, 6, "Apple Mac", "", unset, grey, "Tahoma", 12, 204, NoAlign, NoScale, true, false, true, false},
    {"lbl", 3, LB, "", 2880, 2280, 810, 195, 19, "Телисман:", "", unset, unset, "", 0, 0, NoAlign, NoScale, true, false, true, false},
    {"lbl", 2, LB, "", 2880, 1680, 1710, 195, 18, "Драгоценный камень:", "", unset, unset, "", 0, 0, NoAlign, NoScale, true, false, true, false},
    {"lbl", 1, LB, "", 2880, 1080, 1350, 195, 16, "Пары по зодиаку:", "", unset, unset, "", 0, 0, NoAlign, NoScale, true, false, true, false},
    {"lbl", 0, LB, "", 2880, 480, 1440, 195, 15, "Ваш знак зодиака:", "", unset, unset, "", 0, 0, NoAlign, NoScale, true, false, true, false},
};

// What the five fields show: sign, glyph, pairs, stone, talisman.
const char *const capricorn = "Козеог|g|Дева, Рыбы|Альмандин|Опал";
const char *const aquarius = "Водолей|h|Весы, Рыбы, Овен|Сапфир|Аметист";
const char *const pisces = "Рыбы|i|Рак, Скорпион, Козеог|Хризолит|Александрит";
const char *const gemini = "Близнецы|`|Овен, Весы, Водолей|Берилл|Агат";
const char *const sagittarius = "Стрелец|f|Овен, Лев, Весы|Бирюза|Хризопраз";

QString u8(const char *s) { return QString::fromUtf8(s); }
QStringList fields(frmMain &f) {
    return {f.txtSign.Text(), f.txtZ.Text(), f.txtPair.Text(), f.txtPercStone.Text(), f.txtTalis.Text()};
}
QStringList fields(const char *shown) { return u8(shown).split(u'|'); }
const QStringList noFields(5, QString());
void clearFields(frmMain &f) {
    for (TextBox *t : {&f.txtSign, &f.txtZ, &f.txtPair, &f.txtPercStone, &f.txtTalis}) t->setText(QString());
}
QListWidget *listWidget(ListBox &l) { return qobject_cast<QListWidget *>(l.widget()); }
// Month index m, then day index d, through the window's lists.
void pick(frmMain &f, int m, int d) {
    f.lstMonth.setListIndex(std::int16_t(m));
    f.lstDay.setListIndex(std::int16_t(d));
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    frmMain *w = nullptr;
    bool shownAfterLoad = true;

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init() {
        msgBoxes.clear();
        modals.clear();
        endCalls = 0;
    }
    void cleanup() { flushDeletes(); }

    // Before the first show.
    void windowLayout();
    void controlLayout_data();
    void controlLayout();
    void afterLoad();
    // From the first show on.
    void firstShow();
    void buttons_data();
    void buttons();
    void lookupWithoutMonth();
    void lookupThroughTheWindow_data();
    void lookupThroughTheWindow();
    void dayFixing_data();
    void dayFixing();
    void systemCloseEndsTheProgram();
};

void TestMainWindow::initTestCase() {
    Screen::setTwipsPerPixel(15, 15);
    testing::setEndHook([] {
        ++endCalls;
        throw Ended{};
    });
    testing::setMsgBoxHook([](const QString &text, int style, const QString &title) {
        msgBoxes << MsgBoxCall{text, style, title};
        return 1;
    });
    testing::setPopupHook([](const Menu &) { return -1; });
    testing::setModalHook([](Form &f) {
        modals << ModalCall{f.Name(), f.isModal(), f.widget()->parentWidget() == MainWindow().widget()};
        if (auto *about = dynamic_cast<frmMenu *>(&f)) about->pctButton_Click(); // its OK button
        else f.Unload();
    });
    w = &frmMainRef();
    QCOMPARE(&MainWindow(), w);
    shownAfterLoad = w->isShown();
}

void TestMainWindow::cleanupTestCase() {
    frmMainRef.clear(); // the window goes before the application object does
    flushDeletes();
    QVERIFY(!frmMainRef.exists());
}

void TestMainWindow::windowLayout() {
    const FormDef &d = frmMainLayout();
    QCOMPARE(d.name, QStringLiteral("frmMain"));
    QCOMPARE(d.clientWidth, 5700);
    QCOMPARE(d.clientHeight, 3030);
    QCOMPARE(d.frameWidth, 0);
    QCOMPARE(d.backColor, rgb(224, 224, 224));
    QCOMPARE(d.scaleMode, ScaleMode::Pixels);
    QVERIFY(d.autoRedraw && d.showInTaskbar && !d.picture.isEmpty() && !d.icon.isEmpty());
    QCOMPARE(d.startUp, StartUpPosition::CenterScreen);
    QCOMPARE(int(d.controls.size()), int(std::size(rows)));
    // The window built from it: no system frame, 380 x 202 pixels.
    QVERIFY(w->widget()->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(w->Width(), 5700.f);
    QCOMPARE(w->Height(), 3030.f);
    QCOMPARE(w->widget()->size(), QSize(380, 202));
}

void TestMainWindow::controlLayout_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(rows)); ++i) {
        const Row &r = rows[i];
        const QByteArray tag = r.index >= 0 ? QByteArray(r.name) + "(" + QByteArray::number(r.index) + ")" : QByteArray(r.name);
        QTest::newRow(tag.constData()) << i;
    }
}

void TestMainWindow::controlLayout() {
    QFETCH(int, row);
    const Row &r = rows[row];
    const FormDef &fd = frmMainLayout();
    const ControlDef &d = fd.controls.at(std::size_t(row)); // listed in stacking order
    QCOMPARE(d.name, QString::fromLatin1(r.name));
    QCOMPARE(d.index, r.index);
    QCOMPARE(d.kind, r.kind);
    QCOMPARE(QRect(d.left, d.top, d.width, d.height), QRect(r.left, r.top, r.width, r.height));
    QCOMPARE(d.tabIndex, r.tab);
    QCOMPARE(d.caption, u8(r.caption));
    QCOMPARE(d.toolTip, u8(r.toolTip));
    QCOMPARE(d.backColor, r.back);
    QCOMPARE(d.foreColor, r.fore);
    QCOMPARE(d.font.face, QString::fromLatin1(r.font));
    QCOMPARE(d.font.points, r.points);
    QCOMPARE(d.font.charset, r.charset);
    QCOMPARE(d.align, r.align);
    if (r.scale != NoScale) QCOMPARE(int(d.scaleMode), r.scale);
    QCOMPARE(d.autoSize, r.autoSize);
    QCOMPARE(d.autoRedraw, r.autoRedraw);
    QCOMPARE(d.visible, r.visible);
    QCOMPARE(d.locked, r.locked);

    // Built from the table, before any handler runs: every place is whole pixels.
    Form built(fd);
    Control *c = built.find(QString::fromLatin1(r.name), r.index);
    QVERIFY(c);
    QCOMPARE(c->container() ? c->container()->Name() : QString(), QString::fromLatin1(r.container));
    if (c->container()) QCOMPARE(c->container()->Index(), r.index); // an array member lies in its own element
    const auto px = [](int twips) { return qRound(twips / 15.0); };
    QCOMPARE(c->widget()->pos(), QPoint(px(r.left), px(r.top)));
    if (r.kind != Kind::Label) // labels size themselves to their captions
        QCOMPARE(c->widget()->size(), QSize(px(r.width), px(r.height)));
    QCOMPARE(c->ToolTipText(), u8(r.toolTip));
    QCOMPARE(c->Visible(), r.visible);
    if (auto *t = dynamic_cast<TextBox *>(c)) QCOMPARE(qobject_cast<QLineEdit *>(t->widget())->isReadOnly(), r.locked);
}

void TestMainWindow::afterLoad() {
    QVERIFY(!shownAfterLoad); // shown only after the load handler returned
    QCOMPARE(w->loadCount(), 1);
    QCOMPARE(w->lstDay.ListCount(), 31);
    for (int i = 0; i < 31; ++i) QCOMPARE(w->lstDay.List(i), QString::number(i + 1));
    QCOMPARE(w->lstMonth.ListCount(), 12);
    for (int m = 1; m <= 12; ++m) QCOMPARE(w->lstMonth.List(m - 1), MonthName(m));
    QCOMPARE(w->lstDay.ListIndex(), 0);
    QCOMPARE(listWidget(w->lstDay)->currentRow(), 0);
    QCOMPARE(w->lstMonth.ListIndex(), 0);
    QCOMPARE(listWidget(w->lstMonth)->currentRow(), 0);
    QCOMPARE(fields(*w), noFields);
    QCOMPARE(w->pctIco.PictureId(), 101); // the apple, sized to it
    QCOMPARE(w->pctIco.widget()->size(), QSize(21, 20));
    const QString caption = QStringLiteral("Lunivar 5.3");
    QCOMPARE(w->Caption(), caption);
    QCOMPARE(w->widget()->windowTitle(), caption);
    QCOMPARE(w->lblTitle.Caption(), caption);
    QCOMPARE(w->lblTitleS.Caption(), caption);
}

void TestMainWindow::firstShow() {
    w->Show();
    QVERIFY(QTest::qWaitForWindowExposed(w->widget()));
    QCOMPARE(w->lblTitle.displayText(), QStringLiteral("Lunivar 5.3"));
    QCOMPARE(w->loadCount(), 1);
}

void TestMainWindow::buttons_data() {
    QTest::addColumn<int>("how"); // 0 pctButton_Click, 1 lblButton_Click, 2 a mouse click on the face
    QTest::addColumn<int>("button");
    for (int how : {0, 1, 2})
        for (int button : {0, 1, 2})
            if (how < 2 || button != 1) // a real click on button 1 would end this process
                QTest::addRow("%s(%d)", how == 0 ? "pctButton" : how == 1 ? "lblButton" : "mouse on face", button)
                    << how << button;
}

void TestMainWindow::buttons() {
    QFETCH(int, how);
    QFETCH(int, button);
    pick(*w, 4, 24); // May 25
    clearFields(*w);
    const auto press = [&] {
        if (how == 0) w->pctButton_Click(std::int16_t(button));
        else if (how == 1) w->lblButton_Click(std::int16_t(button));
        else QTest::mouseClick(w->pctButton(button).widget(), Qt::LeftButton, Qt::NoModifier, QPoint(150, 10));
    };
    if (button == 1) {
        QVERIFY_THROWS_EXCEPTION(Ended, press());
        QCOMPARE(endCalls, 1);
    } else {
        press();
        QCOMPARE(endCalls, 0);
    }
    QCOMPARE(fields(*w), button == 0 ? fields(gemini) : noFields); // no lookup on the way out
    QCOMPARE(modals.size(), button == 2 ? 1 : 0);
    if (button == 2) {
        QCOMPARE(modals[0].name, QStringLiteral("frmMenu"));
        QVERIFY(modals[0].modal);
        QVERIFY(modals[0].ownedByMain);
        QVERIFY(!frmMenuRef.exists()); // closed and dropped
    }
}

void TestMainWindow::lookupWithoutMonth() {
    pick(*w, 0, 19); // January 20
    w->pctButton_Click(0);
    QCOMPARE(fields(*w), fields(aquarius));
    w->lstMonth.setListIndex(-1);
    w->pctButton_Click(0);
    QCOMPARE(msgBoxes.size(), 1);
    QCOMPARE(msgBoxes[0].text, u8("Программа вызвала внутренний збой из за неправельно введённых данных!\r\n"
                                  "Закройте её и запустите заного.\r\n"
                                  "Пожалуста сообшите об ошибке автору если она будет поаторятся."));
    QCOMPARE(msgBoxes[0].title, u8("Внутренний збой в программе"));
    QCOMPARE(msgBoxes[0].style, 16);
    QCOMPARE(fields(*w), fields(aquarius)); // unchanged
    QCOMPARE(w->lstDay.ListIndex(), 19);
    QCOMPARE(endCalls, 0);
    w->lstMonth.setListIndex(0);
}

void TestMainWindow::lookupThroughTheWindow_data() {
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day"); // 0 for no day selected
    QTest::addColumn<QString>("shown");
    QTest::newRow("January 19") << 1 << 19 << capricorn;
    QTest::newRow("January 20") << 1 << 20 << aquarius;
    QTest::newRow("February 29") << 2 << 29 << pisces;
    QTest::newRow("December 21") << 12 << 21 << sagittarius;
    QTest::newRow("December 22") << 12 << 22 << capricorn;
    QTest::newRow("March, no day") << 3 << 0 << pisces;
}

void TestMainWindow::lookupThroughTheWindow() {
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(QString, shown);
    pick(*w, month - 1, day - 1);
    QCOMPARE(w->lstDay.ListIndex(), day - 1);
    clearFields(*w);
    w->pctButton_Click(0);
    QCOMPARE(fields(*w), shown.split(u'|'));
    QVERIFY(msgBoxes.isEmpty());
}

void TestMainWindow::dayFixing_data() {
    QTest::addColumn<QString>("steps"); // "m<index>" or "d<index>", in order
    QTest::addColumn<int>("day");       // the day index afterwards
    QTest::newRow("February, then 31") << "m1 d30" << 28;
    QTest::newRow("February, then 29") << "m1 d28" << 28;
    QTest::newRow("31, then February") << "d30 m1" << 28;
    QTest::newRow("31, then April") << "d30 m3" << 29;
    QTest::newRow("31, then March") << "d30 m2" << 30;
    QTest::newRow("no month, then 31") << "m-1 d30" << 30;
    QTest::newRow("no day, then February") << "d-1 m1" << -1;
}

void TestMainWindow::dayFixing() {
    QFETCH(QString, steps);
    pick(*w, 0, 0);
    clearFields(*w);
    for (const QString &s : steps.split(u' ')) {
        const auto v = std::int16_t(s.mid(1).toInt());
        (s.startsWith(u'm') ? w->lstMonth : w->lstDay).setListIndex(v);
    }
    QTEST(int(w->lstDay.ListIndex()), "day");
    QTEST(listWidget(w->lstDay)->currentRow(), "day");
    QCOMPARE(fields(*w), noFields); // the lists never run the lookup
    w->lstMonth.setListIndex(0);
}

void TestMainWindow::systemCloseEndsTheProgram() {
    // The window manager's close ends the process with status 0: in a copy of
    // this one, without the end hook.
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    QVERIFY(pid >= 0);
    if (pid == 0) {
        testing::setEndHook(nullptr);
        QCloseEvent close;
        QCoreApplication::sendEvent(w->widget(), &close);
        ::_exit(3); // the close did not end the program
    }
    int status = 0;
    QCOMPARE(waitpid(pid, &status, 0), pid);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    QVERIFY(w->isShown()); // this copy goes on
}

int main(int argc, char **argv) {
    ui::Application app(argc, argv);
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi, true);
    TestMainWindow t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_mainwindow.moc"
