// The main window as the program starts it: its layout, what the load leaves
// on the screen, the first show, the push-button commands, the lookup through
// the window's own lists and fields, and the ways the program ends.
//
// The expected layout, texts and signs are written from the program's
// description of the window, not taken from the layout table or the lookup.
#include "about/frmMenu.h"
#include "app/frmMain.h"
#include "support/window_fixture.h"
#include "ui/app.h"
#include "ui/platform.h"
#include "ui/testing.h"
#include "ui/units.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
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
QList<MsgBoxCall> msgBoxes;

// The About window as the modal hook saw it.
struct ModalCall {
    QString name;
    bool modal;
    bool ownedByMain;
};
QList<ModalCall> modals;

// One row of the window's layout as the description gives it.
struct Row {
    const char *name;
    int index;
    Kind kind;
    const char *container; // "" = the window
    int left, top, width, height;     // twips
    int pxLeft, pxTop, pxWidth, pxHeight; // at 15 twips per pixel
    int tab;
    const char *caption;
    const char *toolTip;
    Color back, fore;
    const char *font; // "" = the default font
    double points;
    int charset;
    Align align;
    int scale; // -1 for controls without a scale of their own, else ScaleMode
    bool autoSize, autoRedraw, visible, locked;
};

constexpr Color unset = colorUnset;
constexpr Color lightGrey = 0xE0E0E0, silver = 0xC0C0C0, grey = 0x808080;
constexpr int Tw = int(ScaleMode::Twips), Px = int(ScaleMode::Pixels), NoScale = -1;
constexpr auto PB = Kind::PictureBox, LB = Kind::Label, TB = Kind::TextBox, LS = Kind::ListBox;
constexpr auto NoAlign = Align::None;

const Row rows[] = {
    {"txtZ", -1, TB, "", 5040, 600, 495, 495, 336, 40, 33, 33, 26, "", "", unset, unset, "Wingdings", 15.75, 2, NoAlign, NoScale, false, false, true, true},
    {"pctCont", -1, PB, "", 5040, 1440, 495, 495, 336, 96, 33, 33, 3, "", "", unset, unset, "", 0, 0, NoAlign, Tw, false, true, false, false},
    {"pctButton", 2, PB, "", 120, 2160, 2655, 315, 8, 144, 177, 21, 24, "", "", lightGrey, unset, "", 0, 0, NoAlign, Px, false, true, true, false},
    {"lblButton", 2, LB, "pctButton", 120, 45, 1155, 195, 8, 3, 77, 13, 25, "&О программе...", "", unset, unset, "", 0, 0, NoAlign, NoScale, true, false, true, false},
    {"pctButton", 1, PB, "", 120, 2520, 2655, 315, 8, 168, 177, 21, 22, "", "", lightGrey, unset, "", 0, 0, NoAlign, Px, false, true, true, false},
    {"lblButton", 1, LB, "pctButton", 120, 45, 660, 195, 8, 3, 44, 13, 23, "&Закрыть", "", unset, unset, "", 0, 0, NoAlign, NoScale, true, false, true, false},
    {"txtTalis", -1, TB, "", 2880, 2520, 2655, 285, 192, 168, 177, 19, 21, "", "", unset, unset, "", 0, 0, NoAlign, NoScale, false, false, true, true},
    {"txtPercStone", -1, TB, "", 2880, 1920, 2655, 285, 192, 128, 177, 19, 20, "", "", unset, unset, "", 0, 0, NoAlign, NoScale, false, false, true, true},
    {"txtPair", -1, TB, "", 2880, 1320, 2655, 285, 192, 88, 177, 19, 17, "", "", unset, unset, "", 0, 0, NoAlign, NoScale, false, false, true, true},
    {"txtSign", -1, TB, "", 2880, 720, 2055, 285, 192, 48, 137, 19, 14, "", "", unset, unset, "", 0, 0, NoAlign, NoScale, false, false, true, true},
    {"pctButton", 0, PB, "", 120, 1800, 2655, 315, 8, 120, 177, 21, 12, "", "", lightGrey, unset, "", 0, 0, NoAlign, Px, false, true, true, false},
    {"lblButton", 0, LB, "pctButton", 120, 45, 855, 195, 8, 3, 57, 13, 13, "&Проверить", "", unset, unset, "", 0, 0, NoAlign, NoScale, true, false, true, false},
    {"lstDay", -1, LS, "", 120, 480, 735, 1230, 8, 32, 49, 82, 11, "", "День (число)", unset, unset, "", 0, 0, NoAlign, NoScale, false, false, true, false},
    {"lstMonth", -1, LS, "", 960, 480, 1815, 1230, 64, 32, 121, 82, 10, "", "Месяц", unset, unset, "", 0, 0, NoAlign, NoScale, false, false, true, false},
    {"pctRight", -1, PB, "", 5670, 360, 30, 2565, 378, 24, 2, 171, 9, "", "", silver, unset, "", 0, 0, Align::Right, Px, false, false, true, false},
    {"pctLeft", -1, PB, "", 0, 360, 30, 2565, 0, 24, 2, 171, 4, "", "", silver, unset, "", 0, 0, Align::Left, Px, false, false, true, false},
    {"pctBottom", -1, PB, "", 0, 2925, 5700, 105, 0, 195, 380, 7, 7, "", "", unset, unset, "", 0, 0, Align::Bottom, Px, false, true, true, false},
    {"pctTitle", -1, PB, "", 0, 0, 5700, 360, 0, 0, 380, 24, 0, "", "", unset, unset, "", 0, 0, Align::Top, Px, false, true, true, false},
    {"pctIco", -1, PB, "pctTitle", 120, 45, 255, 255, 8, 3, 17, 17, 8, "", "", unset, unset, "", 0, 0, NoAlign, Tw, true, false, true, false},
    {"pctClose", -1, PB, "pctTitle", 5640, 60, 225, 255, 376, 4, 15, 17, 1, "", "Закрыть", unset, unset, "", 0, 0, NoAlign, Px, true, false, true, false},
    {"pctMin", -1, PB, "pctTitle", 5100, 60, 225, 255, 340, 4, 15, 17, 2, "", "Свернуть", unset, unset, "", 0, 0, NoAlign, Px, true, false, true, false},
    {"lblTitle", -1, LB, "pctTitle", 360, 0, 1095, 285, 24, 0, 73, 19, 5, "Apple Mac", "", unset, unset, "Tahoma", 12, 204, NoAlign, NoScale, true, false, true, false},
    {"lblTitleS", -1, LB, "pctTitle", 360, 60, 1095, 285, 24, 4, 73, 19, 6, "Apple Mac", "", unset, grey, "Tahoma", 12, 204, NoAlign, NoScale, true, false, true, false},
    {"lbl", 3, LB, "", 2880, 2280, 810, 195, 192, 152, 54, 13, 19, "Телисман:", "", unset, unset, "", 0, 0, NoAlign, NoScale, true, false, true, false},
    {"lbl", 2, LB, "", 2880, 1680, 1710, 195, 192, 112, 114, 13, 18, "Драгоценный камень:", "", unset, unset, "", 0, 0, NoAlign, NoScale, true, false, true, false},
    {"lbl", 1, LB, "", 2880, 1080, 1350, 195, 192, 72, 90, 13, 16, "Пары по зодиаку:", "", unset, unset, "", 0, 0, NoAlign, NoScale, true, false, true, false},
    {"lbl", 0, LB, "", 2880, 480, 1440, 195, 192, 32, 96, 13, 15, "Ваш знак зодиака:", "", unset, unset, "", 0, 0, NoAlign, NoScale, true, false, true, false},
};

// What the five fields show for a sign.
struct Shown {
    const char *sign, *glyph, *pairs, *stone, *talisman;
};
const Shown capricorn{"Козеог", "g", "Дева, Рыбы", "Альмандин", "Опал"};
const Shown aquarius{"Водолей", "h", "Весы, Рыбы, Овен", "Сапфир", "Аметист"};
const Shown pisces{"Рыбы", "i", "Рак, Скорпион, Козеог", "Хризолит", "Александрит"};
const Shown aries{"Овен", "^", "Лев, Стрелец, Близнецы", "Алмаз", "Аквамарин"};
const Shown taurus{"Телец", "_", "Рак, Дева, Козеог, Рыбы", "Изумруд", "Агат"};
const Shown gemini{"Близнецы", "`", "Овен, Весы, Водолей", "Берилл", "Агат"};
const Shown cancer{"Рак", "a", "Рыбы, Скорпион, Телец", "Изумруд", "Яшма"};
const Shown leo{"Лев", "b", "Овен, Стрелец, Весы", "Рубин", "Серодолик"};
const Shown virgo{"Дева", "c", "Телец, Козеог, Скорпион", "Хризолит", "Яшма"};
const Shown libra{"Весы", "d", "Водолей, Близнецы, Стрелец", "Алмаз", "Аквамарин"};
const Shown scorpio{"Скорпион", "e", "Рак, Рыбы, Дева", "Карбункул", "Топаз"};
const Shown sagittarius{"Стрелец", "f", "Овен, Лев, Весы", "Бирюза", "Хризопраз"};

QString u8(const char *s) { return QString::fromUtf8(s); }

QStringList fields(frmMain &f) {
    return {f.txtSign.Text(), f.txtZ.Text(), f.txtPair.Text(), f.txtPercStone.Text(), f.txtTalis.Text()};
}
QStringList fields(const Shown &s) { return {u8(s.sign), u8(s.glyph), u8(s.pairs), u8(s.stone), u8(s.talisman)}; }

void clearFields(frmMain &f) {
    for (TextBox *t : {&f.txtSign, &f.txtZ, &f.txtPair, &f.txtPercStone, &f.txtTalis}) t->setText(QString());
}

QListWidget *listWidget(ListBox &l) { return qobject_cast<QListWidget *>(l.widget()); }

// Selects month index m, then day index d, through the window's lists.
void pick(frmMain &f, int m, int d) {
    f.lstMonth.setListIndex(std::int16_t(m));
    f.lstDay.setListIndex(std::int16_t(d));
}

} // namespace

Q_DECLARE_METATYPE(Shown)

class TestMainWindow : public QObject {
    Q_OBJECT

    frmMain *w = nullptr;
    QRegion regionAfterLoad;
    bool shownAfterLoad = true;

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    // Before the first show.
    void windowLayout();
    void controlLayout_data();
    void controlLayout();
    void stacking();
    void dayItems();
    void afterLoad();
    void captionEverywhere();
    void regionOfTheLoad();
    void labelsFitTheirRows();

    // From the first show on.
    void firstShow();
    void tabOrder();
    void buttonLookup();
    void buttonEnd();
    void buttonAbout();
    void captionLabelsActAsTheirButtons();
    void clicksOnTheWidgets();
    void iconMouseInTwips();
    void lookupWithoutMonth();
    void lookupThroughTheWindow_data();
    void lookupThroughTheWindow();
    void glyphShown();
    void dayFixing_data();
    void dayFixing();
    void dayFixingByTheUser();
    void repeatedLookup();
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
        // Closed as the user closes it: its OK button.
        if (auto *about = dynamic_cast<frmMenu *>(&f)) about->pctButton_Click();
        else f.Unload();
    });
    w = &frmMainRef();
    QCOMPARE(&MainWindow(), w);
    regionAfterLoad = w->region();
    shownAfterLoad = w->isShown();
}

void TestMainWindow::cleanupTestCase() {
    // The window goes before the application object does.
    frmMainRef.clear();
    flushDeletes();
    QVERIFY(!frmMainRef.exists());
}

void TestMainWindow::init() {
    msgBoxes.clear();
    modals.clear();
    endCalls = 0;
}

void TestMainWindow::cleanup() { flushDeletes(); }

// ---------------------------------------------------------------- layout

void TestMainWindow::windowLayout() {
    const FormDef &d = frmMainLayout();
    QCOMPARE(d.name, QStringLiteral("frmMain"));
    QCOMPARE(d.clientWidth, 5700);
    QCOMPARE(d.clientHeight, 3030);
    QCOMPARE(d.frameWidth, 0);
    QCOMPARE(d.backColor, rgb(224, 224, 224));
    QCOMPARE(d.scaleMode, ScaleMode::Pixels);
    QVERIFY(d.autoRedraw);
    QVERIFY(!d.picture.isEmpty());
    QCOMPARE(d.startUp, StartUpPosition::CenterScreen);
    QVERIFY(d.showInTaskbar);
    QVERIFY(!d.icon.isEmpty());
    QCOMPARE(int(d.controls.size()), int(std::size(rows)));

    // The window built from it: no system frame, 380 x 202 pixels.
    QVERIFY(w->widget()->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(w->widget()->isWindow());
    QCOMPARE(w->Width(), 5700.f);
    QCOMPARE(w->Height(), 3030.f);
    QCOMPARE(w->ScaleWidth(), 380.f);
    QCOMPARE(w->ScaleHeight(), 202.f);
    QCOMPARE(w->widget()->size(), QSize(380, 202));
    QCOMPARE(w->BackColor(), rgb(224, 224, 224));
    QVERIFY(!w->widget()->windowIcon().isNull());
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
    // The table lists the controls in this order (it is the stacking order).
    const ControlDef &d = fd.controls.at(std::size_t(row));
    QCOMPARE(d.name, QString::fromLatin1(r.name));
    QCOMPARE(d.index, r.index);
    QCOMPARE(d.kind, r.kind);
    QCOMPARE(d.container, QString::fromLatin1(r.container));
    QCOMPARE(d.left, r.left);
    QCOMPARE(d.top, r.top);
    QCOMPARE(d.width, r.width);
    QCOMPARE(d.height, r.height);
    QCOMPARE(d.tabIndex, r.tab);
    QCOMPARE(d.caption, u8(r.caption));
    QCOMPARE(d.toolTip, u8(r.toolTip));
    QCOMPARE(d.backColor, r.back);
    QCOMPARE(d.foreColor, r.fore);
    QCOMPARE(d.font.face, QString::fromLatin1(r.font));
    QCOMPARE(d.font.points, r.points);
    QCOMPARE(d.font.weight, 400);
    QCOMPARE(d.font.charset, r.charset);
    QCOMPARE(d.align, r.align);
    if (r.scale != NoScale) QCOMPARE(int(d.scaleMode), r.scale);
    QCOMPARE(d.autoSize, r.autoSize);
    QCOMPARE(d.autoRedraw, r.autoRedraw);
    QCOMPARE(d.visible, r.visible);
    QCOMPARE(d.locked, r.locked);

    // Built from the table, before any handler runs: places in pixels.
    Form built(fd);
    Control *c = built.find(QString::fromLatin1(r.name), r.index);
    QVERIFY(c);
    if (*r.container) {
        QVERIFY(c->container());
        QCOMPARE(c->container()->Name(), QString::fromLatin1(r.container));
        QCOMPARE(c->container()->Index(), r.index); // an array member lies in its own element
    } else {
        QVERIFY(!c->container());
    }
    QCOMPARE(c->Left(), float(r.pxLeft));
    QCOMPARE(c->Top(), float(r.pxTop));
    QCOMPARE(c->widget()->pos(), QPoint(r.pxLeft, r.pxTop));
    if (r.kind != Kind::Label) { // labels size themselves to their captions
        QCOMPARE(c->Width(), float(r.pxWidth));
        QCOMPARE(c->Height(), float(r.pxHeight));
        QCOMPARE(c->widget()->size(), QSize(r.pxWidth, r.pxHeight));
    }
    QCOMPARE(c->TabIndex(), r.tab);
    QCOMPARE(c->ToolTipText(), u8(r.toolTip));
    QCOMPARE(c->Visible(), r.visible);
    if (auto *p = dynamic_cast<PictureBox *>(c)) {
        QCOMPARE(p->innerScale(), ScaleMode(r.scale));
        QCOMPARE(p->BackColor(), r.back == unset ? p->BackColor() : r.back);
        QCOMPARE(p->PictureId(), 0); // no picture in the layout
    }
    if (auto *l = dynamic_cast<Label *>(c)) {
        QCOMPARE(l->Caption(), u8(r.caption));
        if (r.fore != unset) QCOMPARE(l->ForeColor(), r.fore);
        if (*r.font) QCOMPARE(l->widget()->font().pixelSize(), qRound(r.points * 96 / 72));
    }
    if (auto *t = dynamic_cast<TextBox *>(c)) {
        QCOMPARE(t->Text(), QString()); // empty in the layout
        QCOMPARE(t->Locked(), r.locked);
        QCOMPARE(qobject_cast<QLineEdit *>(t->widget())->isReadOnly(), r.locked);
    }
}

void TestMainWindow::stacking() {
    // lblTitle lies above its shadow.
    const QObjectList kids = w->pctTitle.widget()->children();
    QVERIFY(kids.indexOf(w->lblTitle.widget()) > kids.indexOf(w->lblTitleS.widget()));
}

void TestMainWindow::dayItems() {
    QCOMPARE(w->lstDay.ListCount(), 31);
    for (int i = 0; i < 31; ++i) QCOMPARE(w->lstDay.List(i), QString::number(i + 1));
    QVERIFY(frmMainLayout().controls.at(13).items.isEmpty()); // the month list is empty in the layout
}

// ---------------------------------------------------------------- after the load

void TestMainWindow::afterLoad() {
    QVERIFY(!shownAfterLoad); // shown only after the load handler returned
    QCOMPARE(w->loadCount(), 1);
    QCOMPARE(w->lstDay.ListIndex(), 0);
    QCOMPARE(w->lstDay.Text(), QStringLiteral("1"));
    QCOMPARE(listWidget(w->lstDay)->currentRow(), 0);
    QCOMPARE(w->lstMonth.ListIndex(), 0);
    QCOMPARE(listWidget(w->lstMonth)->currentRow(), 0);
    QCOMPARE(w->lstMonth.ListCount(), 12);
    for (int m = 1; m <= 12; ++m) QCOMPARE(w->lstMonth.List(m - 1), MonthName(m));
    QCOMPARE(fields(*w), QStringList(5, QString()));
    for (TextBox *t : {&w->txtSign, &w->txtZ, &w->txtPair, &w->txtPercStone, &w->txtTalis})
        QCOMPARE(qobject_cast<QLineEdit *>(t->widget())->text(), QString());
    // The icon shows the apple, sized to it.
    QCOMPARE(w->pctIco.PictureId(), 101);
    QCOMPARE(w->pctIco.widget()->size(), QSize(21, 20));
}

void TestMainWindow::captionEverywhere() {
    const QString caption = QStringLiteral("Lunivar 5.3");
    QCOMPARE(w->Caption(), caption);
    QCOMPARE(w->widget()->windowTitle(), caption);
    QCOMPARE(w->lblTitle.Caption(), caption);
    QCOMPARE(w->lblTitleS.Caption(), caption);
    QCOMPARE(w->lblTitle.displayText(), caption);
}

void TestMainWindow::regionOfTheLoad() {
    // 5, 5 to 381, 203 with the platform's round rectangles, which stop one
    // pixel short of the right and bottom: pixels 5..379 across, 5..201 down.
    QVERIFY(!regionAfterLoad.isEmpty());
    QCOMPARE(regionAfterLoad.boundingRect(), QRect(QPoint(5, 5), QPoint(379, 201)));
    QCOMPARE(regionAfterLoad, CreateRoundRectRgn(5, 5, 381, 203, 10, 10));
    QVERIFY(!regionAfterLoad.contains(QPoint(5, 5)));
    QVERIFY(regionAfterLoad.contains(QPoint(190, 5)));
}

void TestMainWindow::labelsFitTheirRows() {
    // The default font's rows are 13 pixels high, the title font's 19: every
    // label sized to its caption stays within the row the layout gives it.
    int checked = 0;
    for (const auto &c : w->controls()) {
        auto *l = dynamic_cast<Label *>(c.get());
        if (!l || !l->def().autoSize) continue;
        const int layoutPx = qRound(l->def().height / 15.0);
        QVERIFY2(l->pxHeight() <= layoutPx,
                 qPrintable(QStringLiteral("%1(%2): %3 > %4").arg(l->Name()).arg(l->Index()).arg(l->pxHeight()).arg(layoutPx)));
        QVERIFY(l->pxHeight() >= layoutPx - 3); // and is not a tiny font either
        ++checked;
    }
    QCOMPARE(checked, 9);
}

// ---------------------------------------------------------------- from the first show

void TestMainWindow::firstShow() {
    w->Show();
    QVERIFY(w->isShown());
    QVERIFY(QTest::qWaitForWindowExposed(w->widget()));
    // The frame's resize handler replaced the load's region: from 0, 0 to
    // 381, 203, which is the whole 380 x 202 window with its corners cut.
    QCOMPARE(w->region().boundingRect(), QRect(0, 0, 380, 202));
    QCOMPARE(w->region(), CreateRoundRectRgn(0, 0, 381, 203, 10, 10));
    QVERIFY(w->region() != regionAfterLoad);
    QCOMPARE(w->widget()->mask(), w->region());
    // Centred on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect g = w->widget()->frameGeometry();
    QVERIFY(qAbs(g.center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(g.center().y() - screen.center().y()) <= 1);
    QCOMPARE(w->Left(), float(w->widget()->x() * 15));
    QCOMPARE(w->Top(), float(w->widget()->y() * 15));
    // The strips are docked and the design caption was never seen.
    QCOMPARE(w->pctTitle.widget()->geometry(), QRect(0, 0, 380, 24));
    QCOMPARE(w->pctBottom.widget()->geometry(), QRect(0, 195, 380, 7));
    QCOMPARE(w->pctLeft.widget()->geometry(), QRect(0, 24, 2, 171));
    QCOMPARE(w->pctRight.widget()->geometry(), QRect(378, 24, 2, 171));
    QCOMPARE(w->lblTitle.Caption(), QStringLiteral("Lunivar 5.3"));
    QCOMPARE(w->loadCount(), 1);
    // The lists' rows are the default font's 13 pixels: six fit inside the borders.
    for (ListBox *l : {&w->lstDay, &w->lstMonth}) {
        QListWidget *lw = listWidget(*l);
        const int row = lw->visualItemRect(lw->item(0)).height();
        QVERIFY2(row <= 13 && row * 6 <= lw->viewport()->height(),
                 qPrintable(QStringLiteral("row %1, viewport %2").arg(row).arg(lw->viewport()->height())));
    }
}

void TestMainWindow::tabOrder() {
    // Tabbing goes by tab index among the controls that take the focus.
    // The push buttons take the focus too (they are pressed with the keyboard).
    QList<QWidget *> expected{w->lstMonth.widget(),    w->lstDay.widget(),       w->pctButton(0).widget(),
                              w->txtSign.widget(),     w->txtPair.widget(),      w->txtPercStone.widget(),
                              w->txtTalis.widget(),    w->pctButton(1).widget(), w->pctButton(2).widget(),
                              w->txtZ.widget()};
    for (QWidget *x : expected) QVERIFY(x->focusPolicy() & Qt::TabFocus);
    QList<QWidget *> seen;
    QWidget *at = w->lstMonth.widget();
    for (int guard = 0; guard < 200 && seen.size() < expected.size(); ++guard) {
        if (expected.contains(at) && !seen.contains(at)) seen << at;
        at = at->nextInFocusChain();
    }
    QCOMPARE(seen, expected);

    // And the Tab key walks it.
    w->widget()->activateWindow();
    if (!QTest::qWaitForWindowActive(w->widget(), 2000)) return;
    expected.first()->setFocus();
    for (int i = 1; i <= expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected.at(i % expected.size()));
    }
}

void TestMainWindow::buttonLookup() {
    pick(*w, 4, 24); // May 25
    clearFields(*w);
    w->pctButton_Click(0);
    QCOMPARE(fields(*w), fields(gemini));
    QVERIFY(modals.isEmpty());
    QCOMPARE(endCalls, 0);
}

void TestMainWindow::buttonEnd() {
    pick(*w, 0, 0);
    clearFields(*w);
    QVERIFY_THROWS_EXCEPTION(Ended, w->pctButton_Click(1));
    QCOMPARE(endCalls, 1);
    QCOMPARE(fields(*w), QStringList(5, QString())); // no lookup on the way out
    QVERIFY(modals.isEmpty());
}

void TestMainWindow::buttonAbout() {
    clearFields(*w);
    QVERIFY(!frmMenuRef.exists());
    w->pctButton_Click(2);
    QCOMPARE(modals.size(), 1);
    QCOMPARE(modals[0].name, QStringLiteral("frmMenu"));
    QVERIFY(modals[0].modal);
    QVERIFY(modals[0].ownedByMain);
    QVERIFY(!frmMenuRef.exists()); // closed and dropped
    QCOMPARE(fields(*w), QStringList(5, QString()));
    QCOMPARE(endCalls, 0);
    // Once more: a fresh About window.
    w->pctButton_Click(2);
    QCOMPARE(modals.size(), 2);
    QCOMPARE(frmMenuRef.created(), 2);
}

void TestMainWindow::captionLabelsActAsTheirButtons() {
    pick(*w, 10, 21); // November 22
    clearFields(*w);
    w->lblButton_Click(0);
    QCOMPARE(fields(*w), fields(sagittarius));

    clearFields(*w);
    QVERIFY_THROWS_EXCEPTION(Ended, w->lblButton_Click(1));
    QCOMPARE(endCalls, 1);
    QCOMPARE(fields(*w), QStringList(5, QString()));

    w->lblButton_Click(2);
    QCOMPARE(modals.size(), 1);
    QCOMPARE(modals[0].name, QStringLiteral("frmMenu"));
}

void TestMainWindow::clicksOnTheWidgets() {
    QCOMPARE(w->pctButton.Count(), 3);
    QCOMPARE(w->lblButton.Count(), 3);
    QCOMPARE(w->lbl.Count(), 4);
    QCOMPARE(w->lbl(3).Caption(), u8("Телисман:"));

    // A press and release on button 2's face reaches pctButton_Click(2).
    QTest::mouseClick(w->pctButton(2).widget(), Qt::LeftButton, Qt::NoModifier, QPoint(150, 10));
    QCOMPARE(modals.size(), 1);
    QCOMPARE(modals[0].name, QStringLiteral("frmMenu"));
    flushDeletes();

    // A click on button 0's caption runs the lookup.
    pick(*w, 2, 20); // March 21
    clearFields(*w);
    QTest::mouseClick(w->lblButton(0).widget(), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    QCOMPARE(fields(*w), fields(aries));
    // And on button 0's face as well.
    pick(*w, 2, 19); // March 20
    QTest::mouseClick(w->pctButton(0).widget(), Qt::LeftButton, Qt::NoModifier, QPoint(150, 10));
    QCOMPARE(fields(*w), fields(pisces));
    QCOMPARE(modals.size(), 1);
    QCOMPARE(endCalls, 0);
}

void TestMainWindow::iconMouseInTwips() {
    // The icon measures in twips: a press 4, 6 pixels into it is at 60, 90.
    QList<QList<float>> downs;
    auto saved = w->pctIco.MouseDown;
    w->pctIco.MouseDown = [&](std::int16_t B, std::int16_t S, float X, float Y) { downs << QList<float>{float(B), float(S), X, Y}; };
    QTest::mousePress(w->pctIco.widget(), Qt::RightButton, Qt::ShiftModifier, QPoint(4, 6));
    QTest::mouseRelease(w->pctIco.widget(), Qt::RightButton, Qt::ShiftModifier, QPoint(4, 6));
    QTest::mousePress(w->pctIco.widget(), Qt::MiddleButton, Qt::AltModifier, QPoint(1, 2));
    QTest::mouseRelease(w->pctIco.widget(), Qt::MiddleButton, Qt::AltModifier, QPoint(1, 2));
    w->pctIco.MouseDown = saved;
    QCOMPARE(downs.size(), 2);
    QCOMPARE(downs[0], (QList<float>{2, 1, 60, 90}));
    QCOMPARE(downs[1], (QList<float>{4, 4, 15, 30}));
}

void TestMainWindow::lookupWithoutMonth() {
    pick(*w, 6, 22); // July 23
    w->pctButton_Click(0);
    QCOMPARE(fields(*w), fields(leo));
    w->lstMonth.setListIndex(-1);
    QCOMPARE(w->lstMonth.ListIndex(), -1);
    w->pctButton_Click(0);
    QCOMPARE(msgBoxes.size(), 1);
    QCOMPARE(msgBoxes[0].text, u8("Программа вызвала внутренний збой из за неправельно введённых данных!\r\n"
                                  "Закройте её и запустите заного.\r\n"
                                  "Пожалуста сообшите об ошибке автору если она будет поаторятся."));
    QCOMPARE(msgBoxes[0].title, u8("Внутренний збой в программе"));
    QCOMPARE(msgBoxes[0].style, 16);
    QCOMPARE(fields(*w), fields(leo)); // unchanged
    QCOMPARE(w->lstDay.ListIndex(), 22);
    QCOMPARE(endCalls, 0); // the program keeps running
    w->lstMonth.setListIndex(0);
}

void TestMainWindow::lookupThroughTheWindow_data() {
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day"); // the day number, 0 for no day selected
    QTest::addColumn<Shown>("shown");
    QTest::newRow("January 19") << 1 << 19 << capricorn;
    QTest::newRow("January 20") << 1 << 20 << aquarius;
    QTest::newRow("February 18") << 2 << 18 << aquarius;
    QTest::newRow("February 19") << 2 << 19 << pisces;
    QTest::newRow("February 29") << 2 << 29 << pisces;
    QTest::newRow("April 20") << 4 << 20 << aries;
    QTest::newRow("April 21") << 4 << 21 << taurus;
    QTest::newRow("May 25") << 5 << 25 << gemini;
    QTest::newRow("June 22") << 6 << 22 << gemini;
    QTest::newRow("June 23") << 6 << 23 << cancer;
    QTest::newRow("August 23") << 8 << 23 << virgo;
    QTest::newRow("October 23") << 10 << 23 << libra;
    QTest::newRow("October 24") << 10 << 24 << scorpio;
    QTest::newRow("November 21") << 11 << 21 << scorpio;
    QTest::newRow("November 22") << 11 << 22 << sagittarius;
    QTest::newRow("December 21") << 12 << 21 << sagittarius;
    QTest::newRow("December 22") << 12 << 22 << capricorn;
    QTest::newRow("December 31") << 12 << 31 << capricorn;
    QTest::newRow("March, no day") << 3 << 0 << pisces;
    QTest::newRow("October, no day") << 10 << 0 << libra;
}

void TestMainWindow::lookupThroughTheWindow() {
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(Shown, shown);
    pick(*w, month - 1, day - 1);
    QCOMPARE(w->lstMonth.ListIndex(), month - 1);
    QCOMPARE(w->lstDay.ListIndex(), day - 1);
    clearFields(*w);
    w->pctButton_Click(0);
    QCOMPARE(fields(*w), fields(shown));
    QVERIFY(msgBoxes.isEmpty());
}

void TestMainWindow::glyphShown() {
    pick(*w, 4, 24); // May 25, Gemini
    w->pctButton_Click(0);
    QCOMPARE(w->txtZ.Text(), QStringLiteral("`"));
    auto *edit = qobject_cast<QLineEdit *>(w->txtZ.widget());
    if (QFontDatabase::families().contains(QStringLiteral("Wingdings"), Qt::CaseInsensitive)) {
        QCOMPARE(edit->text(), QStringLiteral("`"));
    } else {
        QCOMPARE(w->txtZ.displayText(), QString(QChar(0x264A)));
        QCOMPARE(edit->text(), QString(QChar(0x264A)));
    }
}

void TestMainWindow::dayFixing_data() {
    QTest::addColumn<QString>("steps"); // "m<index>" or "d<index>", in order
    QTest::addColumn<int>("day");       // the day index afterwards
    QTest::newRow("February, then 31") << "m1 d30" << 28;
    QTest::newRow("February, then 30") << "m1 d29" << 28;
    QTest::newRow("February, then 29") << "m1 d28" << 28;
    QTest::newRow("31, then February") << "d30 m1" << 28;
    QTest::newRow("31, then April") << "d30 m3" << 29;
    QTest::newRow("31, then November") << "d30 m10" << 29;
    QTest::newRow("30, then April") << "d29 m3" << 29;
    QTest::newRow("31, then March") << "d30 m2" << 30;
    QTest::newRow("31, then December") << "d30 m11" << 30;
    QTest::newRow("no month, then 31") << "m-1 d30" << 30;
    QTest::newRow("no day, then February") << "d-1 m1" << -1;
}

void TestMainWindow::dayFixing() {
    QFETCH(QString, steps);
    w->lstMonth.setListIndex(0);
    w->lstDay.setListIndex(0);
    clearFields(*w);
    for (const QString &s : steps.split(u' ')) {
        const auto v = std::int16_t(s.mid(1).toInt());
        if (s.startsWith(u'm')) w->lstMonth.setListIndex(v);
        else w->lstDay.setListIndex(v);
    }
    QTEST(int(w->lstDay.ListIndex()), "day");
    QTEST(listWidget(w->lstDay)->currentRow(), "day");
    QCOMPARE(fields(*w), QStringList(5, QString())); // the lists never run the lookup
    w->lstMonth.setListIndex(0);
}

void TestMainWindow::dayFixingByTheUser() {
    QListWidget *days = listWidget(w->lstDay);
    // February, then the user moves from 29 to 30 with the keyboard.
    w->lstMonth.setListIndex(1);
    w->lstDay.setListIndex(28);
    days->setFocus();
    QTest::keyClick(days, Qt::Key_Down);
    QCOMPARE(w->lstDay.ListIndex(), 28);
    QCOMPARE(days->currentRow(), 28);
    QCOMPARE(days->selectedItems().size(), 1);
    QCOMPARE(days->selectedItems().first()->text(), QStringLiteral("29"));

    // And clicks 31 with the mouse.
    days->scrollToItem(days->item(30));
    const QRect r = days->visualItemRect(days->item(30));
    QVERIFY(days->viewport()->rect().contains(r.center()));
    QTest::mouseClick(days->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    QCOMPARE(w->lstDay.ListIndex(), 28);
    QCOMPARE(days->currentRow(), 28);
    QCOMPARE(days->selectedItems().size(), 1);
    QCOMPARE(days->selectedItems().first()->text(), QStringLiteral("29"));

    // The user picks April with 31 standing: 30.
    w->lstMonth.setListIndex(0);
    w->lstDay.setListIndex(30);
    QListWidget *months = listWidget(w->lstMonth);
    months->scrollToItem(months->item(3));
    const QRect a = months->visualItemRect(months->item(3));
    QTest::mouseClick(months->viewport(), Qt::LeftButton, Qt::NoModifier, a.center());
    QCOMPARE(w->lstMonth.ListIndex(), 3);
    QCOMPARE(w->lstDay.ListIndex(), 29);
    QCOMPARE(days->currentRow(), 29);
    w->lstMonth.setListIndex(0);
}

void TestMainWindow::repeatedLookup() {
    pick(*w, 9, 23); // October 24
    w->pctButton_Click(0);
    const QStringList first = fields(*w);
    w->pctButton_Click(0);
    QCOMPARE(fields(*w), first);
    QCOMPARE(first, fields(scorpio));
}

void TestMainWindow::systemCloseEndsTheProgram() {
    // The window manager's close runs the close handler, which ends the
    // process with status 0. The real end leaves the process, so it runs in
    // a copy of this one; the end hook is not set there.
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
