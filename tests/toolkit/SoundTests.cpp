// Wave images from memory: what the reader accepts and refuses, and playing
// them without an audio device or with bad data, quietly.
#include <gtest/gtest.h>

#include <QAudioDevice>
#include <QMediaDevices>
#include <QTest>
#include <QtEndian>
#include <string>

#include "toolkit/WaveSound.h"

namespace velmora::ui {
namespace {

QByteArray U16(int v) {
    QByteArray b(2, 0);
    qToLittleEndian<quint16>(static_cast<quint16>(v), b.data());
    return b;
}

QByteArray U32(qint64 v) {
    QByteArray b(4, 0);
    qToLittleEndian<quint32>(static_cast<quint32>(v), b.data());
    return b;
}

QByteArray Chunk(const char* id, const QByteArray& body, qint64 declared = -1) {
    QByteArray c = QByteArray(id, 4) + U32(declared < 0 ? body.size() : declared) + body;
    if (body.size() & 1) c += '\0';
    return c;
}

QByteArray Format(int encoding, int channels, int rate, int bits, int blockAlign = -1) {
    if (blockAlign < 0) blockAlign = channels * bits / 8;
    return U16(encoding) + U16(channels) + U32(rate) + U32(rate * blockAlign) + U16(blockAlign) +
           U16(bits);
}

QByteArray Riff(const QByteArray& chunks) {
    return "RIFF" + U32(4 + chunks.size()) + "WAVE" + chunks;
}

QByteArray Samples(int n) {
    return QByteArray(n, '\x10');
}

QByteArray PlainWave() {
    return Riff(Chunk("fmt ", Format(1, 1, 8000, 16)) + Chunk("data", Samples(800)));
}

TEST(WaveTest, ReadsTheFormatAndFindsTheSamples) {
    struct Case {
        const char* name;
        QByteArray image;
        int rate, channels, bits;
        bool isFloat;
        qsizetype offset, length;
    };
    const QByteArray extensible =
        Format(0xFFFE, 2, 44100, 16) + U16(10) + U16(16) + U32(3) + U16(1) + QByteArray(14, '\0');
    const Case cases[] = {
        {"16-bit mono", PlainWave(), 8000, 1, 16, false, 44, 800},
        {"8-bit stereo after an odd chunk",
         Riff(Chunk("LIST", "abc") + Chunk("fmt ", Format(1, 2, 11025, 8)) +
              Chunk("data", Samples(100))),
         11025, 2, 8, false, 56, 100},
        {"float", Riff(Chunk("fmt ", Format(3, 1, 48000, 32)) + Chunk("data", Samples(64))), 48000,
         1, 32, true, 44, 64},
        {"extensible PCM", Riff(Chunk("fmt ", extensible) + Chunk("data", Samples(40))), 44100, 2,
         16, false, 68, 40},
        {"data longer than the image, cut to whole frames",
         Riff(Chunk("fmt ", Format(1, 2, 8000, 16)) + Chunk("data", Samples(10), 1000)), 8000, 2,
         16, false, 44, 8},
    };
    for (const Case& c : cases) {
        const std::optional<tWave> wave = ParseWave(c.image);
        ASSERT_TRUE(wave.has_value()) << c.name;
        EXPECT_EQ(wave->SampleRate, c.rate) << c.name;
        EXPECT_EQ(wave->Channels, c.channels) << c.name;
        EXPECT_EQ(wave->BitsPerSample, c.bits) << c.name;
        EXPECT_EQ(wave->Float, c.isFloat) << c.name;
        EXPECT_EQ(wave->DataOffset, c.offset) << c.name;
        EXPECT_EQ(wave->DataLength, c.length) << c.name;
    }
}

TEST(WaveTest, RefusesMalformedAndUnsupportedImages) {
    const QByteArray data = Chunk("data", Samples(100));
    const std::pair<const char*, QByteArray> cases[] = {
        {"empty", QByteArray()},
        {"not RIFF", "RIFX" + PlainWave().mid(4)},
        {"not WAVE", PlainWave().left(8) + "AVI " + PlainWave().mid(12)},
        {"header only", PlainWave().left(12)},
        {"short fmt", Riff(Chunk("fmt ", Format(1, 1, 8000, 16).left(12)) + data)},
        {"fmt beyond the image", Riff(Chunk("fmt ", Format(1, 1, 8000, 16), 400))},
        {"chunk beyond the image",
         Riff(Chunk("junk", "x", 0xFFFFFFF0) + Chunk("fmt ", Format(1, 1, 8000, 16)) + data)},
        {"data before fmt", Riff(data + Chunk("fmt ", Format(1, 1, 8000, 16)))},
        {"no data", Riff(Chunk("fmt ", Format(1, 1, 8000, 16)))},
        {"empty data", Riff(Chunk("fmt ", Format(1, 1, 8000, 16)) + Chunk("data", {}))},
        {"24-bit", Riff(Chunk("fmt ", Format(1, 1, 8000, 24)) + data)},
        {"compressed", Riff(Chunk("fmt ", Format(2, 1, 8000, 4)) + data)},
        {"block size mismatch", Riff(Chunk("fmt ", Format(1, 2, 8000, 16, 2)) + data)},
        {"no channels", Riff(Chunk("fmt ", Format(1, 0, 8000, 16)) + data)},
        {"absurd rate", Riff(Chunk("fmt ", Format(1, 1, 2, 16)) + data)},
    };
    for (const auto& [name, image] : cases) EXPECT_FALSE(ParseWave(image).has_value()) << name;
}

int messages = 0;

TEST(WaveTest, PlayingReturnsAtOnceAndQuietlyWithoutADeviceOrWithBadData) {
    messages = 0;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString&) { ++messages; });
    EXPECT_FALSE(PlayWave("RIFF garbage"));
    EXPECT_FALSE(PlayWave(QByteArray()));
    const bool started = PlayWave(PlainWave());
    EXPECT_EQ(messages, 0);
    const bool haveDevice = !QMediaDevices::defaultAudioOutput().isNull();
    qInstallMessageHandler(previous);
    if (!haveDevice) {
        EXPECT_FALSE(started);
    }
    QTest::qWait(200);  // a started sound plays out and cleans up after itself
}

}  // namespace
}  // namespace velmora::ui
