#include "graphics/TextWriter.h"

#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <cstdlib>

using namespace vellora;

namespace {

TFont testFont(int height = -24)
{
    TFont f;
    f.Name = test::testFontFamily();
    f.Height = height;
    return f;
}

QImage whiteImage(int w, int h, int dpiX = 96, int dpiY = 96)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.setDotsPerMeterX(static_cast<int>(std::lround(dpiX / 0.0254)));
    img.setDotsPerMeterY(static_cast<int>(std::lround(dpiY / 0.0254)));
    img.fill(Qt::white);
    return img;
}

// Bounding box of every pixel that is not white; empty when there is none.
QRect inkBounds(const QImage &img)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != qRgb(255, 255, 255))
                box |= QRect(x, y, 1, 1);
    return box;
}

// Share of pixels whose grey level differs by more than 64.
double differingShare(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 1.0;
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 64)
                ++differing;
    return static_cast<double>(differing) / (a.width() * a.height());
}

TQvTextWriter writerFor(const QString &text)
{
    TQvTextWriter w;
    w.SetResolution({96, 96});
    w.SetFont(testFont());
    w.SetText(text);
    w.SetWrapStyle(TTextWrapStyle::wsReturnOnly);
    return w;
}

} // namespace

TEST(TextWriter, PitchAndSpaceSettersSwitchModesOnlyWhereTheyApply)
{
    TQvTextWriter w;
    w.SetColPitch(12);
    EXPECT_EQ(w.ColStyle(), TTextPitchStyle::psPitch);
    EXPECT_TRUE(w.ColPitchEnabled());
    w.SetColSpace(3);
    EXPECT_EQ(w.ColStyle(), TTextPitchStyle::psSpace);
    w.SetHorzAlignment(THorzAlignment::haEven);
    w.SetColPitch(12);
    EXPECT_EQ(w.ColStyle(), TTextPitchStyle::psSpace);   // spread text has no pitch
    w.SetColStyle(TTextPitchStyle::psPitch);
    EXPECT_FALSE(w.ColPitchEnabled());

    w.SetRowPitch(30);
    EXPECT_EQ(w.RowStyle(), TTextPitchStyle::psPitch);
    EXPECT_TRUE(w.RowPitchEnabled());
    w.SetVertAlignment(TVertAlignment::vaEven);
    w.SetRowSpace(4);
    EXPECT_EQ(w.RowStyle(), TTextPitchStyle::psPitch);
    EXPECT_FALSE(w.RowPitchEnabled());
    w.SetVertAlignment(TVertAlignment::vaTop);
    w.SetRowSpace(4);
    EXPECT_EQ(w.RowStyle(), TTextPitchStyle::psSpace);
}

TEST(TextWriter, MillimetreFormsUseTheAxisOfEachQuantity)
{
    TQvTextWriter w;
    w.SetResolution({300, 600});
    w.SetMMPadding({10, 10, 10, 10});
    EXPECT_EQ(w.Padding(), (TPixelRect{118, 236, 118, 236}));
    w.SetMMOffset({10, 10});
    EXPECT_EQ(w.Offset(), QSize(118, 236));
    w.SetMMColPitch(10);
    w.SetMMColSpace(20);
    w.SetMMRowPitch(10);
    w.SetMMRowSpace(20);
    EXPECT_EQ(w.ColSpace(), 236);
    EXPECT_EQ(w.RowPitch(), 236);
    EXPECT_EQ(w.RowSpace(), 472);
    w.SetMMColPitch(10);
    EXPECT_EQ(w.ColPitch(), 118);
    EXPECT_NEAR(static_cast<double>(w.MMRowPitch()), 236 * 25.4 / 600, 1e-9);
    EXPECT_NEAR(static_cast<double>(w.MMPaddingLeft()), 118 * 25.4 / 300, 1e-9);
}

TEST(TextWriter, CanvasTakesTheDeviceResolution)
{
    QImage img = whiteImage(10, 10, 300, 600);
    QPainter p(&img);
    TQvTextWriter w;
    w.SetCanvas(&p);
    EXPECT_EQ(w.Resolution(), (TFloatSize{300, 600}));
}

TEST(TextWriter, PrintableTextDropsControlCharacters)
{
    TQvTextWriter w;
    w.SetText(QStringLiteral("A1\r\n~あ\tb\x7f"));
    EXPECT_EQ(w.PrintableText(), QStringLiteral("A1~あb"));
}

TEST(TextWriter, WrappedLinesFitTheRealFont)
{
    QImage img = whiteImage(10, 10);
    QPainter p(&img);
    TQvTextWriter w = writerFor(QStringLiteral("吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。"));
    w.SetWrapStyle(TTextWrapStyle::wsWrap);
    w.WrapOption().SetWideWordWrap(true);
    TPixelRect r{0, 0, 200, 400};
    QStringList lines;
    const int count = w.TextWrap(&p, r, lines);
    ASSERT_GT(count, 1);
    EXPECT_EQ(count, lines.size());
    const QFontMetrics fm(testFont().toQFont(96));
    for (const QString &line : lines) {
        EXPECT_LT(fm.horizontalAdvance(line), 200) << line.toStdString();
        EXPECT_FALSE(line.startsWith(QStringLiteral("。"))) << line.toStdString();
    }
    EXPECT_EQ(lines.join(QString()), w.Text());

    w.SetText(QString());
    EXPECT_EQ(w.TextWrap(&p, r, lines), 1);
    EXPECT_EQ(lines, QStringList{QString()});
}

TEST(TextWriter, AutoSizeGrowsTheMillimetreRectangle)
{
    QImage img = whiteImage(10, 10);
    QPainter p(&img);
    TQvTextWriter w = writerFor(QStringLiteral("あいうえおかきくけこ\r\nさ"));
    w.SetAutoSize(true);
    TFloatRect r{0, 0, 10, 5};
    QStringList lines;
    EXPECT_EQ(w.MMTextWrap(&p, r, lines), 2);
    const QFontMetrics fm(testFont().toQFont(96));
    EXPECT_EQ(MMToPixel(r.Right, 96), fm.horizontalAdvance(QStringLiteral("あいうえおかきくけこ")));
    EXPECT_EQ(MMToPixel(r.Bottom, 96), 2 * fm.height());
}

TEST(TextWriter, CondensedFontIsNarrower)
{
    QImage img = whiteImage(10, 10);
    QPainter p(&img);
    p.setFont(testFont().toQFont(96));
    TQvTextWriter w;
    const QString line = QStringLiteral("あいうえお");
    const int natural = p.fontMetrics().horizontalAdvance(line);
    const int average = p.fontMetrics().averageCharWidth();
    p.setFont(w.CreateAngleFont(p, average / 2));
    EXPECT_LT(p.fontMetrics().horizontalAdvance(line), natural * 3 / 4);
    p.setFont(w.CreateAngleFont(p, 0));
    EXPECT_EQ(p.fontMetrics().horizontalAdvance(line), natural);
}

TEST(TextWriter, FittedLinesStayInsideTheRectangle)
{
    // 10 characters of 24 pixels in 150 pixels: both fits must bring the ink
    // inside, while the plain drawing is cut at the edge.
    const TPixelRect rect{10, 10, 160, 90};
    struct Case {
        TTextFitStyle fit;
        bool reachesEdge;
    };
    for (const Case c : {Case{TTextFitStyle::fsNone, true}, Case{TTextFitStyle::fsTrans, false},
                         Case{TTextFitStyle::fsSize, false}}) {
        QImage img = whiteImage(200, 100);
        QPainter p(&img);
        TQvTextWriter w = writerFor(QStringLiteral("あいうえおかきくけこ"));
        w.SetFitStyle(c.fit);
        TPixelRect r = rect;
        w.Draw(&p, r);
        p.end();
        const QRect ink = inkBounds(img);
        ASSERT_FALSE(ink.isEmpty()) << static_cast<int>(c.fit);
        EXPECT_TRUE(rect.toQRect().contains(ink)) << static_cast<int>(c.fit);
        EXPECT_EQ(ink.right() >= rect.Right - 2, c.reachesEdge) << static_cast<int>(c.fit);
        EXPECT_GT(ink.right(), rect.Left + 100) << static_cast<int>(c.fit);
    }
}

TEST(TextWriter, ReducedDrawingLeavesFittingTextAlone)
{
    auto render = [](TTextFitStyle fit) {
        QImage img = whiteImage(200, 100);
        QPainter p(&img);
        TQvTextWriter w = writerFor(QStringLiteral("あいう\r\nかき"));
        w.SetFitStyle(fit);
        TPixelRect r{10, 10, 190, 90};
        w.Draw(&p, r);
        return img;
    };
    EXPECT_EQ(render(TTextFitStyle::fsSize), render(TTextFitStyle::fsNone));
    EXPECT_EQ(render(TTextFitStyle::fsTrans), render(TTextFitStyle::fsNone));
}

TEST(TextWriter, RotatedTextMatchesReferenceImages)
{
    struct Case {
        TTextAngle angle;
        const char *file;
    };
    const Case cases[] = {
        {TTextAngle::taNone, "text/angle0.png"},
        {TTextAngle::taAngle90, "text/angle90.png"},
        {TTextAngle::taAngle180, "text/angle180.png"},
        {TTextAngle::taAngle270, "text/angle270.png"},
    };
    const TPixelRect rect{20, 20, 180, 180};
    const bool update = std::getenv("VELLORA_UPDATE_REFERENCES") != nullptr;
    for (const Case &c : cases) {
        QImage img = whiteImage(200, 200);
        QPainter p(&img);
        TQvTextWriter w = writerFor(QStringLiteral("あいうAbc\r\n漢字。\r\nLong line that is clipped"));
        w.SetAngle(c.angle);
        w.SetPadding({4, 4, 4, 4});
        TPixelRect r = rect;
        w.Draw(&p, r);
        p.end();

        // Every character is clipped to the rectangle less the padding.
        const QRect ink = inkBounds(img);
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_TRUE(QRect(24, 24, 152, 152).contains(ink)) << c.file;

        const QString path = test::testDataPath(QString::fromLatin1(c.file));
        if (update) {
            QDir().mkpath(QFileInfo(path).absolutePath());
            ASSERT_TRUE(img.save(path));
            continue;
        }
        const QImage reference(path);
        ASSERT_FALSE(reference.isNull()) << "missing " << c.file;
        EXPECT_LT(differingShare(img, reference.convertToFormat(QImage::Format_RGB32)), 0.01)
            << c.file;
    }
}
