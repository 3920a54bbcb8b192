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

bool QtBackend::play(const sound::Wave *wave) {
    // The device plays on a thread of its own.
    if (!wave) {
        if (sound::Output *out = output(false)) out->stop();
        return true;
    }
    sound::Output *out = output(true);
    return out && out->play(*wave);
}

std::int64_t QtBackend::milliseconds() {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

} // namespace ui
