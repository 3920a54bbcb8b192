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

struct Wave {
    int format = 0, channels = 0, rate = 0, bits = 0;
    QList<qint16> samples;
    QString error;
};

Wave parseWave(const QByteArray &b)
{
    Wave w;
    if (b.size() < 44 || b.left(4) != "RIFF" || b.mid(8, 4) != "WAVE" || u32(b, 4) != quint32(b.size() - 8)) {
        w.error = QStringLiteral("not a RIFF WAVE file of the stated size");
        return w;
    }
    bool haveFormat = false, haveData = false;
    for (int at = 12; at + 8 <= b.size();) {
        const QByteArray id = b.mid(at, 4);
        const int size = int(u32(b, at + 4));
        if (at + 8 + size > b.size()) {
            w.error = QStringLiteral("chunk %1 runs past the end").arg(QString::fromLatin1(id));
            return w;
        }
        if (id == "fmt ") {
            w.format = u16(b, at + 8);
            w.channels = u16(b, at + 10);
            w.rate = int(u32(b, at + 12));
            w.bits = u16(b, at + 22);
            if (u32(b, at + 16) != quint32(w.rate * w.channels * w.bits / 8) || u16(b, at + 20) != w.channels * w.bits / 8)
                w.error = QStringLiteral("byte rate or block align inconsistent");
            haveFormat = true;
        } else if (id == "data") {
            for (int i = 0; i + 1 < size; i += 2)
                w.samples.append(qint16(u16(b, at + 8 + i)));
            haveData = true;
        }
        at += 8 + size + (size & 1);
    }
    if (!haveFormat || !haveData)
        w.error = QStringLiteral("fmt or data chunk missing");
    return w;
}

int peakOf(const QList<qint16> &s)
{
    int peak = 0;
    for (qint16 v : s)
        peak = std::max(peak, std::abs(int(v)));
    return peak;
}

// Sign changes per second: a rough measure of how high a click sounds.
double crossingsPerSecond(const Wave &w)
{
    int n = 0;
    for (int i = 1; i < w.samples.size(); ++i)
        n += (w.samples[i - 1] < 0) != (w.samples[i] < 0);
    return n * double(w.rate) / w.samples.size();
}

} // namespace

class TestSounds : public QObject
{
    Q_OBJECT

private slots:
    void clicks_data();
    void clicks();
    void closeIsLowerThanMinimise();
    void copiedBesideExecutable_data() { clicks_data(); }
    void copiedBesideExecutable();
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
    const Wave w = parseWave(readFile(QStringLiteral(LUNIVAR_WAV_SOURCE_DIR "/") + name));
    QVERIFY2(w.error.isEmpty(), qPrintable(w.error));
    QCOMPARE(w.format, 1);          // PCM
    QCOMPARE(w.channels, 1);
    QCOMPARE(w.bits, 16);
    QVERIFY(w.rate == 22050 || w.rate == 44100);
    // Short...
    const double ms = 1000.0 * w.samples.size() / w.rate;
    QVERIFY2(ms >= 40 && ms <= 80, qPrintable(QString::number(ms)));
    // ...quiet, peaking near -12 dBFS...
    const double peakDb = 20.0 * std::log10(peakOf(w.samples) / 32768.0);
    QVERIFY2(peakDb >= -14.0 && peakDb <= -10.0, qPrintable(QString::number(peakDb)));
    // ...and soft at both ends: no step at the start, faded out at the end.
    const int peak = peakOf(w.samples);
    QVERIFY(std::abs(w.samples.first()) <= peak / 50);
    const QList<qint16> tail = w.samples.mid(w.samples.size() - w.rate / 1000);   // last millisecond
    QVERIFY(peakOf(tail) <= peak / 50);
    const QList<qint16> head = w.samples.mid(0, w.rate * 15 / 1000);               // first 15 ms
    QVERIFY2(peakOf(head) == peak, "the click is loudest near its start");
}

void TestSounds::closeIsLowerThanMinimise()
{
    const Wave min = parseWave(readFile(QStringLiteral(LUNIVAR_WAV_SOURCE_DIR "/min.wav")));
    const Wave close = parseWave(readFile(QStringLiteral(LUNIVAR_WAV_SOURCE_DIR "/close.wav")));
    QVERIFY(min.error.isEmpty() && close.error.isEmpty());
    QVERIFY(crossingsPerSecond(close) < crossingsPerSecond(min) * 0.85);
}

void TestSounds::copiedBesideExecutable()
{
    QFETCH(QString, name);
    const QByteArray source = readFile(QStringLiteral(LUNIVAR_WAV_SOURCE_DIR "/") + name);
    const QByteArray copy = readFile(QStringLiteral(LUNIVAR_BIN_DIR "/wav/") + name);
    QVERIFY2(!copy.isEmpty(), "the build copies the sounds into bin/wav");
    QVERIFY(copy == source);
}

QTEST_GUILESS_MAIN(TestSounds)
#include "tst_sounds.moc"
