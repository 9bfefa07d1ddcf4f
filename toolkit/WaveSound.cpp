#include "toolkit/WaveSound.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QPointer>
#include <QTimer>
#include <QtEndian>
#include <cstring>

namespace velmora::ui {

namespace {

constexpr quint16 kFormatPcm = 1;
constexpr quint16 kFormatFloat = 3;
constexpr quint16 kFormatExtensible = 0xFFFE;

quint16 U16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}
quint32 U32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}

// Keeps Qt's own diagnostics (a missing sound server, for one) off the
// user's terminal while the sound machinery is touched.
class tQuiet {
  public:
    tQuiet()
        : previous_(
              qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {})) {
    }
    ~tQuiet() { qInstallMessageHandler(previous_); }
    tQuiet(const tQuiet&) = delete;
    tQuiet& operator=(const tQuiet&) = delete;

  private:
    QtMessageHandler previous_;
};

// One sound being played; deletes itself when done or failed.
class tWavePlayer : public QObject {
  public:
    tWavePlayer(const QAudioDevice& device, const QAudioFormat& format, QByteArray samples,
                int durationMs)
        : QObject(QCoreApplication::instance()), samples_(std::move(samples)) {
        buffer_.setBuffer(&samples_);
        buffer_.open(QIODevice::ReadOnly);
        sink_ = new QAudioSink(device, format, this);
        connect(sink_, &QAudioSink::stateChanged, this, [this](QAudio::State state) {
            if (state == QAudio::IdleState || state == QAudio::StoppedState) Finish();
        });
        // Should the device stall, give up a while after the sound's end.
        QTimer::singleShot(durationMs + 2000, this, [this] { Finish(); });
    }

    bool Start() {
        sink_->start(&buffer_);
        return sink_->error() == QAudio::NoError && sink_->state() != QAudio::StoppedState;
    }

  private:
    void Finish() {
        if (finished_) return;
        finished_ = true;
        tQuiet quiet;
        sink_->disconnect(this);
        sink_->stop();
        deleteLater();
    }

    QByteArray samples_;
    QBuffer buffer_;
    QAudioSink* sink_ = nullptr;
    bool finished_ = false;
};

tWaveObserver& Observer() {
    static tWaveObserver observer;
    return observer;
}

}  // namespace

void SetWaveObserver(tWaveObserver observer) {
    Observer() = std::move(observer);
}

std::optional<tWave> ParseWave(const QByteArray& image) {
    const qsizetype size = image.size();
    const char* p = image.constData();
    if (size < 12 || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0)
        return std::nullopt;
    tWave wave;
    bool haveFormat = false;
    quint16 encoding = 0, blockAlign = 0;
    qsizetype at = 12;
    while (at + 8 <= size) {
        const char* chunk = p + at;
        const qsizetype length = U32(chunk + 4);
        const qsizetype body = at + 8;
        const qsizetype available = size - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length < 16 || length > available) return std::nullopt;
            const char* f = p + body;
            encoding = U16(f);
            wave.Channels = U16(f + 2);
            wave.SampleRate = static_cast<int>(U32(f + 4));
            blockAlign = U16(f + 12);
            wave.BitsPerSample = U16(f + 14);
            if (encoding == kFormatExtensible) {
                if (length < 26) return std::nullopt;
                encoding = U16(f + 24);  // first two bytes of the sub-format GUID
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return std::nullopt;
            wave.DataOffset = body;
            wave.DataLength = std::min(length, available);
            break;
        }
        if (length > available) return std::nullopt;
        at = body + length + (length & 1);  // chunks are padded to even sizes
    }
    if (!haveFormat || wave.DataOffset == 0) return std::nullopt;
    const int bits = wave.BitsPerSample;
    if (encoding == kFormatPcm) {
        if (bits != 8 && bits != 16 && bits != 32) return std::nullopt;
    } else if (encoding == kFormatFloat) {
        if (bits != 32) return std::nullopt;
        wave.Float = true;
    } else {
        return std::nullopt;
    }
    if (wave.Channels < 1 || wave.Channels > 8) return std::nullopt;
    if (wave.SampleRate < 1000 || wave.SampleRate > 384000) return std::nullopt;
    if (blockAlign != wave.Channels * bits / 8) return std::nullopt;
    wave.DataLength -= wave.DataLength % blockAlign;
    if (wave.DataLength == 0) return std::nullopt;
    return wave;
}

bool PlayWave(const QByteArray& image) noexcept {
    try {
        if (const tWaveObserver& observer = Observer()) observer(image);
        if (!QCoreApplication::instance()) return false;
        const std::optional<tWave> wave = ParseWave(image);
        if (!wave) return false;
        QAudioFormat format;
        format.setSampleRate(wave->SampleRate);
        format.setChannelCount(wave->Channels);
        switch (wave->BitsPerSample) {
            case 8:
                format.setSampleFormat(QAudioFormat::UInt8);
                break;
            case 16:
                format.setSampleFormat(QAudioFormat::Int16);
                break;
            default:
                format.setSampleFormat(wave->Float ? QAudioFormat::Float : QAudioFormat::Int32);
                break;
        }
        tQuiet quiet;
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull() || !device.isFormatSupported(format)) return false;
        const qsizetype bytesPerSecond =
            static_cast<qsizetype>(wave->SampleRate) * wave->Channels * wave->BitsPerSample / 8;
        const int durationMs =
            static_cast<int>(std::min<qint64>(wave->DataLength * 1000 / bytesPerSecond, 600000));
        auto* player = new tWavePlayer(device, format,
                                       image.mid(wave->DataOffset, wave->DataLength), durationMs);
        if (player->Start()) return true;
        delete player;
        return false;
    } catch (...) {
        return false;
    }
}

}  // namespace velmora::ui
