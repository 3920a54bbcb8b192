// Click sounds: which wave files are played, and that no file, however broken,
// big or strange, costs more than a moment or says a word. A recording output
// stands in for the sound device where one is needed.
#include "ui/platform.h"
#include "ui/sound_p.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <sys/stat.h>

using namespace ui;

namespace {

constexpr unsigned Flags = SND_ASYNC | SND_NODEFAULT | SND_NOSTOP; // 19, as the skin passes it
constexpr unsigned Replace = SND_ASYNC | SND_NODEFAULT;
constexpr qint64 QuickMs = 50;

void put16(QByteArray &b, quint16 v) { char c[2]; qToLittleEndian(v, c); b.append(c, 2); }
void put32(QByteArray &b, quint32 v) { char c[4]; qToLittleEndian(v, c); b.append(c, 4); }

struct Fmt {
    quint16 tag = 1, channels = 1;
    quint32 rate = 44100;
    quint16 bits = 16;
    int blockAlign = -1; // -1: channels * bits / 8
};

// A wave file as the format describes it: RIFF header, an optional chunk of
// `before` bytes ahead of "fmt ", the format, then a data chunk that claims
// `claimed` bytes and holds `data`.
QByteArray waveFile(const Fmt &f, const QByteArray &data, qint64 claimed = -1, int before = 0, bool extensible = false)
{
    QByteArray body = "WAVE";
    if (before > 0) {
        body += "LIST";
        put32(body, quint32(before));
        body += QByteArray(before + (before & 1), 'x');
    }
    const quint16 align = quint16(f.blockAlign >= 0 ? f.blockAlign : f.channels * f.bits / 8);
    body += "fmt ";
    put32(body, extensible ? 40 : 16);
    put16(body, extensible ? 0xFFFE : f.tag);
    put16(body, f.channels);
    put32(body, f.rate);
    put32(body, f.rate * align);
    put16(body, align);
    put16(body, f.bits);
    if (extensible) {
        put16(body, 22);
        put16(body, f.bits);
        put32(body, 0);
        put16(body, f.tag);
        body += QByteArray::fromHex("000000001000800000aa00389b71");
    }
    body += "data";
    put32(body, quint32(claimed >= 0 ? claimed : data.size()));
    body += data;
    QByteArray file = "RIFF";
    put32(file, quint32(body.size()));
    return file + body;
}

QByteArray tone16(int frames)
{
    QByteArray pcm;
    for (int i = 0; i < frames; ++i) put16(pcm, quint16(qint16(i % 64 < 32 ? 8000 : -8000)));
    return pcm;
}

// Stands in for the sound device and remembers what it was given.
struct RecordingOutput : sound::Output {
    QList<sound::Wave> played;
    int stops = 0;
    bool busy = false;
    bool available = true;
    bool play(sound::Wave w) override
    {
        if (!available) return false;
        played << w;
        busy = true;
        return true;
    }
    bool playing() const override { return busy; }
    void stop() override { ++stops, busy = false; }
};

QMutex messagesLock; // the sound thread may print too
QStringList messages;  // everything printed through Qt
QtMessageHandler testlibHandler = nullptr;
void recordMessage(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
{
    { QMutexLocker lock(&messagesLock); messages << msg; }
    if (testlibHandler) testlibHandler(type, ctx, msg);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestSound : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    RecordingOutput fake_;

    QString file(const QString &name) const { return dir_.filePath(name); }

    // Whether Qt Multimedia is mapped into this process, where that can be told.
    static void expectSoundSystem(bool loaded)
    {
        QFile maps(QStringLiteral("/proc/self/maps"));
        if (maps.open(QIODevice::ReadOnly)) QCOMPARE(maps.readAll().contains("libQt6Multimedia"), loaded);
    }

    // sndPlaySound, checked to come back at once.
    bool timedPlay(const QString &path, unsigned flags)
    {
        QElapsedTimer t;
        t.start();
        const bool started = sndPlaySound(path, flags);
        const qint64 ms = t.elapsed();
        [&] { QVERIFY2(ms <= QuickMs, qPrintable(QStringLiteral("%1 ms for %2").arg(ms).arg(path))); }();
        return started;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        testlibHandler = qInstallMessageHandler(recordMessage);
        const QByteArray good = waveFile({}, tone16(2205));
        QVERIFY(writeFile(file("good.wav"), good));
        QVERIFY(writeFile(file("empty.wav"), {}));
        QVERIFY(writeFile(file("header-cut.wav"), good.left(30)));
        QByteArray noise(64 * 1024, Qt::Uninitialized);
        QRandomGenerator gen(20240607);
        for (char &c : noise) c = char(gen.bounded(256));
        QVERIFY(writeFile(file("noise.wav"), noise));
        QVERIFY(QDir(dir_.path()).mkdir("folder.wav"));
        QVERIFY(::mkfifo(QFile::encodeName(file("pipe.wav")).constData(), 0600) == 0);
        // 50 MB: a valid header claiming all of it, the rest left sparse.
        const qint64 big = 50LL * 1024 * 1024;
        QFile f(file("huge.wav"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(waveFile({}, {}, big - 44));
        QVERIFY(f.resize(big));
    }

    void cleanup()
    {
        sound::setOutputForTesting(nullptr);
        sound::setModuleDirsForTesting(std::nullopt);
        fake_ = RecordingOutput{};
    }

    void formats_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("sampleFormat");
        QTest::addColumn<QByteArray>("pcm"); // empty: only its size is checked

        const auto i16 = int(sound::Format::Int16);
        QTest::newRow("16-bit mono") << waveFile({}, tone16(100)) << 1 << 44100 << i16 << tone16(100);
        QTest::newRow("8-bit mono") << waveFile({.rate = 8000, .bits = 8}, QByteArray(80, '\x80')) << 1 << 8000 << int(sound::Format::UInt8) << QByteArray(80, '\x80');
        QTest::newRow("32-bit float") << waveFile({.tag = 3, .rate = 48000, .bits = 32}, QByteArray(40, '\0')) << 1 << 48000 << int(sound::Format::Float) << QByteArray(40, '\0');
        // 24-bit 0x030201 and -1 are widened to 0x03020100 and -256.
        QTest::newRow("24-bit") << waveFile({.bits = 24}, QByteArray::fromHex("010203ffffff")) << 1 << 44100 << int(sound::Format::Int32) << QByteArray::fromHex("0001020300ffffff");
        QTest::newRow("extensible stereo") << waveFile({.channels = 2}, tone16(50), -1, 0, true) << 2 << 44100 << i16 << tone16(50);
        QTest::newRow("odd chunk before fmt") << waveFile({}, tone16(10), -1, 7) << 1 << 44100 << i16 << tone16(10);
        // Data cut short: what is there is played, in whole frames.
        QTest::newRow("data cut short") << waveFile({.channels = 2}, QByteArray(203, '\2'), 100000) << 2 << 44100 << i16 << QByteArray(200, '\2');
    }
    void formats()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, channels);
        QFETCH(int, rate);
        QFETCH(int, sampleFormat);
        QFETCH(QByteArray, pcm);
        const std::optional<sound::Wave> w = sound::parseWave(bytes);
        QVERIFY(w.has_value());
        QCOMPARE(w->format.channelCount(), channels);
        QCOMPARE(w->format.sampleRate(), rate);
        QCOMPARE(int(w->format.sampleFormat()), sampleFormat);
        QCOMPARE(w->pcm, pcm);
    }

    void unplayableImages_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray pcm = tone16(100);
        QTest::newRow("RIFX, big-endian") << ("RIFX" + waveFile({}, pcm).mid(4));
        QTest::newRow("not WAVE") << waveFile({}, pcm).replace(8, 4, "AVI ");
        QTest::newRow("no channels") << waveFile({.channels = 0}, pcm);
        QTest::newRow("rate 4 GHz") << waveFile({.rate = 0xFFFFFFF0u}, pcm);
        QTest::newRow("block align wrong") << waveFile({.channels = 2, .blockAlign = 3}, pcm);
        QTest::newRow("A-law") << waveFile({.tag = 6, .bits = 8}, pcm);
        QTest::newRow("less than a frame") << waveFile({.channels = 2}, QByteArray(3, 1));
        QTest::newRow("fmt chunk runs past the end") << waveFile({}, pcm).replace(16, 4, "\xff\xff\xff\xff");
    }
    void unplayableImages()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!sound::parseWave(bytes).has_value());
    }

    // Before the module test: none of these may load the sound module.
    void unplayableFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("deviceOutput"); // the real output instead of the recording one
        for (bool device : {false, true})
            for (const char *n : {"missing.wav", "folder.wav", "empty.wav", "header-cut.wav", "noise.wav", "pipe.wav",
                                  "huge.wav", "missing-folder/min.wav"})
                QTest::addRow("%s%s", n, device ? ", sound device" : "") << QString::fromLatin1(n) << device;
    }
    void unplayableFiles()
    {
        QFETCH(QString, name);
        QFETCH(bool, deviceOutput);
        if (!deviceOutput) sound::setOutputForTesting(&fake_);
        QVERIFY(!timedPlay(file(name), Flags));
        QVERIFY(!timedPlay(file(name), Replace));
        QVERIFY(fake_.played.isEmpty());
        QCOMPARE(fake_.stops, 0);
    }

    void oneSoundAtATime()
    {
        sound::setOutputForTesting(&fake_);
        QVERIFY(timedPlay(file("good.wav"), Flags));
        QCOMPARE(fake_.played.size(), 1);
        QCOMPARE(fake_.played[0].durationMs(), 50);
        // NOSTOP while the first still sounds: not played, the first not stopped.
        QVERIFY(!timedPlay(file("good.wav"), Flags));
        QCOMPARE(fake_.played.size(), 1);
        QCOMPARE(fake_.stops, 0);
        // Without NOSTOP the new one replaces it; an unplayable one leaves it alone.
        QVERIFY(timedPlay(file("good.wav"), Replace));
        QCOMPARE(fake_.played.size(), 2);
        QVERIFY(!timedPlay(file("noise.wav"), Replace));
        QVERIFY(fake_.busy);
        // No path stops it.
        QVERIFY(timedPlay(QString(), Flags));
        QCOMPARE(fake_.stops, 1);
        fake_.available = false;
        QVERIFY(!timedPlay(file("good.wav"), Flags));
    }

    void withoutTheModuleSilence_data()
    {
        QTest::addColumn<QStringList>("dirs");
        QVERIFY(QDir(dir_.path()).mkpath("not-a-library"));
#ifdef Q_OS_WIN
        const QString name = QStringLiteral("lunivar_sound.dll");
#else
        const QString name = QStringLiteral("liblunivar_sound.so");
#endif
        QVERIFY(writeFile(file("not-a-library/" + name), "\x7f" "ELF, or so it says\n"));
        QTest::newRow("missing folder") << QStringList{file("no-such-folder")};
        QTest::newRow("a file that is not a library") << QStringList{file("not-a-library")};
        QTest::newRow("no folder at all") << QStringList{};
    }
    void withoutTheModuleSilence()
    {
        QFETCH(QStringList, dirs);
        sound::setModuleDirsForTesting(dirs);
        for (int i = 0; i < 2; ++i) {
            QVERIFY(!timedPlay(file("good.wav"), Flags));
            QVERIFY(timedPlay(QString(), Flags)); // stopping nothing is fine
        }
        expectSoundSystem(false);
    }

    void moduleLoadedAtTheFirstSound()
    {
        // Until the first playable sound nothing of the sound system is in
        // the process; then a freshly opened device takes it, with or without
        // a server (that is found out on the sound thread).
        sound::setModuleDirsForTesting(QStringList{QStringLiteral(LUNIVAR_BIN_DIR)});
        expectSoundSystem(false);
        QVERIFY(!timedPlay(file("noise.wav"), Replace));
        expectSoundSystem(false);
        QVERIFY(timedPlay(file("good.wav"), Replace));
        expectSoundSystem(true);
        QTest::qWait(1000); // lets the sound thread find its device, or none
        for (int i = 0; i < 3; ++i) timedPlay(file("good.wav"), Flags);
        sndPlaySound(QString(), 0);
        QTest::qWait(300);
    }

    void nothingPrinted()
    {
        QMutexLocker lock(&messagesLock);
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
    }
};

QTEST_MAIN(TestSound)
#include "test_sound.moc"
