#pragma once
// Inside sndPlaySound: reading a wave file into something a sound device
// takes, and the output that plays it. The output is swappable so that tests
// can watch what would be played without a sound device.
//
// The sound device itself lives in a module of its own (sound_backend.cpp),
// loaded at the first sound: the program starts without the sound system's
// libraries. This header is all the program and the module share, so it uses
// nothing of Qt Multimedia.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

namespace ui::sound {

// Click sounds are short: a file larger than this is not read at all.
constexpr qint64 MaxFileBytes = 8 * 1024 * 1024;

// How the samples of a wave are laid out, as a sound device is told it.
struct Format {
    enum SampleFormat { Unknown, UInt8, Int16, Int32, Float };

    int channels = 0;
    int rate = 0;
    SampleFormat sample = Unknown;

    int channelCount() const { return channels; }
    int sampleRate() const { return rate; }
    SampleFormat sampleFormat() const { return sample; }
    int bytesPerFrame() const {
        const int bytes = sample == UInt8 ? 1 : sample == Int16 ? 2 : sample == Unknown ? 0 : 4;
        return bytes * channels;
    }
};

struct Wave {
    Format format;
    QByteArray pcm; // whole frames only, never empty

    qint64 durationMs() const {
        const int frame = format.bytesPerFrame();
        if (frame <= 0 || format.rate <= 0) return 0;
        return qint64(pcm.size() / frame) * 1000 / format.rate;
    }
};

// A RIFF WAVE image: PCM of 8, 16, 24 or 32 bits, or 32-bit float, 1 to 8
// channels. A data chunk cut short plays what is there; anything else
// malformed or empty gives nothing.
std::optional<Wave> parseWave(QByteArrayView bytes);

// The same for a file, without reading files that are not plain files or
// that exceed MaxFileBytes.
std::optional<Wave> readWave(const QString &path);

// Where the sounds go. Every call comes from the user-interface thread.
class Output {
public:
    virtual ~Output() = default;
    // Starts `wave`, replacing a sound still playing. False when there is
    // nothing to play it on.
    virtual bool play(Wave wave) = 0;
    // True from a successful play() until that sound has finished.
    virtual bool playing() const = 0;
    // Ends the sound that plays, if any.
    virtual void stop() = 0;
};

// Makes `output` the one sndPlaySound uses (not owned); nullptr goes back to
// the sound device, which is opened at the first sound played.
void setOutputForTesting(Output *output);

// The sound module's entry point. It makes the output that plays on the
// sound device, or gives nullptr when `interfaceVersion` is not the one it
// was built with (a module left from another build).
constexpr int ModuleInterfaceVersion = 1;
constexpr const char *ModuleEntryPoint = "lunivar_sound_create";
using ModuleCreate = Output *(*)(int interfaceVersion);

// The folders the module is looked for in, in order, by its base name
// "lunivar_sound" (the platform's prefix and suffix are added). By default the
// executable's folder, then the build tree's. Setting them closes the sound
// device, if open, so the next sound loads the module afresh from there;
// nullopt goes back to the default.
void setModuleDirsForTesting(std::optional<QStringList> dirs);

} // namespace ui::sound
