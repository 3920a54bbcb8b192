// The two click sounds: their wave format, length and loudness, and the
// copies the build puts beside the executable.

#include <QFile>
#include <QtEndian>
#include <QtTest>

#include <cmath>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

quint32 u32(const QByteArray &b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
quint16 u16(const QByteArray &b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }

int peakOf(const QList<qint16> &s)
{
    int peak = 0;
    for (qint16 v : s)
        peak = std::max(peak, std::abs(int(v)));
    return peak;
}

} // namespace

class TestSounds : public QObject
{
    Q_OBJECT

private slots:
    void clicks_data();
    void clicks();
};

void TestSounds::clicks_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("min") << QStringLiteral("min.wav");
    QTest::newRow("close") << QStringLiteral("close.wav");
}

void TestSounds::clicks()
{
    QFETCH(QString, name);
    const QByteArray b = readFile(QStringLiteral(LUNIVAR_WAV_SOURCE_DIR "/") + name);
    QVERIFY(b.size() >= 44 && b.startsWith("RIFF") && b.mid(8, 4) == "WAVE" && u32(b, 4) == quint32(b.size() - 8));
    int rate = 0;
    QList<qint16> samples;
    for (int at = 12; at + 8 <= b.size();) {
        const int size = int(u32(b, at + 4));
        QVERIFY(at + 8 + size <= b.size());
        if (b.mid(at, 4) == "fmt ") {
            rate = int(u32(b, at + 12));
            QCOMPARE(u16(b, at + 8), quint16(1));   // PCM
            QCOMPARE(u16(b, at + 10), quint16(1));  // mono
            QCOMPARE(u16(b, at + 22), quint16(16)); // bits
            QCOMPARE(u32(b, at + 16), quint32(rate * 2));
        } else if (b.mid(at, 4) == "data") {
            for (int i = 0; i + 1 < size; i += 2)
                samples.append(qint16(u16(b, at + 8 + i)));
        }
        at += 8 + size + (size & 1);
    }
    QVERIFY(rate == 22050 || rate == 44100);
    QVERIFY(!samples.isEmpty());
    // Short, quiet (peaking near -12 dBFS), and soft at both ends.
    const double ms = 1000.0 * samples.size() / rate;
    QVERIFY2(ms >= 40 && ms <= 80, qPrintable(QString::number(ms)));
    const int peak = peakOf(samples);
    const double peakDb = 20.0 * std::log10(peak / 32768.0);
    QVERIFY2(peakDb >= -14.0 && peakDb <= -10.0, qPrintable(QString::number(peakDb)));
    QVERIFY(std::abs(samples.first()) <= peak / 50);
    QVERIFY(peakOf(samples.mid(samples.size() - rate / 1000)) <= peak / 50);

    // The build copies the sounds into bin/wav.
    QCOMPARE(readFile(QStringLiteral(LUNIVAR_BIN_DIR "/wav/") + name), b);
}

QTEST_GUILESS_MAIN(TestSounds)
#include "tst_sounds.moc"
