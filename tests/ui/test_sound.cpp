// Click sounds: which wave files are played and how, and that no file, however
// broken, big or strange, costs the window more than a moment or says a word.
// These tests need no sound device: where one is needed, a recording output
// stands in for it, and the real one is only checked to stay quick and quiet
// whether or not the machine has a sound server.
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

// Everything printed through Qt while these tests run.
QMutex messagesLock;
QStringList messages;
QtMessageHandler testlibHandler = nullptr;
void recordMessage(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
{
    {
        QMutexLocker lock(&messagesLock);
        messages << msg;
    }
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

    // Checks whether Qt Multimedia is mapped into this process, where that
    // can be told.
    static void expectSoundSystem(bool loaded)
    {
        QFile maps(QStringLiteral("/proc/self/maps"));
        if (!maps.open(QIODevice::ReadOnly)) return;
        QCOMPARE(maps.readAll().contains("libQt6Multimedia"), loaded);
    }

    // Calls sndPlaySound and checks it came back at once.
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
        QVERIFY(writeFile(file("no-data.wav"), good.left(36)));
        QVERIFY(writeFile(file("text.wav"), "RIFF is a container format, WAVE a kind of it.\n"));
        QByteArray noise(64 * 1024, Qt::Uninitialized);
        QRandomGenerator gen(20240607);
        for (char &c : noise) c = char(gen.bounded(256));
        QVERIFY(writeFile(file("noise.wav"), noise));
        QVERIFY(writeFile(file("noise-after-riff.wav"), "RIFF\xff\xff\xff\xffWAVE" + noise));
        QVERIFY(writeFile(file("alaw.wav"), waveFile({.tag = 6, .bits = 8}, QByteArray(800, '\x55'))));
        QVERIFY(QDir(dir_.path()).mkdir("folder.wav"));
        QVERIFY(::mkfifo(QFile::encodeName(file("pipe.wav")).constData(), 0600) == 0);
        // 50 MB: a valid header claiming all of it, the rest left sparse.
        {
            const qint64 big = 50LL * 1024 * 1024;
            QFile f(file("huge.wav"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(waveFile({}, {}, big - 44));
            QVERIFY(f.resize(big));
        }
        QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("Звуки с пробелами/wav")));
        QVERIFY(writeFile(file(QStringLiteral("Звуки с пробелами/wav/мин.wav")), good));
    }

    void cleanup()
    {
        sound::setOutputForTesting(nullptr);
        sound::setModuleDirsForTesting(std::nullopt);
        fake_ = RecordingOutput{};
    }

    // ---------------------------------------------------------- reading wave files

    void formats_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("sampleFormat");
        QTest::addColumn<int>("pcmBytes");

        const auto i16 = int(sound::Format::Int16);
        QTest::newRow("16-bit mono") << waveFile({}, tone16(100)) << 1 << 44100 << i16 << 200;
        QTest::newRow("8-bit mono") << waveFile({.rate = 8000, .bits = 8}, QByteArray(80, '\x80')) << 1 << 8000 << int(sound::Format::UInt8) << 80;
        QTest::newRow("16-bit stereo") << waveFile({.channels = 2, .rate = 22050}, tone16(100)) << 2 << 22050 << i16 << 200;
        QTest::newRow("32-bit integer") << waveFile({.bits = 32}, QByteArray(40, '\1')) << 1 << 44100 << int(sound::Format::Int32) << 40;
        QTest::newRow("32-bit float") << waveFile({.tag = 3, .rate = 48000, .bits = 32}, QByteArray(40, '\0')) << 1 << 48000 << int(sound::Format::Float) << 40;
        // 24-bit samples are widened to 32 bits: 10 samples, 40 bytes.
        QTest::newRow("24-bit") << waveFile({.bits = 24}, QByteArray(30, '\7')) << 1 << 44100 << int(sound::Format::Int32) << 40;
        QTest::newRow("extensible PCM") << waveFile({.channels = 2}, tone16(50), -1, 0, true) << 2 << 44100 << i16 << 100;
        // A chunk of odd size before the format is padded to an even size.
        QTest::newRow("odd chunk before fmt") << waveFile({}, tone16(10), -1, 7) << 1 << 44100 << i16 << 20;
        // Data cut short: what is there is played, in whole frames.
        QTest::newRow("data cut short") << waveFile({.channels = 2}, QByteArray(203, '\2'), 100000) << 2 << 44100 << i16 << 200;
    }
    void formats()
    {
        QFETCH(QByteArray, bytes);
        const std::optional<sound::Wave> w = sound::parseWave(bytes);
        QVERIFY(w.has_value());
        QFETCH(int, channels);
        QFETCH(int, rate);
        QFETCH(int, sampleFormat);
        QFETCH(int, pcmBytes);
        QCOMPARE(w->format.channelCount(), channels);
        QCOMPARE(w->format.sampleRate(), rate);
        QCOMPARE(int(w->format.sampleFormat()), sampleFormat);
        QCOMPARE(w->pcm.size(), pcmBytes);
    }

    void widened24BitSamples()
    {
        // Little-endian 24-bit 0x030201 and -1 become 0x03020100 and -256.
        const auto w = sound::parseWave(waveFile({.bits = 24}, QByteArray::fromHex("010203ffffff")));
        QVERIFY(w.has_value());
        QCOMPARE(w->pcm, QByteArray::fromHex("0001020300ffffff"));
    }

    void unplayableImages_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray pcm = tone16(100);
        QTest::newRow("nothing") << QByteArray();
        QTest::newRow("RIFX, big-endian") << ("RIFX" + waveFile({}, pcm).mid(4));
        QTest::newRow("not WAVE") << waveFile({}, pcm).replace(8, 4, "AVI ");
        QTest::newRow("no channels") << waveFile({.channels = 0}, pcm);
        QTest::newRow("nine channels") << waveFile({.channels = 9}, QByteArray(18 * 10, 0));
        QTest::newRow("rate 500") << waveFile({.rate = 500}, pcm);
        QTest::newRow("rate 4 GHz") << waveFile({.rate = 0xFFFFFFF0u}, pcm);
        QTest::newRow("12-bit") << waveFile({.bits = 12, .blockAlign = 2}, pcm);
        QTest::newRow("block align wrong") << waveFile({.channels = 2, .blockAlign = 3}, pcm);
        QTest::newRow("A-law") << waveFile({.tag = 6, .bits = 8}, pcm);
        QTest::newRow("64-bit float") << waveFile({.tag = 3, .bits = 64}, QByteArray(80, 0));
        QTest::newRow("no sample") << waveFile({}, {});
        QTest::newRow("less than a frame") << waveFile({.channels = 2}, QByteArray(3, 1));
        QTest::newRow("fmt chunk short") << waveFile({}, pcm).replace(16, 4, QByteArray("\x0e\0\0\0", 4));
        QTest::newRow("fmt chunk runs past the end") << waveFile({}, pcm, -1, 0).replace(16, 4, "\xff\xff\xff\xff");
        QTest::newRow("data before fmt only") << QByteArray("RIFF\x10\0\0\0WAVEdata\x04\0\0\0abcd", 24);
    }
    void unplayableImages()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!sound::parseWave(bytes).has_value());
    }

    // ---------------------------------------------------------- files given to sndPlaySound

    void unplayableFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("deviceOutput"); // the real output instead of the recording one
        const char *names[] = {"missing.wav", "folder.wav", "empty.wav", "header-cut.wav", "no-data.wav", "text.wav",
                               "noise.wav", "noise-after-riff.wav", "alaw.wav", "pipe.wav", "huge.wav",
                               "missing-folder/min.wav"};
        for (bool device : {false, true})
            for (const char *n : names)
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

    void playableFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("pcmBytes");
        QTest::newRow("short tone") << file("good.wav") << 4410;
        QTest::newRow("folder with spaces and Cyrillic letters")
            << QDir::toNativeSeparators(file(QStringLiteral("Звуки с пробелами/wav/мин.wav"))) << 4410;
    }
    void playableFiles()
    {
        QFETCH(QString, path);
        QFETCH(int, pcmBytes);
        sound::setOutputForTesting(&fake_);
        QVERIFY(timedPlay(path, Flags));
        QCOMPARE(fake_.played.size(), 1);
        QCOMPARE(fake_.played[0].pcm.size(), pcmBytes);
        QCOMPARE(fake_.played[0].durationMs(), 50);
    }

    // ---------------------------------------------------------- one sound at a time

    void stillPlayingSoundGoesOn()
    {
        sound::setOutputForTesting(&fake_);
        QVERIFY(timedPlay(file("good.wav"), Flags));
        // The first is still sounding: the second is not played, and the
        // first is not stopped.
        QVERIFY(!timedPlay(file("good.wav"), Flags));
        QCOMPARE(fake_.played.size(), 1);
        QCOMPARE(fake_.stops, 0);
        // Once it has finished, the next one plays.
        fake_.busy = false;
        QVERIFY(timedPlay(file("good.wav"), Flags));
        QCOMPARE(fake_.played.size(), 2);
    }

    void withoutNoStopNewSoundReplaces()
    {
        sound::setOutputForTesting(&fake_);
        QVERIFY(timedPlay(file("good.wav"), Flags));
        QVERIFY(timedPlay(file(QStringLiteral("Звуки с пробелами/wav/мин.wav")), Replace));
        QCOMPARE(fake_.played.size(), 2);
        QVERIFY(fake_.busy);
        // An unplayable file leaves the sound that plays alone, flags or not.
        QVERIFY(!timedPlay(file("noise.wav"), Replace));
        QCOMPARE(fake_.stops, 0);
        QVERIFY(fake_.busy);
    }

    void noPathStopsTheSound()
    {
        sound::setOutputForTesting(&fake_);
        QVERIFY(timedPlay(file("good.wav"), Flags));
        QVERIFY(timedPlay(QString(), Flags));
        QCOMPARE(fake_.stops, 1);
        QVERIFY(timedPlay(file("good.wav"), Flags));
    }

    void noDeviceIsSilence()
    {
        fake_.available = false;
        sound::setOutputForTesting(&fake_);
        QVERIFY(!timedPlay(file("good.wav"), Flags));
        QVERIFY(fake_.played.isEmpty());
    }

    // ---------------------------------------------------------- the sound module

    void withoutTheModuleSilence_data()
    {
        QTest::addColumn<QStringList>("dirs");
        QVERIFY(QDir(dir_.path()).mkpath("no-module"));
        QVERIFY(QDir(dir_.path()).mkpath("not-a-library"));
#ifdef Q_OS_WIN
        const QString name = QStringLiteral("lunivar_sound.dll");
#else
        const QString name = QStringLiteral("liblunivar_sound.so");
#endif
        QVERIFY(writeFile(file("not-a-library/" + name), "\x7f" "ELF, or so it says\n"));
        QTest::newRow("missing folder") << QStringList{file("no-such-folder")};
        QTest::newRow("folder without the module") << QStringList{file("no-module")};
        QTest::newRow("a file that is not a library") << QStringList{file("not-a-library")};
        QTest::newRow("no folder at all") << QStringList{};
        QTest::newRow("empty folder name") << QStringList{QString()};
    }
    void withoutTheModuleSilence()
    {
        QFETCH(QStringList, dirs);
        sound::setModuleDirsForTesting(dirs);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(!timedPlay(file("good.wav"), Flags));
            QVERIFY(!timedPlay(file("good.wav"), Replace));
            QVERIFY(timedPlay(QString(), Flags)); // stopping nothing is fine
        }
        expectSoundSystem(false);
    }

    void moduleLoadedAtTheFirstSound()
    {
        // Found through the default folders (this test does not run from the
        // executable's folder); until then nothing of the sound system is in
        // the process.
        expectSoundSystem(false);
        QVERIFY(!timedPlay(file("noise.wav"), Replace));
        expectSoundSystem(false);
        // A freshly opened device takes the sound, with or without a server:
        // whether one is there is found out on the sound thread.
        QVERIFY(timedPlay(file("good.wav"), Replace));
        expectSoundSystem(true);
        sndPlaySound(QString(), 0);
    }

    // ---------------------------------------------------------- the real sound device

    void deviceStaysQuickAndQuiet()
    {
        // With or without a sound server the calls come back at once; the
        // answer depends on the machine.
        for (int i = 0; i < 3; ++i) timedPlay(file("good.wav"), Flags);
        QTest::qWait(1500); // lets the sound thread find its device, or none
        for (int i = 0; i < 3; ++i) timedPlay(file("good.wav"), Flags);
        // A burst of replacing sounds, unplayable ones mixed in.
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 200; ++i) sndPlaySound(file(i % 3 ? "good.wav" : "noise.wav"), Replace);
#if defined(__SANITIZE_ADDRESS__)
        const qint64 limit = 10000; // the sanitizers slow every call down tenfold
#else
        const qint64 limit = 1000;
#endif
        QVERIFY2(t.elapsed() < limit, qPrintable(QString::number(t.elapsed())));
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
