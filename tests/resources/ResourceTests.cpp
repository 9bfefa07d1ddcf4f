// The module's own resources by name: the cursor table's eight cursors with
// their hot spots, the window-size glyphs and the four wave sounds. Nothing
// here calls Q_INIT_RESOURCE: linking velmora_resources must be enough.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QtEndian>
#include <cstdlib>

#include "toolkit/TScreen.h"
#include "toolkit/TSpeedButton.h"
#include "toolkit/WaveSound.h"

namespace velmora::ui {
namespace {

QByteArray ReadResource(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

class CursorTableTest : public ::testing::Test {
  protected:
    void TearDown() override { TScreen::Instance().ClearCursors(); }
};

TEST_F(CursorTableTest, EightCursorsLoadWithTheirHotSpots) {
    struct tCase {
        tCursor id;
        const char* name;
        QPoint hotSpot;
    };
    // Hands: the palm's centre; pipettes: the tip at the bottom left.
    const tCase cases[] = {
        {1, "OPENHAND", {16, 17}}, {2, "CLOSEHAND", {16, 18}}, {3, "PSHAND", {16, 17}},
        {4, "PSPIPET", {2, 29}},   {5, "PIPETPLUS", {2, 29}},  {6, "PIPETMINUS", {2, 29}},
        {7, "PIPETC", {2, 29}},    {8, "PIPETS", {2, 29}},
    };
    QList<QImage> images;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(TScreen::Instance().LoadCursor(c.id, QString(":/cursors/") + c.name));
        ASSERT_TRUE(TScreen::Instance().HasCursor(c.id));
        const QCursor cursor = TScreen::Instance().Cursor(c.id);
        EXPECT_EQ(cursor.hotSpot(), c.hotSpot);
        const QImage image = cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(32, 32));
        // The hot spot lies on the drawn shape, and the shape has a dark
        // outline around a light fill, so it shows on any background.
        EXPECT_EQ(qAlpha(image.pixel(c.hotSpot)), 255);
        int transparent = 0, dark = 0, light = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QRgb p = image.pixel(x, y);
                if (qAlpha(p) == 0)
                    ++transparent;
                else if (qGray(p) < 64)
                    ++dark;
                else if (qGray(p) > 192)
                    ++light;
            }
        EXPECT_GT(transparent, 400);
        EXPECT_GT(dark, 40);
        EXPECT_GT(light, 40);
        for (const QImage& other : images) EXPECT_NE(image, other);
        images.append(image);
    }
}

TEST(GlyphTest, WindowSizeGlyphsLoadAsButtonGlyphs) {
    const QImage expand(":/glyphs/MIN2MAX");
    const QImage shrink(":/glyphs/MAX2MIN");
    for (const QImage* glyph : {&expand, &shrink}) {
        ASSERT_FALSE(glyph->isNull());
        EXPECT_EQ(glyph->size(), QSize(20, 20));
        EXPECT_TRUE(glyph->hasAlphaChannel());
        EXPECT_EQ(qAlpha(glyph->pixel(10, 0)), 0);  // transparent around the drawing
    }
    EXPECT_NE(expand, shrink);
    TSpeedButton button;
    button.SetGlyph(expand);
    EXPECT_EQ(button.Glyph().size(), QSize(20, 20));
}

TEST(SoundTest, FourShortModestWaveSounds) {
    for (const char* name : {"SHUTTER", "SET", "SHOW", "RECYCLE"}) {
        SCOPED_TRACE(name);
        const QByteArray image = ReadResource(QString(":/sounds/") + name);
        ASSERT_FALSE(image.isEmpty());
        const auto wave = ParseWave(image);
        ASSERT_TRUE(wave.has_value());
        EXPECT_EQ(wave->BitsPerSample, 16);
        EXPECT_FALSE(wave->Float);
        EXPECT_EQ(wave->Channels, 1);
        EXPECT_EQ(wave->SampleRate, 22050);
        const qsizetype frames = wave->DataLength / 2;
        const double seconds = double(frames) / wave->SampleRate;
        EXPECT_GT(seconds, 0.05);
        EXPECT_LT(seconds, 0.6);
        // Peak between -20 and -6 dBFS: audible, never loud.
        int peak = 0;
        const char* samples = image.constData() + wave->DataOffset;
        for (qsizetype i = 0; i < frames; ++i)
            peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(samples + 2 * i))));
        EXPECT_GT(peak, 3276);
        EXPECT_LT(peak, 16422);
        // Faded out: no click at the end.
        EXPECT_LT(std::abs(int(qFromLittleEndian<qint16>(samples + 2 * (frames - 1)))), 600);
    }
}

}  // namespace
}  // namespace velmora::ui
