// Click sounds. A wave file is checked and read on the calling thread, which
// is cheap and bounded (small files only), and then handed to the sound
// device. The device is in a module of its own (sound_backend.cpp), loaded
// at the first sound: nothing of the sound system is loaded or touched
// before, so the program starts without its libraries, and a machine without
// a sound server starts as fast as one with it, and says nothing about it.
// Without the module the program is silent.
#include "app.h"
#include "platform.h"
#include "sound_p.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QThread>
#include <QtEndian>

#include <cstring>

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
    w.format.channels = channels;
    w.format.rate = int(rate);
    bool widen24 = false;
    if (tag == FormatPcm && bits == 8) w.format.sample = Format::UInt8;
    else if (tag == FormatPcm && bits == 16) w.format.sample = Format::Int16;
    else if (tag == FormatPcm && bits == 24) w.format.sample = Format::Int32, widen24 = true;
    else if (tag == FormatPcm && bits == 32) w.format.sample = Format::Int32;
    else if (tag == FormatFloat && bits == 32) w.format.sample = Format::Float;
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

// The module is looked for beside the executable, as its real path names it,
// and nowhere else: not in the current folder, not where the environment
// points, not where the program was built.
QStringList defaultModuleDirs() { return {App::Path()}; }

std::optional<QStringList> moduleDirs;
Output *device = nullptr;
bool moduleTried = false; // a module that is missing or fails is tried once
Output *testOutput = nullptr;

// The output from the module's first folder that has one that loads and
// answers to this interface; nullptr when none does. The library stays
// loaded to the process's end.
Output *loadDevice() {
    for (const QString &dir : moduleDirs ? *moduleDirs : defaultModuleDirs()) {
        if (dir.isEmpty()) continue;
        if (!QDir::isAbsolutePath(dir)) continue;
        QLibrary lib(QDir(dir).filePath(QStringLiteral("liblunivar_sound.so")));
        if (!lib.load()) continue;
        const auto create = reinterpret_cast<ModuleCreate>(lib.resolve(ModuleEntryPoint));
        if (Output *out = create ? create(ModuleInterfaceVersion) : nullptr) return out;
        lib.unload();
    }
    return nullptr;
}

void shutdownDevice() {
    delete device;
    device = nullptr;
}

Output *output(bool create) {
    if (testOutput) return testOutput;
    if (!device && create && !moduleTried) {
        moduleTried = true;
        device = loadDevice();
        if (device) qAddPostRoutine(shutdownDevice);
    }
    return device;
}

} // namespace

void setOutputForTesting(Output *o) { testOutput = o; }

void setModuleDirsForTesting(std::optional<QStringList> dirs) {
    moduleDirs = std::move(dirs);
    if (device) {
        qRemovePostRoutine(shutdownDevice);
        shutdownDevice();
    }
    moduleTried = false;
}

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
    // here runs on the user-interface thread. Without the sound module there
    // is silence.
    sound::Output *out = sound::output(true);
    return out && out->play(std::move(*wave));
}

} // namespace ui
