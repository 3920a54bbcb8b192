// Click sounds. A wave file is checked and read on the calling thread, which
// is cheap and bounded (small files only), and then played on a thread of
// its own: opening the sound server's stream takes tens of milliseconds and
// must not hold up the window. Nothing of the sound system is touched before
// the first sound, so a machine without a sound server starts as fast as one
// with it, and says nothing about it.
#include "platform.h"
#include "sound_p.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <atomic>
#include <cstring>
#include <memory>

Q_LOGGING_CATEGORY(lcSound, "lunivar.sound", QtWarningMsg)

namespace ui {
namespace sound {

// ---------------------------------------------------------------- wave files

namespace {

quint16 le16(const char *p) { return qFromLittleEndian<quint16>(p); }
quint32 le32(const char *p) { return qFromLittleEndian<quint32>(p); }

constexpr quint16 FormatPcm = 1, FormatFloat = 3, FormatExtensible = 0xFFFE;

} // namespace

std::optional<Wave> parseWave(QByteArrayView bytes) {
    const char *b = bytes.data();
    const qint64 size = bytes.size();
    if (size < 12 || std::memcmp(b, "RIFF", 4) != 0 || std::memcmp(b + 8, "WAVE", 4) != 0) return std::nullopt;

    const char *fmt = nullptr;
    qint64 fmtSize = 0, dataAt = -1, dataSize = 0;
    for (qint64 at = 12; at + 8 <= size;) {
        const qint64 body = at + 8;
        const qint64 declared = le32(b + at + 4);
        const qint64 present = std::min(declared, size - body);
        if (std::memcmp(b + at, "fmt ", 4) == 0) {
            fmt = b + body;
            fmtSize = present;
        } else if (std::memcmp(b + at, "data", 4) == 0 && dataAt < 0) {
            dataAt = body;
            dataSize = present; // a file cut short plays what it has
        }
        if (fmt && dataAt >= 0) break;
        at = body + declared + (declared & 1);
    }
    if (!fmt || fmtSize < 16 || dataAt < 0) return std::nullopt;

    quint16 tag = le16(fmt);
    const int channels = le16(fmt + 2);
    const qint64 rate = le32(fmt + 4);
    const int blockAlign = le16(fmt + 12);
    const int bits = le16(fmt + 14);
    if (tag == FormatExtensible) {
        // The sub-format's first two bytes carry the plain format tag.
        if (fmtSize < 40) return std::nullopt;
        tag = le16(fmt + 24);
    }
    if (channels < 1 || channels > 8 || rate < 1000 || rate > 192000) return std::nullopt;
    if (bits % 8 != 0 || blockAlign != channels * (bits / 8)) return std::nullopt;

    Wave w;
    w.format.setChannelCount(channels);
    w.format.setSampleRate(int(rate));
    bool widen24 = false;
    if (tag == FormatPcm && bits == 8) w.format.setSampleFormat(QAudioFormat::UInt8);
    else if (tag == FormatPcm && bits == 16) w.format.setSampleFormat(QAudioFormat::Int16);
    else if (tag == FormatPcm && bits == 24) w.format.setSampleFormat(QAudioFormat::Int32), widen24 = true;
    else if (tag == FormatPcm && bits == 32) w.format.setSampleFormat(QAudioFormat::Int32);
    else if (tag == FormatFloat && bits == 32) w.format.setSampleFormat(QAudioFormat::Float);
    else return std::nullopt;

    const qint64 frames = dataSize / blockAlign;
    if (frames <= 0) return std::nullopt;
    const char *data = b + dataAt;
    if (widen24) {
        // Each three-byte sample becomes the top three bytes of a 32-bit one.
        const qint64 samples = frames * channels;
        w.pcm.resize(samples * 4);
        char *out = w.pcm.data();
        for (qint64 i = 0; i < samples; ++i) {
            const quint32 v = quint32(quint8(data[3 * i])) << 8 | quint32(quint8(data[3 * i + 1])) << 16
                              | quint32(quint8(data[3 * i + 2])) << 24;
            qToLittleEndian<quint32>(v, out + 4 * i);
        }
    } else {
        w.pcm = QByteArray(data, frames * blockAlign);
    }
    return w;
}

std::optional<Wave> readWave(const QString &path) {
    // Only plain files of a sensible size: a directory, a device or a pipe
    // (which would block on open) is never opened.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() <= 0 || info.size() > MaxFileBytes) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.read(MaxFileBytes + 1);
    if (bytes.isEmpty() || bytes.size() > MaxFileBytes) return std::nullopt; // grew meanwhile
    return parseWave(bytes);
}

// ---------------------------------------------------------------- the sound device

namespace {

// The sound system's complaints (no server, a stream that failed) are of no
// use to the person clicking; QT_LOGGING_RULES=lunivar.sound.debug=true shows them.
QtMessageHandler previousHandler = nullptr;

void quietSoundMessages(QtMsgType type, const QMessageLogContext &ctx, const QString &msg) {
    const bool fromSound = (ctx.category && std::strncmp(ctx.category, "qt.multimedia", 13) == 0)
                           || msg.startsWith(QLatin1String("PulseAudioService:"))
                           || msg.startsWith(QLatin1String("QAudioSink:"))
                           || msg == QLatin1String("No audio device detected");
    if (fromSound && type != QtFatalMsg && !lcSound().isDebugEnabled()) return;
    if (previousHandler) previousHandler(type, ctx, msg);
}

// What the user-interface thread and the sound thread both look at.
struct Shared {
    std::atomic<quint64> latest{0};   // number of the last sound asked for, or of a stop
    std::atomic<quint64> sounding{0}; // number of the sound not finished yet, or 0
    std::atomic<bool> noDevice{false};
};

// Lives on the sound thread; owns the sink of the sound that plays.
class Player : public QObject {
    static constexpr qint64 BufferUs = 60'000;

public:
    explicit Player(std::shared_ptr<Shared> shared) : s_(std::move(shared)) {
        guard_.setSingleShot(true);
        QObject::connect(&guard_, &QTimer::timeout, this, [this] { finish(playing_); });
    }
    ~Player() override { release(); }

    void start(const Wave &wave, quint64 id) {
        if (id != s_->latest.load()) return; // a later sound or a stop came meanwhile
        release();
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull()) {
            s_->noDevice = true;
            done(id);
            return;
        }
        sink_ = new QAudioSink(device, wave.format, this);
        // A short buffer: the click is heard at once, and the sound counts as
        // over soon after its end.
        sink_->setBufferSize(wave.format.bytesForDuration(BufferUs));
        auto *buffer = new QBuffer(sink_);
        buffer->setData(wave.pcm);
        buffer->open(QIODevice::ReadOnly);
        playing_ = id;
        lengthMs_ = wave.durationMs();
        QObject::connect(sink_, &QAudioSink::stateChanged, this, [this, id](QAudio::State state) {
            if (id != playing_ || !sink_) return;
            qCDebug(lcSound) << "state" << state << "after" << started_.elapsed() << "ms, error" << sink_->error();
            if (state == QAudio::IdleState) drain();
            else if (state == QAudio::StoppedState && sink_->error() != QAudio::NoError) finish(id);
        });
        started_.start();
        sink_->start(buffer);
        if (!sink_) return; // over already
        qCDebug(lcSound) << "playing" << wave.pcm.size() << "bytes," << lengthMs_ << "ms, device buffer"
                         << sink_->bufferSize() << "bytes, state" << sink_->state();
        if (sink_->state() == QAudio::StoppedState || sink_->error() != QAudio::NoError) {
            finish(id);
            return;
        }
        // Should the device never report the end, the sound still counts as
        // over a little after its length, so later sounds are not refused.
        guard_.start(int(std::min<qint64>(wave.durationMs(), 60'000)) + 2000);
    }

    void stopAll() {
        const quint64 id = playing_;
        release();
        done(id);
    }

private:
    // All of the sound has been handed to the device, but what the device
    // buffers has still to be heard: stopping now would cut it off.
    void drain() {
        const qint64 bufferedMs = sink_->format().durationForBytes(sink_->bufferSize()) / 1000;
        const qint64 leftMs = std::max(lengthMs_ - started_.elapsed(), qint64(0)) + bufferedMs + 20;
        guard_.start(int(std::min<qint64>(leftMs, 10'000)));
    }
    void finish(quint64 id) {
        if (id != playing_) return;
        release();
        done(id);
    }
    void done(quint64 id) {
        // Only the sound asked for last can clear the mark: a later one may
        // have been asked for meanwhile.
        quint64 expected = id;
        s_->sounding.compare_exchange_strong(expected, 0);
    }
    void release() {
        guard_.stop();
        playing_ = 0;
        if (!sink_) return;
        QAudioSink *sink = sink_;
        sink_ = nullptr;
        sink->disconnect(this);
        sink->stop();
        sink->deleteLater(); // may be inside its own signal
    }

    std::shared_ptr<Shared> s_;
    QAudioSink *sink_ = nullptr;
    quint64 playing_ = 0;
    qint64 lengthMs_ = 0;
    QElapsedTimer started_;
    QTimer guard_{this};
};

class DeviceOutput final : public Output {
public:
    DeviceOutput() {
        static const bool quiet = [] {
            previousHandler = qInstallMessageHandler(quietSoundMessages);
            return true;
        }();
        (void)quiet;
        thread_ = new QThread;
        thread_->setObjectName(QStringLiteral("lunivar sound"));
        player_ = new Player(s_);
        player_->moveToThread(thread_);
        QObject::connect(thread_, &QThread::finished, player_, &QObject::deleteLater);
        thread_->start();
    }

    bool play(Wave wave) override {
        if (s_->noDevice) return false;
        const quint64 id = ++s_->latest;
        s_->sounding = id;
        QMetaObject::invokeMethod(player_, [p = player_, w = std::move(wave), id] { p->start(w, id); },
                                  Qt::QueuedConnection);
        return true;
    }

    bool playing() const override { return s_->sounding != 0; }

    void stop() override {
        ++s_->latest;
        s_->sounding = 0;
        QMetaObject::invokeMethod(player_, [p = player_] { p->stopAll(); }, Qt::QueuedConnection);
    }

    // At the application's end the thread goes, unless the sound system
    // holds it: then it is left to the process's exit.
    ~DeviceOutput() override {
        thread_->quit();
        if (thread_->wait(2000)) delete thread_;
    }

private:
    std::shared_ptr<Shared> s_ = std::make_shared<Shared>();
    QThread *thread_ = nullptr;
    Player *player_ = nullptr;
};

DeviceOutput *device = nullptr;
Output *testOutput = nullptr;

void shutdownDevice() {
    delete device;
    device = nullptr;
}

Output *output(bool create) {
    if (testOutput) return testOutput;
    if (!device && create) {
        device = new DeviceOutput;
        qAddPostRoutine(shutdownDevice);
    }
    return device;
}

} // namespace

void setOutputForTesting(Output *o) { testOutput = o; }

} // namespace sound

bool sndPlaySound(const QString &path, unsigned flags) {
    // Only the user-interface thread of a running application plays sounds.
    if (!QCoreApplication::instance() || QThread::currentThread() != QCoreApplication::instance()->thread())
        return false;
    if (path.isEmpty()) {
        // No file: the sound that plays stops.
        if (sound::Output *out = sound::output(false)) out->stop();
        return true;
    }
    sound::Output *current = sound::output(false);
    if ((flags & SND_NOSTOP) && current && current->playing()) return false;
    std::optional<sound::Wave> wave = sound::readWave(path);
    // There is no default sound to fall back on, so SND_NODEFAULT or not, a
    // file that cannot be played is silence.
    if (!wave) return false;
    // SND_ASYNC or not, the caller never waits for the sound: everything
    // here runs on the user-interface thread.
    return sound::output(true)->play(std::move(*wave));
}

} // namespace ui
