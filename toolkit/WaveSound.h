// Wave sounds from memory: reading a RIFF WAVE image and playing it
// asynchronously on the default audio output.
#pragma once

#include <QByteArray>
#include <functional>
#include <optional>

namespace velmora::ui {

/// Format and sample data of a wave image: integer PCM of 8, 16 or 32 bits
/// or 32-bit floating point, 1 to 8 channels.
struct tWave {
    int SampleRate = 0;
    int Channels = 0;
    int BitsPerSample = 0;
    bool Float = false;
    /// The whole sample frames, as bytes of the image: [offset, offset+length).
    qsizetype DataOffset = 0;
    qsizetype DataLength = 0;
};

/// Reads the "fmt " and "data" chunks of a RIFF WAVE image. Nothing for an
/// image that is malformed, truncated before its samples or of another
/// encoding. A data chunk longer than the image is cut to what is there.
std::optional<tWave> ParseWave(const QByteArray& image);

/// Starts playing a wave image (copied) and returns at once. Without an
/// audio device, with an unreadable image or on any error nothing is
/// played and nothing is reported: the answer only says whether it started.
bool PlayWave(const QByteArray& image) noexcept;

/// Called with every image PlayWave is asked to play, before it tries to,
/// so that code whose only output is a sound can be observed (with or
/// without an audio device). Empty by default; set it to {} to remove it.
using tWaveObserver = std::function<void(const QByteArray& image)>;
void SetWaveObserver(tWaveObserver observer);

}  // namespace velmora::ui
