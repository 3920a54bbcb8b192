// The skinned push buttons, checked by their pixels: each face is compared
// with one put together here from the piece bitmaps (left cap at 0, middle
// tiles from 13 every 6 pixels while x <= inner width - 9, right cap at outer
// width - 9 rounded halves to even), for the main window's buttons at several
// widths and for the About window's OK button; and which look each button
// shows after each pointer move.
#include "about/frmMenu.h"
#include "app/frmMain.h"
#include "skin/mdlDeclarations.h"
#include "support/window_fixture.h"
#include "ui/picture.h"
#include "ui/testing.h"
#include "ui/units.h"

#include <QCoreApplication>
#include <QImage>
#include <QtTest>

#include <cmath>

using namespace ui;
using namespace lunivar_test;

namespace {

const QRgb lightGrey = qRgb(224, 224, 224);

// N normal, H hover, ? neither, for buttons 0, 1 and 2.
QString looks(frmMain &m)
{
    QString out;
    for (int i = 0; i < 3; ++i)
        out += faceLook(m.pctButton(i).image(), 177, lightGrey);
    return out;
}

} // namespace

class TestButtonFace : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void pieces_data();
    void pieces();
    void afterLoad();
    void captionCentredUnrounded();
    void hover_data();
    void hover();
    void faces_data();
    void faces();
    void otherLookFlags_data();
    void otherLookFlags();
    void aboutButton();
};

void TestButtonFace::initTestCase()
{
    QVERIFY2(installWindowSeams(), "the skin bitmaps are not in the resources");
}

void TestButtonFace::cleanup() { dropWindows(); }

void TestButtonFace::cleanupTestCase() { dropWindows(); }

void TestButtonFace::pieces_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QSize>("size");
    QTest::newRow("normal left cap 113") << 113 << QSize(13, 21);
    QTest::newRow("normal tile 114") << 114 << QSize(6, 21);
    QTest::newRow("normal right cap 115") << 115 << QSize(9, 21);
    QTest::newRow("hover left cap 116") << 116 << QSize(13, 21);
    QTest::newRow("hover tile 117") << 117 << QSize(6, 21);
    QTest::newRow("hover right cap 118") << 118 << QSize(9, 21);
}

void TestButtonFace::pieces()
{
    QFETCH(int, id);
    QFETCH(QSize, size);
    QCOMPARE(bitmap(id).size(), size);
    const Picture p = LoadResPicture(id, vbResBitmap);
    QCOMPARE(p.resourceId(), id);
    QCOMPARE(p.image().convertToFormat(QImage::Format_RGB32), bitmap(id));
}

void TestButtonFace::afterLoad()
{
    dropWindows();
    frmMain &m = frmMainRef();
    const char *captions[] = {"&Проверить", "&Закрыть", "&О программе..."};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(m.pctButton(i).Width(), 177.f);
        QCOMPARE(m.pctButton(i).ScaleWidth(), 177.f);
        QCOMPARE(m.pctButton(i).Height(), 21.f);
        QCOMPARE(m.lblButton(i).Caption(), QString::fromUtf8(captions[i]));
        QCOMPARE(m.lblButton(i).Left(), (177.f - m.lblButton(i).Width()) / 2);
        QCOMPARE(m.lblButton(i).Top(), 3.f);
    }
    QCOMPARE(looks(m), QStringLiteral("NNN"));
    // The scratch box holds the right cap of the look painted last.
    QCOMPARE(m.pctCont.PictureId(), 115);
}

void TestButtonFace::captionCentredUnrounded()
{
    frmMain &m = freshMain();
    bool sawHalf = false;
    for (float width : {177.f, 178.f, 100.f, 21.f}) {
        for (int i = 0; i < 3; ++i) {
            m.pctButton(i).setWidth(width);
            m.ResetButton(std::int16_t(i));
            const float expected = (width - m.lblButton(i).Width()) / 2;
            QCOMPARE(m.lblButton(i).Left(), expected);
            QCOMPARE(m.lblButton(i).Top(), 3.f);
            sawHalf = sawHalf || expected != std::floor(expected);
        }
    }
    QVERIFY2(sawHalf, "no caption landed on half a pixel");
}

void TestButtonFace::hover_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("event"); // "button", "caption", "free" or "other"
    QTest::addColumn<int>("k");
    QTest::addColumn<QString>("looks");
    QTest::addColumn<int>("scratch"); // right cap left in the scratch box, 0: not looked at

    for (QString start : {QStringLiteral("NNN"), QStringLiteral("HNN"), QStringLiteral("NHN"), QStringLiteral("NNH")}) {
        const QByteArray name = start.toLatin1();
        const char *s = name.constData();
        QTest::addRow("%s, over button 0", s) << start << "button" << 0 << "HNN" << 118;
        QTest::addRow("%s, over button 1", s) << start << "button" << 1 << "NHN" << 118;
        QTest::addRow("%s, over button 2", s) << start << "button" << 2 << "NNH" << 118;
        QTest::addRow("%s, over caption 0", s) << start << "caption" << 0 << "HNN" << 118;
        QTest::addRow("%s, over caption 1", s) << start << "caption" << 1 << "NHN" << 118;
        QTest::addRow("%s, over caption 2", s) << start << "caption" << 2 << "NNH" << 118;
        QTest::addRow("%s, over the free area", s) << start << "free" << 0 << "NNN" << 115;
        QTest::addRow("%s, over every other control", s) << start << "other" << 0 << start << 0;
    }
}

void TestButtonFace::hover()
{
    QFETCH(QString, start);
    QFETCH(QString, event);
    QFETCH(int, k);
    QFETCH(QString, looks);
    QFETCH(int, scratch);

    frmMain &m = freshMain();
    paintLooks(start);
    QCOMPARE(::looks(m), start);

    if (event == u"button") {
        m.pctButton(k).MouseMove(0, 0, 5, 5);
    } else if (event == u"caption") {
        m.lblButton(k).MouseMove(0, 0, 2, 2);
    } else if (event == u"free") {
        m.Form_MouseMove(0, 0, 250, 150);
    } else {
        for (const auto &c : m.controls()) {
            if (c->Name() == u"pctButton" || c->Name() == u"lblButton")
                continue;
            if (c->MouseMove)
                c->MouseMove(0, 0, 3, 3);
        }
    }
    QCOMPARE(::looks(m), looks);
    if (scratch)
        QCOMPARE(m.pctCont.PictureId(), scratch);
}

void TestButtonFace::faces_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<float>("width");
    QTest::addColumn<int>("imageWidth");
    QTest::addColumn<int>("lastTile"); // -1: none
    QTest::addColumn<int>("capX");

    struct Row {
        const char *name;
        float width;
        int imageWidth, lastTile, capX;
    };
    const Row rows[] = {
        {"177 (as laid out)", 177, 177, 163, 168},
        {"15: no tile, caps overlap", 15, 15, -1, 6},
        {"21: no tile", 21, 21, -1, 12},
        {"22: one tile", 22, 22, 13, 13},
        {"100: last tile under the cap", 100, 100, 91, 91},
        {"105", 105, 105, 91, 96},
        {"178: last tile under the cap", 178, 178, 169, 169},
        {"177.5: cap at 168.5, to the even 168", 177.5f, 178, 169, 168},
        {"178.5: cap at 169.5, to the even 170", 178.5f, 179, 169, 170},
    };
    for (const Row &r : rows)
        for (int index : {0, 1, 2})
            QTest::addRow("button %d, %s", index, r.name) << index << r.width << r.imageWidth << r.lastTile << r.capX;
}

void TestButtonFace::faces()
{
    QFETCH(int, index);
    QFETCH(float, width);
    QFETCH(int, imageWidth);
    QFETCH(int, lastTile);
    QFETCH(int, capX);

    frmMain &m = freshMain();
    PictureBox &b = m.pctButton(index);
    if (width != 177.f)
        b.setWidth(width);
    QCOMPARE(b.image().width(), imageWidth);
    QCOMPARE(b.image().height(), 21);

    for (bool hover : {false, true}) {
        const QString look = hover ? QStringLiteral("hover") : QStringLiteral("normal");
        DrawButtonFace(std::int16_t(index), hover ? vbTrue : vbFalse);
        const QImage &img = b.image();
        QVERIFY2(img == buttonFace(imageWidth, b.ScaleWidth(), width, hover, lightGrey), qPrintable(look));

        // The pieces where the document puts them.
        const QImage tile = bitmap(hover ? 117 : 114), cap = bitmap(hover ? 118 : 115);
        QVERIFY(capX + 9 <= imageWidth);
        QVERIFY2(img.copy(capX, 0, 9, 21) == cap, qPrintable(look + QStringLiteral(": right cap")));
        for (int x = 13; x <= lastTile; x += 6) {
            const int visible = std::min(6, capX - x);
            if (visible > 0)
                QVERIFY2(img.copy(x, 0, visible, 21) == tile.copy(0, 0, visible, 21),
                         qPrintable(look + QStringLiteral(": tile at %1").arg(x)));
        }
        const int leftVisible = std::min(13, capX);
        if (leftVisible > 0)
            QVERIFY2(img.copy(0, 0, leftVisible, 21) == bitmap(hover ? 116 : 113).copy(0, 0, leftVisible, 21),
                     qPrintable(look + QStringLiteral(": left cap")));
        if (lastTile < 0)
            QVERIFY2(capX <= 13, "a tile where none fits");
        QCOMPARE(m.pctCont.PictureId(), hover ? 118 : 115);
    }

    // The hover handler paints the same pixels.
    b.MouseMove(0, 0, 1, 1);
    QVERIFY(b.image() == buttonFace(imageWidth, b.ScaleWidth(), width, true, lightGrey));
    m.Form_MouseMove(0, 0, 250, 150);
    QVERIFY(b.image() == buttonFace(imageWidth, b.ScaleWidth(), width, false, lightGrey));
}

void TestButtonFace::otherLookFlags_data()
{
    QTest::addColumn<int>("flag");
    QTest::addColumn<bool>("hover"); // the look shown before
    for (int flag : {1, -2, 2, 32767, -32768})
        for (bool hover : {false, true})
            QTest::addRow("flag %d over %s", flag, hover ? "hover" : "normal") << flag << hover;
}

void TestButtonFace::otherLookFlags()
{
    QFETCH(int, flag);
    QFETCH(bool, hover);
    frmMain &m = freshMain();
    for (int i = 0; i < 3; ++i)
        DrawButtonFace(std::int16_t(i), hover ? vbTrue : vbFalse);
    const QImage before[] = {m.pctButton(0).image(), m.pctButton(1).image(), m.pctButton(2).image()};
    const QImage scratchBefore = m.pctCont.image();
    const int scratchId = m.pctCont.PictureId();

    for (int i = 0; i < 3; ++i)
        DrawButtonFace(std::int16_t(i), std::int16_t(flag));

    for (int i = 0; i < 3; ++i)
        QVERIFY(m.pctButton(i).image() == before[i]);
    QCOMPARE(m.pctCont.PictureId(), scratchId);
    QVERIFY(m.pctCont.image() == scratchBefore);
}

void TestButtonFace::aboutButton()
{
    frmMain &m = freshMain();
    frmMenu &a = frmMenuRef();
    PictureBox &b = a.pctButton;
    QCOMPARE(b.Width(), 105.f);
    QCOMPARE(b.ScaleWidth(), 105.f);
    QCOMPARE(b.image().size(), QSize(105, 21));

    // Loaded with the normal face: tiles 13 to 91, right cap at 96.
    QVERIFY(b.image() == buttonFace(105, 105, 105, false, lightGrey));
    QVERIFY(b.image().copy(96, 0, 9, 21) == bitmap(115));
    QVERIFY(b.image().copy(91, 0, 5, 21) == bitmap(114).copy(0, 0, 5, 21));
    QCOMPARE(m.pctCont.PictureId(), 115);

    a.pctButton_MouseMove(0, 0, 5, 5);
    QVERIFY(b.image() == buttonFace(105, 105, 105, true, lightGrey));
    QVERIFY(b.image().copy(96, 0, 9, 21) == bitmap(118));
    QCOMPARE(m.pctCont.PictureId(), 118);
    // The main window's buttons are not touched by the About window's.
    QCOMPARE(looks(m), QStringLiteral("NNN"));

    a.Form_MouseMove(0, 0, 50, 50);
    QVERIFY(b.image() == buttonFace(105, 105, 105, false, lightGrey));
    QCOMPARE(m.pctCont.PictureId(), 115);
}

QTEST_MAIN(TestButtonFace)
#include "test_buttonface.moc"
