// Click sounds on Linux. A wave file is checked and read on the calling
// thread, which is cheap and bounded (small files only), and then handed to
// the sound device. The device is in a module of its own, loaded at the
// first sound from the executable's own folder and nowhere else: nothing of
// the sound system is touched before, so the program starts without its
// libraries. Without the module the program is silent.
#include "backend_qt.h"
#include "sound.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QElapsedTimer>
#include <QThread>

namespace ui {

namespace {

sound::Output *device = nullptr;
bool moduleTried = false; // a module that is missing or fails is tried once

void shutdownDevice() {
    delete device;
    device = nullptr;
}

// The output of the module beside the executable (its real path), if it
// loads and answers to this interface. The library stays loaded to the end.
sound::Output *output(bool create) {
    if (device || !create || moduleTried) return device;
    moduleTried = true;
    QLibrary lib(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("liblunivar_sound.so")));
    if (!lib.load()) return nullptr;
    const auto make = reinterpret_cast<sound::ModuleCreate>(lib.resolve(sound::ModuleEntryPoint));
    device = make ? make(sound::ModuleInterfaceVersion) : nullptr;
    if (device) qAddPostRoutine(shutdownDevice);
    else lib.unload();
    return device;
}

} // namespace

void QtBackend::finishSound(int maxMs) {
    // Until the device says the sound is over, or it should be by its length
    // (and the device's latency): never long without a sound server.
    sound::Output *out = output(false);
    QElapsedTimer waited;
    waited.start();
    while (out && out->playing() && !soundEnds.hasExpired() && waited.elapsed() < maxMs) QThread::msleep(5);
}

bool QtBackend::playSound(const String &path, unsigned flags) {
    if (path.empty()) {
        // No file: the sound that plays stops.
        if (sound::Output *out = output(false)) out->stop();
        return true;
    }
    sound::Output *current = output(false);
    if ((flags & SND_NOSTOP) && current && current->playing()) return false;
    std::optional<sound::Wave> wave = sound::readWave(path);
    // There is no default sound to fall back on: SND_NODEFAULT or not, a
    // file that cannot be played is silence. SND_ASYNC or not, the caller
    // never waits: the device plays on a thread of its own.
    if (!wave) return false;
    sound::Output *out = output(true);
    const qint64 lengthMs = wave->durationMs();
    if (!out || !out->play(std::move(*wave))) return false;
    soundEnds = QDeadlineTimer(lengthMs + 250);
    return true;
}

} // namespace ui
