#include "graphics/BigBitmap.h"
#include "model/Background.h"
#include "settings/Stream.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace vellora;

namespace {

TColor rgb(int r, int g, int b) { return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16); }

// At 25.4 dpi one millimetre is one pixel.
constexpr double kPixelPerMM = 25.4;

TFloatRect mmRect(double l, double t, double r, double b) { return FloatRect(l, t, r, b); }

QImage canvasImage(int w, int h, QColor colour = Qt::black)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

template <typename Drawable>
QImage render(const Drawable &d, QImage image, double dpi, const TFloatRect &rect, bool preview = false)
{
    QPainter p(&image);
    d.Draw(p, dpi, rect, preview);
    p.end();
    return image;
}

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// A 200 × 100 picture: left half red, right half blue, one green pixel in
// the middle of each half.
QImage halves()
{
    QImage image(200, 100, QImage::Format_RGB888);
    QPainter p(&image);
    p.fillRect(0, 0, 100, 100, Qt::red);
    p.fillRect(100, 0, 100, 100, Qt::blue);
    return image;
}

} // namespace

TEST(Background, ClearLevelAlphaRoundsHalvesToEven)
{
    const std::pair<int, int> cases[] = {{0, 255}, {10, 230}, {30, 178}, {50, 128}, {70, 76},
                                         {90, 26}, {100, 0}, {1, 252}, {99, 3}, {200, 0}};
    for (auto [level, alpha] : cases)
        EXPECT_EQ(ClearLevelAlpha(static_cast<std::uint8_t>(level)), alpha) << level;
}

TEST(Background, SettersStoreChangesOnlyAndNotifyTheOwner)
{
    TBackground background;
    int changes = 0;
    background.SetOnChange([&](void *) { ++changes; });
    TBackFill &fill = background.Fill();
    fill.SetColor(clWhite);  // the default: no change
    fill.SetClearLevel(150);
    EXPECT_EQ(fill.ClearLevel(), 100);
    fill.SetClearLevel(100);
    fill.SetStyle(TFillStyle::fisSolid);
    fill.SetBitmap(QImage());  // pictures always count as changed
    EXPECT_EQ(changes, 3);

    TFrames &frame = background.Frame();
    frame.SetWidth(-2);
    EXPECT_EQ(frame.Width(), 0);
    frame.SetWidth(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(frame.Width(), 0);
    EXPECT_EQ(changes, 3);
    frame.SetWidth(0.3);
    frame.SetEndCap(TFrameEndCap::fecFlat);
    EXPECT_EQ(changes, 5);

    TBackground copy;
    copy.Assign(background);
    EXPECT_EQ(copy.Fill().ClearLevel(), 100);
    EXPECT_EQ(copy.Fill().Style(), TFillStyle::fisSolid);
    EXPECT_EQ(copy.Frame().EndCap(), TFrameEndCap::fecFlat);
}

TEST(Background, InvisibleFillsDrawNothingOnPagesAndTheMarkInPreviews)
{
    test::testFontFamily();
    for (auto [style, level] : {std::pair{TFillStyle::fisNone, 0}, std::pair{TFillStyle::fisSolid, 100}}) {
        TBackFill fill;
        fill.SetStyle(style);
        fill.SetClearLevel(static_cast<std::uint8_t>(level));
        fill.SetColor(rgb(255, 0, 0));
        const QImage page = render(fill, canvasImage(120, 60), kPixelPerMM, mmRect(10, 10, 110, 50));
        EXPECT_EQ(page, canvasImage(120, 60));

        QImage preview = canvasImage(120, 60);
        {
            QPainter p(&preview);
            p.setFont(QFont(test::testFontFamily(), 12));
            fill.Draw(p, kPixelPerMM, mmRect(10, 10, 110, 50), true);
        }
        int silver = 0, white = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 120; ++x) {
                const QRgb c = preview.pixel(x, y);
                const bool inside = x >= 10 && x < 110 && y >= 10 && y < 50;
                if (!inside)
                    EXPECT_EQ(c, qRgb(0, 0, 0)) << x << "," << y;
                else if (c == qRgb(255, 255, 255))
                    ++white;
                else if (qRed(c) >= 0xC0 && qRed(c) == qGreen(c) && qGreen(c) == qBlue(c))
                    ++silver;
            }
        EXPECT_GT(silver, 20);  // the text, in silver on white
        EXPECT_EQ(silver + white, 100 * 40);
        // The mark is centred: nothing of it near the rectangle's edges.
        EXPECT_EQ(preview.pixel(12, 30), qRgb(255, 255, 255));
        EXPECT_EQ(preview.pixel(107, 30), qRgb(255, 255, 255));
    }
}

TEST(Background, SolidFillsBlendWithTheClearLevelsAlpha)
{
    TBackFill fill;
    fill.SetStyle(TFillStyle::fisSolid);
    fill.SetColor(rgb(255, 255, 255));
    for (auto [level, alpha] : {std::pair{0, 255}, std::pair{30, 178}, std::pair{90, 26}}) {
        fill.SetClearLevel(static_cast<std::uint8_t>(level));
        const QImage out = render(fill, canvasImage(20, 20), kPixelPerMM, mmRect(2, 3, 12, 13));
        EXPECT_TRUE(near(out.pixel(2, 3), qRgb(alpha, alpha, alpha), 1)) << level << ": " << qRed(out.pixel(2, 3));
        EXPECT_TRUE(near(out.pixel(11, 12), qRgb(alpha, alpha, alpha), 1)) << level;
        EXPECT_EQ(out.pixel(12, 12), qRgb(0, 0, 0));
        EXPECT_EQ(out.pixel(11, 13), qRgb(0, 0, 0));
    }
}

TEST(Background, GradientFillsStayInsideTheirRectangle)
{
    TBackFill fill;
    fill.SetStyle(TFillStyle::fisGradient);
    fill.SetColor(rgb(0, 0, 0));
    fill.SetEndColor(rgb(110, 0, 220));
    for (int level : {0, 50}) {
        fill.SetClearLevel(static_cast<std::uint8_t>(level));
        const QImage out = render(fill, canvasImage(14, 6, Qt::green), kPixelPerMM, mmRect(1, 1, 11, 5));
        // Ten columns of eleven steps (Right is a column of the painter too).
        const double a = ClearLevelAlpha(static_cast<std::uint8_t>(level)) / 255.0;
        for (int x = 1; x < 11; ++x) {
            const QRgb expected = qRgb(int(std::lround(10 * (x - 1) * a)), int(std::lround(255 * (1 - a))),
                                       int(std::lround(20 * (x - 1) * a)));
            EXPECT_TRUE(near(out.pixel(x, 2), expected, 1)) << level << " x=" << x;
        }
        EXPECT_EQ(out.pixel(11, 2), QColor(Qt::green).rgb()) << level;
        EXPECT_EQ(out.pixel(5, 5), QColor(Qt::green).rgb()) << level;
    }
}

TEST(Background, ProportionalPicturesFitOrCoverTheRectangle)
{
    TBackFill fill;
    fill.SetStyle(TFillStyle::fisImage);
    fill.SetImageDrawStyle(TImageDrawMode::idmProportional);
    fill.SetColor(rgb(255, 255, 0));
    fill.SetBitmap(halves());

    // Fit: 100 × 50 at (0, 25), yellow above and below.
    QImage out = render(fill, canvasImage(100, 100), kPixelPerMM, mmRect(0, 0, 100, 100));
    EXPECT_EQ(out.pixel(50, 24), qRgb(255, 255, 0));
    EXPECT_EQ(out.pixel(49, 25), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(50, 74), qRgb(0, 0, 255));
    EXPECT_EQ(out.pixel(50, 75), qRgb(255, 255, 0));

    // Cover: 200 × 100 at x = −50, so the split of the halves is in the middle.
    fill.SetOverAll(true);
    out = render(fill, canvasImage(100, 100), kPixelPerMM, mmRect(0, 0, 100, 100));
    EXPECT_EQ(out.pixel(49, 0), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(50, 99), qRgb(0, 0, 255));
    EXPECT_EQ(out.pixel(0, 50), qRgb(255, 0, 0));
}

TEST(Background, OriginAndTiledPicturesArePlacedByWholePixels)
{
    QImage picture(3, 2, QImage::Format_RGB888);
    picture.fill(Qt::red);
    picture.setPixel(0, 0, qRgb(0, 0, 255));
    TBackFill fill;
    fill.SetStyle(TFillStyle::fisImage);
    fill.SetBitmap(picture);
    fill.SetColor(rgb(255, 255, 255));

    // Origin: at ((8 − 3) div 2, (5 − 2) div 2) = (2, 1).
    QImage out = render(fill, canvasImage(8, 5), kPixelPerMM, mmRect(0, 0, 8, 5));
    EXPECT_EQ(out.pixel(2, 1), qRgb(0, 0, 255));
    EXPECT_EQ(out.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_EQ(out.pixel(4, 2), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(5, 2), qRgb(255, 255, 255));

    // Tiles from the top-left corner, the last ones cut.
    fill.SetImageDrawStyle(TImageDrawMode::idmTile);
    out = render(fill, canvasImage(8, 5), kPixelPerMM, mmRect(0, 0, 8, 5));
    for (auto [x, y] : {std::pair{0, 0}, std::pair{3, 0}, std::pair{6, 2}, std::pair{3, 4}})
        EXPECT_EQ(out.pixel(x, y), qRgb(0, 0, 255)) << x << "," << y;
    EXPECT_EQ(out.pixel(7, 4), qRgb(255, 0, 0));
}

TEST(Background, TransparentPicturesKeepTheCanvasWhereTheKeyColourIs)
{
    // Picture: key colour (green) on the left, grey 200 on the right.
    QImage picture(4, 2, QImage::Format_RGB888);
    picture.fill(qRgb(200, 200, 200));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            picture.setPixel(x, y, qRgb(0, 255, 0));
    TBackFill fill;
    fill.SetStyle(TFillStyle::fisImage);
    fill.SetImageDrawStyle(TImageDrawMode::idmStretch);
    fill.SetBitmap(picture);
    fill.SetTransparent(true);
    fill.SetTransparentColor(rgb(0, 255, 0));
    const QColor canvasColour(100, 50, 0);

    QImage out = render(fill, canvasImage(8, 4, canvasColour), kPixelPerMM, mmRect(0, 0, 8, 4));
    EXPECT_EQ(out.pixel(1, 1), canvasColour.rgb());
    EXPECT_EQ(out.pixel(6, 1), qRgb(200, 200, 200));

    // Level 40: (canvas × 40 + picture × 60) div 100 on the picture's pixels.
    fill.SetClearLevel(40);
    out = render(fill, canvasImage(8, 4, canvasColour), kPixelPerMM, mmRect(0, 0, 8, 4));
    EXPECT_EQ(out.pixel(1, 1), canvasColour.rgb());
    EXPECT_EQ(out.pixel(6, 1), qRgb(160, 140, 120));

    // Through a recording, which cannot be read back, the device blends.
    QPicture recording;
    {
        QPainter p(&recording);
        fill.Draw(p, kPixelPerMM, mmRect(0, 0, 8, 4), false);
    }
    QImage replayed = canvasImage(8, 4, canvasColour);
    {
        QPainter p(&replayed);
        recording.play(&p);
    }
    EXPECT_EQ(replayed.pixel(1, 1), canvasColour.rgb());
    EXPECT_TRUE(near(replayed.pixel(6, 1), qRgb(160, 140, 120), 1));

    // Not transparent: the picture on its background colour, blended as a whole.
    fill.SetTransparent(false);
    fill.SetClearLevel(0);
    out = render(fill, canvasImage(8, 4, canvasColour), kPixelPerMM, mmRect(0, 0, 8, 4));
    EXPECT_EQ(out.pixel(1, 1), qRgb(0, 255, 0));
}

TEST(Background, FramesAreOnePixelOrAGeometricPenInsideTheShrunkRectangle)
{
    TFrames frame;
    frame.SetStyle(TFrameStyle::frsSolid);
    frame.SetColor(rgb(255, 0, 0));
    frame.SetWidth(0.3);

    // 96 dpi: MMToPixel gives 1, a cosmetic outline on R's edge pixels.
    const TFloatRect rect = mmRect(0, 0, 20, 10);  // 0..76 × 0..38 pixels
    QImage out = render(frame, canvasImage(80, 40), 96, rect);
    EXPECT_EQ(out.pixel(0, 20), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(75, 20), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(40, 37), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(1, 20), qRgb(0, 0, 0));
    EXPECT_EQ(out.pixel(76, 20), qRgb(0, 0, 0));

    // 600 dpi: a 7-pixel pen centred on R shrunk by 7, so it covers 4 … 10.
    out = render(frame, canvasImage(480, 240), 600, rect);
    for (int x = 0; x < 14; ++x) {
        const bool pen = x >= 4 && x <= 10;
        EXPECT_EQ(out.pixel(x, 120), pen ? qRgb(255, 0, 0) : qRgb(0, 0, 0)) << x;
    }

    // No frame: nothing on a page, a dotted silver outline in a preview.
    frame.SetStyle(TFrameStyle::frsNone);
    EXPECT_EQ(render(frame, canvasImage(80, 40), 96, rect), canvasImage(80, 40));
    out = render(frame, canvasImage(80, 40), 96, rect, true);
    int silver = 0, gaps = 0;
    for (int x = 0; x < 76; ++x)
        (out.pixel(x, 0) == qRgb(0xC0, 0xC0, 0xC0) ? silver : gaps)++;
    EXPECT_GT(silver, 15);
    EXPECT_GT(gaps, 15);
}

TEST(Background, StreamRecordsRoundTrip)
{
    TBackground source;
    TBackFill &fill = source.Fill();
    fill.SetColor(rgb(1, 2, 3));
    fill.SetEndColor(rgb(4, 5, 6));
    fill.SetStyle(TFillStyle::fisImage);
    fill.SetBitmap(halves());
    fill.SetClearLevel(30);
    fill.SetGradientDirection(TGradientDirection::gdVertical);
    fill.SetImageDrawStyle(TImageDrawMode::idmTile);
    fill.SetTransparent(true);
    fill.SetTransparentColor(rgb(7, 8, 9));
    fill.SetOverAll(true);
    TFrames &frame = source.Frame();
    frame.SetColor(rgb(10, 11, 12));
    frame.SetStyle(TFrameStyle::frsDashDot);
    frame.SetWidth(0.75);
    frame.SetEndCap(TFrameEndCap::fecSquare);
    frame.SetJoinStyle(TFrameJoinStyle::fjsMiter);

    TMemoryStream stream;
    source.SaveToStream(stream);
    const QByteArray &bytes = stream.Data();
    // Colour, end colour, style, then the picture as a BMP file image.
    ASSERT_GT(bytes.size(), 13);
    const auto length = static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[9]))
        | (static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[10])) << 8)
        | (static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[11])) << 16)
        | (static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[12])) << 24);
    EXPECT_EQ(bytes.mid(13, 2), QByteArray("BM"));
    EXPECT_EQ(qsizetype(13 + length + 9 + 15), bytes.size());
    EXPECT_FALSE(QImage::fromData(bytes.mid(13, length), "BMP").isNull());

    TBackground copy;
    stream.SetPosition(0);
    copy.LoadFromStream(stream, true);
    EXPECT_EQ(stream.Remaining(), 0);
    const TBackFill &f = copy.Fill();
    EXPECT_EQ(f.Color(), rgb(1, 2, 3));
    EXPECT_EQ(f.EndColor(), rgb(4, 5, 6));
    EXPECT_EQ(f.Style(), TFillStyle::fisImage);
    EXPECT_EQ(f.Bitmap().convertToFormat(QImage::Format_RGB32), halves().convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(f.ClearLevel(), 30);
    EXPECT_EQ(f.GradientDirection(), TGradientDirection::gdVertical);
    EXPECT_EQ(f.ImageDrawStyle(), TImageDrawMode::idmTile);
    EXPECT_TRUE(f.Transparent());
    EXPECT_EQ(f.TransparentColor(), rgb(7, 8, 9));
    EXPECT_TRUE(f.OverAll());
    const TFrames &r = copy.Frame();
    EXPECT_EQ(r.Color(), rgb(10, 11, 12));
    EXPECT_EQ(r.Style(), TFrameStyle::frsDashDot);
    EXPECT_EQ(r.Width(), 0.75);
    EXPECT_EQ(r.EndCap(), TFrameEndCap::fecSquare);
    EXPECT_EQ(r.JoinStyle(), TFrameJoinStyle::fjsMiter);

    // An empty picture is stored as length 0 and read back as none.
    TBackground empty;
    TMemoryStream second;
    empty.SaveToStream(second);
    EXPECT_EQ(second.Data().mid(9, 4), QByteArray(4, '\0'));
    second.SetPosition(0);
    copy.LoadFromStream(second, true);
    EXPECT_TRUE(copy.Fill().Bitmap().isNull() || copy.Fill().Style() == TFillStyle::fisNone);
    EXPECT_EQ(copy.Frame().Style(), TFrameStyle::frsNone);
}

TEST(Background, LegacyRecordsKeepTheFieldsTheyDoNotHold)
{
    TMemoryStream stream;
    stream.WriteU32(rgb(1, 2, 3));
    stream.WriteU32(rgb(4, 5, 6));
    stream.WriteU8(Ord(TFillStyle::fisGradient));
    stream.WriteU32(rgb(7, 8, 9));
    stream.WriteU8(Ord(TFrameStyle::frsDot));
    stream.WriteExtended(1.5L);
    stream.WriteU8(Ord(TGradientDirection::gdVertical));
    stream.SetPosition(0);

    TBackground background;
    background.Fill().SetClearLevel(20);
    background.Fill().SetTransparent(true);
    background.Frame().SetEndCap(TFrameEndCap::fecFlat);
    background.LoadFromStream(stream, false);
    EXPECT_EQ(stream.Remaining(), 0);
    EXPECT_EQ(background.Fill().Color(), rgb(1, 2, 3));
    EXPECT_EQ(background.Fill().EndColor(), rgb(4, 5, 6));
    EXPECT_EQ(background.Fill().Style(), TFillStyle::fisGradient);
    EXPECT_EQ(background.Fill().GradientDirection(), TGradientDirection::gdVertical);
    EXPECT_EQ(background.Fill().ClearLevel(), 20);
    EXPECT_TRUE(background.Fill().Transparent());
    EXPECT_EQ(background.Frame().Color(), rgb(7, 8, 9));
    EXPECT_EQ(background.Frame().Style(), TFrameStyle::frsDot);
    EXPECT_EQ(background.Frame().Width(), 1.5);
    EXPECT_EQ(background.Frame().EndCap(), TFrameEndCap::fecFlat);
}

TEST(Background, DamagedRecordsAreRejected)
{
    TBackground good;
    good.Fill().SetStyle(TFillStyle::fisImage);
    good.Fill().SetBitmap(halves());
    TMemoryStream stream;
    good.SaveToStream(stream);
    const QByteArray bytes = stream.Data();

    auto load = [](QByteArray data) {
        TMemoryStream s(std::move(data));
        TBackground b;
        b.LoadFromStream(s, true);
    };
    QByteArray badStyle = bytes;
    badStyle[8] = 9;
    EXPECT_THROW(load(badStyle), FormatError);
    QByteArray longPicture = bytes;
    longPicture[12] = '\x7f';  // picture length far beyond the stream
    EXPECT_THROW(load(longPicture), EReadError);
    QByteArray brokenPicture = bytes;
    brokenPicture[13] = 'X';
    EXPECT_THROW(load(brokenPicture), EBigBitmapError);
    EXPECT_THROW(load(bytes.left(bytes.size() - 1)), EReadError);
}

// Rendered samples compared with reference images that were checked by eye.
// VELLORA_WRITE_REFERENCES=1 writes new references into testdata/fills/.
TEST(Background, RenderedSamplesMatchTheReferenceImages)
{
    QImage tile(16, 16, QImage::Format_RGB888);
    tile.fill(qRgb(250, 240, 200));
    {
        QPainter p(&tile);
        p.fillRect(0, 0, 8, 8, QColor(40, 90, 160));
        p.fillRect(8, 8, 8, 8, QColor(200, 60, 40));
    }
    struct Sample {
        const char *name;
        std::function<void(TBackground &)> setUp;
    };
    const Sample samples[] = {
        {"gradient-horizontal", [](TBackground &b) {
             b.Fill().SetStyle(TFillStyle::fisGradient);
             b.Fill().SetColor(rgb(20, 60, 160));
             b.Fill().SetEndColor(rgb(250, 220, 120));
             b.Frame().SetStyle(TFrameStyle::frsSolid);
             b.Frame().SetWidth(1.0);
             b.Frame().SetColor(rgb(30, 30, 30));
         }},
        {"gradient-vertical-clear50", [](TBackground &b) {
             b.Fill().SetStyle(TFillStyle::fisGradient);
             b.Fill().SetGradientDirection(TGradientDirection::gdVertical);
             b.Fill().SetColor(rgb(255, 0, 0));
             b.Fill().SetEndColor(rgb(0, 0, 255));
             b.Fill().SetClearLevel(50);
             b.Frame().SetStyle(TFrameStyle::frsDash);
             b.Frame().SetWidth(0.6);
             b.Frame().SetEndCap(TFrameEndCap::fecFlat);
             b.Frame().SetColor(rgb(0, 100, 0));
         }},
        {"tiles-dashdot-round", [&tile](TBackground &b) {
             b.Fill().SetStyle(TFillStyle::fisImage);
             b.Fill().SetImageDrawStyle(TImageDrawMode::idmTile);
             b.Fill().SetBitmap(tile);
             b.Frame().SetStyle(TFrameStyle::frsDashDot);
             b.Frame().SetWidth(0.8);
             b.Frame().SetJoinStyle(TFrameJoinStyle::fjsRound);
             b.Frame().SetColor(rgb(120, 0, 120));
         }},
        {"picture-transparent-clear30-dotted", [&tile](TBackground &b) {
             b.Fill().SetStyle(TFillStyle::fisImage);
             b.Fill().SetImageDrawStyle(TImageDrawMode::idmProportional);
             b.Fill().SetBitmap(tile);
             b.Fill().SetTransparent(true);
             b.Fill().SetTransparentColor(rgb(250, 240, 200));
             b.Fill().SetClearLevel(30);
             b.Frame().SetStyle(TFrameStyle::frsDot);
             b.Frame().SetColor(rgb(0, 0, 0));
         }},
    };
    const bool write = qEnvironmentVariableIntValue("VELLORA_WRITE_REFERENCES") == 1;
    for (const Sample &s : samples) {
        TBackground background;
        s.setUp(background);
        // A striped canvas shows what transparent fills let through.
        QImage out(200, 120, QImage::Format_RGB32);
        out.fill(Qt::white);
        {
            QPainter p(&out);
            for (int x = 0; x < 200; x += 20)
                p.fillRect(x, 0, 10, 120, QColor(210, 210, 210));
            background.Draw(p, 96, mmRect(2, 2, 50, 30), false);
        }
        const QString path = test::testDataPath(QStringLiteral("fills/%1.png").arg(QLatin1String(s.name)));
        if (write) {
            QDir().mkpath(QFileInfo(path).path());
            ASSERT_TRUE(out.save(path));
            continue;
        }
        const QImage reference(path);
        ASSERT_FALSE(reference.isNull()) << s.name;
        EXPECT_EQ(out, reference.convertToFormat(QImage::Format_RGB32)) << s.name;
    }
}
