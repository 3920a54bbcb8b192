// The skinned push buttons, by their pixels: each face against one put
// together here from the piece bitmaps, and the look each button shows after
// each pointer move.
#include "app/frmMain.h"
#include "skin/mdlDeclarations.h"
#include "support/window_fixture.h"
#include "ui/picture.h"
#include "ui/testing.h"

#include <QtTest>

#include <cmath>

using namespace ui;
using namespace lunivar_test;

namespace {

const QRgb lightGrey = qRgb(224, 224, 224);

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
    void initTestCase() { QVERIFY(installWindowSeams()); }
    void cleanup() { dropWindows(); }

    void pieces()
    {
        // Every piece, the tile 114 too, comes from its resource as the file holds it.
        for (int id = 113; id <= 118; ++id) {
            QCOMPARE(bitmap(id).size(), QSize((id - 113) % 3 == 0 ? 13 : (id - 113) % 3 == 1 ? 6 : 9, 21));
            QCOMPARE(LoadResPicture(id, vbResBitmap).image().convertToFormat(QImage::Format_RGB32), bitmap(id));
        }
    }

    void captionCentredUnrounded()
    {
        frmMain &m = freshMain();
        bool sawHalf = false;
        for (float width : {177.f, 178.f, 21.f}) {
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

    void hover_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("event"); // "button", "caption", "free" or "other"
        QTest::addColumn<int>("k");
        QTest::addColumn<QString>("looks"); // empty: unchanged
        QTest::addColumn<int>("scratch");   // right cap left in the scratch box, 0: not looked at

        for (const char *s : {"NNN", "NHN"}) {
            QTest::addRow("%s, over button 0", s) << s << "button" << 0 << "HNN" << 118;
            QTest::addRow("%s, over button 2", s) << s << "button" << 2 << "NNH" << 118;
            QTest::addRow("%s, over caption 1", s) << s << "caption" << 1 << "NHN" << 118;
            QTest::addRow("%s, over caption 2", s) << s << "caption" << 2 << "NNH" << 118;
            QTest::addRow("%s, over the free area", s) << s << "free" << 0 << "NNN" << 115;
            QTest::addRow("%s, over every other control", s) << s << "other" << 0 << "" << 0;
        }
    }

    void hover()
    {
        QFETCH(QString, start);
        QFETCH(QString, event);
        QFETCH(int, k);
        QFETCH(QString, looks);
        QFETCH(int, scratch);

        frmMain &m = freshMain();
        paintLooks(start);
        QCOMPARE(::looks(m), start);
        if (event == u"button")
            m.pctButton(k).MouseMove(0, 0, 5, 5);
        else if (event == u"caption")
            m.lblButton(k).MouseMove(0, 0, 2, 2);
        else if (event == u"free")
            m.Form_MouseMove(0, 0, 250, 150);
        else
            for (const auto &c : m.controls())
                if (c->Name() != u"pctButton" && c->Name() != u"lblButton" && c->MouseMove)
                    c->MouseMove(0, 0, 3, 3);
        QCOMPARE(::looks(m), looks.isEmpty() ? start : looks);
        if (scratch)
            QCOMPARE(m.pctCont.PictureId(), scratch);
    }

    void faces_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<float>("width");
        QTest::addColumn<int>("imageWidth");
        QTest::newRow("button 0, 177 as laid out") << 0 << 177.f << 177;
        QTest::newRow("button 1, 15: no tile, caps overlap") << 1 << 15.f << 15;
        QTest::newRow("button 2, 21: no tile") << 2 << 21.f << 21;
        QTest::newRow("button 0, 22: one tile") << 0 << 22.f << 22;
        QTest::newRow("button 1, 105: last tile under the cap") << 1 << 105.f << 105;
        QTest::newRow("button 2, 177.5: cap at 168.5, to the even 168") << 2 << 177.5f << 178;
        QTest::newRow("button 0, 178.5: cap at 169.5, to the even 170") << 0 << 178.5f << 179;
    }

    void faces()
    {
        QFETCH(int, index);
        QFETCH(float, width);
        QFETCH(int, imageWidth);

        frmMain &m = freshMain();
        PictureBox &b = m.pctButton(index);
        if (width != 177.f)
            b.setWidth(width);
        QCOMPARE(b.image().size(), QSize(imageWidth, 21));
        for (bool hover : {false, true}) {
            DrawButtonFace(std::int16_t(index), hover ? vbTrue : vbFalse);
            QVERIFY2(b.image() == buttonFace(imageWidth, b.ScaleWidth(), width, hover, lightGrey), hover ? "hover" : "normal");
            QCOMPARE(m.pctCont.PictureId(), hover ? 118 : 115);
        }
        // The pointer handlers paint the same pixels.
        b.MouseMove(0, 0, 1, 1);
        QVERIFY(b.image() == buttonFace(imageWidth, b.ScaleWidth(), width, true, lightGrey));
        m.Form_MouseMove(0, 0, 250, 150);
        QVERIFY(b.image() == buttonFace(imageWidth, b.ScaleWidth(), width, false, lightGrey));
    }

    void otherLookFlags()
    {
        // A look other than True or False paints nothing, over either look.
        frmMain &m = freshMain();
        for (const char *start : {"NNN", "HHH"}) {
            paintLooks(QString::fromLatin1(start));
            const QImage scratch = m.pctCont.image();
            const int scratchId = m.pctCont.PictureId();
            for (int flag : {1, -2, 32767, -32768})
                for (int i = 0; i < 3; ++i)
                    DrawButtonFace(std::int16_t(i), std::int16_t(flag));
            QCOMPARE(looks(m), QString::fromLatin1(start));
            QCOMPARE(m.pctCont.PictureId(), scratchId);
            QVERIFY(m.pctCont.image() == scratch);
        }
    }
};

QTEST_MAIN(TestButtonFace)
#include "test_buttonface.moc"
