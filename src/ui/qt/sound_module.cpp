// The sound device, in a module of its own that the program loads at the
// first sound (see sound.cpp), so that Qt Multimedia and the sound server's
// libraries are not loaded at start. A wave is played on a thread of its own:
// opening the sound server's stream takes tens of milliseconds and must not
// hold up the window.
#include "sound.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <pulse/context.h>
#include <pulse/mainloop.h>

#include <atomic>
#include <cstring>
#include <memory>

Q_LOGGING_CATEGORY(lcSound, "lunivar.sound", QtWarningMsg)

namespace ui {
namespace sound {

namespace {

QAudioFormat deviceFormat(const Format &f) {
    QAudioFormat q;
    q.setChannelCount(f.channels);
    q.setSampleRate(f.rate);
    switch (f.sample) {
    case Format::UInt8: q.setSampleFormat(QAudioFormat::UInt8); break;
    case Format::Int16: q.setSampleFormat(QAudioFormat::Int16); break;
    case Format::Int32: q.setSampleFormat(QAudioFormat::Int32); break;
    case Format::Float: q.setSampleFormat(QAudioFormat::Float); break;
    case Format::Unknown: break;
    }
    return q;
}

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

// Whether a sound server answers now. Qt connects to the server once, at its
// first use, and never again if that fails: a program started before its
// sound server would stay silent to its end. So Qt is not asked until a
// server answers here, which is asked afresh for each sound until one does.
bool serverAnswers() {
    pa_mainloop *loop = pa_mainloop_new();
    if (!loop) return false;
    pa_context *context = pa_context_new(pa_mainloop_get_api(loop), "Lunivar");
    bool ready = false;
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) >= 0) {
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context);
            ready = state == PA_CONTEXT_READY;
            if (ready || !PA_CONTEXT_IS_GOOD(state) || waited.elapsed() > 2000) break;
            if (pa_mainloop_prepare(loop, 100'000) < 0 || pa_mainloop_poll(loop) < 0 || pa_mainloop_dispatch(loop) < 0)
                break;
        }
        pa_context_disconnect(context);
    }
    if (context) pa_context_unref(context);
    pa_mainloop_free(loop);
    return ready;
}

// What the user-interface thread and the sound thread both look at.
struct Shared {
    std::atomic<quint64> latest{0};   // number of the last sound asked for, or of a stop
    std::atomic<quint64> sounding{0}; // number of the sound not finished yet, or 0
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
        if (!serverFound_) {
            serverFound_ = serverAnswers();
            qCDebug(lcSound) << "sound server" << (serverFound_ ? "answers" : "does not answer");
        }
        const QAudioDevice device = serverFound_ ? QMediaDevices::defaultAudioOutput() : QAudioDevice();
        if (device.isNull()) {
            // No sound server now: this sound is silent; the next one asks again.
            done(id);
            return;
        }
        const QAudioFormat format = deviceFormat(wave.format);
        sink_ = new QAudioSink(device, format, this);
        // A short buffer: the click is heard at once, and the sound counts as
        // over soon after its end.
        sink_->setBufferSize(format.bytesForDuration(BufferUs));
        auto *buffer = new QBuffer(sink_);
        buffer->setData(reinterpret_cast<const char *>(wave.pcm.data()), qsizetype(wave.pcm.size()));
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
    bool serverFound_ = false;
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

} // namespace

} // namespace sound
} // namespace ui

extern "C" Q_DECL_EXPORT ui::sound::Output *lunivar_sound_create(int interfaceVersion) {
    if (interfaceVersion != ui::sound::ModuleInterfaceVersion) return nullptr;
    return new ui::sound::DeviceOutput;
}
