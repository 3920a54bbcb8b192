#pragma once
// Inside sndPlaySound: reading a wave file into something a sound device
// takes, and the output that plays it. The output is swappable so that tests
// can watch what would be played without a sound device.
#include <QAudioFormat>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace ui::sound {

// Click sounds are short: a file larger than this is not read at all.
constexpr qint64 MaxFileBytes = 8 * 1024 * 1024;

struct Wave {
    QAudioFormat format;
    QByteArray pcm; // whole frames only, never empty

    qint64 durationMs() const { return format.durationForBytes(qint32(pcm.size())) / 1000; }
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

} // namespace ui::sound
